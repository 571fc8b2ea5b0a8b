// Stamp placement geometry: grids, aligned single copies, turned stamps and
// the copies of a grid, with the cases where the extent or the counts would
// break down.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings/store/stamp_placement.h"

namespace {

struct Placed {
  int result;
  StampPlacement p;
};

Placed Compute(float W, float H, float w, float h, int16_t angle, uint16_t mode, uint16_t choice) {
  const float area[2] = {W, H}, size[2] = {w, h};
  Placed out{};
  out.result = ComputeStampPlacement(area, size, angle, mode, choice, &out.p);
  return out;
}

std::pair<float, float> Place(const StampPlacement& p, float x, float y, uint32_t n) {
  const float point[2] = {x, y};
  float r[2] = {NAN, NAN};
  EXPECT_EQ(PlaceStampCopy(&p, point, n, r), 0) << n;
  return {r[0], r[1]};
}

TEST(StampPlacement, Grids) {
  const struct {
    float W, H, w, h;
    int columns, rows, copies;
  } cases[] = {
      {1000, 500, 100, 20, 10, 25, 250},  // whole cells only
      {1001, 500, 100, 20, 11, 25, 275},  // a partial column counts
      {900, 600, 200, 250, 5, 3, 15},
      {50, 50, 100, 100, 1, 1, 1},  // one cell larger than the area
  };
  for (const auto& c : cases) {
    const Placed r = Compute(c.W, c.H, c.w, c.h, 0, 0, kStampTile);
    EXPECT_EQ(r.result, c.copies) << c.W << "x" << c.H;
    EXPECT_EQ(r.p.columns, c.columns);
    EXPECT_EQ(r.p.rows, c.rows);
    EXPECT_FLOAT_EQ(r.p.cellWidth, c.w);
    EXPECT_FLOAT_EQ(r.p.cellHeight, c.h);
  }
}

// Copies go row by row; the grid has no copy beyond its last.
TEST(StampPlacement, CopiesOfAGrid) {
  const Placed r = Compute(900, 600, 200, 250, 0, 0, kStampTile);
  ASSERT_EQ(r.result, 15);
  const auto first = Place(r.p, 3, 4, 0), seventh = Place(r.p, 3, 4, 7);
  EXPECT_FLOAT_EQ(seventh.first - first.first, 400);
  EXPECT_FLOAT_EQ(seventh.second - first.second, 250);
  const float point[2] = {0, 0};
  float out[2];
  EXPECT_EQ(PlaceStampCopy(&r.p, point, 14, out), 0);
  EXPECT_EQ(PlaceStampCopy(&r.p, point, 15, out), -1);
  // A single copy is the same for any n.
  const Placed one = Compute(1000, 500, 100, 20, 0, 0, 0x101);
  EXPECT_EQ(Place(one.p, 1, 2, 0), Place(one.p, 1, 2, 99));
}

TEST(StampPlacement, AlignedCopy) {
  const struct {
    uint16_t choice;
    float x, y;
  } cases[] = {
      {0x202, 450, 240}, {0x101, 0, 0},   {0x303, 900, 480},
      {0x103, 0, 480},   {0x301, 900, 0}, {0x002, 0, 240},  // no horizontal alignment
      {0x400, 0, 0},                                        // neither field a known alignment
  };
  for (const auto& c : cases) {
    const Placed r = Compute(1000, 500, 100, 20, 0, 0, c.choice);
    EXPECT_EQ(r.result, 1) << std::hex << c.choice;
    EXPECT_EQ(r.p.columns, 0);
    EXPECT_EQ(r.p.rows, 0);
    EXPECT_FLOAT_EQ(r.p.offsetX, c.x) << std::hex << c.choice;
    EXPECT_FLOAT_EQ(r.p.offsetY, c.y) << std::hex << c.choice;
  }
}

TEST(StampPlacement, TurnedStampOffsets) {
  // -30 degrees: the stamp leans left, its height's sine moves it right.
  const Placed r = Compute(1000, 500, 100, 20, -30, 0, 0x101);
  EXPECT_NEAR(r.p.offsetX, 20 * std::sin(M_PI / 6), 1e-4);
  EXPECT_FLOAT_EQ(r.p.offsetY, 0);
  // The matrix is the rotation by the angle itself.
  EXPECT_NEAR(r.p.m0, std::cos(-M_PI / 6), 1e-6);
  EXPECT_NEAR(r.p.m1, std::sin(-M_PI / 6), 1e-6);
  EXPECT_FLOAT_EQ(r.p.m2, -r.p.m1);
  EXPECT_FLOAT_EQ(r.p.m3, r.p.m0);
}

// Within -90 to 90 degrees the extent and offset are (w c + h s, w s + h c)
// with the offset on the side the stamp leans to.
TEST(StampPlacement, ExtentMatchesTheFormulasWithinAQuarterTurn) {
  const float w = 300, h = 80;
  for (int angle : {-90, -30, 0, 45, 90}) {
    const double t = angle * 3.1415926536 / 180.0;
    const double s = std::fabs(std::sin(t)), c = std::cos(t);
    const Placed r = Compute(10000, 10000, w, h, int16_t(angle), 0, kStampTile);
    EXPECT_NEAR(r.p.cellWidth, w * c + h * s, 1e-3) << angle;
    EXPECT_NEAR(r.p.cellHeight, w * s + h * c, 1e-3) << angle;
    EXPECT_NEAR(r.p.offsetX, angle < 0 ? s * h : 0, 1e-3) << angle;
    EXPECT_NEAR(r.p.offsetY, angle >= 0 ? s * w : 0, 1e-3) << angle;
  }
}

// Beyond a quarter turn every turned corner of every copy still lies in its
// cell of the grid.
TEST(StampPlacement, TurnedCornersStayInTheirCells) {
  const float w = 300, h = 80;
  for (int angle : {135, -150, 180, -179}) {
    const Placed r = Compute(2000, 1500, w, h, int16_t(angle), 0, kStampTile);
    ASSERT_GT(r.result, 0) << angle;
    ASSERT_GT(r.p.cellWidth, 0);
    ASSERT_GT(r.p.cellHeight, 0);
    for (int n = 0; n < r.result; ++n) {
      const float cx = r.p.cellWidth * float(n % r.p.columns), cy = r.p.cellHeight * float(n / r.p.columns);
      for (auto [x, y] : {std::pair{0.f, 0.f}, {w, 0.f}, {0.f, h}, {w, h}}) {
        const auto q = Place(r.p, x, y, uint32_t(n));
        EXPECT_GE(q.first, cx - 1e-3) << angle << " copy " << n;
        EXPECT_LE(q.first, cx + r.p.cellWidth + 1e-3) << angle << " copy " << n;
        EXPECT_GE(q.second, cy - 1e-3) << angle << " copy " << n;
        EXPECT_LE(q.second, cy + r.p.cellHeight + 1e-3) << angle << " copy " << n;
      }
    }
  }
}

// Turned about its centre, the stamp keeps its centre at every angle.
TEST(StampPlacement, TurningAboutTheCentreKeepsIt) {
  const float w = 240, h = 90;
  for (int angle = -90; angle <= 90; ++angle) {
    const Placed r = Compute(1000, 1000, w, h, int16_t(angle), kStampTurnAboutCentre, 0x101);
    const auto c = Place(r.p, w / 2, h / 2, 0);
    EXPECT_NEAR(c.first, w / 2, 1e-3) << angle;
    EXPECT_NEAR(c.second, h / 2, 1e-3) << angle;
  }
  // Its extent is its own size.
  const Placed grid = Compute(1000, 1000, w, h, 30, kStampTurnAboutCentre, kStampTile);
  EXPECT_FLOAT_EQ(grid.p.cellWidth, w);
  EXPECT_FLOAT_EQ(grid.p.cellHeight, h);
}

// Missing arguments; an empty or unusable extent or area cannot be tiled; a
// tiny extent is counted without overflowing the counts.
TEST(StampPlacement, RefusedAndBoundedInputs) {
  const float area[2] = {1000, 500}, size[2] = {100, 20}, point[2] = {0, 0};
  StampPlacement p{};
  float out[2];
  EXPECT_EQ(ComputeStampPlacement(nullptr, size, 0, 0, 0, &p), -1);
  EXPECT_EQ(ComputeStampPlacement(area, nullptr, 0, 0, 0, &p), -1);
  EXPECT_EQ(ComputeStampPlacement(area, size, 0, 0, 0, nullptr), -1);
  EXPECT_EQ(PlaceStampCopy(nullptr, point, 0, out), -1);
  EXPECT_EQ(PlaceStampCopy(&p, nullptr, 0, out), -1);
  EXPECT_EQ(PlaceStampCopy(&p, point, 0, nullptr), -1);

  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float W, H, w, h;
  } refused[] = {
      {1000, 500, 0, 20},  {1000, 500, 100, 0}, {1000, 500, -5, 20},  {0, 500, 100, 20},
      {1000, -1, 100, 20}, {inf, 500, 100, 20}, {1000, 500, nan, 20}, {1000, 500, 100, inf},
  };
  for (const auto& c : refused) EXPECT_EQ(Compute(c.W, c.H, c.w, c.h, 0, 0, kStampTile).result, -1) << c.w;
  EXPECT_EQ(Compute(nan, 500, 100, 20, 0, 0, 0x202).result, -1);

  // 1000 / 0.001 is a million columns: each count stops at 65535, the copies at 0x7FFFFFF.
  const Placed tiny = Compute(1000, 1000, 0.001f, 0.001f, 0, 0, kStampTile);
  EXPECT_EQ(tiny.p.columns, 65535);
  EXPECT_EQ(tiny.p.rows, 65535);
  EXPECT_EQ(tiny.result, int(kMaxStampCopies));
  const Placed narrow = Compute(1000, 500, 0.001f, 20, 0, 0, kStampTile);
  EXPECT_EQ(narrow.p.columns, 65535);
  EXPECT_EQ(narrow.result, 65535 * 25);
}

}  // namespace
