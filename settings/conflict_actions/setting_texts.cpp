// Names and value texts of settings (see setting_texts.h).
#include "settings/conflict_actions/setting_texts.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/model/model_queries.h"
#include "settings/services/user_paper.h"

namespace {

constexpr SettingId kUserPaperWidthId = 1311;
constexpr SettingId kUserPaperLengthId = 1321;
constexpr SettingId kUserPaperNameId = 1331;
constexpr SettingId kImageOffsetModeId = 413;

// The type a caller of the access layer sees for the setting; 0 for an id
// without a descriptor.
SettingValueType OwnTypeOf(SettingId id) {
  SettingValueType valueType = 0, returnedType = 0;
  LookupSettingField(id, &valueType, &returnedType, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  return returnedType != 0 ? returnedType : valueType;
}

bool IsUnsignedType(SettingValueType type) {
  return type == kSettingTypeUInt16 || type == kSettingTypeUInt32 || type == kSettingTypeUInt8;
}

const void* SlotValue(const SettingValueSlot& slot) {
  return slot.type == kSettingTypeText || slot.type == kSettingTypeFontRecord ? slot.value : &slot.bytes;
}

// The value moved into the setting's own type, so that the model's options
// compare it in the width they expect; a negative value keeps its sign.
void ToOwnType(SettingId id, SettingValueType valueType, const void* value, SettingValueSlot* slot) {
  SettingValueType own = OwnTypeOf(id);
  if (own == 0) own = valueType;
  if (valueType == 0) valueType = own;
  slot->type = own;
  slot->bytes = 0;
  slot->value = value;
  if (own == kSettingTypeText || own == kSettingTypeFontRecord || valueType == kSettingTypeText) return;
  const int64_t v = IsUnsignedType(valueType) ? int64_t{ReadValueAsUInt32(valueType, value)}
                                              : int64_t{ReadValueAsInt32(valueType, value)};
  slot->bytes = static_cast<uint64_t>(v);
}

// A text cut at its first line feed (what follows describes the choice) and
// to the buffer.
void CopyCut(const WCHAR* text, WCHAR* out) {
  BoundedText b;
  InitBoundedText(&b, out, kSettingTextChars);
  AppendBoundedText(&b, text);
  CutAtLineFeed(out);
}

void AppendString(HMODULE module, UINT stringId, WCHAR* out) {
  WCHAR part[kResourceStringChars];
  if (LoadStringW(module, stringId, part, kResourceStringChars) <= 0) return;
  BoundedText b{out, kSettingTextChars, static_cast<int>(std::char_traits<WCHAR>::length(out))};
  AppendBoundedText(&b, part);
}

bool HasModel(const SettingsContext* context) {
  return context->model != nullptr && context->model->primary != nullptr;
}

// The name of the model record that describes the setting (its feature
// without a value, the option of the value with one).
int WriteModelText(const SettingsContext* context, SettingId id, const void* value, WCHAR* out) {
  if (!HasModel(context)) return 0;
  WCHAR* text = nullptr;
  if (GetSettingOptionText(context->model->primary, context->model->secondary, id, value, &text) != 0) return 0;
  CopyCut(text, out);
  GlobalFree(text);
  return 1;
}

// The option text of the value; a value the model has no option for is shown
// as its number (or text), so that a message naming it can still be made.
int WriteOptionText(const SettingsContext* context, SettingId id, const SettingValueSlot& slot, WCHAR* out) {
  if (WriteModelText(context, id, SlotValue(slot), out)) return 1;
  return FormatNumber(TRUE, 1, slot.type, SlotValue(slot), out, kSettingTextChars);
}

int WriteSettingName(HMODULE module, const SettingsContext* context, SettingId id, WCHAR* out) {
  if (!WriteModelText(context, id, nullptr, out)) return 0;
  CutAtLineFeed(out);
  if (id == 327 || id == 328) AppendString(module, kStringNotSet, out);
  return 1;
}

// Whole millimetres of a length in tenths.
void WriteMillimetres(LONG tenths, WCHAR* out) {
  FormatNumber(TRUE, 10, kSettingTypeSInt32, &tenths, out, kNumberChars);
}

// A user paper: its name, then its size (string 703).
int WriteUserPaperText(HMODULE module, const SettingsContext* context, WORD slotIndex, WCHAR* out) {
  SettingValueType type;
  UINT size;
  uint64_t name = 0, width = 0, length = 0;
  const auto n = static_cast<SettingId>(slotIndex);
  if (GetSettingValue(kUserPaperNameId + n, context->devMode, context->settings, &type, &size, &name) != kSettingOk ||
      GetSettingValue(kUserPaperWidthId + n, context->devMode, context->settings, &type, &size, &width) != kSettingOk ||
      GetSettingValue(kUserPaperLengthId + n, context->devMode, context->settings, &type, &size, &length) !=
          kSettingOk) {
    return 0;
  }
  const WCHAR* nameText = nullptr;
  std::memcpy(&nameText, &name, sizeof nameText);
  WCHAR w[kNumberChars], l[kNumberChars], dimensions[kSettingTextChars];
  WriteMillimetres(static_cast<LONG>(width), w);
  WriteMillimetres(static_cast<LONG>(length), l);
  if (!WriteResourceMessage(module, dimensions, kSettingTextChars, kStringUserPaperSize, w, l)) return 0;
  BoundedText b;
  InitBoundedText(&b, out, kSettingTextChars);
  AppendBoundedText(&b, nameText);
  AppendBoundedText(&b, u" ");
  AppendBoundedText(&b, dimensions);
  return 1;
}

// The sizes of the range record of the type keyed by the value (string 704),
// appended; nothing when the model has no such record.
void AppendRangeSize(HMODULE module, const SettingsContext* context, WORD rangeType, WORD key, WCHAR* out) {
  ModelRecord* record = nullptr;
  if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, rangeType, key, 0, &record) !=
      0) {
    return;
  }
  if (record->type != rangeType) {
    ReleaseModelRecord(record);
    return;
  }
  const auto* range = static_cast<const RangeRecord*>(record);
  WCHAR minW[kNumberChars], maxW[kNumberChars], minL[kNumberChars], maxL[kNumberChars];
  WriteMillimetres(range->point1.x, minW);
  WriteMillimetres(range->point2.x, maxW);
  WriteMillimetres(range->point1.y, minL);
  WriteMillimetres(range->point2.y, maxL);
  ReleaseModelRecord(record);
  WCHAR sizes[kSettingTextChars];
  if (!WriteResourceMessage(module, sizes, kSettingTextChars, kStringRangeSize, minW, maxW, minL, maxL)) return;
  BoundedText b{out, kSettingTextChars, static_cast<int>(std::char_traits<WCHAR>::length(out))};
  AppendBoundedText(&b, sizes);
}

int WriteResourceText(HMODULE module, UINT stringId, WCHAR* out) {
  return LoadStringW(module, stringId, out, kSettingTextChars) > 0 ? 1 : 0;
}

// Settings 353 and 354: which image offset the value of setting 413 selects.
int WriteImageOffsetText(HMODULE module, const SettingsContext* context, SettingId id, WCHAR* out) {
  SettingValueSlot mode;
  if (!ReadSettingValueSlot(context, kImageOffsetModeId, &mode)) return 0;
  const UINT m = ReadValueAsUInt32(mode.type, SlotValue(mode));
  if (id == 353)
    return WriteResourceText(module, m == 0 || m == 1 ? kStringImageOffset1 : kStringImageOffset1Reversed, out);
  return WriteResourceText(module, m == 0 || m == 2 ? kStringImageOffset2 : kStringImageOffset2Reversed, out);
}

int WriteValueText(BOOL withDimensions, HMODULE module, const SettingsContext* context, SettingId id,
                   const SettingValueSlot& slot, WCHAR* out) {
  const void* value = SlotValue(slot);
  const UINT number = slot.type == kSettingTypeText ? 0 : ReadValueAsUInt32(slot.type, value);
  switch (id) {
    case 8:
    case 262:
      if (IsUserPaperCode(number)) return WriteUserPaperText(module, context, GetUserPaperIndex(number), out);
      return WriteOptionText(context, id, slot, out);
    case 12:
    case 263: return FormatNumber(TRUE, 1, slot.type, value, out, kSettingTextChars);
    case 268:
    case 269: return FormatScaledNumber(FALSE, 10, slot.type, value, out, kSettingTextChars);
    case 13:
    case 265:
    case 389:
    case 266: {
      if (!WriteOptionText(context, id, slot, out)) return 0;
      const bool without = (id == 13 && number == 15) || (id == 265 && number == 258);
      if (withDimensions && !without && HasModel(context)) {
        AppendRangeSize(module, context, id == 266 ? kRecordRangeB : kRecordRangeA, static_cast<WORD>(number), out);
      }
      return 1;
    }
    case 1033: {
      const auto* text = static_cast<const WCHAR*>(value);
      if (text != nullptr && text[0] != 0) {
        CopyCut(text, out);
        return 1;
      }
      return WriteResourceText(module, kStringNoText, out);
    }
    case 353:
    case 354: return WriteImageOffsetText(module, context, id, out);
    default:
      if (id >= 274 && id <= 285) return FormatNumber(TRUE, 1, slot.type, value, out, kSettingTextChars);
      return WriteOptionText(context, id, slot, out);
  }
}

}  // namespace

int ReadSettingValueSlot(const SettingsContext* context, SettingId id, SettingValueSlot* slot) {
  if (context == nullptr || slot == nullptr) return 0;
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(id, context->devMode, context->settings, &type, &size, &value) != kSettingOk) return 0;
  slot->type = type;
  slot->bytes = value;
  slot->value = nullptr;
  if (type == kSettingTypeText || type == kSettingTypeFontRecord) std::memcpy(&slot->value, &value, sizeof slot->value);
  return 1;
}

int WriteSettingValueText(BOOL withDimensions, HMODULE module, const SettingsContext* context, SettingId id,
                          SettingValueType valueType, const void* value, WCHAR* out) {
  if (out == nullptr) return 0;
  out[0] = 0;
  if (context == nullptr) return 0;
  if (value == nullptr) return WriteSettingName(module, context, id, out);
  SettingValueSlot slot;
  ToOwnType(id, valueType, value, &slot);
  if (!WriteValueText(withDimensions, module, context, id, slot, out)) {
    out[0] = 0;
    return 0;
  }
  CutAtLineFeed(out);
  return 1;
}

int FormatSettingValueText(BOOL withDimensions, HMODULE module, const SettingsContext* context, WCHAR** out,
                           SettingId id, SettingValueType valueType, const void* value) {
  if (out == nullptr) return 0;
  *out = nullptr;
  WCHAR text[kSettingTextChars];
  if (!WriteSettingValueText(withDimensions, module, context, id, valueType, value, text)) return 0;
  *out = CopyTextToBlock(text, kSettingTextChars);
  return *out != nullptr ? 1 : 0;
}

int FormatSettingNameAndValue(WCHAR** out, HMODULE module, const SettingsContext* context, SettingId id) {
  if (out == nullptr) return 0;
  *out = nullptr;
  SettingValueSlot current;
  WCHAR name[kSettingTextChars], value[kSettingTextChars];
  if (!ReadSettingValueSlot(context, id, &current) ||
      !WriteSettingValueText(FALSE, module, context, id, 0, nullptr, name) ||
      !WriteSettingValueText(FALSE, module, context, id, current.type, SlotValue(current), value)) {
    return 0;
  }
  return FormatResourceMessage(module, out, kMessageChars, kStringNameAndValue, name, value);
}

bool IsSettingLeftOutOfLists(SettingId id) { return id == 346 || id == 348 || id == 1308; }

int AppendSettingLine(HMODULE module, const SettingsContext* context, SettingId id, SettingValueType valueType,
                      const void* value, BoundedText* text) {
  SettingValueSlot current;
  if (value == nullptr) {
    if (!ReadSettingValueSlot(context, id, &current)) return 0;
    valueType = current.type;
    value = SlotValue(current);
  }
  WCHAR name[kSettingTextChars], valueText[kSettingTextChars];
  if (!WriteSettingValueText(TRUE, module, context, id, 0, nullptr, name) ||
      !WriteSettingValueText(TRUE, module, context, id, valueType, value, valueText)) {
    return 0;
  }
  WCHAR line[2 * kSettingTextChars + kResourceStringChars];
  if (!WriteResourceMessage(module, line, static_cast<int>(std::size(line)), kStringListLine, name, valueText)) {
    return 0;
  }
  AppendBoundedText(text, line);
  return 1;
}

int FormatSettingListText(WCHAR** out, HMODULE module, const SettingsContext* context, const WORD* ids, int n,
                          int stringId) {
  if (out == nullptr) return 0;
  *out = nullptr;
  if (context == nullptr || ids == nullptr) return 0;
  WCHAR lines[kMessageChars];
  BoundedText text;
  InitBoundedText(&text, lines, kMessageChars);
  int made = 0;
  for (int i = 0; n > 0 ? i < n : ids[i] != 0; ++i) {
    const SettingId id = ids[i];
    if (id == 0 || IsSettingLeftOutOfLists(id)) continue;
    bool repeat = false;
    for (int j = 0; j < i && !repeat; ++j) repeat = ids[j] == id;
    if (repeat) continue;
    made += AppendSettingLine(module, context, id, 0, nullptr, &text);
  }
  if (made == 0) return 0;
  if (stringId == kPlainListText) {
    *out = CopyTextToBlock(lines, kMessageChars);
    return *out != nullptr ? 1 : 0;
  }
  return FormatResourceMessage(module, out, kMessageChars, static_cast<UINT>(stringId), lines);
}
