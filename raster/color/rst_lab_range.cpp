#include "raster/color/rst_lab_range.h"

#include <cmath>
#include <limits>

RstLabRange::RstLabRange(uint32_t l_range, int32_t l_offset, uint32_t a_range, int32_t a_offset, uint32_t b_range,
                         int32_t b_offset, int32_t bits)
    : channels_{{bits, l_range, l_offset}, {bits, a_range, a_offset}, {bits, b_range, b_offset}} {}

RstMatrix<double> RstLabRange::matrix() const {
  RstMatrix<double> m(4, 4, true);
  for (uint32_t c = 0; c < 3; ++c) {
    const Channel& ch = channels_[c];
    m.set(c, c, ch.range == 0 ? std::numeric_limits<double>::infinity() : 100.0 / double(ch.range));
    double largest = ch.bits >= 0 && ch.bits < 63 ? std::ldexp(1.0, ch.bits) - 1.0 : 0.0;
    m.set(c, 3, largest > 0 ? double(ch.offset) / largest : std::numeric_limits<double>::infinity());
  }
  m.set(3, 3, 1.0);
  return m;
}

const RstLabRange& RstLabRange::full_range() {
  static const RstLabRange range(100, 0, 255, 128, 255, 128, 8);
  return range;
}

const RstLabRange& RstLabRange::default_range() {
  static const RstLabRange range(100, 0, 170, 128, 200, 96, 8);
  return range;
}
