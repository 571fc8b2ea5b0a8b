// What a PDEV tells GDI about the device: the GDIINFO (page and printable
// size, resolution, offsets, colour and halftone data) and the DEVINFO
// (graphics capabilities, default fonts, the default palette).
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// The paper margin record an application's DEVMODE may carry after the
// driver's part: the paper code, then the margins m1..m4 (0.1 mm).
struct AttachedPaperMargins {
  int16_t paperCode;
  int16_t m[4];
};

// The halftone pattern size that suits a resolution.
ULONG GetHalftonePatternSize(uint32_t dpi);
// Fills the GDIINFO from the document paper, its model record and the form
// of its name. The record's margin pair is cleared afterwards. 1, or 0 when
// the record lacks its margin or printable pair, the form cannot be read, the
// scale is below 1, or a value leaves the 32-bit range.
int BuildGdiInfo(PdevState* pdev, const AttachedPaperMargins* margins, GDIINFO* info);
// Fills the DEVINFO and makes the PDEV's default palette (a previous one is
// deleted): 1, or 0 when the palette cannot be made or, with device fonts,
// the default font id (setting 384) names none of them.
int BuildDevInfo(PdevState* pdev, DEVINFO* info);
