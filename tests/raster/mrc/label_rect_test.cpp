// Label rectangles and per-label histograms: the records of empty and
// one-pixel images, records against the flood fill on random masks, the
// second form's separately allocated records, and the histogram nodes over
// raw and valued-run labels (channels, max label, rectangle ranges, rows
// skipped under empty label rows).
#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_label_histogram.h"
#include "raster/mrc/rst_label_rect.h"

// Found by argument lookup, so outside the unnamed namespace.
inline bool operator==(const RstLabelRect& a, const RstLabelRect& b) {
  return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom && a.count == b.count;
}
inline void PrintTo(const RstLabelRect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.right << ", " << r.top << ", " << r.bottom << ", " << r.count << "}";
}

namespace {

class LabelRects : public RstStatusTest {};

// The records a mask must give, from the flood fill.
std::vector<RstLabelRect> reference_rects(const Mask& m) {
  uint32_t n = 0;
  Labels l = flood_fill(m, &n);
  std::vector<RstLabelRect> r(n + 1, RstLabelRect{uint32_t(m.width), 0, uint32_t(m.height), 0, 0});
  for (int32_t y = 0; y < m.height; ++y)
    for (int32_t x = 0; x < m.width; ++x) {
      uint32_t label = l[size_t(y) * size_t(m.width) + size_t(x)];
      if (!label) continue;
      RstLabelRect& e = r[label];
      e.left = std::min(e.left, uint32_t(x));
      e.right = std::max(e.right, uint32_t(x));
      e.top = std::min(e.top, uint32_t(y));
      e.bottom = std::max(e.bottom, uint32_t(y));
      ++e.count;
    }
  return r;
}

// The records of every maker and input form.
std::vector<std::pair<std::string, std::vector<RstLabelRect>>> all_rects(const Mask& m, uint32_t* count) {
  std::vector<std::pair<std::string, std::vector<RstLabelRect>>> out;
  auto add = [&](const char* name, RstRead* node, std::vector<RstLabelRect>& rects) {
    EXPECT_NE(node, nullptr) << name;
    if (node) node->end();
    out.push_back({name, rects});
  };
  std::vector<RstLabelRect> a, b, c, d;
  add("8-bit", RstGetLabelRectInfo::create(source8(m), 255, count, &a), a);
  add("packed bits", RstGetLabelRectInfo::create(source1(m), 0, count, &b), b);
  add("run lines", RstGetLabelRectInfo::create(source_runs(m), 0, count, &c), c);
  add("valued runs", RstGetLabelRectInfoRLE::create(source1(m), count, &d), d);
  return out;
}

TEST_F(LabelRects, RecordsOfKnownImages) {
  struct Case {
    const char* name;
    Mask mask;
    std::vector<RstLabelRect> want;
  } cases[] = {
      {"no labels", draw({".....", ".....", "....."}), {{5, 0, 3, 0, 0}}},
      {"one pixel", draw({".....", "...#.", "....."}), {{5, 0, 3, 0, 0}, {3, 3, 1, 1, 1}}},
      {"corner pixels",
       draw({"#...#", ".....", "#...#"}),
       {{5, 0, 3, 0, 0}, {0, 0, 0, 0, 1}, {4, 4, 0, 0, 1}, {0, 0, 2, 2, 1}, {4, 4, 2, 2, 1}}},
      {"U shape", draw({"#...#", "#...#", "#####"}), {{5, 0, 3, 0, 0}, {0, 4, 0, 2, 9}}},
      {"whole image", draw({"###", "###"}), {{3, 0, 2, 0, 0}, {0, 2, 0, 1, 6}}},
  };
  for (const Case& c : cases) {
    uint32_t count = 99;
    for (auto& [name, rects] : all_rects(c.mask, &count)) {
      SCOPED_TRACE(std::string(c.name) + ", " + name);
      EXPECT_EQ(rects, c.want);
      EXPECT_EQ(count, uint32_t(c.want.size() - 1));
    }
  }
  // Random masks, the background record untouched.
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    Mask m = random_mask(int32_t(5 + seed * 5), int32_t(3 + seed * 2), 0.1 + 0.04 * seed, seed);
    std::vector<RstLabelRect> want = reference_rects(m);
    uint32_t count = 0;
    for (auto& [name, rects] : all_rects(m, &count)) {
      SCOPED_TRACE(name + " seed " + std::to_string(seed));
      EXPECT_EQ(rects, want);
      EXPECT_EQ(rects[0], (RstLabelRect{uint32_t(m.width), 0, uint32_t(m.height), 0, 0}));
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelRects, SeparatelyAllocatedRecords) {
  Mask m = draw({"#..#", "....", ".##."});
  std::vector<RstLabelRect*> rects = {new RstLabelRect{1, 2, 3, 4, 5}};  // deleted by the create
  uint32_t count = 0;
  Held<> node(RstGetLabelRectInfo::create(source8(m), 255, &count, &rects));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(count, 3u);
  std::vector<RstLabelRect> want = reference_rects(m);
  ASSERT_EQ(rects.size(), want.size());
  for (size_t i = 0; i < rects.size(); ++i) {
    ASSERT_NE(rects[i], nullptr);
    EXPECT_EQ(*rects[i], want[i]);
    for (size_t j = 0; j < i; ++j) EXPECT_NE(rects[i], rects[j]);
  }
  // The node serves the labels from row 0.
  EXPECT_EQ(read_raw_labels(node.get(), 4, 3), flood_fill(m));
  // Made again into the same vector: the old records are deleted (a leak
  // would show under the address sanitizer), the new ones are the caller's.
  Held<> again(RstGetLabelRectInfo::create(source1(m), 0, &count, &rects));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(rects.size(), want.size());
  // A refused source: the vector ends empty.
  auto* grey16 = new LineSource(image_header(4, 3, 16, 1), {});
  EXPECT_EQ(RstGetLabelRectInfo::create(grey16, 0, &count, &rects), nullptr);
  EXPECT_TRUE(rects.empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstGetLabelRectInfo::create()"}, {-1, "rst_create_end()"}}));
  grey16->end();
  // Out of memory on the way: the caller's vector holds nothing it must not
  // delete, and the source stays the caller's.
  for (int64_t n = 1; n < 60; ++n) {
    status.clear();
    RstRead* src = source8(m);
    rects.push_back(new RstLabelRect{});
    RstAllocFault::fail_nth(n);
    RstRead* made = RstGetLabelRectInfo::create(src, 255, &count, &rects);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (made) {
      EXPECT_EQ(rects.size(), want.size());
      for (size_t i = 0; i < rects.size(); ++i) EXPECT_EQ(*rects[i], want[i]);
      made->end();
      if (!reached) break;
    } else {
      EXPECT_TRUE(rects.empty());
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      src->end();
    }
  }
  for (RstLabelRect* r : rects) delete r;
}

// An 8-bit image of the given channels whose sample c at (x, y) is
// (x * 7 + y * 13 + c * 50) & 255.
std::vector<Bytes> image_rows(int32_t w, int32_t h, int32_t channels) {
  std::vector<Bytes> rows;
  for (int32_t y = 0; y < h; ++y) {
    Bytes r;
    for (int32_t x = 0; x < w; ++x)
      for (int32_t c = 0; c < channels; ++c) r.push_back(uint8_t((x * 7 + y * 13 + c * 50) & 255));
    rows.push_back(r);
  }
  return rows;
}
uint8_t sample(int32_t x, int32_t y, int32_t c) { return uint8_t((x * 7 + y * 13 + c * 50) & 255); }

TEST_F(LabelRects, HistogramsUnderRawLabels) {
  Mask m = random_mask(23, 17, 0.45, 3);
  uint32_t n = 0;
  Labels labels = flood_fill(m, &n);
  std::vector<Bytes> rows = image_rows(23, 17, 3);
  for (uint32_t max_label : {n, n / 2}) {
    SCOPED_TRACE(max_label);
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    RstRead* label_node = RstGetLabelRectInfo::create(source8(m), 255, &count, &rects);
    ASSERT_NE(label_node, nullptr);
    auto* image = new LineSource(image_header(23, 17, 8, 3), rows);
    RstLabelHistogramList result;
    result.emplace_back(new RstLabelChannelHistograms());  // replaced
    Held<> node(RstLabelHistogramForAllLabel::create(image, label_node, &result, max_label, nullptr));
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(result.size(), size_t(max_label) + 1);
    EXPECT_EQ(result[0], nullptr);
    // Labels above the max label are not counted.
    for (uint32_t l = 1; l <= max_label; ++l) {
      ASSERT_NE(result[l], nullptr);
      ASSERT_EQ(result[l]->channels.size(), 3u);
      for (int32_t c = 0; c < 3; ++c) {
        RstHistogramData want(8);
        for (int32_t y = 0; y < 17; ++y)
          for (int32_t x = 0; x < 23; ++x)
            if (labels[size_t(y) * 23 + size_t(x)] == l) want.add(sample(x, y, c));
        const RstHistogramData& got = *result[l]->channels[size_t(c)];
        EXPECT_EQ(got.total(), rects[l].count);
        for (uint32_t v = 0; v < 256; ++v) ASSERT_EQ(got.count(v), want.count(v)) << "label " << l << " value " << v;
      }
    }
    EXPECT_EQ(image->resets, 0);
    // The image from row 0, unchanged.
    EXPECT_EQ(node->line_size(), 69);
    EXPECT_EQ(pull(node.get()), rows);
    EXPECT_EQ(image->resets, 1);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelRects, HistogramsWithinARange) {
  Mask m = draw({"##..#", "#...#", "....#", "#####", "....."});
  std::vector<Bytes> rows = image_rows(5, 5, 1);
  RstRectangleRange range(5, 5);
  range.first_y = 1;
  range.last_y = 3;
  range.last_x[2] = 0;  // an empty row: skipped, not read
  range.first_x[3] = 2;
  range.last_x[3] = 3;
  std::vector<RstLabelRect> rects;
  uint32_t count = 0;
  RstRead* label_node = RstGetLabelRectInfo::create(source8(m), 255, &count, &rects);
  ASSERT_EQ(count, 2u);
  auto* image = new LineSource(image_header(5, 5, 8, 1), rows);
  RstLabelHistogramList result;
  Held<> node(RstLabelHistogramForAllLabel::create(image, label_node, &result, 2, &range));
  ASSERT_NE(node, nullptr);
  // Row 1: x 0 (label 1) and 4 (label 2); row 3: x 2 and 3 (label 2).
  RstHistogramData want1(8), want2(8);
  want1.add(sample(0, 1, 0));
  for (auto [x, y] : {std::pair{4, 1}, {2, 3}, {3, 3}}) want2.add(sample(x, y, 0));
  const RstHistogramData& got1 = *result[1]->channels[0];
  const RstHistogramData& got2 = *result[2]->channels[0];
  EXPECT_EQ(got1.total(), 1u);
  EXPECT_EQ(got2.total(), 3u);
  for (uint32_t v = 0; v < 256; ++v) {
    EXPECT_EQ(got1.count(v), want1.count(v));
    EXPECT_EQ(got2.count(v), want2.count(v));
  }
  EXPECT_EQ(image->reads, 2);  // rows 1 and 3 only
  EXPECT_EQ(pull(node.get()), rows);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelRects, HistogramsUnderValuedRuns) {
  // Rows 1, 2 and 4 have no labels: their image rows are skipped.
  Mask m = draw({"##..#", ".....", ".....", "#.###", ".....", ".##.."});
  std::vector<Bytes> rows = image_rows(5, 6, 3);
  uint32_t n = 0;
  Labels labels = flood_fill(m, &n);
  uint32_t count = 0;
  RstRead* label_node = RstLabelingRLE::create(source_runs(m), &count);
  ASSERT_NE(label_node, nullptr);
  ASSERT_EQ(count, n);
  auto* image = new LineSource(image_header(5, 6, 8, 3), rows);
  std::vector<RstLabelHistogramSet> sets;
  sets.emplace_back(1, 8);  // kept as it is
  Held<> node(RstLabelHistogramForAllLabelRLE::create(image, label_node, &sets, n));
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[0].label_count(), 1u);
  for (int32_t c = 0; c < 3; ++c)
    for (uint32_t l = 1; l <= (c == 0 ? 1u : n); ++l) {
      RstHistogramData want(8);
      uint32_t pixels = 0;
      for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 5; ++x)
          if (labels[size_t(y) * 5 + size_t(x)] == l) want.add(sample(x, y, c)), ++pixels;
      EXPECT_EQ(sets[size_t(c)].total(l), pixels) << "channel " << c << " label " << l;
      for (uint32_t v = 0; v < 256; ++v) ASSERT_EQ(sets[size_t(c)].item(l).count(v), want.count(v));
    }
  EXPECT_EQ(image->reads, 3);  // rows 0, 3 and 5
  EXPECT_EQ(pull(node.get()), rows);
  EXPECT_TRUE(status.errors().empty());

  // A max label below the count: the labels above are not counted.
  label_node = RstLabelingRLE::create(source_runs(m), &count);
  std::vector<RstLabelHistogramSet> few;
  Held<> capped(
      RstLabelHistogramForAllLabelRLE::create(new LineSource(image_header(5, 6, 8, 3), rows), label_node, &few, 1));
  ASSERT_NE(capped, nullptr);
  ASSERT_EQ(few.size(), 3u);
  EXPECT_EQ(few[0].label_count(), 1u);
  EXPECT_EQ(few[0].total(1), 2u);
  EXPECT_EQ(few[0].total(2), 0u);
}

TEST_F(LabelRects, HistogramRefusals) {
  Mask m = draw({"#.", ".#"});
  auto labels = [&] {
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    return static_cast<RstRead*>(RstGetLabelRectInfo::create(source8(m), 255, &count, &rects));
  };
  auto run_labels = [&] {
    uint32_t count = 0;
    return static_cast<RstRead*>(RstLabelingRLE::create(source1(m), &count));
  };
  RstLabelHistogramList result;
  std::vector<RstLabelHistogramSet> sets;
  const char* raw_where = "RstLabelHistogramForAllLabel::create()";
  const char* rle_where = "RstLabelHistogramForAllLabelRLE::create()";
  struct Case {
    const char* name;
    RstHeader image;
    bool runs;  // valued-run labels
    int32_t code_raw, code_rle;
  } cases[] = {
      {"16-bit image", image_header(2, 2, 16, 1), false, -3, -3},
      {"other size", image_header(3, 2, 8, 1), false, -3, -3},
      {"raw labels to the run node", image_header(2, 2, 8, 1), false, 0, -3},
      {"run labels to the raw node", image_header(2, 2, 8, 1), true, -3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int k = 0; k < 2; ++k) {
      int32_t code = k == 0 ? c.code_raw : c.code_rle;
      status.clear();
      RstRead* image =
          new LineSource(c.image, std::vector<Bytes>(2, Bytes(size_t(c.image.width * c.image.bits_per_sample / 8))));
      RstRead* l = c.runs ? run_labels() : labels();
      RstRead* node = k == 0
                          ? static_cast<RstRead*>(RstLabelHistogramForAllLabel::create(image, l, &result, 2, nullptr))
                          : RstLabelHistogramForAllLabelRLE::create(image, l, &sets, 2);
      if (code == 0) {
        EXPECT_NE(node, nullptr);
        if (node) node->end();
        continue;
      }
      EXPECT_EQ(node, nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{code, k == 0 ? raw_where : rle_where}}));
      image->end();
      l->end();
    }
  }
  status.clear();
  RstRead* l = labels();
  EXPECT_EQ(RstLabelHistogramForAllLabel::create(nullptr, l, &result, 2, nullptr), nullptr);
  EXPECT_EQ(RstLabelHistogramForAllLabelRLE::create(nullptr, l, &sets, 2), nullptr);
  l->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, raw_where}, {-2, rle_where}}));
}

}  // namespace
