// UTF conversion and case folding of names (see name_text.h).
#include "platform/win/name_text.h"

namespace pk {

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool Utf8ToUtf16(std::string_view text, std::u16string* out) {
  static const char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
  bool clean = true;
  out->clear();
  out->reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c = 0xFFFD;
    size_t n = 1;
    if (b < 0x80) {
      c = b;
    } else {
      int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
      char32_t v = b & (0x3F >> extra);
      bool ok = extra > 0;
      for (int k = 1; ok && k <= extra; ++k) {
        if (i + k >= text.size()) {
          ok = false;
          break;
        }
        unsigned char t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80) ok = false;
        v = (v << 6) | (t & 0x3F);
      }
      // Overlong forms, surrogates and values past the last code point are
      // malformed: each such lead byte becomes one U+FFFD.
      if (ok && v >= kShortest[extra] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        c = v;
        n = static_cast<size_t>(extra) + 1;
      } else {
        clean = false;
      }
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      *out += static_cast<char16_t>(0xD800 + (c >> 10));
      *out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      *out += static_cast<char16_t>(c);
    }
    i += n;
  }
  return clean;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  Utf8ToUtf16(text, &out);
  return out;
}

size_t WideLength(LPCWSTR text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

char16_t FoldUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;   // Latin-1
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;  // Greek
  if (c >= 0x430 && c <= 0x44F) return c - 32;                // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (auto& c : out) c = FoldUnit(c);
  return out;
}

std::string FoldUtf8(std::string_view name) { return Utf16ToUtf8(FoldName(Utf8ToUtf16(name))); }

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldUnit(a[i]) != FoldUnit(b[i])) return false;
  return true;
}

}  // namespace pk

#include <vector>

#include "platform/win/win_codepage.h"
#include "platform/win/win_names.h"

namespace pk {

std::u16string CurrentUserName() {
  WCHAR buf[257];
  DWORD n = 257;
  if (GetUserNameW(buf, &n) && n > 1) return std::u16string(buf, n - 1);
  return u"User";
}

std::u16string AnsiToWide(std::string_view text) {
  if (text.empty()) return std::u16string();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::u16string();
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace pk
