// Spooler records fetched into blocks of the global allocator (freed by the
// caller with GlobalFree): a printer's PRINTER_INFO and DRIVER_INFO, its
// forms, and single forms by their 1-based number.
#pragma once

#include "platform/spooler/winspool.h"
#include "platform/win/win_types.h"

// Statuses of the form services.
using FormStatus = WORD;
constexpr FormStatus kFormOk = 1;
constexpr FormStatus kFormBeyondList = 2;  // the number is beyond the forms
constexpr FormStatus kFormNoForms = 3;     // the forms cannot be listed, or there are none
constexpr FormStatus kFormFailed = 10;     // missing argument, number 0, no memory, no name or model

// The printer's PRINTER_INFO / DRIVER_INFO (local environment) of the level;
// null on failure.
void* GetPrinterInfo(HANDLE printer, DWORD level);
void* GetPrinterDriverInfo(HANDLE printer, DWORD level);

// 1 with the printer's forms (a FORM_INFO_1 array of `count`, `needed` bytes);
// 3 when they cannot be listed; 10 when memory runs out. `forms` is null on
// failure; `needed` and `count` may be null.
FormStatus EnumPrinterForms(HANDLE printer, FORM_INFO_1W** forms, DWORD* needed, DWORD* count);

// The flags, or a new copy of the name (null for a form without one), of
// form `index` (1-based).
FormStatus GetFormFlagsAt(HANDLE printer, DWORD index, DWORD* flags);
FormStatus GetFormNameAt(HANDLE printer, DWORD index, LPWSTR* name);
// The same without the status: null or 0 on any failure.
LPWSTR GetFormName(HANDLE printer, DWORD index);
DWORD GetFormFlags(HANDLE printer, DWORD index);
