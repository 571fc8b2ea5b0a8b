// The library's entry point: process attach sets up the module state (paths
// of the library and of its resource module, loaded lazily by the first
// user), process detach releases it.
#include "platform/win/win_module.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/services/module_state.h"

BOOL DllInitialize(HANDLE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) InitModule(static_cast<HMODULE>(module), nullptr);
  else if (reason == DLL_PROCESS_DETACH) ReleaseModule();
  return TRUE;
}
