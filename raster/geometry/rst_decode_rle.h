// RstDecodeRLE: bilevel run lines (first and last pixel of each run of set
// pixels, ended by (-1, -1)) painted into raw 1-bit lines, most significant
// bit first. Runs are not trusted: only the whole pairs a line delivers are
// walked, each run is clamped to the width, and runs are ORed in, so that a
// malformed line can never write outside the output line.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstDecodeRLE : public RstProcess {
 public:
  // No source: -2; not 1 bit, 1 sample, run lines: -3; "RstDecodeRLE::create()".
  static RstDecodeRLE* create(RstRead* source);

  explicit RstDecodeRLE(RstRead* source) : RstProcess(source) {}
  ~RstDecodeRLE() override;

  // The source's header with raw lines.
  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { source()->reset(); }
  int line_size() override { return line_bytes_; }

 private:
  int32_t* runs_ = nullptr;
  int32_t line_bytes_ = 0;
  int32_t width_ = 0;
  int32_t runs_size_ = 0;  // bytes of the run buffer
};
