// Comparison of two setting values by type, and of two whole DEVMODEs setting
// by setting (the printer settings block is not compared).
#include "settings/access/setting_access.h"

#include <cstring>

#include "settings/access/setting_table.h"

namespace {

template <typename T>
int CompareAs(const void* first, const void* second) {
  T a;
  T b;
  std::memcpy(&a, first, sizeof a);
  std::memcpy(&b, second, sizeof b);
  return a == b ? 0 : (a > b ? 1 : -1);
}

// Texts may sit at odd offsets: each code unit is read through memcpy.
int CompareTexts(const BYTE* a, const BYTE* b) {
  for (;; a += 2, b += 2) {
    WCHAR ca;
    WCHAR cb;
    std::memcpy(&ca, a, 2);
    std::memcpy(&cb, b, 2);
    if (ca != cb) return ca > cb ? 1 : -1;
    if (ca == 0) return 0;
  }
}

}  // namespace

int CompareSettingValues(SettingValueType valueType, const void* first, const void* second) {
  if (first == nullptr || second == nullptr) return 2;
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeFontField: return CompareAs<int32_t>(first, second);
    case kSettingTypeInt16: return CompareAs<int16_t>(first, second);
    case kSettingTypeUInt16: return CompareAs<uint16_t>(first, second);
    case kSettingTypeUInt32: return CompareAs<uint32_t>(first, second);
    case kSettingTypeUInt8: return CompareAs<uint8_t>(first, second);
    case kSettingTypeText: {
      const BYTE* a;
      const BYTE* b;
      std::memcpy(&a, first, sizeof a);
      std::memcpy(&b, second, sizeof b);
      if (a == nullptr || b == nullptr) return 2;
      return CompareTexts(a, b);
    }
    default: return 2;
  }
}

int CompareDevModeSettings(const void* first, const void* second, const void* settings) {
  for (const SettingIdRange* range = kSettingIdRanges; range->descriptors != nullptr; ++range) {
    if (range->block == kSettingBlockPrinter) continue;
    for (const SettingDescriptor* d = range->descriptors; d->id != 0; ++d) {
      if (d->valueType == kSettingTypeFontRecord) continue;
      uint64_t a = 0;
      uint64_t b = 0;
      SettingValueType typeA;
      SettingValueType typeB;
      UINT sizeA;
      UINT sizeB;
      if (GetSettingValue(d->id, first, settings, &typeA, &sizeA, &a) != kSettingOk ||
          GetSettingValue(d->id, second, settings, &typeB, &sizeB, &b) != kSettingOk ||
          CompareSettingValues(typeA, &a, &b) != 0) {
        return 0;
      }
    }
  }
  return 1;
}
