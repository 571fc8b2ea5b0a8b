// Nearest-neighbour width scaling.
#include "raster/geometry/rst_scale_width_nn.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_scale_check.h"

namespace {
bool raw_8bit(const RstHeader& h, int32_t samples) {
  return h.data_form == RstDataForm::raw && h.bits_per_sample == 8 && h.samples_per_pixel == samples;
}
bool layout_nn8(const RstHeader& h) { return raw_8bit(h, 1); }
bool layout_nn24(const RstHeader& h) { return raw_8bit(h, 3); }
bool layout_nn32(const RstHeader& h) { return raw_8bit(h, 4); }
}  // namespace

RstRead* RstScaleWidthNN::create(RstRead* source, int32_t width) {
  const char* where = "RstScaleWidthNN::create()";
  if (!source || width == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  // Nothing to do needs no layout.
  if (width == h.width) return source;
  if (rst_scale_bilevel_raw(h)) return RstScaleWidthNN1::create(source, width);
  if (layout_nn8(h)) return RstScaleWidthNN8::create(source, width);
  if (layout_nn24(h)) return RstScaleWidthNN24::create(source, width);
  if (layout_nn32(h)) return RstScaleWidthNN32::create(source, width);
  rst_report(RstCode::unsupported_form, where);
  return nullptr;
}

template <class T>
RstRead* RstScaleWidthNN::create_variant(RstRead* source, int32_t width, const char* where,
                                         bool (*layout)(const RstHeader&)) {
  RstScaleVerdict verdict = rst_scale_check(source, width, RstScaleAxis::width, where, layout);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, width), guard);
}

RstRead* RstScaleWidthNN1::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthNN1>(source, width, "RstScaleWidthNN1::create()", rst_scale_bilevel_raw);
}
RstRead* RstScaleWidthNN8::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthNN8>(source, width, "RstScaleWidthNN8::create()", layout_nn8);
}
RstRead* RstScaleWidthNN24::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthNN24>(source, width, "RstScaleWidthNN24::create()", layout_nn24);
}
RstRead* RstScaleWidthNN32::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthNN32>(source, width, "RstScaleWidthNN32::create()", layout_nn32);
}

RstScaleWidthNN::RstScaleWidthNN(RstRead* source, int32_t width, uint32_t bytes_per_pixel)
    : RstScaleWidth(source, width) {
  // Failures are reported by initiate, once the node is whole and can be
  // ended by its create.
  columns_ = static_cast<uint32_t*>(rst_malloc(size_t(output_width_ ? output_width_ : 1) * sizeof(uint32_t)));
  // Room for the whole source width even if the source's line size says less.
  uint64_t needed = (uint64_t(source_width_) * (bytes_per_pixel ? 8 * bytes_per_pixel : 1) + 7) >> 3;
  uint64_t size = needed > source_line_size_ ? needed : source_line_size_;
  buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(size ? size : 1)));
  if (!columns_ || !source_width_) return;
  // 20.12 fixed point: the centre of each output pixel's span; entries stay
  // inside the line even where rounding would reach one past its end.
  int64_t w = width, big_w = int64_t(source_width_) << 12;
  int64_t step = big_w / w;
  int64_t position = step / 2 + (w < 0 ? big_w : 0);
  int64_t last = int64_t(source_width_) - 1;
  uint32_t scale = bytes_per_pixel ? bytes_per_pixel : 1;
  for (uint32_t i = 0; i < output_width_; ++i, position += step) {
    int64_t s = position >> 12;
    if (s > last) s = last;
    if (s < 0) s = 0;
    columns_[i] = uint32_t(s) * scale;
  }
}

RstScaleWidthNN::~RstScaleWidthNN() {
  rst_free(columns_);
  rst_free(buffer_);
}

bool RstScaleWidthNN::initiate() {
  if (columns_ && buffer_) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthNN::RstScaleWidthNN()");
  return false;
}

int RstScaleWidthNN1::read(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  const uint8_t* in = buffer_;
  const uint32_t* c = columns_;
  uint32_t n = output_width_, whole = n / 8;
  auto bit = [in](uint32_t k) { return uint32_t(in[k >> 3] >> (7 - (k & 7))) & 1u; };
  for (uint32_t m = 0; m < whole; ++m, c += 8) {
    line[m] = uint8_t(bit(c[0]) << 7 | bit(c[1]) << 6 | bit(c[2]) << 5 | bit(c[3]) << 4 | bit(c[4]) << 3 |
                      bit(c[5]) << 2 | bit(c[6]) << 1 | bit(c[7]));
  }
  if (uint32_t r = n & 7) {
    uint32_t v = 0;
    for (uint32_t j = 0; j < r; ++j) v |= bit(c[j]) << (7 - j);
    line[whole] = uint8_t(v);
  }
  return int(output_line_size_);
}

int RstScaleWidthNN8::read(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  const uint8_t* in = buffer_;
  const uint32_t* c = columns_;
  uint32_t n = output_width_, i = 0;
  for (; i + 8 <= n; i += 8) {
    line[i] = in[c[i]];
    line[i + 1] = in[c[i + 1]];
    line[i + 2] = in[c[i + 2]];
    line[i + 3] = in[c[i + 3]];
    line[i + 4] = in[c[i + 4]];
    line[i + 5] = in[c[i + 5]];
    line[i + 6] = in[c[i + 6]];
    line[i + 7] = in[c[i + 7]];
  }
  for (; i < n; ++i) line[i] = in[c[i]];
  return int(output_line_size_);
}

int RstScaleWidthNN24::read(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  for (uint32_t i = 0; i < output_width_; ++i) std::memcpy(line + 3 * size_t(i), buffer_ + columns_[i], 3);
  return int(output_line_size_);
}

int RstScaleWidthNN32::read(uint8_t* line) {
  if (!read_source(buffer_)) return 0;
  for (uint32_t i = 0; i < output_width_; ++i) std::memcpy(line + 4 * size_t(i), buffer_ + columns_[i], 4);
  return int(output_line_size_);
}
