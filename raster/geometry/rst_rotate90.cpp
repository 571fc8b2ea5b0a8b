// Rotation by multiples of 90 degrees: the front, the depth fronts and the
// plain rotations, which turn the whole source held in memory.
#include "raster/geometry/rst_rotate90.h"

#include <cstring>

#include "raster/core/bit_reverse.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_whole_source_node.h"
#include "raster/geometry/rst_image_size.h"
#include "raster/geometry/rst_rotate90_block.h"
#include "raster/geometry/rst_rotate90_rle.h"

namespace {

bool is_family(const RstHeader& h, int32_t bits, int32_t samples) {
  return h.data_form == RstDataForm::raw && h.bits_per_sample == bits && h.samples_per_pixel == samples;
}

// An angle class's create: no source -2 at where_bare ("X::create"), a header
// outside the family -3 at where ("X::create()").
template <class T>
T* create_angle_class(RstRead* source, int32_t bits, int32_t samples, const char* where_bare, const char* where) {
  if (!source) {
    rst_report(RstCode::bad_argument, where_bare);
    return nullptr;
  }
  if (!is_family(RstHeader(source), bits, samples)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_whole_source_node<T>(source);
}

// A depth front: checks, then the angle class of the normalised angle.
template <class T90, class T180, class T270>
RstRead* create_depth(RstRead* source, int angle, int32_t bits, int32_t samples, const char* where) {
  int32_t a = rst_normalize_angle(angle);
  if (!source || a % 90 != 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (a == 0) return source;
  if (!is_family(RstHeader(source), bits, samples)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (a == 90) return T90::create(source);
  if (a == 180) return T180::create(source);
  return T270::create(source);
}

// Output line y of a quarter or half turn of pixels of P bytes. S is the
// source line size, W and H the source width and height.
template <int P>
void turn_90(uint8_t* out, const uint8_t* image, size_t S, uint32_t H, uint32_t y) {
  const uint8_t* src = image + size_t(H - 1) * S + size_t(y) * P;
  for (uint32_t k = 0; k < H; ++k, src -= S, out += P) std::memcpy(out, src, P);
}

template <int P>
void turn_270(uint8_t* out, const uint8_t* image, size_t S, uint32_t W, uint32_t H, uint32_t y) {
  const uint8_t* src = image + size_t(W - 1 - y) * P;
  for (uint32_t k = 0; k < H; ++k, src += S, out += P) std::memcpy(out, src, P);
}

template <int P>
void turn_180(uint8_t* out, const uint8_t* row, uint32_t W) {
  const uint8_t* src = row + size_t(W) * P;
  for (uint32_t k = 0; k < W; ++k, out += P) {
    src -= P;
    std::memcpy(out, src, P);
  }
}

// 1-bit quarter turns: the bit under mask in byte column of the rows from
// first on, step apart, gathered eight at a time into output bytes.
void gather_bits(uint8_t* out, const uint8_t* first, ptrdiff_t step, uint32_t count, uint8_t mask) {
  uint32_t k = 0;
  for (; k + 8 <= count; k += 8) {
    uint8_t b = 0;
    for (int i = 0; i < 8; ++i, first += step) b = uint8_t((b << 1) | ((*first & mask) ? 1 : 0));
    *out++ = b;
  }
  if (k < count) {
    uint8_t b = 0;
    uint32_t rest = count - k;
    for (uint32_t i = 0; i < rest; ++i, first += step) b = uint8_t((b << 1) | ((*first & mask) ? 1 : 0));
    *out = uint8_t(b << (8 - rest));
  }
}

}  // namespace

RstRead* RstRotate90::create(RstRead* source, int angle, bool block) {
  int32_t a = rst_normalize_angle(angle);
  if (!source || a % 90 != 0) {
    rst_report(RstCode::bad_argument, "RstRotate90::create()");
    return nullptr;
  }
  if (a == 0) return source;
  RstHeader h(source);
  if (h.data_form == RstDataForm::rle) return RstRotate90RLE::create(source, a);
  if (block) {
    if (h.bits_per_sample == 1 && rst_rotate90_block_check(h, a, 32)) return RstRotate90Block::create(source, a);
    if (h.bits_per_sample == 8 && rst_rotate90_block_check(h, a, 200)) return RstRotate90Block::create(source, a);
  }
  if (is_family(h, 1, 1)) return RstRotate90_1::create(source, a);
  if (h.bits_per_sample == 8) {
    if (h.samples_per_pixel == 1) return RstRotate90_8::create(source, a);
    if (h.samples_per_pixel == 3) return RstRotate90_24::create(source, a);
    if (h.samples_per_pixel == 4) return RstRotate90_32::create(source, a);
  }
  rst_report(RstCode::unsupported_option, "RstRotate90::create()");
  return nullptr;
}

RstRotate90::RstRotate90(RstRead* source, int32_t angle) : RstProcess(source), header_(source), angle_(angle) {
  source_height_ = header_.height;
  if (header_.width < 0 ||
      !rst_packed_line_bytes(header_.width, header_.bits_per_sample, header_.samples_per_pixel, source_line_bytes_))
    source_line_bytes_ = -1;  // refused by initiate as a size beyond any buffer
}

RstRotate90::~RstRotate90() { rst_free(image_); }

bool RstRotate90::allocate_image(size_t bytes, const char* where) {
  image_ = static_cast<uint8_t*>(rst_malloc(bytes));
  if (!image_) rst_report(RstCode::no_memory, where);
  return image_ != nullptr;
}

bool RstRotate90::initiate() {
  const char* where = "RstRotate90::initiate()";
  size_t bytes = 0;
  if (!rst_image_bytes(source_height_, source_line_bytes_, bytes)) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!allocate_image(bytes, where)) return false;
  if (angle_ != 180) std::swap(header_.width, header_.height);
  line_bytes_ = line_size();
  const size_t S = size_t(source_line_bytes_);
  for (int32_t i = 0; i < source_height_; ++i) {
    if (source()->read(image_ + size_t(i) * S) != source_line_bytes_) {
      line_bytes_ = 0;
      rst_report(RstCode::unsupported_form, where);
      return false;
    }
  }
  return true;
}

int RstRotate90::line_size() {
  int32_t bytes = 0;
  rst_packed_line_bytes(header_.width, header_.bits_per_sample, header_.samples_per_pixel, bytes);
  return bytes;
}

int RstRotate90::skip(int n) {
  if (n <= 0) return 0;
  uint32_t height = header_.height > 0 ? uint32_t(header_.height) : 0;
  uint32_t left = height > next_line_ ? height - next_line_ : 0;
  if (uint32_t(n) > left) n = int(left);
  next_line_ += uint32_t(n);
  return n;
}

int32_t RstRotate90::take_line() {
  if (line_bytes_ == 0 || header_.height <= 0 || next_line_ >= uint32_t(header_.height)) return -1;
  return int32_t(next_line_++);
}

RstRead* RstRotate90_1::create(RstRead* source, int angle) {
  return create_depth<RstRotate90_1_90, RstRotate90_1_180, RstRotate90_1_270>(source, angle, 1, 1,
                                                                              "RstRotate90_1::create()");
}
RstRead* RstRotate90_8::create(RstRead* source, int angle) {
  return create_depth<RstRotate90_8_90, RstRotate90_8_180, RstRotate90_8_270>(source, angle, 8, 1,
                                                                              "RstRotate90_8::create()");
}
RstRead* RstRotate90_24::create(RstRead* source, int angle) {
  return create_depth<RstRotate90_24_90, RstRotate90_24_180, RstRotate90_24_270>(source, angle, 8, 3,
                                                                                 "RstRotate90_24::create()");
}
RstRead* RstRotate90_32::create(RstRead* source, int angle) {
  return create_depth<RstRotate90_32_90, RstRotate90_32_180, RstRotate90_32_270>(source, angle, 8, 4,
                                                                                 "RstRotate90_32::create()");
}

// The 1-bit classes.

RstRotate90_1_90* RstRotate90_1_90::create(RstRead* source) {
  return create_angle_class<RstRotate90_1_90>(source, 1, 1, "RstRotate90_1_90::create", "RstRotate90_1_90::create()");
}

int RstRotate90_1_90::read(uint8_t* line) {
  int32_t y = take_line();
  if (y < 0) return 0;
  const size_t S = size_t(source_line_bytes_);
  const uint32_t H = uint32_t(source_height_);
  gather_bits(line, image_ + size_t(H - 1) * S + size_t(y >> 3), -ptrdiff_t(S), H, uint8_t(0x80 >> (y & 7)));
  return line_bytes_;
}

RstRotate90_1_270* RstRotate90_1_270::create(RstRead* source) {
  return create_angle_class<RstRotate90_1_270>(source, 1, 1, "RstRotate90_1_270::create",
                                               "RstRotate90_1_270::create()");
}

int RstRotate90_1_270::read(uint8_t* line) {
  int32_t y = take_line();
  if (y < 0) return 0;
  // header_ is turned: its height is the source width.
  int32_t x = header_.height - 1 - y;
  gather_bits(line, image_ + size_t(x >> 3), ptrdiff_t(source_line_bytes_), uint32_t(source_height_),
              uint8_t(0x80 >> (x & 7)));
  return line_bytes_;
}

RstRotate90_1_180* RstRotate90_1_180::create(RstRead* source) {
  return create_angle_class<RstRotate90_1_180>(source, 1, 1, "RstRotate90_1_180::create",
                                               "RstRotate90_1_180::create()");
}

RstRotate90_1_180::~RstRotate90_1_180() { rst_free(reverse_table_); }

bool RstRotate90_1_180::initiate() {
  if (!RstRotate90::initiate()) return false;
  reverse_table_ = static_cast<uint8_t*>(rst_malloc(256));
  if (!reverse_table_) {
    rst_report(RstCode::no_memory, "RstRotate90_1_180::initiate()");
    return false;
  }
  std::memcpy(reverse_table_, kBitReverseTable, 256);
  return true;
}

int RstRotate90_1_180::read(uint8_t* line) {
  int32_t y = take_line();
  if (y < 0) return 0;
  const int32_t S = source_line_bytes_;
  if (S == 0) return line_bytes_;
  const uint8_t* row = image_ + size_t(source_height_ - 1 - y) * size_t(S);
  const uint8_t* rev = reverse_table_;
  const int32_t a = header_.width & 7;
  if (a == 0) {
    for (int32_t j = 0; j < S; ++j) line[j] = rev[row[S - 1 - j]];
  } else {
    // The spare bits of the source's last byte would lead the line: each
    // output byte joins two reversed source bytes, shifted past them.
    const int32_t s = 8 - a;
    for (int32_t j = 0; j < S - 1; ++j) line[j] = uint8_t((rev[row[S - 1 - j]] << s) | (rev[row[S - 2 - j]] >> a));
    line[S - 1] = uint8_t(rev[row[0]] << s);
  }
  return line_bytes_;
}

// The byte classes.

#define RST_ROTATE90_BYTES(Depth, Bits, Samples, P)                                                                   \
  RstRotate90_##Depth##_90* RstRotate90_##Depth##_90::create(RstRead* source) {                                       \
    return create_angle_class<RstRotate90_##Depth##_90>(source, Bits, Samples, "RstRotate90_" #Depth "_90::create",   \
                                                        "RstRotate90_" #Depth "_90::create()");                       \
  }                                                                                                                   \
  int RstRotate90_##Depth##_90::read(uint8_t* line) {                                                                 \
    int32_t y = take_line();                                                                                          \
    if (y < 0) return 0;                                                                                              \
    turn_90<P>(line, image_, size_t(source_line_bytes_), uint32_t(source_height_), uint32_t(y));                      \
    return line_bytes_;                                                                                               \
  }                                                                                                                   \
  RstRotate90_##Depth##_180* RstRotate90_##Depth##_180::create(RstRead* source) {                                     \
    return create_angle_class<RstRotate90_##Depth##_180>(source, Bits, Samples, "RstRotate90_" #Depth "_180::create", \
                                                         "RstRotate90_" #Depth "_180::create()");                     \
  }                                                                                                                   \
  int RstRotate90_##Depth##_180::read(uint8_t* line) {                                                                \
    int32_t y = take_line();                                                                                          \
    if (y < 0) return 0;                                                                                              \
    turn_180<P>(line, image_ + size_t(source_height_ - 1 - y) * size_t(source_line_bytes_), uint32_t(header_.width)); \
    return line_bytes_;                                                                                               \
  }                                                                                                                   \
  RstRotate90_##Depth##_270* RstRotate90_##Depth##_270::create(RstRead* source) {                                     \
    return create_angle_class<RstRotate90_##Depth##_270>(source, Bits, Samples, "RstRotate90_" #Depth "_270::create", \
                                                         "RstRotate90_" #Depth "_270::create()");                     \
  }                                                                                                                   \
  int RstRotate90_##Depth##_270::read(uint8_t* line) {                                                                \
    int32_t y = take_line();                                                                                          \
    if (y < 0) return 0;                                                                                              \
    turn_270<P>(line, image_, size_t(source_line_bytes_), uint32_t(header_.height), uint32_t(source_height_),         \
                uint32_t(y));                                                                                         \
    return line_bytes_;                                                                                               \
  }

RST_ROTATE90_BYTES(8, 8, 1, 1)
RST_ROTATE90_BYTES(24, 8, 3, 3)
RST_ROTATE90_BYTES(32, 8, 4, 4)
#undef RST_ROTATE90_BYTES
