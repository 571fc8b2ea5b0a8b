// Band rotation by 90 and 270 degrees.
#include "raster/geometry/rst_rotate90_block.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_bit_transpose.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_image_size.h"

namespace {

bool check(const RstHeader& h, int angle, unsigned band, int32_t bits, int32_t samples, unsigned max_band) {
  int32_t a = rst_normalize_angle(angle);
  return h.bits_per_sample == bits && h.samples_per_pixel == samples && h.data_form == RstDataForm::raw && band >= 8 &&
         band <= max_band && (a == 90 || a == 270);
}

// Whole tiles of side b covering n pixels, in 64 bits.
uint64_t round_up(int64_t n, uint32_t b) { return (uint64_t(n) + b - 1) / b * b; }

template <class T>
T* create_block_class(RstRead* source, unsigned band, bool (*family)(const RstHeader&, int, unsigned), int angle,
                      const char* where_bare, const char* where) {
  if (!source) {
    rst_report(RstCode::bad_argument, where_bare);
    return nullptr;
  }
  if (!family(RstHeader(source), angle, band)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, band), guard);
}

// Byte tiles: pixels of p bytes. Each band line l gives tile column b - 1 - l
// (90 degrees) or l (270 degrees); blocks of 8 x 8 pixels keep the reads and
// writes of the transpose within a few cache lines.
template <int P>
void fill_tile_bytes(uint8_t* tile, const uint8_t* band, size_t band_line, uint32_t b, uint32_t x0, bool quarter) {
  const size_t tile_line = size_t(b) * P;
  for (uint32_t l0 = 0; l0 < b; l0 += 8) {
    uint32_t l1 = std::min(b, l0 + 8);
    for (uint32_t n0 = 0; n0 < b; n0 += 8) {
      uint32_t n1 = std::min(b, n0 + 8);
      for (uint32_t l = l0; l < l1; ++l) {
        const uint8_t* src = band + size_t(l) * band_line;
        uint32_t column = quarter ? b - 1 - l : l;
        for (uint32_t n = n0; n < n1; ++n) {
          // 90: row n takes pixel x0 + n; 270: pixel x0 + b - 1 - n.
          uint32_t x = quarter ? x0 + n : x0 + b - 1 - n;
          std::memcpy(tile + size_t(n) * tile_line + size_t(column) * P, src + size_t(x) * P, P);
        }
      }
    }
  }
}

}  // namespace

bool rst_rotate90_block_check1(const RstHeader& header, int angle, unsigned band) {
  return check(header, angle, band, 1, 1, 32);
}
bool rst_rotate90_block_check8(const RstHeader& header, int angle, unsigned band) {
  return check(header, angle, band, 8, 1, 4096);
}
bool rst_rotate90_block_check24(const RstHeader& header, int angle, unsigned band) {
  return check(header, angle, band, 8, 3, 4096);
}
bool rst_rotate90_block_check(const RstHeader& header, int angle, unsigned band) {
  return rst_rotate90_block_check1(header, angle, band) || rst_rotate90_block_check8(header, angle, band) ||
         rst_rotate90_block_check24(header, angle, band);
}

RstRead* RstRotate90Block::create(RstRead* source, int angle) {
  if (!source) {
    rst_report(RstCode::bad_argument, "RstRotate90Block::create()");
    return nullptr;
  }
  return create(source, angle, RstHeader(source).bits_per_sample == 1 ? 32u : 200u);
}

RstRead* RstRotate90Block::create(RstRead* source, int angle, unsigned band) {
  int32_t a = rst_normalize_angle(angle);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstRotate90Block::create()");
    return nullptr;
  }
  RstHeader h(source);
  if (!rst_rotate90_block_check(h, a, band)) return RstRotate90::create(source, a, false);
  if (h.bits_per_sample == 1) return RstRotate90Block_1::create(source, a, band);
  if (h.samples_per_pixel == 1) return RstRotate90Block_8::create(source, a, band);
  return RstRotate90Block_24::create(source, a, band);
}

RstRead* RstRotate90Block_1::create(RstRead* source, int angle, unsigned band) {
  const char* where = "RstRotate90Block_1::create()";
  int32_t a = rst_normalize_angle(angle);
  if (!source || band < 8 || band > 32) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  // The bit kernels have tiles of 8, 16 and 32.
  band = band < 12 ? 8 : band < 24 ? 16 : 32;
  if (!rst_rotate90_block_check1(RstHeader(source), a, band)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (a == 90) return RstRotate90Block_1_90::create(source, band);
  return RstRotate90Block_1_270::create(source, band);
}

RstRead* RstRotate90Block_8::create(RstRead* source, int angle, unsigned band) {
  int32_t a = rst_normalize_angle(angle);
  if (!source || !rst_rotate90_block_check8(RstHeader(source), a, band)) {
    rst_report(RstCode::bad_argument, "RstRotate90Block_8::create()");
    return nullptr;
  }
  if (a == 90) return RstRotate90Block_8_90::create(source, band);
  return RstRotate90Block_8_270::create(source, band);
}

RstRead* RstRotate90Block_24::create(RstRead* source, int angle, unsigned band) {
  int32_t a = rst_normalize_angle(angle);
  if (!source || !rst_rotate90_block_check24(RstHeader(source), a, band)) {
    rst_report(RstCode::bad_argument, "RstRotate90Block_24::create()");
    return nullptr;
  }
  if (a == 90) return RstRotate90Block_24_90::create(source, band);
  return RstRotate90Block_24_270::create(source, band);
}

#define RST_ROTATE90_BLOCK_CREATE(Depth, Angle, Check)                                                                 \
  RstRotate90Block_##Depth##_##Angle* RstRotate90Block_##Depth##_##Angle::create(RstRead* source, unsigned band) {     \
    return create_block_class<RstRotate90Block_##Depth##_##Angle>(source, band, &Check, Angle,                         \
                                                                  "RstRotate90Block_" #Depth "_" #Angle "::create",    \
                                                                  "RstRotate90Block_" #Depth "_" #Angle "::create()"); \
  }
RST_ROTATE90_BLOCK_CREATE(1, 90, rst_rotate90_block_check1)
RST_ROTATE90_BLOCK_CREATE(1, 270, rst_rotate90_block_check1)
RST_ROTATE90_BLOCK_CREATE(8, 90, rst_rotate90_block_check8)
RST_ROTATE90_BLOCK_CREATE(8, 270, rst_rotate90_block_check8)
RST_ROTATE90_BLOCK_CREATE(24, 90, rst_rotate90_block_check24)
RST_ROTATE90_BLOCK_CREATE(24, 270, rst_rotate90_block_check24)
#undef RST_ROTATE90_BLOCK_CREATE

RstRotate90Block::RstRotate90Block(RstRead* source, int32_t angle, unsigned band)
    : RstRotate90(source, angle), band_(band) {}

RstRotate90Block::~RstRotate90Block() {
  rst_free(output_);
  rst_free(tile_);
}

bool RstRotate90Block::initiate() {
  const char* where = "RstRotate90Block::initiate()";
  const uint32_t b = band_;
  const int32_t W = header_.width, H = header_.height;
  const bool one_bit = header_.bits_per_sample == 1;
  const uint32_t p = one_bit ? 0 : uint32_t(header_.samples_per_pixel);
  // Padded sizes, in 64 bits: a header may promise any page.
  uint64_t wp = W >= 0 ? round_up(W, b) : 0, hp = H >= 0 ? round_up(H, b) : 0;
  int32_t padded_line = 0;
  size_t band_bytes = 0, output_bytes = 0, tile_bytes = 0;
  if (W < 0 || H < 0 || source_line_bytes_ < 0 || wp > uint64_t(INT32_MAX) || hp > uint64_t(INT32_MAX) ||
      !rst_packed_line_bytes(int64_t(wp), header_.bits_per_sample, header_.samples_per_pixel, padded_line) ||
      !rst_image_bytes(b, padded_line, band_bytes) || !rst_image_bytes(int64_t(hp), padded_line, output_bytes) ||
      !rst_image_bytes(int64_t(b) * b, one_bit ? 1 : int64_t(p) * 8, tile_bytes)) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  tile_bytes /= 8;
  padded_width_ = uint32_t(wp);
  padded_height_ = uint32_t(hp);
  padded_line_bytes_ = size_t(padded_line);
  // All three start zeroed: the filler that pads the last tiles reads as 0.
  image_ = static_cast<uint8_t*>(rst_calloc(band_bytes));
  output_ = image_ ? static_cast<uint8_t*>(rst_calloc(output_bytes)) : nullptr;
  tile_ = output_ ? static_cast<uint8_t*>(rst_calloc(tile_bytes)) : nullptr;
  if (!tile_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  std::swap(header_.width, header_.height);
  line_bytes_ = line_size();

  // A 1-bit quarter turn reads its first band from slot c, so that the filler
  // falls after the last pixel of every output line.
  first_slot_ = one_bit && angle_ == 90 ? (b - uint32_t(H) % b) % b : 0;
  stride_ = one_bit ? padded_height_ / 8 : padded_height_ * p;
  const uint32_t bands = padded_height_ / b;
  int32_t done = 0;
  for (uint32_t m = 0; m < bands; ++m) {
    uint32_t l = m == 0 ? first_slot_ : 0;
    for (; l < b && done < H; ++l, ++done) {
      if (source()->read(image_ + size_t(l) * padded_line_bytes_) != source_line_bytes_) {
        line_bytes_ = 0;
        rst_report(RstCode::unsupported_form, where);
        return false;
      }
    }
    // The slots after the source's last line hold the previous band.
    if (l < b) std::memset(image_ + size_t(l) * padded_line_bytes_, 0, size_t(b - l) * padded_line_bytes_);
    turn_band(m);
  }

  first_line_ = output_;
  if (angle_ == 90) {
    if (!one_bit) first_line_ += size_t(padded_height_ - uint32_t(H)) * p;
  } else {
    first_line_ += size_t(padded_width_ - uint32_t(W)) * stride_;
  }
  return true;
}

int RstRotate90Block::read(uint8_t* line) {
  int32_t y = take_line();
  if (y < 0) return 0;
  std::memcpy(line, first_line_ + size_t(y) * stride_, size_t(line_bytes_));
  return line_bytes_;
}

// Bytes pixels. Tile row n goes to output line t * b + n (90) or
// W' - (t + 1) * b + n (270), at pixel H' - (m + 1) * b (90) or m * b (270).
#define RST_ROTATE90_BLOCK_BYTES(Depth, Angle, P)                                                     \
  void RstRotate90Block_##Depth##_##Angle::turn_band(uint32_t m) {                                    \
    const uint32_t b = band_, H2 = padded_height_, W2 = padded_width_;                                \
    const size_t out_line = size_t(H2) * P, tile_line = size_t(b) * P;                                \
    const size_t at = (Angle == 90 ? size_t(H2 - (m + 1) * b) : size_t(m) * b) * P;                   \
    for (uint32_t t = 0; t * b < W2; ++t) {                                                           \
      fill_tile_bytes<P>(tile_, image_, padded_line_bytes_, b, t * b, Angle == 90);                   \
      size_t first = Angle == 90 ? size_t(t) * b : size_t(W2 - (t + 1) * b);                          \
      for (uint32_t n = 0; n < b; ++n)                                                                \
        std::memcpy(output_ + (first + n) * out_line + at, tile_ + size_t(n) * tile_line, tile_line); \
    }                                                                                                 \
  }
RST_ROTATE90_BLOCK_BYTES(8, 90, 1)
RST_ROTATE90_BLOCK_BYTES(8, 270, 1)
RST_ROTATE90_BLOCK_BYTES(24, 90, 3)
RST_ROTATE90_BLOCK_BYTES(24, 270, 3)
#undef RST_ROTATE90_BLOCK_BYTES

namespace {

// 1-bit tiles of b = 8, 16 or 32 pixels, turned as (b / 8)^2 matrices of
// 8 x 8 bits. Tile row n is b / 8 bytes, most significant bit first.
// 90 degrees: tile row n is column x0 + n; slot l gives bit b - 1 - l.
// 270 degrees: tile row n is column x0 + b - 1 - n; slot l gives bit l.
void fill_tile_bits(uint8_t* tile, const uint8_t* band, size_t band_line, uint32_t b, uint32_t x0, bool quarter) {
  const uint32_t units = b / 8;
  const uint8_t* column = band + x0 / 8;
  for (uint32_t j = 0; j < units; ++j) {
    for (uint32_t g = 0; g < units; ++g) {
      // Gather the 8 bytes of slots 8g .. 8g + 7 (last first at 90 degrees)
      // in byte column j, row 0 most significant.
      uint64_t x = 0;
      for (uint32_t r = 0; r < 8; ++r) {
        uint32_t slot = quarter ? 8 * g + 7 - r : 8 * g + r;
        x = (x << 8) | column[size_t(slot) * band_line + j];
      }
      x = rst_transpose8x8(x);
      // Byte i of the result (most significant first) is column 8j + i.
      for (uint32_t i = 0; i < 8; ++i) {
        uint8_t byte = uint8_t(x >> (56 - 8 * i));
        uint32_t row = quarter ? 8 * j + i : b - 1 - 8 * j - i;
        uint32_t unit = quarter ? units - 1 - g : g;
        tile[size_t(row) * units + unit] = byte;
      }
    }
  }
}

}  // namespace

void RstRotate90Block_1_90::turn_band(uint32_t m) {
  const uint32_t b = band_, units = b / 8;
  const size_t at = size_t(padded_height_ - (m + 1) * b) / 8;
  for (uint32_t t = 0; t * b < padded_width_; ++t) {
    fill_tile_bits(tile_, image_, padded_line_bytes_, b, t * b, true);
    for (uint32_t n = 0; n < b; ++n)
      std::memcpy(output_ + size_t(t * b + n) * stride_ + at, tile_ + size_t(n) * units, units);
  }
}

void RstRotate90Block_1_270::turn_band(uint32_t m) {
  const uint32_t b = band_, units = b / 8;
  const size_t at = size_t(m) * b / 8;
  for (uint32_t t = 0; t * b < padded_width_; ++t) {
    fill_tile_bits(tile_, image_, padded_line_bytes_, b, t * b, false);
    const size_t first = size_t(padded_width_ - (t + 1) * b);
    for (uint32_t n = 0; n < b; ++n)
      std::memcpy(output_ + (first + n) * stride_ + at, tile_ + size_t(n) * units, units);
  }
}
