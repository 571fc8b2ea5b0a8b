// RstDecodeRLCToRLE: EDMICS run-length coding (data form 21: per line a
// big-endian run count, then start and exclusive end columns) to run lines.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_code_buffer.h"
#include "raster/core/rst_process.h"

class RstDecodeRLCToRLE : public RstProcess {
 public:
  // Null source: -2; data form not 21: -3; both "RstDecodeRLCToRLE::create".
  static RstDecodeRLCToRLE* create(RstRead* source);

  RstDecodeRLCToRLE(RstRead* source, int32_t width, int32_t height);

  void header(RstHeader& h) override;
  bool initiate() override { return code_.ok(); }
  // A line of runs clipped to the width, kept in order and maximal; a line
  // that needed repair is reported as warning 4. Once the data has ended
  // every line is white, each with warning 4.
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override { return line_size_; }

 private:
  int32_t take16();

  int32_t line_size_;
  int32_t lines_left_;
  int32_t status_ = 1;
  RstCodeBuffer code_;
  int32_t width_;
  int32_t height_;
};
