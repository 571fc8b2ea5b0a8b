// Linear interpolation scaling and the interpolation tables.
#include "raster/geometry/rst_scale_li.h"

#include <cstring>
#include <utility>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_tiff_types.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_scale_8bit.h"
#include "raster/geometry/rst_scale_check.h"

namespace {

// The checks both tables make: entries are 20.12 values of byte offsets
// into a line with margin_pixels extra pixels, so the line must stay below
// 2^19 bytes; a step of 0 would put every output pixel on one source pixel.
bool table_fits(uint32_t source_width, int32_t width, uint32_t channels, uint32_t margin_pixels, const char* where) {
  if (width == 0 || channels == 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  int64_t from = source_width, to = width < 0 ? -int64_t(width) : int64_t(width);
  bool ok = from > 0 && from < kRstScaleMaxSize && to < kRstScaleMaxSize &&
            (from + margin_pixels) * int64_t(channels) < kRstScaleMaxSize &&
            !(from > 1 && to > 1 && (from << 12) / to == 0);
  if (!ok) rst_report(RstCode::unsupported_form, where);
  return ok;
}

// floor(u * v / 4096) of the exact product.
int32_t m12(int64_t u, int64_t v) { return int32_t((u * v) >> 12); }

}  // namespace

// --- width ---

RstRead* RstScaleWidthLI::create(RstRead* source, int32_t width) {
  const char* where = "RstScaleWidthLI::create()";
  if (!source || width == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  // Nothing to do needs no layout.
  if (width == h.width) return source;
  switch (rst_scale_8bit_channels(h)) {
    case 1: return RstScaleWidthLI8::create(source, width);
    case 3: return RstScaleWidthLI24::create(source, width);
    case 4: return RstScaleWidthLI32::create(source, width);
    default: rst_report(RstCode::unsupported_form, where); return nullptr;
  }
}

template <class T>
RstRead* RstScaleWidthLI::create_variant(RstRead* source, int32_t width, const char* where,
                                         bool (*layout)(const RstHeader&)) {
  RstScaleVerdict verdict = rst_scale_check(source, width, RstScaleAxis::width, where, layout);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  // The table holds byte offsets of the line with its two margin pixels.
  RstHeader h(source);
  if ((int64_t(h.width) + 2) * h.samples_per_pixel >= kRstScaleMaxSize) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<T>(source, width), guard);
}

RstRead* RstScaleWidthLI8::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthLI8>(source, width, "RstScaleWidthLI8::create()", rst_scale_8bit_gray);
}
RstRead* RstScaleWidthLI24::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthLI24>(source, width, "RstScaleWidthLI24::create()", rst_scale_8bit_rgb);
}
RstRead* RstScaleWidthLI32::create(RstRead* source, int32_t width) {
  return create_variant<RstScaleWidthLI32>(source, width, "RstScaleWidthLI32::create()", rst_scale_8bit_4);
}

bool RstScaleWidthLI::make_table(uint32_t source_width, int32_t width, uint32_t channels, std::vector<int32_t>& table) {
  const char* where = "RstScaleWidthLI::make_table()";
  if (!table_fits(source_width, width, channels, 2, where)) return false;
  uint32_t n = width < 0 ? 0u - uint32_t(width) : uint32_t(width);
  if (!rst_resize(table, n) || table.size() != n) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  int32_t big_w = int32_t(source_width << 12);
  int32_t step = big_w / width;
  int32_t position = step / 2 + 2048 + (width < 0 ? big_w : 0);
  for (uint32_t i = 0; i < n; ++i, position += step) {
    table[i] = channels > 1 ? (((position >> 12) * int32_t(channels)) << 12) + (position & 0xFFF) : position;
  }
  return true;
}

RstScaleWidthLI::RstScaleWidthLI(RstRead* source, int32_t width, uint32_t channels)
    : RstScaleWidth(source, width), requested_width_(width), channels_(channels) {
  // Room for the whole source width even if the source's line size says
  // less, and a margin pixel on each side. Failures are reported by
  // initiate, once the node is whole and can be ended by its create.
  uint64_t needed = uint64_t(source_width_) * channels;
  uint64_t size = (needed > source_line_size_ ? needed : source_line_size_) + 2 * channels;
  buffer_ = static_cast<uint8_t*>(rst_calloc(size_t(size)));
}

RstScaleWidthLI::~RstScaleWidthLI() { rst_free(buffer_); }

bool RstScaleWidthLI::initiate() {
  if (!buffer_) {
    rst_report(RstCode::no_memory, "RstScaleWidthLI::RstScaleWidthLI()");
    return false;
  }
  return make_table(source_width_, requested_width_, channels_, table_);
}

template <uint32_t C>
int RstScaleWidthLI::interpolate(uint8_t* line) {
  uint8_t* b = buffer_;
  if (!read_source(b + C)) return 0;
  std::memcpy(b, b + C, C);
  std::memcpy(b + C + size_t(source_width_) * C, b + size_t(source_width_) * C, C);
  const int32_t* t = table_.data();
  const uint32_t n = output_width_;
  for (uint32_t i = 0; i < n; ++i, line += C) {
    const uint32_t e = uint32_t(t[i]);
    const uint8_t* p = b + (e >> 12);
    const uint32_t f = e & 0xFFF, g = 4096 - f;
    for (uint32_t q = 0; q < C; ++q) line[q] = uint8_t((p[q] * g + p[q + C] * f + 2048) >> 12);
  }
  return int(output_line_size_);
}

int RstScaleWidthLI8::read(uint8_t* line) { return interpolate<1>(line); }
int RstScaleWidthLI24::read(uint8_t* line) { return interpolate<3>(line); }
int RstScaleWidthLI32::read(uint8_t* line) { return interpolate<4>(line); }

bool RstScaleWidthCC::make_table(uint32_t source_width, int32_t width, uint32_t channels, std::vector<int32_t>& table) {
  const char* where = "RstScaleWidthCC::make_table()";
  if (!table_fits(source_width, width, channels, 4, where)) return false;
  uint32_t n = width < 0 ? 0u - uint32_t(width) : uint32_t(width);
  size_t entries = size_t(n) * 5;
  if (!rst_resize(table, entries) || table.size() != entries) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  int32_t big_w = int32_t(source_width << 12);
  int32_t step = big_w / width;
  int32_t position = step / 2 + 6144 + (width < 0 ? big_w : 0);
  int32_t* e = table.data();
  for (uint32_t i = 0; i < n; ++i, position += step, e += 5) {
    int64_t k = position >> 12, t = position & 0xFFF;
    e[0] = int32_t(((k - 1) * channels) << 12);
    e[1] = 16384 - m12(32768 - m12(16384 - t, 4096 + t), 4096 + t);
    e[2] = 4096 - m12(m12(8192 - t, t), t);
    e[3] = 4096 - m12(m12(4096 + t, 4096 - t), 4096 - t);
    e[4] = 16384 - m12(32768 - m12(12288 + t, 8192 - t), 8192 - t);
  }
  return true;
}

// --- height ---

RstRead* RstScaleHeightLI::create(RstRead* source, int32_t height) {
  const char* where = "RstScaleHeightLI::create()";
  RstScaleVerdict verdict = rst_scale_check(source, height, RstScaleAxis::height, where, rst_scale_8bit_lines);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstScaleHeightLI>(source, height), guard);
}

RstScaleHeightLI::RstScaleHeightLI(RstRead* source, int32_t height) : RstScaleHeight(source, height) {
  // Zeroed, so that nothing unwritten is ever handed out.
  size_t size = line_size_ ? line_size_ : 1;
  a_ = static_cast<uint8_t*>(rst_calloc(size));
  b_ = static_cast<uint8_t*>(rst_calloc(size));
  RstScaleHeightLI::start();
}

RstScaleHeightLI::~RstScaleHeightLI() {
  rst_free(a_);
  rst_free(b_);
}

bool RstScaleHeightLI::initiate() {
  if (a_ && b_) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightLI::RstScaleHeightLI()");
  return false;
}

bool RstScaleHeightLI::fetch(uint8_t* buffer) {
  if (source()->read(buffer) != int(line_size_)) return false;
  ++consumed_;
  return true;
}

void RstScaleHeightLI::start() {
  // The first line is read by the first read, so that a create that fails
  // after this node was built leaves the source at its first line.
  primed_ = false;
  first_read_ = false;
  next_ = 2;
  step_ = output_height_ ? int32_t((uint64_t(source_height_) << 12) / output_height_) : 0;
  position_ = step_ / 2 + 2048;
}

int RstScaleHeightLI::read(uint8_t* line) {
  if (!count_line()) return 0;
  if (!primed_) {
    // Without its first line the node delivers nothing until a reset.
    primed_ = true;
    first_read_ = fetch(b_);
  }
  if (!first_read_) return 0;
  const uint32_t r = uint32_t(position_) >> 12, f = uint32_t(position_) & 0xFFF;
  if (r == 0 || r >= source_height_) {
    // Before the first centre or past the last: the edge line.
    std::memcpy(line, b_, line_size_);
  } else {
    // A must hold extended line r and B line r + 1.
    if (r == next_ - 1) {
      std::swap(a_, b_);
      if (!fetch(b_)) return 0;
      ++next_;
    } else if (r >= next_) {
      if (r > next_) {
        uint32_t skipped = uint32_t(source()->skip(int(r - next_)));
        next_ += skipped;
        consumed_ += skipped;
      }
      if (!fetch(a_) || !fetch(b_)) return 0;
      next_ += 2;
    }
    const uint32_t g = 4096 - f;
    const uint8_t *a = a_, *b = b_;
    for (uint32_t k = 0; k < line_size_; ++k) line[k] = uint8_t((a[k] * g + b[k] * f + 2048) >> 12);
  }
  position_ += step_;
  return int(line_size_);
}
