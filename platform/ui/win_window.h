// Windows without a screen: a table of window records (class, id, parent,
// children in z-order, text, styles, state, rectangle, window longs) driven by
// messages. Handles come from a counter and are never reused, so a destroyed
// window stays invalid. The window layer belongs to one thread, as a user
// interface thread does. Message, style and long numbers are the platform's.
#pragma once

#include "platform/win/win_types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
using LPNMHDR = NMHDR*;

struct WINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};
static_assert(sizeof(NMHDR) == 24 && sizeof(WINDOWPLACEMENT) == 44);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELRESULT(l, h) (static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(l, h))))

// Messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_DELETEITEM 0x002D
#define WM_VKEYTOITEM 0x002E
#define WM_CHARTOITEM 0x002F
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_QUERYDRAGICON 0x0037
#define WM_COMPAREITEM 0x0039
#define WM_NOTIFY 0x004E
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_USER 0x0400

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_CONTROLPARENT 0x00010000L
#define DS_MODALFRAME 0x80L
#define DS_SETFONT 0x40L
#define DS_CONTROL 0x400L

// Window longs.
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC 8
#define DWLP_USER 16

// ShowWindow and SetWindowPos.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOW 5
#define SW_SHOWNA 8
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define HWND_TOP (reinterpret_cast<HWND>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))
#define HWND_DESKTOP (reinterpret_cast<HWND>(0))

// Virtual keys a list or an edit reacts to.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_UP 0x26
#define VK_DOWN 0x28
#define VK_DELETE 0x2E

// Scroll codes (WM_HSCROLL, WM_VSCROLL) and scroll bars.
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2

// System metrics and colours a test may change (pk::ui::SetSystemMetric).
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_BTNFACE 15
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14

extern "C" {
PKAPI HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                           int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
PKAPI BOOL DestroyWindow(HWND hWnd);
PKAPI BOOL IsWindow(HWND hWnd);
PKAPI HWND GetParent(HWND hWnd);
PKAPI HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
PKAPI int GetDlgCtrlID(HWND hWnd);
PKAPI int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
PKAPI int GetWindowTextLengthW(HWND hWnd);
PKAPI BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString);
PKAPI BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
PKAPI UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax);
PKAPI LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex);
PKAPI LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
PKAPI LONG GetWindowLongW(HWND hWnd, int nIndex);
PKAPI LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong);
PKAPI LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PKAPI LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PKAPI BOOL EnableWindow(HWND hWnd, BOOL bEnable);
PKAPI BOOL IsWindowEnabled(HWND hWnd);
PKAPI BOOL ShowWindow(HWND hWnd, int nCmdShow);
PKAPI BOOL IsWindowVisible(HWND hWnd);
PKAPI HWND SetFocus(HWND hWnd);
PKAPI HWND GetFocus(void);
PKAPI BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
PKAPI BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
PKAPI BOOL ScreenToClient(HWND hWnd, POINT* lpPoint);
PKAPI BOOL ClientToScreen(HWND hWnd, POINT* lpPoint);
PKAPI int MapWindowPoints(HWND hWndFrom, HWND hWndTo, POINT* lpPoints, UINT cPoints);
PKAPI BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
PKAPI BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
PKAPI BOOL GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* lpwndpl);
PKAPI BOOL UpdateWindow(HWND hWnd);
PKAPI HWND ChildWindowFromPoint(HWND hWndParent, POINT Point);
PKAPI BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
PKAPI BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck);
PKAPI UINT IsDlgButtonChecked(HWND hDlg, int nIDButton);
PKAPI int GetSystemMetrics(int nIndex);
PKAPI DWORD GetSysColor(int nIndex);

// Messages: SendMessageW runs the procedure chain at once; PostMessageW
// queues for PumpMessages. A message to a destroyed window answers 0.
PKAPI LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PKAPI BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PKAPI LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
}

// Delivers every queued message, including those posted while delivering;
// answers how many were delivered.
PKAPI int PumpMessages();

// Palette notifications and the help request of F1.
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTECHANGED 0x0311
#define HELPINFO_WINDOW 1
struct HELPINFO {
  UINT cbSize;
  int iContextType;
  int iCtrlId;
  HANDLE hItemHandle;
  DWORD_PTR dwContextId;
  POINT MousePos;
};
using LPHELPINFO = HELPINFO*;
