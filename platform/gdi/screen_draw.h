// Drawing on screen DCs (memory DCs and windows' DCs): raster operations with
// brushes and source bitmaps, fills, text through FreeType from the DejaVu
// faces (every face name falls back to DejaVu Sans; weight and italic choose
// its bold and oblique faces) and icons. Pixels land exactly: glyphs are drawn
// without smoothing in the text colour.
#pragma once

#include <string>

#include "platform/gdi/display_dc.h"
#include "platform/gdi/printer_dc.h"
#include "platform/gdi/screen_bitmaps.h"

// ExtTextOutW options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// DrawTextW formats beyond printer_dc.h's.
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_EXPANDTABS 0x00000040
#define DT_NOPREFIX 0x00000800

extern "C" {
PKAPI BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
PKAPI BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
// A brush repeating a copy of the bitmap from the DC's origin; a monochrome
// bitmap draws in the DC's text (black) and background (white) colours.
PKAPI HBRUSH CreatePatternBrush(HBITMAP hbm);
PKAPI BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm);
PKAPI BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl);
PKAPI BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                       const INT* lpDx);
// Draws an icon made by CreateIcon (or loaded) at its size: the AND mask
// keeps the target where set, the colour bits are XORed on.
PKAPI BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
}

namespace pk::gdi {

// The ternary raster operation `rop` (bits 16-23 of a raster operation code)
// over pattern, source and destination bits.
PKAPI DWORD ApplyRop3(BYTE rop, DWORD p, DWORD s, DWORD d);
PKAPI bool RopUsesSource(DWORD rop);
PKAPI bool RopUsesPattern(DWORD rop);

// The brush selected in a DC as the colours it puts at each device pixel.
class Brush {
 public:
  Brush(const pkgdi::DcState& dc, bool monoTarget);
  bool IsNull() const { return style_ == kNull; }
  COLORREF At(int x, int y) const;

 private:
  enum Style { kSolid, kNull, kPattern } style_ = kSolid;
  COLORREF solid_ = 0;
  Pixels pattern_;
  bool mono_ = false;
};

// BitBlt of logical rectangles; `src` may be null when the operation does not
// read a source.
PKAPI bool Blit(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy, DWORD rop);
// PATCOPY of the rectangle (logical, right and bottom excluded) with a brush.
PKAPI bool FillWithBrush(HDC hdc, const RECT& rect, HBRUSH brush);
// DrawTextW on a screen DC.
PKAPI int ScreenDrawTextW(HDC hdc, const std::u16string& text, RECT* rect, UINT format);
// The metrics of the DC's font (logical font as selected).
PKAPI bool ScreenTextMetrics(const LOGFONTW& font, TEXTMETRICW* tm);

}  // namespace pk::gdi
