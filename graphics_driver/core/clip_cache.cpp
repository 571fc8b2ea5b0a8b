// The clip region cache (see clip_cache.h).
#include "graphics_driver/core/clip_cache.h"

#include <algorithm>

#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/win/win_memory.h"

int UpdateClipState(PdevState* pdev, CLIPOBJ* clip, PATHOBJ*, const RECTL* bounds, const void*) {
  if (!pdev) return 0;
  PdevClipCache& cache = pdev->clipCache;
  if (cache.state == kClipStateReset) cache.state = kClipStateNone;
  if (!clip || clip->iDComplexity == DC_TRIVIAL) {
    cache.state = kClipStateNone;
    return 1;
  }
  if (clip->iDComplexity != DC_RECT) return 0;
  const RECTL& c = clip->rclBounds;
  if (bounds && bounds->left >= c.left && bounds->top >= c.top && bounds->right <= c.right &&
      bounds->bottom <= c.bottom) {
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

void FreeClipPointBuffer(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput) return;
  StreamWorkArea& work = pdev->jobOutput->work;
  if (work.clipPoints) GlobalFree(work.clipPoints);
  work.clipPoints = nullptr;
  work.clipPointCapacity = work.clipPointCount = 0;
}
