// Booklet and poster imposition as the page pipeline calls it. Imposition
// is not built yet: each step answers -1, so a booklet or poster job ends in
// error instead of printing its pages unimposed.
#pragma once

#include "graphics_driver/core/pdev_state.h"

int EndBookletSheet(PdevState* pdev);
int ReplayBooklet(PdevState* pdev);
int ReplayPosterTiles(PdevState* pdev, uint16_t page);
int AddPosterMarks(PdevState* pdev);
