// Helpers of the factories: the last step of one whose node holds resources
// of its own (buffers, a transformer), where the node is initiated once and
// ended at once when that fails, so that nothing it owns outlives the failed
// create and the guard's inputs go back to the caller; and the input list of a
// multi-input node, made under the allocation-failure hook.
#pragma once

#include <initializer_list>
#include <new>
#include <vector>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"

template <class T>
T* rst_create_end_node_or_drop(T* node, RstCreateGuard& guard) {
  RstOwner<T> owner(node);
  T* made = rst_create_end(owner);
  if (made) guard.disarm();
  return made;
}

// The input list of a multi-input node; false after -1 at where when it
// cannot be allocated.
inline bool rst_make_inputs(std::vector<RstRead*>& out, std::initializer_list<RstRead*> nodes, const char* where) {
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    out.assign(nodes);
    return true;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
}
