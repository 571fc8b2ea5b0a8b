// The printer's feature level (see feature_level.h).
#include "graphics_driver/job_output/feature_level.h"

#include "settings/access/setting_access.h"

int HasFeatureLevel(const PdevState* pdev, uint32_t level) {
  if (!pdev) return 0;
  uint64_t value = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(1308, &pdev->devmode, pdev->printerSettings, &type, &size, &value) != kSettingOk) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(value)) >= static_cast<int32_t>(level) ? 1 : 0;
}

uint32_t GetFeatureLevel(const PdevState* pdev) {
  const uint32_t value = pdev ? uint32_t(GetPdevSettingLong(pdev, 1308)) : 0;
  if (value > 0x01020001) return 0x01020001;
  if (value <= 0x01010500) return 0x01010501;
  return value;
}
