// The run pass shared by both labelling nodes: each row's runs of set pixels
// get provisional labels from the runs of the row above that they touch
// (8-connected), merging the touching sets in the equivalence table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/core/rst_read.h"
#include "raster/mrc/rst_label_table.h"

// One run of a row with its provisional label.
struct RstLabeledRun {
  int32_t first;
  int32_t last;
  uint32_t label;
};

class RstRunLabeler {
 public:
  explicit RstRunLabeler(RstLabelTable& table) : table_(table) {}
  ~RstRunLabeler();
  RstRunLabeler(const RstRunLabeler&) = delete;
  RstRunLabeler& operator=(const RstRunLabeler&) = delete;

  // Buffers for rows of width pixels; false when memory runs out.
  bool prepare(int32_t width);
  // Labels one row given as a run line of byte_count bytes (pairs ended by
  // (-1, -1)). Runs from outside are cleaned first: clipped to the width,
  // overlapping or touching runs joined, runs out of order dropped. False
  // when the table or the collection list cannot grow.
  bool label_row(const int32_t* pairs, int32_t byte_count);

  // The runs of the row just labelled.
  const RstLabeledRun* runs() const { return current_; }
  int32_t run_count() const { return current_count_; }

 private:
  bool collect(uint32_t entry);

  RstLabelTable& table_;
  int32_t width_ = 0;
  RstLabeledRun* previous_ = nullptr;
  RstLabeledRun* current_ = nullptr;
  int32_t previous_count_ = 0;
  int32_t current_count_ = 0;
  uint32_t* list_ = nullptr;
  size_t list_size_ = 0;
  size_t list_capacity_ = 0;
};

// Bytes of the buffer a labelling pass reads the source's run lines into:
// the source's line size, at least the largest run line of the width, in
// whole run pairs.
inline size_t rst_run_line_buffer_bytes(RstRead* source, int32_t width) {
  size_t size = size_t(source->line_size());
  // (width + 1) / 2 runs and the terminator, 8 bytes each, in 64 bits.
  size_t bound = size_t((int64_t(width < 0 ? 0 : width) + 1) / 2) * 8 + 8;
  if (size < bound) size = bound;
  return (size + 7) & ~size_t(7);
}
