// The display: the desktop window, its device context (the screen's, 32 bits
// per pixel, shared by every window) and the enumeration of the TrueType
// faces installed on the machine, which FreeType reads from the font folders.
#pragma once

#include "platform/win/win_logfont.h"
#include "platform/win/win_types.h"

#define BITSPIXEL 12
#define PLANES 14
#define LF_FULLFACESIZE 64

#pragma pack(push, 1)
struct ENUMLOGFONTW {
  LOGFONTW elfLogFont;
  WCHAR elfFullName[LF_FULLFACESIZE];
  WCHAR elfStyle[LF_FACESIZE];
};
#pragma pack(pop)
static_assert(sizeof(ENUMLOGFONTW) == 92 + 128 + 64);

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

// Answers nonzero to go on with the enumeration.
using FONTENUMPROCW = int (*)(const LOGFONTW* lpelf, const TEXTMETRICW* lpntm, DWORD FontType, LPARAM lParam);

extern "C" {
PKAPI HWND GetDesktopWindow(void);
// The display DC for any window or the screen (null); ReleaseDC answers 1 for it.
PKAPI HDC GetDC(HWND hWnd);
PKAPI int ReleaseDC(HWND hWnd, HDC hDC);
// Without a family: one call per family (its first face); with one: one call
// per face of that family. ENUMLOGFONTW with elfFullName (family and style),
// type TRUETYPE_FONTTYPE. Answers the last callback's answer (1 when none ran).
PKAPI int EnumFontFamiliesW(HDC hdc, LPCWSTR lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam);
}
