// The JPEG table records: blocks, quantisation tables and table arrays.
#include "raster/codecs/rst_jpeg_tables.h"

#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

template <class T, int N>
RstBlock<T, N>::RstBlock() {
  values_ = static_cast<T*>(rst_calloc(sizeof(T) * N * N));
  if (!values_) rst_report(-1, "RstBlock::RstBlock()");
}

template <class T, int N>
RstBlock<T, N>::~RstBlock() {
  if (owns_values_) rst_free(values_);
}

template class RstBlock<unsigned int, 8>;

namespace {

// Natural positions of the coefficients in zig-zag order (ITU-T T.81 A.6).
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                                 41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                                 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

template <class V>
void place(unsigned int* out, const V* values, bool zigzag) {
  if (!out || !values) return;
  for (int k = 0; k < 64; ++k) out[zigzag ? kZigzag[k] : k] = values[k];
}

}  // namespace

RstJPEGQTable::RstJPEGQTable(const uint8_t* values, bool zigzag) { place(this->values(), values, zigzag); }

RstJPEGQTable::RstJPEGQTable(const uint16_t* values, bool zigzag) { place(this->values(), values, zigzag); }

const uint8_t* RstJPEGQTable::zigzag_order() { return kZigzag; }

template <class Table>
RstCountedTableArray<Table>::RstCountedTableArray(int32_t slot_count, const char* where)
    : slot_count_(static_cast<uint8_t>(slot_count < 0     ? 0
                                       : slot_count > 255 ? 255
                                                          : slot_count)) {
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    slots_.resize(slot_count_);
  } catch (const std::bad_alloc&) {
    slots_.clear();
    rst_report(-1, where);
  }
}

template class RstCountedTableArray<RstHuffmanTable>;
template class RstCountedTableArray<RstJPEGQTable>;

RstHuffmanTableArray::RstHuffmanTableArray(int32_t slot_count)
    : RstCountedTableArray(slot_count, "RstHuffmanTableArray::RstHuffmanTableArray()") {}

RstJPEGQTableArray::RstJPEGQTableArray(int32_t slot_count)
    : RstCountedTableArray(slot_count, "RstJPEGQTableArray::RstJPEGQTableArray()") {}

RstJPEGTables::RstJPEGTables(const RstJPEGQTableArray& quantization, const RstHuffmanTableArray& dc,
                             const RstHuffmanTableArray& ac)
    : quantization(quantization), ac(ac), dc(dc) {}
