// Labelling into a raw 32-bit label image: the 8-bit pixel pass, the run
// pass, and the lazy conversion of rows on read.
#include "raster/mrc/rst_labeling.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"
#include "raster/mrc/rst_run_labeler.h"

RstLabeling::RstLabeling(RstRead* source, uint8_t target, uint32_t* count_out)
    : RstProcess(source), target_(target), count_out_(count_out) {
  RstHeader in(source);
  output_header(in);
}

void RstLabeling::output_header(const RstHeader& in) {
  header_ = in;
  header_.samples_per_pixel = 1;
  header_.bits_per_sample = 32;
  header_.color_type = RstColorType::none();
  header_.colormap = RstCountedPtr<RstColormap>();
  header_.data_form = RstDataForm::raw;
  header_.sample_kind = RstSampleKind::unsigned_int;
}

RstLabeling::~RstLabeling() { rst_free(labels_); }

bool RstLabeling::initiate() {
  RstHeader in(source());
  int64_t bits = int64_t(in.samples_per_pixel) * int64_t(in.width) * int64_t(in.bits_per_sample);
  input_line_bytes_ = static_cast<int32_t>((bits + 7) >> 3);
  input_bits_ = in.bits_per_sample;
  output_header(in);

  // The label image; its line size must stay an int.
  int32_t w = header_.width < 0 ? 0 : header_.width, h = header_.height < 0 ? 0 : header_.height;
  size_t cells = size_t(w) * size_t(h);
  bool fits = int64_t(w) * 4 <= INT_MAX && (h == 0 || cells / size_t(h) == size_t(w)) && cells <= SIZE_MAX / 4;
  // Zero-filled, so that the run pass only writes the runs: untouched pages
  // of an empty page area stay unmapped.
  labels_ = fits ? static_cast<uint32_t*>(rst_calloc((cells ? cells : 1) * sizeof(uint32_t))) : nullptr;
  if (!labels_) {
    rst_report(RstCode::no_memory, "RstLabeling::initiate()");
    return false;
  }
  if (!table_.reset()) {
    rst_report(RstCode::no_memory, "RstLabeling::initiate()");
    return false;
  }
  bool ok = input_bits_ == 8 ? labeling() : labeling1();
  if (!ok) return false;
  count_ = table_.finalize();
  rows_finalized_ = 0;
  next_row_ = 0;
  if (count_out_) *count_out_ = count_;
  return true;
}

bool RstLabeling::labeling() {
  if (table_.size() != 1) {
    rst_report(RstCode::bad_argument, "RstLabeling::labeling8()");
    return false;
  }
  int32_t w = header_.width, h = header_.height;
  if (w <= 0 || h <= 0) return true;
  size_t size = size_t(source()->line_size());
  if (size < size_t(input_line_bytes_)) size = size_t(input_line_bytes_);
  uint8_t* line = static_cast<uint8_t*>(rst_malloc(size));
  if (!line) {
    rst_report(RstCode::no_memory, "RstLabeling::labeling()");
    return false;
  }
  struct Free {
    uint8_t* p;
    ~Free() { rst_free(p); }
  } free_line{line};
  RstRead* src = static_cast<RstRead*>(source());
  RstLabelTable& t = table_;
  auto fresh = [&](uint32_t& out) {
    out = t.size();
    if (t.append()) return true;
    rst_report(RstCode::no_memory, "RstLabeling::labeling()");
    return false;
  };

  for (int32_t y = 0; y < h; ++y) {
    if (src->read(line) != input_line_bytes_) {
      rst_report(RstCode::unsupported_form, "RstLabeling::labeling()");
      return false;
    }
    uint32_t* row = row_labels(y);
    if (y == 0) {
      for (int32_t x = 0; x < w; ++x) {
        if (line[x] != target_) {
          row[x] = 0;
        } else if (x > 0 && row[x - 1] != 0) {
          row[x] = row[x - 1];
        } else if (!fresh(row[x])) {
          return false;
        }
      }
      continue;
    }
    const uint32_t* up = row_labels(y - 1);
    // Pixel 0: above and above-right already share one set. An image one
    // pixel wide has no pixel above-right.
    if (line[0] != target_) {
      row[0] = 0;
    } else if (up[0] != 0) {
      row[0] = up[0];
    } else if (w > 1 && up[1] != 0) {
      row[0] = up[1];
    } else if (!fresh(row[0])) {
      return false;
    }
    for (int32_t x = 1; x < w; ++x) {
      if (line[x] != target_) {
        row[x] = 0;
        continue;
      }
      // Up-left, up, up-right (not at the last pixel), left.
      uint32_t n[4] = {up[x - 1], up[x], x + 1 < w ? up[x + 1] : 0u, row[x - 1]};
      uint32_t m = UINT32_MAX;
      for (uint32_t label : n)
        if (label != 0) {
          uint32_t r = t.root(label);
          if (r < m) m = r;
        }
      if (m == UINT32_MAX) {
        if (!fresh(row[x])) return false;
        continue;
      }
      row[x] = m;
      for (uint32_t label : n)
        if (label != 0) t.relink(label, m);
    }
  }
  return true;
}

bool RstLabeling::labeling1() {
  int32_t w = header_.width, h = header_.height;
  RstRead* src = static_cast<RstRead*>(source());
  size_t size = rst_run_line_buffer_bytes(src, w);
  auto* line = static_cast<int32_t*>(rst_malloc(size));
  struct Free {
    int32_t* p;
    ~Free() { rst_free(p); }
  } free_line{line};
  RstRunLabeler labeler(table_);
  if (!line || !labeler.prepare(w)) {
    rst_report(RstCode::no_memory, "RstLabeling::labeling1()");
    return false;
  }
  for (int32_t y = 0; y < h; ++y) {
    int n = src->read(reinterpret_cast<uint8_t*>(line));
    if (n <= 0) return false;
    if (size_t(n) > size) n = int(size);
    if (!labeler.label_row(line, n)) {
      rst_report(RstCode::no_memory, "RstLabeling::labeling1()");
      return false;
    }
    uint32_t* row = row_labels(y);
    for (int32_t k = 0; k < labeler.run_count(); ++k) {
      const RstLabeledRun& r = labeler.runs()[k];
      for (int32_t x = r.first; x <= r.last; ++x) row[x] = r.label;
    }
  }
  return true;
}

void RstLabeling::finalize_rows(int32_t row) {
  if (row > header_.height) row = header_.height;
  for (; rows_finalized_ < row; ++rows_finalized_) {
    uint32_t* labels = row_labels(rows_finalized_);
    for (int32_t x = 0; x < header_.width; ++x) labels[x] = table_[labels[x]];
  }
}

int RstLabeling::read(uint8_t* line) {
  if (next_row_ >= header_.height || header_.width <= 0) return 0;
  finalize_rows(next_row_ + 1);
  std::memcpy(line, row_labels(next_row_), size_t(header_.width) * 4);
  ++next_row_;
  return header_.width * 4;
}

int RstLabeling::skip(int n) {
  if (n <= 0) return 0;
  int left = header_.height - next_row_;
  if (n > left) n = left;
  next_row_ += n;
  return n;
}
