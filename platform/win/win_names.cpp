// User and computer names from the Linux login and host names, unless a test
// has set a name or a failure through the seams.
#include "platform/win/win_names.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

struct NameSeam {
  bool set = false;
  std::u16string name;
  DWORD failure = 0;
};

std::mutex g_mutex;
NameSeam g_user, g_computer;

void ResetNames() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_user = NameSeam();
  g_computer = NameSeam();
}
const pk::seams::ResetHook g_resetHook(&ResetNames);

std::u16string FromUtf8(const std::string& s) {
  if (s.empty()) return std::u16string();
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string LoginName() {
  passwd pw;
  passwd* found = nullptr;
  char buf[4096];
  if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name[0]) return found->pw_name;
  const char* env = getenv("USER");
  if (env && env[0]) return env;
  return std::to_string(geteuid());  // a user without a name still has its number
}

std::string HostName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return "";
  std::string name(buf);
  return name.substr(0, name.find('.'));
}

// Resolves the name from its seam or the default; false with the error set.
bool Resolve(const NameSeam& seam, std::string (*fallback)(), std::u16string& name) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (seam.failure) {
      SetLastError(seam.failure);
      return false;
    }
    if (seam.set) {
      name = seam.name;
      return true;
    }
  }
  name = FromUtf8(fallback());
  if (name.empty()) {
    SetLastError(ERROR_GEN_FAILURE);
    return false;
  }
  return true;
}

// Copies the name when it fits with its terminator; else reports the size needed.
BOOL Deliver(const std::u16string& name, LPWSTR buffer, LPDWORD size, bool countTerminator) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(buffer, name.c_str(), needed * sizeof(WCHAR));
  *size = countTerminator ? needed : needed - 1;
  return TRUE;
}

void SetSeam(NameSeam& seam, const WCHAR* name) {
  std::lock_guard<std::mutex> lock(g_mutex);
  seam = NameSeam();
  if (name) {
    seam.set = true;
    seam.name = name;
  }
}

void FailSeam(NameSeam& seam, DWORD error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  seam.failure = error;
}

}  // namespace

extern "C" {

BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) {
  std::u16string name;
  if (!Resolve(g_user, &LoginName, name)) return FALSE;
  return Deliver(name, lpBuffer, pcbBuffer, true);
}

BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
  std::u16string name;
  if (!Resolve(g_computer, &HostName, name)) return FALSE;
  return Deliver(name, lpBuffer, nSize, false);
}

}  // extern "C"

namespace pk::seams {

void SetUserName(const WCHAR* name) { SetSeam(g_user, name); }
void FailUserName(DWORD error) { FailSeam(g_user, error); }
void SetComputerName(const WCHAR* name) { SetSeam(g_computer, name); }
void FailComputerName(DWORD error) { FailSeam(g_computer, error); }

}  // namespace pk::seams
