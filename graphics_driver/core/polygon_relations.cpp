// Point, segment and rectangle relations of the polygon geometry (see
// polygon_relations.h).
#include "graphics_driver/core/polygon_relations.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

int32_t ClampToLong(double v) {
  if (!(v == v)) return 0;
  if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}

bool Between(int64_t v, int64_t a, int64_t b) { return v >= std::min(a, b) && v <= std::max(a, b); }
bool StrictlyBetween(int64_t v, int64_t a, int64_t b) { return v > std::min(a, b) && v < std::max(a, b); }

POINTL Start(const PolySegment& s) { return POINTL{s.x0, s.y0}; }
POINTL End(const PolySegment& s) { return POINTL{s.x1, s.y1}; }
bool Same(POINTL a, POINTL b) { return a.x == b.x && a.y == b.y; }

}  // namespace

bool IsHorizontal(const PolySegment& s) { return s.y0 == s.y1; }
bool IsVertical(const PolySegment& s) { return s.y0 != s.y1 && s.x0 == s.x1; }
bool IsAxisAligned(const PolySegment& s) { return s.y0 == s.y1 || s.x0 == s.x1; }

int AxisSegmentsRelation(const PolySegment& a, const PolySegment& b) {
  if (!IsAxisAligned(a) || !IsAxisAligned(b)) return 0;
  if (IsHorizontal(a) == IsHorizontal(b)) return 0;  // parallel segments never meet
  const PolySegment& h = IsHorizontal(a) ? a : b;
  const PolySegment& v = IsHorizontal(a) ? b : a;
  if (!Between(v.x0, h.x0, h.x1) || !Between(h.y0, v.y0, v.y1)) return 0;
  if (StrictlyBetween(v.x0, h.x0, h.x1) && StrictlyBetween(h.y0, v.y0, v.y1)) return 1;
  return 2;
}

int AxisLineEdgeRelation(const PolySegment& line, const PolySegment& edge) {
  // The line's fixed coordinate and the edge's extent across it.
  int64_t fixed, e0, e1;
  if (IsHorizontal(line)) {
    fixed = line.y0, e0 = edge.y0, e1 = edge.y1;
  } else {
    fixed = line.x0, e0 = edge.x0, e1 = edge.x1;
  }
  if (!Between(fixed, e0, e1)) return 0;
  const int s0 = SideOfLine(Start(line), edge);
  const int s1 = SideOfLine(End(line), edge);
  if (s0 != 0 && s0 == s1) return 0;
  if (s0 == 0 && s1 == 0) return 0;  // all four points on one line
  if (s0 != 0 && s1 != 0 && StrictlyBetween(fixed, e0, e1)) return 1;
  return 2;
}

int SideOfLine(POINTL p, const PolySegment& s) {
  const double a = (double(s.x1) - s.x0) * (double(p.y) - s.y0);
  const double b = (double(s.y1) - s.y0) * (double(p.x) - s.x0);
  return a > b ? 2 : a < b ? 1 : 0;
}

int SideOfAxisLine(POINTL p, const PolySegment& line) {
  if (IsHorizontal(line) ? p.y == line.y0 : p.x == line.x0) return 0;
  return SideOfLine(p, line);
}

int IntersectionEndpointClass(const PolySegment& a, const PolySegment& b, POINTL p) {
  const bool endOfA = Same(p, Start(a)) || Same(p, End(a));
  const bool endOfB = Same(p, Start(b)) || Same(p, End(b));
  if (endOfA && endOfB) return 4;
  if (endOfA) return 2;
  if (endOfB) return 3;
  return 1;
}

int SegmentIntersectionParameters(const PolySegment& a, const PolySegment& b, double* t, double* u) {
  // a.end + t da = b.end + u db, da and db running from end to start.
  const double dax = double(a.x0) - a.x1, day = double(a.y0) - a.y1;
  const double dbx = double(b.x0) - b.x1, dby = double(b.y0) - b.y1;
  const double rx = double(b.x1) - a.x1, ry = double(b.y1) - a.y1;
  const double det = dbx * day - dax * dby;
  if (std::fabs(det) < 1e-7) return 0;
  const double tt = (dbx * ry - dby * rx) / det;
  const double uu = (dax * ry - day * rx) / det;
  if (t) *t = tt;
  if (u) *u = uu;
  if (tt < 0.0 || tt > 1.0 || uu < 0.0 || uu > 1.0) return 0;
  if (tt > 0.0 && tt < 1.0 && uu > 0.0 && uu < 1.0) return 1;
  return 2;
}

POINTL IntersectAxisSegmentWithSegment(const PolySegment& axisSegment, const PolySegment& otherSegment) {
  const PolySegment axis = OrderSegmentLeftToRight(axisSegment);
  const PolySegment o = OrderSegmentLeftToRight(otherSegment);
  if (IsHorizontal(axis)) {
    const int32_t y = axis.y0;
    if (o.y1 == o.y0) return POINTL{o.x0, y};
    const float x = float(o.x0) + float(int64_t(y) - o.y0) * float(int64_t(o.x1) - o.x0) / float(int64_t(o.y1) - o.y0);
    return POINTL{ClampToLong(std::round(double(x))), y};
  }
  const int32_t x = axis.x0;
  if (o.x1 == o.x0) return POINTL{x, o.y0};
  const float y = float(o.y0) + float(int64_t(o.y1) - o.y0) * float(int64_t(x) - o.x0) / float(int64_t(o.x1) - o.x0);
  return POINTL{x, ClampToLong(std::round(double(y)))};
}

int IntersectSegments(const PolySegment& a, const PolySegment& b, POINTL* p) {
  POINTL at{0, 0};
  if (IsAxisAligned(a) && IsAxisAligned(b)) {
    if (AxisSegmentsRelation(a, b) == 0) return 0;
    at = IsHorizontal(a) ? POINTL{b.x0, a.y0} : POINTL{a.x0, b.y0};
  } else if (IsAxisAligned(a) || IsAxisAligned(b)) {
    const PolySegment& axis = IsAxisAligned(a) ? a : b;
    const PolySegment& other = IsAxisAligned(a) ? b : a;
    if (AxisLineEdgeRelation(axis, other) == 0) return 0;
    at = IntersectAxisSegmentWithSegment(axis, other);
  } else {
    double t = 0;
    if (SegmentIntersectionParameters(a, b, &t, nullptr) == 0) return 0;
    at = POINTL{ClampToLong(a.x1 + t * (double(a.x0) - a.x1)), ClampToLong(a.y1 + t * (double(a.y0) - a.y1))};
  }
  if (p) *p = at;
  return IntersectionEndpointClass(a, b, at);
}

int PointInRectangle(const RECTL& r, POINTL p) {
  if (p.x < r.left || p.x > r.right || p.y < r.top || p.y > r.bottom) return 0;
  if (p.x > r.left && p.x < r.right && p.y > r.top && p.y < r.bottom) return 1;
  return 2;
}

bool PointInRectangleInclusive(const RECTL& r, POINTL p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

PolySegment NormalizeSegment(PolySegment s) {
  if (IsHorizontal(s)) {
    if (!(s.x0 < s.x1)) std::swap(s.x0, s.x1);
  } else if (IsVertical(s)) {
    if (!(s.y0 < s.y1)) std::swap(s.y0, s.y1);
  }
  return s;
}

PolySegment OrderSegmentLeftToRight(PolySegment s) {
  if (IsAxisAligned(s)) return NormalizeSegment(s);
  if (!(s.x0 < s.x1)) s = PolySegment{s.x1, s.y1, s.x0, s.y0};
  return s;
}

RECTL BoundingRect(const POINTL* points, uint32_t n) {
  if (!points || n == 0) return RECTL{0, 0, 0, 0};
  RECTL r{points[0].x, points[0].y, points[0].x, points[0].y};
  for (uint32_t i = 1; i < n; ++i) {
    r.left = std::min(r.left, points[i].x);
    r.top = std::min(r.top, points[i].y);
    r.right = std::max(r.right, points[i].x);
    r.bottom = std::max(r.bottom, points[i].y);
  }
  return r;
}

RectQuad BoundingQuad(const POINTL* points, uint32_t n) { return QuadOfRect(BoundingRect(points, n)); }

bool IsRectilinearPolygon(const POINTL* points, uint32_t n) {
  if (!points) return false;
  for (uint32_t i = 0; i < n; ++i) {
    const POINTL& p = points[i];
    const POINTL& q = points[i + 1 == n ? 0 : i + 1];
    if (p.x != q.x && p.y != q.y) return false;
  }
  return true;
}

int ComparePointItems(const void* a, const void* b) {
  const auto* p = static_cast<const IntersectionItem*>(a);
  const auto* q = static_cast<const IntersectionItem*>(b);
  if (p->x != q->x) return p->x < q->x ? -1 : 1;
  if (p->y != q->y) return p->y < q->y ? -1 : 1;
  return 0;
}
