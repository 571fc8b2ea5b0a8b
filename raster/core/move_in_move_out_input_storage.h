// A storage over a parent storage shared with other readers: it keeps its own
// position, and each read moves the parent there, reads, and moves the parent
// back, so that every user of the parent finds it where it left it.
#pragma once

#include <cstdint>
#include <limits>

#include "raster/core/stream_decorator.h"

template <class S = InputStorage, class D = StreamDecorator<S>>
class MoveInMoveOutMovableInputStream : public D {
 public:
  explicit MoveInMoveOutMovableInputStream(S* parent) : D(parent), position_(parent ? parent->tell() : 0) {}
  MoveInMoveOutMovableInputStream(S* parent, int32_t position) : D(parent), position_(position) {}
  MoveInMoveOutMovableInputStream(const MoveInMoveOutMovableInputStream& other)
      : D(other.inner_), position_(other.position_), saved_(other.saved_) {}
  MoveInMoveOutMovableInputStream& operator=(const MoveInMoveOutMovableInputStream& other) {
    this->inner_ = other.inner_;
    position_ = other.position_;
    saved_ = other.saved_;
    return *this;
  }

  // Copies only the parent link of another one.
  void copy_parent(const MoveInMoveOutMovableInputStream& other) { this->inner_ = other.inner_; }

  int32_t get() override {
    if (!this->inner_ || !enter()) return leave(-1);
    int32_t b = this->inner_->get();
    if (b != -1) ++position_;
    return leave(b);
  }

  int32_t read(void* buffer, int32_t count) override {
    if (count <= 0 || !this->inner_) return 0;
    if (!enter()) return leave(0);
    int32_t n = this->inner_->read(buffer, count);
    if (n < 0) n = 0;
    position_ += n;
    return leave(n);
  }

  // Only the own position changes; the parent is not touched.
  int32_t skip(int32_t count) override { return shift(count); }
  int32_t move(int32_t offset) override { return shift(offset); }
  int32_t tell() const override { return position_; }

 protected:
  int32_t shift(int32_t count) {
    int64_t target = static_cast<int64_t>(position_) + count;
    if (target > std::numeric_limits<int32_t>::max()) target = std::numeric_limits<int32_t>::max();
    if (target < std::numeric_limits<int32_t>::min()) target = std::numeric_limits<int32_t>::min();
    int32_t moved = static_cast<int32_t>(target - position_);
    position_ = static_cast<int32_t>(target);
    return moved;
  }

  int32_t position_;
  int32_t saved_ = 0;

 private:
  // Saves the parent's position and moves the parent to the own position.
  bool enter() {
    if (!this->inner_) return false;
    saved_ = this->inner_->tell();
    int64_t distance = static_cast<int64_t>(position_) - saved_;
    if (distance > std::numeric_limits<int32_t>::max() || distance < std::numeric_limits<int32_t>::min()) {
      return false;
    }
    return this->inner_->move(static_cast<int32_t>(distance)) == distance;
  }
  // Puts the parent back where it was, also after a move that fell short.
  int32_t leave(int32_t result) {
    if (this->inner_) {
      int32_t now = this->inner_->tell();
      if (now != saved_) this->inner_->move(saved_ - now);
    }
    return result;
  }
};

template <class S = InputStorage, class D = StreamDecorator<S>>
class MoveInMoveOutInputStorage : public MoveInMoveOutMovableInputStream<S, D> {
  using Base = MoveInMoveOutMovableInputStream<S, D>;

 public:
  // Own position = the parent's current position.
  explicit MoveInMoveOutInputStorage(S* parent) : Base(parent) {}
  MoveInMoveOutInputStorage(S* parent, int32_t position) : Base(parent, position) {}
  MoveInMoveOutInputStorage(const MoveInMoveOutInputStorage&) = default;
  MoveInMoveOutInputStorage& operator=(const MoveInMoveOutInputStorage&) = default;

  bool rewind() override {
    this->position_ = 0;
    return true;
  }
  bool seek_end() override {
    this->position_ = this->inner_ ? this->inner_->size() : 0;
    return true;
  }
  // Seeks move the own position only, like every other move: the parent's
  // position belongs to its other users.
  int32_t seek(int32_t position) override {
    this->position_ = 0;
    return this->move(position);
  }
  int32_t seek_from_end(int32_t offset) override {
    seek_end();
    return this->move(offset);
  }
  int32_t size() const override { return this->inner_ ? this->inner_->size() : 0; }
  // Both look at the own position: the parent's belongs to its other users.
  bool at_end() const override {
    int32_t n = size();
    return n == 0 || this->position_ >= n;
  }
  bool unget() override {
    if (this->position_ <= 0) return false;
    --this->position_;
    return true;
  }
};
