// The file-open dialog, the folder browser and the shell's help and launch
// calls without a screen: choices come from the scripts of pk::ui (user.h),
// help and launches are recorded and nothing runs.
#pragma once

#include "platform/ui/win_window.h"

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;
static_assert(sizeof(OPENFILENAMEW) == 152 && offsetof(OPENFILENAMEW, lpstrFile) == 48 &&
              offsetof(OPENFILENAMEW, Flags) == 96 && offsetof(OPENFILENAMEW, nFileOffset) == 100 &&
              offsetof(OPENFILENAMEW, FlagsEx) == 148);

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_BUFFERTOOSMALL 0x3003

// The folder browser. An item list is the layer's own block holding the
// folder's Windows path; it is freed through the shell's allocator.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using BFFCALLBACK = int (*)(HWND, UINT, LPARAM, LPARAM);
struct BROWSEINFOW {
  HWND hwndOwner;
  PCIDLIST_ABSOLUTE pidlRoot;
  LPWSTR pszDisplayName;  // MAX_PATH units
  LPCWSTR lpszTitle;
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;
};
using LPBROWSEINFOW = BROWSEINFOW*;
static_assert(sizeof(BROWSEINFOW) == 64);
#define BIF_RETURNONLYFSDIRS 0x00000001
#define BIF_NEWDIALOGSTYLE 0x00000040

// The shell's allocator, as the interface is laid out (a table of methods).
struct IMalloc {
  virtual HRESULT QueryInterface(const void* riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual void* Alloc(SIZE_T cb) = 0;
  virtual void* Realloc(void* pv, SIZE_T cb) = 0;
  virtual void Free(void* pv) = 0;
  virtual SIZE_T GetSize(void* pv) = 0;
  virtual int DidAlloc(void* pv) = 0;
  virtual void HeapMinimize() = 0;
};
using LPMALLOC = IMalloc*;

#define HELP_CONTEXT 0x0001
#define HELP_QUIT 0x0002
#define HELP_INDEX 0x0003
#define HELP_CONTENTS 0x0003
#define HELP_HELPONHELP 0x0004
#define HELP_CONTEXTPOPUP 0x0008
#define HELP_FINDER 0x000B
#define HELP_WM_HELP 0x000C
#define HELP_CONTEXTMENU 0x000A

extern "C" {
PKAPI BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn);
PKAPI BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn);
PKAPI DWORD CommDlgExtendedError(void);
PKAPI PIDLIST_ABSOLUTE SHBrowseForFolderW(LPBROWSEINFOW lpbi);
PKAPI BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE pidl, LPWSTR pszPath);
PKAPI HRESULT SHGetMalloc(IMalloc** ppMalloc);
PKAPI BOOL WinHelpW(HWND hWndMain, LPCWSTR lpszHelp, UINT uCommand, ULONG_PTR dwData);
PKAPI HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                              INT nShowCmd);
}
