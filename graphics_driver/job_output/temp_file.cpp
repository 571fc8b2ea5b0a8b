// Temp files and their register (see temp_file.h).
#include "graphics_driver/job_output/temp_file.h"

#include <string>

#include "graphics_driver/core/driver_files.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_format.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_time.h"

namespace {

constexpr const WCHAR* kRegisterKey = u"Software\\Caldrix\\KZ TRD Printer Driver\\TempFile\\";
constexpr UINT kWriteErrorText = 5;
constexpr UINT kWriteErrorCaption = 6;

std::u16string KeyOf(const WCHAR* path) {
  std::u16string key = kRegisterKey;
  for (size_t i = 0; path[i]; ++i) key += path[i] == u'\\' ? u'/' : path[i];
  return key;
}

bool IsOpen(const TempFile* t) { return t && t->file != INVALID_HANDLE_VALUE && t->open; }

}  // namespace

void SlashPath(WCHAR* text) {
  for (; text && *text; ++text)
    if (*text == u'\\') *text = u'/';
}

int RegisterTempFile(const WCHAR* path) {
  if (!path) return -1;
  HKEY key = nullptr;
  if (RegCreateKeyW(HKEY_LOCAL_MACHINE, KeyOf(path).c_str(), &key) != ERROR_SUCCESS) return -1;
  SYSTEMTIME t;
  GetLocalTime(&t);
  WCHAR text[64];
  wsprintfW(text, u"[%04d,%02d/%02d,%02d:%02d:%02d]", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  size_t n = 0;
  while (text[n]) ++n;
  LSTATUS s = RegSetValueW(key, nullptr, REG_SZ, text, DWORD((n + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return s == ERROR_SUCCESS ? 0 : -1;
}

int UnregisterTempFile(const WCHAR* path) {
  if (!path) return -1;
  return RegDeleteKeyW(HKEY_LOCAL_MACHINE, KeyOf(path).c_str()) == ERROR_SUCCESS ? 0 : -1;
}

int RemoveLeftoverTempFiles() {
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kRegisterKey, &key) != ERROR_SUCCESS) return -1;
  DWORD index = 0;
  for (;;) {
    WCHAR name[261];
    LSTATUS s = RegEnumKeyW(key, index, name, 261);
    if (s == ERROR_NO_MORE_ITEMS) break;
    if (s != ERROR_SUCCESS) {
      RegCloseKey(key);
      return -1;
    }
    for (WCHAR* c = name; *c; ++c)
      if (*c == u'/') *c = u'\\';
    HANDLE f = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool unregister = true;
    if (f != INVALID_HANDLE_VALUE) {
      CloseHandle(f);
      unregister = DeleteFileW(name);
    }
    if (!unregister) {
      ++index;  // still there and not deletable: left for a later clean-up
      continue;
    }
    if (UnregisterTempFile(name) != 0) {
      RegCloseKey(key);
      return -1;
    }
    index = 0;
  }
  RegCloseKey(key);
  return 0;
}

int ResetTempFile(TempFile* temp, int removeLeftovers, HMODULE module) {
  if (!temp) return -1;
  if (removeLeftovers) RemoveLeftoverTempFiles();
  temp->module = module;
  temp->file = INVALID_HANDLE_VALUE;
  temp->name[0] = 0;
  temp->size = temp->position = 0;
  temp->open = 0;
  return 0;
}

int CreateTempFile(TempFile* temp) {
  if (!temp) return -1;
  if (temp->file != INVALID_HANDLE_VALUE || temp->name[0]) DeleteTempFile(temp);
  if (!MakeTempFileName(temp->name)) return -1;
  temp->file = OpenFileHandle(temp->name, 1);
  if (temp->file == INVALID_HANDLE_VALUE) {
    temp->name[0] = 0;
    return -1;
  }
  RegisterTempFile(temp->name);  // a register that cannot be written only loses the clean-up
  temp->size = temp->position = 0;
  temp->open = 1;
  return 0;
}

int DeleteTempFile(TempFile* temp) {
  if (!temp) return -1;
  bool ok = true;
  if (temp->file != INVALID_HANDLE_VALUE) ok = CloseHandle(temp->file);
  if (temp->name[0]) {
    if (DeleteFileW(temp->name)) UnregisterTempFile(temp->name);
    else ok = false;
  }
  ResetTempFile(temp, 0, temp->module);
  return ok ? 0 : -1;
}

int HasTempFileData(const TempFile* temp) { return IsOpen(temp) ? 1 : -1; }

int ShowTempFileWriteError(const TempFile* temp) {
  WCHAR drive = u' ';
  if (temp->name[0] && temp->name[1] == u':') {
    drive = temp->name[0];
    if (drive >= u'a' && drive <= u'z') drive = WCHAR(drive - u'a' + u'A');
  }
  WCHAR caption[512] = {};
  WCHAR format[512] = {};
  if (temp->module) {
    LoadStringW(temp->module, kWriteErrorCaption, caption, 512);
    LoadStringW(temp->module, kWriteErrorText, format, 512);
  }
  if (!format[0]) std::char_traits<char16_t>::copy(format, u"delele Text", 12);
  WCHAR text[1100];
  wsprintfW(text, format, drive);
  return MessageBoxW(GetActiveWindow(), text, caption[0] ? caption : nullptr,
                     MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

int WriteTempFile(TempFile* temp, const void* bytes, uint32_t count) {
  if (!IsOpen(temp) || (count && !bytes)) return -1;
  if (count == 0) return 0;
  const auto* p = static_cast<const BYTE*>(bytes);
  uint32_t total = 0;
  for (;;) {
    DWORD written = 0;
    BOOL ok = WriteFile(temp->file, p + total, count - total, &written, nullptr);
    temp->position += written;
    if (temp->position > temp->size) temp->size = temp->position;
    total += written;
    if (ok && total == count) return int(total);
    if (ShowTempFileWriteError(temp) != IDOK) {
      if (temp->file != INVALID_HANDLE_VALUE) temp->open = 0;
      return -1;
    }
    if (SeekFileFromStart(temp->file, LONG(temp->position)) != LONG(temp->position)) return -1;
  }
}

int ReadTempFile(TempFile* temp, void* buffer, uint32_t count) {
  if (!IsOpen(temp) || !buffer || uint64_t(temp->position) + count > temp->size) return -1;
  if (count == 0) return 0;
  DWORD read = 0;
  if (!ReadFile(temp->file, buffer, count, &read, nullptr)) return -1;
  temp->position += read;
  return int(read);
}

int SeekTempFile(TempFile* temp, int32_t offset) {
  if (!IsOpen(temp) || offset < 0 || uint32_t(offset) > temp->size) return -1;
  LONG at = SeekFileFromStart(temp->file, offset);
  if (at < 0) return -1;
  temp->position = uint32_t(at);
  return at;
}

int SeekTempFileEnd(TempFile* temp) {
  if (!IsOpen(temp)) return -1;
  LONG at = SeekFileFromEnd(temp->file, 0);
  if (at < 0) return -1;
  temp->position = uint32_t(at);
  return at;
}

int GetTempFileSize(const TempFile* temp) { return IsOpen(temp) ? int(temp->size) : -1; }
