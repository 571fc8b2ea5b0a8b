// The JPEG encoder's marker segments.
#include "raster/codecs/rst_jpeg_encoder_markers.h"

#include <initializer_list>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_core_tables.h"

namespace {

constexpr int32_t kWriteFailed = -11;

// Writes big-endian and remembers the first failure.
class SegmentWriter {
 public:
  explicit SegmentWriter(BrenvoldStream* s) : s_(s), order_(s->set_byte_order(0)) {}
  ~SegmentWriter() { s_->set_byte_order(order_); }
  SegmentWriter(const SegmentWriter&) = delete;
  SegmentWriter& operator=(const SegmentWriter&) = delete;

  void byte(int32_t b) {
    if (s_->putc(b & 0xFF) < 0) ok_ = false;
  }
  void word(int32_t w) {
    if (s_->put16(uint16_t(w)) < 0) ok_ = false;
  }
  void block(const void* data, int32_t n) {
    if (n > 0 && s_->write(data, 1, n) != n) ok_ = false;
  }
  void marker(int32_t code) {
    byte(0xFF);
    byte(code);
  }
  // Stores the position into the word, when the word is connected.
  void mark(int32_t* word) {
    if (word) *word = s_->tell();
  }
  int32_t tell() { return s_->tell(); }
  int32_t status() const { return ok_ ? 1 : kWriteFailed; }

 private:
  BrenvoldStream* s_;
  int32_t order_;
  bool ok_ = true;
};

void huffman_table(SegmentWriter& w, int32_t class_id, const JpegHuffmanInfo& t, int32_t* word_a, int32_t* word_b) {
  w.byte(class_id);
  w.mark(word_a);
  w.mark(word_b);
  int32_t count = 0;
  for (int32_t i = 0; i < 16; ++i) count += t.bits[i];
  w.block(t.bits, 16);
  w.block(t.huffval, count);
}

int32_t value_count(const JpegHuffmanInfo& t) {
  int32_t count = 0;
  for (int32_t i = 0; i < 16; ++i) count += t.bits[i];
  return count;
}

}  // namespace

int32_t rst_jpeg_effective_header_kind(int32_t kind, uint32_t format) {
  if (kind == 1 || kind == 4 || kind == 8) return kind;
  uint32_t code = format & 0xFFFF;
  if (code == 0x27 || code == 0x47) return 4;
  if (code == 0x28) return 1;
  return 8;
}

int32_t rst_jpeg_write_headers(JpegCodecContext* c) {
  SegmentWriter w(c->stream);
  int32_t** pos = c->table_positions;
  int32_t tables = c->components == 1 ? 1 : 2;

  w.marker(0xD8);

  switch (rst_jpeg_effective_header_kind(c->header_kind, c->format)) {
    case 1: {
      static const uint8_t jfif[] = {'J', 'F', 'I', 'F', 0, 1, 2, 1};
      w.marker(0xE0);
      w.word(16);
      w.block(jfif, sizeof jfif);
      w.word(c->x_resolution);
      w.word(c->y_resolution);
      w.byte(0);
      w.byte(0);
      break;
    }
    case 4: {
      static const uint8_t g3fax[] = {'G', '3', 'F', 'A', 'X', 0};
      w.marker(0xE1);
      w.word(12);
      w.block(g3fax, sizeof g3fax);
      w.word(1994);
      w.word(c->x_resolution);
      break;
    }
    default: break;
  }

  // DQT: table 0 for component 0, table 1 (when there is one) for the others.
  w.marker(0xDB);
  w.word(2 + 65 * tables);
  const uint8_t* zigzag = rst_jpeg_zigzag();
  for (int32_t t = 0; t < tables; ++t) {
    if (t == 0) {
      w.mark(pos[0]);
    } else {
      w.mark(pos[1]);
      w.mark(pos[2]);
    }
    w.byte(t);
    uint8_t values[64];
    for (int32_t k = 0; k < 64; ++k) values[k] = uint8_t(c->qtables[t][zigzag[k]]);
    w.block(values, 64);
  }
  if (tables == 1) {
    // A one-component image names table 0 for every component.
    if (pos[1]) *pos[1] = pos[0] ? *pos[0] : 0;
    if (pos[2]) *pos[2] = pos[0] ? *pos[0] : 0;
  }

  // DHT: DC 0, AC 0, then DC 1 and AC 1 for three components.
  int32_t length = 2;
  for (int32_t t = 0; t < tables; ++t) length += 34 + value_count(c->dc_tables[t]) + value_count(c->ac_tables[t]);
  w.marker(0xC4);
  w.word(length);
  huffman_table(w, 0x00, c->dc_tables[0], pos[3], nullptr);
  huffman_table(w, 0x10, c->ac_tables[0], pos[6], nullptr);
  if (tables == 2) {
    huffman_table(w, 0x01, c->dc_tables[1], pos[4], pos[5]);
    huffman_table(w, 0x11, c->ac_tables[1], pos[7], pos[8]);
  } else {
    for (int32_t i : {4, 5})
      if (pos[i]) *pos[i] = pos[3] ? *pos[3] : 0;
    for (int32_t i : {7, 8})
      if (pos[i]) *pos[i] = pos[6] ? *pos[6] : 0;
  }

  w.marker(0xDD);
  w.word(4);
  w.word(c->restart_interval);

  w.marker(0xC0);
  w.word(8 + 3 * c->components);
  w.byte(8);
  c->sof_height_position = w.tell();
  w.word(c->height);
  w.word(c->width);
  w.byte(c->components);
  for (int32_t i = 0; i < c->components; ++i) {
    w.byte(i);
    w.byte(c->comp[i].h << 4 | c->comp[i].v);
    w.byte(i == 0 ? 0 : tables - 1);
  }

  w.marker(0xDA);
  w.word(6 + 2 * c->components);
  w.byte(c->components);
  for (int32_t i = 0; i < c->components; ++i) {
    w.byte(i);
    w.byte(i == 0 ? 0x00 : 0x11);
  }
  w.byte(0);
  w.byte(63);
  w.byte(0);
  return w.status();
}

int32_t rst_jpeg_write_rst(JpegCodecContext* c) {
  int32_t code = 0xD0 + c->restart_count % 8;
  ++c->restart_count;
  if (c->stream->putc(0xFF) < 0 || c->stream->putc(code) < 0) return kWriteFailed;
  return 1;
}

int32_t rst_jpeg_write_eoi(JpegCodecContext* c) {
  if (c->stream->putc(0xFF) < 0 || c->stream->putc(0xD9) < 0) return kWriteFailed;
  return 1;
}

int32_t rst_jpeg_rewrite_sof_height(JpegCodecContext* c, int32_t height) {
  BrenvoldStream* s = c->stream;
  int32_t back = s->tell();
  if (back < 0 || s->seek(c->sof_height_position, 0) != 0) return kWriteFailed;
  int32_t order = s->set_byte_order(0);
  int32_t written = s->put16(uint16_t(height));
  s->set_byte_order(order);
  if (s->seek(back, 0) != 0 || written < 0) return kWriteFailed;
  return 1;
}
