// A node a command put in place of one of its inputs (a conversion, a clip):
// ended when the create fails, so that the input goes back to the caller
// alone. The input must be pinned by the create's guard, so that ending the
// node over it leaves it to the caller.
#pragma once

#include "raster/core/rst_read.h"
#include "raster/core/rst_status.h"

class RstInterimNode {
 public:
  explicit RstInterimNode(RstRead*& node) : node_(node), input_(node) {}
  ~RstInterimNode() {
    if (kept_ || !node_ || node_ == input_) return;
    try {
      node_->end();
    } catch (const RstStatus&) {
    }
  }
  RstInterimNode(const RstInterimNode&) = delete;
  RstInterimNode& operator=(const RstInterimNode&) = delete;
  // The create succeeded: the node built over the input stays.
  void keep() { kept_ = true; }

 private:
  RstRead*& node_;
  RstRead* input_;
  bool kept_ = false;
};
