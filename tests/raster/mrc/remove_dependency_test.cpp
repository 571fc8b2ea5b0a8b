// Dependency removal: empty masks, the tone test without parameters, the
// small-component step of the 400-dpi record, the shape and frame tests on
// large outlines, a component at the image's right edge, the tone and frame
// rules on their own, and the refusals.
#include <gtest/gtest.h>

#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_remove_dependency.h"

namespace {

class RemoveDependency : public RstStatusTest {};

// The record of the segmentation at 400 dpi: resolution, tone range 30,
// contour share 10, small size (400 x 3 + 200) / 400 = 3.
const int32_t kRecord400[RstRemoveDependency::kRecordWords] = {0, 0, 0, 400, 0, 30, 10, 0, 0, 0, 3};

// A page of tone bg with the mask's pixels at fg.
RstRead* page(const Mask& m, uint8_t fg, uint8_t bg) { return source8(m, fg, bg); }

Mask blank(int32_t w, int32_t h) { return Mask{w, h, std::vector<uint8_t>(size_t(w) * size_t(h), 0)}; }

void fill(Mask& m, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  for (int32_t y = y0; y < y0 + h; ++y)
    for (int32_t x = x0; x < x0 + w; ++x) m.set[size_t(y) * size_t(m.width) + size_t(x)] = 1;
}

// An outline of the given sides (left, top, right, bottom), 2 pixels thick.
Mask outline(int32_t w, int32_t h, int32_t x0, int32_t y0, int32_t size, bool left, bool top, bool right, bool bottom) {
  Mask m = blank(w, h);
  if (left) fill(m, x0, y0, 2, size);
  if (top) fill(m, x0, y0, size, 2);
  if (right) fill(m, x0 + size - 2, y0, 2, size);
  if (bottom) fill(m, x0, y0 + size - 2, size, 2);
  return m;
}

// The output mask, checked to be raw reversed-gray bits of the mask's size.
Mask result_mask(RstRead* node, int32_t w, int32_t h) {
  RstHeader hd(node);
  EXPECT_EQ(hd.bits_per_sample, 1);
  EXPECT_EQ(hd.data_form, RstDataForm::raw);
  EXPECT_EQ(hd.color_type, RstColorType::default_gray_reverse());
  EXPECT_EQ(hd.width, w);
  EXPECT_EQ(hd.height, h);
  Mask out = blank(w, h);
  std::vector<Bytes> lines = pull(node);
  EXPECT_EQ(lines.size(), size_t(h));
  for (int32_t y = 0; y < h && y < int32_t(lines.size()); ++y)
    for (int32_t x = 0; x < w; ++x)
      out.set[size_t(y) * size_t(w) + size_t(x)] = (lines[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1;
  return out;
}

TEST_F(RemoveDependency, EmptyMaskGivesAnEmptyMask) {
  Mask m = blank(20, 9);
  for (bool params : {false, true}) {
    uint8_t result = 7;
    Held<> out(RstRemoveDependency::create(page(m, 20, 230), source1(m), params, params ? kRecord400 : nullptr,
                                           params ? &result : nullptr));
    ASSERT_TRUE(out);
    EXPECT_EQ(result_mask(out.get(), 20, 9).set, m.set);
    EXPECT_EQ(result, params ? 0 : 7);
  }
}

TEST_F(RemoveDependency, ToneTestKeepsWhatStandsOutFromItsContour) {
  // Left: a dark shape on light paper. Right: a shape of the tone around it.
  Mask m = blank(30, 12);
  fill(m, 3, 3, 6, 5);
  fill(m, 18, 3, 6, 5);
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < 12; ++y) {
    Bytes l(30, 230);
    for (int32_t x = 0; x < 30; ++x) {
      if (m.at(x, y)) l[size_t(x)] = 20;
      if (x >= 15) l[size_t(x)] = 20;  // the right half all of one tone
    }
    lines.push_back(l);
  }
  RstRead* image = new LineSource(image_header(30, 12, 8, 1, RstColorType::s_gray()), lines);
  Held<> out(RstRemoveDependency::create(image, source1(m), 0, nullptr, nullptr));
  ASSERT_TRUE(out);
  Mask expected = blank(30, 12);
  fill(expected, 3, 3, 6, 5);
  EXPECT_EQ(result_mask(out.get(), 30, 12).set, expected.set);
}

TEST_F(RemoveDependency, SpecksGoBeforeAnyToneTest) {
  // With S = 3 a 3 x 3 speck goes although it stands out; 4 x 1 and 1 x 4 stay.
  struct Case {
    int32_t w, h;
    bool stays;
  } cases[] = {{3, 3, false}, {1, 1, false}, {3, 2, false}, {4, 1, true}, {1, 4, true}, {4, 4, true}};
  for (const Case& c : cases) {
    Mask m = blank(12, 10);
    fill(m, 4, 3, c.w, c.h);
    uint8_t result = 9;
    Held<> out(RstRemoveDependency::create(page(m, 20, 230), source1(m), 1, kRecord400, &result));
    ASSERT_TRUE(out);
    EXPECT_EQ(result_mask(out.get(), 12, 10).set, c.stays ? m.set : blank(12, 10).set) << c.w << " x " << c.h;
    EXPECT_EQ(result, c.stays ? 1 : 0);
  }
}

TEST_F(RemoveDependency, ShapeTestsOnLargeComponents) {
  struct Case {
    const char* name;
    Mask mask;
    bool stays;
  } cases[] = {
      {"hollow square", outline(520, 520, 10, 10, 500, true, true, true, true), true},
      {"two sides missing", outline(520, 520, 10, 10, 500, true, true, false, false), false},
      {"three sides", outline(520, 520, 10, 10, 500, true, true, true, false), true},
      {"filled square",
       [] {
         Mask m = blank(520, 520);
         fill(m, 10, 10, 500, 500);
         return m;
       }(),
       false},
      {"long bar",
       [] {
         Mask m = blank(5010, 460);
         fill(m, 5, 5, 5000, 450);
         return m;
       }(),
       true},
      // At the right edge the grown rectangle is cut back to the image.
      {"hollow square at the right edge", outline(510, 520, 10, 10, 500, true, true, true, true), true},
      // Smaller than the resolution in both directions: kept unexamined.
      {"small filled square",
       [] {
         Mask m = blank(420, 420);
         fill(m, 10, 10, 397, 397);
         return m;
       }(),
       true},
  };
  for (const Case& c : cases) {
    const Mask& m = c.mask;
    uint8_t result = 9;
    Held<> out(RstRemoveDependency::create(page(m, 20, 230), source1(m), 1, kRecord400, &result));
    ASSERT_TRUE(out) << c.name;
    Mask got = result_mask(out.get(), m.width, m.height);
    EXPECT_TRUE(got.set == (c.stays ? m.set : blank(m.width, m.height).set)) << c.name;
    EXPECT_EQ(result, c.stays ? 1 : 0) << c.name;
  }
}

TEST_F(RemoveDependency, ComponentWithoutContourGoesOnlyWithParameters) {
  Mask m{6, 4, std::vector<uint8_t>(24, 1)};
  uint8_t result = 9;
  Held<> with(RstRemoveDependency::create(page(m, 20, 230), source1(m), 1, kRecord400, &result));
  ASSERT_TRUE(with);
  EXPECT_EQ(result_mask(with.get(), 6, 4).set, blank(6, 4).set);
  EXPECT_EQ(result, 0);
  Held<> without(RstRemoveDependency::create(page(m, 20, 230), source1(m), 0, nullptr, nullptr));
  ASSERT_TRUE(without);
  EXPECT_EQ(result_mask(without.get(), 6, 4).set, m.set);
}

TEST_F(RemoveDependency, ToneRule) {
  struct Case {
    uint32_t mean;
    std::vector<std::pair<uint32_t, uint32_t>> contour;
    int32_t range, share;
    bool differs;
  } cases[] = {
      {20, {{230, 40}}, 20, 10, true},
      {20, {{20, 40}}, 20, 10, false},
      {20, {{40, 1}, {230, 9}}, 20, 10, true},   // 10 % alike: not above the share
      {20, {{40, 2}, {230, 9}}, 20, 10, false},  // 18 %
      {20, {{41, 5}, {230, 5}}, 20, 10, true},   // 41 is outside +-20
      {5, {{0, 5}, {230, 5}}, 20, 10, false},    // the range stops at 0
      {250, {{255, 5}, {0, 5}}, 20, 10, false},  // and at 255
      {100, {}, 20, 10, true},
  };
  for (const Case& c : cases) {
    RstHistogramData h(8);
    for (auto [v, n] : c.contour) h.add(v, n);
    EXPECT_EQ(RstRemoveDependency::tone_differs(c.mean, h, c.range, c.share), c.differs) << c.mean;
  }
}

TEST_F(RemoveDependency, FrameRule) {
  // Profiles of a W x H outline with the given sides, 2 pixels thick.
  auto profiles = [](int32_t w, int32_t h, bool left, bool top, bool right, bool bottom) {
    Mask m = outline(w, h, 0, 0, std::min(w, h), left, top, right, bottom);
    RstProjectionData d;
    d.set_dimension(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        if (m.at(x, y)) ++d.columns[size_t(x)], ++d.rows[size_t(y)];
    return d;
  };
  struct Case {
    int32_t size;
    bool l, t, r, b, framed;
  } cases[] = {
      {500, true, true, true, true, true},      {500, true, true, true, false, true},
      {500, false, true, false, true, false},   {500, true, false, false, false, false},
      {500, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RstRemoveDependency::framed(profiles(c.size, c.size, c.l, c.t, c.r, c.b)), c.framed)
        << c.l << c.t << c.r << c.b;
  }
}

TEST_F(RemoveDependency, RefusesBadInputs) {
  uint8_t result = 0;
  struct Case {
    const char* name;
    RstHeader image, mask;
    bool image_null, mask_null;
    uint8_t flag;
    const int32_t* record;
    uint8_t* result;
    int32_t code;
  } cases[] = {
      {"no image", {}, image_header(4, 4, 1, 1), true, false, 0, nullptr, nullptr, -2},
      {"no mask", image_header(4, 4, 8, 1), {}, false, true, 0, nullptr, nullptr, -2},
      {"no record", image_header(4, 4, 8, 1), image_header(4, 4, 1, 1), false, false, 1, nullptr, &result, -2},
      {"no result", image_header(4, 4, 8, 1), image_header(4, 4, 1, 1), false, false, 1, kRecord400, nullptr, -2},
      {"1-bit image", image_header(4, 4, 1, 1), image_header(4, 4, 1, 1), false, false, 0, nullptr, nullptr, -3},
      {"8-bit mask", image_header(4, 4, 8, 1), image_header(4, 4, 8, 1), false, false, 0, nullptr, nullptr, -3},
      {"run-line mask", image_header(4, 4, 8, 1), image_header(4, 4, 1, 1, nullptr, RstDataForm::rle), false, false, 0,
       nullptr, nullptr, -3},
      {"sizes differ", image_header(4, 4, 8, 1), image_header(5, 4, 1, 1), false, false, 0, nullptr, nullptr, -3},
  };
  for (const Case& c : cases) {
    RstStatusRecorder status;
    Held<> image(c.image_null ? nullptr : new LineSource(c.image, {}));
    Held<> mask(c.mask_null ? nullptr : new LineSource(c.mask, {}));
    EXPECT_EQ(RstRemoveDependency::create(image.get(), mask.get(), c.flag, c.record, c.result), nullptr) << c.name;
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, "RstRemoveDependency::create()"}})) << c.name;
  }
}

}  // namespace
