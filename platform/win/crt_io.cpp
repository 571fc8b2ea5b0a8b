// Low-level file functions of the C run-time over POSIX descriptors. Opens obey
// the share modes of open handles like CreateFileW (sharing read and write).
// Every call retries on EINTR, keeps offsets in off_t and refuses positions that
// do not fit the 32-bit results, so that no caller ever sees a wrapped offset.
#include "platform/win/crt_io.h"

#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_file_object.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include <cctype>
#include <mutex>
#include <unordered_map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The narrow record's time fields share their names with glibc's macros.
#undef st_atime
#undef st_mtime
#undef st_ctime

namespace {

std::atomic<long long> g_read_budget{-1};
std::atomic<long long> g_write_budget{-1};

// Takes up to `want` bytes from a fault budget: the count allowed (0 when the
// budget is spent), or `want` when no fault is set.
unsigned int take_budget(std::atomic<long long>& budget, unsigned int want) {
  long long left = budget.load();
  while (left >= 0) {
    long long take = left < static_cast<long long>(want) ? left : want;
    if (budget.compare_exchange_weak(left, left - take)) return static_cast<unsigned int>(take);
  }
  return want;
}

// A path with a drive letter or a backslash is a Windows path and names a file
// below the machine root; any other path is the host's own (the raster tools
// are handed host paths on Linux). In host-path mode only the drive letter
// makes a Windows path.
bool resolve_path(const char* path, std::string* host) {
  std::string p(path);
  bool drive = p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
  if (!drive && (p.find('\\') == std::string::npos || PkHostPathMode())) {
    *host = p;
    return true;
  }
  std::u16string wide = pk::AnsiToWide(path);
  if (PkResolveWindowsPath(wide.c_str(), nullptr, host) != 0) {
    errno = ENOENT;
    return false;
  }
  return true;
}

int error_to_errno(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_SHARING_VIOLATION:
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EINVAL;
  }
}

// The descriptor is opened for reading and writing whatever the caller asked
// (the share locks need it), so the access the caller asked for is kept here
// and checked by _read and _write.
std::mutex g_access_lock;
std::unordered_map<int, int> g_access;  // descriptor -> _O_RDONLY / _O_WRONLY / _O_RDWR

bool access_allows(int fd, int want) {
  std::lock_guard<std::mutex> lock(g_access_lock);
  auto it = g_access.find(fd);
  if (it == g_access.end()) return true;  // not opened here: the descriptor decides
  return it->second == _O_RDWR || it->second == want;
}

off_t seek_checked(int fd, off_t offset, int origin, off_t limit) {
  off_t old = ::lseek(fd, 0, SEEK_CUR);
  if (old < 0) return -1;
  off_t pos = ::lseek(fd, offset, origin);
  if (pos < 0) return -1;
  if (pos > limit) {
    ::lseek(fd, old, SEEK_SET);
    errno = EOVERFLOW;
    return -1;
  }
  return pos;
}

}  // namespace

extern "C" {

int _open(const char* filename, int oflag, ...) {
  if (!filename) {
    errno = EINVAL;
    return -1;
  }
  std::string host;
  if (!resolve_path(filename, &host)) return -1;
  int rw = oflag & (_O_WRONLY | _O_RDWR);
  DWORD access = rw == _O_WRONLY ? GENERIC_WRITE : rw == _O_RDWR ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  DWORD creation = OPEN_EXISTING;
  if (oflag & _O_CREAT) {
    creation = (oflag & _O_EXCL) ? CREATE_NEW : (oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
  } else if (oflag & _O_TRUNC) {
    creation = TRUNCATE_EXISTING;
  }
  DWORD error = 0;
  int fd = pk::OpenHostFile(host, access, FILE_SHARE_READ | FILE_SHARE_WRITE, creation, &error, nullptr);
  if (fd < 0) {
    errno = error_to_errno(error);
    return -1;
  }
  if ((oflag & _O_TRUNC) && ::ftruncate(fd, 0) != 0) {
    int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  if (oflag & _O_APPEND) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_APPEND);
  std::lock_guard<std::mutex> lock(g_access_lock);
  g_access[fd] = rw == (_O_WRONLY | _O_RDWR) ? _O_RDWR : rw;
  return fd;
}

int _read(int fd, void* buffer, unsigned int count) {
  if (!access_allows(fd, _O_RDONLY)) {
    errno = EBADF;
    return -1;
  }
  if (count > INT_MAX) count = INT_MAX;
  unsigned int allowed = take_budget(g_read_budget, count);
  if (allowed == 0 && count > 0) {
    errno = EIO;
    return -1;
  }
  ssize_t n;
  do {
    n = ::read(fd, buffer, allowed);
  } while (n < 0 && errno == EINTR);
  return static_cast<int>(n);
}

int _write(int fd, const void* buffer, unsigned int count) {
  if (!access_allows(fd, _O_WRONLY)) {
    errno = EBADF;
    return -1;
  }
  if (count > INT_MAX) count = INT_MAX;
  unsigned int allowed = take_budget(g_write_budget, count);
  if (allowed == 0 && count > 0) {
    errno = ENOSPC;
    return -1;
  }
  ssize_t n;
  do {
    n = ::write(fd, buffer, allowed);
  } while (n < 0 && errno == EINTR);
  return static_cast<int>(n);
}

LONG _lseek(int fd, LONG offset, int origin) { return static_cast<LONG>(seek_checked(fd, offset, origin, INT32_MAX)); }

LONGLONG _lseeki64(int fd, LONGLONG offset, int origin) {
  return seek_checked(fd, static_cast<off_t>(offset), origin, LLONG_MAX);
}

LONG _tell(int fd) { return _lseek(fd, 0, SEEK_CUR); }

LONGLONG _telli64(int fd) { return _lseeki64(fd, 0, SEEK_CUR); }

int _close(int fd) {
  {
    std::lock_guard<std::mutex> lock(g_access_lock);
    g_access.erase(fd);
  }
  // A close interrupted by a signal has still released the descriptor on Linux.
  int r = ::close(fd);
  return (r < 0 && errno != EINTR) ? -1 : 0;
}

int _stat(const char* path, struct _stat* buffer) {
  if (!path || !buffer) {
    errno = EINVAL;
    return -1;
  }
  struct stat st;
  std::string p;
  if (!resolve_path(path, &p)) return -1;
  if (::stat(p.c_str(), &st) != 0) return -1;
  if (st.st_size > INT32_MAX) {
    errno = EOVERFLOW;
    return -1;
  }
  std::memset(buffer, 0, sizeof(*buffer));
  buffer->st_dev = static_cast<DWORD>(st.st_dev);
  buffer->st_ino = static_cast<WORD>(st.st_ino);
  WORD mode = S_ISDIR(st.st_mode) ? _S_IFDIR : (S_ISREG(st.st_mode) ? _S_IFREG : 0);
  if (st.st_mode & S_IRUSR) mode |= _S_IREAD;
  if (st.st_mode & S_IWUSR) mode |= _S_IWRITE;
  buffer->st_mode = mode;
  buffer->st_nlink = static_cast<SHORT>(st.st_nlink);
  buffer->st_size = static_cast<LONG>(st.st_size);
  buffer->st_atime = st.st_atim.tv_sec;
  buffer->st_mtime = st.st_mtim.tv_sec;
  buffer->st_ctime = st.st_ctim.tv_sec;
  return 0;
}

}  // extern "C"

namespace pk::seams {

void FailCrtReadAfter(LONGLONG bytes) { g_read_budget.store(bytes < 0 ? -1 : bytes); }
void FailCrtWriteAfter(LONGLONG bytes) { g_write_budget.store(bytes < 0 ? -1 : bytes); }

namespace {
void ResetCrtFaults() {
  FailCrtReadAfter(-1);
  FailCrtWriteAfter(-1);
}
const ResetHook g_reset_hook(&ResetCrtFaults);
}  // namespace

}  // namespace pk::seams
