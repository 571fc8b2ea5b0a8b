// The equivalence table's growth and its final numbering.
#include "raster/mrc/rst_label_table.h"

#include <cstring>

#include "raster/core/rst_alloc.h"

RstLabelTable::~RstLabelTable() { rst_free(entries_); }

bool RstLabelTable::reset() {
  size_ = 0;
  return append();
}

bool RstLabelTable::append() {
  // Labels are 32-bit; the largest value stays free as a search sentinel.
  if (size_ >= UINT32_MAX) return false;
  if (size_ == capacity_) {
    size_t grown = capacity_ < 1024 ? 1024 : capacity_ * 2;
    if (grown > UINT32_MAX) grown = UINT32_MAX;
    auto* bigger = static_cast<uint32_t*>(rst_malloc(grown * sizeof(uint32_t)));
    if (!bigger) return false;
    if (size_) std::memcpy(bigger, entries_, size_ * sizeof(uint32_t));
    rst_free(entries_);
    entries_ = bigger;
    capacity_ = grown;
  }
  entries_[size_] = static_cast<uint32_t>(size_);
  ++size_;
  return true;
}

uint32_t RstLabelTable::finalize() {
  if (size_ == 0) return 0;
  uint32_t n = static_cast<uint32_t>(size_);
  for (uint32_t i = n - 1; i >= 1; --i) entries_[i] = root(i);
  uint32_t count = 0, last_root = 0;
  for (uint32_t i = 1; i < n; ++i) {
    if (entries_[i] > last_root) {
      last_root = i;
      entries_[i] = ++count;
    } else {
      entries_[i] = entries_[entries_[i]];
    }
  }
  entries_[0] = 0;
  return count;
}
