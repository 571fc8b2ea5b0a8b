// Mapping of Windows paths onto the machine root (see win_path.h).
#include "platform/win/win_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/win/machine_root.h"
#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_path_internal.h"
#include "platform/win/win_seams.h"

namespace {

std::mutex gCwdMutex;
std::u16string gCwd = u"C:\\";

// The current directory goes back to "C:\" between tests.
void ResetCurrentDirectory() {
  std::lock_guard<std::mutex> lock(gCwdMutex);
  gCwd = u"C:\\";
}
const pk::seams::ResetHook gHook(&ResetCurrentDirectory);

std::atomic<bool> gHostPathMode{false};
void ResetHostPathMode() { gHostPathMode = false; }
const pk::seams::ResetHook gHostPathHook(&ResetHostPathMode);

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDeviceName(std::u16string_view comp) {
  std::u16string base(comp.substr(0, comp.find(u'.')));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  base = pk::FoldName(base);
  static const char16_t* const kNames[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  for (auto n : kNames)
    if (base == n) return true;
  if (base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) && base[3] >= u'1' && base[3] <= u'9')
    return true;
  return false;
}

bool ValidComponent(std::u16string_view comp) {
  for (char16_t c : comp)
    if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*')
      return false;
  return !IsDeviceName(comp) && comp.size() <= 255;
}

// Finds the entry of `dir` named `name`: the exact spelling, else the first (in
// byte order) that matches case-insensitively. Empty when there is none.
std::string FindEntry(const std::string& dir, const std::string& name) {
  struct stat st;
  if (lstat((dir + "/" + name).c_str(), &st) == 0) return name;
  DIR* d = opendir(dir.c_str());
  if (!d) return std::string();
  std::u16string want = pk::Utf8ToUtf16(name);
  std::string best;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    if (pk::NamesEqual(pk::Utf8ToUtf16(n), want) && (best.empty() || n < best)) best = n;
  }
  closedir(d);
  return best;
}

}  // namespace

namespace pk {

std::u16string CurrentDirectory() {
  std::lock_guard<std::mutex> lock(gCwdMutex);
  return gCwd;
}

DWORD NormalizePath(std::u16string_view in, char16_t* drive, std::vector<std::u16string>* comps) {
  comps->clear();
  if (in.empty()) return ERROR_PATH_NOT_FOUND;
  if (in.size() >= 2 && IsSep(in[0]) && IsSep(in[1])) return ERROR_INVALID_NAME;  // UNC, devices
  std::u16string base;
  std::u16string_view rest = in;
  char16_t letter = 0;
  if (in.size() >= 2 && in[1] == u':') {
    char16_t c = FoldUnit(in[0]);
    if (c < u'A' || c > u'Z') return ERROR_INVALID_NAME;
    letter = c;
    rest = in.substr(2);
    if (rest.empty() || !IsSep(rest[0])) {
      // Drive-relative: the current directory when it is on that drive.
      std::u16string cwd = CurrentDirectory();
      base = (FoldUnit(cwd[0]) == letter) ? cwd : std::u16string(1, letter) + u":\\";
    }
  } else {
    std::u16string cwd = CurrentDirectory();
    letter = FoldUnit(cwd[0]);
    if (!IsSep(rest[0])) base = cwd;
  }
  auto push = [&](std::u16string_view text) -> DWORD {
    size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && IsSep(text[i])) ++i;
      size_t j = i;
      while (j < text.size() && !IsSep(text[j])) ++j;
      if (j > i) {
        std::u16string comp(text.substr(i, j - i));
        if (comp == u"..") {
          if (!comps->empty()) comps->pop_back();  // never above the drive
        } else if (comp != u".") {
          // Windows drops trailing dots and spaces of a name.
          while (!comp.empty() && (comp.back() == u'.' || comp.back() == u' ')) comp.pop_back();
          if (!comp.empty()) {
            if (!ValidComponent(comp)) return ERROR_INVALID_NAME;
            comps->push_back(comp);
          }
        }
      }
      i = j;
    }
    return 0;
  };
  if (!base.empty()) {
    DWORD e = push(std::u16string_view(base).substr(2));
    if (e) return e;
  }
  DWORD e = push(rest);
  if (e) return e;
  *drive = letter;
  return 0;
}

std::u16string JoinWindowsPath(char16_t drive, const std::vector<std::u16string>& comps) {
  std::u16string out(1, drive);
  out += u":\\";
  for (size_t i = 0; i < comps.size(); ++i) {
    if (i) out += u'\\';
    out += comps[i];
  }
  return out;
}

std::string HostPathFor(char16_t drive, const std::vector<std::u16string>& comps) {
  std::string host = PkMachineRoot() + "/" + static_cast<char>(drive - u'A' + 'a');
  bool exists = true;
  for (const auto& c : comps) {
    std::string name = Utf16ToUtf8(c);
    if (exists) {
      std::string found = FindEntry(host, name);
      if (found.empty()) exists = false;
      else name = found;
    }
    host += "/" + name;
  }
  return host;
}

}  // namespace pk

void PkSetHostPathMode(BOOL on) { gHostPathMode = on != FALSE; }
BOOL PkHostPathMode() { return gHostPathMode ? TRUE : FALSE; }

DWORD PkResolveWindowsPath(LPCWSTR path, std::u16string* windowsPath, std::string* hostPath) {
  if (!path) return ERROR_INVALID_PARAMETER;
  std::u16string_view text = pk::WideView(path);
  if (gHostPathMode && !text.empty() && !(text.size() >= 2 && text[1] == u':')) {
    // The host's own file, named as the host names it.
    if (windowsPath) *windowsPath = std::u16string(text);
    if (hostPath) *hostPath = pk::Utf16ToUtf8(text);
    return 0;
  }
  char16_t drive = 0;
  std::vector<std::u16string> comps;
  DWORD e = pk::NormalizePath(pk::WideView(path), &drive, &comps);
  if (e) return e;
  if (windowsPath) *windowsPath = pk::JoinWindowsPath(drive, comps);
  if (hostPath) *hostPath = pk::HostPathFor(drive, comps);
  return 0;
}

bool PkWindowsPathFromHost(const std::string& hostPath, std::u16string* windowsPath) {
  std::string root = PkMachineRoot() + "/";
  if (hostPath.size() < root.size() + 1 || hostPath.compare(0, root.size(), root) != 0) return false;
  char d = hostPath[root.size()];
  if (d < 'a' || d > 'z') return false;
  if (hostPath.size() > root.size() + 1 && hostPath[root.size() + 1] != '/') return false;
  std::u16string out(1, static_cast<char16_t>(d - 'a' + 'A'));
  out += u":\\";
  std::u16string rest = pk::Utf8ToUtf16(hostPath.substr(std::min(hostPath.size(), root.size() + 2)));
  for (auto& c : rest)
    if (c == u'/') c = u'\\';
  while (!rest.empty() && rest.back() == u'\\') rest.pop_back();
  out += rest;
  if (windowsPath) *windowsPath = out;
  return true;
}

namespace {
DWORD CopyOut(const std::u16string& text, DWORD capacity, LPWSTR buffer) {
  if (!buffer || capacity <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}
}  // namespace

extern "C" {

DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
  return CopyOut(pk::CurrentDirectory(), nBufferLength, lpBuffer);
}

BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) {
  std::u16string win;
  std::string host;
  DWORD e = PkResolveWindowsPath(lpPathName, &win, &host);
  struct stat st;
  if (!e && (stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) e = ERROR_PATH_NOT_FOUND;
  if (e) {
    SetLastError(e);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(gCwdMutex);
  gCwd = win;
  return TRUE;
}

}  // extern "C"
