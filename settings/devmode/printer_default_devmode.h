// The spooler's default DEVMODE of a printer in the driver's own form.
#pragma once

#include "platform/spooler/winspool.h"
#include "platform/win/win_types.h"
#include "settings/model/device_model.h"

// The printer's PRINTER_INFO_2 (the caller frees it) whose DEVMODE pointer
// now points at `destination`, which holds the spooler's default DEVMODE:
// copied as it is when it is this driver's own (`*length` bytes, of which
// at most its own size comes from the spooler, the rest zero), converted
// otherwise (`*length` must then hold 2628 bytes). `*converted` is 1 on
// success; null otherwise, with nothing left allocated.
PRINTER_INFO_2W* GetPrinterDefaultDevMode(HANDLE printer, DeviceModel* model, void* destination, LONG* length,
                                          int* converted);
