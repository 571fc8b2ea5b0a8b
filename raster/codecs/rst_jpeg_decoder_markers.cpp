// The marker structure of a JPEG stream as the decoder reads it. Every
// segment length is checked against what its reader takes, so no length
// makes the reader move backwards or read another segment's bytes.
#include "raster/codecs/rst_jpeg_decoder_markers.h"

#include <cmath>
#include <cstring>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/core/rst_alloc.h"

namespace {

constexpr int32_t kCorrupt = -3;
constexpr int32_t kStream = -11;
constexpr int32_t kNotJpeg = -12;
constexpr int32_t kUnsupported = -14;

int32_t refill(JpegCodecContext* c) {
  int64_t want = c->coded_left < 8192 ? c->coded_left : 8192;
  if (want <= 0) return 0;
  int32_t got = c->stream->read_available(c->input, int32_t(want));
  if (got <= 0) return 0;
  c->coded_left -= got;
  if (c->coded_left < 0) c->coded_left = 0;
  c->input_fill = got;
  c->input_pos = 0;
  return got;
}

// Reads n bytes into out; false when they did not all come.
bool read_bytes(JpegCodecContext* c, uint8_t* out, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    int32_t b = rst_jpeg_buffered_byte(c);
    if (b < 0) return false;
    out[i] = uint8_t(b);
  }
  return true;
}

// The segment length; kStream when it could not be read or is 0xFFFF, and
// kCorrupt when it is below what the reader takes.
int32_t segment_length(JpegCodecContext* c, int32_t least) {
  int32_t length = rst_jpeg_read_u16(c);
  if (length < 0 || length == 0xFFFF) return kStream;
  if (length < least) return kCorrupt;
  return length;
}

int32_t stream_position(JpegCodecContext* c) {
  int32_t at = c->stream->tell();
  if (c->input) at -= c->input_fill - c->input_pos;
  return at;
}

}  // namespace

int32_t rst_jpeg_buffered_byte(JpegCodecContext* c) {
  if (!c->input) return c->stream->getc();
  if (c->input_pos >= c->input_fill && refill(c) <= 0) return -1;
  return c->input[c->input_pos++];
}

int32_t rst_jpeg_read_u16(JpegCodecContext* c) {
  int32_t hi = rst_jpeg_buffered_byte(c);
  if (hi < 0) return -1;
  int32_t lo = rst_jpeg_buffered_byte(c);
  if (lo < 0) return -1;
  return hi << 8 | lo;
}

int32_t rst_jpeg_skip_bytes(JpegCodecContext* c, int32_t n) {
  if (n <= 0) return 1;
  if (!c->input) return c->stream->seek(n, 1) == 0 ? 1 : kStream;
  // Buffered: whatever part of the rest is there is passed over; the next
  // marker search deals with the remainder.
  for (int32_t i = 0; i < n; ++i)
    if (rst_jpeg_buffered_byte(c) < 0) break;
  return 1;
}

int32_t rst_jpeg_component_index(const JpegCodecContext* c, int32_t id) {
  for (int32_t i = 0; i < c->components; ++i)
    if (c->comp[i].id == id) return i;
  return kCorrupt;
}

int32_t rst_jpeg_read_marker(JpegCodecContext* c) {
  if (c->pending_marker) {
    int32_t m = c->pending_marker;
    c->pending_marker = 0;
    c->last_marker = m;
    return m;
  }
  int32_t b = rst_jpeg_buffered_byte(c);
  if (b < 0) return kStream;
  if (b != 0xFF) return kCorrupt;
  do {
    b = rst_jpeg_buffered_byte(c);
  } while (b == 0xFF);
  if (b < 0) return kStream;
  if (b == 0) return kCorrupt;
  c->last_marker = b;
  return b;
}

int32_t rst_jpeg_find_marker(JpegCodecContext* c) {
  if (c->pending_marker) return rst_jpeg_read_marker(c);
  for (;;) {
    int32_t b = rst_jpeg_buffered_byte(c);
    if (b < 0) return kStream;
    if (b != 0xFF) continue;
    do {
      b = rst_jpeg_buffered_byte(c);
    } while (b == 0xFF);
    if (b < 0) return kStream;
    if (b == 0) continue;  // a stuffed zero
    c->last_marker = b;
    return b;
  }
}

int32_t rst_jpeg_read_dnl(JpegCodecContext* c) {
  int32_t length = segment_length(c, 4);
  if (length < 0) return length;
  if (length != 4) return kCorrupt;
  int32_t lines = rst_jpeg_read_u16(c);
  if (lines < 0) return kStream;
  if (lines == 0) return kCorrupt;
  c->frame_height = lines;
  return 1;
}

int32_t rst_jpeg_find_dnl(JpegCodecContext* c) {
  if (c->input) return kStream;
  int32_t at = c->stream->tell();
  int32_t status = kCorrupt;
  for (;;) {
    int32_t m = rst_jpeg_find_marker(c);
    if (m < 0 || m == 0xD9) break;  // no DNL: the height stays unknown
    if (m == 0xDC) {
      status = rst_jpeg_read_dnl(c);
      break;
    }
  }
  if (c->stream->seek(at, 0) != 0) return kStream;
  return status;
}

int32_t rst_jpeg_read_sof(JpegCodecContext* c) {
  int32_t length = segment_length(c, 8);
  if (length < 0) return length;
  uint8_t head[6];
  if (!read_bytes(c, head, 6)) return kStream;
  if (c->frame_read) return kCorrupt;  // a second frame
  if (head[0] != 8) return kCorrupt;
  int32_t height = head[1] << 8 | head[2];
  int32_t width = head[3] << 8 | head[4];
  int32_t n = head[5];
  if (n == 0) return kCorrupt;
  if (n != 1 && n != 3) return kUnsupported;
  if (length != 8 + 3 * n) return kCorrupt;
  if (width == 0) return kCorrupt;
  uint8_t bytes[9];
  if (!read_bytes(c, bytes, 3 * n)) return kStream;
  c->hmax = c->vmax = 1;
  for (int32_t i = 0; i < n; ++i) {
    JpegComponent& comp = c->comp[i];
    comp = JpegComponent();
    comp.id = bytes[3 * i];
    comp.h = bytes[3 * i + 1] >> 4;
    comp.v = bytes[3 * i + 1] & 15;
    comp.tq = bytes[3 * i + 2];
    if (comp.h < 1 || comp.h > 4 || comp.v < 1 || comp.v > 4 || comp.tq > 3) return kCorrupt;
    for (int32_t j = 0; j < i; ++j)
      if (c->comp[j].id == comp.id) return kCorrupt;
    // One component is coded block by block whatever its factors say.
    if (n == 1) comp.h = comp.v = 1;
    if (comp.h > c->hmax) c->hmax = comp.h;
    if (comp.v > c->vmax) c->vmax = comp.v;
  }
  for (int32_t i = 0; i < n; ++i) {
    const JpegComponent& comp = c->comp[i];
    if (c->hmax % comp.h || c->vmax % comp.v) return kUnsupported;
    int32_t dh = c->hmax / comp.h, dv = c->vmax / comp.v;
    if (dh == 3 || dv == 3) return kUnsupported;
    c->divisors[i] = uint8_t(dh);
    c->divisors[3 + i] = uint8_t(dv);
  }
  if (n == 1) {
    c->divisors[1] = c->divisors[2] = c->divisors[0];
    c->divisors[4] = c->divisors[5] = c->divisors[3];
  }
  c->components = n;
  c->bytes_per_pixel = n;
  c->frame_width = width;
  c->frame_height = height;
  if (height == 0) {
    int32_t status = rst_jpeg_find_dnl(c);
    if (status < 1) return status == kStream && !c->input ? kCorrupt : status;
  }
  c->frame_read = true;
  return 1;
}

int32_t rst_jpeg_read_dht(JpegCodecContext* c) {
  int32_t length = segment_length(c, 2);
  if (length < 0) return length;
  int32_t left = length - 2;
  while (left > 0) {
    if (left < 17) return kCorrupt;
    uint8_t head[17];
    if (!read_bytes(c, head, 17)) return kStream;
    int32_t cls = head[0] >> 4, id = head[0] & 15;
    if (cls > 1) return kCorrupt;
    int32_t slots = cls ? 256 : 16;
    int32_t total = 0;
    for (int32_t i = 1; i <= 16; ++i) total += head[i];
    if (total > slots || 17 + total > left) return kCorrupt;
    uint8_t values[256];
    if (!read_bytes(c, values, total)) return kStream;
    if (!cls)
      for (int32_t i = 0; i < total; ++i)
        if (values[i] >= 16) return kCorrupt;
    int32_t& count = cls ? c->ac_count : c->dc_count;
    if (rst_jpeg_own_huffman_tables(c) < 1) return -1;
    if (id >= count && rst_jpeg_grow_huffman_tables(c, id + 1 - count, cls) < 1) return -1;
    JpegHuffmanInfo* table = &(cls ? c->ac_tables : c->dc_tables)[id];
    int32_t status = rst_jpeg_build_huffman_info(table, head + 1, values, slots);
    if (status == -1) return -1;
    if (status < 1) return kCorrupt;
    left -= 17 + total;
  }
  c->tables_changed = true;
  return 1;
}

int32_t rst_jpeg_read_dqt(JpegCodecContext* c) {
  int32_t length = segment_length(c, 2 + 65);
  if (length < 0) return length;
  const uint8_t* zz = rst_jpeg_zigzag();
  for (int32_t t = 0; t < (length - 2) / 65; ++t) {
    uint8_t entry[65];
    if (!read_bytes(c, entry, 65)) return kStream;
    if (entry[0] >> 4) return kCorrupt;  // 16-bit values
    int32_t id = entry[0] & 15;
    if (rst_jpeg_own_qtables(c) < 1) return -1;
    if (id >= c->qtable_count && rst_jpeg_grow_qtables(c, id + 1 - c->qtable_count) < 1) return -1;
    for (int32_t k = 0; k < 64; ++k) c->qtables[id][zz[k]] = entry[1 + k];
    c->qtables[id][64] = 1;
  }
  return 1;
}

int32_t rst_jpeg_read_dri(JpegCodecContext* c) {
  int32_t length = segment_length(c, 4);
  if (length < 0) return length;
  if (length != 4) return kCorrupt;
  int32_t interval = rst_jpeg_read_u16(c);
  if (interval < 0 || interval == 0xFFFF) return kStream;
  c->restart_interval = interval;
  c->restart_count = 0;
  return 1;
}

int32_t rst_jpeg_read_sos(JpegCodecContext* c) {
  int32_t length = segment_length(c, 3);
  if (length < 0) return length;
  int32_t ns = rst_jpeg_buffered_byte(c);
  if (ns < 0) return kStream;
  if (ns < 1 || ns > 4 || length != 6 + 2 * ns || !c->frame_read || ns > c->components) return kCorrupt;
  uint8_t bytes[11];
  if (!read_bytes(c, bytes, 2 * ns + 3)) return kStream;
  for (int32_t i = 0; i < c->components; ++i) c->comp[i].in_scan = 0;
  for (int32_t i = 0; i < ns; ++i) {
    int32_t index = rst_jpeg_component_index(c, bytes[2 * i]);
    if (index < 0 || c->comp[index].in_scan) return kCorrupt;
    JpegComponent& comp = c->comp[index];
    comp.in_scan = 1;
    comp.td = bytes[2 * i + 1] >> 4;
    comp.ta = bytes[2 * i + 1] & 15;
    if (comp.td > 3 || comp.ta > 3) return kCorrupt;
    c->scan_index[i] = index;
  }
  int32_t ss = bytes[2 * ns], se = bytes[2 * ns + 1], ah = bytes[2 * ns + 2] >> 4, al = bytes[2 * ns + 2] & 15;
  if (ss > se || se > 63 || ah > 13 || al > 13) return kCorrupt;
  bool progressive = c->frame_type == 0xC2;
  if (progressive) {
    if ((ss == 0 && se != 0) || (ss > 0 && ns != 1)) return kCorrupt;
  } else if (ns != c->components) {
    return kCorrupt;  // only one interleaved scan holding every component
  }
  c->scan_components = ns;
  c->ss = ss;
  c->se = se;
  c->ah = ah;
  c->al = al;
  if (c->table_check) {
    bool dc = !progressive || (ss == 0 && ah == 0);
    bool ac = !progressive || ss > 0;
    for (int32_t i = 0; i < ns; ++i) {
      const JpegComponent& comp = c->comp[c->scan_index[i]];
      if (dc && (comp.td >= c->dc_count || !c->dc_tables[comp.td].slot_count)) return kCorrupt;
      if (ac && (comp.ta >= c->ac_count || !c->ac_tables[comp.ta].slot_count)) return kCorrupt;
    }
    if (c->scans == 0)
      for (int32_t i = 0; i < c->components; ++i)
        if (c->comp[i].tq >= c->qtable_count || !c->qtables[c->comp[i].tq][64]) return kCorrupt;
  }
  if (++c->scans > kJpegMaxScans) return kCorrupt;
  return 1;
}

int32_t rst_jpeg_read_com(JpegCodecContext* c) {
  int32_t length = segment_length(c, 2);
  if (length < 0) return length;
  int32_t n = length - 2;
  size_t old = c->comment ? std::strlen(c->comment) : 0;
  size_t sep = c->comment ? 2 : 0;
  char* text = static_cast<char*>(rst_malloc(old + sep + size_t(n) + 1));
  if (!text) return -1;
  if (old) std::memcpy(text, c->comment, old);
  if (sep) std::memcpy(text + old, "\r\n", 2);
  if (!read_bytes(c, reinterpret_cast<uint8_t*>(text + old + sep), n)) {
    rst_free(text);
    return kStream;
  }
  text[old + sep + size_t(n)] = 0;
  rst_free(c->comment);
  c->comment = text;
  return 1;
}

namespace {

int32_t read_jfif(JpegCodecContext* c, int32_t length) {
  // Version, units, two densities and the thumbnail size follow the name.
  if (length < 16) return kCorrupt;
  uint8_t b[9];
  if (!read_bytes(c, b, 1)) return kStream;
  if (b[0] != 1) return rst_jpeg_skip_bytes(c, length - 8);
  if (!read_bytes(c, b + 1, 8)) return kStream;
  int32_t units = b[2];
  int32_t xd = b[3] << 8 | b[4], yd = b[5] << 8 | b[6];
  int32_t status = 1;
  if (units == 1) {
    c->x_resolution = xd;
    c->y_resolution = yd;
  } else if (units == 2) {
    c->x_resolution = int32_t(std::lround(xd * 2.54));
    c->y_resolution = int32_t(std::lround(yd * 2.54));
  } else if (units == 0) {
    status = 100;
  } else {
    rst_jpeg_skip_bytes(c, length - 16);
    return kCorrupt;
  }
  if (b[7]) {
    c->thumbnail = JpegThumbnailInfo();
    c->thumbnail.width = b[7];
    c->thumbnail.height = b[8];
    c->thumbnail.format = 0x180008;
    c->thumbnail.component_order = 0x10200;
    c->thumbnail.data_position = stream_position(c);
  }
  c->header_kind = 1;
  int32_t skipped = rst_jpeg_skip_bytes(c, length - 16);
  return skipped < 1 ? skipped : status;
}

int32_t read_jfxx(JpegCodecContext* c, int32_t length) {
  if (length < 8) return kCorrupt;
  int32_t code = rst_jpeg_buffered_byte(c);
  if (code < 0) return kStream;
  int32_t rest = length - 8;
  JpegThumbnailInfo t;
  int32_t consumed = 0;
  if (code == 0x10) {
    t.format = 0x180028;
    t.palette = 32;
    // A thumbnail's own header is read once, never its thumbnails in turn;
    // its size is taken only from a header that parsed.
    if (!c->nested && !c->input) {
      JpegStreamDescription* d = rst_jpeg_describe_stream(c->stream, true);
      if (!d) return -1;
      if (d->status == 1 || d->status == 100) {
        t.width = d->width & 0xFF;
        t.height = d->height & 0xFF;
      }
      rst_jpeg_free_description(d);
    }
  } else if (code == 0x11 || code == 0x13) {
    consumed = code == 0x11 ? 770 : 2;
    if (rest < consumed) return kCorrupt;
    uint8_t size[2];
    if (!read_bytes(c, size, 2)) return kStream;
    t.width = size[0];
    t.height = size[1];
    if (code == 0x11) {
      t.format = 0x80008;
      t.palette_position = stream_position(c);
      if (rst_jpeg_skip_bytes(c, 768) < 1) return kStream;
    } else {
      t.format = 0x180008;
      t.component_order = 0x10200;
    }
  } else {
    return kNotJpeg;
  }
  if (t.width) {
    t.data_position = stream_position(c);
    c->thumbnail = t;
  }
  c->header_kind = 1;
  return rst_jpeg_skip_bytes(c, rest - consumed);
}

}  // namespace

int32_t rst_jpeg_read_app0(JpegCodecContext* c) {
  int32_t length = segment_length(c, 7);
  if (length < 0) return length;
  uint8_t name[5];
  if (!read_bytes(c, name, 5)) return kStream;
  if (std::memcmp(name, "JFIF", 4) == 0) return read_jfif(c, length);
  if (std::memcmp(name, "JFXX", 4) == 0) return read_jfxx(c, length);
  return rst_jpeg_skip_bytes(c, length - 7);
}

int32_t rst_jpeg_read_app1(JpegCodecContext* c) {
  int32_t length = segment_length(c, 8);
  if (length < 0) return length;
  uint8_t name[6];
  if (!read_bytes(c, name, 6)) return kStream;
  if (std::memcmp(name, "G3FAX", 5) != 0 || length < 10) return rst_jpeg_skip_bytes(c, length - 8);
  int32_t version = rst_jpeg_read_u16(c);
  if (version < 0) return kStream;
  if (version != 1994 || length < 12) return rst_jpeg_skip_bytes(c, length - 10);
  int32_t resolution = rst_jpeg_read_u16(c);
  if (resolution < 0) return kStream;
  c->x_resolution = c->y_resolution = resolution;
  c->header_kind = 4;
  return rst_jpeg_skip_bytes(c, length - 12);
}

int32_t rst_jpeg_skip_segment(JpegCodecContext* c) {
  int32_t length = segment_length(c, 2);
  if (length < 0) return length;
  return rst_jpeg_skip_bytes(c, length - 2);
}

int32_t rst_jpeg_read_header(JpegCodecContext* c) {
  c->restart_count = 0;
  c->restart_interval = 0;
  c->x_resolution = c->y_resolution = 0;
  c->format = 0;
  int32_t m = rst_jpeg_read_marker(c);
  if (m < 0 && m != kCorrupt) return m;
  if (m != 0xD8) return kNotJpeg;
  int32_t result = 1;
  for (;;) {
    m = rst_jpeg_read_marker(c);
    if (m < 0) m = rst_jpeg_find_marker(c);
    if (m < 0) return m;
    int32_t status;
    switch (m) {
      case 0xC0:
      case 0xC2:
        c->frame_type = m;
        status = rst_jpeg_read_sof(c);
        break;
      case 0xC4: status = rst_jpeg_read_dht(c); break;
      case 0xD9: return result;
      case 0xDA: status = rst_jpeg_read_sos(c); break;
      case 0xDB: status = rst_jpeg_read_dqt(c); break;
      case 0xDD: status = rst_jpeg_read_dri(c); break;
      case 0xE0: status = rst_jpeg_read_app0(c); break;
      case 0xE1: status = rst_jpeg_read_app1(c); break;
      case 0xFE: status = rst_jpeg_read_com(c); break;
      default:
        if (m >= 0xE2 && m <= 0xEF) {
          status = rst_jpeg_skip_segment(c);
          break;
        }
        return kUnsupported;
    }
    if (status != 1) result = status;
    if (status <= 0) return status;
    if (m == 0xDA) break;
  }
  if ((c->format & 0xFFFF) == 0) {
    bool one = c->components == 1;
    if (c->header_kind == 4) c->format = one ? 0x80047 : 0x180027;
    else if (c->header_kind == 1) c->format = one ? 0x80048 : 0x180028;
    else if (c->components == 3 && c->comp[0].id == 'R' && c->comp[1].id == 'G' && c->comp[2].id == 'B')
      c->format = 0x180008;  // components named R, G and B hold RGB, not YCbCr
    else c->format = uint32_t(c->components * 8) << 16 | 0xFFFF;
  }
  if (c->x_resolution == 0 || c->y_resolution == 0) {
    c->x_resolution = c->y_resolution = 0;
    return 100;
  }
  return result;
}

int32_t rst_jpeg_next_scan(JpegCodecContext* c) {
  for (;;) {
    int32_t m = rst_jpeg_find_marker(c);
    if (m < 0) return m;
    if (m == 0xD9) return kCorrupt;
    if (m == 0xC4 || m == 0xDD) {
      // Encoders may change the restart interval from one scan to the next.
      int32_t status = m == 0xC4 ? rst_jpeg_read_dht(c) : rst_jpeg_read_dri(c);
      if (status < 1) return status;
    } else if (m == 0xDA) {
      return rst_jpeg_read_sos(c);
    }
  }
}

int32_t rst_jpeg_read_scan_end(JpegCodecContext* c) {
  int32_t m = rst_jpeg_read_marker(c);
  if (m < 0) return m == kStream ? kCorrupt : m;
  if ((m >= 0xD0 && m <= 0xD7) || m == 0xD9) return 1;
  if (m == 0xDC) return rst_jpeg_read_dnl(c);
  return kCorrupt;
}

int32_t rst_jpeg_skip_restarts(JpegCodecContext* c, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    int32_t m = rst_jpeg_find_marker(c);
    if (m < 0) return m;
    if (m < 0xD0 || m > 0xD7) return kCorrupt;
  }
  return 1;
}

JpegStreamDescription* rst_jpeg_describe_stream(BrenvoldStream* stream, bool nested) {
  int32_t at = stream->tell();
  JpegStreamDescription* d = rst_new<JpegStreamDescription>();
  if (!d) return nullptr;
  JpegCodecContext* c = rst_jpeg_context_new();
  if (!c) {
    d->status = -1;
    return d;
  }
  c->stream = stream;
  c->nested = nested;
  d->status = rst_jpeg_read_header(c);
  d->width = c->frame_width;
  d->height = c->frame_height;
  d->format = c->format;
  if ((d->format & 0xFFFF) == 0xFFFF) d->format = (d->format & 0xFFFF0000u) | ((d->format >> 16) >= 24 ? 0x28 : 0x48);
  d->x_resolution = c->x_resolution;
  d->y_resolution = c->y_resolution;
  if (c->thumbnail.width && c->frame_width && c->frame_height) {
    JpegStreamDescription* t = rst_new<JpegStreamDescription>();
    if (t) {
      t->kind = 2;
      t->width = c->thumbnail.width;
      t->height = c->thumbnail.height;
      t->format = c->thumbnail.format;
      t->x_resolution = int32_t(int64_t{t->width} * c->x_resolution / c->frame_width);
      t->y_resolution = int32_t(int64_t{t->height} * c->y_resolution / c->frame_height);
      t->coding = c->thumbnail.palette == 32 ? 32 : 0;
      d->next = t;
    }
  }
  rst_jpeg_context_free(c);
  stream->seek(at, 0);
  return d;
}

void rst_jpeg_free_description(JpegStreamDescription* list) {
  while (list) {
    JpegStreamDescription* next = list->next;
    delete list;
    list = next;
  }
}
