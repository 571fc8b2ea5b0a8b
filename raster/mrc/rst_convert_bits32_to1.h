// Thresholds of 32-bit images (label images) to bilevel masks: every value
// above the threshold, as an unsigned number, becomes a set pixel.
// RstConvertBits32To1Threshold makes packed raw lines, most significant bit
// first; RstConvertBits32To1ThresholdRLE turns valued runs into run lines,
// one run for each passing record (touching runs are not merged).
#pragma once

#include <cstdint>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_process.h"

class RstConvertBits32To1ThresholdCommon : public RstProcess {
 public:
  RstConvertBits32To1ThresholdCommon(RstRead* source, uint32_t threshold, RstColorType* color_type);
  // The source's header with 1 bit per sample and the colour type; the
  // derived class sets the data form.
  void header(RstHeader& h) override;
  int skip(int n) override { return n == 0 ? 0 : source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return line_size_; }

 protected:
  // The checks of both creates; false after a report at where.
  static bool accepts(RstRead* source, int32_t data_form, const char* where);

  uint32_t threshold_;
  RstColorType* color_type_;
  int32_t line_size_ = 0;
};

class RstConvertBits32To1Threshold : public RstConvertBits32To1ThresholdCommon {
 public:
  // Source: 32 bits, 1 sample, sample kind 0, raw, no colormap. No source:
  // -2, another: -3, both "RstConvertBits32To1Threshold::create()".
  static RstConvertBits32To1Threshold* create(RstRead* source, uint32_t threshold, RstColorType* color_type);

  RstConvertBits32To1Threshold(RstRead* source, uint32_t threshold, RstColorType* color_type)
      : RstConvertBits32To1ThresholdCommon(source, threshold, color_type) {}
  ~RstConvertBits32To1Threshold() override;
  void header(RstHeader& h) override;
  // No memory for the work line: -1 "RstConvertBits32To1Threshold::initiate()".
  bool initiate() override;
  // (width + 7) / 8 bytes; 0 at the end or when the source line is short.
  int read(uint8_t* line) override;

 private:
  uint32_t* values_ = nullptr;  // the width rounded up to 8 values
  int32_t width_ = 0;
  int32_t source_line_size_ = 0;
};

class RstConvertBits32To1ThresholdRLE : public RstConvertBits32To1ThresholdCommon {
 public:
  // Source: 32 bits, 1 sample, sample kind 0, valued runs, no colormap. No
  // source: -2, another: -3, both "RstConvertBits32To1ThresholdRLE::create()".
  static RstConvertBits32To1ThresholdRLE* create(RstRead* source, uint32_t threshold, RstColorType* color_type);

  RstConvertBits32To1ThresholdRLE(RstRead* source, uint32_t threshold, RstColorType* color_type)
      : RstConvertBits32To1ThresholdCommon(source, threshold, color_type) {}
  ~RstConvertBits32To1ThresholdRLE() override;
  void header(RstHeader& h) override;
  // No memory for the work line: -1 "RstConvertBits32To1ThresholdRLE::initiate()".
  bool initiate() override;
  // 8 x (runs + 1) bytes; 0 when the source gives nothing.
  int read(uint8_t* line) override;

 private:
  uint8_t* records_ = nullptr;
  int32_t source_line_size_ = 0;
  int32_t max_runs_ = 0;
};
