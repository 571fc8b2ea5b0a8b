// Binary pixel operations on run lines of the same size, without painting
// pixels: AND and OR of two bilevel run-line images, and a 32-bit label image
// in valued runs cut down to the set pixels of a bilevel run-line image. The
// input lines are not trusted: only what a read returned is walked, runs are
// clamped to the width, and the output never outgrows the caller's line.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstPixelBinaryOperationSameSizeRLECommon : public RstCompose {
 public:
  // Links inputs[0] (A) and inputs[1] (B).
  explicit RstPixelBinaryOperationSameSizeRLECommon(const std::vector<RstRead*>& inputs);
  ~RstPixelBinaryOperationSameSizeRLECommon() override;
  // A's header.
  void header(RstHeader& h) override;
  // The two run buffers; -1 "RstPixelBinaryOperation::initiate()".
  bool initiate() override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return line_size_; }

 protected:
  // Reads A and B into their buffers; false at the end of either.
  bool read_both();

  int line_size_ = 0;  // A's
  int32_t width_ = 0;
  int32_t* a_runs_ = nullptr;
  int32_t* b_runs_ = nullptr;
  int a_size_ = 0, b_size_ = 0;    // bytes of the buffers
  int a_bytes_ = 0, b_bytes_ = 0;  // bytes the latest reads returned
};

class RstPixelBinaryOperationSameSizeRLE1 : public RstPixelBinaryOperationSameSizeRLECommon {
 public:
  using RstPixelBinaryOperationSameSizeRLECommon::RstPixelBinaryOperationSameSizeRLECommon;
  // Bytes of the merged line (8 per run and the terminator), 0 at the end.
  int read(uint8_t* line) override;

 protected:
  virtual int merge_runs(uint8_t* line) = 0;
};

class RstPixelAndSameSizeRLE1 : public RstPixelBinaryOperationSameSizeRLE1 {
 public:
  // Vector not of two present inputs: -2; not both 1-bit, 1-sample,
  // unsigned run lines of one size and colour type: -3;
  // "RstPixelAndSameSizeRLE1::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);
  using RstPixelBinaryOperationSameSizeRLE1::RstPixelBinaryOperationSameSizeRLE1;

 protected:
  int merge_runs(uint8_t* line) override;
};

class RstPixelOrSameSizeRLE1 : public RstPixelBinaryOperationSameSizeRLE1 {
 public:
  // As the And; "RstPixelOrSameSizeRLE1::create()". Runs that touch join.
  static RstRead* create(const std::vector<RstRead*>& inputs);
  using RstPixelBinaryOperationSameSizeRLE1::RstPixelBinaryOperationSameSizeRLE1;

 protected:
  int merge_runs(uint8_t* line) override;
};

class RstPixelAndSameSizeRLEN32_RLE1 : public RstPixelBinaryOperationSameSizeRLECommon {
 public:
  // {A 32-bit valued runs, B bilevel run lines} of one size, 1 sample,
  // unsigned. Vector: -2; other forms: -3;
  // "RstPixelAndSameSizeRLEN32_RLE1::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);
  using RstPixelBinaryOperationSameSizeRLECommon::RstPixelBinaryOperationSameSizeRLECommon;
  // A's valued runs kept where B is set: (value, first, last) triples and
  // the terminator (0, -1, -1); 12 bytes each. Triples beyond the line are
  // dropped.
  int read(uint8_t* line) override;
};
