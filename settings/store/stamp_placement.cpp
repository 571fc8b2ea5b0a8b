// Stamp placement geometry (see stamp_placement.h).
#include "settings/store/stamp_placement.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxGridSide = 65535.0;

// Columns (or rows) of a grid covering `length` with steps of `step`: the
// whole steps, plus one for a partial step, counted in double so that a tiny
// step cannot overflow the count.
double GridCount(float length, float step) {
  double n = std::floor(static_cast<double>(length) / static_cast<double>(step));
  if (n * static_cast<double>(step) < static_cast<double>(length)) n += 1.0;
  return std::min(n, kMaxGridSide);
}

}  // namespace

int ComputeStampPlacement(const float area[2], const float size[2], int16_t angle, uint16_t mode, uint16_t choice,
                          StampPlacement* placement) {
  if (!area || !size || !placement) return -1;
  const float W = area[0], H = area[1], w = size[0], h = size[1];
  if (!std::isfinite(W) || !std::isfinite(H) || !std::isfinite(w) || !std::isfinite(h)) return -1;

  const float theta = static_cast<float>(static_cast<double>(angle) * 3.1415926536 / 180.0);
  const float s = static_cast<float>(std::sin(static_cast<double>(theta)));
  const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
  StampPlacement p{};
  p.m0 = c;
  p.m1 = s;
  p.m2 = -s;
  p.m3 = c;

  // 1. Extent and offset. Turned about its centre the stamp keeps its size and
  // its centre. Otherwise the extent is the bounding box of the four turned
  // corners and the offset moves that box to (0, 0); for angles from -90 to
  // 90 degrees that is (w c + h s, w s + h c) with the offset on the axis the
  // stamp leans into, and beyond them it stays positive.
  float extentW, extentH;
  if (mode == kStampTurnAboutCentre) {
    extentW = w;
    extentH = h;
    p.offsetX = -(w / 2 * c + h / 2 * s - w / 2);
    p.offsetY = -(-w / 2 * s + h / 2 * c - h / 2);
  } else {
    const float xs[4] = {0.0f, w * c, h * s, w * c + h * s};
    const float ys[4] = {0.0f, -(w * s), h * c, h * c - w * s};
    const float minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
    const float minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
    extentW = maxX - minX;
    extentH = maxY - minY;
    p.offsetX = -minX;
    p.offsetY = -minY;
  }

  // 2. A grid of whole and partial cells over the area.
  if (choice == kStampTile) {
    if (!(W > 0) || !(H > 0) || !(w > 0) || !(h > 0) || !(extentW > 0) || !(extentH > 0) || !std::isfinite(extentW) ||
        !std::isfinite(extentH))
      return -1;
    const double columns = GridCount(W, extentW), rows = GridCount(H, extentH);
    p.cellWidth = extentW;
    p.cellHeight = extentH;
    p.columns = static_cast<uint16_t>(columns);
    p.rows = static_cast<uint16_t>(rows);
    *placement = p;
    return static_cast<int>(std::min(columns * rows, static_cast<double>(kMaxStampCopies)));
  }

  // 3. One copy aligned in the area.
  switch ((choice >> 8) & 0xF) {
    case 2: p.offsetX += W / 2 - extentW / 2; break;
    case 3: p.offsetX += W - extentW; break;
    default: break;
  }
  switch (choice & 0xF) {
    case 2: p.offsetY += H / 2 - extentH / 2; break;
    case 3: p.offsetY += H - extentH; break;
    default: break;
  }
  *placement = p;
  return 1;
}

int PlaceStampCopy(const StampPlacement* placement, const float point[2], uint32_t n, float result[2]) {
  if (!placement || !point || !result) return -1;
  const StampPlacement& p = *placement;
  const float x = point[0], y = point[1];
  float rx = x * p.m0 + y * p.m1 + p.offsetX;
  float ry = x * p.m2 + y * p.m3 + p.offsetY;
  if (p.columns != 0 || p.rows != 0) {
    const uint64_t copies = static_cast<uint64_t>(p.columns) * p.rows;
    if (p.columns == 0 || static_cast<uint64_t>(n) + 1 > copies) return -1;
    rx += p.cellWidth * static_cast<float>(n % p.columns);
    ry += p.cellHeight * static_cast<float>(n / p.columns);
  }
  result[0] = rx;
  result[1] = ry;
  return 0;
}
