// Dashed path segments (see path_drawing.h). One walk serves horizontal,
// vertical and slanted segments: it steps along the segment by the style
// entries, draws the dashes and carries the state into the next segment.
// The walk always runs from the segment's real start, so a dashed line keeps
// its phase where it enters the band; only the drawing is cut to the bounds.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/path_drawing.h"
#include "graphics_driver/core/polygon_relations.h"

namespace {

enum class Axis { Horizontal, Vertical, Slanted };

struct StyledWalk {
  JobOutputStream* stream;
  const PolySegment& s;
  const RECTL& bounds;
  int32_t w;
  Axis axis;
  int64_t rowLimit;

  bool Beyond(POINTL p) const {
    return p.x < std::min(s.x0, s.x1) || p.x > std::max(s.x0, s.x1) || p.y < std::min(s.y0, s.y1) ||
           p.y > std::max(s.y0, s.y1);
  }

  // The coordinate along which the walk moves, growing toward the end.
  bool XMajor() const {
    return axis == Axis::Horizontal ||
           (axis == Axis::Slanted && std::llabs(int64_t(s.x1) - s.x0) >= std::llabs(int64_t(s.y1) - s.y0));
  }
  int64_t Along(POINTL p) const {
    if (XMajor()) return s.x1 >= s.x0 ? int64_t(p.x) : -int64_t(p.x);
    return s.y1 >= s.y0 ? int64_t(p.y) : -int64_t(p.y);
  }

  // n dots on, and at least one dot along the main axis: a short step on a
  // slanted segment may truncate to no movement at all.
  POINTL Step(POINTL from, int32_t n) const {
    POINTL next = AdvancePointAlongSegment(from, s, n);
    if (Along(next) > Along(from)) return next;
    const POINTL nudged =
        XMajor() ? POINTL{from.x + (s.x1 >= s.x0 ? 1 : -1), from.y} : POINTL{from.x, from.y + (s.y1 >= s.y0 ? 1 : -1)};
    if (axis != Axis::Slanted) return nudged;
    POINTL hit{};
    const PolySegment across = XMajor() ? PolySegment{nudged.x, std::min(s.y0, s.y1), nudged.x, std::max(s.y0, s.y1)}
                                        : PolySegment{std::min(s.x0, s.x1), nudged.y, std::max(s.x0, s.x1), nudged.y};
    if (IntersectSegments(across, s, &hit) == 0) return nudged;
    return XMajor() ? POINTL{nudged.x, hit.y} : POINTL{hit.x, nudged.y};
  }

  void Dot(int64_t x, int64_t y) const {
    if (x >= bounds.left && x <= bounds.right && y >= 0 && y < rowLimit) FillSpan(stream, int32_t(x), int32_t(y), 1);
  }

  void Dash(POINTL a, POINTL b) const {
    if (a.x == b.x && a.y == b.y) return;
    if (axis == Axis::Horizontal) {
      const int64_t left = std::max<int64_t>(std::min(a.x, b.x), bounds.left);
      const int64_t right = std::min<int64_t>(std::max(a.x, b.x), bounds.right);
      if (right <= left) return;
      const int64_t top = int64_t(a.y) - w / 2;
      for (int64_t row = std::max<int64_t>(top, 0); row < std::min<int64_t>(top + w, rowLimit); ++row)
        FillSpan(stream, int32_t(left), int32_t(row), int32_t(right - left));
      return;
    }
    if (axis == Axis::Vertical) {
      const int64_t first = std::max<int64_t>({std::min(a.y, b.y), bounds.top, 0});
      const int64_t last = std::min<int64_t>({std::max(a.y, b.y), bounds.bottom, rowLimit});
      for (int64_t row = first; row < last; ++row) FillSpan(stream, a.x - w / 2, int32_t(row), w);
      return;
    }
    if (a.y == b.y) {
      Dot(std::min(a.x, b.x), a.y);
      return;
    }
    // One dot per column (or row) where the bounds' lines meet the dash;
    // only the lines that can meet it are tried.
    const PolySegment dash{a.x, a.y, b.x, b.y};
    POINTL hit{};
    if (XMajor()) {
      const int64_t first = std::max<int64_t>(bounds.left, std::min(a.x, b.x));
      const int64_t last = std::min<int64_t>(int64_t(bounds.right) - 1, std::max(a.x, b.x));
      const int32_t top = bounds.top, bottom = std::max(bounds.bottom, bounds.top + 1);
      for (int64_t x = first; x <= last; ++x) {
        if (IntersectSegments(PolySegment{int32_t(x), top, int32_t(x), bottom}, dash, &hit) != 0) Dot(hit.x, hit.y);
      }
    } else {
      const int64_t first = std::max<int64_t>({int64_t(bounds.top), std::min(a.y, b.y), 0});
      const int64_t last = std::min<int64_t>({int64_t(bounds.bottom) - 1, std::max(a.y, b.y), rowLimit - 1});
      const int32_t left = bounds.left, right = std::max(bounds.right, bounds.left + 1);
      for (int64_t y = first; y <= last; ++y) {
        if (IntersectSegments(PolySegment{left, int32_t(y), right, int32_t(y)}, dash, &hit) != 0) Dot(hit.x, hit.y);
      }
    }
  }

  // The stretch along the main axis where dashes can be drawn.
  void DrawnExtent(int64_t* from, int64_t* to) const {
    int64_t lo, hi;
    if (XMajor()) {
      lo = bounds.left;
      hi = bounds.right;
    } else {
      lo = std::max<int64_t>(bounds.top, 0);
      hi = std::min<int64_t>(bounds.bottom, rowLimit);
    }
    const bool forward = XMajor() ? s.x1 >= s.x0 : s.y1 >= s.y0;
    *from = forward ? lo : -hi;
    *to = forward ? hi : -lo;
  }
};

uint32_t NextIndex(const LineStyle& style, uint32_t i) { return i + 1 >= style.count ? 0 : i + 1; }

// The length after which the pattern repeats: all entries, twice over for
// an odd count (dash and gap trade places every round).
int64_t StylePeriod(const LineStyle& style) {
  int64_t period = 0;
  for (uint32_t i = 0; i < style.count; ++i) period += StyleEntryLength(style, i);
  return style.count % 2 ? 2 * period : period;
}

void Walk(const StyledWalk& walk, LineStyle* style) {
  const PolySegment& s = walk.s;
  const POINTL end{s.x1, s.y1};
  POINTL cur{s.x0, s.y0};
  // Whole rounds of the pattern outside the drawn stretch are skipped at
  // once: an axis-aligned step is exact, so a round changes no state.
  const int64_t period = walk.axis == Axis::Slanted ? 0 : StylePeriod(*style);
  int64_t drawFrom = 0, drawTo = 0;
  walk.DrawnExtent(&drawFrom, &drawTo);
  const auto skipRounds = [&]() {
    if (period <= 0) return;
    const int64_t at = walk.Along(cur), stop = walk.Along(end);
    int64_t room = 0;
    if (at < drawFrom) room = std::min(drawFrom, stop) - at;
    else if (at > drawTo) room = stop - at;
    if (room <= period) return;
    const int64_t jump = (room - 1) / period * period;
    cur = AdvancePointAlongSegment(cur, s, int32_t(std::min<int64_t>(jump, INT32_MAX / period * period)));
  };

  if (style->remaining <= 0) style->remaining = StyleEntryLength(*style, style->index);
  for (;;) {
    skipRounds();
    POINTL next = walk.Step(cur, style->remaining);
    if (walk.Beyond(next)) {
      style->remaining = std::max(1, Distance(end, next));
      next = end;
    } else {
      style->remaining = 0;
    }
    if (!style->inGap) walk.Dash(cur, next);
    if (style->remaining > 0) return;
    if (!style->inGap) {
      // The gap follows; after the last entry of an odd array it is entry 0.
      style->index = NextIndex(*style, style->index);
      style->inGap = true;
      const POINTL after = walk.Step(next, StyleEntryLength(*style, style->index));
      if (walk.Beyond(after)) {
        style->remaining = std::max(1, Distance(end, after));
        return;
      }
      cur = after;
    } else {
      cur = next;
    }
    style->index = NextIndex(*style, style->index);
    style->inGap = false;
    style->remaining = StyleEntryLength(*style, style->index);
  }
}

}  // namespace

void DrawStyledSegment(JobOutputStream* stream, const PolySegment& s, const RECTL& bounds, int32_t w,
                       LineStyle* style) {
  if (!style || style->count == 0) return;
  if (w < 1) w = 1;
  const int64_t rowLimit = BandRowLimit(stream);
  if (s.y0 == s.y1) {
    if (s.y0 < bounds.top || s.y0 > bounds.bottom) return;  // the style state stays
    Walk(StyledWalk{stream, s, bounds, w, Axis::Horizontal, rowLimit}, style);
    return;
  }
  if (s.x0 == s.x1) {
    if (s.x0 < bounds.left || s.x0 > bounds.right) return;
    Walk(StyledWalk{stream, s, bounds, w, Axis::Vertical, rowLimit}, style);
    return;
  }
  // w parallel one-dot lines, each from the same state; the last one's
  // state runs on.
  const LineStyle start = *style;
  for (int32_t k = -(w / 2); k < -(w / 2) + w; ++k) {
    LineStyle line = start;
    const PolySegment parallel = OffsetSegment(s, k);
    Walk(StyledWalk{stream, parallel, bounds, w, Axis::Slanted, rowLimit}, &line);
    *style = line;
  }
}
