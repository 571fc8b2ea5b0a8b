// Fax temp file records (see fax_temp_files.h). Several processes may
// register and clean up at once; nothing is locked, so a walk starts again
// after every delete.
#include "printer_interface/fax/fax_temp_files.h"

#include <cstring>
#include <string>

#include "platform/ui/win_window.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_path.h"
#include "platform/win/win_text.h"

namespace {

constexpr DWORD kValueNameChars = 260;
constexpr DWORD kFolderChars = 260;

// The record of the value, its path terminated within its units: false when
// the value is not a whole record.
bool ReadRecord(HKEY key, LPCWSTR name, FaxTempFileRecord* record) {
  DWORD type = 0;
  DWORD size = sizeof *record;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(record), &size) != ERROR_SUCCESS ||
      size != sizeof *record)
    return false;
  // Registry data need not hold a terminator.
  record->path[kFaxTempPathChars - 1] = 0;
  return true;
}

bool SameFolder(LPCWSTR folder, const WCHAR* directory, size_t directoryChars) {
  size_t n = static_cast<size_t>(lstrlenW(folder));
  while (n > 0 && (folder[n - 1] == u'\\' || folder[n - 1] == u'/')) --n;
  return n > 0 && n == directoryChars && _wcsnicmp(folder, directory, n) == 0;
}

// Only files the sheets made themselves are ever deleted: "KZF*.tmp" in the
// temp folder or one of the folders used in its place. Any program of the
// user can write a record, so its path is not trusted further.
bool IsOwnTempFile(LPCWSTR path) {
  const WCHAR* name = path;
  for (const WCHAR* p = path; *p; ++p)
    if (*p == u'\\' || *p == u'/') name = p + 1;
  const size_t nameChars = static_cast<size_t>(lstrlenW(name));
  if (nameChars < 7 || _wcsnicmp(name, u"KZF", 3) != 0 || _wcsnicmp(name + nameChars - 4, u".tmp", 4) != 0)
    return false;
  for (const WCHAR* p = name; *p; ++p)
    if (*p == u'.' && p != name + nameChars - 4) return false;
  size_t directoryChars = static_cast<size_t>(name - path);
  while (directoryChars > 0 && (path[directoryChars - 1] == u'\\' || path[directoryChars - 1] == u'/'))
    --directoryChars;
  WCHAR folder[kFolderChars + 1] = {};
  if (GetTempPathW(kFolderChars, folder) && SameFolder(folder, path, directoryChars)) return true;
  folder[0] = 0;
  if (GetWindowsDirectoryW(folder, kFolderChars) && SameFolder(folder, path, directoryChars)) return true;
  folder[0] = 0;
  if (GetSystemDirectoryW(folder, kFolderChars) && SameFolder(folder, path, directoryChars)) return true;
  folder[0] = 0;
  return GetCurrentDirectoryW(kFolderChars, folder) && SameFolder(folder, path, directoryChars);
}

}  // namespace

bool IsFaxTempValueName(LPCWSTR name) {
  if (name == nullptr) return false;
  // Compared exactly, the underscore included; a shorter name stops at its
  // terminator, which never matches.
  for (int i = 0; i < 9; ++i)
    if (name[i] != kFaxTempValuePrefix[i]) return false;
  return true;
}

LSTATUS StoreFaxTempRecord(LPCWSTR path, HWND window, HINSTANCE instance) {
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  const int pathChars = lstrlenW(path);
  if (pathChars >= int(kFaxTempPathChars)) return ERROR_FILENAME_EXCED_RANGE;
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyW(HKEY_CURRENT_USER, kFaxTempKey, &key);
  if (status != ERROR_SUCCESS) return status;
  const uint64_t windowValue = reinterpret_cast<uintptr_t>(window);
  const uint64_t instanceValue = reinterpret_cast<uintptr_t>(instance);
  WCHAR name[kValueNameChars + 1];
  for (DWORD index = 0;; ++index) {
    DWORD nameChars = kValueNameChars + 1;
    status = RegEnumValueW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // a name too long to be ours
    if (status != ERROR_SUCCESS) break;
    FaxTempFileRecord record;
    if (IsFaxTempValueName(name) && ReadRecord(key, name, &record) && lstrcmpiW(record.path, path) == 0 &&
        record.window == windowValue && record.instance == instanceValue) {
      RegCloseKey(key);
      return ERROR_SUCCESS;
    }
  }
  // The first free "OrvaInfo_<n>".
  for (unsigned n = 1;; ++n) {
    std::u16string candidate = kFaxTempValuePrefix;
    for (char c : std::to_string(n)) candidate += char16_t(c);
    std::memcpy(name, candidate.c_str(), (candidate.size() + 1) * sizeof(WCHAR));
    if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND) break;
  }
  FaxTempFileRecord record{};
  std::memcpy(record.path, path, (size_t(pathChars) + 1) * sizeof(WCHAR));
  record.window = windowValue;
  record.instance = instanceValue;
  status = RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&record), sizeof record);
  RegCloseKey(key);
  return status;
}

void CleanupFaxTempFiles() {
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_CURRENT_USER, kFaxTempKey, &key) != ERROR_SUCCESS) return;
  WCHAR name[kValueNameChars + 1];
  for (DWORD index = 0;;) {
    DWORD nameChars = kValueNameChars + 1;
    const LSTATUS status = RegEnumValueW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {
      ++index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    FaxTempFileRecord record;
    if (!IsFaxTempValueName(name) || !ReadRecord(key, name, &record)) {
      ++index;
      continue;
    }
    bool deleteFile = false;
    HANDLE file = CreateFileW(record.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      auto* window = reinterpret_cast<HWND>(static_cast<uintptr_t>(record.window));
      if (IsWindow(window) && static_cast<uint64_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) == record.instance) {
        ++index;
        continue;
      }
      deleteFile = IsOwnTempFile(record.path);
    }
    if (RegDeleteValueW(key, name) != ERROR_SUCCESS) {
      ++index;
      continue;
    }
    if (deleteFile) DeleteFileW(record.path);
    index = 0;
  }
  RegCloseKey(key);
}

LSTATUS RegisterFaxTempFile(HWND window, LPCWSTR path) {
  CleanupFaxTempFiles();
  HWND top = window;
  for (HWND parent = GetParent(top); parent != nullptr; parent = GetParent(top)) top = parent;
  auto* instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(top, GWLP_HINSTANCE));
  return StoreFaxTempRecord(path, top, instance);
}
