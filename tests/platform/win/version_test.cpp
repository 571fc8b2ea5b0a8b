// The OS version: record sizes, the default, the version seam and the checks.
#include <gtest/gtest.h>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"

namespace {

// The driver's check: major and minor, both greater or equal.
BOOL AtLeast(DWORD major, DWORD minor) {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  ULONGLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, mask);
}

}  // namespace

TEST(WinVersion, RecordSizesAndDefault) {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = 276;
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  OSVERSIONINFOEXW ex = {};
  ex.dwOSVersionInfoSize = 284;
  EXPECT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex)));
  for (DWORD bad : {0u, 275u, 280u, 300u}) {
    info.dwOSVersionInfoSize = bad;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExW(&info)) << bad;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_TRUE(AtLeast(6, 1));
  EXPECT_TRUE(AtLeast(10, 0));
  EXPECT_FALSE(AtLeast(10, 1));
}

TEST(WinVersion, SeamSetsTheVersion) {
  pk::seams::SetOsVersion(5, 1);
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwPlatformId, 2u);

  struct Case {
    DWORD major, minor;
    BOOL met;
  };
  const Case cases[] = {{5, 1, TRUE}, {5, 0, TRUE}, {4, 9, TRUE}, {6, 0, FALSE}, {5, 2, FALSE}};
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(AtLeast(c.major, c.minor), c.met) << c.major << "." << c.minor;
    if (!c.met) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OLD_WIN_VERSION));
    }
  }

  pk::seams::SetOsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS);
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwPlatformId, 1u);
}
