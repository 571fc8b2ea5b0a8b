// The foreground layer of a mixed raster content page: RstShrinkMask thins
// each horizontal run of an 8-bit mask, RstMoveMid marks the middle of every
// gap between runs, and RstGenerateForeFromMask gives every square block the
// mean colour of its thinned-mask pixels and fills the blocks without such
// pixels from their neighbours, splitting each gap at its middle. Masks are
// 0 (clear) and 255 (set); only 255 counts as set.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_compose.h"
#include "raster/core/rst_process.h"
#include "raster/geometry/rst_filter.h"

class RstShrinkMask : public RstFilter<1> {
 public:
  // No source: -2; not 8 bits, 1 sample, sample kind 0, raw and without
  // colormap: -3; both "RstShrinkMask::create()".
  static RstRead* create(RstRead* source);
  explicit RstShrinkMask(RstRead* source);
  // W bytes; 0 at the end or on a short source line.
  int read(uint8_t* line) override;
};

class RstMoveMid : public RstProcess {
 public:
  // No source: -2; not 8 bits, 1 sample, sample kind 0, raw and without
  // colormap: -3; both "RstMoveMid::create()".
  static RstRead* create(RstRead* source);
  explicit RstMoveMid(RstRead* source);
  ~RstMoveMid() override;
  // No memory for the input line: -1 "RstMoveMid::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return line_size_; }

 private:
  int32_t line_size_ = 0;
  uint8_t* in_ = nullptr;
};

class RstGenerateForeFromMask : public RstCompose {
 public:
  // inputs: {image, thinned mask, middle mask}. Not exactly three present
  // inputs or a block side of 0: -2; an image other than 8 bits, 3 samples,
  // sample kind 0, raw, Lab or YCbCr without colormap, masks other than 8
  // bits, 1 sample, sample kind 0, raw without colormap, or sizes that
  // differ: -3; all "RstGenerateForeFromMask::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs, uint32_t block_width, uint32_t block_height);

  RstGenerateForeFromMask(const std::vector<RstRead*>& inputs, uint32_t block_width, uint32_t block_height);
  ~RstGenerateForeFromMask() override;
  void header(RstHeader& h) override;
  // No memory for the rows or the block tables: -1
  // "RstGenerateForeFromMask::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  // Lands on the line a plain read would reach, from any position.
  int skip(int n) override;
  void reset() override;
  int line_size() override { return line_size_; }

 private:
  // The painted line of block row done_, or below the last whole block row
  // the first image line there; false on a short source line.
  bool compute_block_row();
  void paint_row();
  // The sources and block rows back at line 0.
  void rewind();

  RstColorType* color_type_ = nullptr;
  uint32_t bw_, bh_;
  uint32_t nb_ = 0, nr_ = 0;
  uint32_t line_ = 0;
  uint32_t done_ = 0;
  int32_t line_size_ = 0;
  uint32_t width_ = 0, height_ = 0, channels_ = 0;
  bool failed_ = false;
  uint8_t* colours_ = nullptr;
  uint8_t* has_colour_ = nullptr;
  uint8_t* has_middle_ = nullptr;
  uint8_t* class_ = nullptr;
  uint8_t** image_rows_ = nullptr;
  uint8_t** thin_rows_ = nullptr;
  uint8_t** middle_rows_ = nullptr;
  uint8_t* image_block_ = nullptr;
  uint8_t* thin_block_ = nullptr;
  uint8_t* middle_block_ = nullptr;
};
