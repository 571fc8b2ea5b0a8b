// Sobel filters and 32-bit thresholds: the edge cases of both operators, a
// brute-force Sobel over random gray and bilevel images, the packed and the
// run-line threshold, and the refusals of every create.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "gray_support.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_convert_bits32_to1.h"
#include "raster/mrc/rst_sobel_filter.h"

namespace {

class EdgeFilters : public RstStatusTest {};

// Sobel by the book, the border repeating the edge pixels, saturated at 255.
std::vector<uint8_t> sobel(const Gray& g, bool horizontal) {
  auto p = [&](int32_t x, int32_t y) {
    x = std::clamp(x, 0, g.width - 1);
    y = std::clamp(y, 0, g.height - 1);
    return g.at(x, y);
  };
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < g.height; ++y)
    for (int32_t x = 0; x < g.width; ++x) {
      int v;
      if (horizontal)
        v = (p(x - 1, y - 1) + 2 * p(x, y - 1) + p(x + 1, y - 1)) -
            (p(x - 1, y + 1) + 2 * p(x, y + 1) + p(x + 1, y + 1));
      else
        v = (p(x - 1, y - 1) + 2 * p(x - 1, y) + p(x - 1, y + 1)) -
            (p(x + 1, y - 1) + 2 * p(x + 1, y) + p(x + 1, y + 1));
      out.push_back(uint8_t(std::min(std::abs(v), 255)));
    }
  return out;
}

Gray widened(const Mask& m) {
  Gray g{m.width, m.height, {}};
  for (uint8_t s : m.set) g.px.push_back(s ? 255 : 0);
  return g;
}

TEST_F(EdgeFilters, ConstantImagesGiveZeroUpToTheBorders) {
  Gray gray{7, 5, std::vector<uint8_t>(35, 77)};
  Mask ones{9, 4, std::vector<uint8_t>(36, 1)};
  for (uint8_t direction : {1, 2}) {
    SCOPED_TRACE(int(direction));
    Held<> a(RstSobelFilter3x3::create(gray_source(gray), direction));
    ASSERT_TRUE(a);
    EXPECT_EQ(pixels(a.get()), std::vector<uint8_t>(35, 0));
    Held<> b(RstSobelFilter3x3::create(source1(ones), direction));
    ASSERT_TRUE(b);
    EXPECT_EQ(pixels(b.get()), std::vector<uint8_t>(36, 0));
  }
}

TEST_F(EdgeFilters, OneSetPixelSaturatesAroundIt) {
  Mask dot = draw({".....", ".....", "..#..", ".....", "....."});
  // Above and below: 255 beside it and 510 (saturated) under it; nothing on
  // its own line. The vertical filter is the same turned a quarter.
  std::vector<uint8_t> ring = {0, 255, 255, 255, 0};
  std::vector<uint8_t> zero(5, 0);
  Held<> h(RstSobelFilter3x3::create(source1(dot), 1));
  ASSERT_TRUE(h);
  std::vector<Bytes> rows = pull(h.get());
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], zero);
  EXPECT_EQ(rows[1], ring);
  EXPECT_EQ(rows[2], zero);
  EXPECT_EQ(rows[3], ring);
  EXPECT_EQ(rows[4], zero);
  Held<> v(RstSobelFilter3x3::create(source1(dot), 0));
  ASSERT_TRUE(v);
  rows = pull(v.get());
  ASSERT_EQ(rows.size(), 5u);
  for (int32_t y = 0; y < 5; ++y) {
    Bytes expected = {0, uint8_t(y >= 1 && y <= 3 ? 255 : 0), 0, uint8_t(y >= 1 && y <= 3 ? 255 : 0), 0};
    EXPECT_EQ(rows[size_t(y)], expected) << y;
  }
}

TEST_F(EdgeFilters, StrongGrayEdgesSaturateInsteadOfWrapping) {
  // A step of 64 gives 4 x 64 = 256: the strongest edge must not read as 0.
  Gray step{4, 4, {0, 0, 0, 0, 0, 0, 0, 0, 64, 64, 64, 64, 64, 64, 64, 64}};
  Held<> h(RstSobelFilter3x3::create(gray_source(step), 1));
  ASSERT_TRUE(h);
  std::vector<uint8_t> expected = {0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0};
  EXPECT_EQ(pixels(h.get()), expected);
}

TEST_F(EdgeFilters, DirectionByteChoosesTheFilter) {
  Gray g{3, 3, std::vector<uint8_t>(9, 1)};
  struct Case {
    uint8_t direction;
    bool horizontal;
  } cases[] = {{1, true}, {0, false}, {2, false}, {255, false}};
  for (const Case& c : cases) {
    Held<> f(RstSobelFilter3x3::create(gray_source(g), c.direction));
    ASSERT_TRUE(f);
    EXPECT_EQ(dynamic_cast<RstSobelFilter3x3Horizontal*>(f.get()) != nullptr, c.horizontal) << int(c.direction);
    EXPECT_EQ(dynamic_cast<RstSobelFilter3x3Vertical*>(f.get()) != nullptr, !c.horizontal) << int(c.direction);
  }
}

TEST_F(EdgeFilters, BothFiltersMatchBruteForceOnRandomImages) {
  std::mt19937 rng(77);
  for (int32_t width = 1; width <= 40; ++width) {
    int32_t height = 1 + int32_t(rng() % 9);
    Gray g{width, height, {}};
    for (int32_t i = 0; i < width * height; ++i) g.px.push_back(uint8_t(rng()));
    Mask m = random_mask(width, height, 0.4, uint32_t(rng()));
    for (bool horizontal : {true, false}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height << (horizontal ? " horizontal" : " vertical"));
      Held<> a(horizontal ? RstSobelFilter3x3Horizontal::create(gray_source(g))
                          : RstSobelFilter3x3Vertical::create(gray_source(g)));
      ASSERT_TRUE(a);
      EXPECT_EQ(pixels(a.get()), sobel(g, horizontal));
      Held<> b(RstSobelFilter3x3::create(source1(m), horizontal ? 1 : 2));
      ASSERT_TRUE(b);
      std::vector<uint8_t> out = pixels(b.get());
      EXPECT_EQ(out, sobel(widened(m), horizontal));
      for (uint8_t v : out) EXPECT_TRUE(v == 0 || v == 255);
    }
  }
}

TEST_F(EdgeFilters, SobelRestartsAfterReset) {
  Mask m = random_mask(11, 6, 0.5, 5);
  Held<> f(RstSobelFilter3x3::create(source1(m), 1));
  ASSERT_TRUE(f);
  std::vector<uint8_t> first = pixels(f.get());
  f->reset();
  EXPECT_EQ(pixels(f.get()), first);
}

TEST_F(EdgeFilters, SobelRefusesOtherSources) {
  struct Case {
    int32_t bits, samples, form;
    bool null;
    int32_t code;
  } cases[] = {
      {8, 1, 0, true, -2}, {16, 1, 0, false, -3}, {8, 3, 0, false, -3}, {4, 1, 0, false, -3}, {1, 1, 15, false, -3},
  };
  const char* wheres[] = {"RstSobelFilter3x3::create()", "RstSobelFilter3x3Horizontal::create()",
                          "RstSobelFilter3x3Vertical::create()"};
  for (const Case& c : cases) {
    for (int which = 0; which < 3; ++which) {
      RstStatusRecorder status;
      Held<> src(c.null ? nullptr
                        : new LineSource(image_header(4, 2, c.bits, c.samples, RstColorType::s_gray(), c.form), {}));
      RstRead* made = which == 0   ? RstSobelFilter3x3::create(src.get(), 1)
                      : which == 1 ? RstSobelFilter3x3Horizontal::create(src.get())
                                   : RstSobelFilter3x3Vertical::create(src.get());
      EXPECT_EQ(made, nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, wheres[which]}})) << c.bits << " " << c.samples;
    }
  }
}

// --- thresholds ---

RstRead* values_source(int32_t width, const std::vector<std::vector<uint32_t>>& rows) {
  std::vector<Bytes> lines;
  for (const auto& r : rows) {
    Bytes l(r.size() * 4);
    std::memcpy(l.data(), r.data(), l.size());
    lines.push_back(l);
  }
  return new LineSource(image_header(width, int32_t(rows.size()), 32, 1, RstColorType::none()), lines);
}

RstRead* valued_runs_source(int32_t width, const std::vector<std::vector<Triple>>& rows, int line_size = -1) {
  std::vector<Bytes> lines;
  for (const auto& r : rows) {
    Bytes l((r.size() + 1) * 12, 0);
    if (!r.empty()) std::memcpy(l.data(), r.data(), r.size() * 12);
    int32_t end[3] = {0, -1, -1};
    std::memcpy(l.data() + r.size() * 12, end, 12);
    lines.push_back(l);
  }
  RstHeader h = image_header(width, int32_t(rows.size()), 32, 1, RstColorType::none(), RstDataForm::rle_n);
  return new LineSource(h, lines, line_size >= 0 ? line_size : (width + 1) * 12);
}

TEST_F(EdgeFilters, RawThresholdPacksBitsAboveTheThreshold) {
  struct Case {
    int32_t width;
    uint32_t threshold;
    std::vector<uint32_t> values;
    Bytes expected;
  } cases[] = {
      // Positions past the width read 0: the 6 low bits of byte 2 stay clear.
      {10, 0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {0xFF, 0xC0}},
      {10, 4, {5, 4, 3, 9, 0, 0, 0, 7, 8, 4}, {0x91, 0x80}},
      // Unsigned comparison: the top bit set is above 2^31 - 1.
      {2, 2147483647u, {2147483648u, 2147483647u}, {0x80}},
      {1, 0xFFFFFFFEu, {0xFFFFFFFFu}, {0x80}},
      {8, 0xFFFFFFFFu, std::vector<uint32_t>(8, 0xFFFFFFFFu), {0x00}},
  };
  for (const Case& c : cases) {
    Held<> t(RstConvertBits32To1Threshold::create(values_source(c.width, {c.values, c.values}), c.threshold,
                                                  RstColorType::default_gray_reverse()));
    ASSERT_TRUE(t);
    RstHeader h(t.get());
    EXPECT_EQ(h.bits_per_sample, 1);
    EXPECT_EQ(h.data_form, RstDataForm::raw);
    EXPECT_EQ(h.color_type, RstColorType::default_gray_reverse());
    EXPECT_EQ(t->line_size(), (c.width + 7) / 8);
    EXPECT_EQ(pull(t.get()), (std::vector<Bytes>{c.expected, c.expected})) << c.width << " " << c.threshold;
  }
}

TEST_F(EdgeFilters, RawThresholdEndsAtAShortLine) {
  std::vector<Bytes> lines = {Bytes(12, 1), Bytes(8, 1)};
  Held<> t(RstConvertBits32To1Threshold::create(
      new LineSource(image_header(3, 2, 32, 1, RstColorType::none()), lines, 12), 0, RstColorType::s_gray_reverse()));
  ASSERT_TRUE(t);
  EXPECT_EQ(pull(t.get()), (std::vector<Bytes>{{0xE0}}));
}

TEST_F(EdgeFilters, RawThresholdIgnoresValuesPastTheWidthOfALongerLine) {
  // A source whose lines carry two values more than its width: they fit the
  // work line and never reach the output bits.
  std::vector<uint32_t> values = {1, 0, 1, 7, 7};
  Bytes line(20);
  std::memcpy(line.data(), values.data(), 20);
  Held<> t(RstConvertBits32To1Threshold::create(
      new LineSource(image_header(3, 1, 32, 1, RstColorType::none()), {line}, 20), 0, RstColorType::s_gray_reverse()));
  ASSERT_TRUE(t);
  EXPECT_EQ(pull(t.get()), (std::vector<Bytes>{{0xA0}}));
}

TEST_F(EdgeFilters, RunThresholdCopiesPassingRecordsOneForOne) {
  struct Case {
    uint32_t threshold;
    std::vector<Triple> records;
    Pairs expected;
  } cases[] = {
      // Touching runs are not merged.
      {0, {{3, 0, 4}, {5, 5, 9}, {0, 10, 12}}, {{0, 4}, {5, 9}}},
      {4, {{3, 0, 4}, {5, 5, 9}, {0, 10, 12}}, {{5, 9}}},
      {0, {}, {}},
      {2147483647u, {{0x80000000u, 2, 3}, {0x7FFFFFFFu, 5, 6}}, {{2, 3}}},
  };
  for (const Case& c : cases) {
    Held<> t(RstConvertBits32To1ThresholdRLE::create(valued_runs_source(13, {c.records}), c.threshold,
                                                     RstColorType::default_gray_reverse()));
    ASSERT_TRUE(t);
    RstHeader h(t.get());
    EXPECT_EQ(h.bits_per_sample, 1);
    EXPECT_EQ(h.data_form, RstDataForm::rle);
    EXPECT_EQ(t->line_size(), 7 * 8 + 8);
    EXPECT_EQ(pull(t.get()), (std::vector<Bytes>{run_line(c.expected)}));
  }
}

TEST_F(EdgeFilters, RunThresholdNeverWritesMoreRunsThanTheLineHolds) {
  // A malformed label line with more records than a width of 4 can hold
  // (2 runs) must not run past the caller's line.
  std::vector<Triple> many;
  for (int32_t i = 0; i < 6; ++i) many.push_back({1, i, i});
  Held<> t(RstConvertBits32To1ThresholdRLE::create(valued_runs_source(4, {many}, 7 * 12), 0,
                                                   RstColorType::default_gray_reverse()));
  ASSERT_TRUE(t);
  EXPECT_EQ(pull(t.get()), (std::vector<Bytes>{run_line({{0, 0}, {1, 1}})}));
}

TEST_F(EdgeFilters, ThresholdsRefuseOtherSources) {
  struct Case {
    int32_t bits, samples, form;
    bool null, colormap;
    int32_t code;
  } cases[] = {
      {32, 1, 0, true, false, -2},   {16, 1, 0, false, false, -3}, {32, 2, 0, false, false, -3},
      {32, 1, 15, false, false, -3}, {32, 1, 0, false, true, -3},
  };
  for (const Case& c : cases) {
    for (bool runs : {false, true}) {
      RstStatusRecorder status;
      int32_t form = runs && c.form == 0 ? RstDataForm::rle_n : c.form;
      RstHeader h = image_header(4, 1, c.bits, c.samples, RstColorType::none(), form);
      if (c.colormap) h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 1, 2));
      Held<> src(c.null ? nullptr : new LineSource(h, {}));
      RstRead* made = runs ? static_cast<RstRead*>(RstConvertBits32To1ThresholdRLE::create(src.get(), 0, nullptr))
                           : RstConvertBits32To1Threshold::create(src.get(), 0, nullptr);
      EXPECT_EQ(made, nullptr);
      const char* where = runs ? "RstConvertBits32To1ThresholdRLE::create()" : "RstConvertBits32To1Threshold::create()";
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, where}})) << c.bits << " " << c.form;
    }
  }
}

}  // namespace
