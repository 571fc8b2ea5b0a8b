// Open registry keys in the handle table (see registry_keys.h).
#include "platform/win/registry_keys.h"

#include "platform/win/win_handle_table.h"

namespace pk {
namespace {
class RegistryKeyObject : public win::KernelObject {
 public:
  explicit RegistryKeyObject(const RegistryKeyRef& r) : ref(r) {}
  bool ClosedByCloseHandle() const override { return false; }  // RegCloseKey closes it
  RegistryKeyRef ref;
};
}  // namespace

HKEY NewRegistryKeyHandle(const RegistryKeyRef& ref) {
  return static_cast<HKEY>(win::RegisterHandle(std::make_shared<RegistryKeyObject>(ref)));
}

bool LookupRegistryKey(HKEY key, RegistryKeyRef* ref) {
  auto object = win::LookupHandle<RegistryKeyObject>(key);
  if (!object) return false;
  *ref = object->ref;
  return true;
}

bool CloseRegistryKeyHandle(HKEY key) { return win::UnregisterHandleOf<RegistryKeyObject>(key) != nullptr; }

}  // namespace pk
