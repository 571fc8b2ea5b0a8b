// A module whose entry is DllInitialize and refuses to start, for the module
// tests: its load must fail and leave nothing loaded.
#include "platform/win/win_types.h"

extern "C" __attribute__((visibility("default"))) BOOL DllInitialize(HINSTANCE, DWORD reason, LPVOID) {
  return reason == 1 ? FALSE : TRUE;
}
