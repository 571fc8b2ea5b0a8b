// Resource-string texts and message boxes of the sheets, display scaling and
// the unit names shown beside lengths.
#pragma once

#include <cstdarg>

#include "platform/win/win_types.h"

// Passing this id takes the given text instead of a resource string.
constexpr int kGivenText = -3;
// Unit names: millimetres (unit 0) and inches (unit 1).
constexpr UINT kStringUnitMm = 460;
constexpr UINT kStringUnitInch = 461;
constexpr int kUnitInch = 1;

// Loads the string of the resource module and formats it with the
// arguments (wide texts for %s) into `out`, which holds `maximum` characters
// (256 for a maximum below 1). The formatter is bounded: a text longer than
// the maximum less 2 characters, or a missing string, gives 0 and an empty
// text. Otherwise the characters written.
int FormatResourceString(LPWSTR out, int maximum, UINT stringId, ...);
int FormatResourceStringV(LPWSTR out, int maximum, UINT stringId, va_list args);
// A message box of a resource caption (or the given one for kGivenText) and
// message (likewise): its answer, or -1 when the caption string is missing or
// there is no message.
int ShowResourceMessageBox(HWND owner, int captionId, LPCWSTR caption, UINT type, int messageId, LPCWSTR message);
// The value scaled from 96 dots per inch to the DC's, on the axis
// (LOGPIXELSX, else LOGPIXELSY); unchanged before Vista or without a DC.
int ScaleForDpi(HDC dc, int value, int axis);
// Sets the unit name (460, or 461 for inches) as the text of each control of
// the list, which ends at id 0. 1, or 0 when the string is missing.
int SetUnitLabels(HWND page, int unit, const int* labels);
