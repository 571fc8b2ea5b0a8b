// Document start: the label texts the graphics driver prints on each sheet
// (user, computer, date, time), made from the settings of the driver's
// current DEVMODE and the names and clock of this machine.
#include <cstring>
#include <string_view>

#include "platform/gdi/printer_dc.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"
#include "platform/win/win_format.h"
#include "platform/win/win_names.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_time.h"
#include "printer_interface/events/document_events.h"
#include "settings/access/setting_value_io.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/escape_records.h"

namespace {

// Characters of the name buffers.
constexpr DWORD kNameChars = 1024;
// Bytes of "DefaultUserName" that are used at most.
constexpr DWORD kDefaultUserNameBytes = 1024;
// ANSI bytes each label field keeps.
constexpr UINT kUserRoom = 63;
constexpr UINT kComputerRoom = 31;

size_t TextLength(LPCWSTR text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

void CopyText(WCHAR* destination, size_t capacity, const char16_t* text) {
  size_t n = TextLength(text);
  if (n >= capacity) n = capacity - 1;
  std::memcpy(destination, text, n * sizeof(WCHAR));
  destination[n] = 0;
}

bool SettingOn(const BYTE* devMode, SettingId id) {
  uint64_t value = 0;
  return ReadSettingInto(id, devMode, nullptr, &value) && static_cast<BYTE>(value) == 1;
}

// The machine's default logon user, terminated within the buffer after the
// bytes read (registry data need not end in a terminator).
void ReadDefaultUserName(LPWSTR buffer, DWORD capacity) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return;
  DWORD type = 0, size = 0;
  const DWORD room = (capacity - 1) * sizeof(WCHAR);
  if (RegQueryValueExW(key, u"DefaultUserName", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      size <= kDefaultUserNameBytes && size <= room) {
    DWORD got = size;
    if (RegQueryValueExW(key, u"DefaultUserName", nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &got) ==
            ERROR_SUCCESS &&
        got <= room) {
      buffer[got / sizeof(WCHAR)] = 0;
    } else {
      buffer[0] = 0;
    }
  }
  RegCloseKey(key);
}

}  // namespace

int GetLogonUserName(LPWSTR buffer, DWORD* capacity) {
  if (buffer == nullptr || capacity == nullptr || *capacity == 0) return 0;
  const DWORD chars = *capacity;
  DWORD size = chars;
  if (GetUserNameW(buffer, &size) && std::u16string_view(buffer) != u"SYSTEM") return 1;
  // No name, or the service account: the machine's default logon user.
  std::memset(buffer, 0, chars * sizeof(WCHAR));
  ReadDefaultUserName(buffer, chars);
  if (buffer[0] != 0) return 1;
  CopyText(buffer, chars, u"UnknownUser");
  *capacity = static_cast<DWORD>(TextLength(buffer));
  return 0;
}

int RoundTripAnsi(LPCWSTR text, LPWSTR output, UINT room) {
  if (room >= kNameChars || text == nullptr || output == nullptr) return 0;
  char ansi[kNameChars + 1] = {};
  if (WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, static_cast<int>(room + 1), nullptr, nullptr) <= 0) ansi[0] = 0;
  ansi[room] = 0;
  if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, output, static_cast<int>(room + 1)) <= 0) output[0] = 0;
  output[room] = 0;
  return 1;
}

int SendLabelInfo(HDC hdc) {
  if (hdc == nullptr) return -1;
  BYTE devMode[kWorkingDevModeSize] = {};
  if (ExtEscape(hdc, ESC_GET_DEVMODE, 0, nullptr, sizeof devMode, reinterpret_cast<LPSTR>(devMode)) <= 0) return 1;

  LabelInfoBlock block;
  std::memset(&block, 0, sizeof block);
  const bool user = SettingOn(devMode, 464), computer = SettingOn(devMode, 465);
  if (user || computer) {
    // The name is read once; the fallback text never reaches a label.
    WCHAR name[kNameChars] = {};
    DWORD chars = kNameChars;
    if (!GetLogonUserName(name, &chars)) name[0] = 0;
    if (user) RoundTripAnsi(name, block.user, kUserRoom);
    if (computer) {
      WCHAR both[kNameChars] = {};
      CopyText(both, kNameChars, name);
      size_t used = TextLength(both);
      if (used + 1 < kNameChars) {
        both[used++] = u'\\';
        both[used] = 0;
        DWORD left = static_cast<DWORD>(kNameChars - used);
        if (!GetComputerNameW(both + used, &left)) CopyText(both + used, kNameChars - used, u"UnkownHost");
      }
      RoundTripAnsi(both, block.computer, kComputerRoom);
    }
  }
  SYSTEMTIME now{};
  GetLocalTime(&now);
  if (SettingOn(devMode, 468))
    wnsprintfW(block.date, 11, u"%d/%d/%d", static_cast<int>(now.wYear), static_cast<int>(now.wMonth),
               static_cast<int>(now.wDay));
  if (SettingOn(devMode, 469))
    wnsprintfW(block.time, 6, u"%02d:%02d", static_cast<int>(now.wHour), static_cast<int>(now.wMinute));

  bool any = false;
  for (SettingId id = 464; id <= 469; ++id) any = any || SettingOn(devMode, id);
  if (any) ExtEscape(hdc, ESC_SET_LABEL_INFO, sizeof block, reinterpret_cast<LPCSTR>(&block), 0, nullptr);
  return 1;
}
