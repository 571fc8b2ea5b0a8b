// Reading and writing settings by id. Every operation takes the DEVMODE
// buffer and the printer settings block separately; either may be absent
// when the id does not need it. Ids of the extension (block 1) need a
// WorkingDevMode (4700 bytes). Texts and records are handed over by address:
// a read gives the address of the value inside its buffer, a write takes a
// pointer to a variable holding the caller's text or record address.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

// Finds the id's descriptor and the address of its value. Every output may be
// null. 0 when found with its buffer; 1 when the id lies in no range; 16 when
// it has no descriptor, its block's buffer is missing or its type has no size.
SettingAccessResult LookupSettingField(SettingId id, SettingValueType* valueType, SettingValueType* returnedType,
                                       UINT* typeSize, UINT* maxSize, const void* devMode, const void* settings,
                                       const BYTE** address, uint64_t* offset, SettingBlock* block);

// The size the access layer passes for a value type: 1 with the size, 0 for
// type 7 and values outside 1-10.
int GetValueTypeSize(SettingId id, SettingValueType valueType, UINT* size);

// 1 with the bit mask of a flag id (449-512, 769-800), 0 otherwise.
int GetSettingFlagMask(SettingId id, uint32_t* mask);

// Reads one setting into the destination (at least 8 bytes for texts and
// records). The destination is cleared over the width of the type the caller
// sees, so narrow values come back zero-extended within that width. For texts
// and records it receives the value's byte position within its block.
SettingAccessResult ReadSettingField(SettingId id, const void* devMode, const void* settings, SettingValueType* type,
                                     UINT* size, void* destination, SettingBlock* block);

// ReadSettingField, with texts and records given as their address inside the
// buffer (valid as long as the buffer).
SettingAccessResult GetSettingValue(SettingId id, const void* devMode, const void* settings, SettingValueType* type,
                                    UINT* size, void* destination);

// Writes one setting from the caller's value, with type and size checks, the
// special stores (packed and flag fields, twins) and the dependent settings.
SettingAccessResult WriteSettingField(SettingId id, void* devMode, void* settings, SettingValueType valueType,
                                      UINT size, const void* value);
SettingAccessResult SetSettingValue(SettingId id, void* devMode, void* settings, SettingValueType valueType, UINT size,
                                    const void* value);

// Writes the value given as the variable argument: 2 bytes for types 1-3, 4
// for types 4-6, 1 for type 8; other types write nothing. -1 without a
// DEVMODE, else 0 whatever the write gave.
int SetSettingValueArgs(void* devMode, void* settings, SettingId id, UINT valueType, ...);

// The setting's 8-byte value (a text address for texts), or 0 when there is no
// DEVMODE, the read fails, the type is not one of 1-6 and 8, or the stored
// width does not match the type.
uint64_t GetSettingValueChecked(const void* devMode, const void* settings, SettingId id, SettingValueType expectedType);

// 0 equal, 1 first greater, -1 first smaller; 2 when an argument is missing or
// the type cannot be compared. For texts both arguments point at variables
// holding text addresses.
int CompareSettingValues(SettingValueType valueType, const void* first, const void* second);

// 1 when every setting of the DEVMODE and its extension (both WorkingDevModes)
// reads the same from both, else 0.
int CompareDevModeSettings(const void* first, const void* second, const void* settings);

// 1 the setting applies, 2 it does not under the current choices, 3 a setting
// it depends on could not be read.
int GetSettingApplicability(SettingId id, const void* devMode, const void* settings);

// Reads the setting; one that does not apply comes back as zero in its width
// (an empty address for the two profile texts). 0 with the value, 3 on failure.
int GetApplicableSettingValue(SettingId id, const void* devMode, const void* settings, SettingValueType* type,
                              UINT* size, void* destination);

// The applicable value as an integer (zero-extended; an address for texts and
// records), or -1 when the read fails. A setting that does not apply gives 0.
LONG_PTR GetSettingInt(const void* devMode, const void* settings, SettingId id);
