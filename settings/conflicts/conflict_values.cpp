// Values of the conflict checks: given or current setting values and the
// numbers of the value types.
#include "settings/conflicts/conflict_values.h"

#include <cstring>

#include "settings/access/setting_access.h"

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
  switch (type) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32:
    case kSettingTypeFontField: return 4;
    case kSettingTypeInt16:
    case kSettingTypeUInt16: return 2;
    case kSettingTypeUInt8: return 1;
    default: return 0;
  }
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
