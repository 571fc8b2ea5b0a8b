// Setting ids and the small codes of the access layer: the block a setting
// lives in, the value types with the sizes the access layer passes for them,
// and the result codes of lookup, read and write by id.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

// 16-bit number of a setting. Ids 1-25 are public DEVMODE fields, 257-512 the
// private DEVMODE part, 513-548 the DEVMODE extension, 769-800, 1025-1057 and
// 1281-1456 the printer settings block.
using SettingId = uint16_t;

// The buffer a setting lives in.
using SettingBlock = uint16_t;
constexpr SettingBlock kSettingBlockDevMode = 0;    // DriverDevMode
constexpr SettingBlock kSettingBlockExtension = 1;  // DevModeExtension, 2628 bytes into a WorkingDevMode
constexpr SettingBlock kSettingBlockPrinter = 2;    // PrinterSettingsBlock

using SettingValueType = uint16_t;
// 32-bit integer; for the flag ids one bit of a flag word shown as 0 or 1.
constexpr SettingValueType kSettingTypeInt32 = 1;
constexpr SettingValueType kSettingTypeInt16 = 2;
constexpr SettingValueType kSettingTypeUInt16 = 3;
constexpr SettingValueType kSettingTypeSInt32 = 4;
constexpr SettingValueType kSettingTypeUInt32 = 5;
// Zero-terminated UTF-16 text in a field of fixed byte size; passed by address.
constexpr SettingValueType kSettingTypeText = 6;
// Reserved for values of the device model; the access layer rejects it.
constexpr SettingValueType kSettingTypeModelValue = 7;
constexpr SettingValueType kSettingTypeUInt8 = 8;
// 92-byte font record with the LOGFONTW layout; passed by address.
constexpr SettingValueType kSettingTypeFontRecord = 9;
// Signed 32-bit field inside a font record.
constexpr SettingValueType kSettingTypeFontField = 10;

using SettingAccessResult = uint16_t;
constexpr SettingAccessResult kSettingOk = 0;
constexpr SettingAccessResult kSettingNoRange = 1;       // id in no range of the table
constexpr SettingAccessResult kSettingTypeMismatch = 2;  // caller's type is neither value nor returned type
constexpr SettingAccessResult kSettingTooLarge = 4;      // text or record larger than field or caller's size
constexpr SettingAccessResult kSettingSizeMismatch = 8;  // caller's size differs from the type's size
constexpr SettingAccessResult kSettingNotAvailable =
    16;  // no descriptor, buffer or output missing, value not available
