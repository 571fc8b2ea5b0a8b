// Read-only file mappings: CreateFileMappingW over a file handle,
// MapViewOfFile and UnmapViewOfFile. A view stays valid after the file and
// mapping handles are closed, until it is unmapped.
#pragma once

#include "platform/win/win_types.h"

#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define FILE_MAP_READ 0x0004
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_COPY 0x0001
#define ERROR_FILE_INVALID 1006L
#define ERROR_MAPPED_ALIGNMENT 1132L

extern "C" {
PKAPI HANDLE CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR lpName);
PKAPI LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                           DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap);
PKAPI BOOL UnmapViewOfFile(LPCVOID lpBaseAddress);
}
