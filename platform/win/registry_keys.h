// Open registry keys as objects of the handle table (internal).
#pragma once

#include "platform/win/win_types.h"

namespace pk {

struct RegistryKeyRef {
  int64_t id = 0;        // row of the key in the machine database
  bool machine = false;  // the key lies under HKEY_LOCAL_MACHINE
  DWORD access = 0;      // the rights the key was opened with
};

HKEY NewRegistryKeyHandle(const RegistryKeyRef& ref);
bool LookupRegistryKey(HKEY key, RegistryKeyRef* ref);
bool CloseRegistryKeyHandle(HKEY key);

}  // namespace pk
