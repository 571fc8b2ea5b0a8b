// Window state shared by frames, views, bars, controls and dialogs (see cwnd.h).
#include "platform/mfc/cwnd.h"

#include "platform/mfc/afx_backend.h"

namespace {
CWnd* g_focus = nullptr;
}

CWnd* AfxGetFocus() { return g_focus; }

void AfxFocusChanged(CWnd* now) {
  CWnd* old = g_focus;
  if (old == now) return;
  g_focus = now;
  if (old) old->OnKillFocus(now);
}

CWnd::~CWnd() {
  if (g_focus == this) g_focus = nullptr;
  AfxForgetPosted(this);
  if (m_peer && AfxGetBackend()) AfxGetBackend()->Destroy(this);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  BOOL was = m_bVisible;
  m_bVisible = nCmdShow != SW_HIDE;
  if (m_peer) AfxGetBackend()->Show(this, nCmdShow);
  return was;
}

BOOL CWnd::DestroyWindow() {
  if (!m_peer) return FALSE;
  OnDestroy();
  AfxForgetPosted(this);
  if (g_focus == this) g_focus = nullptr;
  AfxGetBackend()->Destroy(this);
  m_peer = nullptr;
  m_bVisible = FALSE;
  return TRUE;
}

void CWnd::Invalidate(BOOL) {
  if (m_peer) AfxGetBackend()->Invalidate(this);
}

void CWnd::GetWindowRect(LPRECT rect) const {
  *rect = m_peer ? AfxGetBackend()->GetWindowRect(this) : RECT{0, 0, 0, 0};
}

void CWnd::GetClientRect(LPRECT rect) const {
  *rect = m_peer ? AfxGetBackend()->GetClientRect(this) : RECT{0, 0, 0, 0};
}

CWnd* CWnd::SetFocus() {
  CWnd* old = g_focus;
  AfxFocusChanged(this);
  if (m_peer) AfxGetBackend()->SetFocus(this);
  return old;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  m_bAcceptFiles = bAccept;
  if (m_peer) AfxGetBackend()->Changed(this);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_peer) return FALSE;
  AfxPostMessage(this, message, wParam, lParam);
  return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: AfxContain("CWnd::OnClose", [&] { OnClose(); }); return 0;
    case WM_COMMAND: return OnCommand(wParam, lParam);
    default: return 0;
  }
}

void CWnd::SetWindowText(const std::string& text) {
  m_text = text;
  if (m_peer) AfxGetBackend()->Changed(this);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
  int code = HIWORD(wParam);
  return OnCmdMsg(id, code, nullptr);
}

void CWnd::OnClose() { DestroyWindow(); }
