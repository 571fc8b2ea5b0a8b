// Backing bitmaps, update rectangles and the paint cycle of the headless
// windows (see win_paint.h). A backing bitmap is made when a window is first
// drawn on, holding what lies beneath it on its parent, and made again when
// the window's size changes.
#include <algorithm>
#include <map>

#include "platform/ui/control_paint.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/win_paint.h"
#include "platform/ui/window_internal.h"
#include "platform/win/win_seams.h"

namespace pk::ui {
namespace {

struct PaintState {
  HBITMAP backing = nullptr;
  RECT update{};
  bool invalid = true;  // a window waits to be painted from its creation
  bool erase = true;
  bool painting = false;
  bool templateControl = false;  // shows unless hidden, as dialog controls do
  bool hidden = false;
};

std::map<HWND, PaintState>& States() {
  static auto* m = new std::map<HWND, PaintState>;
  return *m;
}

void Reset() {
  for (auto& [h, s] : States())
    if (s.backing) pk::gdi::DeleteInternalBitmap(s.backing);
  States().clear();
}
const pk::seams::ResetHook gHook(&Reset);

constexpr LONG kMaxSide = 4096;

// Whether a window shows on its parent.
bool Shown(const Window* w) {
  if (w->style & WS_VISIBLE) return true;
  auto it = States().find(w->handle);
  return it != States().end() && it->second.templateControl && !it->second.hidden;
}

// Whether the window and every parent show.
bool ShownChain(HWND h) {
  for (Window* w = Find(h); w; w = Find(w->parent))
    if (!Shown(w)) return false;
  return Find(h) != nullptr;
}

// The part of the client area a backing bitmap keeps: at most 4096 pixels a
// side, and no larger than the parent's (a child shows nothing beyond it).
RECT ClientOf(const Window* w) {
  LONG most[2] = {kMaxSide, kMaxSide};
  if (const Window* p = Find(w->parent); p && (w->style & WS_CHILD)) {
    const RECT pc = ClientOf(p);
    most[0] = pc.right;
    most[1] = pc.bottom;
  }
  return RECT{0, 0, LONG(std::clamp<int64_t>(int64_t(w->rect.right) - w->rect.left, 1, most[0])),
              LONG(std::clamp<int64_t>(int64_t(w->rect.bottom) - w->rect.top, 1, most[1]))};
}

RECT Union(const RECT& a, const RECT& b) {
  if (a.left >= a.right || a.top >= a.bottom) return b;
  if (b.left >= b.right || b.top >= b.bottom) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// Copies `from` onto `to` with from's (0, 0) at (x, y), within `part` of from.
void Compose(pk::gdi::Pixels& to, const pk::gdi::Pixels& from, LONG x, LONG y, const RECT& part) {
  for (LONG j = std::max<LONG>(part.top, 0); j < std::min<LONG>(part.bottom, from.height); ++j) {
    const int64_t ty = int64_t(y) + j;
    if (ty < 0 || ty >= to.height) continue;
    for (LONG i = std::max<LONG>(part.left, 0); i < std::min<LONG>(part.right, from.width); ++i) {
      const int64_t tx = int64_t(x) + i;
      if (tx < 0 || tx >= to.width) continue;
      to.colour[size_t(ty) * to.width + size_t(tx)] = from.colour[size_t(j) * from.width + i];
    }
  }
}

HBITMAP BackingOf(HWND h) {
  Window* w = Find(h);
  if (!w) return nullptr;
  PaintState& s = States()[h];
  const RECT client = ClientOf(w);
  pk::gdi::Pixels p;
  if (s.backing && pk::gdi::ReadBitmapPixels(s.backing, &p) && p.width == client.right && p.height == client.bottom)
    return s.backing;
  if (s.backing) pk::gdi::DeleteInternalBitmap(s.backing);
  s.backing = nullptr;
  // A new bitmap shows what lies beneath the window.
  p.width = client.right;
  p.height = client.bottom;
  p.bitsPerPixel = 32;
  p.colour.assign(size_t(p.width) * p.height, GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
  auto parent = States().find(w->parent);
  pk::gdi::Pixels under;
  if (parent != States().end() && parent->second.backing && pk::gdi::ReadBitmapPixels(parent->second.backing, &under))
    Compose(p, under, -w->rect.left, -w->rect.top, RECT{0, 0, under.width, under.height});
  s.backing = pk::gdi::NewInternalBitmap(p);
  s.invalid = true;
  s.erase = true;
  s.update = client;
  return s.backing;
}

bool ScreenOf(HWND h, pk::gdi::Pixels* out) {
  Window* w = Find(h);
  HBITMAP b = BackingOf(h);
  if (!w || !b || !pk::gdi::ReadBitmapPixels(b, out)) return false;
  // Children bottom first; group boxes lie under their group's controls.
  std::vector<HWND> order(w->children.rbegin(), w->children.rend());
  std::stable_partition(order.begin(), order.end(), [](HWND c) {
    Window* cw = Find(c);
    return cw && cw->kind == kButton && (cw->style & BS_TYPEMASK) == BS_GROUPBOX;
  });
  for (HWND c : order) {
    Window* cw = Find(c);
    if (!cw || !Shown(cw)) continue;
    pk::gdi::Pixels child;
    if (!ScreenOf(c, &child)) continue;
    Compose(*out, child, cw->rect.left, cw->rect.top, VisiblePart(c));
  }
  return true;
}

const bool gRegistered = [] {
  pk::gdi::SetWindowSurfaces(pk::gdi::WindowSurfaces{&BackingOf, &ScreenOf});
  return true;
}();

// Paints what waits in the window and its visible children, parents first.
void PaintTree(HWND h, bool root) {
  Window* w = Find(h);
  if (!w || (!root && !Shown(w))) return;
  auto it = States().find(h);
  if (it == States().end() || it->second.invalid) SendMessageW(h, WM_PAINT, 0, 0);
  if (!(w = Find(h))) return;
  const std::vector<HWND> children = w->children;
  for (HWND c : children) PaintTree(c, false);
}

}  // namespace

bool ScreenPixels(HWND window, pk::gdi::Pixels* out) { return out && ScreenOf(window, out); }

LRESULT DefaultPaint(HWND h) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(h, &ps);
  if (!dc) return 0;
  if (ps.rcPaint.left < ps.rcPaint.right && ps.rcPaint.top < ps.rcPaint.bottom) PaintControl(h, dc);
  EndPaint(h, &ps);
  return 0;
}

LRESULT DefaultErase(HWND h, HDC dc) {
  Window* w = Find(h);
  if (!w || !dc) return 0;
  RECT client = ClientOf(w);
  FillRect(dc, &client, GetSysColorBrush(BackgroundColour(h)));
  return 1;
}

void StateChanged(HWND h, UINT msg) {
  // The messages that change what a control shows.
  switch (msg) {
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_CHAR:
    case WM_KEYDOWN:
    case BM_SETCHECK:
    case BM_CLICK:
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case STM_SETICON:
    case EM_SETPASSWORDCHAR:
    case EM_SETREADONLY:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETSEL:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
    case LB_SETTABSTOPS:
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_DELETESTRING:
    case CB_RESETCONTENT:
    case CB_SETCURSEL:
    case CB_SHOWDROPDOWN:
    case UDM_SETRANGE:
    case UDM_SETPOS:
    case TBM_SETPOS:
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
    case TVM_INSERTITEMW:
    case TVM_DELETEITEM:
    case TCM_SETCURSEL:
    case TCM_SETITEMW:
    case TCM_INSERTITEMW: break;
    default: return;
  }
  auto it = States().find(h);
  // Only windows painted before paint again: others wait for UpdateWindow.
  if (it == States().end() || !it->second.backing || it->second.painting || !ShownChain(h)) return;
  InvalidateRect(h, nullptr, TRUE);
  SendMessageW(h, WM_PAINT, 0, 0);
}

void PaintPending() {
  std::vector<HWND> waiting;
  for (auto& [h, s] : States())
    if (s.backing && s.invalid && !s.painting) waiting.push_back(h);
  for (HWND h : waiting)
    if (ShownChain(h)) SendMessageW(h, WM_PAINT, 0, 0);
}

bool ShowsOnScreen(HWND h) { return ShownChain(h); }

void NoteTemplateControl(HWND h) { States()[h].templateControl = true; }

void NoteShow(HWND h, bool show) {
  if (Find(h)) States()[h].hidden = !show;
}

void ReleaseBacking(HWND h) {
  auto it = States().find(h);
  if (it == States().end()) return;
  if (it->second.backing) pk::gdi::DeleteInternalBitmap(it->second.backing);
  States().erase(it);
}

bool RenderToPngFile(const pk::gdi::Pixels& pixels, const std::string& path);

bool RenderToPng(HWND window, const std::string& path) {
  if (!Find(window)) return false;
  PaintTree(window, true);
  pk::gdi::Pixels p;
  return ScreenOf(window, &p) && RenderToPngFile(p, path);
}

}  // namespace pk::ui

using pk::ui::Find;

extern "C" {

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) {
  pk::ui::Window* w = Find(hWnd);
  if (!w || !lpPaint) return nullptr;
  if (!pk::ui::BackingOf(hWnd)) return nullptr;
  HDC dc = GetDC(hWnd);
  if (!dc) return nullptr;
  pk::ui::PaintState& s = pk::ui::States()[hWnd];
  const bool erase = s.erase;
  const RECT update = s.invalid ? s.update : RECT{0, 0, 0, 0};
  s.invalid = false;
  s.erase = false;
  s.update = RECT{0, 0, 0, 0};
  s.painting = true;
  *lpPaint = PAINTSTRUCT{};
  lpPaint->hdc = dc;
  lpPaint->rcPaint = update;
  lpPaint->fErase = erase ? (SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE) : FALSE;
  return dc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  if (!lpPaint) return FALSE;
  auto it = pk::ui::States().find(hWnd);
  if (it != pk::ui::States().end()) it->second.painting = false;
  ReleaseDC(hWnd, lpPaint->hdc);
  return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  pk::ui::Window* w = Find(hWnd);
  if (!w) return FALSE;
  pk::ui::PaintState& s = pk::ui::States()[hWnd];
  const RECT client = pk::ui::ClientOf(w);
  s.update = pk::ui::Union(s.invalid ? s.update : RECT{0, 0, 0, 0}, lpRect ? *lpRect : client);
  s.invalid = true;
  if (bErase) s.erase = true;
  return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT*) {
  auto it = pk::ui::States().find(hWnd);
  if (!Find(hWnd)) return FALSE;
  if (it != pk::ui::States().end()) {
    it->second.invalid = false;
    it->second.erase = false;
    it->second.update = RECT{0, 0, 0, 0};
  }
  return TRUE;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  if (!lprc || !hbr) return 0;
  const uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
  // COLOR_x + 1 names a system colour.
  if (value > 0 && value <= 31) hbr = GetSysColorBrush(int(value - 1));
  return pk::gdi::FillWithBrush(hDC, *lprc, hbr) ? 1 : 0;
}

HBRUSH GetSysColorBrush(int nIndex) {
  if (nIndex < 0 || nIndex > 30) return nullptr;
  // One brush per colour a system colour has had; they live with the process.
  static auto* brushes = new std::map<std::pair<int, COLORREF>, HBRUSH>;
  const COLORREF c = GetSysColor(nIndex) & 0xFFFFFF;
  HBRUSH& b = (*brushes)[{nIndex, c}];
  if (!b) b = pkgdi::NewBrushObject(LOGBRUSH{BS_SOLID, c, 0}, true);
  return b;
}

}  // extern "C"
