// Dilation of 8-bit one-channel masks over a rectangular window: an output
// pixel becomes the fill byte when any pixel of its window holds the target
// byte, and keeps the input pixel otherwise. The window at pixel x of line y
// covers columns x - anchor x .. x - anchor x + width - 1 and lines
// y - anchor y .. y - anchor y + height - 1; outside the image the border
// value is seen, or copies of the edge pixels when there is none.
#pragma once

#include <cstdint>

#include "raster/core/rst_window.h"
#include "raster/geometry/rst_filter.h"

class RstExpansionFilter : public RstFilter<1> {
 public:
  // No source, a window narrower or lower than 2, or an anchor outside the
  // window: -2; not 8 bits, 1 sample, raw lines: -3; all
  // "RstExpansionFilter::create()". No ring buffer: -1
  // "RstFilter::RstFilter()". Null on failure, the source left to the
  // caller.
  static RstRead* create(RstRead* source, const RstWindow& window, const uint8_t* border, uint8_t target, uint8_t fill);

  RstExpansionFilter(RstRead* source, const RstWindow& window, const uint8_t* border, uint8_t target, uint8_t fill);
  // width bytes, or 0 at the end or on a short source line.
  int read(uint8_t* line) override;

  // One output line from the window's rows (rows[r] holds source pixel x at
  // column x + anchor x), pixel by pixel as the rule says.
  static void expand_plain(const uint8_t* const* rows, int32_t width, const RstWindow& window, uint8_t target,
                           uint8_t fill, uint8_t* out);
  // The same output, skipping ahead: a target found in window column i
  // fills the outputs x .. x + i at once (their windows all hold it), and
  // columns already searched without a hit are not searched again.
  static void expand_skip_ahead(const uint8_t* const* rows, int32_t width, const RstWindow& window, uint8_t target,
                                uint8_t fill, uint8_t* out);

 private:
  RstWindow window_;
  uint8_t target_;
  uint8_t fill_;
};
