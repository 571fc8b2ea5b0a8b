// The band steps behind DrvStartBanding and DrvNextBand: each finished band
// goes through the page TIFF step, each finished page and the job's end
// through the page TIFF, multi-page and stream steps.
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

BOOL StartBanding(SURFOBJ* surface, POINTL* origin);
BOOL NextBand(SURFOBJ* surface, POINTL* origin);
// kind 1 at a page end, 2 at the job end: 1, 0 when there is no output
// stream, -1 when a step failed (the job is then put in error and its files
// released).
int FinishTiffOutput(PdevState* pdev, int kind);
// Releases what a job leaves of its TIFF output; called at every job end and
// abort.
void CleanUpTiffOutput(PdevState* pdev);
