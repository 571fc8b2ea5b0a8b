// The parts of a rectangle that lie in a complex clip: the engine's clip
// rectangles are enumerated batch by batch, the batch that comes with FALSE
// included, and each proper overlap with the rectangle is handed on.
#pragma once

#include <algorithm>
#include <cstdint>

#include "graphics_driver/core/polygon_geometry.h"
#include "platform/gdi/ddi_types.h"
#include "platform/gdi/eng_services.h"

// Calls draw(overlap) for every clip rectangle that overlaps box with area
// (one meeting it along an edge holds none of its dots), asking the engine
// for up to N rectangles at a time. A draw that answers false stops the walk;
// the answer is then false.
template <ULONG N, class Draw>
bool ForEachClipOverlap(CLIPOBJ* pco, const RECTL& box, Draw&& draw) {
  CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
  ENUMRECTS_N<N> batch;
  for (;;) {
    batch.c = 0;
    const BOOL more = CLIPOBJ_bEnum(pco, sizeof batch, reinterpret_cast<ULONG*>(&batch));
    const ULONG count = std::min<ULONG>(batch.c, N);
    for (ULONG i = 0; i < count; ++i) {
      const RECTL& c = batch.arcl[i];
      const RECTL clip{std::min(c.left, c.right), std::min(c.top, c.bottom), std::max(c.left, c.right),
                       std::max(c.top, c.bottom)};
      RectQuad cut{};
      int32_t kind = 0;
      if (IntersectRectangles(QuadOfRect(box), QuadOfRect(clip), &cut, &kind) == 0 || kind != kRectsOverlap) continue;
      const RECTL overlap = RectOfQuad(cut);
      if (overlap.left < overlap.right && overlap.top < overlap.bottom && !draw(overlap)) return false;
    }
    // An engine that claims more but delivers nothing would never end.
    if (more != TRUE || count == 0) return true;
  }
}

// The same for a drawing moved by shift dots after the caller clipped it:
// the clip moves with it, so box (already moved) is cut to the clip moved by
// shift.
inline RECTL MoveRect(const RECTL& r, int64_t dx, int64_t dy) {
  const auto at = [](int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return RECTL{at(r.left + dx), at(r.top + dy), at(r.right + dx), at(r.bottom + dy)};
}

inline PolySegment MoveSegment(const PolySegment& s, int64_t dx, int64_t dy) {
  const auto at = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return PolySegment{at(s.x0 + dx), at(s.y0 + dy), at(s.x1 + dx), at(s.y1 + dy)};
}

inline POINTL MovePoint(const POINTL& p, int64_t dx, int64_t dy) {
  const auto at = [](int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return POINTL{at(p.x + dx), at(p.y + dy)};
}

template <ULONG N, class Draw>
bool ForEachMovedClipOverlap(CLIPOBJ* pco, const RECTL& box, POINTL shift, Draw&& draw) {
  return ForEachClipOverlap<N>(pco, MoveRect(box, -int64_t(shift.x), -int64_t(shift.y)),
                               [&](const RECTL& o) { return draw(MoveRect(o, shift.x, shift.y)); });
}
