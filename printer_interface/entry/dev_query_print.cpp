// DevQueryPrintEx: whether the spooler may print a job with its DEVMODE; a
// DEVMODE that is not the driver's fails with a message for the queue.
#include "platform/win/win_devmode.h"
#include "printer_interface/entry/format_message_text.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/module_state.h"

namespace {

// The settings check reads the private part too: a DEVMODE whose sizes do
// not cover the driver's whole DEVMODE cannot be the driver's.
bool IsDriverDevMode(DEVMODEW* devMode) {
  if (devMode->dmSize != kPublicDevModeSize || devMode->dmDriverExtra < kDevModePrivateSize) return false;
  return CheckCoreSettings(devMode) != 0;
}

}  // namespace

BOOL DevQueryPrintEx(PDEVQUERYPRINT_INFO info) {
  if (info == nullptr) return FALSE;
  try {
    if (info->pDevMode == nullptr || IsDriverDevMode(info->pDevMode)) return TRUE;
    FormatMessageText(GetResourceModule(), info->pszErrorStr, info->cchErrorStr, &info->cchNeeded,
                      u"Invalid DEVMODE structure.");
  } catch (...) {
  }
  return FALSE;
}
