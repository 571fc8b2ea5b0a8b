// Byte-array storages: every operation stays inside begin..end; counts are cut
// to what the array holds.
#include "raster/core/byte_array_storage.h"

#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"

namespace {

// Clamps a signed move from `current` to the range begin..end.
int32_t clamp_move(const uint8_t* begin, const uint8_t* current, const uint8_t* end, int32_t offset) {
  int64_t pos = current - begin;
  int64_t target = pos + offset;
  if (target < 0) target = 0;
  if (target > end - begin) target = end - begin;
  return static_cast<int32_t>(target - pos);
}

}  // namespace

ByteArrayInputStorage::ByteArrayInputStorage(const void* address, int32_t length)
    : data_(static_cast<const uint8_t*>(address)), length_(length < 0 ? 0 : length) {
  if (data_ || length_ == 0) {
    current_ = begin_ = data_;
    end_ = data_ ? data_ + length_ : data_;
  }
}

ByteArrayInputStorage::ByteArrayInputStorage(const uint8_t* first, const uint8_t* one_past_last)
    : ByteArrayInputStorage(first, static_cast<int32_t>(one_past_last > first ? one_past_last - first : 0)) {}

ByteArrayInputStorage::ByteArrayInputStorage(const std::vector<uint8_t>& bytes) {
  size_t n = bytes.size() > INT32_MAX ? INT32_MAX : bytes.size();
  uint8_t* copy = static_cast<uint8_t*>(rst_malloc(n));
  if (!copy) return;
  if (n) std::memcpy(copy, bytes.data(), n);
  data_ = copy;
  length_ = static_cast<int32_t>(n);
  owns_ = true;
  current_ = begin_ = data_;
  end_ = data_ + n;
}

ByteArrayInputStorage::~ByteArrayInputStorage() {
  close();
  if (owns_) rst_free(const_cast<uint8_t*>(data_));
}

void ByteArrayInputStorage::close() { current_ = begin_ = end_ = nullptr; }

int32_t ByteArrayInputStorage::get() {
  if (current_ >= end_) return -1;
  return *current_++;
}

int32_t ByteArrayInputStorage::read(void* buffer, int32_t count) {
  if (count > end_ - current_) count = static_cast<int32_t>(end_ - current_);
  if (count <= 0) return 0;
  std::memcpy(buffer, current_, static_cast<size_t>(count));
  current_ += count;
  return count;
}

int32_t ByteArrayInputStorage::skip(int32_t count) {
  if (count > end_ - current_) count = static_cast<int32_t>(end_ - current_);
  if (count <= 0) return 0;
  current_ += count;
  return count;
}

int32_t ByteArrayInputStorage::move(int32_t offset) {
  int32_t d = clamp_move(begin_, current_, end_, offset);
  current_ += d;
  return d;
}

bool ByteArrayInputStorage::rewind() {
  current_ = begin_;
  return true;
}

bool ByteArrayInputStorage::seek_end() {
  current_ = end_;
  return true;
}

int32_t ByteArrayInputStorage::seek(int32_t position) {
  if (position < 0) position = 0;
  if (position > end_ - begin_) position = static_cast<int32_t>(end_ - begin_);
  current_ = begin_ + position;
  return position;
}

int32_t ByteArrayInputStorage::seek_from_end(int32_t offset) {
  if (offset > 0) offset = 0;
  if (offset < begin_ - end_) offset = static_cast<int32_t>(begin_ - end_);
  current_ = end_ + offset;
  return offset;
}

ByteArrayOutputStorage::ByteArrayOutputStorage(void* address, int32_t length) {
  uint8_t* data = static_cast<uint8_t*>(address);
  if (!data && length > 0) return;
  current_ = begin_ = data;
  end_ = data ? data + (length < 0 ? 0 : length) : data;
}

void ByteArrayOutputStorage::close() { current_ = begin_ = end_ = nullptr; }

int32_t ByteArrayOutputStorage::put(int32_t byte) {
  if (current_ >= end_) return -1;
  *current_++ = static_cast<uint8_t>(byte);
  return byte & 0xFF;
}

int32_t ByteArrayOutputStorage::write(const void* buffer, int32_t count) {
  if (count > end_ - current_) count = static_cast<int32_t>(end_ - current_);
  if (count <= 0) return 0;
  std::memcpy(current_, buffer, static_cast<size_t>(count));
  current_ += count;
  return count;
}

int32_t ByteArrayOutputStorage::skip(int32_t count) {
  if (count > end_ - current_) count = static_cast<int32_t>(end_ - current_);
  if (count <= 0) return 0;
  current_ += count;
  return count;
}

bool ByteArrayOutputStorage::rewind() {
  current_ = begin_;
  return true;
}

bool ByteArrayOutputStorage::seek_end() {
  current_ = end_;
  return true;
}

int32_t ByteArrayOutputStorage::move(int32_t offset) {
  int32_t d = clamp_move(begin_, current_, end_, offset);
  current_ += d;
  return d;
}

int32_t ByteArrayOutputStorage::seek(int32_t position) {
  if (position < 0) position = 0;
  if (position > end_ - begin_) position = static_cast<int32_t>(end_ - begin_);
  current_ = begin_ + position;
  return position;
}

int32_t ByteArrayOutputStorage::seek_from_end(int32_t offset) {
  if (offset > 0) offset = 0;
  if (offset < begin_ - end_) offset = static_cast<int32_t>(begin_ - end_);
  current_ = end_ + offset;
  return offset;
}

InputStorage* ByteArrayOutputStorage::to_input_storage() {
  InputStorage* in = rst_new<ByteArrayInputStorage>(begin_, size());
  close();
  return in;
}

InputStorage* ByteArrayInputSource::create_input() const {
  ByteArrayInputStorage* in =
      bytes ? rst_new<ByteArrayInputStorage>(*bytes) : rst_new<ByteArrayInputStorage>(address, length);
  if (in && bytes && in->is_closed()) {
    delete in;
    return nullptr;
  }
  return in;
}
