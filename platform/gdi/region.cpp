// Regions: sets of dots kept as y-banded rectangles, made from rectangles or
// from polygons (a dot belongs when its centre is inside), and combined by
// intersection, union and translation. Clip objects enumerate them.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {

using Spans = std::vector<std::pair<LONG, LONG>>;

struct RegionBuilder {
  Region r;
  // Appends a band below the previous ones, merging it with an equal neighbour.
  void add(LONG top, LONG bottom, Spans spans) {
    if (top >= bottom || spans.empty()) return;
    auto& bands = r.bands_;
    if (!bands.empty() && bands.back().bottom == top && bands.back().spans == spans) {
      bands.back().bottom = bottom;
      return;
    }
    bands.push_back(Region::Band{top, bottom, std::move(spans)});
  }
};

namespace {

// Sorted, merged spans from any set of intervals.
Spans MergeSpans(Spans in) {
  std::sort(in.begin(), in.end());
  Spans out;
  for (auto& s : in) {
    if (s.first >= s.second) continue;
    if (!out.empty() && s.first <= out.back().second) out.back().second = std::max(out.back().second, s.second);
    else out.push_back(s);
  }
  return out;
}

Spans IntersectSpans(const Spans& a, const Spans& b) {
  Spans out;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    LONG l = std::max(a[i].first, b[j].first), r = std::min(a[i].second, b[j].second);
    if (l < r) out.emplace_back(l, r);
    if (a[i].second < b[j].second) ++i;
    else ++j;
  }
  return out;
}

// Spans of a region over the rows [y, next break).
const Spans* SpansAt(const std::vector<Region::Band>& bands, size_t& cursor, LONG y) {
  while (cursor < bands.size() && bands[cursor].bottom <= y) ++cursor;
  if (cursor < bands.size() && bands[cursor].top <= y) return &bands[cursor].spans;
  return nullptr;
}

template <typename Op>
Region Combine(const Region& a, const Region& b, Op op) {
  std::vector<LONG> ys;
  for (auto* reg : {&a, &b})
    for (auto& band : reg->bands()) {
      ys.push_back(band.top);
      ys.push_back(band.bottom);
    }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  RegionBuilder out;
  size_t ca = 0, cb = 0;
  static const Spans kNone;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    const Spans* sa = SpansAt(a.bands(), ca, ys[k]);
    const Spans* sb = SpansAt(b.bands(), cb, ys[k]);
    out.add(ys[k], ys[k + 1], op(sa ? *sa : kNone, sb ? *sb : kNone));
  }
  return out.r;
}

struct Edge {
  double x0, y0, x1, y1;
  int dir;
};

}  // namespace

Region Region::FromRect(const RECTL& rc) {
  RegionBuilder b;
  LONG l = std::min(rc.left, rc.right), r = std::max(rc.left, rc.right);
  LONG t = std::min(rc.top, rc.bottom), bt = std::max(rc.top, rc.bottom);
  if (l < r) b.add(t, bt, Spans{{l, r}});
  return b.r;
}

Region Region::FromRects(const std::vector<RECTL>& rects) {
  std::vector<RECTL> rs;
  std::vector<LONG> ys;
  for (const RECTL& rc : rects) {
    RECTL n{std::min(rc.left, rc.right), std::min(rc.top, rc.bottom), std::max(rc.left, rc.right),
            std::max(rc.top, rc.bottom)};
    if (n.left >= n.right || n.top >= n.bottom) continue;
    rs.push_back(n);
    ys.push_back(n.top);
    ys.push_back(n.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::sort(rs.begin(), rs.end(), [](const RECTL& a, const RECTL& b) { return a.top < b.top; });
  RegionBuilder out;
  std::vector<RECTL> active;
  size_t next = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    LONG y = ys[k];
    while (next < rs.size() && rs[next].top <= y) active.push_back(rs[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const RECTL& r) { return r.bottom <= y; }),
                 active.end());
    Spans spans;
    for (const RECTL& r : active) spans.emplace_back(r.left, r.right);
    out.add(y, ys[k + 1], MergeSpans(std::move(spans)));
  }
  return out.r;
}

Region Region::FromPolygonFix(const std::vector<std::vector<POINTFIX>>& rings, ULONG fillMode) {
  std::vector<Edge> edges;
  double minY = std::numeric_limits<double>::max(), maxY = std::numeric_limits<double>::lowest();
  for (const auto& ring : rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      const POINTFIX& p = ring[i];
      const POINTFIX& q = ring[(i + 1) % ring.size()];
      if (p.y == q.y) continue;
      edges.push_back(Edge{double(p.x), double(p.y), double(q.x), double(q.y), q.y > p.y ? 1 : -1});
      minY = std::min(minY, double(std::min(p.y, q.y)));
      maxY = std::max(maxY, double(std::max(p.y, q.y)));
    }
  }
  RegionBuilder out;
  if (edges.empty()) return out.r;
  // Rows whose centre 16 * y + 8 lies in [minY, maxY).
  LONG y0 = static_cast<LONG>(std::ceil((minY - 8) / 16));
  LONG y1 = static_cast<LONG>(std::ceil((maxY - 8) / 16));
  std::vector<std::pair<double, int>> xs;
  for (LONG y = y0; y < y1; ++y) {
    double yc = 16.0 * y + 8;
    xs.clear();
    for (const Edge& e : edges) {
      double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
      if (yc < lo || yc >= hi) continue;
      xs.emplace_back(e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir);
    }
    std::sort(xs.begin(), xs.end());
    Spans spans;
    int winding = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
      bool wasInside = fillMode == FP_WINDINGMODE ? winding != 0 : (i % 2) == 1;
      winding += xs[i].second;
      bool inside = fillMode == FP_WINDINGMODE ? winding != 0 : (i % 2) == 0;
      if (!wasInside && inside) spans.emplace_back(static_cast<LONG>(std::ceil((xs[i].first - 8) / 16)), 0);
      if (wasInside && !inside) spans.back().second = static_cast<LONG>(std::ceil((xs[i].first - 8) / 16));
    }
    out.add(y, y + 1, MergeSpans(std::move(spans)));
  }
  return out.r;
}

Region Region::FromPolygon(const std::vector<std::vector<POINTL>>& rings, ULONG fillMode) {
  std::vector<std::vector<POINTFIX>> fx;
  for (const auto& ring : rings) {
    std::vector<POINTFIX> r;
    for (const POINTL& p : ring) r.push_back(POINTFIX{p.x * 16, p.y * 16});
    fx.push_back(std::move(r));
  }
  return FromPolygonFix(fx, fillMode);
}

Region Region::Intersect(const Region& other) const { return Combine(*this, other, IntersectSpans); }

Region Region::Union(const Region& other) const {
  return Combine(*this, other, [](const Spans& a, const Spans& b) {
    Spans all(a);
    all.insert(all.end(), b.begin(), b.end());
    return MergeSpans(std::move(all));
  });
}

Region Region::Translate(LONG dx, LONG dy) const {
  Region r(*this);
  for (Band& b : r.bands_) {
    b.top += dy;
    b.bottom += dy;
    for (auto& s : b.spans) {
      s.first += dx;
      s.second += dx;
    }
  }
  return r;
}

RECTL Region::bounds() const {
  if (bands_.empty()) return RECTL{0, 0, 0, 0};
  RECTL rc{std::numeric_limits<LONG>::max(), bands_.front().top, std::numeric_limits<LONG>::min(),
           bands_.back().bottom};
  for (const Band& b : bands_) {
    rc.left = std::min(rc.left, b.spans.front().first);
    rc.right = std::max(rc.right, b.spans.back().second);
  }
  return rc;
}

std::vector<RECTL> Region::rects() const {
  std::vector<RECTL> out;
  for (const Band& b : bands_)
    for (const auto& s : b.spans) out.push_back(RECTL{s.first, b.top, s.second, b.bottom});
  return out;
}

}  // namespace pkgdi
