// The user's actions and readers (see user.h).
#include <algorithm>

#include "platform/ui/user.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/window_internal.h"

namespace pk::ui {
namespace {

bool Usable(HWND h) { return IsWindowEnabled(h) && Find(h); }

// A person's selection of a line; notifications as the control sends them.
void Choose(HWND h, int index) {
  Window* w = Find(h);
  if (w->kind == kTabControl) {
    // The parent may keep the selected tab; a click on it changes nothing.
    if (index == w->selection) return;
    NMHDR n{h, static_cast<UINT_PTR>(w->id), TCN_SELCHANGING};
    if (SendMessageW(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&n))) return;
    if (!Find(h)) return;
    SendMessageW(h, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    n.code = TCN_SELCHANGE;
    if ((w = Find(h))) SendMessageW(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&n));
    return;
  }
  if (w->kind == kComboBox) {
    bool wasDropped = w->dropped;
    if (!wasDropped) SendMessageW(h, CB_SHOWDROPDOWN, TRUE, 0);
    if (!Find(h)) return;
    SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Notify(h, CBN_SELCHANGE);
    Notify(h, CBN_SELENDOK);
    SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
  } else {
    SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if ((w = Find(h)) && (w->style & LBS_NOTIFY)) Notify(h, LBN_SELCHANGE);
  }
}

}  // namespace

void Click(HWND control) {
  if (!Usable(control)) return;
  Window* w = Find(control);
  if (w->kind == kButton && (w->style & WS_TABSTOP)) SetFocus(control);
  SendMessageW(control, BM_CLICK, 0, 0);
  PumpMessages();
}

void ClickItem(HWND dialog, int id) { Click(GetDlgItem(dialog, id)); }

void Focus(HWND control) {
  if (!Usable(control)) return;
  SetFocus(control);
  PumpMessages();
}

void Type(HWND control, std::u16string_view text) {
  if (!Usable(control)) return;
  SetFocus(control);
  Window* w = Find(control);
  if (!w) return;
  w->selStart = w->selEnd = static_cast<int>(w->text.size());
  for (char16_t c : text) SendMessageW(control, WM_CHAR, c, 1);
  PumpMessages();
}

void Replace(HWND control, std::u16string_view text) {
  if (!Usable(control)) return;
  SetFocus(control);
  Window* w = Find(control);
  if (!w) return;
  w->selStart = 0;
  w->selEnd = static_cast<int>(w->text.size());
  if (text.empty() && w->selEnd > 0) SendMessageW(control, WM_CHAR, VK_BACK, 1);
  for (char16_t c : text) SendMessageW(control, WM_CHAR, c, 1);
  PumpMessages();
}

bool Select(HWND control, int index) {
  Window* w = Find(control);
  if (!w || !Usable(control) || index < 0 || index >= static_cast<int>(w->lines.size())) return false;
  SetFocus(control);
  if (!Find(control)) return false;
  Choose(control, index);
  PumpMessages();
  return true;
}

bool SelectText(HWND control, std::u16string_view text) {
  Window* w = Find(control);
  if (!w) return false;
  for (size_t i = 0; i < w->lines.size(); ++i)
    if (w->lines[i].text == text) return Select(control, static_cast<int>(i));
  return false;
}

void DoubleClick(HWND control) {
  Window* w = Find(control);
  if (!w || !Usable(control)) return;
  if (w->kind == kComboBox) Notify(control, CBN_DBLCLK);
  if (w->kind == kListBox && (w->style & LBS_NOTIFY)) Notify(control, LBN_DBLCLK);
  if (w->kind == kButton) Notify(control, BN_DOUBLECLICKED);
  PumpMessages();
}

void DropDown(HWND combo) {
  if (!Usable(combo)) return;
  SetFocus(combo);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  PumpMessages();
}

void CloseUp(HWND combo) {
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  PumpMessages();
}

// Each press moves by one within the range (staying at an end) and tells
// the parent the position it now holds.
void Spin(HWND updown, int steps) {
  for (int i = 0; i < std::abs(steps); ++i) {
    Window* w = Find(updown);
    if (!w || !Usable(updown)) return;
    int lo = std::min(w->minimum, w->maximum), hi = std::max(w->minimum, w->maximum);
    int direction = (steps > 0) == (w->maximum >= w->minimum) ? 1 : -1;
    SendMessageW(updown, UDM_SETPOS, 0, MAKELPARAM(std::clamp(w->position + direction, lo, hi), 0));
    if (!(w = Find(updown))) return;
    UINT scroll = (w->style & 0x0040) ? WM_HSCROLL : WM_VSCROLL;  // UDS_HORZ
    SendMessageW(w->parent, scroll, MAKEWPARAM(SB_THUMBPOSITION, w->position), reinterpret_cast<LPARAM>(updown));
    if ((w = Find(updown)))
      SendMessageW(w->parent, scroll, MAKEWPARAM(SB_ENDSCROLL, w->position), reinterpret_cast<LPARAM>(updown));
  }
  PumpMessages();
}

void PressKey(HWND list, UINT virtualKey) {
  if (!Usable(list)) return;
  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, virtualKey, 1);
  PumpMessages();
}

std::u16string Text(HWND window) {
  Window* w = Find(window);
  return w ? w->text : u"";
}
int CheckState(HWND button) { return static_cast<int>(SendMessageW(button, BM_GETCHECK, 0, 0)); }
int Selection(HWND control) {
  Window* w = Find(control);
  return w ? w->selection : -1;
}
std::vector<Line> Lines(HWND control) {
  std::vector<Line> out;
  if (Window* w = Find(control))
    for (const auto& l : w->lines) out.push_back({l.text, l.data});
  return out;
}
bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }
bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
std::u16string ClassName(HWND window) {
  Window* w = Find(window);
  return w ? w->className : u"";
}
DWORD Style(HWND window) {
  Window* w = Find(window);
  return w ? w->style : 0;
}

}  // namespace pk::ui
