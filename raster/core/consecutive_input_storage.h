// One input storage that reads several others one after another. The parts
// are not owned and not repositioned at construction; an embedded empty
// storage closes off the list.
#pragma once

#include <cstddef>
#include <vector>

#include "raster/core/empty_input_storage.h"
#include "raster/core/input_storage.h"

class ConsecutiveInputStorage : public InputStorage {
 public:
  explicit ConsecutiveInputStorage(const std::vector<InputStorage*>& parts);
  ConsecutiveInputStorage(const ConsecutiveInputStorage&) = delete;
  ConsecutiveInputStorage& operator=(const ConsecutiveInputStorage&) = delete;

  bool is_closed() const override { return current_ >= entries_.size(); }
  void close() override { current_ = entries_.size(); }
  int32_t get() override;
  int32_t read(void* buffer, int32_t count) override;
  int32_t tell() const override;
  int32_t move(int32_t offset) override;
  int32_t size() const override;
  bool rewind() override;
  bool seek_end() override;

 private:
  bool at_last() const { return current_ + 1 >= entries_.size(); }

  EmptyInputStorage empty_;
  std::vector<InputStorage*> entries_;  // the parts, then &empty_
  size_t current_ = 0;
};
