// Resources of a loaded module (a resource module file or a library's own
// table): LoadStringW, FindResourceW, LoadResource, LockResource,
// SizeofResource. Resources are named by (type, id) numbers. The null module
// is the program: the table it exports (pk_module_resources), if any.
#pragma once

#include "platform/win/win_types.h"

#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_FONT MAKEINTRESOURCEW(8)
#define RT_RCDATA MAKEINTRESOURCEW(10)

extern "C" {
// Copies at most cchBufferMax - 1 units of string `uID` and terminates; the
// answer is the count copied (0 for a missing string, the buffer then empty).
// With cchBufferMax 0 the buffer receives a pointer to the unterminated text.
PKAPI int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
PKAPI HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
PKAPI HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
PKAPI LPVOID LockResource(HGLOBAL hResData);
PKAPI DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
}
