// RstEncodeRLE: a node that turns a raw 1-bit source into run lines (data
// form 15), one packed row at a time.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_encode_rle_core.h"
#include "raster/core/rst_process.h"

class RstEncodeRLE : public RstProcess {
 public:
  // No source: -2; not 1 bit, 1 sample, raw: -3; both "RstEncodeRLE::create()".
  static RstEncodeRLE* create(RstRead* source);

  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return bound_; }
  ~RstEncodeRLE() override;

  // Use create().
  RstEncodeRLE(RstRead* source, int32_t width);

 private:
  uint8_t* row_ = nullptr;
  int32_t source_line_size_ = 0;
  int32_t bound_ = 0;
  RstEncodeRLECore core_;
};
