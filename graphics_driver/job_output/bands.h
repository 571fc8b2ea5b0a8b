// The bands a page is drawn in: as many rows of the page as fit in the largest
// block the process can allocate, up to the whole page.
#pragma once

#include <cstdint>

// Rows beyond the band height that the device surface holds.
constexpr int32_t kSurfaceSpareRows = 128;

// Rows of a band of a page `widthDots` (a multiple of 8) by `heightDots` at
// one bit per dot: at least 1; 0 when no block at all can be allocated.
int32_t ComputeBandHeight(uint32_t widthDots, uint32_t heightDots);
