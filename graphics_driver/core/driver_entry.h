// The driver's outer shell: the library entry, the driver-wide DDI functions,
// the DRVFN table handed to GDI, the driver-wide locks, the PDEV check every
// DDI function makes, and the declarations of every DDI entry point.
#pragma once

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"
#include "platform/win/win_devmode.h"
#include "platform/win/win_sync.h"

// The names the library exports; the other entries of the table stay hidden.
#define PK_DRIVER_EXPORT extern "C" __attribute__((visibility("default")))

// Rows of the DRVFN table.
constexpr ULONG kDriverFunctionCount = 24;

// 1 when the pointer is a PDEV with the signature in its first and last word.
int IsValidPdev(const PdevState* pdev);
// The PDEV of a device surface, or null.
PdevState* PdevOfSurface(const SURFOBJ* pso);

// Serialises the loading of device model files in DrvEnablePDEV; set up by
// DrvEnableDriver.
CRITICAL_SECTION* GetModelLoadLock();

// Library entry: attach sets up the module state, detach releases it.
PK_DRIVER_EXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

PK_DRIVER_EXPORT BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
PK_DRIVER_EXPORT void DrvDisableDriver();
PK_DRIVER_EXPORT BOOL DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);
PK_DRIVER_EXPORT ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo);

// PDEV.
PK_DRIVER_EXPORT DHPDEV DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                      ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                      LPWSTR pwszDeviceName, HANDLE hDriver);
PK_DRIVER_EXPORT void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
PK_DRIVER_EXPORT BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
PK_DRIVER_EXPORT void DrvDisablePDEV(DHPDEV dhpdev);

// Surface and document.
PK_DRIVER_EXPORT HSURF DrvEnableSurface(DHPDEV dhpdev);
PK_DRIVER_EXPORT void DrvDisableSurface(DHPDEV dhpdev);
PK_DRIVER_EXPORT BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
PK_DRIVER_EXPORT BOOL DrvStartPage(SURFOBJ* pso);
PK_DRIVER_EXPORT BOOL DrvSendPage(SURFOBJ* pso);
PK_DRIVER_EXPORT BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl);
// In the table, not exported.
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl);
BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl);

// Drawing.
PK_DRIVER_EXPORT BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                                ROP4 rop4);
PK_DRIVER_EXPORT BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                    COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                    POINTL* pptlMask, ULONG iMode);
PK_DRIVER_EXPORT BOOL DrvStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                       XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                       RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4);
PK_DRIVER_EXPORT BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                  POINTL* pptlSrc);
PK_DRIVER_EXPORT BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                      XLATEOBJ* pxlo, ULONG iHatch);
PK_DRIVER_EXPORT BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                 RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
PK_DRIVER_EXPORT BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                    POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
PK_DRIVER_EXPORT BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                  MIX mix, FLONG flOptions);
PK_DRIVER_EXPORT BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                           LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                           FLONG flOptions);

// Fonts and escapes.
PK_DRIVER_EXPORT IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
PK_DRIVER_EXPORT PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
PK_DRIVER_EXPORT LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                                       ULONG cjSize);
PK_DRIVER_EXPORT BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                            ULONG cGlyphs);
PK_DRIVER_EXPORT ULONG DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
