// The look of the standard controls: faces in COLOR_BTNFACE, fields in
// COLOR_WINDOW with a grey frame, text in the 8-point dialog font, selections
// in COLOR_HIGHLIGHT, and a disabled control's text in COLOR_GRAYTEXT. Lines
// of lists and trees are 16 pixels high. Everything is drawn through the
// screen GDI calls, so the pixels are what those calls give.
#include "platform/ui/control_paint.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/win_paint.h"
#include "platform/ui/window_internal.h"
#include "platform/win/win_muldiv.h"

namespace pk::ui {
namespace {

constexpr int kLine = 16;  // list and tree lines
constexpr int kBox = 13;   // check and radio boxes
constexpr COLORREF kFrame = RGB(128, 128, 128);

COLORREF Sys(int index) { return GetSysColor(index) & 0xFFFFFF; }

void Solid(HDC dc, const RECT& r, COLORREF c) {
  if (r.left >= r.right || r.top >= r.bottom) return;
  HBRUSH b = CreateSolidBrush(c);
  pk::gdi::FillWithBrush(dc, r, b);
  DeleteObject(b);
}

void Frame(HDC dc, const RECT& r, COLORREF c) {
  Solid(dc, RECT{r.left, r.top, r.right, r.top + 1}, c);
  Solid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, c);
  Solid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, c);
  Solid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, c);
}

// Points of one colour (marks and arrows).
void Points(HDC dc, const std::vector<POINT>& points, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  HGDIOBJ old = SelectObject(dc, b);
  for (const POINT& p : points) PatBlt(dc, p.x, p.y, 1, 1, PATCOPY);
  SelectObject(dc, old);
  DeleteObject(b);
}

// A triangle pointing down (or up) with its top-left corner at (x, y).
void Arrow(HDC dc, LONG x, LONG y, bool up, COLORREF c) {
  std::vector<POINT> pts;
  for (int row = 0; row < 4; ++row)
    for (int i = row; i < 7 - row; ++i) pts.push_back(POINT{x + i, y + (up ? 3 - row : row)});
  Points(dc, pts, c);
}

// The dialog font, selected for the painter's life.
class DialogFont {
 public:
  explicit DialogFont(HDC dc) : dc_(dc) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    lf.lfWeight = FW_NORMAL;
    const char16_t face[] = u"MS Shell Dlg";
    std::copy(face, face + sizeof(face) / 2, lf.lfFaceName);
    font_ = CreateFontIndirectW(&lf);
    old_ = font_ ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
  }
  ~DialogFont() {
    if (old_) SelectObject(dc_, old_);
    if (font_) DeleteObject(font_);
  }
  DialogFont(const DialogFont&) = delete;
  DialogFont& operator=(const DialogFont&) = delete;

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

void Text(HDC dc, const std::u16string& text, RECT r, UINT format, COLORREF colour) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
}

COLORREF TextColour(const Window* w) { return (w->style & WS_DISABLED) ? Sys(COLOR_GRAYTEXT) : Sys(COLOR_BTNTEXT); }

int FieldHeight(HDC dc) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return tm.tmHeight + 6;
}

// Sends WM_DRAWITEM to the owner with a DC on the control's bitmap.
void OwnerDraw(HWND h, HDC dc, UINT type, int item, UINT state, const RECT& r, ULONG_PTR data) {
  Window* w = Find(h);
  if (!w || !w->parent) return;
  DRAWITEMSTRUCT d{type, UINT(w->id), UINT(item), ODA_DRAWENTIRE, state, h, dc, r, data};
  if (w->style & WS_DISABLED) d.itemState |= ODS_DISABLED;
  const int saved = SaveDC(dc);
  SendMessageW(w->parent, WM_DRAWITEM, WPARAM(w->id), reinterpret_cast<LPARAM>(&d));
  RestoreDC(dc, saved);
}

void PaintButton(Window* w, HDC dc, const RECT& c) {
  const DWORD type = w->style & BS_TYPEMASK;
  if (type == BS_OWNERDRAW) {
    OwnerDraw(w->handle, dc, ODT_BUTTON, 0, w->check ? ODS_SELECTED : 0, c, 0);
    return;
  }
  const COLORREF ink = TextColour(w);
  if (type == BS_GROUPBOX) {
    // A frame from the middle of the text line; the inside stays as it is.
    const int half = FieldHeight(dc) / 2 - 3;
    Frame(dc, RECT{c.left, c.top + half, c.right, c.bottom}, kFrame);
    SIZE size{};
    GetTextExtentPoint32W(dc, w->text.c_str(), int(w->text.size()), &size);
    if (!w->text.empty()) {
      RECT label{8, 0, std::min<LONG>(8 + size.cx + 4, c.right), 2 * half + 2};
      Solid(dc, label, Sys(COLOR_BTNFACE));
      Text(dc, w->text, RECT{10, 0, c.right, label.bottom}, DT_LEFT | DT_SINGLELINE, ink);
    }
    return;
  }
  Solid(dc, c, Sys(COLOR_BTNFACE));
  const bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
  const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  if (!check && !radio) {
    Frame(dc, c, type == BS_DEFPUSHBUTTON ? RGB(0, 0, 0) : kFrame);
    Text(dc, w->text, c, DT_CENTER | DT_VCENTER | DT_SINGLELINE, ink);
    return;
  }
  const LONG top = (c.bottom - kBox) / 2;
  const RECT box{0, top, kBox, top + kBox};
  const COLORREF mark = (w->style & WS_DISABLED) ? Sys(COLOR_GRAYTEXT) : Sys(COLOR_WINDOWTEXT);
  if (check) {
    Solid(dc, box, (w->style & WS_DISABLED) ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW));
    Frame(dc, box, kFrame);
    if (w->check == BST_CHECKED) {
      // A tick two pixels thick.
      std::vector<POINT> tick;
      const POINT path[] = {{3, 6}, {4, 7}, {5, 8}, {6, 7}, {7, 6}, {8, 5}, {9, 4}};
      for (const POINT& p : path) {
        tick.push_back(POINT{p.x, top + p.y});
        tick.push_back(POINT{p.x, top + p.y + 1});
      }
      Points(dc, tick, mark);
    } else if (w->check == BST_INDETERMINATE) {
      Solid(dc, RECT{3, top + 3, kBox - 3, top + kBox - 3}, Sys(COLOR_GRAYTEXT));
    }
  } else {
    // A round box: rows of the circle's span.
    const int spans[kBox][2] = {{4, 9},  {2, 11}, {1, 12}, {1, 12}, {0, 13}, {0, 13}, {0, 13},
                                {0, 13}, {0, 13}, {1, 12}, {1, 12}, {2, 11}, {4, 9}};
    for (int y = 0; y < kBox; ++y) {
      Solid(dc, RECT{spans[y][0], top + y, spans[y][1], top + y + 1}, kFrame);
      if (y > 0 && y < kBox - 1)
        Solid(dc, RECT{spans[y][0] + 1, top + y, spans[y][1] - 1, top + y + 1}, Sys(COLOR_WINDOW));
    }
    if (w->check == BST_CHECKED) Solid(dc, RECT{4, top + 4, 9, top + 9}, mark);
  }
  Text(dc, w->text, RECT{kBox + 4, c.top, c.right, c.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE, ink);
}

void PaintStatic(Window* w, HDC dc, const RECT& c) {
  const DWORD type = w->style & 0x1F;
  if (type == SS_OWNERDRAW) {
    OwnerDraw(w->handle, dc, ODT_STATIC, 0, 0, c, 0);
    return;
  }
  Solid(dc, c, Sys(COLOR_BTNFACE));
  if (type == SS_ICON) {
    if (w->icon) DrawIcon(dc, 0, 0, w->icon);
    return;
  }
  const UINT align = type == 1 ? DT_CENTER : type == 2 ? DT_RIGHT : DT_LEFT;
  Text(dc, w->text, c, align | DT_WORDBREAK, TextColour(w));
}

void PaintEdit(Window* w, HDC dc, const RECT& c) {
  const bool grey = (w->style & WS_DISABLED) || (w->style & ES_READONLY);
  Solid(dc, c, grey ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW));
  Frame(dc, c, kFrame);
  std::u16string shown = w->text;
  if (w->style & ES_PASSWORD) shown.assign(w->text.size(), u'*');
  const RECT inside{c.left + 3, c.top + 2, c.right - 3, c.bottom - 2};
  const UINT format =
      (w->style & ES_MULTILINE) ? (DT_WORDBREAK | DT_NOPREFIX) : (DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  Text(dc, shown, inside, format, (w->style & WS_DISABLED) ? Sys(COLOR_GRAYTEXT) : Sys(COLOR_WINDOWTEXT));
}

bool ComboOwnerDrawn(const Window* w) { return (w->style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
bool ListOwnerDrawn(const Window* w) { return (w->style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }

// One line of a list: tab stops in dialog units (every 32 by default).
void PaintLine(Window* w, HDC dc, const std::u16string& text, const RECT& r, bool selected, bool tabs) {
  if (selected) Solid(dc, r, Sys(COLOR_HIGHLIGHT));
  const COLORREF ink = selected                   ? Sys(COLOR_HIGHLIGHTTEXT)
                       : (w->style & WS_DISABLED) ? Sys(COLOR_GRAYTEXT)
                                                  : Sys(COLOR_WINDOWTEXT);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int unit = std::max<LONG>(1, tm.tmAveCharWidth);  // pixels per 4 dialog units
  size_t from = 0;
  int stop = 0;
  LONG x = r.left + 2;
  while (true) {
    const size_t tab = tabs ? text.find(u'\t', from) : std::u16string::npos;
    const std::u16string part = text.substr(from, tab == std::u16string::npos ? std::u16string::npos : tab - from);
    Text(dc, part, RECT{x, r.top, r.right, r.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, ink);
    if (tab == std::u16string::npos) break;
    SIZE size{};
    GetTextExtentPoint32W(dc, part.c_str(), int(part.size()), &size);
    const LONG end = x + size.cx;
    // The next stop past the text.
    do {
      const int units = stop < int(w->tabStops.size()) ? w->tabStops[stop] : (stop + 1) * 32;
      x = r.left + 2 + units * unit / 4;
      ++stop;
    } while (x <= end && stop < 1000);
    from = tab + 1;
  }
}

void PaintList(Window* w, HDC dc, const RECT& c) {
  const HWND h = w->handle;
  Solid(dc, c, Sys(COLOR_WINDOW));
  const bool owner = ListOwnerDrawn(w);
  for (int i = std::max(0, w->topIndex); i < int(w->lines.size()); ++i) {
    if (!(w = Find(h))) return;
    if (i >= int(w->lines.size())) break;
    const LONG top = (i - w->topIndex) * kLine;
    if (top >= c.bottom) break;
    const RECT r{0, top, c.right, top + kLine};
    if (owner) OwnerDraw(h, dc, ODT_LISTBOX, i, i == w->selection ? ODS_SELECTED : 0, r, ULONG_PTR(w->lines[i].data));
    else PaintLine(w, dc, w->lines[i].text, r, i == w->selection, (w->style & LBS_USETABSTOPS) != 0);
  }
  if ((w = Find(h))) Frame(dc, c, kFrame);
}

void PaintCombo(Window* w, HDC dc, const RECT& c) {
  const HWND h = w->handle;
  const LONG field = std::min<LONG>(c.bottom, FieldHeight(dc));
  const LONG arrow = std::min<LONG>(c.right, GetSystemMetrics(SM_CXVSCROLL));
  Solid(dc, RECT{0, 0, c.right, field}, (w->style & WS_DISABLED) ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW));
  const RECT edit{1, 1, c.right - arrow, field - 1};
  const bool owner = ComboOwnerDrawn(w);
  const int sel = w->selection;
  if (owner) {
    const ULONG_PTR data = sel >= 0 && sel < int(w->lines.size()) ? ULONG_PTR(w->lines[sel].data) : 0;
    OwnerDraw(h, dc, ODT_COMBOBOX, sel, ODS_COMBOBOXEDIT, edit, data);
  } else {
    const std::u16string shown =
        (w->style & 3) == CBS_DROPDOWNLIST && sel >= 0 && sel < int(w->lines.size()) ? w->lines[sel].text : w->text;
    Text(dc, shown, RECT{edit.left + 2, edit.top, edit.right, edit.bottom},
         DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, TextColour(w));
  }
  if (!(w = Find(h))) return;
  Frame(dc, RECT{0, 0, c.right, field}, kFrame);
  const RECT button{c.right - arrow, 1, c.right - 1, field - 1};
  Solid(dc, button, Sys(COLOR_BTNFACE));
  Arrow(dc, button.left + (button.right - button.left - 7) / 2, (field - 4) / 2, false, TextColour(w));
  if (!w->dropped) return;
  // The open list below the field.
  const RECT list{0, field, c.right, c.bottom};
  Solid(dc, list, Sys(COLOR_WINDOW));
  for (int i = 0; i < int(w->lines.size()); ++i) {
    if (!(w = Find(h))) return;
    if (i >= int(w->lines.size())) break;
    const LONG top = field + i * kLine;
    if (top >= c.bottom) break;
    const RECT r{1, top, c.right - 1, top + kLine};
    if (owner) OwnerDraw(h, dc, ODT_COMBOBOX, i, i == w->selection ? ODS_SELECTED : 0, r, ULONG_PTR(w->lines[i].data));
    else PaintLine(w, dc, w->lines[i].text, r, i == w->selection, false);
  }
  if ((w = Find(h))) Frame(dc, list, kFrame);
}

// The thumb's offset along a track of `length` pixels.
LONG ThumbAt(int minimum, int maximum, int position, LONG length) {
  if (maximum <= minimum || length <= 0) return 0;
  const int64_t p = std::clamp(position, minimum, maximum) - int64_t(minimum);
  return LONG(p * length / (int64_t(maximum) - minimum));
}

void PaintTrackBar(Window* w, HDC dc, const RECT& c) {
  Solid(dc, c, Sys(COLOR_BTNFACE));
  const bool vertical = (w->style & TBS_VERT) != 0;
  const LONG along = vertical ? c.bottom : c.right, across = vertical ? c.right : c.bottom;
  const LONG margin = 8, thumb = 10;
  const LONG mid = across / 2;
  const LONG at = margin + ThumbAt(w->minimum, w->maximum, w->position, along - 2 * margin) - thumb / 2;
  if (vertical) {
    Solid(dc, RECT{mid - 2, margin, mid + 2, c.bottom - margin}, kFrame);
    Solid(dc, RECT{mid - 8, at, mid + 8, at + thumb}, Sys(COLOR_HIGHLIGHT));
  } else {
    Solid(dc, RECT{margin, mid - 2, c.right - margin, mid + 2}, kFrame);
    Solid(dc, RECT{at, mid - 8, at + thumb, mid + 8}, Sys(COLOR_HIGHLIGHT));
  }
}

void PaintScrollBar(Window* w, HDC dc, const RECT& c) {
  Solid(dc, c, Sys(COLOR_BTNFACE));
  Frame(dc, c, kFrame);
  const bool vertical = (w->style & 1) != 0;  // SBS_VERT
  const LONG along = vertical ? c.bottom : c.right, across = vertical ? c.right : c.bottom;
  const LONG end = std::min<LONG>(across, along / 3);
  const LONG thumb = std::max<LONG>(6, end);
  const LONG at = end + ThumbAt(w->minimum, w->maximum, w->position, along - 2 * end - thumb);
  if (vertical) {
    Arrow(dc, (across - 7) / 2, (end - 4) / 2, true, TextColour(w));
    Arrow(dc, (across - 7) / 2, along - end + (end - 4) / 2, false, TextColour(w));
    Solid(dc, RECT{1, at, across - 1, at + thumb}, kFrame);
  } else {
    Arrow(dc, (end - 7) / 2, (across - 4) / 2, false, TextColour(w));
    Arrow(dc, along - end + (end - 7) / 2, (across - 4) / 2, false, TextColour(w));
    Solid(dc, RECT{at, 1, at + thumb, across - 1}, kFrame);
  }
}

void PaintUpDown(Window* w, HDC dc, const RECT& c) {
  Solid(dc, c, Sys(COLOR_BTNFACE));
  const LONG half = c.bottom / 2;
  Frame(dc, RECT{0, 0, c.right, half}, kFrame);
  Frame(dc, RECT{0, half, c.right, c.bottom}, kFrame);
  Arrow(dc, (c.right - 7) / 2, (half - 4) / 2, true, TextColour(w));
  Arrow(dc, (c.right - 7) / 2, half + (c.bottom - half - 4) / 2, false, TextColour(w));
}

void PaintTree(Window* w, HDC dc, const RECT& c) {
  Solid(dc, c, Sys(COLOR_WINDOW));
  int row = 0;
  for (const auto& [id, item] : w->treeItems) {
    int depth = 0;
    for (uintptr_t p = item.parent; p && depth < 64; ++depth) {
      auto it = std::find_if(w->treeItems.begin(), w->treeItems.end(), [&](const auto& i) { return i.first == p; });
      p = it == w->treeItems.end() ? 0 : it->second.parent;
    }
    const LONG top = 2 + row * kLine;
    if (top >= c.bottom) break;
    Text(dc, item.text, RECT{4 + depth * kLine, top, c.right, top + kLine},
         DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, TextColour(w));
    ++row;
  }
  Frame(dc, c, kFrame);
}

void PaintTabs(Window* w, HDC dc, const RECT& c) {
  Solid(dc, c, Sys(COLOR_BTNFACE));
  const LONG height = FieldHeight(dc);
  Frame(dc, RECT{0, height - 1, c.right, c.bottom}, kFrame);
  LONG x = 2;
  for (int i = 0; i < int(w->lines.size()); ++i) {
    SIZE size{};
    const std::u16string& t = w->lines[i].text;
    GetTextExtentPoint32W(dc, t.c_str(), int(t.size()), &size);
    const bool active = i == w->selection;
    const RECT tab{x, active ? 0 : 2, x + size.cx + 12, height};
    Solid(dc, tab, active ? Sys(COLOR_WINDOW) : Sys(COLOR_BTNFACE));
    Frame(dc, RECT{tab.left, tab.top, tab.right, tab.bottom + (active ? 0 : 1)}, kFrame);
    if (active) Solid(dc, RECT{tab.left + 1, height - 1, tab.right - 1, height}, Sys(COLOR_WINDOW));
    Text(dc, t, tab, DT_CENTER | DT_VCENTER | DT_SINGLELINE, TextColour(w));
    x = tab.right;
  }
}

}  // namespace

void PaintControl(HWND h, HDC dc) {
  Window* w = Find(h);
  if (!w) return;
  RECT c;
  GetClientRect(h, &c);
  DialogFont font(dc);
  switch (w->kind) {
    case kButton: PaintButton(w, dc, c); break;
    case kStatic: PaintStatic(w, dc, c); break;
    case kEdit: PaintEdit(w, dc, c); break;
    case kComboBox: PaintCombo(w, dc, c); break;
    case kListBox: PaintList(w, dc, c); break;
    case kUpDown: PaintUpDown(w, dc, c); break;
    case kTrackBar: PaintTrackBar(w, dc, c); break;
    case kScrollBar: PaintScrollBar(w, dc, c); break;
    case kTreeView: PaintTree(w, dc, c); break;
    case kTabControl: PaintTabs(w, dc, c); break;
    default: break;  // dialogs and plain windows show their background
  }
}

RECT VisiblePart(HWND h) {
  Window* w = Find(h);
  if (!w) return RECT{0, 0, 0, 0};
  RECT c;
  GetClientRect(h, &c);
  if (w->kind == kToolTip) return RECT{0, 0, 0, 0};
  if (w->kind == kComboBox && !w->dropped) {
    HDC dc = GetDC(h);
    if (dc) {
      {
        DialogFont font(dc);
        c.bottom = std::min<LONG>(c.bottom, FieldHeight(dc));
      }
      ReleaseDC(h, dc);
    }
  }
  return c;
}

int BackgroundColour(HWND h) {
  Window* w = Find(h);
  if (!w) return COLOR_BTNFACE;
  switch (w->kind) {
    case kEdit:
    case kListBox:
    case kTreeView:
    case kComboBox: return COLOR_WINDOW;
    default: return COLOR_BTNFACE;
  }
}

}  // namespace pk::ui
