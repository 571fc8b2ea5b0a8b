// File handles over host descriptors (see win_file.h): creation modes, share
// modes, reads and writes with the write-fault seam, file pointer and size,
// delete, copy and folders.
#include "platform/win/win_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/win/file_share_lock.h"
#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file_object.h"
#include "platform/win/win_path.h"
#include "platform/win/win_write_fault.h"

namespace pk {

FileObject::~FileObject() {
  if (fd_ >= 0) ::close(fd_);
}

BOOL FileObject::OnClose() {
  if (fd_ >= 0) ::close(fd_);  // releases the share locks with the description
  fd_ = -1;
  return TRUE;
}

DWORD NormalizeAccess(DWORD access) {
  DWORD out = 0;
  if (access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) out |= GENERIC_READ;
  if (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) out |= GENERIC_WRITE;
  return out;
}

DWORD ErrnoToError(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD MissingPathError(const std::string& host) {
  size_t slash = host.rfind('/');
  struct stat st;
  if (slash != std::string::npos && stat(host.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

int OpenHostFile(const std::string& host, DWORD access, DWORD share, DWORD creation, DWORD* error, bool* existed) {
  struct stat st;
  bool exists = stat(host.c_str(), &st) == 0;
  if (existed) *existed = exists;
  if (exists && S_ISDIR(st.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
    return -1;
  }
  int flags = O_CLOEXEC;
  switch (creation) {
    case CREATE_NEW:
      if (exists) {
        *error = ERROR_FILE_EXISTS;
        return -1;
      }
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case OPEN_EXISTING: break;
    case TRUNCATE_EXISTING:
      if (!(access & GENERIC_WRITE)) {
        *error = ERROR_INVALID_PARAMETER;
        return -1;
      }
      break;
    default: *error = ERROR_INVALID_PARAMETER; return -1;
  }
  if (!exists && (creation == OPEN_EXISTING || creation == TRUNCATE_EXISTING)) {
    *error = MissingPathError(host);
    return -1;
  }
  // Read and write on the descriptor whatever the access: the share locks
  // need it, and the handle checks its access itself.
  int fd = ::open(host.c_str(), flags | O_RDWR, 0644);
  bool readOnlyWillDo = !(access & GENERIC_WRITE);
  if (fd < 0 && readOnlyWillDo && (errno == EACCES || errno == ETXTBSY || errno == EROFS))
    fd = ::open(host.c_str(), flags | O_RDONLY, 0644);
  if (fd < 0) {
    *error = errno == ENOENT ? MissingPathError(host) : ErrnoToError(errno);
    return -1;
  }
  DWORD e = AcquireShareLocks(fd, access, share);
  if (e) {
    ::close(fd);
    *error = e;
    return -1;
  }
  // Truncation comes after the share check, so a held file is never cut.
  if (exists && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING) && ftruncate(fd, 0) != 0) {
    *error = ErrnoToError(errno);
    ::close(fd);
    return -1;
  }
  *error = 0;
  return fd;
}

std::shared_ptr<FileObject> LookupFile(HANDLE handle) {
  auto f = win::LookupHandle<FileObject>(handle);
  if (f && f->fd() < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return f;
}

}  // namespace pk

namespace {

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

}  // namespace

extern "C" {

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD, HANDLE) {
  std::u16string win;
  std::string host;
  DWORD e = PkResolveWindowsPath(lpFileName, &win, &host);
  if (e) {
    SetLastError(e);
    return INVALID_HANDLE_VALUE;
  }
  DWORD access = pk::NormalizeAccess(dwDesiredAccess);
  bool existed = false;
  int fd = pk::OpenHostFile(host, access, dwShareMode, dwCreationDisposition, &e, &existed);
  if (fd < 0) {
    SetLastError(e);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = pk::win::RegisterHandle(std::make_shared<pk::FileObject>(fd, access, win));
  bool reportExisting = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  auto f = pk::LookupFile(hFile);
  if (!f) return FALSE;
  if (!(f->access() & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
  if (!lpBuffer && nNumberOfBytesToRead) return Fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  auto* p = static_cast<unsigned char*>(lpBuffer);
  while (done < nNumberOfBytesToRead) {
    ssize_t n = ::read(f->fd(), p + done, nNumberOfBytesToRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
      return Fail(pk::ErrnoToError(errno));
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  auto f = pk::LookupFile(hFile);
  if (!f) return FALSE;
  if (!(f->access() & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  if (!lpBuffer && nNumberOfBytesToWrite) return Fail(ERROR_INVALID_PARAMETER);
  bool fault = false;
  DWORD allowed = pk::WriteFaultAllowance(f->path(), nNumberOfBytesToWrite, &fault);
  DWORD done = 0;
  auto* p = static_cast<const unsigned char*>(lpBuffer);
  while (done < allowed) {
    ssize_t n = ::write(f->fd(), p + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
      return Fail(pk::ErrnoToError(errno));
    }
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
  if (fault) return Fail(ERROR_DISK_FULL);
  return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  auto f = pk::LookupFile(hFile);
  struct stat st;
  if (!f) return INVALID_FILE_SIZE;
  if (fstat(f->fd(), &st) != 0) {
    SetLastError(pk::ErrnoToError(errno));
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  auto f = pk::LookupFile(hFile);
  if (!f) return INVALID_SET_FILE_POINTER;
  int64_t distance =
      lpDistanceToMoveHigh
          ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                 static_cast<uint32_t>(lDistanceToMove))
          : static_cast<int64_t>(lDistanceToMove);
  int64_t base;
  if (dwMoveMethod == FILE_BEGIN) {
    base = 0;
  } else if (dwMoveMethod == FILE_CURRENT) {
    base = lseek(f->fd(), 0, SEEK_CUR);
  } else if (dwMoveMethod == FILE_END) {
    struct stat st;
    base = fstat(f->fd(), &st) == 0 ? st.st_size : -1;
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t target = base < 0 ? -1 : base + distance;
  if (base < 0 || target < 0 || (!lpDistanceToMoveHigh && target > 0xFFFFFFFELL)) {
    SetLastError(base < 0 ? ERROR_GEN_FAILURE : target < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(f->fd(), target, SEEK_SET) < 0) {
    SetLastError(pk::ErrnoToError(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(target);
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
  std::string host;
  DWORD e = PkResolveWindowsPath(lpFileName, nullptr, &host);
  if (e) return Fail(e);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Fail(pk::MissingPathError(host));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  // A handle without FILE_SHARE_DELETE keeps the file, in this process or any
  // other: unlinking it would take a running job's file away.
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0) {
    bool denied = pk::DeleteDenied(fd);
    ::close(fd);
    if (denied) return Fail(ERROR_SHARING_VIOLATION);
  }
  if (unlink(host.c_str()) != 0) return Fail(pk::ErrnoToError(errno));
  return TRUE;
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  std::string src, dst;
  DWORD e = PkResolveWindowsPath(lpExistingFileName, nullptr, &src);
  if (!e) e = PkResolveWindowsPath(lpNewFileName, nullptr, &dst);
  if (e) return Fail(e);
  int in = pk::OpenHostFile(src, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &e, nullptr);
  if (in < 0) return Fail(e);
  int out = pk::OpenHostFile(dst, GENERIC_WRITE, 0, bFailIfExists ? CREATE_NEW : CREATE_ALWAYS, &e, nullptr);
  if (out < 0) {
    ::close(in);
    return Fail(e);
  }
  std::vector<char> buf(1 << 16);
  e = 0;
  for (;;) {
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) e = pk::ErrnoToError(errno);
      break;
    }
    for (ssize_t off = 0; off < n && !e;) {
      ssize_t w = ::write(out, buf.data() + off, n - off);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) e = pk::ErrnoToError(errno);
      else off += w;
    }
    if (e) break;
  }
  ::close(in);
  ::close(out);
  if (e) return Fail(e);
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  std::string host;
  DWORD e = PkResolveWindowsPath(lpPathName, nullptr, &host);
  if (e) return Fail(e);
  if (mkdir(host.c_str(), 0755) != 0) {
    if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
    return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : pk::ErrnoToError(errno));
  }
  return TRUE;
}

}  // extern "C"
