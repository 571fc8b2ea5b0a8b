// User and computer names: buffer sizes, the defaults and the name seams.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"

namespace seams = pk::seams;

TEST(WinNames, UserNameBufferSizes) {
  seams::SetUserName(u"alice");
  WCHAR small[3] = {u'#', u'#', u'#'};
  DWORD size = 3;
  SetLastError(0);
  EXPECT_FALSE(GetUserNameW(small, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(small[0], u'#');

  WCHAR buf[40];
  size = 40;
  ASSERT_TRUE(GetUserNameW(buf, &size));
  EXPECT_EQ(std::u16string(buf), u"alice");
  EXPECT_EQ(size, 6u);  // with the terminator

  size = 6;  // exactly enough
  EXPECT_TRUE(GetUserNameW(buf, &size));
}

TEST(WinNames, ComputerNameAndSeams) {
  seams::SetComputerName(u"PRINTHOST");
  WCHAR buf[40];
  DWORD size = 40;
  ASSERT_TRUE(GetComputerNameW(buf, &size));
  EXPECT_EQ(std::u16string(buf), u"PRINTHOST");
  EXPECT_EQ(size, 9u);  // without the terminator
  size = 9;
  EXPECT_FALSE(GetComputerNameW(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 10u);

  seams::SetUserName(u"SYSTEM");
  size = 40;
  ASSERT_TRUE(GetUserNameW(buf, &size));
  EXPECT_EQ(std::u16string(buf), u"SYSTEM");

  seams::FailUserName(ERROR_ACCESS_DENIED);
  seams::FailComputerName(ERROR_GEN_FAILURE);
  size = 40;
  EXPECT_FALSE(GetUserNameW(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(GetComputerNameW(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST(WinNames, DefaultsComeFromTheLoginAndHost) {
  WCHAR buf[UNLEN + 1];
  DWORD size = UNLEN + 1;
  ASSERT_TRUE(GetUserNameW(buf, &size));
  EXPECT_GT(size, 1u);
  EXPECT_EQ(static_cast<DWORD>(lstrlenW(buf)) + 1, size);
  size = UNLEN + 1;
  ASSERT_TRUE(GetComputerNameW(buf, &size));
  EXPECT_EQ(static_cast<DWORD>(lstrlenW(buf)), size);
  for (int i = 0; buf[i]; ++i) EXPECT_NE(buf[i], u'.');
}
