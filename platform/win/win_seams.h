// Seams of the platform layer: what a test may set or read without touching
// the code under test. Grouped by area; each area's defaults come back with
// pk::seams::ResetAll(), which the test support calls after every test.
#pragma once

#include "platform/win/win_types.h"

namespace pk::seams {

// ---- Reset -------------------------------------------------------------------
// Restores every seam of every area to its default.
PKAPI void ResetAll();
// An area hands its reset function over once, at load time:
//   static const pk::seams::ResetHook hook(&ResetMyArea);
// A module that is unloaded takes its hooks with it.
struct PKAPI ResetHook {
  explicit ResetHook(void (*reset)());
  ~ResetHook();
  ResetHook(const ResetHook&) = delete;
  ResetHook& operator=(const ResetHook&) = delete;

 private:
  void (*reset_)();
};

// ---- Memory (GlobalAlloc, heaps) ---------------------------------------------
// Global blocks alive now.
PKAPI SIZE_T GlobalLiveBlocks();
// Blocks alive now in one heap; 0 once it is destroyed (or never was).
PKAPI SIZE_T HeapLiveBlocks(HANDLE heap);
// Heaps alive now.
PKAPI SIZE_T LiveHeaps();
// The n-th next allocation (1 = the very next) fails; 0 switches it off. It
// counts GlobalAlloc, GlobalReAlloc, HeapCreate, HeapAlloc and HeapReAlloc.
PKAPI void FailNthAllocation(unsigned n);
// Every allocation of at least `bytes` bytes fails; 0 switches it off.
PKAPI void FailAllocationsFrom(SIZE_T bytes);

// ---- Handles -----------------------------------------------------------------
// Kernel-style handles (mutexes, files, ...) open now.
PKAPI SIZE_T LiveHandles();

// ---- Code pages --------------------------------------------------------------
// The (ANSI, OEM) code pages; the default is (1252, 437). Only 1252/437 and
// 932/932 are supported.
PKAPI void SetCodePages(UINT ansi, UINT oem);

// ---- Clock -------------------------------------------------------------------
// Freezes the clock at a local instant; the system time lies utcOffsetMinutes
// before it (local = UTC + offset). The tick count then stays at `tick` until
// AdvanceClock moves it, and the instant with it.
PKAPI void SetClock(const SYSTEMTIME& local, DWORD tick, LONG utcOffsetMinutes = 0);
PKAPI void AdvanceClock(DWORD milliseconds);

// ---- Names -------------------------------------------------------------------
// A name replaces the login or host name; a failure makes the query fail with
// that error. Null restores the default.
PKAPI void SetUserName(const WCHAR* name);
PKAPI void FailUserName(DWORD error);
PKAPI void SetComputerName(const WCHAR* name);
PKAPI void FailComputerName(DWORD error);

// ---- OS version --------------------------------------------------------------
// The default is 10.0, build 19045, platform 2.
PKAPI void SetOsVersion(DWORD major, DWORD minor, DWORD platformId = 2);

}  // namespace pk::seams

// ---- Machine root, files, registry, message boxes, programs -------------------
#include <string>
#include <vector>

namespace pk::seams {

// A fresh empty machine root in the host's temp folder for this test; the
// next reset removes it and forgets the root.
PKAPI std::string UseTemporaryMachineRoot();
// GetTempPathW answers this Windows folder (created when missing); null
// restores the per-user default.
PKAPI void SetTempPath(const WCHAR* folder);
// WriteFile on files whose Windows path contains `pathPart` (case-insensitive;
// empty: every file) fails with 112 from the n-th call on (writing nothing),
// or once k more bytes are written (those k are written and reported). Once:
// only that call fails; always: every later write fails too.
PKAPI void FailWritesFrom(const WCHAR* pathPart, unsigned nthWrite, bool always);
PKAPI void FailWritesAfter(const WCHAR* pathPart, DWORD bytes, bool always);
PKAPI void ClearWriteFaults();
// While set, every write under HKEY_LOCAL_MACHINE answers 5.
PKAPI void SetMachineRegistryReadOnly(bool readOnly);
// The n-th next RegSetValueExW (1 = the very next) answers 5 and writes
// nothing; with `always` every later one too. 0 clears the fault.
PKAPI void FailRegistryWrites(unsigned nth, bool always = false);

// MessageBoxW answers these, in order, and records every call.
struct MessageBoxCall {
  HWND owner;
  std::u16string caption;
  std::u16string text;
  UINT style;
};
PKAPI void QueueMessageBoxAnswer(int answer);
PKAPI std::vector<MessageBoxCall> MessageBoxCalls();
// A program without a screen (the print host) sees every box as it is shown:
// the handler's answer is the box's when it is above 0; else the queue and
// the stopping answer decide as without it. Null removes it.
using MessageBoxHandler = int (*)(const MessageBoxCall& call, void* context);
PKAPI void SetMessageBoxHandler(MessageBoxHandler handler, void* context);

// Puts a stand-in program at a Windows path ("...\\Lindvar.exe" becomes the
// host program "...\\Lindvar"): it records its arguments in "<path>.args"
// beside itself, copies the file named by its first argument to `copyTo` (a
// Windows path; null: no copy) and ends with `exitCode`.
PKAPI bool InstallProgramStub(const WCHAR* program, int exitCode, const WCHAR* copyTo);

}  // namespace pk::seams
