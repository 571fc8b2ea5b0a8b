// The GDIINFO and DEVINFO of a PDEV (see device_caps.h).
#include "graphics_driver/core/device_caps.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/paper_forms.h"
#include "graphics_driver/core/pdev_settings.h"
#include "platform/gdi/eng_services.h"
#include "settings/model/model_records.h"
#include "settings/services/os_version.h"

namespace {

// A rounded quotient: a / b, plus 1 when the first decimal of the rest is 5
// or more.
int64_t RoundDiv(int64_t a, int64_t b) { return a / b + ((a % b) * 10 / b >= 5 ? 1 : 0); }

bool Fits(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// The colours and dyes of the device, in CIE chromaticities.
constexpr COLORINFO kDeviceColors = {
    {6380, 3350, 0},
    {2345, 6075, 0},
    {1410, 932, 0},
    {2000, 2450, 0},
    {5210, 2100, 0},
    {4750, 5100, 0},
    {3127, 3290, 0},
    12500,
    12500,
    12500,
    585,
    120,
    0,
    0,
    0,
    10000,
};

constexpr ULONG kRasterCaps = 0x2AAB;
constexpr ULONG kTextCapsRasterFonts = 0x2000;  // TC_RA_ABLE
constexpr ULONG kHtFlagHasBlackDye = 2;
constexpr FLONG kGraphicsCaps = 0x40002410;

}  // namespace

ULONG GetHalftonePatternSize(uint32_t dpi) {
  if (dpi >= 2400) return 15;
  if (dpi >= 1800) return 13;
  if (dpi >= 1200) return 11;
  if (dpi >= 900) return 9;
  if (dpi >= 400) return 7;
  if (dpi < 180) return 3;
  return 5;
}

int BuildGdiInfo(PdevState* pdev, const AttachedPaperMargins* margins, GDIINFO* info) {
  auto* record = const_cast<PaperRecord*>(static_cast<const PaperRecord*>(pdev->documentPaper.paperRecord));
  if (!record || record->pair2[0].kind == 0 || record->pair2[1].kind == 0 || record->pair3[0].kind == 0 ||
      record->pair3[1].kind == 0)
    return 0;
  FormSize form{};
  if (GetFormSize(pdev->printer, pdev->documentPaper.formName, 0, &form) != 1) return 0;
  const int64_t dpi = WORD(GetPdevSettingShort(pdev, 20));
  // The merge takes dmScale from the application as it stands.
  const int64_t scale = GetPdevSettingShort(pdev, 11);
  if (scale < 1) return 0;

  int64_t w = form.width, h = form.height;
  // A continuous form is as long as setting 373 asks, scaled.
  if (h == 10000 && record->key != 317) {
    const int64_t length = uint32_t(GetSetting373(pdev));
    const int64_t percent = GetScalePercent(pdev);
    if (length == 0) h = 150000;
    else if (percent == 0) return 0;
    else h = length * 1000 / percent;
  }

  int64_t pw, ph, ox, oy;
  if (pdev->documentPaper.rotated) {
    pw = h;
    ph = w;
    ox = record->pair2[0].y;
    oy = record->pair2[0].x;
  } else {
    pw = w;
    ph = h;
    ox = record->pair2[0].x;
    oy = record->pair2[1].y;
  }
  // The record keeps no margins for later users.
  record->pair2[0].x = record->pair2[0].y = 0;
  record->pair2[1].x = record->pair2[1].y = 0;

  int64_t px = pw, py = ph;
  if (margins && GetPdevSettingLong(pdev, 387) == 1 && margins->paperCode == GetPdevSettingShort(pdev, 8)) {
    const int64_t m1 = margins->m[0], m2 = margins->m[1], m3 = margins->m[2], m4 = margins->m[3];
    if (GetPdevSettingShort(pdev, 7) == 1) {
      ox = m1;
      oy = m3;
      px = pw - m2 - m1;
      py = ph - m4 - m3;
    } else {
      ox = m4;
      oy = m1;
      px = pw - m3 - m4;
      py = ph - m2 - m1;
    }
  }

  // GDI may draw anywhere in the printable size it is told, but the page is
  // made only of the document paper's printable rectangle, its width cut to
  // whole bytes: the printable size never reaches beyond that page, so no
  // drawing falls outside it.
  const PaperInfo& paper = pdev->documentPaper;
  const int64_t pageWidth = DeviceUnitsToDots(paper.right - paper.left, int32_t(dpi)) / 8 * 8;
  const int64_t pageHeight = DeviceUnitsToDots(paper.bottom - paper.top, int32_t(dpi));
  int64_t horzRes = dpi ? RoundDiv(dpi * px, 254) : 0, vertRes = dpi ? RoundDiv(dpi * py, 254) : 0;
  if (dpi && horzRes > pageWidth) {
    horzRes = std::max<int64_t>(pageWidth, 0);
    px = horzRes * 254 / dpi;
  }
  if (dpi && vertRes > pageHeight) {
    vertRes = std::max<int64_t>(pageHeight, 0);
    py = vertRes * 254 / dpi;
  }

  const int64_t values[] = {
      RoundDiv(px * 10, scale),
      RoundDiv(py * 10, scale),
      horzRes,
      vertRes,
      RoundDiv(dpi * ox, 254),
      RoundDiv(dpi * oy, 254),
      RoundDiv(dpi * pw, 254),
      RoundDiv(dpi * ph, 254),
      pdev->logicalDpi,
  };
  for (int64_t v : values)
    if (!Fits(v)) return 0;

  std::memset(info, 0, sizeof *info);
  info->ulVersion = 0x400;
  info->ulTechnology = 2;  // DT_RASPRINTER
  info->ulHorzSize = ULONG(values[0]);
  info->ulVertSize = ULONG(values[1]);
  info->ulHorzRes = ULONG(values[2]);
  info->ulVertRes = ULONG(values[3]);
  info->cBitsPixel = 1;
  info->cPlanes = 1;
  info->ulNumColors = 2;
  info->flRaster = kRasterCaps;
  info->ulLogPixelsX = info->ulLogPixelsY = ULONG(pdev->logicalDpi);
  info->flTextCaps = IsWindowsVistaOrLater() ? 0 : kTextCapsRasterFonts;
  info->ulAspectX = info->ulAspectY = ULONG(dpi);
  info->ulAspectXY = ULONG(dpi * 1414 / 1000);
  info->xStyleStep = info->yStyleStep = 1;
  info->denStyleStep = LONG(dpi / 25);
  info->ptlPhysOffset = {LONG(values[4]), LONG(values[5])};
  info->szlPhysSize = {LONG(values[6]), LONG(values[7])};
  info->ciDevice = kDeviceColors;
  info->ulHTPatternSize = GetHalftonePatternSize(uint32_t(dpi));
  info->ulHTOutputFormat = 0;  // HT_FORMAT_1BPP
  info->flHTFlags = kHtFlagHasBlackDye;
  return 1;
}

// The three default fonts: the device font the default font id (setting
// 384) names gives the character set and pitch; false when none has it.
static bool FillDefaultFonts(PdevState* pdev, DEVINFO* info) {
  const uint32_t id = WORD(GetPdevSettingShort(pdev, 384));
  uint32_t i = 0;
  while (i < pdev->deviceFontCount && !(pdev->deviceFonts[i] && pdev->deviceFonts[i]->fontId == id)) ++i;
  if (i == pdev->deviceFontCount) return false;
  const LONG dpi = WORD(GetPdevSettingShort(pdev, 20));
  LOGFONTW& font = info->lfDefaultFont;
  font.lfHeight = -(dpi * 10 / 72);
  font.lfWeight = FW_NORMAL;
  if (i < pdev->fontFaceCount && pdev->fontFaces[i]) {
    font.lfCharSet = pdev->fontFaces[i]->charSet;
    font.lfPitchAndFamily = pdev->fontFaces[i]->pitchAndFamily;
  }
  std::memcpy(font.lfFaceName, u"Courier", sizeof u"Courier");
  info->lfAnsiVarFont = font;
  info->lfAnsiVarFont.lfCharSet = ANSI_CHARSET;
  info->lfAnsiVarFont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  std::memset(info->lfAnsiVarFont.lfFaceName, 0, sizeof info->lfAnsiVarFont.lfFaceName);
  std::memcpy(info->lfAnsiVarFont.lfFaceName, u"Helvetica", sizeof u"Helvetica");
  info->lfAnsiFixFont = font;
  info->lfAnsiFixFont.lfCharSet = ANSI_CHARSET;
  info->lfAnsiFixFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  return true;
}

int BuildDevInfo(PdevState* pdev, DEVINFO* info) {
  std::memset(info, 0, sizeof *info);
  // Without device fonts the three default fonts stay zero.
  if (pdev->deviceFontCount && !FillDefaultFonts(pdev, info)) return 0;
  info->flGraphicsCaps = kGraphicsCaps;
  info->cFonts = 0;
  info->iDitherFormat = BMF_24BPP;
  if (pdev->palette) EngDeletePalette(pdev->palette);
  pdev->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  if (!pdev->palette) return 0;
  info->hpalDefault = pdev->palette;
  return 1;
}
