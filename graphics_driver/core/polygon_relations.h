// Relations of points, segments and rectangles in integer dots that the
// polygon geometry is built on. Products that can overflow are taken in
// double; the crossing of an axis-aligned segment with another is computed in
// single-precision float and rounded half away from zero.
#pragma once

#include <cstdint>

#include "graphics_driver/core/polygon_geometry.h"

bool IsHorizontal(const PolySegment& s);
bool IsVertical(const PolySegment& s);  // and not horizontal
bool IsAxisAligned(const PolySegment& s);

// One horizontal and one vertical segment: 1 each crosses the other strictly
// inside its extent, 2 an end point of one lies on the other, 0 apart (and
// for two parallel segments).
int AxisSegmentsRelation(const PolySegment& a, const PolySegment& b);
// An axis-aligned line and any edge: 1 a strict crossing, 2 a contact at an
// end point, 0 none (apart, both line ends strictly on one side of the
// edge's line, or all four points collinear).
int AxisLineEdgeRelation(const PolySegment& line, const PolySegment& edge);
// Which side of the segment's supporting line p lies on: 2, 1, or 0 on it.
int SideOfLine(POINTL p, const PolySegment& s);
// The same for an axis-aligned line: 0 when p lies on its fixed coordinate.
int SideOfAxisLine(POINTL p, const PolySegment& line);
// Where p lies on a and b: 1 inside both, 2 an end of a only, 3 an end of b
// only, 4 an end of both.
int IntersectionEndpointClass(const PolySegment& a, const PolySegment& b, POINTL p);
// Parameters of the crossing a.end + t (a.start - a.end) = b.end +
// u (b.start - b.end): 0 parallel or outside [0, 1], 1 both strictly inside,
// 2 at an end.
int SegmentIntersectionParameters(const PolySegment& a, const PolySegment& b, double* t, double* u);
// The point where the axis-aligned segment's line meets the other segment.
POINTL IntersectAxisSegmentWithSegment(const PolySegment& axis, const PolySegment& other);
// 0 apart, else the crossing in p and its IntersectionEndpointClass.
int IntersectSegments(const PolySegment& a, const PolySegment& b, POINTL* p);
// 0 outside, 1 strictly inside, 2 on the border (rect normalised).
int PointInRectangle(const RECTL& rect, POINTL p);
bool PointInRectangleInclusive(const RECTL& rect, POINTL p);
// Axis-aligned: ordered so that it runs right or down; slanted unchanged.
PolySegment NormalizeSegment(PolySegment s);
// Axis-aligned as above; slanted: ordered left to right.
PolySegment OrderSegmentLeftToRight(PolySegment s);
RectQuad BoundingQuad(const POINTL* points, uint32_t n);
RECTL BoundingRect(const POINTL* points, uint32_t n);
bool IsRectilinearPolygon(const POINTL* points, uint32_t n);
// qsort order of intersection items: by x, then y.
int ComparePointItems(const void* a, const void* b);
