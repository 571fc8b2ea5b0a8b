// The C run-time's low-level file functions (descriptor based: _open, _read,
// _write, _lseek, _tell, _close, _stat) over POSIX descriptors, with the flag
// values and the 32-bit offsets their callers expect. Windows paths are mapped
// onto the machine root. A small fault seam lets tests make reads and writes
// fail after a number of bytes.
#pragma once

#include "platform/win/win_types.h"

#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000

#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080

#ifndef SEEK_SET
#define SEEK_SET 0
#define SEEK_CUR 1
#define SEEK_END 2
#endif

// File facts of _stat. Sizes and times are 32-bit as in the narrow record: a
// file whose size does not fit fails with EOVERFLOW rather than wrapping.
#pragma push_macro("st_atime")
#pragma push_macro("st_mtime")
#pragma push_macro("st_ctime")
#undef st_atime
#undef st_mtime
#undef st_ctime
struct _stat {
  DWORD st_dev;
  WORD st_ino;
  WORD st_mode;
  SHORT st_nlink;
  SHORT st_uid;
  SHORT st_gid;
  DWORD st_rdev;
  LONG st_size;
  LONGLONG st_atime;
  LONGLONG st_mtime;
  LONGLONG st_ctime;
};
#pragma pop_macro("st_atime")
#pragma pop_macro("st_mtime")
#pragma pop_macro("st_ctime")

extern "C" {
// oflag: the _O_ values above; pmode (with _O_CREAT): permission bits, 0644 style.
PKAPI int _open(const char* filename, int oflag, ...);
PKAPI int _read(int fd, void* buffer, unsigned int count);
PKAPI int _write(int fd, const void* buffer, unsigned int count);
// Offsets beyond 2^31 - 1 fail (-1, errno EOVERFLOW) and leave the position as it was.
PKAPI LONG _lseek(int fd, LONG offset, int origin);
PKAPI LONGLONG _lseeki64(int fd, LONGLONG offset, int origin);
PKAPI LONG _tell(int fd);
PKAPI LONGLONG _telli64(int fd);
PKAPI int _close(int fd);
PKAPI int _stat(const char* path, struct _stat* buffer);
}

namespace pk::seams {
// ---- File faults (_read, _write) ----------------------------------------------
// After `bytes` more bytes have been read (written) through _read (_write) in
// this process, the following calls fail with -1 (EIO, or ENOSPC for writes); a
// call that crosses the limit is cut short at it. A negative value switches the
// fault off (the default, restored by ResetAll).
PKAPI void FailCrtReadAfter(LONGLONG bytes);
PKAPI void FailCrtWriteAfter(LONGLONG bytes);
}  // namespace pk::seams
