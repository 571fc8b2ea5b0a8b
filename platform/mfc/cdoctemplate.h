// The single-document template: which document, frame and view classes make
// up the program, the resource id of the frame, and the one document it
// opens files into.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "platform/mfc/cdocument.h"
#include "platform/mfc/cframewnd.h"
#include "platform/mfc/cscrollview.h"

// How the template makes objects of a class (RUNTIME_CLASS).
struct CRuntimeClass {
  CDocument* (*createDocument)();
  CFrameWnd* (*createFrame)();
  CScrollView* (*createView)();
};
template <class T>
const CRuntimeClass* AfxRuntimeClassOf() {
  static const CRuntimeClass rc{[]() -> CDocument* {
                                  if constexpr (std::is_base_of_v<CDocument, T>) return new T;
                                  else return nullptr;
                                },
                                []() -> CFrameWnd* {
                                  if constexpr (std::is_base_of_v<CFrameWnd, T>) return new T;
                                  else return nullptr;
                                },
                                []() -> CScrollView* {
                                  if constexpr (std::is_base_of_v<CScrollView, T>) return new T;
                                  else return nullptr;
                                }};
  return &rc;
}
#define RUNTIME_CLASS(T) (AfxRuntimeClassOf<T>())

class CSingleDocTemplate {
 public:
  CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                     const CRuntimeClass* viewClass);
  ~CSingleDocTemplate();
  CSingleDocTemplate(const CSingleDocTemplate&) = delete;
  CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

  // Field `index` of the template string (resource nIDResource, fields
  // separated by newlines): 0 window title, 1 document name, 2 new-file name,
  // 3 filter name, 4 filter extension, 5 file type id, 6 file type name.
  std::string GetDocString(int index) const;

  // Opens `path` (null: a new empty document) into the one document, making
  // document, frame and view the first time. A failed open of the first
  // document destroys what was made and answers null; a failed open later
  // leaves the document as it was.
  CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE);
  CDocument* GetDocument() const { return m_doc.get(); }
  CFrameWnd* GetFrame() const { return m_frame.get(); }
  UINT GetResourceId() const { return m_nIDResource; }

 private:
  bool MakeFrame();

  UINT m_nIDResource;
  const CRuntimeClass* m_docClass;
  const CRuntimeClass* m_frameClass;
  const CRuntimeClass* m_viewClass;
  std::string m_strings;
  std::unique_ptr<CDocument> m_doc;
  std::unique_ptr<CFrameWnd> m_frame;
};
