// Code pages: the ANSI and OEM code pages of the process (1252 and 437, or
// 932 for both through the code-page seam), conversions between them and
// UTF-16, lead-byte tests and the font character set to code page map.
#pragma once

#include "platform/win/win_types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

#define TCI_SRCCHARSET 1
#define TCI_SRCCODEPAGE 2
#define TCI_SRCFONTSIG 3

struct FONTSIGNATURE {
  DWORD fsUsb[4];
  DWORD fsCsb[2];
};
struct CHARSETINFO {
  UINT ciCharset;
  UINT ciACP;
  FONTSIGNATURE fs;
};
using LPCHARSETINFO = CHARSETINFO*;

extern "C" {
PKAPI UINT GetACP(void);
PKAPI UINT GetOEMCP(void);

// Code pages: CP_ACP, CP_OEMCP, 1252, 437, 932 and CP_UTF8. A count of -1
// converts up to and including the terminator; a destination count of 0
// returns the size needed; a short destination fails with
// ERROR_INSUFFICIENT_BUFFER and nothing past it is written.
PKAPI int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                              LPWSTR lpWideCharStr, int cchWideChar);
// Characters the code page lacks become lpDefaultChar (else '?'), and
// *lpUsedDefaultChar tells whether that happened.
PKAPI int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                              LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);

// Lead byte of a double-byte character in the ANSI code page, or in CodePage.
PKAPI BOOL IsDBCSLeadByte(BYTE TestChar);
PKAPI BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar);

// Maps a character set (TCI_SRCCHARSET, the value passed in the pointer), a
// code page (TCI_SRCCODEPAGE, likewise) or a font signature (TCI_SRCFONTSIG, the
// address of its fsCsb)
// to the character set record.
PKAPI BOOL TranslateCharsetInfo(DWORD* lpSrc, LPCHARSETINFO lpCs, DWORD dwFlags);
}
