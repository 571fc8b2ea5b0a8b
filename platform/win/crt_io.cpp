// Low-level file functions of the C run-time over POSIX descriptors. Every call
// retries on EINTR, keeps offsets in off_t and refuses positions that do not fit
// the 32-bit results, so that no caller ever sees a wrapped offset.
#include "platform/win/crt_io.h"

#include "platform/win/win_seams.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include <cctype>
#include <strings.h>
#include <dirent.h>
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

// Finds an existing entry of `dir` whose name matches `name` ignoring ASCII
// case; the name itself when none does.
std::string match_entry(const std::string& dir, const std::string& name) {
  struct stat st;
  std::string exact = dir.empty() ? name : dir + "/" + name;
  if (name.empty() || name == "." || name == ".." || ::lstat(exact.c_str(), &st) == 0) return name;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (struct dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

// Windows paths ("C:\dir\file", "dir\file") name files below the machine root
// (drive C: is <root>/c), separated by either slash, existing names found
// ignoring case. POSIX paths are used as they are.
std::string map_path(const char* path) {
  std::string p(path);
  bool drive = p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
  if (!drive && p.find('\\') == std::string::npos) return p;
  std::string out;
  bool rooted = !drive && (p[0] == '\\' || p[0] == '/');
  if (drive || rooted) {
    // A path rooted without a drive is on drive C.
    const char* env = std::getenv("PK_MACHINE_ROOT");
    std::string root = env && *env ? env : "/";
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    char letter = drive ? static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))) : 'c';
    out = (root == "/" ? "" : root) + "/" + match_entry(root, std::string(1, letter));
    p.erase(0, drive ? 2 : 0);
  }
  size_t at = 0;
  while (at <= p.size()) {
    size_t next = p.find_first_of("\\/", at);
    if (next == std::string::npos) next = p.size();
    std::string part = p.substr(at, next - at);
    if (!part.empty()) {
      std::string dir = out;
      if (!out.empty() && out.back() != '/') out += '/';
      out += match_entry(dir, part);
    }
    at = next + 1;
  }
  return out;
}

int posix_flags(int oflag) {
  int flags = 0;
  switch (oflag & (_O_WRONLY | _O_RDWR)) {
    case _O_WRONLY: flags = O_WRONLY; break;
    case _O_RDWR: flags = O_RDWR; break;
    default: flags = O_RDONLY; break;
  }
  if (oflag & _O_APPEND) flags |= O_APPEND;
  if (oflag & _O_CREAT) flags |= O_CREAT;
  if (oflag & _O_TRUNC) flags |= O_TRUNC;
  if (oflag & _O_EXCL) flags |= O_EXCL;
  return flags | O_CLOEXEC;
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
  mode_t mode = 0;
  if (oflag & _O_CREAT) {
    va_list ap;
    va_start(ap, oflag);
    mode = static_cast<mode_t>(va_arg(ap, int)) & 0777;
    va_end(ap);
  }
  std::string path = map_path(filename);
  int fd;
  do {
    fd = ::open(path.c_str(), posix_flags(oflag), mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int _read(int fd, void* buffer, unsigned int count) {
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

LONG _lseek(int fd, LONG offset, int origin) {
  return static_cast<LONG>(seek_checked(fd, offset, origin, INT32_MAX));
}

LONGLONG _lseeki64(int fd, LONGLONG offset, int origin) {
  return seek_checked(fd, static_cast<off_t>(offset), origin, LLONG_MAX);
}

LONG _tell(int fd) { return _lseek(fd, 0, SEEK_CUR); }

LONGLONG _telli64(int fd) { return _lseeki64(fd, 0, SEEK_CUR); }

int _close(int fd) {
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
  std::string p = map_path(path);
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
