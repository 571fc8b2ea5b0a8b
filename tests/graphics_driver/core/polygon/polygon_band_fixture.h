// A band for the polygon fill, with the checks its tests share: the band's
// dots compared with a predicate, and the global blocks back after the test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "band_fixture.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "platform/win/win_seams.h"

namespace pk::test {

class PolygonBandTest : public ::testing::Test, public BandFixture {
 protected:
  void SetUp() override { live_ = pk::seams::GlobalLiveBlocks(); }
  void TearDown() override {
    pk::seams::FailNthAllocation(0);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_);
  }

  int Fill(const std::vector<POINTL>& pts, RECTL bounds, int32_t runLimit = 0) {
    return FillPolygon(Stream(), pts.data(), uint32_t(pts.size()), &bounds, runLimit);
  }
  // Every dot of rows [0, rows) and columns [0, width) inked exactly where
  // wanted says so; the first mismatches are reported.
  bool InkedWhere(const std::function<bool(int32_t x, int32_t y)>& wanted, uint32_t rows, uint32_t width) {
    int reported = 0;
    for (uint32_t y = 0; y < rows; ++y)
      for (uint32_t x = 0; x < width; ++x)
        if (Ink(y, x) != wanted(int32_t(x), int32_t(y)) && reported++ < 8)
          ADD_FAILURE() << "dot " << x << "," << y << (Ink(y, x) ? " inked" : " not inked");
    return reported == 0;
  }
  uint32_t ColumnInk(uint32_t x, uint32_t rows) {
    uint32_t n = 0;
    for (uint32_t y = 0; y < rows; ++y) n += Ink(y, x);
    return n;
  }

  SIZE_T live_ = 0;
};

// A comb of `teeth` one-dot teeth two dots apart hanging from a bar of
// `bar` rows, `height` rows in all, its left edge at column `left`.
inline std::vector<POINTL> Comb(int32_t left, int32_t teeth, int32_t bar, int32_t height) {
  const int32_t right = left + 2 * teeth - 1;
  std::vector<POINTL> pts{{left, 0}, {right, 0}};
  for (int32_t i = teeth - 1; i >= 0; --i) {
    pts.push_back({left + 2 * i + 1, height});
    pts.push_back({left + 2 * i, height});
    if (i > 0) {
      pts.push_back({left + 2 * i, bar});
      pts.push_back({left + 2 * i - 1, bar});
    }
  }
  return pts;
}

}  // namespace pk::test
