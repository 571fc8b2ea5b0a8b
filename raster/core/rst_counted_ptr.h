// RstCountedPtr: the raster library's shared holder, an object pointer plus a
// separately allocated count. Not atomic: the library runs on one thread.
#pragma once

#include <cstdint>
#include <utility>

#include "raster/core/rst_alloc.h"

template <class T>
class RstCountedPtr {
 public:
  RstCountedPtr() = default;
  // Holds a new object with a count of 1. A null object gives no count. When
  // the count cannot be allocated the object is deleted and the holder is
  // left empty, so that no object is held that nobody would delete.
  explicit RstCountedPtr(T* object) : object_(object) {
    if (object_) {
      void* block = rst_malloc(sizeof(int32_t));
      if (block) {
        count_ = new (block) int32_t(1);
      } else {
        delete object_;
        object_ = nullptr;
      }
    }
  }
  RstCountedPtr(const RstCountedPtr& other) : object_(other.object_), count_(other.count_) {
    if (count_) ++*count_;
  }
  RstCountedPtr(RstCountedPtr&& other) noexcept : object_(other.object_), count_(other.count_) {
    other.object_ = nullptr;
    other.count_ = nullptr;
  }
  RstCountedPtr& operator=(const RstCountedPtr& other) {
    if (this != &other) {
      if (other.count_) ++*other.count_;
      release();
      object_ = other.object_;
      count_ = other.count_;
    }
    return *this;
  }
  RstCountedPtr& operator=(RstCountedPtr&& other) noexcept {
    if (this != &other) {
      release();
      object_ = std::exchange(other.object_, nullptr);
      count_ = std::exchange(other.count_, nullptr);
    }
    return *this;
  }
  ~RstCountedPtr() { release(); }

  // Drops this holder's reference and holds object instead (with a new count).
  void reset(T* object = nullptr) {
    RstCountedPtr fresh(object);
    swap(fresh);
  }
  void swap(RstCountedPtr& other) noexcept {
    std::swap(object_, other.object_);
    std::swap(count_, other.count_);
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // References counted (0 when there is no count).
  int32_t use_count() const { return count_ ? *count_ : 0; }
  bool has_count() const { return count_ != nullptr; }

 private:
  void release() {
    T* object = std::exchange(object_, nullptr);
    int32_t* count = std::exchange(count_, nullptr);
    if (count && --*count == 0) {
      delete object;
      rst_free(count);
    }
  }

  T* object_ = nullptr;
  int32_t* count_ = nullptr;
};
