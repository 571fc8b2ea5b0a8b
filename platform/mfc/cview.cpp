// A view's link to its document.
#include "platform/mfc/cview.h"

#include "platform/mfc/cdocument.h"

CView::~CView() {
  // A view that goes away first leaves its document's list.
  if (m_pDocument) m_pDocument->RemoveView(this);
}

void CView::OnUpdate(CView*, LPARAM, CObject*) {}
