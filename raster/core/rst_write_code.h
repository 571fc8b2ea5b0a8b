// RstWriteCode: copies the chunks of an already coded source (a code reader)
// unchanged into an output storage, through an 8192-byte output buffer.
#pragma once

#include <cstdint>

#include "raster/core/rst_write_data.h"

class RstWriteCode : public RstWriteData {
 public:
  // No source or target, or a closed target: -2 "RstWriteCode::create()".
  static RstWriteCode* create(RstRead* source, OutputStorage* target, bool bit_reverse);

  bool initiate() override;
  // One chunk; 0 at the end of the code, or after a short write (-11).
  int write() override;

  RstWriteCode(RstRead* source, OutputStorage* target, bool bit_reverse);
};
