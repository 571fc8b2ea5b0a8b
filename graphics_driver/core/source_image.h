// Source images into the band. The engine halftones a source bitmap and
// hands the 1-bit result back through DrvCopyBits; while DrvBitBlt waits
// for the engine (span mode 1) the result is captured into the output
// stream, and after the engine returns (span mode 2) the capture is replayed
// into the band with the caller's raster operation. Outside that sequence
// (span mode 0) a source is drawn at once. On the way the source is read and
// translated, its colours converted and tested for colour content, turned a
// quarter turn on pages with image rotation, and shrunk where the settings
// ask.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/core/source_image_rows.h"
#include "platform/gdi/ddi_types.h"

// Clip rectangles a batch: the replay's and the direct drawing's.
constexpr ULONG kReplayClipBatch = 300;
constexpr ULONG kDirectClipBatch = 50;

// Draws or captures a source operation of type (2 ROP3 byte, 3 rop4) and
// code: 1 drawn, captured or nothing to draw, 0 refused or failed.
int RenderSourceBlt(PdevState* pdev, CLIPOBJ* pco, SURFOBJ* psoSrc, SURFOBJ* psoMask, SIZEL size, POINTL* pptlSrc,
                    POINTL* pptlMask, RECTL* prclTrg, XLATEOBJ* pxlo, BRUSHOBJ* pbo, POINTL* pptlBrush, uint32_t type,
                    uint32_t code);
// Reads, converts and captures the source rectangle size at srcOrigin for
// the target, and in span mode 0 draws it: 1, 0 failed.
int DrawSourceImage(PdevState* pdev, SURFOBJ* psoSrc, SURFOBJ* psoMask, SIZEL size, POINTL srcOrigin, POINTL maskOrigin,
                    const RECTL* prclTrg, XLATEOBJ* pxlo, const float matrix[6], CLIPOBJ* pco,
                    ImageScalerRecord* scaler);
// Draws the captured rows where the capture put them, through the clip's
// rectangles in batches of batch: 1, 0 without a capture.
int ReplayCapturedImage(PdevState* pdev, CLIPOBJ* pco, ULONG batch = kReplayClipBatch);
// Sets up the down-scaler for a SRCCOPY of a 16, 24 or 32-bit source when
// the settings ask: 1 with the scaled size in the record, 0 not (a scaler
// made on the way stays in the record for the caller to free).
int SetUpImageScaler(const PdevState* pdev, ImageScalerRecord* record, const SURFOBJ* source, SIZEL size, SIZEL target,
                     uint32_t type, uint32_t code);
