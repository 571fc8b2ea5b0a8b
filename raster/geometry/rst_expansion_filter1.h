// Dilation and erosion of bilevel images by a (2n + 1) x (2n + 1) square,
// the ways in for raw and run lines alike. Raw lines are combined with
// shifted copies of themselves by the binary pixel operations: a horizontal
// pass over a one-line fan-out (the image ORed or ANDed with itself at
// x = +-1 .. +-n), then a vertical pass over a fan-out that keeps 2n + 1
// lines (y = +-1 .. +-n). Run lines go to the run-line window filters.
//
// The raw dilation treats the outside of the image as clear; the raw
// erosion leaves a pixel's missing neighbours out of the AND, so that for it
// the outside counts as set.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"

class RstExpansionFilter1 {
 public:
  // No source or n = 0: -2; not 1 bit, 1 sample, unsigned, or lines neither
  // raw (without colormap) nor run lines: -3; a fan-out that cannot be made:
  // -1; all "RstExpansionFilter1::create()". Null on failure, the source
  // left to the caller.
  static RstRead* create(RstRead* source, uint32_t n);
};

class RstShrinkFilter1 {
 public:
  // As the dilation, with "RstShrinkFilter1::create()".
  static RstRead* create(RstRead* source, uint32_t n);
};
