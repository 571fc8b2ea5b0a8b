// Small helpers of the rules that read a setting into an 8-byte variable and
// write a number back through the default writer.
#pragma once

#include <cstdint>

#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_ids.h"

// Reads a setting into a zeroed 8-byte variable (a text's or record's
// address for those types); false when the read fails.
inline bool ReadSettingInto(SettingId id, const void* devMode, const void* settings, uint64_t* value,
                            SettingValueType* type = nullptr, UINT* size = nullptr) {
  SettingValueType t = 0;
  UINT s = 0;
  *value = 0;
  if (GetSettingValue(id, devMode, settings, &t, &s, value) != kSettingOk) return false;
  if (type) *type = t;
  if (size) *size = s;
  return true;
}

// Reads a setting cut to a 16-bit word; false when the read fails.
inline bool ReadSettingWord(SettingId id, const void* devMode, const void* settings, WORD* value) {
  uint64_t v = 0;
  if (!ReadSettingInto(id, devMode, settings, &v)) return false;
  *value = static_cast<WORD>(v);
  return true;
}

// The value read as a number of its type (sign kept for the signed types).
inline int64_t SettingNumber(uint64_t value, SettingValueType type) {
  switch (type) {
    case kSettingTypeInt16: return static_cast<int16_t>(value);
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeFontField: return static_cast<int32_t>(value);
    case kSettingTypeUInt16: return static_cast<uint16_t>(value);
    case kSettingTypeUInt8: return static_cast<uint8_t>(value);
    default: return static_cast<uint32_t>(value);
  }
}

// Writes a number in the given type and size through WriteDefaultValue; 1
// when written.
inline int WriteSettingNumber(SettingId id, void* devMode, void* settings, SettingValueType type, INT size,
                              uint64_t value) {
  return WriteDefaultValue(id, devMode, settings, size, type, &value);
}
