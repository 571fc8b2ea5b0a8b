// The printer id: 16 bytes made once for a printer installation from the time
// and the printer's name (an MD5 digest), kept as the printer data value
// "PRNID" and written as 32 hexadecimal digits. It names the printer's key in
// the per-user settings store.
#pragma once

#include "platform/win/win_types.h"

constexpr DWORD kPrinterIdSize = 16;
// 32 digits and the terminator.
constexpr UINT kPrinterIdHexChars = 33;
// Characters of a per-user key path, terminator included.
constexpr UINT kUserKeyPathChars = 260;
// The printer data value that holds the id.
#define PK_PRINTER_ID_VALUE u"PRNID"

struct PrinterId {
  BYTE bytes[kPrinterIdSize];
};
static_assert(sizeof(PrinterId) == 16);

// Digests the current time (64-bit seconds since 1970, little-endian) and the
// printer's name (PRINTER_INFO_1 pName, UTF-16LE without its terminator):
// 1, or 0 when the name cannot be read or there is no output.
int MakePrinterId(HANDLE printer, PrinterId* id);
// 1 when "PRNID" holds exactly 16 bytes (copied to *id), else 0.
int ReadPrinterId(HANDLE printer, PrinterId* id);
// 1 when "PRNID" exists already (nothing is written) or was written now; 0
// when the write fails.
int WritePrinterIdIfMissing(HANDLE printer, const PrinterId* id);
// The upper-case hexadecimal form, cut to `length` characters with the
// terminator: 1, or 0 without id or output or for length 0.
int FormatPrinterIdHex(const PrinterId* id, WCHAR* text, UINT length);
// base + hexadecimal id, then "\" + subkey when one is given. 0 when the path
// with its terminator does not fit in `length` characters, with or without the
// subkey: a store must never land in the id's own key by mistake.
int BuildUserKeyPath(LPCWSTR base, const PrinterId* id, LPCWSTR subkey, WCHAR* path, UINT length);
