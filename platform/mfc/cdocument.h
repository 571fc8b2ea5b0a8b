// The framework's document: the path of the open file, the default new and
// open operations, and the list of views it updates.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/cobject.h"
#include "platform/win/win_types.h"

class CView;

class CDocument : public CObject {
 public:
  CDocument() = default;
  ~CDocument() override;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  // The open file's path; empty while no file is open.
  const std::string& GetPathName() const { return m_strPathName; }
  virtual void SetPathName(LPCSTR lpszPathName);

  // An empty document: contents dropped, no path. TRUE.
  virtual BOOL OnNewDocument();
  // Opens the file for reading and closes it again; the contents are the
  // derived document's. A file that cannot be opened shows the framework's
  // message and gives FALSE.
  virtual BOOL OnOpenDocument(LPCSTR lpszPathName);
  // Drops the document's contents; the default has none.
  virtual void DeleteContents();

  // The framework's open of a file: OnOpenDocument, and on success the path
  // name set to the file's. FALSE leaves the path as it was.
  BOOL OpenDocumentFile(LPCSTR lpszPathName);

  void AddView(CView* pView);
  void RemoveView(CView* pView);
  const std::vector<CView*>& GetViews() const { return m_viewList; }
  // Calls OnUpdate of every view but the sender.
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

  BOOL IsModified() const { return m_bModified; }
  void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

 protected:
  std::string m_strPathName;
  BOOL m_bModified = FALSE;

 private:
  std::vector<CView*> m_viewList;
};
