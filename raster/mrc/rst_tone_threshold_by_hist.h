// RstReduceTone256To2ThresholdByHist: binarises an 8-bit gray image at the
// first valley of its smoothed histogram after the peak of the light end
// (bins 0 .. 40 of an inverted-lightness page): 255 for pixels above the
// valley, 0 for the rest.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_read.h"
#include "raster/mrc/rst_histogram_data.h"

class RstReduceTone256To2ThresholdByHist {
 public:
  // Search limit and the two shares that make a bin low enough.
  static constexpr uint8_t kSearchLimit = 40;
  static constexpr double kTotalRatio = 0.01;
  static constexpr double kPeakRatio = 0.2;

  // No source: -2; not 8 bits, 1 sample, sample kind 0, raw and without
  // colormap: -3; both "RstReduceTone256To2ThresholdByHist::create()". The
  // source is read whole here, and again from its first line by the node.
  static RstRead* create(RstRead* source);

  // The threshold for the 256 bins of an image of pixels pixels.
  static uint8_t threshold(const RstHistogramData& histogram, uint64_t pixels);
};
