// The transformer chain and its inverse.
#include "raster/color/rst_color_transformer_chain.h"

#include <new>

#include "raster/core/rst_status.h"

bool RstColorTransformerChain::push_back(const member& transformer) {
  try {
    members_.push_back(transformer);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

RstColorTransformerChainInverse RstColorTransformerChain::inverse() const {
  RstColorTransformerChainInverse result;
  for (auto it = members_.rbegin(); it != members_.rend(); ++it) {
    ColorTransformerInverse inv = (*it) ? (*it)->inverse() : ColorTransformerInverse{nullptr, CtInverseStatus::none};
    int failed = 0;
    if (!inv.transformer) {
      // A member that made no inverse with status 0 ran out of memory: that
      // is a failure, not an empty inverse.
      failed = inv.status != CtInverseStatus::made ? inv.status : RstCode::no_memory;
    } else {
      member counted(inv.transformer);  // deleted with its count when none can be made
      if (!counted.has_count()) {
        failed = RstCode::no_memory;
      } else if (!result.chain.push_back(counted)) {
        failed = RstCode::no_memory;
      }
    }
    if (failed != 0) return RstColorTransformerChainInverse{RstColorTransformerChain(), failed};
  }
  return result;
}
