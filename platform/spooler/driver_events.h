// What the spooler hands a printer driver's configuration module when a
// printer is installed, deleted or its driver upgraded: the event codes of
// DrvPrinterEvent, the record of DrvUpgradePrinter and the two entry types
// the spooler looks up by name.
#pragma once

#include "platform/win/win_types.h"

#define PRINTER_EVENT_CONFIGURATION_CHANGE 0
#define PRINTER_EVENT_ADD_CONNECTION 1
#define PRINTER_EVENT_DELETE_CONNECTION 2
#define PRINTER_EVENT_INITIALIZE 3
#define PRINTER_EVENT_DELETE 4
#define PRINTER_EVENT_CACHE_REFRESH 5
#define PRINTER_EVENT_CACHE_DELETE 6
#define PRINTER_EVENT_ATTRIBUTES_CHANGED 7

#define PRINTER_EVENT_FLAG_NO_UI 0x00000001

struct DRIVER_UPGRADE_INFO_1 {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
};
using PDRIVER_UPGRADE_INFO_1 = DRIVER_UPGRADE_INFO_1*;
static_assert(sizeof(DRIVER_UPGRADE_INFO_1) == 16);

using PFN_DrvPrinterEvent = BOOL (*)(LPWSTR printerName, int event, DWORD flags, LPARAM lParam);
using PFN_DrvUpgradePrinter = BOOL (*)(DWORD level, BYTE* info);
