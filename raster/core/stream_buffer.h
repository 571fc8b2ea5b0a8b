// The block of memory the storage buffers keep between their user and the
// inner storage, with the positions that describe it. All positions are
// absolute positions in the inner storage.
#pragma once

#include <cstdint>

#include "raster/core/rst_alloc.h"

class StreamBuffer {
 public:
  // A buffer of `capacity` bytes; when it cannot be allocated the capacity is 0
  // and every transfer passes straight through.
  explicit StreamBuffer(int32_t capacity) { allocate(capacity); }
  ~StreamBuffer() { rst_free(buffer_); }
  StreamBuffer(const StreamBuffer&) = delete;
  StreamBuffer& operator=(const StreamBuffer&) = delete;

 protected:
  bool buffer_empty() const { return start_ == filled_end_; }
  // Empties the buffer at the user's position.
  void empty_at_pos() { start_ = filled_end_ = pos_; }
  // Replaces the buffer by an uninitialised one of n bytes; false (nothing
  // changed) when it cannot be allocated.
  bool allocate(int32_t n) {
    if (n < 0) n = 0;
    uint8_t* b = n > 0 ? static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(n))) : nullptr;
    if (n > 0 && !b) return false;
    rst_free(buffer_);
    buffer_ = b;
    capacity_ = n;
    return true;
  }

  uint8_t* buffer_ = nullptr;
  int32_t pos_ = 0;         // the user's position
  int32_t filled_end_ = 0;  // one past the last byte held
  int32_t start_ = 0;       // position of the buffer's first byte
  int32_t capacity_ = 0;
};
