// Messages: sent at once through the window's procedure chain, posted to a
// queue the pump delivers, recorded for the windows a test watches; and the
// default procedure.
#include <algorithm>
#include <cstring>
#include <deque>
#include <set>

#include "platform/ui/user.h"
#include "platform/ui/win_paint.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"
#include "platform/win/win_seams.h"

namespace pk::ui {
namespace {

std::deque<MSG>& Queue() {
  static auto* q = new std::deque<MSG>;
  return *q;
}
std::map<HWND, std::vector<Message>>& Recordings() {
  static auto* r = new std::map<HWND, std::vector<Message>>;
  return *r;
}

void Reset() {
  Queue().clear();
  Recordings().clear();
}
const pk::seams::ResetHook gHook(&Reset);

void Note(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = Recordings().find(h);
  if (it != Recordings().end()) it->second.push_back({msg, wp, lp});
}

}  // namespace

void Record(HWND window) { Recordings()[window]; }

std::vector<Message> Recorded(HWND window) {
  auto it = Recordings().find(window);
  return it == Recordings().end() ? std::vector<Message>{} : it->second;
}

}  // namespace pk::ui

int PumpMessages() {
  int delivered = 0;
  auto& q = pk::ui::Queue();
  while (!q.empty()) {
    MSG m = q.front();
    q.pop_front();
    SendMessageW(m.hwnd, m.message, m.wParam, m.lParam);
    ++delivered;
  }
  // An idle queue paints what waits in windows painted before.
  pk::ui::PaintPending();
  return delivered;
}

extern "C" {

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  pk::ui::Window* w = pk::ui::Find(hWnd);
  if (!w) return 0;
  pk::ui::Note(hWnd, Msg, wParam, lParam);
  WNDPROC proc = w->proc;
  const LRESULT answer = proc ? proc(hWnd, Msg, wParam, lParam) : 0;
  pk::ui::StateChanged(hWnd, Msg);
  return answer;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!pk::ui::Find(hWnd)) return FALSE;
  pk::ui::Queue().push_back({hWnd, Msg, wParam, lParam, 0, {0, 0}});
  return TRUE;
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(GetDlgItem(hDlg, nIDDlgItem), Msg, wParam, lParam);
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!lpPrevWndFunc || !pk::ui::Find(hWnd)) return 0;
  return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  pk::ui::Window* w = pk::ui::Find(hWnd);
  if (!w) return 0;
  switch (Msg) {
    case WM_NCCREATE: return TRUE;
    case WM_SETTEXT:
      w->text = lParam ? std::u16string(pk::WideView(reinterpret_cast<LPCWSTR>(lParam))) : u"";
      return TRUE;
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_GETTEXT: {
      // Cut to the caller's size and terminated.
      auto* buf = reinterpret_cast<LPWSTR>(lParam);
      if (!buf || wParam == 0) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(buf, w->text.data(), n * sizeof(WCHAR));
      buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_PAINT: return pk::ui::DefaultPaint(hWnd);
    case WM_ERASEBKGND: return pk::ui::DefaultErase(hWnd, reinterpret_cast<HDC>(wParam));
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: return -1;
    case WM_NOTIFY:
    case WM_COMMAND: return 0;
    default: return 0;
  }
}

}  // extern "C"
