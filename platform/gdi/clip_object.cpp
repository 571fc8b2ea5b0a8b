// Clip objects: a region handed to a driver, enumerated as batches of
// rectangles (top to bottom, left to right) or given as the outline path of
// its boundaries and holes.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {
namespace {

Clip* AsClip(CLIPOBJ* pco) {
  auto* c = reinterpret_cast<Clip*>(pco);
  return IsLiveObject(c) && c->magic == kClipMagic ? c : nullptr;
}

Clip* NewClip() {
  Clip* c = new Clip();
  TrackObject(c);
  return c;
}

struct Vertex {
  LONG x, y;
  bool operator<(const Vertex& o) const { return y != o.y ? y < o.y : x < o.x; }
  bool operator==(const Vertex& o) const { return x == o.x && y == o.y; }
};

struct Segment {
  Vertex a, b;
  bool used = false;
};

using Spans = std::vector<std::pair<LONG, LONG>>;

bool Covers(const Spans& s, LONG x) {
  for (const auto& sp : s)
    if (sp.first <= x && x < sp.second) return true;
  return false;
}

// Horizontal boundary pieces at row y between the coverage above and below:
// covered only below runs right (a top edge), only above runs left (a bottom
// edge), so every boundary keeps the inside on its right on the page.
void AddHorizontal(std::vector<Segment>& out, const Spans& above, const Spans& below, LONG y) {
  std::vector<LONG> xs;
  for (auto* s : {&above, &below})
    for (const auto& sp : *s) {
      xs.push_back(sp.first);
      xs.push_back(sp.second);
    }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  int runKind = 0;
  LONG runStart = 0;
  auto flush = [&](LONG end) {
    if (runKind == 1) out.push_back(Segment{{runStart, y}, {end, y}});
    if (runKind == 2) out.push_back(Segment{{end, y}, {runStart, y}});
  };
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    bool a = Covers(above, xs[i]), b = Covers(below, xs[i]);
    int kind = (b && !a) ? 1 : (a && !b) ? 2 : 0;
    if (kind != runKind) {
      flush(xs[i]);
      runKind = kind;
      runStart = xs[i];
    }
  }
  if (!xs.empty()) flush(xs.back());
}

// Turn from direction d1 to d2: lower is further to the right on the page.
int TurnRank(Vertex d1, Vertex d2) {
  long long cross = static_cast<long long>(d1.x) * d2.y - static_cast<long long>(d1.y) * d2.x;
  long long dot = static_cast<long long>(d1.x) * d2.x + static_cast<long long>(d1.y) * d2.y;
  if (cross > 0) return 0;              // right turn
  if (cross == 0 && dot > 0) return 1;  // straight on
  return 2;                             // left turn
}

Vertex Dir(const Segment& s) { return Vertex{(s.b.x > s.a.x) - (s.b.x < s.a.x), (s.b.y > s.a.y) - (s.b.y < s.a.y)}; }

// Closed outlines of a region: one per boundary and per hole, corners only,
// each starting at its top-left corner.
std::vector<std::vector<Vertex>> TraceOutlines(const Region& region) {
  std::vector<Segment> segs;
  const auto& bands = region.bands();
  static const Spans kNone;
  for (size_t i = 0; i < bands.size(); ++i) {
    const auto& b = bands[i];
    for (const auto& sp : b.spans) {
      segs.push_back(Segment{{sp.first, b.bottom}, {sp.first, b.top}});
      segs.push_back(Segment{{sp.second, b.top}, {sp.second, b.bottom}});
    }
    const Spans& above = (i > 0 && bands[i - 1].bottom == b.top) ? bands[i - 1].spans : kNone;
    AddHorizontal(segs, above, b.spans, b.top);
    if (i + 1 == bands.size() || bands[i + 1].top != b.bottom) AddHorizontal(segs, b.spans, kNone, b.bottom);
  }
  std::multimap<Vertex, size_t> from;
  for (size_t i = 0; i < segs.size(); ++i) from.emplace(segs[i].a, i);
  std::vector<size_t> order(segs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return segs[a].a < segs[b].a; });

  std::vector<std::vector<Vertex>> outlines;
  for (size_t first : order) {
    if (segs[first].used) continue;
    std::vector<Vertex> loop;
    size_t cur = first;
    while (!segs[cur].used) {
      segs[cur].used = true;
      loop.push_back(segs[cur].a);
      // Where two pieces touch at a corner, turning right keeps them apart.
      size_t next = cur;
      int best = 3;
      auto range = from.equal_range(segs[cur].b);
      for (auto it = range.first; it != range.second; ++it) {
        if (segs[it->second].used) continue;
        int rank = TurnRank(Dir(segs[cur]), Dir(segs[it->second]));
        if (rank < best) {
          best = rank;
          next = it->second;
        }
      }
      if (next == cur) break;
      cur = next;
    }
    // Keep corners only.
    std::vector<Vertex> corners;
    size_t n = loop.size();
    for (size_t i = 0; i < n; ++i) {
      Vertex p = loop[(i + n - 1) % n], c = loop[i], q = loop[(i + 1) % n];
      long long cross =
          static_cast<long long>(c.x - p.x) * (q.y - c.y) - static_cast<long long>(c.y - p.y) * (q.x - c.x);
      if (cross != 0) corners.push_back(c);
    }
    if (corners.size() < 4) continue;
    std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
    outlines.push_back(std::move(corners));
  }
  std::sort(outlines.begin(), outlines.end(),
            [](const std::vector<Vertex>& a, const std::vector<Vertex>& b) { return a.front() < b.front(); });
  return outlines;
}

}  // namespace
}  // namespace detail

using namespace detail;

CLIPOBJ* CreateClip(const Region& region) {
  try {
    Clip* c = NewClip();
    c->region = region;
    c->rects = region.rects();
    c->co.rclBounds = region.bounds();
    bool one = c->rects.size() == 1;
    c->co.iDComplexity = one ? DC_RECT : DC_COMPLEX;
    c->co.iFComplexity = one ? FC_RECT : FC_COMPLEX;
    c->co.iMode = TC_RECTANGLES;
    return &c->co;
  } catch (...) {
    return nullptr;
  }
}

CLIPOBJ* CreateTrivialClip(const RECTL& bounds) {
  try {
    Clip* c = NewClip();
    c->region = Region::FromRect(bounds);
    c->rects = c->region.rects();
    c->co.rclBounds = bounds;
    c->co.iDComplexity = DC_TRIVIAL;
    c->co.iFComplexity = FC_RECT;
    c->co.iMode = TC_RECTANGLES;
    return &c->co;
  } catch (...) {
    return nullptr;
  }
}

const Region* ClipRegion(const CLIPOBJ* pco) {
  Clip* c = AsClip(const_cast<CLIPOBJ*>(pco));
  return c ? &c->region : nullptr;
}

void DeleteClip(CLIPOBJ* pco) {
  Clip* c = AsClip(pco);
  if (c && UntrackObject(c)) delete c;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL, ULONG, ULONG, ULONG) {
  Clip* c = AsClip(pco);
  if (!c) return 0;
  c->cursor = 0;
  return static_cast<ULONG>(c->rects.size());
}

BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
  Clip* c = AsClip(pco);
  if (!pul || cj < sizeof(ULONG)) return FALSE;
  pul[0] = 0;
  if (!c) return FALSE;
  size_t room = (cj - sizeof(ULONG)) / sizeof(RECTL);
  size_t left = c->rects.size() - std::min(c->cursor, c->rects.size());
  // A buffer too small for one rectangle ends the enumeration rather than
  // answering "more" forever.
  if (room == 0) return FALSE;
  size_t n = std::min(room, left);
  pul[0] = static_cast<ULONG>(n);
  if (n) std::memcpy(reinterpret_cast<BYTE*>(pul) + sizeof(ULONG), c->rects.data() + c->cursor, n * sizeof(RECTL));
  c->cursor += n;
  return c->cursor < c->rects.size() ? TRUE : FALSE;
}

PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
  Clip* c = AsClip(pco);
  if (!c) return nullptr;
  try {
    auto outlines = TraceOutlines(c->region);
    Path* p = NewPath();
    if (!p) return nullptr;
    for (const auto& loop : outlines) {
      Path::Subpath s;
      for (const Vertex& v : loop) s.pts.push_back(POINTFIX{v.x * 16, v.y * 16});
      s.closed = true;
      p->subpaths.push_back(std::move(s));
    }
    RecountCurves(p);
    return &p->po;
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"
