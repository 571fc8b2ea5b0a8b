// Formatting, sizing, reading and copying setting values by their type.
#include "settings/access/setting_values.h"

#include <cstring>

#include "platform/win/windows.h"

namespace {

template <typename T>
T Load(const void* value) {
  T v{};
  memcpy(&v, value, sizeof v);
  return v;
}

}  // namespace

WCHAR* FormatSettingValue(SettingValueType valueType, const void* value, WCHAR* destination) {
  if (!value || !destination) return nullptr;
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeFontField: wsprintfW(destination, u"%d", Load<int32_t>(value)); break;
    case kSettingTypeInt16: wsprintfW(destination, u"%d", static_cast<int>(Load<int16_t>(value))); break;
    case kSettingTypeUInt16: wsprintfW(destination, u"%d", static_cast<int>(Load<uint16_t>(value))); break;
    case kSettingTypeSInt32:
    case kSettingTypeUInt32: wsprintfW(destination, u"%ld", Load<int32_t>(value)); break;
    case kSettingTypeUInt8: wsprintfW(destination, u"%d", static_cast<int>(Load<uint8_t>(value))); break;
    case kSettingTypeText: {
      const auto* text = static_cast<const WCHAR*>(value);
      size_t k = 0;
      for (; text[k]; ++k) destination[k] = text[k];
      destination[k] = 0;
      break;
    }
    default: return nullptr;
  }
  return destination;
}

int GetValueByteSize(const void* value, SettingValueType valueType, int givenSize) {
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32:
    case kSettingTypeFontField: return 4;
    case kSettingTypeInt16:
    case kSettingTypeUInt16: return 2;
    case kSettingTypeUInt8: return 1;
    case kSettingTypeFontRecord: return 92;
    case kSettingTypeText:
      if (givenSize != -1) return givenSize;
      return value ? lstrlenW(static_cast<const WCHAR*>(value)) * 2 + 2 : 0;
    default: return 0;
  }
}

INT ReadValueAsInt32(SettingValueType valueType, const void* value) {
  if (!value) return 0;
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32:
    case kSettingTypeFontField: return Load<int32_t>(value);
    case kSettingTypeInt16: return Load<int16_t>(value);
    case kSettingTypeUInt16: return Load<uint16_t>(value);
    case kSettingTypeUInt8: return Load<uint8_t>(value);
    default: return 0;
  }
}

UINT ReadValueAsUInt32(SettingValueType valueType, const void* value) {
  return static_cast<UINT>(ReadValueAsInt32(valueType, value));
}

int CopyValueByType(SettingValueType valueType, ULONG_PTR* variable, const void* value) {
  if (!variable || !value) return 0;
  size_t bytes = 0;
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32:
    case kSettingTypeFontField: bytes = 4; break;
    case kSettingTypeInt16:
    case kSettingTypeUInt16: bytes = 2; break;
    case kSettingTypeUInt8: bytes = 1; break;
    case kSettingTypeText: *variable = reinterpret_cast<ULONG_PTR>(value); return 1;
    default: return 0;
  }
  *variable &= ~static_cast<ULONG_PTR>(0xFFFFFFFFu);
  DWORD low = 0;
  memcpy(&low, value, bytes);
  *variable |= low;
  return 1;
}

int FreeMemoryBlock(void* block) {
  if (!block) return 0;
  GlobalFree(block);
  return 1;
}
