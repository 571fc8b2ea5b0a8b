// Union and intersection of two clean run lines (sorted, separated runs
// ended by (-1, -1)) in one merge pass: the line combinations of the height
// reducers of run lines.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_rle_line.h"

// Writes the union of a and b into out (another buffer), runs that touch
// joined, and ends it; no more runs than room. The run of b comes first on a
// tie.
void rst_rle_union(const RstRLELine& a, const RstRLELine& b, RstRLELine& out, int32_t room);

// Writes the intersection of a and b into out (another buffer) and ends it;
// no more runs than room.
void rst_rle_intersection(const RstRLELine& a, const RstRLELine& b, RstRLELine& out, int32_t room);
