// Writing and reading the T.43 head.
#include "raster/codecs/rst_jbig_t43_head.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v >> 16);
  put16(b, v);
}

// Marker and length of a segment, then the identifier and its number.
void segment(std::vector<uint8_t>& b, uint8_t marker, uint32_t length, char digit, uint8_t number) {
  b.push_back(0xFF);
  b.push_back(marker);
  if (marker == 0xE3) put32(b, length);
  else put16(b, length);
  b.insert(b.end(), {'G', uint8_t(digit), 'F', 'A', 'X', number});
}

}  // namespace

std::vector<uint8_t> rst_jbig_t43_head_bytes(const JbigT43Form& form, uint32_t resolution, const uint8_t* palette,
                                             bool digit4) {
  char d = digit4 ? '4' : '3';
  std::vector<uint8_t> b = {0xFF, 0xA8};
  segment(b, 0xE1, 0x12, d, 0x00);
  put16(b, 1997);
  put16(b, resolution & 0xFFFF);
  b.push_back(0x00);
  b.push_back(form.color_space);
  b.insert(b.end(), form.bytes, form.bytes + 4);
  if (form.color_space == 0x10 || form.color_space == 0x30) {
    // Gamut of 8-bit components: L 0..100, a and b offset 2^(n-1) and
    // 2^(n-3) + 2^(n-2); then the D50 illuminant.
    segment(b, 0xE1, 0x14, d, 0x01);
    for (uint32_t v : {0x0000u, 0x0064u, 0x0080u, 0x0001u, 0x0060u, 0x0001u}) put16(b, v);
    segment(b, 0xE1, 0x0C, d, 0x02);
    b.insert(b.end(), {0x00, 0x44, 0x35, 0x30});
  }
  if (palette && form.color_space == 0x10) {
    segment(b, 0xE3, 784, d, 0x03);
    b.insert(b.end(), {0x00, 0x00});
    put32(b, 256);
    for (int i = 0; i < 256; ++i) b.insert(b.end(), {palette[i], palette[256 + i], palette[512 + i]});
  }
  segment(b, 0xE1, 0x08, d, 0xFF);
  return b;
}

namespace {

// The next byte; false once the input has failed.
bool next(JbigCodecContext* ctx, uint8_t* byte) {
  *byte = rst_jbig_get_byte(ctx);
  return ctx->error == 0;
}

bool skip(JbigCodecContext* ctx, uint32_t n) {
  uint8_t b;
  for (uint32_t i = 0; i < n; ++i)
    if (!next(ctx, &b)) return false;
  return true;
}

// The code after the next 0xFF (further 0xFF bytes skipped); -1 when the
// input ran out.
int32_t marker(JbigCodecContext* ctx) {
  uint8_t b = 0;
  do {
    if (!next(ctx, &b)) return -1;
  } while (b != 0xFF);
  do {
    if (!next(ctx, &b)) return -1;
  } while (b == 0xFF);
  return b;
}

int32_t read_palette(JbigCodecContext* ctx, uint32_t remaining, JbigT43Head* head) {
  uint8_t b[6];
  if (remaining < 6) return RstCode::unsupported_form;
  for (uint8_t& v : b)
    if (!next(ctx, &v)) return RstCode::io_failure;
  remaining -= 6;
  uint32_t wide = uint32_t(b[0]) << 8 | b[1];
  auto count = int32_t(uint32_t(b[2]) << 24 | uint32_t(b[3]) << 16 | uint32_t(b[4]) << 8 | b[5]);
  if (count <= 0) return skip(ctx, remaining) ? RstCode::good : RstCode::io_failure;
  if (count > 256) return RstCode::unsupported_option;
  uint32_t entry = wide ? 6 : 3;
  // The entries must lie inside the segment.
  if (uint64_t(count) * entry > remaining) return RstCode::unsupported_form;
  rst_free(head->palette);
  head->palette = static_cast<uint8_t*>(rst_calloc(3 * 256));
  if (!head->palette) return RstCode::no_memory;
  for (int32_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) {
      uint8_t hi = 0, lo = 0;
      if (!next(ctx, &hi)) return RstCode::io_failure;
      uint32_t v = hi;
      if (wide) {
        if (!next(ctx, &lo)) return RstCode::io_failure;
        v = (uint32_t(hi) << 8 | lo) >> 4;
      }
      head->palette[256 * c + i] = uint8_t(v);
    }
  }
  return skip(ctx, remaining - uint32_t(count) * entry) ? RstCode::good : RstCode::io_failure;
}

}  // namespace

int32_t rst_jbig_t43_read_head(JbigCodecContext* ctx, JbigT43Head* head) {
  int32_t code = marker(ctx);
  if (code != 0xA8) return RstCode::not_this_format;
  for (;;) {
    code = marker(ctx);
    if (code < 0) return RstCode::io_failure;
    if (code != 0xE1 && code != 0xE3) return RstCode::unsupported_form;
    uint32_t size_bytes = code == 0xE1 ? 2 : 4;
    uint32_t length = 0;
    uint8_t b = 0;
    for (uint32_t i = 0; i < size_bytes; ++i) {
      if (!next(ctx, &b)) return RstCode::io_failure;
      length = length << 8 | b;
    }
    uint8_t id[6];
    for (uint8_t& v : id)
      if (!next(ctx, &v)) return RstCode::io_failure;
    if (id[0] != 'G' || id[1] < '0' || id[1] > '9' || id[2] != 'F' || id[3] != 'A' || id[4] != 'X')
      return RstCode::unsupported_form;
    // The length counts itself and the identifier.
    if (length < size_bytes + 6) return RstCode::unsupported_form;
    uint32_t remaining = length - size_bytes - 6;
    switch (id[5]) {
      case 0x00: {
        uint8_t f[10];
        if (remaining != sizeof f) return RstCode::unsupported_form;
        for (uint8_t& v : f)
          if (!next(ctx, &v)) return RstCode::io_failure;
        head->has_form = true;
        head->color_space = f[5];
        std::memcpy(head->bytes, f + 6, 4);
        break;
      }
      case 0x03: {
        int32_t status = read_palette(ctx, remaining, head);
        if (status != RstCode::good) return status;
        break;
      }
      case 0xFF: return skip(ctx, remaining) ? RstCode::good : RstCode::io_failure;
      default:
        // Gamut, illuminant and unknown segments: their values are not used.
        if (!skip(ctx, remaining)) return RstCode::io_failure;
        break;
    }
  }
}
