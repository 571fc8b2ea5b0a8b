// The JPEG encoder's entropy coding.
#include "raster/codecs/rst_jpeg_encoder_entropy.h"

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/core/rst_alloc.h"

namespace {

constexpr int32_t kWriteFailed = -11;

int32_t build(JpegHuffmanInfo* info, const JpegStandardHuffman& t, int32_t slots) {
  return rst_jpeg_build_huffman_info(info, t.bits, t.values, slots);
}

inline void emit(JpegCodecContext* c, uint8_t byte) {
  if (c->out_fill >= int32_t(sizeof c->out) - 1) rst_jpeg_drain_bits(c);
  c->out[c->out_fill++] = byte;
  if (byte == 0xFF) c->out[c->out_fill++] = 0x00;
}

inline int32_t quantise(int32_t x, int32_t q, const int16_t* reciprocal) {
  if (x == 0) return 0;
  if (x > 0) return x <= 511 ? reciprocal[x] : (x + q / 2) / q;
  return x >= -511 ? -reciprocal[-x] : (x - q / 2) / q;
}

// The code of symbol, then the category's low bits of v (v - 1 when
// negative).
inline void put_value(JpegCodecContext* c, const JpegHuffmanInfo* table, int32_t symbol, int32_t v, int32_t bits) {
  const JpegHuffmanCode& code = table->codes[symbol];
  rst_jpeg_put_bits(c, code.code, code.length);
  if (bits) rst_jpeg_put_bits(c, uint32_t(v < 0 ? v - 1 : v) & ((1u << bits) - 1), bits);
}

}  // namespace

int32_t rst_jpeg_init_encoder_entropy(JpegCodecContext* c) {
  c->put_buffer = 0;
  c->put_count = 0;
  c->put_status = 1;
  c->out_fill = 0;
  if (rst_jpeg_grow_huffman_tables(c, 2, 0) < 1 || rst_jpeg_grow_huffman_tables(c, 2, 1) < 1) return -1;
  if (build(&c->dc_tables[0], rst_jpeg_k3_dc_luminance(), 16) < 1 ||
      build(&c->dc_tables[1], rst_jpeg_k4_dc_chrominance(), 16) < 1 ||
      build(&c->ac_tables[0], rst_jpeg_k5_ac_luminance(), 256) < 1 ||
      build(&c->ac_tables[1], rst_jpeg_k6_ac_chrominance(), 256) < 1)
    return -1;
  for (int32_t i = 0; i < 4; ++i) {
    c->comp[i].td = c->comp[i].ta = i == 0 ? 0 : 1;
    c->comp[i].dc_pred = 0;
  }
  c->restart = rst_jpeg_flush_bits;
  return 1;
}

void rst_jpeg_free_encoder_entropy(JpegCodecContext* c) {
  for (int32_t i = 0; i < c->dc_count; ++i) rst_jpeg_free_huffman_info(&c->dc_tables[i]);
  for (int32_t i = 0; i < c->ac_count; ++i) rst_jpeg_free_huffman_info(&c->ac_tables[i]);
  rst_free(c->dc_tables);
  rst_free(c->ac_tables);
  c->dc_tables = c->ac_tables = nullptr;
  c->dc_count = c->ac_count = 0;
}

int32_t rst_jpeg_put_bits(JpegCodecContext* c, uint32_t code, int32_t length) {
  c->put_buffer = (c->put_buffer << length) | (code & ((uint64_t{1} << length) - 1));
  c->put_count += length;
  while (c->put_count >= 8) {
    c->put_count -= 8;
    emit(c, uint8_t(c->put_buffer >> c->put_count));
  }
  return c->put_status;
}

int32_t rst_jpeg_drain_bits(JpegCodecContext* c) {
  if (c->out_fill > 0) {
    if (c->put_status == 1 && c->stream->write(c->out, 1, c->out_fill) != c->out_fill) c->put_status = kWriteFailed;
    c->out_fill = 0;
  }
  return c->put_status;
}

int32_t rst_jpeg_flush_bits(JpegCodecContext* c) {
  if (c->put_count > 0) {
    uint32_t used = uint32_t(c->put_count);
    emit(c, uint8_t((c->put_buffer << (8 - used)) | (0xFFu >> used)));
  }
  c->put_buffer = 0;
  c->put_count = 0;
  for (auto& comp : c->comp) comp.dc_pred = 0;
  return rst_jpeg_drain_bits(c);
}

int32_t rst_jpeg_encode_block(JpegCodecContext* c, const int32_t* block, const JpegHuffmanInfo* dc,
                              const JpegHuffmanInfo* ac, int32_t qtable, int32_t component) {
  const int32_t* q = c->qtables[qtable];
  const int16_t(*reciprocal)[512] = c->reciprocals + qtable * 64;
  const uint8_t* zigzag = rst_jpeg_zigzag();
  JpegComponent& comp = c->comp[component];

  int32_t value = quantise(block[0], q[0], reciprocal[0]);
  int32_t diff = value - comp.dc_pred;
  comp.dc_pred = value;
  int32_t bits = rst_jpeg_category(diff);
  put_value(c, dc, bits, diff, bits);

  int32_t run = 0;
  int32_t last = 0;
  for (int32_t k = 1; k < 64; ++k) {
    int32_t n = zigzag[k];
    last = quantise(block[n], q[n], reciprocal[n]);
    if (last == 0) {
      ++run;
      continue;
    }
    for (; run >= 16; run -= 16) put_value(c, ac, 0xF0, 0, 0);
    bits = rst_jpeg_category(last);
    put_value(c, ac, run * 16 + bits, last, bits);
    run = 0;
  }
  if (last == 0) put_value(c, ac, 0x00, 0, 0);
  return c->put_status;
}
