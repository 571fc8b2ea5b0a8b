// Typed text in the system's OEM code page: stripping characters without
// splitting a double-byte character, the file name of a path, validation of
// what the user typed against character ranges, and decimal parsing.
#pragma once

#include "platform/win/win_types.h"

// ValidateText flags.
constexpr DWORD kTextLooksAtSign = 0x001;
constexpr DWORD kTextSkipsSign = 0x010;
constexpr DWORD kTextRefusesSign = 0x020;
constexpr DWORD kTextDecimal = 0x040;
constexpr DWORD kTextRefusesBlank = 0x100;
constexpr DWORD kTextEmptyValid = 0x200;

// Removes from the text every single-byte character of its OEM form whose
// byte equals the code of one of the characters; the bytes of a double-byte
// character stay. 1, or 0 (the text unchanged) on failure.
int StripCharacters(LPWSTR text, LPCWSTR characters);
// The text after the last backslash, or the whole path.
LPCWSTR FileNamePart(LPCWSTR path);

// 1 when the OEM form of the text passes the flags and the lists, 0 when it
// is invalid or cannot be converted. Single-byte ranges are {low, high}
// pairs, double-byte ranges {start lead, start trail, end lead, end trail},
// forbidden pairs {lead, trail}; every list ends at a 0 byte. An absent or
// empty single-byte range list allows every byte; a double-byte character
// must lie in one of the double-byte ranges.
int ValidateText(LPCWSTR text, const BYTE* singleRanges, const BYTE* doubleRanges, const BYTE* forbiddenBytes,
                 const BYTE* forbiddenPairs, DWORD flags, int maximumDecimals);
// An optional sign and 1 to 10 digits, no more than "4294967295" (or
// "-2147483648" after a minus): 1 with the 32-bit value, else 0.
int ParseDecimalInt(LPCSTR text, DWORD* value);
