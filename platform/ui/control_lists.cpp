// List boxes and combo boxes: lines with item data, sorted or in order,
// owner-drawn with or without strings; every line at most kPkMaxListLine
// units, so the size-less LB_GETTEXT and CB_GETLBTEXT stay inside a buffer of
// the length answer + 1.
#include <algorithm>
#include <cstring>

#include "platform/ui/win_controls.h"
#include "platform/ui/win_paint.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"

namespace pk::ui {

bool TypeCharacter(Window* w, WCHAR ch, bool numberOnly, int limit);

namespace {

char16_t Fold(char16_t c) { return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c; }

int Compare(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (Fold(a[i]) != Fold(b[i])) return Fold(a[i]) < Fold(b[i]) ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool StartsWith(const std::u16string& line, const std::u16string& prefix, bool exact) {
  if (exact ? line.size() != prefix.size() : line.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Fold(line[i]) != Fold(prefix[i])) return false;
  return true;
}

// What a list keeps of one line: the text, or for owner-drawn lines without
// strings the value as item data.
bool HasStrings(const Window* w, bool combo) {
  DWORD ownerDraw = combo ? (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE) : (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE);
  DWORD hasStrings = combo ? CBS_HASSTRINGS : LBS_HASSTRINGS;
  return !(w->style & ownerDraw) || (w->style & hasStrings);
}

ListLine MakeLine(const Window* w, bool combo, LPARAM lp) {
  ListLine line;
  if (HasStrings(w, combo)) line.text = ListText(reinterpret_cast<LPCWSTR>(lp));
  else line.data = lp;
  return line;
}

int Insert(Window* w, bool combo, int at, LPARAM lp) {
  ListLine line = MakeLine(w, combo, lp);
  int count = static_cast<int>(w->lines.size());
  if (at < 0 || at > count) {
    bool sorted = (w->style & (combo ? CBS_SORT : LBS_SORT)) && HasStrings(w, combo);
    at = count;
    if (sorted && at == count)
      at = static_cast<int>(
          std::upper_bound(w->lines.begin(), w->lines.end(), line,
                           [](const ListLine& a, const ListLine& b) { return Compare(a.text, b.text) < 0; }) -
          w->lines.begin());
  }
  w->lines.insert(w->lines.begin() + at, std::move(line));
  if (w->selection >= at) ++w->selection;
  if (w->style & (combo ? CBS_OWNERDRAWVARIABLE : LBS_OWNERDRAWVARIABLE)) {
    // A line of its own height: the owner measures it.
    MEASUREITEMSTRUCT m{static_cast<UINT>(combo ? ODT_COMBOBOX : ODT_LISTBOX),
                        static_cast<UINT>(w->id),
                        static_cast<UINT>(at),
                        0,
                        16,
                        static_cast<ULONG_PTR>(w->lines[at].data)};
    SendMessageW(w->parent, WM_MEASUREITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&m));
  }
  return at;
}

int FindLine(const Window* w, WPARAM start, LPARAM lp, bool exact) {
  if (!lp) return -1;
  std::u16string text = ListText(reinterpret_cast<LPCWSTR>(lp));
  int count = static_cast<int>(w->lines.size());
  int from = static_cast<int>(static_cast<LONG>(start));
  if (from < -1 || from >= count) from = -1;
  for (int k = 1; k <= count; ++k) {
    int i = (from + k) % count;
    if (StartsWith(w->lines[i].text, text, exact)) return i;
  }
  return -1;
}

LRESULT GetLine(const Window* w, WPARAM index, LPARAM lp, bool combo) {
  if (index >= w->lines.size()) return -1;
  const ListLine& line = w->lines[index];
  if (!HasStrings(w, combo)) {
    if (lp) std::memcpy(reinterpret_cast<void*>(lp), &line.data, sizeof line.data);
    return sizeof line.data / sizeof(WCHAR);
  }
  if (lp) {
    auto* buf = reinterpret_cast<LPWSTR>(lp);
    std::memcpy(buf, line.text.data(), line.text.size() * sizeof(WCHAR));
    buf[line.text.size()] = 0;
  }
  return static_cast<LRESULT>(line.text.size());
}

// Messages both kinds answer the same way, with the list's numbers.
bool CommonList(Window* w, bool combo, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  switch (msg) {
    case LB_ADDSTRING: *result = Insert(w, combo, -1, lp); return true;
    case LB_INSERTSTRING: {
      int at = static_cast<int>(static_cast<LONG>(wp));
      *result = at > static_cast<int>(w->lines.size())
                    ? -1
                    : Insert(w, combo, at < 0 ? static_cast<int>(w->lines.size()) : at, lp);
      return true;
    }
    case LB_DELETESTRING:
      if (wp >= w->lines.size()) {
        *result = -1;
        return true;
      }
      w->lines.erase(w->lines.begin() + static_cast<long>(wp));
      if (w->selection == static_cast<int>(wp)) w->selection = -1;
      else if (w->selection > static_cast<int>(wp)) --w->selection;
      *result = static_cast<LRESULT>(w->lines.size());
      return true;
    case LB_RESETCONTENT:
      w->lines.clear();
      w->selection = -1;
      w->topIndex = 0;
      *result = 0;
      return true;
    case LB_GETCOUNT: *result = static_cast<LRESULT>(w->lines.size()); return true;
    case LB_GETCURSEL: *result = w->selection; return true;
    case LB_GETTEXT: *result = GetLine(w, wp, lp, combo); return true;
    case LB_GETTEXTLEN:
      *result = wp >= w->lines.size()  ? -1
                : HasStrings(w, combo) ? static_cast<LRESULT>(w->lines[wp].text.size())
                                       : static_cast<LRESULT>(sizeof(LONG_PTR) / sizeof(WCHAR));
      return true;
    case LB_GETITEMDATA: *result = wp < w->lines.size() ? w->lines[wp].data : -1; return true;
    case LB_SETITEMDATA:
      if (wp >= w->lines.size()) {
        *result = -1;
        return true;
      }
      w->lines[wp].data = lp;
      *result = 0;
      return true;
    case LB_FINDSTRING: *result = FindLine(w, wp, lp, false); return true;
    case LB_FINDSTRINGEXACT: *result = FindLine(w, wp, lp, true); return true;
    default: return false;
  }
}

// The combo's message as the list's number.
UINT ComboToList(UINT msg) {
  switch (msg) {
    case CB_ADDSTRING: return LB_ADDSTRING;
    case CB_INSERTSTRING: return LB_INSERTSTRING;
    case CB_DELETESTRING: return LB_DELETESTRING;
    case CB_RESETCONTENT: return LB_RESETCONTENT;
    case CB_GETCOUNT: return LB_GETCOUNT;
    case CB_GETCURSEL: return LB_GETCURSEL;
    case CB_GETLBTEXT: return LB_GETTEXT;
    case CB_GETLBTEXTLEN: return LB_GETTEXTLEN;
    case CB_GETITEMDATA: return LB_GETITEMDATA;
    case CB_SETITEMDATA: return LB_SETITEMDATA;
    case CB_FINDSTRING: return LB_FINDSTRING;
    case CB_FINDSTRINGEXACT: return LB_FINDSTRINGEXACT;
    default: return 0;
  }
}

void ShowSelection(Window* w) {
  if (w->selection >= 0 && w->selection < static_cast<int>(w->lines.size())) w->text = w->lines[w->selection].text;
  else if ((w->style & 3) == CBS_DROPDOWNLIST) w->text.clear();
}

}  // namespace

LRESULT ComboProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  LRESULT result = 0;
  if (UINT lb = ComboToList(msg); lb && CommonList(w, true, lb, wp, lp, &result)) {
    if (msg == CB_DELETESTRING || msg == CB_RESETCONTENT) ShowSelection(w);
    return result;
  }
  bool editPart = (w->style & 3) != CBS_DROPDOWNLIST;
  switch (msg) {
    case CB_SETCURSEL: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      w->selection = i >= 0 && i < static_cast<int>(w->lines.size()) ? i : -1;
      ShowSelection(w);
      return i >= 0 && w->selection == i ? i : CB_ERR;
    }
    case CB_SELECTSTRING: {
      int i = FindLine(w, wp, lp, false);
      if (i < 0) return CB_ERR;
      w->selection = i;
      ShowSelection(w);
      return i;
    }
    case CB_LIMITTEXT: w->limit = wp ? static_cast<int>(std::min<WPARAM>(wp, 0x7FFFFFFE)) : 0; return TRUE;
    case CB_SHOWDROPDOWN:
      if ((wp != 0) != w->dropped) {
        w->dropped = wp != 0;
        Notify(h, w->dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE: return w->dropped ? TRUE : FALSE;
    case CB_SETITEMHEIGHT:
    case CB_SETDROPPEDWIDTH: return 0;
    case CB_GETITEMHEIGHT: return 16;
    case CB_SETEDITSEL:
      w->selStart = static_cast<SHORT>(LOWORD(lp));
      w->selEnd = static_cast<SHORT>(HIWORD(lp));
      if (w->selStart < 0) w->selStart = w->selEnd = static_cast<int>(w->text.size());
      if (w->selEnd < 0) w->selEnd = static_cast<int>(w->text.size());
      return editPart ? TRUE : CB_ERR;
    case WM_CHAR:
      if (!editPart) return 0;
      if (TypeCharacter(w, static_cast<WCHAR>(wp), false, w->limit > 0 ? w->limit : 0x7FFFFFFE)) {
        w->selection = -1;
        Notify(h, CBN_EDITUPDATE);
        Notify(h, CBN_EDITCHANGE);
      }
      return 0;
    case WM_SETTEXT:
      if (!editPart) {
        int i = FindLine(w, static_cast<WPARAM>(-1), lp, true);
        if (i < 0) return CB_ERR;
        w->selection = i;
        ShowSelection(w);
        return TRUE;
      }
      DefWindowProcW(h, msg, wp, lp);
      if ((w = Find(h))) w->selStart = w->selEnd = static_cast<int>(w->text.size());
      return TRUE;
    case WM_PAINT: return DefaultPaint(h);
    case WM_SETFOCUS: Notify(h, CBN_SETFOCUS); return 0;
    case WM_KILLFOCUS:
      w->typingRun = false;
      if (w->dropped) {
        w->dropped = false;
        Notify(h, CBN_CLOSEUP);
      }
      Notify(h, CBN_KILLFOCUS);
      return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

LRESULT ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  LRESULT result = 0;
  if (CommonList(w, false, msg, wp, lp, &result)) return result;
  int count = static_cast<int>(w->lines.size());
  switch (msg) {
    case LB_SETCURSEL: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      w->selection = i >= 0 && i < count ? i : -1;
      return i >= 0 && w->selection == i ? i : LB_ERR;
    }
    case LB_GETSEL: return wp < static_cast<WPARAM>(count) ? (static_cast<int>(wp) == w->selection ? 1 : 0) : LB_ERR;
    case LB_SELECTSTRING: {
      int i = FindLine(w, wp, lp, false);
      if (i >= 0) w->selection = i;
      return i;
    }
    case LB_SETTABSTOPS:
      w->tabStops.clear();
      for (WPARAM i = 0; lp && i < wp; ++i) w->tabStops.push_back(reinterpret_cast<const INT*>(lp)[i]);
      return (w->style & LBS_USETABSTOPS) ? TRUE : FALSE;
    case LB_GETTOPINDEX: return w->topIndex;
    case LB_SETTOPINDEX:
      if (static_cast<int>(wp) >= count && count > 0) return LB_ERR;
      w->topIndex = static_cast<int>(wp);
      return 0;
    case LB_SETITEMHEIGHT: return 0;
    case LB_GETITEMHEIGHT: return 16;
    case LB_GETITEMRECT: {
      if (wp >= static_cast<WPARAM>(count) || !lp) return LB_ERR;
      RECT client;
      GetClientRect(h, &client);
      LONG top = (static_cast<LONG>(wp) - w->topIndex) * 16;
      *reinterpret_cast<RECT*>(lp) = {0, top, client.right, top + 16};
      return 0;
    }
    case WM_KEYDOWN: {
      // A list that asks for keys lets its owner answer first: -2 handled,
      // -1 the list's own move, an index the line to go to.
      int target = -1;
      if (w->style & LBS_WANTKEYBOARDINPUT) {
        LRESULT answer = SendMessageW(w->parent, WM_VKEYTOITEM, MAKEWPARAM(wp, std::max(w->selection, 0)),
                                      reinterpret_cast<LPARAM>(h));
        if (!(w = Find(h))) return 0;
        if (answer == -2) return 0;
        if (answer >= 0) target = static_cast<int>(answer);
      }
      if (count == 0) return 0;
      if (target < 0) {
        int cur = w->selection;
        switch (wp) {
          case VK_UP: target = std::max(cur - 1, 0); break;
          case VK_DOWN: target = std::min(cur + 1, count - 1); break;
          case VK_HOME: target = 0; break;
          case VK_END: target = count - 1; break;
          case VK_PRIOR: target = std::max(cur - 8, 0); break;
          case VK_NEXT: target = std::min(std::max(cur, 0) + 8, count - 1); break;
          default: return 0;
        }
      }
      if (target >= count || target == w->selection) return 0;
      w->selection = target;
      if (w->style & LBS_NOTIFY) Notify(h, LBN_SELCHANGE);
      return 0;
    }
    case WM_PAINT: return DefaultPaint(h);
    case WM_SETFOCUS: Notify(h, LBN_SETFOCUS); return 0;
    case WM_KILLFOCUS: Notify(h, LBN_KILLFOCUS); return 0;
    case WM_SETTEXT: return TRUE;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

LRESULT UpDownProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  auto show = [&] {
    if ((w->style & UDS_SETBUDDYINT) && Find(w->buddy)) {
      std::u16string digits;
      for (char c : std::to_string(w->position)) digits += static_cast<char16_t>(c);
      SetWindowTextW(w->buddy, digits.c_str());
    }
  };
  switch (msg) {
    case UDM_SETRANGE:
      w->maximum = static_cast<SHORT>(LOWORD(lp));
      w->minimum = static_cast<SHORT>(HIWORD(lp));
      return 0;
    case UDM_GETRANGE: return MAKELONG(w->maximum, w->minimum);
    case UDM_SETPOS: {
      int old = w->position;
      int lo = std::min(w->minimum, w->maximum), hi = std::max(w->minimum, w->maximum);
      w->position = std::clamp<int>(static_cast<SHORT>(LOWORD(lp)), lo, hi);
      show();
      return old;
    }
    case UDM_GETPOS: return MAKELONG(w->position, 0);
    case UDM_SETBUDDY: {
      HWND old = w->buddy;
      w->buddy = reinterpret_cast<HWND>(wp);
      show();
      return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(w->buddy);
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace pk::ui
