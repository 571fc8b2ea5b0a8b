// The clip region cache of the PDEV: before the driver draws into the band
// it looks at the engine's clip object. A trivial clip needs nothing and a
// rectangular one is remembered as a rectangle.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

constexpr int32_t kClipStateNone = 0;
constexpr int32_t kClipStateRect = 1;
constexpr int32_t kClipStateComplex = 2;
constexpr int32_t kClipStateReset = 3;

// Brings the cache up to the clip of a drawing call whose bounds (dots) are
// given or not: 1 ready, 0 failure (a complex clip, whose polygon this
// driver does not build yet, or an unknown complexity).
int UpdateClipState(PdevState* pdev, CLIPOBJ* clip, PATHOBJ* path, const RECTL* bounds, const void* pathCopy);
int UpdateClipForRectangle(PdevState* pdev, CLIPOBJ* clip, const RECTL* rect);
// Frees the clip polygon's point buffer of the output stream.
void FreeClipPointBuffer(PdevState* pdev);
