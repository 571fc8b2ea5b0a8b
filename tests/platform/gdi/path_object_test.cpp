// Paths: records of a limited number of points with the subpath flags on the
// right records, restart, bounds, segment counts and flattened curves.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/gdi/engine_host.h"

using namespace pkgdi;

namespace {

struct Record {
  ULONG count;
  FLONG flags;
  BOOL more;
};

std::vector<Record> Records(PATHOBJ* ppo, std::vector<POINTFIX>* points = nullptr) {
  std::vector<Record> out;
  PATHDATA pd;
  PATHOBJ_vEnumStart(ppo);
  for (int guard = 0; guard < 10000; ++guard) {
    BOOL more = PATHOBJ_bEnum(ppo, &pd);
    out.push_back(Record{pd.count, pd.flags, more});
    if (points)
      for (ULONG i = 0; i < pd.count; ++i) points->push_back(pd.pptfx[i]);
    if (!more) break;
  }
  return out;
}

}  // namespace

TEST(PathObject, SplitsASubpathIntoRecordsAndRestarts) {
  PATHOBJ* ppo = CreatePath();
  PathMoveTo(ppo, POINTFIX{0, 0});
  for (FIX i = 1; i < 10; ++i) PathLineTo(ppo, POINTFIX{i * 16, (i % 2) * 16});
  PathCloseFigure(ppo);
  SetPathRecordLimit(ppo, 4);
  EXPECT_EQ(ppo->cCurves, 10u);  // nine lines and the closing one

  std::vector<Record> want{{4, PD_BEGINSUBPATH, TRUE}, {4, 0, TRUE}, {2, PD_ENDSUBPATH | PD_CLOSEFIGURE, FALSE}};
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<POINTFIX> pts;
    auto got = Records(ppo, &pts);
    ASSERT_EQ(got.size(), want.size()) << "pass " << pass;
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(got[i].count, want[i].count);
      EXPECT_EQ(got[i].flags, want[i].flags);
      EXPECT_EQ(got[i].more, want[i].more);
    }
    ASSERT_EQ(pts.size(), 10u);
    EXPECT_EQ(pts[9].x, 144);
  }
  // Past the end: no record.
  PATHDATA pd;
  EXPECT_FALSE(PATHOBJ_bEnum(ppo, &pd));
  EXPECT_EQ(pd.count, 0u);

  RECTFX b;
  PATHOBJ_vGetBounds(ppo, &b);
  EXPECT_EQ(b.xLeft, 0);
  EXPECT_EQ(b.yTop, 0);
  EXPECT_EQ(b.xRight, 144);
  EXPECT_EQ(b.yBottom, 16);
  EngDeletePath(ppo);
}

TEST(PathObject, SeveralSubpathsWithoutLimitAndOpenFigures) {
  PATHOBJ* ppo = CreatePath();
  PathMoveTo(ppo, POINTFIX{1600, 320});
  PathLineTo(ppo, POINTFIX{4800, 320});
  PathMoveTo(ppo, POINTFIX{0, 0});
  PathLineTo(ppo, POINTFIX{16, 0});
  PathLineTo(ppo, POINTFIX{16, 16});
  PathCloseFigure(ppo);
  EXPECT_EQ(ppo->cCurves, 1u + 3u);
  auto got = Records(ppo);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].count, 2u);
  EXPECT_EQ(got[0].flags, FLONG(PD_BEGINSUBPATH | PD_ENDSUBPATH));
  EXPECT_TRUE(got[0].more);
  EXPECT_EQ(got[1].count, 3u);
  EXPECT_EQ(got[1].flags, FLONG(PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE));
  EXPECT_FALSE(got[1].more);
  EngDeletePath(ppo);

  PATHOBJ* empty = CreatePath();
  EXPECT_EQ(Records(empty)[0].count, 0u);
  RECTFX b{1, 1, 1, 1};
  PATHOBJ_vGetBounds(empty, &b);
  EXPECT_EQ(b.xRight, 0);
  EngDeletePath(empty);
}

TEST(PathObject, FlattensABezierOntoItsCurve) {
  // A quarter circle of radius 100 dots about (200, 200) dots, in 28.4.
  const double r = 1600, cx = 3200, cy = 3200, k = 0.5522847498 * r;
  PATHOBJ* ppo = CreatePath();
  PathMoveTo(ppo, POINTFIX{FIX(cx + r), FIX(cy)});
  PathBezierTo(ppo, POINTFIX{FIX(cx + r), FIX(cy + k)}, POINTFIX{FIX(cx + k), FIX(cy + r)},
               POINTFIX{FIX(cx), FIX(cy + r)});
  std::vector<POINTFIX> pts;
  auto recs = Records(ppo, &pts);
  EXPECT_EQ(ppo->fl & PO_BEZIERS, 0u);
  for (auto& rec : recs) EXPECT_EQ(rec.flags & PD_BEZIERS, 0u);
  ASSERT_GT(pts.size(), 8u);
  EXPECT_EQ(ppo->cCurves, pts.size() - 1);
  for (const POINTFIX& p : pts) EXPECT_NEAR(std::hypot(p.x - cx, p.y - cy), r, 5.0);
  EXPECT_EQ(pts.back().x, FIX(cx));
  EXPECT_EQ(pts.back().y, FIX(cy + r));
  EngDeletePath(ppo);
}
