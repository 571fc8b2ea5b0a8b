// Convolution kernels: checked storage and deep copies of the weights.
#include "raster/geometry/rst_kernel.h"

#include <cstring>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {
const char kSet[] = "RstKernel::set()";
constexpr uint32_t kMax = uint32_t(std::numeric_limits<int32_t>::max());
}  // namespace

RstKernel::RstKernel(const RstKernel& other) : RstWindow{0, 0, 0, 0} {
  set(uint32_t(other.width), uint32_t(other.height), uint32_t(other.anchor_x), uint32_t(other.anchor_y),
      other.weights_);
}

RstKernel::~RstKernel() { rst_free(weights_); }

void RstKernel::set(uint32_t w, uint32_t h, uint32_t ax, uint32_t ay, const int32_t* weights) {
  if (!weights || w == 0 || h == 0 || w > kMax || h > kMax || ax >= w || ay >= h) {
    rst_report(RstCode::bad_argument, kSet);
    return;
  }
  width = int32_t(w);
  height = int32_t(h);
  anchor_x = int32_t(ax);
  anchor_y = int32_t(ay);
  rst_free(weights_);
  weights_ = nullptr;
  // Counted in 64 bits: two sides of up to 2^31 - 1 never wrap.
  uint64_t count = uint64_t(w) * uint64_t(h);
  if (count > std::numeric_limits<size_t>::max() / sizeof(int32_t)) {
    rst_report(RstCode::no_memory, kSet);
    return;
  }
  size_t bytes = size_t(count) * sizeof(int32_t);
  weights_ = static_cast<int32_t*>(rst_malloc(bytes));
  if (!weights_) {
    rst_report(RstCode::no_memory, kSet);
    return;
  }
  std::memcpy(weights_, weights, bytes);
}

bool RstKernel::sums_fit() const {
  if (!weights_) return false;
  uint64_t count = uint64_t(uint32_t(width)) * uint64_t(uint32_t(height));
  // Once the magnitudes pass the bound the rest need not be added.
  constexpr uint64_t kBound = (uint64_t{1} << 31) - 2048;  // 255 x sum must stay below
  uint64_t sum = 0;
  for (uint64_t i = 0; i < count; ++i) {
    int64_t v = weights_[i];
    sum += uint64_t(v < 0 ? -v : v);
    if (sum * 255 >= kBound) return false;
  }
  return true;
}
