// The message formatter of the printer interface library (see
// format_message_text.h).
#include "printer_interface/entry/format_message_text.h"

#include <cstdarg>
#include <string>

#include "platform/win/win_format.h"
#include "platform/win/win_resource.h"

namespace {

// Characters a string resource inserts at most.
constexpr int kResourceStringChars = 256;

std::u16string Formatted(HMODULE resources, LPCWSTR format, va_list args) {
  std::u16string text;
  for (const WCHAR* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      text.push_back(*p);
      continue;
    }
    const WCHAR kind = *++p;
    if (kind == 0) break;
    switch (kind) {
      case u'!': {
        WCHAR buffer[kResourceStringChars + 1] = {};
        const UINT id = va_arg(args, UINT);
        if (resources != nullptr) LoadStringW(resources, id, buffer, kResourceStringChars + 1);
        text += buffer;
        break;
      }
      case u'X':
      case u'x':
      case u'u':
      case u'd': {
        const WCHAR directive[3] = {u'%', kind, 0};
        WCHAR number[16] = {};
        wnsprintfW(number, 16, directive, va_arg(args, UINT));
        text += number;
        break;
      }
      case u's': {
        const WCHAR* s = va_arg(args, const WCHAR*);
        text += s != nullptr ? s : u" ";
        break;
      }
      case u'c': text.push_back(static_cast<WCHAR>(va_arg(args, int))); break;
      default: text.push_back(kind); break;
    }
  }
  return text;
}

}  // namespace

int FormatMessageText(HMODULE resources, LPWSTR output, UINT capacity, DWORD* needed, LPCWSTR format, ...) {
  if (format == nullptr) format = u"";
  va_list args;
  va_start(args, format);
  std::u16string text;
  try {
    text = Formatted(resources, format, args);
  } catch (...) {
    text.clear();
  }
  va_end(args);
  if (needed != nullptr) *needed = static_cast<DWORD>(text.size() + 1);
  if (output == nullptr || capacity == 0) return 0;
  const size_t stored = text.size() < capacity ? text.size() : capacity - 1;
  text.copy(output, stored);
  output[stored] = 0;
  return static_cast<int>(stored);
}
