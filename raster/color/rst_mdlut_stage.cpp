// The table interpolation stage and its integer kernels.
#include "raster/color/rst_mdlut_stage.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

// Exact simplex interpolation with sums of type Acc: for the channels
// ordered by position in their cell (largest first), node 0 (the base) weighs
// P (1 - t1), node m weighs P (t_m - t_m+1), node K weighs P tK, where P is
// the product of the cell widths; the weights add up to P.
template <int K, int M, class V, class Acc>
void interpolate(const V* in, V* out, int32_t width, const V* table, int n, int shift) {
  const uint32_t mask = (uint32_t(1) << shift) - 1;
  int64_t strides[K];
  int64_t stride = M;
  for (int c = K - 1; c >= 0; --c, stride *= n) strides[c] = stride;
  const uint32_t last_cell = uint32_t(n - 2);
  for (int32_t p = 0; p < width; ++p) {
    const V* x = in + int64_t(p) * K;
    uint32_t f[K], w[K];
    int order[K];
    int64_t base = 0;
    for (int c = 0; c < K; ++c) {
      uint32_t idx = uint32_t(x[c]) >> shift;
      f[c] = uint32_t(x[c]) & mask;
      w[c] = idx < last_cell ? mask + 1 : mask;
      base += int64_t(idx) * strides[c];
      // Largest position first, compared exactly by cross-multiplication.
      int at = c;
      while (at > 0 && uint64_t(f[order[at - 1]]) * w[c] < uint64_t(f[c]) * w[order[at - 1]]) {
        order[at] = order[at - 1];
        --at;
      }
      order[at] = c;
    }
    // Weights in walk order.
    Acc weight[K + 1];
    Acc total = 1;
    for (int c = 0; c < K; ++c) total *= Acc(w[c]);
    for (int m = 0; m <= K; ++m) {
      Acc product = 1;
      Acc term;
      if (m == 0) {
        const int a = order[0];
        term = Acc(w[a] - f[a]);
        for (int i = 1; i < K; ++i) product *= Acc(w[order[i]]);
      } else if (m == K) {
        const int a = order[K - 1];
        term = Acc(f[a]);
        for (int i = 0; i < K - 1; ++i) product *= Acc(w[order[i]]);
      } else {
        const int a = order[m - 1], b = order[m];
        term = Acc(uint64_t(f[a]) * w[b] - uint64_t(f[b]) * w[a]);
        for (int i = 0; i < K; ++i)
          if (i != m - 1 && i != m) product *= Acc(w[order[i]]);
      }
      weight[m] = term * product;
    }
    int64_t node[K + 1];
    node[0] = base;
    for (int m = 1; m <= K; ++m) node[m] = node[m - 1] + strides[order[m - 1]];
    V* o = out + int64_t(p) * M;
    for (int j = 0; j < M; ++j) {
      Acc sum = 0;
      for (int m = 0; m <= K; ++m) sum += weight[m] * Acc(table[node[m] + j]);
      o[j] = V(sum / total);
    }
  }
}

}  // namespace

template <int K, int M, class V>
void rst_mdlut_interpolate(const V* in, V* out, int32_t width, const V* table, int n, int shift) {
  // The sums need b + K x shift bits.
  const int need = int(sizeof(V) * 8) + K * shift;
  if (need <= 32) interpolate<K, M, V, uint32_t>(in, out, width, table, n, shift);
  else if (need <= 64) interpolate<K, M, V, uint64_t>(in, out, width, table, n, shift);
  else interpolate<K, M, V, unsigned __int128>(in, out, width, table, n, shift);
}

template void rst_mdlut_interpolate<3, 1, uint8_t>(const uint8_t*, uint8_t*, int32_t, const uint8_t*, int, int);
template void rst_mdlut_interpolate<3, 3, uint8_t>(const uint8_t*, uint8_t*, int32_t, const uint8_t*, int, int);
template void rst_mdlut_interpolate<4, 3, uint16_t>(const uint16_t*, uint16_t*, int32_t, const uint16_t*, int, int);

namespace {

using Kernel = void (*)(const void* in, void* out, int32_t width, const void* table, int n, int shift);

template <int K, int M, class V>
void kernel(const void* in, void* out, int32_t width, const void* table, int n, int shift) {
  rst_mdlut_interpolate<K, M, V>(static_cast<const V*>(in), static_cast<V*>(out), width, static_cast<const V*>(table),
                                 n, shift);
}

template <class V>
Kernel choose(int k, int m) {
  if (k == 3 && m == 3) return &kernel<3, 3, V>;
  if (k == 3 && m == 4) return &kernel<3, 4, V>;
  if (k == 4 && m == 3) return &kernel<4, 3, V>;
  if (k == 4 && m == 4) return &kernel<4, 4, V>;
  return nullptr;
}

// k with n - 1 = 2^k, or -1.
int grid_exponent(int n) {
  if (n < 2) return -1;
  uint32_t cells = uint32_t(n - 1);
  if (cells & (cells - 1)) return -1;
  int k = 0;
  while ((cells >> k) != 1) ++k;
  return k;
}

class MDLUTLinearInstance final : public RstInstanceTolvane {
 public:
  explicit MDLUTLinearInstance(RstInstanceTolvane* previous) : previous_(previous) {}

  // Status after setting the stage up; above 0 when it is ready.
  int32_t set_up(const MDLUTLinearParam* param, uint16_t color_code) {
    if (!previous_) return RstCode::bad_argument;
    if (previous_->status <= 0) return previous_->status;
    if (!param || param->inputs == 0 || param->outputs == 0 || param->grid_points == 0 || !param->table)
      return RstCode::bad_argument;
    const int b = param->bits;
    const int k = grid_exponent(param->grid_points);
    if ((b != 8 && b != 16) || k < 0 || k > b) return RstCode::bad_argument;
    TolvaneImageInfo info;
    int32_t status = previous_->info(&info);
    if (status <= 0) return status;
    const uint32_t bpp = info.format >> 16;
    if ((bpp == 8 && info.colormap) || bpp == 1 || bpp != uint32_t(b) * param->inputs || info.width < 0)
      return RstCode::bad_tile_strip;
    uint64_t line_bytes = uint64_t(param->inputs) * uint64_t(b) * uint64_t(info.width) / 8;
    input_line_ = static_cast<uint8_t*>(rst_malloc(size_t(line_bytes ? line_bytes : 1)));
    if (!input_line_) return RstCode::no_memory;
    n_ = param->grid_points;
    m_ = param->outputs;
    k_ = param->inputs;
    b_ = b;
    color_code_ = color_code;
    width_ = info.width;
    uint64_t samples = uint64_t(m_);
    for (int i = 0; i < k_; ++i) samples *= uint64_t(n_);
    uint64_t table_bytes = samples * uint64_t(b_) / 8;
    table_ = static_cast<uint8_t*>(rst_malloc(size_t(table_bytes)));
    if (!table_) return RstCode::no_memory;
    std::memcpy(table_, param->table, size_t(table_bytes));
    shift_ = b_ - k;
    kernel_ = b_ == 16 ? choose<uint16_t>(k_, m_) : choose<uint8_t>(k_, m_);
    if (!kernel_) return RstCode::bad_argument;
    return RstCode::good;
  }

  int32_t info(TolvaneImageInfo* info) override {
    status = previous_->info(info);
    if (info) info->format = (uint32_t(b_ * m_) << 16) | color_code_;
    return status;
  }

  int32_t line(uint8_t* buffer) override {
    status = previous_->line(input_line_);
    if (status <= 0) return status;
    kernel_(input_line_, buffer, width_, table_, n_, shift_);
    return status;
  }

  int32_t close() override {
    RstInstanceTolvane* previous = previous_;
    rst_free(table_);
    rst_free(input_line_);
    delete this;
    return previous ? previous->close() : RstCode::good;
  }

 private:
  ~MDLUTLinearInstance() override = default;

  RstInstanceTolvane* previous_;
  uint16_t color_code_ = 0xFFFF;
  int32_t width_ = 0;
  uint8_t* input_line_ = nullptr;
  int n_ = 0, m_ = 0, k_ = 0, b_ = 0;
  uint8_t* table_ = nullptr;
  int shift_ = 0;
  Kernel kernel_ = nullptr;
};

}  // namespace

RstInstanceTolvane* rstCreateInstanceMDLUTLinear(RstInstanceTolvane* previous, const MDLUTLinearParam* param,
                                                 uint16_t color_code) {
  auto* stage = rst_new<MDLUTLinearInstance>(previous);
  if (!stage) {
    if (previous) previous->close();
    return rst_create_error_instance(RstCode::no_memory);
  }
  int32_t status = stage->set_up(param, color_code);
  if (status > 0) return stage;
  stage->close();
  return rst_create_error_instance(status);
}
