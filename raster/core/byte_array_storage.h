// Storages over one contiguous array: input over the caller's bytes or over a
// private copy, output over the caller's array (its whole length counts as
// data, written or not), and the small record from which the raw readers make
// an input storage over caller bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/input_storage.h"
#include "raster/core/output_storage.h"

class ByteArrayInputStorage : public InputStorage {
 public:
  // Borrows the caller's bytes.
  ByteArrayInputStorage(const void* address, int32_t length);
  ByteArrayInputStorage(const uint8_t* first, const uint8_t* one_past_last);
  // Keeps a private copy of the bytes. When the copy cannot be made the storage
  // is closed.
  explicit ByteArrayInputStorage(const std::vector<uint8_t>& bytes);
  ~ByteArrayInputStorage() override;
  ByteArrayInputStorage(const ByteArrayInputStorage&) = delete;
  ByteArrayInputStorage& operator=(const ByteArrayInputStorage&) = delete;

  bool is_closed() const override { return current_ == nullptr; }
  void close() override;
  int32_t get() override;
  int32_t read(void* buffer, int32_t count) override;
  int32_t skip(int32_t count) override;
  int32_t tell() const override { return static_cast<int32_t>(current_ - begin_); }
  int32_t move(int32_t offset) override;
  int32_t size() const override { return static_cast<int32_t>(end_ - begin_); }
  bool rewind() override;
  bool seek_end() override;
  int32_t seek(int32_t position) override;
  int32_t seek_from_end(int32_t offset) override;

 private:
  const uint8_t* current_ = nullptr;
  const uint8_t* begin_ = nullptr;
  const uint8_t* end_ = nullptr;
  const uint8_t* data_ = nullptr;
  int32_t length_ = 0;
  bool owns_ = false;
};

class ByteArrayOutputStorage : public OutputStorage {
 public:
  ByteArrayOutputStorage(void* address, int32_t length);
  ByteArrayOutputStorage(const ByteArrayOutputStorage&) = delete;
  ByteArrayOutputStorage& operator=(const ByteArrayOutputStorage&) = delete;

  bool is_closed() const override { return current_ == nullptr; }
  void close() override;
  int32_t put(int32_t byte) override;
  int32_t write(const void* buffer, int32_t count) override;
  // Nothing is written into the skipped bytes.
  int32_t skip(int32_t count) override;
  int32_t tell() const override { return static_cast<int32_t>(current_ - begin_); }
  int32_t size() const override { return static_cast<int32_t>(end_ - begin_); }
  bool rewind() override;
  bool seek_end() override;
  int32_t move(int32_t offset) override;
  int32_t seek(int32_t position) override;
  int32_t seek_from_end(int32_t offset) override;
  // A borrowing input over the whole array; this storage is closed.
  InputStorage* to_input_storage() override;

 private:
  uint8_t* current_ = nullptr;
  uint8_t* begin_ = nullptr;
  uint8_t* end_ = nullptr;
};

// {address, length, byte vector or none}: the source of a new input storage,
// over a private copy of the vector when one is given, else borrowing.
struct ByteArrayInputSource {
  const void* address = nullptr;
  int32_t length = 0;
  const std::vector<uint8_t>* bytes = nullptr;

  // A new storage owned by the caller, or none when memory runs out.
  InputStorage* create_input() const;
};
