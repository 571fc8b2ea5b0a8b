// The loaded-module records shared by the module and resource services
// (internal).
#pragma once

#include <string>
#include <vector>

#include "platform/win/resource_format.h"
#include "platform/win/win_module.h"

namespace pk {

struct LoadedResource {
  WORD type;
  WORD id;
  const BYTE* data;
  DWORD size;
};

// The resource directory of a loaded module (empty when it has none); false
// with ERROR_INVALID_HANDLE for an unknown handle. The entries stay valid
// while the module is loaded.
bool ModuleResources(HMODULE module, const std::vector<LoadedResource>** entries);

}  // namespace pk
