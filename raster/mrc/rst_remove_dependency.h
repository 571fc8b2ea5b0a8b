// RstRemoveDependency: cleans a bilevel candidate mask against the 8-bit
// gray image it came from. Components whose tone does not stand out from the
// pixels around them go; with a parameter record, so do tiny ones, ones with
// nothing around them, and large ones that are densely filled or not framed
// by straight lines on at least three sides.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"
#include "raster/mrc/rst_histogram_data.h"
#include "raster/mrc/rst_projection.h"

class RstRemoveDependency {
 public:
  // Words of the parameter record read here.
  static constexpr int kResolutionWord = 3;    // dots per inch: the size from which shapes are tested
  static constexpr int kToneRangeWord = 5;     // r: contour tones within +-r of the mean count as alike
  static constexpr int kContourShareWord = 6;  // s: percent of alike contour pixels allowed
  static constexpr int kSmallSizeWord = 10;    // S: components within S x S go first
  static constexpr int kRecordWords = 11;

  // image: 8 bits, 1 sample, sample kind 0, raw, no colormap; mask: 1 bit, 1
  // sample, sample kind 0, raw, no colormap; of equal size. A missing input,
  // or with parameters a missing record or result: -2; other inputs: -3; both
  // "RstRemoveDependency::create()". The output is a raw bilevel mask of the
  // remaining components (reversed gray); once it exists the image is
  // released. With parameters the result byte tells whether any remains.
  static RstRead* create(RstRead* image, RstRead* mask, uint8_t with_parameters, const int32_t* record,
                         uint8_t* result);

  // Whether a component of mean tone mean stands out from its outer contour
  // histogram: false when more than share percent of the contour lies
  // within +-range of the mean.
  static bool tone_differs(uint32_t mean, const RstHistogramData& contour, int32_t range, int32_t share);
  // Whether the row and column profiles of a component show straight lines
  // (within 5 degrees) on at least three of its four sides.
  static bool framed(const RstProjectionData& profiles);
};
