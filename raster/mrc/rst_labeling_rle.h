// RstLabelingRLE: labels the 8-connected components of a bilevel image like
// RstLabeling, but keeps and serves the result as valued runs (label, first,
// last) per row (data form 16), holding only the runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"
#include "raster/mrc/rst_label_table.h"

class RstLabelingRLE : public RstProcess {
 public:
  // A bilevel source (1 bit, 1 channel, sample kind 0, raw or run lines); no
  // source or another one: -2 "RstLabelingRLE::create()". count_out receives
  // the number of labels.
  static RstLabelingRLE* create(RstRead* source, uint32_t* count_out);

  RstLabelingRLE(RstRead* source, uint32_t* count_out);
  ~RstLabelingRLE() override;

  void header(RstHeader& h) override { h = header_; }
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { next_row_ = 0; }
  int line_size() override { return line_size_; }

  uint32_t label_count() const { return count_; }
  // The sources are let go as soon as labelling is done.
  bool release_sources() const { return true; }

 private:
  bool labeling();

  RstHeader header_;
  RstRLELineN<uint32_t>** rows_ = nullptr;
  int32_t row_count_ = 0;
  RstLabelTable table_;
  uint32_t count_ = 0;
  int32_t next_row_ = 0;
  int32_t rows_finalized_ = 0;
  int32_t line_size_ = 12;
  uint32_t* count_out_;
};
