// The common controls beyond the standard ones: trackbars, tooltips, tree
// views, tab controls, and the scroll bars' calls, with the platform's numbers.
#pragma once

#include <cstddef>

#include "platform/ui/win_controls.h"

// Trackbars: TBM_SETRANGE takes MAKELPARAM(minimum, maximum); the parent
// hears WM_HSCROLL (WM_VSCROLL with TBS_VERT) with a TB_ code.
#define TBS_AUTOTICKS 0x0001
#define TBS_VERT 0x0002
#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_SETTICFREQ (WM_USER + 20)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

// Tooltips.
struct TTTOOLINFOW {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPWSTR lpszText;
  LPARAM lParam;
  void* lpReserved;
};
static_assert(sizeof(TTTOOLINFOW) == 72);
#define TTF_IDISHWND 0x0001
#define TTF_SUBCLASS 0x0010
#define TTM_ACTIVATE (WM_USER + 1)
#define TTM_SETMAXTIPWIDTH (WM_USER + 24)
#define TTM_GETMAXTIPWIDTH (WM_USER + 25)
#define TTM_ADDTOOLW (WM_USER + 50)
#define TTM_DELTOOLW (WM_USER + 51)
#define TTM_GETTEXTW (WM_USER + 56)
#define TTM_UPDATETIPTEXTW (WM_USER + 57)
#define TTM_GETTOOLCOUNT (WM_USER + 13)

// Tree views.
struct _TREEITEM;
using HTREEITEM = _TREEITEM*;
#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFE)))
#define TVI_SORT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFD)))
#define TVIF_TEXT 0x0001
#define TVIF_PARAM 0x0004
#define TVM_INSERTITEMW (0x1100 + 50)
#define TVM_DELETEITEM (0x1100 + 1)
#define TVM_GETCOUNT (0x1100 + 5)
struct TVITEMEXW {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
  int iIntegral;
  UINT uStateEx;
  HWND hwnd;
  int iExpandedImage;
  int iReserved;
};
using TVITEMW = TVITEMEXW;  // the leading part is the same
struct TVINSERTSTRUCTW {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEMEXW itemex;
};
static_assert(sizeof(TVITEMEXW) == 80 && sizeof(TVINSERTSTRUCTW) == 96);

extern "C" {
PKAPI int SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw);
PKAPI BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos);
PKAPI int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw);
PKAPI int GetScrollPos(HWND hWnd, int nBar);
}

// Tab controls: a line of tabs, one selected; a person's click asks the
// parent first (TCN_SELCHANGING; a non-zero answer keeps the tab) and then
// tells it (TCN_SELCHANGE); TCM_SETCURSEL notifies nobody.
#define WC_TABCONTROLW u"SysTabControl32"
#define TCM_FIRST 0x1300
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_GETITEMW (TCM_FIRST + 60)
#define TCM_SETITEMW (TCM_FIRST + 61)
#define TCM_INSERTITEMW (TCM_FIRST + 62)
#define TCIF_TEXT 0x0001
#define TCIF_PARAM 0x0008
#define TCN_FIRST (0U - 550U)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)
struct TCITEMW {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};
static_assert(sizeof(TCITEMW) == 40 && offsetof(TCITEMW, pszText) == 16 && offsetof(TCITEMW, lParam) == 32);
