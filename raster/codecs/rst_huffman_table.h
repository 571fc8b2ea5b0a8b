// Code tables as lists of (code, length, value) entries: the empty table that
// the bilevel code tables fill entry by entry, or the canonical table of a
// JPEG Huffman segment made from its BITS and HUFFVAL, with a value index for
// direct lookup by value.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_counted_ptr.h"

struct RstHuffmanCode {
  RstHuffmanCode(uint32_t code, uint32_t length, int32_t value) : code(code), length(length), value(value) {}
  uint32_t code;    // right-aligned, first bit most significant
  uint32_t length;  // bits
  int32_t value;
};

class RstHuffmanTable {
 public:
  // An empty table; out of memory: -1 "RstHuffmanTable::RstHuffmanTable()"
  // and the table stays unusable (ok() false).
  RstHuffmanTable();
  // The canonical codes of BITS (16 counts) and the symbols of each length
  // (huffval[i]: the BITS[i] symbols of length i + 1), given in code order.
  // Out of memory: -1 "RstHuffmanTable::RstHuffmanTable()" and not ok().
  RstHuffmanTable(const uint8_t* bits, const std::vector<uint8_t>* huffval);
  virtual ~RstHuffmanTable() = default;
  RstHuffmanTable(const RstHuffmanTable&) = default;  // shares the entries
  RstHuffmanTable& operator=(const RstHuffmanTable&) = default;

  // Appends an entry; a value of 0 or more is indexed. Out of memory: -1
  // "RstHuffmanTable::add()", false, and the table is no longer ok().
  bool add(int32_t value, uint32_t code, uint32_t length);

  bool ok() const { return ok_ && entries_; }
  const std::vector<RstHuffmanCode>& entries() const { return *entries_; }
  int32_t entry_count() const { return entry_count_; }
  int32_t value_index_size() const { return value_index_size_; }
  // Entry position of a value, -1 when it has none (negative values are
  // found by searching the entries).
  int32_t position_of(int32_t value) const;
  // Per-length code counts (BITS); empty for tables built by add.
  const std::vector<uint8_t>& bits() const { return bits_; }
  // The symbols of code length length_index + 1 (HUFFVAL by length).
  const std::vector<uint8_t>& huffval(int32_t length_index) const { return huffval_[length_index]; }

 private:
  RstCountedPtr<std::vector<RstHuffmanCode>> entries_;
  int32_t entry_count_ = 0;
  int32_t value_index_size_ = 0;
  std::vector<uint8_t> bits_;
  std::vector<uint8_t> huffval_[16];
  std::vector<int32_t> value_index_;
  std::vector<uint8_t> indexed_;  // whether a value's slot was set
  bool ok_ = true;
};
