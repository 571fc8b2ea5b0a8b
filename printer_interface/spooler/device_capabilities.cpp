// DrvDeviceCapabilities: what the printer can do, answered by the settings
// model's capability table over the printer's settings as the application's
// DEVMODE changes them.
#include "printer_interface/spooler/device_capabilities.h"

#include "platform/spooler/winspool.h"
#include "platform/win/windows.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/devmode_merge.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/store/printer_settings_data.h"

namespace {

constexpr DWORD kWorkingDevModeMode = 0;
constexpr LONG kDriverDevModeBytes = 2628;
constexpr int kMergeForCapabilities = 16;

}  // namespace

LONG AnswerDeviceCapability(HANDLE printer, WORD index, void* output, const DEVMODEW* devMode, CapabilityCall call) {
  DeviceModel* model = OpenDeviceModel(printer);
  WORD flags = model ? kCapabilityModel : 0;
  void* working = AllocDevModeBuffer(kWorkingDevModeMode);
  void* settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize);
  if (working && settings) {
    LONG length = kDriverDevModeBytes;
    int taken = 0;
    PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer, model, working, &length, &taken);
    if (info) {
      if (LoadPrinterSettings(printer, settings, model) &&
          (!devMode || MergeDevModeFields(model, working, devMode, settings, printer, kMergeForCapabilities)))
        flags |= kCapabilityDevMode | kCapabilitySettings;
      GlobalFree(info);
    }
  }
  LONG answer = call(printer, index, output, flags, working, settings, model);
  if (settings) GlobalFree(settings);
  if (working) FreeDevModeBuffer(working);
  CloseDeviceModel(model);
  return answer;
}

DWORD DrvDeviceCapabilities(HANDLE printer, LPWSTR, WORD capability, PVOID output, DEVMODEW* devMode) {
  try {
    return static_cast<DWORD>(AnswerDeviceCapability(printer, capability, output, devMode, &CallCapabilityHandler));
  } catch (...) {
    return static_cast<DWORD>(-1);
  }
}
