// Area-averaging scaling.
#include "raster/geometry/rst_scale_pp.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_tiff_types.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_scale_8bit.h"
#include "raster/geometry/rst_scale_check.h"
#include "raster/geometry/rst_scale_iar.h"

namespace {

// The rounded mean of an overlap-weighted sum over an interval of length s:
// floor(sum * 4096 / s) rounded at 4096ths is floor((2 * sum + s) / (2 * s)).
// The sum is at most 255 * s. Where 2 * sum + s fits in 32 bits the quotient
// is one multiplication by ceil(2^64 / (2 * s)), exact for every 32-bit
// numerator; otherwise a 64-bit division.
struct Mean {
  explicit Mean(int64_t s)
      : s(uint64_t(s)),
        twice(2 * uint64_t(s)),
        narrow(511 * uint64_t(s) < (uint64_t(1) << 32)),
        inverse(~uint64_t(0) / (2 * uint64_t(s)) + 1) {}
  uint8_t operator()(uint64_t sum) const {
    uint64_t n = 2 * sum + s;
    return uint8_t(narrow ? uint64_t((__uint128_t(inverse) * n) >> 64) : n / twice);
  }
  uint64_t s, twice;
  bool narrow;
  uint64_t inverse;
};

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

// The header refusal of the method fronts.
RstRead* refuse_layout(const char* where) {
  rst_report(RstCode::unsupported_form, where);
  return nullptr;
}

}  // namespace

// --- width ---

RstRead* RstScaleWidthPP::create(RstRead* source, int32_t width) {
  if (!source || width == 0) {
    rst_report(RstCode::bad_argument, "RstScaleWidthPP::create()");
    return nullptr;
  }
  int64_t from = RstHeader(source).width, to = magnitude(width);
  if (width == from) return source;
  if (to >= from) return RstScaleWidthPPE::create(source, width);
  if (width < 0 || from % to != 0) return RstScaleWidthPPR::create(source, width);
  return RstScaleWidthIAR::create(source, uint32_t(from / to));
}

RstScaleWidthPP::RstScaleWidthPP(RstRead* source, int32_t width) : RstScaleWidth(source, width) {
  step_ = int32_t((int64_t(source_width_) << 12) / width);
  // Room for the whole source width even if the source's line size says
  // less. Failures are reported by initiate.
  RstHeader h(source);
  uint64_t needed = uint64_t(source_width_) * uint32_t(h.samples_per_pixel);
  uint64_t size = needed > source_line_size_ ? needed : source_line_size_;
  buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(size ? size : 1)));
}

RstScaleWidthPP::~RstScaleWidthPP() { rst_free(buffer_); }

bool RstScaleWidthPP::buffer_made() {
  if (buffer_) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthPP::RstScaleWidthPP()");
  return false;
}

RstRead* RstScaleWidthPPE::create(RstRead* source, int32_t width) {
  const char* where = "RstScaleWidthPPE::create()";
  if (!source || width == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (width == h.width) return source;
  if (magnitude(width) < h.width) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  switch (rst_scale_8bit_channels(h)) {
    case 1: return RstScaleWidthPPE8::create(source, width);
    case 3: return RstScaleWidthPPE24::create(source, width);
    case 4: return RstScaleWidthPPE32::create(source, width);
    default: return refuse_layout(where);
  }
}

template <class T>
RstRead* RstScaleWidthPPE::create_variant(RstRead* source, int32_t width, const char* where,
                                          bool (*layout)(const RstHeader&)) {
  // Enlargements and the mirror to the same width only.
  if (source && width != 0 && width != RstHeader(source).width && magnitude(width) < RstHeader(source).width) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstScaleVerdict verdict = rst_scale_check(source, width, RstScaleAxis::width, where, layout);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, width), guard);
}

RstRead* RstScaleWidthPPE8::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthPPE8>(source, width, "RstScaleWidthPPE8::create()", rst_scale_8bit_gray);
}
RstRead* RstScaleWidthPPE24::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthPPE24>(source, width, "RstScaleWidthPPE24::create()", rst_scale_8bit_rgb);
}
RstRead* RstScaleWidthPPE32::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthPPE32>(source, width, "RstScaleWidthPPE32::create()", rst_scale_8bit_4);
}

RstScaleWidthPPE::RstScaleWidthPPE(RstRead* source, int32_t width, uint32_t channels) : RstScaleWidthPP(source, width) {
  size_t n = output_width_ ? output_width_ : 1;
  offsets_ = static_cast<uint32_t*>(rst_malloc(n * sizeof(uint32_t)));
  weights_ = static_cast<int32_t*>(rst_malloc(n * sizeof(int32_t)));
  if (!offsets_ || !weights_) return;
  // Output pixel i covers [a, a + s); from the right end leftwards when
  // mirroring. It lies in cell k, or reaches into k + 1 and blends the two.
  const int64_t step = step_, s = magnitude(step), big_w = int64_t(source_width_) << 12;
  for (uint32_t i = 0; i < output_width_; ++i) {
    int64_t a = width > 0 ? int64_t(i) * step : big_w + int64_t(i + 1) * step;
    int64_t k = a >> 12, edge = (k + 1) << 12;
    offsets_[i] = uint32_t(k) * channels;
    weights_[i] = a + s <= edge ? 4096 : int32_t((edge - a) * 4096 / s);
  }
}

RstScaleWidthPPE::~RstScaleWidthPPE() {
  rst_free(offsets_);
  rst_free(weights_);
}

bool RstScaleWidthPPE::initiate() {
  if (!buffer_made()) return false;
  if (offsets_ && weights_) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthPPE::RstScaleWidthPPE()");
  return false;
}

template <uint32_t C>
int RstScaleWidthPPE::blend(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  const uint8_t* in = buffer_;
  for (uint32_t i = 0; i < output_width_; ++i, line += C) {
    const uint8_t* p = in + offsets_[i];
    const int32_t w = weights_[i];
    if (w == 4096) {
      for (uint32_t q = 0; q < C; ++q) line[q] = p[q];
    } else {
      for (uint32_t q = 0; q < C; ++q) line[q] = uint8_t((p[q] * w + p[q + C] * (4096 - w) + 2048) >> 12);
    }
  }
  return int(output_line_size_);
}

int RstScaleWidthPPE8::read(uint8_t* line) { return blend<1>(line); }
int RstScaleWidthPPE24::read(uint8_t* line) { return blend<3>(line); }
int RstScaleWidthPPE32::read(uint8_t* line) { return blend<4>(line); }

RstRead* RstScaleWidthPPR::create(RstRead* source, int32_t width) {
  const char* where = "RstScaleWidthPPR::create()";
  if (!source || width == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (width == h.width) return source;
  if (magnitude(width) > h.width) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  switch (rst_scale_8bit_channels(h)) {
    case 1: return RstScaleWidthPPR8::create(source, width);
    case 3: return RstScaleWidthPPR24::create(source, width);
    case 4: return RstScaleWidthPPR32::create(source, width);
    default: return refuse_layout(where);
  }
}

template <class T>
RstRead* RstScaleWidthPPR::create_variant(RstRead* source, int32_t width, const char* where,
                                          bool (*layout)(const RstHeader&)) {
  // Reductions and the mirror to the same width only.
  if (source && width != 0 && width != RstHeader(source).width && magnitude(width) > RstHeader(source).width) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstScaleVerdict verdict = rst_scale_check(source, width, RstScaleAxis::width, where, layout);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, width), guard);
}

RstRead* RstScaleWidthPPR8::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthPPR8>(source, width, "RstScaleWidthPPR8::create()", rst_scale_8bit_gray);
}
RstRead* RstScaleWidthPPR24::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthPPR24>(source, width, "RstScaleWidthPPR24::create()", rst_scale_8bit_rgb);
}
RstRead* RstScaleWidthPPR32::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthPPR32>(source, width, "RstScaleWidthPPR32::create()", rst_scale_8bit_4);
}

bool RstScaleWidthPPR::make_table(uint32_t source_width, int32_t width, std::vector<int32_t>& table) {
  const char* where = "RstScaleWidthPPR::make_table()";
  if (width == 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  int64_t from = source_width, to = magnitude(width);
  if (from == 0 || from >= kRstScaleMaxSize || to >= kRstScaleMaxSize ||
      (from > 1 && to > 1 && (from << 12) / to == 0)) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  size_t entries = size_t(to) * 2;
  if (!rst_resize(table, entries) || table.size() != entries) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  int32_t big_w = int32_t(source_width << 12), step = big_w / width;
  int32_t a = width > 0 ? 0 : big_w + step, b = width > 0 ? step : big_w;
  for (size_t i = 0; i < entries; i += 2, a += step, b += step) {
    table[i] = ((a >> 12) + 1) * 4096 - a;
    table[i + 1] = b & 0xFFF;
  }
  return true;
}

RstScaleWidthPPR::RstScaleWidthPPR(RstRead* source, int32_t width)
    : RstScaleWidthPP(source, width), requested_width_(width) {
  int32_t big_w = int32_t(source_width_ << 12);
  first_start_ = width > 0 ? 0 : big_w + step_;
  first_end_ = width > 0 ? step_ : big_w;
}

bool RstScaleWidthPPR::initiate() { return buffer_made() && make_table(source_width_, requested_width_, table_); }

template <uint32_t C>
int RstScaleWidthPPR::average(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  const uint8_t* in = buffer_;
  const int32_t* t = table_.data();
  const int32_t step = step_;
  const Mean mean(magnitude(step));
  int32_t a = first_start_, b = first_end_;
  for (uint32_t i = 0; i < output_width_; ++i, line += C, t += 2, a += step, b += step) {
    const uint32_t first = uint32_t(a) >> 12, last = uint32_t(b) >> 12;
    const uint64_t wa = uint32_t(t[0]), wb = uint32_t(t[1]);
    for (uint32_t q = 0; q < C; ++q) {
      const uint8_t* p = in + q;
      // The whole cells between: at most 255 * 2^19, in 32 bits.
      uint32_t whole = 0;
      for (uint32_t j = first + 1; j < last; ++j) whole += p[j * C];
      uint64_t sum = p[first * C] * wa + (uint64_t(whole) << 12);
      if (wb) sum += p[last * C] * wb;
      line[q] = mean(sum);
    }
  }
  return int(output_line_size_);
}

int RstScaleWidthPPR8::read(uint8_t* line) { return average<1>(line); }
int RstScaleWidthPPR24::read(uint8_t* line) { return average<3>(line); }
int RstScaleWidthPPR32::read(uint8_t* line) { return average<4>(line); }

// --- height ---

RstRead* RstScaleHeightPP::create(RstRead* source, int32_t height) {
  // A negative height would be taken as about 4 billion lines.
  if (!source || height <= 0) {
    rst_report(RstCode::bad_argument, "RstScaleHeightPP::create()");
    return nullptr;
  }
  uint32_t from = uint32_t(RstHeader(source).height), to = uint32_t(height);
  if (from == to) return source;
  if (from < to) return RstScaleHeightPPE::create(source, height);
  if (from % to != 0) return RstScaleHeightPPR::create(source, height);
  return RstScaleHeightIAR::create(source, from / to);
}

RstScaleHeightPP::RstScaleHeightPP(RstRead* source, int32_t height) : RstScaleHeight(source, height) {
  buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(line_size_ ? line_size_ : 1)));
  RstScaleHeightPP::start();
}

RstScaleHeightPP::~RstScaleHeightPP() { rst_free(buffer_); }

bool RstScaleHeightPP::initiate() {
  if (buffer_) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightPP::RstScaleHeightPP()");
  return false;
}

void RstScaleHeightPP::start() {
  step_ = output_height_ ? int32_t((uint64_t(source_height_) << 12) / output_height_) : 0;
  position_ = 0;
}

bool RstScaleHeightPP::fetch_line(uint32_t to) {
  if (to > consumed_) consumed_ += uint32_t(source()->skip(int(to - consumed_)));
  if (consumed_ != to || source()->read(buffer_) != int(line_size_)) return false;
  ++consumed_;
  return true;
}

RstRead* RstScaleHeightPPE::create(RstRead* source, int32_t height) {
  const char* where = "RstScaleHeightPPE::create()";
  RstScaleVerdict verdict =
      rst_scale_check(source, height, RstScaleAxis::height, where, rst_scale_8bit_lines, RstScaleDirection::enlarge);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstScaleHeightPPE>(source, height), guard);
}

int RstScaleHeightPPE::read(uint8_t* line) {
  if (!count_line()) return 0;
  const int64_t a = position_, b = a + step_;
  const uint32_t k = uint32_t(a >> 12);
  // The buffer still holds line k when the last output line reached into it.
  if (consumed_ <= k && !fetch_line(k)) return 0;
  std::memcpy(line, buffer_, line_size_);
  if (uint32_t(b >> 12) > k && (b & 0xFFF)) {
    if (!fetch_line(k + 1)) return 0;
    const int64_t edge = int64_t(k + 1) << 12;
    const uint32_t w = uint32_t((edge - a) * 4096 / step_), v = 4096 - w;
    const uint8_t* next = buffer_;
    for (uint32_t q = 0; q < line_size_; ++q) line[q] = uint8_t((line[q] * w + next[q] * v + 2048) >> 12);
  }
  position_ += step_;
  return int(line_size_);
}

RstRead* RstScaleHeightPPR::create(RstRead* source, int32_t height) {
  const char* where = "RstScaleHeightPPR::create()";
  RstScaleVerdict verdict =
      rst_scale_check(source, height, RstScaleAxis::height, where, rst_scale_8bit_lines, RstScaleDirection::reduce);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstScaleHeightPPR>(source, height), guard);
}

RstScaleHeightPPR::~RstScaleHeightPPR() { rst_free(sums_); }

int RstScaleHeightPPR::read(uint8_t* line) {
  if (!count_line()) return 0;
  if (!sums_) {
    sums_ = static_cast<uint64_t*>(rst_malloc(size_t(line_size_ ? line_size_ : 1) * sizeof(uint64_t)));
    if (!sums_) {
      rst_report(RstCode::no_memory, "RstScaleHeightPPR::read()");
      return 0;
    }
  }
  const int64_t a = position_, b = a + step_;
  const uint32_t first = uint32_t(a >> 12), last = uint32_t(b >> 12), n = line_size_;
  // The buffer still holds the first line when the last output line ended
  // inside it.
  if (consumed_ <= first && !fetch_line(first)) return 0;
  uint64_t* sums = sums_;
  const uint64_t wa = uint64_t(((int64_t(first) + 1) << 12) - a);
  for (uint32_t q = 0; q < n; ++q) sums[q] = buffer_[q] * wa;
  for (uint32_t j = first + 1; j < last; ++j) {
    if (!fetch_line(j)) return 0;
    for (uint32_t q = 0; q < n; ++q) sums[q] += uint64_t(buffer_[q]) << 12;
  }
  if (const uint64_t wb = uint64_t(b & 0xFFF)) {
    if (!fetch_line(last)) return 0;
    for (uint32_t q = 0; q < n; ++q) sums[q] += buffer_[q] * wb;
  }
  const Mean mean(step_);
  for (uint32_t q = 0; q < n; ++q) line[q] = mean(sums[q]);
  position_ += step_;
  return int(line_size_);
}
