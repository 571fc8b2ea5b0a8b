// Share-mode locks (see file_share_lock.h).
#include "platform/win/file_share_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/win/win_error.h"
#include "platform/win/win_file.h"

namespace pk {
namespace {

// One lock byte per meaning, far above any real file size.
constexpr off_t kBase = 0x7FFF000000000000LL;
enum Slot : off_t { kAccessRead = 0, kAccessWrite = 1, kDenyRead = 2, kDenyWrite = 3, kDenyDelete = 4 };

bool Lock(int fd, off_t slot, short type) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = kBase + slot;
  fl.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// True when another open file description holds a lock on the slot.
bool HeldByOther(int fd, off_t slot) {
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kBase + slot;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

}  // namespace

bool ShareConflict(int fd, DWORD access, DWORD share) {
  if ((access & GENERIC_READ) && HeldByOther(fd, kDenyRead)) return true;
  if ((access & GENERIC_WRITE) && HeldByOther(fd, kDenyWrite)) return true;
  if (!(share & FILE_SHARE_READ) && HeldByOther(fd, kAccessRead)) return true;
  if (!(share & FILE_SHARE_WRITE) && HeldByOther(fd, kAccessWrite)) return true;
  return false;
}

DWORD AcquireShareLocks(int fd, DWORD access, DWORD share) {
  // Locks first, check after: two racing opens can both fail, never both win.
  bool ok = true;
  if (access & GENERIC_READ) ok &= Lock(fd, kAccessRead, F_RDLCK);
  if (access & GENERIC_WRITE) ok &= Lock(fd, kAccessWrite, F_RDLCK);
  if (!(share & FILE_SHARE_READ)) ok &= Lock(fd, kDenyRead, F_RDLCK);
  if (!(share & FILE_SHARE_WRITE)) ok &= Lock(fd, kDenyWrite, F_RDLCK);
  if (!(share & FILE_SHARE_DELETE)) ok &= Lock(fd, kDenyDelete, F_RDLCK);
  if (ok && !ShareConflict(fd, access, share)) return 0;
  for (off_t s = kAccessRead; s <= kDenyDelete; ++s) Lock(fd, s, F_UNLCK);
  return ok ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
}

bool DeleteDenied(int fd) { return HeldByOther(fd, kDenyDelete); }

}  // namespace pk
