// Text helpers shared by the file, registry and module services: UTF-16 and
// UTF-8 conversion of names and the case folding under which Windows names
// compare. The UTF conversions are exported for the programs over the layer.
#pragma once

#include <string>
#include <string_view>

#include "platform/win/win_types.h"

namespace pk {

// Converts a UTF-16 text to UTF-8; unpaired surrogates become U+FFFD.
PKAPI std::string Utf16ToUtf8(std::u16string_view text);
// Converts a UTF-8 text to UTF-16; each malformed lead byte (bad or missing
// continuation, overlong form, surrogate, past U+10FFFF) becomes U+FFFD.
PKAPI std::u16string Utf8ToUtf16(std::string_view text);
// The same, answering false when any U+FFFD was put in for malformed bytes.
PKAPI bool Utf8ToUtf16(std::string_view text, std::u16string* out);
// Length of a zero-terminated UTF-16 text (0 for none).
size_t WideLength(LPCWSTR text);
inline std::u16string_view WideView(LPCWSTR text) {
  return text ? std::u16string_view(text, WideLength(text)) : std::u16string_view();
}
// Upper-cases one code unit the way names compare: ASCII, Latin-1, Greek and
// Cyrillic letters.
char16_t FoldUnit(char16_t c);
std::u16string FoldName(std::u16string_view name);
// Folded UTF-8 form of a UTF-8 name.
std::string FoldUtf8(std::string_view name);
bool NamesEqual(std::u16string_view a, std::u16string_view b);

}  // namespace pk

namespace pk {
// The current user's name (the names seam of the base layer).
std::u16string CurrentUserName();
// A text in the ANSI code page as UTF-16, and back.
std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
}  // namespace pk
