// The small wide-character message formatter of the printer interface
// library: %! (a string of the resource module by id), %X, %x, %u, %d (a
// 32-bit argument), %s (a wide text; null gives one blank), %c (a
// character), and % before any other character gives that character.
#pragma once

#include "platform/win/win_types.h"

// Formats into `output` cut at `capacity` - 1 characters and terminated; with
// no buffer or a capacity of 0 nothing is written. `needed` (may be null)
// receives the full length plus 1. Answers the characters stored without the
// terminator.
int FormatMessageText(HMODULE resources, LPWSTR output, UINT capacity, DWORD* needed, LPCWSTR format, ...);
