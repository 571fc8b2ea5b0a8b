// The library's entry point: process attach sets up the module state (paths
// of the library and of its resource module, loaded lazily by the first
// user) and registers the range check of the pages with the settings
// model; process detach releases it.
#include "platform/win/win_module.h"
#include "printer_interface/entry/interface_exports.h"
#include "printer_interface/framework/page_framework.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/services/module_state.h"

BOOL DllInitialize(HANDLE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitModule(static_cast<HMODULE>(module), nullptr);
    // The settings model reaches the pages' range check only through this.
    SetPageConstraintPass(RunSheetRangePass);
  } else if (reason == DLL_PROCESS_DETACH) ReleaseModule();
  return TRUE;
}
