// Rotation of run lines: run shapes at every angle, the fixed 5 x 3 case,
// angle and source handling, malformed runs that must stay inside the
// buffers, failed pushes, and failed allocations.
#include "raster/geometry/rst_rotate90_rle.h"

#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_rotate90.h"
#include "turn_support.h"

namespace {

class Rotate90RLE : public RstStatusTest {};

std::vector<Bytes> turn_runs(int32_t width, const std::vector<Bytes>& lines, int angle) {
  Held<> node(RstRotate90RLE::create(rle_source(width, lines), angle));
  EXPECT_NE(node, nullptr);
  if (!node) return {};
  return pull(node.get());
}

std::vector<Bytes> run_lines(const std::vector<Pairs>& pairs) {
  std::vector<Bytes> lines;
  for (const Pairs& p : pairs) lines.push_back(run_line(p));
  return lines;
}

TEST_F(Rotate90RLE, RunShapes) {
  // All black W x H by 90: W lines of (0, H - 1).
  std::vector<Bytes> black(5, run_line({{0, 6}}));
  EXPECT_EQ(turn_runs(7, black, 90), std::vector<Bytes>(7, run_line({{0, 4}})));

  // One pixel at (x, r) = (2, 1) in 6 x 4.
  const int32_t W = 6, H = 4, x = 2, r = 1;
  std::vector<Bytes> dot(H, run_line({}));
  dot[r] = run_line({{x, x}});
  std::vector<Bytes> by90 = turn_runs(W, dot, 90), by270 = turn_runs(W, dot, 270), by180 = turn_runs(W, dot, 180);
  ASSERT_EQ(by90.size(), size_t(W));
  ASSERT_EQ(by270.size(), size_t(W));
  ASSERT_EQ(by180.size(), size_t(H));
  for (int32_t y = 0; y < W; ++y) {
    EXPECT_EQ(by90[size_t(y)], y == x ? run_line({{H - 1 - r, H - 1 - r}}) : run_line({})) << y;
    EXPECT_EQ(by270[size_t(y)], y == W - 1 - x ? run_line({{r, r}}) : run_line({})) << y;
  }
  for (int32_t y = 0; y < H; ++y)
    EXPECT_EQ(by180[size_t(y)], y == H - 1 - r ? run_line({{W - 1 - x, W - 1 - x}}) : run_line({})) << y;
  EXPECT_EQ(by90[0].size(), 8u) << "an empty line is the ending pair alone";

  // A clear line between keeps two runs; touching lines merge.
  std::vector<Bytes> column = run_lines({{{0, 0}}, {}, {{0, 0}}, {{0, 0}}, {{0, 0}}});
  EXPECT_EQ(turn_runs(1, column, 270), run_lines({{{0, 0}, {2, 4}}}));
  EXPECT_EQ(turn_runs(1, column, 90), run_lines({{{0, 2}, {4, 4}}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90RLE, FiveByThree) {
  std::vector<Bytes> lines = run_lines({{{1, 2}, {4, 4}}, {{0, 0}, {3, 4}}, {{2, 3}}});
  EXPECT_EQ(turn_runs(5, lines, 90), run_lines({{{1, 1}}, {{2, 2}}, {{0, 0}, {2, 2}}, {{0, 1}}, {{1, 2}}}));
  EXPECT_EQ(turn_runs(5, lines, 180), run_lines({{{1, 2}}, {{0, 1}, {4, 4}}, {{0, 0}, {2, 3}}}));
  EXPECT_EQ(turn_runs(5, lines, 270), run_lines({{{0, 1}}, {{1, 2}}, {{0, 0}, {2, 2}}, {{0, 0}}, {{1, 1}}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90RLE, AnglesSourcesAndProtocol) {
  RstRead* src = rle_source(4, {run_line({{0, 1}})});
  EXPECT_EQ(RstRotate90RLE::create(src, 0), src);
  EXPECT_EQ(RstRotate90RLE::create(src, -720), src);
  EXPECT_EQ(RstRotate90RLE::create(nullptr, 0), nullptr);
  EXPECT_TRUE(status.errors().empty()) << "no source with angle 0: null, no report";
  EXPECT_EQ(RstRotate90RLE::create(src, 45), nullptr);
  EXPECT_EQ(RstRotate90RLE::create(nullptr, 90), nullptr);
  LineSource* raw = new LineSource(image_header(4, 1, 1, 1), {{0xF0}});
  EXPECT_EQ(RstRotate90RLE::create(raw, 90), nullptr);
  raw->end();
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{
                {-2, "RstRotate90RLE::create()"}, {-2, "RstRotate90RLE::create()"}, {-3, "RstRotate90RLE::create()"}}));
  src->end();

  // A short source gives null; the caller's source stays usable.
  status.clear();
  for (int angle : {90, 180, 270}) {
    LineSource* shorter = new LineSource(image_header(4, 3, 1, 1, nullptr, RstDataForm::rle), {run_line({{0, 1}})},
                                         rst_rle_line_bound(4));
    EXPECT_EQ(RstRotate90RLE::create(shorter, angle), nullptr) << angle;
    shorter->reset();
    Bytes line(64);
    EXPECT_EQ(shorter->read(line.data()), 16);
    shorter->end();
  }
  EXPECT_TRUE(status.errors().empty());

  // Output width 400 has the run-line bound 1,608.
  std::vector<Bytes> tall(400, run_line({{0, 0}}));
  Held<> node(RstRotate90RLE::create(rle_source(3, tall), 90));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.width, 400);
  EXPECT_EQ(h.height, 3);
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(node->line_size(), 1608);
  EXPECT_EQ(node->sources().size(), 0u);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(2), 2);
  EXPECT_EQ(first_line(node.get()), run_line({}));
  EXPECT_EQ(node->skip(5), 0);
  node->reset();
  EXPECT_EQ(first_line(node.get()), run_line({{0, 399}}));
  // The front sends run lines here.
  Held<> front(RstRotate90::create(rle_source(3, tall), 90, true));
  ASSERT_NE(front, nullptr);
  EXPECT_NE(dynamic_cast<RstRotate90RLE*>(front.get()), nullptr);
}

TEST_F(Rotate90RLE, MalformedRunsStayInside) {
  // Width 10: runs past the width, reversed, negative, overlapping, and a
  // line without its ending pair, at every angle.
  std::vector<Bytes> lines{run_line({{3, 12}}), run_line({{5, 2}, {-4, 1}}), run_line({{2, 4}, {3, 6}}),
                           run_line({{8, 9}}, false), run_line({{0, 0}, {1, 1}, {9, 30}})};
  // What the lines mean once cleaned: (3, 9); (0, 1); (2, 6); (8, 9); (0, 1), (9, 9).
  Image clean = blank_image(10, 5, 1, 1);
  const Pairs meant[] = {{{3, 9}}, {{0, 1}}, {{2, 6}}, {{8, 9}}, {{0, 1}, {9, 9}}};
  for (int32_t y = 0; y < 5; ++y)
    for (auto [f, l] : meant[y])
      for (int32_t x = f; x <= l; ++x) clean.set_bit(x, y, true);
  for (int angle : {90, 180, 270}) {
    SCOPED_TRACE(angle);
    Held<> node(RstRotate90RLE::create(rle_source(10, lines), angle));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(image_of_runs(node.release()), reference_turn(clean, angle));
  }
  // The 180-degree lines are sorted and separated.
  EXPECT_EQ(turn_runs(10, lines, 180).back(), run_line({{0, 6}}));
  EXPECT_EQ(turn_runs(10, lines, 180).front(), run_line({{0, 0}, {8, 9}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90RLE, MatchesThePaintedTurn) {
  std::mt19937 rng(21);
  for (int i = 0; i < 16; ++i) {
    int32_t w = 1 + int32_t(rng() % 70), h = 1 + int32_t(rng() % 50);
    Image im = random_image(w, h, 1, 1, rng(), true);
    for (int angle : {90, 180, 270}) {
      SCOPED_TRACE(testing::Message() << w << " x " << h << " by " << angle);
      RstRead* node = RstRotate90RLE::create(rle_source_of(im), angle);
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(image_of_runs(node), reference_turn(im, angle));
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90RLE, EdgeVectorGrowsAndFails) {
  EdgeVector v;
  for (int32_t i = 0; i < 1000; ++i) ASSERT_TRUE(v.push(2 * i, 2 * i));
  EXPECT_EQ(v.count, 2000u);
  EXPECT_GE(v.capacity, 2000u);
  EXPECT_LT(v.capacity, 4096u);
  EXPECT_EQ(v.items[1998], 1998);
  RstAllocFault::fail_nth(1);
  while (v.count + 2 <= v.capacity) v.push(0, 0);
  EXPECT_FALSE(v.push(1, 1));
  RstAllocFault::clear();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "EdgeVector::push()"}}));

  // A failed push makes the rotation fail: no wrong image after a report.
  for (int angle : {90, 180, 270}) {
    status.clear();
    RstRead* src = rle_source(4, {run_line({{0, 3}}), run_line({{1, 2}})});
    RstAllocFault::fail_nth(5);  // node, edge list, its vectors, line buffer, then the first push
    RstRead* node = RstRotate90RLE::create(src, angle);
    RstAllocFault::clear();
    EXPECT_EQ(node, nullptr) << angle;
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "EdgeVector::push()"}}));
    src->end();
  }
}

TEST_F(Rotate90RLE, AllocationFailures) {
  std::vector<Bytes> lines = run_lines({{{1, 2}, {4, 4}}, {{0, 0}, {3, 4}}, {{2, 3}}});
  const char* rotate_where[] = {"RstRotate90RLE::rotate90()", "RstRotate90RLE::rotate180()",
                                "RstRotate90RLE::rotate270()"};
  int k = 0;
  for (int angle : {90, 180, 270}) {
    SCOPED_TRACE(angle);
    std::vector<Bytes> expected = turn_runs(5, lines, angle);
    check_allocation_failures([&] { return rle_source(5, lines); },
                              [angle](RstRead* s) { return RstRotate90RLE::create(s, angle); }, expected,
                              {"RstRotate90RLE::initiate()", "RstEdgeList::RstEdgeList()", rotate_where[k++],
                               "EdgeVector::push()", "rst_create_end()"});
  }
}

}  // namespace
