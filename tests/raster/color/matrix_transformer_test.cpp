// The matrix transformers: depth scaling, rounding and clipping in double,
// the 20.12 fixed-point arithmetic of 8 -> 8, inverses that change the depth
// back and give the first matrix again, clones, and the matrices the fixed
// point cannot hold.
#include "raster/color/ct_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "color_attributes_stub.h"
#include "raster/color/rst_transform_color_matrix.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using M = RstMatrix<double>;
using U8 = UIntNBit<8>;
using U16 = UIntNBit<16>;
template <class O>
using DConv = CtMatrixConv<double, O>;
using FConv = CtMatrixConv<CtFixed, U8>;
using Owned = std::unique_ptr<ColorTransformer>;

M make(uint32_t r, uint32_t c, std::vector<double> e, bool affine = false) {
  EXPECT_EQ(e.size(), size_t(r) * c) << "a fixture of the wrong size";
  e.resize(size_t(r) * c);
  return M(r, c, e.data(), affine);
}

// Runs a transformer over pixels of In samples, giving Out samples.
template <class I, class O>
std::vector<uint32_t> run(ColorTransformer& t, const std::vector<uint32_t>& in) {
  std::vector<I> raw(in.begin(), in.end());
  size_t pixels = in.size() / size_t(t.input_channels());
  std::vector<O> out(pixels * size_t(t.channels()) + 1, O(0xA5));
  t.transform(raw.data(), out.data(), unsigned(pixels));
  EXPECT_EQ(out.back(), O(0xA5)) << "written past the pixels";
  return std::vector<uint32_t>(out.begin(), out.end() - 1);
}
auto run8 = run<uint8_t, uint8_t>;
auto run16 = run<uint16_t, uint16_t>;

class MatrixTransformer : public RstStatusTest {};

TEST_F(MatrixTransformer, DoubleArithmeticRoundsHalfUpAndClips) {
  CtMatrixLinearMToN<U16, U16, 3, 1, double, DConv<U16>> mean(make(1, 3, {0.5, 0.25, 0.25}));
  EXPECT_EQ(run16(mean, {65535, 0, 0, 0, 65535, 65535}), (std::vector<uint32_t>{32768, 32768}));
  CtMatrixAffine<U16, U16, double, DConv<U16>> shift(make(2, 2, {1, 0.5, 0, 1}, true));
  EXPECT_EQ(shift.input_channels(), 1);
  EXPECT_EQ(shift.channels(), 1);
  EXPECT_EQ(run16(shift, {0, 40000, 100}), (std::vector<uint32_t>{32768, 65535, 32868}));
  CtMatrixLinear<U16, U16, double, DConv<U16>> negative(make(1, 1, {-1}));
  EXPECT_EQ(run16(negative, {0, 1, 65535}), (std::vector<uint32_t>{0, 0, 0}));
  // The general loop and the fixed-size forms agree.
  M rgb = make(3, 3, {0.9, 0.2, -0.1, 0.05, 0.8, 0.3, -0.2, 0.1, 1.2});
  CtMatrixLinear<U16, U16, double, DConv<U16>> general(rgb);
  CtMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>> sized(rgb);
  std::vector<uint32_t> px{0, 0, 0, 65535, 65535, 65535, 1000, 30000, 65000, 40000, 2, 12345};
  EXPECT_EQ(run16(general, px), run16(sized, px));
  CtMatrixAffine<U16, U16, double, DConv<U16>> general_affine(rgb.augmented());
  CtMatrixAffineMToN<U16, U16, 3, 3, double, DConv<U16>> sized_affine(rgb.augmented());
  EXPECT_EQ(run16(general_affine, px), run16(sized, px));
  EXPECT_EQ(run16(sized_affine, px), run16(sized, px));
  // A fixed-size form given a matrix of another shape does not run.
  CtMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>> wrong(make(1, 3, {1, 1, 1}));
  EXPECT_FALSE(wrong.usable());
}

TEST_F(MatrixTransformer, SixteenToEightAndItsInverse) {
  Owned down(RstTransformColorMatrix::create_color_transformer<U8>(SampleLayout(16, 1), make(1, 1, {1})));
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->input_bits(), 16);
  EXPECT_EQ(down->bits(), 8);
  EXPECT_EQ((run<uint16_t, uint8_t>(*down, {65535, 128, 129, 0})), (std::vector<uint32_t>{255, 0, 1, 0}));
  ColorTransformerInverse up = down->inverse();
  ASSERT_EQ(up.status, 0);
  Owned up_owned(up.transformer);
  ASSERT_NE(up_owned, nullptr);
  EXPECT_NE((dynamic_cast<CtMatrixLinear<U8, U16, double, DConv<U16>>*>(up_owned.get())), nullptr);
  EXPECT_EQ((run<uint8_t, uint16_t>(*up_owned, {255, 1, 128, 0})), (std::vector<uint32_t>{65535, 257, 32896, 0}));
  // Inverse of the inverse: the first matrix, bit for bit.
  ColorTransformerInverse again = up_owned->inverse();
  Owned again_owned(again.transformer);
  auto* back = dynamic_cast<CtMatrixLinear<U16, U8, double, DConv<U8>>*>(again_owned.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->source_matrix()(0, 0), 1.0);
}

TEST_F(MatrixTransformer, InverseClassesAndTheirMatrices) {
  M a = make(3, 3, {0.5, 0.25, 0.125, 0.1, 0.6, 0.2, 0.05, 0.15, 0.7});
  CtReduceMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>> reduce(a);
  ColorTransformerInverse inv = reduce.inverse();
  Owned inv_owned(inv.transformer);
  ASSERT_EQ(inv.status, 0);
  auto* linear = dynamic_cast<CtMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>>*>(inv_owned.get());
  ASSERT_NE(linear, nullptr);
  EXPECT_EQ((dynamic_cast<CtReduceMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>>*>(inv_owned.get())), nullptr);
  Owned twice(linear->inverse().transformer);
  auto* first = dynamic_cast<CtMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>>*>(twice.get());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(std::memcmp(first->source_matrix().elements(), a.elements(), 9 * sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(first->working_matrix().elements(), reduce.working_matrix().elements(), 9 * sizeof(double)), 0);
  // Pixels go there and back within a level.
  std::vector<uint32_t> px{1000, 20000, 50000, 65535, 0, 30000};
  std::vector<uint32_t> back = run16(*linear, run16(reduce, px));
  for (size_t i = 0; i < px.size(); ++i) EXPECT_NEAR(double(back[i]), double(px[i]), 2.0) << i;

  // No inverse: singular, or not square.
  CtMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>> singular(make(3, 3, {1, 2, 3, 2, 4, 6, 1, 1, 1}));
  CtMatrixLinearMToN<U16, U16, 3, 1, double, DConv<U16>> gray(make(1, 3, {0.3, 0.6, 0.1}));
  CtMatrixLinearMToN<U8, U8, 3, 1, CtFixed, FConv> gray8(rst_fixed_matrix(make(1, 3, {0.3, 0.6, 0.1})));
  for (ColorTransformer* t : std::initializer_list<ColorTransformer*>{&singular, &gray, &gray8}) {
    ColorTransformerInverse none = t->inverse();
    EXPECT_EQ(none.transformer, nullptr);
    EXPECT_EQ(none.status, CtInverseStatus::none);
  }
  // Affine 16 -> 8: the inverse is the affine 8 -> 16 of the same form.
  CtMatrixAffineMToN<U16, U8, 3, 3, double, DConv<U8>> affine(a.augmented());
  Owned affine_inv(affine.inverse().transformer);
  EXPECT_NE((dynamic_cast<CtMatrixAffineMToN<U8, U16, 3, 3, double, DConv<U16>>*>(affine_inv.get())), nullptr);
}

TEST_F(MatrixTransformer, CloneOutlivesItsOriginal) {
  M a = make(4, 4, {0.5, 0.1, 0.1, 0.1, 0.2, 0.6, 0.1, -0.05, 0.1, 0.1, 0.7, 0.02, 0, 0, 0, 1}, true);
  std::vector<uint32_t> px{10, 20, 30, 200, 100, 50, 255, 255, 255};
  for (bool fixed : {false, true}) {
    SCOPED_TRACE(fixed);
    Owned original(fixed ? static_cast<ColorTransformer*>(
                               new CtMatrixAffineMToN<U8, U8, 3, 3, CtFixed, FConv>(rst_fixed_matrix(a)))
                         : new CtMatrixAffine<U8, U8, CtFixed, FConv>(rst_fixed_matrix(a)));
    std::vector<uint32_t> expected = run8(*original, px);
    Owned copy(original->clone());
    original.reset();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(run8(*copy, px), expected);
  }
  Owned d(new CtMatrixAffine<U16, U16, double, DConv<U16>>(a));
  std::vector<uint32_t> expected = run16(*d, {1000, 2000, 3000});
  Owned copy(d->clone());
  d.reset();
  EXPECT_EQ(run16(*copy, {1000, 2000, 3000}), expected);
}

TEST_F(MatrixTransformer, FixedPointSumsRoundAndClip) {
  M gray = make(1, 3, {0.299, 0.587, 0.114});
  CtMatrixLinearMToN<U8, U8, 3, 1, CtFixed, FConv> t(rst_fixed_matrix(gray));
  EXPECT_EQ(t.working_matrix()(0, 0).raw(), 1224);
  EXPECT_EQ(t.working_matrix()(0, 1).raw(), 2404);
  EXPECT_EQ(t.working_matrix()(0, 2).raw(), 466);
  EXPECT_EQ(run8(t, {255, 255, 255, 1, 1, 1, 128, 128, 128, 255, 0, 0, 10, 20, 30}),
            (std::vector<uint32_t>{255, 1, 128, 76, 18}));
  CtMatrixLinear<U8, U8, CtFixed, FConv> general(rst_fixed_matrix(gray));
  EXPECT_EQ(run8(general, {10, 20, 30, 255, 0, 0}), (std::vector<uint32_t>{18, 76}));
  // The output conversion: + 0.5, drop the fraction; clip at 0 and 0xff000.
  FConv conv;
  struct Case {
    int32_t y;
    uint8_t out;
  } cases[] = {{2048, 1}, {2047, 0}, {0xff000, 255}, {0xff001, 255}, {INT32_MAX, 255}, {-1, 0}, {INT32_MIN, 0}};
  for (const Case& c : cases) EXPECT_EQ(conv(CtFixed::from_raw(c.y)), c.out) << c.y;
  // Offsets from the truncated column: 0.5 is 2048 x 255.
  CtMatrixAffine<U8, U8, CtFixed, FConv> shift(rst_fixed_matrix(make(2, 2, {1, 0.5, 0, 1}, true)));
  EXPECT_EQ(shift.offset(0).raw(), 522240);
  EXPECT_EQ(run8(shift, {0, 200, 127, 128}), (std::vector<uint32_t>{128, 255, 255, 255}));
  CtMatrixAffine<U8, U8, CtFixed, FConv> tenth(rst_fixed_matrix(make(2, 2, {1, 0.1, 0, 1}, true)));
  EXPECT_EQ(tenth.offset(0).raw(), 409 * 255);
  // A tiny negative coefficient truncates to 0 and acts as absent.
  CtMatrixLinearMToN<U8, U8, 3, 1, CtFixed, FConv> absent(rst_fixed_matrix(make(1, 3, {1, -0.0001, 0})));
  EXPECT_EQ(run8(absent, {100, 255, 0, 0, 255, 255}), (std::vector<uint32_t>{100, 0}));
  // The inverse of diag(2) is built from raw 2048.
  CtMatrixLinearMToN<U8, U8, 3, 3, CtFixed, FConv> twice(rst_fixed_matrix(make(3, 3, {2, 0, 0, 0, 2, 0, 0, 0, 2})));
  Owned half(twice.inverse().transformer);
  auto* h = dynamic_cast<CtMatrixLinearMToN<U8, U8, 3, 3, CtFixed, FConv>*>(half.get());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->working_matrix()(0, 0).raw(), 2048);
  EXPECT_EQ(run8(*h, {200, 200, 200}), (std::vector<uint32_t>{100, 100, 100}));
}

// Y Cb Cr of R G B, offsets in the last column.
M ycbcr() {
  return make(4, 4,
              {0.298819, 0.586814, 0.114367, 0, -0.1687036278006804, -0.33129637219931957, 0.5, 0.5, 0.5,
               -0.4184468774824189, -0.08155312251758104, 0.5, 0, 0, 0, 1},
              true);
}

// The matrix applied in double to 8-bit samples, as the test reads it.
struct DoubleAffine {
  double q[3][4];
  explicit DoubleAffine(const M& a) {
    for (uint32_t j = 0; j < 3; ++j)
      for (uint32_t k = 0; k < 4; ++k) q[j][k] = a(j, k) * (k == 3 ? 255.0 : 1.0);
  }
  void apply(const uint8_t* in, double* out) const {
    for (int j = 0; j < 3; ++j) {
      double y = q[j][3] + q[j][0] * in[0] + q[j][1] * in[1] + q[j][2] * in[2];
      out[j] = std::floor(std::clamp(y, 0.0, 255.0) + 0.5);
    }
  }
};

TEST_F(MatrixTransformer, FixedPointYCbCrStaysWithinALevelOfDouble) {
  M a = ycbcr();
  std::unique_ptr<M> a_inv(a.inverse());
  ASSERT_NE(a_inv, nullptr);
  const DoubleAffine f_ref(a), b_ref(*a_inv);
  Owned forward(RstTransformColorMatrix::create_color_transformer(SampleLayout(8, 3), a));
  ASSERT_NE(forward, nullptr);
  ASSERT_NE((dynamic_cast<CtMatrixAffineMToN<U8, U8, 3, 3, CtFixed, FConv>*>(forward.get())), nullptr);
  ColorTransformerInverse inv = forward->inverse();
  ASSERT_EQ(inv.status, 0);
  Owned backward(inv.transformer);
  ASSERT_NE(backward, nullptr);
  // Every colour, one line of 65536 pixels per red value.
  std::vector<uint8_t> in(3 * 65536), out(3 * 65536), back(3 * 65536);
  int worst_forward = 0, worst_backward = 0;
  for (int r = 0; r < 256; ++r) {
    for (int i = 0; i < 65536; ++i) {
      in[3 * size_t(i)] = uint8_t(r);
      in[3 * size_t(i) + 1] = uint8_t(i >> 8);
      in[3 * size_t(i) + 2] = uint8_t(i);
    }
    forward->transform(in.data(), out.data(), 65536);
    backward->transform(in.data(), back.data(), 65536);
    for (size_t i = 0; i < 65536; ++i) {
      double f[3], b[3];
      f_ref.apply(&in[3 * i], f);
      b_ref.apply(&in[3 * i], b);
      for (int j = 0; j < 3; ++j) {
        worst_forward = std::max(worst_forward, int(std::fabs(f[j] - out[3 * i + size_t(j)])));
        worst_backward = std::max(worst_backward, int(std::fabs(b[j] - back[3 * i + size_t(j)])));
      }
    }
  }
  EXPECT_LE(worst_forward, 1);
  EXPECT_LE(worst_backward, 1);
}

TEST_F(MatrixTransformer, MatricesFixedPointCannotHoldAreRefused) {
  Owned big(RstTransformColorMatrix::create_color_transformer(SampleLayout(8, 3), make(1, 3, {685, 685, 685})));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(run8(*big, {1, 0, 0, 0, 0, 0}), (std::vector<uint32_t>{255, 0}));
  EXPECT_TRUE(status.errors().empty());
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    int bits;
    M m;
  } cases[] = {
      {8, make(1, 3, {686, 686, 686})},
      {8, make(1, 1, {1e6})},
      {16, make(1, 1, {nan})},
      {16, make(1, 1, {inf})},
      {8, make(1, 1, {-inf})},
      {8, make(2, 2, {1, 8422, 0, 1}, true)},
      {16, make(0, 0, {})},
      {16, make(1, 1, {1}, true)},
  };
  for (const Case& c : cases) {
    status.clear();
    EXPECT_EQ(RstTransformColorMatrix::create_color_transformer(SampleLayout(c.bits, int(c.m.cols())), c.m), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstTransformColorMatrix::create()"}}));
  }
  // 16-bit samples compute in double: large finite coefficients are fine.
  status.clear();
  Owned wide(RstTransformColorMatrix::create_color_transformer(SampleLayout(16, 1), make(1, 1, {1e6})));
  EXPECT_NE(wide, nullptr);
  // An inverse that leaves the fixed-point range is refused: raw 1 inverts
  // to 4096.0, whose sums wrap.
  Owned tiny(RstTransformColorMatrix::create_color_transformer(SampleLayout(8, 1), make(1, 1, {0.0003})));
  ASSERT_NE(tiny, nullptr);
  ColorTransformerInverse inv = tiny->inverse();
  EXPECT_EQ(inv.transformer, nullptr);
  EXPECT_EQ(inv.status, CtInverseStatus::none);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MatrixTransformer, AllocationFailures) {
  M a = ycbcr();
  for (int bits : {8, 16}) {
    for (int64_t n = 1; n < 64; ++n) {
      SCOPED_TRACE(n);
      RstAllocFault::fail_nth(n);
      Owned t(RstTransformColorMatrix::create_color_transformer(SampleLayout(bits, 3), a));
      Owned copy(t ? t->clone() : nullptr);
      ColorTransformerInverse inv = copy ? copy->inverse() : ColorTransformerInverse{};
      Owned inv_owned(inv.transformer);
      bool reached = RstAllocFault::calls() >= n;
      RstAllocFault::clear();
      EXPECT_EQ(inv.status, 0);
      if (!reached) {
        ASSERT_NE(inv_owned, nullptr);
        break;
      }
      EXPECT_EQ(inv_owned, nullptr);
    }
  }
  EXPECT_TRUE(status.errors().empty()) << "bare transformers report no memory failure";
}

}  // namespace
