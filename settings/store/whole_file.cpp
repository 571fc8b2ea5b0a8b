// Reading and mapping whole files.
#include "settings/store/whole_file.h"

#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_mapping.h"
#include "platform/win/win_memory.h"

namespace {

// Opens the file for reading with read sharing and takes its size; a file of
// 4 GiB or more is not read. Null on failure.
HANDLE OpenForReading(LPCWSTR path, DWORD* size) {
  HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  DWORD high = 0;
  *size = GetFileSize(file, &high);
  if (*size == INVALID_FILE_SIZE || high != 0) {
    CloseHandle(file);
    return nullptr;
  }
  return file;
}

}  // namespace

int ReadWholeFile(LPCWSTR path, void** data, DWORD* bytesRead) {
  if (path == nullptr || data == nullptr || bytesRead == nullptr) return 0;
  *data = nullptr;
  *bytesRead = 0;
  DWORD size = 0;
  HANDLE file = OpenForReading(path, &size);
  if (file == nullptr) return 0;
  int result = 0;
  void* block = GlobalAlloc(GPTR, size != 0 ? size : 1);
  DWORD read = 0;
  if (block != nullptr && ReadFile(file, block, size, &read, nullptr) && read == size) {
    *data = block;
    *bytesRead = read;
    result = 1;
  } else {
    GlobalFree(block);
  }
  CloseHandle(file);
  return result;
}

int MapFileReadOnly(LPCWSTR path, void** holder, const void** view, DWORD* size) {
  if (path == nullptr || view == nullptr || size == nullptr) return 0;
  DWORD length = 0;
  HANDLE file = OpenForReading(path, &length);
  if (file == nullptr) return 0;
  int result = 0;
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping != nullptr) {
    void* mapped = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (mapped != nullptr) {
      *view = mapped;
      *size = length;
      if (holder != nullptr) *holder = mapped;
      result = 1;
    }
    CloseHandle(mapping);
  }
  CloseHandle(file);
  return result;
}
