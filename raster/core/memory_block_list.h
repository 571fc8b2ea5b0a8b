// The growable list of fixed-size memory blocks behind the memory storages,
// shared between one output storage and the input storages made from it. Byte
// i lives in block i / block size at offset i % block size.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/memory_block_allocator.h"

class MemoryBlockList {
 public:
  // An empty list; with initial bytes, one block holding block_size of them.
  explicit MemoryBlockList(int32_t block_size, const uint8_t* initial = nullptr);
  virtual ~MemoryBlockList();
  MemoryBlockList(const MemoryBlockList&) = delete;
  MemoryBlockList& operator=(const MemoryBlockList&) = delete;

  // A new list, or none when it (or its initial block) cannot be allocated or
  // the block size is not positive.
  static MemoryBlockList* create(int32_t block_size, const uint8_t* initial = nullptr);

  // Appends one block; none when it (or the room to list it) cannot be
  // allocated, the list then unchanged.
  uint8_t* add_block();
  void free_blocks();

  // Block i, or none when it does not exist yet.
  uint8_t* block(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < blocks_.size() ? blocks_[static_cast<size_t>(i)] : nullptr;
  }
  int32_t block_count() const { return static_cast<int32_t>(blocks_.size()); }
  int32_t block_size() const { return block_size_; }
  // The highest position ever written.
  int32_t size() const { return size_; }
  void raise_size(int32_t position) {
    if (position > size_) size_ = position;
  }

 private:
  std::vector<uint8_t*, MemoryBlockAllocator<uint8_t*>> blocks_;
  int32_t block_size_;
  int32_t size_ = 0;
};
