// The document events of a print job and the escape client behind them:
// what the printer interface library hands the graphics driver at create-DC
// and reset-DC (the paper margins appended to the DEVMODE), at document start
// (the label texts), at every page start (the paper margins, and with the
// first page the printer settings block), and what it draws at every page and
// document end. Every escape counts as answered when ExtEscape returns more
// than 0.
#pragma once

#include <cstddef>

#include "platform/win/win_devmode.h"
#include "platform/win/win_types.h"

// Bytes of a DEVMODE this library hands out at a PRE event: the driver's
// DEVMODE and the paper margin record after it.
constexpr UINT kEventDevModeSize = 2628 + 10;

// Acts only on the driver's own DEVMODE (public size 220, a private part of
// at least 2408 bytes, identity settings valid) whose setting 387 is on: a
// copy of it with the paper margin record appended and dmDriverExtra 2418 is
// stored in *output. Anything else leaves *output alone. Always 1.
int AttachPaperMarginsToDevMode(HANDLE printer, const DEVMODEW* devMode, DEVMODEW** output);
// Frees a DEVMODE this library handed out at a PRE event; any other block is
// left alone. Always 1.
int FreeEventDevMode(DEVMODEW* devMode);
// DEVMODEs handed out and not yet freed.
size_t LiveEventDevModes();

// Hands the label texts (user, computer, date, time) to the graphics driver:
// -1 without a device context, else 1.
int SendLabelInfo(HDC hdc);
// The paper margins of the current paper, then the printer settings: 1, or
// -1 when either could not be sent.
int SendPageSetup(HANDLE printer, HDC hdc);
// The printer settings block, only while the driver has counted no page: 1
// or -1.
int SendPrinterSettings(HANDLE printer, HDC hdc);
// Asks which marks the page (or the document's end) gets and draws them: 1,
// or the result of the last drawing step, -1 without a device context.
int DrawPageMarks(HDC hdc, DWORD atEndOfDocument);

// The current user's margins of the paper in the order of the paper margin
// record (each 46 when none are stored): 0, or -1 with the defaults.
int GetPaperMargins(HANDLE printer, WORD paperCode, SHORT margins[4]);
// The logon user name: GetUserNameW, or the machine's default logon user for
// the service account; "UnknownUser" (result 0) when neither gives one.
// *capacity is in characters and receives the fallback's length.
int GetLogonUserName(LPWSTR buffer, DWORD* capacity);
// Bounds a text to `room` bytes of the ANSI code page and back: what needs
// more gives an empty text. `output` holds room + 1 characters; room must be
// below 1024 (else 0 and nothing written).
int RoundTripAnsi(LPCWSTR text, LPWSTR output, UINT room);
