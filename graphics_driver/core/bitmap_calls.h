// The driver's side of DrvCopyBits, DrvStretchBlt and DrvStretchBltROP. The
// driver never scales or halftones a colour bitmap itself: what is not yet
// a 1-bit source goes back to the engine (EngStretchBlt in HALFTONE mode),
// which returns it through DrvCopyBits as one.
#pragma once

#include "platform/gdi/ddi_types.h"

// The colour adjustment of every EngStretchBlt call the driver makes.
COLORADJUSTMENT DriverColorAdjustment();

BOOL CopyBitsToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                      POINTL* pptlSrc);
BOOL StretchBltToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                        ULONG iMode);
// Brush and rop4 are not used: the stretch is always halftoned.
BOOL StretchBltRopToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                           COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                           ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4);
