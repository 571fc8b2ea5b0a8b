// An input storage without bytes; it closes off a consecutive storage.
#pragma once

#include "raster/core/input_storage.h"

class EmptyInputStorage : public InputStorage {
 public:
  bool is_closed() const override { return false; }
  void close() override {}
  int32_t get() override { return -1; }
  int32_t read(void*, int32_t) override { return 0; }
  int32_t skip(int32_t) override { return 0; }
  int32_t tell() const override { return 0; }
  int32_t move(int32_t) override { return 0; }
  int32_t size() const override { return 0; }
  bool rewind() override { return true; }
  bool seek_end() override { return true; }
  int32_t seek(int32_t) override { return 0; }
  int32_t seek_from_end(int32_t) override { return 0; }
};
