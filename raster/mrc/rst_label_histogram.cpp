// Per-label histograms of an image under a raw or a valued-run label image.
#include "raster/mrc/rst_label_histogram.h"

#include <cstring>
#include <new>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

// Frees two line buffers when a pass leaves.
struct Lines {
  uint8_t* image = nullptr;
  uint8_t* labels = nullptr;
  ~Lines() {
    rst_free(image);
    rst_free(labels);
  }
};

// The checks both makers share; the report's where-text is given.
bool inputs_fit(RstRead* image, RstRead* labels, int32_t label_form, const char* where) {
  if (!image || !labels) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader i(image), l(labels);
  bool ok = i.bits_per_sample == 8 && i.sample_kind == RstSampleKind::unsigned_int && i.data_form == RstDataForm::raw &&
            i.samples_per_pixel > 0 && i.width >= 0 && i.height >= 0;
  ok = ok && l.bits_per_sample == 32 && l.samples_per_pixel == 1 && l.sample_kind == RstSampleKind::unsigned_int &&
       !l.colormap && l.color_type == RstColorType::none() && l.data_form == label_form && l.width == i.width &&
       l.height == i.height;
  if (!ok) rst_report(RstCode::unsupported_form, where);
  return ok;
}

}  // namespace

RstLabelHistogram::RstLabelHistogram(RstRead* image, RstRead* labels) : RstProcess(image), labels_(labels) {
  RstHeader h(image);
  width_ = h.width;
  height_ = h.height;
  channels_ = h.samples_per_pixel;
}

RstLabelHistogram::~RstLabelHistogram() = default;

void RstLabelHistogram::release_labels() {
  if (labels_) labels_->end();
  labels_ = nullptr;
}

void RstLabelHistogram::rewind_once() {
  if (rewound_) return;
  rewound_ = true;
  image()->reset();
}

int RstLabelHistogram::read(uint8_t* line) {
  rewind_once();
  return image()->read(line);
}

int RstLabelHistogram::skip(int n) {
  if (n <= 0) return 0;
  rewind_once();
  return image()->skip(n);
}

// The raw label image.

RstLabelHistogramForAllLabel* RstLabelHistogramForAllLabel::create(RstRead* image, RstRead* labels,
                                                                   RstLabelHistogramList* result, uint32_t max_label,
                                                                   const RstRectangleRange* range) {
  const char* where = "RstLabelHistogramForAllLabel::create()";
  if (!result) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!inputs_fit(image, labels, RstDataForm::raw, where)) return nullptr;
  RstCreateGuard guard(image, labels);
  return rst_create_end_node_or_drop(rst_new<RstLabelHistogramForAllLabel>(image, labels, result, max_label, range),
                                     guard);
}

RstLabelHistogramForAllLabel::RstLabelHistogramForAllLabel(RstRead* image, RstRead* labels,
                                                           RstLabelHistogramList* result, uint32_t max_label,
                                                           const RstRectangleRange* range)
    : RstLabelHistogram(image, labels), max_label_(max_label), range_(range), result_(result) {}

bool RstLabelHistogramForAllLabel::initiate() {
  const char* where = "RstLabelHistogramForAllLabel::initiate()";
  try {
    result_->clear();
    result_->resize(size_t(max_label_) + 1);
  } catch (const std::bad_alloc&) {
    result_->clear();
  }
  if (result_->size() != size_t(max_label_) + 1) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!create_histogram()) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  // Ended now, gone once the create lets it go.
  release_labels();
  return true;
}

bool RstLabelHistogramForAllLabel::create_histogram() {
  const char* where = "RstLabelHistogramForAllLabel::create_histogram()";
  int32_t w = width_, c_count = channels_;
  size_t row = size_t(w) * size_t(c_count);
  int image_size = image()->line_size();
  Lines lines;
  lines.image = static_cast<uint8_t*>(rst_calloc((size_t(image_size) > row ? size_t(image_size) : row) + 1));
  lines.labels = static_cast<uint8_t*>(rst_calloc(size_t(w) * 4 + 4));
  if (!lines.image || !lines.labels) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  for (uint32_t label = 1; label <= max_label_; ++label) {
    auto* record = rst_new<RstLabelChannelHistograms>();
    if (!record) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
    (*result_)[label].reset(record);
    try {
      record->channels.resize(size_t(c_count));
      for (auto& channel : record->channels) {
        channel.reset(rst_new<RstHistogramData>(8));
        if (!channel || channel->bin_count() != 256) throw std::bad_alloc();
      }
    } catch (const std::bad_alloc&) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
  }
  const uint8_t* pixels = lines.image;
  const auto* labels = reinterpret_cast<const uint32_t*>(lines.labels);
  auto count = [&](int32_t from, int32_t to) {
    if (from < 0) from = 0;
    if (to > w - 1) to = w - 1;
    for (int32_t x = from; x <= to; ++x) {
      uint32_t label = labels[x];
      // Labels beyond the result vector are not counted.
      if (label == 0 || label > max_label_) continue;
      auto& channels = (*result_)[label]->channels;
      for (int32_t c = 0; c < c_count; ++c) channels[size_t(c)]->add(pixels[size_t(x) * size_t(c_count) + size_t(c)]);
    }
  };
  auto read_both = [&]() {
    int n = image()->read(lines.image);
    int m = labels_->read(lines.labels);
    return n > 0 && size_t(n) >= row && m == w * 4;
  };

  if (!range_) {
    for (int32_t y = 0; y < height_; ++y) {
      if (!read_both()) return false;
      count(0, w - 1);
    }
    return true;
  }
  // Within the range: rows before its first row are skipped, and so are rows
  // whose last column is 0.
  const RstRectangleRange& r = *range_;
  int32_t rows = int32_t(r.last_x.size() < r.first_x.size() ? r.last_x.size() : r.first_x.size());
  if (rows > height_) rows = height_;
  int32_t first = r.first_y < 0 ? 0 : r.first_y, last = r.last_y < rows ? r.last_y : rows - 1;
  if (first > last) return true;
  if (first > 0) {
    image()->skip(first);
    labels_->skip(first);
  }
  int32_t y = first;
  while (y <= last) {
    if (r.last_x[size_t(y)] == 0) {
      int32_t next = y + 1;
      while (next <= last && r.last_x[size_t(next)] == 0) ++next;
      if (next > last) break;
      image()->skip(next - y);
      labels_->skip(next - y);
      y = next;
    }
    if (!read_both()) return false;
    count(r.first_x[size_t(y)], r.last_x[size_t(y)]);
    ++y;
  }
  return true;
}

// The valued-run label image.

RstLabelHistogramForAllLabelRLE* RstLabelHistogramForAllLabelRLE::create(RstRead* image, RstRead* labels,
                                                                         std::vector<RstLabelHistogramSet>* result,
                                                                         uint32_t max_label) {
  const char* where = "RstLabelHistogramForAllLabelRLE::create()";
  if (!result) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!inputs_fit(image, labels, RstDataForm::rle_n, where)) return nullptr;
  RstCreateGuard guard(image, labels);
  return rst_create_end_node_or_drop(rst_new<RstLabelHistogramForAllLabelRLE>(image, labels, result, max_label), guard);
}

RstLabelHistogramForAllLabelRLE::RstLabelHistogramForAllLabelRLE(RstRead* image, RstRead* labels,
                                                                 std::vector<RstLabelHistogramSet>* result,
                                                                 uint32_t max_label)
    : RstLabelHistogram(image, labels), max_label_(max_label), result_(result) {
  RstHeader h(image);
  bits_ = h.bits_per_sample;
}

bool RstLabelHistogramForAllLabelRLE::initiate() {
  const char* where = "RstLabelHistogramForAllLabelRLE::initiate()";
  try {
    if (result_->size() > size_t(channels_)) result_->erase(result_->begin() + channels_, result_->end());
    while (result_->size() < size_t(channels_)) result_->emplace_back(max_label_, bits_);
  } catch (const std::bad_alloc&) {
  }
  if (result_->size() != size_t(channels_)) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!create_histogram()) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  release_labels();
  return true;
}

bool RstLabelHistogramForAllLabelRLE::create_histogram() {
  const char* where = "RstLabelHistogramForAllLabelRLE::create_histogram()";
  int32_t w = width_, c_count = channels_;
  size_t row = size_t(w) * size_t(c_count);
  int image_size = image()->line_size();
  int label_size = labels_->line_size();
  Lines lines;
  lines.image = static_cast<uint8_t*>(rst_calloc((size_t(image_size) > row ? size_t(image_size) : row) + 1));
  lines.labels = static_cast<uint8_t*>(rst_calloc(size_t(label_size > 12 ? label_size : 12) + 12));
  if (!lines.image || !lines.labels) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  RstLabelHistogramSet* sets = result_->data();
  int32_t empty_rows = 0;
  for (int32_t y = 0; y < height_; ++y) {
    int m = labels_->read(lines.labels);
    if (m <= 0) return false;
    if (m == 12) {
      ++empty_rows;  // nothing to count: the image row is never read
      continue;
    }
    if (empty_rows > 0) image()->skip(empty_rows);
    empty_rows = 0;
    int n = image()->read(lines.image);
    if (n != image_size || size_t(n) < row) return false;
    int32_t runs = (m < label_size ? m : label_size) / 12;
    for (int32_t k = 0; k < runs; ++k) {
      RstLabelRun<uint32_t> run;
      std::memcpy(&run, lines.labels + size_t(k) * 12, 12);
      if (run.first == -1) break;
      int32_t from = run.first < 0 ? 0 : run.first, to = run.last > w - 1 ? w - 1 : run.last;
      if (run.label == 0 || run.label > max_label_) continue;
      for (int32_t x = from; x <= to; ++x)
        for (int32_t c = 0; c < c_count; ++c)
          sets[c].add(run.label, lines.image[size_t(x) * size_t(c_count) + size_t(c)]);
    }
  }
  return true;
}
