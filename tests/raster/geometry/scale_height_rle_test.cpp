// Height scaling of run lines: which source lines each variant shows or
// combines, union and intersection, malformed lines, skip and reset,
// refusals and allocation failures.
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_height_rle.h"

namespace {

class ScaleHeightRLE : public RstStatusTest {};

enum Variant { OR, AND, NN };
const char* const kNames[] = {"OR", "AND", "NN"};

RstRead* scale(Variant v, RstRead* source, int32_t height) {
  switch (v) {
    case OR: return RstScaleHeightRLEOR::create(source, height);
    case AND: return RstScaleHeightRLEAND::create(source, height);
    default: return RstScaleHeightRLENN::create(source, height);
  }
}

// Line i holds the run (i, 30): a union of lines a to b gives (a, 30), an
// intersection (b, 30), so the first column tells which lines were used.
LineSource* numbered(int32_t height) {
  std::vector<Bytes> lines;
  for (int32_t i = 0; i < height; ++i) lines.push_back(run_line({{i, 30}}));
  return static_cast<LineSource*>(rle_source(31, std::move(lines)));
}

std::vector<int32_t> first_columns(RstRead* node) {
  std::vector<int32_t> out;
  for (const Bytes& line : pull(node)) {
    int32_t first = -1;
    if (line.size() >= 4) std::memcpy(&first, line.data(), 4);
    out.push_back(first);
  }
  return out;
}

TEST_F(ScaleHeightRLE, ShowsOrCombinesLines) {
  struct Case {
    int32_t from, to;
    std::vector<int32_t> lines[3];  // OR: first line combined, AND: last, NN: the line
  } cases[] = {
      {3, 2, {{0, 2}, {1, 2}, {0, 2}}},
      {5, 2, {{0, 3}, {2, 4}, {1, 3}}},
      {7, 3, {{0, 2, 5}, {1, 4, 6}, {1, 3, 5}}},
      {4, 2, {{0, 2}, {1, 3}, {1, 3}}},
      {2, 5, {{0, 0, 0, 1, 1}, {0, 0, 0, 1, 1}, {0, 0, 0, 1, 1}}},
      {4, 7, {{0, 0, 1, 1, 2, 3, 3}, {0, 0, 1, 1, 2, 3, 3}, {0, 0, 1, 1, 2, 3, 3}}},
      {6, 1, {{0}, {5}, {3}}},
  };
  for (const Case& c : cases) {
    for (Variant v : {OR, AND, NN}) {
      SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " " + kNames[v]);
      LineSource* src = numbered(c.from);
      Held<> node(scale(v, src, c.to));
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(RstHeader(node.get()).height, c.to);
      EXPECT_EQ(first_columns(node.get()), c.lines[v]);
      if (c.to > c.from) {
        EXPECT_EQ(src->reads, c.from) << "each source line read once";
      }
      Bytes line(size_t(node->line_size()));
      EXPECT_EQ(node->read(line.data()), 0) << "reads past the height give 0";
      node->reset();
      EXPECT_EQ(first_columns(node.get()), c.lines[v]) << "reset repeats";
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleHeightRLE, UnionAndIntersection) {
  struct Case {
    const char* name;
    Pairs a, b;
    Pairs or_, and_;
  } cases[] = {
      {"two lines", {{0, 3}, {8, 9}}, {{2, 5}, {9, 9}}, {{0, 5}, {8, 9}}, {{2, 3}, {9, 9}}},
      {"touching runs join", {{0, 3}}, {{4, 6}}, {{0, 6}}, {}},
      {"one line empty", {}, {{1, 2}, {5, 5}}, {{1, 2}, {5, 5}}, {}},
      {"same ends", {{1, 4}, {6, 9}}, {{2, 4}, {6, 7}}, {{1, 4}, {6, 9}}, {{2, 4}, {6, 7}}},
      {"one run over many", {{0, 12}}, {{1, 1}, {3, 4}, {11, 14}}, {{0, 14}}, {{1, 1}, {3, 4}, {11, 12}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (Variant v : {OR, AND}) {
      Held<> node(scale(v, rle_source(16, {run_line(c.a), run_line(c.b)}), 1));
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line(v == OR ? c.or_ : c.and_)}) << kNames[v];
    }
  }
}

TEST_F(ScaleHeightRLE, MalformedLinesGiveValidOutput) {
  // Width 10; each case's two lines reduced to one (NN shows the second) and
  // one line enlarged to two.
  struct Case {
    const char* name;
    Bytes a, b;
    Pairs or_, and_, nn, enlarged;
  } cases[] = {
      {"no terminator", run_line({{1, 3}}, false), run_line({{2, 6}}, false), {{1, 6}}, {{2, 3}}, {{2, 6}}, {{1, 3}}},
      {"past the width", run_line({{8, 40}}), run_line({{5, 12}}), {{5, 9}}, {{8, 9}}, {{5, 9}}, {{8, 9}}},
      {"overlapping", run_line({{0, 4}, {2, 6}}), run_line({{5, 7}}), {{0, 7}}, {{5, 6}}, {{5, 7}}, {{0, 6}}},
      {"negative and reversed",
       run_line({{-4, 1}, {7, 3}}),
       run_line({{0, 0}}),
       {{0, 1}},
       {{0, 0}},
       {{0, 0}},
       {{0, 1}}},
      {"short count", Bytes{1, 2, 3}, run_line({{4, 4}}), {{4, 4}}, {}, {{4, 4}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Pairs* reduced[] = {&c.or_, &c.and_, &c.nn};
    for (Variant v : {OR, AND, NN}) {
      Held<> node(scale(v, rle_source(10, {c.a, c.b}), 1));
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line(*reduced[v])}) << kNames[v];
      Held<> tall(scale(v, rle_source(10, {c.a}), 2));
      ASSERT_NE(tall, nullptr);
      EXPECT_EQ(pull(tall.get()), (std::vector<Bytes>{run_line(c.enlarged), run_line(c.enlarged)})) << kNames[v];
    }
  }
  // A line size below the width's largest run line: the scalers' lines
  // still hold any clean line.
  Held<> node(RstScaleHeightRLEOR::create(rle_source(10, {run_line({{0, 0}}), run_line({{2, 2}, {4, 4}})}, 16), 1));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(10));
  EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line({{0, 0}, {2, 2}, {4, 4}})});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleHeightRLE, SkipReadsThroughTheScaler) {
  for (Variant v : {OR, AND, NN}) {
    SCOPED_TRACE(kNames[v]);
    Held<> node(scale(v, numbered(7), 3));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->skip(1), 1);
    std::vector<int32_t> rest[] = {{2, 5}, {4, 6}, {3, 5}};
    EXPECT_EQ(first_columns(node.get()), rest[v]);
    node->reset();
    EXPECT_EQ(node->skip(10), 3);
  }
}

TEST_F(ScaleHeightRLE, SameHeightAndRefusals) {
  for (Variant v : {OR, AND, NN}) {
    SCOPED_TRACE(kNames[v]);
    auto* raw = new LineSource(image_header(8, 3, 8, 1), {});
    EXPECT_EQ(scale(v, raw, 3), raw) << "the same height returns the source, whatever it holds";
    raw->end();
    std::string where = std::string("RstScaleHeightRLE") + kNames[v] + "::create()";
    struct Case {
      const char* name;
      RstHeader header;
      int32_t height;
      int32_t code;
    } cases[] = {
        {"height 0", image_header(8, 4, 1, 1, nullptr, RstDataForm::rle), 0, -2},
        {"negative height", image_header(8, 4, 1, 1, nullptr, RstDataForm::rle), -5, -2},
        {"8-bit raw", image_header(8, 4, 8, 1), 2, -3},
        {"valued runs", image_header(8, 4, 8, 1, nullptr, RstDataForm::rle_n), 2, -3},
        {"source of 2^19 lines", image_header(8, 524288, 1, 1, nullptr, RstDataForm::rle), 2, -3},
        {"target of 2^19 lines", image_header(8, 4, 1, 1, nullptr, RstDataForm::rle), 524288, -3},
        {"step of 0", image_header(8, 2, 1, 1, nullptr, RstDataForm::rle), 10000, -3},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      RstStatusRecorder local;
      auto* s = new LineSource(c.header, {run_line({{1, 2}})}, 24);
      EXPECT_EQ(scale(v, s, c.height), nullptr);
      EXPECT_EQ(local.errors(), (std::vector<RstReport>{{c.code, where}}));
      Bytes line(24);
      EXPECT_EQ(s->read(line.data()), 16) << "the caller's source reads from line 0";
      s->end();
    }
    RstStatusRecorder local;
    EXPECT_EQ(scale(v, nullptr, 4), nullptr);
    EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, where}}));
  }
}

TEST_F(ScaleHeightRLE, AllocationFailures) {
  std::vector<Bytes> lines{run_line({{0, 3}, {9, 20}}), run_line({{2, 5}}), run_line({})};
  for (int32_t height : {1, 5}) {
    for (Variant v : {OR, AND, NN}) {
      SCOPED_TRACE(std::to_string(height) + " " + kNames[v]);
      std::vector<Bytes> expected;
      if (height == 1) {
        Pairs first[] = {{{0, 5}, {9, 20}}, {}, {{2, 5}}};
        expected = {run_line(first[v])};
      } else {
        expected = {lines[0], lines[0], lines[1], lines[2], lines[2]};
      }
      check_allocation_failures(
          [&] { return rle_source(21, lines); }, [v, height](RstRead* s) { return scale(v, s, height); }, expected,
          {"RstScaleHeightRLEOR::RstScaleHeightRLEOR()", "RstScaleHeightRLEAND::RstScaleHeightRLEAND()",
           "RstScaleHeightRLENN::RstScaleHeightRLENN()", "rst_create_end()"});
    }
  }
}

}  // namespace
