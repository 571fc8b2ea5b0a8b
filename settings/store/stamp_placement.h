// Where the copies of a stamp go on a printable area: placed once, aligned to
// an edge or the centre, or repeated in a grid over the whole area, turned by
// a whole number of degrees. Single-precision arithmetic throughout; sine and
// cosine are taken in double precision and kept as floats.
#pragma once

#include <cstdint>

struct StampPlacement {
  float m0, m1, m2, m3;  // rotation: (x, y) -> (x m0 + y m1, x m2 + y m3)
  float offsetX, offsetY;
  float cellWidth, cellHeight;  // grid step
  uint16_t columns, rows;       // both 0 when the stamp is placed once
};

// Placement choice 0 tiles; otherwise bits 8-11 align horizontally (1 left,
// 2 centre, 3 right) and bits 0-3 vertically (1 top, 2 middle, 3 bottom).
constexpr uint16_t kStampTile = 0;
// Mode 2 turns the stamp about its own centre.
constexpr uint16_t kStampTurnAboutCentre = 2;
// At most this many copies in a grid.
constexpr uint32_t kMaxStampCopies = 0x7FFFFFF;

// `area` and `size` are (width, height). 1 for a single placement, the number
// of copies for a grid, -1 when an argument is missing, not finite or, for a
// grid, not positive (area, size and extent).
int ComputeStampPlacement(const float area[2], const float size[2], int16_t angle, uint16_t mode, uint16_t choice,
                          StampPlacement* placement);

// The page point of `point` in copy n (0-based, numbered row by row): 0, or
// -1 when an argument is missing or the grid has no copy n.
int PlaceStampCopy(const StampPlacement* placement, const float point[2], uint32_t n, float result[2]);
