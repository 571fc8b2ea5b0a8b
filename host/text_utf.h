// UTF-8 and UTF-16 conversion for the host's documents, names and messages:
// the platform layer's conversions.
#pragma once

#include "platform/win/name_text.h"

namespace pkhost {

using pk::Utf16ToUtf8;
using pk::Utf8ToUtf16;

}  // namespace pkhost
