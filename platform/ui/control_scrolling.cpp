// Trackbars and scroll bars: a position kept in its range; the parent hears
// where a user moved it through WM_HSCROLL or WM_VSCROLL.
#include <algorithm>

#include "platform/ui/user.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/window_internal.h"

namespace pk::ui {

LRESULT TrackBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  auto clamp = [&] { w->position = std::clamp(w->position, w->minimum, std::max(w->minimum, w->maximum)); };
  switch (msg) {
    case TBM_GETPOS: return w->position;
    case TBM_GETRANGEMIN: return w->minimum;
    case TBM_GETRANGEMAX: return w->maximum;
    case TBM_SETPOS:
      w->position = static_cast<int>(static_cast<LONG>(lp));
      clamp();
      return 0;
    case TBM_SETRANGE:
      w->minimum = static_cast<SHORT>(LOWORD(lp));
      w->maximum = static_cast<SHORT>(HIWORD(lp));
      clamp();
      return 0;
    case TBM_SETRANGEMIN:
      w->minimum = static_cast<int>(static_cast<LONG>(lp));
      clamp();
      return 0;
    case TBM_SETRANGEMAX:
      w->maximum = static_cast<int>(static_cast<LONG>(lp));
      clamp();
      return 0;
    case TBM_SETTICFREQ: w->ticFrequency = static_cast<int>(wp); return 0;
    case TBM_SETPAGESIZE: {
      int old = w->pageSize ? w->pageSize : std::max(1, (w->maximum - w->minimum) / 5);
      w->pageSize = static_cast<int>(static_cast<LONG>(lp));
      return old;
    }
    case TBM_GETPAGESIZE: return w->pageSize ? w->pageSize : std::max(1, (w->maximum - w->minimum) / 5);
    case TBM_SETLINESIZE: {
      int old = w->lineSize;
      w->lineSize = static_cast<int>(static_cast<LONG>(lp));
      return old;
    }
    case TBM_GETLINESIZE: return w->lineSize;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

void Slide(HWND trackbar, UINT code, int position) {
  Window* w = Find(trackbar);
  if (!w || !IsWindowEnabled(trackbar)) return;
  int page = static_cast<int>(SendMessageW(trackbar, TBM_GETPAGESIZE, 0, 0));
  int next = w->position;
  switch (code) {
    case TB_LINEUP: next -= w->lineSize; break;
    case TB_LINEDOWN: next += w->lineSize; break;
    case TB_PAGEUP: next -= page; break;
    case TB_PAGEDOWN: next += page; break;
    case TB_THUMBPOSITION:
    case TB_THUMBTRACK: next = position; break;
    case TB_TOP: next = w->minimum; break;
    case TB_BOTTOM: next = w->maximum; break;
    default: return;
  }
  SendMessageW(trackbar, TBM_SETPOS, TRUE, next);
  if (!(w = Find(trackbar))) return;
  UINT scroll = (w->style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  WORD high = code == TB_THUMBPOSITION || code == TB_THUMBTRACK ? static_cast<WORD>(w->position) : 0;
  SendMessageW(w->parent, scroll, MAKEWPARAM(code, high), reinterpret_cast<LPARAM>(trackbar));
  if ((w = Find(trackbar)))
    SendMessageW(w->parent, scroll, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(trackbar));
  PumpMessages();
}

}  // namespace pk::ui

namespace {

// The record of a bar: a scroll bar control's own (SB_CTL) or a window's.
bool Bar(HWND h, int bar, int** lo, int** hi, int** pos) {
  pk::ui::Window* w = pk::ui::Find(h);
  if (!w) return false;
  if (bar == SB_CTL) {
    if (w->kind != pk::ui::kScrollBar) return false;
    *lo = &w->minimum;
    *hi = &w->maximum;
    *pos = &w->position;
    return true;
  }
  if (bar != SB_HORZ && bar != SB_VERT) return false;
  *lo = &w->scrollMin[bar];
  *hi = &w->scrollMax[bar];
  *pos = &w->scrollPos[bar];
  return true;
}

}  // namespace

extern "C" {

int SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL) {
  int *lo, *hi, *pos;
  if (!Bar(hWnd, nBar, &lo, &hi, &pos)) return FALSE;
  *lo = nMinPos;
  *hi = nMaxPos;
  *pos = std::clamp(*pos, nMinPos, std::max(nMinPos, nMaxPos));
  return TRUE;
}

BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos) {
  int *lo, *hi, *pos;
  if (!Bar(hWnd, nBar, &lo, &hi, &pos) || !lpMinPos || !lpMaxPos) return FALSE;
  *lpMinPos = *lo;
  *lpMaxPos = *hi;
  return TRUE;
}

// Answers the previous position.
int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL) {
  int *lo, *hi, *pos;
  if (!Bar(hWnd, nBar, &lo, &hi, &pos)) return 0;
  int old = *pos;
  *pos = std::clamp(nPos, *lo, std::max(*lo, *hi));
  return old;
}

int GetScrollPos(HWND hWnd, int nBar) {
  int *lo, *hi, *pos;
  return Bar(hWnd, nBar, &lo, &hi, &pos) ? *pos : 0;
}

}  // extern "C"
