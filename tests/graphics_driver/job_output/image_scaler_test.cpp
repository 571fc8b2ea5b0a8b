// The image down-scaler: weight tables, sizes and ratios, area averaging of
// 8-bit and 24-bit rows, and its buffer limits. Every block it makes is
// freed with it.
#include "graphics_driver/job_output/image_scaler.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win/win_seams.h"

namespace {

class ScalerTest : public ::testing::Test {
 protected:
  void SetUp() override { blocks_ = pk::seams::GlobalLiveBlocks(); }
  void TearDown() override {
    FreeScaler(scaler_);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks_);
  }
  ImageScaler* Make(uint32_t sw, uint32_t sh, uint32_t tw, uint32_t th) {
    scaler_ = CreateScaler();
    EXPECT_NE(scaler_, nullptr);
    EXPECT_EQ(SetScalerResolution(scaler_, kScalerKindArea, 600, 600, 300), 1);
    EXPECT_EQ(SetScalerSizes(scaler_, sw, sh, tw, th), 1);
    return scaler_;
  }
  ImageScaler* scaler_ = nullptr;
  size_t blocks_ = 0;
};

struct WeightCase {
  uint32_t s, t;
  std::vector<ScalerWeight> expected;
};

TEST_F(ScalerTest, WeightTables) {
  const WeightCase cases[] = {
      {3, 2, {{0, 256, 1, 128}, {1, 128, 2, 256}}},
      {4, 2, {{0, 256, 1, 256}, {2, 256, 3, 256}}},
      {5, 5, {{0, 256, 0, 256}, {1, 256, 1, 256}, {2, 256, 2, 256}, {3, 256, 3, 256}, {4, 256, 4, 256}}},
      {7, 3, {{0, 256, 2, 85}, {2, 171, 4, 170}, {4, 86, 6, 256}}},
  };
  for (const WeightCase& c : cases) {
    std::vector<ScalerWeight> table(c.t);
    BuildScalerWeights(c.s, c.t, table.data());
    for (uint32_t i = 0; i < c.t; ++i) {
      EXPECT_EQ(table[i].first, c.expected[i].first) << c.s << "->" << c.t << " #" << i;
      EXPECT_EQ(table[i].firstWeight, c.expected[i].firstWeight) << c.s << "->" << c.t << " #" << i;
      EXPECT_EQ(table[i].last, c.expected[i].last) << c.s << "->" << c.t << " #" << i;
      EXPECT_EQ(table[i].lastWeight, c.expected[i].lastWeight) << c.s << "->" << c.t << " #" << i;
    }
  }
}

TEST_F(ScalerTest, SizesAndRatios) {
  scaler_ = CreateScaler();
  ASSERT_NE(scaler_, nullptr);
  uint32_t w = 0, h = 0;
  // Not of kind 1 yet.
  EXPECT_EQ(GetScaledSize(scaler_, 1000, 1000, 100, 100, &w, &h), 0);
  EXPECT_EQ(SetScalerResolution(scaler_, 2, 600, 600, 300), 0);
  EXPECT_EQ(SetScalerResolution(scaler_, kScalerKindArea, 600, 0, 300), 0);
  ASSERT_EQ(SetScalerResolution(scaler_, kScalerKindArea, 600, 600, 300), 1);
  // 50 would be a ratio of 20: 1000 / 14 + 1.
  ASSERT_EQ(GetScaledSize(scaler_, 1000, 1000, 100, 100, &w, &h), 1);
  EXPECT_EQ(w, 72u);
  EXPECT_EQ(h, 72u);
  // Drawn larger than itself: its own size.
  ASSERT_EQ(GetScaledSize(scaler_, 40, 30, 400, 300, &w, &h), 1);
  EXPECT_EQ(w, 40u);
  EXPECT_EQ(h, 30u);
  ASSERT_EQ(GetScaledSize(scaler_, 400, 300, 1, 400, &w, &h), 1);
  EXPECT_EQ(w, 400u / 14 + 1);
  EXPECT_EQ(h, 200u);
  EXPECT_EQ(GetScaledSize(scaler_, 0, 300, 1, 400, &w, &h), 0);
  EXPECT_EQ(GetScaledSize(scaler_, 10, 300, 1, 400, nullptr, &h), 0);

  EXPECT_EQ(SetScalerSizes(scaler_, 300, 20, 20, 20), 0);
  EXPECT_EQ(SetScalerSizes(scaler_, 20, 300, 20, 20), 0);
  EXPECT_EQ(SetScalerSizes(scaler_, 20, 20, 21, 20), 0);
  EXPECT_EQ(SetScalerSizes(scaler_, 20, 20, 0, 20), 0);
  EXPECT_EQ(SetScalerSizes(scaler_, 280, 280, 20, 20), 1);
}

TEST_F(ScalerTest, EightBitRowsAverage) {
  Make(3, 1, 2, 1);
  const BYTE row[3] = {0, 255, 255};
  ASSERT_EQ(PushScalerRow(scaler_, row, 3, 8), 2);
  BYTE out[6] = {1, 1, 1, 1, 1, 1};
  // Asked for three bytes a pixel, an 8-bit row gives its own two.
  ASSERT_EQ(GetScaledRow(scaler_, out, 6), 1);
  EXPECT_EQ(out[0], 85);
  EXPECT_EQ(out[1], 255);
  EXPECT_EQ(out[2], 1);
  // Every output row is made: a further row is refused.
  EXPECT_EQ(PushScalerRow(scaler_, row, 3, 8), -1);
}

TEST_F(ScalerTest, TwentyFourBitBytesAverageOnTheirOwnAcrossRows) {
  Make(2, 3, 1, 2);
  // Each pixel: blue, green, red. Rows 0..2, the middle one shared by both
  // output rows at half weight.
  const BYTE rows[3][6] = {{0, 100, 200, 0, 100, 200}, {30, 60, 90, 30, 60, 90}, {255, 0, 10, 255, 0, 10}};
  EXPECT_EQ(PushScalerRow(scaler_, rows[0], 6, 24), 0);
  ASSERT_EQ(PushScalerRow(scaler_, rows[1], 6, 24), 3);
  BYTE out[3];
  ASSERT_EQ(GetScaledRow(scaler_, out, 3), 1);
  EXPECT_EQ(out[0], (0 * 256 + 30 * 128 + 192) / 384);
  EXPECT_EQ(out[1], (100 * 256 + 60 * 128 + 192) / 384);
  EXPECT_EQ(out[2], (200 * 256 + 90 * 128 + 192) / 384);
  ASSERT_EQ(PushScalerRow(scaler_, rows[2], 6, 24), 3);
  ASSERT_EQ(GetScaledRow(scaler_, out, 3), 1);
  EXPECT_EQ(out[0], (30 * 128 + 255 * 256 + 192) / 384);
  EXPECT_EQ(out[1], (60 * 128 + 0 * 256 + 192) / 384);
  EXPECT_EQ(out[2], (90 * 128 + 10 * 256 + 192) / 384);
}

TEST_F(ScalerTest, BufferLimitsAndBadRows) {
  Make(14, 14, 1, 1);
  const BYTE row[14] = {};
  for (int i = 0; i < 13; ++i) ASSERT_EQ(PushScalerRow(scaler_, row, 14, 8), 0);
  // A row shorter than the width, another depth, or no row.
  EXPECT_EQ(PushScalerRow(scaler_, row, 13, 8), -1);
  EXPECT_EQ(PushScalerRow(scaler_, row, 14, 16), -1);
  EXPECT_EQ(PushScalerRow(scaler_, nullptr, 14, 8), -1);
  // A 17th buffered row fails.
  scaler_->bufferedRows = 16;
  EXPECT_EQ(PushScalerRow(scaler_, row, 14, 8), -1);
  scaler_->bufferedRows = 13;
  EXPECT_EQ(PushScalerRow(scaler_, row, 14, 8), 1);
  BYTE out = 1;
  EXPECT_EQ(GetScaledRow(scaler_, &out, 1), 1);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(GetScaledRow(scaler_, nullptr, 1), 0);
}

}  // namespace
