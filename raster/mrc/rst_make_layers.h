// The layer makers of a mixed raster content page: RstMakeFore and
// RstMakeBack prepare the mask (8 bits, fan-out, thinning, gap middles,
// dilation, expansion) and assemble the generator of the foreground or
// background layer; RstConvertBits24To8 selects the dark, nearly neutral
// pixels of a Lab page as an 8-bit mask.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstMakeFore {
 public:
  // image: 8 bits, 3 samples, sample kind 0, raw, Lab or YCbCr without
  // colormap; mask: 1 bit, 1 sample, sample kind 0, raw without colormap,
  // the image's size. mode 1: blocks of 8, 8: blocks of 32, else 16. A node
  // missing: -2; inputs not accepted: -3; no memory for the generator's
  // input list: -1; all "RstMakeFore::create()". The foreground layer: the
  // image's header.
  static RstRead* create(RstRead* image, RstRead* mask, int32_t mode);
};

class RstMakeBack {
 public:
  // mask: 1 bit, 1 sample, sample kind 0 without colormap, the image's size,
  // raw or run lines. mode 1: 16 x 16 block background (image 8 bits, sample
  // kind 0 without colormap, gray, ITU Lab or YCbCr); mode 0: pixel
  // background over a 5 x 5 window (image ITU Lab). A node missing or
  // another mode: -2; inputs not accepted: -3; all "RstMakeBack::create()".
  // The background layer: the image's header.
  static RstRead* create(RstRead* image, RstRead* mask, int32_t mode);
};

class RstConvertBits24To8 : public RstProcess {
 public:
  // No source: -2; not 8 bits, 3 samples, sample kind 0, raw, Lab without
  // colormap: -3; both "RstConvertBits24To8::create()". A pixel (L, a, b)
  // becomes selected when L < limit and (b - 96)^2 + (a - 128)^2 < radius^2,
  // else other.
  static RstRead* create(RstRead* source, uint8_t limit, int32_t radius, uint8_t other, uint8_t selected);

  RstConvertBits24To8(RstRead* source, uint8_t limit, int32_t radius, uint8_t other, uint8_t selected);
  ~RstConvertBits24To8() override;
  // The source's header with 1 sample of L*.
  void header(RstHeader& h) override;
  // No memory for the line buffer: -1 "RstConvertBits24To8::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return width_; }

 private:
  uint8_t limit_;
  uint32_t radius2_;
  uint8_t other_;
  uint8_t selected_;
  int32_t source_line_ = 0;
  uint8_t* buffer_ = nullptr;
  int32_t width_ = 0;
};
