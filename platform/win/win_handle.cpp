// The process-wide handle table. Values count up from a base in steps of 4
// and are never handed out twice, so a stale handle can never reach a newer
// object.
#include "platform/win/win_handle.h"

#include <mutex>
#include <unordered_map>

#include "platform/win/win_error.h"
#include "platform/win/win_handle_table.h"
#include "platform/win/win_seams.h"

namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<pk::win::KernelObject>> objects;
  uintptr_t next = 0x10000;
};

// Never destroyed: objects of other libraries close their handles from
// static destructors at exit, after this library's statics would be gone.
Table& GetTable() {
  static Table* table = new Table;
  return *table;
}

}  // namespace

namespace pk::win {

DWORD KernelObject::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

void SetInvalidHandleError() { SetLastError(ERROR_INVALID_HANDLE); }

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandleObject(HANDLE handle) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle, bool (*accept)(const KernelObject&)) {
  std::shared_ptr<KernelObject> object;
  Table& t = GetTable();
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it != t.objects.end() && (!accept || accept(*it->second))) {
      object = std::move(it->second);
      t.objects.erase(it);
    }
  }
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace pk::win

extern "C" {

BOOL CloseHandle(HANDLE hObject) {
  auto object =
      pk::win::UnregisterHandle(hObject, [](const pk::win::KernelObject& o) { return o.ClosedByCloseHandle(); });
  if (!object) return FALSE;
  return object->OnClose();
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  auto object = pk::win::LookupHandleObject(hHandle);
  if (!object) return WAIT_FAILED;
  return object->Wait(dwMilliseconds);
}

}  // extern "C"

namespace pk::seams {

SIZE_T LiveHandles() {
  Table& t = GetTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  return t.objects.size();
}

}  // namespace pk::seams
