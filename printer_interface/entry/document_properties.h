// Document properties: the DEVMODE an application asks for, with the sheet
// (DM_PROMPT) through the common property sheet UI or without it.
#pragma once

#include "platform/ui/property_sheet.h"
#include "platform/win/win_devmode.h"
#include "platform/win/win_types.h"

// What the document properties calls hand the document sheet callback.
struct DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  DEVMODEW* pdmIn;
  DEVMODEW* pdmOut;
  DWORD cbOut;
  DWORD fMode;
};
using PDOCUMENTPROPERTYHEADER = DOCUMENTPROPERTYHEADER*;
static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, hPrinter) == 8);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, pdmOut) == 32);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, fMode) == 44);

// Runs CommonPropertySheetUIW of "compstui.dll" with the four arguments and
// answers its result; -1 when the library or its entry is missing.
LONG LoadCommonPropertySheetUI(HWND owner, PFNPROPSHEETUI callback, LPARAM lParamInit, LPDWORD result);

// With DM_PROMPT the document sheet (the result compstui writes back), else
// BuildOutputDevMode.
LONG RunDocumentProperties(HWND window, PDOCUMENTPROPERTYHEADER header);

// Document properties without a sheet: the printer's DEVMODE merged with the
// caller's into the output. 2628 for fMode 0 or no output; 1 written; -1
// failure (nothing written), also for a header shorter than its 48 bytes.
LONG BuildOutputDevMode(PDOCUMENTPROPERTYHEADER header);
