// DrvTextOut's worker (see text_output.h): the opaque rectangle, the
// string's runs in the passes of the text colour, then the extra rectangles
// (underline, strike-out).
#include "graphics_driver/core/text_output.h"

#include <algorithm>

#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/clip_overlaps.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/raster_ops.h"
#include "graphics_driver/core/sheet_marks.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_memory.h"
#include "settings/access/setting_access.h"

namespace {

// The TrueType option: 1 draws TrueType text from glyph bitmaps.
constexpr SettingId kTrueTypeOption = 292;
// DDI flag: the document is suppressed; drawing calls succeed without ink.
constexpr uint32_t kDdiDrawingSuppressed = 0x200000;

// A raster-operation pass of the text colour: polarity and operation of the
// band ('n' normal or 'i' inverted; 'o' OR, 'a' AND).
struct TextPass {
  char polarity, operation;
};

RECTL Moved(const RECTL& r, POINTL by) { return MoveRect(r, by.x, by.y); }

// Fills the rectangle with the current brush, cut to the clip: the clip's
// bounds for one rectangle, each enumerated rectangle (every batch) for a
// complex clip. Drawing outside the clip would paint what the application
// clipped away. The rectangle and the clip are moved by the mark offset.
int FillRectThroughClip(PdevState* pdev, CLIPOBJ* pco, RECTL rect) {
  const POINTL shift = MarkShift(pdev);
  if (!pco || pco->iDComplexity == DC_TRIVIAL) {
    rect = Moved(rect, shift);
    return FillStoreRect(pdev->imageStore, &rect) == 0 ? 1 : 0;
  }
  if (pco->iDComplexity == DC_RECT) {
    ClipRectToBounds(pco, &rect);
    if (rect.left == rect.right || rect.top == rect.bottom) return 1;
    rect = Moved(rect, shift);
    return FillStoreRect(pdev->imageStore, &rect) == 0 ? 1 : 0;
  }
  return ForEachMovedClipOverlap<kGlyphClipBatch>(
             pco, Moved(rect, shift), shift,
             [pdev](const RECTL& overlap) { return FillStoreRect(pdev->imageStore, &overlap) == 0; })
             ? 1
             : 0;
}

int DrawTextOutInPdev(PdevState* pdev, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                      BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  if (UpdateClipState(pdev, pco, nullptr, nullptr, nullptr) != 1) return 0;
  const POINTL origin = pptlOrg ? *pptlOrg : POINTL{0, 0};
  const ROP4 rop4 = MixToRop4(mix);
  if (prclOpaque) {
    RECTL opaque;
    MakeRectangle(&opaque, prclOpaque->left, prclOpaque->top, prclOpaque->right, prclOpaque->bottom);
    if (SelectBrush(pdev, kBrushRoleFill, &origin, pboOpaque, rop4) != 1 ||
        FillRectThroughClip(pdev, pco, opaque) != 1) {
      return 0;
    }
  }
  if (DrawTextRuns(pdev, pboFore, pstro, pfo, mix, pco) != 1) return 0;
  if (prclExtra) {
    // The text passes left their own raster operation: the rectangles take
    // the call's mix again.
    if (SelectBrush(pdev, kBrushRoleFill, &origin, pboFore, rop4) != 1) return 0;
    for (const RECTL* r = prclExtra; r->left || r->top || r->right || r->bottom; ++r) {
      RECTL extra;
      MakeRectangle(&extra, r->left, r->top, r->right, r->bottom);
      if (FillRectThroughClip(pdev, pco, extra) != 1) return 0;
    }
  }
  return 1;
}

}  // namespace

BOOL DrawTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                 BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  if (!pso || !pstro || !pfo || !pboFore) return FALSE;
  PdevState* pdev = PdevOfSurface(pso);
  if (!IsValidPdev(pdev)) return FALSE;
  // Text is drawn from glyph bitmaps, never with device fonts.
  SetSettingValueVa(&pdev->devmode, pdev->printerSettings, kTrueTypeOption, kSettingTypeUInt16, 1);
  if (pdev->ddiFlags & kDdiDocumentFailed) return FALSE;
  if (pdev->ddiFlags & kDdiDrawingSuppressed) return TRUE;
  if (!pdev->jobOutput || !pdev->imageStore) return FALSE;
  const int drawn = DrawTextOutInPdev(pdev, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
  FreeClipPointBuffer(pdev);
  return drawn == 1 ? TRUE : FALSE;
}

int GetTextColour(PdevState* pdev, ULONG iSolidColor, BYTE entry[3], uint32_t* kind) {
  if (!pdev || !entry || !kind) return 0;
  const BYTE bgr[3] = {BYTE(iSolidColor), BYTE(iSolidColor >> 8), BYTE(iSolidColor >> 16)};
  auto* counter = static_cast<ColorCounter*>(pdev->colorCounter);
  if (DetectColourContent(counter, &pdev->pipeline.pageColorSet, pdev, bgr, 1, 1, nullptr, 0, kImageKindRgb, 24) != 0)
    return 0;
  const int answer = ConvertSolidColors(pdev->colorConverter, counter, pdev, &pdev->devmode, bgr, entry, 1, 1, 0, 0, 1);
  if (answer < 0) return 0;
  *kind = answer == 1 ? kColourBgr : kColourGrey;
  return 1;
}

int DrawTextRuns(PdevState* pdev, BRUSHOBJ* pboFore, STROBJ* pstro, FONTOBJ* pfo, MIX, CLIPOBJ* pco) {
  if (!pdev || !pboFore || !pstro || !pfo || !pdev->jobOutput) return 0;
  BYTE entry[3] = {0, 0, 0};
  uint32_t kind = 0;
  if (GetTextColour(pdev, pboFore->iSolidColor, entry, &kind) != 1 ||
      SetSolidColor(pdev->imageStore, kBrushRoleFill, kind, entry) != 0) {
    return 0;
  }
  // Black ORs the glyph dots, white clears them; any other colour clears the
  // glyph area to the halftone's ink and then paints the halftoned glyph.
  const bool black = kind == kColourGrey ? entry[0] == 0x00 : (entry[0] | entry[1] | entry[2]) == 0x00;
  const bool white = kind == kColourGrey ? entry[0] == 0xFF : (entry[0] & entry[1] & entry[2]) == 0xFF;
  TextPass passes[2] = {{'i', 'a'}, {'n', 'o'}};
  const TextPass* first = black ? &passes[1] : &passes[0];
  const TextPass* end = white ? &passes[1] : &passes[2];
  JobOutputStream* stream = pdev->jobOutput;
  const auto drawRun = [&](ULONG count, const GLYPHPOS* positions, const WCHAR* chars) {
    for (const TextPass* p = first; p != end; ++p) {
      SetRasterOp(stream, p->polarity, p->operation);
      if (DrawTextRun(pdev, count, positions, pfo, pstro, chars, pco) != 1) return false;
    }
    return true;
  };

  if (pstro->pgp) return drawRun(pstro->cGlyphs, pstro->pgp, pstro->pwszOrg) ? 1 : 0;
  // The run that comes with FALSE is the string's last one and is drawn too.
  const WCHAR* chars = pstro->pwszOrg;
  STROBJ_vEnumStart(pstro);
  for (;;) {
    ULONG count = 0;
    GLYPHPOS* positions = nullptr;
    const BOOL more = STROBJ_bEnum(pstro, &count, &positions);
    if (count && positions && !drawRun(count, positions, chars)) return 0;
    if (chars) chars += count;
    if (more != TRUE || count == 0) break;
  }
  return 1;
}

int DrawTextRun(PdevState* pdev, ULONG count, const GLYPHPOS* positions, FONTOBJ* pfo, const STROBJ* pstro,
                const WCHAR* chars, CLIPOBJ* pco) {
  if (!pdev || !pfo || !pstro) return 0;
  GLYPHPOS* rebuilt = nullptr;
  if (!(pfo->flFontType & DEVICE_FONTTYPE) && count >= 2 && pstro->ulCharInc != 0 && positions &&
      (pstro->flAccel & (SO_HORIZONTAL | SO_VERTICAL))) {
    // Fixed-pitch text: the glyphs after the first step by the string's
    // character increment.
    rebuilt = static_cast<GLYPHPOS*>(HeapAlloc(pdev->heap, 0, size_t(count) * sizeof(GLYPHPOS)));
    if (!rebuilt) return 0;
    const FLONG accel = pstro->flAccel;
    const int64_t step = (accel & SO_REVERSED) ? -int64_t(pstro->ulCharInc) : int64_t(pstro->ulCharInc);
    const auto place = [](int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    for (ULONG i = 0; i < count; ++i) {
      rebuilt[i] = positions[i];
      if (i == 0) continue;
      rebuilt[i].ptl = positions[0].ptl;
      if (accel & SO_HORIZONTAL) rebuilt[i].ptl.x = place(positions[0].ptl.x + step * i);
      if (accel & SO_VERTICAL) rebuilt[i].ptl.y = place(positions[0].ptl.y + step * i);
    }
    positions = rebuilt;
  }
  const int drawn = PoolActive(pdev->imageStore) ? DrawGlyphsPoolLimited(pdev, count, positions, pfo, chars, pco)
                                                 : DrawGlyphs(pdev, count, positions, pfo, pco);
  if (rebuilt) HeapFree(pdev->heap, 0, rebuilt);
  return drawn;
}
