// The row converter from packed 1-bit rows (most significant bit first) to
// run lines: whole 32-bit words of all-clear or all-set bits are taken at
// once, and mixed words run by run.
#pragma once

#include <cstdint>

class RstEncodeRLECore {
 public:
  explicit RstEncodeRLECore(int32_t width);

  // Converts a row into a run line in out (which holds buffer_size() bytes)
  // and returns its bytes, terminator included. The row's last byte is
  // masked during the call and restored before it returns.
  int32_t encode_line(uint8_t* row, void* out) const;

  int32_t buffer_size() const { return ((width + 1) / 2) * 8 + 8; }

  int32_t width;
  int32_t word_bits;
  int32_t width_mod8;
  int32_t tail_bytes;
  uint8_t tail_mask;
  int32_t last_byte_index;
};
