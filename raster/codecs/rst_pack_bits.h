// PackBits, the byte run coding of TIFF (data form 10): the line packer and
// its worst-case bound, the decoder's staging buffer that lets a run continue
// from one line into the next, and the two nodes RstPackBits (raw lines to
// packed lines, each line on its own) and RstUnPackBits (a packed byte stream
// to raw lines).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_code_buffer.h"
#include "raster/codecs/rst_encode_buffer.h"
#include "raster/core/rst_process.h"

class RstPackBits : public RstProcess {
 public:
  // Null source, or a source that is not raw: -2 "RstPackBits::create()".
  static RstPackBits* create(RstRead* source);

  // Appends the PackBits code of count bytes to buffer (bytes beyond its
  // capacity are dropped); the bytes the buffer then holds.
  static int32_t pack(RstEncodeBuffer& buffer, const uint8_t* data, int32_t count);
  // A buffer size that always holds the code of n bytes: about 4/3 n + 1.
  static int32_t max_packed_size(int32_t n);

  void header(RstHeader& h) override;
  // The packed-line bound and the input line; out of memory: -1
  // "RstPackBits::initiate()".
  bool initiate() override;
  // One packed line; 0 when the source has no full line left.
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return bound_; }
  ~RstPackBits() override;

  // Use create().
  explicit RstPackBits(RstRead* source);

 private:
  int32_t bound_ = 0;
  uint8_t* input_ = nullptr;
  int32_t input_size_ = 0;
};

// The decoder's staging area: the bytes of the current run, handed out as
// lines ask for them.
class PackBitsRunBuffer {
 public:
  PackBitsRunBuffer() { clear(); }

  // Delivers n decoded bytes into out: 1, or -4 when the code ended where a
  // header or run value byte was due (the rest of out is then set to 0).
  // A literal cut short by the end of the code is completed with 0xFF and
  // noted in short_literal.
  int32_t read(RstCodeBuffer& code, uint8_t* out, int32_t n);
  void clear() {
    position = 0;
    count = 0;
    short_literal = false;
  }

  uint8_t data[128];
  int32_t position;
  int32_t count;
  bool short_literal;  // set by read when a literal was completed with 0xFF
};

class RstUnPackBits : public RstProcess {
 public:
  // Null source: -2; data form not 10: -3; both "RstUnPackBits::create()".
  static RstUnPackBits* create(RstRead* source);

  RstUnPackBits(RstRead* source, int32_t line_bytes, int32_t height);

  void header(RstHeader& h) override;
  bool initiate() override { return code_.ok(); }
  // One raw line. Where the code ended early the line is completed (0 bytes
  // after the end, 0xFF in a cut literal) and warning 4
  // "RstUnPackBits::read()" is reported for it and every later line.
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override { return line_bytes_; }

 private:
  int32_t status_ = 1;
  int32_t lines_left_;
  int32_t height_;
  int32_t line_bytes_;
  RstCodeBuffer code_;
  PackBitsRunBuffer runs_;
};
