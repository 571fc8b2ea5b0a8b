// Reading the values the conflict checks compare: a setting's value as given
// in a SettingValueRef or as it stands in the settings, and numbers of the
// value types. Shared by the files of the conflict engine only.
#pragma once

#include <cstdint>
#include <string>

#include "settings/conflicts/constraint_result.h"

// A value read for a comparison: `value` points at the number in `storage`,
// or at a text's characters.
struct ConflictValue {
  SettingValueType type;
  uint64_t storage;
  const void* value;
};

// The setting's current value: the access layer's result (0 read).
WORD ReadCurrentSettingValue(const SettingsContext* context, SettingId id, ConflictValue* out);
// The value of the reference when it names the setting and has a value,
// else the current value.
WORD ReadReferencedValue(const SettingsContext* context, const SettingValueRef* valueRef, SettingId id,
                         ConflictValue* out);
// The byte width of a number type; 0 for texts and types that are not numbers.
UINT ConflictNumberWidth(SettingValueType type);
// A number of its type's width and signedness; false for other types.
bool ReadConflictNumber(SettingValueType type, const void* value, int64_t* number);
// The referenced or current value of a numeric setting as a number.
WORD ReadSettingNumber(const SettingsContext* context, const SettingValueRef* valueRef, SettingId id, int64_t* number);
// A text item of a condition: value tables store texts in fixed-width items
// that need not be terminated, so the text is copied within the item.
std::u16string ConditionItemText(const BYTE* item, WORD itemSize);
// Whether the rule word hides its constraint in the mode (bit 0x200 in mode
// 1, bit 0x100 in mode 2).
bool IsRuleHiddenInMode(int mode, WORD rule);
