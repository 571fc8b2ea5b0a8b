// Code-page conversions (see code_pages.h). Both directions walk the text
// character by character, so that a bound never falls inside a double-byte
// character.
#include "settings/services/code_pages.h"

#include "settings/services/settings_build.h"

#include <cstring>

#include "platform/win/win_codepage.h"
#include "platform/win/win_memory.h"

namespace {

UINT Resolve(UINT codePage) { return codePage == CP_ACP ? GetACP() : codePage; }

// The byte length of the character at `p` (a lead byte takes its trail byte
// when there is one).
int CharacterBytes(UINT codePage, const char* p) {
  return IsDBCSLeadByteEx(codePage, static_cast<BYTE>(p[0])) && p[1] != 0 ? 2 : 1;
}

}  // namespace

int ConvertMultiByteToWide(UINT codePage, LPWSTR wide, LPCSTR multiByte, int wideCount) {
  codePage = Resolve(codePage);
  if (multiByte == nullptr) {
    if (wide && wideCount > 0) wide[0] = 0;
    return 0;
  }
  // Count the characters, and the bytes of those that fit.
  int characters = 0;
  int bytes = 0;
  for (const char* p = multiByte; *p;) {
    int n = CharacterBytes(codePage, p);
    if (wideCount > 0 && characters == wideCount) break;
    ++characters;
    bytes += n;
    p += n;
  }
  if (wideCount <= 0) return characters;
  if (wide == nullptr) return 0;
  int written = bytes ? MultiByteToWideChar(codePage, 0, multiByte, bytes, wide, wideCount) : 0;
  if (written < 0) written = 0;
  wide[written] = 0;
  return written;
}

LPWSTR ConvertMultiByteToNewWide(UINT codePage, LPCSTR multiByte, int* count) {
  int n = ConvertMultiByteToWide(codePage, nullptr, multiByte, 0);
  auto* wide = static_cast<LPWSTR>(GlobalAlloc(GPTR, (static_cast<SIZE_T>(n) + 1) * sizeof(WCHAR)));
  if (wide == nullptr) return nullptr;
  if (n > 0) n = ConvertMultiByteToWide(codePage, wide, multiByte, n);
  if (count) *count = n;
  return wide;
}

int ConvertWideToMultiByte(UINT codePage, LPCWSTR wide, LPSTR multiByte, int size) {
  codePage = Resolve(codePage);
  if (size < 0 || (size > 0 && multiByte == nullptr)) return 0;
  int written = 0;
  for (const WCHAR* p = wide; p && *p; ++p) {
    char bytes[8];
    int n = WideCharToMultiByte(codePage, 0, p, 1, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0) n = 0;
    if (size > 0) {
      if (written + n > size - 1) break;
      std::memcpy(multiByte + written, bytes, static_cast<size_t>(n));
    }
    written += n;
  }
  if (size == 0) return written + 1;
  multiByte[written] = 0;
  return written;
}

namespace {

// Clears the outputs of a failed conversion; answers 0.
template <class T>
int NoText(T** block, int* count) {
  if (block) *block = nullptr;
  if (count) *count = 0;
  return 0;
}

}  // namespace

int WideToOemAlloc(LPCWSTR wide, LPSTR* block, int* length) {
#if PK_SETTINGS_GRAPHICS_DRIVER
  if (!block || !length) return NoText(block, length);
#else
  if (!wide || !block || !length) return NoText(block, length);
#endif
  *block = nullptr;
  *length = 0;
  int bytes = WideCharToMultiByte(CP_OEMCP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return NoText(block, length);
  auto* out = static_cast<LPSTR>(GlobalAlloc(GPTR, size_t(bytes)));
  if (!out) return NoText(block, length);
  int written = WideCharToMultiByte(CP_OEMCP, 0, wide, -1, out, bytes, nullptr, nullptr);
  if (written <= 0) {
    GlobalFree(out);
    return NoText(block, length);
  }
  *block = out;
  *length = written - 1;
  return 1;
}

int OemToWideAlloc(LPCSTR oem, LPWSTR* block, int* count) {
#if PK_SETTINGS_GRAPHICS_DRIVER
  if (!block || !count) return NoText(block, count);
#else
  if (!oem || !block || !count) return NoText(block, count);
#endif
  *block = nullptr;
  *count = 0;
  int chars = MultiByteToWideChar(CP_OEMCP, 0, oem, -1, nullptr, 0);
  if (chars <= 0) return NoText(block, count);
  auto* out = static_cast<LPWSTR>(GlobalAlloc(GPTR, size_t(chars) * sizeof(WCHAR)));
  if (!out) return NoText(block, count);
  int written = MultiByteToWideChar(CP_OEMCP, 0, oem, -1, out, chars);
  if (written <= 0) {
    GlobalFree(out);
    return NoText(block, count);
  }
  *block = out;
  *count = written;
  return 1;
}
