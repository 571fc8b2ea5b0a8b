// The device memory pool: the account of the device's address range in which
// downloaded items are placed. It hands out offsets in 64-byte granules, tags
// each used block, keeps used blocks in order of use (the last handed out at
// the end), and when no free block is large enough gives up the neighbours of
// the first block until the request fits. It holds no device memory; it only
// computes offsets.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

struct PoolBlock {
  uint64_t offset;
  uint32_t size;
  int16_t tagA;
  int16_t tagB;
  uint8_t tagC;
  PoolBlock* previous;
  PoolBlock* next;
};

struct MemoryPool {
  uint32_t size;  // rounded down to 64
  PoolBlock* first;
  PoolBlock* last;
};

// Statuses of the pool's operations.
constexpr DWORD kPoolOk = 0;
constexpr DWORD kPoolNoMemory = 2;
constexpr DWORD kPoolNoRoom = 4;  // also a request too large, or no pool

DWORD CreateMemoryPool(MemoryPool** pool, uint32_t size);
DWORD DestroyMemoryPool(MemoryPool* pool);
// With `take`, hands out a block of n bytes (rounded up to 64) tagged with the
// three tags; otherwise only says where it would go and sets *record to 0.
DWORD AllocFromPool(MemoryPool* pool, int16_t tagB, int16_t tagA, uint8_t tagC, uint64_t* offset, uint32_t* record,
                    uint32_t n, bool take);
DWORD TakePoolBlock(MemoryPool* pool, uint64_t* offset, int16_t tagB, int16_t tagA, uint8_t tagC, uint32_t n);
DWORD FindPoolPlace(MemoryPool* pool, uint64_t* offset, uint32_t n);
