// Left-right mirroring of raw lines.
#include "raster/geometry/rst_mirror_x.h"

#include <algorithm>
#include <cstring>

#include "raster/core/bit_reverse.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_image_size.h"
#include "raster/geometry/rst_mirror_x_rle.h"

namespace {

bool is_raw(const RstHeader& h, int32_t bits) { return h.data_form == RstDataForm::raw && h.bits_per_sample == bits; }

// The class creates: no source -2, a header outside the class's kind -3.
template <class T, class Accept>
T* create_class(RstRead* source, const char* where, Accept accept) {
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  int32_t bytes = 0;
  if (!accept(h) || h.width < 0 || !rst_packed_line_bytes(h.width, h.bits_per_sample, h.samples_per_pixel, bytes)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source), guard);
}

// Exchanges pixel i with pixel width - 1 - i, pixels of P bytes.
template <int P>
void mirror_pixels(uint8_t* line, int32_t width) {
  uint8_t* a = line;
  uint8_t* b = line + size_t(width) * P;
  while (b - a > P) {
    b -= P;
    uint8_t t[P];
    std::memcpy(t, a, P);
    std::memcpy(a, b, P);
    std::memcpy(b, t, P);
    a += P;
  }
}

// Mirrors n bytes: 8-byte words from both ends are exchanged, each with its
// bytes reversed, so that the long middle of a line moves a word at a time.
void mirror_bytes(uint8_t* line, size_t n) {
  uint8_t* a = line;
  uint8_t* b = line + n;
  while (b - a >= 16) {
    b -= 8;
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    x = __builtin_bswap64(x);
    y = __builtin_bswap64(y);
    std::memcpy(a, &y, 8);
    std::memcpy(b, &x, 8);
    a += 8;
  }
  std::reverse(a, b);
}

// Mirrors 4-byte pixels: words of two pixels from both ends are exchanged,
// each with its halves swapped (which keeps the bytes of a pixel in order).
void mirror_quads(uint8_t* line, int32_t width) {
  uint8_t* a = line;
  uint8_t* b = line + size_t(width) * 4;
  while (b - a >= 16) {
    b -= 8;
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    x = (x << 32) | (x >> 32);
    y = (y << 32) | (y >> 32);
    std::memcpy(a, &y, 8);
    std::memcpy(b, &x, 8);
    a += 8;
  }
  mirror_pixels<4>(a, int32_t((b - a) / 4));
}

}  // namespace

RstRead* RstMirrorX::create(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, "RstMirrorX::create()");
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form == RstDataForm::raw && h.bits_per_sample == 1 && h.samples_per_pixel == 1)
    return RstMirrorX1::create(source);
  if (h.data_form == RstDataForm::rle && h.bits_per_sample == 1 && h.samples_per_pixel == 1)
    return RstMirrorXRLE::create(source);
  if (h.data_form == RstDataForm::raw && h.bits_per_sample == 8) {
    switch (h.samples_per_pixel) {
      case 1: return RstMirrorX8::create(source);
      case 3: return RstMirrorX24::create(source);
      case 4: return RstMirrorX32::create(source);
      default: return RstMirrorXany::create(source);
    }
  }
  rst_report(RstCode::unsupported_option, "RstMirrorX::create()");
  return nullptr;
}

RstMirrorX::RstMirrorX(RstRead* source) : RstProcess(source) {
  RstHeader h(source);
  width_ = h.width;
  rst_packed_line_bytes(h.width, h.bits_per_sample, h.samples_per_pixel, line_bytes_);
}

RstMirrorX1* RstMirrorX1::create(RstRead* source) {
  return create_class<RstMirrorX1>(source, "RstMirrorX1::create()",
                                   [](const RstHeader& h) { return is_raw(h, 1) && h.samples_per_pixel == 1; });
}

RstMirrorX1::~RstMirrorX1() { rst_free(reverse_table_); }

bool RstMirrorX1::initiate() {
  reverse_table_ = static_cast<uint8_t*>(rst_malloc(256));
  if (!reverse_table_) {
    rst_report(RstCode::no_memory, "RstMirrorX1::initiate()");
    return false;
  }
  std::memcpy(reverse_table_, kBitReverseTable, 256);
  return true;
}

int RstMirrorX1::read(uint8_t* line) {
  if (!read_source(line)) return 0;
  const int32_t n = line_bytes_;
  if (n == 0) return 0;
  const uint8_t* rev = reverse_table_;
  // Reverse the bytes and the bits in each; the middle byte of an odd count
  // is reversed once.
  for (int32_t i = 0, j = n - 1; i <= j; ++i, --j) {
    uint8_t a = rev[line[i]], b = rev[line[j]];
    line[i] = b;
    line[j] = a;
  }
  // The source's spare bits now lead the line: one shift pass drops them and
  // clears the bits after the last pixel.
  int32_t a = width_ & 7;
  if (a != 0) {
    int32_t s = 8 - a;
    for (int32_t i = 0; i < n - 1; ++i) line[i] = uint8_t((line[i] << s) | (line[i + 1] >> a));
    line[n - 1] = uint8_t(line[n - 1] << s);
  }
  return n;
}

RstMirrorX8* RstMirrorX8::create(RstRead* source) {
  return create_class<RstMirrorX8>(source, "RstMirrorX8::create()",
                                   [](const RstHeader& h) { return is_raw(h, 8) && h.samples_per_pixel == 1; });
}

int RstMirrorX8::read(uint8_t* line) {
  if (!read_source(line)) return 0;
  mirror_bytes(line, size_t(width_));
  return line_bytes_;
}

RstMirrorX24* RstMirrorX24::create(RstRead* source) {
  return create_class<RstMirrorX24>(source, "RstMirrorX24::create()",
                                    [](const RstHeader& h) { return is_raw(h, 8) && h.samples_per_pixel == 3; });
}

int RstMirrorX24::read(uint8_t* line) {
  if (!read_source(line)) return 0;
  mirror_pixels<3>(line, width_);
  return line_bytes_;
}

RstMirrorX32* RstMirrorX32::create(RstRead* source) {
  return create_class<RstMirrorX32>(source, "RstMirrorX32::create()",
                                    [](const RstHeader& h) { return is_raw(h, 8) && h.samples_per_pixel == 4; });
}

int RstMirrorX32::read(uint8_t* line) {
  if (!read_source(line)) return 0;
  mirror_quads(line, width_);
  return line_bytes_;
}

RstMirrorXany* RstMirrorXany::create(RstRead* source) {
  return create_class<RstMirrorXany>(source, "RstMirrorXany::create()",
                                     [](const RstHeader& h) { return is_raw(h, 8) && h.samples_per_pixel >= 1; });
}

RstMirrorXany::RstMirrorXany(RstRead* source) : RstMirrorX(source) {
  RstHeader h(source);
  channels_ = h.samples_per_pixel;
}

int RstMirrorXany::read(uint8_t* line) {
  if (!read_source(line)) return 0;
  const size_t p = size_t(channels_);
  uint8_t* a = line;
  uint8_t* b = line + size_t(width_) * p;
  while (size_t(b - a) > p) {
    b -= p;
    std::swap_ranges(a, a + p, b);
    a += p;
  }
  return line_bytes_;
}
