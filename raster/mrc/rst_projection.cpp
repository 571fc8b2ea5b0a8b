// Profiles of a bilevel image counted run by run.
#include "raster/mrc/rst_projection.h"

#include <new>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

bool RstProjectionData::set_dimension(int32_t w, int32_t h) {
  width = w;
  height = h;
  size_t cols = size_t(w > 0 ? w : 0), rws = size_t(h > 0 ? h : 0);
  try {
    columns.resize(cols, 0);
    rows.resize(rws, 0);
  } catch (const std::bad_alloc&) {
  }
  if (columns.size() != cols || rows.size() != rws) {
    rst_report(RstCode::no_memory, "RstProjectionData::set_dimension()");
    return false;
  }
  return true;
}

void RstProjectionData::clear() {
  for (uint32_t& c : columns) c = 0;
  for (uint32_t& r : rows) r = 0;
}

RstProjectionDistribution* RstProjectionDistribution::create(RstRead* source, RstProjectionData* data) {
  const char* where = "RstProjectionDistribution::create()";
  if (!source || !data) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int ||
      (h.data_form != RstDataForm::raw && h.data_form != RstDataForm::rle) || h.width < 0 || h.height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (!data->set_dimension(h.width, h.height)) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstProjectionDistribution>(source, data), guard);
}

RstProjectionDistribution::RstProjectionDistribution(RstRead* source, RstProjectionData* data)
    : RstProcess(source), data_(data) {}

RstProjectionDistribution::~RstProjectionDistribution() = default;

bool RstProjectionDistribution::count_runs(const int32_t* pairs, int32_t bytes, int32_t y) {
  int32_t w = data_->width, next = 0;
  uint32_t* cols = data_->columns.data();
  uint32_t total = 0;
  // Runs from outside are clipped to the width and taken in order only.
  for (int32_t k = 0; k < bytes / 8; ++k) {
    int32_t f = pairs[2 * k], l = pairs[2 * k + 1];
    if (f == -1) break;
    if (f < next) f = next;
    if (l > w - 1) l = w - 1;
    if (f > l) continue;
    for (int32_t x = f; x <= l; ++x) ++cols[x];
    total += uint32_t(l - f + 1);
    next = l + 1;
  }
  data_->rows[size_t(y)] += total;
  return true;
}

bool RstProjectionDistribution::initiate() {
  RstHeader h(source());
  RstRead* src = static_cast<RstRead*>(source());
  run_lines_ = h.data_form == RstDataForm::rle;
  source_line_size_ = src->line_size();
  int32_t w = h.width;
  RstEncodeRLECore core(w);
  size_t bound = size_t(core.buffer_size());
  size_t in_size = size_t(source_line_size_ > 0 ? source_line_size_ : 0);
  if (run_lines_ && in_size < bound) in_size = bound;
  size_t raw_bytes = size_t((w + 7) / 8);
  if (!run_lines_ && in_size < raw_bytes) in_size = raw_bytes;
  auto* in = static_cast<uint8_t*>(rst_calloc(((in_size + 7) & ~size_t(7)) + 8));
  auto* runs = run_lines_ ? nullptr : static_cast<int32_t*>(rst_malloc(bound));
  struct Free {
    void* a;
    void* b;
    ~Free() {
      rst_free(a);
      rst_free(b);
    }
  } free_buffers{in, runs};
  if (!in || (!run_lines_ && !runs)) {
    rst_report(RstCode::no_memory, "RstProjectionDistribution::initiate()");
    return false;
  }
  // Counts left from an earlier use would add up.
  data_->clear();
  for (int32_t y = 0; y < h.height; ++y) {
    int n = src->read(in);
    bool bad = run_lines_ ? n <= 0 : (n != source_line_size_ || size_t(n) < raw_bytes);
    if (bad) {
      data_->clear();
      rst_report(RstCode::unsupported_form, "RstProjectionDistribution::initiate()");
      return false;
    }
    if (run_lines_) {
      if (size_t(n) > in_size) n = int(in_size);
      count_runs(reinterpret_cast<const int32_t*>(in), n, y);
    } else {
      int32_t bytes = core.encode_line(in, runs);
      count_runs(runs, bytes, y);
    }
  }
  return true;
}

void RstProjectionDistribution::rewind_once() {
  if (!must_rewind_) return;
  must_rewind_ = false;
  static_cast<RstRead*>(source())->reset();
}

int RstProjectionDistribution::read(uint8_t* line) {
  rewind_once();
  int n = static_cast<RstRead*>(source())->read(line);
  if (run_lines_) return n > 0 ? source_line_size_ : 0;
  return n == source_line_size_ ? n : 0;
}

int RstProjectionDistribution::skip(int n) {
  rewind_once();
  return static_cast<RstRead*>(source())->skip(n);
}
