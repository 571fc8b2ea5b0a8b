// The checks of the device-font text path (see device_font_checks.h).
#include "graphics_driver/core/device_font_checks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/core/text_output.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_logfont.h"
#include "platform/win/win_memory.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"

namespace {

constexpr int kMaxDeviceFontPoints = 40;
constexpr WCHAR kCarriageReturn = 13;

bool IsBold(const IFIMETRICS* ifi) { return (ifi->fsSelection & FM_SEL_BOLD) || ifi->usWinWeight >= FW_BOLD; }

// The default of a model feature as a number, or the fallback when the model
// has none (or a text).
int64_t FeatureDefault(const PdevState* pdev, SettingId id, int64_t fallback) {
  BYTE* data = nullptr;
  WORD type = 0, size = 0;
  const ModelStatus s =
      ReadFeatureDefaultValue(pdev->primaryModelFile, pdev->secondaryModelFile, id, &data, &type, &size);
  if (s != 0 || !data || size == 0 || type == kSettingTypeText) {
    if (data) GlobalFree(data);
    return fallback;
  }
  uint32_t raw = 0;
  std::memcpy(&raw, data, std::min<WORD>(size, 4));
  GlobalFree(data);
  if (size == 2 && type == kSettingTypeInt16) return int16_t(raw);
  if (size >= 4 && (type == kSettingTypeInt32 || type == kSettingTypeSInt32)) return int32_t(raw);
  return raw;
}

}  // namespace

WORD GetDeviceFontCode(PdevState* pdev, FONTOBJ* pfo, uint32_t faceIndex) {
  if (!pdev || !pfo || !pdev->fontFaceIds || faceIndex >= pdev->fontFaceCount) return 0;
  const IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  const int32_t number = pdev->fontFaceIds[faceIndex];
  if (!ifi || number <= 0) return 0;
  ModelRecord* record = nullptr;
  if (LoadModelRecordByIndex(false, pdev->primaryModelFile, pdev->secondaryModelFile, kRecordDeviceFont, DWORD(number),
                             &record) != 0 ||
      !record)
    return 0;
  WORD code = record->key;
  ReleaseModelRecord(record);

  if ((pfo->flFontType & FO_SIM_ITALIC) || (ifi->fsSelection & FM_SEL_ITALIC)) code |= 0x8;
  int weight = (code >> 4) & 0xF;
  if (pfo->flFontType & FO_SIM_BOLD) weight = std::min(weight + 3, 15);
  else if (IsBold(ifi)) weight = std::min(ifi->usWinWeight / 100, 15);
  return WORD((code & ~0xF0) | (weight << 4));
}

int IsDeviceFontSizeOk(PdevState* pdev, FONTOBJ* pfo) {
  LONG points = 0;
  if (!GetFontEmHeightPoints(pdev, pfo, &points)) return 0;
  const int64_t widest = int64_t(pdev->devmode.devMode.publicPart.dmPrintQuality) * 5 / 9;
  return points <= kMaxDeviceFontPoints && int64_t(pfo->cxMax) <= widest ? 1 : 0;
}

LONG GetFontHeightOnPage(PdevState* pdev, FONTOBJ* pfo) {
  LONG em = 0;
  PageTransform m{};
  if (!pdev || !GetFontEmHeightDots(pfo, &em) || GetPageTransform(pdev->imageStore, &m) != 0) return 0;
  const double h = em;
  const double height = std::min(std::fabs(m.a * h + m.c * h), std::fabs(m.b * h + m.d * h));
  if (!std::isfinite(height)) return 0;
  return LONG(std::min(std::floor(height + 0.5), double(INT32_MAX)));
}

int IsCarriageReturnRunOk(PdevState* pdev, FONTOBJ* pfo, LONG widths, ULONG count, WCHAR character) {
  if (!pdev || !pfo) return 0;
  const IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  // Flag 475 is the preview mode setting.
  if (!ifi || !IsPreviewMode(pdev) || character != kCarriageReturn) return 0;
  if ((pfo->flFontType & FO_SIM_BOLD) || IsBold(ifi)) return 0;
  if (widths != -1 && widths != 0) return 0;
  if (int64_t(count) < FeatureDefault(pdev, 0x800A, 50)) return 0;
  const LONG height = GetFontHeightOnPage(pdev, pfo);
  return height > FeatureDefault(pdev, 0x8008, 7) && height < FeatureDefault(pdev, 0x8009, 16) ? 1 : 0;
}
