// The inverse DCTs of the JPEG decoder.
#include "raster/codecs/rst_jpeg_idct.h"

#include "raster/codecs/rst_jpeg_core_tables.h"

namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;

inline int64_t descale(int64_t x, int n) { return (x + (int64_t{1} << (n - 1))) >> n; }

inline int64_t coef(const int32_t* block, const int32_t* m, int k) {
  return m ? int64_t{block[k]} * m[k] : int64_t{block[k]};
}

inline uint8_t sample(const int32_t* range, int64_t x) {
  if (x < -511 || x > 767) return 0;
  return uint8_t(rst_jpeg_range_sample(range, int32_t(x)));
}

}  // namespace

namespace {

// AAN constants at 8 fractional bits; every product drops them again.
constexpr int64_t kSqrt2 = 362;        // 1.414213562
constexpr int64_t k1_847759065 = 473;  // 1.847759065
constexpr int64_t k1_082392200 = 277;  // 1.082392200
constexpr int64_t k2_613125930 = 669;  // 2.613125930
inline int64_t mul(int64_t v, int64_t k) { return (v * k) >> 8; }

// One 8-point AAN inverse transform: in[0..7] at step `in_step` to out[0..7]
// at step `out_step`.
inline void aan_1d(const int64_t* in, int64_t* out, int in_step, int out_step) {
  int64_t t0 = in[0], t1 = in[2 * in_step], t2 = in[4 * in_step], t3 = in[6 * in_step];
  int64_t t10 = t0 + t2, t11 = t0 - t2;
  int64_t t13 = t1 + t3;
  int64_t t12 = mul(t1 - t3, kSqrt2) - t13;
  t0 = t10 + t13;
  t3 = t10 - t13;
  t1 = t11 + t12;
  t2 = t11 - t12;
  int64_t t4 = in[in_step], t5 = in[3 * in_step], t6 = in[5 * in_step], t7 = in[7 * in_step];
  int64_t z13 = t6 + t5, z10 = t6 - t5, z11 = t4 + t7, z12 = t4 - t7;
  t7 = z11 + z13;
  t11 = mul(z11 - z13, kSqrt2);
  int64_t z5 = mul(z10 + z12, k1_847759065);
  t10 = mul(z12, k1_082392200) - z5;
  t12 = mul(z10, -k2_613125930) + z5;
  t6 = t12 - t7;
  t5 = t11 - t6;
  t4 = t10 + t5;
  out[0] = t0 + t7;
  out[7 * out_step] = t0 - t7;
  out[1 * out_step] = t1 + t6;
  out[6 * out_step] = t1 - t6;
  out[2 * out_step] = t2 + t5;
  out[5 * out_step] = t2 - t5;
  out[4 * out_step] = t3 + t4;
  out[3 * out_step] = t3 - t4;
}

// Pass 1 over the columns at full precision (dequantising when m is given),
// pass 2 over the rows dropping the 10 fractional bits and the 1/8.
void idct_aan(const int32_t* block, const int32_t* m, const int32_t* range, uint8_t* out, int32_t stride) {
  int64_t ws[64];
  for (int col = 0; col < 8; ++col) {
    int64_t in[8];
    bool ac = false;
    for (int r = 0; r < 8; ++r) {
      in[r] = coef(block, m, r * 8 + col);
      if (r && block[r * 8 + col]) ac = true;
    }
    if (!ac) {
      for (int r = 0; r < 8; ++r) ws[r * 8 + col] = in[0];
      continue;
    }
    aan_1d(in, ws + col, 1, 8);
  }
  for (int row = 0; row < 8; ++row) {
    const int64_t* w = ws + row * 8;
    uint8_t* o = out + int64_t{row} * stride;
    if (!w[1] && !w[2] && !w[3] && !w[4] && !w[5] && !w[6] && !w[7]) {
      uint8_t v = sample(range, w[0] >> 13);
      for (int i = 0; i < 8; ++i) o[i] = v;
      continue;
    }
    int64_t r[8];
    aan_1d(w, r, 1, 1);
    for (int i = 0; i < 8; ++i) o[i] = sample(range, r[i] >> 13);
  }
}

}  // namespace

void rst_jpeg_idct_fast(const int32_t* block, const int32_t*, const int32_t* range, uint8_t* out, int32_t stride) {
  idct_aan(block, nullptr, range, out, stride);
}

void rst_jpeg_idct_fast_dequant(const int32_t* block, const int32_t* m, const int32_t* range, uint8_t* out,
                                int32_t stride) {
  idct_aan(block, m, range, out, stride);
}

void rst_jpeg_idct_4x4(const int32_t* block, const int32_t* m, const int32_t* range, uint8_t* out, int32_t stride) {
  int64_t ws[32];
  for (int col = 0; col < 8; ++col) {
    if (col == 4) continue;  // the second pass never looks at it
    if (!block[8 + col] && !block[16 + col] && !block[24 + col] && !block[40 + col] && !block[48 + col] &&
        !block[56 + col]) {
      int64_t dc = coef(block, m, col) * (1 << kPass1Bits);
      for (int r = 0; r < 4; ++r) ws[r * 8 + col] = dc;
      continue;
    }
    int64_t tmp0 = coef(block, m, col) * (1 << (kConstBits + 1));
    int64_t tmp2 = coef(block, m, 16 + col) * 15137 - coef(block, m, 48 + col) * 6270;
    int64_t tmp10 = tmp0 + tmp2, tmp12 = tmp0 - tmp2;
    int64_t z1 = coef(block, m, 56 + col), z2 = coef(block, m, 40 + col), z3 = coef(block, m, 24 + col),
            z4 = coef(block, m, 8 + col);
    tmp0 = -1730 * z1 + 11893 * z2 - 17799 * z3 + 8697 * z4;
    tmp2 = -4176 * z1 - 4926 * z2 + 7373 * z3 + 20995 * z4;
    const int n = kConstBits - kPass1Bits + 1;
    ws[col] = descale(tmp10 + tmp2, n);
    ws[24 + col] = descale(tmp10 - tmp2, n);
    ws[8 + col] = descale(tmp12 + tmp0, n);
    ws[16 + col] = descale(tmp12 - tmp0, n);
  }
  for (int row = 0; row < 4; ++row) {
    const int64_t* w = ws + row * 8;
    uint8_t* o = out + int64_t{row} * stride;
    if (!w[1] && !w[2] && !w[3] && !w[5] && !w[6] && !w[7]) {
      uint8_t v = sample(range, w[0] >> (kPass1Bits + 3));  // truncated
      for (int i = 0; i < 4; ++i) o[i] = v;
      continue;
    }
    int64_t tmp0 = w[0] * (1 << (kConstBits + 1));
    int64_t tmp2 = w[2] * 15137 - w[6] * 6270;
    int64_t tmp10 = tmp0 + tmp2, tmp12 = tmp0 - tmp2;
    tmp0 = -1730 * w[7] + 11893 * w[5] - 17799 * w[3] + 8697 * w[1];
    tmp2 = -4176 * w[7] - 4926 * w[5] + 7373 * w[3] + 20995 * w[1];
    const int n = kConstBits + kPass1Bits + 3 + 1;
    o[0] = sample(range, descale(tmp10 + tmp2, n));
    o[3] = sample(range, descale(tmp10 - tmp2, n));
    o[1] = sample(range, descale(tmp12 + tmp0, n));
    o[2] = sample(range, descale(tmp12 - tmp0, n));
  }
}

void rst_jpeg_idct_2x2(const int32_t* block, const int32_t* m, const int32_t* range, uint8_t* out, int32_t stride) {
  int64_t ws[16];
  for (int col = 0; col < 8; ++col) {
    if (col == 2 || col == 4 || col == 6) continue;
    if (!block[8 + col] && !block[24 + col] && !block[40 + col] && !block[56 + col]) {
      int64_t dc = coef(block, m, col) * (1 << kPass1Bits);
      ws[col] = ws[8 + col] = dc;
      continue;
    }
    int64_t tmp10 = coef(block, m, col) * (1 << (kConstBits + 2));
    int64_t tmp0 = -5906 * coef(block, m, 56 + col) + 6967 * coef(block, m, 40 + col) -
                   10426 * coef(block, m, 24 + col) + 29692 * coef(block, m, 8 + col);
    const int n = kConstBits - kPass1Bits + 2;
    ws[col] = descale(tmp10 + tmp0, n);
    ws[8 + col] = descale(tmp10 - tmp0, n);
  }
  for (int row = 0; row < 2; ++row) {
    const int64_t* w = ws + row * 8;
    uint8_t* o = out + int64_t{row} * stride;
    if (!w[1] && !w[3] && !w[5] && !w[7]) {
      o[0] = o[1] = sample(range, w[0] >> (kPass1Bits + 3));  // truncated
      continue;
    }
    int64_t tmp10 = w[0] * (1 << (kConstBits + 2));
    int64_t tmp0 = -5906 * w[7] + 6967 * w[5] - 10426 * w[3] + 29692 * w[1];
    const int n = kConstBits + kPass1Bits + 3 + 2;
    o[0] = sample(range, descale(tmp10 + tmp0, n));
    o[1] = sample(range, descale(tmp10 - tmp0, n));
  }
}

void rst_jpeg_idct_1x1(const int32_t* block, const int32_t* m, const int32_t* range, uint8_t* out, int32_t) {
  out[0] = sample(range, coef(block, m, 0) >> 3);  // truncated
}

int32_t rst_jpeg_select_idct(JpegCodecContext* c) {
  int32_t s = c->scale;
  if (s != 1 && s != 2 && s != 4 && s != 8) return -2;
  bool sub = rst_jpeg_is_420(c) || rst_jpeg_is_422(c);
  bool s411 = rst_jpeg_is_411(c);
  for (int32_t i = 0; i < c->components && i < 4; ++i) {
    int32_t reduce = s;
    if (i > 0 && c->components > 1) {
      // Sub-sampled chroma needs less reduction to meet the luminance.
      if (sub) reduce = s / 2 > 0 ? s / 2 : 1;
      if (s411) reduce = s / 4 > 0 ? s / 4 : 1;
    }
    JpegComponent& comp = c->comp[i];
    comp.out_scale = reduce;
    comp.idct = reduce == 1   ? rst_jpeg_idct_fast
                : reduce == 2 ? rst_jpeg_idct_4x4
                : reduce == 4 ? rst_jpeg_idct_2x2
                              : rst_jpeg_idct_1x1;
  }
  for (int32_t i = 0; i < 3; ++i) {
    c->scale_divisors[i] = c->scale_divisors[3 + i] = 1;
    if (s == 1 || i == 0) continue;
    if (rst_jpeg_is_422(c)) c->scale_divisors[3 + i] = 2;
    if (s411) {
      if (s == 2) c->scale_divisors[i] = c->scale_divisors[3 + i] = 2;
      else c->scale_divisors[3 + i] = 4;
    }
  }
  return 1;
}
