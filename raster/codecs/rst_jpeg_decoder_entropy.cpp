// Entropy decoding of the JPEG decoder.
#include "raster/codecs/rst_jpeg_decoder_entropy.h"

#include <cstring>

#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_decoder_markers.h"
#include "raster/core/rst_alloc.h"

namespace {

constexpr int32_t kCorrupt = -3;
constexpr int32_t kMaxPredictor = 32767;

// Tops the bit buffer up while data and room remain. A marker stops the
// filling for good: its 0xFF is no data.
void fill(JpegCodecContext* c) {
  while (c->bit_count <= 48 && c->data_left > 0) {
    int32_t b = rst_jpeg_buffered_byte(c);
    if (b < 0) return;
    if (b == 0xFF) {
      int32_t next;
      do {
        next = rst_jpeg_buffered_byte(c);
      } while (next == 0xFF);
      if (next < 0) return;
      if (next != 0) {
        c->pending_marker = next;
        c->data_left = kJpegMarkerMet;
        return;
      }
    }
    c->bit_buffer = c->bit_buffer << 8 | uint32_t(b);
    c->bit_count += 8;
  }
}

inline int32_t peek(JpegCodecContext* c, int32_t n) {
  if (c->bit_count < n) fill(c);
  if (c->bit_count >= n) return int32_t((c->bit_buffer >> (c->bit_count - n)) & ((1u << n) - 1));
  // Zero bits after the data.
  return int32_t((c->bit_buffer << (n - c->bit_count)) & ((1u << n) - 1));
}

inline void consume(JpegCodecContext* c, int32_t n) {
  if (n <= c->bit_count) {
    c->bit_count -= n;
    return;
  }
  c->zero_bits += n - c->bit_count;
  c->bit_count = 0;
  c->bit_buffer = 0;
  if (c->zero_bits >= 16 && c->decode_status > 0) c->decode_status = c->data_left > 0 ? kCorrupt : kJpegMarkerMet;
}

inline int32_t extend(int32_t v, int32_t s) { return s && v < (1 << (s - 1)) ? v - ((1 << s) - 1) : v; }

inline int32_t received(JpegCodecContext* c, int32_t s) { return s ? extend(rst_jpeg_get_bits(c, s), s) : 0; }

int32_t finish(JpegCodecContext* c) { return c->decode_status < 1 ? c->decode_status : 1; }

}  // namespace

int32_t rst_jpeg_get_bits(JpegCodecContext* c, int32_t n) {
  if (n <= 0) return 0;
  int32_t v = peek(c, n);
  consume(c, n);
  return v;
}

int32_t rst_jpeg_decode_symbol(JpegCodecContext* c, const JpegHuffmanInfo* t) {
  if (!t || !t->lookahead) return kCorrupt;
  int32_t bits = t->lookahead->bits;
  int32_t look = peek(c, bits);
  int32_t length = t->lookahead->length[look];
  if (length) {
    consume(c, length);
    return t->lookahead->symbol[look];
  }
  int32_t code = rst_jpeg_get_bits(c, bits);
  int32_t l = bits;
  while (l < 16 && code > t->maxcode[l - 1]) {
    code = code << 1 | rst_jpeg_get_bits(c, 1);
    ++l;
  }
  if (code > t->maxcode[l - 1] || code < t->mincode[l - 1]) return kCorrupt;
  int32_t total = 0;
  for (int32_t i = 0; i < 16; ++i) total += t->bits[i];
  int32_t at = t->valptr[l - 1] + code - t->mincode[l - 1];
  if (at < 0 || at >= total) return kCorrupt;
  return t->huffval[at];
}

int32_t rst_jpeg_build_lookahead(JpegHuffmanInfo* t, int32_t bits) {
  if (t->lookahead) {
    rst_free(t->lookahead->length);
    rst_free(t->lookahead->symbol);
    rst_free(t->lookahead);
    t->lookahead = nullptr;
  }
  auto* l = static_cast<JpegHuffmanLookahead*>(rst_calloc(sizeof(JpegHuffmanLookahead)));
  if (!l) return -1;
  l->bits = bits;
  l->length = static_cast<uint8_t*>(rst_calloc(size_t(1) << bits));
  l->symbol = static_cast<uint8_t*>(rst_calloc(size_t(1) << bits));
  t->lookahead = l;
  if (!l->length || !l->symbol) return -1;
  for (int32_t len = 1; len <= bits; ++len) {
    for (int32_t i = 0; i < t->bits[len - 1]; ++i) {
      int32_t code = t->mincode[len - 1] + i;
      int32_t first = code << (bits - len);
      int32_t count = 1 << (bits - len);
      for (int32_t j = 0; j < count; ++j) {
        l->length[first + j] = uint8_t(len);
        l->symbol[first + j] = t->huffval[t->valptr[len - 1] + i];
      }
    }
  }
  return 1;
}

int32_t rst_jpeg_init_decoder_entropy(JpegCodecContext* c, int32_t lookahead_bits) {
  c->zigzag = rst_jpeg_zigzag();
  c->lookahead_bits = lookahead_bits < 1 || lookahead_bits > 16 ? 8 : lookahead_bits;
  c->input = static_cast<uint8_t*>(rst_malloc(8192));
  if (!c->input) return -1;
  c->input_fill = c->input_pos = 0;
  c->tables_changed = true;
  return rst_jpeg_reset_decoder_entropy(c);
}

int32_t rst_jpeg_reset_decoder_entropy(JpegCodecContext* c) {
  c->bit_buffer = 0;
  c->bit_count = 0;
  c->zero_bits = 0;
  c->eob_run = 0;
  c->data_left = 1;
  c->decode_status = 1;
  for (auto& comp : c->comp) comp.dc_pred = 0;
  if (c->frame_type != 0xC2) c->block_decoder = rst_jpeg_decode_block;
  else if (c->ah == 0) c->block_decoder = c->ss == 0 ? rst_jpeg_decode_dc_first : rst_jpeg_decode_ac_first;
  else c->block_decoder = c->ss == 0 ? rst_jpeg_decode_dc_refine : rst_jpeg_decode_ac_refine;
  if (c->tables_changed) {
    for (int32_t i = 0; i < c->dc_count; ++i)
      if (c->dc_tables[i].slot_count && rst_jpeg_build_lookahead(&c->dc_tables[i], c->lookahead_bits) < 1) return -1;
    for (int32_t i = 0; i < c->ac_count; ++i)
      if (c->ac_tables[i].slot_count && rst_jpeg_build_lookahead(&c->ac_tables[i], c->lookahead_bits) < 1) return -1;
    c->tables_changed = false;
  }
  return 1;
}

void rst_jpeg_free_decoder_entropy(JpegCodecContext* c) {
  rst_free(c->input);
  c->input = nullptr;
}

namespace {

// A product beyond 32 bits only comes from a hostile stream: held there.
inline int32_t dequantise(int32_t v, int32_t multiplier) {
  int64_t p = int64_t{v} * multiplier;
  return p > INT32_MAX ? INT32_MAX : p < INT32_MIN ? INT32_MIN : int32_t(p);
}

}  // namespace

int32_t rst_jpeg_decode_block(JpegCodecContext* c, int32_t* block, int32_t ci) {
  if (c->decode_status < 1) return c->decode_status;
  JpegComponent& comp = c->comp[ci];
  // The full-size transform takes its coefficients AAN-scaled.
  const int32_t* m = comp.out_scale == 1 ? c->fast_multipliers[comp.tq] : c->multipliers[comp.tq];
  const JpegHuffmanInfo* dc = &c->dc_tables[comp.td];
  const JpegHuffmanInfo* ac = &c->ac_tables[comp.ta];
  std::memset(block, 0, 64 * sizeof(int32_t));
  block[64] = 64;
  int32_t s = rst_jpeg_decode_symbol(c, dc);
  if (s < 0) return s;
  comp.dc_pred += received(c, s);
  if (comp.dc_pred > kMaxPredictor || comp.dc_pred < -kMaxPredictor) return kCorrupt;
  block[0] = dequantise(comp.dc_pred, m[0]);
  for (int32_t k = 1; k < 64; ++k) {
    int32_t rs = rst_jpeg_decode_symbol(c, ac);
    if (rs < 0) return rs;
    int32_t r = rs >> 4;
    s = rs & 15;
    if (s) {
      k += r;
      if (k > 63) return kCorrupt;
      int32_t at = c->zigzag[k];
      block[at] = dequantise(received(c, s), m[at]);
    } else {
      if (r != 15) break;
      k += 15;
      if (k > 63) return kCorrupt;
    }
  }
  return finish(c);
}

int32_t rst_jpeg_decode_dc_first(JpegCodecContext* c, int32_t* block, int32_t ci) {
  if (c->decode_status < 1) return c->decode_status;
  JpegComponent& comp = c->comp[ci];
  int32_t s = rst_jpeg_decode_symbol(c, &c->dc_tables[comp.td]);
  if (s < 0) return s;
  comp.dc_pred += received(c, s);
  if (comp.dc_pred > kMaxPredictor || comp.dc_pred < -kMaxPredictor) return kCorrupt;
  block[0] = comp.dc_pred * (1 << c->al);
  return finish(c);
}

int32_t rst_jpeg_decode_dc_refine(JpegCodecContext* c, int32_t* block, int32_t) {
  if (c->decode_status < 1) return c->decode_status;
  if (rst_jpeg_get_bits(c, 1)) block[0] |= 1 << c->al;
  return finish(c);
}

int32_t rst_jpeg_decode_ac_first(JpegCodecContext* c, int32_t* block, int32_t ci) {
  if (c->decode_status < 1) return c->decode_status;
  if (c->eob_run > 0) {
    --c->eob_run;
    return 1;
  }
  const JpegHuffmanInfo* ac = &c->ac_tables[c->comp[ci].ta];
  for (int32_t k = c->ss; k <= c->se; ++k) {
    int32_t rs = rst_jpeg_decode_symbol(c, ac);
    if (rs < 0) return rs;
    int32_t r = rs >> 4, s = rs & 15;
    if (s) {
      k += r;
      if (k > c->se) return kCorrupt;
      block[c->zigzag[k]] = received(c, s) * (1 << c->al);
    } else if (r == 15) {
      k += 15;
    } else {
      c->eob_run = (1 << r) - 1 + rst_jpeg_get_bits(c, r);
      break;
    }
  }
  return finish(c);
}

int32_t rst_jpeg_decode_ac_refine(JpegCodecContext* c, int32_t* block, int32_t ci) {
  if (c->decode_status < 1) return c->decode_status;
  const JpegHuffmanInfo* ac = &c->ac_tables[c->comp[ci].ta];
  int32_t p1 = 1 << c->al, m1 = -p1;
  int32_t k = c->ss;
  // A correction bit for every coefficient already non-zero.
  auto correct = [&](int32_t& coefficient) {
    if (rst_jpeg_get_bits(c, 1) && (coefficient & p1) == 0) coefficient += coefficient >= 0 ? p1 : m1;
  };
  if (c->eob_run == 0) {
    for (; k <= c->se; ++k) {
      int32_t rs = rst_jpeg_decode_symbol(c, ac);
      if (rs < 0) return rs;
      int32_t r = rs >> 4, s = rs & 15;
      int32_t value = 0;
      if (s) {
        if (s != 1) return kCorrupt;
        value = rst_jpeg_get_bits(c, 1) ? p1 : m1;
      } else if (r != 15) {
        c->eob_run = (1 << r) + rst_jpeg_get_bits(c, r);
        break;
      }
      // Passes over r zero coefficients, correcting the non-zero ones met.
      for (;;) {
        if (k > c->se) {
          if (s) return kCorrupt;
          break;
        }
        int32_t& coefficient = block[c->zigzag[k]];
        if (coefficient != 0) {
          correct(coefficient);
        } else {
          if (r == 0) break;
          --r;
        }
        ++k;
      }
      if (s) block[c->zigzag[k]] = value;
      if (c->decode_status < 1) return c->decode_status;
    }
  }
  if (c->eob_run > 0) {
    for (; k <= c->se; ++k) {
      int32_t& coefficient = block[c->zigzag[k]];
      if (coefficient != 0) correct(coefficient);
    }
    --c->eob_run;
  }
  return finish(c);
}
