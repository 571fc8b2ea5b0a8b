// The And operation: every pixel of A under B becomes A AND B (bitwise on
// 8-bit samples). RstPixelAnd::create picks the node; the variants are the
// byte-aligned and shifted 1-bit nodes and the 8-bit node.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/geometry/rst_pixel_binary_dispatch.h"

class RstPixelAnd : public RstPixelBinaryOperationDifferentSize {
 public:
  // {A, B} at (x, y), B inside A, both of one form: the same-size node when
  // B covers A, else the variant of A's depth and x. Vector not of two
  // present inputs, negative offsets, B not inside A, a depth other than 1
  // and 8: -2; forms that differ, colormaps, run lines not covering each
  // other: -3; all "RstPixelAnd::create()". Null on failure, the inputs left
  // to the caller.
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);

 protected:
  using RstPixelBinaryOperationDifferentSize::RstPixelBinaryOperationDifferentSize;
};

class RstPixelAnd1xoff8 : public RstBitsAlignedNode<RstPixelAnd, RstBitAnd> {
 public:
  // The dispatcher's checks, x % 8 != 0 (-2) and A not 1-bit 1-sample (-3)
  // besides; "RstPixelAnd1xoff8::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  using RstBitsAlignedNode::RstBitsAlignedNode;
};

class RstPixelAnd1xoffnon8 : public RstBitsShiftedNode<RstPixelAnd, RstBitAnd> {
 public:
  // The dispatcher's checks, x % 8 == 0 (-2) and A not 1-bit 1-sample (-3)
  // besides; "RstPixelAnd1xoffnon8::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  using RstBitsShiftedNode::RstBitsShiftedNode;
};

class RstPixelAndN : public RstBytesNode<RstPixelAnd, RstBitAnd> {
 public:
  // The dispatcher's checks, A not 8-bit (-3) besides; "RstPixelAndN::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  using RstBytesNode::RstBytesNode;
};
