// The temp, Windows and system folders and temp file names (see win_file.h).
// The temp folder is a seam: a test or the host may stand in any folder of the
// root ("d:\temp\"); by default it is a per-user folder on drive C.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/win/machine_root.h"
#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_file_object.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"

namespace {

const char16_t kWindowsFolder[] = u"C:\\Windows";
const char16_t kSystemFolder[] = u"C:\\Windows\\System32";

std::mutex gMutex;
std::u16string gTempOverride;  // empty: the default

void ResetTempPath() {
  std::lock_guard<std::mutex> lock(gMutex);
  gTempOverride.clear();
}
const pk::seams::ResetHook gHook(&ResetTempPath);

void CreateSystemFolders(const std::string& root) {
  std::error_code ec;
  std::filesystem::create_directories(root + "/c/Windows/System32", ec);
}

struct Registration {
  Registration() { PkAddRootSetupStep("folders", CreateSystemFolders); }
} gRegistration;

UINT CopyFolder(const std::u16string& text, UINT size, LPWSTR buffer) {
  if (!buffer || size <= text.size()) return static_cast<UINT>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return static_cast<UINT>(text.size());
}

// The temp folder's full Windows path ending in a backslash, created when missing.
std::u16string TempFolder() {
  std::u16string folder;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    folder = gTempOverride;
  }
  if (folder.empty()) folder = u"C:\\Users\\" + pk::CurrentUserName() + u"\\AppData\\Local\\Temp";
  std::u16string win;
  std::string host;
  if (PkResolveWindowsPath(folder.c_str(), &win, &host) != 0) return std::u16string();
  std::error_code ec;
  std::filesystem::create_directories(host, ec);
  if (win.back() != u'\\') win += u'\\';
  return win;
}

std::atomic<unsigned> gNextUnique{0};

}  // namespace

namespace pk::seams {
void SetTempPath(const WCHAR* folder) {
  std::lock_guard<std::mutex> lock(gMutex);
  gTempOverride = folder ? std::u16string(pk::WideView(folder)) : std::u16string();
}
}  // namespace pk::seams

extern "C" {

DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  std::u16string folder = TempFolder();
  if (folder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  return CopyFolder(folder, nBufferLength, lpBuffer);
}

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  std::u16string folder = TempFolder();
  if (folder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  std::string text = pk::WideToAnsi(folder);
  if (!lpBuffer || nBufferLength <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::copy(text.begin(), text.end(), lpBuffer);
  lpBuffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) { return CopyFolder(kWindowsFolder, uSize, lpBuffer); }

UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) { return CopyFolder(kSystemFolder, uSize, lpBuffer); }

UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
  if (!lpPathName || !lpTempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string folder(pk::WideView(lpPathName));
  std::string hostFolder;
  DWORD e = PkResolveWindowsPath(lpPathName, nullptr, &hostFolder);
  struct stat st;
  if (e || stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(e ? e : ERROR_DIRECTORY);
    return 0;
  }
  if (folder.empty() || (folder.back() != u'\\' && folder.back() != u'/')) folder += u'\\';
  std::u16string prefix(pk::WideView(lpPrefixString).substr(0, 3));
  auto nameFor = [&](unsigned n) {
    char hex[8];
    snprintf(hex, sizeof hex, "%X", n & 0xFFFF);
    return folder + prefix + pk::Utf8ToUtf16(hex) + u".tmp";
  };
  auto store = [&](const std::u16string& name) {
    if (name.size() >= MAX_PATH) return false;
    std::copy(name.begin(), name.end(), lpTempFileName);
    lpTempFileName[name.size()] = 0;
    return true;
  };
  if (uUnique) {
    if (!store(nameFor(uUnique))) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    return uUnique & 0xFFFF;
  }
  if (gNextUnique == 0) gNextUnique = static_cast<unsigned>(getpid() * 7919u + time(nullptr));
  for (unsigned tries = 0; tries < 0xFFFF; ++tries) {
    unsigned n = gNextUnique++ & 0xFFFF;
    if (n == 0) continue;
    std::u16string name = nameFor(n);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    std::string host;
    if ((e = PkResolveWindowsPath(name.c_str(), nullptr, &host)) != 0) break;
    int fd = pk::OpenHostFile(host, GENERIC_WRITE, 0, CREATE_NEW, &e, nullptr);
    if (fd >= 0) {
      close(fd);
      store(name);
      return n;
    }
    if (e != ERROR_FILE_EXISTS && e != ERROR_ACCESS_DENIED) break;
  }
  SetLastError(e ? e : ERROR_FILE_EXISTS);
  return 0;
}

}  // extern "C"
