// Row and column profiles of a bilevel image: RstProjectionData holds how
// many set pixels each column and each row has, RstProjectionDistribution
// computes them from raw or run lines when it is initiated and then passes
// the source's lines through from line 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/codecs/rst_encode_rle_core.h"
#include "raster/core/rst_process.h"

class RstProjectionData {
 public:
  RstProjectionData() = default;

  // Stores the size and brings both arrays to it, new entries 0; false
  // after -1 "RstProjectionData::set_dimension()" when they cannot be.
  bool set_dimension(int32_t width, int32_t height);
  // Every entry of both arrays to 0.
  void clear();

  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> columns;  // set pixels per column
  std::vector<uint32_t> rows;     // set pixels per row
};

class RstProjectionDistribution : public RstProcess {
 public:
  // A bilevel source (1 bit, 1 sample, sample kind 0, raw or run lines);
  // no source or no data: -2, another source: -3, the data not sized: -1,
  // all "RstProjectionDistribution::create()". The profiles are complete
  // when the node is returned.
  static RstProjectionDistribution* create(RstRead* source, RstProjectionData* data);

  RstProjectionDistribution(RstRead* source, RstProjectionData* data);
  ~RstProjectionDistribution() override;

  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { static_cast<RstRead*>(source())->reset(); }
  int line_size() override { return static_cast<RstRead*>(source())->line_size(); }

 private:
  void rewind_once();
  bool count_runs(const int32_t* pairs, int32_t bytes, int32_t y);

  RstProjectionData* data_;
  int32_t source_line_size_ = 0;
  bool run_lines_ = false;
  bool must_rewind_ = true;
};
