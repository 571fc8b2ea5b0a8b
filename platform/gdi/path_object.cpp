// Paths: the host builds them from moves, lines, Bézier curves and closed
// figures in 28.4 fixed point; curves are flattened into lines, since the
// driver takes no curves. A driver enumerates a path in records of at most a
// set number of points and frees the paths it was given with EngDeletePath.
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {

Path* NewPath() {
  try {
    Path* p = new Path();
    TrackObject(p);
    return p;
  } catch (...) {
    return nullptr;
  }
}

void RecountCurves(Path* p) {
  ULONG n = 0;
  for (const auto& s : p->subpaths)
    if (s.pts.size() >= 2) n += static_cast<ULONG>(s.pts.size() - 1) + (s.closed ? 1 : 0);
  p->po.cCurves = n;
}

namespace {

Path* AsPath(PATHOBJ* ppo) {
  auto* p = reinterpret_cast<Path*>(ppo);
  return IsLiveObject(p) && p->magic == kPathMagic ? p : nullptr;
}

// The subpath that takes the next line: a closed figure is continued by a new
// subpath starting at its first point.
Path::Subpath* Current(Path* p) {
  if (p->subpaths.empty()) {
    p->subpaths.emplace_back();
    p->subpaths.back().pts.push_back(POINTFIX{0, 0});
  } else if (!p->figureOpen) {
    POINTFIX start = p->subpaths.back().pts.empty() ? POINTFIX{0, 0} : p->subpaths.back().pts.front();
    p->subpaths.emplace_back();
    p->subpaths.back().pts.push_back(start);
  }
  p->figureOpen = true;
  return &p->subpaths.back();
}

void AddPoint(Path::Subpath* s, POINTFIX pt) {
  if (!s->pts.empty() && s->pts.back().x == pt.x && s->pts.back().y == pt.y) return;
  s->pts.push_back(pt);
}

// Whether any record remains at or after subpath index i, point index k.
bool RecordsFrom(const Path* p, size_t i, size_t k) {
  for (; i < p->subpaths.size(); ++i, k = 0)
    if (k < p->subpaths[i].pts.size()) return true;
  return false;
}

}  // namespace
}  // namespace detail

using namespace detail;

PATHOBJ* CreatePath() {
  Path* p = NewPath();
  return p ? &p->po : nullptr;
}

void PathMoveTo(PATHOBJ* ppo, POINTFIX pt) {
  Path* p = AsPath(ppo);
  if (!p) return;
  // A move that follows a lone move replaces it.
  if (p->figureOpen && p->subpaths.back().pts.size() == 1) {
    p->subpaths.back().pts[0] = pt;
    return;
  }
  p->subpaths.emplace_back();
  p->subpaths.back().pts.push_back(pt);
  p->figureOpen = true;
}

void PathLineTo(PATHOBJ* ppo, POINTFIX pt) {
  Path* p = AsPath(ppo);
  if (!p) return;
  AddPoint(Current(p), pt);
  RecountCurves(p);
}

void PathBezierTo(PATHOBJ* ppo, POINTFIX c1, POINTFIX c2, POINTFIX end) {
  Path* p = AsPath(ppo);
  if (!p) return;
  Path::Subpath* s = Current(p);
  POINTFIX p0 = s->pts.back();
  // Chord deviation of a cubic flattened into n pieces is at most
  // 3/4 * max|second difference| / n^2; keep it under a quarter dot (4 units).
  auto second = [](POINTFIX a, POINTFIX b, POINTFIX c) {
    return std::hypot(double(a.x) - 2.0 * b.x + c.x, double(a.y) - 2.0 * b.y + c.y);
  };
  double d = std::max(second(p0, c1, c2), second(c1, c2, end));
  int n = static_cast<int>(std::ceil(std::sqrt(0.75 * d / 4.0)));
  n = std::clamp(n, 1, 1024);
  for (int i = 1; i <= n; ++i) {
    double t = double(i) / n, u = 1 - t;
    double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    double x = b0 * p0.x + b1 * c1.x + b2 * c2.x + b3 * end.x;
    double y = b0 * p0.y + b1 * c1.y + b2 * c2.y + b3 * end.y;
    AddPoint(s, i == n ? end : POINTFIX{static_cast<FIX>(std::lround(x)), static_cast<FIX>(std::lround(y))});
  }
  RecountCurves(p);
}

void PathCloseFigure(PATHOBJ* ppo) {
  Path* p = AsPath(ppo);
  if (!p || !p->figureOpen) return;
  p->subpaths.back().closed = true;
  p->figureOpen = false;
  RecountCurves(p);
}

void SetPathRecordLimit(PATHOBJ* ppo, ULONG maxPoints) {
  if (Path* p = AsPath(ppo)) p->recordLimit = maxPoints;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

void PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (Path* p = AsPath(ppo)) p->enumSub = p->enumPt = 0;
}

BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  Path* p = AsPath(ppo);
  if (!ppd) return FALSE;
  ppd->flags = 0;
  ppd->count = 0;
  ppd->pptfx = nullptr;
  if (!p) return FALSE;
  while (p->enumSub < p->subpaths.size() && p->enumPt >= p->subpaths[p->enumSub].pts.size()) {
    ++p->enumSub;
    p->enumPt = 0;
  }
  if (p->enumSub >= p->subpaths.size()) return FALSE;
  Path::Subpath& s = p->subpaths[p->enumSub];
  size_t left = s.pts.size() - p->enumPt;
  size_t n = p->recordLimit ? std::min<size_t>(left, p->recordLimit) : left;
  ppd->pptfx = s.pts.data() + p->enumPt;
  ppd->count = static_cast<ULONG>(n);
  if (p->enumPt == 0) ppd->flags |= PD_BEGINSUBPATH;
  p->enumPt += n;
  if (p->enumPt == s.pts.size()) {
    ppd->flags |= PD_ENDSUBPATH;
    if (s.closed) ppd->flags |= PD_CLOSEFIGURE;
  }
  return RecordsFrom(p, p->enumSub, p->enumPt) ? TRUE : FALSE;
}

void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx) {
  if (!prectfx) return;
  *prectfx = RECTFX{0, 0, 0, 0};
  Path* p = AsPath(ppo);
  if (!p) return;
  bool any = false;
  for (const auto& s : p->subpaths)
    for (const POINTFIX& pt : s.pts) {
      if (!any) {
        *prectfx = RECTFX{pt.x, pt.y, pt.x, pt.y};
        any = true;
      }
      prectfx->xLeft = std::min(prectfx->xLeft, pt.x);
      prectfx->yTop = std::min(prectfx->yTop, pt.y);
      prectfx->xRight = std::max(prectfx->xRight, pt.x);
      prectfx->yBottom = std::max(prectfx->yBottom, pt.y);
    }
}

void EngDeletePath(PATHOBJ* ppo) {
  Path* p = AsPath(ppo);
  if (p && UntrackObject(p)) delete p;
}

}  // extern "C"
