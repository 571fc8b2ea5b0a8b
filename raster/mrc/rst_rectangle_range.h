// RstRectangleRange: the part of an image a label pass works on, a first and
// a last column for every row and a first and a last row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RstRectangleRange {
 public:
  // Every row covers 0..width - 1, rows 0..height - 1. No memory for the
  // arrays: -1 "RstRectangleRange::RstRectangleRange()", arrays left empty.
  RstRectangleRange(int32_t width, int32_t height);
  RstRectangleRange(const RstRectangleRange&) = default;
  RstRectangleRange& operator=(const RstRectangleRange&) = default;

  int32_t width;
  int32_t height;
  std::vector<int32_t> first_x;  // per row
  std::vector<int32_t> last_x;   // per row
  int32_t first_y;
  int32_t last_y;
};
