// The multi-input reading node (see rst_compose.h).
#include "raster/core/rst_compose.h"

RstCompose::RstCompose(const std::vector<RstRead*>& inputs) {
  for (RstRead* node : inputs) add_source(node);
}

RstRead* RstCompose::input(size_t i) const {
  // Sources of a reading node are reading nodes.
  return i < sources().size() ? static_cast<RstRead*>(sources()[i]) : nullptr;
}
