// RstCompose: a reading node over an ordered list of inputs (multi-input
// operations: {image, gray copy}, {base, operand}, ...). The inputs are linked
// as sources in the order given and ended by the node rules; header, read and
// reset are the subclass's, skip and line_size the RstRead defaults.
#pragma once

#include <cstddef>
#include <vector>

#include "raster/core/rst_read.h"

class RstCompose : public RstRead {
 public:
  // Links every non-null input, in order.
  explicit RstCompose(const std::vector<RstRead*>& inputs);
  // Input i in link order (null inputs are not linked), or null.
  RstRead* input(size_t i) const;
  size_t input_count() const { return sources().size(); }
};
