// The outer-contour label histogram: per row, the columns next to a label's
// runs in the row above, the row itself and the row below, minus the label's
// own runs in the row.
#include "raster/mrc/rst_label_contour_histogram.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

RstLabelHistogramForAllLabelOuterContourRLE* RstLabelHistogramForAllLabelOuterContourRLE::create(
    RstRead* image, RstRead* labels, RstLabelHistogramSet* result, uint32_t label_count) {
  const char* where = "RstLabelHistogramForAllLabelOuterContourRLE::create()";
  if (!image || !labels || !result || label_count == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader i(image), l(labels);
  bool ok = i.bits_per_sample == 8 && i.sample_kind == RstSampleKind::unsigned_int && i.data_form == RstDataForm::raw &&
            i.samples_per_pixel > 0 && i.width >= 0 && i.height >= 0;
  ok = ok && l.bits_per_sample == 32 && l.samples_per_pixel == 1 && l.sample_kind == RstSampleKind::unsigned_int &&
       !l.colormap && l.color_type == RstColorType::none() && l.data_form == RstDataForm::rle_n && l.width == i.width &&
       l.height == i.height;
  if (!ok) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(image, labels);
  return rst_create_end_node_or_drop(
      rst_new<RstLabelHistogramForAllLabelOuterContourRLE>(image, labels, result, label_count), guard);
}

RstLabelHistogramForAllLabelOuterContourRLE::RstLabelHistogramForAllLabelOuterContourRLE(RstRead* image,
                                                                                         RstRead* labels,
                                                                                         RstLabelHistogramSet* result,
                                                                                         uint32_t label_count)
    : RstLabelHistogram(image, labels), result_(result), label_count_(label_count) {}

bool RstLabelHistogramForAllLabelOuterContourRLE::initiate() {
  bool made;
  try {
    made = create_histogram_rle();
  } catch (const std::bad_alloc&) {
    made = false;
  }
  if (!made) {
    rst_report(RstCode::no_memory, "RstLabelHistogramForAllLabelRLE::initiate()");
    return false;
  }
  release_labels();
  return true;
}

bool RstLabelHistogramForAllLabelOuterContourRLE::read_labels(uint8_t* buffer, int32_t size, Line& line) {
  line.count = 0;
  int n = labels_->read(buffer);
  if (n <= 0) return false;
  int32_t records = std::min(n, size) / 12;
  int32_t next = 0;  // the first column a run may take
  for (int32_t k = 0; k < records; ++k) {
    RstLabelRun<uint32_t> run;
    std::memcpy(&run, buffer + size_t(k) * 12, 12);
    if (run.first == -1) break;
    int32_t first = std::max(run.first, next), last = std::min(run.last, width_ - 1);
    if (run.label == 0 || first > last) continue;
    if (!line.append(run.label, first, last)) return false;
    next = last + 1;
  }
  return true;
}

bool RstLabelHistogramForAllLabelOuterContourRLE::count_row(const Line* previous, const Line& current, const Line* next,
                                                            const uint8_t* pixels) {
  // Every run of the three rows, by label, then by column.
  pieces_.clear();
  for (const Line* line : {previous, &current, next}) {
    if (!line) continue;
    for (int32_t k = 0; k < line->count; ++k) {
      const RstLabelRun<uint32_t>& run = line->items[k];
      // Labels beyond the set are not counted.
      if (run.label > label_count_) continue;
      pieces_.push_back({run.label, run.first, run.last, line == &current});
    }
  }
  std::sort(pieces_.begin(), pieces_.end(),
            [](const Piece& a, const Piece& b) { return a.label != b.label ? a.label < b.label : a.first < b.first; });
  const int32_t last_column = width_ - 1;
  for (size_t from = 0; from < pieces_.size();) {
    size_t to = from;
    while (to < pieces_.size() && pieces_[to].label == pieces_[from].label) ++to;
    uint32_t label = pieces_[from].label;
    // The label's columns in the three rows, each widened by one and
    // joined where they overlap or touch.
    ranges_.clear();
    for (size_t k = from; k < to; ++k) {
      int32_t first = std::max(pieces_[k].first - 1, 0), last = std::min(pieces_[k].last + 1, last_column);
      if (!ranges_.empty() && first <= ranges_.back().last + 1)
        ranges_.back().last = std::max(ranges_.back().last, last);
      else ranges_.push_back({label, first, last, false});
    }
    // Less the label's own runs in the row (in column order among the
    // pieces), every remaining column counted once.
    size_t own = from;
    for (const Piece& range : ranges_) {
      int32_t x = range.first;
      while (x <= range.last) {
        while (own < to && (!pieces_[own].centre || pieces_[own].last < x)) ++own;
        int32_t stop = range.last;
        if (own < to && pieces_[own].first <= range.last) stop = pieces_[own].first - 1;
        for (; x <= stop; ++x) result_->add(label, pixels[x]);
        if (own < to && pieces_[own].first <= range.last) x = std::max(x, pieces_[own].last + 1);
        else break;
      }
    }
    from = to;
  }
  return true;
}

bool RstLabelHistogramForAllLabelOuterContourRLE::create_histogram_rle() {
  const char* where = "RstLabelHistogramForAllLabelOuterContour::create_histogram_rle()";
  size_t row = size_t(width_) * size_t(channels_);
  int image_size = image()->line_size();
  int label_size = labels_->line_size();
  uint8_t* pixels = static_cast<uint8_t*>(rst_calloc(std::max(size_t(image_size), row) + 1));
  uint8_t* buffer = static_cast<uint8_t*>(rst_calloc(size_t(std::max(label_size, 12)) + 12));
  struct Free {
    uint8_t* a;
    uint8_t* b;
    ~Free() {
      rst_free(a);
      rst_free(b);
    }
  } held{pixels, buffer};
  if (!pixels || !buffer) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  Line rows[3];
  for (Line& line : rows) {
    line.capacity = std::max(width_, 1);
    if (!line.new_buf()) return false;
  }
  Line* previous = &rows[0];
  Line* current = &rows[1];
  Line* next = &rows[2];
  if (height_ <= 0) return true;
  if (!read_labels(buffer, label_size, *current)) return false;
  auto read_image = [&]() {
    int n = image()->read(pixels);
    return n == image_size && size_t(n) >= row;
  };
  int32_t pending = 0;
  for (int32_t y = 0; y + 1 < height_; ++y) {
    if (!read_labels(buffer, label_size, *next)) return false;
    if (previous->count == 0 && current->count == 0 && next->count == 0) {
      ++pending;
      continue;
    }
    if (pending > 0) image()->skip(pending);
    pending = 0;
    if (!read_image()) return false;
    if (!count_row(previous, *current, next, pixels)) return false;
    std::swap(previous, current);
    std::swap(current, next);
  }
  if (pending == 0) {
    if (!read_image()) return false;
    if (!count_row(previous, *current, nullptr, pixels)) return false;
  }
  return true;
}
