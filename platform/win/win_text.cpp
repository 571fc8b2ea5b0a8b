// Wide-text helpers. Comparisons are by code unit after case folding; the
// folding covers the letters that appear in printer, form and user names.
#include "platform/win/win_text.h"

#include <climits>

namespace {

// Upper case of one code unit for the case-insensitive comparison.
WCHAR FoldUpper(WCHAR c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? WCHAR(c - 0x20) : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return WCHAR(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs: upper at even code points, except 0x139-0x148
    // and 0x179-0x17E where the upper one is odd.
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddUpper) return (c % 2 == 0) ? WCHAR(c - 1) : c;
    return (c % 2 == 1) ? WCHAR(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return WCHAR(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return WCHAR(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return WCHAR(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return WCHAR(c - 0x20);
  return c;
}

WCHAR AsciiLower(WCHAR c) { return (c >= u'A' && c <= u'Z') ? WCHAR(c + 0x20) : c; }

template <class Fold>
int Compare(LPCWSTR a, LPCWSTR b, Fold fold) {
  if (!a || !b) return (a == b) ? 0 : (a ? 1 : -1);
  for (;; ++a, ++b) {
    WCHAR ca = fold(*a), cb = fold(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

bool IsSpace(WCHAR c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

// Copies [begin, end) into out (capacity `size` with the terminator).
void CopyPart(WCHAR* out, size_t size, const WCHAR* begin, const WCHAR* end) {
  if (!out) return;
  size_t n = static_cast<size_t>(end - begin);
  if (n > size - 1) n = size - 1;
  for (size_t i = 0; i < n; ++i) out[i] = begin[i];
  out[n] = 0;
}

}  // namespace

extern "C" {

int lstrlenW(LPCWSTR lpString) {
  if (!lpString) return 0;
  int n = 0;
  while (lpString[n]) ++n;
  return n;
}

LPWSTR lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength) {
  if (!lpString1 || !lpString2) return nullptr;
  if (iMaxLength <= 0) return lpString1;
  int i = 0;
  for (; i < iMaxLength - 1 && lpString2[i]; ++i) lpString1[i] = lpString2[i];
  lpString1[i] = 0;
  return lpString1;
}

int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) {
  return Compare(lpString1, lpString2, [](WCHAR c) { return c; });
}

int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) { return Compare(lpString1, lpString2, FoldUpper); }

int _wcsnicmp(const WCHAR* string1, const WCHAR* string2, size_t count) {
  if (count == 0) return 0;
  if (!string1 || !string2) return INT_MAX;  // the C library's comparison error value
  for (size_t i = 0; i < count; ++i) {
    int a = AsciiLower(string1[i]), b = AsciiLower(string2[i]);
    if (a != b || a == 0) return a - b;
  }
  return 0;
}

int _wtoi(const WCHAR* str) {
  if (!str) return 0;
  while (IsSpace(*str)) ++str;
  bool negative = false;
  if (*str == u'+' || *str == u'-') negative = (*str++ == u'-');
  long long value = 0;
  for (; *str >= u'0' && *str <= u'9'; ++str) {
    value = value * 10 + (*str - u'0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

WCHAR* _itow(int value, WCHAR* buffer, int radix) {
  if (!buffer) return buffer;
  if (radix < 2 || radix > 36) {
    buffer[0] = 0;
    return buffer;
  }
  WCHAR digits[34];
  int n = 0;
  bool negative = radix == 10 && value < 0;
  uint32_t v = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    unsigned d = v % static_cast<unsigned>(radix);
    digits[n++] = static_cast<WCHAR>(d < 10 ? u'0' + d : u'a' + d - 10);
    v /= static_cast<unsigned>(radix);
  } while (v);
  int o = 0;
  if (negative) buffer[o++] = u'-';
  while (n) buffer[o++] = digits[--n];
  buffer[o] = 0;
  return buffer;
}

void _wsplitpath(const WCHAR* path, WCHAR* drive, WCHAR* dir, WCHAR* fname, WCHAR* ext) {
  static const WCHAR kEmpty[] = {0};
  if (!path) path = kEmpty;
  const WCHAR* p = path;
  const WCHAR* driveEnd = p;
  if (p[0] && p[1] == u':') driveEnd = p + 2;
  CopyPart(drive, _MAX_DRIVE, p, driveEnd);
  p = driveEnd;
  const WCHAR* end = p + lstrlenW(p);
  const WCHAR* lastSep = nullptr;
  const WCHAR* lastDot = nullptr;
  for (const WCHAR* q = p; q < end; ++q) {
    if (IsSeparator(*q)) lastSep = q;
    else if (*q == u'.') lastDot = q;
  }
  const WCHAR* nameBegin = lastSep ? lastSep + 1 : p;
  CopyPart(dir, _MAX_DIR, p, nameBegin);
  const WCHAR* extBegin = (lastDot && lastDot >= nameBegin) ? lastDot : end;
  CopyPart(fname, _MAX_FNAME, nameBegin, extBegin);
  CopyPart(ext, _MAX_EXT, extBegin, end);
}

}  // extern "C"
