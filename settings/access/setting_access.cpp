// Lookup, read and write of a setting by id, with the rules of the special
// fields: the combined print quality and resolution (14), the packed colour
// words (392-403), the flag bits (449-512, 769-800, 452 stored inverted), the
// text angles that write two fields (311, 364) and the settings that follow
// another one (325, 326, 344). Fields may sit at odd offsets, so every byte
// goes through memcpy.
#include "settings/access/setting_access.h"

#include <cstdarg>
#include <cstring>

#include "settings/access/dependent_values.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/access/setting_table.h"

namespace {

// DEVMODE positions the special rules read directly.
constexpr size_t kPrintQualityOffset = 90;
constexpr size_t kYResolutionOffset = 96;
constexpr size_t kFirstEscapementOffset = 1116;    // setting 309
constexpr size_t kFirstOrientationOffset = 1120;   // setting 310
constexpr size_t kSecondOrientationOffset = 1664;  // setting 363

struct FieldRef {
  const SettingDescriptor* descriptor = nullptr;
  SettingBlock block = 0;
  const BYTE* base = nullptr;  // start of the block's buffer, null when not given
};

// Steps 1-2 of the lookup: the range, then the id's row in the range's list.
SettingAccessResult FindField(SettingId id, const void* devMode, const void* settings, FieldRef* field) {
  const SettingIdRange* range = nullptr;
  for (const SettingIdRange* r = kSettingIdRanges; r->descriptors != nullptr; ++r) {
    if (id >= r->firstId && id <= r->lastId) {
      range = r;
      break;
    }
  }
  if (range == nullptr) return kSettingNoRange;
  const SettingDescriptor* d = range->descriptors;
  while (d->id != 0 && d->id != id) ++d;
  if (d->id == 0) return kSettingNotAvailable;
  field->descriptor = d;
  field->block = range->block;
  switch (range->block) {
    case kSettingBlockDevMode: field->base = static_cast<const BYTE*>(devMode); break;
    case kSettingBlockExtension:
      field->base = devMode ? static_cast<const BYTE*>(devMode) + kDriverDevModeSize : nullptr;
      break;
    default: field->base = static_cast<const BYTE*>(settings); break;
  }
  return kSettingOk;
}

UINT TypeSize(SettingValueType type) {
  UINT size = 0;
  GetValueTypeSize(0, type, &size);
  return size;
}

SettingValueType SeenType(const SettingDescriptor& d) { return d.returnedType != 0 ? d.returnedType : d.valueType; }

uint32_t LoadU32(const BYTE* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void StoreU32(BYTE* p, uint32_t v) { std::memcpy(p, &v, 4); }

int16_t LoadI16(const BYTE* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

WCHAR LoadUnit(const BYTE* p) {
  WCHAR c;
  std::memcpy(&c, p, 2);
  return c;
}

// The field of `id` where its block is present and its type has a stored size.
SettingAccessResult FindStoredField(SettingId id, const void* devMode, const void* settings, FieldRef* field,
                                    UINT* storedSize) {
  const SettingAccessResult result = FindField(id, devMode, settings, field);
  if (result != kSettingOk) return result;
  if (field->base == nullptr || !GetValueTypeSize(id, field->descriptor->valueType, storedSize)) {
    return kSettingNotAvailable;
  }
  return kSettingOk;
}

// Byte length with terminator of a text of at most `limit` bytes, or 0 when
// no zero code unit lies within the limit.
UINT BoundedTextBytes(const BYTE* text, UINT limit) {
  for (UINT i = 0; i + 2 <= limit; i += 2) {
    if (LoadUnit(text + i) == 0) return i + 2;
  }
  return 0;
}

}  // namespace

int GetValueTypeSize(SettingId, SettingValueType valueType, UINT* size) {
  UINT s = 0;
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32:
    case kSettingTypeFontField: s = 4; break;
    case kSettingTypeInt16:
    case kSettingTypeUInt16: s = 2; break;
    case kSettingTypeText:
    case kSettingTypeFontRecord: s = 8; break;
    case kSettingTypeUInt8: s = 1; break;
    default: return 0;
  }
  if (size != nullptr) *size = s;
  return 1;
}

int GetSettingFlagMask(SettingId id, uint32_t* mask) {
  const SettingFlagMask* list = (id >= 769) ? kPrinterFlagMasks : kDevModeFlagMasks;
  for (; list->id != 0; ++list) {
    if (list->id == id) {
      if (mask != nullptr) *mask = list->mask;
      return 1;
    }
  }
  return 0;
}

SettingAccessResult LookupSettingField(SettingId id, SettingValueType* valueType, SettingValueType* returnedType,
                                       UINT* typeSize, UINT* maxSize, const void* devMode, const void* settings,
                                       const BYTE** address, uint64_t* offset, SettingBlock* block) {
  FieldRef field;
  const SettingAccessResult found = FindField(id, devMode, settings, &field);
  if (found != kSettingOk) return found;
  const SettingDescriptor& d = *field.descriptor;
  UINT size = 0;
  const bool sized = GetValueTypeSize(id, d.valueType, &size) != 0;
  if (valueType) *valueType = d.valueType;
  if (returnedType) *returnedType = d.returnedType;
  if (typeSize) *typeSize = size;
  if (maxSize) *maxSize = d.maxSize;
  if (address) *address = field.base ? field.base + d.offset : nullptr;
  if (offset) *offset = d.offset;
  if (block) *block = field.block;
  if (field.base == nullptr || !sized) return kSettingNotAvailable;
  return kSettingOk;
}

SettingAccessResult ReadSettingField(SettingId id, const void* devMode, const void* settings, SettingValueType* type,
                                     UINT* size, void* destination, SettingBlock* block) {
  FieldRef field;
  UINT storedSize = 0;
  SettingAccessResult result = FindStoredField(id, devMode, settings, &field, &storedSize);
  if (result != kSettingOk) return result;
  const SettingDescriptor& d = *field.descriptor;
  if (type == nullptr || size == nullptr || destination == nullptr) return kSettingNotAvailable;

  const BYTE* dm = static_cast<const BYTE*>(devMode);
  const BYTE* at = field.base + d.offset;
  if (id == 311 && LoadU32(dm + kFirstEscapementOffset) != LoadU32(dm + kFirstOrientationOffset)) {
    return kSettingNotAvailable;
  }

  uint64_t value = 0;
  UINT sizeOut = TypeSize(SeenType(d));
  if (id == 14) {
    const int64_t combined = int64_t{LoadI16(dm + kPrintQualityOffset)} * 65536 + LoadI16(dm + kYResolutionOffset);
    value = static_cast<uint32_t>(combined);
  } else if (id >= 392 && id <= 403) {
    static constexpr uint32_t kByteMasks[3] = {0xFF, 0xFF00, 0xFF0000};
    value = LoadU32(at) & kByteMasks[(id - 392) % 3];
  } else if (IsSettingFlagId(id)) {
    uint32_t mask = 0;
    GetSettingFlagMask(id, &mask);
    const bool set = (LoadU32(at) & mask) != 0;
    value = (id == 452) ? !set : set;  // 452 is stored inverted
  } else if (d.valueType == kSettingTypeText) {
    // A foreign or damaged block may hold a field without a terminator: the
    // text then counts as not available rather than running past the field.
    sizeOut = BoundedTextBytes(at, d.maxSize);
    if (sizeOut == 0) return kSettingNotAvailable;
    value = d.offset;
  } else if (d.valueType == kSettingTypeFontRecord) {
    sizeOut = kFontRecordSize;
    value = d.offset;
  } else {
    std::memcpy(&value, at, storedSize);
  }

  const UINT width = TypeSize(SeenType(d));
  std::memset(destination, 0, width);
  std::memcpy(destination, &value, width < storedSize ? width : storedSize);
  *type = SeenType(d);
  *size = sizeOut;
  if (block != nullptr) *block = field.block;
  return kSettingOk;
}

SettingAccessResult GetSettingValue(SettingId id, const void* devMode, const void* settings, SettingValueType* type,
                                    UINT* size, void* destination) {
  SettingBlock block = 0;
  const SettingAccessResult result = ReadSettingField(id, devMode, settings, type, size, destination, &block);
  if (result != kSettingOk) return result;
  if (*type == kSettingTypeText || *type == kSettingTypeFontRecord) {
    uint64_t offset;
    std::memcpy(&offset, destination, sizeof offset);
    const BYTE* base = block == kSettingBlockPrinter     ? static_cast<const BYTE*>(settings)
                       : block == kSettingBlockExtension ? static_cast<const BYTE*>(devMode) + kDriverDevModeSize
                                                         : static_cast<const BYTE*>(devMode);
    const BYTE* address = base + offset;
    std::memcpy(destination, &address, sizeof address);
  }
  return kSettingOk;
}

namespace {

// Writes the setting that follows `id` (325, 326 or 344) after `id` itself was
// stored; 0 when `id` has no follower.
SettingAccessResult WriteDependentSetting(SettingId id, void* devMode, void* settings) {
  if (id != 267 && id != 320 && id != 341) return kSettingOk;
  SettingValueType type;
  UINT size;
  uint64_t newValue = 0;
  SettingAccessResult result = ReadSettingField(id, devMode, settings, &type, &size, &newValue, nullptr);
  if (result != kSettingOk) return result;

  WORD dependent = 0;
  SettingId target = 325;
  if (id == 267) {
    if (MapSetting267To325(static_cast<WORD>(newValue), &dependent) != 0) return kSettingNotAvailable;
  } else {
    uint64_t pages = 0;
    uint64_t orientation = 0;
    if (ReadSettingField(295, devMode, settings, &type, &size, &pages, nullptr) != kSettingOk) {
      return kSettingNotAvailable;
    }
    result = ReadSettingField(7, devMode, settings, &type, &size, &orientation, nullptr);
    if (result != kSettingOk) return result;
    const DependentValueRecord record = {static_cast<WORD>(orientation), static_cast<WORD>(pages),
                                         static_cast<WORD>(newValue), 0};
    if (LookupDependentPosition(id, &record, &dependent) != 0) return kSettingNotAvailable;
    target = (id == 320) ? 326 : 344;
  }
  return WriteSettingField(target, devMode, settings, kSettingTypeUInt16, 2, &dependent);
}

}  // namespace

SettingAccessResult WriteSettingField(SettingId id, void* devMode, void* settings, SettingValueType valueType,
                                      UINT size, const void* value) {
  if (value == nullptr) return kSettingNotAvailable;
  FieldRef field;
  UINT storedSize = 0;
  SettingAccessResult result = FindStoredField(id, devMode, settings, &field, &storedSize);
  if (result != kSettingOk) return result;
  const SettingDescriptor& d = *field.descriptor;
  BYTE* dm = static_cast<BYTE*>(devMode);
  BYTE* at = const_cast<BYTE*>(field.base) + d.offset;

  // A flag id without a narrower returned type takes any caller's size.
  if (IsSettingFlagId(id) && d.returnedType == 0) size = 4;

  UINT expected = 0;
  if (valueType == d.valueType) {
    expected = storedSize;
  } else if (d.returnedType != 0 && valueType == d.returnedType) {
    expected = TypeSize(d.returnedType);
  } else {
    return kSettingTypeMismatch;
  }

  const BYTE* source = nullptr;
  if (valueType == kSettingTypeText) {
    std::memcpy(&source, value, sizeof source);
    if (source == nullptr) return kSettingNotAvailable;
    // The size tests hold for every text field: no text may run past its field.
    if (size > d.maxSize) return kSettingTooLarge;
    // The caller's text is scanned no further than the field and its own size.
    storedSize = BoundedTextBytes(source, size < d.maxSize ? size : d.maxSize);
    if (storedSize == 0) return kSettingTooLarge;
  } else if (valueType == kSettingTypeFontRecord) {
    std::memcpy(&source, value, sizeof source);
    if (source == nullptr) return kSettingNotAvailable;
    if (d.returnedType == 0 && size > d.maxSize) return kSettingTooLarge;
    // A smaller record than the field would be over-read.
    if (size < kFontRecordSize) return kSettingSizeMismatch;
    storedSize = kFontRecordSize;
  } else {
    if (size != expected) return kSettingSizeMismatch;
    source = static_cast<const BYTE*>(value);
  }

  if (id == 14) {
    const uint32_t combined = LoadU32(source);
    const uint16_t quality = static_cast<uint16_t>(combined >> 16);
    const uint16_t resolution = static_cast<uint16_t>(combined);
    std::memcpy(dm + kPrintQualityOffset, &quality, 2);
    std::memcpy(dm + kYResolutionOffset, &resolution, 2);
  } else if (id >= 392 && id <= 403) {
    const unsigned k = (id - 392) % 3;
    at[k] = source[k];  // only the named byte of the packed word changes
  } else if (IsSettingFlagId(id)) {
    uint32_t mask = 0;
    GetSettingFlagMask(id, &mask);
    const bool set = (id == 452) ? (source[0] & 1) == 0 : source[0] != 0;
    const uint32_t word = LoadU32(at);
    StoreU32(at, set ? (word | mask) : (word & ~mask));
  } else {
    std::memmove(at, source, storedSize);
  }

  // The text angles write both escapement and orientation.
  if (id == 311) std::memmove(dm + kFirstOrientationOffset, source, storedSize);
  if (id == 364) std::memmove(dm + kSecondOrientationOffset, source, storedSize);

  return WriteDependentSetting(id, devMode, settings);
}

SettingAccessResult SetSettingValue(SettingId id, void* devMode, void* settings, SettingValueType valueType, UINT size,
                                    const void* value) {
  return WriteSettingField(id, devMode, settings, valueType, size, value);
}

int SetSettingValueArgs(void* devMode, void* settings, SettingId id, UINT valueType, ...) {
  if (devMode == nullptr) return -1;
  // The written value is the first bytes of the argument.
  uint64_t slot = 0;
  UINT size = 0;
  va_list args;
  va_start(args, valueType);
  switch (valueType) {
    case kSettingTypeInt32:
    case kSettingTypeInt16:
    case kSettingTypeUInt16:
    case kSettingTypeUInt8: {
      const int v = va_arg(args, int);
      std::memcpy(&slot, &v, sizeof v);
      size = (valueType == kSettingTypeUInt8) ? 1 : 2;
      break;
    }
    case kSettingTypeSInt32:
    case kSettingTypeUInt32: {
      const int v = va_arg(args, int);
      std::memcpy(&slot, &v, sizeof v);
      size = 4;
      break;
    }
    case kSettingTypeText: {
      const WCHAR* text = va_arg(args, const WCHAR*);
      std::memcpy(&slot, &text, sizeof text);
      size = 4;
      break;
    }
    default: break;
  }
  va_end(args);
  if (size != 0) {
    WriteSettingField(id, devMode, settings, static_cast<SettingValueType>(valueType), size, &slot);
  }
  return 0;
}

uint64_t GetSettingValueChecked(const void* devMode, const void* settings, SettingId id,
                                SettingValueType expectedType) {
  if (devMode == nullptr) return 0;
  uint64_t value = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(id, devMode, settings, &type, &size, &value) != kSettingOk) return 0;
  switch (expectedType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32: return size == 4 ? value : 0;
    case kSettingTypeInt16:
    case kSettingTypeUInt16: return size == 2 ? value : 0;
    case kSettingTypeUInt8: return size == 1 ? value : 0;
    case kSettingTypeText: return value;
    default: return 0;
  }
}
