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

std::mutex g_mutex;
std::unordered_map<uintptr_t, std::shared_ptr<pk::win::KernelObject>> g_table;
uintptr_t g_next = 0x10000;

}  // namespace

namespace pk::win {

DWORD KernelObject::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

void SetInvalidHandleError() { SetLastError(ERROR_INVALID_HANDLE); }

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  std::lock_guard<std::mutex> lock(g_mutex);
  uintptr_t value = g_next;
  g_next += 4;
  g_table.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandleObject(HANDLE handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
  if (it == g_table.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
    if (it != g_table.end()) {
      object = std::move(it->second);
      g_table.erase(it);
    }
  }
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace pk::win

extern "C" {

BOOL CloseHandle(HANDLE hObject) {
  auto object = pk::win::UnregisterHandle(hObject);
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
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_table.size();
}

}  // namespace pk::seams
