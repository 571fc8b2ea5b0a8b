// Memory block list: blocks are allocated without throwing; a failing block or
// a failing growth of the block vector leaves the list as it was.
#include "raster/core/memory_block_list.h"

#include <cstring>

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
  if (block_size <= 0) return nullptr;
  MemoryBlockList* list = rst_new<MemoryBlockList>(block_size, initial);
  if (list && initial && list->size_ != block_size) {
    delete list;
    return nullptr;
  }
  return list;
}

uint8_t* MemoryBlockList::add_block() {
  if (block_size_ <= 0) return nullptr;
  uint8_t* b = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(block_size_)));
  if (!b) return nullptr;
  try {
    blocks_.push_back(b);
  } catch (const std::bad_alloc&) {
    rst_free(b);
    return nullptr;
  }
  return b;
}

void MemoryBlockList::free_blocks() {
  for (uint8_t* b : blocks_) rst_free(b);
  decltype(blocks_)().swap(blocks_);
}
