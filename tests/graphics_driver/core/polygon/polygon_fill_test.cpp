// The even-odd polygon fill into the band: rectangles scanned by rows and by
// columns, a self-intersecting star, vertices and horizontal edges on a scan
// line, the run limit of column scans, and outlines that cross a line more
// often than the fixed per-line storage holds.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "polygon_band_fixture.h"

namespace {

using pk::test::Comb;
using pk::test::PolygonBandTest;

bool InRect(int32_t x, int32_t y, RECTL r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST_F(PolygonBandTest, RectanglesInkExactlyTheirDotsByColumnsAndByRows) {
  UseBand(0, 70, 64);
  // Wider than tall: scanned by columns.
  ASSERT_EQ(Fill({{10, 20}, {30, 20}, {30, 25}, {10, 25}}, RECTL{10, 20, 30, 25}), 1);
  EXPECT_TRUE(InkedWhere([](int32_t x, int32_t y) { return InRect(x, y, RECTL{10, 20, 30, 25}); }, 70, 64));
  // Taller than wide: scanned by rows.
  UseBand(0, 70, 64);
  ASSERT_EQ(Fill({{10, 20}, {15, 20}, {15, 60}, {10, 60}}, RECTL{10, 20, 15, 60}), 1);
  EXPECT_TRUE(InkedWhere([](int32_t x, int32_t y) { return InRect(x, y, RECTL{10, 20, 15, 60}); }, 70, 64));
}

TEST_F(PolygonBandTest, PolygonReachingPastTheBandInksTheBandRowsOnly) {
  // Rows -50 .. 49 by rows, and a wide one by columns: the band holds rows
  // 0 .. 16 (its spare row included).
  UseBand(100, 16, 64);
  ASSERT_EQ(Fill({{10, -50}, {20, -50}, {20, 50}, {10, 50}}, RECTL{0, -100, 64, 100}), 1);
  EXPECT_TRUE(InkedWhere([](int32_t x, int32_t) { return x >= 10 && x < 20; }, 17, 64));
  UseBand(100, 16, 64);
  ASSERT_EQ(Fill({{0, -5}, {60, -5}, {60, 30}, {0, 30}}, RECTL{0, -100, 64, 100}), 1);
  EXPECT_TRUE(InkedWhere([](int32_t x, int32_t) { return x < 60; }, 17, 64));
  // Scan lines start where the polygon does, above the band too: the run
  // limit counts from the polygon's top row (-5), as it would in one band.
  UseBand(100, 16, 64);
  ASSERT_EQ(Fill({{0, -5}, {60, -5}, {60, 10}, {0, 10}}, RECTL{0, -100, 64, 100}, 6), 1);
  const int32_t limit = int32_t(std::trunc((15.0 / 60.0 + 1.0) * 6 + 0.9)) - 1;
  EXPECT_TRUE(InkedWhere([limit](int32_t x, int32_t y) { return x < 60 && y < limit - 5; }, 17, 64));
}

TEST_F(PolygonBandTest, NoPolygonFillsNothing) {
  const std::vector<POINTL> two{{0, 0}, {10, 10}};
  const RECTL bounds{0, 0, 64, 16};
  EXPECT_EQ(FillPolygon(Stream(), two.data(), 2, &bounds, 0), 0);
  EXPECT_EQ(FillPolygon(Stream(), nullptr, 4, &bounds, 0), 0);
  EXPECT_TRUE(BandBlank());
}

TEST_F(PolygonBandTest, FivePointStarLeavesItsCentrePentagonBlank) {
  UseBand(0, 100, 104);
  std::vector<POINTL> star;
  for (int k = 0; k < 5; ++k) {
    const double a = (-90.0 + 144.0 * k) * M_PI / 180.0;
    star.push_back({int32_t(std::lround(50 + 40 * std::cos(a))), int32_t(std::lround(50 + 40 * std::sin(a)))});
  }
  ASSERT_EQ(Fill(star, RECTL{0, 0, 100, 100}), 1);
  for (int32_t dy = -8; dy <= 8; dy += 4)
    for (int32_t dx = -8; dx <= 8; dx += 4) EXPECT_FALSE(Ink(50 + dy, 50 + dx)) << dx << "," << dy;
  // The arms are filled.
  EXPECT_TRUE(Ink(30, 50));
  EXPECT_TRUE(Ink(20, 50));
  EXPECT_TRUE(Ink(39, 20));
  EXPECT_TRUE(Ink(39, 80));
}

TEST_F(PolygonBandTest, RowThroughAVertexWhereTheOutlineTurnsBackKeepsItsParity) {
  UseBand(0, 50, 64);
  // A notch from the top whose bottom vertex (20, 20) lies on row 20, both
  // neighbours above it.
  ASSERT_EQ(Fill({{10, 10}, {20, 20}, {30, 10}, {30, 40}, {10, 40}}, RECTL{10, 10, 30, 40}), 1);
  for (uint32_t y = 20; y < 40; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_EQ(Ink(y, x), x >= 10 && x < 30) << x << "," << y;
  for (uint32_t y = 40; y < 50; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_FALSE(Ink(y, x)) << x << "," << y;
}

// Rows along a horizontal edge are settled by the midpoint test: the dots
// along an edge with the polygon below (rows) or right of it (columns) are
// inked, those along an edge with the polygon above or left of it are not.
TEST_F(PolygonBandTest, HorizontalAndVerticalEdgesOnAScanLineInkOnlyTheDotsTheyCover) {
  struct Case {
    std::vector<POINTL> pts;
    std::vector<RECTL> parts;
  };
  const Case cases[] = {
      // An L standing on its foot: a top edge on row 20 (rows).
      {{{10, 10}, {20, 10}, {20, 20}, {40, 20}, {40, 40}, {10, 40}}, {{10, 10, 20, 40}, {20, 20, 40, 40}}},
      // An upside-down L: a bottom edge on row 20 (rows).
      {{{10, 10}, {40, 10}, {40, 20}, {20, 20}, {20, 40}, {10, 40}}, {{10, 10, 40, 20}, {10, 20, 20, 40}}},
      // A wide upside-down L: a right edge on column 20 (columns).
      {{{10, 10}, {70, 10}, {70, 20}, {20, 20}, {20, 30}, {10, 30}}, {{10, 10, 70, 20}, {10, 20, 20, 30}}},
      // A wide L: a left edge on column 40 and a top edge on row 20
      // (columns).
      {{{10, 20}, {40, 20}, {40, 10}, {70, 10}, {70, 30}, {10, 30}}, {{10, 20, 70, 30}, {40, 10, 70, 20}}},
  };
  for (const Case& c : cases) {
    UseBand(0, 50, 80);
    RECTL box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const POINTL& p : c.pts) {
      box = RECTL{std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x), std::max(box.bottom, p.y)};
    }
    ASSERT_EQ(Fill(c.pts, box), 1);
    EXPECT_TRUE(InkedWhere(
        [&c](int32_t x, int32_t y) {
          for (const RECTL& r : c.parts)
            if (InRect(x, y, r)) return true;
          return false;
        },
        50, 80))
        << "polygon starting " << c.pts[1].x << "," << c.pts[1].y;
  }
}

TEST_F(PolygonBandTest, WideQuadrilateralColumnsRunWithoutLimitOrUpToTheRunLimit) {
  const std::vector<POINTL> quad{{0, 10}, {60, 0}, {60, 6}, {0, 16}};
  UseBand(0, 20, 64);
  ASSERT_EQ(Fill(quad, RECTL{0, 0, 60, 16}, 0), 1);
  uint32_t longest = 0;
  for (uint32_t x = 0; x < 60; ++x) {
    EXPECT_GE(ColumnInk(x, 20), 5u) << x;
    longest = std::max(longest, ColumnInk(x, 20));
  }
  EXPECT_GE(longest, 6u);
  for (uint32_t x = 60; x < 64; ++x) EXPECT_EQ(ColumnInk(x, 20), 0u);

  UseBand(0, 20, 64);
  ASSERT_EQ(Fill(quad, RECTL{0, 0, 60, 16}, 3), 1);
  const uint32_t limit = uint32_t(std::trunc((16.0 / 60.0 + 1.0) * 3 + 0.9)) - 1;
  ASSERT_EQ(limit, 3u);
  for (uint32_t x = 0; x < 60; ++x) {
    EXPECT_GE(ColumnInk(x, 20), 1u) << x;
    EXPECT_LE(ColumnInk(x, 20), limit) << x;
  }
}

// More crossings on one row than the fixed per-line storage holds (40 teeth
// give 40 inside pieces, 600 teeth 1,200 crossings): the storage grows and
// every tooth is filled.
TEST_F(PolygonBandTest, CombsWithMoreTeethThanTheFixedStorageFillEveryTooth) {
  for (int32_t teeth : {40, 600}) {
    const int32_t left = 2, bar = 5, height = teeth == 40 ? 100 : 1250;
    const uint32_t width = uint32_t(left + 2 * teeth + 7);
    UseBand(0, uint32_t(height), width);
    const RECTL bounds{left, 0, left + 2 * teeth - 1, height};
    ASSERT_EQ(Fill(Comb(left, teeth, bar, height), bounds), 1) << teeth;
    EXPECT_TRUE(InkedWhere(
        [&](int32_t x, int32_t y) {
          if (x < left || x >= bounds.right) return false;
          return y < bar || (x - left) % 2 == 0;
        },
        uint32_t(height), width))
        << teeth << " teeth";
  }
}

TEST_F(PolygonBandTest, StorageThatCannotGrowFailsTheFill) {
  for (int32_t teeth : {40, 600}) {
    const int32_t height = teeth == 40 ? 100 : 1250;
    UseBand(0, uint32_t(height), uint32_t(2 * teeth + 16));
    pk::seams::FailNthAllocation(1);
    EXPECT_EQ(Fill(Comb(2, teeth, 5, height), RECTL{2, 0, 2 * teeth + 1, height}), 0) << teeth;
    pk::seams::FailNthAllocation(0);
  }
}

}  // namespace
