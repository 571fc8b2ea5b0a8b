// RstMirrorXRLE: bilevel run lines mirrored left to right without painting
// pixels: run (first, last) becomes (width - 1 - last, width - 1 - first) and
// the order of the runs is reversed. Runs are not trusted: only the whole
// pairs a read returned are walked, runs are clamped to the width, and
// overlapping, touching or unordered runs are merged, so the output is sorted,
// separated and never longer than the line.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstMirrorXRLE : public RstProcess {
 public:
  // No source: -2; not 1 bit, 1 sample, run lines: -3; "RstMirrorXRLE::create()".
  static RstMirrorXRLE* create(RstRead* source);

  explicit RstMirrorXRLE(RstRead* source) : RstProcess(source) {}
  ~RstMirrorXRLE() override;

  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return line_bytes_; }

 private:
  int32_t* runs_ = nullptr;
  int32_t line_bytes_ = 0;  // the source's line size
  int32_t runs_size_ = 0;   // bytes of the run buffer
  int32_t last_x_ = -1;
};
