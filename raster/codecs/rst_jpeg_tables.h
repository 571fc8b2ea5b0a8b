// The JPEG table records a JPEG option carries: the 8x8 block of unsigned
// values, the quantisation table on it, the fixed-size arrays of counted
// quantisation and Huffman tables, and the table set made of three such
// arrays. Copies of an array or of a set share the tables themselves.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/codecs/rst_huffman_table.h"
#include "raster/core/rst_counted_ptr.h"

// An N x N block of values in row-major order, owned or borrowed.
template <class T, int N>
class RstBlock {
 public:
  // A zero-filled block of its own; out of memory: -1 "RstBlock::RstBlock()"
  // and no values (ok() false).
  RstBlock();
  // A block over values the caller keeps.
  explicit RstBlock(T* values) : values_(values), owns_values_(false) {}
  virtual ~RstBlock();
  RstBlock(const RstBlock&) = delete;
  RstBlock& operator=(const RstBlock&) = delete;

  static constexpr int size = N;
  bool ok() const { return values_ != nullptr; }
  T* values() const { return values_; }
  bool owns_values() const { return owns_values_; }
  T& at(int row, int column) const { return values_[row * N + column]; }

 private:
  T* values_ = nullptr;
  bool owns_values_ = true;
};

// Quantisation values in natural (row-major) order.
class RstJPEGQTable : public RstBlock<unsigned int, 8> {
 public:
  // From the 64 values of a table segment; with zigzag set value k goes to
  // natural position zigzag k, otherwise to position k.
  RstJPEGQTable(const uint8_t* values, bool zigzag);
  RstJPEGQTable(const uint16_t* values, bool zigzag);
  ~RstJPEGQTable() override = default;

  // Natural position of the k-th value in zig-zag order.
  static const uint8_t* zigzag_order();
};

// A fixed number of slots of counted tables; empty slots hold none.
template <class Table>
class RstCountedTableArray {
 public:
  int32_t slot_count() const { return slot_count_; }
  bool ok() const { return static_cast<int32_t>(slots_.size()) == slot_count_; }
  // Slot i (0 <= i < slot_count()).
  RstCountedPtr<Table>& operator[](int32_t i) { return slots_[static_cast<size_t>(i)]; }
  const RstCountedPtr<Table>& operator[](int32_t i) const { return slots_[static_cast<size_t>(i)]; }

 protected:
  // Out of memory for the slots: -1 with where and no slots (ok() false).
  RstCountedTableArray(int32_t slot_count, const char* where);

 private:
  uint8_t slot_count_;
  std::vector<RstCountedPtr<Table>> slots_;
};

class RstHuffmanTableArray : public RstCountedTableArray<RstHuffmanTable> {
 public:
  explicit RstHuffmanTableArray(int32_t slot_count = 4);
};

class RstJPEGQTableArray : public RstCountedTableArray<RstJPEGQTable> {
 public:
  explicit RstJPEGQTableArray(int32_t slot_count = 4);
};

// The table set of a JPEG option: quantisation, AC and DC tables. Copies
// share every table; a copy that runs out of memory throws std::bad_alloc
// (built through rst_new, which turns that into no set).
class RstJPEGTables {
 public:
  // Argument order quantisation, DC, AC, as a header's arrays are handed on.
  RstJPEGTables(const RstJPEGQTableArray& quantization, const RstHuffmanTableArray& dc, const RstHuffmanTableArray& ac);

  RstJPEGQTableArray quantization;
  RstHuffmanTableArray ac;
  RstHuffmanTableArray dc;
};
