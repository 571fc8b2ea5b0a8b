// The raster library's one path for allocations whose failure it reports:
// nothing here throws, a failure yields null, and a test hook can make the
// N-th allocation fail so that every "out of memory" branch can be driven.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

// Test hook: the N-th allocation counted from arming fails (once).
class RstAllocFault {
 public:
  // Arms the hook: the n-th following allocation (n >= 1) fails.
  static void fail_nth(int64_t n);
  // Disarms the hook.
  static void clear();
  // Allocations asked for since the hook was last armed or cleared.
  static int64_t calls();
  // True when the next allocation is the one to fail; counts the call.
  static bool next_fails();
  // Bytes asked of rst_malloc or rst_calloc by the latest call, failed or
  // not, so that a test can see the size a huge header leads to.
  static size_t last_size();
};

// malloc-style block (uninitialised); null on failure. Freed with rst_free.
void* rst_malloc(size_t size);
// Zero-filled block; null on failure. Freed with rst_free.
void* rst_calloc(size_t size);
void rst_free(void* block);

// Builds a T with new (deleted with delete); null when memory runs out or when
// the constructor runs out of memory itself. Other exceptions (a report's
// RstStatus) pass through.
template <class T, class... Args>
T* rst_new(Args&&... args) {
  if (RstAllocFault::next_fails()) return nullptr;
  try {
    return new (std::nothrow) T(std::forward<Args>(args)...);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
