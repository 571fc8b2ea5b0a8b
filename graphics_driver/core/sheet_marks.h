// Where a tiled stamp copy or a label goes. The interface library draws each
// where the first one goes and sends its offset (escape 0x5004) before it;
// the drawing that follows, up to the next bracket escape or band, is moved
// by that many dots. On a sheet of one page the marks are drawn into the
// page's band. On an N-up sheet they belong to the sheet, in the sheet's own
// frame (turned as the pages are on two pages per sheet), not to the cell of
// the page they come with: they are drawn at full size into the stream's
// sheet marks image instead, which is laid over the sheet when it is made.
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// Called once the offset of escape 0x5004 is taken: on an N-up sheet the band
// engine draws into the sheet marks from now on (the image made, sized to the
// sheet in the marks' frame, when it is not there yet). False when the marks
// are drawn into the band (one page per sheet, no page size yet, no memory).
bool BeginSheetMarks(PdevState* pdev);
// The band is put back in its place; what was drawn meanwhile counts as ink
// of the sheet.
void EndSheetMarks(PdevState* pdev);
// The dots the drawing is moved by: the mark offset, and while the sheet
// marks are drawn the band's origin as well (the drawing comes in band dots,
// the marks image is in sheet dots).
POINTL MarkShift(const PdevState* pdev);
