// Output buffer: collects small writes in memory and passes them to the inner
// storage in blocks. The buffer holds the bytes start..filled_end - 1 not yet
// passed on and the inner storage stands at start; high_water is the highest
// position known to hold data. Writes of at least the capacity pass straight
// through. Skipped bytes beyond the data are zeros; skipped existing bytes are
// kept.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/core/bufferable.h"
#include "raster/core/stream_buffer.h"
#include "raster/core/stream_decorator.h"

template <class S = OutputStorage, class D = StreamDecorator<S>>
class OutputStorageBuffer : public D, public Bufferable, public StreamBuffer {
 public:
  OutputStorageBuffer(S* target, int32_t capacity) : D(target), StreamBuffer(capacity) {
    high_water_ = target ? target->size() : 0;
    pos_ = start_ = filled_end_ = target ? target->tell() : 0;
    high_water_ = std::max(high_water_, pos_);
  }
  // Writes out what the buffer holds; a failure shows only in the inner
  // storage's position and size.
  ~OutputStorageBuffer() override { write_out(); }

  int32_t put(int32_t byte) override {
    if (!buffer_empty() && room() > 0) {
      buffer_[pos_ - start_] = static_cast<uint8_t>(byte);
      ++pos_;
      grow_filled();
      return byte & 0xFF;
    }
    uint8_t b = static_cast<uint8_t>(byte);
    return pos_ < INT32_MAX && general_write(&b, 1) == 1 ? b : -1;
  }

  int32_t write(const void* src, int32_t n) override {
    n = std::min(n, INT32_MAX - pos_);  // positions stay 32-bit
    if (n < 1) return 0;
    return general_write(static_cast<const uint8_t*>(src), n);
  }

  // Existing bytes below high_water are passed over (kept); bytes beyond it
  // are written as zeros.
  int32_t skip(int32_t n) override {
    n = std::min(n, INT32_MAX - pos_);
    if (n < 1) return 0;
    int32_t passed = 0;
    int32_t over = static_cast<int32_t>(std::min<int64_t>(n, int64_t{high_water_} - pos_));
    if (over > 0) {
      passed = move(over);
      if (passed < over) return std::max(passed, 0);
    }
    if (passed < n) passed += general_write(nullptr, n - passed);
    return passed;
  }

  int32_t tell() const override { return pos_; }
  // The inner size: bytes still in the buffer are not counted.
  int32_t size() const override { return this->inner_ ? this->inner_->size() : 0; }

  int32_t move(int32_t offset) override {
    int64_t target = std::min<int64_t>(int64_t{pos_} + offset, high_water_);
    if (!buffer_empty() && target >= start_ && target <= filled_end_) {
      int32_t moved = static_cast<int32_t>(target - pos_);
      pos_ = static_cast<int32_t>(target);
      return moved;
    }
    int32_t old = pos_;
    if (!write_out() || !this->inner_) return pos_ - old;
    int64_t want = std::max<int64_t>(target - pos_, INT32_MIN);
    pos_ += this->inner_->move(static_cast<int32_t>(want));
    empty_at_pos();
    return pos_ - old;
  }

  bool rewind() override {
    if (!write_out() || !this->inner_ || !this->inner_->rewind()) return false;
    pos_ = start_ = filled_end_ = 0;
    return true;
  }

  bool seek_end() override {
    if (!write_out() || !this->inner_ || !this->inner_->seek_end()) return false;
    pos_ = start_ = filled_end_ = this->inner_->tell();
    high_water_ = std::max(high_water_, pos_);
    return true;
  }

  // The interface's own positioning, through this buffer's rewind and move.
  int32_t seek(int32_t position) override {
    rewind();
    return move(position);
  }
  int32_t seek_from_end(int32_t offset) override {
    seek_end();
    return move(offset);
  }

  // Writes out the buffered bytes; the inner storage stays open and linked.
  void close() override { write_out(); }

  // Writes out the buffer first, so that the input sees every byte written.
  InputStorage* to_input_storage() override {
    write_out();
    return D::to_input_storage();
  }

  bool unput() override { return move(-1) == -1; }

  int32_t capacity() const override { return capacity_; }

  // Writes out what the buffer holds, then replaces it by one of n bytes.
  int32_t set_capacity(int32_t n) override {
    write_out();
    if (!allocate(n)) return 0;
    return capacity_;
  }

  // Writes out the buffer and empties it at pos; true when every byte was taken.
  bool flush() override { return write_out(); }

 private:
  // Bytes the buffer can still take at pos.
  int32_t room() const { return capacity_ - (pos_ - start_); }

  void grow_filled() {
    if (pos_ > filled_end_) filled_end_ = pos_;
    if (filled_end_ > high_water_) high_water_ = filled_end_;
  }

  // Passes the held bytes to the inner storage, then leaves it at pos with the
  // buffer empty there. A short write pulls pos back to the bytes taken.
  bool write_out() {
    if (buffer_empty()) return true;
    int32_t held = filled_end_ - start_;
    int32_t taken = this->inner_ ? this->inner_->write(buffer_, held) : 0;
    if (taken < 0) taken = 0;
    high_water_ = std::max(high_water_, start_ + taken);
    int32_t at = start_ + taken;
    if (taken < held) {
      pos_ = std::min(pos_, at);
    } else if (pos_ != at && this->inner_) {
      this->inner_->move(pos_ - at);  // a write-out after a move back inside the buffer
    }
    empty_at_pos();
    return taken == held;
  }

  // Writes n bytes (src) or n zero bytes (no src) at pos, through the buffer
  // when they fit, else straight to the inner storage.
  int32_t general_write(const uint8_t* src, int32_t n) {
    for (;;) {
      if (buffer_empty()) {
        if (n < capacity_) {
          if (src) {
            std::memcpy(buffer_, src, static_cast<size_t>(n));
          } else {
            std::memset(buffer_, 0, static_cast<size_t>(n));
          }
          pos_ += n;
          grow_filled();
          return n;
        }
        if (!this->inner_) return 0;
        int32_t count = src ? this->inner_->write(src, n) : this->inner_->skip(n);
        if (count <= 0) return 0;
        pos_ += count;
        empty_at_pos();
        high_water_ = std::max(high_water_, pos_);
        return count;
      }
      if (room() >= n) {
        if (src) {
          std::memcpy(buffer_ + (pos_ - start_), src, static_cast<size_t>(n));
        } else {
          std::memset(buffer_ + (pos_ - start_), 0, static_cast<size_t>(n));
        }
        pos_ += n;
        grow_filled();
        return n;
      }
      if (!write_out()) return 0;
    }
  }

  int32_t high_water_ = 0;
};
