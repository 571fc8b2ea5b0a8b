// The window table: creation and destruction, texts, window longs, state,
// geometry and focus (see win_window.h).
#include <algorithm>
#include <cstring>

#include "platform/ui/user.h"
#include "platform/ui/win_paint.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_seams.h"

namespace pk::ui {
namespace {

std::map<HWND, std::unique_ptr<Window>>& Table() {
  static auto* table = new std::map<HWND, std::unique_ptr<Window>>;
  return *table;
}
uintptr_t gNextHandle = 0x10000;  // never reused
HWND gFocus = nullptr;
std::map<int, int>& Metrics() {
  static auto* m = new std::map<int, int>;
  return *m;
}
std::map<int, DWORD>& Colors() {
  static auto* m = new std::map<int, DWORD>;
  return *m;
}

void Reset() {
  Table().clear();
  gFocus = nullptr;
  Metrics().clear();
  Colors().clear();
}
const pk::seams::ResetHook gHook(&Reset);

int DefaultMetric(int index) {
  switch (index) {
    case SM_CXSCREEN: return 1920;
    case SM_CYSCREEN: return 1080;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
  }
}

DWORD DefaultColor(int index) {
  switch (index) {
    case COLOR_WINDOW: return 0xFFFFFF;
    case COLOR_BTNFACE: return 0xF0F0F0;
    case COLOR_GRAYTEXT: return 0x6D6D6D;
    case COLOR_HIGHLIGHT: return 0xD77800;
    case COLOR_HIGHLIGHTTEXT: return 0xFFFFFF;
    default: return 0;
  }
}

// Top-left of a window's client area in screen coordinates.
POINT Origin(HWND h) {
  POINT p{0, 0};
  for (Window* w = Find(h); w; w = Find(w->parent)) {
    p.x += w->rect.left;
    p.y += w->rect.top;
  }
  return p;
}

void Unlink(Window* w) {
  if (Window* p = Find(w->parent)) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), w->handle), c.end());
  }
}

}  // namespace

Window* Find(HWND h) {
  auto& t = Table();
  auto it = t.find(h);
  return it == t.end() ? nullptr : it->second.get();
}

std::u16string ListText(LPCWSTR text) {
  std::u16string s(pk::WideView(text));
  if (s.size() > static_cast<size_t>(kPkMaxListLine)) s.resize(kPkMaxListLine);
  return s;
}

void Notify(HWND control, UINT code) {
  Window* w = Find(control);
  if (!w || !w->parent) return;
  SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(w->id, code), reinterpret_cast<LPARAM>(control));
}

void SetSystemMetric(int index, int value) { Metrics()[index] = value; }
void SetSystemColor(int index, DWORD color) { Colors()[index] = color; }

// Creates a record (no messages); used by CreateWindowExW and the dialogs.
HWND NewWindow(std::u16string_view className, std::u16string_view text, DWORD style, DWORD exStyle, RECT rect,
               HWND parent, int id, HINSTANCE instance) {
  auto w = std::make_unique<Window>();
  HWND h = reinterpret_cast<HWND>(gNextHandle);
  gNextHandle += 4;
  w->handle = h;
  w->className = className;
  w->kind = KindOfClass(className);
  w->parent = Find(parent) ? parent : nullptr;
  w->text = text;
  w->style = style;
  w->exStyle = exStyle;
  w->rect = rect;
  w->id = id;
  w->instance = instance;
  w->proc = w->kind == kDialog ? &DialogWndProc : ClassProc(w->kind);
  if (!w->proc) w->proc = &DefWindowProcW;
  if (w->kind == kComboBox || w->kind == kListBox) w->text.clear();
  if (Window* p = Find(w->parent)) p->children.push_back(h);
  Table()[h] = std::move(w);
  return h;
}

}  // namespace pk::ui

using pk::ui::Find;
using pk::ui::Window;

extern "C" {

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  if (!lpClassName || IS_INTRESOURCE(lpClassName)) return nullptr;
  if ((dwStyle & WS_CHILD) && !Find(hWndParent)) return nullptr;
  RECT r{X, Y, X + nWidth, Y + nHeight};
  int id = (dwStyle & WS_CHILD) ? static_cast<int>(reinterpret_cast<intptr_t>(hMenu)) : 0;
  HWND h = pk::ui::NewWindow(pk::WideView(lpClassName), lpWindowName ? pk::WideView(lpWindowName) : u"", dwStyle,
                             dwExStyle, r, hWndParent, id, hInstance);
  if (SendMessageW(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(lpParam)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  return h;
}

BOOL DestroyWindow(HWND hWnd) {
  Window* w = Find(hWnd);
  if (!w || w->destroying) return FALSE;
  w->destroying = true;
  if (pk::ui::gFocus == hWnd) pk::ui::gFocus = nullptr;
  SendMessageW(hWnd, WM_DESTROY, 0, 0);
  // Children go first, each told before it goes.
  w = Find(hWnd);
  std::vector<HWND> children = w ? w->children : std::vector<HWND>{};
  for (HWND c : children) DestroyWindow(c);
  SendMessageW(hWnd, WM_NCDESTROY, 0, 0);
  w = Find(hWnd);
  if (!w) return TRUE;
  pk::ui::Unlink(w);
  pk::ui::ReleaseBacking(hWnd);
  // Others holding the handle (a buddy, the focus) forget it.
  for (auto& [h, other] : pk::ui::Table())
    if (other->buddy == hWnd) other->buddy = nullptr;
  pk::ui::Table().erase(hWnd);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return Find(hWnd) ? TRUE : FALSE; }

HWND GetParent(HWND hWnd) {
  Window* w = Find(hWnd);
  return w ? w->parent : nullptr;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Window* w = Find(hDlg);
  if (!w) return nullptr;
  for (HWND c : w->children)
    if (Window* cw = Find(c); cw && cw->id == nIDDlgItem) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  Window* w = Find(hWnd);
  return w ? w->id : 0;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
  if (!lpString || nMaxCount <= 0) return 0;
  lpString[0] = 0;
  if (!Find(hWnd)) return 0;
  return static_cast<int>(
      SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd) { return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0)); }

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  if (!Find(hWnd)) return FALSE;
  return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : u"")) ? TRUE : FALSE;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
  return SetWindowTextW(GetDlgItem(hDlg, nIDDlgItem), lpString);
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
  return static_cast<UINT>(GetWindowTextW(GetDlgItem(hDlg, nIDDlgItem), lpString, cchMax));
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
  Window* w = Find(hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
  }
  if (w->kind == pk::ui::kDialog) {
    if (nIndex == DWLP_MSGRESULT) return w->dlgResult;
    if (nIndex == DWLP_DLGPROC) return w->dlgProc;
    if (nIndex == DWLP_USER) return w->dlgUser;
  }
  return 0;
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  Window* w = Find(hWnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtrW(hWnd, nIndex);
  switch (nIndex) {
    case GWLP_WNDPROC:
      if (dwNewLong) w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
      return old;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(dwNewLong); return old;
    case GWLP_ID: w->id = static_cast<int>(dwNewLong); return old;
    case GWL_STYLE: w->style = static_cast<DWORD>(dwNewLong); return old;
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(dwNewLong); return old;
    case GWLP_USERDATA: w->userData = dwNewLong; return old;
  }
  if (w->kind == pk::ui::kDialog) {
    if (nIndex == DWLP_MSGRESULT) w->dlgResult = dwNewLong;
    if (nIndex == DWLP_DLGPROC) w->dlgProc = dwNewLong;
    if (nIndex == DWLP_USER) w->dlgUser = dwNewLong;
  }
  return old;
}

LONG GetWindowLongW(HWND hWnd, int nIndex) { return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex)); }
LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
  return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (bEnable) w->style &= ~static_cast<DWORD>(WS_DISABLED);
  else w->style |= WS_DISABLED;
  if (wasDisabled != !bEnable) {
    if (!bEnable && pk::ui::gFocus == hWnd) pk::ui::gFocus = nullptr;
    SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
  }
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  Window* w = Find(hWnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  BOOL was = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  bool show = nCmdShow != SW_HIDE;
  pk::ui::NoteShow(hWnd, show);
  if (show) w->style |= WS_VISIBLE;
  else w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  if (was != (show ? TRUE : FALSE)) SendMessageW(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  return was;
}

// Visible when it and every parent carry WS_VISIBLE.
BOOL IsWindowVisible(HWND hWnd) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  for (; w; w = Find(w->parent))
    if (!(w->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

// The old focus hears WM_KILLFOCUS (and its control tells the parent) before
// the new one is set and hears WM_SETFOCUS.
HWND SetFocus(HWND hWnd) {
  HWND old = pk::ui::gFocus;
  if (hWnd && !Find(hWnd)) return nullptr;
  if (old == hWnd) return old;
  if (Find(old)) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  if (hWnd && !Find(hWnd)) return nullptr;
  pk::ui::gFocus = hWnd;
  if (hWnd) SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return Find(old) ? old : nullptr;
}

HWND GetFocus(void) { return Find(pk::ui::gFocus) ? pk::ui::gFocus : nullptr; }

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
  Window* w = Find(hWnd);
  if (!w || !lpRect) return FALSE;
  POINT o = pk::ui::Origin(w->parent);
  *lpRect = {w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y};
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window* w = Find(hWnd);
  if (!w || !lpRect) return FALSE;
  *lpRect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, POINT* lpPoint) {
  if (!Find(hWnd) || !lpPoint) return FALSE;
  POINT o = pk::ui::Origin(hWnd);
  lpPoint->x -= o.x;
  lpPoint->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hWnd, POINT* lpPoint) {
  if (!Find(hWnd) || !lpPoint) return FALSE;
  POINT o = pk::ui::Origin(hWnd);
  lpPoint->x += o.x;
  lpPoint->y += o.y;
  return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, POINT* lpPoints, UINT cPoints) {
  POINT from = pk::ui::Origin(hWndFrom), to = pk::ui::Origin(hWndTo);
  LONG dx = from.x - to.x, dy = from.y - to.y;
  for (UINT i = 0; lpPoints && i < cPoints; ++i) {
    lpPoints[i].x += dx;
    lpPoints[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)), static_cast<WORD>(static_cast<SHORT>(dy)));
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER);
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  if (!(uFlags & SWP_NOMOVE)) {
    w->rect.left = X;
    w->rect.top = Y;
  }
  if (!(uFlags & SWP_NOSIZE)) {
    width = cx;
    height = cy;
  }
  w->rect.right = w->rect.left + width;
  w->rect.bottom = w->rect.top + height;
  if (!(uFlags & SWP_NOZORDER)) {
    if (Window* p = Find(w->parent)) {
      auto& c = p->children;
      c.erase(std::remove(c.begin(), c.end(), hWnd), c.end());
      if (hWndInsertAfter == HWND_TOP) {
        c.insert(c.begin(), hWnd);
      } else if (hWndInsertAfter == HWND_BOTTOM) {
        c.push_back(hWnd);
      } else {
        auto at = std::find(c.begin(), c.end(), hWndInsertAfter);
        c.insert(at == c.end() ? c.end() : at + 1, hWnd);
      }
    }
  }
  if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOW);
  if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
  return TRUE;
}

BOOL GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* lpwndpl) {
  Window* w = Find(hWnd);
  if (!w || !lpwndpl) return FALSE;
  lpwndpl->flags = 0;
  lpwndpl->showCmd = (w->style & WS_VISIBLE) ? SW_SHOWNORMAL : SW_HIDE;
  lpwndpl->ptMinPosition = {-1, -1};
  lpwndpl->ptMaxPosition = {-1, -1};
  lpwndpl->rcNormalPosition = w->rect;
  return TRUE;
}

// Paints at once: the window and its visible children hear WM_PAINT (owner-
// drawn lists then ask their owner to draw each line).
BOOL UpdateWindow(HWND hWnd) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  std::vector<HWND> children = w->children;
  InvalidateRect(hWnd, nullptr, TRUE);
  SendMessageW(hWnd, WM_PAINT, 0, 0);
  for (HWND c : children)
    if (pk::ui::ShowsOnScreen(c)) UpdateWindow(c);
  return TRUE;
}

HWND ChildWindowFromPoint(HWND hWndParent, POINT Point) {
  Window* w = Find(hWndParent);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    Window* cw = Find(c);
    if (cw && Point.x >= cw->rect.left && Point.x < cw->rect.right && Point.y >= cw->rect.top &&
        Point.y < cw->rect.bottom)
      return c;
  }
  LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  return Point.x >= 0 && Point.y >= 0 && Point.x < width && Point.y < height ? hWndParent : nullptr;
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
  if (!Find(hDlg)) return FALSE;
  for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
    if (HWND b = GetDlgItem(hDlg, id))
      SendMessageW(b, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  HWND b = GetDlgItem(hDlg, nIDButton);
  if (!b) return FALSE;
  SendMessageW(b, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  return static_cast<UINT>(SendMessageW(GetDlgItem(hDlg, nIDButton), BM_GETCHECK, 0, 0));
}

int GetSystemMetrics(int nIndex) {
  auto it = pk::ui::Metrics().find(nIndex);
  return it != pk::ui::Metrics().end() ? it->second : pk::ui::DefaultMetric(nIndex);
}

DWORD GetSysColor(int nIndex) {
  auto it = pk::ui::Colors().find(nIndex);
  return it != pk::ui::Colors().end() ? it->second : pk::ui::DefaultColor(nIndex);
}

}  // extern "C"
