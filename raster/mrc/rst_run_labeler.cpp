// The run pass of labelling.
#include "raster/mrc/rst_run_labeler.h"

#include <cstring>

#include "raster/core/rst_alloc.h"

RstRunLabeler::~RstRunLabeler() {
  rst_free(previous_);
  rst_free(current_);
  rst_free(list_);
}

bool RstRunLabeler::prepare(int32_t width) {
  width_ = width < 0 ? 0 : width;
  // Maximal runs of a row are separated by a clear pixel.
  size_t runs = static_cast<size_t>(width_ / 2) + 1;
  previous_ = static_cast<RstLabeledRun*>(rst_malloc(runs * sizeof(RstLabeledRun)));
  current_ = static_cast<RstLabeledRun*>(rst_malloc(runs * sizeof(RstLabeledRun)));
  list_capacity_ = static_cast<size_t>(width_ + 1) / 2 + 1;
  list_ = static_cast<uint32_t*>(rst_malloc(list_capacity_ * sizeof(uint32_t)));
  previous_count_ = 0;
  current_count_ = 0;
  return previous_ && current_ && list_;
}

bool RstRunLabeler::collect(uint32_t entry) {
  if (list_size_ == list_capacity_) {
    size_t grown = list_capacity_ * 2;
    auto* bigger = static_cast<uint32_t*>(rst_malloc(grown * sizeof(uint32_t)));
    if (!bigger) return false;
    std::memcpy(bigger, list_, list_size_ * sizeof(uint32_t));
    rst_free(list_);
    list_ = bigger;
    list_capacity_ = grown;
  }
  list_[list_size_++] = entry;
  return true;
}

bool RstRunLabeler::label_row(const int32_t* pairs, int32_t byte_count) {
  // This row becomes the previous one; the new row is written over the old
  // previous row.
  RstLabeledRun* swap = previous_;
  previous_ = current_;
  previous_count_ = current_count_;
  current_ = swap;
  current_count_ = 0;

  // Clean the runs first: inside the width, ascending, maximal.
  int32_t pair_count = byte_count > 0 ? byte_count / 8 : 0;
  for (int32_t k = 0; k < pair_count; ++k) {
    int32_t f = pairs[2 * k], l = pairs[2 * k + 1];
    if (f == -1) break;
    if (f < 0) f = 0;
    if (l > width_ - 1) l = width_ - 1;
    if (f > l) continue;
    if (current_count_ > 0) {
      RstLabeledRun& before = current_[current_count_ - 1];
      if (l <= before.last) continue;
      if (f <= before.last + 1) {
        before.last = l;
        continue;
      }
    }
    current_[current_count_++] = {f, l, 0};
  }

  size_t p = 0;  // where the walk over the row above stopped
  for (int32_t k = 0; k < current_count_; ++k) {
    int32_t f = current_[k].first, l = current_[k].last;
    uint32_t v = table_.size();
    list_size_ = 0;
    while (p < static_cast<size_t>(previous_count_)) {
      const RstLabeledRun& above = previous_[p];
      if (above.first > l + 1) break;
      if (above.last + 1 >= f) {
        // Collect the parents along the chain up to its root.
        uint32_t u = above.label;
        for (;;) {
          bool seen = false;
          for (size_t i = 0; i < list_size_ && !seen; ++i) seen = list_[i] == u;
          if (!seen && !collect(table_[u])) return false;
          if (table_[u] == u) break;
          u = table_[u];
        }
        if (u < v) v = u;
        if (l < above.last) break;  // it may touch the next run of this row
      }
      ++p;
    }
    if (list_size_ == 0) {
      if (!table_.append()) return false;
    } else {
      for (size_t i = 0; i < list_size_; ++i) table_[list_[i]] = v;
    }
    current_[k].label = v;
  }
  return true;
}
