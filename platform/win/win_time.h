// Time: local and system (UTC) time of day, the millisecond tick count and the
// C library's 64-bit seconds since 1970. The clock seam freezes all of them.
#pragma once

#include "platform/win/win_types.h"

extern "C" {
PKAPI void GetLocalTime(LPSYSTEMTIME lpSystemTime);
PKAPI void GetSystemTime(LPSYSTEMTIME lpSystemTime);
// Milliseconds since an arbitrary start; wraps after 49.7 days.
PKAPI DWORD GetTickCount(void);
// Seconds since 1970-01-01 00:00 UTC, also stored in *timer when given.
PKAPI int64_t _time64(int64_t* timer);
}
