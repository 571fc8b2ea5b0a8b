// Windows bitmap run-length decoding (BI_RLE8 and BI_RLE4) of one code stream
// into rows of 8-bit or packed 4-bit indices, bottom row first as stored.
// Every write is clipped to the row; rows the codes skip or never reach are
// zero (index 0).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_code_buffer.h"
#include "raster/core/rst_process.h"

class RstDecodeWinRLE : public RstProcess {
 public:
  RstDecodeWinRLE(RstRead* source, int32_t bits, const char* where);

  // The source's header as raw data.
  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override { return line_size_; }

 private:
  // Writes n pixels of value v (4 bits: alternating nibbles) from pixel X.
  void run(uint8_t* line, int32_t n, int32_t v);
  // Copies an absolute run of n pixels; false when the code ends inside it.
  bool absolute(uint8_t* line, int32_t n);
  void put(uint8_t* line, int32_t x, int32_t v);
  // Marks the stream broken: warning 4 now and for every later row.
  int fail();

  int32_t bits_;
  const char* where_;
  int32_t width_ = 0;
  int32_t line_size_ = 0;
  int32_t rows_left_ = 0;
  int64_t y_ = 0;  // row being delivered
  int64_t t_ = 0;  // row the codes stand at
  int64_t x_ = 0;  // pixel the codes stand at
  int32_t status_ = 1;
  RstCodeBuffer code_;
};

template <int Bits>
class RstWinRLEDecoder : public RstDecodeWinRLE {
 public:
  explicit RstWinRLEDecoder(RstRead* source)
      : RstDecodeWinRLE(source, Bits, Bits == 8 ? "RstDecodeWinRLE8::read()" : "RstDecodeWinRLE4::read()") {}
};

class RstDecodeWinRLE8 {
 public:
  // Null source: -2 "RstDecodeWinRLE8::create()"; no code buffer: -1, null.
  static RstRead* create(RstRead* source);
};

class RstDecodeWinRLE4 {
 public:
  // Null source: -2 "RstDecodeWinRLE4::create()"; no code buffer: -1, null.
  static RstRead* create(RstRead* source);
};
