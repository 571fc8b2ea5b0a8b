// The layouts the averaging scalers (linear, area averaging, integer-factor
// reduction) take: 8-bit raw samples without a colormap, since they compute
// new sample values that an index could not hold.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"

// 8-bit raw pixels of the given samples each, no colormap.
inline bool rst_scale_8bit_pixels(const RstHeader& h, int32_t samples) {
  return h.data_form == RstDataForm::raw && h.bits_per_sample == 8 && h.samples_per_pixel == samples && !h.colormap;
}
inline bool rst_scale_8bit_gray(const RstHeader& h) { return rst_scale_8bit_pixels(h, 1); }
inline bool rst_scale_8bit_rgb(const RstHeader& h) { return rst_scale_8bit_pixels(h, 3); }
inline bool rst_scale_8bit_4(const RstHeader& h) { return rst_scale_8bit_pixels(h, 4); }
// 8-bit raw lines of any number of samples, no colormap (height scalers work
// byte by byte).
inline bool rst_scale_8bit_lines(const RstHeader& h) {
  return h.data_form == RstDataForm::raw && h.bits_per_sample == 8 && !h.colormap;
}
// The bytes per pixel of a layout a width scaler takes (1, 3 or 4), else 0.
inline uint32_t rst_scale_8bit_channels(const RstHeader& h) {
  if (!rst_scale_8bit_lines(h)) return 0;
  int32_t s = h.samples_per_pixel;
  return s == 1 || s == 3 || s == 4 ? uint32_t(s) : 0;
}
