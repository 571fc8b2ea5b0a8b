// Bit-depth expansion without colour work: 1-bit samples become bytes of two
// values the caller chooses, 4-bit samples become bytes keeping 0 .. 15. Both
// keep the colormap, so that an indexed image stays indexed.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstConvertBits1To8 : public RstProcess {
 public:
  // An 8-bit source is returned as it is. No source, or a colormap with a
  // value above 1: -2; not 1-bit unsigned raw, or an output line above
  // 2^31 - 1 bytes: -3; all "RstConvertBits1To8::create()". Every sample is
  // widened, whatever the samples per pixel.
  static RstRead* create(RstRead* source, uint8_t zero, uint8_t one);

  RstConvertBits1To8(RstRead* source, uint8_t zero, uint8_t one);
  ~RstConvertBits1To8() override;

  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override;

 private:
  uint32_t whole_bytes_ = 0;
  uint32_t samples_per_line_ = 0;
  uint32_t remaining_bits_ = 0;
  uint8_t zero_;
  uint8_t one_;
  int32_t source_line_size_ = 0;
  uint8_t* line_buffer_ = nullptr;
  uint8_t* table_ = nullptr;  // 256 x 8 output bytes, one row per input byte
};

class RstConvertBits4To8NoRangeConversion : public RstProcess {
 public:
  // No source: -2; not 4-bit unsigned raw (8-bit too), or an output line
  // above 2^31 - 1 bytes: -3; "RstConvertBits4To8NoRangeConversion::create()".
  static RstRead* create(RstRead* source);

  explicit RstConvertBits4To8NoRangeConversion(RstRead* source) : RstProcess(source) {}
  ~RstConvertBits4To8NoRangeConversion() override;

  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override;

 private:
  uint32_t whole_bytes_ = 0;
  uint32_t odd_ = 0;
  uint8_t* line_buffer_ = nullptr;
  uint32_t samples_per_line_ = 0;
  int32_t source_line_size_ = 0;
};
