// Bilevel OR and AND reduction of raw 1-bit lines: an output pixel of the
// OR scalers is set when any source pixel of its block is set, so thin
// strokes survive; one of the AND scalers only when all are. Blocks are
// i * step rounded to the nearest whole pixel (halves upward), on both axes.
// Enlargements have nothing to combine and go to nearest neighbour
// (RstScaleWidthNN, RstScaleHeight0D). A negative width mirrors the line.
#pragma once

#include <cstdint>

#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_width.h"

// The width reducers' shared table and scan.
class RstScaleWidthBlocks : public RstScaleWidth {
 public:
  ~RstScaleWidthBlocks() override;
  int read(uint8_t* line) override;

 protected:
  // any: OR (a set bit sets the output bit), else AND.
  RstScaleWidthBlocks(RstRead* source, int32_t width, bool any);
  // The checks and the build; where is the create where-text.
  template <class T>
  static RstRead* create_reducer(RstRead* source, int32_t width, const char* where);
  bool allocated() const { return boundaries_ && buffer_; }

 private:
  uint32_t* boundaries_ = nullptr;  // output width + 1 bit indices
  uint8_t* buffer_ = nullptr;       // the source line and 8 zero bytes
  int32_t requested_width_;
  bool any_;
};

class RstScaleWidthOR : public RstScaleWidthBlocks {
 public:
  // The source itself for its own width. No source or width 0: -2; not 1-bit,
  // 1-sample raw lines, a source width of 0, a size of 2^19 or more, or
  // beyond 4096:1: -3; "RstScaleWidthOR::create()". A wider target goes to
  // RstScaleWidthNN::create.
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthOR(RstRead* source, int32_t width) : RstScaleWidthBlocks(source, width, true) {}
  // False (after the constructor's report) when the table or buffer is missing.
  bool initiate() override;
};

class RstScaleWidthAND : public RstScaleWidthBlocks {
 public:
  // As RstScaleWidthOR::create; "RstScaleWidthAND::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthAND(RstRead* source, int32_t width) : RstScaleWidthBlocks(source, width, false) {}
  bool initiate() override;
};

// The height reducers' shared line combination.
class RstScaleHeightLines : public RstScaleHeight {
 public:
  ~RstScaleHeightLines() override;
  int read(uint8_t* line) override;
  // step = (source height << 12) / output height, position 0.
  void start() override;

 protected:
  RstScaleHeightLines(RstRead* source, int32_t height, bool any);
  template <class T>
  static RstRead* create_reducer(RstRead* source, int32_t height, const char* where);

  uint8_t* buffer_ = nullptr;
  bool any_;
};

class RstScaleHeightOR : public RstScaleHeightLines {
 public:
  // The source itself for its own height. No source, a height of 0 or
  // below: -2; not 1-bit, 1-sample raw lines, a size of 2^19 or more, or
  // beyond 4096:1: -3; "RstScaleHeightOR::create()". A taller target goes to
  // RstScaleHeight0D::create(source, height, 0).
  static RstRead* create(RstRead* source, int32_t height);
  RstScaleHeightOR(RstRead* source, int32_t height) : RstScaleHeightLines(source, height, true) {}
  // False (after the constructor's report) when the line buffer is missing.
  bool initiate() override;
};

class RstScaleHeightAND : public RstScaleHeightLines {
 public:
  // As RstScaleHeightOR::create; "RstScaleHeightAND::create()".
  static RstRead* create(RstRead* source, int32_t height);
  RstScaleHeightAND(RstRead* source, int32_t height) : RstScaleHeightLines(source, height, false) {}
  bool initiate() override;
};
