// Edit controls: typed characters honour the limit, read-only and number-only
// styles; a run of typing is one undo step; the parent hears EN_ notifications.
#include <algorithm>

#include "platform/ui/win_controls.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"

namespace pk::ui {
namespace {

constexpr int kDefaultLimit = 0x7FFE;

void Changed(HWND h) {
  Notify(h, EN_UPDATE);
  Notify(h, EN_CHANGE);
}

}  // namespace

// One typed character into an edit or a combo's edit part; false when refused.
bool TypeCharacter(Window* w, WCHAR ch, bool numberOnly, int limit) {
  size_t len = w->text.size();
  size_t a = std::min(static_cast<size_t>(std::max(0, std::min(w->selStart, w->selEnd))), len);
  size_t b = std::min(static_cast<size_t>(std::max(w->selStart, w->selEnd)), len);
  if (b < a) b = a;
  std::u16string next = w->text;
  if (ch == VK_BACK) {
    if (a == b && a > 0) --a;
    if (a == b) return false;
    next.erase(a, b - a);
  } else {
    if (numberOnly && (ch < '0' || ch > '9')) return false;
    if (len - (b - a) + 1 > static_cast<size_t>(limit)) return false;
    next.replace(a, b - a, 1, ch);
    ++a;
  }
  if (!w->typingRun) {
    w->undoText = w->text;
    w->canUndo = true;
    w->typingRun = true;
  }
  w->text = std::move(next);
  w->selStart = w->selEnd = static_cast<int>(a);
  return true;
}

LRESULT EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  int limit = w->limit > 0 ? w->limit : kDefaultLimit;
  switch (msg) {
    case WM_CHAR:
      if (w->style & ES_READONLY) return 0;
      if (!TypeCharacter(w, static_cast<WCHAR>(wp), (w->style & ES_NUMBER) != 0, limit)) {
        if (wp != VK_BACK && !((w->style & ES_NUMBER) && (wp < '0' || wp > '9'))) Notify(h, EN_MAXTEXT);
        return 0;
      }
      Changed(h);
      return 0;
    case WM_SETTEXT:
      DefWindowProcW(h, msg, wp, lp);
      if ((w = Find(h))) {
        w->canUndo = w->typingRun = false;
        w->selStart = w->selEnd = static_cast<int>(w->text.size());
      }
      Changed(h);
      return TRUE;
    case EM_LIMITTEXT: w->limit = wp ? static_cast<int>(std::min<WPARAM>(wp, 0x7FFFFFFE)) : kDefaultLimit; return 0;
    case EM_GETLIMITTEXT: return limit;
    case EM_SETREADONLY:
      if (wp) w->style |= ES_READONLY;
      else w->style &= ~static_cast<DWORD>(ES_READONLY);
      return TRUE;
    case EM_SETPASSWORDCHAR:
      w->password = static_cast<WCHAR>(wp);
      if (wp) w->style |= ES_PASSWORD;
      else w->style &= ~static_cast<DWORD>(ES_PASSWORD);
      return 0;
    case EM_GETPASSWORDCHAR: return w->password;
    case EM_CANUNDO: return w->canUndo ? TRUE : FALSE;
    case EM_UNDO:
      if (!w->canUndo) return FALSE;
      std::swap(w->text, w->undoText);
      w->typingRun = false;
      w->selStart = w->selEnd = static_cast<int>(w->text.size());
      Changed(h);
      return TRUE;
    case EM_EMPTYUNDOBUFFER:
      w->canUndo = w->typingRun = false;
      w->undoText.clear();
      return 0;
    case EM_SETSEL: {
      int len = static_cast<int>(w->text.size());
      int a = static_cast<int>(static_cast<LONG>(wp)), b = static_cast<int>(static_cast<LONG>(lp));
      if (a < 0) {
        w->selStart = w->selEnd = len;  // a start of -1 removes the selection
        return 0;
      }
      if (b < 0 || b > len) b = len;
      w->selStart = std::min(a, len);
      w->selEnd = b;
      w->typingRun = false;
      return 0;
    }
    case EM_GETSEL:
      if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(w->selStart);
      if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(w->selEnd);
      return MAKELONG(w->selStart, w->selEnd);
    case WM_SETFOCUS: Notify(h, EN_SETFOCUS); return 0;
    case WM_KILLFOCUS:
      w->typingRun = false;
      Notify(h, EN_KILLFOCUS);
      return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace pk::ui
