// A rectangle of page pixels with inclusive, unsigned bounds and an empty
// flag: the strips and bands of the TIFF-FX page reader.
#pragma once

#include <cstdint>

struct RstRect {
  uint8_t empty = 1;
  uint32_t left = 0;
  uint32_t top = 0;
  uint32_t right = 0;
  uint32_t bottom = 0;

  // From the top-left and the bottom-right point; no longer empty.
  void set(uint32_t l, uint32_t t, uint32_t r, uint32_t b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
    empty = 0;
  }
  // The first point neither right of nor below the second.
  static bool ordered(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) { return x0 <= x1 && y0 <= y1; }
  // In place. The same record, or this one empty: unchanged unless the other
  // is empty. Otherwise the common part, compared unsigned; empty when there
  // is none.
  void intersect(const RstRect& other);
  uint32_t width() const { return right - left + 1; }
  uint32_t height() const { return bottom - top + 1; }
};
