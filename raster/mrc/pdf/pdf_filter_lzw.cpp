// The LZW stage: codes most significant bit first, clear 256, end 257, the
// width growing from 9 to 12 bits one code early, as TIFF and PDF write it.
#include <cstdint>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_filters.h"

namespace {

constexpr int32_t kClear = 256;
constexpr int32_t kEnd = 257;
constexpr int32_t kFirstFree = 258;
constexpr int32_t kTableSize = 4096;

struct LzwStage {
  PdfSource source;
  int32_t ended;
  int32_t next_free;
  int32_t width;
  int32_t limit;
  int32_t previous;  // last code, -1 right after a clear
  uint32_t bits;     // bit buffer, most significant first
  int32_t bit_count;
  int32_t block_at;
  int32_t block_size;
  int32_t stack_count;  // decoded bytes waiting, delivered from the top
  int16_t prefix[kTableSize];
  uint8_t suffix[kTableSize];
  uint8_t first[kTableSize];  // first byte of each entry's string
  uint16_t length[kTableSize];
  uint8_t block[256];
  uint8_t stack[kTableSize];
};

// The next code, or -1 when the source cannot complete one.
int32_t read_code(LzwStage* z) {
  while (z->bit_count < z->width) {
    if (z->block_at >= z->block_size) {
      PdfSource* below = z->source.below;
      z->block_size = below->read(below, z->block, int32_t(sizeof z->block));
      z->block_at = 0;
      if (z->block_size <= 0) {
        z->block_size = 0;
        return -1;
      }
    }
    z->bits = (z->bits << 8) | z->block[z->block_at++];
    z->bit_count += 8;
  }
  z->bit_count -= z->width;
  return int32_t((z->bits >> z->bit_count) & ((1u << z->width) - 1));
}

void reset_table(LzwStage* z) {
  z->next_free = kFirstFree;
  z->width = 9;
  z->limit = 512;
  z->previous = -1;
}

// Ends the data; after the end code the rest of the source is read and dropped.
void finish(LzwStage* z, bool drain) {
  z->ended = 1;
  if (!drain) return;
  PdfSource* below = z->source.below;
  while (below->read(below, z->block, int32_t(sizeof z->block)) > 0) {
  }
}

// Pushes the string of code onto the stack (its bytes in reverse order).
void unwind(LzwStage* z, int32_t code) {
  int32_t n = z->length[code];
  z->stack_count = n;
  for (int32_t i = n - 1; i >= 0; --i) {
    z->stack[n - 1 - i] = z->suffix[code];
    code = z->prefix[code];
  }
}

void add_entry(LzwStage* z, int32_t prefix, uint8_t byte) {
  if (z->next_free >= kTableSize) return;
  int32_t e = z->next_free++;
  z->prefix[e] = int16_t(prefix);
  z->suffix[e] = byte;
  z->first[e] = z->first[prefix];
  z->length[e] = uint16_t(z->length[prefix] + 1);
  if (z->next_free >= z->limit - 1 && z->limit < kTableSize) {
    z->limit *= 2;
    ++z->width;
  }
}

// Decodes the next code onto the stack; false once the data has ended.
bool decode_next(LzwStage* z) {
  for (;;) {
    int32_t code = read_code(z);
    if (code < 0) {
      finish(z, false);
      return false;
    }
    if (code == kEnd) {
      finish(z, true);
      return false;
    }
    if (code == kClear) {
      reset_table(z);
      continue;
    }
    if (z->previous < 0) {
      // After a clear there is no previous string to extend.
      if (code >= kFirstFree) {
        finish(z, false);
        return false;
      }
      unwind(z, code);
      z->previous = code;
      return true;
    }
    if (code >= z->next_free) {
      // The string being defined: the previous one plus its own first byte.
      uint8_t f = z->first[z->previous];
      add_entry(z, z->previous, f);
      unwind(z, z->previous);
      // Reverse order on the stack: the appended byte is delivered last.
      for (int32_t i = z->stack_count; i > 0; --i) z->stack[i] = z->stack[i - 1];
      z->stack[0] = f;
      ++z->stack_count;
    } else {
      add_entry(z, z->previous, z->first[code]);
      unwind(z, code);
    }
    z->previous = code < z->next_free ? code : z->next_free - 1;
    return true;
  }
}

int32_t lzw_get(PdfSource* self) {
  auto* z = reinterpret_cast<LzwStage*>(self);
  while (z->stack_count == 0) {
    if (z->ended || !decode_next(z)) return -1;
  }
  return z->stack[--z->stack_count];
}

int32_t lzw_read(PdfSource* self, uint8_t* buffer, int32_t n) {
  auto* z = reinterpret_cast<LzwStage*>(self);
  int32_t done = 0;
  while (done < n) {
    if (z->stack_count == 0 && (z->ended || !decode_next(z))) break;
    while (z->stack_count > 0 && done < n) buffer[done++] = z->stack[--z->stack_count];
  }
  return done;
}

}  // namespace

void pdf_install_lzw(PdfStream* s) {
  auto* z = static_cast<LzwStage*>(pdf_alloc(sizeof(LzwStage)));
  z->source = PdfSource{&lzw_get, &lzw_read, &pdf_source_close_plain, nullptr};
  z->ended = 0;
  z->bits = 0;
  z->bit_count = 0;
  z->block_at = z->block_size = 0;
  z->stack_count = 0;
  for (int32_t i = 0; i < 256; ++i) {
    z->prefix[i] = -1;
    z->suffix[i] = uint8_t(i);
    z->first[i] = uint8_t(i);
    z->length[i] = 1;
  }
  // Clear and end codes have no string.
  z->length[kClear] = z->length[kEnd] = 0;
  reset_table(z);
  pdf_stream_push_stage(s, &z->source);
}
