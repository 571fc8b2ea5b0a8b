// Bitmaps of the screen side of GDI: memory device contexts, device bitmaps
// (monochrome, or of the display's depth), device-independent bitmaps turned
// into device bitmaps and read back, GetObjectW of a bitmap, and the palette a
// DC selects and realises. Device bitmaps keep their pixels in true colour at
// every display depth (palettes are recorded and realised, colours render
// true); the depth decides the format they report and hand out as bits.
// The display's depth and resolution are seams a test sets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/gdi/printer_dc.h"
#include "platform/win/win_types.h"

// Raster operations of BitBlt and PatBlt.
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define DSTINVERT 0x00550009
#define PATCOPY 0x00F00021
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Colour tables of device-independent bitmaps.
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define BI_RGB 0
#define BI_BITFIELDS 3
#define CBM_INIT 0x04

#pragma pack(push, 1)
struct BITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};
struct RGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPCOREHEADER) == 12 && sizeof(RGBTRIPLE) == 3);

// What GetObjectW gives for a bitmap. Rows of device bits are padded to 16 bits.
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};
static_assert(sizeof(BITMAP) == 16 + 2 * sizeof(void*));

extern "C" {
// A memory DC of the display (any DC given is taken as the display); it starts
// with a 1 x 1 monochrome bitmap selected. DeleteDC releases it.
PKAPI HDC CreateCompatibleDC(HDC hdc);
PKAPI BOOL DeleteDC(HDC hdc);
// A bitmap of the format of the DC: the display's depth, or monochrome when the
// DC is a memory DC holding a monochrome bitmap. Width and height 1 to 16384.
PKAPI HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// A bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel (one plane), initialised from
// device bits (rows padded to 16 bits) when `lpBits` is given, else black.
PKAPI HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
// A bitmap compatible with the DC of the header's size; with CBM_INIT its
// pixels are set from the DIB (as SetDIBits), else black.
PKAPI HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits,
                             const BITMAPINFO* pbmi, UINT iUsage);
// Sets `cLines` scan lines of the bitmap from `start` (counted from the DIB's
// bottom) from a DIB of 1, 4, 8, 16, 24 or 32 bits (BI_RGB, or BI_BITFIELDS
// for 16 and 32). DIB_PAL_COLORS indexes the palette selected in `hdc`.
// Answers the lines set, 0 on failure.
PKAPI int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi,
                    UINT ColorUse);
// Without bits and with biBitCount 0: fills the header with the bitmap's
// format (size, depth, BI_RGB, image size). Otherwise reads `cLines` lines
// from `start` as a bottom-up (or top-down for a negative height) DIB of
// biBitCount 1, 4, 8, 24 or 32 with its colour table: at 1 to 8 bits the table
// holds the bitmap's own colours when they fit, else a fixed spread of colours
// that the pixels map to by nearness (black and white only when exact).
PKAPI int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi, UINT usage);
// The device bits of the bitmap (its format as GetObjectW reports it; 8 and 4
// bits index the system palette); answers the bytes copied.
PKAPI LONG GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits);
PKAPI LONG SetBitmapBits(HBITMAP hbm, DWORD cb, const void* pvBits);
// A bitmap gives its BITMAP (with bmBits null), a palette its entry count (a
// WORD); the size copied, or the size needed when `pv` is null.
PKAPI int GetObjectW(HANDLE h, int c, LPVOID pv);
// The palette a DC uses for DIB_PAL_COLORS and realises; the previous one
// (the default palette at first).
PKAPI HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd);
// Puts the DC's palette into the system palette; answers its entry count.
PKAPI UINT RealizePalette(HDC hdc);
}

namespace pk::seams {
// The display's bits per pixel: 8, 16, 24 or 32 (the default); other values
// are ignored. GetDeviceCaps BITSPIXEL of every screen DC answers it.
PKAPI void SetDisplayDepth(int bitsPerPixel);
// The screen's dots per inch (LOGPIXELSX and LOGPIXELSY); 96 by default.
PKAPI void SetScreenResolution(int dpi);
// Bitmaps and memory DCs alive now.
PKAPI SIZE_T LiveBitmaps();
PKAPI SIZE_T LiveMemoryDcs();
// DCs of windows got with GetDC or BeginPaint and not yet released.
PKAPI SIZE_T LiveWindowDcs();
}  // namespace pk::seams

namespace pk::gdi {

PKAPI int DisplayDepth();
PKAPI int ScreenResolution();

// The pixels of a bitmap as COLORREFs, row by row from the top; a monochrome
// bitmap holds only black and white.
struct Pixels {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;  // 1 for monochrome
  std::vector<COLORREF> colour;
};

// Copies out or replaces the pixels of a live bitmap (the size must stay).
PKAPI bool ReadBitmapPixels(HBITMAP hbm, Pixels* out);
PKAPI bool WriteBitmapPixels(HBITMAP hbm, const Pixels& in);
// The bitmap selected into a memory DC; null for any other DC.
PKAPI HBITMAP SelectedBitmap(HDC hdc);
// A new bitmap of these pixels (for layer code that makes one, e.g. from a
// resource).
PKAPI HBITMAP NewBitmap(const Pixels& pixels);

// Called by SelectObject and DeleteObject for handles the DC table does not
// keep: selects a bitmap into a memory DC (the previous one, or null), deletes
// a bitmap not selected anywhere (false for other handles; *known tells whether
// it was a bitmap).
HGDIOBJ SelectBitmap(HDC hdc, HGDIOBJ h);
bool DeleteBitmap(HGDIOBJ h, bool* known);

// Bitmaps of the layer itself (a window's backing bitmap, a brush's pattern):
// counted apart from the application's, never deleted by DeleteObject.
PKAPI HBITMAP NewInternalBitmap(const Pixels& pixels);
PKAPI void DeleteInternalBitmap(HBITMAP h);

// What the window layer tells the screen about windows: a window's backing
// bitmap (null for no window), and its screen content (the backing bitmap with
// its visible children composed over it).
struct WindowSurfaces {
  HBITMAP (*backing)(HWND) = nullptr;
  bool (*screen)(HWND, Pixels*) = nullptr;
};
PKAPI void SetWindowSurfaces(const WindowSurfaces& surfaces);
// A DC drawing on a window's backing bitmap (null without one); closed by
// CloseWindowDc (ReleaseDC, EndPaint).
PKAPI HDC OpenWindowDc(HWND hwnd);
PKAPI bool CloseWindowDc(HDC hdc);
PKAPI HWND WindowOfDc(HDC hdc);
// A memory DC or a window's DC.
PKAPI bool IsScreenDc(HDC hdc);
// The bitmap a screen DC draws on; what it reads as a blit's source.
PKAPI HBITMAP DrawTarget(HDC hdc);
PKAPI bool ReadSource(HDC hdc, Pixels* out);

// Text on screen DCs (screen_text.cpp): draws at a device point under the
// text alignment, ETO_* options, an optional rectangle (device units) and
// optional advances; measures one line.
bool DrawScreenText(HDC hdc, const pkgdi::DcState& state, POINT at, const std::u16string& text, UINT options,
                    const RECT* rect, const INT* dx);
bool MeasureScreenText(const pkgdi::DcState& state, const std::u16string& text, SIZE* size);

// A parsed device-independent bitmap header and colour table.
struct DibLayout {
  int width = 0;
  int height = 0;  // positive
  bool topDown = false;
  int bitsPerPixel = 0;
  DWORD compression = BI_RGB;
  size_t headerBytes = 0;  // header, masks and colour table
  size_t stride = 0;       // bytes per row, padded to 32 bits
  std::vector<COLORREF> colours;
  DWORD masks[3] = {0, 0, 0};  // BI_BITFIELDS: red, green, blue
  size_t ImageBytes() const { return stride * static_cast<size_t>(height); }
};
// Reads a header and colour table that lie within `available` bytes; false for
// a header GDI cannot draw. `palette` resolves DIB_PAL_COLORS tables.
PKAPI bool ParseDib(const void* info, size_t available, UINT usage, HPALETTE palette, DibLayout* out);
// The colour of pixel x of one DIB row.
PKAPI COLORREF DibPixel(const DibLayout& dib, const BYTE* row, int x);

}  // namespace pk::gdi

namespace pk::gdi {

// A device bitmap from a packed DIB of `size` bytes (header, colour table,
// bits): monochrome for a 1-bit DIB of black and white, else of the display's
// depth. Null when the header, table or bits do not fit the bytes.
PKAPI HBITMAP BitmapFromPackedDib(const void* data, size_t size);
// An icon from one icon image of an icon resource (a DIB header of twice the
// icon's height, colour table, colour bits, then the 1-bit AND mask), made with
// CreateIcon in 32-bit colour; null for an image that does not fit its bytes.
PKAPI HICON IconFromImage(const void* data, size_t size);

}  // namespace pk::gdi
