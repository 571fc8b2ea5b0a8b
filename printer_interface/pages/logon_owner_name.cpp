// The owner name the device page shows when the printer takes the logon
// name: the user (the Winlogon default user for the system account) joined
// with the computer, each fitted to the characters the owner name allows.
#include <cstring>

#include "platform/win/win_codepage.h"
#include "platform/win/win_format.h"
#include "platform/win/win_names.h"
#include "platform/win/win_registry.h"
#include "printer_interface/pages/device_page.h"

namespace {

constexpr int kUserNameChars = 80;
constexpr int kJoinedChars = 35;
constexpr char kUnknownUser[] = "UnknownUser";
constexpr char kUnknownHost[] = "UnknownHost";
constexpr WCHAR kWinlogonKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\";

bool InSingleRanges(BYTE b, const BYTE* ranges) {
  if (!ranges || !ranges[0]) return true;
  for (const BYTE* r = ranges; r[0] && r[1]; r += 2)
    if (b >= r[0] && b <= r[1]) return true;
  return false;
}

// The lead and the trail byte are tested apart against the high and the low
// bytes of each range.
bool InDoubleRanges(BYTE lead, BYTE trail, const BYTE* ranges) {
  if (!ranges) return true;
  for (const BYTE* r = ranges; r[0]; r += 4)
    if (lead >= r[0] && lead <= r[2] && trail >= r[1] && trail <= r[3]) return true;
  return false;
}

bool SameText(const WCHAR* a, const WCHAR* b) {
  for (; *a && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

// The Winlogon default user, or false.
bool ReadDefaultUserName(WCHAR* out, DWORD chars) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogonKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = (chars - 1) * sizeof(WCHAR);
  std::memset(out, 0, chars * sizeof(WCHAR));
  const bool read = RegQueryValueExW(key, u"DefaultUserName", nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) ==
                        ERROR_SUCCESS &&
                    type == REG_SZ;
  RegCloseKey(key);
  out[chars - 1] = 0;
  return read && out[0] != 0;
}

// Cuts an ANSI text after `limit` bytes without splitting a double-byte character.
int CutAnsi(char* text, int limit) {
  int n = 0;
  while (text[n]) {
    const int width = IsDBCSLeadByte(static_cast<BYTE>(text[n])) && text[n + 1] ? 2 : 1;
    if (n + width > limit) break;
    n += width;
  }
  text[n] = 0;
  return n;
}

int FitOrFallback(LPCWSTR name, char* out, int limit, const BYTE* single, const BYTE* doubles, const char* fallback) {
  int n = FitNameToCharset(name, out, limit, single, doubles);
  if (n > 0) return n;
  std::strcpy(out, fallback);
  return CutAnsi(out, limit);
}

}  // namespace

int FitNameToCharset(LPCWSTR name, LPSTR out, int limit, const BYTE* singleRanges, const BYTE* doubleRanges) {
  if (!out || limit <= 0) return 0;
  out[0] = 0;
  if (!name || !name[0]) return 0;
  const int size = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return 0;
  char* ansi = new char[static_cast<size_t>(size) + 1]();
  BOOL lost = FALSE;
  // A character the code page lacks would come back as '?' and pass.
  const bool converted = WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, size, nullptr, &lost) > 0 && !lost;
  int n = 0;
  bool allowed = converted;
  bool blank = true;
  for (int i = 0; allowed && ansi[i];) {
    const BYTE b = static_cast<BYTE>(ansi[i]);
    if (IsDBCSLeadByte(b) && ansi[i + 1]) {
      const BYTE trail = static_cast<BYTE>(ansi[i + 1]);
      if (b < 0x81 || b > 0xFC || trail < 0x40 || trail > 0xFC || !InDoubleRanges(b, trail, doubleRanges)) {
        allowed = false;
        break;
      }
      if (n + 2 > limit) break;
      if (!(b == 0x81 && trail == 0x40)) blank = false;
      out[n++] = static_cast<char>(b);
      out[n++] = static_cast<char>(trail);
      i += 2;
    } else {
      if (!InSingleRanges(b, singleRanges)) {
        allowed = false;
        break;
      }
      if (n + 1 > limit) break;
      if (b != ' ') blank = false;
      out[n++] = static_cast<char>(b);
      ++i;
    }
  }
  delete[] ansi;
  out[n] = 0;
  if (!allowed || blank) {
    out[0] = 0;
    return 0;
  }
  return n;
}

int FormatLogonOwnerName(LPWSTR out, int limit, const BYTE* singleRanges, const BYTE* doubleRanges) {
  if (!out || limit <= 0) return 0;
  out[0] = 0;
  WCHAR user[kUserNameChars + 1] = {};
  DWORD chars = kUserNameChars + 1;
  const bool named = GetUserNameW(user, &chars) && !SameText(user, u"System") && !SameText(user, u"SYSTEM");
  if (!named && !ReadDefaultUserName(user, kUserNameChars + 1)) {
    for (int i = 0; kUnknownUser[i]; ++i) user[i] = static_cast<WCHAR>(kUnknownUser[i]);
    user[sizeof kUnknownUser - 1] = 0;
  }
  char* joined = new char[static_cast<size_t>(limit) + kJoinedChars * 2 + 4]();
  const int userBytes = FitOrFallback(user, joined, limit, singleRanges, doubleRanges, kUnknownUser);
  if (userBytes < limit) {
    WCHAR host[kUserNameChars + 1] = {};
    DWORD hostChars = kUserNameChars + 1;
    if (!GetComputerNameW(host, &hostChars)) host[0] = 0;
    char* fitted = new char[static_cast<size_t>(limit) + 1]();
    if (!host[0]) std::strcpy(fitted, kUnknownHost);
    else FitOrFallback(host, fitted, limit, singleRanges, doubleRanges, kUnknownHost);
    CutAnsi(fitted, kJoinedChars - userBytes);
    joined[userBytes] = '\\';
    std::strcpy(joined + userBytes + 1, fitted);
    delete[] fitted;
    CutAnsi(joined, limit);
  }
  const int written = MultiByteToWideChar(CP_ACP, 0, joined, -1, out, limit + 1);
  delete[] joined;
  if (written <= 0) {
    out[0] = 0;
    return 0;
  }
  return written - 1;
}
