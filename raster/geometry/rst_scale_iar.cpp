// Integer-factor average reduction.
#include "raster/geometry/rst_scale_iar.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_tiff_types.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_scale_8bit.h"

namespace {

// The checks both axes make before the layout: false after a report at
// where, or with same set for n = 1.
bool factor_ok(RstRead* source, uint32_t n, bool width, const char* where, bool& same) {
  same = false;
  if (!source || n == 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  if (n == 1) {
    same = true;
    return false;
  }
  RstHeader h(source);
  if ((width ? int64_t(h.width) : int64_t(h.height)) < int64_t(n)) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  return true;
}

// (n / 2 + sum) / n, with shifts for powers of two. Sums are 64-bit: a
// factor from a file's size may exceed 2^32 / 255.
struct Rounded {
  explicit Rounded(uint32_t n) : n(n), half(n / 2), shift(n & (n - 1) ? -1 : __builtin_ctz(n)) {}
  uint8_t operator()(uint64_t sum) const { return uint8_t(shift >= 0 ? (sum + half) >> shift : (sum + half) / n); }
  uint32_t n, half;
  int shift;
};

}  // namespace

// --- width ---

RstRead* RstScaleWidthIAR::create(RstRead* source, uint32_t n) {
  const char* where = "RstScaleWidthIAR::create()";
  bool same = false;
  if (!factor_ok(source, n, true, where, same)) return same ? source : nullptr;
  switch (rst_scale_8bit_channels(RstHeader(source))) {
    case 1: return RstScaleWidthIAR8::create(source, n);
    case 3: return RstScaleWidthIAR24::create(source, n);
    case 4: return RstScaleWidthIAR32::create(source, n);
    default: rst_report(RstCode::unsupported_form, where); return nullptr;
  }
}

template <class T>
RstRead* RstScaleWidthIAR::create_variant(RstRead* source, uint32_t n, const char* where,
                                          bool (*layout)(const RstHeader&)) {
  bool same = false;
  if (!factor_ok(source, n, true, where, same)) return same ? source : nullptr;
  if (!layout(RstHeader(source))) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, n), guard);
}

RstRead* RstScaleWidthIAR8::create(RstRead* source, uint32_t n) {
  return create_variant<RstScaleWidthIAR8>(source, n, "RstScaleWidthIAR8::create()", rst_scale_8bit_gray);
}
RstRead* RstScaleWidthIAR24::create(RstRead* source, uint32_t n) {
  return create_variant<RstScaleWidthIAR24>(source, n, "RstScaleWidthIAR24::create()", rst_scale_8bit_rgb);
}
RstRead* RstScaleWidthIAR32::create(RstRead* source, uint32_t n) {
  return create_variant<RstScaleWidthIAR32>(source, n, "RstScaleWidthIAR32::create()", rst_scale_8bit_4);
}

RstScaleWidthIAR::RstScaleWidthIAR(RstRead* source, uint32_t n)
    : RstScaleWidth(source, RstRational{1, n}), factor_(n ? n : 1) {
  // Room for the whole source width even if the source's line size says
  // less. A failure is reported by initiate.
  RstHeader h(source);
  uint64_t needed = uint64_t(source_width_) * uint32_t(h.samples_per_pixel);
  uint64_t size = needed > source_line_size_ ? needed : source_line_size_;
  buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(size ? size : 1)));
}

RstScaleWidthIAR::~RstScaleWidthIAR() { rst_free(buffer_); }

bool RstScaleWidthIAR::initiate() {
  if (buffer_) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthIAR::RstScaleWidthIAR()");
  return false;
}

template <uint32_t C>
int RstScaleWidthIAR::average(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  const uint8_t* in = buffer_;
  const uint32_t n = factor_, count = output_width_ * C;
  if (n == 2) {
    // Pairs: (a + b + 1) >> 1.
    for (uint32_t i = 0; i < count; i += C, in += 2 * C) {
      for (uint32_t q = 0; q < C; ++q) line[i + q] = uint8_t((in[q] + in[q + C] + 1) >> 1);
    }
    return int(output_line_size_);
  }
  const Rounded mean(n);
  for (uint32_t i = 0; i < count; i += C, in += size_t(n) * C) {
    for (uint32_t q = 0; q < C; ++q) {
      uint64_t sum = 0;
      for (uint32_t j = 0; j < n; ++j) sum += in[size_t(j) * C + q];
      line[i + q] = mean(sum);
    }
  }
  return int(output_line_size_);
}

int RstScaleWidthIAR8::read(uint8_t* line) { return average<1>(line); }
int RstScaleWidthIAR24::read(uint8_t* line) { return average<3>(line); }
int RstScaleWidthIAR32::read(uint8_t* line) { return average<4>(line); }

// --- height ---

RstRead* RstScaleHeightIAR::create(RstRead* source, uint32_t n) {
  const char* where = "RstScaleHeightIAR::create()";
  bool same = false;
  if (!factor_ok(source, n, false, where, same)) return same ? source : nullptr;
  if (!rst_scale_8bit_lines(RstHeader(source))) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstScaleHeightIAR>(source, n), guard);
}

RstScaleHeightIAR::RstScaleHeightIAR(RstRead* source, uint32_t n)
    : RstScaleHeight(source, RstRational{1, n}), factor_(n ? n : 1) {
  sums_ = rst_malloc(size_t(line_size_ ? line_size_ : 1) * sizeof(uint64_t));
}

RstScaleHeightIAR::~RstScaleHeightIAR() { rst_free(sums_); }

bool RstScaleHeightIAR::initiate() {
  if (sums_) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightIAR::RstScaleHeightIAR()");
  return false;
}

template <class Sum>
int RstScaleHeightIAR::add_lines(uint8_t* line, Sum* sums) {
  const int size = int(line_size_);
  if (source()->read(line) != size) return 0;
  ++consumed_;
  for (int k = 0; k < size; ++k) sums[k] = line[k];
  for (uint32_t j = 1; j < factor_; ++j) {
    if (source()->read(line) != size) return 0;
    ++consumed_;
    for (int k = 0; k < size; ++k) sums[k] += line[k];
  }
  const Rounded mean(factor_);
  for (int k = 0; k < size; ++k) line[k] = mean(sums[k]);
  return size;
}

int RstScaleHeightIAR::read(uint8_t* line) {
  if (!count_line()) return 0;
  // 32-bit sums (vectorised twice as wide) wherever 255 * n fits.
  if (factor_ <= (uint32_t(1) << 24)) return add_lines(line, static_cast<uint32_t*>(sums_));
  return add_lines(line, static_cast<uint64_t*>(sums_));
}
