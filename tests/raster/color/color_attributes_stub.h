// A fixed sample layout, as the transformer factories read it.
#pragma once

#include "raster/color/rst_color_attributes.h"

struct SampleLayout : ColorOutputAttributes {
  int b, c, k;
  SampleLayout(int bits, int channels, int kind = 0) : b(bits), c(channels), k(kind) {}
  int bits() const override { return b; }
  int channels() const override { return c; }
  int sample_kind() const override { return k; }
};
