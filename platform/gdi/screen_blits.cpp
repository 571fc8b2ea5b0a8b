// Raster operations on screen DCs: BitBlt and PatBlt with any ternary raster
// operation, pattern brushes, and the conversions between monochrome and
// colour bitmaps that GDI makes. Every blit is clipped to both bitmaps.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi/printer_dc.h"
#include "platform/gdi/screen_bitmaps.h"
#include "platform/gdi/screen_draw.h"
#include "platform/win/win_error.h"

namespace pk::gdi {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// 8 x 8 hatch patterns, one byte per row, set bits are the hatch lines.
constexpr BYTE kHatch[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

// The nearer of black and white.
COLORREF ToMono(COLORREF c) {
  const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  const long toBlack = long(r) * r + long(g) * g + long(b) * b;
  const long toWhite = long(255 - r) * (255 - r) + long(255 - g) * (255 - g) + long(255 - b) * (255 - b);
  return toWhite <= toBlack ? kWhite : kBlack;
}

LONG Shift(LONG v, LONG windowOrg, LONG viewportOrg) {
  const int64_t d = int64_t(v) - windowOrg + viewportOrg;
  return static_cast<LONG>(std::clamp<int64_t>(d, INT32_MIN / 2, INT32_MAX / 2));
}

POINT ToDevice(const pkgdi::DcState& s, int x, int y) {
  return POINT{Shift(x, s.windowOrg.x, s.viewportOrg.x), Shift(y, s.windowOrg.y, s.viewportOrg.y)};
}

}  // namespace

DWORD ApplyRop3(BYTE rop, DWORD p, DWORD s, DWORD d) {
  DWORD r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((rop >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

bool RopUsesSource(DWORD rop) {
  const BYTE r = BYTE(rop >> 16);
  return ((r >> 2) & 0x33) != (r & 0x33);
}

bool RopUsesPattern(DWORD rop) {
  const BYTE r = BYTE(rop >> 16);
  return ((r >> 4) & 0x0F) != (r & 0x0F);
}

Brush::Brush(const pkgdi::DcState& dc, bool monoTarget) : mono_(monoTarget) {
  const LOGBRUSH& b = dc.brush;
  switch (b.lbStyle) {
    case BS_NULL: style_ = kNull; break;
    case BS_HATCHED: {
      style_ = kPattern;
      pattern_.width = pattern_.height = 8;
      pattern_.bitsPerPixel = 24;
      const BYTE* rows = kHatch[std::min<ULONG_PTR>(b.lbHatch, 5)];
      const COLORREF back = dc.bkMode == OPAQUE ? dc.bkColor : kWhite;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pattern_.colour.push_back((rows[y] >> (7 - x)) & 1 ? b.lbColor : back);
      break;
    }
    case BS_PATTERN: {
      style_ = kPattern;
      if (!ReadBitmapPixels(reinterpret_cast<HBITMAP>(b.lbHatch), &pattern_) || pattern_.colour.empty()) {
        style_ = kSolid;
        solid_ = kBlack;
        break;
      }
      // A monochrome pattern on colour takes the DC's text and background colours.
      if (pattern_.bitsPerPixel == 1 && !monoTarget)
        for (COLORREF& c : pattern_.colour) c = c == kWhite ? dc.bkColor : dc.textColor;
      break;
    }
    default: style_ = kSolid; solid_ = b.lbColor & 0xFFFFFF;
  }
  if (mono_) {
    solid_ = ToMono(solid_);
    for (COLORREF& c : pattern_.colour) c = ToMono(c);
  }
}

COLORREF Brush::At(int x, int y) const {
  if (style_ != kPattern) return solid_;
  const int px = ((x % pattern_.width) + pattern_.width) % pattern_.width;
  const int py = ((y % pattern_.height) + pattern_.height) % pattern_.height;
  return pattern_.colour[size_t(py) * pattern_.width + px];
}

bool Blit(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy, DWORD rop) {
  pkgdi::DcState ds, ss;
  if (!pkgdi::GetDcState(dst, &ds, nullptr)) return false;
  const HBITMAP target = DrawTarget(dst);
  Pixels d;
  if (!target || !ReadBitmapPixels(target, &d)) return false;
  if (cx < 0 || cy < 0) return false;
  const bool needSource = RopUsesSource(rop);
  Pixels s;
  POINT sOrg{0, 0};
  if (needSource) {
    if (!pkgdi::GetDcState(src, &ss, nullptr) || !ReadSource(src, &s)) return false;
    sOrg = ToDevice(ss, sx, sy);
  }
  const POINT dOrg = ToDevice(ds, x, y);
  const bool monoDst = d.bitsPerPixel == 1;
  const bool monoSrc = needSource && s.bitsPerPixel == 1;
  const Brush brush(ds, monoDst);
  if (RopUsesPattern(rop) && brush.IsNull()) return true;
  const BYTE code = BYTE(rop >> 16);
  // Clip the rectangle to the target and, for a source, to the source.
  int64_t x0 = 0, y0 = 0, x1 = cx, y1 = cy;
  x0 = std::max<int64_t>(x0, -int64_t(dOrg.x));
  y0 = std::max<int64_t>(y0, -int64_t(dOrg.y));
  x1 = std::min<int64_t>(x1, int64_t(d.width) - dOrg.x);
  y1 = std::min<int64_t>(y1, int64_t(d.height) - dOrg.y);
  if (needSource) {
    x0 = std::max<int64_t>(x0, -int64_t(sOrg.x));
    y0 = std::max<int64_t>(y0, -int64_t(sOrg.y));
    x1 = std::min<int64_t>(x1, int64_t(s.width) - sOrg.x);
    y1 = std::min<int64_t>(y1, int64_t(s.height) - sOrg.y);
  }
  for (int64_t j = y0; j < y1; ++j) {
    for (int64_t i = x0; i < x1; ++i) {
      const int dx = int(dOrg.x + i), dy = int(dOrg.y + j);
      COLORREF& out = d.colour[size_t(dy) * d.width + dx];
      COLORREF sv = 0;
      if (needSource) {
        sv = s.colour[size_t(sOrg.y + j) * s.width + size_t(sOrg.x + i)];
        // Colour to monochrome: the source DC's background colour is white,
        // all else black. Monochrome to colour: black takes the target DC's
        // text colour, white its background colour.
        if (monoDst && !monoSrc) sv = sv == ss.bkColor ? kWhite : kBlack;
        else if (!monoDst && monoSrc) sv = sv == kWhite ? ds.bkColor : ds.textColor;
      }
      out = ApplyRop3(code, brush.At(dx, dy), sv, out);
    }
  }
  return WriteBitmapPixels(target, d);
}

bool FillWithBrush(HDC hdc, const RECT& rect, HBRUSH brush) {
  HGDIOBJ old = SelectObject(hdc, brush);
  if (!old) return false;
  const bool ok =
      Blit(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr, 0, 0, PATCOPY);
  SelectObject(hdc, old);
  return ok;
}

}  // namespace pk::gdi

extern "C" {

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  if (!pk::gdi::IsScreenDc(hdc) || (pk::gdi::RopUsesSource(rop) && !pk::gdi::IsScreenDc(hdcSrc))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return pk::gdi::Blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, rop) ? TRUE : FALSE;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  if (pk::gdi::RopUsesSource(rop) || !pk::gdi::IsScreenDc(hdc)) return FALSE;
  // Negative extents reach left and up from the point.
  if (w < 0) {
    x += w;
    w = -w;
  }
  if (h < 0) {
    y += h;
    h = -h;
  }
  return pk::gdi::Blit(hdc, x, y, w, h, nullptr, 0, 0, rop) ? TRUE : FALSE;
}

HBRUSH CreatePatternBrush(HBITMAP hbm) {
  pk::gdi::Pixels p;
  if (!pk::gdi::ReadBitmapPixels(hbm, &p)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // The brush keeps a copy: the bitmap may be deleted afterwards.
  HBITMAP copy = pk::gdi::NewInternalBitmap(p);
  if (!copy) return nullptr;
  HBRUSH b = pkgdi::NewBrushObject(LOGBRUSH{BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(copy)}, false);
  if (!b) pk::gdi::DeleteInternalBitmap(copy);
  return b;
}

}  // extern "C"

extern "C" {

// The mask keeps the target where it is white; the colour image is XORed on.
BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  int w = 0, h = 0, bpp = 0;
  std::vector<BYTE> maskBits, colourBits;
  if (!pk::gdi::IconData(hIcon, &w, &h, &bpp, &maskBits, &colourBits) || !pk::gdi::IsScreenDc(hDC)) return FALSE;
  pk::gdi::Pixels mask, colour;
  HBITMAP m = CreateBitmap(w, h, 1, 1, maskBits.data());
  HBITMAP c = CreateBitmap(w, h, 1, UINT(bpp), colourBits.data());
  const bool read = m && c && pk::gdi::ReadBitmapPixels(m, &mask) && pk::gdi::ReadBitmapPixels(c, &colour);
  if (m) DeleteObject(m);
  if (c) DeleteObject(c);
  pkgdi::DcState st;
  const HBITMAP target = pk::gdi::DrawTarget(hDC);
  pk::gdi::Pixels d;
  if (!read || !target || !pk::gdi::ReadBitmapPixels(target, &d) || !pkgdi::GetDcState(hDC, &st, nullptr)) return FALSE;
  const int ox = X - st.windowOrg.x + st.viewportOrg.x, oy = Y - st.windowOrg.y + st.viewportOrg.y;
  for (int y = 0; y < h; ++y) {
    const int64_t dy = int64_t(oy) + y;
    if (dy < 0 || dy >= d.height) continue;
    for (int x = 0; x < w; ++x) {
      const int64_t dx = int64_t(ox) + x;
      if (dx < 0 || dx >= d.width) continue;
      COLORREF& out = d.colour[size_t(dy) * d.width + size_t(dx)];
      const size_t k = size_t(y) * w + x;
      out = ((mask.colour[k] == RGB(255, 255, 255) ? out : 0) ^ colour.colour[k]) & 0xFFFFFF;
      if (d.bitsPerPixel == 1) out = out == RGB(255, 255, 255) ? out : 0;
    }
  }
  return pk::gdi::WriteBitmapPixels(target, d) ? TRUE : FALSE;
}

}  // extern "C"
