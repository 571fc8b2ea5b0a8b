// The font queries over the PDEV's device fonts: the IFIMETRICS, the kerning
// pairs and glyph set, a glyph's metrics and the font's extents, and advance
// widths. Lengths in font units go through the FONTOBJ's transform;
// "rounded" means whole pixels in 28.4 ((x + 8) with the low 4 bits cleared).
#include <cmath>
#include <cstring>

#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/glyph_set_cache.h"
#include "graphics_driver/core/text_output.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_muldiv.h"
#include "settings/services/module_state.h"

namespace {

constexpr int kGlyphSetResourceType = 260;

LONG Rounded(LONG x) { return (x + 8) & ~LONG(15); }

PdevState* ValidPdev(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<PdevState*>(dhpdev);
  if (IsValidPdev(pdev)) return pdev;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// Device font iFace (1-based), or null with ERROR_INVALID_PARAMETER.
DeviceFontEntry* FontOf(PdevState* pdev, ULONG iFace) {
  if (iFace == 0 || iFace > pdev->deviceFontCount || !pdev->deviceFonts[iFace - 1]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return pdev->deviceFonts[iFace - 1];
}

// The transformed point, or false.
bool Transform(XFORMOBJ* pxo, ULONG mode, LONG x, LONG y, POINTL* out) {
  POINTL in{x, y};
  return XFORMOBJ_bApplyXform(pxo, mode, 1, &in, out) != FALSE;
}
LONG TransformedLength(XFORMOBJ* pxo, ULONG mode, LONG x, LONG y) {
  POINTL p{0, 0};
  if (!Transform(pxo, mode, x, y, &p)) return 0;
  return CeilHypot(p.x, p.y);
}

// The advance of a glyph in font units.
LONG GlyphWidth(DeviceFontEntry* entry, HGLYPH hg) {
  if (entry->hasWidthRecord) {
    const int32_t w = GetDeviceFontCharWidth(&entry->widthRecord, hg);
    if (w != -1) return w;
  }
  return DeviceFontMetrics(entry)->fwdAveCharWidth;
}

}  // namespace

FD_GLYPHSET* CopyGlyphSetResource(const BYTE* bytes, ULONG size) {
  if (!bytes || size < offsetof(FD_GLYPHSET, awcrun)) return nullptr;
  FD_GLYPHSET head;
  std::memcpy(&head, bytes, offsetof(FD_GLYPHSET, awcrun));
  const uint64_t table = (uint64_t(head.cRuns) + 1) * sizeof(WCRUN);
  if (table > size) return nullptr;
  uint64_t glyphs = 0;
  for (ULONG r = 0; r < head.cRuns; ++r) {
    USHORT count;
    std::memcpy(&count, bytes + offsetof(FD_GLYPHSET, awcrun) + r * sizeof(WCRUN) + offsetof(WCRUN, cGlyphs), 2);
    glyphs += count;
  }
  if (table + glyphs * sizeof(HGLYPH) > size) return nullptr;
  auto* copy = static_cast<FD_GLYPHSET*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size));
  if (!copy) return nullptr;
  std::memcpy(copy, bytes, size);
  auto* handles = reinterpret_cast<HGLYPH*>(reinterpret_cast<BYTE*>(copy) + table);
  uint64_t before = 0;
  for (ULONG r = 0; r < copy->cRuns; ++r) {
    copy->awcrun[r].phg = handles + before;
    before += copy->awcrun[r].cGlyphs;
  }
  return copy;
}

FD_GLYPHSET* GetFontGlyphSet(PdevState* pdev, ULONG iFace) {
  DeviceFontEntry* entry = FontOf(pdev, iFace);
  if (!entry) return nullptr;
  if (DeviceFontMetrics(entry)->jWinCharSet != 0x80) return GetDefaultGlyphSet();
  GlyphSetCacheRow* row = GetResourceGlyphSetRow();
  if (!row->glyphSet) {
    ULONG size = 0;
    const auto* bytes =
        static_cast<const BYTE*>(EngFindResource(GetResourceModule(), row->resourceName, kGlyphSetResourceType, &size));
    row->glyphSet = CopyGlyphSetResource(bytes, size);
  }
  return row->glyphSet;
}

IFIMETRICS* QueryDeviceFont(DHPDEV dhpdev, ULONG_PTR, ULONG iFace, ULONG_PTR* pid) {
  if (pid) *pid = 0;
  PdevState* pdev = ValidPdev(dhpdev);
  if (!pdev || pdev->deviceFontCount == 0) return nullptr;
  DeviceFontEntry* entry = FontOf(pdev, iFace);
  return entry ? DeviceFontMetrics(entry) : nullptr;
}

PVOID QueryDeviceFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG iFace, ULONG iMode, ULONG_PTR* pid) {
  if (pid) *pid = 0;
  PdevState* pdev = ValidPdev(dhpdev);
  if (!pdev) return nullptr;
  switch (iMode) {
    case QFT_KERNPAIRS: {
      DeviceFontEntry* entry = FontOf(pdev, iFace);
      if (!entry || !entry->kerningOffset) return nullptr;
      return reinterpret_cast<BYTE*>(entry) + entry->kerningOffset;
    }
    case QFT_GLYPHSET: {
      EnterCriticalSection(GetGlyphSetLock());
      FD_GLYPHSET* set = GetFontGlyphSet(pdev, iFace);
      LeaveCriticalSection(GetGlyphSetLock());
      return set;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

LONG QueryDeviceFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv, ULONG cjSize) {
  if (!pfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  PdevState* pdev = ValidPdev(dhpdev);
  if (!pdev) return LONG(FD_ERROR);
  if (pdev->deviceFontCount == 0) return LONG(FD_ERROR);
  DeviceFontEntry* entry = FontOf(pdev, pfo->iFace);
  if (!entry) return LONG(FD_ERROR);
  XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
  if (!pxo) return LONG(FD_ERROR);
  const IFIMETRICS* ifi = DeviceFontMetrics(entry);

  switch (iMode) {
    case QFD_GLYPHANDBITMAP: {
      if (pgd) {
        const LONG w = GlyphWidth(entry, hg);
        const LONG bottom = ifi->rclFontBox.bottom, top = ifi->rclFontBox.top;
        const LONG inkBottom = Rounded(TransformedLength(pxo, XF_LTOFX, 0, bottom));
        const LONG inkTop = Rounded(TransformedLength(pxo, XF_LTOFX, 0, top));
        pgd->fxInkBottom = bottom < 0 ? -inkBottom : inkBottom;
        pgd->fxInkTop = top < 0 ? -inkTop : inkTop;
        POINTL v{0, 0};
        Transform(pxo, XF_LTOFX, 4096, 0, &v);
        const LONG d = Rounded(LONG(int64_t(CeilHypot(v.x, v.y)) * w / 4096));
        pgd->fxD = pgd->fxAB = d;
        pgd->fxA = 0;
        pgd->ptqD.x.HighPart = Rounded(LONG(int64_t(v.x) * w / 4096));
        pgd->ptqD.x.LowPart = 0;
        pgd->ptqD.y.HighPart = Rounded(LONG(int64_t(v.y) * w / 4096));
        pgd->ptqD.y.LowPart = 0;
        pgd->hg = hg;
      }
      return 0;
    }
    case QFD_MAXEXTENTS: {
      if (!pv) return sizeof(FD_DEVICEMETRICS);
      // A short buffer is refused rather than overrun.
      if (cjSize < sizeof(FD_DEVICEMETRICS)) return LONG(FD_ERROR);
      auto* dm = static_cast<FD_DEVICEMETRICS*>(pv);
      const bool fixedPitch = (ifi->jWinPitchAndFamily & 0x0F) == FIXED_PITCH;
      const bool dbcsFixed = (ifi->flInfo & FM_INFO_DBCS_FIXED_PITCH) != 0;
      const LONG top = ifi->rclFontBox.top, bottom = ifi->rclFontBox.bottom;
      dm->flRealizedType = 0;
      POINTL base{0, 0}, side{0, 0};
      Transform(pxo, XF_LTOFX, 1000, 0, &base);
      Transform(pxo, XF_LTOFX, 0, -1000, &side);
      const double baseLength = std::hypot(double(base.x), double(base.y));
      const double sideLength = std::hypot(double(side.x), double(side.y));
      dm->pteBase = baseLength > 0 ? POINTE{FLOATL(base.x / baseLength), FLOATL(base.y / baseLength)} : POINTE{};
      dm->pteSide = sideLength > 0 ? POINTE{FLOATL(side.x / sideLength), FLOATL(side.y / sideLength)} : POINTE{};
      const LONG em = CeilHypot(side.x, side.y) / 16;
      const int resolution = pdev->devmode.devMode.publicPart.dmYResolution;
      const LONG points = resolution ? MulDiv(em, 72, resolution) : 0;
      const BYTE familyKind = ifi->jWinPitchAndFamily & 0xF0;
      LONG leading;
      if (familyKind & 0x10) leading = 2;
      else if (familyKind == FF_SWISS) leading = points <= 12 ? 2 : points < 14 ? 3 : 4;
      else leading = points * 196 / 1000;
      const LONG internal = std::max<LONG>(0, LONG(int64_t(top - bottom - 1000) * em / 1000));
      LONG external = (leading * resolution / 72 - internal) * 16;
      if (external < 0 || fixedPitch) external = 0;
      dm->lNonLinearExtLeading = dbcsFixed ? 0 : external;
      dm->lNonLinearIntLeading = dbcsFixed || fixedPitch ? 0 : internal;
      dm->lD = (ifi->flInfo & FM_INFO_CONSTANT_WIDTH) ? TransformedLength(pxo, XF_LTOL, ifi->fwdMaxCharInc, 0) : 0;
      dm->fxMaxAscender = Rounded(TransformedLength(pxo, XF_LTOFX, 0, top));
      LONG descent = std::abs(bottom);
      if (fixedPitch && !dbcsFixed) descent = std::max<LONG>(0, std::abs(bottom) + 1000 - top + bottom);
      dm->fxMaxDescender = Rounded(TransformedLength(pxo, XF_LTOFX, 0, descent));
      Transform(pxo, XF_LTOL, 0, -ifi->fwdUnderscorePosition, &dm->ptlUnderline1);
      Transform(pxo, XF_LTOL, 0, -ifi->fwdStrikeoutPosition, &dm->ptlStrikeOut);
      Transform(pxo, XF_LTOL, 0, ifi->fwdUnderscoreSize, &dm->ptlULThickness);
      dm->ptlSOThickness = dm->ptlULThickness;
      dm->cxMax = ULONG(TransformedLength(pxo, XF_LTOL, ifi->fwdMaxCharInc, 0));
      return sizeof(FD_DEVICEMETRICS);
    }
    default: return LONG(FD_ERROR);
  }
}

BOOL QueryDeviceAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths, ULONG cGlyphs) {
  PdevState* pdev = reinterpret_cast<PdevState*>(dhpdev);
  if (!pfo || !phg || !pvWidths || !IsValidPdev(pdev) || (iMode != QAW_GETWIDTHS && iMode != QAW_GETEASYWIDTHS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (cGlyphs == 0) return TRUE;
  if (pdev->deviceFontCount == 0) return FALSE;
  DeviceFontEntry* entry = FontOf(pdev, pfo->iFace);
  if (!entry) return FALSE;
  XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
  if (!pxo) return FALSE;
  const LONG s = TransformedLength(pxo, XF_LTOFX, 4096, 0);
  auto* widths = static_cast<USHORT*>(pvWidths);
  const LONG average = DeviceFontMetrics(entry)->fwdAveCharWidth;
  for (ULONG i = 0; i < cGlyphs; ++i) {
    // The handle list is read only while the width record is there.
    const LONG w = entry->hasWidthRecord ? GlyphWidth(entry, phg[i]) : average;
    widths[i] = USHORT(Rounded(LONG(int64_t(s) * w / 4096)));
  }
  return TRUE;
}
