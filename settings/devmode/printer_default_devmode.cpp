// Reading the spooler's default DEVMODE of a printer.
#include "settings/devmode/printer_default_devmode.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "settings/devmode/devmode_conversion.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/access/setting_value_io.h"
#include "settings/services/spooler_records.h"

PRINTER_INFO_2W* GetPrinterDefaultDevMode(HANDLE printer, DeviceModel* model, void* destination, LONG* length,
                                          int* converted) {
  if (printer == nullptr || model == nullptr || destination == nullptr || length == nullptr || converted == nullptr) {
    return nullptr;
  }
  *converted = 0;
  auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
  if (info == nullptr) return nullptr;
  const DEVMODEW* spooled = info->pDevMode;
  uint64_t driverVersion = 0;
  if (spooled != nullptr && ReadSettingInto(3, spooled, nullptr, &driverVersion)) {
    WORD size = spooled->dmSize;
    WORD extra = spooled->dmDriverExtra;
    if (driverVersion == kDriverVersion && size == kPublicDevModeSize && extra == kDevModePrivateSize) {
      // This driver's own DEVMODE: taken byte for byte, never more than it holds.
      UINT own = static_cast<UINT>(size) + extra;
      UINT wanted = *length > 0 ? static_cast<UINT>(*length) : 0;
      std::memset(destination, 0, wanted);
      std::memcpy(destination, spooled, wanted < own ? wanted : own);
      *converted = 1;
    } else {
      int result = ConvertDevModeWorker(info->pPrinterName, spooled, destination, length, kConvertDevModeMode);
      if (result == kWorkerConverted || result == kWorkerCopied || result == kWorkerDefaults) *converted = 1;
    }
  }
  if (*converted != 1) {
    GlobalFree(info);
    return nullptr;
  }
  info->pDevMode = static_cast<DEVMODEW*>(destination);
  return info;
}
