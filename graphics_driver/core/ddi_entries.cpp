// The DDI entry points of drawing, font queries, escapes and band stepping.
// Each checks the PDEV it is handed (the target's, else the source's, for the
// bitmap calls) before anything else, except the escapes and the font
// queries, whose workers do (their failure values depend on the arguments).
#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/bitmap_calls.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/escapes.h"
#include "graphics_driver/core/path_drawing.h"
#include "graphics_driver/core/text_output.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "platform/win/win_error.h"

namespace {

// The PDEV of the call: the target's when the target is a device surface,
// else the source's. Sets ERROR_INVALID_PARAMETER and answers null when that
// PDEV is not valid.
PdevState* CheckedPdev(const SURFOBJ* target, const SURFOBJ* source = nullptr) {
  const SURFOBJ* device = target && target->dhpdev ? target : source;
  PdevState* pdev = PdevOfSurface(device);
  if (IsValidPdev(pdev)) return pdev;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

}  // namespace

BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  if (!CheckedPdev(psoTrg, psoSrc)) return FALSE;
  return DrawBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
}

BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
  if (!CheckedPdev(psoDest, psoSrc)) return FALSE;
  return StretchBltToDevice(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
}

BOOL DrvStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                      ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4) {
  if (!CheckedPdev(psoDest, psoSrc)) return FALSE;
  return StretchBltRopToDevice(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode,
                               pbo, rop4);
}

BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL* pptlSrc) {
  if (!CheckedPdev(psoDest, psoSrc)) return FALSE;
  return CopyBitsToDevice(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
}

BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                     ULONG iHatch) {
  if (!CheckedPdev(psoTarget)) return FALSE;
  return RealizeBrush(pbo, psoTarget, psoPattern, psoMask, pxlo, iHatch);
}

BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  if (!CheckedPdev(pso)) return FALSE;
  return DrawTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
}

BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix) {
  if (!CheckedPdev(pso)) return FALSE;
  return DrawStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions) {
  if (!CheckedPdev(pso)) return FALSE;
  return DrawFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions) {
  if (!CheckedPdev(pso)) return FALSE;
  return DrawStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill, flOptions);
}

IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid) {
  return QueryDeviceFont(dhpdev, iFile, iFace, pid);
}

PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid) {
  return QueryDeviceFontTree(dhpdev, iFile, iFace, iMode, pid);
}

LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv, ULONG cjSize) {
  return QueryDeviceFontData(dhpdev, pfo, iMode, hg, pgd, pv, cjSize);
}

BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths, ULONG cGlyphs) {
  return QueryDeviceAdvanceWidths(dhpdev, pfo, iMode, phg, pvWidths, cGlyphs);
}

// The escape worker checks the PDEV itself: the support query answers
// without one.
ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  return HandleEscape(pso, iEsc, cjIn, pvIn, cjOut, pvOut);
}

// Every band is drawn from the page's calls anew: a mark offset the last
// band's calls left is not in force at its start.
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
  PdevState* pdev = CheckedPdev(pso);
  if (!pdev) return FALSE;
  ClearMarkOffset(pdev);
  return StartBanding(pso, pptl);
}

BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
  PdevState* pdev = CheckedPdev(pso);
  if (!pdev) return FALSE;
  ClearMarkOffset(pdev);
  return NextBand(pso, pptl);
}
