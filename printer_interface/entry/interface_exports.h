// The thirteen exports of the printer interface library, the records the
// spooler hands them, and the failure value each answers. They are callable
// from any thread; no C++ exception leaves any of them.
#pragma once

#include "platform/ui/property_sheet.h"
#include "platform/win/win_devmode.h"
#include "platform/win/win_types.h"

#define PK_INTERFACE_EXPORT extern "C" __attribute__((visibility("default")))

// The spooler's question whether a job may print with its DEVMODE.
struct DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
};
using PDEVQUERYPRINT_INFO = DEVQUERYPRINT_INFO*;
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40);

// DrvConvertDevMode modes.
#define CDM_CONVERT 0x01
#define CDM_CONVERT351 0x02
#define CDM_DRIVER_DEFAULT 0x04

// The library's entry point: attach sets up the module state, detach
// releases it. Always TRUE.
PK_INTERFACE_EXPORT BOOL DllInitialize(HANDLE module, DWORD reason, LPVOID reserved);

PK_INTERFACE_EXPORT LONG DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
PK_INTERFACE_EXPORT LONG DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);
PK_INTERFACE_EXPORT LONG DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* output,
                                               DEVMODEW* input, DWORD fMode);
PK_INTERFACE_EXPORT LONG DrvAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* output,
                                                       DEVMODEW* input);
PK_INTERFACE_EXPORT BOOL PrinterProperties(HWND window, HANDLE printer);
PK_INTERFACE_EXPORT BOOL DrvConvertDevMode(LPWSTR printerName, DEVMODEW* input, DEVMODEW* output, LONG* size,
                                           DWORD mode);
PK_INTERFACE_EXPORT DWORD DrvDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, PVOID output,
                                                DEVMODEW* devMode);
PK_INTERFACE_EXPORT BOOL DrvQueryColorProfile(HANDLE printer, DEVMODEW* devMode, ULONG queryMode, VOID* buffer,
                                              ULONG* size, FLONG* flags);
PK_INTERFACE_EXPORT int DrvDocumentEvent(HANDLE printer, HDC hdc, int event, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                         PVOID pvOut);
PK_INTERFACE_EXPORT BOOL DrvPrinterEvent(LPWSTR printerName, int event, DWORD flags, LPARAM lParam);
PK_INTERFACE_EXPORT BOOL DrvUpgradePrinter(DWORD level, BYTE* info);
PK_INTERFACE_EXPORT BOOL DevQueryPrintEx(PDEVQUERYPRINT_INFO info);

// DrvQueryColorProfile query modes and the flag of a profile kept as a file.
#define QCP_DEVICEPROFILE 0x0000
#define QCP_SOURCEPROFILE 0x0001
#define QCP_PROFILEMEMORY 0x0001
#define QCP_PROFILEDISK 0x0002
