// The JPEG codec context and the routines its parts share.
#include "raster/codecs/rst_jpeg_context.h"

#include <cstring>

#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/core/rst_alloc.h"

namespace {

// 16384 x s(row) x s(col), s(0) = 1, s(k) = sqrt(2) cos(k pi / 16): the AAN
// inverse DCT's scale factors in natural order, 14 fractional bits.
constexpr int32_t kAanScales[64] = {
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520, 22725, 31521, 29692, 26722, 22725, 17855, 12299, 6270,
    21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906, 19266, 26722, 25172, 22654, 19266, 15137, 10426, 5315,
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520, 12873, 17855, 16819, 15137, 12873, 10114, 6967,  3552,
    8867,  12299, 11585, 10426, 8867,  6967,  4799,  2446, 4520,  6270,  5906,  5315,  4520,  3552,  2446,  1247};

template <class T>
T* zeroed(int64_t count) {
  if (count <= 0) return nullptr;
  return static_cast<T*>(rst_calloc(size_t(count) * sizeof(T)));
}

void free_lookahead(JpegHuffmanLookahead*& l) {
  if (!l) return;
  rst_free(l->length);
  rst_free(l->symbol);
  rst_free(l);
  l = nullptr;
}

void free_huffman_array(JpegHuffmanInfo*& tables, int32_t count) {
  if (!tables) return;
  for (int32_t i = 0; i < count; ++i) rst_jpeg_free_huffman_info(&tables[i]);
  rst_free(tables);
  tables = nullptr;
}

}  // namespace

JpegCodecContext* rst_jpeg_context_new() {
  void* block = rst_calloc(sizeof(JpegCodecContext));
  if (!block) return nullptr;
  return new (block) JpegCodecContext();
}

void rst_jpeg_context_free(JpegCodecContext* c) {
  if (!c) return;
  rst_jpeg_free_qtables(c);
  if (!c->huffman_borrowed) {
    free_huffman_array(c->dc_tables, c->dc_count);
    free_huffman_array(c->ac_tables, c->ac_count);
  } else {
    // Only the lookaheads made for this context are its own.
    for (int32_t i = 0; i < c->dc_count; ++i) free_lookahead(c->dc_tables[i].lookahead);
    for (int32_t i = 0; i < c->ac_count; ++i) free_lookahead(c->ac_tables[i].lookahead);
  }
  for (auto& comp : c->comp) rst_free(comp.store);
  rst_free(c->plane_memory);
  rst_free(c->blocks);
  rst_free(c->input);
  rst_free(c->comment);
  c->~JpegCodecContext();
  rst_free(c);
}

int32_t rst_jpeg_huffman_codes(JpegHuffmanInfo* info, const uint8_t* bits, const uint8_t* huffval, int32_t slots) {
  rst_free(info->codes);
  info->codes = zeroed<JpegHuffmanCode>(slots);
  if (!info->codes) return -1;
  int32_t code = 0;
  int32_t k = 0;
  for (int32_t length = 1; length <= 16; ++length) {
    for (int32_t i = 0; i < bits[length - 1]; ++i) {
      // Over-subscribed counts would give codes that do not fit their length.
      if (k >= slots || code >= (1 << length) || huffval[k] >= slots) {
        rst_free(info->codes);
        info->codes = nullptr;
        return -2;
      }
      info->codes[huffval[k]] = {uint8_t(length), uint16_t(code)};
      ++code;
      ++k;
    }
    code <<= 1;
  }
  return 1;
}

int32_t rst_jpeg_build_huffman_info(JpegHuffmanInfo* info, const uint8_t* bits, const uint8_t* huffval, int32_t slots) {
  int32_t total = 0;
  for (int32_t i = 0; i < 16; ++i) total += bits[i];
  if (total > slots) return -2;
  int32_t status = rst_jpeg_huffman_codes(info, bits, huffval, slots);
  if (status < 1) return status;
  info->slot_count = slots;
  rst_free(info->bits);
  rst_free(info->huffval);
  info->bits = zeroed<uint8_t>(16);
  info->huffval = zeroed<uint8_t>(total > 0 ? total : 1);
  if (!info->bits || !info->huffval) {
    rst_jpeg_free_huffman_info(info);
    return -1;
  }
  std::memcpy(info->bits, bits, 16);
  if (total > 0) std::memcpy(info->huffval, huffval, size_t(total));
  int32_t code = 0;
  int32_t k = 0;
  for (int32_t l = 0; l < 16; ++l) {
    info->valptr[l] = k;
    if (bits[l]) {
      info->mincode[l] = code;
      code += bits[l];
      k += bits[l];
      info->maxcode[l] = code - 1;
    } else {
      info->mincode[l] = 0;
      info->maxcode[l] = -1;
    }
    code <<= 1;
  }
  free_lookahead(info->lookahead);
  return 1;
}

void rst_jpeg_free_huffman_info(JpegHuffmanInfo* info) {
  if (!info) return;
  rst_free(info->codes);
  rst_free(info->bits);
  rst_free(info->huffval);
  free_lookahead(info->lookahead);
  *info = JpegHuffmanInfo();
}

int32_t rst_jpeg_copy_huffman_info(JpegHuffmanInfo* to, const JpegHuffmanInfo& from) {
  *to = JpegHuffmanInfo();
  if (from.slot_count == 0 || !from.bits) return 1;
  return rst_jpeg_build_huffman_info(to, from.bits, from.huffval, from.slot_count);
}

void rst_jpeg_free_preloaded_huffman(JpegCodecContext* holder) {
  if (!holder) return;
  holder->qtables_borrowed = false;
  holder->huffman_borrowed = false;
  rst_jpeg_context_free(holder);
}

int32_t rst_jpeg_own_qtables(JpegCodecContext* c) {
  if (!c->qtables_borrowed) return 1;
  auto* copy =
      reinterpret_cast<int32_t(*)[65]>(zeroed<int32_t>(int64_t{65} * (c->qtable_count > 0 ? c->qtable_count : 1)));
  if (!copy) return -1;
  if (c->qtable_count > 0) std::memcpy(copy, c->qtables, sizeof(int32_t) * 65 * size_t(c->qtable_count));
  c->qtables = copy;
  c->qtables_borrowed = false;
  return 1;
}

int32_t rst_jpeg_own_huffman_tables(JpegCodecContext* c) {
  if (!c->huffman_borrowed) return 1;
  JpegHuffmanInfo* dc = zeroed<JpegHuffmanInfo>(c->dc_count > 0 ? c->dc_count : 1);
  JpegHuffmanInfo* ac = zeroed<JpegHuffmanInfo>(c->ac_count > 0 ? c->ac_count : 1);
  bool ok = dc && ac;
  for (int32_t i = 0; ok && i < c->dc_count; ++i) ok = rst_jpeg_copy_huffman_info(&dc[i], c->dc_tables[i]) == 1;
  for (int32_t i = 0; ok && i < c->ac_count; ++i) ok = rst_jpeg_copy_huffman_info(&ac[i], c->ac_tables[i]) == 1;
  if (!ok) {
    free_huffman_array(dc, c->dc_count);
    free_huffman_array(ac, c->ac_count);
    return -1;
  }
  // The holder's lookaheads made by this context are dropped with the borrow.
  for (int32_t i = 0; i < c->dc_count; ++i) free_lookahead(c->dc_tables[i].lookahead);
  for (int32_t i = 0; i < c->ac_count; ++i) free_lookahead(c->ac_tables[i].lookahead);
  if (c->dc_count == 0) {
    rst_free(dc);
    dc = nullptr;
  }
  if (c->ac_count == 0) {
    rst_free(ac);
    ac = nullptr;
  }
  c->dc_tables = dc;
  c->ac_tables = ac;
  c->huffman_borrowed = false;
  c->tables_changed = true;
  return 1;
}

int32_t rst_jpeg_grow_qtables(JpegCodecContext* c, int32_t n) {
  if (rst_jpeg_own_qtables(c) < 1) return -1;
  int32_t count = c->qtable_count + n;
  auto* grown = reinterpret_cast<int32_t(*)[65]>(zeroed<int32_t>(int64_t{65} * count));
  if (!grown) return -1;
  if (c->qtable_count > 0) std::memcpy(grown, c->qtables, sizeof(int32_t) * 65 * size_t(c->qtable_count));
  rst_free(c->qtables);
  c->qtables = grown;
  c->qtable_count = count;
  return 1;
}

int32_t rst_jpeg_grow_huffman_tables(JpegCodecContext* c, int32_t n, int32_t ac) {
  if (rst_jpeg_own_huffman_tables(c) < 1) return -1;
  JpegHuffmanInfo*& tables = ac ? c->ac_tables : c->dc_tables;
  int32_t& count = ac ? c->ac_count : c->dc_count;
  JpegHuffmanInfo* grown = zeroed<JpegHuffmanInfo>(count + n);
  if (!grown) return -1;
  // The records move as they are: their arrays go with them.
  if (count > 0) std::memcpy(static_cast<void*>(grown), tables, sizeof(JpegHuffmanInfo) * size_t(count));
  rst_free(tables);
  tables = grown;
  count += n;
  return 1;
}

int32_t rst_jpeg_prepare_qtables(JpegCodecContext* c, int32_t mode, int32_t quality) {
  if (mode == 1) {
    // Encoder tables: the active base tables scaled by the quality.
    int32_t n = c->components == 1 ? 1 : 2;
    if (rst_jpeg_own_qtables(c) < 1) return -1;
    rst_free(c->qtables);
    c->qtables = reinterpret_cast<int32_t(*)[65]>(zeroed<int32_t>(int64_t{65} * n));
    c->qtable_count = 0;
    if (!c->qtables) return -1;
    float factor = rst_jpeg_quality_scale(quality);
    for (int32_t t = 0; t < n; ++t) {
      rst_jpeg_scale_qtable(rst_jpeg_base_qtable(t), factor, c->qtables[t]);
      c->qtables[t][64] = 1;
    }
    c->qtable_count = n;
    // Magnitudes up to 511 are quantised by look-up: (k + q / 2) / q.
    rst_free(c->reciprocals);
    c->reciprocals = reinterpret_cast<int16_t(*)[512]>(zeroed<int16_t>(int64_t{64} * 512 * n));
    if (!c->reciprocals) return -1;
    for (int32_t t = 0; t < n; ++t)
      for (int32_t i = 0; i < 64; ++i) {
        int32_t q = c->qtables[t][i];
        int16_t* r = c->reciprocals[t * 64 + i];
        for (int32_t k = 0; k < 512; ++k) r[k] = int16_t((k + q / 2) / q);
      }
    for (int32_t i = 0; i < 4; ++i) c->comp[i].tq = i == 0 ? 0 : n - 1;
    return 1;
  }
  rst_free(c->multipliers);
  rst_free(c->fast_multipliers);
  c->multipliers = c->fast_multipliers = nullptr;
  if (c->qtable_count <= 0) return 1;
  c->multipliers = reinterpret_cast<int32_t(*)[64]>(zeroed<int32_t>(int64_t{64} * c->qtable_count));
  c->fast_multipliers = reinterpret_cast<int32_t(*)[64]>(zeroed<int32_t>(int64_t{64} * c->qtable_count));
  if (!c->multipliers || !c->fast_multipliers) return -1;
  for (int32_t t = 0; t < c->qtable_count; ++t) {
    for (int32_t k = 0; k < 64; ++k) {
      c->multipliers[t][k] = c->qtables[t][k];
      c->fast_multipliers[t][k] = int32_t((int64_t{c->qtables[t][k]} * kAanScales[k] + 8) / 16);
    }
  }
  return 1;
}

void rst_jpeg_free_qtables(JpegCodecContext* c) {
  if (!c->qtables_borrowed) rst_free(c->qtables);
  c->qtables = nullptr;
  c->qtable_count = 0;
  rst_free(c->multipliers);
  rst_free(c->fast_multipliers);
  c->multipliers = c->fast_multipliers = nullptr;
  rst_free(c->reciprocals);
  c->reciprocals = nullptr;
}

namespace {

int32_t pattern(const JpegCodecContext* c, const uint8_t (&d)[6]) { return std::memcmp(c->divisors, d, 6) == 0; }

}  // namespace

int32_t rst_jpeg_is_444(const JpegCodecContext* c) { return pattern(c, {1, 1, 1, 1, 1, 1}); }
int32_t rst_jpeg_is_422(const JpegCodecContext* c) { return pattern(c, {1, 2, 2, 1, 1, 1}); }
int32_t rst_jpeg_is_420(const JpegCodecContext* c) { return pattern(c, {1, 2, 2, 1, 2, 2}); }
int32_t rst_jpeg_is_411(const JpegCodecContext* c) { return pattern(c, {1, 4, 4, 1, 1, 1}); }
