// Printer DCs over a back end: the DC keeps its state and the GDI objects it
// selects; escapes, page calls and drawing go to the back end. Handles are
// checked against the live set, so a stale or foreign handle fails the call.
#include "platform/gdi/printer_dc.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <variant>

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/gdi/screen_bitmaps.h"
#include "platform/gdi/screen_draw.h"
#include "platform/win/win_error.h"

namespace pkgdi {

PrinterDcBackEnd::~PrinterDcBackEnd() = default;

namespace {

struct Dc {
  PrinterDcBackEnd* backEnd = nullptr;
  DcState state;
  HGDIOBJ font = nullptr, pen = nullptr, brush = nullptr;
  struct Saved {
    DcState state;
    HGDIOBJ font, pen, brush;
  };
  std::vector<Saved> saved;
};

using GdiObject = std::variant<LOGFONTW, LOGPEN, LOGBRUSH>;

struct Table {
  std::mutex lock;
  std::unordered_map<uintptr_t, Dc> dcs;
  std::unordered_map<uintptr_t, GdiObject> objects;
  std::unordered_map<uintptr_t, bool> stock;  // never deleted
};

Table& table() {
  static Table t;
  return t;
}

Dc* DcOf(HDC hdc) {
  auto it = table().dcs.find(reinterpret_cast<uintptr_t>(hdc));
  return it == table().dcs.end() ? nullptr : &it->second;
}

HGDIOBJ AddObject(GdiObject obj) {
  std::lock_guard<std::mutex> g(table().lock);
  uintptr_t h = pk::gdi::NewObjectHandle();
  table().objects.emplace(h, std::move(obj));
  return reinterpret_cast<HGDIOBJ>(h);
}

LOGFONTW SystemFont() {
  LOGFONTW lf{};
  lf.lfHeight = -40;
  lf.lfWeight = FW_NORMAL;
  const char16_t face[] = u"Sans";
  std::memcpy(lf.lfFaceName, face, sizeof(face));
  return lf;
}

// Stock objects are made once and shared by every DC.
HGDIOBJ Stock(int i) {
  static const HGDIOBJ objs[] = {
      AddObject(LOGBRUSH{BS_SOLID, 0xFFFFFF, 0}), AddObject(LOGBRUSH{BS_SOLID, 0x000000, 0}),
      AddObject(LOGBRUSH{BS_NULL, 0, 0}),         AddObject(LOGPEN{PS_SOLID, POINT{1, 0}, 0x000000}),
      AddObject(LOGPEN{PS_NULL, POINT{0, 0}, 0}), AddObject(SystemFont()),
  };
  static bool marked = [] {
    std::lock_guard<std::mutex> g(table().lock);
    for (HGDIOBJ h : objs) table().stock[reinterpret_cast<uintptr_t>(h)] = true;
    return true;
  }();
  (void)marked;
  switch (i) {
    case WHITE_BRUSH: return objs[0];
    case BLACK_BRUSH: return objs[1];
    case NULL_BRUSH: return objs[2];
    case BLACK_PEN: return objs[3];
    case NULL_PEN: return objs[4];
    case SYSTEM_FONT: return objs[5];
    default: return nullptr;
  }
}

// Applies a selected object to the state.
void Apply(DcState& s, const GdiObject& obj) {
  if (auto* f = std::get_if<LOGFONTW>(&obj)) s.font = *f;
  if (auto* p = std::get_if<LOGPEN>(&obj)) s.pen = *p;
  if (auto* b = std::get_if<LOGBRUSH>(&obj)) s.brush = *b;
}

// MM_TEXT: the window origin goes to the viewport origin. Summed wide and
// clamped, so no pair of origins overflows a coordinate.
LONG Shift(LONG v, LONG windowOrg, LONG viewportOrg) {
  const int64_t d = int64_t(v) - windowOrg + viewportOrg;
  return static_cast<LONG>(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
}

POINT Device(const Dc& dc, int x, int y) {
  return POINT{Shift(x, dc.state.windowOrg.x, dc.state.viewportOrg.x),
               Shift(y, dc.state.windowOrg.y, dc.state.viewportOrg.y)};
}

}  // namespace

HDC CreatePrinterDc(PrinterDcBackEnd* backEnd) {
  if (!backEnd) return nullptr;
  HGDIOBJ font = Stock(SYSTEM_FONT), pen = Stock(BLACK_PEN), brush = Stock(WHITE_BRUSH);
  std::lock_guard<std::mutex> g(table().lock);
  uintptr_t h = pk::gdi::NewObjectHandle();
  Dc& dc = table().dcs[h];
  dc.backEnd = backEnd;
  dc.font = font;
  dc.pen = pen;
  dc.brush = brush;
  Apply(dc.state, table().objects.at(reinterpret_cast<uintptr_t>(font)));
  Apply(dc.state, table().objects.at(reinterpret_cast<uintptr_t>(pen)));
  Apply(dc.state, table().objects.at(reinterpret_cast<uintptr_t>(brush)));
  return reinterpret_cast<HDC>(h);
}

void DeletePrinterDc(HDC hdc) {
  std::lock_guard<std::mutex> g(table().lock);
  table().dcs.erase(reinterpret_cast<uintptr_t>(hdc));
}

size_t LiveGdiObjects() {
  std::lock_guard<std::mutex> g(table().lock);
  return table().objects.size() - table().stock.size();
}

HBRUSH NewBrushObject(const LOGBRUSH& brush, bool stock) {
  HGDIOBJ h = AddObject(brush);
  if (stock) {
    std::lock_guard<std::mutex> g(table().lock);
    table().stock[reinterpret_cast<uintptr_t>(h)] = true;
  }
  return static_cast<HBRUSH>(h);
}

bool BrushOf(HGDIOBJ h, LOGBRUSH* brush) {
  std::lock_guard<std::mutex> g(table().lock);
  auto it = table().objects.find(reinterpret_cast<uintptr_t>(h));
  if (it == table().objects.end() || !std::holds_alternative<LOGBRUSH>(it->second)) return false;
  *brush = std::get<LOGBRUSH>(it->second);
  return true;
}

bool FontOf(HGDIOBJ h, LOGFONTW* font) {
  std::lock_guard<std::mutex> g(table().lock);
  auto it = table().objects.find(reinterpret_cast<uintptr_t>(h));
  if (it == table().objects.end() || !std::holds_alternative<LOGFONTW>(it->second)) return false;
  *font = std::get<LOGFONTW>(it->second);
  return true;
}

bool GetDcState(HDC hdc, DcState* state, PrinterDcBackEnd** backEnd) {
  std::lock_guard<std::mutex> g(table().lock);
  Dc* dc = DcOf(hdc);
  if (!dc) return false;
  if (state) *state = dc->state;
  if (backEnd) *backEnd = dc->backEnd;
  return true;
}

}  // namespace pkgdi

using namespace pkgdi;

namespace {

// Runs f with the DC and its back end outside the table's lock: the back end
// may call into the DC again (events that draw).
template <typename R, typename F>
R WithDc(HDC hdc, R failed, F f) {
  Dc copy;
  {
    std::lock_guard<std::mutex> g(table().lock);
    Dc* dc = DcOf(hdc);
    if (!dc) {
      SetLastError(ERROR_INVALID_HANDLE);
      return failed;
    }
    copy = *dc;
  }
  return f(copy);
}

// Runs f on the DC under the table's lock.
template <typename R, typename F>
R Change(HDC hdc, R failed, F f) {
  std::lock_guard<std::mutex> g(table().lock);
  Dc* dc = DcOf(hdc);
  return dc ? f(*dc) : failed;
}

}  // namespace

extern "C" {

int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData) {
  if (cjInput < 0 || cjOutput < 0 || (cjInput > 0 && !lpInData)) return -1;
  return WithDc(hdc, -1, [&](Dc& dc) {
    return dc.backEnd->Escape(iEscape, cjInput, lpInData, lpOutData ? cjOutput : 0, lpOutData);
  });
}

int StartPage(HDC hdc) {
  return WithDc(hdc, -1, [&](Dc& dc) { return dc.backEnd->StartPage(); });
}

int EndPage(HDC hdc) {
  return WithDc(hdc, -1, [&](Dc& dc) { return dc.backEnd->EndPage(); });
}

int GetDeviceCaps(HDC hdc, int index) {
  return WithDc(hdc, 0, [&](Dc& dc) { return dc.backEnd->DeviceCaps(index); });
}

int SaveDC(HDC hdc) {
  std::lock_guard<std::mutex> g(table().lock);
  Dc* dc = DcOf(hdc);
  if (!dc || dc->saved.size() >= 64) return 0;
  dc->saved.push_back(Dc::Saved{dc->state, dc->font, dc->pen, dc->brush});
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int nSavedDC) {
  std::lock_guard<std::mutex> g(table().lock);
  Dc* dc = DcOf(hdc);
  if (!dc) return FALSE;
  int n = static_cast<int>(dc->saved.size());
  int level = nSavedDC < 0 ? n + 1 + nSavedDC : nSavedDC;
  if (level < 1 || level > n) return FALSE;
  Dc::Saved s = dc->saved[level - 1];
  dc->saved.resize(level - 1);
  dc->state = s.state;
  dc->font = s.font;
  dc->pen = s.pen;
  dc->brush = s.brush;
  return TRUE;
}

int SetMapMode(HDC hdc, int iMode) {
  return Change(hdc, 0, [&](Dc&) { return iMode == MM_TEXT ? MM_TEXT : 0; });
}

UINT SetTextAlign(HDC hdc, UINT align) {
  return Change(hdc, 0xFFFFFFFFu, [&](Dc& dc) { return std::exchange(dc.state.textAlign, align); });
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* lppt) {
  return Change(hdc, FALSE, [&](Dc& dc) {
    if (lppt) *lppt = dc.state.viewportOrg;
    dc.state.viewportOrg = POINT{x, y};
    return TRUE;
  });
}

int SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return Change(hdc, 0, [&](Dc& dc) { return std::exchange(dc.state.bkMode, mode); });
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  return Change(hdc, 0xFFFFFFFFu, [&](Dc& dc) { return std::exchange(dc.state.bkColor, color & 0xFFFFFF); });
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return Change(hdc, 0xFFFFFFFFu, [&](Dc& dc) { return std::exchange(dc.state.textColor, color & 0xFFFFFF); });
}

// Only the removal of the clip region is supported: printer DCs of the host
// draw within the printable area.
int SelectClipRgn(HDC hdc, HRGN hrgn) {
  return Change(hdc, 0, [&](Dc&) { return hrgn ? 0 : 1; });
}

int SetROP2(HDC hdc, int rop2) {
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return Change(hdc, 0, [&](Dc& dc) { return std::exchange(dc.state.rop2, rop2); });
}

BOOL GetWindowOrgEx(HDC hdc, POINT* lppoint) {
  if (!lppoint) return FALSE;
  return Change(hdc, FALSE, [&](Dc& dc) {
    *lppoint = dc.state.windowOrg;
    return TRUE;
  });
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* lppt) {
  return Change(hdc, FALSE, [&](Dc& dc) {
    if (lppt) *lppt = dc.state.windowOrg;
    dc.state.windowOrg = POINT{x, y};
    return TRUE;
  });
}

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
  if (!lplf) return nullptr;
  return static_cast<HFONT>(AddObject(*lplf));
}

HPEN CreatePenIndirect(const LOGPEN* plpen) {
  if (!plpen || plpen->lopnStyle > PS_NULL) return nullptr;
  return static_cast<HPEN>(AddObject(*plpen));
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
  LOGPEN lp{static_cast<UINT>(iStyle), POINT{cWidth, 0}, color};
  return CreatePenIndirect(&lp);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush) {
  if (!plbrush || plbrush->lbStyle > BS_HATCHED || (plbrush->lbStyle == BS_HATCHED && plbrush->lbHatch > HS_DIAGCROSS))
    return nullptr;
  return static_cast<HBRUSH>(AddObject(*plbrush));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH lb{BS_SOLID, color, 0};
  return CreateBrushIndirect(&lb);
}

HGDIOBJ GetStockObject(int i) { return Stock(i); }

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  std::unique_lock<std::mutex> g(table().lock);
  Dc* dc = DcOf(hdc);
  auto it = table().objects.find(reinterpret_cast<uintptr_t>(h));
  if (dc && it == table().objects.end()) {
    // Bitmaps are kept by the screen's bitmap table.
    g.unlock();
    return pk::gdi::SelectBitmap(hdc, h);
  }
  if (!dc || it == table().objects.end()) return nullptr;
  HGDIOBJ* slot = std::holds_alternative<LOGFONTW>(it->second) ? &dc->font
                  : std::holds_alternative<LOGPEN>(it->second) ? &dc->pen
                                                               : &dc->brush;
  HGDIOBJ old = *slot;
  *slot = h;
  Apply(dc->state, it->second);
  return old;
}

// An object still selected into a DC is not deleted.
BOOL DeleteObject(HGDIOBJ ho) {
  std::lock_guard<std::mutex> g(table().lock);
  uintptr_t h = reinterpret_cast<uintptr_t>(ho);
  if (table().stock.count(h)) return TRUE;
  if (!table().objects.count(h)) {
    if (pk::gdi::DeletePalette(ho)) return TRUE;
    bool bitmap = false;
    if (pk::gdi::DeleteBitmap(ho, &bitmap)) return TRUE;
    if (!bitmap) SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (auto& [k, dc] : table().dcs)
    if (dc.font == ho || dc.pen == ho || dc.brush == ho) return FALSE;
  if (auto* b = std::get_if<LOGBRUSH>(&table().objects.at(h)); b && b->lbStyle == BS_PATTERN)
    pk::gdi::DeleteInternalBitmap(reinterpret_cast<HBITMAP>(b->lbHatch));
  table().objects.erase(h);
  return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
  if (c < 0 || (c > 0 && !lpString)) return FALSE;
  return WithDc(hdc, FALSE, [&](Dc& dc) {
    return dc.backEnd->TextOut(dc.state, Device(dc, x, y), std::u16string(lpString ? lpString : u"", size_t(c)))
               ? TRUE
               : FALSE;
  });
}

// One line of text: DT_CALCRECT gives its size from the rectangle's top-left;
// otherwise the text is drawn at that corner. The result is the text height.
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, RECT* lprc, UINT format) {
  if (!lpchText || !lprc) return 0;
  size_t n = 0;
  if (cchText < 0) {
    while (lpchText[n]) ++n;
  } else {
    n = static_cast<size_t>(cchText);
  }
  std::u16string text(lpchText, n);
  // Screen DCs break lines and place them in the rectangle.
  if (pk::gdi::IsScreenDc(hdc)) return pk::gdi::ScreenDrawTextW(hdc, text, lprc, format);
  return WithDc(hdc, 0, [&](Dc& dc) {
    SIZE size{0, 0};
    if (!dc.backEnd->MeasureText(dc.state, text, &size)) return 0;
    if (format & DT_CALCRECT) {
      lprc->right = lprc->left + size.cx;
      lprc->bottom = lprc->top + size.cy;
      return static_cast<int>(size.cy);
    }
    return dc.backEnd->TextOut(dc.state, Device(dc, lprc->left, lprc->top), text) ? static_cast<int>(size.cy) : 0;
  });
}

BOOL Polygon(HDC hdc, const POINT* apt, int cpt) {
  if (!apt || cpt < 2 || cpt > 65536) return FALSE;
  return WithDc(hdc, FALSE, [&](Dc& dc) {
    std::vector<POINT> pts;
    for (int i = 0; i < cpt; ++i) pts.push_back(Device(dc, apt[i].x, apt[i].y));
    return dc.backEnd->Polygon(dc.state, pts) ? TRUE : FALSE;
  });
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  return WithDc(hdc, FALSE, [&](Dc& dc) {
    POINT a = Device(dc, left, top), b = Device(dc, right, bottom);
    return dc.backEnd->Ellipse(dc.state, RECT{a.x, a.y, b.x, b.y}) ? TRUE : FALSE;
  });
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  return WithDc(hdc, FALSE, [&](Dc& dc) {
    POINT a = Device(dc, left, top), b = Device(dc, right, bottom);
    return dc.backEnd->Rectangle(dc.state, RECT{a.x, a.y, b.x, b.y}) ? TRUE : FALSE;
  });
}

}  // extern "C"
