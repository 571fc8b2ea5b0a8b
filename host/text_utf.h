// UTF-8 and UTF-16 conversion for the host's documents, names and messages.
#pragma once

#include <string>
#include <string_view>

namespace pkhost {

// Malformed input becomes U+FFFD; false tells that it happened.
bool Utf8ToUtf16(std::string_view in, std::u16string* out);
std::u16string Utf8ToUtf16(std::string_view in);
std::string Utf16ToUtf8(std::u16string_view in);

}  // namespace pkhost
