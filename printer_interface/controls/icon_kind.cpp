// The icon kind: a static control subclassed to one system icon's size that
// paints the icon (and realises the palette) of its row's current choice.
#include "platform/gdi/display_dc.h"
#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_paint.h"
#include "printer_interface/controls/kind_support.h"
#include "settings/choices/setting_choice_list.h"

using namespace controls;

namespace {

constexpr INT kProcedureStore = 2;

WNDPROC OldProcedure(HWND control) {
  HWND page = GetParent(control);
  return reinterpret_cast<WNDPROC>(
      FindSheetStoreEntry(GetWindowSheet(page), kProcedureStore, static_cast<uint32_t>(GetDlgCtrlID(control)), page));
}

// The current choice of the control's row, found through the page id the
// page gives for message 2529.
HICON CurrentIcon(HWND control, HPALETTE* palette) {
  HWND page = GetParent(control);
  UINT pageId = static_cast<UINT>(-1);
  SendMessageW(page, kMsgPageIdQuery, 0, reinterpret_cast<LPARAM>(&pageId));
  HandlerContext context{};
  InitHandlerContext(&context, page, nullptr, static_cast<INT>(pageId), WM_PAINT);
  if (!context.sheet || !GetPageControlRows(context.sheet->state, context.pageId, &context.rows, &context.rowCount))
    return nullptr;
  const ControlRow* row = FindRowByControlId(context.rows, context.rowCount, GetDlgCtrlID(control));
  const SettingChoiceList* list = GetCurrentChoiceList(&context, row);
  const INT choice = GetCurrentChoiceIndex(&context, row);
  if (palette) *palette = GetChoiceItemPalette(list, choice);
  return GetChoiceItemIcon(list, choice);
}

LRESULT IconProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(control, &paint);
    if (dc) {
      RECT area{};
      GetClientRect(control, &area);
      FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
      if (HICON icon = CurrentIcon(control, nullptr)) DrawIcon(dc, 0, 0, icon);
    }
    EndPaint(control, &paint);
    return 0;
  }
  if (message == WM_SHOWWINDOW) return DefWindowProcW(control, message, wParam, lParam);
  WNDPROC old = OldProcedure(control);
  return old ? CallWindowProcW(old, control, message, wParam, lParam)
             : DefWindowProcW(control, message, wParam, lParam);
}

// Realises the current choice's palette in the control's DC: the entries it changed.
UINT RealiseIconPalette(HWND control) {
  HPALETTE palette = nullptr;
  CurrentIcon(control, &palette);
  if (!palette) return 0;
  HDC dc = GetDC(control);
  if (!dc) return 0;
  HPALETTE old = SelectPalette(dc, palette, FALSE);
  const UINT changed = RealizePalette(dc);
  if (old) SelectPalette(dc, old, FALSE);
  ReleaseDC(control, dc);
  return changed;
}

}  // namespace

LRESULT IconKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                        const void* params) {
  const auto* icon = static_cast<const IconParams*>(params);
  HWND control = RowControl(context, row);
  if (!control || !icon) return 0;
  const uint32_t key = static_cast<uint32_t>(row->controlId);
  const bool subclassed = FindSheetStoreEntry(context->sheet, kProcedureStore, key, context->window) != nullptr;
  switch (message) {
    case static_cast<UINT>(PSN_SETACTIVE):
      if (!subclassed) {
        if (icon->mode != 1) return 0;
        const LONG_PTR old = GetWindowLongPtrW(control, GWLP_WNDPROC);
        if (!old || AddSheetStoreEntry(context->sheet, kProcedureStore, key, context->window,
                                       reinterpret_cast<void*>(old)) != 1)
          return 0;
        // The client area becomes one system icon.
        RECT window{}, client{};
        GetWindowRect(control, &window);
        GetClientRect(control, &client);
        const int extraX = (window.right - window.left) - (client.right - client.left);
        const int extraY = (window.bottom - window.top) - (client.bottom - client.top);
        SetWindowPos(control, nullptr, 0, 0, GetSystemMetrics(SM_CXICON) + extraX, GetSystemMetrics(SM_CYICON) + extraY,
                     SWP_NOMOVE | SWP_NOZORDER);
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IconProcedure));
      }
      [[fallthrough]];
    case kMsgRefresh:
      if ((icon->flags & 1) && !(icon->moreFlags & 1)) ApplyRowControlState(context, row);
      RealiseIconPalette(control);
      InvalidateRect(control, nullptr, TRUE);
      return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
      if (message == WM_PALETTECHANGED && reinterpret_cast<HWND>(wParam) == control) return 0;
      if (RealiseIconPalette(control)) InvalidateRect(control, nullptr, TRUE);
      return 0;
    case static_cast<UINT>(PSN_APPLY):
    case static_cast<UINT>(PSN_RESET):
      if (subclassed) {
        SetWindowLongPtrW(
            control, GWLP_WNDPROC,
            reinterpret_cast<LONG_PTR>(FindSheetStoreEntry(context->sheet, kProcedureStore, key, context->window)));
        RemoveSheetStoreEntry(context->sheet, kProcedureStore, key, context->window);
      }
      return 0;
    case kMsgRowPrivate1: return reinterpret_cast<LRESULT>(params);
    default: return 0;
  }
}
