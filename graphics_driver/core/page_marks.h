// The page marks query of the interface library (escape 0x5001): at the end
// of each page and of the document it asks whether a stamp or label is due
// now, and where: the logical page's cell for a positioned stamp and the
// sheet for tiled stamps and labels.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// Fills the 44-byte PageMarkQuery; the input's u32 is 0 at the end of a page
// and 1 at the end of the document. 1, or -1 for a missing or wrongly sized
// answer block or a job without pages per sheet.
int GetPageMarks(PdevState* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);

// The rectangle of the logical page's cell on the sheet, in tenths of a
// millimetre from the sheet's top-left corner: where the page of `cellIndex`
// lands. 0, or -1 when the page record cannot be placed.
struct CellRect {
  int32_t x0, y0, x1, y1;
};
int GetCellRect(const PageLayoutRecord* record, uint32_t cellIndex, uint32_t faceIndex, CellRect* out);
