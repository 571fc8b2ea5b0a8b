// Convolution filters: the instance creates, the front and the line loop.
#include "raster/geometry/rst_convolution_filter.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kCreateN[] = "RstConvolutionFilterN::create()";
const char kCreate[] = "RstConvolutionFilter::create()";

bool is_identity(const RstKernel& k) { return k.width == 1 && k.height == 1 && k.weights()[0] == 4096; }

// Four samples at a time as 128-bit vectors of the compiler's (SSE2 on
// x86-64, NEON on ARM), whatever the optimisation level vectorises on its own.
typedef uint8_t Bytes4 __attribute__((vector_size(4)));
typedef int32_t Ints4 __attribute__((vector_size(16)));

inline Ints4 load_ints(const int32_t* p) {
  Ints4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store_ints(int32_t* p, Ints4 v) { std::memcpy(p, &v, sizeof v); }
inline Bytes4 load_bytes(const uint8_t* p) {
  Bytes4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// sums[i] += row[i] x w over n bytes: a byte widened to int32 times the
// weight, without a branch.
void accumulate(int32_t* sums, const uint8_t* row, int32_t w, size_t n) {
  size_t i = 0;
  const Ints4 weight = Ints4{} + w;
  for (; i + 4 <= n; i += 4)
    store_ints(sums + i, load_ints(sums + i) + __builtin_convertvector(load_bytes(row + i), Ints4) * weight);
  for (; i < n; ++i) sums[i] += int32_t(row[i]) * w;
}

// out = clamp((sum + 2048) >> 12, 0, 255), or with magnitude
// min((|sum| + 2048) >> 12, 255); the clamp is the only choice per byte.
void store_line(uint8_t* out, const int32_t* sums, size_t n, bool absolute) {
  size_t i = 0;
  const Ints4 zero{}, high = Ints4{} + 255;
  for (; i + 4 <= n; i += 4) {
    Ints4 s = load_ints(sums + i);
    if (absolute) s = s < zero ? -s : s;
    Ints4 v = (s + 2048) >> 12;
    v = v < zero ? zero : v;
    v = v > high ? high : v;
    Bytes4 b = __builtin_convertvector(v, Bytes4);
    std::memcpy(out + i, &b, sizeof b);
  }
  for (; i < n; ++i) {
    int32_t s = sums[i];
    if (absolute && s < 0) s = -s;
    int32_t v = (s + 2048) >> 12;
    out[i] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
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
  return RstFilter<N>::initiate() && kernel_.has_weights();
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
        accumulate(sums, column, weight, m);
      }
    }
    // The kernel's sums stay inside int32 (checked at create).
    store_line(line + start, sums, m, absolute_);
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
