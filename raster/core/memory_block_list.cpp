// Memory block list: blocks are allocated without throwing; a failing block or
// a failing growth of the block vector leaves the list as it was.
#include "raster/core/memory_block_list.h"

#include <atomic>
#include <cstring>

namespace memory_block_seam {
namespace {
std::atomic<int32_t> g_allocations_left{-1};
}

bool allow_allocation() {
  int32_t left = g_allocations_left.load();
  while (left >= 0) {
    if (left == 0) return false;
    if (g_allocations_left.compare_exchange_weak(left, left - 1)) return true;
  }
  return true;
}

void set_allocations_left(int32_t count) { g_allocations_left.store(count < 0 ? -1 : count); }
}  // namespace memory_block_seam

MemoryBlockList::MemoryBlockList(int32_t block_size, const uint8_t* initial)
    : block_size_(block_size > 0 ? block_size : 0) {
  if (initial && block_size_ > 0) {
    if (uint8_t* b = add_block()) {
      std::memcpy(b, initial, static_cast<size_t>(block_size_));
      size_ = block_size_;
    }
  }
}

MemoryBlockList::~MemoryBlockList() { free_blocks(); }

MemoryBlockList* MemoryBlockList::create(int32_t block_size, const uint8_t* initial) {
  if (block_size <= 0 || !memory_block_seam::allow_allocation()) return nullptr;
  MemoryBlockList* list = new (std::nothrow) MemoryBlockList(block_size, initial);
  if (list && initial && list->size_ != block_size) {
    delete list;
    return nullptr;
  }
  return list;
}

uint8_t* MemoryBlockList::add_block() {
  if (block_size_ <= 0 || !memory_block_seam::allow_allocation()) return nullptr;
  uint8_t* b = new (std::nothrow) uint8_t[static_cast<size_t>(block_size_)];
  if (!b) return nullptr;
  try {
    blocks_.push_back(b);
  } catch (const std::bad_alloc&) {
    delete[] b;
    return nullptr;
  }
  return b;
}

void MemoryBlockList::free_blocks() {
  for (uint8_t* b : blocks_) delete[] b;
  decltype(blocks_)().swap(blocks_);
}
