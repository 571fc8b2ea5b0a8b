// Raw label filters: the renumbering table over a rectangle set, the size
// criteria and the square-core test.
#include "raster/mrc/rst_remove_label.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_whole_source_node.h"

namespace {

uint32_t load(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// The checks both raw creates share.
bool inputs_fit(RstRead* source, const std::vector<RstLabelRect*>* rects, bool other_arguments, const char* where) {
  if (!source || !rects || rects->size() < 2 || !other_arguments) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  if (!RstRemoveLabel::is_label_image(source)) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

}  // namespace

bool RstRemoveLabel::is_label_image(RstRead* source) {
  RstHeader h(source);
  return h.bits_per_sample == 32 && h.samples_per_pixel == 1 && h.sample_kind == RstSampleKind::unsigned_int &&
         h.data_form == RstDataForm::raw && h.color_type == RstColorType::none();
}

RstRemoveLabel::RstRemoveLabel(RstRead* source, std::vector<RstLabelRect*>* rects, bool renumber)
    : RstProcess(source), records_(uint32_t(rects->size())), renumber_(renumber), rects_(rects) {}

RstRemoveLabel::~RstRemoveLabel() { rst_free(table_); }

bool RstRemoveLabel::initiate() {
  RstHeader h(this);
  width_ = h.width;
  height_ = h.height;
  line_size_ = static_cast<RstRead*>(source())->line_size();
  table_ = static_cast<uint32_t*>(rst_calloc(size_t(records_) * sizeof(uint32_t)));
  if (!table_) {
    rst_report(RstCode::no_memory, "RstRemoveLabel::initiate()");
    return false;
  }
  return true;
}

bool RstRemoveLabel::make_table() {
  std::vector<RstLabelRect*>& set = *rects_;
  uint32_t records = std::min<uint32_t>(records_, uint32_t(set.size()));
  // Record 0 is the background: label 0 stays 0 whatever it holds.
  table_[0] = 0;
  if (!renumber_) {
    for (uint32_t i = 1; i < records; ++i) table_[i] = set[i] && set[i]->count != 0 ? i : 0;
    return true;
  }
  uint32_t kept = 0;
  for (uint32_t i = 1; i < records; ++i) {
    if (!set[i] || set[i]->count == 0) {
      table_[i] = 0;
      continue;
    }
    table_[i] = ++kept;
    if (kept != i) *set[kept] = *set[i];
  }
  for (size_t i = size_t(kept) + 1; i < set.size(); ++i) delete set[i];
  set.resize(std::min(set.size(), size_t(kept) + 1));
  if (set.size() != size_t(kept) + 1) {
    rst_report(RstCode::no_memory, "RstRemoveLabel::make_table_renumber()");
    return false;
  }
  return true;
}

// Size criteria.

RstRemoveArea* RstRemoveArea::create(RstRead* source, std::vector<RstLabelRect*>* rects, const uint32_t* thresholds,
                                     bool renumber, const RstRectangleRange* range) {
  if (!inputs_fit(source, rects, thresholds != nullptr, "RstRemoveArea::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstRemoveArea>(source, rects, thresholds, renumber, range), guard);
}

RstRemoveArea* RstRemoveArea::create(RstRead* source, std::vector<RstLabelRect*>* rects, bool renumber,
                                     const RstRectangleRange* range) {
  if (!inputs_fit(source, rects, true, "RstRemoveArea::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstRemoveArea>(source, rects, nullptr, renumber, range), guard);
}

RstRemoveArea::RstRemoveArea(RstRead* source, std::vector<RstLabelRect*>* rects, const uint32_t* thresholds,
                             bool renumber, const RstRectangleRange* range)
    : RstRemoveLabel(source, rects, renumber), criteria_(thresholds != nullptr), caller_range_(range) {
  if (thresholds) {
    min_count_ = thresholds[0];
    min_width_ = thresholds[1];
    min_height_ = thresholds[2];
  }
}

bool RstRemoveArea::initiate() {
  if (!RstRemoveLabel::initiate()) return false;
  if (criteria_) {
    std::vector<RstLabelRect*>& set = *rects_;
    uint32_t records = std::min<uint32_t>(records_, uint32_t(set.size()));
    for (uint32_t i = 0; i < records; ++i) {
      RstLabelRect* r = set[i];
      if (!r) continue;
      if (r->count < min_count_ || r->right - r->left + 1 < min_width_ || r->bottom - r->top + 1 < min_height_)
        empty_record(r);
    }
  }
  if (!make_table()) return false;
  RstRectangleRange* own =
      caller_range_ ? rst_new<RstRectangleRange>(*caller_range_) : rst_new<RstRectangleRange>(width_, height_);
  range_.reset(own);
  if (!own || (!caller_range_ && (own->first_x.size() != size_t(height_) || own->last_x.size() != size_t(height_)))) {
    rst_report(RstCode::no_memory, "RstRemoveArea::initiate");
    return false;
  }
  return true;
}

int RstRemoveArea::read(uint8_t* line) {
  if (row_ >= height_) return 0;
  int n = static_cast<RstRead*>(source())->read(line);
  if (n != line_size_ || n <= 0) return 0;
  const RstRectangleRange& r = *range_;
  int32_t y = row_++;
  // Rows outside the range, and columns outside its span, pass unchanged.
  if (y < r.first_y || y > r.last_y || size_t(y) >= r.first_x.size() || size_t(y) >= r.last_x.size()) return n;
  int32_t columns = std::min(width_, n / 4);
  int32_t from = std::max(r.first_x[size_t(y)], 0), to = std::min(r.last_x[size_t(y)], columns - 1);
  for (int32_t x = from; x <= to; ++x) {
    uint8_t* p = line + size_t(x) * 4;
    store(p, relabel(load(p)));
  }
  return n;
}

int RstRemoveArea::skip(int n) {
  if (n <= 0) return 0;
  n = std::min(n, height_ - row_);
  if (n <= 0) return 0;
  row_ += n;
  return static_cast<RstRead*>(source())->skip(n);
}

void RstRemoveArea::reset() {
  row_ = 0;
  static_cast<RstRead*>(source())->reset();
}

// Square cores.

RstRemoveThinLine* RstRemoveThinLine::create(RstRead* source, std::vector<RstLabelRect*>* rects, uint32_t size,
                                             bool renumber) {
  if (!inputs_fit(source, rects, size != 0, "RstRemoveThinLine::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstRemoveThinLine>(source, rects, size, renumber), guard);
}

RstRemoveThinLine::RstRemoveThinLine(RstRead* source, std::vector<RstLabelRect*>* rects, uint32_t size, bool renumber)
    : RstRemoveLabel(source, rects, renumber), half_(size >> 1) {
  RstHeader h(source);
  header_ = h;
}

RstRemoveThinLine::~RstRemoveThinLine() {
  rst_free(image_);
  rst_free(check_);
}

bool RstRemoveThinLine::has_core(uint32_t label, const RstLabelRect& rect) const {
  const int64_t h = half_, w = width_;
  // A record reaching beyond the image is searched within it.
  const int64_t l = rect.left, t = rect.top;
  const int64_t r = std::min<int64_t>(rect.right, w - 1), b = std::min<int64_t>(rect.bottom, int64_t(height_) - 1);
  if (!(t + h < b - h && l + h < r - h)) return false;
  for (int64_t y = t + h; y <= b - h; ++y) {
    for (int64_t x = l + h; x <= r - h; ++x) {
      bool whole = true;
      for (int64_t row = y - h; row <= y + h && whole; ++row) {
        const uint32_t* p = image_ + size_t(row) * size_t(w);
        for (int64_t c = x - h; c < x + h; ++c) {
          if (p[c] != label) {
            // No window holding this pixel can be whole: the next one
            // tried starts just after it.
            x += c - (x - h);
            whole = false;
            break;
          }
        }
      }
      if (whole) return true;
    }
  }
  return false;
}

bool RstRemoveThinLine::initiate() {
  if (!RstRemoveLabel::initiate()) return false;
  const char* where = "RstRemoveThinLine::make_check()";
  size_t cells = size_t(width_ > 0 ? width_ : 0) * size_t(height_ > 0 ? height_ : 0);
  image_ = static_cast<uint32_t*>(rst_malloc((cells ? cells : 1) * sizeof(uint32_t)));
  check_ = static_cast<uint8_t*>(rst_calloc(records_));
  if (!image_ || !check_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  uint8_t* line = static_cast<uint8_t*>(rst_malloc(size_t(std::max(line_size_, width_ * 4)) + 4));
  if (!line) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  RstRead* input = static_cast<RstRead*>(source());
  bool whole = line_size_ >= width_ * 4;
  for (int32_t y = 0; y < height_ && whole; ++y) {
    whole = input->read(line) == line_size_;
    if (whole) std::memcpy(image_ + size_t(y) * size_t(width_), line, size_t(width_) * 4);
  }
  rst_free(line);
  if (!whole) return false;

  std::vector<RstLabelRect*>& set = *rects_;
  uint32_t records = std::min<uint32_t>(records_, uint32_t(set.size()));
  for (uint32_t j = 1; j < records; ++j)
    if (set[j] && set[j]->count != 0 && has_core(j, *set[j])) check_[j] = 1;
  for (uint32_t j = 0; j < records; ++j)
    if (!check_[j]) empty_record(set[j]);
  if (!make_table()) return false;
  for (size_t k = 0; k < cells; ++k) image_[k] = relabel(image_[k]);
  return true;
}

int RstRemoveThinLine::read(uint8_t* line) {
  // The source has been read to its end: it goes at the first read, unless
  // a create still holds it.
  if (!source_released_) {
    source_released_ = true;
    rst_release_read_sources(this);
  }
  if (row_ >= height_) return 0;
  std::memcpy(line, image_ + size_t(row_) * size_t(width_), size_t(width_) * 4);
  if (line_size_ > width_ * 4) std::memset(line + size_t(width_) * 4, 0, size_t(line_size_ - width_ * 4));
  ++row_;
  return line_size_;
}

int RstRemoveThinLine::skip(int n) {
  if (n <= 0) return 0;
  n = std::min(n, height_ - row_);
  if (n <= 0) return 0;
  row_ += n;
  return n;
}
