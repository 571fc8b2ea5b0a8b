// Starting programs: _spawnlp in wait mode over posix_spawn. "X.exe" runs the
// host program "X" of the same folder; an argument that is a Windows path goes
// over as its host path, each argument as one entry; the child inherits the
// machine root. The answer is the exit code, or -1 when the program cannot
// start or dies by a signal.
#pragma once

#include "platform/win/win_types.h"

#define _P_WAIT 0
#define _P_NOWAIT 1
#define P_WAIT _P_WAIT
#define P_NOWAIT _P_NOWAIT

extern "C" {
PKAPI INT_PTR _spawnlp(int mode, const char* cmdname, const char* arg0, ...);
}
