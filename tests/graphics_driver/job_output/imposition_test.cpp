// The imposition's arithmetic on its own: booklet pages of each side,
// subsets that are full, and the poster's tiling of an enlarged sheet.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "graphics_driver/job_output/imposition.h"

namespace {

using Sides = std::vector<std::pair<int32_t, int32_t>>;
constexpr int32_t B = kBlankHalf;

Sides BookletSides(int32_t first, int32_t last, uint32_t binding, uint32_t outerFirst) {
  Sides out;
  for (uint32_t s = 0; s < BookletSideCount(first, last); ++s)
    out.emplace_back(BookletPageForSide(first, last, s, binding, 0, outerFirst),
                     BookletPageForSide(first, last, s, binding, 1, outerFirst));
  return out;
}

TEST(BookletPages, SidesInSaddleStitchOrder) {
  struct Case {
    int32_t first, last;
    uint32_t binding, outerFirst;
    Sides sides;
  };
  const Case cases[] = {
      {0, 7, 1, 1, {{7, 0}, {1, 6}, {5, 2}, {3, 4}}},
      {0, 7, 1, 0, {{3, 4}, {5, 2}, {1, 6}, {7, 0}}},
      {0, 7, 2, 1, {{0, 7}, {6, 1}, {2, 5}, {4, 3}}},
      {0, 5, 1, 1, {{B, 0}, {1, B}, {5, 2}, {3, 4}}},
      {0, 0, 1, 1, {{B, 0}, {B, B}}},
      {0, 0, 1, 0, {{B, B}, {B, 0}}},
      // A range that starts later keeps its own order.
      {8, 9, 1, 1, {{B, 8}, {9, B}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BookletSides(c.first, c.last, c.binding, c.outerFirst), c.sides)
        << c.first << "-" << c.last << " binding " << c.binding << " outer " << c.outerFirst;
  // Every page of a range lands on exactly one half.
  for (int32_t last = 0; last < 20; ++last)
    for (uint32_t outer : {0u, 1u}) {
      std::vector<int> seen(size_t(last) + 1, 0);
      for (const auto& [l, r] : BookletSides(0, last, 1, outer))
        for (int32_t p : {l, r})
          if (p != B) ++seen[size_t(p)];
      EXPECT_EQ(seen, std::vector<int>(size_t(last) + 1, 1)) << last << " " << outer;
    }
  EXPECT_EQ(BookletSideCount(3, 2), 0u);
}

TEST(BookletPages, SubsetIsFull) {
  struct Case {
    int32_t first, last, sheets;
    int full;
  };
  const Case cases[] = {{0, 6, 2, 0}, {0, 7, 2, 1}, {0, 100, 0, 0}, {0, 3, 1, 1}, {4, 7, 1, 1}, {0, 100, -1, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(IsBookletSubsetFull(c.first, c.last, c.sheets), c.full) << c.first << " " << c.last << " " << c.sheets;
}

PosterTiling Tiling(std::vector<float> m, uint16_t n) {
  PosterTiling t{};
  std::memcpy(t.baseMatrix.m, m.data(), sizeof t.baseMatrix.m);
  t.columns = t.rows = n;
  t.tileWidth = 500;
  t.tileHeight = 800;
  return t;
}

TEST(PosterTiles, SteppingFollowsTheBaseMatrix) {
  struct Case {
    std::vector<float> m;
    int result;
    uint32_t rowFirst;
    int16_t rowStep, firstRow, lastRow;
  };
  const Case cases[] = {
      {{0.12f, 0, 0, -0.12f, 10, 700}, 0, 1, -1, 2, 0},  // unrotated
      {{0, 0.12f, 0.12f, 0, 10, 20}, 0, 0, 1, 0, 2},     // quarter turn, entries 1 and 2 of one sign
      {{0, -0.12f, -0.12f, 0, 10, 20}, 0, 0, 1, 0, 2},
      {{0, 0.12f, -0.12f, 0, 10, 20}, 0, 1, -1, 2, 0},    // of opposite signs
      {{0.1f, 0.1f, -0.1f, 0.1f, 0, 0}, -1, 0, 0, 0, 0},  // turned by 45 degrees
      {{0.1f, 0, 0, 0, 0, 0}, -1, 0, 0, 0, 0},            // no second axis
  };
  for (const Case& c : cases) {
    PosterTiling t = Tiling(c.m, 3);
    ASSERT_EQ(SetTileStepping(&t), c.result) << c.m[0] << " " << c.m[1];
    if (c.result != 0) continue;
    EXPECT_EQ(t.rowFirst, c.rowFirst);
    EXPECT_EQ(t.rowStep, c.rowStep);
    EXPECT_EQ(t.firstRow, c.firstRow);
    EXPECT_EQ(t.lastRow, c.lastRow);
    EXPECT_EQ(t.columnStep, 1);
    EXPECT_EQ(t.firstColumn, 0);
    EXPECT_EQ(t.lastColumn, 2);
  }
}

TEST(PosterTiles, TileMatrixShiftsTheBaseByItsPlace) {
  PosterTiling t = Tiling({0.12f, 0, 0, -0.12f, 10, 700}, 3);
  ASSERT_EQ(SetTileStepping(&t), 0);
  // Along rows from the top: tile 4 is column 1, row 1.
  PlacementMatrix m{};
  ASSERT_EQ(TileMatrix(t, 4, &m), 0);
  EXPECT_EQ(std::vector<float>(m.m, m.m + 6), (std::vector<float>{0.12f, 0, 0, -0.12f, 10 - 500, 700 - 800}));
  ASSERT_EQ(TileMatrix(t, 0, &m), 0);
  EXPECT_EQ(m.m[4], 10.0f);
  EXPECT_EQ(m.m[5], 700.0f - 2 * 800);
  ASSERT_EQ(TileMatrix(t, 2, &m), 0);
  EXPECT_EQ(m.m[4], 10.0f - 2 * 500);
  EXPECT_EQ(TileMatrix(t, 9, &m), -1);

  // Down columns: tile 1 is column 0, row 1.
  PosterTiling down = Tiling({0, 0.12f, 0.12f, 0, 10, 20}, 3);
  ASSERT_EQ(SetTileStepping(&down), 0);
  ASSERT_EQ(TileMatrix(down, 1, &m), 0);
  EXPECT_EQ(m.m[4], 10.0f);
  EXPECT_EQ(m.m[5], 20.0f - 800);
  ASSERT_EQ(TileMatrix(down, 3, &m), 0);
  EXPECT_EQ(m.m[4], 10.0f - 500);
  EXPECT_EQ(m.m[5], 20.0f);

  // A stepping whose walk does not reach the tile's place is refused.
  PosterTiling bent = t;
  bent.lastColumn = 1;
  EXPECT_EQ(TileMatrix(bent, 4, &m), -1);
  PosterTiling below = t;
  below.firstRow = 0;
  EXPECT_EQ(TileMatrix(below, 3, &m), -1);
}

// A4 with 4.2 mm margins on both papers, at 600 dpi.
PageLayoutRecord A4Record(uint16_t n) {
  PageLayoutRecord r{};
  PaperBlock a4{};
  a4.paperId = 9;
  a4.width = 2100, a4.height = 2970;
  a4.printableWidth = 2100 - 84, a4.printableHeight = 2970 - 84;
  a4.marginX = a4.marginY = 42;
  a4.leftMargin = a4.rightMargin = a4.topMargin = a4.bottomMargin = 42;
  a4.sizeFlag = 1;
  r.logical = a4;
  r.sheet = a4;
  r.resolutionX = r.resolutionY = 600;
  r.pagesPerSheet = 1;
  r.scalePercent = 100;
  r.tilesAcross = r.tilesDown = int16_t(n);
  return r;
}

TEST(PosterTiles, TilingOfAnEnlargedSheet) {
  PosterTiling t{};
  const PageLayoutRecord record = A4Record(2);
  ASSERT_EQ(BuildPosterTiling(&record, &t), 0);
  EXPECT_EQ(t.columns, 2);
  EXPECT_EQ(t.rows, 2);
  EXPECT_FLOAT_EQ(t.tileWidth, 2016 * 72.0f / 254.0f);
  EXPECT_FLOAT_EQ(t.tileHeight, 2886 * 72.0f / 254.0f);
  // The page fills the enlarged sheet unturned: twice the size of a sheet.
  EXPECT_GT(t.baseMatrix.m[0], 0);
  EXPECT_LT(t.baseMatrix.m[3], 0);
  EXPECT_EQ(t.rowFirst, 1u);
  EXPECT_EQ(t.firstRow, 1);
  PlacementMatrix plain{};
  const PageLayoutRecord one = A4Record(1);
  ASSERT_EQ(BuildCellMatrix(&one, 0, 0, &plain), 0);
  EXPECT_NEAR(t.baseMatrix.m[0] / plain.m[0], 2.0f, 0.01f);

  // A custom paper of 820 mm printable width: 4 x 4 sheets would be longer
  // than a paper length can be; 3 x 3 fit.
  PageLayoutRecord wide = A4Record(4);
  wide.sheet.width = 8300;
  wide.sheet.printableWidth = 8200;
  wide.sheet.marginX = 50;
  EXPECT_EQ(BuildPosterTiling(&wide, &t), -1);
  wide.tilesAcross = wide.tilesDown = 3;
  ASSERT_EQ(BuildPosterTiling(&wide, &t), 0);
  EXPECT_FLOAT_EQ(t.tileWidth, 8200 * 72.0f / 254.0f);
  // No tiles at all.
  wide.tilesAcross = 0;
  EXPECT_EQ(BuildPosterTiling(&wide, &t), -1);
}

}  // namespace
