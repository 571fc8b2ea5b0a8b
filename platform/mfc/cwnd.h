// Windows of the framework: the part every frame, view, bar, control and
// dialog shares. The window itself lives in the back end (afx_backend.h);
// this object keeps the state the program sets and reads.
#pragma once

#include <string>

#include "platform/mfc/afx_ids.h"
#include "platform/mfc/ccmdtarget.h"
#include "platform/win/win_types.h"

struct CSize {
  LONG cx = 0;
  LONG cy = 0;
  CSize() = default;
  CSize(LONG x, LONG y) : cx(x), cy(y) {}
  bool operator==(const CSize&) const = default;
};

struct CRect : RECT {
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}  // NOLINT: the framework converts freely
  LONG Width() const { return right - left; }
  LONG Height() const { return bottom - top; }
  operator LPRECT() { return this; }
  operator const RECT*() const { return this; }
};

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  // The back end's window of this object; null before creation and after
  // destruction.
  void* m_peer = nullptr;
  UINT m_nID = 0;
  CWnd* m_pParent = nullptr;

  BOOL IsCreated() const { return m_peer != nullptr; }
  CWnd* GetParent() const { return m_pParent; }
  UINT GetDlgCtrlID() const { return m_nID; }

  BOOL ShowWindow(int nCmdShow);
  void UpdateWindow() {}
  BOOL DestroyWindow();
  void Invalidate(BOOL bErase = TRUE);
  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  CWnd* SetFocus();
  void DragAcceptFiles(BOOL bAccept = TRUE);
  BOOL IsVisible() const { return m_bVisible; }
  // Queues a message for this window; the loop delivers it after the current
  // one (WM_CLOSE, WM_COMMAND).
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Delivers a message now: WM_CLOSE calls OnClose, WM_COMMAND OnCommand.
  virtual LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  void SetWindowText(const std::string& text);
  const std::string& GetWindowText() const { return m_text; }

  // A command or a control's notification reaching this window.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual void OnClose();
  virtual void OnDestroy() {}
  // The focus went from this window to another.
  virtual void OnKillFocus(CWnd*) {}

 protected:
  std::string m_text;
  BOOL m_bVisible = FALSE;
  BOOL m_bAcceptFiles = FALSE;
};

// The window that has the focus, or none.
CWnd* AfxGetFocus();
// The back end tells where the focus went; the window that had it hears
// OnKillFocus.
void AfxFocusChanged(CWnd* now);
