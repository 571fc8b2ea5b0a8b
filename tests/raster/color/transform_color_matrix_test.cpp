// The matrix node: when no node is made, the order of the checks, which
// transformer class each layout and matrix gets, pixels through the node,
// and allocation failures.
#include "raster/color/rst_transform_color_matrix.h"

#include <limits>

#include "color_attributes_stub.h"
#include "color_test_support.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using M = RstMatrix<double>;
using U8 = UIntNBit<8>;
using U16 = UIntNBit<16>;
template <class O>
using DConv = CtMatrixConv<double, O>;
using FConv = CtMatrixConv<CtFixed, U8>;

M make(uint32_t r, uint32_t c, std::vector<double> e, bool affine = false) {
  EXPECT_EQ(e.size(), size_t(r) * c) << "a fixture of the wrong size";
  e.resize(size_t(r) * c);
  return M(r, c, e.data(), affine);
}

RstRead* source(int32_t bits, int32_t spp, std::vector<uint32_t> samples, int32_t kind = 0,
                RstColorType* type = RstColorType::s_rgb()) {
  int32_t width = spp > 0 && !samples.empty() ? int32_t(samples.size()) / spp : 1;
  RstHeader h = image_header(width, 1, bits, spp, type);
  h.sample_kind = kind;
  // Wider samples (float) are only counted: zero bytes.
  Bytes line = bits > 16 ? Bytes(samples.size() * size_t(bits) / 8, 0) : pack(bits, samples);
  return new LineSource(h, {std::move(line)});
}

class TransformColorMatrix : public RstStatusTest {};

TEST_F(TransformColorMatrix, IdentityReturnsTheSource) {
  struct Case {
    int32_t bits, spp;
    M m;
  } cases[] = {
      {8, 3, make(3, 3, {1, 0, 0, 0, 1, 0, 0, 0, 1})},
      {8, 3, make(4, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, true)},
      {4, 1, make(1, 1, {1})},  // before the sample type is judged
  };
  for (const Case& c : cases) {
    Held<> src(source(c.bits, c.spp, std::vector<uint32_t>(size_t(c.spp), 1)));
    EXPECT_EQ(RstTransformColorMatrix::create(src.get(), c.m, RstColorType::cmy()), src.get());
    EXPECT_EQ(RstHeader(src.get()).color_type, RstColorType::s_rgb());
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TransformColorMatrix, RefusalsInOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  using Reports = std::vector<RstReport>;
  const RstReport bad{-2, "RstTransformColorMatrix::create()"};
  const RstReport form{-3, "RstTransformColorMatrix::create()"};
  const RstReport option{-50, "RstTransformColorMatrix::create()"};
  const RstReport initiate{-1, "RstTransformColor::initiate()"};
  struct Case {
    const char* name;
    int32_t bits, spp, kind;
    M m;
    Reports reports;
  } cases[] = {
      {"4-bit [2]", 4, 1, 0, make(1, 1, {2}), {option, initiate}},
      {"1-bit", 1, 1, 0, make(1, 1, {2}), {form}},
      {"1-bit with the wrong channels", 1, 3, 0, make(1, 1, {2}), {bad}},
      {"3 x 4 not affine on 3 channels", 8, 3, 0, make(3, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}), {bad}},
      {"float", 32, 3, 3, make(1, 3, {0.3, 0.3, 0.3}), {option, initiate}},
      {"NaN on 16 bits", 16, 1, 0, make(1, 1, {nan}), {bad}},
      {"NaN on float", 32, 1, 3, make(1, 1, {nan}), {bad}},
      {"686 on 8 bits", 8, 3, 0, make(1, 3, {686, 686, 686}), {bad}},
      {"1e6 on 8 bits", 8, 1, 0, make(1, 1, {1e6}), {bad}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstRead* src = source(c.bits, c.spp, std::vector<uint32_t>(size_t(c.spp), 1), c.kind);
    EXPECT_EQ(RstTransformColorMatrix::create(src, c.m, nullptr), nullptr);
    EXPECT_EQ(status.errors(), c.reports);
    EXPECT_TRUE(src->sinks().empty()) << "the source stays the caller's";
    src->end();
  }
  status.clear();
  EXPECT_EQ(RstTransformColorMatrix::create(nullptr, make(1, 1, {2}), nullptr), nullptr);
  EXPECT_EQ(status.errors(), (Reports{bad}));
  EXPECT_EQ(RstTransformColorMatrix::check(nullptr, make(1, 1, {1})), -2);
}

TEST_F(TransformColorMatrix, ClassForEachShape) {
  M gray = make(1, 3, {0.299, 0.587, 0.114});
  M spread = make(3, 1, {1, 1, 1});
  M cmyk = make(4, 5, {1, 0, 0, -1, 0.5, 0, 1, 0, -1, 0, 0, 0, 1, -1, 0, 0, 0, 0, 0, 1}, true);
  M over = make(3, 3, {0.5, 0.7, 0, 0, 1, 0, 0, 0, 1});  // row 0 sums to 1.2
  M under = make(3, 3, {0.5, 0.5, 0, 0, 1, 0, 0.2, 0.2, 0.2});
  M affine = make(4, 4, {0.5, 0, 0, 0.1, 0, 0.5, 0, 0.2, 0, 0, 0.5, 0.3, 0, 0, 0, 1}, true);
  EXPECT_FALSE(RstTransformColorMatrix::is_reducible(over));
  EXPECT_TRUE(RstTransformColorMatrix::is_reducible(under));
  EXPECT_FALSE(RstTransformColorMatrix::is_reducible(affine));
  EXPECT_FALSE(RstTransformColorMatrix::is_reducible(make(1, 1, {std::numeric_limits<double>::quiet_NaN()})));
  EXPECT_TRUE(RstTransformColorMatrix::is_reducible(make(0, 3, {})));

  auto is = [](ColorTransformer* t, auto* sample) {
    std::unique_ptr<ColorTransformer> owned(t);
    return owned && dynamic_cast<decltype(sample)>(owned.get()) != nullptr && owned->usable();
  };
  using S = RstTransformColorMatrix;
  SampleLayout rgb8(8, 3), rgb16(16, 3), gray8(8, 1), cmyk8(8, 4);
  EXPECT_TRUE(is(S::create_color_transformer(rgb8, gray),
                 static_cast<CtReduceMatrixLinearMToN<U8, U8, 3, 1, CtFixed, FConv>*>(nullptr)));
  EXPECT_TRUE(is(S::create_color_transformer(gray8, spread),
                 static_cast<CtReduceMatrixLinearMToN<U8, U8, 1, 3, CtFixed, FConv>*>(nullptr)));
  EXPECT_TRUE(
      is(S::create_color_transformer(cmyk8, cmyk), static_cast<CtMatrixAffine<U8, U8, CtFixed, FConv>*>(nullptr)));
  EXPECT_FALSE(is(S::create_color_transformer(cmyk8, cmyk),
                  static_cast<CtMatrixAffineMToN<U8, U8, 3, 3, CtFixed, FConv>*>(nullptr)));
  std::unique_ptr<ColorTransformer> linear(S::create_color_transformer(rgb16, over));
  EXPECT_NE((dynamic_cast<CtMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>>*>(linear.get())), nullptr);
  EXPECT_EQ((dynamic_cast<CtReduceMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>>*>(linear.get())), nullptr);
  EXPECT_TRUE(is(S::create_color_transformer(rgb16, under),
                 static_cast<CtReduceMatrixLinearMToN<U16, U16, 3, 3, double, DConv<U16>>*>(nullptr)));
  EXPECT_TRUE(is(S::create_color_transformer(SampleLayout(16, 2), make(2, 2, {1, 0.5, 0.5, 1})),
                 static_cast<CtMatrixLinear<U16, U16, double, DConv<U16>>*>(nullptr)));
  // The 8-bit-output form.
  EXPECT_TRUE(is(S::create_color_transformer<U8>(rgb16, affine),
                 static_cast<CtMatrixAffineMToN<U16, U8, 3, 3, double, DConv<U8>>*>(nullptr)));
  EXPECT_TRUE(is(S::create_color_transformer<U8>(rgb8, affine),
                 static_cast<CtMatrixAffineMToN<U8, U8, 3, 3, CtFixed, FConv>*>(nullptr)));
  EXPECT_TRUE(is(S::create_color_transformer<U8>(rgb16, under),
                 static_cast<CtReduceMatrixLinearMToN<U16, U8, 3, 3, double, DConv<U8>>*>(nullptr)));
  EXPECT_TRUE(status.errors().empty());
  for (const SampleLayout& bad : {SampleLayout(4, 3), SampleLayout(32, 3, 3), SampleLayout(32, 3, 2)}) {
    status.clear();
    EXPECT_EQ(S::create_color_transformer(bad, under), nullptr);
    EXPECT_EQ(S::create_color_transformer<U8>(bad, under), nullptr);
    EXPECT_EQ(status.errors().size(), 2u);
    EXPECT_EQ(status.errors().front(), (RstReport{-50, "RstTransformColorMatrix::create()"}));
  }
}

TEST_F(TransformColorMatrix, PixelsThroughTheNode) {
  M gray = make(1, 3, {0.299, 0.587, 0.114});
  Held<> to_gray(RstTransformColorMatrix::create(source(8, 3, {255, 255, 255, 10, 20, 30, 255, 0, 0}), gray,
                                                 RstColorType::s_gray()));
  ASSERT_NE(to_gray, nullptr);
  RstHeader h(to_gray.get());
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.color_type, RstColorType::s_gray());
  EXPECT_EQ(first_line(to_gray.get()), (Bytes{255, 18, 76}));
  // A 3 x 1 of ones on 16-bit gray: three equal channels in machine order.
  Held<> spread(RstTransformColorMatrix::create(source(16, 1, {0, 40000, 65535}, 0, RstColorType::s_gray()),
                                                make(3, 1, {1, 1, 1}), RstColorType::s_rgb()));
  ASSERT_NE(spread, nullptr);
  EXPECT_EQ(RstHeader(spread.get()).samples_per_pixel, 3);
  EXPECT_EQ(first_line(spread.get()), pack(16, {0, 0, 0, 40000, 40000, 40000, 65535, 65535, 65535}));
  // 4 x 5 affine on CMYK: three outputs through the general class.
  M cmyk = make(4, 5, {-1, 0, 0, -1, 1, 0, -1, 0, -1, 1, 0, 0, -1, -1, 1, 0, 0, 0, 0, 1}, true);
  Held<> rgb(RstTransformColorMatrix::create(source(8, 4, {0, 0, 0, 0, 255, 0, 0, 0, 10, 20, 30, 40}), cmyk, nullptr));
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(first_line(rgb.get()), (Bytes{255, 255, 255, 0, 255, 255, 205, 195, 185}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TransformColorMatrix, AllocationFailures) {
  M a = make(4, 4, {0.5, 0, 0, 0.1, 0, 0.5, 0, 0.2, 0, 0, 0.5, 0.3, 0, 0, 0, 1}, true);
  for (int32_t bits : {8, 16}) {
    std::vector<uint32_t> px{0, 100, 200};
    RstRead* reference = source(bits, 3, px);
    Held<> made(RstTransformColorMatrix::create(reference, a, nullptr));
    ASSERT_NE(made, nullptr);
    std::vector<Bytes> expected = pull(made.get());
    check_allocation_failures([&] { return source(bits, 3, px); },
                              [&](RstRead* s) { return RstTransformColorMatrix::create(s, a, nullptr); }, expected,
                              {"RstTransformColor::initiate()", "rst_create_end()"});
  }
}

}  // namespace
