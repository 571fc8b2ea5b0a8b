// The device memory pool: rounding, the top part of the first fitting block,
// neighbours given up when nothing fits, the place a request would take
// without taking it, and the failures.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "graphics_driver/job_output/memory_pool.h"
#include "platform/win/win_seams.h"

namespace {

using Blocks = std::vector<std::pair<uint64_t, uint32_t>>;

// Every block from first to last as (offset, size).
Blocks List(const MemoryPool* pool) {
  Blocks out;
  for (const PoolBlock* b = pool->first; b; b = b->next) out.emplace_back(b->offset, b->size);
  return out;
}

uint64_t Take(MemoryPool* pool, uint32_t n, DWORD expected = kPoolOk) {
  uint64_t offset = 12345;
  EXPECT_EQ(TakePoolBlock(pool, &offset, 1, 2, 3, n), expected) << n;
  return offset;
}

TEST(MemoryPool, TopPartsOfTheFirstFittingBlock) {
  MemoryPool* pool = nullptr;
  ASSERT_EQ(CreateMemoryPool(&pool, 1100), kPoolOk);
  EXPECT_EQ(pool->size, 1088u);
  Take(pool, 1088, kPoolNoRoom);
  EXPECT_EQ(Take(pool, 1024), 64u);
  EXPECT_EQ(List(pool), (Blocks{{0, 64}, {64, 1024}}));
  EXPECT_EQ(pool->last->tagA, 2);
  EXPECT_EQ(pool->last->tagB, 1);
  EXPECT_EQ(pool->last->tagC, 3);
  EXPECT_EQ(pool->first->tagA, 0);
  DestroyMemoryPool(pool);

  ASSERT_EQ(CreateMemoryPool(&pool, 1100), kPoolOk);
  EXPECT_EQ(Take(pool, 100), 960u);
  EXPECT_EQ(Take(pool, 65), 832u);
  DestroyMemoryPool(pool);

  ASSERT_EQ(CreateMemoryPool(&pool, 1000), kPoolOk);
  EXPECT_EQ(pool->size, 960u);
  EXPECT_EQ(Take(pool, 1), 896u);
  DestroyMemoryPool(pool);
}

// When no block fits, the first block takes in its neighbours in address
// order; the used blocks it swallows are given up.
TEST(MemoryPool, NeighboursAreGivenUpUntilTheRequestFits) {
  MemoryPool* pool = nullptr;
  ASSERT_EQ(CreateMemoryPool(&pool, 512), kPoolOk);
  EXPECT_EQ(Take(pool, 192), 320u);
  EXPECT_EQ(Take(pool, 192), 128u);
  uint64_t offset = 0;
  ASSERT_EQ(FindPoolPlace(pool, &offset, 256), kPoolOk);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(List(pool), (Blocks{{0, 128}, {320, 192}, {128, 192}}));  // unchanged
  EXPECT_EQ(Take(pool, 256), 0u);
  EXPECT_EQ(List(pool), (Blocks{{256, 64}, {320, 192}, {0, 256}}));
  ASSERT_EQ(FindPoolPlace(pool, &offset, 64), kPoolOk);
  EXPECT_EQ(offset, 256u);
  // A request as large as everything left but the granule the pool keeps.
  EXPECT_EQ(Take(pool, 448), 0u);
  EXPECT_EQ(List(pool), (Blocks{{448, 64}, {0, 448}}));
  DestroyMemoryPool(pool);

  // Any block that fits is handed out again, the least recently used first:
  // the pool places downloads, whose blocks may be reused.
  ASSERT_EQ(CreateMemoryPool(&pool, 256), kPoolOk);
  EXPECT_EQ(Take(pool, 64), 192u);
  EXPECT_EQ(Take(pool, 128), 64u);
  EXPECT_EQ(Take(pool, 128), 64u);
  EXPECT_EQ(List(pool), (Blocks{{0, 64}, {192, 64}, {64, 128}}));
  DestroyMemoryPool(pool);
}

TEST(MemoryPool, RequestsThatCannotBeMet) {
  EXPECT_EQ(DestroyMemoryPool(nullptr), kPoolNoRoom);
  uint64_t offset = 0;
  uint32_t record = 7;
  EXPECT_EQ(AllocFromPool(nullptr, 0, 0, 0, &offset, &record, 64, true), kPoolNoRoom);
  MemoryPool* pool = nullptr;
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(CreateMemoryPool(&pool, 1024), kPoolNoMemory);
  EXPECT_EQ(pool, nullptr);
  ASSERT_EQ(CreateMemoryPool(&pool, 1024), kPoolOk);
  ASSERT_EQ(AllocFromPool(pool, 0, 0, 0, &offset, &record, 64, false), kPoolOk);
  EXPECT_EQ(record, 0u);
  EXPECT_EQ(offset, 960u);
  EXPECT_EQ(List(pool), (Blocks{{0, 1024}}));
  ASSERT_EQ(AllocFromPool(pool, 5, 6, 7, &offset, &record, 64, true), kPoolOk);
  EXPECT_EQ(offset, 960u);
  DestroyMemoryPool(pool);
}

}  // namespace
