// The wide-text formatter behind wsprintfW and wnsprintfW. One writer that
// knows its capacity does all the output, so no directive can write past it.
#include "platform/win/win_format.h"

#include <cassert>
#include <cstdint>

namespace {

class Writer {
 public:
  Writer(WCHAR* out, size_t capacity) : out_(out), room_(capacity - 1) {}

  void Put(WCHAR c) {
    if (length_ < room_) out_[length_++] = c;
    else cut_ = true;
  }
  void Fill(WCHAR c, size_t n) {
    for (size_t i = 0; i < n; ++i) Put(c);
  }
  // Terminates and returns the length.
  int Finish() {
    out_[length_] = 0;
    return static_cast<int>(length_);
  }
  bool cut() const { return cut_; }

 private:
  WCHAR* out_;
  size_t room_;
  size_t length_ = 0;
  bool cut_ = false;
};

// Writes the digits of `value` in base 10 or 16, after an optional minus,
// padded to `width` with blanks (in front) or zeros (after the sign).
void PutNumber(Writer& w, uint32_t value, bool negative, unsigned base, bool upper, bool zeroPad, size_t width) {
  WCHAR digits[16];
  size_t n = 0;
  do {
    unsigned d = value % base;
    digits[n++] = static_cast<WCHAR>(d < 10 ? u'0' + d : (upper ? u'A' : u'a') + d - 10);
    value /= base;
  } while (value);
  size_t length = n + (negative ? 1 : 0);
  size_t pad = width > length ? width - length : 0;
  if (!zeroPad) w.Fill(u' ', pad);
  if (negative) w.Put(u'-');
  if (zeroPad) w.Fill(u'0', pad);
  while (n) w.Put(digits[--n]);
}

int Format(Writer& w, const WCHAR* fmt, va_list args) {
  static const WCHAR kNull[] = u"(null)";
  for (const WCHAR* p = fmt; *p; ++p) {
    if (*p != u'%') {
      w.Put(*p);
      continue;
    }
    const WCHAR* start = p++;
    bool zeroPad = false;
    while (*p == u'0') {
      zeroPad = true;
      ++p;
    }
    size_t width = 0;
    while (*p >= u'0' && *p <= u'9') {
      if (width < WSPRINTF_LIMIT) width = width * 10 + (*p - u'0');
      ++p;
    }
    bool isLong = false;
    if (*p == u'l') {
      isLong = true;
      ++p;
    }
    (void)isLong;  // LONG and DWORD are 32 bits: %ld and %d read the same argument
    switch (*p) {
      case u'%': w.Put(u'%'); break;
      case u'c': {
        WCHAR c = static_cast<WCHAR>(va_arg(args, int));
        if (width > 1) w.Fill(u' ', width - 1);
        w.Put(c);
        break;
      }
      case u's': {
        const WCHAR* s = va_arg(args, const WCHAR*);
        if (!s) s = kNull;
        size_t length = 0;
        while (s[length]) ++length;
        if (width > length) w.Fill(u' ', width - length);
        for (size_t i = 0; i < length && !w.cut(); ++i) w.Put(s[i]);
        break;
      }
      case u'd': {
        int32_t v = va_arg(args, int32_t);
        uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
        PutNumber(w, magnitude, v < 0, 10, false, zeroPad, width);
        break;
      }
      case u'u': PutNumber(w, va_arg(args, uint32_t), false, 10, false, zeroPad, width); break;
      case u'x':
      case u'X': PutNumber(w, va_arg(args, uint32_t), false, 16, *p == u'X', zeroPad, width); break;
      default:
        assert(!"unsupported directive in a wsprintfW format");
        // Copied as it stands; a directive cut by the end of the format stops there.
        for (const WCHAR* q = start; q <= p && *q; ++q) w.Put(*q);
        if (!*p) return w.Finish();
        break;
    }
  }
  return w.Finish();
}

}  // namespace

extern "C" {

int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist) {
  if (!lpOut || !lpFmt) return 0;
  Writer w(lpOut, WSPRINTF_LIMIT);
  return Format(w, lpFmt, arglist);
}

int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...) {
  va_list args;
  va_start(args, lpFmt);
  int n = wvsprintfW(lpOut, lpFmt, args);
  va_end(args);
  return n;
}

int wvnsprintfW(LPWSTR pszDest, int cchDest, LPCWSTR pszFmt, va_list arglist) {
  if (!pszDest || cchDest <= 0) return -1;
  if (!pszFmt) {
    pszDest[0] = 0;
    return -1;
  }
  Writer w(pszDest, static_cast<size_t>(cchDest));
  int n = Format(w, pszFmt, arglist);
  return w.cut() ? -1 : n;
}

int wnsprintfW(LPWSTR pszDest, int cchDest, LPCWSTR pszFmt, ...) {
  va_list args;
  va_start(args, pszFmt);
  int n = wvnsprintfW(pszDest, cchDest, pszFmt, args);
  va_end(args);
  return n;
}

}  // extern "C"
