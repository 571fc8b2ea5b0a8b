// RstMutex over an unnamed, re-entrant system mutex. The handle is made here
// by a small stand-in until the platform layer offers its mutex calls.
#include "raster/core/rst_mutex.h"

#include <mutex>
#include <new>

namespace {
// Stand-in for the platform's unnamed mutex handle.
struct SystemMutex {
  std::recursive_mutex m;
};
}  // namespace

RstMutex::RstMutex() {
  auto* m = new (std::nothrow) SystemMutex;
  // Made owned by its creator, then released so that it starts free.
  if (m) {
    m->m.lock();
    m->m.unlock();
  }
  handle_ = m;
}

RstMutex::~RstMutex() {
  delete static_cast<SystemMutex*>(handle_);
  handle_ = nullptr;  // a late lock at exit then does nothing
}

void RstMutex::lock() {
  if (handle_) static_cast<SystemMutex*>(handle_)->m.lock();
}

void RstMutex::unlock() {
  if (handle_) static_cast<SystemMutex*>(handle_)->m.unlock();
}
