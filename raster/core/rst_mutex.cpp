// RstMutex over the platform's unnamed mutex: created owned and released at
// once, waited on without a time limit, released, and closed at the end.
#include "raster/core/rst_mutex.h"

#include "platform/win/win_error.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_sync.h"

RstMutex::RstMutex() {
  handle_ = CreateMutexA(nullptr, TRUE, nullptr);
  // An existing mutex of that name would not be ours to release.
  if (handle_ && GetLastError() != ERROR_ALREADY_EXISTS) ReleaseMutex(handle_);
}

RstMutex::~RstMutex() {
  if (handle_) CloseHandle(handle_);
  handle_ = nullptr;  // a late lock at exit then does nothing
}

void RstMutex::lock() {
  if (handle_) WaitForSingleObject(handle_, INFINITE);
}

void RstMutex::unlock() {
  if (handle_) ReleaseMutex(handle_);
}
