// The clip region cache of a PDEV whose private heap holds the cached path
// copy: rectangular clips, complex regions stored once and turned into the
// clip polygon of the output stream, callers' path copies, the clip of a
// path drawing, and allocation failures. Every test gives the PDEV heap and
// the global blocks back.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drawing_fixture.h"
#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/clip_path_copy.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::DrawingTest;

class ClipCacheTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    pdev()->heap = HeapCreate(0, 0, 0);
    ASSERT_NE(pdev()->heap, nullptr);
    globalLive_ = pk::seams::GlobalLiveBlocks();
  }
  void TearDown() override {
    pk::seams::FailNthAllocation(0);
    for (PATHOBJ* p : paths_) EngDeletePath(p);
    for (void* b : blocks_) GlobalFree(b);
    ResetClipState(pdev());
    FreeClipPointBuffer(pdev());
    EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 0u);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), globalLive_);
    HeapDestroy(pdev()->heap);
    pdev()->heap = nullptr;
    DrawingTest::TearDown();
  }

  PATHOBJ* Path(const std::vector<std::vector<POINTL>>& figures, bool close = true) {
    PATHOBJ* p = pkgdi::CreatePath();
    for (const auto& f : figures) {
      pkgdi::PathMoveTo(p, POINTFIX{f[0].x * 16, f[0].y * 16});
      for (size_t i = 1; i < f.size(); ++i) pkgdi::PathLineTo(p, POINTFIX{f[i].x * 16, f[i].y * 16});
      if (close) pkgdi::PathCloseFigure(p);
    }
    paths_.push_back(p);
    return p;
  }
  // A path copy in global memory, as the page-image output keeps one.
  ClipPathCopy CopyOf(PATHOBJ* path) {
    ClipPathCopy copy{nullptr, 0, 0};
    copy.bytes = PathCopySize(path, &copy.records);
    void* block = GlobalAlloc(GPTR, SIZE_T(copy.bytes));
    blocks_.push_back(block);
    EXPECT_EQ(BuildPathCopy(block, path, copy.bytes, copy.records), 1);
    copy.block = block;
    return copy;
  }
  // The clip polygon as (x, y) pairs.
  std::vector<std::pair<LONG, LONG>> Polygon() {
    const StreamWorkArea& w = Stream()->work;
    std::vector<std::pair<LONG, LONG>> pts;
    for (uint32_t i = 0; i < w.clipPointCount; ++i) pts.emplace_back(w.clipPoints[i].x, w.clipPoints[i].y);
    return pts;
  }
  static std::vector<std::pair<LONG, LONG>> Points(std::initializer_list<std::pair<LONG, LONG>> list) { return list; }
  PdevClipCache& Cache() { return pdev()->clipCache; }
  int Store(PATHOBJ* path) { return StoreClipPathCopy(pdev(), path, nullptr, 0, 0); }

  SIZE_T globalLive_ = 0;
  std::vector<PATHOBJ*> paths_;
  std::vector<void*> blocks_;
};

const std::vector<std::pair<LONG, LONG>> kTwoRectPolygon{{0, 0},  {20, 0}, {20, 10}, {0, 10},
                                                         {40, 0}, {60, 0}, {60, 10}, {40, 10}};

TEST_F(ClipCacheTest, TwoSeparateRectanglesBecomeOnePolygonInEnumerationOrder) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 20, 10}, RECTL{40, 0, 60, 10}});
  ASSERT_EQ(clip->iDComplexity, DC_COMPLEX);
  ASSERT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(Cache().state, kClipStateComplex);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
  ASSERT_NE(Cache().pathCopy, nullptr);
  EXPECT_EQ(Cache().copyRecords, 2);
  EXPECT_EQ(Cache().copySize, (2 * 2 + 8) * 8);
  EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 1u);
  // A second drawing through the same region builds the same polygon again.
  ASSERT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
  EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 1u);
}

TEST_F(ClipCacheTest, SameRegionIsStoredOnceAndAfterAPageStartAnew) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 20, 10}, RECTL{40, 0, 60, 10}});
  PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
  paths_.push_back(path);
  EXPECT_EQ(Store(path), kClipCopyStored);
  Cache().state = kClipStateComplex;  // as the polygon built from it leaves it
  void* cached = Cache().pathCopy;
  EXPECT_EQ(Store(path), kClipCopyUnchanged);
  EXPECT_EQ(Cache().pathCopy, cached);
  // A region of the same shape elsewhere is copied over the cached block.
  CLIPOBJ* moved = Clip({RECTL{0, 1, 20, 11}, RECTL{40, 1, 60, 11}});
  PATHOBJ* movedPath = CLIPOBJ_ppoGetPath(moved);
  paths_.push_back(movedPath);
  EXPECT_EQ(Store(movedPath), kClipCopyStored);
  EXPECT_EQ(Store(movedPath), kClipCopyUnchanged);
  // A page start frees the copy; the first clip after it is stored anew.
  ResetClipState(pdev());
  EXPECT_EQ(Cache().state, kClipStateReset);
  EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 0u);
  ASSERT_EQ(UpdateClipState(pdev(), moved, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 1u);
  ResetClipState(pdev());
  EXPECT_EQ(Store(movedPath), kClipCopyStored);
}

TEST_F(ClipCacheTest, PathCopiesTakeEveryRecordTheEnumerationHandsOver) {
  PATHOBJ* path = Path({{{0, 0}, {20, 0}, {20, 10}, {0, 10}}, {{40, 0}, {60, 0}, {60, 10}, {40, 10}}});
  // Three points a record: the engine hands the last record over with FALSE.
  pkgdi::SetPathRecordLimit(path, 3);
  int32_t records = 0;
  const int32_t bytes = PathCopySize(path, &records);
  EXPECT_EQ(records, 4);
  EXPECT_EQ(bytes, (2 * 4 + 8) * 8);
  EXPECT_EQ(CountPathPoints(path, nullptr, 0), 8u);
  std::vector<BYTE> block(size_t(bytes), 0xCC);
  ASSERT_EQ(BuildPathCopy(block.data(), path, bytes, records), 1);
  const auto* r = reinterpret_cast<const PathCopyRecord*>(block.data());
  EXPECT_EQ(r[0].count, 3u);
  EXPECT_EQ(r[1].count, 1u);
  EXPECT_EQ(r[3].flags & PD_CLOSEFIGURE, uint32_t(PD_CLOSEFIGURE));
  EXPECT_EQ(r[3].points[0].x, 40 * 16);
  EXPECT_EQ(CountPathPoints(nullptr, block.data(), records), 8u);
  EXPECT_EQ(BuildPathCopy(block.data(), path, 0, records), 0);
  EXPECT_EQ(BuildPathCopy(block.data(), path, bytes, 0), 0);
  // The polygon of the split records is the same.
  ASSERT_EQ(BuildClipPolygon(pdev(), path, nullptr, 0), 1);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
  EXPECT_EQ(BuildClipPolygon(pdev(), nullptr, nullptr, 0), 0);
}

TEST_F(ClipCacheTest, CallersPathCopyIsComparedByteForByteAndStoredWithItsPointersMoved) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 20, 10}, RECTL{40, 0, 60, 10}});
  PATHOBJ* path = Path({{{0, 0}, {20, 0}, {20, 10}, {0, 10}}, {{40, 0}, {60, 0}, {60, 10}, {40, 10}}});
  const ClipPathCopy copy = CopyOf(path);
  ASSERT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, &copy), 1);
  EXPECT_EQ(Cache().state, kClipStateComplex);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
  ASSERT_NE(Cache().pathCopy, copy.block);
  EXPECT_EQ(ComparePathCopies(Cache().pathCopy, copy.block, copy.records, copy.bytes), 0);
  const auto* cached = static_cast<const BYTE*>(Cache().pathCopy);
  const auto* r = reinterpret_cast<const PathCopyRecord*>(cached);
  for (int32_t i = 0; i < copy.records; ++i) {
    const auto* p = reinterpret_cast<const BYTE*>(r[i].points);
    EXPECT_TRUE(p >= cached + 16 * copy.records && p < cached + copy.bytes) << i;
  }
  EXPECT_EQ(StoreClipPathCopy(pdev(), nullptr, copy.block, copy.bytes, copy.records), kClipCopyUnchanged);
  // The cached block handed back in stays as it is.
  EXPECT_EQ(StoreClipPathCopy(pdev(), nullptr, Cache().pathCopy, copy.bytes, copy.records), kClipCopyUnchanged);
  // One point moved: stored anew.
  auto* changed = static_cast<PathCopyRecord*>(const_cast<void*>(copy.block));
  changed[1].points[2].y += 16;
  EXPECT_NE(ComparePathCopies(Cache().pathCopy, copy.block, copy.records, copy.bytes), 0);
  EXPECT_EQ(StoreClipPathCopy(pdev(), nullptr, copy.block, copy.bytes, copy.records), kClipCopyStored);
  // A copy whose points pointer is missing, or whose size does not match its
  // records, is refused.
  POINTFIX* points = changed[1].points;
  changed[1].points = nullptr;
  EXPECT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, &copy), 0);
  changed[1].points = points;
  const ClipPathCopy shortCopy{copy.block, copy.bytes - 8, copy.records};
  EXPECT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, &shortCopy), 0);
}

TEST_F(ClipCacheTest, CachedCopyThatCannotBeAllocatedBuildsThePolygonStraightFromThePath) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 20, 10}, RECTL{40, 0, 60, 10}});
  PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
  paths_.push_back(path);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(Store(path), kClipCopyNoMemory);
  EXPECT_EQ(Cache().pathCopy, nullptr);
  EXPECT_EQ(Cache().copySize, 0);
  // Through UpdateClipState: the polygon still comes, nothing is cached.
  pk::seams::FailNthAllocation(1);
  ASSERT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(Cache().state, kClipStateComplex);
  EXPECT_EQ(Cache().pathCopy, nullptr);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
  EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 0u);
  // The next drawing stores it.
  EXPECT_EQ(Store(path), kClipCopyStored);
  // The aside copy of an equal-sized path failing frees the cached one.
  Cache().state = kClipStateComplex;
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(Store(path), kClipCopyNoMemory);
  EXPECT_EQ(Cache().pathCopy, nullptr);
  // With a caller's copy.
  const ClipPathCopy copy = CopyOf(path);
  pk::seams::FailNthAllocation(1);
  ASSERT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, &copy), 1);
  EXPECT_EQ(Cache().pathCopy, nullptr);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
}

// A polygon missing part of the region would draw outside the clip: the
// point buffer is replaced when too small, and a buffer that cannot be had
// fails the call.
TEST_F(ClipCacheTest, ThreeRectangleRegionGetsItsWholePolygonOrFails) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 10, 10}, RECTL{20, 0, 30, 10}, RECTL{40, 0, 50, 10}});
  // Allocations: the cached copy, then the point buffer.
  pk::seams::FailNthAllocation(2);
  EXPECT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, nullptr), 0);
  pk::seams::FailNthAllocation(0);
  EXPECT_NE(Cache().state, kClipStateComplex);
  EXPECT_EQ(Stream()->work.clipPoints, nullptr);

  ASSERT_EQ(EnsureClipPointBuffer(pdev(), 4), 1);
  Stream()->work.clipPointCount = 3;
  ASSERT_EQ(UpdateClipState(pdev(), clip, nullptr, nullptr, nullptr), 1);
  EXPECT_GE(Stream()->work.clipPointCapacity, 12u);
  EXPECT_EQ(Polygon(), Points({{0, 0},
                               {10, 0},
                               {10, 10},
                               {0, 10},
                               {20, 0},
                               {30, 0},
                               {30, 10},
                               {20, 10},
                               {40, 0},
                               {50, 0},
                               {50, 10},
                               {40, 10}}));
  // A buffer as large as asked is kept.
  POINTL* kept = Stream()->work.clipPoints;
  ASSERT_EQ(EnsureClipPointBuffer(pdev(), 12), 1);
  EXPECT_EQ(Stream()->work.clipPoints, kept);
}

TEST_F(ClipCacheTest, PolygonPointsAreShiftedArithmetically) {
  PATHOBJ* path = pkgdi::CreatePath();
  paths_.push_back(path);
  pkgdi::PathMoveTo(path, POINTFIX{-17, -1});
  pkgdi::PathLineTo(path, POINTFIX{31, 8});
  pkgdi::PathLineTo(path, POINTFIX{33, 40});
  pkgdi::PathCloseFigure(path);
  ASSERT_EQ(BuildClipPolygon(pdev(), path, nullptr, 0), 1);
  EXPECT_EQ(Polygon(), Points({{-2, -1}, {1, 0}, {2, 2}}));
}

TEST_F(ClipCacheTest, RectangleFillPastARectangularClipNeedsNoClipState) {
  CLIPOBJ* rect = Clip({RECTL{0, 0, 30, 30}});
  ASSERT_EQ(rect->iDComplexity, DC_RECT);
  PATHOBJ* box = Path({{{10, 10}, {40, 10}, {40, 20}, {10, 20}}});
  Cache().state = kClipStateReset;
  ASSERT_EQ(PrepareClipForPath(pdev(), box, rect, 2), 1);
  EXPECT_EQ(Cache().state, kClipStateNone);
  EXPECT_EQ(Stream()->work.clipPoints, nullptr);
  // As a stroke, or as a five-point path, it goes through the clip state.
  ASSERT_EQ(PrepareClipForPath(pdev(), box, rect, 1), 1);
  EXPECT_EQ(Cache().state, kClipStateRect);
  EXPECT_EQ(Cache().rect.right, 30);
  Cache().state = kClipStateNone;
  PATHOBJ* five = Path({{{10, 10}, {25, 10}, {40, 10}, {40, 20}, {10, 20}}});
  ASSERT_EQ(PrepareClipForPath(pdev(), five, rect, 2), 1);
  EXPECT_EQ(Cache().state, kClipStateRect);
  // Wholly inside the clip: nothing to clip.
  PATHOBJ* small = Path({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}});
  ASSERT_EQ(PrepareClipForPath(pdev(), small, rect, 1), 1);
  EXPECT_EQ(Cache().state, kClipStateNone);
  // The bounds reach one dot past the path's far edges: a path ending on the
  // clip's right edge reaches past it.
  PATHOBJ* edge = Path({{{10, 10}, {25, 10}, {30, 20}}});
  ASSERT_EQ(PrepareClipForPath(pdev(), edge, rect, 1), 1);
  EXPECT_EQ(Cache().state, kClipStateRect);
  // A complex clip gives the polygon.
  CLIPOBJ* complex = Clip({RECTL{0, 0, 20, 10}, RECTL{40, 0, 60, 10}});
  ASSERT_EQ(PrepareClipForPath(pdev(), box, complex, 2), 1);
  EXPECT_EQ(Cache().state, kClipStateComplex);
  EXPECT_EQ(Polygon(), kTwoRectPolygon);
}

TEST_F(ClipCacheTest, EmptyComplexRegionFailsTheDrawingCall) {
  CLIPOBJ* empty = Clip({});
  ASSERT_EQ(empty->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(UpdateClipState(pdev(), empty, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 0u);
}

}  // namespace
