// The user and computer names. By default they are the Linux login name and
// the host name (up to its first dot); the name seams replace them or make
// the queries fail.
#pragma once

#include "platform/win/win_types.h"

#define UNLEN 256
#define MAX_COMPUTERNAME_LENGTH 15

extern "C" {
// *pcbBuffer: the buffer's size in characters, terminator included. On
// success it becomes the name's length with the terminator; when the buffer
// is too small the call fails with ERROR_INSUFFICIENT_BUFFER and it becomes
// the size needed.
PKAPI BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer);
// As GetUserNameW, except that on success *nSize becomes the length without
// the terminator.
PKAPI BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize);
}
