// Code tables filled entry by entry.
#include "raster/codecs/rst_huffman_table.h"

#include <algorithm>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstHuffmanTable::RstHuffmanTable() {
  std::vector<RstHuffmanCode>* list = rst_new<std::vector<RstHuffmanCode>>();
  entries_.reset(list);
  if (!list || !entries_.has_count()) {
    // A list whose count could not be made is gone with it.
    entries_.reset();
    ok_ = false;
    rst_report(-1, "RstHuffmanTable::RstHuffmanTable()");
  }
}

RstHuffmanTable::RstHuffmanTable(const uint8_t* bits, const std::vector<uint8_t>* huffval) : RstHuffmanTable() {
  if (!ok()) return;
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    bits_.assign(bits, bits + 16);
    for (int i = 0; i < 16; ++i) huffval_[i] = huffval[i];
  } catch (const std::bad_alloc&) {
    ok_ = false;
    rst_report(-1, "RstHuffmanTable::RstHuffmanTable()");
    return;
  }
  // ITU-T T.81 Annex C: codes of one length are consecutive, and the first
  // code of the next length is the following one shifted left.
  uint32_t code = 0;
  for (uint32_t length = 1; length <= 16; ++length) {
    code <<= 1;
    const std::vector<uint8_t>& symbols = huffval_[length - 1];
    size_t count = std::min<size_t>(bits_[length - 1], symbols.size());
    for (size_t k = 0; k < count; ++k, ++code)
      if (!add(symbols[k], code, length)) return;
  }
  entry_count_ = entries_ ? static_cast<int32_t>(entries_->size()) : 0;
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
