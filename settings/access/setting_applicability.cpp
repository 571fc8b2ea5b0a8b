// Whether a setting's stored value counts under the current choices (some
// colour and option-group settings only apply in certain colour modes), and
// the reads that give a setting that does not apply as zero.
#include "settings/access/setting_access.h"

#include <cstring>

namespace {

bool InRange(SettingId id, SettingId first, SettingId last) { return id >= first && id <= last; }

// Reads one of the deciding settings (270, 271, 293); false when it fails.
bool ReadDecider(SettingId id, const void* devMode, const void* settings, uint64_t* value) {
  SettingValueType type;
  UINT size;
  *value = 0;
  return GetSettingValue(id, devMode, settings, &type, &size, value) == kSettingOk;
}

// Bytes of the destination cleared when a setting does not apply.
size_t NotApplicableWidth(SettingId id) {
  if (id == 273 || InRange(id, 392, 400) || id == 471 || id == 472 || InRange(id, 474, 477) || id == 479 || id == 485 ||
      id == 486) {
    return 4;
  }
  if (InRange(id, 274, 288) || id == 291) return 2;
  if (id == 289 || id == 290) return sizeof(void*);  // an empty text address
  return 0;
}

}  // namespace

int GetSettingApplicability(SettingId id, const void* devMode, const void* settings) {
  const bool colourGroup = InRange(id, 273, 277) || InRange(id, 282, 290) || id == 471 || id == 472;
  const bool greyGroup = InRange(id, 278, 281) || id == 291;
  const bool needsNot270 = InRange(id, 392, 400) || id == 474 || id == 477 || id == 485;
  const bool needs270 = id == 476 || id == 479 || id == 486;
  uint64_t v270 = 0;
  uint64_t v271 = 0;
  uint64_t v293 = 0;
  // Only the settings that decide for this id are read.
  if ((greyGroup || needsNot270 || needs270) && !ReadDecider(270, devMode, settings, &v270)) return 3;
  if (id == 475 && !ReadDecider(271, devMode, settings, &v271)) return 3;
  if ((colourGroup || greyGroup) && !ReadDecider(293, devMode, settings, &v293)) return 3;
  const bool colour293 = v293 == 2 || v293 == 4;
  bool applies = true;
  if (colourGroup) applies = colour293;
  else if (greyGroup) applies = v270 != 1 && colour293;
  else if (needsNot270) applies = v270 != 1;
  else if (needs270) applies = v270 == 1;
  else if (id == 475) applies = v271 == 8;
  return applies ? 1 : 2;
}

int GetApplicableSettingValue(SettingId id, const void* devMode, const void* settings, SettingValueType* type,
                              UINT* size, void* destination) {
  if (type == nullptr || size == nullptr || destination == nullptr) return 3;
  if (GetSettingValue(id, devMode, settings, type, size, destination) != kSettingOk) return 3;
  switch (GetSettingApplicability(id, devMode, settings)) {
    case 1: return 0;
    case 2: std::memset(destination, 0, NotApplicableWidth(id)); return 0;
    default: return 3;
  }
}

LONG_PTR GetSettingInt(const void* devMode, const void* settings, SettingId id) {
  uint64_t value = 0;
  SettingValueType type;
  UINT size;
  if (GetApplicableSettingValue(id, devMode, settings, &type, &size, &value) == 3) return -1;
  return static_cast<LONG_PTR>(value);
}
