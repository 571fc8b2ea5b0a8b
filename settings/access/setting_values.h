// Small helpers every layer uses on setting values by SettingValueType:
// formatting as text, byte sizes, reading as 32-bit numbers and copying
// into a variable. A value is given by the address of its bytes in its
// type's width; a text (type 6) by the address of the text.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

// Writes the value as text into `destination`: "%d" for types 1, 10, 2
// (signed 16-bit), 3 (unsigned 16-bit) and 8, "%ld" for 4 and 5, a copy of
// the text for 6. The destination, or null for other types.
WCHAR* FormatSettingValue(SettingValueType valueType, const void* value, WCHAR* destination);
// 4 for types 1, 4, 5, 10; 2 for 2, 3; 1 for 8; 92 for 9; for 6 the given
// size, or with -1 the text's characters x 2 + 2 (0 for no text); 0 otherwise.
int GetValueByteSize(const void* value, SettingValueType valueType, int givenSize);
// The value as a signed 32-bit number (16-bit signed values sign-extended,
// unsigned ones and bytes zero-extended); 0 for other types or no value.
INT ReadValueAsInt32(SettingValueType valueType, const void* value);
// The same as an unsigned number.
UINT ReadValueAsUInt32(SettingValueType valueType, const void* value);
// Clears the variable's low 32 bits and copies the value into it (the text
// address itself for type 6): 1, or 0 for other types or missing arguments.
int CopyValueByType(SettingValueType valueType, ULONG_PTR* variable, const void* value);
// Frees a block of the model's allocator: 1, 0 for null.
int FreeMemoryBlock(void* block);
