// Tests of the operating system the driver runs on: the platform code and
// version checks some setting checks depend on.
#pragma once

#include "platform/win/win_types.h"

// Platform codes: 0x100, 0x101 (4.0) and 0x102 (above 4.0) on the Windows 9x
// platform; 0x200 (below 4), 0x201 (4.x) and 0x202 (5 and later) on NT; 0
// for any other platform.
constexpr DWORD kPlatform9xOld = 0x100;
constexpr DWORD kPlatform9x40 = 0x101;
constexpr DWORD kPlatform9xNewer = 0x102;
constexpr DWORD kPlatformNtOld = 0x200;
constexpr DWORD kPlatformNt4 = 0x201;
constexpr DWORD kPlatformNtNewer = 0x202;

// 1 with the platform code; -1 without an output or when the version
// cannot be read.
int GetOsPlatformCode(DWORD* code);
// -1 when the platform code cannot be read; 0 for 0x100, 0x101, 0x200 and
// 0x201; else 1 with `code` set to 512.
int IsNewerPlatform(DWORD* code);
// Whether the system's version is at least major.minor.
BOOL IsOsVersionAtLeast(DWORD major, DWORD minor);
// Computed on first use and kept.
BOOL IsWindowsXpOrLater();
BOOL IsWindowsVistaOrLater();
