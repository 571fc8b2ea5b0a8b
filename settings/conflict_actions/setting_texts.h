// The texts of settings that the conflict messages are made of: a setting's
// name, the text of one of its values, a name with its value, and lists of
// settings with their current values. Texts come from the device model's
// names and option texts and from the resource module's strings; each is
// cut at its first line feed and to kSettingTextChars characters.
#pragma once

#include "platform/win/win_types.h"
#include "settings/conflict_actions/message_texts.h"
#include "settings/conflicts/constraint_result.h"

// A setting's value in a variable of its own: the value is in the setting's
// own type and width (a text by the address of its characters).
struct SettingValueSlot {
  SettingValueType type;
  uint64_t bytes;
  const void* value;
};
// The current value of the setting: 1, or 0 when it cannot be read.
int ReadSettingValueSlot(const SettingsContext* context, SettingId id, SettingValueSlot* slot);

// The text of a value of the setting into a new block (the caller frees it);
// without a value the setting's name (with string 305 after it for settings
// 327 and 328). The value is given in `valueType` (0: the setting's own
// type). With `withDimensions` the paper sources and output options add the
// sizes of their range records. 1, or 0 when no text can be made.
int FormatSettingValueText(BOOL withDimensions, HMODULE module, const SettingsContext* context, WCHAR** out,
                           SettingId id, SettingValueType valueType, const void* value);
// The same into a buffer of kSettingTextChars characters.
int WriteSettingValueText(BOOL withDimensions, HMODULE module, const SettingsContext* context, SettingId id,
                          SettingValueType valueType, const void* value, WCHAR* out);

// String 707 with the setting's name and the text of its current value.
int FormatSettingNameAndValue(WCHAR** out, HMODULE module, const SettingsContext* context, SettingId id);

// Whether a list of settings leaves the setting out.
bool IsSettingLeftOutOfLists(SettingId id);
// String 706 with the setting's name and the text of the value (without a
// value: of its current value, with dimensions), appended to the text: 1, or
// 0 when no line could be made (nothing is appended then).
int AppendSettingLine(HMODULE module, const SettingsContext* context, SettingId id, SettingValueType valueType,
                      const void* value, BoundedText* text);

// String-706 lines for the settings of the list (n of them, or up to its 0
// when n is 0 or less), without settings 346, 348 and 1308 and without
// repeats. With kPlainListText the lines themselves in a block of
// kMessageChars characters, else the string formatted with them. 1, or 0
// when no text can be made.
int FormatSettingListText(WCHAR** out, HMODULE module, const SettingsContext* context, const WORD* ids, int n,
                          int stringId);
