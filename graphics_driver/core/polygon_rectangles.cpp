// The driver's one rectangle intersection, in four-corner form, and the cut
// of a drawing's bounds to its clip object (see polygon_geometry.h).
#include <algorithm>

#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/polygon_relations.h"

namespace {

RECTL Normalised(const RECTL& r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

}  // namespace

RectQuad QuadOfRect(const RECTL& r) {
  return RectQuad{{POINTL{r.left, r.top}, POINTL{r.left, r.bottom}, POINTL{r.right, r.bottom}, POINTL{r.right, r.top}}};
}

RECTL RectOfQuad(const RectQuad& q) { return RECTL{q.corner[0].x, q.corner[0].y, q.corner[2].x, q.corner[2].y}; }

int IntersectRectangles(const RectQuad& qa, const RectQuad& qb, RectQuad* out, int32_t* kind) {
  const RECTL a = Normalised(RectOfQuad(qa));
  const RECTL b = Normalised(RectOfQuad(qb));
  if (kind) *kind = 0;
  if (b.left > a.right || b.right < a.left || b.bottom < a.top || b.top > a.bottom) return 0;
  // Touching along an edge: the edge of b, over b's full extent.
  RECTL edge{};
  bool touch = true;
  if (b.left == a.right) {
    edge = RECTL{b.left, b.top, b.left, b.bottom};
  } else if (b.right == a.left) {
    edge = RECTL{b.right, b.top, b.right, b.bottom};
  } else if (b.bottom == a.top) {
    edge = RECTL{b.left, b.bottom, b.right, b.bottom};
  } else if (b.top == a.bottom) {
    edge = RECTL{b.left, b.top, b.right, b.top};
  } else {
    touch = false;
  }
  if (touch) {
    if (out) *out = QuadOfRect(edge);
    if (kind) *kind = kRectsTouch;
    return 2;
  }
  int inside = 0;
  for (const POINTL& c : QuadOfRect(b).corner) inside += PointInRectangleInclusive(a, c) ? 1 : 0;
  RECTL r = b;
  if (inside == 0) {
    // No corner of b inside a: the middle two of the four values on each axis.
    LONG xs[4] = {a.left, a.right, b.left, b.right};
    LONG ys[4] = {a.top, a.bottom, b.top, b.bottom};
    std::sort(xs, xs + 4);
    std::sort(ys, ys + 4);
    r = RECTL{xs[1], ys[1], xs[2], ys[2]};
  } else if (inside < 4) {
    r = RECTL{std::clamp(b.left, a.left, a.right), std::clamp(b.top, a.top, a.bottom),
              std::clamp(b.right, a.left, a.right), std::clamp(b.bottom, a.top, a.bottom)};
  }
  if (out) *out = QuadOfRect(r);
  if (kind) *kind = kRectsOverlap;
  return 1;
}

int ClipBoundsToClipObject(const CLIPOBJ* clip, RECTL* bounds) {
  if (!clip || clip->iDComplexity == DC_TRIVIAL) return 1;
  if (clip->iDComplexity != DC_RECT || !bounds) return 2;
  RectQuad out{};
  int32_t kind = 0;
  if (IntersectRectangles(QuadOfRect(*bounds), QuadOfRect(clip->rclBounds), &out, &kind) == 0) return 0;
  *bounds = RectOfQuad(out);
  return 1;
}
