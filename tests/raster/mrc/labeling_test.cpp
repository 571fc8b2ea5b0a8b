// Connected-component labelling: shapes whose labels are known, the label
// image forms of both nodes, reading with skip and reset, the refusals and
// out-of-memory paths, and the flood-fill reference on random masks, a comb
// and a double spiral. Every mask goes through every path: 8-bit pixels,
// packed bits and run lines into raw labels, and packed bits and run lines
// into valued runs; all must give the same labels.
#include <functional>

#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_labeling_rle.h"

namespace {

class Labeling : public RstStatusTest {};

struct Path {
  const char* name;
  std::function<RstRead*(const Mask&, uint32_t*)> make;
  bool runs;  // valued-run output
};

const std::vector<Path>& paths() {
  static const std::vector<Path> list = {
      {"8-bit",
       [](const Mask& m, uint32_t* n) {
         std::vector<RstLabelRect> rects;
         return RstGetLabelRectInfo::create(source8(m), 255, n, &rects);
       },
       false},
      {"packed bits",
       [](const Mask& m, uint32_t* n) {
         std::vector<RstLabelRect> rects;
         return RstGetLabelRectInfo::create(source1(m), 0, n, &rects);
       },
       false},
      {"run lines",
       [](const Mask& m, uint32_t* n) {
         std::vector<RstLabelRect> rects;
         return RstGetLabelRectInfo::create(source_runs(m), 0, n, &rects);
       },
       false},
      {"packed bits to runs", [](const Mask& m, uint32_t* n) { return RstLabelingRLE::create(source1(m), n); }, true},
      {"run lines to runs", [](const Mask& m, uint32_t* n) { return RstLabelingRLE::create(source_runs(m), n); }, true},
      {"rectangles of runs",
       [](const Mask& m, uint32_t* n) {
         std::vector<RstLabelRect> rects;
         return RstGetLabelRectInfoRLE::create(source_runs(m), n, &rects);
       },
       true},
  };
  return list;
}

Labels label_with(const Path& p, const Mask& m, uint32_t* count) {
  *count = 0xDEAD;
  Held<> node(p.make(m, count));
  EXPECT_NE(node, nullptr) << p.name;
  if (!node) return {};
  return p.runs ? read_run_labels(node.get(), m.width, m.height) : read_raw_labels(node.get(), m.width, m.height);
}

// Every path labels the mask as the flood fill does.
void expect_reference(const Mask& m, const std::string& what) {
  uint32_t want_count = 0;
  Labels want = flood_fill(m, &want_count);
  for (const Path& p : paths()) {
    uint32_t count = 0;
    Labels got = label_with(p, m, &count);
    EXPECT_EQ(count, want_count) << what << ", " << p.name;
    EXPECT_TRUE(got == want) << what << ", " << p.name;
  }
}

struct Shape {
  const char* name;
  std::vector<std::string> mask;
  std::vector<std::string> labels;  // digits, '.' for 0
};

TEST_F(Labeling, KnownShapes) {
  const Shape shapes[] = {
      {"no foreground", {"....", "....", "...."}, {"....", "....", "...."}},
      {"diagonal chain", {"#...", ".#..", "..#.", "...#"}, {"1...", ".1..", "..1.", "...1"}},
      {"anti-diagonal chain", {"...#", "..#.", ".#..", "#..."}, {"...1", "..1.", ".1..", "1..."}},
      {"U joined lower down", {"#...#", "#...#", "#####"}, {"1...1", "1...1", "11111"}},
      {"second starts left but lower", {"...##", "#....", "#...."}, {"...11", "2....", "2...."}},
      {"right edge column", {"...#", "...#", "..##", "...#"}, {"...1", "...1", "..11", "...1"}},
      {"left edge column", {"#...", "#.#.", "#..."}, {"1...", "1.2.", "1..."}},
      {"pixel 0 joined above-right", {".#..", "#...", "#..#"}, {".1..", "1...", "1..2"}},
      {"late merge of three arms", {"#.#.#", "#.#.#", "#.#.#", "#####"}, {"1.1.1", "1.1.1", "1.1.1", "11111"}},
      {"separated by one column", {"#.#", "#.#"}, {"1.2", "1.2"}},
      {"whole image", {"###", "###"}, {"111", "111"}},
      {"one pixel", {"#"}, {"1"}},
      {"one row", {"##.#..#"}, {"11.2..3"}},
      {"one column with gaps", {"#", "#", ".", "#", ".", "#"}, {"1", "1", ".", "2", ".", "3"}},
      {"two wide", {"#.", ".#", "#.", ".."}, {"1.", ".1", "1.", ".."}},
  };
  for (const Shape& s : shapes) {
    Mask m = draw(s.mask);
    Labels want;
    uint32_t want_count = 0;
    for (const std::string& r : s.labels)
      for (char c : r) {
        want.push_back(c == '.' ? 0u : uint32_t(c - '0'));
        if (c != '.' && uint32_t(c - '0') > want_count) want_count = uint32_t(c - '0');
      }
    ASSERT_EQ(flood_fill(m), want) << s.name;  // the reference agrees
    for (const Path& p : paths()) {
      SCOPED_TRACE(std::string(s.name) + ", " + p.name);
      uint32_t count = 0;
      EXPECT_EQ(label_with(p, m, &count), want);
      EXPECT_EQ(count, want_count);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Labeling, OnlyTheTargetByteIsForeground) {
  // 254 beside 255 is background; the target can be any byte.
  std::vector<Bytes> rows = {{255, 254, 255}, {0, 254, 0}, {255, 255, 7}};
  struct Case {
    uint8_t target;
    Labels want;
    uint32_t count;
  } cases[] = {
      {255, {1, 0, 2, 0, 0, 0, 3, 3, 0}, 3},
      {254, {0, 1, 0, 0, 1, 0, 0, 0, 0}, 1},
      {7, {0, 0, 0, 0, 0, 0, 0, 0, 1}, 1},
      {0, {0, 0, 0, 1, 0, 2, 0, 0, 0}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.target));
    uint32_t count = 0;
    std::vector<RstLabelRect> rects;
    Held<> node(RstGetLabelRectInfo::create(new LineSource(image_header(3, 3, 8, 1), rows), c.target, &count, &rects));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(read_raw_labels(node.get(), 3, 3), c.want);
  }
}

TEST_F(Labeling, LineFormsOfAnEmptyImage) {
  Mask m = draw({".....", ".....", "....."});
  uint32_t count = 7;
  std::vector<RstLabelRect> rects;
  Held<> node(RstGetLabelRectInfo::create(source8(m), 255, &count, &rects));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(count, 0u);
  RstHeader h(node.get());
  EXPECT_EQ(h.bits_per_sample, 32);
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.data_form, RstDataForm::raw);
  EXPECT_EQ(h.color_type, RstColorType::none());
  EXPECT_EQ(node->line_size(), 20);
  auto lines = pull(node.get());
  ASSERT_EQ(lines.size(), 3u);
  for (const Bytes& l : lines) EXPECT_EQ(l, Bytes(20, 0));

  count = 7;
  Held<> runs(RstLabelingRLE::create(source1(m), &count));
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(count, 0u);
  RstHeader rh(runs.get());
  EXPECT_EQ(rh.bits_per_sample, 32);
  EXPECT_EQ(rh.data_form, RstDataForm::rle_n);
  EXPECT_EQ(rh.color_type, RstColorType::none());
  EXPECT_EQ(runs->line_size(), 5 * 12 + 12);
  Bytes terminator(12, 0xFF);
  std::memset(terminator.data(), 0, 4);
  for (const Bytes& l : pull(runs.get())) EXPECT_EQ(l, terminator);
}

TEST_F(Labeling, ReadSkipAndReset) {
  // Two components merged only in the last row: rows read after a skip
  // must carry final labels, and reset must give the same rows again.
  Mask m = draw({"##..#", "#...#", "#...#", "##.##", ".###.", "....#"});
  uint32_t want_count = 0;
  Labels want = flood_fill(m, &want_count);
  for (const Path& p : paths()) {
    SCOPED_TRACE(p.name);
    uint32_t count = 0;
    Held<> node(p.make(m, &count));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(count, want_count);
    auto rows = [&](int32_t n) {
      return p.runs ? read_run_labels(node.get(), m.width, n) : read_raw_labels(node.get(), m.width, n);
    };
    Labels tail(want.begin() + 3 * m.width, want.end());
    EXPECT_EQ(node->skip(0), 0);
    EXPECT_EQ(node->skip(3), 3);
    EXPECT_EQ(rows(3), tail);
    Bytes line(size_t(node->line_size()) + 8);
    EXPECT_EQ(node->read(line.data()), 0);
    EXPECT_EQ(node->skip(2), 0);
    node->reset();
    EXPECT_EQ(rows(m.height), want);
    EXPECT_EQ(node->read(line.data()), 0);
    node->reset();
    EXPECT_EQ(node->skip(100), m.height);  // clamped to the rows left
    node->reset();
    EXPECT_EQ(node->skip(4), 4);
    node->reset();
    EXPECT_EQ(rows(m.height), want);
  }
}

TEST_F(Labeling, OnePixelWideImagesLabelAsTheRunPass) {
  // An 8-bit image one pixel wide has no pixel above-right.
  const std::vector<std::vector<std::string>> columns = {
      {"#", "#", "#", "#"}, {"#", ".", "#", "#", ".", ".", "#"}, {".", "#"}, {"#"}, {"."}};
  for (const auto& c : columns) expect_reference(draw(c), "column of " + std::to_string(c.size()));
  for (uint32_t seed = 1; seed <= 20; ++seed) expect_reference(random_mask(1, 30, 0.5, seed), "random column");
}

TEST_F(Labeling, RandomMasksMatchTheFloodFill) {
  const double densities[] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
  uint32_t seed = 1;
  for (double d : densities)
    for (int32_t w = 1; w <= 70; w += 3) {
      int32_t h = 1 + int32_t(seed * 7 % 37);
      expect_reference(random_mask(w, h, d, seed), "density " + std::to_string(d) + " width " + std::to_string(w));
      ++seed;
    }
}

TEST_F(Labeling, LongUnionChains) {
  expect_reference(comb(60, 30), "comb");
  expect_reference(double_spiral(61), "double spiral");
  uint32_t count = 0;
  flood_fill(double_spiral(61), &count);
  EXPECT_EQ(count, 2u);
}

TEST_F(Labeling, LabelsPastSixteenBits) {
  // Isolated pixels on every other row and column: 90 000 components.
  Mask m{600, 600, {}};
  m.set.assign(600 * 600, 0);
  for (int32_t y = 0; y < 600; y += 2)
    for (int32_t x = 0; x < 600; x += 2) m.set[size_t(y) * 600 + size_t(x)] = 1;
  for (const Path& p : {paths()[0], paths()[4]}) {
    SCOPED_TRACE(p.name);
    uint32_t count = 0;
    Labels got = label_with(p, m, &count);
    EXPECT_EQ(count, 90000u);
    ASSERT_EQ(got.size(), m.set.size());
    EXPECT_EQ(got[0], 1u);
    EXPECT_EQ(got[598 * 600 + 598], 90000u);
    EXPECT_EQ(got[300 * 600 + 2], 150u * 300u + 2u);
  }
}

TEST_F(Labeling, MalformedRunLinesStayInsideTheImage) {
  // Runs from outside: past the width, negative, reversed, overlapping, out
  // of order, without terminator. Labels come out as for the cleaned mask.
  std::vector<Bytes> lines = {
      run_line({{-4, 1}, {8, 40}}),         // ##......##
      run_line({{3, 4}, {4, 6}, {1, 1}}),   // .#.####... (the last is out of order: dropped)
      run_line({{9, 2}, {20, 30}}, false),  // nothing inside
      run_line({{0, 0}, {1, 2}}),           // ###....... (touching runs joined)
  };
  Mask clean = draw({"##......##", "...####...", "..........", "###......."});
  uint32_t want_count = 0;
  Labels want = flood_fill(clean, &want_count);
  {
    uint32_t count = 0;
    Held<> node(RstLabelingRLE::create(rle_source(10, lines), &count));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(count, want_count);
    EXPECT_EQ(read_run_labels(node.get(), 10, 4), want);
  }
  {
    uint32_t count = 0;
    std::vector<RstLabelRect> rects;
    Held<> node(RstGetLabelRectInfo::create(rle_source(10, lines), 0, &count, &rects));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(count, want_count);
    EXPECT_EQ(read_raw_labels(node.get(), 10, 4), want);
  }
}

TEST_F(Labeling, Refusals) {
  struct Case {
    const char* name;
    RstHeader header;
    bool raw_ok, runs_ok;
  } cases[] = {
      {"8 bits", image_header(4, 2, 8, 1), true, false},
      {"8 bits as run lines", image_header(4, 2, 8, 1, nullptr, RstDataForm::rle), false, false},
      {"16 bits", image_header(4, 2, 16, 1), false, false},
      {"2 channels", image_header(4, 2, 1, 2), false, false},
      {"8 bits, 3 channels", image_header(4, 2, 8, 3), false, false},
      {"MMR coded", image_header(4, 2, 1, 1, nullptr, RstDataForm::mmr), false, false},
      {"valued runs", image_header(4, 2, 1, 1, nullptr, RstDataForm::rle_n), false, false},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    size_t bytes = size_t(c.header.width * c.header.bits_per_sample * c.header.samples_per_pixel + 7) / 8;
    std::vector<Bytes> lines(2, c.header.data_form == RstDataForm::raw ? Bytes(bytes, 0) : run_line({}));
    auto* src = new LineSource(c.header, lines);
    status.clear();
    RstRead* raw = RstGetLabelRectInfo::create(src, 0, &count, &rects);
    EXPECT_EQ(raw != nullptr, c.raw_ok);
    if (raw) raw->end();
    else {
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstGetLabelRectInfo::create()"}}));
      src->end();
    }
    for (int k = 0; k < 2; ++k) {
      src = new LineSource(c.header, lines);
      status.clear();
      RstRead* runs = k == 0 ? static_cast<RstRead*>(RstLabelingRLE::create(src, &count))
                             : RstGetLabelRectInfoRLE::create(src, &count, &rects);
      EXPECT_EQ(runs != nullptr, c.runs_ok);
      const char* where = k == 0 ? "RstLabelingRLE::create()" : "RstGetLabelRectInfoRLE::create()";
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, where}}));
      src->end();
    }
  }
  status.clear();
  std::vector<RstLabelRect> rects;
  uint32_t count = 0;
  EXPECT_EQ(RstGetLabelRectInfo::create(nullptr, 0, &count, &rects), nullptr);
  EXPECT_EQ(RstLabelingRLE::create(nullptr, &count), nullptr);
  EXPECT_EQ(RstGetLabelRectInfoRLE::create(nullptr, &count, &rects), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstGetLabelRectInfo::create()"},
                                                     {-2, "RstLabelingRLE::create()"},
                                                     {-2, "RstGetLabelRectInfoRLE::create()"}}));
}

TEST_F(Labeling, ShortSourcesFailTheCreate) {
  // An 8-bit line of the wrong length reports; a run source that runs dry
  // fails without a report of its own. The source stays the caller's.
  std::vector<RstLabelRect> rects;
  uint32_t count = 5;
  auto* src = new LineSource(image_header(4, 2, 8, 1), {Bytes(4, 255), Bytes(3, 255)});
  EXPECT_EQ(RstGetLabelRectInfo::create(src, 255, &count, &rects), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstLabeling::labeling()"}}));
  src->end();
  status.clear();
  // Claims two rows, delivers one.
  auto* dry = new LineSource(image_header(4, 2, 1, 1, nullptr, RstDataForm::rle), {run_line({{0, 1}})}, 40);
  EXPECT_EQ(RstLabelingRLE::create(dry, &count), nullptr);
  EXPECT_EQ(count, 5u);
  EXPECT_TRUE(status.errors().empty());
  dry->end();
}

TEST_F(Labeling, OutOfMemory) {
  Mask m = random_mask(300, 20, 0.5, 7);  // rows of more than 128 runs
  std::vector<Bytes> want_runs, want_raw;
  {
    uint32_t count = 0;
    Held<> node(RstLabelingRLE::create(source1(m), &count));
    want_runs = pull(node.get());
    std::vector<RstLabelRect> rects;
    Held<> raw(RstGetLabelRectInfo::create(source1(m), 0, &count, &rects));
    want_raw = pull(raw.get());
  }
  const std::vector<std::string> wheres = {
      "RstLabeling::initiate()",  "RstLabeling::labeling1()",        "RstLabelingRLE::labeling",
      "RstRLELineN::new_buf()",   "RstRLELineN::expand_buf()",       "rst_create_end()",
      "RstEncodeRLE::initiate()", "RstGetLabelRectInfo::initiate()", "RstLabeling::labeling()"};
  uint32_t count = 0;
  check_allocation_failures([&] { return source1(m); }, [&](RstRead* s) { return RstLabelingRLE::create(s, &count); },
                            want_runs, wheres, 400);
  std::vector<RstLabelRect> rects;
  check_allocation_failures([&] { return source1(m); },
                            [&](RstRead* s) { return RstGetLabelRectInfo::create(s, 0, &count, &rects); }, want_raw,
                            wheres, 400);
  check_allocation_failures([&] { return source8(m); },
                            [&](RstRead* s) { return RstGetLabelRectInfo::create(s, 255, &count, &rects); }, want_raw,
                            wheres, 400);
}

}  // namespace

namespace {

// A source that notes when it is deleted.
class WatchedSource : public LineSource {
 public:
  WatchedSource(const RstHeader& h, std::vector<Bytes> lines, bool* gone)
      : LineSource(h, std::move(lines)), gone_(gone) {}
  ~WatchedSource() override { *gone_ = true; }

 private:
  bool* gone_;
};

TEST_F(Labeling, SourcesAreLetGoOnceLabelled) {
  Mask m = draw({"#..#", ".##.", "#..."});
  Labels want = flood_fill(m);
  using Make = std::function<RstRead*(RstRead*)>;
  std::vector<RstLabelRect> rects;
  std::vector<RstLabelRect*> owned;
  uint32_t count = 0;
  struct Case {
    const char* name;
    bool eight, runs_out;
    Make make;
  } cases[] = {
      {"rectangles, 8-bit", true, false,
       [&](RstRead* s) { return RstGetLabelRectInfo::create(s, 255, &count, &rects); }},
      {"rectangles, packed bits", false, false,
       [&](RstRead* s) { return RstGetLabelRectInfo::create(s, 0, &count, &rects); }},
      {"allocated rectangles", false, false,
       [&](RstRead* s) { return RstGetLabelRectInfo::create(s, 0, &count, &owned); }},
      {"valued runs", false, true, [&](RstRead* s) { return RstLabelingRLE::create(s, &count); }},
      {"rectangles of runs", false, true,
       [&](RstRead* s) { return RstGetLabelRectInfoRLE::create(s, &count, &rects); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool gone = false;
    std::vector<Bytes> rows;
    if (c.eight) {
      RstRead* tmp = source8(m);
      rows = pull(tmp);
      tmp->end();
    } else {
      rows = packed_rows(m);
    }
    auto* src = new WatchedSource(image_header(4, 3, c.eight ? 8 : 1, 1), rows, &gone);
    Held<> node(c.make(src));
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(gone);
    EXPECT_EQ(c.runs_out ? read_run_labels(node.get(), 4, 3) : read_raw_labels(node.get(), 4, 3), want);
  }
  for (RstLabelRect* r : owned) delete r;
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace

namespace {

TEST_F(Labeling, RunListBuffers) {
  // Room for the capacity and the terminator, every first and last -1.
  RstRLELineN<uint32_t> line;
  line.capacity = 5;
  ASSERT_TRUE(line.new_buf());
  ASSERT_NE(line.items, nullptr);
  EXPECT_EQ(line.count, 0);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(line.items[i].first, -1);
    EXPECT_EQ(line.items[i].last, -1);
  }
  for (uint32_t k = 0; k < 7; ++k) EXPECT_TRUE(line.append(k + 1, int32_t(3 * k), int32_t(3 * k + 1)));
  EXPECT_EQ(line.capacity, 133);  // grown by 128 past the fifth run
  EXPECT_EQ(line.items[6].label, 7u);
  EXPECT_EQ(line.end_line(), 8 * 12);
  // Made again: the old buffer goes, the new one is empty.
  ASSERT_TRUE(line.new_buf());
  EXPECT_EQ(line.count, 0);
  EXPECT_EQ(line.items[0].first, -1);
  // Out of memory: reported, no buffer.
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(line.new_buf());
  RstAllocFault::clear();
  EXPECT_EQ(line.items, nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstRLELineN::new_buf()"}}));
}

}  // namespace
