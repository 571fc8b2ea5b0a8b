// Range conversion: the refusals, the cut to the source's channels, and Lab
// re-encoded from a declared range to the default one.
#include "raster/color/rst_convert_color_range.h"

#include "color_test_support.h"
#include "raster/color/rst_lab_range.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using M = RstMatrix<double>;

RstRead* source(int32_t spp, const std::vector<uint32_t>& samples, RstColorType* type = RstColorType::itu_lab()) {
  RstHeader h = image_header(int32_t(samples.size()) / spp, 1, 8, spp, type);
  return new LineSource(h, {pack(8, samples)});
}

class ConvertColorRange : public RstStatusTest {};

TEST_F(ConvertColorRange, Refusals) {
  const char* not_same = "RstConvertColorRange::create()\nInput and output channels must be same.";
  const char* singular = "RstConvertColorRange::create()\nInput matrix must be inversible.";
  M lab = RstLabRange::default_range().matrix();
  M zero_row = lab;
  for (uint32_t j = 0; j < 4; ++j) zero_row.set(1, j, 0);
  M five = M(5, 5, true);
  for (uint32_t i = 0; i < 5; ++i) five.set(i, i, 0.5);
  struct Case {
    M input, output;
    const char* where;
  } cases[] = {
      {M(3, 3), lab, not_same},  // before any inverse
      {M(3, 4), M(4, 4), not_same},
      {zero_row, lab, singular},
      {five, five, singular},  // no inverse above 4 x 4
      // A declared range of 0: an infinite scale, singular once decoded.
      {RstLabRange(100, 0, 0, 128, 200, 96, 8).matrix(), lab, singular},
  };
  for (const Case& c : cases) {
    RstStatusRecorder rec;
    RstRead* src = source(3, {1, 2, 3});
    EXPECT_EQ(RstConvertColorRange::create(src, c.input, c.output, nullptr), nullptr);
    ASSERT_EQ(rec.errors().size(), 1u);
    EXPECT_EQ(rec.errors().front(), (RstReport{-2, c.where}));
    EXPECT_EQ(first_line(src), (Bytes{1, 2, 3}));  // still the caller's
    src->end();
  }
  RstStatusRecorder rec;
  RstRead* src = source(3, {1, 2, 3});
  EXPECT_EQ(RstConvertColorRange::create(src, M(3, 4), nullptr), nullptr);
  EXPECT_EQ(rec.errors().front(), (RstReport{-2, not_same}));
  src->end();
}

TEST_F(ConvertColorRange, Conversions) {
  const RstLabRange& d = RstLabRange::default_range();
  // Equal encodings: the identity up to rounding, samples unchanged.
  {
    RstRead* src = source(3, {0, 60, 128, 200, 255, 17});
    RstRead* same = RstConvertColorRange::create(src, d.matrix(), d.matrix(), nullptr);
    ASSERT_NE(same, nullptr);
    Held<> held(same);
    EXPECT_EQ(first_line(same), (Bytes{0, 60, 128, 200, 255, 17}));
  }
  // a* over -100 ... 100 to the default -85 ... 85; L and b kept.
  {
    RstLabRange declared(100, 0, 200, 128, 200, 96, 8);
    std::vector<uint32_t> px;
    for (uint32_t a : {0, 60, 128, 200, 255}) px.insert(px.end(), {a, a, a});
    Held<> out(RstConvertColorRange::create(source(3, px), declared.matrix(), d.matrix(), RstColorType::icc_lab()));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(RstHeader(out.get()).color_type, RstColorType::icc_lab());
    EXPECT_EQ(first_line(out.get()), (Bytes{0, 0, 0, 60, 48, 60, 128, 128, 128, 200, 213, 200, 255, 255, 255}));
  }
  // One channel with 4 x 4 encodings: only L's scale and offset, L* 0 ... 50
  // to 0 ... 100.
  {
    RstLabRange half(50, 0, 170, 128, 200, 96, 8);
    Held<> out(RstConvertColorRange::create(source(1, {255, 100, 0}, RstColorType::icc_lstar()), half.matrix(),
                                            d.matrix(), nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(RstHeader(out.get()).samples_per_pixel, 1);
    EXPECT_EQ(first_line(out.get()), (Bytes{128, 50, 0}));
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
