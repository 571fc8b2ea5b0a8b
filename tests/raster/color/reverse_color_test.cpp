// Inversion between counterpart colour types: RGB <-> CMY and gray <->
// reversed gray, the L* rule, the family checks and the coded sources.
#include "raster/color/rst_reverse_color.h"

#include <string>

#include "../geometry/charts.h"
#include "color_test_support.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class ReverseColor : public RstStatusTest {};

RstRead* source(int32_t bits, int32_t spp, RstColorType* type, Bytes line, int32_t form = RstDataForm::raw) {
  int32_t width = int32_t(line.size() * 8) / (bits * spp);
  if (width == 0) width = 8;
  return new LineSource(image_header(width, 1, bits, spp, type, form), {std::move(line)});
}

TEST_F(ReverseColor, CounterpartsAreInvertedAndRelabelled) {
  struct Case {
    const char* name;
    bool rgb;
    int32_t bits, spp;
    RstColorType *from, *given, *to;
    Bytes in, out;
  } cases[] = {
      {"s_rgb to cmy", true, 8, 3, RstColorType::s_rgb(), nullptr, RstColorType::cmy(), {255, 128, 0}, {0, 127, 255}},
      {"cmy to s_rgb", true, 8, 3, RstColorType::cmy(), nullptr, RstColorType::s_rgb(), {1, 2, 3}, {254, 253, 252}},
      {"ntsc_rgb to a given cmy",
       true,
       8,
       3,
       RstColorType::ntsc_rgb(),
       RstColorType::cmy(),
       RstColorType::cmy(),
       {0, 0, 0},
       {255, 255, 255}},
      {"gray to reversed",
       false,
       8,
       1,
       RstColorType::s_gray(),
       nullptr,
       RstColorType::s_gray_reverse(),
       {0, 17},
       {255, 238}},
      {"reversed to gray",
       false,
       1,
       1,
       RstColorType::s_gray_reverse(),
       nullptr,
       RstColorType::s_gray(),
       {0xF0},
       {0x0F}},
      {"1-bit L*", false, 1, 1, RstColorType::icc_lstar(), nullptr, RstColorType::s_gray_reverse(), {0x81}, {0x7E}},
      {"8-bit L* with a type",
       false,
       8,
       1,
       RstColorType::icc_lstar(),
       RstColorType::s_gray(),
       RstColorType::s_gray(),
       {10},
       {245}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstRead* src = source(c.bits, c.spp, c.from, c.in);
    Held<> node(c.rgb ? RstReverseRGB::create(src, c.given) : RstReverseGray::create(src, c.given));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.color_type, c.to);
    EXPECT_EQ(h.bits_per_sample, c.bits);
    EXPECT_EQ(first_line(node.get()), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReverseColor, Refusals) {
  struct Case {
    const char* name;
    bool rgb;
    int32_t bits, spp;
    RstColorType *from, *given;
    int32_t form;
    RstReport report;
  } cases[] = {
      {"gray target for RGB",
       true,
       8,
       3,
       RstColorType::s_rgb(),
       RstColorType::s_gray(),
       0,
       {-2, "RstReverseRGB::create()"}},
      {"RGB target for gray",
       false,
       8,
       1,
       RstColorType::s_gray(),
       RstColorType::s_rgb(),
       0,
       {-2, "RstReverseGray::create()"}},
      {"ntsc_rgb has no counterpart",
       true,
       8,
       3,
       RstColorType::ntsc_rgb(),
       nullptr,
       0,
       {-304, "RstReverseRGB::create()"}},
      {"four channels", true, 8, 4, RstColorType::s_rgb(), nullptr, 0, {-3, "RstReverseRGB::create()"}},
      {"CMYK", true, 8, 3, RstColorType::s_cmyk(), nullptr, 0, {-3, "RstReverseRGB::create()"}},
      {"no colour type", true, 8, 3, nullptr, nullptr, 0, {-3, "RstReverseRGB::create()"}},
      {"RGB as gray", false, 8, 3, RstColorType::s_rgb(), nullptr, 0, {-3, "RstReverseGray::create()"}},
      {"8-bit L*",
       false,
       8,
       1,
       RstColorType::icc_lstar(),
       nullptr,
       0,
       {-3, "RstReverseGray::create() L* is supported only 1bit"}},
      {"valued runs",
       false,
       8,
       1,
       RstColorType::s_gray_reverse(),
       nullptr,
       RstDataForm::rle_n,
       {-50, "RstPixelNot::create()"}},
      {"coded RGB", true, 8, 3, RstColorType::s_rgb(), nullptr, RstDataForm::jpeg, {-50, "RstPixelNot::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstRead* src = source(c.bits, c.spp, c.from, {0, 0, 0, 0}, c.form);
    EXPECT_EQ(c.rgb ? RstReverseRGB::create(src, c.given) : RstReverseGray::create(src, c.given), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    src->end();
  }
  status.clear();
  EXPECT_EQ(RstReverseRGB::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(RstReverseGray::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-2, "RstReverseRGB::create()"}, {-2, "RstReverseGray::create()"}}));
}

TEST_F(ReverseColor, IndicesAreNotInverted) {
  RstHeader h = indexed_header(2, 1, 8, colormap_of(8, 1, {0, 255}), RstColorType::s_gray());
  auto* src = new LineSource(h, {{0, 1}});
  EXPECT_EQ(RstReverseGray::create(src, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstReverseGray::create()"}}));
  src->end();
}

// Run lines are inverted as run lines and relabelled, by the inversion and by
// the dispatcher.
TEST_F(ReverseColor, RunLinesAreInvertedAndRelabelled) {
  std::vector<Bytes> lines{run_line({{0, 3}, {9, 20}}), run_line({})};
  std::vector<Bytes> inverted{run_line({{4, 8}}), run_line({{0, 20}})};
  for (bool dispatched : {false, true}) {
    SCOPED_TRACE(dispatched);
    RstRead* src = rle_source(21, lines);
    Held<> node(dispatched ? RstTransformColorTo::create(src, RstColorType::s_gray())
                           : RstReverseGray::create(src, nullptr));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.color_type, RstColorType::s_gray());
    EXPECT_EQ(h.data_form, RstDataForm::rle);
    EXPECT_EQ(pull(node.get()), inverted);
  }
  EXPECT_TRUE(status.errors().empty());
}

// The eight ITU charts as run lines through the gray inversion, painted,
// against pnminvert.
class ReverseGrayCharts : public ::testing::TestWithParam<int> {};

TEST_P(ReverseGrayCharts, MatchPnminvert) {
  std::string pbm = chart_file(GetParam());
  ASSERT_FALSE(pbm.empty());
  std::string inv = ::testing::TempDir() + "reverse_gray_ccitt" + std::to_string(GetParam()) + "_inv.pbm";
  PnmImage chart, theirs;
  ASSERT_TRUE(read_pnm(pbm, chart));
  ASSERT_TRUE(run_to_pnm("pnminvert " + pbm + " > " + inv, inv, theirs));
  RstHeader h = image_header(chart.width, chart.height, 1, 1, RstColorType::s_gray_reverse());
  RstRead* raw = RstReadRawFromByteArray::create(chart.rows.data(), h, int32_t(chart.stride()), false, false);
  ASSERT_NE(raw, nullptr);
  RstRead* reversed = RstReverseGray::create(RstEncodeRLE::create(raw), nullptr);
  ASSERT_NE(reversed, nullptr);
  EXPECT_EQ(RstHeader(reversed).color_type, RstColorType::s_gray());
  Held<> node(RstDecodeRLE::create(reversed));
  ASSERT_NE(node, nullptr);
  Bytes rows;
  for (const Bytes& line : pull(node.get())) rows.insert(rows.end(), line.begin(), line.end());
  EXPECT_TRUE(rows == theirs.rows);
}

INSTANTIATE_TEST_SUITE_P(Charts, ReverseGrayCharts, ::testing::Range(1, 9));

}  // namespace
