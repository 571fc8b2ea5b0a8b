// Exports whose work lies in the property sheets. Until those are built each
// answers its failure value, so that a host sees a clean refusal rather than
// a half-done result.
#include "printer_interface/entry/interface_exports.h"

LONG DrvDevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) { return -1; }

BOOL PrinterProperties(HWND, HANDLE) { return FALSE; }
