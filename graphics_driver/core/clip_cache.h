// The clip region cache of the PDEV: before the driver draws into the band
// it looks at the engine's clip object. A trivial clip needs nothing, a
// rectangular one is remembered as a rectangle, and a complex one is kept as
// a copy of its outline path (compared with the next clip, so that an
// unchanged region is not copied again) and turned into the clip polygon of
// the output stream, which the drawing code cuts its segments against.
#pragma once

#include <cstdint>

#include "graphics_driver/core/clip_path_copy.h"
#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

constexpr int32_t kClipStateNone = 0;
constexpr int32_t kClipStateRect = 1;
constexpr int32_t kClipStateComplex = 2;
constexpr int32_t kClipStateReset = 3;

// Answers of StoreClipPathCopy.
constexpr int kClipCopyFailed = 0;
constexpr int kClipCopyUnchanged = 1;
constexpr int kClipCopyStored = 2;
constexpr int kClipCopyNoMemory = 3;

// Brings the cache up to the clip of a drawing call whose bounds (dots) are
// given or not: 1 ready (state 2: the clip polygon is in the output stream's
// point buffer), 0 failure (the complex clip's path cannot be had, measured
// or turned into a polygon; an unknown complexity). A caller's path copy
// takes the place of the clip's own path; one with a missing points pointer
// is a failure.
int UpdateClipState(PdevState* pdev, CLIPOBJ* clip, PATHOBJ* path, const RECTL* bounds, const ClipPathCopy* pathCopy);
int UpdateClipForRectangle(PdevState* pdev, CLIPOBJ* clip, const RECTL* rect);
// The clip of a path drawing (kind 1 stroke, 2 fill, 3 stroke and fill) for
// the path's bounds in dots: a fill of one closed axis-aligned rectangle
// reaching past a rectangular clip needs no clip state (its bounds are cut);
// everything else goes through UpdateClipState. 1 ready, 0 failure.
int PrepareClipForPath(PdevState* pdev, PATHOBJ* ppo, CLIPOBJ* pco, int kind);
// Keeps the complex clip's path copy on the PDEV's heap, from a path or
// from a caller's copy: kClipCopyUnchanged when it equals the cached one,
// kClipCopyStored when stored anew, kClipCopyNoMemory when the block could
// not be had (nothing is cached then), kClipCopyFailed when the path
// cannot be measured or the copy is not whole.
int StoreClipPathCopy(PdevState* pdev, PATHOBJ* path, const void* copy, int32_t bytes, int32_t records);
// Builds the clip polygon from the path (given) or a copy's records: every
// point as (x >> 4, y >> 4), all subpaths one polygon in enumeration order.
// 1, or 0 when there is nothing to build from or the point buffer cannot
// hold every subpath.
int BuildClipPolygon(PdevState* pdev, PATHOBJ* path, const void* copy, int32_t records);
// A zero-filled point buffer of at least capacity points in the output
// stream (count 0): a buffer already as large is kept, a smaller one is
// replaced. 1, 0 without memory or stream.
int EnsureClipPointBuffer(PdevState* pdev, uint32_t capacity);
// Frees the clip polygon's point buffer of the output stream.
void FreeClipPointBuffer(PdevState* pdev);
