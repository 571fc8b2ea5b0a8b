// Allocation, copy and clearing of DEVMODE buffers of either form.
#include "settings/devmode/devmode_buffer.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "settings/devmode/devmode_layout.h"

UINT GetDevModeBufferSize(DWORD mode) { return (mode & 0xFFFF) == 1 ? kDriverDevModeSize : kWorkingDevModeSize; }

void* AllocDevModeBuffer(DWORD mode) { return GlobalAlloc(GPTR, GetDevModeBufferSize(mode)); }

HGLOBAL FreeDevModeBuffer(void* buffer) { return GlobalFree(buffer); }

void CopyDevModeBuffer(void* destination, const void* source, DWORD mode) {
  if (destination == nullptr || source == nullptr) return;
  std::memmove(destination, source, GetDevModeBufferSize(mode));
}

void ClearDevModeBuffer(void* buffer, DWORD mode) {
  if (buffer == nullptr) return;
  std::memset(buffer, 0, GetDevModeBufferSize(mode));
}
