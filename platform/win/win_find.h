// Folder listing by Windows pattern ("C:\Temp\*.tmp"): FindFirstFileW,
// FindNextFileW, FindClose. Names match case-insensitively with * and ?.
#pragma once

#include "platform/win/win_types.h"

#pragma pack(push, 4)
struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
#pragma pack(pop)
static_assert(sizeof(WIN32_FIND_DATAW) == 592);
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

extern "C" {
PKAPI HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
PKAPI BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
PKAPI BOOL FindClose(HANDLE hFindFile);
}
