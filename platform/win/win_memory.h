// Global memory blocks and private heaps. Every block is its own malloc block,
// so the address sanitizer sees an overrun of any of them. Live-block counts
// and allocation failures are reachable through the memory seams.
#pragma once

#include <cstring>

#include "platform/win/win_types.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE GMEM_SHARE
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_INVALID_HANDLE 0x8000
#define GMEM_LOCKCOUNT 0x00FF

#define HEAP_NO_SERIALIZE 0x00000001
#define HEAP_GROWABLE 0x00000002
#define HEAP_GENERATE_EXCEPTIONS 0x00000004
#define HEAP_ZERO_MEMORY 0x00000008
#define HEAP_REALLOC_IN_PLACE_ONLY 0x00000010

extern "C" {
// A fixed block's handle is its address; a movable block has a handle of its
// own that GlobalLock turns into the address. Failure: null, ERROR_NOT_ENOUGH_MEMORY.
PKAPI HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Null on success; the handle itself (ERROR_INVALID_HANDLE) when it names no block.
PKAPI HGLOBAL GlobalFree(HGLOBAL hMem);
PKAPI LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while the block stays locked; FALSE with NO_ERROR when the count
// reached zero, FALSE with ERROR_NOT_LOCKED when it was not locked.
PKAPI BOOL GlobalUnlock(HGLOBAL hMem);
PKAPI SIZE_T GlobalSize(HGLOBAL hMem);
PKAPI HGLOBAL GlobalHandle(LPCVOID pMem);
PKAPI HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);

// A heap owns its blocks: HeapDestroy frees every one still live. A maximum
// size other than 0 caps the bytes live at once.
PKAPI HANDLE HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize);
PKAPI BOOL HeapDestroy(HANDLE hHeap);
PKAPI LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
PKAPI LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes);
PKAPI BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
// (SIZE_T)-1 when the block does not belong to the heap.
PKAPI SIZE_T HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem);
}

#define ZeroMemory(dst, len) memset((dst), 0, (len))
#define CopyMemory(dst, src, len) memcpy((dst), (src), (len))
#define MoveMemory(dst, src, len) memmove((dst), (src), (len))
#define FillMemory(dst, len, fill) memset((dst), (fill), (len))
