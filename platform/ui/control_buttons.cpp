// Buttons (push, check box, radio) and statics, and the table of control
// classes.
#include <algorithm>

#include "platform/ui/win_controls.h"
#include "platform/ui/window_internal.h"

namespace pk::ui {
namespace {

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i];
    char16_t y = b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

// The radio buttons of a button's group: from the nearest WS_GROUP at or
// before it to the next WS_GROUP.
std::vector<HWND> Group(HWND button) {
  Window* w = Find(button);
  Window* p = w ? Find(w->parent) : nullptr;
  if (!p) return {button};
  auto& c = p->children;
  auto at = std::find(c.begin(), c.end(), button);
  auto first = at;
  while (first != c.begin() && !(Find(*first)->style & WS_GROUP)) --first;
  std::vector<HWND> group;
  for (auto it = first; it != c.end(); ++it) {
    if (it != first && (Find(*it)->style & WS_GROUP)) break;
    Window* b = Find(*it);
    if (b->kind == kButton &&
        ((b->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON || (b->style & BS_TYPEMASK) == BS_RADIOBUTTON))
      group.push_back(*it);
  }
  return group;
}

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  DWORD type = w->style & BS_TYPEMASK;
  switch (msg) {
    case BM_GETCHECK: return w->check;
    case BM_SETCHECK: w->check = static_cast<int>(wp) & 3; return 0;
    case BM_GETSTATE: return w->check;
    case BM_CLICK:
      if (!IsWindowEnabled(h)) return 0;
      if (type == BS_AUTOCHECKBOX) w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      if (type == BS_AUTO3STATE) w->check = (w->check + 1) % 3;
      if (type == BS_AUTORADIOBUTTON) {
        for (HWND b : Group(h)) Find(b)->check = b == h ? BST_CHECKED : BST_UNCHECKED;
      }
      Notify(h, BN_CLICKED);
      return 0;
    case WM_SETFOCUS: return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

LRESULT StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  switch (msg) {
    case STM_SETICON: {
      HICON old = w->icon;
      w->icon = reinterpret_cast<HICON>(wp);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: return reinterpret_cast<LRESULT>(w->icon);
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

LRESULT EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT ComboProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT UpDownProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT TrackBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT ToolTipProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT TreeViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT TabProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

int KindOfClass(std::u16string_view name) {
  static const struct {
    const char16_t* name;
    int kind;
  } kClasses[] = {
      {u"#32770", kDialog},          {u"Button", kButton},
      {u"Static", kStatic},          {u"Edit", kEdit},
      {u"ComboBox", kComboBox},      {u"ListBox", kListBox},
      {u"msctls_updown32", kUpDown}, {u"msctls_trackbar32", kTrackBar},
      {u"ScrollBar", kScrollBar},    {u"tooltips_class32", kToolTip},
      {u"SysTreeView32", kTreeView}, {u"SysTabControl32", kTabControl},
  };
  for (const auto& c : kClasses)
    if (SameName(name, c.name)) return c.kind;
  return kGeneric;
}

WNDPROC ClassProc(int kind) {
  switch (kind) {
    case kButton: return &ButtonProc;
    case kStatic: return &StaticProc;
    case kEdit: return &EditProc;
    case kComboBox: return &ComboProc;
    case kListBox: return &ListProc;
    case kUpDown: return &UpDownProc;
    case kTrackBar: return &TrackBarProc;
    case kToolTip: return &ToolTipProc;
    case kTreeView: return &TreeViewProc;
    case kTabControl: return &TabProc;
    default: return nullptr;
  }
}

}  // namespace pk::ui
