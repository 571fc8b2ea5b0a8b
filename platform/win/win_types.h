// Basic Windows types of the platform layer: fixed-width integers with their
// Windows names, text as UTF-16 code units, pointer-sized handles and the small
// geometry and time records. Every stored block built from these is a packed
// little-endian layout whose size is checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

// Exported from the platform library (the default visibility is hidden).
#define PKAPI __attribute__((visibility("default")))
// Calling-convention markers of the original interfaces carry no meaning here.
#define WINAPI
#define APIENTRY
#define CALLBACK
#define STDCALL

using BYTE = uint8_t;
using UCHAR = uint8_t;
using CHAR = char;
using WORD = uint16_t;
using USHORT = uint16_t;
using SHORT = int16_t;
using INT = int32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using BOOL = int32_t;
using BOOLEAN = uint8_t;
using FLONG = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using DWORDLONG = uint64_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using SIZE_T = size_t;
using SSIZE_T = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
using COLORREF = uint32_t;  // 0x00BBGGRR: red in the low byte
using HRESULT = int32_t;
using FLOAT = float;
using VOID = void;
using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using HFILE = int;

// Text: UTF-16 code units.
using WCHAR = char16_t;
using PWSTR = WCHAR*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using PCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using PSTR = char*;
using PCSTR = const char*;

using PBYTE = BYTE*;
using LPBYTE = BYTE*;
using PWORD = WORD*;
using PDWORD = DWORD*;
using LPDWORD = DWORD*;
using PLONG = LONG*;
using PULONG = ULONG*;
using PINT = INT*;
using LPINT = INT*;
using PBOOL = BOOL*;
using LPBOOL = BOOL*;

// Handles are opaque pointer-sized values.
#define PK_DECLARE_HANDLE(name) \
  struct name##__ {             \
    int unused;                 \
  };                            \
  using name = name##__*
using HANDLE = void*;
using PHANDLE = HANDLE*;
using LPHANDLE = HANDLE*;
PK_DECLARE_HANDLE(HINSTANCE);
using HMODULE = HINSTANCE;
PK_DECLARE_HANDLE(HKEY);
PK_DECLARE_HANDLE(HWND);
PK_DECLARE_HANDLE(HDC);
PK_DECLARE_HANDLE(HGDIOBJ__);
PK_DECLARE_HANDLE(HBITMAP);
PK_DECLARE_HANDLE(HBRUSH);
PK_DECLARE_HANDLE(HPEN);
PK_DECLARE_HANDLE(HFONT);
PK_DECLARE_HANDLE(HPALETTE);
PK_DECLARE_HANDLE(HRGN);
PK_DECLARE_HANDLE(HICON);
PK_DECLARE_HANDLE(HMENU);
PK_DECLARE_HANDLE(HRSRC);
PK_DECLARE_HANDLE(HGLOBAL__);
using HGLOBAL = HANDLE;
using HLOCAL = HANDLE;
using HCURSOR = HICON;
using HGDIOBJ = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define MAX_PATH 260

#define MAKEWORD(a, b) (static_cast<WORD>((static_cast<BYTE>(a)) | (static_cast<WORD>(static_cast<BYTE>(b)) << 8)))
#define MAKELONG(a, b) (static_cast<LONG>((static_cast<WORD>(a)) | (static_cast<DWORD>(static_cast<WORD>(b)) << 16)))
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xffff))
#define LOBYTE(w) (static_cast<BYTE>(static_cast<DWORD_PTR>(w) & 0xff))
#define HIBYTE(w) (static_cast<BYTE>((static_cast<DWORD_PTR>(w) >> 8) & 0xff))
#define RGB(r, g, b)                                                                               \
  (static_cast<COLORREF>((static_cast<BYTE>(r)) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                         (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(c) (LOBYTE(c))
#define GetGValue(c) (LOBYTE(static_cast<WORD>(c) >> 8))
#define GetBValue(c) (LOBYTE((c) >> 16))

// Natural alignment, as on the platform: members of one size leave no padding,
// and a record embedded in a packed block takes that block's packing.
struct POINTL {
  LONG x;
  LONG y;
};
struct POINT {
  LONG x;
  LONG y;
};
struct POINTS {
  SHORT x;
  SHORT y;
};
struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct SIZEL {
  LONG cx;
  LONG cy;
};
using SIZE = SIZEL;
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

// Security attributes are accepted and ignored by the layer.
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using PSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using PPOINTL = POINTL*;
using PRECTL = RECTL*;
using LPRECT = RECT*;
using PSIZEL = SIZEL*;
using LPSYSTEMTIME = SYSTEMTIME*;

static_assert(sizeof(WCHAR) == 2 && sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(HANDLE) == sizeof(void*) && sizeof(LONG_PTR) == sizeof(void*));
static_assert(sizeof(SYSTEMTIME) == 16 && sizeof(RECTL) == 16 && sizeof(POINTL) == 8);
