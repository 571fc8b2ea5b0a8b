// Whole-file helpers of the settings stores: reading a file into a new block
// and mapping one read-only.
#pragma once

#include "platform/win/win_types.h"

// Reads the whole file (read sharing) into a new block of the global
// allocator: nonzero when every byte was read; the block is freed on failure.
int ReadWholeFile(LPCWSTR path, void** data, DWORD* bytesRead);
// A read-only view of the whole file, also stored in *holder; the file and
// mapping handles are closed at once (the view lasts until it is unmapped).
// 1, or 0 when the file cannot be opened, its size read, or it mapped.
int MapFileReadOnly(LPCWSTR path, void** holder, const void** view, DWORD* size);
