// Time of day, tick count and the C library seconds, real and frozen.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"

namespace seams = pk::seams;

namespace {
SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms = 0) {
  SYSTEMTIME t = {};
  t.wYear = y;
  t.wMonth = mo;
  t.wDay = d;
  t.wHour = h;
  t.wMinute = mi;
  t.wSecond = s;
  t.wMilliseconds = ms;
  return t;
}
}  // namespace

TEST(WinTime, FrozenClockShowsEverywhere) {
  seams::SetClock(At(2024, 3, 7, 9, 5, 30), 5000);
  SYSTEMTIME local;
  GetLocalTime(&local);
  EXPECT_EQ(local.wYear, 2024);
  EXPECT_EQ(local.wMonth, 3);
  EXPECT_EQ(local.wDay, 7);
  EXPECT_EQ(local.wDayOfWeek, 4);  // a Thursday
  EXPECT_EQ(local.wHour, 9);
  EXPECT_EQ(local.wMinute, 5);
  EXPECT_EQ(local.wSecond, 30);
  EXPECT_EQ(local.wMilliseconds, 0);
  int64_t stored = 0;
  EXPECT_EQ(_time64(&stored), 1709802330);
  EXPECT_EQ(stored, 1709802330);
  EXPECT_EQ(GetTickCount(), 5000u);
  EXPECT_EQ(GetTickCount(), 5000u);  // the tick moves only when advanced

  seams::AdvanceClock(1500);
  EXPECT_EQ(GetTickCount(), 6500u);
  GetLocalTime(&local);
  EXPECT_EQ(local.wSecond, 31);
  EXPECT_EQ(local.wMilliseconds, 500);
}

TEST(WinTime, FrozenClockWithOffsetAndDateRollover) {
  // Local 00:30 at UTC+2 is 22:30 of the day before, across a leap day.
  seams::SetClock(At(2024, 3, 1, 0, 30, 0), 0, 120);
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  EXPECT_EQ(utc.wYear, 2024);
  EXPECT_EQ(utc.wMonth, 2);
  EXPECT_EQ(utc.wDay, 29);
  EXPECT_EQ(utc.wHour, 22);
  EXPECT_EQ(_time64(nullptr), 1709245800);

  seams::SetClock(At(1999, 12, 31, 23, 59, 59, 999), 0xFFFFFFFFu);
  seams::AdvanceClock(1);
  SYSTEMTIME local;
  GetLocalTime(&local);
  EXPECT_EQ(local.wYear, 2000);
  EXPECT_EQ(local.wMonth, 1);
  EXPECT_EQ(local.wDay, 1);
  EXPECT_EQ(local.wHour, 0);
  EXPECT_EQ(GetTickCount(), 0u);  // wraps like the real one
}

TEST(WinTime, RealClockAgreesWithTheCLibrary) {
  time_t before = time(nullptr);
  int64_t now = _time64(nullptr);
  time_t after = time(nullptr);
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  tm expected;
  time_t t = static_cast<time_t>(now);
  gmtime_r(&t, &expected);
  EXPECT_EQ(utc.wYear, expected.tm_year + 1900);
  EXPECT_EQ(utc.wDayOfWeek, expected.tm_wday);
  SYSTEMTIME local;
  GetLocalTime(&local);
  EXPECT_GE(local.wMonth, 1);
  EXPECT_LE(local.wMonth, 12);
}
