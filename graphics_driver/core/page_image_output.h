// The page images at page end: the colour library stage, then the output of
// every image; on failure the list is drained so that no image outlives its
// page.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// 0 done, -1 failed.
int FlushPageImage(PdevState* pdev, int keep);
// Hands every entry, front to back, to the image output and removes it: 1
// when every entry went out, else 0 (the entries left stay in the list).
int OutputPageImages(PdevState* pdev);
