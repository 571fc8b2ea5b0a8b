// Read-only file mappings (see win_mapping.h). The mapping object keeps its
// own descriptor; mmap keeps the pages after both handles are closed.
#include "platform/win/win_mapping.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_file_object.h"
#include "platform/win/win_handle_table.h"

namespace {

class MappingObject : public pk::win::KernelObject {
 public:
  MappingObject(int fd, uint64_t size) : fd(fd), size(size) {}
  ~MappingObject() override {
    if (fd >= 0) close(fd);
  }
  int fd;
  uint64_t size;
};

std::mutex gViewsMutex;
std::map<const void*, size_t> gViews;  // view address -> mapped length

}  // namespace

extern "C" {

HANDLE CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                          DWORD dwMaximumSizeLow, LPCWSTR lpName) {
  if (lpName || (flProtect & 0xFF) != PAGE_READONLY) {
    SetLastError(lpName ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto file = pk::LookupFile(hFile);
  if (!file) return nullptr;
  if (!(file->access() & GENERIC_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  struct stat st;
  if (fstat(file->fd(), &st) != 0) {
    SetLastError(pk::ErrnoToError(errno));
    return nullptr;
  }
  uint64_t size = (static_cast<uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
  if (size == 0) size = static_cast<uint64_t>(st.st_size);
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  if (size > static_cast<uint64_t>(st.st_size)) {  // a read-only mapping cannot grow the file
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  int fd = fcntl(file->fd(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    SetLastError(pk::ErrnoToError(errno));
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return pk::win::RegisterHandle(std::make_shared<MappingObject>(fd, size));
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                     SIZE_T dwNumberOfBytesToMap) {
  auto map = pk::win::LookupHandle<MappingObject>(hFileMappingObject);
  if (!map) return nullptr;
  if (dwDesiredAccess & FILE_MAP_WRITE) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  uint64_t offset = (static_cast<uint64_t>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
  if (offset % 65536 != 0) {
    SetLastError(ERROR_MAPPED_ALIGNMENT);
    return nullptr;
  }
  if (offset >= map->size || dwNumberOfBytesToMap > map->size - offset) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  size_t length = dwNumberOfBytesToMap ? dwNumberOfBytesToMap : static_cast<size_t>(map->size - offset);
  void* p = mmap(nullptr, length, PROT_READ, MAP_SHARED, map->fd, static_cast<off_t>(offset));
  if (p == MAP_FAILED) {
    SetLastError(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(gViewsMutex);
  gViews[p] = length;
  return p;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
  size_t length = 0;
  {
    std::lock_guard<std::mutex> lock(gViewsMutex);
    auto it = gViews.find(lpBaseAddress);
    if (it == gViews.end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    length = it->second;
    gViews.erase(it);
  }
  munmap(const_cast<void*>(lpBaseAddress), length);
  return TRUE;
}

}  // extern "C"
