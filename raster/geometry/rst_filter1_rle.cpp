// Run-line dilation and erosion: the window of widened lines and its union
// or intersection.
#include "raster/geometry/rst_filter1_rle.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/geometry/rst_rle_line_ex.h"
#include "raster/geometry/rst_rle_line_merge.h"

namespace {

// No source or n = 0: -2; not bilevel unsigned run lines that can hold a
// terminator: -3.
bool check_source(RstRead* source, uint32_t n, const char* where) {
  if (!source || n == 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int ||
      h.data_form != RstDataForm::rle || h.width < 0 || h.height < 0 || source->line_size() < 8) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

}  // namespace

RstFilter1RLE::RstFilter1RLE(RstRead* source, uint32_t n, int32_t amount)
    : RstProcess(source), n_(n), window_lines_(2 * uint64_t(n) + 1), amount_(amount) {
  if (!source) return;
  RstHeader h(source);
  width_ = h.width;
  height_ = h.height;
  line_size_ = source->line_size();
}

RstFilter1RLE::~RstFilter1RLE() {
  rst_free(work_);
  rst_free(window_);
  rst_free(storage_);
}

bool RstFilter1RLE::initiate() {
  // 64-bit sizes: a large radius must ask for what it needs, never for a
  // wrapped-around smaller block that the window would then overrun.
  const uint64_t line = uint64_t(line_size_);
  const uint64_t storage = window_lines_ * line;
  const uint64_t slots = window_lines_ * sizeof(Slot);
  bool fits = storage / line == window_lines_ && storage <= SIZE_MAX && slots <= SIZE_MAX;
  if (fits) storage_ = static_cast<uint8_t*>(rst_malloc(size_t(storage)));
  if (storage_) window_ = static_cast<Slot*>(rst_malloc(size_t(slots)));
  if (window_) work_ = static_cast<int32_t*>(rst_malloc(size_t(line)));
  if (!work_) {
    rst_report(RstCode::no_memory, "RstFilter1RLE::initiate()");
    return false;
  }
  for (uint64_t s = 0; s < window_lines_; ++s) window_[s] = {reinterpret_cast<int32_t*>(storage_ + s * line), 8};
  return true;
}

void RstFilter1RLE::set_empty(Slot& slot) const {
  slot.runs[0] = slot.runs[1] = -1;
  slot.bytes = 8;
}

bool RstFilter1RLE::load_slot(uint64_t slot, int64_t source_line) {
  Slot& s = window_[slot];
  if (source_line >= height_) {
    set_empty(s);
    return true;
  }
  int r = source()->read(reinterpret_cast<uint8_t*>(s.runs));
  if (r <= 0) return false;
  s.bytes = r < line_size_ ? r : line_size_;
  filter_line(s);
  return true;
}

bool RstFilter1RLE::fill_window() {
  if (y_ == 0) {
    for (uint64_t s = 0; s < n_; ++s) set_empty(window_[s]);
    for (uint64_t s = n_; s < window_lines_; ++s)
      if (!load_slot(s, int64_t(s - n_))) return false;
    return true;
  }
  return load_slot(window_lines_ - 1, int64_t(y_) + n_);
}

void RstFilter1RLE::rotate() {
  Slot top = window_[0];
  std::memmove(window_, window_ + 1, size_t(window_lines_ - 1) * sizeof(Slot));
  window_[window_lines_ - 1] = top;
}

int RstFilter1RLE::read(uint8_t* line) {
  if (y_ >= height_ || !fill_window()) return 0;
  int32_t bytes = merge_window(line);
  rotate();
  ++y_;
  return bytes;
}

int RstFilter1RLE::skip(int k) {
  if (k <= 0 || y_ >= height_) return 0;
  // The last line always stays to be read.
  if (int64_t(y_) + k >= height_) k = height_ - y_ - 1;
  for (int i = 0; i < k; ++i) {
    if (!fill_window()) return i;
    rotate();
    ++y_;
  }
  return k;
}

void RstFilter1RLE::reset() {
  y_ = 0;
  source()->reset();
  if (window_)
    for (uint64_t s = 0; s < window_lines_; ++s)
      window_[s].runs = reinterpret_cast<int32_t*>(storage_ + s * uint64_t(line_size_));
}

RstRead* RstExpansionFilter1RLE::create(RstRead* source, uint32_t n) {
  if (!check_source(source, n, "RstExpansionFilter1RLE::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstExpansionFilter1RLE>(source, n), guard);
}

// A widening by the width or more covers the line as one by width - 1 does.
void RstExpansionFilter1RLE::filter_line(Slot& slot) {
  if (width_ <= 0) return set_empty(slot);
  RstRLELineEx l(slot.runs, width_, slot.bytes, line_size_);
  l.sifht_x(amount_ < width_ ? amount_ : width_ - 1);
  slot.bytes = l.byte_count;
}

// Union of all window lines, alternating between the work line and out.
int32_t RstExpansionFilter1RLE::merge_window(uint8_t* out) {
  const int32_t room = line_size_ / 8 - 1;
  RstRLELine result(out, 0), work(work_, 0);
  auto line = [this](uint64_t j) { return RstRLELine(window_[j].runs, window_[j].bytes); };
  rst_rle_union(line(0), line(1), work, room);
  rst_rle_union(work, line(2), result, room);
  for (uint64_t j = 3; j + 1 < window_lines_; j += 2) {
    rst_rle_union(result, line(j), work, room);
    rst_rle_union(work, line(j + 1), result, room);
  }
  return result.byte_count;
}

RstRead* RstShrinkFilter1RLE::create(RstRead* source, uint32_t n) {
  const char* where = "RstShrinkFilter1RLE::create()";
  if (!check_source(source, n, where)) return nullptr;
  RstCreateGuard guard(source);
  RstHeader h(source);
  if (h.color_type != RstColorType::default_gray())
    return rst_create_end_node_or_drop(rst_new<RstShrinkFilter1RLE>(source, n), guard);
  // Set bits are white: the outside counts as set, which the complement of
  // the dilated complement gives.
  RstRead* inverse = RstPixelNotRLE::create(source);
  if (!inverse) return nullptr;
  RstRead* dilated = RstExpansionFilter1RLE::create(inverse, n);
  if (!dilated) {
    inverse->end();
    return nullptr;
  }
  RstRead* back = RstPixelNotRLE::create(dilated);
  if (!back) {
    dilated->end();
    return nullptr;
  }
  return rst_create_end(back, guard);
}

// A narrowing by the width or more leaves nothing: the outside is clear.
void RstShrinkFilter1RLE::filter_line(Slot& slot) {
  if (int64_t(n_) >= width_) return set_empty(slot);
  RstRLELineEx l(slot.runs, width_, slot.bytes, line_size_);
  l.sifht_x(amount_);
  slot.bytes = l.byte_count;
}

// Intersection of all window lines, alternating between the work line and
// out.
int32_t RstShrinkFilter1RLE::merge_window(uint8_t* out) {
  const int32_t room = line_size_ / 8 - 1;
  RstRLELine result(out, 0), work(work_, 0);
  auto line = [this](uint64_t j) { return RstRLELine(window_[j].runs, window_[j].bytes); };
  rst_rle_intersection(line(0), line(1), work, room);
  rst_rle_intersection(work, line(2), result, room);
  for (uint64_t j = 3; j + 1 < window_lines_; j += 2) {
    rst_rle_intersection(result, line(j), work, room);
    rst_rle_intersection(work, line(j + 1), result, room);
  }
  return result.byte_count;
}
