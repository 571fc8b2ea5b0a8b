// Label filters and the outer-contour histogram: the run-line rewrite through
// a table, the keep and renumber rules over rectangle sets, size criteria
// with and without a range, the square-core test, the contour count on small
// cases, and brute-force oracles on random masks for the core test, the
// renumbered sets and the contour histogram.
#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_label_contour_histogram.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_modify_label_rle.h"
#include "raster/mrc/rst_remove_label.h"

namespace {

class LabelFilters : public RstStatusTest {};

// A label image given directly, row by row.
struct LabelImage {
  int32_t width = 0, height = 0;
  Labels labels;
  uint32_t at(int32_t x, int32_t y) const { return labels[size_t(y) * size_t(width) + size_t(x)]; }
};

LabelImage from_rows(const std::vector<std::vector<uint32_t>>& rows) {
  LabelImage img;
  img.height = int32_t(rows.size());
  img.width = rows.empty() ? 0 : int32_t(rows[0].size());
  for (const auto& r : rows) img.labels.insert(img.labels.end(), r.begin(), r.end());
  return img;
}

// A flat square of one label on a background.
LabelImage rectangle(int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t label) {
  LabelImage img{width, height, Labels(size_t(width) * size_t(height), 0)};
  for (int32_t y = y0; y < y0 + h; ++y)
    for (int32_t x = x0; x < x0 + w; ++x) img.labels[size_t(y) * size_t(width) + size_t(x)] = label;
  return img;
}

RstRead* raw_source(const LabelImage& img) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < img.height; ++y) {
    Bytes l(size_t(img.width) * 4);
    std::memcpy(l.data(), img.labels.data() + size_t(y) * size_t(img.width), l.size());
    lines.push_back(l);
  }
  return new LineSource(image_header(img.width, img.height, 32, 1, RstColorType::none()), lines);
}

// Valued runs: maximal runs of one label.
Bytes valued_line(const std::vector<Triple>& runs) {
  Bytes l((runs.size() + 1) * 12);
  for (size_t k = 0; k < runs.size(); ++k) std::memcpy(l.data() + k * 12, &runs[k], 12);
  Triple end{0, -1, -1};
  std::memcpy(l.data() + runs.size() * 12, &end, 12);
  return l;
}

std::vector<Triple> row_runs(const LabelImage& img, int32_t y) {
  std::vector<Triple> runs;
  for (int32_t x = 0; x < img.width; ++x) {
    uint32_t v = img.at(x, y);
    if (!v) continue;
    int32_t f = x;
    while (x + 1 < img.width && img.at(x + 1, y) == v) ++x;
    runs.push_back({v, f, x});
  }
  return runs;
}

LineSource* run_source(const LabelImage& img) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < img.height; ++y) lines.push_back(valued_line(row_runs(img, y)));
  return new LineSource(image_header(img.width, img.height, 32, 1, RstColorType::none(), RstDataForm::rle_n), lines,
                        (img.width + 1) * 12);
}

LineSource* runs_of(int32_t width, const std::vector<std::vector<Triple>>& rows) {
  std::vector<Bytes> lines;
  for (const auto& r : rows) lines.push_back(valued_line(r));
  return new LineSource(image_header(width, int32_t(rows.size()), 32, 1, RstColorType::none(), RstDataForm::rle_n),
                        lines, (width + 1) * 12);
}

// The records of a label image, E = max label + 1 of them unless given.
std::vector<RstLabelRect> records_of(const LabelImage& img, uint32_t count = 0) {
  uint32_t top = 0;
  for (uint32_t v : img.labels) top = std::max(top, v);
  std::vector<RstLabelRect> r(std::max(count, top + 1), RstLabelRect{0, 0, 0, 0, 0});
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      uint32_t v = img.at(x, y);
      if (!v || v >= r.size()) continue;
      RstLabelRect& e = r[v];
      if (e.count == 0) e = {uint32_t(x), uint32_t(x), uint32_t(y), uint32_t(y), 0};
      e.left = std::min(e.left, uint32_t(x));
      e.right = std::max(e.right, uint32_t(x));
      e.top = std::min(e.top, uint32_t(y));
      e.bottom = std::max(e.bottom, uint32_t(y));
      ++e.count;
    }
  return r;
}

// A set held by pointers, deleted with the holder.
struct PointerSet {
  std::vector<RstLabelRect*> rects;
  explicit PointerSet(const std::vector<RstLabelRect>& values) {
    for (const RstLabelRect& r : values) rects.push_back(new RstLabelRect(r));
  }
  ~PointerSet() {
    for (RstLabelRect* r : rects) delete r;
  }
  std::vector<RstLabelRect> values() const {
    std::vector<RstLabelRect> out;
    for (const RstLabelRect* r : rects) out.push_back(*r);
    return out;
  }
};

bool same(const RstLabelRect& a, const RstLabelRect& b) {
  return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom && a.count == b.count;
}

bool same_records(const std::vector<RstLabelRect>& a, const std::vector<RstLabelRect>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!same(a[i], b[i])) return false;
  return true;
}

// Seven one-pixel-high bars, label i of width i, in rows 2i.
LabelImage seven_bars() {
  LabelImage img{10, 16, Labels(160, 0)};
  for (uint32_t i = 1; i <= 7; ++i)
    for (uint32_t x = 0; x < i; ++x) img.labels[size_t(2 * i) * 10 + x] = i;
  return img;
}

// The run-line rewrite with a table given by the test.
class TableFilter : public RstModifyLabelRLE {
 public:
  TableFilter(RstRead* source, std::vector<uint32_t> table)
      : RstModifyLabelRLE(source, uint32_t(table.size() - 1), false), given_(std::move(table)) {}

 protected:
  bool make_table() override {
    std::copy(given_.begin(), given_.end(), table());
    return true;
  }
  bool make_table_renumber() override { return make_table(); }

 private:
  std::vector<uint32_t> given_;
};

TEST_F(LabelFilters, RunLinesGoThroughTheTable) {
  const struct Case {
    const char* name;
    std::vector<uint32_t> table;
    std::vector<Triple> in, out;
  } cases[] = {
      {"drop by 0", {0, 1, 0, 3}, {{1, 0, 4}, {2, 5, 9}, {3, 12, 12}}, {{1, 0, 4}, {3, 12, 12}}},
      {"renumber", {0, 0, 1, 2}, {{1, 0, 4}, {2, 5, 9}, {3, 12, 12}}, {{1, 5, 9}, {2, 12, 12}}},
      {"empty line", {0, 1}, {}, {}},
      {"label above the table", {0, 1, 2, 3}, {{9, 0, 2}, {2, 4, 4}}, {{2, 4, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LineSource* src = runs_of(16, {c.in});
    TableFilter* node = rst_new<TableFilter>(src, c.table);
    ASSERT_TRUE(node->initiate_once());
    Held<> held(node);
    Bytes line(size_t(node->line_size()) + 12, 0xA5);
    int n = node->read(line.data());
    EXPECT_EQ(n, int((c.out.size() + 1) * 12));
    EXPECT_EQ(triples(Bytes(line.begin(), line.begin() + n)), c.out);
    EXPECT_EQ(node->read(line.data()), 0);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelFilters, RunLineFiltersKeepRemoveAndRenumber) {
  // Labels 1..7 in one row; records 2, 4 and 6 empty.
  std::vector<Triple> row;
  for (int32_t i = 1; i <= 7; ++i) row.push_back({uint32_t(i), 2 * i, 2 * i});
  std::vector<RstLabelRect> set(8, RstLabelRect{0, 0, 0, 0, 0});
  for (uint32_t i : {1u, 3u, 5u, 7u}) set[i] = {2 * i, 2 * i, 0, 0, 1};
  {
    std::vector<RstLabelRect> keep = set;
    Held<> node(RstRemoveLabelRLE::create(runs_of(20, {row}), &keep, false));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(triples(first_line(node.get())), (std::vector<Triple>{{1, 2, 2}, {3, 6, 6}, {5, 10, 10}, {7, 14, 14}}));
    EXPECT_TRUE(same_records(keep, set));
  }
  {
    std::vector<RstLabelRect> renumbered = set;
    Held<> node(RstRemoveLabelRLE::create(runs_of(20, {row}), &renumbered, true));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(triples(first_line(node.get())), (std::vector<Triple>{{1, 2, 2}, {2, 6, 6}, {3, 10, 10}, {4, 14, 14}}));
    ASSERT_EQ(renumbered.size(), 5u);
    for (uint32_t k = 1; k <= 4; ++k) EXPECT_TRUE(same(renumbered[k], set[2 * k - 1])) << k;
  }
  // Extraction: list order decides the new numbers; a repeat keeps the later place.
  const struct Case {
    std::vector<uint32_t> list;
    bool renumber;
    std::vector<Triple> out;
  } cases[] = {
      {{5, 2}, true, {{2, 4, 4}, {1, 10, 10}}},
      {{5, 2}, false, {{2, 4, 4}, {5, 10, 10}}},
      {{3, 6, 3}, true, {{3, 6, 6}, {2, 12, 12}}},
  };
  for (const Case& c : cases) {
    Held<> node(RstExtractLabelRLE::create(runs_of(20, {row}), c.list, 7, c.renumber));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(triples(first_line(node.get())), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelFilters, RunLineFilterRefusals) {
  const char* remove = "RstRemoveLabelRLE::create()";
  const char* extract = "RstExtractLabelRLE::create()";
  std::vector<RstLabelRect> two(2, RstLabelRect{0, 0, 0, 0, 0}), one(1, RstLabelRect{0, 0, 0, 0, 0});
  LabelImage img = rectangle(4, 2, 0, 0, 2, 2, 1);
  RstRead* raw = raw_source(img);  // raw labels, not valued runs
  RstRead* runs = run_source(img);
  const struct Case {
    std::function<RstRead*()> make;
    RstReport report;
  } cases[] = {
      {[&] { return RstRemoveLabelRLE::create(nullptr, &two, false); }, {-2, remove}},
      {[&] { return RstRemoveLabelRLE::create(runs, &one, false); }, {-2, remove}},
      {[&] { return RstRemoveLabelRLE::create(raw, &two, false); }, {-3, remove}},
      {[&] { return RstExtractLabelRLE::create(nullptr, {1}, 1, false); }, {-2, extract}},
      {[&] { return RstExtractLabelRLE::create(runs, {}, 1, false); }, {-2, extract}},
      {[&] { return RstExtractLabelRLE::create(runs, {1}, 0, false); }, {-2, extract}},
      // A listed label beyond the max label would be written past the table.
      {[&] {
         return RstExtractLabelRLE::create(runs, {5, 9}, 7, true);
       },
       {-2, extract}},
      {[&] { return RstExtractLabelRLE::create(raw, {1}, 1, false); }, {-3, extract}},
  };
  for (const Case& c : cases) {
    status.clear();
    EXPECT_EQ(c.make(), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
  }
  raw->end();
  runs->end();
}

TEST_F(LabelFilters, RemoveAreaKeepsOrRenumbers) {
  LabelImage img = seven_bars();
  std::vector<RstLabelRect> values = records_of(img);
  {
    // Widths below 4 go; numbers stay.
    PointerSet set(values);
    const uint32_t thresholds[3] = {0, 4, 0};
    Held<> node(RstRemoveArea::create(raw_source(img), &set.rects, thresholds, false, nullptr));
    ASSERT_NE(node, nullptr);
    Labels out = read_raw_labels(node.get(), img.width, img.height);
    for (size_t k = 0; k < out.size(); ++k) EXPECT_EQ(out[k], img.labels[k] >= 4 ? img.labels[k] : 0u) << k;
    ASSERT_EQ(set.rects.size(), 8u);
    for (uint32_t i = 1; i <= 7; ++i) EXPECT_EQ(set.rects[i]->count, i >= 4 ? i : 0u) << i;
  }
  {
    // Only 3 and 7 survive, renumbered 1 and 2, the set compacted.
    PointerSet set(values);
    for (uint32_t i : {1u, 2u, 4u, 5u, 6u}) *set.rects[i] = RstLabelRect{0, 0, 0, 0, 0};
    Held<> node(RstRemoveArea::create(raw_source(img), &set.rects, true, nullptr));
    ASSERT_NE(node, nullptr);
    Labels out = read_raw_labels(node.get(), img.width, img.height);
    for (size_t k = 0; k < out.size(); ++k)
      EXPECT_EQ(out[k], img.labels[k] == 3 ? 1u : img.labels[k] == 7 ? 2u : 0u) << k;
    ASSERT_EQ(set.rects.size(), 3u);
    EXPECT_TRUE(same(*set.rects[1], values[3]));
    EXPECT_TRUE(same(*set.rects[2], values[7]));
  }
  {
    // Raw labels at or above the set's size are removed.
    LabelImage stray = img;
    stray.labels[0] = 8;
    stray.labels[1] = 1000;
    PointerSet set(values);
    Held<> node(RstRemoveArea::create(raw_source(stray), &set.rects, false, nullptr));
    ASSERT_NE(node, nullptr);
    Labels out = read_raw_labels(node.get(), img.width, img.height);
    EXPECT_EQ(out[0], 0u);
    EXPECT_EQ(out[1], 0u);
    EXPECT_EQ(out[size_t(14 * 10)], 7u);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelFilters, RemoveAreaThresholdsAreStrict) {
  // A 5 x 3 block of 15 pixels against each criterion at, and one above, its value.
  LabelImage img = rectangle(8, 6, 1, 1, 5, 3, 1);
  const struct Case {
    uint32_t count, width, height;
    bool kept;
  } cases[] = {
      {15, 5, 3, true}, {16, 0, 0, false}, {0, 6, 0, false}, {0, 0, 4, false}, {0, 0, 0, true},
  };
  for (const Case& c : cases) {
    PointerSet set(records_of(img));
    const uint32_t thresholds[3] = {c.count, c.width, c.height};
    Held<> node(RstRemoveArea::create(raw_source(img), &set.rects, thresholds, true, nullptr));
    ASSERT_NE(node, nullptr);
    Labels out = read_raw_labels(node.get(), img.width, img.height);
    EXPECT_EQ(out, c.kept ? img.labels : Labels(img.labels.size(), 0)) << c.count << " " << c.width << " " << c.height;
    EXPECT_EQ(set.rects.size(), c.kept ? 2u : 1u);
  }
}

TEST_F(LabelFilters, RemoveAreaRelabelsOnlyWithinTheRange) {
  LabelImage img = rectangle(8, 4, 0, 0, 8, 4, 1);
  PointerSet set(records_of(img));
  set.rects[1]->count = 0;  // emptied by the caller
  RstRectangleRange range(8, 4);
  range.first_x = {2, 0, 8, 0};
  range.last_x = {5, 7, 9, 0};
  range.first_y = 0;
  range.last_y = 2;
  Held<> node(RstRemoveArea::create(raw_source(img), &set.rects, false, &range));
  ASSERT_NE(node, nullptr);
  Labels out = read_raw_labels(node.get(), 8, 4);
  const char* want[] = {"11000011", "00000000", "11111111", "11111111"};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(out[size_t(y * 8 + x)], uint32_t(want[y][x] - '0')) << x << "," << y;
  // Skipping and resetting keep rows and range in step.
  node->reset();
  EXPECT_EQ(node->skip(2), 2);
  Bytes line(32);
  EXPECT_EQ(node->read(line.data()), 32);
  EXPECT_EQ(line[0], 1);
  EXPECT_EQ(node->skip(5), 1);
  EXPECT_EQ(node->read(line.data()), 0);
}

TEST_F(LabelFilters, ThinLinesHaveNoSquareCore) {
  const struct Case {
    const char* name;
    LabelImage img;
    uint32_t size;
    bool kept;
  } cases[] = {
      {"60 x 60 square, size 50", rectangle(80, 80, 10, 10, 60, 60, 1), 50, true},
      {"60 x 10 line, size 50", rectangle(80, 30, 10, 10, 60, 10, 1), 50, false},
      {"10 x 60 line, size 50", rectangle(30, 80, 10, 10, 10, 60, 1), 50, false},
      {"51 x 51 square: not more than 2h + 1", rectangle(70, 70, 5, 5, 51, 51, 1), 50, false},
      {"52 x 52 square, size 50", rectangle(70, 70, 5, 5, 52, 52, 1), 50, true},
      {"3 x 3 block, size 2", rectangle(6, 6, 1, 1, 3, 3, 1), 2, false},
      {"4 x 4 block, size 2", rectangle(6, 6, 1, 1, 4, 4, 1), 2, true},
      // The only whole window starts just after a hole that ends the first
      // window tried: skipping past the hole must not skip it too.
      {"one window right after a hole", from_rows({{1, 1, 1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 0}}),
       2, true},
      {"no window: a hole in every one",
       from_rows({{1, 1, 1, 1, 1}, {1, 0, 1, 0, 1}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 0}}), 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointerSet set(records_of(c.img));
    Held<> node(RstRemoveThinLine::create(raw_source(c.img), &set.rects, c.size, false));
    ASSERT_NE(node, nullptr);
    Labels out = read_raw_labels(node.get(), c.img.width, c.img.height);
    EXPECT_EQ(out, c.kept ? c.img.labels : Labels(c.img.labels.size(), 0));
    EXPECT_EQ(set.rects[1]->count != 0, c.kept);
    // The rows come from memory once the source is gone, again after a reset.
    node->reset();
    EXPECT_EQ(read_raw_labels(node.get(), c.img.width, c.img.height), out);
  }
  EXPECT_TRUE(status.errors().empty());
}

// The core test by its definition: some window of 2h + 1 rows by 2h columns
// centred at (x, y) (columns x - h .. x + h - 1) inside the record's box
// holds the label only.
bool brute_core(const LabelImage& img, uint32_t label, const RstLabelRect& r, int64_t h) {
  if (!(int64_t(r.top) + h < int64_t(r.bottom) - h && int64_t(r.left) + h < int64_t(r.right) - h)) return false;
  for (int64_t y = r.top + h; y <= int64_t(r.bottom) - h; ++y)
    for (int64_t x = r.left + h; x <= int64_t(r.right) - h; ++x) {
      bool whole = true;
      for (int64_t yy = y - h; yy <= y + h && whole; ++yy)
        for (int64_t xx = x - h; xx < x + h && whole; ++xx) whole = img.at(int32_t(xx), int32_t(yy)) == label;
      if (whole) return true;
    }
  return false;
}

// A labelled random mask: blobs grown from a sparse random mask so that
// cores of several sizes occur.
LabelImage labelled_blobs(int32_t w, int32_t h, uint32_t seed, uint32_t* count) {
  Mask m = random_mask(w, h, 0.55, seed);
  Labels l = flood_fill(m, count);
  return LabelImage{w, h, l};
}

TEST_F(LabelFilters, ThinLineAndRenumberingMatchBruteForce) {
  size_t kept = 0, removed = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    uint32_t count = 0;
    LabelImage img = labelled_blobs(40 + int32_t(seed), 30, seed, &count);
    std::vector<RstLabelRect> values = records_of(img, count + 1);
    for (uint32_t size : {2u, 3u, 4u}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " size " + std::to_string(size));
      PointerSet set(values);
      Held<> node(RstRemoveThinLine::create(raw_source(img), &set.rects, size, true));
      ASSERT_NE(node, nullptr);
      Labels out = read_raw_labels(node.get(), img.width, img.height);
      // The kept labels, in old-label order, numbered 1..K.
      std::map<uint32_t, uint32_t> renumber;
      for (uint32_t j = 1; j <= count; ++j)
        if (brute_core(img, j, values[j], size >> 1)) renumber[j] = uint32_t(renumber.size() + 1);
      kept += renumber.size();
      removed += count - renumber.size();
      for (size_t k = 0; k < out.size(); ++k) {
        auto it = renumber.find(img.labels[k]);
        ASSERT_EQ(out[k], it == renumber.end() ? 0u : it->second) << k;
      }
      // The compacted set describes the new labels.
      LabelImage result{img.width, img.height, out};
      EXPECT_TRUE(same_records(set.values(), records_of(result, uint32_t(renumber.size() + 1))));
    }
  }
  // Both outcomes are common enough to be tested.
  EXPECT_GT(kept, 20u);
  EXPECT_GT(removed, 20u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelFilters, RawFilterRefusals) {
  const char* area = "RstRemoveArea::create()";
  const char* thin = "RstRemoveThinLine::create()";
  LabelImage img = rectangle(4, 2, 0, 0, 2, 2, 1);
  PointerSet two(records_of(img)), one({RstLabelRect{0, 0, 0, 0, 0}});
  RstRead* raw = raw_source(img);
  RstRead* runs = run_source(img);  // valued runs, not raw labels
  const uint32_t thresholds[3] = {1, 1, 1};
  const struct Case {
    std::function<RstRead*()> make;
    RstReport report;
  } cases[] = {
      {[&] { return RstRemoveArea::create(nullptr, &two.rects, thresholds, false, nullptr); }, {-2, area}},
      {[&] { return RstRemoveArea::create(raw, &one.rects, thresholds, false, nullptr); }, {-2, area}},
      {[&] { return RstRemoveArea::create(raw, &two.rects, nullptr, false, nullptr); }, {-2, area}},
      {[&] { return RstRemoveArea::create(runs, &two.rects, false, nullptr); }, {-3, area}},
      {[&] { return RstRemoveThinLine::create(nullptr, &two.rects, 4, false); }, {-2, thin}},
      {[&] { return RstRemoveThinLine::create(raw, &one.rects, 4, false); }, {-2, thin}},
      {[&] { return RstRemoveThinLine::create(raw, &two.rects, 0, false); }, {-2, thin}},
      {[&] { return RstRemoveThinLine::create(runs, &two.rects, 4, false); }, {-3, thin}},
  };
  for (const Case& c : cases) {
    status.clear();
    EXPECT_EQ(c.make(), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
  }
  raw->end();
  runs->end();
}

TEST_F(LabelFilters, AllocationFailuresReportAndKeepTheSource) {
  LabelImage img = seven_bars();
  const struct Case {
    const char* name;
    std::function<RstRead*(RstRead*, PointerSet&, std::vector<RstLabelRect>&)> make;
    bool runs;
    std::vector<std::string> wheres;
  } cases[] = {
      {"area",
       [](RstRead* s, PointerSet& p, std::vector<RstLabelRect>&) {
         const uint32_t t[3] = {3, 0, 0};
         return RstRemoveArea::create(s, &p.rects, t, true, nullptr);
       },
       false,
       {"RstRemoveLabel::initiate()", "RstRemoveArea::initiate", "rst_create_end()"}},
      {"thin line",
       [](RstRead* s, PointerSet& p, std::vector<RstLabelRect>&) {
         return RstRemoveThinLine::create(s, &p.rects, 2, true);
       },
       false,
       {"RstRemoveLabel::initiate()", "RstRemoveThinLine::make_check()", "rst_create_end()"}},
      {"run lines",
       [](RstRead* s, PointerSet&, std::vector<RstLabelRect>& v) { return RstRemoveLabelRLE::create(s, &v, true); },
       true,
       {"RstModifyLabelRLE::initiate()", "rst_create_end()"}},
  };
  for (const Case& c : cases) {
    for (int64_t n = 1; n < 8; ++n) {
      SCOPED_TRACE(std::string(c.name) + ": allocation " + std::to_string(n));
      status.clear();
      PointerSet set(records_of(img));
      std::vector<RstLabelRect> values = records_of(img);
      RstRead* src = c.runs ? static_cast<RstRead*>(run_source(img)) : raw_source(img);
      RstAllocFault::fail_nth(n);
      RstRead* node = c.make(src, set, values);
      RstAllocFault::clear();
      if (node) {
        node->end();
        continue;
      }
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      EXPECT_THAT(c.wheres, ::testing::Contains(status.errors().front().where));
      src->end();
    }
  }
}

// The outer contour by its definition: every pixel not carrying L with an
// 8-neighbour carrying L adds (L, value) once.
std::map<std::pair<uint32_t, uint32_t>, uint32_t> brute_contour(const LabelImage& img, const Bytes& values,
                                                                uint32_t count) {
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> out;
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      std::vector<uint32_t> seen;
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          int32_t xx = x + dx, yy = y + dy;
          if ((dx == 0 && dy == 0) || xx < 0 || yy < 0 || xx >= img.width || yy >= img.height) continue;
          uint32_t l = img.at(xx, yy);
          if (l && l <= count && l != img.at(x, y) && std::find(seen.begin(), seen.end(), l) == seen.end())
            seen.push_back(l);
        }
      for (uint32_t l : seen) ++out[{l, values[size_t(y) * size_t(img.width) + size_t(x)]}];
    }
  return out;
}

std::map<std::pair<uint32_t, uint32_t>, uint32_t> counted(const RstLabelHistogramSet& set) {
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> out;
  for (uint32_t l = 1; l <= set.label_count(); ++l)
    for (uint32_t v = 0; v < 256; ++v)
      if (set.item(l).count(v)) out[{l, v}] = set.item(l).count(v);
  return out;
}

LineSource* values_source(int32_t w, int32_t h, const Bytes& values) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < h; ++y)
    lines.emplace_back(values.begin() + std::ptrdiff_t(y) * w, values.begin() + std::ptrdiff_t(y + 1) * w);
  return new LineSource(image_header(w, h, 8, 1, RstColorType::s_gray()), lines);
}

// Counts of the contour histogram of a label image over the given values.
struct Contour {
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> counts;
  int image_reads = 0;
  bool made = false;
};

Contour contour(const LabelImage& img, const Bytes& values, uint32_t count) {
  Contour c;
  RstLabelHistogramSet set(count, 8);
  EXPECT_TRUE(set.set());
  LineSource* image = values_source(img.width, img.height, values);
  RstRead* node = RstLabelHistogramForAllLabelOuterContourRLE::create(image, run_source(img), &set, count);
  c.made = node != nullptr;
  if (!node) return c;
  c.image_reads = image->reads;
  c.counts = counted(set);
  // The node then passes the image from its first row.
  EXPECT_EQ(pull(static_cast<RstRead*>(node)).size(), size_t(img.height));
  node->end();
  return c;
}

// Values that tell pixels apart: their column plus 16 times their row.
Bytes positions(int32_t w, int32_t h) {
  Bytes v(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) v[size_t(y * w + x)] = uint8_t(x + 16 * y);
  return v;
}

TEST_F(LabelFilters, ContourCountsTheRingAroundEachComponent) {
  using Counts = std::map<std::pair<uint32_t, uint32_t>, uint32_t>;
  auto ring = [](uint32_t label, std::vector<std::pair<int, int>> cells) {
    Counts out;
    for (auto [x, y] : cells) ++out[{label, uint32_t(x + 16 * y)}];
    return out;
  };
  const struct Case {
    const char* name;
    LabelImage img;
    Counts want;
  } cases[] = {
      {"isolated pixel", from_rows({{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}}),
       ring(1, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})},
      {"corner pixel", from_rows({{1, 0, 0}, {0, 0, 0}}), ring(1, {{1, 0}, {0, 1}, {1, 1}})},
      {"one-column gap between runs of one label", from_rows({{1, 1, 0, 1, 1}}), ring(1, {{2, 0}})},
      {"a column between two components", from_rows({{0, 0, 0, 0, 0}, {0, 1, 0, 2, 0}, {0, 0, 0, 0, 0}}),
       [] {
         Counts c;
         for (auto [x, y] :
              std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
           ++c[{1u, uint32_t(x + 16 * y)}];
         for (auto [x, y] :
              std::vector<std::pair<int, int>>{{2, 0}, {3, 0}, {4, 0}, {2, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}})
           ++c[{2u, uint32_t(x + 16 * y)}];
         return c;
       }()},
      {"one row", from_rows({{0, 1, 1, 0, 0, 2}}),
       [] {
         Counts c;
         c[{1u, 0u}] = 1;
         c[{1u, 3u}] = 1;
         c[{2u, 4u}] = 1;
         return c;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Contour got = contour(c.img, positions(c.img.width, c.img.height), 2);
    ASSERT_TRUE(got.made);
    EXPECT_EQ(got.counts, c.want);
  }
  // A filled 3 x 3 square: the 16 pixels around it.
  LabelImage square = rectangle(7, 7, 2, 2, 3, 3, 1);
  Contour got = contour(square, positions(7, 7), 1);
  uint32_t total = 0;
  for (const auto& [key, n] : got.counts) {
    uint32_t x = key.second % 16, y = key.second / 16;
    EXPECT_TRUE(x >= 1 && x <= 5 && y >= 1 && y <= 5 && !(x >= 2 && x <= 4 && y >= 2 && y <= 4)) << x << "," << y;
    EXPECT_EQ(n, 1u);
    total += n;
  }
  EXPECT_EQ(total, 16u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelFilters, ContourSkipsImageRowsUnderEmptyLabelRows) {
  // Labels only in rows 4 and 5 of 10: rows 3 to 6 are read, the others
  // never (two reads less would show a row read twice or skipped wrongly).
  LabelImage img = rectangle(6, 10, 2, 4, 2, 2, 1);
  Contour got = contour(img, positions(6, 10), 1);
  ASSERT_TRUE(got.made);
  EXPECT_EQ(got.image_reads, 4);
  EXPECT_EQ(got.counts, brute_contour(img, positions(6, 10), 1));
  // Empty top rows and a label in the last row.
  LabelImage bottom = rectangle(6, 5, 1, 4, 3, 1, 1);
  got = contour(bottom, positions(6, 5), 1);
  EXPECT_EQ(got.image_reads, 2);
  EXPECT_EQ(got.counts, brute_contour(bottom, positions(6, 5), 1));
}

TEST_F(LabelFilters, ContourEqualsItsDefinitionOnRandomMasks) {
  std::mt19937 rng(7);
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    int32_t w = 5 + int32_t(seed % 23), h = 1 + int32_t(seed % 17);
    Mask m = random_mask(w, h, seed % 3 == 0 ? 0.2 : 0.45, seed);
    uint32_t count = 0;
    LabelImage img{w, h, flood_fill(m, &count)};
    if (count == 0) continue;
    Bytes values(size_t(w) * size_t(h));
    for (auto& v : values) v = uint8_t(rng());
    // Labels above the set's count are not counted.
    uint32_t limit = seed % 4 == 0 ? std::max(1u, count / 2) : count;
    SCOPED_TRACE("seed " + std::to_string(seed));
    Contour got = contour(img, values, limit);
    ASSERT_TRUE(got.made);
    EXPECT_EQ(got.counts, brute_contour(img, values, limit));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelFilters, ContourRefusals) {
  const char* where = "RstLabelHistogramForAllLabelOuterContourRLE::create()";
  LabelImage img = rectangle(4, 2, 0, 0, 2, 2, 1);
  RstLabelHistogramSet set(1, 8);
  ASSERT_TRUE(set.set());
  RstRead* image = values_source(4, 2, Bytes(8, 0));
  RstRead* wide = values_source(4, 2, Bytes(8, 0));
  RstRead* runs = run_source(img);
  RstRead* raw = raw_source(img);
  RstRead* taller = run_source(rectangle(4, 3, 0, 0, 2, 2, 1));
  const struct Case {
    std::function<RstRead*()> make;
    int32_t code;
  } cases[] = {
      {[&] { return RstLabelHistogramForAllLabelOuterContourRLE::create(nullptr, runs, &set, 1); }, -2},
      {[&] { return RstLabelHistogramForAllLabelOuterContourRLE::create(image, nullptr, &set, 1); }, -2},
      {[&] { return RstLabelHistogramForAllLabelOuterContourRLE::create(image, runs, &set, 0); }, -2},
      {[&] { return RstLabelHistogramForAllLabelOuterContourRLE::create(image, raw, &set, 1); }, -3},
      {[&] { return RstLabelHistogramForAllLabelOuterContourRLE::create(image, taller, &set, 1); }, -3},
      {[&] { return RstLabelHistogramForAllLabelOuterContourRLE::create(runs, runs, &set, 1); }, -3},
  };
  for (const Case& c : cases) {
    status.clear();
    EXPECT_EQ(c.make(), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, where}}));
  }
  for (RstRead* n : {image, wide, runs, raw, taller}) n->end();
}

}  // namespace
