// RstCreateChain: the head of a node chain a factory is building. A step that
// succeeds hands the chain on to the new node; a failed step leaves its input
// here, and the chain ends it when the factory leaves.
#pragma once

#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"

struct RstCreateChain {
  RstOwner<RstRead> node;
  // False when next is null (the step failed).
  bool step(RstRead* next) {
    if (!next) return false;
    if (next != node.get()) {
      node.release();
      node.attach(next);
    }
    return true;
  }
};
