// RstMerge8bitPlanes: N one-channel 8-bit planes of one size interleaved into
// one N-channel image labelled with a given colour type (the JPEG writer
// joins a luma plane with its two filtered chroma planes this way).
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstColorType;

class RstMerge8bitPlanes : public RstCompose {
 public:
  // No planes or no colour type: -2; a null plane: -1; a plane not 8-bit,
  // one sample, raw and without colormap, or of another size than plane 0:
  // -3; all "RstMerge8bitPlanes::create()". One plane: that plane itself,
  // its header unchanged. Null on failure, the planes left to the caller.
  static RstRead* create(const std::vector<RstRead*>& planes, RstColorType* color_type);

  RstMerge8bitPlanes(const std::vector<RstRead*>& planes, RstColorType* color_type);
  ~RstMerge8bitPlanes() override;
  // Plane 0's header with N samples per pixel and the given colour type.
  void header(RstHeader& h) override;
  // No memory for the line buffer: -1 "RstMerge8bitPlanes::initiate()".
  bool initiate() override;
  // N x width bytes, or 0 as soon as a plane gives a short line.
  int read(uint8_t* line) override;
  // Every plane skips; the last plane's count.
  int skip(int n) override;
  void reset() override;
  int line_size() override { return int(line_size_); }

 private:
  uint32_t line_size_ = 0;
  uint32_t width_ = 0;
  uint32_t planes_ = 0;
  RstColorType* color_type_;
  uint8_t* buffer_ = nullptr;  // plane k's line at k x width
};
