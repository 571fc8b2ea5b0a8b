// Operating-system tests (see os_version.h).
#include "settings/services/os_version.h"

#include "platform/win/win_seams.h"
#include "platform/win/win_version.h"

namespace {

struct CachedTest {
  bool computed = false;
  BOOL value = FALSE;
};
CachedTest gXpOrLater;
CachedTest gVistaOrLater;

// Tests start each case with nothing computed.
void ResetVersionCaches() {
  gXpOrLater = CachedTest();
  gVistaOrLater = CachedTest();
}
const pk::seams::ResetHook gResetHook(&ResetVersionCaches);

BOOL Cached(CachedTest& cache, DWORD major, DWORD minor) {
  if (!cache.computed) {
    cache.value = IsOsVersionAtLeast(major, minor);
    cache.computed = true;
  }
  return cache.value;
}

}  // namespace

int GetOsPlatformCode(DWORD* code) {
  if (code == nullptr) return -1;
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return -1;
  DWORD major = info.dwMajorVersion;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
      if (major < 4) *code = kPlatform9xOld;
      else if (major == 4 && info.dwMinorVersion == 0) *code = kPlatform9x40;
      else *code = kPlatform9xNewer;
      break;
    case VER_PLATFORM_WIN32_NT:
      *code = major < 4 ? kPlatformNtOld : major == 4 ? kPlatformNt4 : kPlatformNtNewer;
      break;
    default: *code = 0; break;
  }
  return 1;
}

int IsNewerPlatform(DWORD* code) {
  DWORD platform = 0;
  if (GetOsPlatformCode(&platform) != 1) return -1;
  switch (platform) {
    case kPlatform9xOld:
    case kPlatform9x40:
    case kPlatformNtOld:
    case kPlatformNt4: return 0;
    default:
      if (code) *code = 512;
      return 1;
  }
}

BOOL IsOsVersionAtLeast(DWORD major, DWORD minor) {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  ULONGLONG conditions = 0;
  VER_SET_CONDITION(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
  VER_SET_CONDITION(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, conditions);
}

BOOL IsWindowsXpOrLater() { return Cached(gXpOrLater, 5, 1); }

BOOL IsWindowsVistaOrLater() { return Cached(gVistaOrLater, 6, 0); }
