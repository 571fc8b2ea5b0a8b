// The seam reset: every area's seam comes back to its default, which is what
// the test main relies on between tests.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"
#include "support/seam_fixture.h"

namespace seams = pk::seams;

namespace {
int g_extraResets = 0;
void CountReset() { ++g_extraResets; }
const seams::ResetHook g_hook(&CountReset);
}  // namespace

using WinSeams = pk::test::SeamTest;

TEST_F(WinSeams, ResetAllRestoresEveryArea) {
  SYSTEMTIME t = {};
  t.wYear = 2001;
  t.wMonth = 1;
  t.wDay = 1;
  seams::SetClock(t, 7);
  seams::SetCodePages(932, 932);
  seams::SetUserName(u"alice");
  seams::FailComputerName(ERROR_GEN_FAILURE);
  seams::SetOsVersion(5, 1);
  seams::FailAllocationsFrom(1);
  seams::FailNthAllocation(1);
  int before = g_extraResets;

  seams::ResetAll();

  EXPECT_EQ(g_extraResets, before + 1);  // hooks of other areas run too
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_GT(now.wYear, 2001);
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 437u);
  WCHAR buf[UNLEN + 1];
  DWORD size = UNLEN + 1;
  ASSERT_TRUE(GetUserNameW(buf, &size));
  EXPECT_NE(std::u16string(buf), u"alice");
  size = UNLEN + 1;
  EXPECT_TRUE(GetComputerNameW(buf, &size));
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  HGLOBAL h = GlobalAlloc(GPTR, 16);
  EXPECT_NE(h, nullptr);
  GlobalFree(h);
}

// Two tests of one program: the first leaves seams set, the second sees the
// defaults (the fixture and the test main's listener both reset them when the
// program runs its tests in one process).
TEST_F(WinSeams, FirstLeavesSeamsSet) {
  seams::SetCodePages(932, 932);
  seams::SetOsVersion(5, 1);
  EXPECT_EQ(GetACP(), 932u);
}

TEST_F(WinSeams, SecondSeesDefaults) {
  EXPECT_EQ(GetACP(), 1252u);
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  EXPECT_EQ(info.dwMajorVersion, 10u);
}

// The same with plain tests: the test main's listener does the reset.
TEST(WinSeamsListener, FirstLeavesClockFrozen) {
  SYSTEMTIME t = {};
  t.wYear = 2001;
  t.wMonth = 1;
  t.wDay = 1;
  seams::SetClock(t, 7);
  EXPECT_EQ(GetTickCount(), 7u);
}

TEST(WinSeamsListener, SecondSeesTheRealClock) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_GT(now.wYear, 2001);
}
