// The Halvex segmentation: inverted lightness, the Sivra candidate masks and
// their stripes, the merge of stripe masks, the page mask's form and stripe
// counts, and every refusal, among them a page without lines and a Sivra
// stage that comes back short.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gray_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_halvex.h"

namespace {

class Halvex : public RstStatusTest {};

RstRead* lab_source(int32_t w, int32_t h, const std::vector<Bytes>& lines,
                    RstColorType* type = RstColorType::itu_lab()) {
  return new LineSource(image_header(w, h, 8, 3, type), lines);
}

// A paper-white Lab page (L 255) with dark strokes: a bar every 16 lines and
// a column every 24, 2 pixels wide.
std::vector<Bytes> stroked_page(int32_t w, int32_t h) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < h; ++y) {
    Bytes l(size_t(w) * 3);
    for (int32_t x = 0; x < w; ++x) {
      const bool ink = (y % 16 < 2 && x > 3 && x < w - 4) || (x % 24 < 2 && y % 40 > 5);
      l[size_t(x) * 3] = ink ? 20 : 255;
      l[size_t(x) * 3 + 1] = 128;
      l[size_t(x) * 3 + 2] = 128;
    }
    lines.push_back(l);
  }
  return lines;
}

struct Nodes {
  std::vector<RstRead*> v;
  ~Nodes() {
    for (RstRead* n : v) n->end();
  }
};

TEST_F(Halvex, LabToiLabInvertsTheLightnessOnly) {
  const std::vector<Bytes> in = {{0, 128, 96, 255, 10, 20}, {1, 2, 3, 254, 0, 255}};
  Held<> node(RstConvertLabToiLab::create(lab_source(2, 2, in)));
  ASSERT_TRUE(node);
  EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::itu_lab());
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{255, 128, 96, 0, 10, 20}, {254, 2, 3, 1, 0, 255}}));
  node->reset();
  EXPECT_EQ(first_line(node.get()), (Bytes{255, 128, 96, 0, 10, 20}));
}

TEST_F(Halvex, LabToiLabRefusesAShortLine) {
  Held<> node(
      RstConvertLabToiLab::create(new LineSource(image_header(2, 1, 8, 3, RstColorType::icc_lab()), {{1, 2, 3}}, 6)));
  ASSERT_TRUE(node);
  EXPECT_TRUE(pull(node.get()).empty());
}

TEST_F(Halvex, SivraMasksOneStripeEach) {
  struct Case {
    int32_t height, rows;
    std::vector<int32_t> lines;
  };
  const Case cases[] = {
      {1000, 300, {300, 300, 300, 100}},
      {5001, 5000, {5000, 1}},
      {120, 0, {120}},
      {120, 121, {120}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.height << " lines, rows " << c.rows);
    Gray g{16, c.height, std::vector<uint8_t>(size_t(16) * size_t(c.height), 0)};
    Nodes masks{RstSivraForHalvex::create(gray_source(g), c.rows, 0)};
    ASSERT_EQ(masks.v.size(), c.lines.size());
    for (size_t i = 0; i < masks.v.size(); ++i) {
      RstHeader h(masks.v[i]);
      EXPECT_EQ(h.height, c.lines[i]);
      EXPECT_EQ(h.width, 16);
      EXPECT_EQ(h.bits_per_sample, 1);
      EXPECT_EQ(pull(masks.v[i]).size(), size_t(c.lines[i]));
    }
    EXPECT_TRUE(status.errors().empty());
  }
}

TEST_F(Halvex, SivraFindsStrokesThatStandOutByPolarity) {
  // Polarity 0: strokes high on a low paper (inverted lightness); polarity
  // 1: strokes low on a high paper. The page is wider than the mean's window,
  // whose outside counts as 0.
  struct Case {
    int32_t polarity;
    uint8_t paper, stroke;
  };
  for (const Case& c : {Case{0, 10, 230}, Case{1, 245, 25}}) {
    SCOPED_TRACE(::testing::Message() << "polarity " << c.polarity);
    const int32_t w = 160, h = 160;
    Gray g{w, h, std::vector<uint8_t>(size_t(w) * size_t(h), c.paper)};
    for (int32_t y = 68; y < 92; ++y)
      for (int32_t x = 78; x < 81; ++x) g.px[size_t(y) * w + size_t(x)] = c.stroke;
    Nodes masks{RstSivraForHalvex::create(gray_source(g), 0, c.polarity)};
    ASSERT_EQ(masks.v.size(), 1u);
    std::vector<Bytes> lines = pull(masks.v[0]);
    ASSERT_EQ(lines.size(), size_t(h));
    int set_on = 0, set_off = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const bool bit = (lines[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1;
        const bool stroke = y >= 68 && y < 92 && x >= 78 && x < 81;
        (stroke ? set_on : set_off) += bit;
      }
    EXPECT_GT(set_on, 0);
    EXPECT_EQ(set_off, 0);
  }
}

TEST_F(Halvex, MergePastesStripsAtTheirLineOffsets) {
  // Four strips of 300, 300, 300 and 100 lines, strip i all bytes i + 1.
  const int32_t rows[] = {300, 300, 300, 100};
  std::vector<RstRead*> strips;
  for (int i = 0; i < 4; ++i)
    strips.push_back(gray_source(Gray{3, rows[i], std::vector<uint8_t>(size_t(3 * rows[i]), uint8_t(i + 1))}));
  const uint8_t fill = 0;
  Held<> page(RstMergeStrip::create(strips, image_header(3, 1000, 8, 1, RstColorType::s_gray()), 300, &fill));
  ASSERT_TRUE(page);
  std::vector<Bytes> lines = pull(page.get());
  ASSERT_EQ(lines.size(), 1000u);
  for (int32_t y : {0, 299, 300, 599, 600, 899, 900, 999})
    EXPECT_EQ(lines[size_t(y)], Bytes(3, uint8_t(y / 300 + 1))) << "line " << y;
}

TEST_F(Halvex, MaskIsTheFormAndSizeOfThePageAndReadsAgain) {
  struct Case {
    int32_t width, height, rows;
  };
  for (const Case& c : {Case{40, 130, 0}, Case{40, 130, 500}, Case{40, 130, 50}, Case{33, 97, 40}}) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", rows " << c.rows);
    RstMRCParam param(c.rows, 0, 0);
    Held<> mask(RstHalvex::create(lab_source(c.width, c.height, stroked_page(c.width, c.height)), &param, 0));
    ASSERT_TRUE(mask);
    RstHeader h(mask.get());
    EXPECT_EQ(h.width, c.width);
    EXPECT_EQ(h.height, c.height);
    EXPECT_EQ(h.bits_per_sample, 1);
    EXPECT_EQ(h.samples_per_pixel, 1);
    EXPECT_EQ(h.data_form, RstDataForm::raw);
    EXPECT_EQ(h.color_type, RstColorType::default_gray_reverse());
    std::vector<Bytes> first = pull(mask.get());
    ASSERT_EQ(first.size(), size_t(c.height));
    size_t set = 0;
    for (const Bytes& l : first)
      for (uint8_t b : l) set += size_t(__builtin_popcount(b));
    EXPECT_GT(set, 0u) << "the strokes are in the mask";
    mask->reset();
    EXPECT_EQ(pull(mask.get()), first);
    EXPECT_TRUE(status.errors().empty());
  }
}

TEST_F(Halvex, Refusals) {
  const RstMRCParam param(0, 0, 0);
  const uint8_t fill = 0;
  struct Case {
    const char* what;
    std::function<bool()> run;  // true when no node came back
    RstReport report;
  };
  const Case cases[] = {
      {"no page", [&] { return !RstHalvex::create(nullptr, &param, 0); }, {-2, "RstHalvex::create()"}},
      {"a gray page",
       [&] {
         RstRead* src = gray_source(Gray{4, 4, std::vector<uint8_t>(16, 0)});
         bool none = !RstHalvex::create(src, &param, 0);
         src->end();
         return none;
       },
       {-3, "RstHalvex::create()"}},
      {"an RGB page",
       [&] {
         RstRead* src = lab_source(4, 1, {Bytes(12, 0)}, RstColorType::s_rgb());
         bool none = !RstHalvex::create(src, &param, 0);
         src->end();
         return none;
       },
       {-3, "RstHalvex::create()"}},
      {"a page of no lines",
       [&] {
         RstRead* src = lab_source(4, 0, {});
         bool none = !RstHalvex::create(src, &param, 0);
         src->end();
         return none;
       },
       {-3, "RstHalvex::create()"}},
      {"no lab source", [&] { return !RstConvertLabToiLab::create(nullptr); }, {-2, "RstConvertLabToiLab::create()"}},
      {"a gray source to the lab inversion",
       [&] {
         RstRead* src = gray_source(Gray{4, 4, std::vector<uint8_t>(16, 0)});
         bool none = !RstConvertLabToiLab::create(src);
         src->end();
         return none;
       },
       {-3, "RstConvertLabToiLab::create()"}},
      {"no source to the Sivra stage",
       [&] { return RstSivraForHalvex::create(nullptr, 0, 0).empty(); },
       {-1, "RstSivraForHalvex::create()"}},
      {"a Lab source to the Sivra stage",
       [&] {
         RstRead* src = lab_source(4, 1, {Bytes(12, 0)});
         bool none = RstSivraForHalvex::create(src, 0, 0).empty();
         src->end();
         return none;
       },
       {-3, "RstSivraForHalvex::create()"}},
      {"no strips to merge",
       [&] { return !RstMergeStrip::create({}, image_header(4, 4, 1, 1, RstColorType::s_gray()), 4, &fill); },
       {-2, "RstMergeStrip::create()"}},
      {"no fill colour",
       [&] {
         RstRead* src = gray_source(Gray{4, 4, std::vector<uint8_t>(16, 0)});
         bool none = !RstMergeStrip::create({src}, image_header(4, 4, 8, 1, RstColorType::s_gray()), 4, nullptr);
         src->end();
         return none;
       },
       {-2, "RstMergeStrip::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    EXPECT_TRUE(c.run());
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
  }
  status.clear();
  RstRead* src = lab_source(4, 1, {Bytes(12, 0)});
  EXPECT_FALSE(RstHalvex::create(src, nullptr, 0));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstHalvex::create()"}}));
  src->end();
}

// Every allocation failing in turn: a fan-out that cannot be made is -1 at
// the segmentation; a Sivra stage that comes back without its masks gives
// -3 there and no stripe chain is built; the page is always the caller's.
TEST_F(Halvex, AllocationFailuresNeverBuildChainsOverMissingMasks) {
  const int32_t w = 24, h = 40;
  const std::vector<Bytes> page = stroked_page(w, h);
  RstMRCParam param(20, 0, 0);
  bool fan_out_failed = false, sivra_short = false, finished = false;
  for (int64_t n = 1; n < 2000 && !finished; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    status.clear();
    RstRead* src = lab_source(w, h, page);
    RstAllocFault::fail_nth(n);
    RstRead* mask = RstHalvex::create(src, &param, 0);
    const bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (mask) {
      mask->end();
      finished = !reached;
      continue;
    }
    src->end();
    const auto& e = status.errors();
    ASSERT_FALSE(e.empty());
    const bool in_sivra =
        std::any_of(e.begin(), e.end(), [](const RstReport& r) { return r.where == "RstSivraForHalvex::create()"; });
    const bool strip_built = std::any_of(e.begin(), e.end(), [](const RstReport& r) {
      return r.where == "RstHalvexStrip::create()" || r.where == "RstGetLabelRectInfo::create()";
    });
    if (e.back() == RstReport{-1, "RstHalvex::create()"}) fan_out_failed = true;
    if (in_sivra) {
      sivra_short = true;
      EXPECT_EQ(e.back(), (RstReport{-3, "RstHalvex::create()"}));
      EXPECT_FALSE(strip_built);
    }
  }
  EXPECT_TRUE(fan_out_failed);
  EXPECT_TRUE(sivra_short);
  EXPECT_TRUE(finished);
}

}  // namespace
