// Destination-only and pattern bit-block transfers (see
// bit_block_transfer.h).
#include "graphics_driver/core/bit_block_transfer.h"

#include <algorithm>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/bitmap_calls.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/clip_overlaps.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/raster_ops.h"
#include "graphics_driver/core/source_image.h"
#include "graphics_driver/core/sheet_marks.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"

namespace {

constexpr ROP4 kBlackness = 0x0000;
constexpr ROP4 kWhiteness = 0xFFFF;
constexpr ROP4 kDestinationOnly = 0xAAAA;
constexpr ROP4 kPatternRops[] = {0x0505, 0x0A0A, 0x0F0F, 0x5050, 0x5555, 0x5A5A, 0x5F5F,
                                 0xA0A0, 0xA5A5, 0xAAF0, 0xAFAF, 0xF0F0, 0xF5F5, 0xFAFA};
// Rectangles of one enumeration batch.
constexpr ULONG kClipBatch = 300;

bool IsPatternRop(ROP4 rop4) {
  return std::find(std::begin(kPatternRops), std::end(kPatternRops), rop4) != std::end(kPatternRops);
}

RECTL Normalised(const RECTL& r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

bool ComplexClip(const CLIPOBJ* pco) { return pco && pco->iDComplexity == DC_COMPLEX; }

// Fills the rectangle through every rectangle the engine enumerates for the
// clip, batch by batch, the last batch included; the fill and its clip are
// drawn shift dots away.
void FillThroughClip(JobOutputStream* stream, CLIPOBJ* pco, const RECTL& fill, POINTL shift) {
  ForEachMovedClipOverlap<kClipBatch>(pco, MoveRect(fill, shift.x, shift.y), shift, [stream](const RECTL& overlap) {
    FillRectSpans(stream, POINTL{overlap.left, overlap.top}, POINTL{overlap.right, overlap.bottom});
    return true;
  });
}

// BLACKNESS and WHITENESS: a solid fill with COPY, cut to a rectangular clip
// and drawn through the rectangles of a complex one.
int SolidBlt(PdevState* pdev, CLIPOBJ* pco, RECTL target, ROP4 rop4) {
  const bool clipByBounds = NeedsRectClip(pco, &target) == 1;
  // A complex clip is drawn through its rectangles: no polygon is needed.
  CLIPOBJ* clip = clipByBounds || ComplexClip(pco) ? nullptr : pco;
  if (UpdateClipState(pdev, clip, nullptr, &target, nullptr) != 1) return 0;
  const BYTE level = rop4 == kBlackness ? 0x00 : 0xFF;
  const BYTE colour[3] = {level, level, level};
  BYTE converted[3];
  const int result = ConvertSolidColors(pdev->colorConverter, static_cast<ColorCounter*>(pdev->colorCounter), pdev,
                                        &pdev->devmode, colour, converted, 1, 1, 0, 1, 1);
  if (result < 0) return 0;
  if (SetSolidColor(pdev->imageStore, 2, result == 2 ? kColourGrey : kColourBgr, converted) != 0 ||
      SelectRasterOp(pdev->imageStore, kRopTwoOperand, kR2CopyPen) != 0) {
    return 0;
  }
  if (clipByBounds) ClipRectToBounds(pco, &target);
  const POINTL shift = MarkShift(pdev);
  if (ComplexClip(pco)) {
    FillThroughClip(pdev->jobOutput, pco, target, shift);
    return 1;
  }
  target = MoveRect(target, shift.x, shift.y);
  return FillStoreRect(pdev->imageStore, &target) == 0 ? 1 : 0;
}

int PatternBlt(PdevState* pdev, CLIPOBJ* pco, RECTL target, BRUSHOBJ* pbo, const POINTL* pptlBrush, ROP4 rop4) {
  const bool clipByBounds = NeedsRectClip(pco, &target) == 1;
  // The pattern moves with a drawing moved by its mark offset.
  const POINTL shift = MarkShift(pdev);
  const POINTL origin = MovePoint(pptlBrush ? *pptlBrush : POINTL{0, 0}, shift.x, shift.y);
  if (!SelectBrush(pdev, kBrushRoleFill, &origin, pbo, rop4)) return 0;
  if (clipByBounds) ClipRectToBounds(pco, &target);
  if (target.right == target.left) return 1;
  JobOutputStream* stream = pdev->jobOutput;
  if (pco && (pco->iDComplexity == DC_RECT || pco->iDComplexity == DC_COMPLEX)) {
    // XOR spans of the clip's rectangles are written against the band as it
    // was, so that rectangles meeting in a byte do not undo each other.
    const RECTL moved = MoveRect(target, shift.x, shift.y);
    if (stream->tiffJob.ropOperation == 3 &&
        SaveBandArea(stream, POINTL{moved.left, moved.top}, POINTL{moved.right, moved.bottom}) == 1) {
      stream->work.spanMode = kSpanXorSaved;
    }
    FillThroughClip(stream, pco, target, shift);
    if (stream->work.spanMode == kSpanXorSaved) {
      FreeStreamScratch(stream);
      stream->work.spanMode = kSpanIdle;
    }
  } else {
    target = MoveRect(target, shift.x, shift.y);
    FillRectSpans(stream, POINTL{target.left, target.top}, POINTL{target.right, target.bottom});
  }
  SetDrawImageKind(stream, kPatternGrey);
  stream->tiffJob.brushLevel = 0;
  return 1;
}

// Source operations: the image in solid black ink, with the full rop4 when
// a mask is left (refused: no band operation takes four operands), else
// with its low byte.
int SourceBlt(PdevState* pdev, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
              POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  SetForegroundGrey(pdev->jobOutput, 0, 0, 0);
  if ((rop4 >> 8 & 0xFF) == (rop4 & 0xFF)) {
    psoMask = nullptr;
    pptlMask = nullptr;
  }
  const uint32_t type = psoMask ? 3 : kRopThreeOperand;
  const uint32_t code = psoMask ? rop4 : rop4 & 0xFF;
  const LONG width = prclTrg->right - prclTrg->left, height = prclTrg->bottom - prclTrg->top;
  const uint32_t bits = psoSrc ? BitsPerPixelOfFormat(psoSrc->iBitmapFormat) : 0;
  PrepareImageColor(pdev->colorConverter, static_cast<PageImageList*>(pdev->pageImages), &pdev->devmode, pdev,
                    psoSrc ? psoSrc->pvBits : nullptr, uint32_t(width), uint32_t(height), bits, type, code, 0);
  return RenderSourceBlt(pdev, pco, psoSrc, psoMask, SIZEL{width, height}, pptlSrc, pptlMask, prclTrg, pxlo, pbo,
                         pptlBrush, type, code);
}

}  // namespace

bool IsDestinationOrPatternRop(ROP4 rop4) {
  return rop4 == kBlackness || rop4 == kWhiteness || rop4 == kDestinationOnly || IsPatternRop(rop4);
}

int RenderBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg, RECTL*,
              POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  PdevState* pdev = PdevOfSurface(psoTrg);
  if (!pdev || !prclTrg) return 0;
  if (pdev->ddiFlags & kDdiDocumentFailed) return 0;
  if (!pdev->jobOutput || !pdev->imageStore) return 0;
  const RECTL target = Normalised(*prclTrg);
  if (rop4 == kBlackness || rop4 == kWhiteness) return SolidBlt(pdev, pco, target, rop4);
  if (IsPatternRop(rop4)) return PatternBlt(pdev, pco, target, pbo, pptlBrush, rop4);
  if (rop4 == kDestinationOnly) return 1;
  return SourceBlt(pdev, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
}

BOOL DrawBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
                POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  if (!psoTrg || !prclTrg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PdevState* pdev = PdevOfSurface(psoTrg);
  JobOutputStream* stream = pdev ? pdev->jobOutput : nullptr;
  POINTL origin{0, 0};
  POINTL* brushOrigin = pptlBrush ? pptlBrush : &origin;
  BOOL result = FALSE;
  RECTL copy = *prclTrg;
  bool render = true;
  if (!IsDestinationOrPatternRop(rop4)) {
    // The engine halftones the source into a capture (span mode 1), which
    // is then replayed with the caller's raster operation (span mode 2).
    const POINTL from = pptlSrc ? *pptlSrc : POINTL{0, 0};
    RECTL source{from.x, from.y, LONG(int64_t(from.x) + (prclTrg->right - prclTrg->left)),
                 LONG(int64_t(from.y) + (prclTrg->bottom - prclTrg->top))};
    if ((rop4 & 0xFF) != 0xAA) {
      psoMask = nullptr;
      pptlMask = nullptr;
    }
    POINTL zero{0, 0};
    if (rop4 == 0x6666 && pptlBrush) brushOrigin = &zero;
    COLORADJUSTMENT ca = DriverColorAdjustment();
    if (stream) stream->work.spanMode = kSpanCapture;
    if (EngStretchBlt(psoTrg, psoSrc, psoMask, pco, pxlo, &ca, brushOrigin, prclTrg, &source, pptlMask, HALFTONE)) {
      if (stream) stream->work.spanMode = kSpanReplay;
    } else {
      if (stream) stream->work.spanMode = kSpanIdle;
      result = EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, brushOrigin, rop4);
      render = false;
    }
  }
  if (render) {
    if (RenderBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, &copy, pptlSrc, pptlMask, pbo, brushOrigin, rop4) == 1)
      result = TRUE;
    else result = EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, brushOrigin, rop4);
  }
  FreeClipPointBuffer(pdev);
  if (stream) {
    stream->work.spanMode = kSpanIdle;
    FreeStreamScratch(stream);
  }
  return result;
}

int FillRectSpans(JobOutputStream* stream, POINTL topLeft, POINTL bottomRight) {
  if (!stream) return 1;
  const TiffJobRecord* r = &stream->tiffJob;
  // Only the band's rows (its spare row included) can take a span.
  const int64_t first = std::max<int64_t>(topLeft.y, 0);
  const int64_t last = std::min<int64_t>(bottomRight.y, int64_t(r->bandBottom) - r->bandTop + 1);
  const int64_t width = int64_t(bottomRight.x) - topLeft.x;
  const int32_t dots = int32_t(std::min<int64_t>(width < 0 ? -width : width, INT32_MAX));
  for (int64_t y = first; y < last; ++y) FillSpan(stream, topLeft.x, int32_t(y), dots);
  return 1;
}

void ResetClipState(PdevState* pdev) {
  if (!pdev) return;
  PdevClipCache& cache = pdev->clipCache;
  cache.state = kClipStateReset;
  cache.rect = RECTL{0, 0, 0, 0};
  if (cache.pathCopy) HeapFree(pdev->heap, 0, cache.pathCopy);
  cache.pathCopy = nullptr;
  cache.copySize = cache.copyRecords = 0;
}

int NeedsRectClip(const CLIPOBJ* pco, const RECTL* rect) {
  if (!pco || !rect || pco->iDComplexity != DC_RECT) return 0;
  const RECTL& b = pco->rclBounds;
  return rect->left < b.left || rect->top < b.top || rect->right > b.right || rect->bottom > b.bottom ? 1 : 0;
}

void ClipRectToBounds(const CLIPOBJ* pco, RECTL* rect) {
  if (!pco || !rect) return;
  const RECTL& b = pco->rclBounds;
  rect->left = std::max(rect->left, b.left);
  rect->top = std::max(rect->top, b.top);
  rect->right = std::max(rect->left, std::min(rect->right, b.right));
  rect->bottom = std::max(rect->top, std::min(rect->bottom, b.bottom));
}
