// Code-page conversions. 1252 and 437 are tables of their upper halves; 1252
// keeps its five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) as the code
// points of the same value both ways, which glibc's iconv refuses. 932 splits
// characters by its lead bytes here and converts each double-byte character
// through iconv.
#include "platform/win/win_codepage.h"

#include <iconv.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

// clang-format off
const char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

// clang-format off
const char16_t k437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
// clang-format on

// The 932 single bytes outside ASCII and the half-width katakana.
struct SingleByte {
  unsigned char byte;
  char16_t unit;
};
const SingleByte k932Singles[] = {{0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
constexpr char16_t k932Unknown = 0x30FB;  // katakana middle dot

std::atomic<UINT> g_acp{1252};
std::atomic<UINT> g_oemcp{437};

void ResetCodePages() {
  g_acp = 1252;
  g_oemcp = 437;
}
const pk::seams::ResetHook g_resetHook(&ResetCodePages);

UINT Resolve(UINT cp) {
  if (cp == CP_ACP) return g_acp;
  if (cp == CP_OEMCP) return g_oemcp;
  return cp;
}

bool Known(UINT cp) { return cp == 1252 || cp == 437 || cp == 932 || cp == CP_UTF8; }

bool Is932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Per-thread iconv descriptors between CP932 and UTF-16LE (an iconv
// descriptor may not be shared between threads).
struct Iconv932 {
  iconv_t toWide = iconv_t(-1);
  iconv_t toBytes = iconv_t(-1);
  ~Iconv932() {
    if (toWide != iconv_t(-1)) iconv_close(toWide);
    if (toBytes != iconv_t(-1)) iconv_close(toBytes);
  }
};
Iconv932& Converters() {
  thread_local Iconv932 c;
  if (c.toWide == iconv_t(-1)) c.toWide = iconv_open("UTF-16LE", "CP932");
  if (c.toBytes == iconv_t(-1)) c.toBytes = iconv_open("CP932", "UTF-16LE");
  return c;
}

// One conversion step through iconv; the output length or -1.
int IconvOne(iconv_t cd, const char* in, size_t inLength, char* out, size_t outRoom) {
  if (cd == iconv_t(-1)) return -1;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  char* dst = out;
  size_t inLeft = inLength, outLeft = outRoom;
  if (iconv(cd, &src, &inLeft, &dst, &outLeft) == size_t(-1) || inLeft != 0) return -1;
  return static_cast<int>(outRoom - outLeft);
}

// Decodes bytes to UTF-16; false when MB_ERR_INVALID_CHARS meets a bad one.
bool Decode(UINT cp, const unsigned char* s, size_t n, bool strict, std::u16string& out) {
  if (cp == 1252 || cp == 437) {
    for (size_t i = 0; i < n; ++i) {
      unsigned char b = s[i];
      if (b < 0x80) out.push_back(b);
      else if (cp == 437) out.push_back(k437High[b - 0x80]);
      else out.push_back(b < 0xA0 ? k1252High[b - 0x80] : char16_t(b));
    }
    return true;
  }
  if (cp == 932) {
    for (size_t i = 0; i < n; ++i) {
      unsigned char b = s[i];
      if (b < 0x80) {
        out.push_back(b);
      } else if (b >= 0xA1 && b <= 0xDF) {
        out.push_back(char16_t(0xFF61 + (b - 0xA1)));
      } else if (Is932Lead(b)) {
        char16_t unit[2];
        int got = i + 1 < n ? IconvOne(Converters().toWide, reinterpret_cast<const char*>(s + i), 2,
                                       reinterpret_cast<char*>(unit), sizeof unit)
                            : -1;
        if (got != 2) {
          if (strict) return false;
          out.push_back(k932Unknown);
          if (i + 1 < n && s[i + 1] >= 0x40) ++i;  // a bad pair still counts as one character
        } else {
          out.push_back(unit[0]);
          ++i;
        }
      } else {
        char16_t u = k932Unknown;
        for (const SingleByte& sb : k932Singles)
          if (sb.byte == b) u = sb.unit;
        out.push_back(u);
      }
    }
    return true;
  }
  // UTF-8
  for (size_t i = 0; i < n;) {
    unsigned char b = s[i];
    uint32_t cp32;
    size_t extra;
    if (b < 0x80) {
      cp32 = b;
      extra = 0;
    } else if ((b & 0xE0) == 0xC0) {
      cp32 = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      cp32 = b & 0x0F;
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      cp32 = b & 0x07;
      extra = 3;
    } else {
      cp32 = 0xFFFFFFFF;
      extra = 0;
    }
    bool ok = cp32 != 0xFFFFFFFF && i + extra < n;
    for (size_t k = 1; ok && k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) ok = false;
      else cp32 = (cp32 << 6) | (s[i + k] & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp32 < kMin[extra] || cp32 > 0x10FFFF || (cp32 >= 0xD800 && cp32 <= 0xDFFF))) ok = false;
    if (!ok) {
      if (strict) return false;
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp32 >= 0x10000) {
      cp32 -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp32 >> 10)));
      out.push_back(char16_t(0xDC00 + (cp32 & 0x3FF)));
    } else {
      out.push_back(char16_t(cp32));
    }
    i += extra + 1;
  }
  return true;
}

// Encodes one UTF-16 character (one unit or a surrogate pair) into `out`;
// false when the code page has no such character.
bool EncodeOne(UINT cp, const char16_t* u, size_t units, std::string& out) {
  char16_t c = u[0];
  if (cp == CP_UTF8) {
    uint32_t v = c;
    if (units == 2) v = 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(u[1]) - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF) return false;
    if (v < 0x80) {
      out.push_back(char(v));
    } else if (v < 0x800) {
      out.push_back(char(0xC0 | (v >> 6)));
      out.push_back(char(0x80 | (v & 0x3F)));
    } else if (v < 0x10000) {
      out.push_back(char(0xE0 | (v >> 12)));
      out.push_back(char(0x80 | ((v >> 6) & 0x3F)));
      out.push_back(char(0x80 | (v & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (v >> 18)));
      out.push_back(char(0x80 | ((v >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((v >> 6) & 0x3F)));
      out.push_back(char(0x80 | (v & 0x3F)));
    }
    return true;
  }
  if (units == 2) return false;
  if (c < 0x80) {
    out.push_back(char(c));
    return true;
  }
  if (cp == 1252 || cp == 437) {
    if (cp == 1252 && c >= 0xA0 && c <= 0xFF) {
      out.push_back(char(c));
      return true;
    }
    const char16_t* table = cp == 1252 ? k1252High : k437High;
    size_t size = cp == 1252 ? 32 : 128;
    for (size_t i = 0; i < size; ++i) {
      if (table[i] == c) {
        out.push_back(char(0x80 + i));
        return true;
      }
    }
    return false;
  }
  // 932
  if (c >= 0xFF61 && c <= 0xFF9F) {
    out.push_back(char(0xA1 + (c - 0xFF61)));
    return true;
  }
  for (const SingleByte& sb : k932Singles) {
    if (sb.unit == c) {
      out.push_back(char(sb.byte));
      return true;
    }
  }
  char bytes[4];
  int got = IconvOne(Converters().toBytes, reinterpret_cast<const char*>(&c), 2, bytes, sizeof bytes);
  if (got != 2 || !Is932Lead(static_cast<unsigned char>(bytes[0]))) return false;
  out.append(bytes, 2);
  return true;
}

struct CharsetRow {
  UINT charset;
  UINT codePage;
  DWORD csb;
};
const CharsetRow kCharsets[] = {
    {0, 1252, 1u << 0},   {238, 1250, 1u << 1}, {204, 1251, 1u << 2},  {161, 1253, 1u << 3},
    {162, 1254, 1u << 4}, {177, 1255, 1u << 5}, {178, 1256, 1u << 6},  {186, 1257, 1u << 7},
    {163, 1258, 1u << 8}, {222, 874, 1u << 16}, {128, 932, 1u << 17},  {134, 936, 1u << 18},
    {129, 949, 1u << 19}, {136, 950, 1u << 20}, {130, 1361, 1u << 21}, {2, 42, 1u << 31},
};

}  // namespace

extern "C" {

UINT GetACP(void) { return g_acp; }
UINT GetOEMCP(void) { return g_oemcp; }

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
  UINT cp = Resolve(CodePage);
  if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr) || !Known(cp)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = cbMultiByte == -1 ? strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  std::u16string wide;
  if (!Decode(cp, reinterpret_cast<const unsigned char*>(lpMultiByteStr), n, (dwFlags & MB_ERR_INVALID_CHARS) != 0,
              wide)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (cchWideChar == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(WCHAR));
  return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  UINT cp = Resolve(CodePage);
  if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) || !Known(cp) || (cp == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = 0;
  if (cchWideChar == -1) {
    while (lpWideCharStr[n]) ++n;
    ++n;
  } else {
    n = static_cast<size_t>(cchWideChar);
  }
  const char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
  bool usedDefault = false;
  std::string bytes;
  for (size_t i = 0; i < n;) {
    size_t units = 1;
    char16_t c = lpWideCharStr[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && lpWideCharStr[i + 1] >= 0xDC00 && lpWideCharStr[i + 1] <= 0xDFFF)
      units = 2;
    if (!EncodeOne(cp, lpWideCharStr + i, units, bytes)) {
      if (cp == CP_UTF8) {
        if (dwFlags & WC_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        bytes.append("\xEF\xBF\xBD");
      } else {
        bytes.push_back(defaultChar);
        usedDefault = true;
      }
    }
    i += units;
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(lpMultiByteStr, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
  return Resolve(CodePage) == 932 && Is932Lead(TestChar) ? TRUE : FALSE;
}

BOOL IsDBCSLeadByte(BYTE TestChar) { return IsDBCSLeadByteEx(CP_ACP, TestChar); }

BOOL TranslateCharsetInfo(DWORD* lpSrc, LPCHARSETINFO lpCs, DWORD dwFlags) {
  if (!lpCs) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (const CharsetRow& row : kCharsets) {
    bool match = false;
    const auto value = reinterpret_cast<uintptr_t>(lpSrc);
    switch (dwFlags) {
      case TCI_SRCCHARSET: match = value == row.charset; break;
      case TCI_SRCCODEPAGE: match = value == row.codePage; break;
      case TCI_SRCFONTSIG: match = lpSrc && (lpSrc[0] & row.csb) != 0; break;  // lpSrc: fsCsb
      default: break;
    }
    if (match) {
      memset(lpCs, 0, sizeof *lpCs);
      lpCs->ciCharset = row.charset;
      lpCs->ciACP = row.codePage;
      lpCs->fs.fsCsb[0] = row.csb;
      return TRUE;
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // extern "C"

namespace pk::seams {

void SetCodePages(UINT ansi, UINT oem) {
  g_acp = (ansi == 932) ? 932 : 1252;
  g_oemcp = (oem == 932) ? 932 : 437;
}

}  // namespace pk::seams
