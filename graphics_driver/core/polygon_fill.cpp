// The even-odd polygon fill into the band: every scan line is cut by the
// polygon and its inside pieces become spans. The scan runs across the
// thinner side of the polygon, so that each line of a thin slanted shape
// crosses it across its thickness (see polygon_geometry.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/polygon_relations.h"
#include "graphics_driver/job_output/tiff_job_record.h"

namespace {

// How far the scan line reaches past the polygon on either side.
constexpr int64_t kLineMargin = 30;

int32_t ClampLong(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Whether the polygon lies on the far side of a boundary piece of positive
// length: just below it for a row, just right of it for a column. A piece
// along an outline edge is filled only when the polygon lies there, so that
// an outline inks the dots it covers and never the row below its bottom
// edges or the column right of its right edges. Counted exactly: crossings
// of a ray from the piece's midpoint, moved an infinitesimal step off the
// line, running along the line.
bool PolygonBeyondPiece(const PolySegment& piece, const POINTL* points, uint32_t n, bool byRows) {
  // u runs along the line, v across it.
  auto u = [byRows](const POINTL& p) { return int64_t(byRows ? p.x : p.y); };
  auto v = [byRows](const POINTL& p) { return int64_t(byRows ? p.y : p.x); };
  const int64_t line = byRows ? piece.y0 : piece.x0;
  const int64_t twiceMid = byRows ? int64_t(piece.x0) + piece.x1 : int64_t(piece.y0) + piece.y1;
  uint32_t crossings = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const POINTL& p = points[i];
    const POINTL& q = points[i + 1 == n ? 0 : i + 1];
    if ((v(p) <= line) == (v(q) <= line)) continue;  // does not reach just past the line
    const int64_t dv = v(q) - v(p);
    const int64_t du = u(q) - u(p);
    // sign(2 U - twiceMid), U the edge's u on the line.
    const __int128 scaled = __int128(2) * u(p) * dv + __int128(2) * (line - v(p)) * du - __int128(twiceMid) * dv;
    int side = scaled == 0 ? 0 : ((scaled > 0) == (dv > 0) ? 1 : -1);
    // Through the midpoint itself: the edge's direction decides where it is
    // a step past the line.
    if (side == 0) side = du == 0 ? 0 : ((du > 0) == (dv > 0) ? 1 : -1);
    if (side > 0) ++crossings;
  }
  return crossings % 2 == 1;
}

struct FillRows {
  JobOutputStream* stream;
  const RECTL& bounds;

  void Piece(const PolySegment& s, int32_t y, bool zeroLengthFilled) const {
    if (s.x0 < bounds.left || s.x1 > bounds.right) return;  // reaches outside: skipped whole
    const int64_t w = int64_t(s.x1) - s.x0;
    if (w == 0 && (!zeroLengthFilled || s.x0 >= bounds.right)) return;
    FillSpan(stream, s.x0, y, w == 0 ? 1 : ClampLong(w));
  }
};

// The band rows [first, last) a span can be drawn on (the band's spare row
// included) and its columns [left, right): a polygon larger than the band
// is scanned there only.
struct BandArea {
  int64_t first = 0, last = 0;
  int64_t left = 0, right = 0;
};

BandArea AreaOfBand(const JobOutputStream* stream) {
  if (!stream || !stream->tiffJob.bandBuffer) return BandArea{};
  const TiffJobRecord& r = stream->tiffJob;
  if (r.bytesPerRow == 0) return BandArea{};
  // Rows up to the band bottom that the buffer holds.
  const int64_t rows = std::min<int64_t>(int64_t(r.bandBottom) - r.bandTop + 1, r.bandBufferSize / r.bytesPerRow);
  return BandArea{0, std::max<int64_t>(0, rows), int64_t(r.bandLeft),
                  std::min<int64_t>(r.bandRight, int64_t(r.bandLeft) + int64_t(r.bytesPerRow) * 8)};
}

struct FillColumns {
  JobOutputStream* stream;
  const RECTL& bounds;
  int64_t runLimit;  // 0: none
  BandArea band;

  // The run limit counts the piece's dots from its start, in the band or not.
  void Rows(int32_t x, int64_t start, int64_t end) const {
    if (runLimit != 0) end = std::min(end, start + runLimit);
    for (int64_t row = std::max(start, band.first); row < std::min(end, band.last); ++row) {
      FillSpan(stream, x, int32_t(row), 1);
    }
  }
};

}  // namespace

int FillPolygon(JobOutputStream* stream, const POINTL* points, uint32_t n, const RECTL* bounds, int32_t runLimit) {
  if (!points || n < 3) return 0;
  const RECTL box = BoundingRect(points, n);
  const RECTL area = bounds ? *bounds : box;
  const int64_t width = int64_t(box.right) - box.left;
  const int64_t height = int64_t(box.bottom) - box.top;
  const bool rectilinear = IsRectilinearPolygon(points, n);
  const BandArea band = AreaOfBand(stream);
  ScanLineWork work;

  if (width <= height) {
    const FillRows fill{stream, area};
    const int32_t from = ClampLong(std::max<int64_t>(int64_t(box.left) - kLineMargin, 0));
    const int32_t to = ClampLong(int64_t(box.right) + kLineMargin);
    if (to < from) return 1;  // wholly left of the band
    // Rows outside the polygon's extent meet nothing; rows outside the band
    // take no span.
    const int64_t first = std::max({int64_t(area.top), int64_t(box.top), band.first});
    const int64_t last = std::min({int64_t(area.bottom), int64_t(box.bottom) + 1, band.last});
    for (int64_t y = first; y < last; ++y) {
      const PolySegment line{from, int32_t(y), to, int32_t(y)};
      if (IntersectScanLine(line, points, n, rectilinear, box, &work) < 0) return 0;
      for (uint32_t i = 0; i < work.insideCount; ++i) fill.Piece(work.inside[i], int32_t(y), true);
      for (uint32_t i = 0; i < work.boundaryCount; ++i) {
        const PolySegment& s = work.boundary[i];
        if (s.x0 == s.x1) {
          fill.Piece(s, int32_t(y), work.insideCount == 0);
        } else if (PolygonBeyondPiece(s, points, n, true)) {
          fill.Piece(s, int32_t(y), false);
        }
      }
    }
    return 1;
  }

  int64_t limit = 0;
  if (runLimit != 0) {
    const double scaled = std::trunc((double(height) / double(width) + 1.0) * runLimit + 0.9) - 1.0;
    limit = std::max<int64_t>(1, int64_t(std::clamp(scaled, -1e15, 1e15)));
  }
  const FillColumns fill{stream, area, limit, band};
  // A column starts where the polygon does, above the band too: the run
  // limit counts from there, so a shape crossing the band top inks the
  // same dots as in one band.
  const int32_t from = ClampLong(int64_t(box.top) - kLineMargin);
  const int32_t to = ClampLong(int64_t(box.bottom) + kLineMargin);
  if (to < 0) return 1;  // wholly above the band
  const int64_t first = std::max({int64_t(area.left), int64_t(box.left), band.left});
  const int64_t last = std::min({int64_t(area.right), int64_t(box.right) + 1, band.right});
  for (int64_t x = first; x < last; ++x) {
    const PolySegment line{int32_t(x), from, int32_t(x), to};
    if (IntersectScanLine(line, points, n, rectilinear, box, &work) < 0) return 0;
    for (uint32_t i = 0; i < work.insideCount; ++i) {
      const PolySegment& s = work.inside[i];
      if (s.y0 == s.y1) {
        if (s.y0 >= area.top && s.y0 < area.bottom) fill.Rows(int32_t(x), s.y0, int64_t(s.y0) + 1);
        continue;
      }
      fill.Rows(int32_t(x), std::max(s.y0, area.top), std::min(s.y1, area.bottom));
    }
    for (uint32_t i = 0; i < work.boundaryCount; ++i) {
      const PolySegment& s = work.boundary[i];
      if (s.y0 < area.top || s.y1 > area.bottom) continue;  // reaches outside: skipped whole
      if (s.y0 == s.y1) {
        if (work.insideCount == 0 && s.y0 < area.bottom) fill.Rows(int32_t(x), s.y0, int64_t(s.y0) + 1);
      } else if (PolygonBeyondPiece(s, points, n, false)) {
        fill.Rows(int32_t(x), s.y0, s.y1);
      }
    }
  }
  return 1;
}
