// Modules: LoadLibraryW/A/ExW, GetProcAddress, FreeLibrary and
// GetModuleFileNameW. "X.dll" (a name without extension gets ".dll") opens the
// shared library "X.so" beside it with dlopen(RTLD_NOW | RTLD_LOCAL); a bare
// name is looked up among the in-process providers, then in the system folder;
// a file that starts with the resource magic opens as a resource-only module
// whatever its extension. Handles are counted: the first load calls the
// module's entry (DllMain, else DllInitialize) with (handle, 1, null), the
// last FreeLibrary with reason 0.
#pragma once

#include "platform/win/win_types.h"

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_DLL_INIT_FAILED 1114L

using FARPROC = void (*)();
using PkDllEntry = BOOL (*)(HINSTANCE, DWORD, LPVOID);

// One exported function of an in-process provider.
struct PkModuleExport {
  const char* name;
  FARPROC proc;
};

// Makes `name` ("compstui.dll"; ".dll" is added to a name without extension)
// loadable by bare name: its exports are the given table, which must outlive
// the process. A later registration of the same name replaces the table.
PKAPI void PkRegisterModuleProvider(LPCWSTR name, const PkModuleExport* exports, size_t count);

extern "C" {
PKAPI HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
PKAPI HMODULE LoadLibraryA(LPCSTR lpLibFileName);
PKAPI HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
PKAPI FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
PKAPI BOOL FreeLibrary(HMODULE hLibModule);
// The module's Windows path as loaded ("C:\...\Pelkran.dll"); null names the
// program. A small buffer gets the cut text, the size as answer and error 122.
PKAPI DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
}
