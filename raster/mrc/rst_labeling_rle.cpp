// Labelling into valued runs: one growable run list per row, converted to
// final labels as rows are read.
#include "raster/mrc/rst_labeling_rle.h"

#include <climits>
#include <cstring>
#include <new>

#include "raster/mrc/rst_labeling_create.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"
#include "raster/mrc/rst_run_labeler.h"

namespace {

void output_header(const RstHeader& in, RstHeader& out) {
  out = in;
  out.bits_per_sample = 32;
  out.sample_kind = RstSampleKind::unsigned_int;
  out.data_form = RstDataForm::rle_n;
  out.colormap = RstCountedPtr<RstColormap>();
  out.color_type = RstColorType::none();
}

}  // namespace

RstLabelingRLE* RstLabelingRLE::create(RstRead* source, uint32_t* count_out) {
  const char* where = "RstLabelingRLE::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int ||
      (h.data_form != RstDataForm::raw && h.data_form != RstDataForm::rle) || h.width < 0 || h.height < 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  return rst_create_labeling_node<RstLabelingRLE>(source, h.data_form == RstDataForm::raw, count_out);
}

RstLabelingRLE::RstLabelingRLE(RstRead* source, uint32_t* count_out) : RstProcess(source), count_out_(count_out) {
  RstHeader in(source);
  output_header(in, header_);
}

RstLabelingRLE::~RstLabelingRLE() {
  for (int32_t y = 0; y < row_count_; ++y) delete rows_[y];
  rst_free(rows_);
}

bool RstLabelingRLE::initiate() {
  RstHeader in(source());
  output_header(in, header_);
  int64_t size = int64_t(header_.width < 0 ? 0 : header_.width) * 12 + 12;
  int32_t h = header_.height < 0 ? 0 : header_.height;
  rows_ = size <= INT_MAX ? static_cast<RstRLELineN<uint32_t>**>(rst_calloc((size_t(h) + 1) * sizeof(void*))) : nullptr;
  if (!rows_) {
    rst_report(RstCode::no_memory, "RstLabeling::initiate()");
    return false;
  }
  line_size_ = static_cast<int32_t>(size);
  row_count_ = h;
  if (!labeling()) return false;
  count_ = table_.finalize();
  rows_finalized_ = 0;
  next_row_ = 0;
  if (count_out_) *count_out_ = count_;
  return true;
}

bool RstLabelingRLE::labeling() {
  if (!table_.reset()) {
    rst_report(RstCode::no_memory, "RstLabeling::labeling1()");
    return false;
  }
  int32_t w = header_.width;
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
  for (int32_t y = 0; y < row_count_; ++y) {
    int n = src->read(reinterpret_cast<uint8_t*>(line));
    if (n <= 0) return false;
    if (size_t(n) > size) n = int(size);
    if (!labeler.label_row(line, n)) {
      rst_report(RstCode::no_memory, "RstLabeling::labeling1()");
      return false;
    }
    auto* row = rst_new<RstRLELineN<uint32_t>>();
    if (row) {
      rows_[y] = row;
      row->capacity = 128;
      if (!row->new_buf()) return false;
    } else {
      rst_report(RstCode::no_memory, "RstLabelingRLE::labeling");
      return false;
    }
    for (int32_t k = 0; k < labeler.run_count(); ++k) {
      const RstLabeledRun& r = labeler.runs()[k];
      if (!row->append(r.label, r.first, r.last)) {
        rst_report(RstCode::no_memory, "RstLabeling::labeling1()");
        return false;
      }
    }
    row->end_line();
  }
  return true;
}

int RstLabelingRLE::read(uint8_t* line) {
  if (next_row_ >= row_count_) return 0;
  for (; rows_finalized_ <= next_row_; ++rows_finalized_) {
    RstRLELineN<uint32_t>* row = rows_[rows_finalized_];
    for (int32_t k = 0; k < row->count; ++k) row->items[k].label = table_[row->items[k].label];
  }
  const RstRLELineN<uint32_t>* row = rows_[next_row_++];
  int32_t room = line_size_ / 12 - 1;
  int32_t runs = row->count < room ? row->count : room;
  if (runs > 0) std::memcpy(line, row->items, size_t(runs) * 12);
  RstLabelRun<uint32_t> end{0, -1, -1};
  std::memcpy(line + size_t(runs) * 12, &end, 12);
  return (runs + 1) * 12;
}

int RstLabelingRLE::skip(int n) {
  if (n <= 0) return 0;
  int left = row_count_ - next_row_;
  if (n > left) n = left;
  next_row_ += n;
  return n;
}
