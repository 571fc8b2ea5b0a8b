// The texts the conflict actions show: resource messages formatted into
// blocks of their own, numbers scaled by a divisor, and the bounded text
// buffers the builders share. Every block handed out is a GlobalAlloc block
// the caller frees.
#pragma once

#include <cstdarg>

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

// Characters of a loaded resource string and of a setting's name or value
// text, terminator included; longer texts are cut.
constexpr int kResourceStringChars = 128;
constexpr int kSettingTextChars = 128;
// Characters of a built message and of a message block, terminator included.
constexpr int kMessageChars = 1024;
// Characters of a formatted number, terminator included.
constexpr int kNumberChars = 32;
// The string id that asks FormatSettingListText for the plain lines.
constexpr int kPlainListText = -3;

// Resource strings of the settings model.
constexpr UINT kStringCaption = 265;
constexpr UINT kStringTextAngle = 300;
constexpr UINT kStringFontSize = 301;
constexpr UINT kStringStamp = 302;
constexpr UINT kStringNotSet = 305;
constexpr UINT kStringNoText = 306;
constexpr UINT kStringNone = 426;
constexpr UINT kStringStampStoreFull = 427;
constexpr UINT kStringOutOfRange = 700;
constexpr UINT kStringConflictRefused = 701;
constexpr UINT kStringUserPaperSize = 703;
constexpr UINT kStringRangeSize = 704;
constexpr UINT kStringConflictAsk = 705;
constexpr UINT kStringListLine = 706;
constexpr UINT kStringNameAndValue = 707;
constexpr UINT kStringLayoutAsk = 709;
constexpr UINT kStringForbidden = 710;
constexpr UINT kStringChangesAsk = 712;
constexpr UINT kStringScaledTooLarge = 715;
constexpr UINT kStringScaledTooSmall = 716;
constexpr UINT kStringGroupWarning = 719;
constexpr UINT kStringGroupInstallB = 720;
constexpr UINT kStringGroupInstallA = 721;
constexpr UINT kStringGroupChoose = 722;
constexpr UINT kStringGroupValueWarning = 723;
constexpr UINT kStringConflictRefusedNoValue = 724;
constexpr UINT kStringConflictAskNoValue = 725;
constexpr UINT kStringImageOffset1 = 5200;
constexpr UINT kStringImageOffset1Reversed = 5201;
constexpr UINT kStringImageOffset2 = 5202;
constexpr UINT kStringImageOffset2Reversed = 5203;

// Loads the string (cut to kResourceStringChars) and formats it with the
// arguments, wide texts for every %s, into a new block of `length`
// characters (kMessageChars for 0 or less); a text longer than the block is
// cut. 1 with the block; 0 and none for a missing string, a missing output or
// when the block cannot be allocated.
int FormatResourceMessage(HMODULE module, WCHAR** text, int length, UINT stringId, ...);
// The same into the caller's buffer of outChars characters.
int WriteResourceMessage(HMODULE module, WCHAR* out, int outChars, UINT stringId, ...);
int WriteResourceMessageV(HMODULE module, WCHAR* out, int outChars, UINT stringId, va_list args);

// A number as text into `out` (outChars characters). With divisor 1: "%d"
// for types 2 and 10, "%u" for 3 and 8, "%ld" for 4, "%lu" for 5, a text
// (type 6, given by its characters) unchanged. With another divisor the
// quotient and as many decimals as the divisor needs (two for 100, one for
// 10; at least two when asked), a negative value with "-" before its
// magnitude. 1, or 0 for another type, a divisor below 1 or a missing value.
int FormatScaledNumber(BOOL twoDecimals, LONG divisor, SettingValueType type, const void* value, WCHAR* out,
                       int outChars);
// As FormatScaledNumber, except that with another divisor whole mode prints
// only the quotient (signed for types 2, 4, 8 and 10).
int FormatNumber(BOOL wholeMode, LONG divisor, SettingValueType type, const void* value, WCHAR* out, int outChars);

// A fixed buffer that texts are appended to; what does not fit is cut, and
// the buffer stays terminated.
struct BoundedText {
  WCHAR* chars;
  int capacity;  // characters, terminator included
  int length;
};
void InitBoundedText(BoundedText* text, WCHAR* buffer, int capacity);
void AppendBoundedText(BoundedText* text, const WCHAR* part);
// Copies the text into a new block of `chars` characters (cut to fit); null
// when it cannot be allocated.
WCHAR* CopyTextToBlock(const WCHAR* text, int chars);
// Cuts the text at its first line feed.
void CutAtLineFeed(WCHAR* text);
