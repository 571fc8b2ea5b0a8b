// RstNodeHandle: holds one node for application and test code and ends it
// when the handle goes. A report made while ending (which the default
// observer turns into RstStatus) never escapes the destructor: it has already
// reached the messager and the last status.
#pragma once

#include <utility>

#include "raster/core/rst_root.h"
#include "raster/core/rst_status.h"

template <class T = RstRoot>
class RstNodeHandle {
 public:
  RstNodeHandle() = default;
  explicit RstNodeHandle(T* node) : node_(node) {}
  RstNodeHandle(RstNodeHandle&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
  RstNodeHandle& operator=(RstNodeHandle&& other) {
    if (this != &other) reset(std::exchange(other.node_, nullptr));
    return *this;
  }
  RstNodeHandle(const RstNodeHandle&) = delete;
  RstNodeHandle& operator=(const RstNodeHandle&) = delete;
  ~RstNodeHandle() {
    try {
      if (node_) node_->end();
    } catch (const RstStatus&) {
    }
  }

  // Ends the node held before (reports pass through) and holds node.
  void reset(T* node = nullptr) {
    T* old = std::exchange(node_, node);
    if (old && old != node) old->end();
  }
  T* release() { return std::exchange(node_, nullptr); }
  T* get() const { return node_; }
  T* operator->() const { return node_; }
  explicit operator bool() const { return node_ != nullptr; }

 private:
  T* node_ = nullptr;
};
