// Memory storages over a shared block list. Positions never pass the list's
// size except by writing, and writing stops at the first block that cannot be
// allocated.
#include "raster/core/memory_storage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"

namespace {

// The move both memory storages share: clamped to 0..size.
int32_t clamped_move(int32_t& position, int32_t size, int32_t offset) {
  if (offset == 0) return 0;
  int64_t target = static_cast<int64_t>(position) + offset;
  if (target < 0) target = 0;
  if (offset > 0 && target > size) target = std::max<int64_t>(size, position);
  int32_t moved = static_cast<int32_t>(target - position);
  position = static_cast<int32_t>(target);
  return moved;
}

}  // namespace

MemoryOutputStorage::MemoryOutputStorage(int32_t block_size) : list_(MemoryBlockList::create(block_size)) {
  // A list whose count could not be allocated is gone with it: the storage
  // behaves as closed, as without a list.
}

bool MemoryOutputStorage::is_closed() const { return closed_ || !list_.get(); }

int32_t MemoryOutputStorage::size() const { return list_.get() ? list_->size() : 0; }

uint8_t* MemoryOutputStorage::block_at(int32_t position) {
  MemoryBlockList* list = list_.get();
  if (!list) return nullptr;
  int32_t index = position / list->block_size();
  while (index >= list->block_count()) {
    if (!list->add_block()) return nullptr;
  }
  return list->block(index);
}

int32_t MemoryOutputStorage::put(int32_t byte) {
  if (position_ == INT32_MAX) return -1;
  uint8_t* b = block_at(position_);
  if (!b) return -1;
  b[position_ % list_->block_size()] = static_cast<uint8_t>(byte);
  ++position_;
  list_->raise_size(position_);
  return byte & 0xFF;
}

int32_t MemoryOutputStorage::write(const void* buffer, int32_t count) {
  if (count <= 0 || !list_.get()) return 0;
  count = std::min(count, INT32_MAX - position_);
  const uint8_t* src = static_cast<const uint8_t*>(buffer);
  const int32_t bs = list_->block_size();
  int32_t done = 0;
  while (done < count) {
    uint8_t* b = block_at(position_);
    if (!b) break;
    int32_t offset = position_ % bs;
    int32_t n = std::min(count - done, bs - offset);
    std::memcpy(b + offset, src + done, static_cast<size_t>(n));
    done += n;
    position_ += n;
    list_->raise_size(position_);
  }
  return done;
}

int32_t MemoryOutputStorage::skip(int32_t count) {
  if (count <= 0 || !list_.get()) return 0;
  int32_t passed = move(count);
  // What lies beyond the size is written as zeros, a block at a time.
  static const uint8_t zeros[512] = {};
  while (passed < count) {
    int32_t n = write(zeros, std::min<int32_t>(count - passed, sizeof(zeros)));
    if (n <= 0) break;
    passed += n;
  }
  return passed;
}

bool MemoryOutputStorage::rewind() {
  position_ = 0;
  return true;
}

bool MemoryOutputStorage::seek_end() {
  position_ = size();
  return true;
}

int32_t MemoryOutputStorage::move(int32_t offset) { return clamped_move(position_, size(), offset); }

InputStorage* MemoryOutputStorage::to_input_storage() {
  InputStorage* in = list_.get() ? rst_new<MemoryInputStorage>(list_) : nullptr;
  close();
  return in;
}

MemoryInputStorage::MemoryInputStorage(const MemoryBlockListPtr& list) : list_(list) {}

bool MemoryInputStorage::is_closed() const { return closed_ || !list_.get(); }

int32_t MemoryInputStorage::size() const { return list_.get() ? list_->size() : 0; }

int32_t MemoryInputStorage::get() {
  if (position_ >= size()) return -1;
  const int32_t bs = list_->block_size();
  int32_t byte = list_->block(position_ / bs)[position_ % bs];
  ++position_;
  return byte;
}

int32_t MemoryInputStorage::read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size()) return 0;
  count = std::min(count, size() - position_);
  uint8_t* dst = static_cast<uint8_t*>(buffer);
  const int32_t bs = list_->block_size();
  int32_t done = 0;
  while (done < count) {
    int32_t offset = position_ % bs;
    int32_t n = std::min(count - done, bs - offset);
    std::memcpy(dst + done, list_->block(position_ / bs) + offset, static_cast<size_t>(n));
    done += n;
    position_ += n;
  }
  return done;
}

int32_t MemoryInputStorage::move(int32_t offset) { return clamped_move(position_, size(), offset); }

bool MemoryInputStorage::rewind() {
  position_ = 0;
  return true;
}

bool MemoryInputStorage::seek_end() {
  position_ = size();
  return true;
}
