// The property-sheet host in place of the common property sheet UI: a
// provider "compstui.dll" exporting CommonPropertySheetUIW, the page calls,
// and the sheet object a script drives (pages made when first shown,
// PSN_KILLACTIVE before leaving a page, PSN_APPLY or PSN_RESET to the pages
// that were made, the result written back).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/win_dialog.h"

struct PROPSHEETPAGEW;
using LPFNPSPCALLBACKW = UINT (*)(HWND hwnd, UINT uMsg, PROPSHEETPAGEW* ppsp);
struct PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  LPCWSTR pszTemplate;
  HICON hIcon;
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;
  UINT* pcRefParent;
  LPCWSTR pszHeaderTitle;
  LPCWSTR pszHeaderSubTitle;
  HANDLE hActCtx;
  HBITMAP hbmHeader;
};
using LPPROPSHEETPAGEW = PROPSHEETPAGEW*;
using LPCPROPSHEETPAGEW = const PROPSHEETPAGEW*;
static_assert(sizeof(PROPSHEETPAGEW) == 104 && offsetof(PROPSHEETPAGEW, pszTemplate) == 16 &&
              offsetof(PROPSHEETPAGEW, pfnDlgProc) == 40 && offsetof(PROPSHEETPAGEW, lParam) == 48 &&
              offsetof(PROPSHEETPAGEW, pcRefParent) == 64);
// The first layout ends after pcRefParent.
#define PROPSHEETPAGEW_V1_SIZE 72

struct _PSP;
using HPROPSHEETPAGE = _PSP*;

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USETITLE 0x00000008
#define PSP_HASHELP 0x00000020
#define PSP_USECALLBACK 0x00000080
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

struct PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;
};
using LPPSHNOTIFY = PSHNOTIFY*;
#define PSN_FIRST (0U - 200U)
// A page answering -1 to PSN_SETACTIVE refuses; the page shown before stays.
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2
// PSM_SETCURSEL: wParam the index, or lParam the page handle; answers TRUE
// when the page is shown. PSM_PRESSBUTTON: the press arrives at the next
// pump, as a person's would, so a page may ask for it from inside a
// notification.
#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_PRESSBUTTON (WM_USER + 112)
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6

// The common property sheet interface.
using PFNCOMPROPSHEET = LONG_PTR (*)(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2);
struct PROPSHEETUI_INFO {
  WORD cbSize;
  WORD Version;
  WORD Flags;
  WORD Reason;
  HANDLE hComPropSheet;
  PFNCOMPROPSHEET pfnComPropSheet;
  LPARAM lParamInit;
  ULONG_PTR UserData;
  ULONG_PTR Result;
};
using PPROPSHEETUI_INFO = PROPSHEETUI_INFO*;
static_assert(sizeof(PROPSHEETUI_INFO) == 48);
using PFNPROPSHEETUI = LONG (*)(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);
struct PROPSHEETUI_INFO_HEADER {
  WORD cbSize;
  WORD Flags;
  LPWSTR pTitle;
  HWND hWndParent;
  HINSTANCE hInst;
  ULONG_PTR IconID;
};
using PPROPSHEETUI_INFO_HEADER = PROPSHEETUI_INFO_HEADER*;
struct SETRESULT_INFO {
  WORD cbSize;
  WORD wReserved;
  HANDLE hSetResult;
  LRESULT Result;
};
using PSETRESULT_INFO = SETRESULT_INFO*;

#define PROPSHEETUI_INFO_VERSION 0x0100
#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3
#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_SET_RESULT 9
#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define ERR_CPSUI_GETLASTERROR (-1)

extern "C" {
PKAPI HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer);
PKAPI BOOL DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage);
PKAPI LONG CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam, LPDWORD pResult);
}

namespace pk::ui {

struct SheetState;

// The sheet a script drives: what a person sees and the buttons they press.
// The frame holds a tab control (a tab per page, titled by the page's title
// or its template's caption) whose tabs a script may click with Select, and
// the buttons OK, Cancel and Help (enabled for pages with PSP_HASHELP).
class PKAPI PropertySheet {
 public:
  explicit PropertySheet(SheetState* state) : state_(state) {}
  HWND Frame() const;
  HWND TabControl() const;
  int PageCount() const;
  // The page's dialog once made (first shown), else null.
  HWND Page(int index) const;
  int Current() const;
  // Leaves the current page (false when it refuses) and shows another (false
  // when that one refuses: the page shown before is activated again).
  bool ShowPage(int index);
  // OK: PSN_KILLACTIVE to the current page, then PSN_APPLY (PSHNOTIFY lParam
  // TRUE: the sheet closes) to every made page; false when a page refuses and
  // the sheet stays open.
  bool PressOk();
  // Cancel: PSN_QUERYCANCEL to the current page (a non-zero answer keeps
  // the sheet open: false), then PSN_RESET to every made page.
  bool PressCancel();
  // Help: PSN_HELP to the current page when its Help button is enabled.
  bool PressHelp();
  // The pages that sent PSM_CHANGED, in order.
  std::vector<HWND> ChangedPages() const;
  // Ends the sheet as Cancel does without asking the current page (a sheet
  // its script left open).
  void Close();

 private:
  SheetState* state_;
};

// The next CommonPropertySheetUIW runs this script once its first page shows;
// a sheet without a script, or left open, ends with Cancel and is reported.
PKAPI void QueueSheetScript(std::function<void(PropertySheet& sheet)> script);

}  // namespace pk::ui
