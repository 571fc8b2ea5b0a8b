// Sizes of the basic types that stored blocks are built from.
#include "platform/win/win_types.h"

#include <gtest/gtest.h>

TEST(WinTypes, FixedSizes) {
  EXPECT_EQ(sizeof(WCHAR), 2u);
  EXPECT_EQ(sizeof(LONG), 4u);
  EXPECT_EQ(sizeof(DWORD), 4u);
  EXPECT_EQ(sizeof(BOOL), 4u);
  EXPECT_EQ(sizeof(HANDLE), 8u);
  EXPECT_EQ(sizeof(LONG_PTR), 8u);
  EXPECT_EQ(sizeof(SYSTEMTIME), 16u);
  EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
}
