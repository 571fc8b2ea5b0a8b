// The library entry, the driver-wide DDI functions, the DRVFN table and the
// PDEV check (see driver_entry.h).
#include "graphics_driver/core/driver_entry.h"

#include "graphics_driver/core/glyph_set_cache.h"
#include "platform/win/win_error.h"
#include "platform/win/win_module.h"
#include "settings/services/module_state.h"

namespace {

CRITICAL_SECTION gModelLoadLock;
// Set up and deleted with the model lock; nothing enters it.
CRITICAL_SECTION gSpareDriverLock;

template <typename F>
PFN Row(F f) {
  return reinterpret_cast<PFN>(f);
}

DRVFN gDriverFunctions[kDriverFunctionCount] = {
    {INDEX_DrvEnablePDEV, Row(&DrvEnablePDEV)},
    {INDEX_DrvResetPDEV, Row(&DrvResetPDEV)},
    {INDEX_DrvCompletePDEV, Row(&DrvCompletePDEV)},
    {INDEX_DrvDisablePDEV, Row(&DrvDisablePDEV)},
    {INDEX_DrvEnableSurface, Row(&DrvEnableSurface)},
    {INDEX_DrvDisableSurface, Row(&DrvDisableSurface)},
    {INDEX_DrvBitBlt, Row(&DrvBitBlt)},
    {INDEX_DrvStretchBlt, Row(&DrvStretchBlt)},
    {INDEX_DrvCopyBits, Row(&DrvCopyBits)},
    {INDEX_DrvTextOut, Row(&DrvTextOut)},
    {INDEX_DrvQueryFont, Row(&DrvQueryFont)},
    {INDEX_DrvQueryFontTree, Row(&DrvQueryFontTree)},
    {INDEX_DrvQueryFontData, Row(&DrvQueryFontData)},
    {INDEX_DrvQueryAdvanceWidths, Row(&DrvQueryAdvanceWidths)},
    {INDEX_DrvSendPage, Row(&DrvSendPage)},
    {INDEX_DrvStrokePath, Row(&DrvStrokePath)},
    {INDEX_DrvRealizeBrush, Row(&DrvRealizeBrush)},
    {INDEX_DrvStartPage, Row(&DrvStartPage)},
    {INDEX_DrvStartDoc, Row(&DrvStartDoc)},
    {INDEX_DrvEscape, Row(&DrvEscape)},
    {INDEX_DrvEndDoc, Row(&DrvEndDoc)},
    {INDEX_DrvGetGlyphMode, Row(&DrvGetGlyphMode)},
    {INDEX_DrvStartBanding, Row(&DrvStartBanding)},
    {INDEX_DrvNextBand, Row(&DrvNextBand)},
};

}  // namespace

int IsValidPdev(const PdevState* pdev) {
  return pdev && pdev->signature == kPdevSignature && pdev->trailerSignature == kPdevSignature ? 1 : 0;
}

PdevState* PdevOfSurface(const SURFOBJ* pso) { return pso ? reinterpret_cast<PdevState*>(pso->dhpdev) : nullptr; }

CRITICAL_SECTION* GetModelLoadLock() { return &gModelLoadLock; }

BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) InitModule(instance, nullptr);
  else if (reason == DLL_PROCESS_DETACH) ReleaseModule();
  return TRUE;
}

BOOL DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
  if (iEngineVersion < DDI_DRIVER_VERSION_NT4 || cj < sizeof(DRVENABLEDATA) || !pded) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  pded->iDriverVersion = DDI_DRIVER_VERSION_NT4;
  pded->c = kDriverFunctionCount;
  pded->pdrvfn = gDriverFunctions;
  InitializeCriticalSection(&gModelLoadLock);
  InitializeCriticalSection(&gSpareDriverLock);
  return InitGlyphSetCache() ? TRUE : FALSE;
}

void DrvDisableDriver() {
  DeleteCriticalSection(&gModelLoadLock);
  DeleteCriticalSection(&gSpareDriverLock);
  ReleaseGlyphSetCache();
  ReleaseModule();
}

BOOL DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
  if (dwMode != DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pcbNeeded) *pcbNeeded = sizeof(DWORD);
  if (cbBuf < sizeof(DWORD) || !pBuffer) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *static_cast<DWORD*>(pBuffer) = 1;  // a user-mode driver
  return TRUE;
}

ULONG DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }
