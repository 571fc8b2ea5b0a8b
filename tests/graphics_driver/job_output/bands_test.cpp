// Band height: the whole page when it fits the largest block, else the rows
// that fit; no band at all when no block can be had.
#include <gtest/gtest.h>

#include "graphics_driver/job_output/bands.h"
#include "platform/win/win_seams.h"

namespace {

TEST(BandHeight, RowsThatFitTheLargestBlock) {
  EXPECT_EQ(ComputeBandHeight(2440, 3146), 3146);  // a letter page at 300 dpi fits whole
  pk::seams::FailAllocationsFrom(5000000);         // the largest block is then 4,000,000 bytes
  EXPECT_EQ(ComputeBandHeight(4896, 6600), 6535);
  EXPECT_EQ(ComputeBandHeight(4896, 6535), 6535);
  EXPECT_EQ(ComputeBandHeight(64000000, 10), 1);  // one row wider than the block: still a band
  pk::seams::FailAllocationsFrom(2000000);
  EXPECT_EQ(ComputeBandHeight(4896, 6600), 0);
  pk::seams::FailAllocationsFrom(0);
}

}  // namespace
