// Width scaling of run lines: the three variants' mappings, mirroring, the
// OR rule against its pixel definition, malformed lines, the protocol,
// refusals and allocation failures.
#include <random>

#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_width_rle.h"

namespace {

class ScaleWidthRLE : public RstStatusTest {};

enum Variant { OR, AND, NN };
const char* const kNames[] = {"OR", "AND", "NN"};

RstRead* scale(Variant v, RstRead* source, int32_t width) {
  switch (v) {
    case OR: return RstScaleWidthRLEOR::create(source, width);
    case AND: return RstScaleWidthRLEAND::create(source, width);
    default: return RstScaleWidthRLENN::create(source, width);
  }
}

TEST_F(ScaleWidthRLE, MapsRuns) {
  struct Case {
    const char* name;
    int32_t from, to;
    Pairs in;
    Pairs out[3];  // OR, AND, NN
  } cases[] = {
      {"doubling", 8, 16, {{1, 3}, {6, 6}}, {{{2, 7}, {12, 13}}, {{2, 7}, {12, 13}}, {{2, 7}, {12, 13}}}},
      {"halving", 8, 4, {{1, 3}, {6, 6}}, {{{0, 1}, {3, 3}}, {{0, 0}}, {{1, 1}, {3, 3}}}},
      {"12 to 6", 12, 6, {{0, 4}, {7, 7}, {10, 11}}, {{{0, 3}, {5, 5}}, {{0, 1}}, {{0, 2}, {5, 5}}}},
      // OR is monotone: a wider source never loses an output pixel.
      {"OR joins through a gap", 12, 6, {{0, 2}, {5, 9}}, {{{0, 4}}, {{0, 0}, {2, 3}}, {{0, 1}, {3, 4}}}},
      {"mirrored at the same width", 10, -10, {{2, 4}, {7, 7}}, {{{2, 2}, {5, 7}}, {{2, 2}, {5, 7}}, {{2, 2}, {5, 7}}}},
      {"mirrored halving", 8, -4, {{0, 1}}, {{{3, 3}}, {}, {{3, 3}}}},
      {"no runs", 9, 3, {}, {{}, {}, {}}},
      {"no runs enlarged", 3, 9, {}, {{}, {}, {}}},
      {"whole line", 7, 3, {{0, 6}}, {{{0, 2}}, {{0, 1}}, {{0, 2}}}},
      {"tripling", 3, 9, {{1, 1}}, {{{3, 5}}, {{3, 5}}, {{3, 5}}}},
  };
  for (const Case& c : cases) {
    for (Variant v : {OR, AND, NN}) {
      SCOPED_TRACE(std::string(c.name) + " " + kNames[v]);
      Held<> node(scale(v, rle_source(c.from, {run_line(c.in)}), c.to));
      ASSERT_NE(node, nullptr);
      RstHeader h(node.get());
      EXPECT_EQ(h.width, c.to < 0 ? -c.to : c.to);
      EXPECT_EQ(h.data_form, RstDataForm::rle);
      EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line(c.out[v])});
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

// Output column j is set exactly when a set source column x has
// floor(x k / 4096) = j.
TEST_F(ScaleWidthRLE, OrSetsEveryColumnHit) {
  std::mt19937 rng(32);
  for (int trial = 0; trial < 200; ++trial) {
    int32_t from = 2 + int32_t(rng() % 60), to = 1 + int32_t(rng() % uint32_t(from));
    if (to == from) continue;
    std::vector<bool> pixels(static_cast<size_t>(from));
    Pairs runs;
    for (int32_t x = 0; x < from; ++x) pixels[size_t(x)] = rng() % 3 == 0;
    for (int32_t x = 0; x < from;) {
      if (!pixels[size_t(x)]) {
        ++x;
        continue;
      }
      int32_t s = x;
      while (x < from && pixels[size_t(x)]) ++x;
      runs.push_back({s, x - 1});
    }
    int64_t k = (int64_t(to) << 12) / from;
    std::vector<bool> want(static_cast<size_t>(to));
    for (int32_t x = 0; x < from; ++x)
      if (pixels[size_t(x)]) want[size_t((x * k) >> 12)] = true;
    Pairs expected;
    for (int32_t j = 0; j < to;) {
      if (!want[size_t(j)]) {
        ++j;
        continue;
      }
      int32_t s = j;
      while (j < to && want[size_t(j)]) ++j;
      expected.push_back({s, j - 1});
    }
    SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
    Held<> node(RstScaleWidthRLEOR::create(rle_source(from, {run_line(runs)}), to));
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(first_line(node.get()), run_line(expected));
  }
}

TEST_F(ScaleWidthRLE, MalformedLinesGiveValidOutput) {
  struct Case {
    const char* name;
    Bytes in;
    int line_size;
    Pairs out[3];  // width 20 -> 10: OR, AND, NN
  } cases[] = {
      {"no terminator", run_line({{2, 5}}, false), -1, {{{1, 2}}, {{1, 1}}, {{1, 2}}}},
      {"past the width", run_line({{16, 400}}), -1, {{{8, 9}}, {{8, 8}}, {{8, 9}}}},
      {"wholly past the width", run_line({{25, 400}}), -1, {{}, {}, {}}},
      {"overlapping", run_line({{2, 7}, {4, 9}}), -1, {{{1, 4}}, {{1, 3}}, {{1, 4}}}},
      {"negative", run_line({{-9, 3}}), -1, {{{0, 1}}, {{0, 0}}, {{0, 1}}}},
      {"reversed", run_line({{9, 3}, {12, 13}}), -1, {{{6, 6}}, {}, {{6, 6}}}},
      {"out of order", run_line({{12, 13}, {2, 3}}), -1, {{{6, 6}}, {}, {{6, 6}}}},
      {"short count", Bytes{1, 2, 3}, -1, {{}, {}, {}}},
      // More runs than the line holds, without terminator, in a line of 24
      // bytes.
      {"crowded",
       run_line({{0, 0}, {4, 4}, {8, 8}}, false),
       24,
       {{{0, 0}, {2, 2}, {4, 4}}, {}, {{0, 0}, {2, 2}, {4, 4}}}},
  };
  for (const Case& c : cases) {
    for (Variant v : {OR, AND, NN}) {
      SCOPED_TRACE(std::string(c.name) + " " + kNames[v]);
      Held<> node(scale(v, rle_source(20, {c.in}, c.line_size), 10));
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(first_line(node.get()), run_line(c.out[v]));
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleWidthRLE, Protocol) {
  auto* src = rle_source(400, {run_line({{0, 9}}), run_line({{10, 19}}), run_line({})});
  auto* lines = static_cast<LineSource*>(src);
  Held<> node(RstScaleWidthRLEOR::create(src, 800));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(800));
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(lines->skips, 0);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(lines->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{run_line({{20, 39}}), run_line({})}));
  node->reset();
  EXPECT_EQ(lines->resets, 1);
  EXPECT_EQ(first_line(node.get()), run_line({{0, 19}}));

  Held<> wide(RstScaleWidthRLENN::create(rle_source(800, {run_line({})}), 400));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->line_size(), 1608);
  EXPECT_EQ(first_line(wide.get()).size(), 8u);
}

TEST_F(ScaleWidthRLE, SameWidthAndRefusals) {
  for (Variant v : {OR, AND, NN}) {
    SCOPED_TRACE(kNames[v]);
    auto* raw = new LineSource(image_header(8, 1, 8, 1), {{1, 2, 3, 4, 5, 6, 7, 8}});
    EXPECT_EQ(scale(v, raw, 8), raw) << "the same width returns the source, whatever it holds";
    raw->end();
    std::string where = std::string("RstScaleWidthRLE") + kNames[v] + "::create()";
    struct Case {
      const char* name;
      RstHeader header;
      int32_t width;
      int32_t code;
    } cases[] = {
        {"width 0", image_header(8, 1, 1, 1, nullptr, RstDataForm::rle), 0, -2},
        {"8-bit raw", image_header(8, 1, 8, 1), 4, -3},
        {"1-bit raw", image_header(8, 1, 1, 1), 4, -3},
        {"source width 0", image_header(0, 1, 1, 1, nullptr, RstDataForm::rle), 4, -3},
        {"source 600,000 wide", image_header(600000, 1, 1, 1, nullptr, RstDataForm::rle), 4, -3},
        {"target of 2^19", image_header(8, 1, 1, 1, nullptr, RstDataForm::rle), 524288, -3},
        {"mirrored target of 2^19", image_header(8, 1, 1, 1, nullptr, RstDataForm::rle), -524288, -3},
        {"lowest width", image_header(8, 1, 1, 1, nullptr, RstDataForm::rle), INT32_MIN, -3},
        {"factor of 0", image_header(500000, 1, 1, 1, nullptr, RstDataForm::rle), 2, -3},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      RstStatusRecorder local;
      auto* s = new LineSource(c.header, {run_line({{1, 2}})}, 24);
      EXPECT_EQ(scale(v, s, c.width), nullptr);
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

TEST_F(ScaleWidthRLE, AllocationFailures) {
  std::vector<Bytes> lines{run_line({{0, 3}, {9, 20}}), run_line({})};
  for (int32_t width : {7, -7}) {
    SCOPED_TRACE(width);
    Bytes first = width > 0 ? run_line({{0, 0}, {2, 6}}) : run_line({{0, 3}, {5, 6}});
    check_allocation_failures(
        [&] { return rle_source(21, lines); }, [width](RstRead* s) { return RstScaleWidthRLEOR::create(s, width); },
        {first, run_line({})},
        {"RstScaleWidthRLE::RstScaleWidthRLE()", "RstMirrorXRLE::initiate()", "rst_create_end()"});
  }
}

}  // namespace
