// Windows paths on the machine root: "X:\" is <root>/x/, "\" and "/" both
// separate, repeated separators collapse, ".." never climbs above the drive
// folder, relative paths start at the current directory, UNC and device names
// are refused, and existing names are found case-insensitively (the exact
// spelling first). No file call of the layer takes a host path.
#pragma once

#include <string>

#include "platform/win/win_types.h"

// Resolves a Windows path: its full Windows form ("C:\Temp\x") and the host
// path inside the machine root. Answers 0 or an error code (3 empty or missing
// drive, 123 UNC, device or invalid name).
PKAPI DWORD PkResolveWindowsPath(LPCWSTR path, std::u16string* windowsPath, std::string* hostPath);
// The Windows form of a host path inside the machine root; false outside it.
PKAPI bool PkWindowsPathFromHost(const std::string& hostPath, std::u16string* windowsPath);

extern "C" {
PKAPI DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
PKAPI BOOL SetCurrentDirectoryW(LPCWSTR lpPathName);
}
