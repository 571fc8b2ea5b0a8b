// Integer-factor average reduction of 8-bit raw images: every n pixels (or
// lines) become one holding their rounded mean, (n / 2 + sum) / n. Pixels or
// lines left over after the last whole group are dropped. The width scaler
// has one variant per pixel size (1, 3 or 4 bytes); the height scaler works
// byte by byte on lines of any layout of 8-bit samples.
#pragma once

#include <cstdint>

#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_width.h"

class RstScaleWidthIAR : public RstScaleWidth {
 public:
  // The source itself for n = 1. No source, n = 0 or n above the source
  // width: -2; 8-bit raw pixels of 1, 3 or 4 samples without a colormap go
  // to their variant; anything else: -3; "RstScaleWidthIAR::create()".
  static RstRead* create(RstRead* source, uint32_t n);

  // The output width is floor(source width / n).
  RstScaleWidthIAR(RstRead* source, uint32_t n);
  ~RstScaleWidthIAR() override;
  bool initiate() override;

 protected:
  template <class T>
  static RstRead* create_variant(RstRead* source, uint32_t n, const char* where, bool (*layout)(const RstHeader&));
  template <uint32_t C>
  int average(uint8_t* line);

  uint32_t factor_ = 1;
  uint8_t* buffer_ = nullptr;
};

class RstScaleWidthIAR8 : public RstScaleWidthIAR {
 public:
  // As the front for 1-byte pixels; "RstScaleWidthIAR8::create()".
  static RstRead* create(RstRead* source, uint32_t n);
  RstScaleWidthIAR8(RstRead* source, uint32_t n) : RstScaleWidthIAR(source, n) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthIAR24 : public RstScaleWidthIAR {
 public:
  // As the front for 3-byte pixels; "RstScaleWidthIAR24::create()".
  static RstRead* create(RstRead* source, uint32_t n);
  RstScaleWidthIAR24(RstRead* source, uint32_t n) : RstScaleWidthIAR(source, n) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthIAR32 : public RstScaleWidthIAR {
 public:
  // As the front for 4-byte pixels; "RstScaleWidthIAR32::create()".
  static RstRead* create(RstRead* source, uint32_t n);
  RstScaleWidthIAR32(RstRead* source, uint32_t n) : RstScaleWidthIAR(source, n) {}
  int read(uint8_t* line) override;
};

class RstScaleHeightIAR : public RstScaleHeight {
 public:
  // The source itself for n = 1. No source, n = 0 or n above the source
  // height: -2; not 8-bit raw, or a colormap: -3;
  // "RstScaleHeightIAR::create()".
  static RstRead* create(RstRead* source, uint32_t n);

  // The output height is floor(source height / n).
  RstScaleHeightIAR(RstRead* source, uint32_t n);
  ~RstScaleHeightIAR() override;
  bool initiate() override;
  // Output line r is the mean of source lines r * n to r * n + n - 1, read
  // through the output line.
  int read(uint8_t* line) override;
  // Groups follow one another; there is no position to set.
  void start() override {}

 private:
  // Reads the n lines of the next group through line, summing in sums.
  template <class Sum>
  int add_lines(uint8_t* line, Sum* sums);

  void* sums_ = nullptr;  // 32-bit or 64-bit sums, one per byte of a line
  uint32_t factor_ = 1;
};
