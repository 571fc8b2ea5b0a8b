// Bilevel OR and AND reduction.
#include "raster/geometry/rst_scale_or_and.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_scale_check.h"
#include "raster/geometry/rst_scale_width_nn.h"

namespace {

uint64_t load_be64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

// Whether any bit (any = true) or every bit of bits lo to hi - 1 is set,
// tested 57 to 64 bits a step; the line has 8 readable bytes past its end.
bool test_bits(const uint8_t* line, uint32_t lo, uint32_t hi, bool any) {
  if (lo >= hi) return false;
  while (lo < hi) {
    uint32_t offset = lo & 7, n = hi - lo;
    if (n > 64 - offset) n = 64 - offset;
    uint64_t mask = (~uint64_t(0) >> offset);
    if (offset + n < 64) mask &= ~(~uint64_t(0) >> (offset + n));
    uint64_t word = load_be64(line + (lo >> 3)) & mask;
    if (any && word) return true;
    if (!any && word != mask) return false;
    lo += n;
  }
  return !any;
}

}  // namespace

// --- width ---

template <class T>
RstRead* RstScaleWidthBlocks::create_reducer(RstRead* source, int32_t width, const char* where) {
  RstScaleVerdict verdict = rst_scale_check(source, width, RstScaleAxis::width, where, rst_scale_bilevel_raw);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  int64_t target = width < 0 ? -int64_t(width) : int64_t(width);
  if (RstHeader(source).width < target) return RstScaleWidthNN::create(source, width);
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, width), guard);
}

RstRead* RstScaleWidthOR::create(RstRead* source, int32_t width) {
  return create_reducer<RstScaleWidthOR>(source, width, "RstScaleWidthOR::create()");
}

RstRead* RstScaleWidthAND::create(RstRead* source, int32_t width) {
  return create_reducer<RstScaleWidthAND>(source, width, "RstScaleWidthAND::create()");
}

RstScaleWidthBlocks::RstScaleWidthBlocks(RstRead* source, int32_t width, bool any)
    : RstScaleWidth(source, width), requested_width_(width), any_(any) {
  // Failures are reported by initiate, once the node is whole and can be
  // ended by its create.
  boundaries_ = static_cast<uint32_t*>(rst_malloc((size_t(output_width_) + 1) * sizeof(uint32_t)));
  uint64_t needed = (uint64_t(source_width_) + 7) >> 3;
  uint64_t size = (needed > source_line_size_ ? needed : source_line_size_) + 8;
  buffer_ = static_cast<uint8_t*>(rst_calloc(size_t(size)));
  if (!boundaries_ || !output_width_) return;
  // Block edges i * step rounded to the nearest pixel; from the right end
  // down when mirroring. Kept inside 0 .. W.
  int64_t big_w = int64_t(source_width_) << 12, step = big_w / width;
  int64_t position = 2048 + (width < 0 ? big_w : 0);
  for (uint32_t i = 0; i <= output_width_; ++i, position += step) {
    int64_t e = position >> 12;
    if (e < 0) e = 0;
    if (e > int64_t(source_width_)) e = source_width_;
    boundaries_[i] = uint32_t(e);
  }
}

RstScaleWidthBlocks::~RstScaleWidthBlocks() {
  rst_free(boundaries_);
  rst_free(buffer_);
}

bool RstScaleWidthOR::initiate() {
  if (allocated()) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthOR::RstScaleWidthOR()");
  return false;
}

bool RstScaleWidthAND::initiate() {
  if (allocated()) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthAND::RstScaleWidthAND()");
  return false;
}

int RstScaleWidthBlocks::read(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  // The spare bits of the last byte are not the image's.
  if (source_width_ & 7) buffer_[source_width_ >> 3] &= uint8_t(0xFF << (8 - (source_width_ & 7)));
  const bool mirrored = requested_width_ < 0;
  const uint32_t* e = boundaries_;
  const uint32_t n = output_width_;
  // Eight output bits at a time: when their blocks lie in one 64-bit window
  // of the line (blocks of up to 7 pixels), each bit is one shift of it.
  for (uint32_t first = 0, m = 0; first < n; first += 8, ++m) {
    uint32_t count = n - first < 8 ? n - first : 8;
    uint32_t lo = mirrored ? e[first + count] : e[first];
    uint32_t hi = mirrored ? e[first] : e[first + count];
    uint32_t base = lo & ~7u, v = 0;
    if (hi - base <= 64) {
      uint64_t window = load_be64(buffer_ + (base >> 3));
      for (uint32_t j = first; j < first + count; ++j) {
        uint32_t a = mirrored ? e[j + 1] : e[j], b = mirrored ? e[j] : e[j + 1];
        uint32_t bits = b > a ? b - a : 0;
        bool set = false;
        if (bits) {
          uint64_t block = (window << (a - base)) >> (64 - bits);
          set = any_ ? block != 0 : block == ~uint64_t(0) >> (64 - bits);
        }
        v = v << 1 | uint32_t(set);
      }
    } else {
      for (uint32_t j = first; j < first + count; ++j) {
        uint32_t a = mirrored ? e[j + 1] : e[j], b = mirrored ? e[j] : e[j + 1];
        v = v << 1 | uint32_t(test_bits(buffer_, a, b, any_));
      }
    }
    line[m] = uint8_t(v << (8 - count));
  }
  return int(output_line_size_);
}

// --- height ---

template <class T>
RstRead* RstScaleHeightLines::create_reducer(RstRead* source, int32_t height, const char* where) {
  RstScaleVerdict verdict = rst_scale_check(source, height, RstScaleAxis::height, where, rst_scale_bilevel_raw);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  if (RstHeader(source).height < height) return RstScaleHeight0D::create(source, height, 0);
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, height), guard);
}

RstRead* RstScaleHeightOR::create(RstRead* source, int32_t height) {
  return create_reducer<RstScaleHeightOR>(source, height, "RstScaleHeightOR::create()");
}

RstRead* RstScaleHeightAND::create(RstRead* source, int32_t height) {
  return create_reducer<RstScaleHeightAND>(source, height, "RstScaleHeightAND::create()");
}

RstScaleHeightLines::RstScaleHeightLines(RstRead* source, int32_t height, bool any)
    : RstScaleHeight(source, height), any_(any) {
  buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(line_size_ ? line_size_ : 1)));
  RstScaleHeightLines::start();
}

RstScaleHeightLines::~RstScaleHeightLines() { rst_free(buffer_); }

void RstScaleHeightLines::start() {
  step_ = output_height_ ? int32_t((uint64_t(source_height_) << 12) / output_height_) : 0;
  position_ = 0;
}

bool RstScaleHeightOR::initiate() {
  if (buffer_) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightOR::RstScaleHeightOR()");
  return false;
}

bool RstScaleHeightAND::initiate() {
  if (buffer_) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightAND::RstScaleHeightAND()");
  return false;
}

int RstScaleHeightLines::read(uint8_t* line) {
  if (!count_line()) return 0;
  const int size = int(line_size_);
  if (source()->read(line) != size) return 0;
  ++consumed_;
  // Source lines up to the next block edge, rounded as the width's.
  uint32_t end = uint32_t(int64_t(position_) + step_ + 2048) >> 12;
  while (consumed_ < end) {
    if (source()->read(buffer_) != size) return 0;
    ++consumed_;
    size_t i = 0;
    for (; i + 8 <= size_t(size); i += 8) {
      uint64_t a, b;
      std::memcpy(&a, line + i, 8);
      std::memcpy(&b, buffer_ + i, 8);
      a = any_ ? a | b : a & b;
      std::memcpy(line + i, &a, 8);
    }
    for (; i < size_t(size); ++i) line[i] = any_ ? line[i] | buffer_[i] : line[i] & buffer_[i];
  }
  position_ += step_;
  return size;
}
