// Wide-text helpers on UTF-16 code units (WCHAR is char16_t): length, copy,
// comparison, number conversion and path splitting.
#pragma once

#include "platform/win/win_types.h"

#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

extern "C" {
// Length in code units; 0 for null.
PKAPI int lstrlenW(LPCWSTR lpString);
// Copies at most iMaxLength - 1 code units and always terminates (for a
// length above 0). Returns the destination, null for a null argument.
PKAPI LPWSTR lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength);
// Three-way comparisons (-1, 0, 1); the second folds case over the Latin,
// Greek, Cyrillic and full-width letters. Null sorts before any text.
PKAPI int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2);
PKAPI int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);
// Compares at most `count` code units, folding ASCII letters as the C locale
// does; the difference of the first unequal pair (INT_MAX for a null text).
PKAPI int _wcsnicmp(const WCHAR* string1, const WCHAR* string2, size_t count);
// Decimal value after white space and an optional sign; stops at the first
// non-digit; clamps to the INT range.
PKAPI int _wtoi(const WCHAR* str);
// Digits of `value` in `radix` (2-36; a sign only in radix 10) into `buffer`,
// which must hold 34 code units. Returns the buffer.
PKAPI WCHAR* _itow(int value, WCHAR* buffer, int radix);
// Splits a path into drive ("C:"), folder (with its trailing separator), base
// name and extension (with its dot). Any output may be null; each holds up to
// its _MAX_ size, longer parts are cut there.
PKAPI void _wsplitpath(const WCHAR* path, WCHAR* drive, WCHAR* dir, WCHAR* fname, WCHAR* ext);
}
