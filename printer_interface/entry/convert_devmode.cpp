// DrvConvertDevMode: the spooler's DEVMODE conversion, done by the settings
// model's worker.
#include "platform/win/win_devmode.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/devmode/devmode_conversion.h"

BOOL DrvConvertDevMode(LPWSTR printerName, DEVMODEW* input, DEVMODEW* output, LONG* size, DWORD mode) {
  if (printerName == nullptr || size == nullptr) return FALSE;
  try {
    // -1: the buffer is too small (the worker has set the size needed and
    // the last error); -2: failure.
    const int result = ConvertDevModeWorker(printerName, input, output, size, mode);
    return result == -1 || result == -2 ? FALSE : TRUE;
  } catch (...) {
    return FALSE;
  }
}
