// How a binary pixel operation picks its node: the dispatcher of a family
// (And, Or, Paste, Sub) checks the pair once and sends it to the same-size
// create, the 8-bit node or one of the two 1-bit nodes; the variant creates
// repeat the checks for their own route, so that a direct call is safe. The
// node templates here carry the line kernels of the variants.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_pixel_binary_kernels.h"
#include "raster/geometry/rst_pixel_binary_operation.h"
#include "raster/geometry/rst_pixel_pair.h"

using RstPixelPairCreate = RstRead* (*)(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
using RstPixelSameSizeCreate = RstRead* (*)(const std::vector<RstRead*>& inputs);

struct RstPixelFamily {
  const char* where;
  bool paste;  // the colormap rule of paste, and B itself when it covers A
  RstPixelSameSizeCreate same_size;
  RstPixelPairCreate depth_8bit;
  RstPixelPairCreate aligned_1bit;
  RstPixelPairCreate shifted_1bit;
};

// The dispatcher of a family.
RstRead* rst_dispatch_pixel_pair(const std::vector<RstRead*>& inputs, int32_t x, int32_t y,
                                 const RstPixelFamily& family);

// B covering A exactly: B itself with A ended (paste), else the same-size
// create.
RstRead* rst_pixel_pair_cover(const std::vector<RstRead*>& inputs, RstCreateGuard& guard, bool paste,
                              RstPixelSameSizeCreate same_size);

// A variant's create: its checks, the cover, then its node.
template <class Node>
RstRead* rst_create_pixel_variant(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, const char* where,
                                  RstPairRoute route, bool paste, RstPixelSameSizeCreate same_size) {
  RstCreateGuard guard(inputs);
  RstHeader a, b;
  RstPairVerdict verdict = rst_check_pixel_pair(inputs, x, y, where, route, paste, a, b);
  if (verdict == RstPairVerdict::refused) return nullptr;
  if (verdict == RstPairVerdict::covers) return rst_pixel_pair_cover(inputs, guard, paste, same_size);
  return rst_create_end_node_or_drop(rst_new<Node>(inputs, x, y), guard);
}

// 1-bit, x a multiple of 8.
template <class Family, class Op>
class RstBitsAlignedNode : public Family {
 public:
  RstBitsAlignedNode(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) : Family(inputs, x, y) {
    uint8_t keep = uint8_t(0xFF >> this->rest_bits_);
    this->first_mask_ = Op::tail_keeps ? keep : uint8_t(~keep);
  }

 protected:
  void apply_line(uint8_t* line) override {
    rst_bits_aligned<Op>(line + this->byte_offset_, this->b_line_, this->byte_count_, this->rest_bits_,
                         this->first_mask_);
  }
};

// 1-bit, x not a multiple of 8. The head byte keeps A's pixels left of B, the
// tail byte those right of B; a B inside one byte keeps both in one mask.
template <class Family, class Op>
class RstBitsShiftedNode : public Family {
 public:
  RstBitsShiftedNode(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) : Family(inputs, x, y) {
    uint8_t head = uint8_t(0xFF << this->complement_);
    uint8_t tail = uint8_t(0xFF >> ((((this->shift_ + this->rest_bits_ - 1) & 7) + 1)));
    if (this->touched_ == 1) head = uint8_t(head | tail);
    this->first_mask_ = Op::head_keeps ? head : uint8_t(~head);
    this->second_mask_ = Op::tail_keeps ? tail : uint8_t(~tail);
  }

 protected:
  void apply_line(uint8_t* line) override {
    if (this->touched_ == 0) return;
    rst_bits_shifted<Op>(line + this->byte_offset_, this->b_line_, this->touched_, this->b_bytes_, this->shift_,
                         this->complement_, this->first_mask_, this->second_mask_);
  }
};

// 8-bit: B's bytes from byte x x samples of A's line.
template <class Family, class Op>
class RstBytesNode : public Family {
 public:
  RstBytesNode(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) : Family(inputs, x, y) {}

 protected:
  void apply_line(uint8_t* line) override {
    rst_bytes_apply<Op>(line + this->byte_offset_, this->b_line_, this->byte_count_);
  }
};
