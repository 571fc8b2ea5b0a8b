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

void rst_jpeg_idct_8x8(const int32_t* block, const int32_t* m, const int32_t* range, uint8_t* out, int32_t stride) {
  int64_t ws[64];
  for (int col = 0; col < 8; ++col) {
    if (!block[8 + col] && !block[16 + col] && !block[24 + col] && !block[32 + col] && !block[40 + col] &&
        !block[48 + col] && !block[56 + col]) {
      int64_t dc = coef(block, m, col) * (1 << kPass1Bits);
      for (int r = 0; r < 8; ++r) ws[r * 8 + col] = dc;
      continue;
    }
    int64_t z2 = coef(block, m, 16 + col), z3 = coef(block, m, 48 + col);
    int64_t z1 = (z2 + z3) * 4433;
    int64_t tmp2 = z1 + z3 * -15137;
    int64_t tmp3 = z1 + z2 * 6270;
    z2 = coef(block, m, col);
    z3 = coef(block, m, 32 + col);
    int64_t tmp0 = (z2 + z3) * (1 << kConstBits);
    int64_t tmp1 = (z2 - z3) * (1 << kConstBits);
    int64_t tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    tmp0 = coef(block, m, 56 + col);
    tmp1 = coef(block, m, 40 + col);
    tmp2 = coef(block, m, 24 + col);
    tmp3 = coef(block, m, 8 + col);
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    int64_t z4 = tmp1 + tmp3;
    int64_t z5 = (z3 + z4) * 9633;
    tmp0 *= 2446;
    tmp1 *= 16819;
    tmp2 *= 25172;
    tmp3 *= 12299;
    z1 *= -7373;
    z2 *= -20995;
    z3 = z3 * -16069 + z5;
    z4 = z4 * -3196 + z5;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;
    const int n = kConstBits - kPass1Bits;
    ws[col] = descale(tmp10 + tmp3, n);
    ws[56 + col] = descale(tmp10 - tmp3, n);
    ws[8 + col] = descale(tmp11 + tmp2, n);
    ws[48 + col] = descale(tmp11 - tmp2, n);
    ws[16 + col] = descale(tmp12 + tmp1, n);
    ws[40 + col] = descale(tmp12 - tmp1, n);
    ws[24 + col] = descale(tmp13 + tmp0, n);
    ws[32 + col] = descale(tmp13 - tmp0, n);
  }
  const int n = kConstBits + kPass1Bits + 3;
  for (int row = 0; row < 8; ++row) {
    const int64_t* w = ws + row * 8;
    uint8_t* o = out + int64_t{row} * stride;
    if (!w[1] && !w[2] && !w[3] && !w[4] && !w[5] && !w[6] && !w[7]) {
      uint8_t v = sample(range, descale(w[0], kPass1Bits + 3));
      for (int i = 0; i < 8; ++i) o[i] = v;
      continue;
    }
    int64_t z2 = w[2], z3 = w[6];
    int64_t z1 = (z2 + z3) * 4433;
    int64_t tmp2 = z1 + z3 * -15137;
    int64_t tmp3 = z1 + z2 * 6270;
    int64_t tmp0 = (w[0] + w[4]) * (1 << kConstBits);
    int64_t tmp1 = (w[0] - w[4]) * (1 << kConstBits);
    int64_t tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    tmp0 = w[7];
    tmp1 = w[5];
    tmp2 = w[3];
    tmp3 = w[1];
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    int64_t z4 = tmp1 + tmp3;
    int64_t z5 = (z3 + z4) * 9633;
    tmp0 *= 2446;
    tmp1 *= 16819;
    tmp2 *= 25172;
    tmp3 *= 12299;
    z1 *= -7373;
    z2 *= -20995;
    z3 = z3 * -16069 + z5;
    z4 = z4 * -3196 + z5;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;
    o[0] = sample(range, descale(tmp10 + tmp3, n));
    o[7] = sample(range, descale(tmp10 - tmp3, n));
    o[1] = sample(range, descale(tmp11 + tmp2, n));
    o[6] = sample(range, descale(tmp11 - tmp2, n));
    o[2] = sample(range, descale(tmp12 + tmp1, n));
    o[5] = sample(range, descale(tmp12 - tmp1, n));
    o[3] = sample(range, descale(tmp13 + tmp0, n));
    o[4] = sample(range, descale(tmp13 - tmp0, n));
  }
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
      uint8_t v = sample(range, descale(w[0], kPass1Bits + 3));
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
      o[0] = o[1] = sample(range, descale(w[0], kPass1Bits + 3));
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
  out[0] = sample(range, descale(coef(block, m, 0), 3));
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
    comp.idct = reduce == 1   ? rst_jpeg_idct_8x8
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
