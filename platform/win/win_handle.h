// Kernel-style handles: one table for every object closed with CloseHandle
// (mutexes here; files, mappings and find handles elsewhere in the layer), and
// the wait on a waitable one. Handle values are never reused in a process.
#pragma once

#include "platform/win/win_types.h"

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 WAIT_ABANDONED
#define WAIT_FAILED 0xFFFFFFFF
#ifndef WAIT_TIMEOUT
#define WAIT_TIMEOUT 258L
#endif

extern "C" {
// FALSE with ERROR_INVALID_HANDLE for a closed or foreign handle.
PKAPI BOOL CloseHandle(HANDLE hObject);
// WAIT_OBJECT_0, WAIT_ABANDONED (the owner ended without releasing),
// WAIT_TIMEOUT, or WAIT_FAILED with the error set.
PKAPI DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
}
