// Windows: a stretch of another storage shown as a storage of its own, with
// positions counted from the stretch's start. NestedInputStorage windows an
// inner storage from its current position; the shared-parent window shows an
// absolute stretch of a parent that other readers share.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>

#include "raster/core/move_in_move_out_input_storage.h"
#include "raster/core/stream_decorator.h"

// The sequential part of a window: reads stop at the window's end.
template <class S, class Base>
class InputStreamBound : public Base {
 public:
  using Base::Base;
  explicit InputStreamBound(const Base& base) : Base(base) {}

  bool is_closed() const override { return rest_ == -1 || Base::is_closed(); }
  void close() override { rest_ = -1; }
  int32_t get() override {
    if (rest_ <= 0) return -1;
    int32_t b = Base::get();
    if (b != -1) --rest_;
    return b;
  }
  int32_t read(void* buffer, int32_t count) override {
    if (count <= 0 || rest_ <= 0) return 0;
    int32_t n = Base::read(buffer, std::min(rest_, count));
    if (n <= 0) return 0;
    rest_ -= n;
    return n;
  }
  int32_t skip(int32_t count) override {
    if (count <= 0 || rest_ <= 0) return 0;
    int32_t n = Base::skip(std::min(rest_, count));
    if (n <= 0) return 0;
    rest_ -= n;
    return n;
  }

 protected:
  int32_t rest_ = 0;   // bytes left to the window's end; -1 when closed
  int32_t end_ = 0;    // inner position one past the window
  int32_t start_ = 0;  // inner position of the window's first byte
};

template <class S, class Base>
class MovableInputStreamBound : public InputStreamBound<S, Base> {
  using Bound = InputStreamBound<S, Base>;

 public:
  // A window of `length` bytes from the inner storage's current position.
  MovableInputStreamBound(S* inner, int32_t length) requires std::same_as<Base, StreamDecorator<S>> : Bound(inner) {
    if (length < 0) length = 0;
    this->start_ = inner ? inner->tell() : 0;
    this->end_ = static_cast<int32_t>(std::min<int64_t>(int64_t{this->start_} + length, INT32_MAX));
    this->rest_ = inner ? this->end_ - this->start_ : -1;
  }

  // A window over the absolute stretch start..end of a shared parent; closed
  // when the start cannot be reached (it lies outside the parent's data).
  MovableInputStreamBound(const Base& shared, int32_t start,
                          int32_t end) requires(!std::same_as<Base, StreamDecorator<S>>)
      : Bound(shared) {
    this->rest_ = 0;
    int64_t distance = int64_t{start} - Base::tell();
    bool reached =
        distance >= INT32_MIN && distance <= INT32_MAX && Base::skip(static_cast<int32_t>(distance)) == distance;
    if (!reached || Base::is_closed() || start < 0 || start > Base::size()) {
      this->rest_ = -1;
      return;
    }
    this->start_ = start;
    this->end_ = std::max(start, end);
    this->rest_ = this->end_ - this->start_;
  }

  int32_t tell() const override { return this->rest_ < 0 ? 0 : this->end_ - this->start_ - this->rest_; }
  int32_t size() const override { return this->rest_ < 0 ? 0 : this->end_ - this->start_; }
  int32_t move(int32_t offset) override {
    if (this->rest_ < 0) return 0;
    int32_t moved = Base::move(clamp(offset));
    this->rest_ -= moved;
    return moved;
  }
  bool rewind() override {
    if (this->rest_ < 0) return false;
    this->rest_ -= Base::move(this->rest_ + this->start_ - this->end_);
    return tell() == 0;
  }
  bool seek_end() override {
    if (this->rest_ < 0) return false;
    this->rest_ -= Base::move(this->rest_);
    return this->rest_ == 0;
  }
  int32_t seek(int32_t position) override {
    if (!rewind()) return 0;
    return move(position);
  }
  int32_t seek_from_end(int32_t offset) override {
    if (!seek_end()) return 0;
    if (offset > 0) return 0;
    return move(offset);  // the clamp stops at the window's start
  }
  bool at_end() const override { return this->end_ == this->start_ || this->rest_ <= 0; }
  bool unget() override { return move(-1) == -1; }

 private:
  // Stops a move at the window's ends.
  int32_t clamp(int32_t offset) const {
    int32_t window = this->end_ - this->start_;
    if (offset > this->rest_) return this->rest_;
    if (int64_t{this->rest_} - offset > window) return this->rest_ - window;
    return offset;
  }
};

using NestedInputStorage = MovableInputStreamBound<InputStorage, StreamDecorator<InputStorage>>;
using SharedParentWindow = MovableInputStreamBound<InputStorage, MoveInMoveOutInputStorage<>>;
