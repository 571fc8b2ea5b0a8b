// Side-by-side joining: images of equal height put left to right into one
// image whose width is the sum of theirs. Line k of the result is line k of
// the first input, then line k of the second, and so on. RstAlignX1bits
// packs 1-bit raw lines bit by bit (inputs that start on a byte boundary
// read straight into the output line), RstAlignX8bits puts the bytes of
// 8-bit lines one after the other, RstAlignXRLE appends run lines shifted by
// the width already joined. skip and reset keep every input on one line.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstAlignX : public RstCompose {
 public:
  // The joining node, or the single input itself for a list of one. An
  // empty list or a missing node: -2; a first node that is not unsigned,
  // raw or 1-bit run lines; a further node that differs from the first in
  // height, bits, samples, colour type, sample kind, data form or colormap;
  // a depth other than 1 and 8; a joined line above 2^31 - 1 bytes: -3; all
  // "RstAlignX::create()". Null on failure, the inputs left to the caller.
  static RstRead* create(const std::vector<RstRead*>& inputs);

  RstAlignX(const std::vector<RstRead*>& inputs, int32_t total_width, int32_t line_size);
  // The first input's header with the total width.
  void header(RstHeader& h) override;
  // The first input by n, each further one by what the previous passed.
  int skip(int n) override;
  void reset() override;
  int line_size() override { return line_size_; }

  int32_t total_width() const { return total_width_; }

 protected:
  int32_t total_width_;
  int32_t line_size_;
  ~RstAlignX() override;
  // The inputs' widths and line sizes, in order, and a scratch line of the
  // largest line size after them (at least min_scratch bytes), in one block;
  // no memory: -1 at where, false.
  bool make_layout(int32_t min_scratch, const char* where);

  int32_t* widths_ = nullptr;
  int32_t* line_sizes_ = nullptr;
  uint8_t* scratch_ = nullptr;
  int32_t scratch_size_ = 0;
};

class RstAlignX1bits : public RstAlignX {
 public:
  // An empty list or a missing node: -2; a first node not of 1 bit and 1
  // sample, or a further one that differs from it in bits, samples, data
  // form or line size: -3; run lines go to RstAlignXRLE::create, lines
  // neither raw nor run lines: -2; all "RstAlignX1bits::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);

  using RstAlignX::RstAlignX;
  // The scratch line; no memory: -1 "RstAlignX1bits::initiate()".
  bool initiate() override;
  // The line size, or 0 when an input's line comes short (end of image).
  int read(uint8_t* line) override;
};

class RstAlignX8bits : public RstAlignX {
 public:
  // An empty list or a missing node: -2; a first node not of 8 bits, or a
  // further one that differs from it in bits, samples, data form or line
  // size: -3; all "RstAlignX8bits::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);

  using RstAlignX::RstAlignX;
  // The line size, or 0 when an input's line comes short (end of image).
  int read(uint8_t* line) override;
};

class RstAlignXRLE : public RstAlignX {
 public:
  // An empty list or a missing node: -2; not 1-bit run lines, or a further
  // node that differs from the first: -3; all "RstAlignXRLE::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);

  using RstAlignX::RstAlignX;
  // The scratch line; no memory: -1 "RstAlignXRLE::initiate()".
  bool initiate() override;
  // The joined run line's bytes with its terminator, or 0 at the end.
  int read(uint8_t* line) override;
};
