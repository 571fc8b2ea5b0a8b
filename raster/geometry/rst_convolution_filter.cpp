// Convolution filters: the instance creates, the front and the line loop.
#include "raster/geometry/rst_convolution_filter.h"

#include <cstring>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kCreateN[] = "RstConvolutionFilterN::create()";
const char kCreate[] = "RstConvolutionFilter::create()";

bool is_identity(const RstKernel& k) { return k.width == 1 && k.height == 1 && k.weights()[0] == 4096; }

// sums[i] += row[i + offset] x w over n bytes; the widening multiplies
// vectorise without a branch.
template <class W>
void accumulate(int32_t* __restrict sums, const uint8_t* __restrict row, W w, size_t n) {
  for (size_t i = 0; i < n; ++i) sums[i] += int32_t(W(row[i]) * w);
}

void accumulate_narrow(int32_t* __restrict sums, const uint8_t* __restrict row, int16_t w, size_t n) {
  for (size_t i = 0; i < n; ++i) sums[i] += int32_t(int16_t(row[i])) * int32_t(w);
}

}  // namespace

template <int N>
RstRead* RstConvolutionFilterN<N>::create(RstRead* source, const RstKernel& kernel, bool absolute) {
  if (!source || !kernel.has_weights() || !kernel.sums_fit()) {
    rst_report(RstCode::bad_argument, kCreateN);
    return nullptr;
  }
  RstCreateGuard guard(source);
  if (is_identity(kernel)) return rst_create_end(source, guard);
  RstHeader h(source);
  if (h.colormap || h.data_form != RstDataForm::raw || h.bits_per_sample != 8 || h.samples_per_pixel != N) {
    rst_report(RstCode::unsupported_form, kCreateN);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstConvolutionFilterN<N>>(source, kernel, absolute), guard);
}

template <int N>
RstConvolutionFilterN<N>::RstConvolutionFilterN(RstRead* source, const RstKernel& kernel, bool absolute)
    : RstFilter<N>(source, kernel, nullptr), absolute_(absolute), kernel_(kernel) {}

template <int N>
bool RstConvolutionFilterN<N>::initiate() {
  if (!RstFilter<N>::initiate() || !kernel_.has_weights()) return false;
  narrow_ = true;
  size_t count = size_t(kernel_.width) * size_t(kernel_.height);
  for (size_t i = 0; i < count; ++i) {
    int32_t w = kernel_.weights()[i];
    if (w < std::numeric_limits<int16_t>::min() || w > std::numeric_limits<int16_t>::max()) narrow_ = false;
  }
  return true;
}

template <int N>
int RstConvolutionFilterN<N>::read(uint8_t* line) {
  if (this->lines_produced_ >= uint32_t(this->height_)) return 0;
  RstRingBuffer* ring = this->ring_;
  if (!ring->advance()) return 0;
  const size_t n = size_t(this->width_) * N;
  const int32_t kw = kernel_.width, kh = kernel_.height;
  const int32_t* w = kernel_.weights();
  // The line in chunks whose sums stay in cache (and on the stack, so that
  // nothing is allocated): each tap adds its weight times the window column
  // it meets, shifted by whole pixels, across the whole chunk.
  constexpr size_t kChunk = 1024;
  int32_t sums[kChunk];
  for (size_t start = 0; start < n; start += kChunk) {
    size_t m = n - start < kChunk ? n - start : kChunk;
    std::memset(sums, 0, m * sizeof(int32_t));
    for (int32_t r = 0; r < kh; ++r) {
      const uint8_t* row = ring->line(r) + start;
      for (int32_t j = 0; j < kw; ++j) {
        int32_t weight = w[size_t(r) * size_t(kw) + size_t(j)];
        if (weight == 0) continue;
        const uint8_t* column = row + size_t(j) * N;
        if (narrow_) accumulate_narrow(sums, column, int16_t(weight), m);
        else accumulate<int32_t>(sums, column, weight, m);
      }
    }
    // The kernel's sums stay inside int32 (checked at create).
    uint8_t* out = line + start;
    if (absolute_) {
      for (size_t i = 0; i < m; ++i) {
        int32_t s = sums[i];
        int32_t v = ((s < 0 ? -s : s) + 2048) >> 12;
        out[i] = uint8_t(v > 255 ? 255 : v);
      }
    } else {
      for (size_t i = 0; i < m; ++i) {
        int32_t v = (sums[i] + 2048) >> 12;
        out[i] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
      }
    }
  }
  ++this->lines_produced_;
  return int(n);
}

template class RstConvolutionFilterN<1>;
template class RstConvolutionFilterN<3>;
template class RstConvolutionFilterN<4>;

RstRead* RstConvolutionFilter::create(RstRead* source, const RstKernel& kernel, bool absolute) {
  if (!source || !kernel.has_weights() || !kernel.sums_fit()) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstHeader h(source);
  if (h.colormap || h.bits_per_sample != 8) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  switch (h.samples_per_pixel) {
    case 1: return RstConvolutionFilterN<1>::create(source, kernel, absolute);
    case 3: return RstConvolutionFilterN<3>::create(source, kernel, absolute);
    case 4: return RstConvolutionFilterN<4>::create(source, kernel, absolute);
    default: rst_report(RstCode::unsupported_option, kCreate); return nullptr;
  }
}
