// Time from the Linux clocks, or from the frozen instant the clock seam sets.
// Calendar conversion is done here (days since 1970 <-> civil date), so a
// frozen instant does not depend on the machine's time zone.
#include "platform/win/win_time.h"

#include <ctime>
#include <mutex>

#include "platform/win/win_seams.h"

namespace {

struct FrozenClock {
  bool active = false;
  int64_t utcMs = 0;     // the instant, milliseconds since 1970 UTC
  int64_t offsetMs = 0;  // local = UTC + offset
  DWORD tick = 0;
};

std::mutex g_mutex;
FrozenClock g_frozen;

void ResetClock() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_frozen = FrozenClock();
}
const pk::seams::ResetHook g_resetHook(&ResetClock);

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

SYSTEMTIME FromMs(int64_t ms) {
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
  st.wHour = static_cast<WORD>(rest / 3600000);
  st.wMinute = static_cast<WORD>(rest / 60000 % 60);
  st.wSecond = static_cast<WORD>(rest / 1000 % 60);
  st.wMilliseconds = static_cast<WORD>(rest % 1000);
  return st;
}

int64_t RealUtcMs() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

extern "C" {

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_frozen.active) {
      *lpSystemTime = FromMs(g_frozen.utcMs + g_frozen.offsetMs);
      return;
    }
  }
  int64_t ms = RealUtcMs();
  time_t seconds = static_cast<time_t>(ms / 1000);
  tm local;
  localtime_r(&seconds, &local);
  *lpSystemTime = FromMs((seconds + local.tm_gmtoff) * 1000 + ms % 1000);
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_frozen.active) {
      *lpSystemTime = FromMs(g_frozen.utcMs);
      return;
    }
  }
  *lpSystemTime = FromMs(RealUtcMs());
}

DWORD GetTickCount(void) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_frozen.active) return g_frozen.tick;
  }
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

int64_t _time64(int64_t* timer) {
  int64_t ms;
  bool frozen;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    frozen = g_frozen.active;
    ms = g_frozen.utcMs;
  }
  if (!frozen) ms = RealUtcMs();
  int64_t seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
  if (timer) *timer = seconds;
  return seconds;
}

}  // extern "C"

namespace pk::seams {

void SetClock(const SYSTEMTIME& local, DWORD tick, LONG utcOffsetMinutes) {
  int64_t days = DaysFromCivil(local.wYear, local.wMonth, local.wDay);
  int64_t localMs = days * 86400000 + local.wHour * 3600000LL + local.wMinute * 60000LL + local.wSecond * 1000LL +
                    local.wMilliseconds;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_frozen.active = true;
  g_frozen.offsetMs = static_cast<int64_t>(utcOffsetMinutes) * 60000;
  g_frozen.utcMs = localMs - g_frozen.offsetMs;
  g_frozen.tick = tick;
}

void AdvanceClock(DWORD milliseconds) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_frozen.active) return;
  g_frozen.utcMs += milliseconds;
  g_frozen.tick += milliseconds;
}

}  // namespace pk::seams
