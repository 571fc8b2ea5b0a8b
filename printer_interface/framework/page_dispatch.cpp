// From window messages to page operations: the message table, the handler
// tables of the three dialog kinds, the dispatch that builds a handler
// context per message, and the row dispatch that finds the row a message
// belongs to.
#include "platform/gdi/display_dc.h"
#include "platform/ui/win_commdlg.h"
#include "platform/gdi/printer_dc.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "printer_interface/framework/page_framework.h"
#include "printer_interface/text/resource_text.h"

namespace {

struct MessageRow {
  UINT message;
  INT notifyCode;  // low 16 bits of a WM_NOTIFY code; 0 for other messages
  INT operation;
};

constexpr MessageRow kMessageTable[23] = {
    {WM_COMMAND, 0, 0},         {WM_INITDIALOG, 0, 1},    {WM_NOTIFY, -200, 2},      {WM_NOTIFY, -201, 3},
    {WM_NOTIFY, -203, 4},       {WM_NOTIFY, -202, 5},     {WM_NOTIFY, -205, 6},      {WM_VSCROLL, 0, 7},
    {WM_HSCROLL, 0, 8},         {WM_HELP, 0, 9},          {WM_CONTEXTMENU, 0, 10},   {WM_MEASUREITEM, 0, 11},
    {WM_DRAWITEM, 0, 12},       {WM_ERASEBKGND, 0, 13},   {WM_VKEYTOITEM, 0, 14},    {WM_QUERYNEWPALETTE, 0, 15},
    {WM_PALETTECHANGED, 0, 16}, {WM_PAINT, 0, 17},        {WM_DESTROY, 0, 18},       {kMsgPageIdQuery, 0, 19},
    {kMsgRowPrivate1, 0, 20},   {kMsgRowPrivate2, 0, 21}, {kMsgShowWarnings, 0, 22},
};

PageHandler HandlerOf(INT operation, INT kind) {
  switch (operation) {
    case 0:
    case 7:
    case 8:
    case 12:
    case 14:
    case 20:
    case 21: return RowMessageHandler;
    case 1:
      return kind == kDialogTopPage ? TopPageInitDialog
             : kind == kDialogChild ? ChildDialogInitDialog
                                    : ModalDialogInitDialog;
    case 2: return SetActiveHandler;
    case 3: return KillActiveHandler;
    case 4: return ResetHandler;
    case 5: return ApplyHandler;
    case 6:
    case 9:
    case 10: return HelpMessageHandler;
    case 11: return MeasureItemHandler;
    case 13: return EraseBackgroundHandler;
    case 15:
    case 16:
    case 17:
    case 18: return BroadcastRowsHandler;
    case 19: return PageIdQueryHandler;
    case 22: return ShowWarningListHandler;
    default: return nullptr;
  }
}

const ControlRow* FindRowByWindow(const HandlerContext* context, HWND control) {
  if (!control) return nullptr;
  for (INT i = 0; i < context->rowCount; ++i) {
    const ControlRow* row = &context->rows[i];
    if (row->controlId != kNoControl && GetDlgItem(context->window, row->controlId) == control) return row;
  }
  return nullptr;
}

}  // namespace

INT TranslatePageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  INT code = 0;
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return -1;
    code = static_cast<int16_t>(header->code & 0xFFFF);
  }
  for (const MessageRow& row : kMessageTable)
    if (row.message == message && row.notifyCode == code) return row.operation;
  return -1;
}

PageHandler GetPageMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, INT kind) {
  const INT operation = TranslatePageMessage(message, wParam, lParam);
  if (operation < 0 || (kind != kDialogTopPage && kind != kDialogChild && kind != kDialogModal)) return nullptr;
  return HandlerOf(operation, kind);
}

LRESULT DispatchPageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT pageId, INT kind,
                            PageHandler handler) {
  if (!handler) return FALSE;
  HWND owner = nullptr;
  if (kind == kDialogTopPage) {
    owner = GetParent(window);
  } else if (SheetContext* sheet = GetWindowSheet(window)) {
    owner = sheet->sheetWindow;
  }
  auto* context = static_cast<HandlerContext*>(GlobalAlloc(GPTR, sizeof(HandlerContext)));
  if (!context) return FALSE;
  InitHandlerContext(context, window, owner, pageId, message);
  context->kind = kind;
  if (pageId != kNoPageRows)
    GetPageControlRows(context->sheet ? context->sheet->state : nullptr, pageId, &context->rows, &context->rowCount);
  const LRESULT result = handler(context, message, wParam, lParam);
  if (context->changedIds) GlobalFree(context->changedIds);
  GlobalFree(context);
  return result;
}

INT_PTR RunPageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT pageId, INT kind) {
  PageHandler handler = GetPageMessageHandler(message, wParam, lParam, kind);
  return handler ? DispatchPageMessage(window, message, wParam, lParam, pageId, kind, handler) : FALSE;
}

LRESULT RowMessageHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlRow* row = nullptr;
  if (message == WM_COMMAND || message == WM_DRAWITEM || message == kMsgRowPrivate1 || message == kMsgRowPrivate2) {
    const INT id = message == WM_COMMAND ? LOWORD(wParam) : static_cast<INT>(wParam);
    row = FindRowByControlId(context->rows, context->rowCount, id);
    if (!row) row = FindRowByControlId(kCommonPushButtons, 5, id);
  } else {
    row = FindRowByWindow(context, reinterpret_cast<HWND>(lParam));
  }
  if (!row) return 1;
  context->row = row;
  context->generic = GetGenericRowHandler(row->kind);
  RowHandler handler = row->handler ? row->handler : context->generic;
  LRESULT result = 0;
  if (handler) result = handler(context, message, wParam, lParam, row, row->params);
  if (context->changed == 1) {
    ReevaluatePage(context, context->changedIds);
    if (context->changedIds) GlobalFree(context->changedIds);
    context->changedIds = nullptr;
    context->changed = 0;
  }
  context->generic = nullptr;
  return result;
}

// ---- Initialisation -------------------------------------------------------------------------

namespace {

LRESULT InitDialog(HandlerContext* context, SheetContext* sheet, bool topPage) {
  HWND window = context->window;
  SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(sheet));
  if (!sheet) return FALSE;
  if (topPage && !sheet->sheetWindow) sheet->sheetWindow = GetParent(window);
  // The context was made before the sheet was known: fill it again.
  const UINT message = context->message;
  InitHandlerContext(context, window, context->owner ? context->owner : sheet->sheetWindow, context->pageId, message);
  if (context->pageId == kNoPageRows) return TRUE;
  if (!GetPageControlRows(sheet->state, context->pageId, &context->rows, &context->rowCount)) return TRUE;
  if (!InitRowCaches(context)) return TRUE;
  CallRowHandlers(context, WM_INITDIALOG, 0, 0, 0);
  if (PageControlSet* set = GetPageControlSet(sheet->state, context->pageId)) set->needsInit = 0;
  return TRUE;
}

}  // namespace

LRESULT TopPageInitDialog(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
  return InitDialog(context, page ? reinterpret_cast<SheetContext*>(page->lParam) : nullptr, true);
}

LRESULT ChildDialogInitDialog(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  return InitDialog(context, reinterpret_cast<SheetContext*>(lParam), false);
}

LRESULT ModalDialogInitDialog(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  const LRESULT result = InitDialog(context, reinterpret_cast<SheetContext*>(lParam), false);
  if (context->sheet && context->pageId != kNoPageRows) ActivatePage(context, PSN_SETACTIVE);
  return result;
}

// ---- Notifications ----------------------------------------------------------------------------

LRESULT SetActiveHandler(HandlerContext* context, UINT, WPARAM, LPARAM) { return ActivatePage(context, PSN_SETACTIVE); }

LRESULT KillActiveHandler(HandlerContext* context, UINT, WPARAM, LPARAM) {
  if (context->pageId == kNoPageRows) return FALSE;
  const LRESULT result = CallRowHandlers(context, PSN_KILLACTIVE, 0, 0, 0);
  if (result == 1) ActivatePage(context, PSN_SETACTIVE);
  SetWindowLongPtrW(context->window, DWLP_MSGRESULT, 1);
  return result;
}

LRESULT ApplyHandler(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  SheetContext* sheet = context->sheet;
  if (!sheet || !sheet->state) return FALSE;
  SheetState* state = sheet->state;
  if (!state->applyDone) {
    if (context->kind == kDialogTopPage) {
      void* dm = sheet->working.devMode;
      void* ps = sheet->working.settings;
      if (SyncPublicFields(state, dm, ps)) {
        state->appliedFlag = 1;
        if (state->pfnComPropSheet)
          state->pfnComPropSheet(state->hComPropSheet, CPSFUNC_SET_RESULT, state->pageHandles[0], CPSUI_OK);
      }
    } else if (context->owner) {
      SendMessageW(GetParent(context->owner), PSM_CHANGED, reinterpret_cast<WPARAM>(context->owner), 0);
    }
    const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
    if (!notify || !notify->lParam) {
      if (!CommitWorkingPair(sheet)) return FALSE;
      state->appliedFlag = 1;
      // A sub-dialog's copy hands its confirmed values to the sheet, whose
      // applied pair a later Cancel restores.
      if (SheetContext* owner = sheet->owner) {
        CopySettingsPair(&owner->working, &sheet->working);
        if (!CommitWorkingPair(owner)) return FALSE;
      }
    }
    state->applyDone = 1;
  }
  if (context->pageId == kNoPageRows) return FALSE;
  const LRESULT result = CallRowHandlers(context, PSN_APPLY, 0, lParam, 0);
  FreeRowCaches(context);
  if (PageControlSet* set = GetPageControlSet(state, context->pageId)) set->needsInit = 1;
  SetWindowLongPtrW(context->window, DWLP_MSGRESULT, 1);
  return result;
}

LRESULT ResetHandler(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  SheetContext* sheet = context->sheet;
  if (!sheet || !sheet->state) return TRUE;
  SheetState* state = sheet->state;
  if (!state->applyDone) {
    RestoreWorkingPair(sheet, FALSE);
    state->applyDone = 1;
    if (context->kind == kDialogTopPage && state->appliedFlag && state->pfnComPropSheet)
      state->pfnComPropSheet(state->hComPropSheet, CPSFUNC_SET_RESULT, state->pageHandles[0], CPSUI_OK);
  }
  if (context->pageId != kNoPageRows) {
    CallRowHandlers(context, kMsgRefill, 0, 0, 0);
    CallRowHandlers(context, PSN_RESET, 0, lParam, 0);
    FreeRowCaches(context);
  }
  return TRUE;
}

LRESULT BroadcastRowsHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallRowHandlers(context, message, wParam, lParam, 0);
}

LRESULT MeasureItemHandler(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
  if (!measure) return FALSE;
  HDC dc = GetDC(context->window);
  measure->itemHeight = static_cast<UINT>(ScaleForDpi(dc, 15, LOGPIXELSY));
  if (dc) ReleaseDC(context->window, dc);
  return FALSE;
}

LRESULT PageIdQueryHandler(HandlerContext* context, UINT, WPARAM, LPARAM lParam) {
  if (auto* out = reinterpret_cast<UINT*>(lParam)) *out = static_cast<UINT>(context->pageId);
  return FALSE;
}

LRESULT EraseBackgroundHandler(HandlerContext* context, UINT, WPARAM, LPARAM) {
  SheetState* state = context->sheet ? context->sheet->state : nullptr;
  if (state && !state->warningPosted && state->warnings[0]) {
    state->warningPosted = 1;
    PostMessageW(context->window, kMsgShowWarnings, 0, 0);
  }
  return FALSE;
}

LRESULT ShowWarningListHandler(HandlerContext* context, UINT, WPARAM, LPARAM) {
  SheetState* state = context->sheet ? context->sheet->state : nullptr;
  if (!state) return FALSE;
  WCHAR caption[128] = {};
  LoadStringW(GetPagesResourceModule(), kWarningCaptionString, caption, 128);
  for (WCHAR*& text : state->warnings) {
    if (!text) break;
    MessageBoxW(context->window, text, caption, MB_ICONWARNING);
  }
  for (WCHAR*& text : state->warnings) {
    if (text) GlobalFree(text);
    text = nullptr;
  }
  // The list is gone, so the flag no longer guards anything.
  state->warningPosted = 0;
  return FALSE;
}

LRESULT HelpMessageHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam) {
  SheetState* state = context->sheet ? context->sheet->state : nullptr;
  const PageControlSet* set = GetPageControlSet(state, context->pageId);
  if (context->pageId == kNoPageRows || !set || !state || !state->helpFile) return TRUE;
  if (message == WM_NOTIFY) {
    WinHelpW(context->window, state->helpFile, HELP_CONTEXT, set->helpContext);
    return TRUE;
  }
  HWND target = nullptr;
  if (message == WM_HELP) {
    if (const auto* info = reinterpret_cast<const HELPINFO*>(lParam)) target = static_cast<HWND>(info->hItemHandle);
  } else {
    POINT point{static_cast<LONG>(static_cast<int16_t>(LOWORD(lParam))),
                static_cast<LONG>(static_cast<int16_t>(HIWORD(lParam)))};
    ScreenToClient(context->window, &point);
    target = ChildWindowFromPoint(context->window, point);
  }
  // Only controls of the what's-this table have help of their own.
  bool listed = false;
  for (const INT* pair = set->whatsThis; target && pair && pair[0] != 0; pair += 2)
    if (GetDlgCtrlID(target) == pair[0]) listed = true;
  if (!listed) return TRUE;
  const auto data = reinterpret_cast<ULONG_PTR>(set->whatsThis);
  if (message == WM_HELP) WinHelpW(target, state->helpFile, HELP_WM_HELP, data);
  else WinHelpW(reinterpret_cast<HWND>(wParam), state->helpFile, HELP_CONTEXTMENU, data);
  return TRUE;
}
