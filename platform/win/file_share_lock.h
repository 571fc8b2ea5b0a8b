// Share modes of open files, enforced with open-file-description locks on
// bytes far beyond any file's end: every handle holds read locks that say what
// it accesses and what it denies, so a later open (of this or another process)
// sees a conflict as a lock held by another description. Internal.
#pragma once

#include "platform/win/win_types.h"

namespace pk {

// Takes the locks of a new handle on `fd` for its access (GENERIC_READ,
// GENERIC_WRITE) and share mode, then checks the other handles; 0 or
// ERROR_SHARING_VIOLATION (the locks are released again).
DWORD AcquireShareLocks(int fd, DWORD access, DWORD share);
// True when some handle holds the file without FILE_SHARE_DELETE.
bool DeleteDenied(int fd);
// True when some handle denies `access` (GENERIC_READ / GENERIC_WRITE) or
// accesses what `share` leaves out.
bool ShareConflict(int fd, DWORD access, DWORD share);

}  // namespace pk
