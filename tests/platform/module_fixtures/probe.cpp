// A module the module tests load: its entry remembers the handle it was given
// at attach and reports detach to a recorder the test hands over.
#include "platform/win/win_types.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
HINSTANCE gAttachHandle = nullptr;
int gAttachCount = 0;
void (*gRecorder)(HINSTANCE, DWORD) = nullptr;
}  // namespace

PROBE_EXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == 1) {
    gAttachHandle = instance;
    ++gAttachCount;
  }
  if (gRecorder) gRecorder(instance, reason);
  return TRUE;
}

PROBE_EXPORT HINSTANCE ProbeAttachHandle(int* count) {
  if (count) *count = gAttachCount;
  return gAttachHandle;
}

PROBE_EXPORT void ProbeSetRecorder(void (*recorder)(HINSTANCE, DWORD)) { gRecorder = recorder; }
