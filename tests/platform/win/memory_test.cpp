// Global blocks and private heaps: zeroing, locking, handles, re-allocation,
// live counts, and the allocation-failure seams.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"

namespace seams = pk::seams;

TEST(WinMemory, ZeroInitialisedBlocks) {
  for (UINT flags : {GMEM_FIXED | GMEM_ZEROINIT, GMEM_MOVEABLE | GMEM_ZEROINIT}) {
    HGLOBAL h = GlobalAlloc(flags, 300);
    ASSERT_NE(h, nullptr);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(p[i], 0) << i;
    EXPECT_EQ(GlobalSize(h), 300u);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
  }
}

TEST(WinMemory, MovableBlockLocksTwiceAndKnowsItsHandle) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(h, nullptr);
  void* p1 = GlobalLock(h);
  void* p2 = GlobalLock(h);
  ASSERT_NE(p1, nullptr);
  EXPECT_EQ(p1, p2);
  EXPECT_NE(p1, h);
  EXPECT_EQ(GlobalHandle(p1), h);
  EXPECT_TRUE(GlobalUnlock(h));   // still locked once
  EXPECT_FALSE(GlobalUnlock(h));  // now free
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  EXPECT_FALSE(GlobalUnlock(h));  // not locked
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

  HGLOBAL f = GlobalAlloc(GMEM_FIXED, 16);
  EXPECT_EQ(GlobalLock(f), f);
  EXPECT_EQ(GlobalHandle(f), f);
  GlobalFree(f);
  GlobalFree(h);
}

TEST(WinMemory, ReAllocKeepsContentsAndZeroesGrowth) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
  memcpy(GlobalLock(h), "abcd", 4);
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 10, GMEM_ZEROINIT), h);
  auto* p = static_cast<char*>(GlobalLock(h));
  EXPECT_EQ(memcmp(p, "abcd\0\0\0\0\0\0", 10), 0);
  GlobalUnlock(h);
  GlobalFree(h);

  HGLOBAL f = GlobalAlloc(GMEM_FIXED, 4);
  EXPECT_EQ(GlobalReAlloc(f, 8, 0), nullptr);  // a fixed block may not move
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  HGLOBAL g = GlobalReAlloc(f, 8, GMEM_MOVEABLE);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(GlobalSize(g), 8u);
  GlobalFree(g);
}

TEST(WinMemory, ForeignHandlesFailWithInvalidHandle) {
  int local = 0;
  HGLOBAL h = GlobalAlloc(GMEM_FIXED, 4);
  GlobalFree(h);
  for (HGLOBAL bad : {static_cast<HGLOBAL>(&local), h}) {
    SetLastError(0);
    EXPECT_EQ(GlobalFree(bad), bad);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_EQ(GlobalSize(bad), 0u);
  }
  HANDLE heap = HeapCreate(0, 0, 0);
  EXPECT_FALSE(HeapFree(heap, 0, &local));
  EXPECT_EQ(HeapSize(heap, 0, &local), static_cast<SIZE_T>(-1));
  HeapDestroy(heap);
  EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// The PDEV heap: three live blocks, then the heap goes with all of them (the
// leak checker of the sanitizer build sees that nothing stays behind).
TEST(WinMemory, HeapDestroyFreesEveryBlock) {
  SIZE_T heapsBefore = seams::LiveHeaps();
  HANDLE heap = HeapCreate(0, 8192, 0);
  ASSERT_NE(heap, nullptr);
  auto* a = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 6984));
  void* b = HeapAlloc(heap, 0, 100);
  void* c = HeapAlloc(heap, 0, 1);
  ASSERT_TRUE(a && b && c);
  for (int i = 0; i < 6984; ++i) ASSERT_EQ(a[i], 0);
  EXPECT_EQ(HeapSize(heap, 0, b), 100u);
  EXPECT_EQ(seams::HeapLiveBlocks(heap), 3u);
  void* b2 = HeapReAlloc(heap, HEAP_ZERO_MEMORY, b, 200);
  ASSERT_NE(b2, nullptr);
  EXPECT_EQ(HeapSize(heap, 0, b2), 200u);
  EXPECT_TRUE(HeapFree(heap, 0, c));
  EXPECT_EQ(seams::HeapLiveBlocks(heap), 2u);
  HeapAlloc(heap, 0, 5);
  EXPECT_EQ(seams::HeapLiveBlocks(heap), 3u);
  EXPECT_TRUE(HeapDestroy(heap));
  EXPECT_EQ(seams::HeapLiveBlocks(heap), 0u);
  EXPECT_EQ(seams::LiveHeaps(), heapsBefore);
  EXPECT_FALSE(HeapDestroy(heap));
}

// Handles of freed blocks and destroyed heaps stay dead: a new block or heap
// never answers to them.
TEST(WinMemory, StaleHandlesNeverReachNewBlocks) {
  for (int round = 0; round < 50; ++round) {
    HGLOBAL old = GlobalAlloc(GMEM_MOVEABLE, 32);
    GlobalFree(old);
    HGLOBAL fresh = GlobalAlloc(GMEM_MOVEABLE, 32);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(GlobalLock(old), nullptr);
    GlobalFree(fresh);

    HANDLE oldHeap = HeapCreate(0, 0, 0);
    HeapDestroy(oldHeap);
    HANDLE freshHeap = HeapCreate(0, 0, 0);
    EXPECT_NE(freshHeap, oldHeap);
    EXPECT_EQ(HeapAlloc(oldHeap, 0, 8), nullptr);
    HeapDestroy(freshHeap);
  }
}

TEST(WinMemory, HeapMaximumCapsLiveBytes) {
  HANDLE heap = HeapCreate(0, 0, 1000);
  void* a = HeapAlloc(heap, 0, 600);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(HeapAlloc(heap, 0, 600), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  HeapFree(heap, 0, a);
  EXPECT_NE(HeapAlloc(heap, 0, 600), nullptr);
  HeapDestroy(heap);
}

TEST(WinMemory, FailTheThirdAllocation) {
  SIZE_T before = seams::GlobalLiveBlocks();
  seams::FailNthAllocation(3);
  HGLOBAL a = GlobalAlloc(GPTR, 8);
  HGLOBAL b = GlobalAlloc(GPTR, 8);
  SetLastError(0);
  HGLOBAL c = GlobalAlloc(GPTR, 8);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(seams::GlobalLiveBlocks(), before + 2);
  HGLOBAL d = GlobalAlloc(GPTR, 8);  // only the one fails
  EXPECT_NE(d, nullptr);
  for (HGLOBAL h : {a, b, d}) GlobalFree(h);
  EXPECT_EQ(seams::GlobalLiveBlocks(), before);

  // Heaps share the count.
  HANDLE heap = HeapCreate(0, 0, 0);
  seams::FailNthAllocation(2);
  EXPECT_NE(HeapAlloc(heap, 0, 4), nullptr);
  EXPECT_EQ(HeapAlloc(heap, 0, 4), nullptr);
  EXPECT_EQ(seams::HeapLiveBlocks(heap), 1u);
  HeapDestroy(heap);
}

TEST(WinMemory, FailFromSize) {
  seams::FailAllocationsFrom(76000000);
  EXPECT_EQ(GlobalAlloc(GPTR, 76000000), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  HGLOBAL ok = GlobalAlloc(GPTR, 1000000);
  EXPECT_NE(ok, nullptr);
  GlobalFree(ok);
  seams::FailAllocationsFrom(0);
  HGLOBAL big = GlobalAlloc(GPTR, 76000000);  // never fails on its own here
  EXPECT_NE(big, nullptr);
  GlobalFree(big);
}
