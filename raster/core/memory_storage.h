// Growable memory storages: an output storage that writes into a list of
// fixed-size blocks, and input storages that read the same blocks. The list is
// shared through a counted pointer and lives until its last holder is gone.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/memory_block_list.h"
#include "raster/core/output_storage.h"
#include "raster/core/rst_counted_ptr.h"

using MemoryBlockListPtr = RstCountedPtr<MemoryBlockList>;

class MemoryOutputStorage : public OutputStorage {
 public:
  // A storage over a new list of block_size-byte blocks. When the list cannot
  // be allocated the storage behaves as closed: put -1, write 0, size 0.
  explicit MemoryOutputStorage(int32_t block_size = 8192);
  MemoryOutputStorage(const MemoryOutputStorage&) = delete;
  MemoryOutputStorage& operator=(const MemoryOutputStorage&) = delete;

  bool is_closed() const override;
  void close() override { closed_ = true; }
  int32_t put(int32_t byte) override;
  int32_t write(const void* buffer, int32_t count) override;
  // Zero bytes beyond the old size.
  int32_t skip(int32_t count) override;
  int32_t tell() const override { return position_; }
  int32_t size() const override;
  bool rewind() override;
  bool seek_end() override;
  int32_t move(int32_t offset) override;
  // A memory input storage sharing the blocks; this storage is closed.
  InputStorage* to_input_storage() override;

  const MemoryBlockListPtr& blocks() const { return list_; }

 private:
  // The block holding `position`, added when it is the next one; none when that fails.
  uint8_t* block_at(int32_t position);

  int32_t position_ = 0;
  bool closed_ = false;
  MemoryBlockListPtr list_;
};

class MemoryInputStorage : public InputStorage {
 public:
  // Reads the blocks of the list (none: an empty, closed storage).
  explicit MemoryInputStorage(const MemoryBlockListPtr& list);
  MemoryInputStorage(const MemoryInputStorage&) = delete;
  MemoryInputStorage& operator=(const MemoryInputStorage&) = delete;

  bool is_closed() const override;
  void close() override { closed_ = true; }
  int32_t get() override;
  int32_t read(void* buffer, int32_t count) override;
  int32_t tell() const override { return position_; }
  int32_t move(int32_t offset) override;
  int32_t size() const override;
  bool rewind() override;
  bool seek_end() override;

 private:
  int32_t position_ = 0;
  bool closed_ = false;
  MemoryBlockListPtr list_;
};
