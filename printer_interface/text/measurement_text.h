// Lengths and their texts: settings hold tenths of a millimetre, the inch
// unit shows hundredths of an inch; fixed-point number texts, and the range
// texts shown beside an entry field.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

// FormatFixedPoint flags.
constexpr DWORD kFixedPointText = 0x40;
constexpr DWORD kFixedPointDropZeroFraction = 0x100;
constexpr UINT kStringRange = 730;
constexpr int kRangeTextChars = 256;

// ((v x 1000 / 254) + 5) / 10 and ((v x 254 / 10) + 5) / 10, each division
// truncating toward zero; the products are taken in 64 bits so that a large
// length cannot overflow.
LONG TenthMmToHundredthInch(LONG value);
LONG HundredthInchToTenthMm(LONG value);
// For the length settings (268, 269, 311, 324: low 16 bits x 10 for direction
// 1, else / 10 as a signed 16-bit number; 351-354, 373: x 10 for direction 1,
// else unchanged), the value read as a u32 with its high 16 bits kept: 1.
// Any other id copies the value and gives 0.
int ConvertSettingUnits(int direction, SettingId id, SettingValueType valueType, const void* value, DWORD* out);
// The decimals a length setting shows in the unit: 1 with them, 0 for other
// ids.
int DecimalsForUnit(SettingId id, int unit, int* decimals);
// The value with `decimals` places (0 to 9) as a new global block the caller
// frees: "-" before the magnitude of a negative signed value; with flag
// 0x100 a zero fraction is left out. Requires flag 0x40. 1 / 0.
int FormatFixedPoint(WCHAR** text, int decimals, BOOL isSigned, DWORD flags, LONG value);
// Decimals other than 0: FormatFixedPoint with flag 0x40; otherwise the
// value as its type formats it (a 24-character block). 1 / 0.
int FormatNumberText(WCHAR** text, int decimals, BOOL isSigned, SettingValueType valueType, const void* value);
// String 730 of the module filled with the two values and the unit name
// (460, or 461 for inches) into `out` of kRangeTextChars characters. 1 / 0.
int RangeText(HMODULE module, LONG low, LONG high, int decimals, int unit, WCHAR* out);
