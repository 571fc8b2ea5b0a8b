// Logical palettes and icons of the window side of GDI, as the settings
// model and the user interface make and release them: the bitmap information
// header and colour table they start from, CreatePalette and its entries,
// CreateIcon and DestroyIcon, and DeleteObject for palettes. Handles are
// numbers never reused within a process; tests count the live ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win/win_types.h"

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40 && offsetof(BITMAPINFOHEADER, biClrUsed) == 32);
static_assert(sizeof(RGBQUAD) == 4 && sizeof(PALETTEENTRY) == 4 && sizeof(LOGPALETTE) == 8);
using PBITMAPINFOHEADER = BITMAPINFOHEADER*;
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;
using LPLOGPALETTE = LOGPALETTE*;
extern "C" {
// A palette of the entries of `plpal` (version 0x300, 1 to 65536 entries);
// null with ERROR_INVALID_PARAMETER otherwise.
PKAPI HPALETTE CreatePalette(const LOGPALETTE* plpal);
// Copies up to nEntries entries from iStartIndex; answers the number copied,
// or the palette's entry count when `pPalEntries` is null; 0 for a bad handle.
PKAPI UINT GetPaletteEntries(HPALETTE hpal, UINT iStartIndex, UINT nEntries, PALETTEENTRY* pPalEntries);
// Deletes a palette, or a font, pen or brush of a device context
// (printer_dc.h); FALSE for any other handle.
PKAPI BOOL DeleteObject(HGDIOBJ ho);
// An icon of the given size and colour format from its AND mask and XOR
// (colour) bits; both are copied. Null with ERROR_INVALID_PARAMETER for a
// zero size, planes or bit count, or missing bits.
PKAPI HICON CreateIcon(HINSTANCE hInstance, int nWidth, int nHeight, BYTE cPlanes, BYTE cBitsPixel,
                       const BYTE* lpbANDbits, const BYTE* lpbXORbits);
// FALSE with ERROR_INVALID_HANDLE for a handle that is not a live icon.
PKAPI BOOL DestroyIcon(HICON hIcon);
}

namespace pk::seams {
// Palettes made by CreatePalette and icons made by CreateIcon alive now.
PKAPI SIZE_T LivePalettes();
PKAPI SIZE_T LiveIcons();
// What CreateIcon was given for a live icon: its size and colour format and
// copies of its mask and colour bits (rows padded to 16 bits); false for a
// handle that is not a live icon.
struct IconBits {
  int width = 0;
  int height = 0;
  BYTE planes = 0;
  BYTE bitsPerPixel = 0;
  std::vector<BYTE> mask;
  std::vector<BYTE> colour;
};
PKAPI bool ReadIconBits(HICON icon, IconBits* bits);
}  // namespace pk::seams

namespace pk::gdi {
// The handle numbers of every GDI object of the process (palettes, icons,
// device contexts and their fonts, pens and brushes) come from one sequence and
// are never reused, so DeleteObject can tell the kinds apart.
uintptr_t NewObjectHandle();
// Deletes a palette made by CreatePalette; false for any other handle.
bool DeletePalette(HGDIOBJ ho);
// The size, colour depth and bits (mask then colour, rows padded to 16 bits)
// of a live icon.
// A shared icon (loaded from a module) outlives DestroyIcon and is not
// counted among the live icons.
PKAPI void MarkIconShared(HICON icon);
PKAPI bool IconData(HICON icon, int* width, int* height, int* bitsPerPixel, std::vector<BYTE>* mask,
                    std::vector<BYTE>* colour);
}  // namespace pk::gdi
