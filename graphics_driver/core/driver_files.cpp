// File, temp file and spooler job wrappers (see driver_files.h).
#include "graphics_driver/core/driver_files.h"

#include <cstring>

#include "platform/spooler/winspool.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_path.h"

namespace {

constexpr DWORD kPathChars = 260;

// Copies at most n - 1 characters and a terminator.
void CopyBounded(LPWSTR out, LPCWSTR text, size_t n) {
  size_t i = 0;
  for (; text && i + 1 < n && text[i]; ++i) out[i] = text[i];
  out[i] = 0;
}

bool Usable(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

}  // namespace

HANDLE OpenFileHandle(LPCWSTR path, DWORD flags) {
  if (!path) return INVALID_HANDLE_VALUE;
  DWORD access = flags == 2 ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = flags == 1 ? CREATE_ALWAYS : OPEN_EXISTING;
  return CreateFileW(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL CloseFileHandle(HANDLE file) { return file != INVALID_HANDLE_VALUE && CloseHandle(file); }

BOOL ReadFileBytes(HANDLE file, void* buffer, DWORD n, DWORD* count) {
  if (count) *count = 0;
  if (!Usable(file) || !buffer) return FALSE;
  DWORD done = 0;
  BOOL ok = ReadFile(file, buffer, n, &done, nullptr);
  if (count) *count = done;
  return ok;
}

BOOL WriteFileBytes(HANDLE file, const void* buffer, DWORD n, DWORD* count) {
  if (count) *count = 0;
  if (!Usable(file) || !buffer) return FALSE;
  DWORD done = 0;
  BOOL ok = WriteFile(file, buffer, n, &done, nullptr);
  if (count) *count = done;
  return ok;
}

LONG SeekFileFromStart(HANDLE file, LONG offset) {
  if (!Usable(file)) return -1;
  return static_cast<LONG>(SetFilePointer(file, offset, nullptr, FILE_BEGIN));
}

LONG SeekFileFromEnd(HANDLE file, LONG offset) {
  if (!Usable(file)) return -1;
  return static_cast<LONG>(SetFilePointer(file, offset, nullptr, FILE_END));
}

BOOL DeleteFileByName(LPCWSTR path) { return path && DeleteFileW(path); }

int MakeTempFileName(LPWSTR out) {
  if (!out) return 0;
  WCHAR folder[kPathChars + 1];
  for (int place = 0; place < 4; ++place) {
    folder[0] = 0;
    DWORD n = 0;
    switch (place) {
      case 0: n = GetTempPathW(kPathChars, folder); break;
      case 1: n = GetWindowsDirectoryW(folder, kPathChars); break;
      case 2: n = GetSystemDirectoryW(folder, kPathChars); break;
      default: n = GetCurrentDirectoryW(kPathChars, folder); break;
    }
    if (n == 0 || n >= kPathChars) continue;
    if (GetTempFileNameW(folder, u"KZP", 0, out) != 0) return 1;
  }
  CopyBounded(out, u"c:\\kztrd.tmp", kPathChars);
  return 1;
}

HANDLE PassPrinterHandle(HANDLE printer) { return printer; }

HANDLE OpenSpoolJob(HANDLE printer, LPCWSTR documentName) {
  if (!printer) return nullptr;
  DWORD needed = 0;
  GetPrinterW(printer, 1, nullptr, 0, &needed);
  if (needed == 0) return nullptr;
  auto* info = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
  if (!info) return nullptr;  // no job is started without the printer's name
  WCHAR name[256], document[264];
  name[0] = 0;
  if (GetPrinterW(printer, 1, info, needed, &needed))
    CopyBounded(name, reinterpret_cast<PRINTER_INFO_1W*>(info)->pName, 256);
  GlobalFree(info);
  CopyBounded(document, documentName, 264);
  HANDLE job = nullptr;
  if (name[0] == 0 || !OpenPrinterW(name, &job, nullptr) || !job) return nullptr;
  DOC_INFO_1W doc = {document, nullptr, u"RAW"};
  if (StartDocPrinterW(job, 1, reinterpret_cast<const BYTE*>(&doc)) == 0) {
    ClosePrinter(job);
    return nullptr;
  }
  if (!StartPagePrinter(job)) {
    EndDocPrinter(job);
    ClosePrinter(job);
    return nullptr;
  }
  return job;
}

BOOL CheckSpoolHandle(HANDLE printer) { return printer != nullptr; }

BOOL CloseSpoolJob(HANDLE job) {
  if (!job) return FALSE;
  BOOL page = EndPagePrinter(job);
  BOOL document = EndDocPrinter(job);
  BOOL closed = ClosePrinter(job);
  return page && document && closed;
}

BOOL WritePrinterBytes(HANDLE job, const void* buffer, DWORD n, DWORD* count) {
  if (count) *count = 0;
  if (!job || (n > 0 && !buffer)) return FALSE;
  if (n == 0) return TRUE;
  DWORD written = 0;
  if (!WritePrinter(job, buffer, n, &written)) return FALSE;
  if (count) *count = written;
  return TRUE;
}
