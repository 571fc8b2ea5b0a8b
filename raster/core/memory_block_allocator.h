// Allocation of the memory storages' blocks and lists, with a test seam that
// makes allocations fail after a count, so that running out of memory can be
// shown without exhausting the machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace memory_block_seam {
// Whether one more allocation may proceed (the seam counts it down).
bool allow_allocation();
// Lets `count` further allocations succeed, then fails all; -1 switches the
// fault off (the default).
void set_allocations_left(int32_t count);
}  // namespace memory_block_seam

// std::allocator that consults the seam, so growing a block vector can fail
// with std::bad_alloc under test as it would when memory runs out.
template <class T>
struct MemoryBlockAllocator {
  using value_type = T;
  MemoryBlockAllocator() = default;
  template <class U>
  MemoryBlockAllocator(const MemoryBlockAllocator<U>&) {}
  T* allocate(size_t n) {
    if (!memory_block_seam::allow_allocation()) throw std::bad_alloc();
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, size_t n) { std::allocator<T>().deallocate(p, n); }
  template <class U>
  bool operator==(const MemoryBlockAllocator<U>&) const { return true; }
};
