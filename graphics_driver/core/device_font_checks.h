// The small checks of the device-font text path: the printer's code of a
// device font face with the TrueType font's slant and weight, whether a font
// is small enough to be printed as a device font, its height on the page,
// and whether a run of carriage returns may be sent as such. The driver's
// text output draws glyph bitmaps, so no job calls these.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// The first 16-bit field (the key) of the device-font record of face
// faceIndex, with bit 3 for italic and bits 4-7 for the weight in hundreds:
// the TrueType font's own weight when it is bold (FM_SEL_BOLD or a weight of
// at least 700) and not simulated so, 3 more (at most 15) for simulated bold.
// 0 when the face, its record or the IFIMETRICS is missing.
WORD GetDeviceFontCode(PdevState* pdev, FONTOBJ* pfo, uint32_t faceIndex);
// 1 when the em height is at most 40 points and the widest glyph
// (cxMax) at most dmPrintQuality * 5 / 9 dots; else 0.
int IsDeviceFontSizeOk(PdevState* pdev, FONTOBJ* pfo);
// The em height in dots taken through the image store's page transform (the
// smaller of the two axes), rounded to the nearest dot; 0 when the font or
// the store's transform cannot be had.
LONG GetFontHeightOnPage(PdevState* pdev, FONTOBJ* pfo);
// 1 when a run of `count` carriage returns may go out as such: flag 475 set,
// the character 13, a font neither bold nor simulated bold, the width
// argument -1 or 0, the count at least the model's default of feature 0x800A
// (50 without one) and the height on the page strictly between the defaults
// of 0x8008 (7) and 0x8009 (16); else 0.
int IsCarriageReturnRunOk(PdevState* pdev, FONTOBJ* pfo, LONG widths, ULONG count, WCHAR character);
