// The copy and stretch calls (see bitmap_calls.h).
#include "graphics_driver/core/bitmap_calls.h"

#include <algorithm>

#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/core/source_image_rows.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_error.h"

namespace {

constexpr ROP4 kSrcCopy = 0xCCCC;

BOOL InvalidParameter() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace

COLORADJUSTMENT DriverColorAdjustment() {
  COLORADJUSTMENT ca{};
  ca.caSize = sizeof(COLORADJUSTMENT);
  ca.caRedGamma = ca.caGreenGamma = ca.caBlueGamma = 10000;
  ca.caReferenceWhite = 10000;
  return ca;
}

BOOL CopyBitsToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                      POINTL* pptlSrc) {
  if (!psoDest || !psoSrc || !prclDest || !pptlSrc) return InvalidParameter();
  if (psoSrc->iBitmapFormat != BMF_1BPP) {
    // The source rectangle sized like the destination, cut to the bitmap;
    // the destination loses what the source lost.
    RECTL dest = *prclDest;
    RECTL src{pptlSrc->x, pptlSrc->y, LONG(int64_t(pptlSrc->x) + (dest.right - dest.left)),
              LONG(int64_t(pptlSrc->y) + (dest.bottom - dest.top))};
    if (src.right > psoSrc->sizlBitmap.cx) {
      dest.right -= src.right - psoSrc->sizlBitmap.cx;
      src.right = psoSrc->sizlBitmap.cx;
    }
    if (src.bottom > psoSrc->sizlBitmap.cy) {
      dest.bottom -= src.bottom - psoSrc->sizlBitmap.cy;
      src.bottom = psoSrc->sizlBitmap.cy;
    }
    COLORADJUSTMENT ca = DriverColorAdjustment();
    POINTL origin{0, 0};
    return EngStretchBlt(psoDest, psoSrc, nullptr, pco, pxlo, &ca, &origin, &dest, &src, nullptr, HALFTONE);
  }
  if (psoSrc->iType != STYPE_BITMAP) return EngEraseSurface(psoDest, prclDest, 0xFFFFFFFF);
  if (psoDest->iType != STYPE_DEVICE) return InvalidParameter();
  RECTL copy = *prclDest;
  const int drawn =
      RenderBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, &copy, pptlSrc, nullptr, nullptr, nullptr, kSrcCopy);
  FreeClipPointBuffer(PdevOfSurface(psoDest));
  return drawn == 1 ? TRUE : FALSE;
}

BOOL StretchBltToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                        ULONG iMode) {
  if (!psoDest || !prclSrc) return InvalidParameter();
  if (GetSetting1057(PdevOfSurface(psoDest)) == 0) {
    iMode = HALFTONE;
  } else if (iMode == HALFTONE) {
    iMode = psoSrc && psoSrc->iBitmapFormat == BMF_1BPP ? BLACKONWHITE : COLORONCOLOR;
  }
  return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
}

BOOL StretchBltRopToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                           COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                           ULONG, BRUSHOBJ*, ROP4) {
  if (!psoDest || !prclSrc) return InvalidParameter();
  return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, HALFTONE);
}
