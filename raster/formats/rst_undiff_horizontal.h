// Undoing TIFF horizontal differencing (Predictor 2) row by row: 1-bit rows of
// one sample, where each pixel is the running parity of the stored bits, and
// 8-bit rows of 1, 3 or 4 samples, where each sample adds the one of the pixel
// before it. Rows are undone in place in the caller's line.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstUndiffHorizontal {
 public:
  // No source: -2; any layout but 1 bit x 1 sample or 8 bits x 1, 3 or 4
  // samples of raw lines: -3; both "RstUndiffHorizontal::create()".
  static RstRead* create(RstRead* source);
};

class RstUndiffHorizontal1x1 : public RstReadDecorator {
 public:
  // -2 / -3 with "RstUndiffHorizontal1x1::create()".
  static RstUndiffHorizontal1x1* create(RstRead* source);

  explicit RstUndiffHorizontal1x1(RstRead* source) : RstReadDecorator(source) {}
  // A row shorter than the line size gives 0.
  int read(uint8_t* line) override;
};

template <int N>
class RstUndiffHorizontal8xN : public RstReadDecorator {
 public:
  // -2 / -3 with "RstUndiffHorizontal8xN::create()".
  static RstUndiffHorizontal8xN* create(RstRead* source);

  explicit RstUndiffHorizontal8xN(RstRead* source) : RstReadDecorator(source) {}
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  int64_t samples_ = 0;  // samples of a row
};
