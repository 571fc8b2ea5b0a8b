// The driver's side of DrvBitBlt: operations that combine only the brush and
// the destination (BLACKNESS, WHITENESS, pattern fills) are drawn as spans
// of the band through the clip; source operations go through the engine's
// halftoning and come back as a capture that is replayed with the caller's
// raster operation; what the driver does not draw goes back to the engine
// (EngBitBlt). Coordinates are band-relative dots.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/ddi_types.h"

// The rop4 values DrvBitBlt hands straight to RenderBlt: destination-only
// and pattern operations, and 0xAAAA.
bool IsDestinationOrPatternRop(ROP4 rop4);

// The worker of DrvBitBlt.
BOOL DrawBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
                POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
// 1 drawn (or nothing to draw), 0 refused: the caller then hands the call to
// the engine. Source operations capture or replay the engine's halftoned
// source (see source_image.h).
int RenderBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
              RECTL* rectCopy, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);

// One FillSpan per row top .. bottom - 1 (rows outside the band are skipped
// without a call), |right - left| dots from the left column: 1.
int FillRectSpans(JobOutputStream* stream, POINTL topLeft, POINTL bottomRight);
// At every page start: the clip cache is reset (state 3) and its path copy
// freed.
void ResetClipState(PdevState* pdev);
// 1 when the clip is one rectangle (DC_RECT) and rect reaches past it.
int NeedsRectClip(const CLIPOBJ* pco, const RECTL* rect);
// Cuts rect to the clip bounds; a rectangle that misses them becomes empty.
void ClipRectToBounds(const CLIPOBJ* pco, RECTL* rect);
