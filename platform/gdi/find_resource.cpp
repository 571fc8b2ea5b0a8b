// EngFindResource: the bytes and size of a resource of a module the platform
// loaded, found by numeric name and type.
#include "platform/gdi/eng_services.h"
#include "platform/win/windows.h"

extern "C" {

PVOID EngFindResource(HANDLE h, int iName, int iType, PULONG pulSize) {
  if (pulSize) *pulSize = 0;
  if (!h) return nullptr;
  HMODULE module = static_cast<HMODULE>(h);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(iName), MAKEINTRESOURCEW(iType));
  if (!info) return nullptr;
  HGLOBAL data = LoadResource(module, info);
  PVOID bytes = data ? LockResource(data) : nullptr;
  if (!bytes) return nullptr;
  if (pulSize) *pulSize = SizeofResource(module, info);
  return bytes;
}

}  // extern "C"
