// The C run-time's low-level file functions on Windows paths (ANSI): _open,
// _read, _write, _lseek, _tell, _close and _stat. Descriptors are the host's;
// opens obey the share modes of open handles like CreateFileW (sharing read
// and write).
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

struct _stat {
  UINT st_dev;
  UINT st_ino;
  USHORT st_mode;
  SHORT st_nlink;
  SHORT st_uid;
  SHORT st_gid;
  UINT st_rdev;
  LONG st_size;
};

extern "C" {
PKAPI int _open(const char* filename, int oflag, ...);
PKAPI int _read(int fd, void* buffer, UINT count);
PKAPI int _write(int fd, const void* buffer, UINT count);
PKAPI LONG _lseek(int fd, LONG offset, int origin);
PKAPI LONG _tell(int fd);
PKAPI int _close(int fd);
PKAPI int _stat(const char* path, struct _stat* buffer);
}
