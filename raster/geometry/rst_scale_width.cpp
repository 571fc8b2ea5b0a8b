// The width scaler base.
#include "raster/geometry/rst_scale_width.h"

#include "raster/core/rst_header.h"
#include "raster/geometry/rst_scale_check.h"

RstScaleWidth::RstScaleWidth(RstRead* source, int32_t width) : RstProcess(source) {
  set_sizes(width < 0 ? uint64_t(-int64_t(width)) : uint64_t(width));
}

RstScaleWidth::RstScaleWidth(RstRead* source, RstRational factor) : RstProcess(source) {
  RstHeader h(source);
  set_sizes(rst_scale_size(uint32_t(h.width < 0 ? 0 : h.width), factor));
}

void RstScaleWidth::set_sizes(uint64_t output_width) {
  RstHeader h(source());
  source_width_ = uint32_t(h.width < 0 ? 0 : h.width);
  output_width_ = uint32_t(output_width);
  source_line_size_ = uint32_t(source()->line_size());
  uint64_t bits =
      uint64_t(output_width_) * uint64_t(uint32_t(h.samples_per_pixel)) * uint64_t(uint32_t(h.bits_per_sample));
  output_line_size_ = uint32_t((bits + 7) >> 3);
}

void RstScaleWidth::header(RstHeader& h) {
  RstProcess::header(h);
  h.width = int32_t(output_width_);
}
