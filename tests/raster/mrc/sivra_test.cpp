// The Sivra stage: the parameter record, the clipped box mean against a
// brute-force mean, background removal's decision on shared components, the
// stripe step's type rule, the stage's stripe count, a whole page with text
// on a light and on a dark area, and the refusals of every create.
#include <gtest/gtest.h>

#include <random>

#include "gray_support.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/mrc/rst_sivra.h"
#include "raster/mrc/rst_stripe.h"

namespace {

class Sivra : public RstStatusTest {};

Gray plain_gray(int32_t w, int32_t h, uint8_t tone) {
  return Gray{w, h, std::vector<uint8_t>(size_t(w) * size_t(h), tone)};
}

void paint(Gray& g, int32_t x0, int32_t y0, int32_t w, int32_t h, uint8_t tone) {
  for (int32_t y = y0; y < y0 + h; ++y)
    for (int32_t x = x0; x < x0 + w; ++x) g.px[size_t(y) * size_t(g.width) + size_t(x)] = tone;
}

Mask blank(int32_t w, int32_t h) { return Mask{w, h, std::vector<uint8_t>(size_t(w) * size_t(h), 0)}; }

void fill(Mask& m, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  for (int32_t y = y0; y < y0 + h; ++y)
    for (int32_t x = x0; x < x0 + w; ++x) m.set[size_t(y) * size_t(m.width) + size_t(x)] = 1;
}

Mask unite(const Mask& a, const Mask& b) {
  Mask out = a;
  for (size_t i = 0; i < out.set.size(); ++i) out.set[i] = a.set[i] | b.set[i];
  return out;
}

// A gray source whose masks are the threshold nodes' kind: 1 bit, gray.
RstRead* gray_mask(const Mask& m) {
  return new LineSource(image_header(m.width, m.height, 1, 1, RstColorType::s_gray()), packed_rows(m));
}

// A run-line mask node read back through the decoder, as pixels; the node
// is ended.
Mask runs_to_mask(RstRead* runs) {
  RstHeader h(runs);
  EXPECT_EQ(h.bits_per_sample, 1);
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  Mask out = blank(h.width, h.height);
  RstDecodeRLE* bits = RstDecodeRLE::create(runs);
  EXPECT_NE(bits, nullptr);
  if (!bits) {
    runs->end();
    return out;
  }
  Held<> held(bits);
  std::vector<Bytes> lines = pull(bits);
  EXPECT_EQ(lines.size(), size_t(h.height));
  for (int32_t y = 0; y < h.height && y < int32_t(lines.size()); ++y)
    for (int32_t x = 0; x < h.width; ++x)
      out.set[size_t(y) * size_t(h.width) + size_t(x)] = (lines[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1;
  return out;
}

// The mean over the window clipped to the image, summed afresh per pixel.
std::vector<uint8_t> clipped_mean(const Gray& g, int32_t ww, int32_t wh) {
  std::vector<uint8_t> out(g.px.size());
  const int32_t hw = ww / 2, hh = wh / 2;
  for (int32_t y = 0; y < g.height; ++y)
    for (int32_t x = 0; x < g.width; ++x) {
      uint64_t s = 0, n = 0;
      for (int32_t v = std::max(0, y - hh); v <= std::min(g.height - 1, y - hh + wh - 1); ++v)
        for (int32_t u = std::max(0, x - hw); u <= std::min(g.width - 1, x - hw + ww - 1); ++u) {
          s += uint64_t(g.at(u, v));
          ++n;
        }
      out[size_t(y) * size_t(g.width) + size_t(x)] = uint8_t((s + n / 2) / n);
    }
  return out;
}

TEST_F(Sivra, RecordFollowsTheResolution) {
  struct Case {
    int32_t resolution, overlap;
    int32_t window, small, overlap_out;
  } cases[] = {
      {400, 75, 151, 3, 75},                          // 75 stays at 400 dpi
      {300, 75, 113, 2, 56},                          // half a window elsewhere
      {600, 75, 226, 5, 113}, {300, 40, 113, 2, 40},  // other overlaps stay
      {200, 0, 76, 2, 0},
  };
  for (const Case& c : cases) {
    const RstSivraParam p = RstSivraParam::segmentation(c.resolution, 512, c.overlap);
    EXPECT_EQ(p.word(RstSivraParam::kWindowSize), c.window) << c.resolution;
    EXPECT_EQ(p.word(RstSivraParam::kSmallSize), c.small) << c.resolution;
    EXPECT_EQ(p.word(RstSivraParam::kOverlap), c.overlap_out) << c.resolution;
    EXPECT_EQ(p.word(RstSivraParam::kRows), 512);
    EXPECT_EQ(p.word(RstSivraParam::kResolution), c.resolution);
    const int32_t rest[] = {30, 30, 10, 2, 1};
    for (int w = RstSivraParam::kDarkThreshold; w <= RstSivraParam::kClosingRadius; ++w)
      EXPECT_EQ(p.word(w), rest[w - RstSivraParam::kDarkThreshold]);
    EXPECT_EQ(p.word(RstSivraParam::kLightThreshold), 20);
  }
  // Dependency removal reads the record by word number.
  const RstSivraParam p = RstSivraParam::segmentation(400, 512, 75);
  EXPECT_EQ(p.data()[3], 400);
  EXPECT_EQ(p.data()[5], 30);
  EXPECT_EQ(p.data()[6], 10);
  EXPECT_EQ(p.data()[10], 3);
}

TEST_F(Sivra, OverlapNotBelowTheRowsIsRefusedByTheStripeCut) {
  RstStatusRecorder status;
  Held<> page(gray_source(plain_gray(8, 40, 100)));
  EXPECT_TRUE(RstStripe::create(page.get(), 10, 10, 2, 10).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstStripe::create()"}}));
}

TEST_F(Sivra, AverageFilterMatchesTheClippedMean) {
  std::mt19937 rng(89);
  std::uniform_int_distribution<int> tone(0, 255);
  const struct { int32_t w, h; } windows[] = {{1, 1}, {3, 3}, {5, 3}, {151, 151}};
  const int32_t sizes[] = {1, 2, 3, 4, 7, 76, 151, 152, 200};
  for (const auto& win : windows)
    for (int32_t width : sizes)
      for (int32_t height : sizes) {
        if (win.w == 151 && (width % 2 == 0 && width != 200)) continue;  // keeps the big window's runs short
        Gray g{width, height, {}};
        for (int32_t i = 0; i < width * height; ++i) g.px.push_back(uint8_t(tone(rng)));
        RstRead* node = RstAverageFilterForSivra::create(gray_source(g), RstWindow{win.w, win.h, 0, 0});
        ASSERT_NE(node, nullptr);
        Held<> held(node);
        EXPECT_EQ(pixels(node), clipped_mean(g, win.w, win.h))
            << win.w << "x" << win.h << " on " << width << "x" << height;
      }
}

TEST_F(Sivra, AverageFilterSmallCases) {
  // A 1 x 1 window hands the source back.
  RstRead* src = gray_source(plain_gray(5, 5, 9));
  RstRead* same = RstAverageFilterForSivra::create(src, RstWindow{1, 1, 0, 0});
  EXPECT_EQ(same, src);
  Held<> held(same);
  struct Case {
    const char* name;
    Gray image;
    std::vector<uint8_t> out;
  } cases[] = {
      {"one pixel", Gray{1, 1, {77}}, {77}},
      // Every pixel's clipped window is the 4 pixels: 1 + 0 + 0 + 1 = 2 -> 0.5 rounds up.
      {"corner half", Gray{2, 2, {1, 0, 0, 1}}, {1, 1, 1, 1}},
      {"corner below half", Gray{2, 2, {1, 0, 0, 0}}, {0, 0, 0, 0}},
      // Corners average 4 pixels, edges 6, the centre 9; 9 / 6 rounds up.
      {"3 x 3", Gray{3, 3, {0, 0, 0, 0, 9, 0, 0, 0, 6}}, {2, 2, 2, 2, 2, 3, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    Held<> node(RstAverageFilterForSivra::create(gray_source(c.image), RstWindow{3, 3, 1, 1}));
    ASSERT_NE(node, nullptr) << c.name;
    EXPECT_EQ(pixels(node.get()), c.out) << c.name;
  }
}

// Background removal on a page of tone 240: a 6 x 6 block at (4, 4) in the
// first mask (tone 230) beside a 6 x 6 block at (10, 4) in the second (tone
// 40), one component once the masks are united.
struct SharedPage {
  Gray image = plain_gray(24, 16, 240);
  Mask first = blank(24, 16), second = blank(24, 16);
  SharedPage() {
    paint(image, 4, 4, 6, 6, 230);
    paint(image, 10, 4, 6, 6, 40);
    fill(first, 4, 4, 6, 6);
    fill(second, 10, 4, 6, 6);
  }
};

TEST_F(Sivra, SharedComponentLeavesTheMaskNearerItsSurroundings) {
  const SharedPage page;
  // The contour mean 240 lies nearer 230 than 40: the component leaves the
  // first mask and stays in the second.
  struct Case {
    int32_t type;
    Mask expected;
  } cases[] = {{1, blank(24, 16)}, {0, page.second}, {2, page.second}};
  for (const Case& c : cases) {
    RstStatusRecorder status;
    RstRead* out =
        RstRemoveBackground::create(gray_source(page.image), gray_mask(page.first), gray_mask(page.second), 1, c.type);
    EXPECT_TRUE(status.errors().empty()) << c.type;
    ASSERT_NE(out, nullptr) << c.type;
    EXPECT_EQ(runs_to_mask(out).set, c.expected.set) << c.type;
  }
}

TEST_F(Sivra, SharedComponentWithoutContourGoesByItsSize) {
  // The component fills the page, so no contour pixel lies inside it: the
  // smaller part (4 pixels under the first mask against 8) leaves its mask.
  Gray image = plain_gray(6, 2, 100);
  Mask first = blank(6, 2), second = blank(6, 2);
  fill(first, 0, 0, 2, 2);
  fill(second, 2, 0, 4, 2);
  struct Case {
    int32_t type;
    Mask expected;
  } cases[] = {{1, blank(6, 2)}, {0, second}, {2, second}};
  for (const Case& c : cases) {
    RstStatusRecorder status;
    RstRead* out = RstRemoveBackground::create(gray_source(image), gray_mask(first), gray_mask(second), 1, c.type);
    EXPECT_TRUE(status.errors().empty()) << c.type;
    ASSERT_NE(out, nullptr) << c.type;
    EXPECT_EQ(runs_to_mask(out).set, c.expected.set) << c.type;
  }
}

TEST_F(Sivra, MasksSharingNothingStayAsTheyAre) {
  Gray image = plain_gray(30, 12, 200);
  paint(image, 2, 2, 5, 5, 20);
  paint(image, 20, 3, 4, 6, 20);
  Mask first = blank(30, 12), second = blank(30, 12);
  fill(first, 2, 2, 5, 5);
  fill(second, 20, 3, 4, 6);
  struct Case {
    int32_t type;
    Mask expected;
  } cases[] = {{2, unite(first, second)}, {1, first}, {0, second}};
  for (const Case& c : cases) {
    RstRead* out = RstRemoveBackground::create(gray_source(image), gray_mask(first), gray_mask(second), 1, c.type);
    ASSERT_NE(out, nullptr) << c.type;
    EXPECT_EQ(runs_to_mask(out).set, c.expected.set) << c.type;
  }
  // Two empty masks: no component at all.
  RstRead* out =
      RstRemoveBackground::create(gray_source(image), gray_mask(blank(30, 12)), gray_mask(blank(30, 12)), 1, 2);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(runs_to_mask(out).set, blank(30, 12).set);
}

TEST_F(Sivra, RunLineMaskPassesTheCheckButIsNotEncoded) {
  const SharedPage page;
  RstStatusRecorder status;
  Held<> image(gray_source(page.image));
  Held<> first(source_runs(page.first));
  Held<> second(gray_mask(page.second));
  EXPECT_EQ(RstRemoveBackground::create(image.get(), first.get(), second.get(), 1, 2), nullptr);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors()[0].code, -3);
  EXPECT_NE(status.errors()[0].where, "RstRemoveBackground::create()");
}

TEST_F(Sivra, StripWithAnEmptiedMaskFollowsTheType) {
  // One mask holds one pixel, gone in the small-component step; the other a
  // dark block on a light page.
  Gray image = plain_gray(40, 30, 220);
  paint(image, 10, 8, 8, 12, 20);
  Mask dot = blank(40, 30), block = blank(40, 30);
  fill(dot, 30, 20, 1, 1);
  fill(block, 10, 8, 8, 12);
  const Mask none = blank(40, 30);
  struct Case {
    const char* name;
    const Mask &first, &second;
    int32_t type;
    const Mask& expected;
  } cases[] = {
      {"first emptied, both", dot, block, 2, block},   {"first emptied, second", dot, block, 0, block},
      {"first emptied, first", dot, block, 1, none},   {"second emptied, both", block, dot, 2, block},
      {"second emptied, first", block, dot, 1, block}, {"second emptied, second", block, dot, 0, none},
  };
  for (const Case& c : cases) {
    RstSivraParam record = RstSivraParam::segmentation(400, 30, 0);
    record.set_word(RstSivraParam::kRemovalType, c.type);
    RstRead* out = RstSivraStrip::create(gray_source(image), gray_mask(c.first), gray_mask(c.second), record);
    ASSERT_NE(out, nullptr) << c.name;
    EXPECT_EQ(runs_to_mask(out).set, c.expected.set) << c.name;
  }
}

TEST_F(Sivra, Refusals) {
  const RstHeader gray8 = image_header(4, 4, 8, 1, RstColorType::s_gray());
  const RstHeader gray1 = image_header(4, 4, 1, 1, RstColorType::s_gray());
  const RstHeader runs1 = image_header(4, 4, 1, 1, RstColorType::s_gray(), RstDataForm::rle);
  const RstHeader rgb8 = image_header(4, 4, 8, 3, RstColorType::s_rgb());
  const RstHeader gray16 = image_header(4, 4, 16, 1, RstColorType::s_gray());
  const RstHeader wide1 = image_header(5, 4, 1, 1, RstColorType::s_gray());
  const RstHeader none{};
  const RstSivraParam record = RstSivraParam::segmentation(300, 2, 0);
  RstSivraParam bad_type = record;
  bad_type.set_word(RstSivraParam::kRemovalType, 3);
  enum Call { strip, remove, filter };
  struct Case {
    const char* name;
    Call call;
    RstHeader image, first, second;
    const RstSivraParam* record;
    uint32_t radius;
    int32_t type;
    int32_t code;
    const char* where;
  } cases[] = {
      {"strip: no image", strip, none, gray1, gray1, &record, 0, 0, -2, "RstSivraStrip::create()"},
      {"strip: no mask", strip, gray8, gray1, none, &record, 0, 0, -2, "RstSivraStrip::create()"},
      {"strip: type 3", strip, gray8, gray1, gray1, &bad_type, 0, 0, -2, "RstSivraStrip::create()"},
      {"strip: rgb image", strip, rgb8, gray1, gray1, &record, 0, 0, -3, "RstSivraStrip::create()"},
      {"strip: run-line mask", strip, gray8, runs1, gray1, &record, 0, 0, -3, "RstSivraStrip::create()"},
      {"strip: sizes differ", strip, gray8, gray1, wide1, &record, 0, 0, -3, "RstSivraStrip::create()"},
      {"remove: no image", remove, none, gray1, gray1, nullptr, 1, 2, -2, "RstRemoveBackground::create()"},
      {"remove: radius 0", remove, gray8, gray1, gray1, nullptr, 0, 2, -2, "RstRemoveBackground::create()"},
      {"remove: type 3", remove, gray8, gray1, gray1, nullptr, 1, 3, -2, "RstRemoveBackground::create()"},
      {"remove: 8-bit mask", remove, gray8, gray8, gray1, nullptr, 1, 2, -3, "RstRemoveBackground::create()"},
      {"remove: 16-bit image", remove, gray16, gray1, gray1, nullptr, 1, 2, -3, "RstRemoveBackground::create()"},
      {"remove: sizes differ", remove, gray8, gray1, wide1, nullptr, 1, 2, -3, "RstRemoveBackground::create()"},
      {"filter: no source", filter, none, none, none, nullptr, 0, 0, -2, "RstAverageFilterForSivra::create()"},
      {"filter: rgb", filter, rgb8, none, none, nullptr, 0, 0, -3, "RstAverageFilterForSivra::create()"},
      {"filter: 1 bit", filter, gray1, none, none, nullptr, 0, 0, -3, "RstAverageFilterForSivra::create()"},
  };
  const auto node = [](const RstHeader& h) -> RstRead* { return h.width ? new LineSource(h, {}) : nullptr; };
  for (const Case& c : cases) {
    RstStatusRecorder status;
    Held<> image(node(c.image)), first(node(c.first)), second(node(c.second));
    RstRead* out = nullptr;
    if (c.call == strip) out = RstSivraStrip::create(image.get(), first.get(), second.get(), *c.record);
    else if (c.call == remove)
      out = RstRemoveBackground::create(image.get(), first.get(), second.get(), c.radius, c.type);
    else out = RstAverageFilterForSivra::create(image.get(), RstWindow{3, 3, 1, 1});
    EXPECT_EQ(out, nullptr) << c.name;
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, c.where}})) << c.name;
  }
  // A colormap is refused by the filter too.
  RstStatusRecorder status;
  RstHeader mapped = gray8;
  mapped.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
  Held<> image(new LineSource(mapped, {}));
  EXPECT_EQ(RstAverageFilterForSivra::create(image.get(), RstWindow{3, 3, 1, 1}), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstAverageFilterForSivra::create()"}}));
}

TEST_F(Sivra, CoreRefusals) {
  const RstSivraParam record = RstSivraParam::segmentation(300, 160, 75);
  RstHeader mapped = image_header(40, 340, 8, 1, RstColorType::s_gray());
  mapped.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
  struct Case {
    const char* name;
    RstHeader image;
    int32_t count;
    int32_t code;
  } cases[] = {
      {"no image", RstHeader{}, 0, -2},
      {"16-bit image", image_header(40, 340, 16, 1, RstColorType::s_gray()), 0, -3},
      {"run lines", image_header(40, 340, 1, 1, RstColorType::s_gray(), RstDataForm::rle), 0, -3},
      {"colormap", mapped, 0, -3},
      // 340 lines of 160-line stripes 104 apart make 3 stripes.
      {"fewer stripes than the count", image_header(40, 340, 8, 1, RstColorType::s_gray()), 4, -3},
  };
  for (const Case& c : cases) {
    RstStatusRecorder status;
    std::vector<Bytes> lines(size_t(c.image.height), Bytes(size_t(c.image.width) * 2, 200));
    Held<> image(c.image.width ? new LineSource(c.image, lines) : nullptr);
    EXPECT_TRUE(RstSivraCore::create(image.get(), record, c.count).empty()) << c.name;
    ASSERT_FALSE(status.errors().empty()) << c.name;
    EXPECT_EQ(status.errors().back(), (RstReport{c.code, "RstSivraCore::create()"})) << c.name;
  }
}

// A 300-dpi page: the left half light (220) with dark glyphs (30), the right
// half dark (40) with light glyphs (230), a text line every 40 lines.
struct TextPage {
  static constexpr int32_t kWidth = 600, kHeight = 340, kBorder = 300;
  Gray image = plain_gray(kWidth, kHeight, 220);
  std::vector<int32_t> line_tops;
  TextPage() {
    paint(image, kBorder, 0, kWidth - kBorder, kHeight, 40);
    for (int32_t top = 10; top + 12 <= kHeight; top += 40) {
      line_tops.push_back(top);
      for (int32_t x = 20; x + 3 <= kWidth - 20; x += 16) {
        if (x >= kBorder - 20 && x < kBorder + 20) continue;
        paint(image, x, top, 3, 12, x < kBorder ? 30 : 230);
        paint(image, x, top + 5, 8, 2, x < kBorder ? 30 : 230);
      }
    }
  }
};

TEST_F(Sivra, CoreMakesOneMaskPerStripe) {
  const TextPage page;
  // At 400 dpi the page is smoothed first and the overlap of 75 stays: 340
  // lines then make 4 stripes 85 apart.
  struct Case {
    int32_t resolution, count;
    size_t masks;
  } cases[] = {{300, 3, 3}, {300, 2, 2}, {300, 0, 1}, {400, 4, 4}};
  for (const Case& c : cases) {
    const RstSivraParam record = RstSivraParam::segmentation(c.resolution, 160, 75);
    const int32_t step = 160 - record.word(RstSivraParam::kOverlap);
    const int32_t window = record.word(RstSivraParam::kWindowSize);
    std::vector<RstRead*> masks = RstSivraCore::create(gray_source(page.image), record, c.count);
    ASSERT_EQ(masks.size(), c.masks) << c.count;
    // The stripes share fan-outs: each is read whole and ended in turn.
    for (size_t i = 0; i < masks.size(); ++i) {
      const int32_t top = c.count ? int32_t(i) * step : 0;
      Mask m = runs_to_mask(masks[i]);
      ASSERT_EQ(m.width, TextPage::kWidth);
      // Pixels on every text line inside the stripe, on both areas.
      for (int32_t line : page.line_tops) {
        if (line < top || line + 12 > top + m.height) continue;
        bool light_side = false, dark_side = false;
        for (int32_t y = line - top; y < line - top + 12; ++y)
          for (int32_t x = 0; x < m.width; ++x)
            if (m.at(x, y)) (x < TextPage::kBorder ? light_side : dark_side) = true;
        EXPECT_TRUE(light_side) << "count " << c.count << " stripe " << i << " line " << line;
        EXPECT_TRUE(dark_side) << "count " << c.count << " stripe " << i << " line " << line;
      }
      // Nothing on the plain areas away from the border (farther than a window).
      int64_t stray = 0;
      for (int32_t y = 0; y < m.height; ++y) {
        bool on_text = false;
        // The 400-dpi smoothing reaches one line above a glyph.
        for (int32_t line : page.line_tops) on_text |= top + y >= line - 1 && top + y < line + 12;
        if (on_text) continue;
        for (int32_t x = 0; x < m.width; ++x)
          if (m.at(x, y) && std::abs(x - TextPage::kBorder) > window) ++stray;
      }
      EXPECT_EQ(stray, 0) << "count " << c.count << " stripe " << i;
    }
  }
}

}  // namespace
