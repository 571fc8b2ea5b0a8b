// Windows paths on the machine root: "X:\" is <root>/x/, "\" and "/" both
// separate, repeated separators collapse, ".." never climbs above the drive
// folder, relative paths start at the current directory, UNC and device names
// are refused, and existing names are found case-insensitively (the exact
// spelling first). No file call of the layer takes a host path, with two
// exceptions: the C run-time calls (crt_io.h) take a path without drive letter
// or backslash as the host's, and a program that works on host files (the
// preview, started with a host path) may switch on the host-path mode below.
#pragma once

#include <string>

#include "platform/win/win_types.h"

// Resolves a Windows path: its full Windows form ("C:\Temp\x") and the host
// path inside the machine root. Answers 0 or an error code (3 empty or missing
// drive, 123 UNC, device or invalid name).
PKAPI DWORD PkResolveWindowsPath(LPCWSTR path, std::u16string* windowsPath, std::string* hostPath);
// The Windows form of a host path inside the machine root; false outside it.
PKAPI bool PkWindowsPathFromHost(const std::string& hostPath, std::u16string* windowsPath);

// Host-path mode, process-wide, off by default (and after every test): while it
// is on, every path-taking file call of the layer takes a path without drive
// letter as a host path; paths with a drive letter still map onto the machine
// root. Set once by the preview's start-up before any file is opened; drivers
// never set it.
PKAPI void PkSetHostPathMode(BOOL on);
PKAPI BOOL PkHostPathMode();

extern "C" {
PKAPI DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
PKAPI BOOL SetCurrentDirectoryW(LPCWSTR lpPathName);
}
