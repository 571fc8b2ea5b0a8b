// The library's own module state: its module handle and folder, the resource
// module that holds the user-visible texts (named by string 32767 of the
// library's own string table), and a few small services. Each driver library
// carries its own copy of this state (the settings model is built into each).
#pragma once

#include "platform/win/win_types.h"

// The id of the string that names the resource module file.
constexpr UINT kResourceModuleNameString = 32767;
// Characters of the kept module path, folder and resource module path.
constexpr UINT kModulePathChars = 260;

// Takes a reference. On the first one keeps the module handle, the module's
// path (its file name while no folder is known yet, else `path`) with its
// folder, and the resource module's path when it fits in 260 characters.
void InitModule(HMODULE module, LPCWSTR path);
// Copies the module's folder (with its backslash): 1, or 0 for a buffer
// below 520 bytes.
int GetModuleFolder(LPWSTR buffer, UINT sizeInBytes);
// Loads the resource module once (nothing while no reference is held).
void LoadResourceModule();
// The resource module's handle, loaded on first use; null when it cannot be.
HMODULE GetResourceModule();
// Drops a reference; the last one forgets the module and frees the resource
// module.
void ReleaseModuleRef();
// Process detach: drops every reference at once.
void ReleaseModule();

// The decimal value of a wide text.
int ParseInt(LPCWSTR text);
// The start-up status of a printer: always 0, there is nothing to report.
int GetPrinterStartupStatus(HANDLE printer, HMODULE module);
// Answers 0: this driver offers no fax service.
int IsFaxAvailable();
