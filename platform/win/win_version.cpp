// The reported OS version (10.0 on the NT platform unless the version seam
// sets another) and the checks against it.
#include "platform/win/win_version.h"

#include <cstring>
#include <mutex>

#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

struct Version {
  DWORD major = 10;
  DWORD minor = 0;
  DWORD build = 19045;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
};

std::mutex g_mutex;
Version g_version;

void ResetVersion() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_version = Version();
}
const pk::seams::ResetHook g_resetHook(&ResetVersion);

Version Current() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_version;
}

// The condition recorded for one type bit (three bits per type, in bit order).
BYTE ConditionOf(ULONGLONG mask, DWORD typeBit) {
  unsigned index = 0;
  while (!(typeBit & 1)) {
    typeBit >>= 1;
    ++index;
  }
  return static_cast<BYTE>((mask >> (index * 3)) & 7);
}

bool Meets(DWORD current, DWORD wanted, BYTE condition) {
  switch (condition) {
    case VER_EQUAL: return current == wanted;
    case VER_GREATER: return current > wanted;
    case VER_GREATER_EQUAL: return current >= wanted;
    case VER_LESS: return current < wanted;
    case VER_LESS_EQUAL: return current <= wanted;
    case VER_AND: return (current & wanted) == wanted;
    case VER_OR: return (current & wanted) != 0;
    default: return false;
  }
}

}  // namespace

extern "C" {

BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) {
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = lpVersionInformation->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Version v = Current();
  memset(lpVersionInformation, 0, size);
  lpVersionInformation->dwOSVersionInfoSize = size;
  lpVersionInformation->dwMajorVersion = v.major;
  lpVersionInformation->dwMinorVersion = v.minor;
  lpVersionInformation->dwBuildNumber = v.build;
  lpVersionInformation->dwPlatformId = v.platformId;
  if (size == sizeof(OSVERSIONINFOEXW))
    reinterpret_cast<OSVERSIONINFOEXW*>(lpVersionInformation)->wProductType = 1;  // workstation
  return TRUE;
}

ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition) {
  for (unsigned index = 0; index < 8; ++index) {
    if (typeMask & (1u << index)) {
      conditionMask &= ~(ULONGLONG(7) << (index * 3));
      conditionMask |= ULONGLONG(condition & 7) << (index * 3);
    }
  }
  return conditionMask;
}

BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW lpVersionInformation, DWORD dwTypeMask, ULONGLONG dwlConditionMask) {
  if (!lpVersionInformation || dwTypeMask == 0 || dwlConditionMask == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const Version v = Current();
  const OSVERSIONINFOEXW& want = *lpVersionInformation;
  bool met = true;

  // Major, minor and service-pack numbers form one version: the first of
  // them that differs decides, under its own condition.
  struct Level {
    DWORD bit, current, wanted;
  };
  const Level levels[] = {
      {VER_MAJORVERSION, v.major, want.dwMajorVersion},
      {VER_MINORVERSION, v.minor, want.dwMinorVersion},
      {VER_SERVICEPACKMAJOR, 0, want.wServicePackMajor},
      {VER_SERVICEPACKMINOR, 0, want.wServicePackMinor},
  };
  const Level* last = nullptr;
  for (const Level& l : levels)
    if (dwTypeMask & l.bit) last = &l;
  for (const Level& l : levels) {
    if (!(dwTypeMask & l.bit)) continue;
    BYTE condition = ConditionOf(dwlConditionMask, l.bit);
    if (l.current != l.wanted || &l == last) {
      met = Meets(l.current, l.wanted, condition);
      break;
    }
  }

  if (met && (dwTypeMask & VER_BUILDNUMBER))
    met = Meets(v.build, want.dwBuildNumber, ConditionOf(dwlConditionMask, VER_BUILDNUMBER));
  if (met && (dwTypeMask & VER_PLATFORMID))
    met = Meets(v.platformId, want.dwPlatformId, ConditionOf(dwlConditionMask, VER_PLATFORMID));
  if (met && (dwTypeMask & VER_SUITENAME))
    met = Meets(0, want.wSuiteMask, ConditionOf(dwlConditionMask, VER_SUITENAME));
  if (met && (dwTypeMask & VER_PRODUCT_TYPE))
    met = Meets(1, want.wProductType, ConditionOf(dwlConditionMask, VER_PRODUCT_TYPE));

  if (!met) {
    SetLastError(ERROR_OLD_WIN_VERSION);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"

namespace pk::seams {

void SetOsVersion(DWORD major, DWORD minor, DWORD platformId) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_version.major = major;
  g_version.minor = minor;
  g_version.platformId = platformId;
}

}  // namespace pk::seams
