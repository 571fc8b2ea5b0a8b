// The escape blocks as the interface library's build of the settings model
// lays them out: the bytes the graphics driver reads.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/services/escape_records.h"

namespace {

TEST(EscapeRecords, BlocksHaveTheDriversBytes) {
  LabelInfoBlock label{};
  label.labelOn = 1;
  label.itemPositions[5] = -1;
  label.user[0] = u'k';
  label.pageNumber = 0x0102;
  label.time[5] = u'z';
  uint8_t bytes[sizeof label];
  std::memcpy(bytes, &label, sizeof label);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[14], 0xFF);
  EXPECT_EQ(bytes[15], 0xFF);
  EXPECT_EQ(bytes[16], 'k');
  EXPECT_EQ(bytes[730], 2);
  EXPECT_EQ(bytes[731], 1);
  EXPECT_EQ(bytes[764], 'z');

  const PaperMarginRecord margins{9, 50, -60, 70, 80};
  uint8_t m[10];
  std::memcpy(m, &margins, sizeof m);
  EXPECT_EQ(m[0], 9);
  EXPECT_EQ(m[2], 50);
  EXPECT_EQ(m[4], 0xC4);
  EXPECT_EQ(m[5], 0xFF);
  EXPECT_EQ(m[8], 80);
}

}  // namespace
