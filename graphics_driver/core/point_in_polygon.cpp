// The point-in-polygon test: crossings of a vertical ray from the point
// toward negative y, counted with the even-odd rule; a vertex the ray passes
// through is counted once, with the edge that ends there, and only when the
// outline goes on to the other side of the ray.
#include <algorithm>
#include <cstdint>

#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/polygon_relations.h"

namespace {

// Far enough above any band that the ray leaves every polygon.
constexpr int32_t kRayEnd = -9100000;

// Which side of the ray's column x the point lies on: -1, 0 on it, 1.
int SideOfColumn(int32_t x, POINTL p) { return p.x < x ? -1 : p.x > x ? 1 : 0; }

bool StrictlyApart(int a, int b) { return a != 0 && b != 0 && a != b; }

bool Same(const POINTL& a, const POINTL& b) { return a.x == b.x && a.y == b.y; }

// The neighbours of edge i, passing over repeated points so that a vertex
// written twice still counts as one corner.
const POINTL& PointBefore(const POINTL* points, uint32_t n, uint32_t i) {
  uint32_t k = i;
  for (uint32_t step = 0; step < n; ++step) {
    k = k == 0 ? n - 1 : k - 1;
    if (!Same(points[k], points[i])) break;
  }
  return points[k];
}

const POINTL& PointAfter(const POINTL* points, uint32_t n, uint32_t j) {
  uint32_t k = j;
  for (uint32_t step = 0; step < n; ++step) {
    k = k + 1 == n ? 0 : k + 1;
    if (!Same(points[k], points[j])) break;
  }
  return points[k];
}

}  // namespace

int PointInPolygon(POINTL point, const POINTL* points, uint32_t n) {
  if (!points || n == 0) return 0;
  const PolySegment ray{point.x, point.y, point.x, kRayEnd};
  uint32_t crossings = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t j = i + 1 == n ? 0 : i + 1;
    const POINTL& p = points[i];
    const POINTL& q = points[j];
    if (Same(p, q)) continue;  // a repeated point is no edge
    const POINTL& before = PointBefore(points, n, i);
    const POINTL& after = PointAfter(points, n, j);
    const PolySegment edge{p.x, p.y, q.x, q.y};
    if (IsVertical(edge)) {
      if (p.x != point.x) continue;  // cannot meet the ray
      if (point.y >= std::min(p.y, q.y) && point.y <= std::max(p.y, q.y)) return 2;
      // The ray runs along the edge: it crosses the outline when the outline
      // comes from one side and leaves to the other.
      if (int64_t(point.y) - p.y > 0 && StrictlyApart(SideOfColumn(point.x, before), SideOfColumn(point.x, after))) {
        ++crossings;
      }
      continue;
    }
    POINTL at{};
    switch (IntersectSegments(ray, edge, &at)) {
      case 0: break;
      case 2:
      case 4: return 2;
      case 3:
        // Through a vertex: counted at the edge's end Q, never at P.
        if (at.x == q.x && at.y == q.y && !(at.x == p.x && at.y == p.y) &&
            StrictlyApart(SideOfColumn(point.x, p), SideOfColumn(point.x, after))) {
          ++crossings;
        }
        break;
      default: ++crossings; break;
    }
  }
  return int(crossings % 2);
}

int PointInPolygonBounded(const RECTL& bounds, POINTL point, const POINTL* points, uint32_t n) {
  if (!PointInRectangleInclusive(bounds, point)) return 0;
  return PointInPolygon(point, points, n);
}
