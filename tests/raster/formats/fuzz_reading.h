// Reading helpers of the format fuzz entries: every line of a reader (up to
// a bound), then again after a reset, a report ending the reader quietly.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status.h"

namespace fuzz_reading {

inline int drain(RstRead* node) {
  if (!node) return 0;
  int lines = 0;
  int size = node->line_size();
  if (size <= 0 || size > (1 << 22)) return 0;
  std::vector<uint8_t> line(static_cast<size_t>(size));
  for (int i = 0; i < 4096 && node->read(line.data()) > 0; ++i) ++lines;
  return lines;
}

template <class Make>
inline int read_twice(Make make) {
  int lines = 0;
  try {
    RstOwner<RstRead> node(make());
    if (node) {
      lines += drain(node.get());
      node->reset();
      lines += drain(node.get());
    }
  } catch (const RstStatus&) {
  }
  return lines;
}

}  // namespace fuzz_reading
