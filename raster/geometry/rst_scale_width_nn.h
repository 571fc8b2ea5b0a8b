// Nearest-neighbour width scaling of raw lines through a column table built
// once: output pixel i takes the source pixel under the centre of its span.
// A negative width runs the table from the right, mirroring the line.
// RstScaleWidthNN1 takes 1-bit lines (the table holds bit indices),
// RstScaleWidthNN8, RstScaleWidthNN24 and RstScaleWidthNN32 pixels of 1, 3 and
// 4 bytes (byte offsets). Colormap indices are scaled like samples.
#pragma once

#include <cstdint>

#include "raster/geometry/rst_scale_width.h"

class RstScaleWidthNN : public RstScaleWidth {
 public:
  // The source itself for its own width. No source or width 0: -2; raw
  // lines of 1 bit (1 sample) or 8 bits (1, 3 or 4 samples) go to their
  // variant; anything else: -3; "RstScaleWidthNN::create()".
  static RstRead* create(RstRead* source, int32_t width);

  // bytes_per_pixel: 0 for 1-bit lines (bit indices), else 1, 3 or 4.
  RstScaleWidthNN(RstRead* source, int32_t width, uint32_t bytes_per_pixel);
  ~RstScaleWidthNN() override;
  // False (after the constructor's report) when the table or the line
  // buffer is missing.
  bool initiate() override;

 protected:
  // The checks and the build of a variant; where is its create where-text.
  template <class T>
  static RstRead* create_variant(RstRead* source, int32_t width, const char* where, bool (*layout)(const RstHeader&));

  uint32_t* columns_ = nullptr;
  uint8_t* buffer_ = nullptr;
};

class RstScaleWidthNN1 : public RstScaleWidthNN {
 public:
  // As RstScaleWidthNN::create for 1-bit lines; "RstScaleWidthNN1::create()".
  // No source or width 0: -2; other lines to another width, a source width
  // of 0, a size of 2^19 or more, or beyond 4096:1: -3.
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthNN1(RstRead* source, int32_t width) : RstScaleWidthNN(source, width, 0) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthNN8 : public RstScaleWidthNN {
 public:
  // As RstScaleWidthNN1::create for 1-byte pixels; "RstScaleWidthNN8::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthNN8(RstRead* source, int32_t width) : RstScaleWidthNN(source, width, 1) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthNN24 : public RstScaleWidthNN {
 public:
  // As RstScaleWidthNN1::create for 3-byte pixels; "RstScaleWidthNN24::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthNN24(RstRead* source, int32_t width) : RstScaleWidthNN(source, width, 3) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthNN32 : public RstScaleWidthNN {
 public:
  // As RstScaleWidthNN1::create for 4-byte pixels; "RstScaleWidthNN32::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthNN32(RstRead* source, int32_t width) : RstScaleWidthNN(source, width, 4) {}
  int read(uint8_t* line) override;
};
