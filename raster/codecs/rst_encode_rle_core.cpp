// Row to run-line conversion.
#include "raster/codecs/rst_encode_rle_core.h"

#include <cstring>

RstEncodeRLECore::RstEncodeRLECore(int32_t w) : width(w < 0 ? 0 : w) {
  int32_t bytes = (width + 7) / 8;
  word_bits = 32 * (bytes / 4);
  width_mod8 = width % 8;
  tail_bytes = bytes % 4;
  tail_mask = width_mod8 == 0 ? 0xFF : static_cast<uint8_t>(0xFF << (8 - width_mod8));
  last_byte_index = bytes - 1;
}

namespace {

// The open run and the output while a row is scanned.
struct RunWriter {
  int32_t* out;
  int32_t runs = 0;
  int32_t first = -1;
  int32_t last = -1;
  bool open = false;

  void close() {
    if (open) {
      out[2 * runs] = first;
      out[2 * runs + 1] = last;
      ++runs;
      open = false;
    }
  }
  void set(int32_t from, int32_t count) {
    if (open) {
      last += count;
    } else {
      first = from;
      last = from + count - 1;
      open = true;
    }
  }
  void scan_word(const uint8_t* w, int32_t p) {
    uint32_t v;
    std::memcpy(&v, w, 4);
    if (v == 0) {
      close();
    } else if (v == 0xFFFFFFFFu) {
      set(p, 32);
    } else {
      scan_mixed(uint32_t(w[0]) << 24 | uint32_t(w[1]) << 16 | uint32_t(w[2]) << 8 | w[3], p);
    }
  }
  // A word of mixed pixels (first pixel in the top bit), run by run.
  void scan_mixed(uint32_t v, int32_t p) {
    int32_t pos = 0;
    while (pos < 32) {
      uint32_t rest = v << pos;
      if (rest == 0) {
        close();
        return;
      }
      int32_t zeros = __builtin_clz(rest);
      if (zeros > 0) {
        close();
        pos += zeros;
        continue;
      }
      // Leading ones; the bits shifted in at the bottom are zeros.
      int32_t ones = __builtin_clz(~rest);
      set(p + pos, ones);
      pos += ones;
    }
  }
};

}  // namespace

int32_t RstEncodeRLECore::encode_line(uint8_t* row, void* out_buffer) const {
  RunWriter wr{static_cast<int32_t*>(out_buffer)};
  if (width > 0) {
    uint8_t saved = row[last_byte_index];
    row[last_byte_index] = static_cast<uint8_t>(saved & tail_mask);
    int32_t words = word_bits / 32;
    for (int32_t i = 0; i < words; ++i) wr.scan_word(row + 4 * i, 32 * i);
    if (tail_bytes > 0) {
      uint8_t tail[4] = {0, 0, 0, 0};
      std::memcpy(tail, row + 4 * words, static_cast<size_t>(tail_bytes));
      wr.scan_word(tail, word_bits);
    }
    row[last_byte_index] = saved;
  }
  wr.close();
  wr.out[2 * wr.runs] = -1;
  wr.out[2 * wr.runs + 1] = -1;
  return 8 * (wr.runs + 1);
}
