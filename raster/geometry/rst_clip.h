// RstClip cuts a rectangle out of an image: a column clip suited to the line
// form, then a line clip. Whole axes are left alone, so a rectangle covering
// the image gives the source itself.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"

class RstClip {
 public:
  // No source: -2; valued runs of a depth other than 8, 16 or 32 bits: -3;
  // "RstClip::create()"; otherwise the reports of the line and column clips. On failure the caller's source is left
  // untouched.
  static RstRead* create(RstRead* source, int32_t x, int32_t y, uint32_t width, uint32_t height);
};
