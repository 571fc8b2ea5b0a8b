// RstWriteRaw: writes the raw lines of its source at a fixed stride into an
// output storage, top-down or bottom-up (the image's last line stored first),
// optionally bit-reversed. The bytes between a line's end and the stride are
// zeros.
#pragma once

#include <cstdint>

#include "raster/core/rst_write_data.h"

class RstWriteRaw : public RstWriteData {
 public:
  // A code source (RstCodeSource): -5; no source or target, a closed target,
  // a stride of 0 or below, shorter than the source's line, or a stride x
  // height above 2^31 - 1: -2; a coded source: -3; all "RstWriteRaw::create()".
  static RstWriteRaw* create(RstRead* source, OutputStorage* target, int32_t stride, bool bottom_up, bool bit_reverse);

  bool initiate() override;
  // One line: its stride bytes, then the move to the next line's place.
  int write() override;

  int32_t stride() const { return stride_; }

  // Use create().
  RstWriteRaw(RstRead* source, OutputStorage* target, int32_t stride, bool bottom_up, bool bit_reverse);

 protected:
  // The checks of create that concern the source and the stride.
  static bool check_source(RstRead* source, int32_t stride, const char* where);

 private:
  int32_t stride_;
  bool bottom_up_;
  int32_t lines_left_ = 0;
  int64_t gap_ = 0;  // move after a line: 0 top-down, back over two strides bottom-up
};
