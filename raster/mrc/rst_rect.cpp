// Intersection of page rectangles.
#include "raster/mrc/rst_rect.h"

#include <algorithm>

void RstRect::intersect(const RstRect& other) {
  if (this == &other || empty) {
    if (other.empty) empty = 1;
    return;
  }
  if (other.empty) {
    empty = 1;
    return;
  }
  uint32_t l = std::max(left, other.left), t = std::max(top, other.top);
  uint32_t r = std::min(right, other.right), b = std::min(bottom, other.bottom);
  if (!ordered(l, t, r, b)) {
    empty = 1;
    return;
  }
  set(l, t, r, b);
}
