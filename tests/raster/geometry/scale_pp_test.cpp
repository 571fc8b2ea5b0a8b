// Area averaging: overlap weights, the choice between enlargement,
// reduction and whole factors, mirrors, line reuse, wide ratios against a
// 64-bit model, refusals and allocation failures.
#include "average_support.h"
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_iar.h"
#include "raster/geometry/rst_scale_pp.h"

namespace {

class ScalePP : public RstStatusTest {};

LineSource* gray(int32_t width, std::vector<Bytes> lines) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 8, 1, RstColorType::s_gray()), std::move(lines));
}

TEST_F(ScalePP, WidthValues) {
  struct Case {
    const char* name;
    int32_t from, to, samples;
    Bytes in, out;
  } cases[] = {
      // Step 6144: (2 p0 + p1) / 3 and (p1 + 2 p2) / 3, rounded.
      {"3 -> 2", 3, 2, 1, {0, 90, 255}, {30, 200}},
      {"3 -> -2", 3, -2, 1, {0, 90, 255}, {200, 30}},
      {"4 -> -2 pairs from the right", 4, -2, 1, {10, 20, 100, 201}, {151, 15}},
      // Step 2730: output 1 weighs p0 by 2049 / 4096.
      {"2 -> 3", 2, 3, 1, {0, 255}, {0, (255 * 2047 + 2048) >> 12, 255}},
      {"5 -> -5 reverses", 5, -5, 1, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
      {"RGB 3 -> 2", 3, 2, 3, {0, 1, 2, 90, 91, 92, 255, 254, 253}, {30, 31, 32, 200, 200, 199}},
      {"4 bytes 1 -> 2", 1, 2, 4, {1, 2, 3, 4}, {1, 2, 3, 4, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* src = new LineSource(image_header(c.from, 1, 8, c.samples), {c.in});
    Held<> node(RstScaleWidthPP::create(src, c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).width, c.to < 0 ? -c.to : c.to);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  // The weight of p0 in output 1 of 2 -> 3 is 2049: 4096 x p0 alone.
  Held<> weighed(RstScaleWidthPP::create(gray(2, {{200, 0}}), 3));
  EXPECT_EQ(pull(weighed.get()), (std::vector<Bytes>{{200, uint8_t((200 * 2049 + 2048) >> 12), 0}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScalePP, MethodChoice) {
  struct Case {
    int32_t from, to;
    const char* kind;
  } cases[] = {
      {4, 2, "IAR"}, {4, -2, "PPR"}, {6, 4, "PPR"}, {3, 6, "PPE"}, {3, -3, "PPE"}, {3, -9, "PPE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    Held<> node(RstScaleWidthPP::create(gray(c.from, {}), c.to));
    ASSERT_NE(node, nullptr);
    std::string kind = dynamic_cast<RstScaleWidthIAR8*>(node.get())   ? "IAR"
                       : dynamic_cast<RstScaleWidthPPR8*>(node.get()) ? "PPR"
                       : dynamic_cast<RstScaleWidthPPE8*>(node.get()) ? "PPE"
                                                                      : "?";
    EXPECT_EQ(kind, c.kind);
  }
  auto* iar = dynamic_cast<RstScaleWidthIAR*>(RstScaleWidthPP::create(gray(4, {{10, 20, 100, 201}}), 2));
  ASSERT_NE(iar, nullptr);
  Held<> held(iar);
  EXPECT_EQ(pull(iar), (std::vector<Bytes>{{15, 151}})) << "factor 2";
  struct HCase {
    int32_t from, to;
    const char* kind;
  } heights[] = {{6, 3, "IAR"}, {6, 4, "PPR"}, {3, 7, "PPE"}};
  for (const HCase& c : heights) {
    SCOPED_TRACE(std::to_string(c.from) + " lines -> " + std::to_string(c.to));
    Held<> node(RstScaleHeightPP::create(gray(2, std::vector<Bytes>(size_t(c.from), Bytes(2))), c.to));
    ASSERT_NE(node, nullptr);
    std::string kind = dynamic_cast<RstScaleHeightIAR*>(node.get())   ? "IAR"
                       : dynamic_cast<RstScaleHeightPPR*>(node.get()) ? "PPR"
                       : dynamic_cast<RstScaleHeightPPE*>(node.get()) ? "PPE"
                                                                      : "?";
    EXPECT_EQ(kind, c.kind);
  }
  auto* same = gray(3, {Bytes(3), Bytes(3)});
  EXPECT_EQ(RstScaleHeightPP::create(same, 2), same);
  EXPECT_EQ(RstScaleWidthPP::create(same, 3), same);
  same->end();
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScalePP, HeightLines) {
  // 3 -> 2: the middle line serves both outputs and is read once.
  LineSource* src = gray(3, {{0, 0, 0}, {90, 90, 90}, {255, 255, 255}});
  Held<> node(RstScaleHeightPP::create(src, 2));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{Bytes(3, 30), Bytes(3, 200)}));
  EXPECT_EQ(src->reads, 3);
  node->reset();
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{Bytes(3, 30), Bytes(3, 200)})) << "reset repeats";
  // 2 -> 3: line 1 blends both with 2049 / 4096 of line 0.
  Held<> tall(RstScaleHeightPP::create(gray(2, {{200, 0}, {0, 200}}), 3));
  uint8_t hi = uint8_t((200 * 2049 + 2048) >> 12), lo = uint8_t((200 * 2047 + 2048) >> 12);
  EXPECT_EQ(pull(tall.get()), (std::vector<Bytes>{{200, 0}, {hi, lo}, {0, 200}}));
  // A short line ends the image.
  Held<> short_line(RstScaleHeightPP::create(gray(2, {{1, 2}, {3}, {5, 6}}), 2));
  EXPECT_EQ(pull(short_line.get()), std::vector<Bytes>{});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScalePP, AgreesWithModel) {
  struct Case {
    int32_t from, to, samples;
  } cases[] = {{90, 31, 3}, {50, 20, 1}, {37, -11, 4}, {100, 99, 1}, {5000, 3, 1}, {7, 5, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    Image in = random_image(c.from, 2, 8, c.samples, uint32_t(c.from + c.to));
    Held<> node(RstScaleWidthPP::create(source_of(in), c.to));
    ASSERT_NE(node, nullptr);
    std::vector<Bytes> want;
    for (const Bytes& l : in.lines) want.push_back(area_model_line(l, c.from, c.samples, c.to));
    EXPECT_EQ(pull(node.get()), want);
  }
  for (auto [from, to] : {std::pair{29, 11}, std::pair{60, 23}, std::pair{1000, 7}}) {
    SCOPED_TRACE(std::to_string(from) + " lines -> " + std::to_string(to));
    Image in = random_image(3, from, 8, 1, uint32_t(from));
    Held<> node(RstScaleHeightPP::create(source_of(in), to));
    EXPECT_EQ(pull(node.get()), area_model_lines(in.lines, to));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScalePP, WideRatiosIn64Bits) {
  // 5000 pixels or lines per output pixel: 255 x 5000 x 4096 x 4096 leaves
  // 32 bits many times over. Bright pixels show any overflow.
  Image in = random_image(5000, 1, 8, 1, 77);
  for (uint8_t& b : in.lines[0]) b = uint8_t(200 + b % 56);
  Held<> width(RstScaleWidthPPR::create(source_of(in), 2));
  ASSERT_NE(width, nullptr);
  EXPECT_EQ(pull(width.get()), std::vector<Bytes>{area_model_line(in.lines[0], 5000, 1, 2)});
  Held<> mirrored(RstScaleWidthPPR::create(source_of(in), -3));
  EXPECT_EQ(pull(mirrored.get()), std::vector<Bytes>{area_model_line(in.lines[0], 5000, 1, -3)});
  std::vector<Bytes> lines;
  for (uint8_t b : in.lines[0]) lines.push_back({b, uint8_t(255 - b)});
  Held<> height(RstScaleHeightPPR::create(gray(2, lines), 2));
  ASSERT_NE(height, nullptr);
  EXPECT_EQ(pull(height.get()), area_model_lines(lines, 2));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScalePP, Refusals) {
  auto* same = new LineSource(image_header(8, 4, 16, 2), {});
  EXPECT_EQ(RstScaleWidthPP::create(same, 8), same) << "own width, any layout";
  EXPECT_EQ(RstScaleHeightPP::create(same, 4), same) << "own height, any layout";
  EXPECT_EQ(RstScaleWidthPPE::create(same, 8), same);
  EXPECT_EQ(RstScaleWidthPPR::create(same, 8), same);
  same->end();
  RstHeader mapped = image_header(8, 4, 8, 1, RstColorType::s_gray());
  mapped.colormap.reset(new RstColormap(8, 3, 2));
  using Make = RstRead* (*)(RstRead*, int32_t);
  struct Case {
    const char* name;
    Make make;
    RstHeader header;
    int32_t size;
    RstReport report;
  } cases[] = {
      {"width 0", RstScaleWidthPP::create, image_header(8, 4, 8, 1), 0, {-2, "RstScaleWidthPP::create()"}},
      {"height 0", RstScaleHeightPP::create, image_header(8, 4, 8, 1), 0, {-2, "RstScaleHeightPP::create()"}},
      {"height -5", RstScaleHeightPP::create, image_header(8, 4, 8, 1), -5, {-2, "RstScaleHeightPP::create()"}},
      {"1-bit enlarged", RstScaleWidthPP::create, image_header(8, 4, 1, 1), 12, {-3, "RstScaleWidthPPE::create()"}},
      {"1-bit reduced", RstScaleWidthPP::create, image_header(8, 4, 1, 1), 3, {-3, "RstScaleWidthPPR::create()"}},
      {"1-bit by 2", RstScaleWidthPP::create, image_header(8, 4, 1, 1), 4, {-3, "RstScaleWidthIAR::create()"}},
      {"colormap enlarged", RstScaleWidthPP::create, mapped, 12, {-3, "RstScaleWidthPPE::create()"}},
      {"colormap lines", RstScaleHeightPP::create, mapped, 3, {-3, "RstScaleHeightPPR::create()"}},
      {"colormap taller", RstScaleHeightPP::create, mapped, 9, {-3, "RstScaleHeightPPE::create()"}},
      {"1-bit lines", RstScaleHeightPP::create, image_header(8, 4, 1, 1), 2, {-3, "RstScaleHeightIAR::create()"}},
      {"colormap PPE8", RstScaleWidthPPE8::create, mapped, 12, {-3, "RstScaleWidthPPE8::create()"}},
      {"gray into PPR24",
       RstScaleWidthPPR24::create,
       image_header(8, 4, 8, 1),
       3,
       {-3, "RstScaleWidthPPR24::create()"}},
      {"PPE reducing", RstScaleWidthPPE::create, image_header(8, 4, 8, 1), 3, {-2, "RstScaleWidthPPE::create()"}},
      {"PPE32 reducing",
       RstScaleWidthPPE32::create,
       image_header(8, 4, 8, 4),
       -3,
       {-2, "RstScaleWidthPPE32::create()"}},
      {"PPR enlarging", RstScaleWidthPPR::create, image_header(8, 4, 8, 1), 9, {-2, "RstScaleWidthPPR::create()"}},
      {"PPR8 enlarging", RstScaleWidthPPR8::create, image_header(8, 4, 8, 1), -9, {-2, "RstScaleWidthPPR8::create()"}},
      {"height PPE shrinking",
       RstScaleHeightPPE::create,
       image_header(8, 4, 8, 1),
       3,
       {-2, "RstScaleHeightPPE::create()"}},
      {"height PPR growing",
       RstScaleHeightPPR::create,
       image_header(8, 4, 8, 1),
       5,
       {-2, "RstScaleHeightPPR::create()"}},
      {"source of 600000",
       RstScaleWidthPP::create,
       image_header(600000, 1, 8, 1),
       7,
       {-3, "RstScaleWidthPPR8::create()"}},
      {"target of 600000",
       RstScaleWidthPP::create,
       image_header(8, 1, 8, 1),
       600000,
       {-3, "RstScaleWidthPPE8::create()"}},
      {"lines of 600000",
       RstScaleHeightPP::create,
       image_header(8, 600000, 8, 1),
       7,
       {-3, "RstScaleHeightPPR::create()"}},
      {"2 -> 10000", RstScaleWidthPP::create, image_header(2, 1, 8, 1), 10000, {-3, "RstScaleWidthPPE8::create()"}},
      {"2 -> 10000 lines",
       RstScaleHeightPP::create,
       image_header(2, 2, 8, 1),
       10000,
       {-3, "RstScaleHeightPPE::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(c.header, {Bytes(8, 7)});
    EXPECT_EQ(c.make(src, c.size), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), c.report);
    EXPECT_EQ(src->reads, 0) << "the source untouched";
    src->end();
  }
}

TEST_F(ScalePP, TableLimits) {
  struct Case {
    uint32_t from;
    int32_t to;
    int32_t code;
  } cases[] = {{600000, 4, -3}, {8, -600000, -3}, {0, 4, -3}, {8, 0, -2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    RstStatusRecorder local;
    std::vector<int32_t> table;
    EXPECT_FALSE(RstScaleWidthPPR::make_table(c.from, c.to, table));
    ASSERT_EQ(local.errors().size(), 1u);
    EXPECT_EQ(local.errors().front(), (RstReport{c.code, "RstScaleWidthPPR::make_table()"}));
  }
  // 3 -> 2: intervals [0, 6144) and [6144, 12288).
  std::vector<int32_t> table;
  ASSERT_TRUE(RstScaleWidthPPR::make_table(3, 2, table));
  EXPECT_EQ(table, (std::vector<int32_t>{4096, 2048, 2048, 0}));
  // 3 -> -2: [6144, 12288) first.
  ASSERT_TRUE(RstScaleWidthPPR::make_table(3, -2, table));
  EXPECT_EQ(table, (std::vector<int32_t>{2048, 0, 4096, 2048}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScalePP, AllocationFailures) {
  Image in = random_image(10, 9, 8, 3, 9);
  struct Case {
    int32_t w, h;
    std::vector<std::string> wheres;
  } cases[] = {
      {17, 9, {"RstScaleWidthPP::RstScaleWidthPP()", "RstScaleWidthPPE::RstScaleWidthPPE()", "rst_create_end()"}},
      {7, 9, {"RstScaleWidthPP::RstScaleWidthPP()", "RstScaleWidthPPR::make_table()", "rst_create_end()"}},
      {10, 4, {"RstScaleHeightPP::RstScaleHeightPP()", "rst_create_end()"}},
      {10, 20, {"RstScaleHeightPP::RstScaleHeightPP()", "rst_create_end()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    auto make = [&](RstRead* s) {
      RstRead* node = c.w != in.width ? RstScaleWidthPP::create(s, c.w) : RstScaleHeightPP::create(s, c.h);
      if (!node) {
        EXPECT_EQ(first_line(s), in.lines[0]) << "the source still reads from line 0";
      }
      return node;
    };
    std::vector<Bytes> expected;
    {
      Held<> node(make(source_of(in)));
      expected = pull(node.get());
    }
    check_allocation_failures([&] { return source_of(in); }, make, expected, c.wheres);
  }
  // The height reducer's sums come with its first read and stay.
  Held<> node(RstScaleHeightPPR::create(source_of(in), 4));
  ASSERT_NE(node, nullptr);
  Bytes line(size_t(node->line_size()));
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(node->read(line.data()), 0);
  RstAllocFault::clear();
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(), (RstReport{-1, "RstScaleHeightPPR::read()"}));
  node->reset();
  EXPECT_EQ(pull(node.get()), area_model_lines(in.lines, 4));
}

}  // namespace
