// Stripe cutting: a page cut into horizontal stripes, each a line clip over
// one fan-out of the page, so that every stripe reads as an image of its own.
// The stripes are the caller's; they share the fan-out that feeds them.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_read.h"

class RstStripe {
 public:
  // Stripes of the given heights laid end to end from line 0, over one
  // RstDivide of (mode, count). No source or no heights: -2, no fan-out: -1,
  // both "RstStripe::create()"; a clip that cannot be made reports itself.
  // Empty on failure, the source left to the caller.
  static std::vector<RstRead*> create(RstRead* source, const std::vector<uint32_t>& heights, int mode, int count);
  // Stripe i holds heights[i] lines from starts[i]; stripes may overlap. A
  // start list of another length: -2; otherwise as above.
  static std::vector<RstRead*> create(RstRead* source, const std::vector<uint32_t>& heights,
                                      const std::vector<int32_t>& starts, int mode, int count);
  // Stripes of height lines overlapping by overlap lines, covering the page;
  // the last one is cut at the page's end. Height 0, or a page lower than
  // height: the source itself as the only stripe. Without overlap the
  // fan-out keeps 8 lines whatever count says. No source, a negative
  // overlap, or an overlap not below the height: -2 "RstStripe::create()".
  static std::vector<RstRead*> create(RstRead* source, int32_t height, int32_t overlap, int mode, int count);
};
