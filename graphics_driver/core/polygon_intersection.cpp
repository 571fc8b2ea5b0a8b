// A line cut by a polygon: the points where it meets the outline (crossings
// and touches), sorted along the line and turned into the pieces inside and
// on the polygon (see polygon_geometry.h). The work storage of a line grows
// when the outline is crossed more often than its fixed arrays hold.
#include <cstdlib>
#include <cstring>

#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/polygon_relations.h"
#include "platform/win/win_memory.h"

namespace {

// Doubles an array held in the fixed storage or in global memory: false when
// the block cannot be had (the array is unchanged then).
template <typename T>
bool GrowArray(T** data, uint32_t* capacity, const T* fixed) {
  if (*capacity > UINT32_MAX / 2) return false;
  const uint32_t next = *capacity * 2;
  auto* block = static_cast<T*>(GlobalAlloc(GPTR, SIZE_T(next) * sizeof(T)));
  if (!block) return false;
  std::memcpy(block, *data, SIZE_T(*capacity) * sizeof(T));
  if (*data != fixed) GlobalFree(*data);
  *data = block;
  *capacity = next;
  return true;
}

template <typename T>
void FreeArray(T* data, const T* fixed) {
  if (data && data != fixed) GlobalFree(data);
}

bool Same(POINTL a, POINTL b) { return a.x == b.x && a.y == b.y; }

// A touch at a point that is not an end of the edge or the line, where the
// outline comes from one side of the line and goes on to the other, is a
// crossing.
int TouchKind(POINTL at, POINTL p, POINTL q, POINTL before, const PolySegment& line) {
  if (Same(at, p) || Same(at, q) || Same(at, POINTL{line.x0, line.y0}) || Same(at, POINTL{line.x1, line.y1})) {
    return kItemTouch;
  }
  const int sq = SideOfAxisLine(q, line);
  const int sb = SideOfAxisLine(before, line);
  return sq != 0 && sb != 0 && sq != sb ? kItemCrossing : kItemTouch;
}

}  // namespace

ScanLineWork::ScanLineWork()
    : items(fixedItems_),
      itemCount(0),
      itemCapacity(kScanItemsFixed),
      inside(fixedInside_),
      insideCount(0),
      insideCapacity(kScanPiecesFixed),
      boundary(fixedBoundary_),
      boundaryCount(0),
      boundaryCapacity(kScanPiecesFixed),
      failed(false) {}

ScanLineWork::~ScanLineWork() {
  FreeArray(items, fixedItems_);
  FreeArray(inside, fixedInside_);
  FreeArray(boundary, fixedBoundary_);
}

void ScanLineWork::Clear() {
  itemCount = insideCount = boundaryCount = 0;
  failed = false;
}

bool ScanLineWork::AddItem(int32_t x, int32_t y, int32_t kind) {
  if (itemCount == itemCapacity && !GrowArray(&items, &itemCapacity, fixedItems_)) {
    failed = true;
    return false;
  }
  items[itemCount++] = IntersectionItem{x, y, kind};
  return true;
}

bool ScanLineWork::AddInside(const PolySegment& piece) {
  if (insideCount == insideCapacity && !GrowArray(&inside, &insideCapacity, fixedInside_)) {
    failed = true;
    return false;
  }
  inside[insideCount++] = piece;
  return true;
}

bool ScanLineWork::AddBoundary(const PolySegment& piece) {
  if (boundaryCount == boundaryCapacity && !GrowArray(&boundary, &boundaryCapacity, fixedBoundary_)) {
    failed = true;
    return false;
  }
  boundary[boundaryCount++] = piece;
  return true;
}

void IntersectAxisLineWithPolygon(const PolySegment& line, const POINTL* points, uint32_t n, ScanLineWork* work) {
  const bool horizontal = IsHorizontal(line);
  for (uint32_t i = 0; i < n && !work->failed; ++i) {
    const POINTL p = points[i];
    const POINTL q = points[i + 1 == n ? 0 : i + 1];
    const POINTL before = points[i == 0 ? n - 1 : i - 1];
    const PolySegment edge{p.x, p.y, q.x, q.y};
    int relation = 0;
    POINTL at{};
    if (IsAxisAligned(edge)) {
      relation = AxisSegmentsRelation(line, edge);
      at = horizontal ? POINTL{p.x, line.y0} : POINTL{line.x0, p.y};
    } else {
      relation = AxisLineEdgeRelation(line, edge);
      if (relation != 0) at = IntersectAxisSegmentWithSegment(line, edge);
    }
    if (relation == 1) {
      work->AddItem(at.x, at.y, kItemCrossing);
    } else if (relation == 2) {
      work->AddItem(at.x, at.y, TouchKind(at, p, q, before, line));
    }
  }
}

void IntersectAxisLineWithRectilinearPolygon(const PolySegment& line, const POINTL* points, uint32_t n,
                                             ScanLineWork* work) {
  for (uint32_t i = 0; i < n && !work->failed; ++i) {
    const POINTL p = points[i];
    const POINTL q = points[i + 1 == n ? 0 : i + 1];
    const PolySegment edge{p.x, p.y, q.x, q.y};
    const int relation = AxisSegmentsRelation(line, edge);
    if (relation == 0) continue;
    const POINTL at = IsHorizontal(edge) ? POINTL{line.x0, edge.y0} : POINTL{edge.x0, line.y0};
    work->AddItem(at.x, at.y, relation == 1 ? kItemCrossing : kItemTouch);
  }
}

void IntersectSlantedLineWithPolygon(const PolySegment& line, const POINTL* points, uint32_t n, ScanLineWork* work) {
  for (uint32_t i = 0; i < n && !work->failed; ++i) {
    const POINTL p = points[i];
    const POINTL q = points[i + 1 == n ? 0 : i + 1];
    const POINTL before = points[i == 0 ? n - 1 : i - 1];
    const PolySegment edge{p.x, p.y, q.x, q.y};
    int relation = 0;
    POINTL at{};
    if (!IsAxisAligned(edge)) {
      double t = 0;
      relation = SegmentIntersectionParameters(edge, line, &t, nullptr);
      if (relation != 0) {
        at = POINTL{int32_t(q.x + t * (double(p.x) - q.x)), int32_t(q.y + t * (double(p.y) - q.y))};
      }
    } else {
      relation = AxisLineEdgeRelation(edge, line);
      if (relation != 0) at = IntersectAxisSegmentWithSegment(edge, line);
    }
    if (relation == 1) {
      work->AddItem(at.x, at.y, kItemCrossing);
    } else if (relation == 2) {
      int kind = kItemTouch;
      // At the edge's start, away from the line's ends, the outline passes
      // through when its neighbours lie on different sides of the line.
      if (Same(at, p) && !Same(at, POINTL{line.x0, line.y0}) && !Same(at, POINTL{line.x1, line.y1})) {
        const int sq = SideOfLine(q, line);
        const int sb = SideOfLine(before, line);
        if (sq != 0 && sb != 0 && sq != sb) kind = kItemCrossing;
      }
      work->AddItem(at.x, at.y, kind);
    }
  }
}

void SplitLineByPolygon(const RECTL& polygonBounds, const PolySegment& line, const POINTL* points, uint32_t n,
                        ScanLineWork* work) {
  if (work->failed) return;
  if (work->itemCount == 0) {
    const int where = PointInPolygonBounded(polygonBounds, POINTL{line.x0, line.y0}, points, n);
    if (where == 1) work->AddInside(line);
    if (where == 2) work->AddBoundary(line);
    return;
  }
  if (!work->AddItem(line.x0, line.y0, kItemTouch) || !work->AddItem(line.x1, line.y1, kItemTouch)) return;
  std::qsort(work->items, work->itemCount, sizeof(IntersectionItem), ComparePointItems);
  int state = 0;
  bool retest = true;
  for (uint32_t i = 0; i + 1 < work->itemCount && !work->failed; ++i) {
    const IntersectionItem a = work->items[i];
    const IntersectionItem b = work->items[i + 1];
    if (a.kind == kItemCrossing) {
      // Parity runs between crossings; after a boundary piece it is not
      // known and is tested again.
      if (state == 2) {
        retest = true;
      } else {
        state = state == 0 ? 1 : 0;
      }
    } else {
      retest = true;
    }
    if (retest) {
      const POINTL mid{int32_t((int64_t(a.x) + b.x) / 2), int32_t((int64_t(a.y) + b.y) / 2)};
      state = PointInPolygonBounded(polygonBounds, mid, points, n);
      retest = false;
    }
    const PolySegment piece{a.x, a.y, b.x, b.y};
    if (state == 1) {
      work->AddInside(piece);
    } else if (state == 2) {
      work->AddBoundary(piece);
    } else {
      state = 0;
    }
  }
}

int IntersectScanLine(const PolySegment& line, const POINTL* points, uint32_t n, bool rectilinear,
                      const RECTL& polygonBounds, ScanLineWork* work) {
  work->Clear();
  if (!points || n < 3) return 0;
  if (rectilinear) {
    IntersectAxisLineWithRectilinearPolygon(line, points, n, work);
  } else {
    IntersectAxisLineWithPolygon(line, points, n, work);
  }
  SplitLineByPolygon(polygonBounds, line, points, n, work);
  if (work->failed) return -1;
  return work->insideCount + work->boundaryCount > 0 ? 1 : 0;
}

int IntersectLineWithPolygon(const PolySegment& line, const POINTL* points, uint32_t n, ScanLineWork* work) {
  if (!work) return 0;
  work->Clear();
  if (!points || n < 3) return 0;
  const RECTL bounds = BoundingRect(points, n);
  if (IsAxisAligned(line)) return IntersectScanLine(line, points, n, IsRectilinearPolygon(points, n), bounds, work);
  IntersectSlantedLineWithPolygon(line, points, n, work);
  SplitLineByPolygon(bounds, line, points, n, work);
  if (work->failed) return -1;
  return work->insideCount + work->boundaryCount > 0 ? 1 : 0;
}
