// Cursors over the shared decode tables.
#include "raster/codecs/rst_ccitt_bits.h"

#include <mutex>

RstHuffmanCursor::RstHuffmanCursor(RstCountedPtr<RstDecodeHuffmanTable>& (*getter)(int32_t), int32_t end,
                                   int32_t invalid)
    : end_value(end), invalid_value(invalid) {
  std::lock_guard<RstMutex> lock(RstCCITTBWTables::mutex());
  table_ = getter(-9999);
  if (table_ && table_->lut()) {
    width = table_->lut()->bits;
    slots = table_->lut()->slots;
  }
}

RstHuffmanCursor::~RstHuffmanCursor() {
  std::lock_guard<RstMutex> lock(RstCCITTBWTables::mutex());
  table_.reset();
}
