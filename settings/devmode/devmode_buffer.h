// Buffers for the two DEVMODE forms. A mode of 1 (low 16 bits) means the
// DriverDevMode (2628 bytes); any other mode the WorkingDevMode (4700 bytes).
#pragma once

#include "platform/win/win_types.h"

// 2628 for mode 1, else 4700; only the low 16 bits of the mode count.
UINT GetDevModeBufferSize(DWORD mode);

// A zero-filled fixed block of the mode's size from the global allocator, or null.
void* AllocDevModeBuffer(DWORD mode);

// Frees a buffer of AllocDevModeBuffer; the allocator's result (null on success).
HGLOBAL FreeDevModeBuffer(void* buffer);

// Copies or clears the mode's number of bytes; a missing buffer does nothing.
void CopyDevModeBuffer(void* destination, const void* source, DWORD mode);
void ClearDevModeBuffer(void* buffer, DWORD mode);
