// OpenFile, the 16-bit style open by ANSI path: read, write, create, the
// existence test and delete. Its HFILE is the handle value, so the handle
// calls (ReadFile, WriteFile, CloseHandle) take it.
#include <cstring>
#include <string>

#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"

namespace {

HFILE Fail(LPOFSTRUCT of, DWORD error) {
  if (of) of->nErrCode = static_cast<WORD>(error);
  SetLastError(error);
  return HFILE_ERROR;
}

}  // namespace

extern "C" {

HFILE OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle) {
  if (lpReOpenBuff) {
    std::memset(lpReOpenBuff, 0, sizeof(OFSTRUCT));
    lpReOpenBuff->cBytes = static_cast<BYTE>(sizeof(OFSTRUCT) > 255 ? 255 : sizeof(OFSTRUCT));
    lpReOpenBuff->fFixedDisk = 1;
  }
  if (!lpFileName) return Fail(lpReOpenBuff, ERROR_INVALID_PARAMETER);
  size_t length = std::strlen(lpFileName);
  if (length >= OFS_MAXPATHNAME) return Fail(lpReOpenBuff, ERROR_FILENAME_EXCED_RANGE);
  std::u16string wide = pk::AnsiToWide(lpFileName);
  if (lpReOpenBuff) std::memcpy(lpReOpenBuff->szPathName, lpFileName, length + 1);

  if (uStyle & OF_DELETE) {
    if (!DeleteFileW(wide.c_str())) return Fail(lpReOpenBuff, GetLastError());
    return TRUE;
  }
  DWORD access = GENERIC_READ;
  if ((uStyle & 3) == OF_WRITE) access = GENERIC_WRITE;
  if ((uStyle & 3) == OF_READWRITE) access = GENERIC_READ | GENERIC_WRITE;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (uStyle & 0x70) {
    case OF_SHARE_EXCLUSIVE: share = 0; break;
    case OF_SHARE_DENY_WRITE: share = FILE_SHARE_READ; break;
    case OF_SHARE_DENY_READ: share = FILE_SHARE_WRITE; break;
    default: break;
  }
  if (uStyle & OF_EXIST) {
    access = GENERIC_READ;
    share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
  DWORD creation = (uStyle & OF_CREATE) ? CREATE_ALWAYS : OPEN_EXISTING;
  if (uStyle & OF_CREATE) access |= GENERIC_WRITE;
  HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(lpReOpenBuff, GetLastError());
  if (uStyle & OF_EXIST) {
    // Only a test: no handle stays open.
    CloseHandle(h);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<HFILE>(reinterpret_cast<INT_PTR>(h));
}

}  // extern "C"
