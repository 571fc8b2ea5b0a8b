// A view as its document sees it: the document it shows and the update it
// receives from the document's UpdateAllViews. The window side of a view
// builds on this class.
#pragma once

#include "platform/mfc/cobject.h"
#include "platform/win/win_types.h"

class CDocument;

class CView : public CObject {
 public:
  ~CView() override;
  CDocument* GetDocument() const { return m_pDocument; }

 protected:
  CView() = default;
  // Called by the document for every view but the sender; the default does
  // nothing.
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);

  CDocument* m_pDocument = nullptr;

 private:
  friend class CDocument;
};
