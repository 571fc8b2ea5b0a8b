// RstColorTransformerChain: transformers applied one after the other, first
// to last. Members are shared through counted pointers: a copy of a chain
// refers to the same transformers, each deleted with its last holder.
#pragma once

#include <cstddef>
#include <list>

#include "raster/color/color_transformer.h"
#include "raster/core/rst_counted_ptr.h"

struct RstColorTransformerChainInverse;

class RstColorTransformerChain {
 public:
  using member = RstCountedPtr<ColorTransformer>;
  using const_iterator = std::list<member>::const_iterator;
  using const_reverse_iterator = std::list<member>::const_reverse_iterator;

  RstColorTransformerChain() = default;
  RstColorTransformerChain(const RstColorTransformerChain&) = default;
  RstColorTransformerChain& operator=(const RstColorTransformerChain&) = default;
  ~RstColorTransformerChain() = default;

  // Appends a member; false (chain unchanged) when memory ran out.
  bool push_back(const member& transformer);

  // The inverse chain: each member's inverse, last member first. A member
  // without an inverse gives an empty chain with that member's status; the
  // inverses made so far are released. The chain itself is not changed.
  RstColorTransformerChainInverse inverse() const;

  const_iterator begin() const { return members_.begin(); }
  const_iterator end() const { return members_.end(); }
  const_reverse_iterator rbegin() const { return members_.rbegin(); }
  const_reverse_iterator rend() const { return members_.rend(); }
  size_t size() const { return members_.size(); }
  bool empty() const { return members_.empty(); }
  const member& front() const { return members_.front(); }
  const member& back() const { return members_.back(); }

 private:
  std::list<member> members_;
};

// status: 0, the status (2 or 3) of the member that had no inverse, or -1
// when memory ran out on the way.
struct RstColorTransformerChainInverse {
  RstColorTransformerChain chain;
  int status = 0;
};
