// Values of the conflict checks: given or current setting values and the
// numbers of the value types.
#include "settings/conflicts/conflict_values.h"

#include <cstring>

#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/conflicts/conflict_engine.h"

WORD ReadCurrentSettingValue(const SettingsContext* context, SettingId id, ConflictValue* out) {
  if (context == nullptr || out == nullptr) return kSettingNotAvailable;
  *out = ConflictValue{};
  UINT size = 0;
  const SettingAccessResult read =
      GetSettingValue(id, context->devMode, context->settings, &out->type, &size, &out->storage);
  if (read != kSettingOk) return read;
  if (out->type == kSettingTypeText || out->type == kSettingTypeFontRecord) {
    // The access layer hands texts and records over by their address.
    const BYTE* address = nullptr;
    std::memcpy(&address, &out->storage, sizeof address);
    out->value = address;
  } else {
    out->value = &out->storage;
  }
  return kSettingOk;
}

WORD ReadReferencedValue(const SettingsContext* context, const SettingValueRef* valueRef, SettingId id,
                         ConflictValue* out) {
  if (out == nullptr) return kSettingNotAvailable;
  if (valueRef != nullptr && valueRef->id == id && valueRef->value != nullptr) {
    *out = ConflictValue{};
    out->type = valueRef->valueType;
    const UINT width = ConflictNumberWidth(valueRef->valueType);
    if (width != 0) {
      std::memcpy(&out->storage, valueRef->value, width);
      out->value = &out->storage;
    } else {
      out->value = valueRef->value;
    }
    return kSettingOk;
  }
  return ReadCurrentSettingValue(context, id, out);
}

UINT ConflictNumberWidth(SettingValueType type) {
  if (type == kSettingTypeText || type == kSettingTypeFontRecord) return 0;
  return static_cast<UINT>(GetValueByteSize(nullptr, type, 0));
}

bool ReadConflictNumber(SettingValueType type, const void* value, int64_t* number) {
  if (value == nullptr || number == nullptr) return false;
  switch (type) {
    case kSettingTypeInt16: {
      int16_t v;
      std::memcpy(&v, value, sizeof v);
      *number = v;
      return true;
    }
    case kSettingTypeUInt16: {
      uint16_t v;
      std::memcpy(&v, value, sizeof v);
      *number = v;
      return true;
    }
    case kSettingTypeSInt32:
    case kSettingTypeFontField: {
      int32_t v;
      std::memcpy(&v, value, sizeof v);
      *number = v;
      return true;
    }
    case kSettingTypeInt32:  // a 32-bit word
    case kSettingTypeUInt32: {
      uint32_t v;
      std::memcpy(&v, value, sizeof v);
      *number = v;
      return true;
    }
    case kSettingTypeUInt8: {
      uint8_t v;
      std::memcpy(&v, value, sizeof v);
      *number = v;
      return true;
    }
    default: return false;
  }
}

WORD ReadSettingNumber(const SettingsContext* context, const SettingValueRef* valueRef, SettingId id, int64_t* number) {
  ConflictValue read{};
  const WORD status = ReadReferencedValue(context, valueRef, id, &read);
  if (status != kSettingOk) return status;
  return ReadConflictNumber(read.type, read.value, number) ? kSettingOk : kSettingTypeMismatch;
}

std::u16string ConditionItemText(const BYTE* item, WORD itemSize) {
  std::u16string text;
  for (WORD k = 0; item != nullptr && k + 1 < itemSize; k += 2) {
    char16_t c;
    std::memcpy(&c, item + k, sizeof c);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

bool IsRuleHiddenInMode(int mode, WORD rule) {
  return (mode == kConflictModeChange && (rule & kRuleSkipInMode1) != 0) ||
         (mode == kConflictModeAvailable && (rule & kRuleSkipInMode2) != 0);
}
