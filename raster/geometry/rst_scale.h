// The scaling fronts: a two-axis scaling split into one width and one height
// scaler of one method, the height scaler first when the height shrinks (so
// that fewer lines reach the width scaler), the width scaler first
// otherwise. Raw lines go to the raw scalers, run lines to the run-line
// scalers. A negative width mirrors; a height of 0 or below is refused.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"

class RstScaleNN {
 public:
  // Nearest neighbour: RstScaleWidthNN and RstScaleHeight0D on raw lines,
  // RstScaleRLENN on run lines. No source, width 0 or height of 0 or below:
  // -2; other line forms: -3; "RstScaleNN::create()". The source itself
  // when nothing changes; null on any failure, the source left to the caller.
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScaleLI {
 public:
  // Linear interpolation: RstScaleWidthLI and RstScaleHeightLI by the order
  // rule. No source, width 0 or height of 0 or below: -2
  // "RstScaleLI::create()"; the scalers test the layout.
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScalePP {
 public:
  // Area averaging: RstScaleWidthPP and RstScaleHeightPP by the order rule.
  // No source, width 0 or height of 0 or below: -2 "RstScalePP::create()";
  // the scalers test the layout.
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScaleIAR {
 public:
  // Block means of x_factor x y_factor pixels: RstScaleHeightIAR first, then
  // RstScaleWidthIAR. No source or a factor 0: -2 "RstScaleIAR::create()";
  // the source itself for factors 1 and 1.
  static RstRead* create(RstRead* source, uint32_t x_factor, uint32_t y_factor);
};

class RstScaleOR {
 public:
  // As RstScaleNN::create with RstScaleWidthOR and RstScaleHeightOR, run
  // lines to RstScaleRLEOR; "RstScaleOR::create()".
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScaleAND {
 public:
  // As RstScaleOR::create with the AND scalers; "RstScaleAND::create()".
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScaleRLENN {
 public:
  // The run-line nearest-neighbour pair. No source, width 0 or height of 0
  // or below: -2 "RstScaleRLENN::create()"; the scalers test the lines.
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScaleRLEOR {
 public:
  // As RstScaleRLENN::create with the OR pair; "RstScaleRLEOR::create()".
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};

class RstScaleRLEAND {
 public:
  // As RstScaleRLENN::create with the AND pair; "RstScaleRLEAND::create()".
  static RstRead* create(RstRead* source, int32_t width, int32_t height);
};
