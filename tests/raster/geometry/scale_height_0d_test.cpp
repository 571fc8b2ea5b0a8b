// Nearest-line height scaling: which source lines are picked, the line forms
// passed unchanged, skip and reset, refusals and allocation failures.
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_height.h"

namespace {

class ScaleHeight0D : public RstStatusTest {};

// A raw 8-bit image, one pixel wide, whose line i holds the value i.
LineSource* numbered(int32_t height) {
  std::vector<Bytes> lines;
  for (int32_t i = 0; i < height; ++i) lines.push_back({uint8_t(i)});
  return new LineSource(image_header(1, height, 8, 1, RstColorType::s_gray()), std::move(lines));
}

Bytes picked(RstRead* node) {
  Bytes out;
  for (const Bytes& line : pull(node)) out.push_back(line.at(0));
  return out;
}

TEST_F(ScaleHeight0D, PicksTheNearestLine) {
  struct Case {
    int32_t from, to;
    int start_from_top;
    Bytes lines;
  } cases[] = {
      {5, 2, 0, {1, 3}},
      {7, 3, 0, {1, 3, 5}},
      {7, 3, 1, {0, 2, 4}},
      {3, 2, 0, {0, 2}},
      {4, 7, 0, {0, 0, 1, 1, 2, 3, 3}},
      {4, 7, 1, {0, 0, 1, 1, 2, 2, 3}},
      {1, 5, 0, {0, 0, 0, 0, 0}},
      {6, 1, 0, {3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " flag " + std::to_string(c.start_from_top));
    LineSource* src = numbered(c.from);
    Held<> node(RstScaleHeight0D::create(src, c.to, c.start_from_top));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).height, c.to);
    EXPECT_EQ(picked(node.get()), c.lines);
    if (c.to > c.from) {
      EXPECT_EQ(src->reads, c.from) << "each source line read once";
    }
    node->reset();
    EXPECT_EQ(picked(node.get()), c.lines) << "reset repeats";
  }
  // The two-argument form starts in the middle of the first step.
  Held<> node(RstScaleHeight0D::create(numbered(5), 2));
  EXPECT_EQ(picked(node.get()), (Bytes{1, 3}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleHeight0D, SkipReadsNothing) {
  LineSource* src = numbered(4);
  Held<> node(RstScaleHeight0D::create(src, 7));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(3), 3);
  EXPECT_EQ(src->reads, 0);
  EXPECT_EQ(first_line(node.get()), Bytes{1});
  node->reset();
  EXPECT_EQ(node->skip(10), 7);
  Bytes line(4);
  EXPECT_EQ(node->read(line.data()), 0) << "reads past the height give 0";
  // Reducing: after skip(1) the next read is the second picked line.
  Held<> reduce(RstScaleHeight0D::create(numbered(7), 3));
  EXPECT_EQ(reduce->skip(1), 1);
  EXPECT_EQ(picked(reduce.get()), (Bytes{3, 5}));
}

// Source lines that cannot be passed end the scaled image where they were
// met: no later line is handed out in the place of another.
TEST_F(ScaleHeight0D, ShortSkipEndsTheImage) {
  struct Case {
    int32_t to;
    int from_skip;  // the source's first skip that passes nothing
    Bytes lines;
  } cases[] = {{4, 1, {}}, {4, 2, {1}}, {2, 2, {2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.to) + " " + std::to_string(c.from_skip));
    std::vector<Bytes> lines;
    for (uint8_t i = 0; i < 8; ++i) lines.push_back({i});
    Held<> node(RstScaleHeight0D::create(
        new StumblingSource(image_header(1, 8, 8, 1, RstColorType::s_gray()), lines, c.from_skip), c.to, 0));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(picked(node.get()), c.lines);
  }
}

TEST_F(ScaleHeight0D, PassesEveryLineFormUnchanged) {
  Bytes runs = run_line({{1, 3}}), more = run_line({{0, 0}, {5, 6}});
  Bytes valued(24, 0);
  const int32_t triple[] = {7, 2, 4, 0, -1, -1};
  std::memcpy(valued.data(), triple, sizeof triple);
  struct Case {
    const char* name;
    RstRead* source;
    std::vector<Bytes> out;
  } cases[] = {
      {"run lines", rle_source(8, {runs, more}), {runs, runs, more, more}},
      {"valued runs",
       new LineSource(image_header(8, 1, 8, 1, RstColorType::s_gray(), RstDataForm::rle_n), {valued}, 108),
       {valued, valued}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t to = int32_t(c.out.size());
    Held<> node(RstScaleHeight0D::create(c.source, to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleHeight0D, SameHeightAndRefusals) {
  LineSource* same = numbered(3);
  EXPECT_EQ(RstScaleHeight0D::create(same, 3), same);
  same->end();

  struct Case {
    const char* name;
    int which;  // 0: RstScaleHeight0D, 1: ...0DE, 2: ...0DR
    int32_t source_height, height;
    int32_t data_form;
    RstReport report;
  } cases[] = {
      {"height 0", 0, 4, 0, RstDataForm::raw, {-2, "RstScaleHeight0D::create()"}},
      {"negative height", 0, 4, -5, RstDataForm::raw, {-2, "RstScaleHeight0D::create()"}},
      {"coded lines", 0, 4, 2, RstDataForm::packbits, {-3, "RstScaleHeight0D::create()"}},
      {"target of 2^19 lines", 0, 4, 524288, RstDataForm::raw, {-3, "RstScaleHeight0D::create()"}},
      {"source of 2^19 lines", 0, 524288, 2, RstDataForm::raw, {-3, "RstScaleHeight0D::create()"}},
      {"step rounds to 0", 0, 2, 10000, RstDataForm::raw, {-3, "RstScaleHeight0D::create()"}},
      {"enlarging to a shorter target", 1, 4, 2, RstDataForm::raw, {-2, "RstScaleHeight0DE::create()"}},
      {"reducing to a taller target", 2, 4, 6, RstDataForm::raw, {-2, "RstScaleHeight0DR::create()"}},
      {"reducing to the same height", 2, 4, 4, RstDataForm::raw, {-2, "RstScaleHeight0DR::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(image_header(1, c.source_height, 8, 1, RstColorType::s_gray(), c.data_form), {{9}});
    RstRead* made = c.which == 0   ? RstScaleHeight0D::create(src, c.height)
                    : c.which == 1 ? static_cast<RstRead*>(RstScaleHeight0DE::create(src, c.height, 0))
                                   : static_cast<RstRead*>(RstScaleHeight0DR::create(src, c.height, 0));
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{c.report});
    Bytes line(4);
    EXPECT_EQ(src->read(line.data()), 1) << "the caller's source reads from line 0";
    src->end();
  }
  RstStatusRecorder local;
  EXPECT_EQ(RstScaleHeight0D::create(nullptr, 3), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, "RstScaleHeight0D::create()"}}));
}

TEST_F(ScaleHeight0D, AllocationFailures) {
  check_allocation_failures([] { return static_cast<RstRead*>(numbered(2)); },
                            [](RstRead* s) { return RstScaleHeight0D::create(s, 3); }, {{0}, {0}, {1}},
                            {"RstScaleHeight0DE::initiate()", "rst_create_end()", "rst_new()"});
}

}  // namespace
