// The last step of a factory whose node holds resources of its own (buffers,
// a transformer): the node is initiated once, and when that fails it is ended
// at once, so that nothing it owns outlives the failed create. The guard's
// inputs then go back to the caller as the create protocol says.
#pragma once

#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"

template <class T>
T* rst_create_end_node_or_drop(T* node, RstCreateGuard& guard) {
  RstOwner<T> owner(node);
  T* made = rst_create_end(owner);
  if (made) guard.disarm();
  return made;
}
