// Byte-swaps the 16-bit samples of raw lines: the library holds them in host
// order, a big-endian TIFF file stores them most significant byte first.
#pragma once

#include "raster/core/rst_process.h"

class RstSwapSamples16 : public RstProcess {
 public:
  // No source: -2; not raw 16-bit lines: -3; "RstSwapSamples16::create()".
  static RstSwapSamples16* create(RstRead* source);
  explicit RstSwapSamples16(RstRead* source) : RstProcess(source) {}

  int read(uint8_t* line) override;
  int skip(int n) override { return static_cast<RstRead*>(source())->skip(n); }
  void reset() override { static_cast<RstRead*>(source())->reset(); }
  int line_size() override { return static_cast<RstRead*>(source())->line_size(); }
};
