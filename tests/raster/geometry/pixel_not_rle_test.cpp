// Inversion of run lines: the gaps become the runs, malformed lines give
// sorted runs inside the line, the routing through RstPixelNot::create, and
// the ITU charts against netpbm's pnminvert.
#include <cstdio>
#include <fstream>
#include <string>

#include "charts.h"
#include "line_source.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_pixel_not.h"

namespace {

class PixelNotRLE : public RstStatusTest {};

struct Case {
  const char* name;
  int32_t width;
  Bytes in;
  Pairs out;
};

TEST_F(PixelNotRLE, GapsBecomeRuns) {
  const Case cases[] = {
      {"empty line", 10, run_line({}), {{0, 9}}},
      {"full line", 10, run_line({{0, 9}}), {}},
      {"inner runs", 10, run_line({{3, 4}, {7, 7}}), {{0, 2}, {5, 6}, {8, 9}}},
      {"runs at both edges", 10, run_line({{0, 1}, {8, 9}}), {{2, 7}}},
      {"width 1, empty", 1, run_line({}), {{0, 0}}},
      {"width 0", 0, run_line({}), {}},
      // Malformed lines: sorted, separated runs inside the width.
      {"run past the width", 10, run_line({{8, 30}}), {{0, 7}}},
      {"run wholly past the width", 10, run_line({{12, 30}}), {{0, 9}}},
      {"overlapping", 10, run_line({{2, 5}, {4, 7}}), {{0, 1}, {8, 9}}},
      {"touching", 10, run_line({{2, 3}, {4, 7}}), {{0, 1}, {8, 9}}},
      {"negative first", 10, run_line({{-5, 2}}), {{3, 9}}},
      {"reversed run dropped", 10, run_line({{6, 3}}), {{0, 9}}},
      {"out of order", 10, run_line({{7, 7}, {3, 4}}), {{0, 6}, {8, 9}}},
      {"no terminator", 10, run_line({{3, 4}}, false), {{0, 2}, {5, 9}}},
      {"short count", 10, Bytes{1, 2, 3}, {{0, 9}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstPixelNot::create(rle_source(c.width, {c.in})));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(first_line(node.get()), run_line(c.out));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelNotRLE, StaysInsideASmallLine) {
  // Width 10 at a line size of 16 bytes: one gap and the terminator.
  Held<> node(RstPixelNot::create(rle_source(10, {run_line({{3, 4}, {7, 7}}, false)}, 16)));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), 16);
  EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line({{0, 2}})});
  // A full line without terminator whose gaps outnumber the line: cut.
  Held<> crowded(RstPixelNot::create(rle_source(9, {run_line({{0, 0}, {2, 2}, {4, 4}}, false)}, 24)));
  ASSERT_NE(crowded, nullptr);
  EXPECT_EQ(first_line(crowded.get()), run_line({{1, 1}, {3, 3}}));
}

TEST_F(PixelNotRLE, TwiceGivesTheInput) {
  std::vector<Bytes> lines{run_line({}), run_line({{0, 12}}), run_line({{0, 0}, {5, 8}, {12, 12}}),
                           run_line({{1, 11}})};
  Held<> node(RstPixelNot::create(RstPixelNot::create(rle_source(13, lines))));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), lines);
}

TEST_F(PixelNotRLE, ProtocolAndRefusals) {
  auto* src = rle_source(10, {run_line({{0, 9}}), run_line({}), run_line({{2, 2}})});
  auto* lines = static_cast<LineSource*>(src);
  Held<> node(RstPixelNot::create(src));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(h.width, 10);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(10));
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(lines->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{run_line({{0, 9}}), run_line({{0, 1}, {3, 9}})}));
  node->reset();
  EXPECT_EQ(lines->resets, 1);
  EXPECT_EQ(first_line(node.get()), run_line({}));

  struct Refusal {
    const char* name;
    bool through_not;  // RstPixelNot::create, else RstPixelNotRLE::create
    RstHeader header;
    RstReport report;
  } refusals[] = {
      {"valued runs", true, image_header(8, 1, 8, 1, nullptr, RstDataForm::rle_n), {-50, "RstPixelNot::create()"}},
      {"raw into the run node", false, image_header(8, 1, 1, 1), {-3, "RstPixelNotRLE::create()"}},
      {"8-bit run lines", false, image_header(8, 1, 8, 1, nullptr, RstDataForm::rle), {-3, "RstPixelNotRLE::create()"}},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    RstStatusRecorder local;
    auto* s = new LineSource(r.header, {{0, 0, 0, 0, 0, 0, 0, 0}});
    RstRead* made = r.through_not ? static_cast<RstRead*>(RstPixelNot::create(s))
                                  : static_cast<RstRead*>(RstPixelNotRLE::create(s));
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{r.report});
    // The caller's source is left as it was.
    Bytes line(8);
    EXPECT_EQ(s->read(line.data()), 8);
    s->end();
  }
  RstStatusRecorder local;
  EXPECT_EQ(RstPixelNotRLE::create(nullptr), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, "RstPixelNotRLE::create()"}}));
}

TEST_F(PixelNotRLE, AllocationFailures) {
  std::vector<Bytes> lines{run_line({{0, 3}, {9, 20}}), run_line({})};
  check_allocation_failures(
      [&] { return rle_source(21, lines); }, [](RstRead* s) { return static_cast<RstRead*>(RstPixelNot::create(s)); },
      {run_line({{4, 8}}), run_line({{0, 20}})}, {"RstPixelNotRLE::initiate()", "rst_create_end()"});
}

// The eight ITU charts as run lines, inverted and painted, against pnminvert.
class ChartInversion : public ::testing::TestWithParam<int> {};

TEST_P(ChartInversion, MatchesPnminvert) {
  std::string pbm = chart_file(GetParam());
  ASSERT_FALSE(pbm.empty());
  std::string inv = ::testing::TempDir() + "pixel_not_rle_ccitt" + std::to_string(GetParam()) + "_inv.pbm";
  PnmImage chart, inverted;
  ASSERT_TRUE(read_pnm(pbm, chart));
  ASSERT_TRUE(run_to_pnm("pnminvert " + pbm + " > " + inv, inv, inverted));
  int32_t width = chart.width, height = chart.height;
  Bytes& page = chart.rows;
  Bytes& theirs = inverted.rows;
  ASSERT_EQ(inverted.width, width);
  ASSERT_EQ(inverted.height, height);
  // pnminvert leaves the spare bits of the last byte clear, as painting does.
  size_t stride = size_t(width + 7) / 8;
  RstHeader h = image_header(width, height, 1, 1, RstColorType::s_gray_reverse());
  RstRead* raw = RstReadRawFromByteArray::create(page.data(), h, int32_t(stride), false, false);
  ASSERT_NE(raw, nullptr);
  Held<> node(RstDecodeRLE::create(RstPixelNot::create(RstEncodeRLE::create(raw))));
  ASSERT_NE(node, nullptr);
  Bytes rows;
  for (const Bytes& line : pull(node.get())) rows.insert(rows.end(), line.begin(), line.end());
  EXPECT_EQ(rows.size(), theirs.size());
  EXPECT_TRUE(rows == theirs);
}

INSTANTIATE_TEST_SUITE_P(Charts, ChartInversion, ::testing::Range(1, 9));

}  // namespace
