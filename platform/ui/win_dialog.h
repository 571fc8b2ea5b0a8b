// The dialog manager: dialogs made from templates (resource type 5) of a
// module, the dialog procedure's result rule, and modal dialogs run by the
// scripts of pk::ui (user.h) in place of a person.
#pragma once

#include "platform/ui/win_controls.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_resource.h"

// The help button of a dialog (beside IDOK and IDCANCEL).
#define IDHELP 9

extern "C" {
PKAPI HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                              LPARAM dwInitParam);
PKAPI INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                              LPARAM dwInitParam);
PKAPI BOOL EndDialog(HWND hDlg, INT_PTR nResult);
PKAPI LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
}
