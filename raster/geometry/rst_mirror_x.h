// RstMirrorX: left-right mirroring, one line at a time in the caller's line.
// The front picks a class by the source's lines: RstMirrorX1 for packed
// bilevel lines (bit-reversal table and one shift pass), RstMirrorX8, ...X24,
// ...X32 and ...Xany for 8-bit pixels of 1, 3, 4 or any number of samples, and
// RstMirrorXRLE for run lines. The nodes pass skip and reset to the source.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstMirrorX : public RstProcess {
 public:
  // No source: -2; none of raw 1-bit 1-sample, raw 8-bit or 1-bit 1-sample
  // run lines: -50; "RstMirrorX::create()".
  static RstRead* create(RstRead* source);

  int skip(int n) override { return n == 0 ? 0 : source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return line_bytes_; }

 protected:
  explicit RstMirrorX(RstRead* source);
  // The source's next line into line; false unless it has line_bytes_ bytes.
  bool read_source(uint8_t* line) { return source()->read(line) == line_bytes_; }

  int32_t line_bytes_ = 0;
  int32_t width_ = 0;
};

class RstMirrorX1 : public RstMirrorX {
 public:
  // No source: -2; not raw 1 bit, 1 sample: -3; "RstMirrorX1::create()".
  static RstMirrorX1* create(RstRead* source);
  explicit RstMirrorX1(RstRead* source) : RstMirrorX(source) {}
  ~RstMirrorX1() override;
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  uint8_t* reverse_table_ = nullptr;
};

class RstMirrorX8 : public RstMirrorX {
 public:
  // No source: -2; not raw 8 bits, 1 sample: -3; "RstMirrorX8::create()".
  static RstMirrorX8* create(RstRead* source);
  explicit RstMirrorX8(RstRead* source) : RstMirrorX(source) {}
  int read(uint8_t* line) override;
};

class RstMirrorX24 : public RstMirrorX {
 public:
  // No source: -2; not raw 8 bits, 3 samples: -3; "RstMirrorX24::create()".
  static RstMirrorX24* create(RstRead* source);
  explicit RstMirrorX24(RstRead* source) : RstMirrorX(source) {}
  int read(uint8_t* line) override;
};

class RstMirrorX32 : public RstMirrorX {
 public:
  // No source: -2; not raw 8 bits, 4 samples: -3; "RstMirrorX32::create()".
  static RstMirrorX32* create(RstRead* source);
  explicit RstMirrorX32(RstRead* source) : RstMirrorX(source) {}
  int read(uint8_t* line) override;
};

class RstMirrorXany : public RstMirrorX {
 public:
  // No source: -2; not raw 8 bits: -3; "RstMirrorXany::create()".
  static RstMirrorXany* create(RstRead* source);
  explicit RstMirrorXany(RstRead* source);
  int read(uint8_t* line) override;

 private:
  int32_t channels_ = 1;
};
