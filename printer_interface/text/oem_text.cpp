// Typed text in the OEM code page (see oem_text.h).
#include "printer_interface/text/oem_text.h"

#include <cstring>

#include "platform/win/win_codepage.h"
#include "platform/win/win_memory.h"
#include "settings/services/code_pages.h"

namespace {

bool IsLead(const BYTE* p) { return IsDBCSLeadByte(p[0]) && p[1] != 0; }

bool InSingleRanges(BYTE b, const BYTE* ranges) {
  if (ranges == nullptr || ranges[0] == 0) return true;
  for (const BYTE* r = ranges; r[0] != 0; r += 2) {
    if (b >= r[0] && b <= r[1]) return true;
    if (r[1] == 0) break;
  }
  return false;
}

bool InDoubleRanges(unsigned code, const BYTE* ranges) {
  if (ranges == nullptr) return false;
  for (const BYTE* r = ranges; r[0] != 0; r += 4) {
    // No byte of a double-byte code is 0: a list cut short ends at its 0
    // byte and is never read past it.
    if (r[1] == 0 || r[2] == 0 || r[3] == 0) break;
    const unsigned start = r[0] << 8 | r[1];
    const unsigned end = r[2] << 8 | r[3];
    if (code >= start && code <= end) return true;
  }
  return false;
}

bool IsForbiddenByte(BYTE b, const BYTE* forbidden) {
  return forbidden && b != 0 && std::strchr(reinterpret_cast<const char*>(forbidden), b);
}

bool IsForbiddenPair(BYTE lead, BYTE trail, const BYTE* pairs) {
  for (const BYTE* p = pairs; p && p[0] != 0 && p[1] != 0; p += 2)
    if (p[0] == lead && p[1] == trail) return true;
  return false;
}

bool IsBlankOnly(const BYTE* p) {
  while (*p) {
    if (IsLead(p)) {
      if (p[0] != 0x81 || p[1] != 0x40) return false;
      p += 2;
    } else {
      if (*p != ' ' && (*p < '\t' || *p > '\r')) return false;
      ++p;
    }
  }
  return true;
}

// The checks on the OEM bytes; `text` may be changed (the point is removed).
int ValidateOem(BYTE* text, const BYTE* singleRanges, const BYTE* doubleRanges, const BYTE* forbiddenBytes,
                const BYTE* forbiddenPairs, DWORD flags, int maximumDecimals) {
  if (text[0] == 0) return (flags & kTextEmptyValid) ? 1 : 0;
  if ((flags & kTextRefusesBlank) && IsBlankOnly(text)) return 0;
  BYTE* p = text;
  if ((flags & kTextLooksAtSign) && (p[0] == '+' || p[0] == '-')) {
    if (flags & kTextSkipsSign) ++p;
    else if (flags & kTextRefusesSign) return 0;
  }
  if (flags & kTextDecimal) {
    BYTE* point = nullptr;
    for (BYTE* q = p; *q; q += IsLead(q) ? 2 : 1) {
      if (*q != '.') continue;
      if (point) return 0;
      point = q;
    }
    if (point) {
      if (!(flags & kTextEmptyValid) && std::strlen(reinterpret_cast<char*>(point + 1)) > size_t(maximumDecimals))
        return 0;
      std::memmove(point, point + 1, std::strlen(reinterpret_cast<char*>(point + 1)) + 1);
    }
  }
  for (const BYTE* q = p; *q;) {
    if (IsLead(q)) {
      if (!InDoubleRanges(unsigned(q[0]) << 8 | q[1], doubleRanges) || IsForbiddenPair(q[0], q[1], forbiddenPairs))
        return 0;
      q += 2;
    } else {
      if (!InSingleRanges(*q, singleRanges) || IsForbiddenByte(*q, forbiddenBytes)) return 0;
      ++q;
    }
  }
  return 1;
}

}  // namespace

int StripCharacters(LPWSTR text, LPCWSTR characters) {
  if (text == nullptr || characters == nullptr) return 0;
  LPSTR oem = nullptr;
  int length = 0;
  if (!WideToOemAlloc(text, &oem, &length)) return 0;
  auto* bytes = reinterpret_cast<BYTE*>(oem);
  int kept = 0;
  for (int i = 0; i < length;) {
    if (IsLead(bytes + i)) {
      bytes[kept++] = bytes[i++];
      bytes[kept++] = bytes[i++];
      continue;
    }
    bool strip = false;
    for (LPCWSTR c = characters; *c && !strip; ++c) strip = *c == bytes[i];
    if (!strip) bytes[kept++] = bytes[i];
    ++i;
  }
  bytes[kept] = 0;
  LPWSTR wide = nullptr;
  int count = 0;
  const int converted = OemToWideAlloc(oem, &wide, &count);
  GlobalFree(oem);
  if (!converted) return 0;
  // Stripping never lengthens the text, so it fits where the old one was.
  std::memcpy(text, wide, size_t(count) * sizeof(WCHAR));
  GlobalFree(wide);
  return 1;
}

LPCWSTR FileNamePart(LPCWSTR path) {
  if (path == nullptr) return nullptr;
  LPCWSTR name = path;
  for (LPCWSTR p = path; *p; ++p)
    if (*p == u'\\') name = p + 1;
  return name;
}

int ValidateText(LPCWSTR text, const BYTE* singleRanges, const BYTE* doubleRanges, const BYTE* forbiddenBytes,
                 const BYTE* forbiddenPairs, DWORD flags, int maximumDecimals) {
  LPSTR oem = nullptr;
  int length = 0;
  if (!WideToOemAlloc(text, &oem, &length)) return 0;
  const int valid = ValidateOem(reinterpret_cast<BYTE*>(oem), singleRanges, doubleRanges, forbiddenBytes,
                                forbiddenPairs, flags, maximumDecimals);
  GlobalFree(oem);
  return valid;
}

int ParseDecimalInt(LPCSTR text, DWORD* value) {
  if (text == nullptr || value == nullptr) return 0;
  const bool negative = text[0] == '-';
  const char* digits = (text[0] == '-' || text[0] == '+') ? text + 1 : text;
  const size_t count = std::strlen(digits);
  if (count < 1 || count > 10) return 0;
  for (size_t i = 0; i < count; ++i)
    if (digits[i] < '0' || digits[i] > '9') return 0;
  // Ten digits compare as text with the largest the sign allows.
  if (count == 10 && std::strcmp(digits, negative ? "2147483648" : "4294967295") > 0) return 0;
  uint64_t number = 0;
  for (size_t i = 0; i < count; ++i) number = number * 10 + unsigned(digits[i] - '0');
  *value = static_cast<DWORD>(negative ? 0 - number : number);
  return 1;
}
