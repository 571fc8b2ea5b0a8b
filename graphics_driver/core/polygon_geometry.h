// The driver's own polygon geometry in integer device dots of the band: the
// scan-line intersection of a line with a polygon and the pieces of the line
// inside, on and outside it, the point-in-polygon test, the even-odd polygon
// fill into the band, the clipping of one segment against a polygon, and
// the intersection of two rectangles. A polygon is an array of n >= 3
// points, closed implicitly from the last point back to the first.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/ddi_types.h"

// A segment from (x0, y0) to (x1, y1): horizontal when y0 = y1 (tested
// first), vertical when x0 = x1, slanted otherwise.
struct PolySegment {
  int32_t x0, y0, x1, y1;
};

// A rectangle in four-corner form: (left, top), (left, bottom),
// (right, bottom), (right, top).
struct RectQuad {
  POINTL corner[4];
};

// A point where a line meets a polygon's outline.
constexpr int32_t kItemCrossing = 1;
constexpr int32_t kItemTouch = 2;
struct IntersectionItem {
  int32_t x, y, kind;
};

// Per-line sizes the work storage starts with; a line that needs more grows
// it.
constexpr uint32_t kScanItemsFixed = 1027;
constexpr uint32_t kScanPiecesFixed = 30;

// The work storage of one line: its intersection items and its inside and
// boundary pieces (ordered along the line). It starts on fixed arrays and
// grows in global memory when a line crosses the outline more often; when
// it cannot grow, `failed` is set and the line's pieces are incomplete.
class ScanLineWork {
 public:
  ScanLineWork();
  ~ScanLineWork();
  ScanLineWork(const ScanLineWork&) = delete;
  ScanLineWork& operator=(const ScanLineWork&) = delete;

  // Empties the line; the storage stays as grown.
  void Clear();
  bool AddItem(int32_t x, int32_t y, int32_t kind);
  bool AddInside(const PolySegment& piece);
  bool AddBoundary(const PolySegment& piece);

  IntersectionItem* items;
  uint32_t itemCount, itemCapacity;
  PolySegment* inside;
  uint32_t insideCount, insideCapacity;
  PolySegment* boundary;
  uint32_t boundaryCount, boundaryCapacity;
  bool failed;

 private:
  IntersectionItem fixedItems_[kScanItemsFixed];
  PolySegment fixedInside_[kScanPiecesFixed];
  PolySegment fixedBoundary_[kScanPiecesFixed];
};

// Fills the polygon into the band with the even-odd rule: by rows when it is
// at most as wide as tall, else by columns; only pieces within bounds are
// drawn, and a column piece gets at most a run limit of dots derived from
// runLimit (0: no limit; wide lines pass their width). 1 filled, 0 when
// there is no polygon (n < 3, no points) or a line's work storage could not
// grow (nothing is written past any array then).
int FillPolygon(JobOutputStream* stream, const POINTL* points, uint32_t n, const RECTL* bounds, int32_t runLimit);

// Cuts the line into its pieces inside and on the polygon (into work, which
// is cleared first): 1 when any piece was found, 0 none, -1 when the work
// storage could not grow.
int IntersectLineWithPolygon(const PolySegment& line, const POINTL* points, uint32_t n, ScanLineWork* work);
// A horizontal or vertical line through a polygon whose rectilinearity and
// bounding rectangle are known (the fill asks once for all its lines); same
// answers as above.
int IntersectScanLine(const PolySegment& line, const POINTL* points, uint32_t n, bool rectilinear,
                      const RECTL& polygonBounds, ScanLineWork* work);
// The three ways of collecting a line's items (used by the above).
void IntersectAxisLineWithPolygon(const PolySegment& line, const POINTL* points, uint32_t n, ScanLineWork* work);
void IntersectAxisLineWithRectilinearPolygon(const PolySegment& line, const POINTL* points, uint32_t n,
                                             ScanLineWork* work);
void IntersectSlantedLineWithPolygon(const PolySegment& line, const POINTL* points, uint32_t n, ScanLineWork* work);
// Turns the collected items into pieces: parity counted between crossings,
// re-established by a point-in-polygon test of the midpoint after every
// touch. polygonBounds is the polygon's bounding rectangle (edges included).
void SplitLineByPolygon(const RECTL& polygonBounds, const PolySegment& line, const POINTL* points, uint32_t n,
                        ScanLineWork* work);

// 0 outside, 1 inside, 2 on the outline (a vertex or an edge).
int PointInPolygon(POINTL point, const POINTL* points, uint32_t n);
// 0 at once when the point lies outside bounds (the polygon's bounding
// rectangle, edges included), else PointInPolygon.
int PointInPolygonBounded(const RECTL& bounds, POINTL point, const POINTL* points, uint32_t n);

// Replaces the segment by its first inside piece along the polygon (or,
// without one, its first boundary piece): 1. 2 when no part of it is inside
// or on the polygon, 0 when there is no polygon (n < 3, no points), -1 when
// the work storage could not grow (the segment is unchanged).
int ClipSegmentToPolygon(PolySegment* segment, const POINTL* points, uint32_t n);

// The rectangles' intersection as b cut to a: 0 apart; 2 touching along an
// edge (out: the zero-width or zero-height rectangle along that edge of b,
// kind 2); 1 overlapping (out: b cut to a, kind 4).
constexpr int32_t kRectsTouch = 2;
constexpr int32_t kRectsOverlap = 4;
int IntersectRectangles(const RectQuad& a, const RectQuad& b, RectQuad* out, int32_t* kind);
RectQuad QuadOfRect(const RECTL& r);
RECTL RectOfQuad(const RectQuad& q);
// Cuts a drawing's bounds to its clip: 1 drawing goes on (no clip, a trivial
// clip, or bounds cut to a rectangular clip), 0 nothing to draw (the bounds
// miss a rectangular clip), 2 the clip is complex (bounds unchanged).
int ClipBoundsToClipObject(const CLIPOBJ* clip, RECTL* bounds);
