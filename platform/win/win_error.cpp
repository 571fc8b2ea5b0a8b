// The last-error value is kept per thread, as callers read it right after the
// failing call on the same thread.
#include "platform/win/win_error.h"

namespace {
thread_local DWORD t_last_error = ERROR_SUCCESS;
}

extern "C" {
void SetLastError(DWORD dwErrCode) { t_last_error = dwErrCode; }
DWORD GetLastError(void) { return t_last_error; }
}
