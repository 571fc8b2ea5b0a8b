// Conversions between multi-byte texts of a code page and wide texts. Code
// page 0 means the ANSI code page. A double-byte character is never split.
#pragma once

#include "platform/win/win_types.h"

// With `wideCount` 0 (or below): the number of characters of the text (a
// lead byte and its trail byte count as one). Otherwise converts at most
// `wideCount` characters into `wide`, which holds `wideCount` + 1, writes the
// terminator after them and answers the count written.
int ConvertMultiByteToWide(UINT codePage, LPWSTR wide, LPCSTR multiByte, int wideCount);
// The whole text converted into a new zeroed block of count + 1 characters
// (GlobalAlloc, freed by the caller), with the count; null on failure.
LPWSTR ConvertMultiByteToNewWide(UINT codePage, LPCSTR multiByte, int* count);
// With `size` 0: the bytes the text needs, terminator included. A negative
// size, or a positive one without a buffer, gives 0. Otherwise writes at most
// `size` - 1 bytes and the terminator and answers the byte count written.
int ConvertWideToMultiByte(UINT codePage, LPCWSTR wide, LPSTR multiByte, int size);

// The wide text converted to the OEM code page into a new zero-filled block
// (GlobalAlloc, freed by the caller), with its byte count without the
// terminator: 1. Whenever the answer is 0 (a missing argument, no memory, a
// failed conversion) the block is null and the count 0. The graphics driver's
// build lets a missing text through to the conversion, which fails.
int WideToOemAlloc(LPCWSTR wide, LPSTR* block, int* length);
// The OEM text converted into a new zero-filled block of wide characters, with
// the characters written including the terminator: 1, or 0 as above.
int OemToWideAlloc(LPCSTR oem, LPWSTR* block, int* count);
