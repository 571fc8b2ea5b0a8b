// Exports whose work lies in the property sheets, the device capabilities,
// the colour profile query and the printer events. Until those are built
// each answers its failure value (DrvPrinterEvent, which never fails, TRUE),
// so that a host sees a clean refusal rather than a half-done result.
#include "printer_interface/entry/interface_exports.h"

LONG DrvDocumentPropertySheets(PPROPSHEETUI_INFO, LPARAM) { return -1; }

LONG DrvDevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) { return -1; }

LONG DrvDocumentProperties(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD) { return -1; }

LONG DrvAdvancedDocumentProperties(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*) { return -1; }

BOOL PrinterProperties(HWND, HANDLE) { return FALSE; }

DWORD DrvDeviceCapabilities(HANDLE, LPWSTR, WORD, PVOID, DEVMODEW*) { return static_cast<DWORD>(-1); }

BOOL DrvQueryColorProfile(HANDLE, DEVMODEW*, ULONG, VOID*, ULONG*, FLONG*) { return FALSE; }

BOOL DrvPrinterEvent(LPWSTR, int, DWORD, LPARAM) { return TRUE; }

BOOL DrvUpgradePrinter(DWORD, BYTE*) { return FALSE; }
