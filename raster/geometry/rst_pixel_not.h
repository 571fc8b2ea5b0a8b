// Pixel inversion: every bit of every line is inverted, so a bilevel image
// swaps black and white and an unsigned sample v of b bits becomes
// 2^b - 1 - v, whatever the channel layout. RstPixelUnaryOperation is the
// base of the in-place line operations: the source reads straight into the
// caller's line and the header is the source's.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstPixelUnaryOperation : public RstProcess {
 public:
  // Keeps the source's line size.
  explicit RstPixelUnaryOperation(RstRead* source);
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return line_size_; }

 protected:
  int line_size_ = 0;
};

class RstPixelNot : public RstPixelUnaryOperation {
 public:
  // No source: -2; a colormap (indices are not inverted) or lines that are
  // neither raw nor run lines: -50; all "RstPixelNot::create()". Run lines
  // go to RstPixelNotRLE.
  static RstPixelUnaryOperation* create(RstRead* source);

  explicit RstPixelNot(RstRead* source) : RstPixelUnaryOperation(source) {}
  // The line size, or 0 when the source gives a short line or none.
  int read(uint8_t* line) override;
};

// Inversion of bilevel run lines: the gaps between the runs become the runs.
// Source runs are not trusted: only the whole pairs a read returned are
// walked, runs are clamped to the width, and overlapping or unordered runs
// are merged, so the output is always sorted, separated and inside the line.
class RstPixelNotRLE : public RstPixelUnaryOperation {
 public:
  // No source: -2; not a 1-bit, 1-sample run-line image: -3;
  // "RstPixelNotRLE::create()".
  static RstPixelNotRLE* create(RstRead* source);

  explicit RstPixelNotRLE(RstRead* source) : RstPixelUnaryOperation(source) {}
  ~RstPixelNotRLE() override;
  bool initiate() override;
  // Bytes written (8 per pair with the terminator), or 0 at the end.
  int read(uint8_t* line) override;

 private:
  int32_t* runs_ = nullptr;
  int32_t runs_size_ = 0;  // bytes of the run buffer
  int32_t last_ = -1;      // last column
};
