// C run-time low-level files on Windows paths (see win_crt_file.h).
#include "platform/win/win_crt_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "platform/win/name_text.h"
#include "platform/win/win_file.h"
#include "platform/win/win_file_object.h"
#include "platform/win/win_path.h"

namespace {

bool HostPath(const char* path, std::string* host) {
  if (!path) {
    errno = EINVAL;
    return false;
  }
  std::u16string wide = pk::AnsiToWide(path);
  if (PkResolveWindowsPath(wide.c_str(), nullptr, host) != 0) {
    errno = ENOENT;
    return false;
  }
  return true;
}

int ErrorToErrno(DWORD e) {
  switch (e) {
    case 2:
    case 3: return ENOENT;
    case 80: return EEXIST;
    case 32:
    case 5: return EACCES;
    case 4: return EMFILE;
    default: return EINVAL;
  }
}

}  // namespace

extern "C" {

int _open(const char* filename, int oflag, ...) {
  std::string host;
  if (!HostPath(filename, &host)) return -1;
  DWORD access = (oflag & 3) == _O_WRONLY ? GENERIC_WRITE
                 : (oflag & 3) == _O_RDWR ? GENERIC_READ | GENERIC_WRITE
                                          : GENERIC_READ;
  DWORD creation = OPEN_EXISTING;
  if (oflag & _O_CREAT) {
    creation = (oflag & _O_EXCL) ? CREATE_NEW : (oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
  } else if (oflag & _O_TRUNC) {
    creation = TRUNCATE_EXISTING;
  }
  DWORD e = 0;
  int fd = pk::OpenHostFile(host, access, FILE_SHARE_READ | FILE_SHARE_WRITE, creation, &e, nullptr);
  if (fd < 0) {
    errno = ErrorToErrno(e);
    return -1;
  }
  if (oflag & _O_APPEND) {
    int fl = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, fl | O_APPEND);
  }
  return fd;
}

int _read(int fd, void* buffer, UINT count) {
  ssize_t n;
  do n = ::read(fd, buffer, count);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int _write(int fd, const void* buffer, UINT count) {
  ssize_t n;
  do n = ::write(fd, buffer, count);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

LONG _lseek(int fd, LONG offset, int origin) {
  off_t r = ::lseek(fd, offset, origin);
  if (r > 0x7FFFFFFF) {
    errno = EINVAL;
    return -1;
  }
  return static_cast<LONG>(r);
}

LONG _tell(int fd) { return _lseek(fd, 0, SEEK_CUR); }

int _close(int fd) { return ::close(fd); }

int _stat(const char* path, struct _stat* buffer) {
  std::string host;
  if (!HostPath(path, &host)) return -1;
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return -1;
  if (buffer) {
    std::memset(buffer, 0, sizeof *buffer);
    buffer->st_mode = static_cast<USHORT>((S_ISDIR(st.st_mode) ? _S_IFDIR : _S_IFREG) | _S_IREAD |
                                          ((st.st_mode & S_IWUSR) ? _S_IWRITE : 0));
    buffer->st_nlink = static_cast<SHORT>(st.st_nlink);
    buffer->st_size = st.st_size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(st.st_size);
  }
  return 0;
}

}  // extern "C"
