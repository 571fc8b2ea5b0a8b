// Code tables filled entry by entry.
#include "raster/codecs/rst_huffman_table.h"

#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstHuffmanTable::RstHuffmanTable() {
  entries_.reset(rst_new<std::vector<RstHuffmanCode>>());
  if (!entries_ || !entries_.has_count()) {
    entries_.reset();
    ok_ = false;
    rst_report(-1, "RstHuffmanTable::RstHuffmanTable()");
  }
}

bool RstHuffmanTable::add(int32_t value, uint32_t code, uint32_t length) {
  if (!ok()) return false;
  std::vector<RstHuffmanCode>& list = *entries_;
  try {
    // Growth of the entry list or the index is an allocation the test
    // seam may refuse.
    bool grows_list = list.size() == list.capacity();
    bool grows_index =
        value >= 0 && value >= value_index_size_ && static_cast<size_t>(value) + 1 > value_index_.capacity();
    if ((grows_list || grows_index) && RstAllocFault::next_fails()) throw std::bad_alloc();
    list.emplace_back(code, length, value);
    if (value >= 0) {
      if (value >= value_index_size_) {
        value_index_.resize(static_cast<size_t>(value) + 1, 0);
        indexed_.resize(static_cast<size_t>(value) + 1, 0);
        value_index_size_ = value + 1;
      }
      value_index_[static_cast<size_t>(value)] = static_cast<int32_t>(list.size() - 1);
      indexed_[static_cast<size_t>(value)] = 1;
    }
  } catch (const std::bad_alloc&) {
    ok_ = false;
    rst_report(-1, "RstHuffmanTable::add()");
    return false;
  }
  entry_count_ = static_cast<int32_t>(list.size());
  return true;
}

int32_t RstHuffmanTable::position_of(int32_t value) const {
  if (value >= 0) {
    if (value < value_index_size_ && indexed_[static_cast<size_t>(value)])
      return value_index_[static_cast<size_t>(value)];
    return -1;
  }
  if (!entries_) return -1;
  const std::vector<RstHuffmanCode>& list = *entries_;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].value == value) return static_cast<int32_t>(i);
  return -1;
}
