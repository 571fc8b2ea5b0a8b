// The allocator of the memory block lists' vectors: it goes through the raster
// library's allocation hook, so that a failing growth of a block vector can be
// shown under test as it happens when memory runs out (std::bad_alloc).
#pragma once

#include <cstddef>
#include <memory>
#include <new>

#include "raster/core/rst_alloc.h"

template <class T>
struct MemoryBlockAllocator {
  using value_type = T;
  MemoryBlockAllocator() = default;
  template <class U>
  MemoryBlockAllocator(const MemoryBlockAllocator<U>&) {}
  T* allocate(size_t n) {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, size_t n) { std::allocator<T>().deallocate(p, n); }
  template <class U>
  bool operator==(const MemoryBlockAllocator<U>&) const {
    return true;
  }
};
