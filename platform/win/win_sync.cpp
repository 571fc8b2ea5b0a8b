// Critical sections over std::recursive_mutex, placed inside the caller's
// record; mutex objects as handle-table objects with an owner thread and a
// recursion count.
#include "platform/win/win_sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "platform/win/win_error.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_handle_table.h"

namespace {

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(std::recursive_mutex) <= 8);

std::recursive_mutex* LockOf(LPCRITICAL_SECTION cs) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(cs->opaque));
}

class MutexObject : public pk::win::KernelObject {
 public:
  explicit MutexObject(bool owned) {
    if (owned) {
      owner_ = std::this_thread::get_id();
      count_ = 1;
    }
  }

  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto self = std::this_thread::get_id();
    if (owner_ == self) {
      ++count_;
      return WAIT_OBJECT_0;
    }
    auto free = [this] { return count_ == 0; };
    if (milliseconds == INFINITE) {
      free_.wait(lock, free);
    } else if (!free_.wait_for(lock, std::chrono::milliseconds(milliseconds), free)) {
      return WAIT_TIMEOUT;
    }
    owner_ = self;
    count_ = 1;
    return WAIT_OBJECT_0;
  }

  BOOL Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count_ == 0 || owner_ != std::this_thread::get_id()) {
      SetLastError(ERROR_NOT_OWNER);
      return FALSE;
    }
    if (--count_ == 0) {
      owner_ = std::thread::id();
      free_.notify_one();
    }
    return TRUE;
  }

 private:
  std::mutex mutex_;
  std::condition_variable free_;
  std::thread::id owner_;
  unsigned count_ = 0;
};

HANDLE CreateUnnamedMutex(BOOL initialOwner, bool named) {
  if (named) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  HANDLE h = pk::win::RegisterHandle(std::make_shared<MutexObject>(initialOwner != FALSE));
  SetLastError(ERROR_SUCCESS);
  return h;
}

}  // namespace

extern "C" {

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  new (lpCriticalSection->opaque) std::recursive_mutex;
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { LockOf(lpCriticalSection)->lock(); }

void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { LockOf(lpCriticalSection)->unlock(); }

void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { LockOf(lpCriticalSection)->~recursive_mutex(); }

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
  return CreateUnnamedMutex(bInitialOwner, lpName != nullptr);
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName) {
  return CreateUnnamedMutex(bInitialOwner, lpName != nullptr);
}

BOOL ReleaseMutex(HANDLE hMutex) {
  auto mutex = pk::win::LookupHandle<MutexObject>(hMutex);
  if (!mutex) return FALSE;
  return mutex->Release();
}

}  // extern "C"
