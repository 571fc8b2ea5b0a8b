// The hexadecimal and base-85 stages.
#include <cstdint>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_filters.h"

namespace {

bool is_blank(int32_t c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

struct HexStage {
  PdfSource source;
  int32_t ended;
};

int32_t hex_digit(int32_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The next digit, or -1 once the data has ended.
int32_t next_hex(HexStage* h) {
  if (h->ended) return -1;
  for (;;) {
    int32_t c = h->source.below->get(h->source.below);
    if (c < 0 || c == '>') {
      h->ended = 1;
      return -1;
    }
    if (is_blank(c)) continue;
    int32_t d = hex_digit(c);
    if (d < 0) pdf_raise(PdfError::syntax);
    return d;
  }
}

int32_t hex_get(PdfSource* self) {
  auto* h = reinterpret_cast<HexStage*>(self);
  int32_t hi = next_hex(h);
  if (hi < 0) return -1;
  int32_t lo = next_hex(h);
  if (lo < 0) return -1;
  return hi * 16 + lo;
}

struct Base85Stage {
  PdfSource source;
  int32_t ended;
  int32_t count;  // bytes of out still to deliver
  int32_t at;
  uint8_t out[4];
};

// Decodes the next group into out; false once the data has ended.
bool next_group(Base85Stage* b) {
  if (b->ended) return false;
  uint64_t value = 0;
  int32_t digits = 0;
  for (;;) {
    int32_t c = b->source.below->get(b->source.below);
    if (c == '~' || c < 0) {
      // "~" is followed by ">", read and dropped.
      if (c == '~') b->source.below->get(b->source.below);
      b->ended = 1;
      if (digits < 2) return false;
      static const uint32_t pad[5] = {0, 0, 614124, 7224, 84};
      static const uint64_t scale[5] = {0, 0, 614125, 7225, 85};
      value = value * scale[digits] + pad[digits];
      if (value > 0xFFFFFFFFu) pdf_raise(PdfError::syntax);
      break;
    }
    if (is_blank(c)) continue;
    if (c == 'z' && digits == 0) {
      value = 0;
      digits = 5;
      break;
    }
    if (c < '!' || c > 'u') pdf_raise(PdfError::syntax);
    value = value * 85 + uint64_t(c - '!');
    if (++digits == 5) {
      if (value > 0xFFFFFFFFu) pdf_raise(PdfError::syntax);
      break;
    }
  }
  for (int32_t i = 0; i < 4; ++i) b->out[i] = uint8_t(value >> (24 - 8 * i));
  b->at = 0;
  b->count = digits == 5 ? 4 : digits - 1;
  return true;
}

int32_t base85_get(PdfSource* self) {
  auto* b = reinterpret_cast<Base85Stage*>(self);
  while (b->at >= b->count) {
    if (!next_group(b)) return -1;
  }
  return b->out[b->at++];
}

}  // namespace

void pdf_install_hex(PdfStream* s) {
  auto* h = static_cast<HexStage*>(pdf_alloc(sizeof(HexStage)));
  *h = HexStage{{&hex_get, &pdf_source_read_bytes, &pdf_source_close_plain, nullptr}, 0};
  pdf_stream_push_stage(s, &h->source);
}

void pdf_install_base85(PdfStream* s) {
  auto* b = static_cast<Base85Stage*>(pdf_alloc(sizeof(Base85Stage)));
  *b = Base85Stage{{&base85_get, &pdf_source_read_bytes, &pdf_source_close_plain, nullptr}, 0, 0, 0, {}};
  pdf_stream_push_stage(s, &b->source);
}
