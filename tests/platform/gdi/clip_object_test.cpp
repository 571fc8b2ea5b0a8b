// Regions and clip objects: polygon fill rules, rectangle batches of
// CLIPOBJ_bEnum at the buffer sizes drivers use, and outline paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gdi/engine_host.h"

using namespace pkgdi;

namespace {

std::vector<RECTL> Rects(std::initializer_list<RECTL> l) { return l; }

bool SameRects(const std::vector<RECTL>& a, const std::vector<RECTL>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].right != b[i].right || a[i].bottom != b[i].bottom)
      return false;
  return true;
}

std::string Show(const std::vector<RECTL>& v) {
  std::string s;
  for (auto& r : v)
    s += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
  return s;
}

struct Batch {
  ULONG c;
  BOOL more;
};

// Every batch of a full enumeration into a buffer of cj bytes, with the
// rectangles in order.
std::vector<Batch> EnumerateAll(CLIPOBJ* pco, ULONG cj, std::vector<RECTL>* all = nullptr) {
  std::vector<ULONG> buf(cj / 4 + 1);
  std::vector<Batch> out;
  CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
  for (int guard = 0; guard < 1000; ++guard) {
    BOOL more = CLIPOBJ_bEnum(pco, cj, buf.data());
    auto* er = reinterpret_cast<ENUMRECTS*>(buf.data());
    out.push_back(Batch{er->c, more});
    if (all)
      for (ULONG i = 0; i < er->c; ++i) all->push_back(er->arcl[i]);
    if (!more) break;
  }
  return out;
}

}  // namespace

TEST(Region, PolygonsFillDotsWhoseCentresAreInside) {
  struct Case {
    const char* name;
    std::vector<std::vector<POINTL>> rings;
    ULONG mode;
    std::vector<RECTL> want;
  };
  std::vector<POINTL> a{{0, 0}, {20, 0}, {20, 20}, {0, 20}};
  std::vector<POINTL> b{{10, 10}, {30, 10}, {30, 30}, {10, 30}};
  std::vector<Case> cases = {
      {"square", {{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, FP_ALTERNATEMODE, Rects({{10, 10, 20, 20}})},
      {"overlap alternate",
       {a, b},
       FP_ALTERNATEMODE,
       Rects({{0, 0, 20, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {10, 20, 30, 30}})},
      {"overlap winding", {a, b}, FP_WINDINGMODE, Rects({{0, 0, 20, 10}, {0, 10, 30, 20}, {10, 20, 30, 30}})},
      // A triangle: row y holds the dots whose centres lie left of the
      // diagonal; a centre on the right edge is outside.
      {"triangle", {{{0, 0}, {4, 4}, {0, 4}}}, FP_ALTERNATEMODE, Rects({{0, 1, 1, 2}, {0, 2, 2, 3}, {0, 3, 3, 4}})},
      {"degenerate", {{{0, 0}, {10, 0}, {20, 0}}}, FP_WINDINGMODE, {}},
  };
  for (const Case& c : cases) {
    auto got = Region::FromPolygon(c.rings, c.mode).rects();
    EXPECT_TRUE(SameRects(got, c.want)) << c.name << ": " << Show(got);
  }
}

TEST(Region, CombinesAndTranslates) {
  Region l = Region::FromRects({{0, 0, 20, 10}, {0, 10, 10, 20}});
  Region band = Region::FromRect({5, 5, 100, 15});
  EXPECT_TRUE(SameRects(l.Intersect(band).rects(), Rects({{5, 5, 20, 10}, {5, 10, 10, 15}})));
  EXPECT_TRUE(SameRects(l.Union(Region::FromRect({10, 10, 20, 20})).rects(), Rects({{0, 0, 20, 20}})));
  EXPECT_TRUE(SameRects(l.Translate(100, -10).rects(), Rects({{100, -10, 120, 0}, {100, 0, 110, 10}})));
  RECTL bd = l.bounds();
  EXPECT_EQ(bd.left, 0);
  EXPECT_EQ(bd.bottom, 20);
  EXPECT_EQ(bd.right, 20);
  // Touching rectangles merge; the empty region has no rectangles.
  EXPECT_TRUE(SameRects(Region::FromRects({{0, 0, 5, 5}, {5, 0, 9, 5}}).rects(), Rects({{0, 0, 9, 5}})));
  EXPECT_TRUE(l.Intersect(Region::FromRect({50, 50, 60, 60})).empty());
}

TEST(ClipObject, EnumeratesInBatchesAndKeepsTheLastOne) {
  // 301 one-dot rectangles on one row, x = 0, 2, ..., 600.
  std::vector<RECTL> dots;
  for (LONG x = 0; x <= 600; x += 2) dots.push_back(RECTL{x, 7, x + 1, 8});
  CLIPOBJ* pco = CreateClip(Region::FromRects(dots));
  ASSERT_NE(pco, nullptr);
  EXPECT_EQ(pco->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0), 301u);

  std::vector<RECTL> got;
  auto big = EnumerateAll(pco, sizeof(ENUMRECTS300), &got);
  ASSERT_EQ(big.size(), 2u);
  EXPECT_EQ(big[0].c, 300u);
  EXPECT_TRUE(big[0].more);
  EXPECT_EQ(big[1].c, 1u);  // the last batch comes with FALSE
  EXPECT_FALSE(big[1].more);
  EXPECT_TRUE(SameRects(got, dots));

  auto small = EnumerateAll(pco, sizeof(ENUMRECTS50));
  ASSERT_EQ(small.size(), 7u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(small[i].c, 50u);
    EXPECT_TRUE(small[i].more);
  }
  EXPECT_EQ(small[6].c, 1u);
  EXPECT_FALSE(small[6].more);

  // Past the end: nothing, FALSE. A buffer too small for one rectangle: 0, FALSE.
  ULONG buf[5] = {99};
  EXPECT_FALSE(CLIPOBJ_bEnum(pco, sizeof(buf), buf));
  EXPECT_EQ(buf[0], 0u);
  CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
  buf[0] = 99;
  EXPECT_FALSE(CLIPOBJ_bEnum(pco, 19, buf));
  EXPECT_EQ(buf[0], 0u);
  DeleteClip(pco);
}

TEST(ClipObject, ExactBatchEmptyAndSingleRectangle) {
  std::vector<RECTL> dots;
  for (LONG x = 0; x < 600; x += 2) dots.push_back(RECTL{x, 0, x + 1, 1});
  CLIPOBJ* exact = CreateClip(Region::FromRects(dots));
  auto b = EnumerateAll(exact, sizeof(ENUMRECTS300));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].c, 300u);
  EXPECT_FALSE(b[0].more);

  CLIPOBJ* empty = CreateClip(Region());
  b = EnumerateAll(empty, sizeof(ENUMRECTS300));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].c, 0u);
  EXPECT_FALSE(b[0].more);

  CLIPOBJ* rect = CreateClip(Region::FromRect({100, 450, 300, 500}));
  EXPECT_EQ(rect->iDComplexity, DC_RECT);
  EXPECT_EQ(rect->rclBounds.top, 450);
  std::vector<RECTL> got;
  b = EnumerateAll(rect, sizeof(ENUMRECTS50), &got);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_FALSE(b[0].more);
  EXPECT_TRUE(SameRects(got, Rects({{100, 450, 300, 500}})));

  CLIPOBJ* trivial = CreateTrivialClip({0, 0, 800, 500});
  EXPECT_EQ(trivial->iDComplexity, DC_TRIVIAL);
  for (CLIPOBJ* c : {exact, empty, rect, trivial}) DeleteClip(c);
}

namespace {

std::vector<std::vector<POINTFIX>> Subpaths(PATHOBJ* ppo, std::vector<FLONG>* flags) {
  std::vector<std::vector<POINTFIX>> out;
  PATHDATA pd;
  PATHOBJ_vEnumStart(ppo);
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &pd);
    if (pd.flags & PD_BEGINSUBPATH) out.emplace_back();
    for (ULONG i = 0; i < pd.count; ++i) out.back().push_back(pd.pptfx[i]);
    if (pd.flags & PD_ENDSUBPATH) flags->push_back(pd.flags);
  } while (more);
  return out;
}

}  // namespace

TEST(ClipObject, OutlinePathHasOneClosedSubpathPerBoundary) {
  struct Case {
    const char* name;
    Region region;
    std::vector<size_t> pointsPerSubpath;
  };
  Region ring = Region::FromRect({0, 0, 30, 30})
                    .Intersect(Region::FromRects({{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}}));
  std::vector<Case> cases = {
      {"two rectangles", Region::FromRects({{0, 0, 20, 10}, {40, 0, 50, 10}}), {4, 4}},
      {"L", Region::FromRects({{0, 0, 20, 10}, {0, 10, 10, 20}}), {6}},
      {"ring", ring, {4, 4}},
      {"corner touch", Region::FromRects({{0, 0, 10, 10}, {10, 10, 20, 20}}), {4, 4}},
  };
  for (Case& c : cases) {
    size_t before = LiveEngineObjects();
    CLIPOBJ* pco = CreateClip(c.region);
    PATHOBJ* ppo = CLIPOBJ_ppoGetPath(pco);
    ASSERT_NE(ppo, nullptr) << c.name;
    std::vector<FLONG> flags;
    auto subs = Subpaths(ppo, &flags);
    ASSERT_EQ(subs.size(), c.pointsPerSubpath.size()) << c.name;
    for (size_t i = 0; i < subs.size(); ++i) {
      EXPECT_EQ(subs[i].size(), c.pointsPerSubpath[i]) << c.name;
      EXPECT_EQ(flags[i], FLONG(PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE)) << c.name;
    }
    // The outline encloses exactly the region again.
    EXPECT_TRUE(Region::FromPolygonFix(subs, FP_ALTERNATEMODE) == c.region) << c.name;
    EngDeletePath(ppo);
    DeleteClip(pco);
    EXPECT_EQ(LiveEngineObjects(), before) << c.name;
  }

  // The first rectangle of the pair, in 28.4 from its top-left corner.
  CLIPOBJ* pco = CreateClip(Region::FromRects({{0, 0, 20, 10}, {40, 0, 50, 10}}));
  PATHOBJ* ppo = CLIPOBJ_ppoGetPath(pco);
  std::vector<FLONG> flags;
  auto subs = Subpaths(ppo, &flags);
  std::vector<std::pair<FIX, FIX>> want{{0, 0}, {320, 0}, {320, 160}, {0, 160}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(subs[0][i].x, want[i].first);
    EXPECT_EQ(subs[0][i].y, want[i].second);
  }
  EXPECT_EQ(ppo->cCurves, 8u);
  EngDeletePath(ppo);
  DeleteClip(pco);
}

TEST(ClipObject, OutlinesOfRandomRegionsEncloseThemExactly) {
  // Unions of small rectangles on a coarse grid give touching corners, holes
  // and nested pieces; filling the outline (even-odd) must give the region back.
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<RECTL> rects;
    for (uint32_t k = 0, n = 1 + next(8); k < n; ++k) {
      LONG l = LONG(next(6)) * 3, t = LONG(next(6)) * 3;
      rects.push_back(RECTL{l, t, l + 3 * LONG(1 + next(3)), t + 3 * LONG(1 + next(3))});
    }
    Region region = Region::FromRects(rects);
    CLIPOBJ* pco = CreateClip(region);
    PATHOBJ* ppo = CLIPOBJ_ppoGetPath(pco);
    std::vector<FLONG> flags;
    auto subs = Subpaths(ppo, &flags);
    for (const auto& s : subs) EXPECT_GE(s.size(), 4u);
    EXPECT_TRUE(Region::FromPolygonFix(subs, FP_ALTERNATEMODE) == region) << "trial " << trial;
    EngDeletePath(ppo);
    DeleteClip(pco);
  }
}

TEST(Region, PolygonFillMatchesADotByDotTest) {
  uint32_t seed = 777;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int trial = 0; trial < 100; ++trial) {
    std::vector<POINTFIX> ring;
    for (uint32_t k = 0, n = 3 + next(6); k < n; ++k) ring.push_back(POINTFIX{FIX(next(640)), FIX(next(640))});
    for (ULONG mode : {ULONG(FP_ALTERNATEMODE), ULONG(FP_WINDINGMODE)}) {
      Region r = Region::FromPolygonFix({ring}, mode);
      std::vector<RECTL> dots;
      for (LONG y = 0; y < 40; ++y)
        for (LONG x = 0; x < 40; ++x) {
          // Crossings at or left of the dot's centre, edges half-open in y.
          double cx = 16.0 * x + 8, cy = 16.0 * y + 8;
          int crossings = 0, winding = 0;
          for (size_t i = 0; i < ring.size(); ++i) {
            POINTFIX p = ring[i], q = ring[(i + 1) % ring.size()];
            if (p.y == q.y || cy < std::min(p.y, q.y) || cy >= std::max(p.y, q.y)) continue;
            double xc = p.x + (cy - p.y) * (q.x - p.x) / double(q.y - p.y);
            if (xc <= cx) {
              ++crossings;
              winding += q.y > p.y ? 1 : -1;
            }
          }
          if (mode == FP_ALTERNATEMODE ? (crossings & 1) : winding != 0) dots.push_back(RECTL{x, y, x + 1, y + 1});
        }
      EXPECT_TRUE(r == Region::FromRects(dots)) << "trial " << trial << " mode " << mode;
    }
  }
}
