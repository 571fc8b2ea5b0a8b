// The clip region cache (see clip_cache.h).
#include "graphics_driver/core/clip_cache.h"

#include <algorithm>

#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_memory.h"

namespace {

void FreeCachedCopy(PdevState* pdev) {
  PdevClipCache& cache = pdev->clipCache;
  if (cache.pathCopy) HeapFree(pdev->heap, 0, cache.pathCopy);
  cache.pathCopy = nullptr;
  cache.copySize = cache.copyRecords = 0;
}

// A fresh zero-filled block on the PDEV's heap for the cached copy: null
// (nothing cached, sizes 0) when it cannot be had.
void* NewCachedCopy(PdevState* pdev, int32_t bytes) {
  FreeCachedCopy(pdev);
  void* block = HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, SIZE_T(bytes));
  pdev->clipCache.pathCopy = block;
  return block;
}

int StoreFromCopy(PdevState* pdev, const void* copy, int32_t bytes, int32_t records) {
  PdevClipCache& cache = pdev->clipCache;
  if (!IsValidPathCopy(copy, bytes, records)) return kClipCopyFailed;
  // The cached block handed back in is what is cached already.
  if (copy == cache.pathCopy)
    return cache.copySize == bytes && cache.copyRecords == records ? kClipCopyUnchanged : kClipCopyFailed;
  if (cache.state == kClipStateComplex && cache.pathCopy && cache.copySize == bytes && cache.copyRecords == records &&
      ComparePathCopies(cache.pathCopy, copy, records, bytes) == 0) {
    return kClipCopyUnchanged;
  }
  void* block = NewCachedCopy(pdev, bytes);
  if (!block) return kClipCopyNoMemory;
  CopyPathCopy(block, copy, records, bytes);
  cache.copySize = bytes;
  cache.copyRecords = records;
  return kClipCopyStored;
}

int StoreFromPath(PdevState* pdev, PATHOBJ* path) {
  PdevClipCache& cache = pdev->clipCache;
  int32_t records = 0;
  const int32_t bytes = PathCopySize(path, &records);
  if (bytes == 0) return kClipCopyFailed;
  if (cache.state == kClipStateComplex && cache.pathCopy && cache.copySize == bytes && cache.copyRecords == records) {
    // Same shape as the cached copy: built aside and compared.
    void* scratch = GlobalAlloc(GPTR, SIZE_T(bytes));
    if (!scratch) {
      FreeCachedCopy(pdev);
      return kClipCopyNoMemory;
    }
    int result = kClipCopyFailed;
    if (BuildPathCopy(scratch, path, bytes, records) == 1) {
      if (ComparePathCopies(cache.pathCopy, scratch, records, bytes) == 0) {
        result = kClipCopyUnchanged;
      } else {
        CopyPathCopy(cache.pathCopy, scratch, records, bytes);
        result = kClipCopyStored;
      }
    }
    GlobalFree(scratch);
    return result;
  }
  void* block = NewCachedCopy(pdev, bytes);
  if (!block) return kClipCopyNoMemory;
  if (BuildPathCopy(block, path, bytes, records) != 1) {
    FreeCachedCopy(pdev);
    return kClipCopyFailed;
  }
  cache.copySize = bytes;
  cache.copyRecords = records;
  return kClipCopyStored;
}

// The complex clip: its path copy stored or found unchanged, then the clip
// polygon built from it.
int UpdateComplexClip(PdevState* pdev, CLIPOBJ* clip, const ClipPathCopy* pathCopy) {
  PdevClipCache& cache = pdev->clipCache;
  PATHOBJ* own = nullptr;
  int stored = kClipCopyFailed;
  if (pathCopy) {
    stored = StoreClipPathCopy(pdev, nullptr, pathCopy->block, pathCopy->bytes, pathCopy->records);
  } else {
    own = CLIPOBJ_ppoGetPath(clip);
    if (own) stored = StoreClipPathCopy(pdev, own, nullptr, 0, 0);
  }
  int built = 0;
  if (stored == kClipCopyUnchanged || stored == kClipCopyStored) {
    cache.state = kClipStateNone;
    built = BuildClipPolygon(pdev, nullptr, cache.pathCopy, cache.copyRecords);
  } else if (stored == kClipCopyNoMemory) {
    // Nothing cached: the polygon comes straight from what was given.
    cache.state = kClipStateNone;
    built = pathCopy ? BuildClipPolygon(pdev, nullptr, pathCopy->block, pathCopy->records)
                     : BuildClipPolygon(pdev, own, nullptr, 0);
  }
  if (own) EngDeletePath(own);
  if (built != 1) return 0;
  cache.state = kClipStateComplex;
  return 1;
}

// A path of one closed record of four points without curves whose edges run
// along the axes (first edge horizontal); no path at all counts as one.
bool IsClosedAxisRectangle(PATHOBJ* ppo) {
  if (!ppo) return true;
  PATHOBJ_vEnumStart(ppo);
  PATHDATA data{};
  const BOOL more = PATHOBJ_bEnum(ppo, &data);
  if (more == TRUE || data.count != 4 || !data.pptfx) return false;
  if ((data.flags & PD_BEZIERS) || !(data.flags & PD_CLOSEFIGURE)) return false;
  const POINTFIX* p = data.pptfx;
  return p[1].y == p[0].y && p[2].x == p[1].x && p[3].y == p[2].y && p[0].x == p[3].x;
}

bool WithinClip(const RECTL& bounds, const RECTL& c) {
  return bounds.left >= c.left && bounds.top >= c.top && bounds.right <= c.right && bounds.bottom <= c.bottom;
}

// A 28.4 coordinate in dots (arithmetic shift), the far edges one dot on.
LONG DotOf(FIX v, int64_t add = 0) { return LONG(std::clamp<int64_t>((int64_t(v) + add) >> 4, INT32_MIN, INT32_MAX)); }

}  // namespace

int UpdateClipState(PdevState* pdev, CLIPOBJ* clip, PATHOBJ*, const RECTL* bounds, const ClipPathCopy* pathCopy) {
  if (!pdev) return 0;
  PdevClipCache& cache = pdev->clipCache;
  if (cache.state == kClipStateReset) cache.state = kClipStateNone;
  if (!clip || clip->iDComplexity == DC_TRIVIAL) {
    cache.state = kClipStateNone;
    return 1;
  }
  if (clip->iDComplexity == DC_COMPLEX) return UpdateComplexClip(pdev, clip, pathCopy);
  if (clip->iDComplexity != DC_RECT) return 0;
  const RECTL& c = clip->rclBounds;
  if (bounds && WithinClip(*bounds, c)) {
    cache.state = kClipStateNone;  // nothing to clip
    return 1;
  }
  const RECTL normal{std::min(c.left, c.right), std::min(c.top, c.bottom), std::max(c.left, c.right),
                     std::max(c.top, c.bottom)};
  if (cache.state == kClipStateRect && cache.rect.left == normal.left && cache.rect.top == normal.top &&
      cache.rect.right == normal.right && cache.rect.bottom == normal.bottom) {
    return 1;
  }
  cache.rect = normal;
  cache.state = kClipStateRect;
  return 1;
}

int UpdateClipForRectangle(PdevState* pdev, CLIPOBJ* clip, const RECTL* rect) {
  return UpdateClipState(pdev, clip, nullptr, rect, nullptr);
}

int PrepareClipForPath(PdevState* pdev, PATHOBJ* ppo, CLIPOBJ* pco, int kind) {
  if (!pdev) return 0;
  RECTFX fx{0, 0, 0, 0};
  if (ppo) PATHOBJ_vGetBounds(ppo, &fx);
  const RECTL bounds{DotOf(fx.xLeft), DotOf(fx.yTop), DotOf(fx.xRight, 16), DotOf(fx.yBottom, 16)};
  if (kind == 2 && pco && pco->iDComplexity == DC_RECT && !WithinClip(bounds, pco->rclBounds) &&
      IsClosedAxisRectangle(ppo)) {
    // The fill is cut by its bounds alone.
    pdev->clipCache.state = kClipStateNone;
    return 1;
  }
  return UpdateClipState(pdev, pco, nullptr, &bounds, nullptr);
}

int StoreClipPathCopy(PdevState* pdev, PATHOBJ* path, const void* copy, int32_t bytes, int32_t records) {
  if (!pdev) return kClipCopyFailed;
  if (copy) return StoreFromCopy(pdev, copy, bytes, records);
  if (path) return StoreFromPath(pdev, path);
  return kClipCopyFailed;
}

int BuildClipPolygon(PdevState* pdev, PATHOBJ* path, const void* copy, int32_t records) {
  if (!pdev || !pdev->jobOutput || (!path && (!copy || records <= 0))) return 0;
  const uint32_t total = CountPathPoints(path, copy, records);
  if (total > UINT32_MAX - 100 || EnsureClipPointBuffer(pdev, total + 100) != 1) return 0;
  StreamWorkArea& work = pdev->jobOutput->work;
  work.clipPointCount = 0;  // every build starts from an empty polygon
  // Appends one record's points; false when the buffer cannot hold them all,
  // since a polygon missing part of the region would draw outside the clip.
  auto append = [&work](const POINTFIX* points, uint32_t count) {
    if (!points || work.clipPointCapacity - work.clipPointCount < count) return false;
    for (uint32_t i = 0; i < count; ++i) {
      work.clipPoints[work.clipPointCount++] = POINTL{points[i].x >> 4, points[i].y >> 4};
    }
    return true;
  };
  if (!path) {
    const auto* record = static_cast<const PathCopyRecord*>(copy);
    for (int32_t i = 0; i < records; ++i)
      if (!append(record[i].points, record[i].count)) return 0;
    return 1;
  }
  PATHOBJ_vEnumStart(path);
  for (;;) {
    PATHDATA data{};
    const BOOL more = PATHOBJ_bEnum(path, &data);
    if (data.count > 0 && !append(data.pptfx, data.count)) return 0;
    if (more != TRUE) break;
  }
  return 1;
}

int EnsureClipPointBuffer(PdevState* pdev, uint32_t capacity) {
  if (!pdev || !pdev->jobOutput) return 0;
  StreamWorkArea& work = pdev->jobOutput->work;
  if (work.clipPoints && work.clipPointCapacity >= capacity) return 1;
  FreeClipPointBuffer(pdev);
  auto* points = static_cast<POINTL*>(GlobalAlloc(GPTR, SIZE_T(capacity) * sizeof(POINTL)));
  if (!points) return 0;
  work.clipPoints = points;
  work.clipPointCapacity = capacity;
  work.clipPointCount = 0;
  return 1;
}

void FreeClipPointBuffer(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput) return;
  StreamWorkArea& work = pdev->jobOutput->work;
  if (work.clipPoints) GlobalFree(work.clipPoints);
  work.clipPoints = nullptr;
  work.clipPointCapacity = work.clipPointCount = 0;
}
