// Box means over running column sums.
#include "raster/mrc/rst_average_filter.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kCreateN[] = "RstAverageFilterN::create()";

// The border byte for every channel of a pixel; null stays null.
struct BorderPixel {
  uint8_t bytes[4];
  const uint8_t* p;
  explicit BorderPixel(const uint8_t* border) : bytes{}, p(border ? bytes : nullptr) {
    if (border) std::memset(bytes, *border, sizeof bytes);
  }
};

}  // namespace

template <int N>
RstRead* RstAverageFilterN<N>::create(RstRead* source, const RstWindow& window, const uint8_t* border) {
  if (!source) {
    rst_report(RstCode::bad_argument, kCreateN);
    return nullptr;
  }
  RstCreateGuard guard(source);
  if (window.width == 1 && window.height == 1) return rst_create_end(source, guard);
  // A window sum of 255s plus the rounding must stay inside 32 bits; the ring
  // refuses windows without area or anchor.
  if (window.width > 0 && window.height > 0 && uint64_t(window.width) * uint64_t(window.height) > (uint64_t(1) << 24)) {
    rst_report(RstCode::bad_argument, kCreateN);
    return nullptr;
  }
  RstHeader h(source);
  if (h.colormap || h.data_form != RstDataForm::raw || h.bits_per_sample != 8 || h.samples_per_pixel != N) {
    rst_report(RstCode::unsupported_form, kCreateN);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstAverageFilterN<N>>(source, window, border), guard);
}

template <int N>
RstAverageFilterN<N>::RstAverageFilterN(RstRead* source, const RstWindow& window, const uint8_t* border)
    : RstFilter<N>(source, window, BorderPixel(border).p), window_(window) {}

template <int N>
RstAverageFilterN<N>::~RstAverageFilterN() {
  rst_free(sums_);
}

template <int N>
bool RstAverageFilterN<N>::initiate() {
  if (!RstFilter<N>::initiate()) return false;
  samples_ = (this->width_ + window_.width - 1) * N;
  sums_ = static_cast<uint32_t*>(rst_calloc(size_t(samples_) * sizeof(uint32_t)));
  if (!sums_) {
    rst_report(RstCode::no_memory, "RstAverageFilterN::initiate()");
    return false;
  }
  return true;
}

template <int N>
int RstAverageFilterN<N>::read(uint8_t* line) {
  if (this->lines_produced_ >= uint32_t(this->height_)) return 0;
  RstRingBuffer* ring = this->ring_;
  const size_t count = size_t(samples_);
  uint32_t* sums = sums_;
  if (this->lines_produced_ == 0) {
    if (!ring->advance()) return 0;
    std::memset(sums, 0, count * sizeof(uint32_t));
    for (int32_t r = 0; r < window_.height; ++r) {
      const uint8_t* row = ring->line(r);
      for (size_t i = 0; i < count; ++i) sums[i] += row[i];
    }
  } else {
    const uint8_t* oldest = ring->line(0);
    for (size_t i = 0; i < count; ++i) sums[i] -= oldest[i];
    if (!ring->advance()) return 0;
    const uint8_t* newest = ring->line(window_.height - 1);
    for (size_t i = 0; i < count; ++i) sums[i] += newest[i];
  }
  // The window's sum slides along the line: the column entering on the
  // right is added and the one leaving on the left taken away, which gives
  // the same sums as adding the window's columns afresh at every sample.
  const uint32_t area = uint32_t(window_.width) * uint32_t(window_.height);
  const uint32_t half = area / 2;
  const size_t out = size_t(this->width_) * N;
  const size_t span = size_t(window_.width) * N;
  for (int c = 0; c < N && out > 0; ++c) {
    uint32_t s = 0;
    for (size_t k = size_t(c); k < span; k += N) s += sums[k];
    for (size_t i = size_t(c);; i += N) {
      line[i] = uint8_t((s + half) / area);
      if (i + N >= out) break;
      s += sums[i + span] - sums[i];
    }
  }
  ++this->lines_produced_;
  return int(out);
}

template <int N>
int RstAverageFilterN<N>::skip(int n) {
  if (n <= 0) return 0;
  auto* scratch = static_cast<uint8_t*>(rst_malloc(size_t(this->width_) * N + 1));
  if (!scratch) {
    rst_report(RstCode::no_memory, "RstAverageFilterN::skip()");
    return 0;
  }
  int done = 0;
  while (done < n && read(scratch) > 0) ++done;
  rst_free(scratch);
  return done;
}

template class RstAverageFilterN<1>;
template class RstAverageFilterN<3>;
template class RstAverageFilterN<4>;

RstRead* RstAverageFilter::create(RstRead* source, const RstWindow& window, const uint8_t* border) {
  const char* where = "RstAverageFilter::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.colormap || h.bits_per_sample != 8) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  switch (h.samples_per_pixel) {
    case 1: return RstAverageFilterN<1>::create(source, window, border);
    case 3: return RstAverageFilterN<3>::create(source, window, border);
    case 4: return RstAverageFilterN<4>::create(source, window, border);
    default: rst_report(RstCode::unsupported_option, where); return nullptr;
  }
}
