// Solid path segments and the segment helpers of the path walk (see
// path_drawing.h).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/path_drawing.h"
#include "graphics_driver/core/polygon_relations.h"
#include "graphics_driver/job_output/tiff_job_record.h"

namespace {

int32_t Clamp32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t Clamp32(double v) {
  if (std::isnan(v)) return 0;
  return int32_t(
      std::clamp(v, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max())));
}

}  // namespace

int64_t BandRowLimit(const JobOutputStream* stream) {
  if (!stream || !stream->tiffJob.bandBuffer || stream->tiffJob.bytesPerRow == 0) return 0;
  const TiffJobRecord& r = stream->tiffJob;
  return std::max<int64_t>(0,
                           std::min<int64_t>(int64_t(r.bandBottom) - r.bandTop + 1, r.bandBufferSize / r.bytesPerRow));
}

int ClassifySegment(const PolySegment& s) {
  if (s.y0 == s.y1) return s.x0 < s.x1 ? 1 : 3;
  if (s.x0 == s.x1) return s.y0 < s.y1 ? 4 : 2;
  const int direction = s.x0 < s.x1 ? (s.y0 < s.y1 ? 4 : 1) : (s.y0 < s.y1 ? 3 : 2);
  const int64_t dx = std::llabs(int64_t(s.x1) - s.x0), dy = std::llabs(int64_t(s.y1) - s.y0);
  return direction + (dy == dx ? 10 : dy < dx ? 20 : 30);
}

PolySegment OffsetSegment(const PolySegment& s, int32_t k) {
  PolySegment out = s;
  if (s.y0 == s.y1) {
    out.y0 = out.y1 = Clamp32(int64_t(s.y0) + k);
    return out;
  }
  if (s.x0 == s.x1) {
    out.x0 = out.x1 = Clamp32(int64_t(s.x0) + k);
    return out;
  }
  // The slope and k squared in single precision, the rest in double.
  const float m = float(int64_t(s.x1) - s.x0) / float(int64_t(s.y1) - s.y0);
  const float k2 = float(k) * float(k);
  const double across = std::sqrt(double(k2) / (double(m) * double(m) + 1.0));
  int64_t ox = int64_t(std::trunc(across));
  int64_t oy = ox == 0 ? std::llabs(int64_t(k)) : int64_t(std::trunc(std::fabs(double(m)) * across));
  if (m < 0) oy = -oy;
  if (k < 0) {
    ox = -ox;
    oy = -oy;
  }
  out.x0 = Clamp32(int64_t(s.x0) + ox);
  out.x1 = Clamp32(int64_t(s.x1) + ox);
  out.y0 = Clamp32(int64_t(s.y0) - oy);
  out.y1 = Clamp32(int64_t(s.y1) - oy);
  return out;
}

void DrawWideSegment(JobOutputStream* stream, const PolySegment& s, const RECTL& bounds, int32_t w) {
  if (w < 1) w = 1;
  const int32_t c = w / 2, d = w - c;
  const int64_t rowLimit = BandRowLimit(stream);
  if (s.y0 == s.y1) {
    const int64_t y = s.y0;
    int64_t x0 = std::min(s.x0, s.x1), x1 = std::max(s.x0, s.x1);
    if (y < bounds.top || y > bounds.bottom || x1 < bounds.left || x0 > bounds.right) return;
    x0 = std::max<int64_t>(x0, bounds.left);
    x1 = std::min<int64_t>(x1, bounds.right);
    // The end dot x1 is not drawn.
    const int64_t first = std::max<int64_t>(y - c, 0), last = std::min<int64_t>(y - c + w, rowLimit);
    for (int64_t row = first; row < last; ++row) FillSpan(stream, int32_t(x0), int32_t(row), Clamp32(x1 - x0));
    return;
  }
  if (s.x0 == s.x1) {
    const int64_t x = s.x0;
    const int64_t y0 = std::min(s.y0, s.y1), y1 = std::max(s.y0, s.y1);
    if (x < bounds.left || x > bounds.right || y1 < bounds.top || y0 > bounds.bottom) return;
    const int64_t first = std::max<int64_t>({y0, bounds.top, 0});
    const int64_t last = std::min<int64_t>({y1, bounds.bottom, rowLimit});
    for (int64_t row = first; row < last; ++row) FillSpan(stream, Clamp32(x - c), int32_t(row), w);
    return;
  }
  // The larger half d goes to the left of travel: above a segment running
  // right, below one running left.
  const int direction = ClassifySegment(s) % 10;
  int32_t a = d, b = c;
  if (direction == 1 || direction == 2) a = -a;
  if (direction == 3 || direction == 4) b = -b;
  const PolySegment A = OffsetSegment(s, a), B = OffsetSegment(s, b);
  const POINTL quad[4] = {{A.x0, A.y0}, {A.x1, A.y1}, {B.x1, B.y1}, {B.x0, B.y0}};
  // Where the bounds' top is the band's, the quadrilateral's columns are
  // taken from where they start above it, as in one band.
  RECTL area = bounds;
  if (area.top <= 0) area.top = std::min({area.top, A.y0, A.y1, B.y0, B.y1});
  FillPolygon(stream, quad, 4, &area, w);
}

int32_t Distance(POINTL a, POINTL b) { return Clamp32(std::trunc(std::hypot(double(b.x) - a.x, double(b.y) - a.y))); }

POINTL AdvancePointAlongSegment(POINTL point, const PolySegment& s, int32_t n) {
  if (s.y0 == s.y1) return POINTL{Clamp32(int64_t(point.x) + (s.x1 >= s.x0 ? n : -int64_t(n))), point.y};
  if (s.x0 == s.x1) return POINTL{point.x, Clamp32(int64_t(point.y) + (s.y1 >= s.y0 ? n : -int64_t(n)))};
  const double dx = double(s.x1) - s.x0, dy = double(s.y1) - s.y0;
  const double m = dy / dx;
  const double f = std::sqrt(1.0 / (m * m + 1.0));
  const double step = s.y1 > s.y0 ? double(n) : -double(n);
  double ox = std::trunc(f * step);
  if (m < 0) ox = -ox;
  const double oy = std::trunc(std::fabs(m) * f * step);
  POINTL out{Clamp32(double(point.x) + ox), Clamp32(double(point.y) + oy)};
  // Back onto the segment: across the segment's thin side.
  const int32_t left = std::min(s.x0, s.x1), right = std::max(s.x0, s.x1);
  const int32_t top = std::min(s.y0, s.y1), bottom = std::max(s.y0, s.y1);
  POINTL hit{};
  if (std::fabs(dy) > std::fabs(dx)) {
    const PolySegment across{left, out.y, right, out.y};
    if (left < right && IntersectSegments(across, s, &hit) != 0) out.x = hit.x;
  } else {
    const PolySegment across{out.x, top, out.x, bottom};
    if (top < bottom && IntersectSegments(across, s, &hit) != 0) out.y = hit.y;
  }
  return out;
}

int32_t AppendOutlineSegment(const PolySegment& s, POINTL* outline, uint32_t count, uint32_t capacity) {
  if (!outline || count >= capacity) return -1;
  const POINTL start{s.x0, s.y0}, end{s.x1, s.y1};
  if (count == 0) {
    outline[count++] = start;
    if (count < capacity) outline[count++] = end;
    return int32_t(count);
  }
  const POINTL last = outline[count - 1];
  if ((start.x != last.x || start.y != last.y) && count < capacity) outline[count++] = start;
  // A figure that returns to its start adds no closing point.
  if ((end.x != outline[0].x || end.y != outline[0].y) && count < capacity) outline[count++] = end;
  return int32_t(count);
}
