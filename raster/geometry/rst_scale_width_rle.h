// Width scaling of bilevel run lines without painting pixels: each source
// run maps to an output span through the factor k = (target << 12) / source
// (20.12 fixed point). Enlarging, every variant rounds both run edges to the
// nearest output column. Reducing, RstScaleWidthRLEOR sets output column j
// exactly when a set source column x has floor(x k / 4096) = j, so thin runs
// survive; RstScaleWidthRLEAND keeps only the columns a run covers well;
// RstScaleWidthRLENN rounds the run edges. Spans that touch are joined.
// Source runs are walked with RstRunWalk: the output is always sorted,
// separated and inside the target width.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstScaleWidthRLE : public RstProcess {
 public:
  // target: the width after the sign has been taken off.
  RstScaleWidthRLE(RstRead* source, int32_t target);
  ~RstScaleWidthRLE() override;

  // The source's header with the target width.
  void header(RstHeader& h) override;
  // False (after the constructor's report) when the input buffer is missing.
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return n == 0 ? 0 : source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return output_size_; }

 protected:
  enum class Mode { or_, and_, nn };
  // The checks and the build shared by the three creates; where is the
  // variant's create where-text.
  static RstRead* create(RstRead* source, int32_t width, Mode mode, const char* where);

  Mode mode_ = Mode::nn;

 private:
  int32_t* input_ = nullptr;
  int32_t input_size_ = 0;  // bytes of the input buffer
  int32_t source_width_ = 0;
  int32_t target_ = 0;
  int64_t k_ = 0;
  int32_t output_size_ = 0;
};

class RstScaleWidthRLEOR : public RstScaleWidthRLE {
 public:
  // The source itself for its own width. No source or width 0: -2; scaling
  // needed and not 1-bit, 1-sample run lines, a source width of 0, a source
  // or target width of 2^19 or more, or a factor that rounds to 0: -3;
  // "RstScaleWidthRLEOR::create()". A negative width mirrors the line first.
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthRLEOR(RstRead* source, int32_t target) : RstScaleWidthRLE(source, target) { mode_ = Mode::or_; }
};

class RstScaleWidthRLEAND : public RstScaleWidthRLE {
 public:
  // As RstScaleWidthRLEOR::create; "RstScaleWidthRLEAND::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthRLEAND(RstRead* source, int32_t target) : RstScaleWidthRLE(source, target) { mode_ = Mode::and_; }
};

class RstScaleWidthRLENN : public RstScaleWidthRLE {
 public:
  // As RstScaleWidthRLEOR::create; "RstScaleWidthRLENN::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthRLENN(RstRead* source, int32_t target) : RstScaleWidthRLE(source, target) { mode_ = Mode::nn; }
};
