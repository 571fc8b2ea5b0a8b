// The polygon geometry under the fill and the clip: point in polygon,
// segments cut to a polygon, the rectangle intersection, the cut of bounds
// to a clip object and the relations they are built on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/polygon_relations.h"
#include "platform/gdi/engine_host.h"

namespace {

const std::vector<POINTL> kSquare{{10, 10}, {20, 10}, {20, 20}, {10, 20}};

int Where(POINTL p, const std::vector<POINTL>& pts) { return PointInPolygon(p, pts.data(), uint32_t(pts.size())); }

TEST(PointInPolygonTest, EdgesAndVerticesAreOnTheOutline) {
  struct Case {
    POINTL p;
    int want;
  } const cases[] = {
      {{15, 10}, 2}, {{10, 15}, 2}, {{20, 17}, 2}, {{15, 20}, 2}, {{10, 10}, 2}, {{20, 20}, 2}, {{15, 15}, 1},
      {{11, 19}, 1}, {{25, 15}, 0}, {{15, 5}, 0},  {{15, 25}, 0}, {{9, 10}, 0},  {{21, 20}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Where(c.p, kSquare), c.want) << c.p.x << "," << c.p.y;
}

TEST(PointInPolygonTest, RayThroughAVertexCountsOnceOrNotAtAll) {
  // The apex (10, 0) above the point: the outline passes from one side of
  // the ray to the other there.
  EXPECT_EQ(Where({10, 10}, {{0, 20}, {10, 0}, {20, 20}}), 1);
  // A notch from below: the ray passes the notch's vertex, then the top.
  const std::vector<POINTL> notched{{0, 0}, {20, 0}, {20, 40}, {10, 20}, {0, 40}};
  EXPECT_EQ(Where({10, 30}, notched), 0);
  EXPECT_EQ(Where({10, 10}, notched), 1);
  // The outline turns back at (10, 10), both neighbours right of the ray.
  EXPECT_EQ(Where({10, 30}, {{10, 10}, {20, 0}, {30, 0}, {30, 20}, {20, 20}}), 0);
  // Along a vertical edge above the point: the outline crosses the ray's
  // column there.
  EXPECT_EQ(Where({10, 30}, {{0, 0}, {10, 5}, {10, 15}, {20, 20}, {20, 40}, {0, 40}}), 1);
  // A vertex written twice counts as one corner.
  EXPECT_EQ(Where({10, 10}, {{0, 20}, {10, 0}, {10, 0}, {20, 20}}), 1);
}

TEST(PointInPolygonTest, BoundedTestAnswersOutsideTheBoundsWithoutWalkingTheEdges) {
  // Bounds that do not match the polygon show that its edges are not asked.
  EXPECT_EQ(PointInPolygonBounded(RECTL{0, 0, 5, 5}, POINTL{15, 15}, kSquare.data(), 4), 0);
  EXPECT_EQ(PointInPolygonBounded(RECTL{10, 10, 20, 20}, POINTL{15, 15}, kSquare.data(), 4), 1);
  EXPECT_EQ(PointInPolygonBounded(RECTL{10, 10, 20, 20}, POINTL{20, 20}, kSquare.data(), 4), 2);
}

TEST(ClipSegmentTest, SegmentKeepsItsFirstInsidePieceOnly) {
  // A U open at the top: arms 0-10 and 20-30, rows 0-30.
  const std::vector<POINTL> u{{0, 0}, {10, 0}, {10, 20}, {20, 20}, {20, 0}, {30, 0}, {30, 30}, {0, 30}};
  PolySegment s{-5, 10, 40, 10};
  ASSERT_EQ(ClipSegmentToPolygon(&s, u.data(), 8), 1);
  EXPECT_EQ(s.x0, 0);
  EXPECT_EQ(s.x1, 10);
  EXPECT_EQ(s.y0, 10);
  EXPECT_EQ(s.y1, 10);
  // Slanted across both arms.
  PolySegment slanted{-10, 5, 40, 15};
  ASSERT_EQ(ClipSegmentToPolygon(&slanted, u.data(), 8), 1);
  EXPECT_EQ(slanted.x0, 0);
  EXPECT_EQ(slanted.x1, 10);
  // Vertical through the U's bottom only.
  PolySegment down{15, -5, 15, 40};
  ASSERT_EQ(ClipSegmentToPolygon(&down, u.data(), 8), 1);
  EXPECT_EQ(down.y0, 20);
  EXPECT_EQ(down.y1, 30);
  // Along the outline: its boundary piece.
  PolySegment along{-5, 30, 5, 30};
  ASSERT_EQ(ClipSegmentToPolygon(&along, u.data(), 8), 1);
  EXPECT_EQ(along.x0, 0);
  EXPECT_EQ(along.x1, 5);

  PolySegment outside{40, 40, 50, 50};
  EXPECT_EQ(ClipSegmentToPolygon(&outside, u.data(), 8), 2);
  EXPECT_EQ(outside.x0, 40);
  PolySegment any{0, 0, 5, 5};
  EXPECT_EQ(ClipSegmentToPolygon(&any, u.data(), 2), 0);
  EXPECT_EQ(ClipSegmentToPolygon(&any, nullptr, 8), 0);
}

TEST(IntersectRectanglesTest, ApartTouchingOverlappingAndContained) {
  struct Case {
    RECTL a, b;
    int result;
    int32_t kind;
    RECTL out;
  } const cases[] = {
      {{0, 0, 10, 10}, {10, 2, 20, 8}, 2, kRectsTouch, {10, 2, 10, 8}},
      {{10, 0, 20, 10}, {0, 2, 10, 8}, 2, kRectsTouch, {10, 2, 10, 8}},
      {{0, 0, 10, 10}, {2, 10, 8, 20}, 2, kRectsTouch, {2, 10, 8, 10}},
      {{0, 10, 10, 20}, {2, 0, 8, 10}, 2, kRectsTouch, {2, 10, 8, 10}},
      // No corner of b inside a.
      {{0, 4, 20, 6}, {8, 0, 12, 10}, 1, kRectsOverlap, {8, 4, 12, 6}},
      // b inside a, and a inside b.
      {{0, 0, 20, 20}, {5, 6, 7, 8}, 1, kRectsOverlap, {5, 6, 7, 8}},
      {{5, 6, 7, 8}, {0, 0, 20, 20}, 1, kRectsOverlap, {5, 6, 7, 8}},
      // Some corners inside.
      {{0, 0, 10, 10}, {5, 5, 15, 15}, 1, kRectsOverlap, {5, 5, 10, 10}},
      {{0, 0, 10, 10}, {20, 0, 30, 10}, 0, 0, {0, 0, 0, 0}},
      {{0, 0, 10, 10}, {0, 11, 10, 20}, 0, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RectQuad out = QuadOfRect(RECTL{0, 0, 0, 0});
    int32_t kind = -1;
    EXPECT_EQ(IntersectRectangles(QuadOfRect(c.a), QuadOfRect(c.b), &out, &kind), c.result) << c.b.left;
    EXPECT_EQ(kind, c.kind) << c.b.left;
    if (c.result != 0) {
      const RECTL r = RectOfQuad(out);
      EXPECT_EQ(r.left, c.out.left);
      EXPECT_EQ(r.top, c.out.top);
      EXPECT_EQ(r.right, c.out.right);
      EXPECT_EQ(r.bottom, c.out.bottom);
    }
  }
}

TEST(ClipBoundsTest, BoundsAreCutToARectangularClipOnly) {
  const size_t live = pkgdi::LiveEngineObjects();
  RECTL bounds{0, 0, 50, 50};
  EXPECT_EQ(ClipBoundsToClipObject(nullptr, &bounds), 1);
  CLIPOBJ* trivial = pkgdi::CreateTrivialClip(RECTL{0, 0, 10, 10});
  EXPECT_EQ(ClipBoundsToClipObject(trivial, &bounds), 1);
  EXPECT_EQ(bounds.right, 50);
  CLIPOBJ* rect = pkgdi::CreateClip(pkgdi::Region::FromRect(RECTL{100, 100, 120, 120}));
  ASSERT_EQ(rect->iDComplexity, DC_RECT);
  EXPECT_EQ(ClipBoundsToClipObject(rect, &bounds), 0);
  CLIPOBJ* near = pkgdi::CreateClip(pkgdi::Region::FromRect(RECTL{20, 30, 80, 90}));
  EXPECT_EQ(ClipBoundsToClipObject(near, &bounds), 1);
  EXPECT_EQ(bounds.left, 20);
  EXPECT_EQ(bounds.top, 30);
  EXPECT_EQ(bounds.right, 50);
  EXPECT_EQ(bounds.bottom, 50);
  CLIPOBJ* complex = pkgdi::CreateClip(pkgdi::Region::FromRects({RECTL{0, 0, 5, 5}, RECTL{10, 10, 15, 15}}));
  ASSERT_EQ(complex->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(ClipBoundsToClipObject(complex, &bounds), 2);
  EXPECT_EQ(bounds.left, 20);
  for (CLIPOBJ* c : {trivial, rect, near, complex}) pkgdi::DeleteClip(c);
  EXPECT_EQ(pkgdi::LiveEngineObjects(), live);
}

TEST(PolygonRelationsTest, AxisSegmentsCrossTouchOrMiss) {
  struct Case {
    PolySegment a, b;
    int want;
  } const cases[] = {
      {{0, 5, 10, 5}, {5, 0, 5, 10}, 1},   {{0, 5, 10, 5}, {5, 5, 5, 10}, 2}, {{10, 5, 0, 5}, {0, 0, 0, 10}, 2},
      {{0, 5, 10, 5}, {20, 0, 20, 10}, 0}, {{0, 5, 10, 5}, {0, 5, 10, 5}, 0}, {{5, 0, 5, 10}, {5, 2, 5, 8}, 0},
      {{5, 10, 5, 0}, {10, 5, 0, 5}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(AxisSegmentsRelation(c.a, c.b), c.want) << c.b.x0 << "," << c.b.y0;
}

TEST(PolygonRelationsTest, CrossingsOfAnAxisSegmentRoundHalfAwayFromZero) {
  const POINTL a = IntersectAxisSegmentWithSegment(PolySegment{-10, 1, 10, 1}, PolySegment{0, 0, 5, 2});
  EXPECT_EQ(a.x, 3);
  EXPECT_EQ(a.y, 1);
  const POINTL b = IntersectAxisSegmentWithSegment(PolySegment{-10, 1, 10, 1}, PolySegment{0, 0, -5, 2});
  EXPECT_EQ(b.x, -3);
  const POINTL c = IntersectAxisSegmentWithSegment(PolySegment{1, -10, 1, 10}, PolySegment{0, 0, 2, 5});
  EXPECT_EQ(c.x, 1);
  EXPECT_EQ(c.y, 3);
  EXPECT_EQ(AxisLineEdgeRelation(PolySegment{-10, 1, 10, 1}, PolySegment{0, 0, 5, 2}), 1);
  EXPECT_EQ(AxisLineEdgeRelation(PolySegment{-10, 2, 10, 2}, PolySegment{0, 0, 5, 2}), 2);
  EXPECT_EQ(AxisLineEdgeRelation(PolySegment{-10, 3, 10, 3}, PolySegment{0, 0, 5, 2}), 0);
  EXPECT_EQ(AxisLineEdgeRelation(PolySegment{6, 1, 10, 1}, PolySegment{0, 0, 5, 2}), 0);
}

TEST(PolygonRelationsTest, ParametricIntersectionOfSlantedSegments) {
  double t = 0, u = 0;
  EXPECT_EQ(SegmentIntersectionParameters(PolySegment{0, 0, 10, 10}, PolySegment{0, 10, 10, 0}, &t, &u), 1);
  EXPECT_DOUBLE_EQ(t, 0.5);
  EXPECT_EQ(SegmentIntersectionParameters(PolySegment{0, 0, 10, 10}, PolySegment{1, 0, 11, 10}, &t, &u), 0);
  EXPECT_EQ(SegmentIntersectionParameters(PolySegment{0, 0, 10, 10}, PolySegment{10, 10, 20, 0}, &t, &u), 2);
  EXPECT_EQ(SegmentIntersectionParameters(PolySegment{0, 0, 10, 10}, PolySegment{20, 0, 30, 10}, &t, &u), 0);
  POINTL p{};
  EXPECT_EQ(IntersectSegments(PolySegment{0, 0, 10, 10}, PolySegment{0, 10, 10, 0}, &p), 1);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 5);
  EXPECT_EQ(IntersectSegments(PolySegment{0, 0, 10, 10}, PolySegment{10, 10, 20, 0}, &p), 4);
}

TEST(PolygonRelationsTest, PointItemsSortByXThenY) {
  std::vector<IntersectionItem> items{{5, 2, 1}, {-3, 9, 2}, {5, -1, 2}, {0, 0, 1}, {-3, -9, 1}, {5, 2, 2}};
  std::qsort(items.data(), items.size(), sizeof(IntersectionItem), ComparePointItems);
  for (size_t i = 1; i < items.size(); ++i) {
    const bool ordered = items[i - 1].x < items[i].x || (items[i - 1].x == items[i].x && items[i - 1].y <= items[i].y);
    EXPECT_TRUE(ordered) << i;
  }
  const IntersectionItem a{1, 2, 1}, b{1, 2, 2}, c{2, -5, 1};
  EXPECT_EQ(ComparePointItems(&a, &b), 0);
  EXPECT_LT(ComparePointItems(&a, &c), 0);
  EXPECT_GT(ComparePointItems(&c, &a), 0);
}

}  // namespace
