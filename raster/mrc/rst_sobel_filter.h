// 3 x 3 Sobel filters: the edge strength of a bilevel or 8-bit gray image in
// one gradient direction, as an 8-bit image. The window repeats the image's
// outermost pixels, so a constant image gives 0 up to its borders. Bilevel
// sources are widened to 0 and 255 first.
#pragma once

#include <cstdint>

#include "raster/geometry/rst_filter.h"

class RstSobelFilter3x3 : public RstFilter<1> {
 public:
  // Direction 1: the horizontal filter, any other value the vertical one. No
  // source: -2; not 1 or 8 bits, 1 sample, sample kind 0, raw lines and no
  // colormap: -3; both "RstSobelFilter3x3::create()".
  static RstRead* create(RstRead* source, uint8_t direction);

  explicit RstSobelFilter3x3(RstRead* source);
  // width bytes, or 0 at the end or on a short source line.
  int read(uint8_t* line) override;
  // The operator's magnitude at one column; the rows point at the window's
  // left column.
  virtual int apply(const uint8_t* top, const uint8_t* middle, const uint8_t* bottom) = 0;

 protected:
  // The checks of every create; false after a report at where.
  static bool accepts(RstRead* source, const char* where);
  // Widens a bilevel source and builds the filter made by make over it.
  template <class Filter>
  static RstRead* make(RstRead* source, const char* where);
};

// Across horizontal edges: the top row against the bottom row.
class RstSobelFilter3x3Horizontal : public RstSobelFilter3x3 {
 public:
  // As the front, "RstSobelFilter3x3Horizontal::create()".
  static RstRead* create(RstRead* source);
  explicit RstSobelFilter3x3Horizontal(RstRead* source) : RstSobelFilter3x3(source) {}
  int apply(const uint8_t* top, const uint8_t* middle, const uint8_t* bottom) override;
};

// Across vertical edges: the left column against the right column.
class RstSobelFilter3x3Vertical : public RstSobelFilter3x3 {
 public:
  // As the front, "RstSobelFilter3x3Vertical::create()".
  static RstRead* create(RstRead* source);
  explicit RstSobelFilter3x3Vertical(RstRead* source) : RstSobelFilter3x3(source) {}
  int apply(const uint8_t* top, const uint8_t* middle, const uint8_t* bottom) override;
};
