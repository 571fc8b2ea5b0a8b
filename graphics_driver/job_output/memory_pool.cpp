// Device memory pool (see memory_pool.h).
#include "graphics_driver/job_output/memory_pool.h"

#include <utility>

#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kGranule = 64;

uint64_t Round(uint32_t n) { return (uint64_t(n) + kGranule - 1) / kGranule * kGranule; }
uint64_t End(const PoolBlock* b) { return b->offset + b->size; }

void Unlink(MemoryPool* pool, PoolBlock* b) {
  if (b->previous) b->previous->next = b->next;
  else pool->first = b->next;
  if (b->next) b->next->previous = b->previous;
  else pool->last = b->previous;
  b->previous = b->next = nullptr;
}

void PushFront(MemoryPool* pool, PoolBlock* b) {
  b->previous = nullptr;
  b->next = pool->first;
  if (pool->first) pool->first->previous = b;
  else pool->last = b;
  pool->first = b;
}

void PushBack(MemoryPool* pool, PoolBlock* b) {
  b->next = nullptr;
  b->previous = pool->last;
  if (pool->last) pool->last->next = b;
  else pool->first = b;
  pool->last = b;
}

void ToFront(MemoryPool* pool, PoolBlock* b) {
  if (pool->first == b) return;
  Unlink(pool, b);
  PushFront(pool, b);
}

void ToBack(MemoryPool* pool, PoolBlock* b) {
  if (pool->last == b) return;
  Unlink(pool, b);
  PushBack(pool, b);
}

void ClearTags(PoolBlock* b) {
  b->tagA = b->tagB = 0;
  b->tagC = 0;
}

PoolBlock* NewBlock(uint64_t offset, uint32_t size) {
  auto* b = static_cast<PoolBlock*>(GlobalAlloc(GPTR, sizeof(PoolBlock)));
  if (b) {
    b->offset = offset;
    b->size = size;
  }
  return b;
}

// The block that starts where `b` ends, or else one that ends where it
// starts; null when neither exists.
PoolBlock* Neighbour(MemoryPool* pool, const PoolBlock* b, bool* below) {
  for (PoolBlock* p = pool->first; p; p = p->next)
    if (p != b && p->offset == End(b)) {
      *below = false;
      return p;
    }
  for (PoolBlock* p = pool->first; p; p = p->next)
    if (p != b && End(p) == b->offset) {
      *below = true;
      return p;
    }
  return nullptr;
}

}  // namespace

DWORD CreateMemoryPool(MemoryPool** pool, uint32_t size) {
  if (!pool) return kPoolNoRoom;
  *pool = nullptr;
  auto* head = static_cast<MemoryPool*>(GlobalAlloc(GPTR, sizeof(MemoryPool)));
  if (!head) return kPoolNoMemory;
  head->size = size / kGranule * kGranule;
  PoolBlock* whole = NewBlock(0, head->size);
  if (!whole) {
    GlobalFree(head);
    return kPoolNoMemory;
  }
  PushBack(head, whole);
  *pool = head;
  return kPoolOk;
}

DWORD DestroyMemoryPool(MemoryPool* pool) {
  if (!pool) return kPoolNoRoom;
  for (PoolBlock* b = pool->last; b;) {
    PoolBlock* previous = b->previous;
    GlobalFree(b);
    b = previous;
  }
  GlobalFree(pool);
  return kPoolOk;
}

DWORD TakePoolBlock(MemoryPool* pool, uint64_t* offset, int16_t tagB, int16_t tagA, uint8_t tagC, uint32_t n) {
  if (!pool || !offset || !pool->first) return kPoolNoRoom;
  const uint64_t r = Round(n);
  if (r >= pool->size) return kPoolNoRoom;
  for (;;) {
    // 1: the first block large enough gives its top part.
    PoolBlock* found = nullptr;
    for (PoolBlock* b = pool->first; b && !found; b = b->next)
      if (b->size >= r) found = b;
    if (found) {
      if (found->size > r) {
        PoolBlock* part = NewBlock(End(found) - r, uint32_t(r));
        if (!part) return kPoolNoMemory;
        found->size -= uint32_t(r);
        ClearTags(found);
        ToFront(pool, found);
        PushBack(pool, part);
      } else {
        ToBack(pool, found);
      }
      break;
    }
    // 2: the first block takes in a neighbour.
    PoolBlock* head = pool->first;
    bool below = false;
    PoolBlock* n2 = Neighbour(pool, head, &below);
    if (!n2) return kPoolNoRoom;
    if (below) {
      // Keep the first block the lower one: the two exchange places.
      std::swap(head->offset, n2->offset);
      std::swap(head->size, n2->size);
    }
    head->size += n2->size;
    if (r < head->size) {
      n2->offset = head->offset + r;
      n2->size = head->size - uint32_t(r);
      ClearTags(n2);
      ToFront(pool, n2);
      head->size = uint32_t(r);
      ToBack(pool, head);
      break;
    }
    Unlink(pool, n2);
    GlobalFree(n2);
    if (r == head->size) {
      ToBack(pool, head);
      break;
    }
    ClearTags(head);
  }
  PoolBlock* last = pool->last;
  last->tagB = tagB;
  last->tagA = tagA;
  last->tagC = tagC;
  *offset = last->offset;
  return kPoolOk;
}

DWORD FindPoolPlace(MemoryPool* pool, uint64_t* offset, uint32_t n) {
  if (!pool || !offset || !pool->first) return kPoolNoRoom;
  const uint64_t r = Round(n);
  if (r >= pool->size) return kPoolNoRoom;
  for (PoolBlock* b = pool->first; b; b = b->next)
    if (b->size >= r) {
      *offset = b->size == r ? b->offset : End(b) - r;
      return kPoolOk;
    }
  uint64_t start = pool->first->offset, end = End(pool->first);
  while (end - start < r) {
    bool widened = false;
    for (PoolBlock* b = pool->first; b && !widened; b = b->next) {
      if (b->offset == end && b->size) {
        end += b->size;
        widened = true;
      } else if (End(b) == start && b->size) {
        start = b->offset;
        widened = true;
      }
    }
    if (!widened) return kPoolNoRoom;
  }
  *offset = start;
  return kPoolOk;
}

DWORD AllocFromPool(MemoryPool* pool, int16_t tagB, int16_t tagA, uint8_t tagC, uint64_t* offset, uint32_t* record,
                    uint32_t n, bool take) {
  if (!pool) return kPoolNoRoom;
  if (take) return TakePoolBlock(pool, offset, tagB, tagA, tagC, n);
  if (record) *record = 0;
  return FindPoolPlace(pool, offset, n);
}
