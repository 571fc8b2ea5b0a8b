// Column clips: w columns from column x, fewer when the line ends first.
// Raw lines are cut by one block copy (RstClipWidthBS, whole bytes) or one
// pass of byte shifts (RstClipWidthIS, 1-bit lines from inside a byte); run
// lines are mapped run by run (RstClipWidthRLE) without painting pixels.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstClipWidth : public RstProcess {
 public:
  // The source itself when x = 0 and w covers the line. No source, w of 0, a
  // negative x, or x at or past the last column: -2; coded lines other
  // than run lines: -3; a depth other than 1 (1 sample), 8, 16, 24 or 32
  // bits: -50; "RstClipWidth::create()".
  static RstRead* create(RstRead* source, int32_t x, uint32_t w);

  RstClipWidth(RstRead* source, uint32_t x, uint32_t w);
  ~RstClipWidth() override;

  // The source's header with the kept width.
  void header(RstHeader& h) override;
  bool initiate() override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return int(byte_count_); }

 protected:
  // Reads a source line into the input buffer; false at the end or on a line
  // of another length.
  bool read_input();

  uint32_t w_;
  uint32_t byte_offset_ = 0;
  uint32_t byte_count_ = 0;
  uint8_t* input_ = nullptr;
  int32_t input_size_ = 0;
  uint8_t mask_ = 0xFF;  // kept bits of the last output byte
};

class RstClipWidthBS : public RstClipWidth {
 public:
  // As RstClipWidth::create for whole-byte columns; "RstClipWidthBS::create()".
  static RstRead* create(RstRead* source, int32_t x, uint32_t w);
  using RstClipWidth::RstClipWidth;
  int read(uint8_t* line) override;
};

class RstClipWidthIS : public RstClipWidth {
 public:
  // As RstClipWidth::create for 1-bit lines from inside a byte;
  // "RstClipWidthIS::create()".
  static RstRead* create(RstRead* source, int32_t x, uint32_t w);
  RstClipWidthIS(RstRead* source, uint32_t x, uint32_t w) : RstClipWidth(source, x, w), shift_(x & 7) {}
  int read(uint8_t* line) override;

 private:
  uint32_t shift_;
};

// The base of the run clips: columns x to last of run lines or valued runs.
// Runs are not trusted: only the whole entries a read returned are walked,
// runs are clamped to the kept columns, and a run starting inside an earlier
// one is trimmed, so the output is sorted and fits the node's line size.
class RstClipWidthRLECommon : public RstProcess {
 public:
  RstClipWidthRLECommon(RstRead* source, uint32_t x, uint32_t w)
      : RstProcess(source), x_(int32_t(x)), last_(int32_t(x + w - 1)) {}
  ~RstClipWidthRLECommon() override;

  // The source's header with the kept width.
  void header(RstHeader& h) override;
  bool initiate() override;
  int skip(int n) override { return n == 0 ? 0 : source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return output_size_; }
  virtual int32_t output_line_size() = 0;

 protected:
  uint8_t* input_ = nullptr;
  int32_t input_size_ = 0;
  int32_t x_;
  int32_t last_;
  int32_t output_size_ = 0;
};

class RstClipWidthRLE : public RstClipWidthRLECommon {
 public:
  // As RstClipWidth::create; not 1-bit, 1-sample run lines: -3;
  // "RstClipWidthRLE::create()".
  static RstRead* create(RstRead* source, int32_t x, uint32_t w);
  using RstClipWidthRLECommon::RstClipWidthRLECommon;
  int read(uint8_t* line) override;
  int32_t output_line_size() override;
};

// The valued-run clip for 8-, 16- and 32-bit values.
template <typename T>
class RstClipWidthRLEN : public RstClipWidthRLECommon {
 public:
  // As RstClipWidth::create; not valued runs with 1 sample: -3;
  // "RstClipWidthRLEN::create()".
  static RstRead* create(RstRead* source, int32_t x, uint32_t w);
  using RstClipWidthRLECommon::RstClipWidthRLECommon;
  int read(uint8_t* line) override;
  // One run per column and the terminator.
  int32_t output_line_size() override { return 12 * (last_ - x_) + 24; }
};

extern template class RstClipWidthRLEN<uint8_t>;
extern template class RstClipWidthRLEN<uint16_t>;
extern template class RstClipWidthRLEN<uint32_t>;
