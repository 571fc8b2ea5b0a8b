// The application layout override (see layout_override.h).
#include "graphics_driver/core/layout_override.h"

#include "settings/access/setting_access.h"

namespace {

// The overridden settings in the order they are saved and written; dmDuplex
// is a signed 16-bit value, the others unsigned.
struct OverriddenSetting {
  SettingId id;
  SettingValueType type;
};
constexpr OverriddenSetting kOverridden[7] = {
    {295, kSettingTypeUInt16}, {264, kSettingTypeUInt16}, {294, kSettingTypeUInt16}, {321, kSettingTypeUInt16},
    {296, kSettingTypeUInt16}, {16, kSettingTypeInt16},   {270, kSettingTypeUInt16},
};

uint16_t ReadSetting(const WorkingDevMode* devmode, const BYTE* settings, SettingId id) {
  uint64_t value = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(id, devmode, settings, &type, &size, &value) != kSettingOk) return 0;
  return uint16_t(value);
}

int16_t OverrideOf(const LayoutOverride& r, int index) {
  const int16_t values[6] = {r.nupOverride, r.override264, r.override294,
                             r.override321, r.override296, r.duplexOverride};
  return values[index];
}

}  // namespace

int InitLayoutOverride(LayoutOverride* record, uint32_t featureLevel, uint32_t switchA, uint32_t switchB) {
  if (!record) return -1;
  *record = LayoutOverride{};
  record->featureLevel = featureLevel;
  record->switchA = switchA;
  record->switchB = switchB;
  record->nupOverride = record->override264 = record->override294 = record->override321 = record->override296 =
      record->duplexOverride = -1;
  record->collectMode = 0;
  return 0;
}

int ApplyLayoutOverride(WorkingDevMode* devmode, BYTE* printerSettings, LayoutOverride* record) {
  if (!devmode || !record) return -1;
  const int restored = record->saved ? RestoreLayoutSettings(devmode, printerSettings, record) : 0;
  // dmDuplex first, then the pages-per-sheet group.
  constexpr int kOrder[6] = {5, 0, 1, 2, 3, 4};
  for (int i : kOrder) {
    const OverriddenSetting& s = kOverridden[i];
    record->savedValues[i] = ReadSetting(devmode, printerSettings, s.id);
    const int16_t value = OverrideOf(*record, i);
    if (value != -1) SetSettingValueArgs(devmode, printerSettings, s.id, s.type, int(value));
  }
  record->savedValues[6] = ReadSetting(devmode, printerSettings, 270);
  if (record->collectControl) SetSettingValueArgs(devmode, printerSettings, 270, kSettingTypeUInt16, 0);
  if (restored == 0) record->saved = 1;
  return restored;
}

int RestoreLayoutSettings(WorkingDevMode* devmode, BYTE* printerSettings, LayoutOverride* record) {
  if (!devmode || !record) return -1;
  if (!record->saved) return 0;
  constexpr int kOrder[7] = {5, 0, 1, 2, 3, 4, 6};
  for (int i : kOrder)
    SetSettingValueArgs(devmode, printerSettings, kOverridden[i].id, kOverridden[i].type, int(record->savedValues[i]));
  record->saved = 0;
  return 0;
}
