// Integer-factor reduction: groups, rounding, dropped remainders, lines
// never read, refusals and allocation failures.
#include "average_support.h"
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_iar.h"

namespace {

class ScaleIAR : public RstStatusTest {};

TEST_F(ScaleIAR, WidthGroups) {
  struct Case {
    const char* name;
    int32_t from, samples;
    uint32_t n;
    Bytes in, out;
  } cases[] = {
      {"5 by 2, pixel 4 unused", 5, 1, 2, {0, 10, 20, 31, 255}, {5, 26}},
      {"(1, 2) and (1, 1)", 4, 1, 2, {1, 2, 1, 1}, {2, 1}},
      {"49 by 49", 49, 1, 49, Bytes(49, 200), {200}},
      {"by 3, half rounds down", 6, 1, 3, {0, 0, 1, 0, 1, 1}, {0, 1}},
      {"by 4", 8, 1, 4, {1, 1, 0, 0, 1, 1, 1, 0}, {1, 1}},
      {"RGB by 2", 4, 3, 2, {0, 10, 255, 1, 11, 254, 7, 7, 7, 9, 9, 9}, {1, 11, 255, 8, 8, 8}},
      {"4 bytes by 3", 3, 4, 3, {1, 2, 3, 4, 2, 3, 4, 5, 3, 4, 5, 6}, {2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* src = new LineSource(image_header(c.from, 1, 8, c.samples), {c.in});
    Held<> node(RstScaleWidthIAR::create(src, c.n));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).width, c.from / int32_t(c.n));
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleIAR, HeightGroups) {
  std::vector<Bytes> lines;
  for (int i = 0; i < 7; ++i) lines.push_back({uint8_t(i * 10), uint8_t(255 - i)});
  auto* src = new LineSource(image_header(2, 7, 8, 1), lines);
  Held<> node(RstScaleHeightIAR::create(src, 3));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(RstHeader(node.get()).height, 2);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{10, 254}, {40, 251}}));
  EXPECT_EQ(src->reads, 6) << "line 7 is never read";
  node->reset();
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{10, 254}, {40, 251}}));
  // Any number of 8-bit samples, byte by byte.
  Held<> two(RstScaleHeightIAR::create(new LineSource(image_header(1, 2, 8, 2), {{1, 2}, {2, 2}}), 2));
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(pull(two.get()), (std::vector<Bytes>{{2, 2}}));
  // A short line ends the image.
  Held<> short_line(RstScaleHeightIAR::create(new LineSource(image_header(2, 4, 8, 1), {{1, 2}, {3}}), 2));
  EXPECT_EQ(pull(short_line.get()), std::vector<Bytes>{});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleIAR, AgreesWithBlockMeans) {
  for (auto [nx, ny, samples] : {std::tuple{2, 2, 1}, std::tuple{3, 5, 3}, std::tuple{7, 2, 4}, std::tuple{4, 4, 3}}) {
    SCOPED_TRACE(std::to_string(nx) + " x " + std::to_string(ny));
    Image in = random_image(29, 23, 8, samples, uint32_t(nx * 10 + ny));
    RstRead* tall = RstScaleHeightIAR::create(source_of(in), uint32_t(ny));
    ASSERT_NE(tall, nullptr);
    Held<> node(RstScaleWidthIAR::create(tall, uint32_t(nx)));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(image_of(node.get()), block_means(in, nx, ny));
  }
}

TEST_F(ScaleIAR, Refusals) {
  auto* same = new LineSource(image_header(8, 4, 16, 2), {});
  EXPECT_EQ(RstScaleWidthIAR::create(same, 1), same) << "factor 1, any layout";
  EXPECT_EQ(RstScaleHeightIAR::create(same, 1), same);
  EXPECT_EQ(RstScaleWidthIAR24::create(same, 1), same);
  same->end();
  RstHeader mapped = image_header(8, 4, 8, 1, RstColorType::s_gray());
  mapped.colormap.reset(new RstColormap(8, 3, 2));
  using Make = RstRead* (*)(RstRead*, uint32_t);
  struct Case {
    const char* name;
    Make make;
    RstHeader header;
    uint32_t n;
    RstReport report;
  } cases[] = {
      {"factor 0", RstScaleWidthIAR::create, image_header(8, 4, 8, 1), 0, {-2, "RstScaleWidthIAR::create()"}},
      {"16-bit", RstScaleWidthIAR::create, image_header(8, 4, 16, 1), 2, {-3, "RstScaleWidthIAR::create()"}},
      {"2 channels", RstScaleWidthIAR::create, image_header(8, 4, 8, 2), 2, {-3, "RstScaleWidthIAR::create()"}},
      {"colormap", RstScaleWidthIAR::create, mapped, 2, {-3, "RstScaleWidthIAR::create()"}},
      {"factor above the width",
       RstScaleWidthIAR::create,
       image_header(8, 4, 8, 1),
       9,
       {-2, "RstScaleWidthIAR::create()"}},
      {"colormap IAR8", RstScaleWidthIAR8::create, mapped, 2, {-3, "RstScaleWidthIAR8::create()"}},
      {"gray into IAR32",
       RstScaleWidthIAR32::create,
       image_header(8, 4, 8, 1),
       2,
       {-3, "RstScaleWidthIAR32::create()"}},
      {"IAR24 factor above",
       RstScaleWidthIAR24::create,
       image_header(2, 4, 8, 3),
       3,
       {-2, "RstScaleWidthIAR24::create()"}},
      {"height factor 0", RstScaleHeightIAR::create, image_header(8, 4, 8, 1), 0, {-2, "RstScaleHeightIAR::create()"}},
      {"height factor above",
       RstScaleHeightIAR::create,
       image_header(8, 4, 8, 1),
       5,
       {-2, "RstScaleHeightIAR::create()"}},
      {"1-bit lines", RstScaleHeightIAR::create, image_header(8, 4, 1, 1), 2, {-3, "RstScaleHeightIAR::create()"}},
      {"colormap lines", RstScaleHeightIAR::create, mapped, 2, {-3, "RstScaleHeightIAR::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(c.header, {Bytes(8, 7)});
    EXPECT_EQ(c.make(src, c.n), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), c.report);
    EXPECT_EQ(src->reads, 0);
    src->end();
  }
}

TEST_F(ScaleIAR, AllocationFailures) {
  Image in = random_image(12, 9, 8, 3, 4);
  auto expect = [&](RstRead* (*make)(RstRead*)) {
    Held<> node(make(source_of(in)));
    return pull(node.get());
  };
  auto width = [](RstRead* s) { return RstScaleWidthIAR::create(s, 3); };
  auto height = [](RstRead* s) { return RstScaleHeightIAR::create(s, 2); };
  check_allocation_failures([&] { return source_of(in); }, width, expect(width),
                            {"RstScaleWidthIAR::RstScaleWidthIAR()", "rst_create_end()"});
  check_allocation_failures([&] { return source_of(in); }, height, expect(height),
                            {"RstScaleHeightIAR::RstScaleHeightIAR()", "rst_create_end()"});
}

}  // namespace
