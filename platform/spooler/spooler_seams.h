// Seams of the spooler: a test makes the user no administrator, a printer
// impossible to open, a printer-data write or a job call fail, or a write short,
// without touching the code under test. pk::seams::ResetAll() restores them.
#pragma once

#include "platform/win/win_seams.h"
#include "platform/win/win_types.h"

namespace pk::seams {

// False: the current user is no administrator (administrator access to a
// printer and every spooler write answer 5). The default is true.
PKAPI void SetUserIsAdministrator(bool administrator);

// OpenPrinterW of this printer (case-insensitive name) fails with `error`.
PKAPI void FailOpenPrinter(const WCHAR* printerName, DWORD error = 5);

// The n-th next SetPrinterDataW or SetPrinterDataExW call (1 = the very next)
// answers `error` and writes nothing; with `always` every later one too.
PKAPI void FailSetPrinterData(unsigned nth, DWORD error = 5, bool always = false);

enum class SpoolCall { StartDoc, StartPage, Write, EndPage, EndDoc, Close };
// The n-th next call of that kind (1 = the very next) fails with `error`; with
// `always` every later one too. A failed WritePrinter writes nothing; a failed
// ClosePrinter still closes the handle, leaving an open job incomplete.
PKAPI void FailSpoolCall(SpoolCall call, unsigned nth, bool always = false, DWORD error = 31);

// The n-th next WritePrinter of more than `bytes` bytes writes only `bytes` of
// them and answers TRUE with that count; with `always` every later one too.
PKAPI void ShortWritePrinter(unsigned nth, DWORD bytes, bool always = false);

// False: adding, deleting and upgrading printers (and a fresh root's default
// printer) call no driver module, leaving printers as the spooler alone
// makes them. The default is true.
PKAPI void SetPrinterEventCalls(bool on);

}  // namespace pk::seams

namespace pk::seams {

// True: EnumFormsW answers FALSE with `error` (the printer's forms cannot be
// listed). The default is false.
PKAPI void FailEnumForms(bool fail, DWORD error = 31);

}  // namespace pk::seams
