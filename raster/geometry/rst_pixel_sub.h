// The subtract operation: every 8-bit sample of A under B becomes A - B, or 0
// where B is not below A; a bilevel A keeps its pixels where B is clear
// (A AND NOT B). RstPixelSub is the dispatcher and the 8-bit node.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/geometry/rst_pixel_binary_operation.h"

class RstPixelSub : public RstPixelBinaryOperationDifferentSize {
 public:
  // The checks and reports of RstPixelAnd::create with
  // "RstPixelSub::create()"; B covering A goes to RstPixelSubSameSize, an
  // 8-bit pair to this node, a bilevel pair to RstPixelAnd with B inverted.
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  using RstPixelBinaryOperationDifferentSize::RstPixelBinaryOperationDifferentSize;

 protected:
  void apply_line(uint8_t* line) override;
};
