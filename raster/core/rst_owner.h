// RstOwner: the raster library's single-owner holder. Moving hands the object
// over; disposal depends on what is held, chosen at compile time: a node is
// ended, any other class object is deleted (through its virtual destructor
// when it has one), a plain buffer from rst_malloc is freed.
#pragma once

#include <type_traits>
#include <utility>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_root.h"
#include "raster/core/rst_status.h"

template <class T>
class RstOwner {
 public:
  RstOwner() = default;
  explicit RstOwner(T* object) : object_(object) {}
  RstOwner(RstOwner&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  // Takes the other's object and disposes of the one held before.
  RstOwner& operator=(RstOwner&& other) {
    if (this != &other) attach(std::exchange(other.object_, nullptr));
    return *this;
  }
  RstOwner(const RstOwner&) = delete;
  RstOwner& operator=(const RstOwner&) = delete;
  // A node whose end reports under the default observer does not take the
  // program down: the report has already reached the messager and the last
  // status.
  ~RstOwner() {
    try {
      dispose(object_);
    } catch (const RstStatus&) {
    }
  }

  // Holds object and disposes of the one held before (unless it is the same).
  void attach(T* object) {
    T* old = std::exchange(object_, object);
    if (old != object) dispose(old);
  }
  // Takes the other's object only when it holds one, leaving it empty; the
  // object held before is not disposed of (the new one holds it).
  void take(RstOwner& other) {
    if (other.object_) object_ = std::exchange(other.object_, nullptr);
  }
  // Gives the object up without disposing of it.
  T* release() { return std::exchange(object_, nullptr); }
  void reset() { attach(nullptr); }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  static void dispose(T* object) {
    if (!object) return;
    if constexpr (std::is_base_of_v<RstRoot, T>) {
      object->end();
    } else if constexpr (std::is_class_v<T>) {
      delete object;
    } else {
      rst_free(const_cast<std::remove_cv_t<T>*>(object));
    }
  }

  T* object_ = nullptr;
};
