// Toolbar and status bar (see ccontrolbars.h).
#include "platform/mfc/ccontrolbars.h"

#include <algorithm>

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/cframewnd.h"

namespace {
void JoinFrame(CWnd* parent, CControlBar* bar) {
  auto* frame = dynamic_cast<CFrameWnd*>(parent);
  if (frame && std::find(frame->m_bars.begin(), frame->m_bars.end(), bar) == frame->m_bars.end())
    frame->m_bars.push_back(bar);
}
}  // namespace

BOOL CToolBar::CreateEx(CWnd* parent, DWORD, DWORD style, CRect, UINT nID) {
  m_pParent = parent;
  JoinFrame(parent, this);
  m_nID = nID;
  m_dwStyle = style;
  m_bVisible = (style & WS_VISIBLE) != 0;
  return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT bitmapId, const AfxToolSlot* slots, int count) {
  m_images = AfxFindBitmap(bitmapId);
  if (!m_images || !slots || count <= 0) return FALSE;
  m_slots.clear();
  for (int i = 0; i < count; ++i) m_slots.push_back({slots[i].id, slots[i].image, slots[i].width});
  return AfxGetBackend()->CreateToolBar(this) ? TRUE : FALSE;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int widthOrImage) {
  if (index < 0 || index >= GetCount()) return;
  Slot& s = m_slots[static_cast<size_t>(index)];
  s.id = id;
  if (style & TBBS_SEPARATOR) {
    s.width = widthOrImage;
    s.image = -1;
  } else {
    s.image = widthOrImage;
  }
  if (m_peer) AfxGetBackend()->Changed(this);
}

void CToolBar::GetItemRect(int index, LPRECT rect) const {
  // Slots lie side by side from a 4-pixel gripper margin: buttons as wide as
  // their size, separators as their width.
  int x = 4;
  for (int i = 0; i < index && i < GetCount(); ++i) {
    const Slot& s = m_slots[static_cast<size_t>(i)];
    x += s.image < 0 || s.id == ID_SEPARATOR ? s.width : m_sizeButton.cx;
  }
  const Slot* s = index >= 0 && index < GetCount() ? &m_slots[static_cast<size_t>(index)] : nullptr;
  int w = !s ? 0 : (s->image < 0 || s->id == ID_SEPARATOR ? s->width : m_sizeButton.cx);
  *rect = RECT{x, 2, x + w, 2 + m_sizeButton.cy};
}

void CToolBar::OnPaint(CDC*) {}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT nID) {
  m_pParent = parent;
  JoinFrame(parent, this);
  m_nID = nID;
  m_dwStyle = style;
  m_bVisible = (style & WS_VISIBLE) != 0;
  return AfxGetBackend()->CreateStatusBar(this) ? TRUE : FALSE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  m_panes.clear();
  for (int i = 0; i < count; ++i) {
    Pane p{ids[i], SBPS_NORMAL, 0, std::string()};
    if (ids[i] != ID_SEPARATOR) {
      p.text = AfxLoadString(ids[i]);
      if (p.text.empty()) return FALSE;
      p.width = static_cast<int>(p.text.size());
    } else {
      p.style = SBPS_STRETCH | SBPS_NOBORDERS;
    }
    m_panes.push_back(p);
  }
  if (m_peer) AfxGetBackend()->Changed(this);
  return TRUE;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  if (index < 0 || index >= GetCount()) return;
  Pane& p = m_panes[static_cast<size_t>(index)];
  p.id = id;
  p.style = style;
  p.width = width;
  if (m_peer) AfxGetBackend()->Changed(this);
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
  const Pane& p = m_panes.at(static_cast<size_t>(index));
  id = p.id;
  style = p.style;
  width = p.width;
}

BOOL CStatusBar::SetPaneText(int index, const char* text, BOOL) {
  if (index < 0 || index >= GetCount()) return FALSE;
  m_panes[static_cast<size_t>(index)].text = text ? text : "";
  if (m_peer) AfxGetBackend()->Changed(this);
  return TRUE;
}

std::string CStatusBar::GetPaneText(int index) const {
  return index >= 0 && index < GetCount() ? m_panes[static_cast<size_t>(index)].text : std::string();
}
