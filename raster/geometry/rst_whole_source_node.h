// The create of a node that reads its whole source while it is initiated
// (the vertical mirrors, the plain and run-line rotations). Once the node has
// it all, it lets the source go. That cannot happen inside initiate: the
// create still pins the source there, and a source ended while pinned takes
// its readers with it when it is unpinned. So the source is ended right after
// the create's pin is gone, unless an enclosing create still pins it; then it
// goes with the node.
#pragma once

#include <utility>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_read.h"
#include "raster/geometry/rst_create_node.h"

inline void rst_release_read_sources(RstRoot* node) {
  for (RstRoot* s : node->sources())
    if (s->mode() == RstRoot::mode_pinned || s->mode() == RstRoot::mode_ended_pinned) return;
  node->end_sources();
}

template <class T, class... Args>
T* rst_create_whole_source_node(RstRead* source, Args&&... args) {
  T* made = nullptr;
  {
    RstCreateGuard guard(source);
    made = rst_create_end_node_or_drop(rst_new<T>(source, std::forward<Args>(args)...), guard);
  }
  if (made) rst_release_read_sources(made);
  return made;
}
