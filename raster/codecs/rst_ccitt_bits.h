// The bit reader of the CCITT decoders (most significant bit first, fed into a
// 64-bit accumulator) and the cursor that looks codes up in a
// decode table's flat lookup array.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_ccitt_bw_tables.h"
#include "raster/codecs/rst_code_buffer.h"

template <class Buffer>
class RstBitsGettableCodeBufferT {
 public:
  explicit RstBitsGettableCodeBufferT(RstRead* source) : accumulator(0), count(0), buffer(source) {}

  // Makes at least n (at most 25) bits available; false when the data ends
  // first (the bits there are stay). With eight bytes buffered it tops the
  // accumulator up in one go, so most codes need no fill at all.
  bool fill(int32_t n) {
    if (count >= n) return true;
    if (buffer.available() >= 8) {
      const uint8_t* p = buffer.next();
      int32_t k = (64 - count) >> 3;
      for (int32_t i = 0; i < k; ++i) accumulator = (accumulator << 8) | p[i];
      buffer.advance(k);
      count += 8 * k;
      bytes_in += k;
      return true;
    }
    while (count < n) {
      int32_t b = buffer.take_byte();
      if (b < 0) return false;
      accumulator = (accumulator << 8) | static_cast<uint64_t>(b);
      count += 8;
      ++bytes_in;
    }
    return true;
  }
  // The next n bits (n <= count), not consumed.
  uint32_t peek(int32_t n) const { return uint32_t(accumulator >> (count - n)) & ((1u << n) - 1); }
  void drop(int32_t n) { count -= n; }
  // One bit, or -1 at the end of the data.
  int32_t take_bit() {
    if (count == 0 && !fill(1)) return -1;
    --count;
    return static_cast<int32_t>((accumulator >> count) & 1u);
  }
  // Drops the bits left of a partly used byte.
  void align() { count -= count % 8; }
  void clear() {
    accumulator = 0;
    count = 0;
    bytes_in = 0;
    buffer.clear();
  }
  // Bits consumed since the start (or the last clear).
  int64_t consumed() const { return bytes_in * 8 - count; }

  uint64_t accumulator;
  int32_t count;  // bits held, at most 64
  int64_t bytes_in = 0;
  Buffer buffer;
};

class RstBitsGettableCodeBuffer : public RstBitsGettableCodeBufferT<RstCodeBuffer> {
 public:
  using RstBitsGettableCodeBufferT<RstCodeBuffer>::RstBitsGettableCodeBufferT;
};

// Looks codes up in one decode table. Holds a counted reference to the
// table, taken and given back under the tables' mutex (the tables are shared
// by every thread).
class RstHuffmanCursor {
 public:
  RstHuffmanCursor(RstCountedPtr<RstDecodeHuffmanTable>& (*getter)(int32_t), int32_t end_value, int32_t invalid_value);
  ~RstHuffmanCursor();
  RstHuffmanCursor(const RstHuffmanCursor&) = delete;
  RstHuffmanCursor& operator=(const RstHuffmanCursor&) = delete;

  bool ok() const { return slots != nullptr; }

  // One code: its value (a run length, a mode, -1000 for EOL), the table's
  // sentinel where no code begins (nothing consumed), the end-of-data value
  // when no bit is left, the invalid value when the data ends inside a code.
  int32_t lookup(RstBitsGettableCodeBuffer& bits) {
    bool full = bits.fill(width);
    at_end = !full;
    if (!full && bits.count == 0) {
      looked_at = 0;
      code_length = 0;
      return end_value;
    }
    uint32_t index = full ? bits.peek(width) : uint32_t(bits.accumulator << (width - bits.count)) & ((1u << width) - 1);
    const RstDecodeHuffmanLUT::Slot& s = slots[index];
    looked_at = index;
    code_length = s.length;
    if (!full && s.length > bits.count) return invalid_value;
    bits.drop(s.length);
    return s.value;
  }

  uint32_t looked_at = 0;
  int32_t code_length = 0;
  int32_t end_value;
  int32_t invalid_value;
  int32_t width = 0;
  const RstDecodeHuffmanLUT::Slot* slots = nullptr;
  bool at_end = false;  // the last lookup met the end of the data

 private:
  RstCountedPtr<RstDecodeHuffmanTable> table_;
};
