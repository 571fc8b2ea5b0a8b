// The fax temp files an application's document sheet writes its settings
// blob to: each is recorded in the current user's registry with the window
// that owns it, so that a later clean-up can delete the files whose window
// is gone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_registry.h"
#include "platform/win/win_types.h"

constexpr WCHAR kFaxTempKey[] = u"Software\\Caldrix\\KZ TRD Printer Driver\\Orvanta\\TempFile";
constexpr WCHAR kFaxTempValuePrefix[] = u"OrvaInfo_";
constexpr DWORD kFaxTempPathChars = 264;

// One record, REG_BINARY: the path (terminated, the rest zero), the owner
// window and its module instance.
#pragma pack(push, 1)
struct FaxTempFileRecord {
  WCHAR path[kFaxTempPathChars];
  uint64_t window;
  uint64_t instance;
};
#pragma pack(pop)
static_assert(sizeof(FaxTempFileRecord) == 544);
static_assert(offsetof(FaxTempFileRecord, window) == 528 && offsetof(FaxTempFileRecord, instance) == 536);

// True when the name begins with "OrvaInfo_".
bool IsFaxTempValueName(LPCWSTR name);
// Records the path for the window unless the same record exists: 0, or the
// registry's error (ERROR_FILENAME_EXCED_RANGE for a path that does not fit).
LSTATUS StoreFaxTempRecord(LPCWSTR path, HWND window, HINSTANCE instance);
// Removes the records whose file is gone or whose window is gone (or belongs
// to another module instance), deleting the file of the latter when it is one
// of the sheets' own temp files ("KZF*.tmp" in the folders they use).
void CleanupFaxTempFiles();
// Cleans up, then records the path for the window's top-level window. The
// result of StoreFaxTempRecord.
LSTATUS RegisterFaxTempFile(HWND window, LPCWSTR path);
