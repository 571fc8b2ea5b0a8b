// One path segment cut to the clip polygon: it keeps its first piece inside
// the polygon along the line (see polygon_geometry.h).
#include "graphics_driver/core/polygon_geometry.h"

int ClipSegmentToPolygon(PolySegment* segment, const POINTL* points, uint32_t n) {
  if (!segment || !points || n < 3) return 0;
  ScanLineWork work;
  const int found = IntersectLineWithPolygon(*segment, points, n, &work);
  if (found < 0) return -1;
  if (work.insideCount > 0) {
    *segment = work.inside[0];
  } else if (work.boundaryCount > 0) {
    *segment = work.boundary[0];
  } else {
    return 2;
  }
  return 1;
}
