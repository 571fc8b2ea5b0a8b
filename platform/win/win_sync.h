// Locks: critical sections (recursive, within a process) and unnamed mutex
// objects, which live in the handle table and are waited on with
// WaitForSingleObject and closed with CloseHandle.
#pragma once

#include "platform/win/win_types.h"

// Room for the lock inside the caller's record, so that a critical section
// needs no allocation of its own.
struct CRITICAL_SECTION {
  alignas(8) unsigned char opaque[64];
};
using PCRITICAL_SECTION = CRITICAL_SECTION*;
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

extern "C" {
PKAPI void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
// The owning thread may enter again; it must leave as often as it entered.
PKAPI void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PKAPI void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PKAPI void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// Only unnamed mutexes: a name fails with ERROR_NOT_SUPPORTED. On success the
// last error is cleared (never ERROR_ALREADY_EXISTS). The owner may wait on
// it again; each wait needs one ReleaseMutex.
PKAPI HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
PKAPI HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
// FALSE with ERROR_NOT_OWNER when the calling thread does not own the mutex.
PKAPI BOOL ReleaseMutex(HANDLE hMutex);
}
