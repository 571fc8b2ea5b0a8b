// The scrolling view (see cscrollview.h).
#include "platform/mfc/cscrollview.h"

#include <algorithm>
#include <cstring>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cdocument.h"
#include "platform/mfc/cframewnd.h"

void CScrollView::SetScrollSizes(int mapMode, CSize total, const CSize& page, const CSize& line) {
  m_nMapMode = mapMode;
  m_totalLog = total;
  m_pageDev = page;
  m_lineDev = line;
  ScrollToPosition(m_ptScroll);
  if (m_peer) AfxGetBackend()->Changed(static_cast<CWnd*>(this));
}

void CScrollView::ScrollToPosition(POINT pt) {
  RECT client{0, 0, 0, 0};
  GetClientRect(&client);
  LONG maxX = std::max<LONG>(0, m_totalLog.cx - (client.right - client.left));
  LONG maxY = std::max<LONG>(0, m_totalLog.cy - (client.bottom - client.top));
  m_ptScroll.x = std::clamp<LONG>(pt.x, 0, maxX);
  m_ptScroll.y = std::clamp<LONG>(pt.y, 0, maxY);
}

void CScrollView::Paint(AfxSurface* surface) {
  AfxBeginPaint();
  AfxContain("CView::OnPaint", [&] {
    CDC dc(surface);
    OnEraseBkgnd(&dc);
    OnPrepareDC(&dc);
    OnDraw(&dc);
  });
  AfxEndPaint();
}

BOOL CScrollView::OnEraseBkgnd(CDC*) { return FALSE; }

void CScrollView::OnPrepareDC(CDC* dc) { dc->SetViewportOrg(-m_ptScroll.x, -m_ptScroll.y); }

void CScrollView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CScrollView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

void CScrollView::OnDropFiles(HDROP) {}

void CScrollView::OnContextMenu(POINT) {
  if (m_pFrame && !m_pFrame->m_contextCommands.empty() && AfxGetBackend())
    AfxGetBackend()->ContextMenu(this, m_pFrame->m_contextCommands);
}

BOOL CScrollView::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
  if (CWnd::OnCmdMsg(id, code, ui)) return TRUE;
  // A document that is also a command target comes next.
  auto* target = dynamic_cast<CCmdTarget*>(GetDocument());
  return target && target->OnCmdMsg(id, code, ui);
}

UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT size) {
  if (!drop) return 0;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(drop->size());
  if (index >= drop->size()) return 0;
  const std::string& p = (*drop)[index];
  if (!buffer) return static_cast<UINT>(p.size());
  if (size == 0) return 0;
  size_t n = std::min<size_t>(p.size(), size - 1);
  std::memcpy(buffer, p.data(), n);
  buffer[n] = 0;
  return static_cast<UINT>(n);
}
