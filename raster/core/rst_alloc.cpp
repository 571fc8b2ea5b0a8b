// Allocation helpers of the raster library and their failure hook.
#include "raster/core/rst_alloc.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int64_t> g_fail_at{0};  // 0: disarmed
std::atomic<int64_t> g_calls{0};
std::atomic<size_t> g_last_size{0};
}  // namespace

void RstAllocFault::fail_nth(int64_t n) {
  g_calls = 0;
  g_fail_at = n > 0 ? n : 0;
}

void RstAllocFault::clear() {
  g_calls = 0;
  g_fail_at = 0;
}

int64_t RstAllocFault::calls() { return g_calls; }

size_t RstAllocFault::last_size() { return g_last_size; }

bool RstAllocFault::next_fails() {
  int64_t n = ++g_calls;
  int64_t at = g_fail_at;
  if (at != 0 && n == at) {
    g_fail_at = 0;
    return true;
  }
  return false;
}

void* rst_malloc(size_t size) {
  g_last_size.store(size, std::memory_order_relaxed);
  if (RstAllocFault::next_fails()) return nullptr;
  return std::malloc(size ? size : 1);
}

void* rst_calloc(size_t size) {
  g_last_size.store(size, std::memory_order_relaxed);
  if (RstAllocFault::next_fails()) return nullptr;
  return std::calloc(size ? size : 1, 1);
}

void rst_free(void* block) { std::free(block); }
