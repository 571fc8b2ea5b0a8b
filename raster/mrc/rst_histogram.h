// RstHistogram: an image node that counts, when it is initiated, the values
// of every sample channel of its 8-bit source into one histogram per channel
// in the caller's vector, and then passes the source's lines through from
// line 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/core/rst_process.h"
#include "raster/mrc/rst_histogram_data.h"

class RstHistogramCore : public RstProcess {
 public:
  RstHistogramCore(RstRead* source, std::vector<RstHistogramData>* out);
  ~RstHistogramCore() override;

  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { static_cast<RstRead*>(source())->reset(); }
  int line_size() override { return static_cast<RstRead*>(source())->line_size(); }

 protected:
  // Adds the line in line_ to the histograms.
  virtual void count_line() = 0;
  void rewind_once();

  std::vector<RstHistogramData>* out_;
  int32_t samples_ = 0;
  int32_t bits_ = 0;
  int32_t width_ = 0;
  int32_t source_line_size_ = 0;
  uint8_t* line_ = nullptr;
  bool must_rewind_ = true;
};

class RstHistogram : public RstHistogramCore {
 public:
  // The source must be 8 bits, raw, sample kind 0 (any number of samples);
  // no source or no vector: -2, another source: -3, both
  // "RstHistogram::create()". The vector is complete when the node is
  // returned and must outlive it.
  static RstHistogram* create(RstRead* source, std::vector<RstHistogramData>* out);

  RstHistogram(RstRead* source, std::vector<RstHistogramData>* out) : RstHistogramCore(source, out) {}

 protected:
  void count_line() override;
};
