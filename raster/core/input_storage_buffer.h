// Input buffer: reads ahead from the inner storage in blocks of its capacity
// so that byte-wise users pay one inner read per block. The buffer holds the
// inner bytes start..filled_end - 1 and the inner storage stands at
// filled_end; reads of at least the capacity pass straight through.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/core/bufferable.h"
#include "raster/core/stream_buffer.h"
#include "raster/core/stream_decorator.h"

template <class S = InputStorage, class D = StreamDecorator<S>>
class InputStorageBuffer : public D, public StreamBuffer, public Bufferable {
 public:
  // Empty at the inner storage's current position.
  InputStorageBuffer(S* inner, int32_t capacity) : D(inner), StreamBuffer(capacity) {
    pos_ = start_ = filled_end_ = inner ? inner->tell() : 0;
  }
  // Frees the buffer; the inner storage stays where it is.
  ~InputStorageBuffer() override = default;

  int32_t get() override {
    if (filled_end_ - pos_ > 0) return buffer_[pos_++ - start_];
    uint8_t b;
    return refill_read(&b, 1) == 1 ? b : -1;
  }

  int32_t read(void* dest, int32_t n) override { return transfer(static_cast<uint8_t*>(dest), n); }
  int32_t skip(int32_t n) override { return transfer(nullptr, n); }
  int32_t tell() const override { return pos_; }

  int32_t move(int32_t offset) override {
    if (offset == 0) return 0;
    if (offset > 0) return skip(offset);
    int64_t target = int64_t{pos_} + offset;
    if (target >= start_) {
      pos_ = static_cast<int32_t>(target);
      return offset;
    }
    return move_inner(target);
  }

  int32_t size() const override { return this->inner_ ? this->inner_->size() : 0; }
  bool at_end() const override {
    int32_t n = size();
    return n == 0 || pos_ == n;
  }

  bool rewind() override {
    if (start_ <= 0 && filled_end_ >= 0) {
      pos_ = 0;
      return true;
    }
    if (!this->inner_ || !this->inner_->rewind()) return false;
    pos_ = start_ = filled_end_ = 0;
    return true;
  }

  bool seek_end() override {
    if (!this->inner_ || !this->inner_->seek_end()) return false;
    pos_ = this->inner_->tell();
    if (pos_ < start_ || pos_ > filled_end_) empty_at_pos();
    return true;
  }

  int32_t seek(int32_t position) override {
    int64_t d = int64_t{position} - pos_;
    if (d == 0) return position;
    if (d > 0) {
      skip(static_cast<int32_t>(std::min<int64_t>(d, INT32_MAX)));
      return pos_;
    }
    if (position >= start_) {
      pos_ = position;
      return position;
    }
    move_inner(position);
    return pos_;
  }

  int32_t seek_from_end(int32_t offset) override {
    int32_t n = size();
    int64_t target = int64_t{n} + offset;
    if (target < 0) target = -1;  // stops at the first byte
    return seek(static_cast<int32_t>(std::min<int64_t>(target, INT32_MAX))) - n;
  }

  // Gives back the bytes read ahead: the inner storage moves to pos and the
  // buffer is emptied there, so it stays usable.
  void close() override {
    if (!this->inner_) return;
    int32_t at = this->inner_->tell();
    if (at != pos_) this->inner_->move(pos_ - at);
    empty_at_pos();
  }

  bool unget() override { return move(-1) == -1; }

  int32_t capacity() const override { return capacity_; }

  // Keeps at most n of the unread bytes; the rest are given back to the inner
  // storage, which moves back to the new filled_end.
  int32_t set_capacity(int32_t n) override {
    if (n < 0) n = 0;
    uint8_t* b = n > 0 ? static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(n))) : nullptr;
    if (n > 0 && !b) return 0;
    int32_t keep = std::min(std::max(filled_end_ - pos_, 0), n);
    if (keep > 0) std::memcpy(b, buffer_ + (pos_ - start_), static_cast<size_t>(keep));
    rst_free(buffer_);
    buffer_ = b;
    capacity_ = n;
    int32_t old_end = filled_end_;
    start_ = pos_;
    filled_end_ = pos_ + keep;
    if (this->inner_ && old_end != filled_end_) this->inner_->move(filled_end_ - old_end);
    return n;
  }

  // Moves the unread bytes to the front and reads behind them until the
  // buffer is full; true when bytes came or it already was full.
  bool flush() override {
    int32_t unread = std::max(filled_end_ - pos_, 0);
    if (start_ < pos_) {
      if (unread > 0) std::memmove(buffer_, buffer_ + (pos_ - start_), static_cast<size_t>(unread));
      start_ = pos_;
      filled_end_ = pos_ + unread;
    }
    int32_t want = capacity_ - (filled_end_ - start_);
    if (want <= 0) return true;
    if (!this->inner_) return false;
    int32_t got = this->inner_->read(buffer_ + (filled_end_ - start_), want);
    if (got <= 0) return false;
    filled_end_ += got;
    return true;
  }

 private:
  // A read (dest) or skip (no dest) served from the buffer where it can be.
  int32_t transfer(uint8_t* dest, int32_t n) {
    if (n < 1) return 0;
    int32_t avail = filled_end_ - pos_;
    if (avail < 1) return refill_read(dest, n);
    if (avail >= n) {
      if (dest) std::memcpy(dest, buffer_ + (pos_ - start_), static_cast<size_t>(n));
      pos_ += n;
      return n;
    }
    if (dest) std::memcpy(dest, buffer_ + (pos_ - start_), static_cast<size_t>(avail));
    pos_ += avail;
    return avail + refill_read(dest ? dest + avail : nullptr, n - avail);
  }

  // Empties the buffer at pos (the inner storage stands there) and reads on:
  // into the buffer when n is below the capacity, else straight through.
  int32_t refill_read(uint8_t* dest, int32_t n) {
    empty_at_pos();
    if (!this->inner_) return 0;
    if (n < capacity_) {
      int32_t count = this->inner_->read(buffer_, capacity_);
      if (count <= 0) return 0;
      filled_end_ = pos_ + count;
      int32_t k = std::min(count, n);
      if (dest) std::memcpy(dest, buffer_, static_cast<size_t>(k));
      pos_ += k;
      return k;
    }
    int32_t count = dest ? this->inner_->read(dest, n) : this->inner_->skip(n);
    if (count <= 0) return 0;
    pos_ += count;
    empty_at_pos();
    return count;
  }

  // Moves to a target before the buffer through the inner storage, which
  // stands at filled_end; returns the distance from the old pos.
  int32_t move_inner(int64_t target) {
    int32_t old = pos_;
    if (!this->inner_) return 0;
    int64_t want = target - filled_end_;
    if (want < INT32_MIN) want = INT32_MIN;
    int32_t moved = this->inner_->move(static_cast<int32_t>(want));
    pos_ = filled_end_ + moved;
    if (pos_ < start_ || pos_ > filled_end_) {
      empty_at_pos();
    } else if (moved != 0) {
      this->inner_->move(-moved);  // back to filled_end: the buffer stays valid
    }
    return pos_ - old;
  }
};
