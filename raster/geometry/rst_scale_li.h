// Linear interpolation scaling of 8-bit raw images: each output pixel (or
// line) blends the two source pixels (or lines) around its centre. Edges
// repeat the outermost pixel or line. RstScaleWidthLI keeps a table of 20.12
// source positions, one per output pixel, built once; RstScaleWidthCC builds
// the cubic-convolution table of the same positions for the masked scaler.
// Positions are "extended": index j + 1 is source pixel j, index 0 repeats
// pixel 0 (in the cubic table j + 2 is pixel j).
#pragma once

#include <cstdint>
#include <vector>

#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_width.h"

class RstScaleWidthLI : public RstScaleWidth {
 public:
  // The source itself for its own width, whatever its layout. No source or
  // width 0: -2; 8-bit raw pixels of 1, 3 or 4 samples without a colormap go
  // to their variant; anything else: -3; "RstScaleWidthLI::create()".
  static RstRead* create(RstRead* source, int32_t width);

  // Resizes table to |width| entries: the extended 20.12 position of the
  // centre of each output pixel, step / 2 + 2048 + i * step (plus
  // source_width << 12 for a negative width), its integer part multiplied by
  // channels (a byte offset). Width or channels 0: -2; a size of 2^19 or more,
  // an extended line (source_width + 2) * channels of 2^19 bytes or more, or a
  // step of 0: -3; no memory: -1; all "RstScaleWidthLI::make_table()" and false.
  static bool make_table(uint32_t source_width, int32_t width, uint32_t channels, std::vector<int32_t>& table);

  RstScaleWidthLI(RstRead* source, int32_t width, uint32_t channels);
  ~RstScaleWidthLI() override;
  // Builds the table; false after a report when it or the line buffer is
  // missing.
  bool initiate() override;

 protected:
  // The checks and the build of a variant; where is its create where-text.
  template <class T>
  static RstRead* create_variant(RstRead* source, int32_t width, const char* where, bool (*layout)(const RstHeader&));
  // Reads a source line into the buffer and copies its edge pixels out into
  // the margins; false on a short line.
  template <uint32_t C>
  int interpolate(uint8_t* line);

  uint8_t* buffer_ = nullptr;
  std::vector<int32_t> table_;
  int32_t requested_width_ = 0;
  uint32_t channels_ = 1;
};

class RstScaleWidthLI8 : public RstScaleWidthLI {
 public:
  // As the front for 1-byte pixels; the source itself for its own width; no
  // source or width 0: -2; other layouts, a size of 2^19 or more, a line of
  // 2^19 bytes or more, or beyond 4096:1: -3; "RstScaleWidthLI8::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthLI8(RstRead* source, int32_t width) : RstScaleWidthLI(source, width, 1) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthLI24 : public RstScaleWidthLI {
 public:
  // As RstScaleWidthLI8::create for 3-byte pixels; "RstScaleWidthLI24::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthLI24(RstRead* source, int32_t width) : RstScaleWidthLI(source, width, 3) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthLI32 : public RstScaleWidthLI {
 public:
  // As RstScaleWidthLI8::create for 4-byte pixels; "RstScaleWidthLI32::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthLI32(RstRead* source, int32_t width) : RstScaleWidthLI(source, width, 4) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthCC {
 public:
  // Resizes table to 5 * |width| entries, per output pixel: the byte offset
  // << 12 of the first of its four window pixels (extended index, two
  // margin pixels in front), then the four cubic-convolution weights (a = -1)
  // in 4096ths. Width or channels 0: -2; a size of 2^19 or more, an extended
  // line (source_width + 4) * channels of 2^19 bytes or more, or a step of 0:
  // -3; no memory: -1; all "RstScaleWidthCC::make_table()" and false.
  static bool make_table(uint32_t source_width, int32_t width, uint32_t channels, std::vector<int32_t>& table);
};

class RstScaleHeightLI : public RstScaleHeight {
 public:
  // The source itself for its own height, whatever its layout. No source, a
  // height of 0 or below: -2; not 8-bit raw, a colormap, a size of 2^19 or
  // more, or beyond 4096:1: -3; "RstScaleHeightLI::create()".
  static RstRead* create(RstRead* source, int32_t height);

  RstScaleHeightLI(RstRead* source, int32_t height);
  ~RstScaleHeightLI() override;
  // False after a report when a buffer is missing.
  bool initiate() override;
  int read(uint8_t* line) override;
  // Sets the first position; the first source line goes into B at the
  // next read. A short first line ends the output until a reset.
  void start() override;

 private:
  // Reads the next source line into buffer; false on a short line.
  bool fetch(uint8_t* buffer);

  uint8_t* a_ = nullptr;     // upper line
  uint8_t* b_ = nullptr;     // lower line
  uint32_t next_ = 2;        // next extended line to fetch
  bool primed_ = false;      // the first line has been asked for
  bool first_read_ = false;  // and was whole
};
