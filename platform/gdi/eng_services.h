// The engine services a driver calls (Eng* and the object services) and the
// signatures of the driver entry points the engine and the host call back.
// C ABI; no exception leaves any of them.
#pragma once

#include "platform/gdi/ddi_types.h"

// Signatures of the driver's entry points, as bound through DRVFN rows.
using PFN_DrvCopyBits = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                 RECTL* prclDest, POINTL* pptlSrc);
using PFN_DrvRealizeBrush = BOOL (*)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern,
                                     SURFOBJ* psoMask, XLATEOBJ* pxlo, ULONG iHatch);
using PFN_DrvBitBlt = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                               XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                               BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
using PFN_DrvStretchBlt = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg,
                                   RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
using PFN_DrvTextOut = BOOL (*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
using PFN_DrvStrokePath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                   BRUSHOBJ* pbo, POINTL* pptlBrushOrg, LINEATTRS* plineattrs,
                                   MIX mix);

extern "C" {

// Surfaces and palettes.
PKAPI HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
PKAPI BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
PKAPI BOOL EngMarkBandingSurface(HSURF hsurf);
PKAPI BOOL EngDeleteSurface(HSURF hsurf);
PKAPI HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                FLONG flGreen, FLONG flBlue);
PKAPI BOOL EngDeletePalette(HPALETTE hpal);

// Fonts and resources.
PKAPI FD_GLYPHSET* EngComputeGlyphSet(INT nCodePage, INT nFirstChar, INT cChars);
PKAPI PVOID EngFindResource(HANDLE h, int iName, int iType, PULONG pulSize);

// Drawing services.
PKAPI BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                         XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                         RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
PKAPI BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                     XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                     BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
PKAPI BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);
PKAPI void EngDeletePath(PATHOBJ* ppo);

// Brushes.
PKAPI PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
PKAPI PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);

// Clip objects.
PKAPI ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection,
                               ULONG cLimit);
PKAPI BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);
PKAPI PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco);

// Paths.
PKAPI void PATHOBJ_vEnumStart(PATHOBJ* ppo);
PKAPI BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
PKAPI void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx);

// Strings, fonts and transforms.
PKAPI void STROBJ_vEnumStart(STROBJ* pstro);
PKAPI BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos);
PKAPI ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg,
                               PVOID* ppvGlyph);
PKAPI IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
PKAPI XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
PKAPI BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn,
                                PVOID pvOut);

// Colour translation.
PKAPI ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);

}  // extern "C"
