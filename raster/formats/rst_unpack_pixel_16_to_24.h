// RstUnpackPixel16To24: 16-bit pixels split by three channel masks into three
// 8-bit samples, each channel's bits moved to the top of its byte (a 5-bit v
// becomes 8 x v).
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstUnpackPixel16To24 : public RstProcess {
 public:
  // Source missing, masks overlapping or all zero: -2; source not raw or not
  // 3 samples: -3; both "RstUnpackPixel16To24::create".
  static RstRead* create(RstRead* source, uint32_t red_mask, uint32_t green_mask, uint32_t blue_mask);

  RstUnpackPixel16To24(RstRead* source, const uint16_t masks[3]);
  ~RstUnpackPixel16To24() override;

  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return line_size_; }

 private:
  uint16_t masks_[3];
  int32_t right_[3];
  int32_t left_[3];
  int32_t pixels_ = 0;
  int32_t line_size_ = 0;
  uint16_t* buffer_ = nullptr;
};
