// Counting the channels of an 8-bit image, then passing it through.
#include "raster/mrc/rst_histogram.h"

#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

RstHistogramCore::RstHistogramCore(RstRead* source, std::vector<RstHistogramData>* out)
    : RstProcess(source), out_(out) {}

RstHistogramCore::~RstHistogramCore() { rst_free(line_); }

bool RstHistogramCore::initiate() {
  RstHeader h(source());
  RstRead* src = static_cast<RstRead*>(source());
  samples_ = h.samples_per_pixel;
  bits_ = h.bits_per_sample;
  width_ = h.width;
  source_line_size_ = src->line_size();
  // The buffer holds a whole row of samples even when the source states a
  // shorter line; such a source fails at its first line below.
  size_t size = size_t(source_line_size_ > 0 ? source_line_size_ : 0);
  size_t row = size_t(width_ > 0 ? width_ : 0) * size_t(samples_ > 0 ? samples_ : 0);
  line_ = static_cast<uint8_t*>(rst_calloc((size > row ? size : row) + 1));
  if (!line_) {
    rst_report(RstCode::no_memory, "RstHistogram::initiate()");
    return false;
  }
  try {
    out_->clear();
    out_->reserve(size_t(samples_));
    for (int32_t c = 0; c < samples_; ++c) out_->emplace_back(bits_);
  } catch (const std::bad_alloc&) {
  }
  if (out_->size() != size_t(samples_) || samples_ <= 0) {
    out_->clear();
    rst_report(RstCode::no_memory, "RstHistogram::initiate()");
    return false;
  }
  for (int32_t y = 0; y < h.height; ++y) {
    if (src->read(line_) != source_line_size_ || size_t(source_line_size_) < row) {
      out_->clear();
      rst_report(RstCode::unsupported_form, "RstHistogram::initiate()");
      return false;
    }
    count_line();
  }
  return true;
}

void RstHistogramCore::rewind_once() {
  if (!must_rewind_) return;
  must_rewind_ = false;
  static_cast<RstRead*>(source())->reset();
}

int RstHistogramCore::read(uint8_t* line) {
  rewind_once();
  int n = static_cast<RstRead*>(source())->read(line);
  return n == source_line_size_ ? n : 0;
}

int RstHistogramCore::skip(int n) {
  rewind_once();
  return static_cast<RstRead*>(source())->skip(n);
}

void RstHistogram::count_line() {
  RstHistogramData* hist = out_->data();
  for (int32_t c = 0; c < samples_; ++c) {
    const uint8_t* p = line_ + c;
    RstHistogramData& h = hist[c];
    for (int32_t x = 0; x < width_; ++x, p += samples_) h.add(*p);
  }
}

RstHistogram* RstHistogram::create(RstRead* source, std::vector<RstHistogramData>* out) {
  const char* where = "RstHistogram::create()";
  if (!source || !out) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.data_form != RstDataForm::raw || h.sample_kind != RstSampleKind::unsigned_int ||
      h.samples_per_pixel <= 0 || h.width < 0 || h.height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstHistogram>(source, out), guard);
}
