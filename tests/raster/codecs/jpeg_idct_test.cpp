// The decoder's full-size AAN inverse DCT: the AAN-scaled multipliers,
// DC-only blocks through the sample range table with truncating shifts, the
// zero-column and zero-row shortcuts, and single-coefficient blocks against
// a double-precision inverse DCT.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "raster/codecs/rst_jpeg_context.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_idct.h"

namespace {

// A decoder context with one quantisation table of the given entries
// (natural order) and its multipliers prepared.
struct Multipliers {
  JpegCodecContext* c = rst_jpeg_context_new();
  explicit Multipliers(const std::vector<int32_t>& q) {
    EXPECT_EQ(rst_jpeg_grow_qtables(c, 1), 1);
    for (int k = 0; k < 64; ++k) c->qtables[0][k] = q[size_t(k) % q.size()];
    c->qtables[0][64] = 1;
    EXPECT_EQ(rst_jpeg_prepare_qtables(c, 0, 0), 1);
  }
  ~Multipliers() { rst_jpeg_context_free(c); }
  const int32_t* plain() const { return c->multipliers[0]; }
  const int32_t* fast() const { return c->fast_multipliers[0]; }
};

struct Block8 {
  uint8_t s[64];
  int at(int x, int y) const { return s[y * 8 + x]; }
};

Block8 fast(const int32_t* block) {
  Block8 out{};
  rst_jpeg_idct_fast(block, nullptr, rst_jpeg_build_range_limit(), out.s, 8);
  return out;
}

Block8 fast_dequant(const int32_t* block, const int32_t* m) {
  Block8 out{};
  rst_jpeg_idct_fast_dequant(block, m, rst_jpeg_build_range_limit(), out.s, 8);
  return out;
}

// The textbook inverse DCT of one coefficient F at (u, v), level-shifted.
double reference(int u, int v, double f, int x, int y) {
  const double pi = 3.14159265358979323846;
  double cu = u ? 1.0 : std::sqrt(0.5), cv = v ? 1.0 : std::sqrt(0.5);
  return 0.25 * cu * cv * f * std::cos((2 * x + 1) * u * pi / 16) * std::cos((2 * y + 1) * v * pi / 16) + 128;
}

// (q x factor + 8) / 16 with the AAN factors at 14 fractional bits; the plain
// values stay for the reduced transforms.
TEST(JpegIdct, MultipliersAreTheAanScaledTableEntries) {
  Multipliers one({1});
  Multipliers big({255});
  Multipliers sixteen({16});
  const struct {
    int k;
    int32_t one, big;
  } cases[] = {{0, 1024, 261120}, {1, 1420, 362180}, {9, 1970, 502366}, {27, 1416, 361048}, {63, 78, 19874}};
  for (const auto& k : cases) {
    EXPECT_EQ(one.fast()[k.k], k.one) << k.k;
    EXPECT_EQ(big.fast()[k.k], k.big) << k.k;
    EXPECT_EQ(big.plain()[k.k], 255) << k.k;
  }
  EXPECT_EQ(sixteen.fast()[0], 16384);
  EXPECT_EQ(sixteen.fast()[63], 1247);
}

// A DC-only block is flat at entry 0 >> 13 (truncated, so -1 is one level
// below mid-grey) through the range table: held at 255 above, 0 below, and
// 0 again from 640 on.
TEST(JpegIdct, DcOnlyBlocksAreFlatThroughTheRangeTable) {
  const struct {
    int32_t dc;
    int sample;
  } cases[] = {{0, 128},        {8191, 128},      {8192, 129},      {-1, 127},        {-8192, 127},
               {-8193, 126},    {5 << 13, 133},   {127 << 13, 255}, {200 << 13, 255}, {-128 << 13, 0},
               {-300 << 13, 0}, {639 << 13, 255}, {640 << 13, 0},   {INT32_MAX, 0},   {INT32_MIN, 0}};
  for (const auto& k : cases) {
    int32_t block[65] = {k.dc};
    Block8 out = fast(block);
    for (uint8_t v : out.s) ASSERT_EQ(v, k.sample) << k.dc;
  }
  // Unscaled: coefficient 5 times the multiplier 8192 (q 8) is 5 levels up.
  Multipliers eight({8});
  int32_t block[65] = {5};
  Block8 out = fast_dequant(block, eight.fast());
  for (uint8_t v : out.s) EXPECT_EQ(v, 133);
  // The reduced transforms' DC-only outputs truncate as well: -1 (plain
  // multipliers) is one level below mid-grey, 7 still mid-grey, 8 one above.
  const struct {
    JpegIdct idct;
    int size;
  } reduced[] = {{rst_jpeg_idct_4x4, 4}, {rst_jpeg_idct_2x2, 2}, {rst_jpeg_idct_1x1, 1}};
  for (const auto& r : reduced) {
    for (int32_t dc : {-1, 7, 8}) {
      int32_t b[65] = {dc};
      Block8 small{};
      r.idct(b, nullptr, rst_jpeg_build_range_limit(), small.s, 8);
      for (int y = 0; y < r.size; ++y)
        for (int x = 0; x < r.size; ++x)
          EXPECT_EQ(small.at(x, y), dc < 0 ? 127 : dc < 8 ? 128 : 129) << r.size << " " << dc;
    }
  }
}

// Coefficients only in row 0 take the column shortcut: the eight output rows
// are equal. Coefficients only in column 0 leave every work row DC-only: each
// output row is flat. Both agree with the reference within one level.
TEST(JpegIdct, ZeroColumnAndZeroRowShortcuts) {
  Multipliers one({1});
  int32_t row0[65] = {}, col0[65] = {};
  const double f[8] = {240, -90, 60, 35, -44, 20, -17, 9};
  for (int i = 0; i < 8; ++i) {
    row0[i] = int32_t(f[i] * one.fast()[i]);
    col0[i * 8] = int32_t(f[i] * one.fast()[i * 8]);
  }
  Block8 a = fast(row0), b = fast(col0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(a.at(x, y), a.at(x, 0)) << x << "," << y;
      EXPECT_EQ(b.at(x, y), b.at(0, y)) << x << "," << y;
      double ra = 0, rb = 0;
      for (int i = 0; i < 8; ++i) {
        ra += reference(i, 0, f[i], x, y) - 128;
        rb += reference(0, i, f[i], x, y) - 128;
      }
      EXPECT_NEAR(a.at(x, y), ra + 128, 1.0) << x << "," << y;
      EXPECT_NEAR(b.at(x, y), rb + 128, 1.0) << x << "," << y;
    }
  }
}

// Every coefficient position alone at several amplitudes against the
// double-precision transform. Measured: the output lies from -1.04 to +0.04
// levels off the exact value (the shifts truncate, so it sits below); the
// bounds are -1.1 and +0.1, which a constant off by one or a rounding shift
// already leaves. The dequantising form gives
// the same samples on the unscaled coefficient.
TEST(JpegIdct, SingleCoefficientsMatchTheExactTransform) {
  Multipliers one({1});
  const int amplitudes[] = {-480, -131, -37, -1, 1, 9, 200, 480};
  double lowest = 0, highest = 0;
  for (int k = 0; k < 64; ++k) {
    int u = k % 8, v = k / 8;
    for (int a : amplitudes) {
      int32_t scaled[65] = {}, unscaled[65] = {};
      scaled[k] = a * one.fast()[k];
      unscaled[k] = a;
      Block8 out = fast(scaled), same = fast_dequant(unscaled, one.fast());
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          double d = out.at(x, y) - reference(u, v, a, x, y);
          lowest = std::min(lowest, d);
          highest = std::max(highest, d);
          ASSERT_EQ(out.at(x, y), same.at(x, y)) << k << " " << a;
        }
      }
    }
  }
  EXPECT_GE(lowest, -1.1);
  EXPECT_LE(highest, 0.1);
}

// Full size picks the AAN transform, the reductions the accurate ones.
TEST(JpegIdct, ChoiceByScale) {
  const struct {
    int32_t scale;
    JpegIdct idct;
  } cases[] = {{1, rst_jpeg_idct_fast}, {2, rst_jpeg_idct_4x4}, {4, rst_jpeg_idct_2x2}, {8, rst_jpeg_idct_1x1}};
  for (const auto& k : cases) {
    JpegCodecContext* c = rst_jpeg_context_new();
    c->components = 1;
    c->comp[0].h = c->comp[0].v = c->hmax = c->vmax = 1;
    c->divisors[0] = c->divisors[3] = 1;
    c->scale = k.scale;
    ASSERT_EQ(rst_jpeg_select_idct(c), 1);
    EXPECT_EQ(c->comp[0].idct, k.idct) << k.scale;
    rst_jpeg_context_free(c);
  }
}

}  // namespace
