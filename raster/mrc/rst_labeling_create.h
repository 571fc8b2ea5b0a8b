// The create of a labelling node: a raw bilevel source is first wrapped into
// run lines, the node labels the whole image while it is initiated, and once
// no create pins anything upstream any more the sources are let go (a source
// ended while pinned would take its readers with it when it is unpinned).
// On failure the caller's source stays the caller's.
#pragma once

#include <utility>

#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_read.h"
#include "raster/geometry/rst_create_node.h"

// True when a node upstream of node is pinned by a create.
inline bool rst_upstream_pinned(const RstRoot* node) {
  for (const RstRoot* s : node->sources())
    if (s->mode() == RstRoot::mode_pinned || s->mode() == RstRoot::mode_ended_pinned || rst_upstream_pinned(s))
      return true;
  return false;
}

// Ends the node's sources unless a create still pins one of them.
inline void rst_release_upstream(RstRoot* node) {
  if (node && !rst_upstream_pinned(node)) node->end_sources();
}

template <class T, class... Args>
T* rst_create_labeling_node(RstRead* source, bool wrap, Args&&... args) {
  T* node = nullptr;
  {
    RstCreateGuard guard(source);
    RstRead* input = source;
    if (wrap) {
      input = RstEncodeRLE::create(source);
      if (!input) return nullptr;
    }
    {
      RstCreateGuard inner(input);
      node = rst_create_end_node_or_drop(rst_new<T>(input, std::forward<Args>(args)...), inner);
    }
    if (!node) {
      // Nothing holds the wrapper; ending it leaves the pinned source kept.
      if (input != source) input->end();
      return nullptr;
    }
    guard.disarm();
  }
  // A node that still reads its sources after labelling lets them go itself.
  if (node->release_sources()) rst_release_upstream(node);
  return node;
}
