// Placement of logical pages on sheets: matrix algebra, the 1-up and N-up
// placements, alignment with mirrored back faces, binding shifts, booklet
// halves and the turned-page answer.
#include "graphics_driver/job_output/placement_matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "graphics_driver/core/pdev_state.h"

namespace {

constexpr float kA4W = 595.2756f, kA4H = 841.8898f;

struct Pt {
  float x, y;
};

Pt Apply(const PlacementMatrix& m, Pt p) {
  return {m.m[0] * p.x + m.m[2] * p.y + m.m[4], m.m[1] * p.x + m.m[3] * p.y + m.m[5]};
}

PaperBlock Paper(int16_t id, int16_t w, int16_t h) {
  PaperBlock b{};
  b.paperId = id;
  b.width = b.printableWidth = w;
  b.height = b.printableHeight = h;
  b.sizeFlag = 1;
  return b;
}

// A4 page on an A4 sheet at 600 dpi, 1-up, fit, class 0.
PageLayoutRecord Record() {
  PageLayoutRecord r{};
  r.logical = Paper(9, 2100, 2970);
  r.sheet = Paper(9, 2100, 2970);
  r.scalePercent = 100;
  r.pagesPerSheet = 1;
  r.resolutionX = r.resolutionY = 600;
  r.tilesAcross = r.tilesDown = 1;
  return r;
}

// The page pixel rectangle (logical page, turned when the record says so).
Pt PagePixels(const PageLayoutRecord& r) {
  const float w = (r.turned ? r.logical.height : r.logical.width) * r.resolutionX / 254.0f;
  const float h = (r.turned ? r.logical.width : r.logical.height) * r.resolutionY / 254.0f;
  return {w, h};
}

struct Box {
  float x0, y0, x1, y1;
};

Box ImageOf(const PlacementMatrix& m, Pt size) {
  Pt c[4] = {Apply(m, {0, 0}), Apply(m, {size.x, 0}), Apply(m, {0, size.y}), Apply(m, {size.x, size.y})};
  Box b{c[0].x, c[0].y, c[0].x, c[0].y};
  for (const Pt& p : c) {
    b.x0 = std::min(b.x0, p.x), b.x1 = std::max(b.x1, p.x);
    b.y0 = std::min(b.y0, p.y), b.y1 = std::max(b.y1, p.y);
  }
  return b;
}

TEST(PlacementMatrixTest, CombineAppliesFirstThenSecond) {
  const PlacementMatrix a{{1.5f, 0.25f, -0.5f, 2, 3, -4}};
  const PlacementMatrix b{{0, 1, -1, 0, 10, 20}};
  const PlacementMatrix ab = CombineTransform(a, b);
  for (Pt p : {Pt{0, 0}, Pt{1, 2}, Pt{-3.5f, 7}}) {
    const Pt direct = Apply(ab, p);
    const Pt chained = Apply(b, Apply(a, p));
    EXPECT_NEAR(direct.x, chained.x, 1e-4);
    EXPECT_NEAR(direct.y, chained.y, 1e-4);
  }
  // The translation is applied before the matrix.
  PlacementMatrix m = a;
  TranslateMatrix(&m, 5, -6);
  const Pt moved = Apply(m, {1, 1});
  const Pt expected = Apply(a, {6, -5});
  EXPECT_NEAR(moved.x, expected.x, 1e-4);
  EXPECT_NEAR(moved.y, expected.y, 1e-4);
  PlacementMatrix id{};
  SetIdentity(&id);
  ScaleMatrix(&id, 2, 3);
  FlipMatrixY(&id);
  const Pt s = Apply(id, {1, 1});
  EXPECT_FLOAT_EQ(s.x, 2);
  EXPECT_FLOAT_EQ(s.y, -3);
}

TEST(PlacementMatrixTest, OneUpA4At600Dpi) {
  const PageLayoutRecord r = Record();
  PlacementMatrix m{};
  ASSERT_EQ(BuildCellMatrix(&r, 0, 0, &m), 0);
  const float expected[6] = {0.12f, 0, 0, -0.12f, 0, 841.89f};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(m.m[i], expected[i], 0.01) << i;
}

TEST(PlacementMatrixTest, BuildCellMatrixRefusesFaceTwoAndEmptyPages) {
  PageLayoutRecord r = Record();
  PlacementMatrix m{};
  EXPECT_EQ(BuildCellMatrix(&r, 0, 2, &m), -1);
  EXPECT_EQ(BuildCellMatrix(nullptr, 0, 0, &m), -1);
  // A page without length has no fit scale: refused, never an infinite matrix.
  r.logical.printableWidth = 0;
  EXPECT_EQ(BuildCellMatrix(&r, 0, 0, &m), -1);
  r = Record();
  r.resolutionX = 0;
  EXPECT_EQ(BuildCellMatrix(&r, 0, 0, &m), -1);
}

// Every N-up layout tiles the sheet: the cells' page images lie inside it,
// do not overlap and together cover it.
TEST(PlacementMatrixTest, CellsTileTheSheet) {
  for (int pages : {1, 2, 4, 8}) {
    for (uint32_t turned : {0u, 1u}) {
      for (uint32_t landscapeOut : {0u, 1u}) {
        for (uint32_t order = 0; order <= 6; ++order) {
          PageLayoutRecord r = Record();
          r.pagesPerSheet = static_cast<int16_t>(pages);
          r.turned = turned;
          r.landscapeOut = landscapeOut;
          r.cellOrder = order;
          SCOPED_TRACE(testing::Message()
                       << pages << "-up turned " << turned << " landscapeOut " << landscapeOut << " order " << order);
          std::vector<Box> boxes;
          float area = 0;
          for (int cell = 0; cell < pages; ++cell) {
            PlacementMatrix m{};
            ASSERT_EQ(BuildCellMatrix(&r, static_cast<uint32_t>(cell), 0, &m), 0);
            const Box b = ImageOf(m, PagePixels(r));
            EXPECT_GE(b.x0, -0.1f);
            EXPECT_GE(b.y0, -0.1f);
            EXPECT_LE(b.x1, kA4W + 0.1f);
            EXPECT_LE(b.y1, kA4H + 0.1f);
            for (const Box& o : boxes) {
              const float w = std::min(b.x1, o.x1) - std::max(b.x0, o.x0);
              const float h = std::min(b.y1, o.y1) - std::max(b.y0, o.y0);
              EXPECT_FALSE(w > 0.1f && h > 0.1f) << "cell " << cell << " overlaps";
            }
            boxes.push_back(b);
            area += (b.x1 - b.x0) * (b.y1 - b.y0);
          }
          EXPECT_NEAR(area, kA4W * kA4H, 0.1f * (kA4W + kA4H) * pages);
        }
      }
    }
  }
}

TEST(PlacementMatrixTest, CellOrdersMoveTheFirstCell) {
  PageLayoutRecord r = Record();
  r.pagesPerSheet = 2;
  const Pt size = PagePixels(r);
  PlacementMatrix first{}, second{};
  ASSERT_EQ(BuildCellMatrix(&r, 0, 0, &first), 0);
  ASSERT_EQ(BuildCellMatrix(&r, 1, 0, &second), 0);
  r.cellOrder = 2;
  PlacementMatrix swappedFirst{}, swappedSecond{};
  ASSERT_EQ(BuildCellMatrix(&r, 0, 0, &swappedFirst), 0);
  ASSERT_EQ(BuildCellMatrix(&r, 1, 0, &swappedSecond), 0);
  const Box a = ImageOf(first, size), b = ImageOf(second, size);
  const Box sa = ImageOf(swappedFirst, size), sb = ImageOf(swappedSecond, size);
  EXPECT_NEAR(sa.y0, b.y0, 0.01);
  EXPECT_NEAR(sb.y0, a.y0, 0.01);
  EXPECT_NE(a.y0, b.y0);

  r = Record();
  r.pagesPerSheet = 4;
  r.cellOrder = 5;
  PlacementMatrix m{};
  ASSERT_EQ(BuildCellMatrix(&r, 0, 0, &m), 0);
  const Box q = ImageOf(m, PagePixels(r));
  EXPECT_NEAR(q.x0, kA4W / 2, 0.1);
  EXPECT_NEAR(q.y0, kA4H / 2, 0.1);  // top half, y upward
}

// A5 page at 100 % on an A4 sheet: where the page's pixel (0, 0) lands for
// each alignment class, and mirrored on a duplex back face.
TEST(PlacementMatrixTest, AlignmentInTheCell) {
  struct Case {
    uint32_t align;
    uint32_t duplexBinding;
    uint32_t face;
    Pt expected;
  };
  const Case cases[] = {
      {0, 0, 0, {0, 841.89f}},       {1, 0, 0, {175.75f, 841.89f}}, {2, 0, 0, {175.75f, 595.28f}},
      {3, 0, 0, {0, 595.28f}},       {4, 0, 0, {87.87f, 718.58f}},  {1, 2, 1, {0, 841.89f}},
      {1, 1, 1, {175.75f, 595.28f}}, {1, 2, 0, {175.75f, 841.89f}}, {4, 1, 1, {87.87f, 718.58f}},
  };
  for (const Case& c : cases) {
    PageLayoutRecord r = Record();
    r.logical = Paper(11, 1480, 2100);
    r.fixedScale = 1;
    r.scalePercent = 100;
    r.alignClass = c.align;
    r.duplexBinding = c.duplexBinding;
    PlacementMatrix m{};
    ASSERT_EQ(BuildCellMatrix(&r, 0, c.face, &m), 0);
    const Pt p = Apply(m, {0, 0});
    EXPECT_NEAR(p.x, c.expected.x, 0.02) << "class " << c.align << " binding " << c.duplexBinding;
    EXPECT_NEAR(p.y, c.expected.y, 0.02) << "class " << c.align << " binding " << c.duplexBinding;
  }
}

TEST(PlacementMatrixTest, BindingShiftNarrowsTheSheet) {
  LayoutInput in{};
  in.sheetWidth = 1000, in.sheetHeight = 2000;
  in.sheetLeft = 50, in.sheetRight = 950, in.sheetTop = 60, in.sheetBottom = 1940;
  in.bindingEdge = 1;
  in.bindingMarginFront = 40;  // below the left edge: unchanged
  LayoutInput a = in;
  ASSERT_EQ(ApplyBindingShift(&a, 1), 0);
  EXPECT_FLOAT_EQ(a.sheetLeft, 50);
  EXPECT_FLOAT_EQ(a.sheetRight, 950);

  in.bindingMarginFront = 120;  // above it: the left edge moves, the right follows
  LayoutInput b = in;
  ASSERT_EQ(ApplyBindingShift(&b, 1), 0);
  EXPECT_FLOAT_EQ(b.sheetLeft, 120);
  EXPECT_FLOAT_EQ(b.sheetRight, 1020);
  in.bindingKeepsSize = 1;  // unless the binding keeps the size
  LayoutInput c = in;
  ASSERT_EQ(ApplyBindingShift(&c, 1), 0);
  EXPECT_FLOAT_EQ(c.sheetLeft, 120);
  EXPECT_FLOAT_EQ(c.sheetRight, 950);

  // A long-edge back face binds on the other side with the back margin:
  // g = 100 - 1000 + 950 = 50.
  in.bindingKeepsSize = 0;
  in.duplexBinding = 2;
  in.bindingMarginBack = 100;
  LayoutInput d = in;
  ASSERT_EQ(ApplyBindingShift(&d, 2), 0);
  EXPECT_FLOAT_EQ(d.sheetRight, 900);
  EXPECT_FLOAT_EQ(d.sheetLeft, 0);
  // On the front face the same input binds left with the front margin.
  LayoutInput e = in;
  ASSERT_EQ(ApplyBindingShift(&e, 1), 0);
  EXPECT_FLOAT_EQ(e.sheetLeft, 120);
}

class PdevPlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pdev_ = std::make_unique<PdevState>();
    pdev_->currentPage = Record();
  }
  std::unique_ptr<PdevState> pdev_;
};

TEST_F(PdevPlacementTest, IsPageTurned) {
  EXPECT_EQ(IsPageTurned(nullptr), 1);
  PageLayoutRecord& r = pdev_->currentPage;
  struct Case {
    int16_t pages;
    uint32_t turned, landscapeOut, booklet;
    int expected;
  };
  const Case cases[] = {
      {1, 0, 0, 0, 0}, {1, 1, 0, 0, 1}, {2, 1, 0, 0, 1}, {2, 0, 1, 0, 0}, {8, 0, 0, 0, 1}, {4, 0, 1, 0, 1},
      {4, 1, 0, 0, 0}, {3, 1, 1, 0, 0}, {1, 1, 0, 1, 1}, {1, 0, 1, 1, 0}, {2, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    r.pagesPerSheet = c.pages;
    r.turned = c.turned;
    r.landscapeOut = c.landscapeOut;
    pdev_->jobSetup.bookletMode = c.booklet;
    EXPECT_EQ(IsPageTurned(pdev_.get()), c.expected) << c.pages << " " << c.turned << c.landscapeOut << c.booklet;
  }
}

TEST_F(PdevPlacementTest, CurrentCellAndPointMapping) {
  PlacementMatrix cell{}, direct{};
  ASSERT_EQ(CurrentCellMatrix(pdev_.get(), &cell), 0);
  ASSERT_EQ(BuildCellMatrix(&pdev_->currentPage, 0, 0, &direct), 0);
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(cell.m[i], direct.m[i]);

  // Without an offset the point's matrix is the sheet's own 1-up cell; a
  // half turn of the page turns it about the sheet's centre.
  PlacementMatrix at{}, turned{};
  ASSERT_EQ(MapPointToSheet(pdev_.get(), 0, 0, 0, &at), 0);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(at.m[i], direct.m[i], 1e-3);
  pdev_->currentPage.rotateCode = 3;
  ASSERT_EQ(MapPointToSheet(pdev_.get(), 0, 0, 0, &turned), 0);
  for (Pt p : {Pt{0, 0}, Pt{600, 1200}}) {
    const Pt a = Apply(at, p), b = Apply(turned, p);
    EXPECT_NEAR(b.x, kA4W - a.x, 0.05);
    EXPECT_NEAR(b.y, kA4H - a.y, 0.05);
  }
  // An offset moves the point; a missing resolution is refused.
  PlacementMatrix moved{};
  ASSERT_EQ(MapPointToSheet(pdev_.get(), 600, 0, 0, &moved), 0);
  EXPECT_GT(std::fabs(Apply(moved, {0, 0}).x - Apply(turned, {0, 0}).x), 1.0f);
  pdev_->currentPage.resolutionY = 0;
  EXPECT_EQ(MapPointToSheet(pdev_.get(), 0, 0, 0, &moved), -1);
}

TEST(BookletHalfTest, OddPagesMirrorTheAlignment) {
  PageLayoutRecord r = Record();
  const uint32_t portrait[] = {1, 0, 3, 2, 4, 4};
  const uint32_t landscape[] = {3, 2, 1, 0, 4, 4};
  for (uint32_t align = 0; align <= 5; ++align) {
    r.alignClass = align;
    HalfCellInput even{}, odd{};
    r.landscapeOut = 0;
    ASSERT_EQ(BuildHalfCellInput(&r, 0, 2, &even), 0);
    ASSERT_EQ(BuildHalfCellInput(&r, 0, 3, &odd), 0);
    EXPECT_EQ(even.alignClass, align);
    EXPECT_EQ(odd.alignClass, portrait[align]);
    r.landscapeOut = 1;
    ASSERT_EQ(BuildHalfCellInput(&r, 1, 3, &odd), 0);
    EXPECT_EQ(odd.alignClass, landscape[align]);
  }
}

// An A5 page on each half of a landscape A4 sheet: half 0 takes the left
// half, half 1 the right, both inside the sheet.
TEST(BookletHalfTest, HalvesSplitTheSheet) {
  PageLayoutRecord r = Record();
  r.logical = Paper(11, 1480, 2100);
  Box boxes[2];
  for (uint32_t half : {0u, 1u}) {
    HalfCellInput in{};
    ASSERT_EQ(BuildHalfCellInput(&r, half, 2, &in), 0);
    PlacementMatrix m{};
    ASSERT_EQ(BuildCellTransform(in, &m), 0);
    boxes[half] = ImageOf(m, PagePixels(r));
    SCOPED_TRACE(half);
    EXPECT_GE(boxes[half].x0, -0.1f);
    EXPECT_GE(boxes[half].y0, -0.1f);
    EXPECT_LE(boxes[half].x1, kA4W + 0.1f);
    EXPECT_LE(boxes[half].y1, kA4H + 0.1f);
  }
  const float overlapY = std::min(boxes[0].y1, boxes[1].y1) - std::max(boxes[0].y0, boxes[1].y0);
  const float overlapX = std::min(boxes[0].x1, boxes[1].x1) - std::max(boxes[0].x0, boxes[1].x0);
  EXPECT_FALSE(overlapX > 0.1f && overlapY > 0.1f);
}

TEST(BookletHalfTest, BindingEdgeOfEachHalf) {
  // Half 1 binds at its left edge (class 1): a gutter moves it away from
  // the middle; half 0 binds at its right edge (class 2).
  PageLayoutRecord r = Record();
  r.logical = Paper(11, 1480, 2100);
  HalfCellInput in{};
  PlacementMatrix plain[2], gutter[2];
  for (uint32_t half : {0u, 1u}) {
    ASSERT_EQ(BuildHalfCellInput(&r, half, 2, &in), 0);
    ASSERT_EQ(BuildCellTransform(in, &plain[half]), 0);
    in.gutter = 100;
    in.gutterKeepsSize = 1;
    ASSERT_EQ(BuildCellTransform(in, &gutter[half]), 0);
  }
  EXPECT_NE(plain[1].m[5], gutter[1].m[5]);
  const Pt size = PagePixels(r);
  const Box p1 = ImageOf(plain[1], size), g1 = ImageOf(gutter[1], size);
  const Box p0 = ImageOf(plain[0], size), g0 = ImageOf(gutter[0], size);
  // The sheet's middle runs across y = height / 2 in landscape halves.
  const float middle = kA4H / 2;
  EXPECT_GE(std::fabs(std::min(g1.y0, g1.y1) - middle) + std::fabs(std::max(g0.y0, g0.y1) - middle),
            std::fabs(std::min(p1.y0, p1.y1) - middle) + std::fabs(std::max(p0.y0, p0.y1) - middle) - 0.01f);
}

}  // namespace
