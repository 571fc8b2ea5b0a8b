// Wide-text formatting with the directives the system uses: %s (wide; null
// prints "(null)"), %c, %d, %u, %x, %X and %% with an optional 0 flag, a
// width, and the l size (32 bits, as LONG and DWORD are). Other directives
// are a programming error: they assert in debug builds and are copied as they
// stand otherwise.
#pragma once

#include <cstdarg>

#include "platform/win/win_types.h"

// Output of the unbounded forms stops at this many characters, terminator included.
#define WSPRINTF_LIMIT 1024

extern "C" {
// Formats into `lpOut`, which the caller promises holds WSPRINTF_LIMIT
// characters; returns the characters stored, without the terminator.
PKAPI int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
PKAPI int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);
// Bounded forms: never write past `cchDest` characters, always terminate
// (for cchDest > 0), and answer -1 when the text was cut (or cchDest <= 0),
// else the characters stored without the terminator.
PKAPI int wnsprintfW(LPWSTR pszDest, int cchDest, LPCWSTR pszFmt, ...);
PKAPI int wvnsprintfW(LPWSTR pszDest, int cchDest, LPCWSTR pszFmt, va_list arglist);
}
