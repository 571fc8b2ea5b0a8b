// RstLabeling: numbers the 8-connected components of an image's foreground
// (8-bit pixels equal to a target byte, or set bits of a bilevel image) 1..N
// in the raster order of their first pixels, and serves the result as a raw
// 32-bit label image. All the work happens in initiate; rows are converted
// from provisional to final labels as they are read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"
#include "raster/mrc/rst_label_table.h"

class RstLabeling : public RstProcess {
 public:
  // Made only as the base of RstGetLabelRectInfo, which checks the source.
  RstLabeling(RstRead* source, uint8_t target, uint32_t* count_out);
  ~RstLabeling() override;

  void header(RstHeader& h) override { h = header_; }
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { next_row_ = 0; }
  int line_size() override { return header_.width * 4; }

  uint32_t label_count() const { return count_; }
  // Whether the sources are let go once labelling is done; a subclass that
  // still reads them after its own pass clears it.
  bool release_sources() const { return release_; }

 protected:
  // Rewrites the stored rows up to row (exclusive) to final labels.
  void finalize_rows(int32_t row);
  uint32_t* row_labels(int32_t y) { return labels_ + static_cast<size_t>(y) * static_cast<size_t>(header_.width); }

  RstHeader header_;
  uint32_t* labels_ = nullptr;
  RstLabelTable table_;
  uint32_t count_ = 0;
  int32_t rows_finalized_ = 0;
  bool release_ = true;

 private:
  void output_header(const RstHeader& in);
  bool labeling();   // 8-bit pixels
  bool labeling1();  // run lines

  uint8_t target_;
  int32_t next_row_ = 0;
  int32_t input_line_bytes_ = 0;
  int32_t input_bits_ = 0;
  uint32_t* count_out_;
};
