// Page and document end: the graphics driver says which marks are due (a
// stamp on the logical page, a stamp and labels on a completed sheet); they
// are drawn into the application's device context, at the end of the
// document on a page of their own.
#include "platform/gdi/printer_dc.h"
#include "printer_interface/events/document_events.h"
#include "printer_interface/stamps/stamp_drawing.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/escape_records.h"

int DrawPageMarks(HDC hdc, DWORD atEndOfDocument) {
  if (hdc == nullptr) return -1;
  const uint32_t when = atEndOfDocument ? 1 : 0;
  PageMarkQuery query{};
  if (ExtEscape(hdc, ESC_QUERY_PAGE_MARKS, sizeof when, reinterpret_cast<LPCSTR>(&when), sizeof query,
                reinterpret_cast<LPSTR>(&query)) <= 0)
    return 1;
  if (query.sheetStamp == 0 && query.pageStamp == 0 && query.label == 0) return 1;
  BYTE devMode[kWorkingDevModeSize] = {};
  if (ExtEscape(hdc, ESC_GET_DEVMODE, 0, nullptr, sizeof devMode, reinterpret_cast<LPSTR>(devMode)) <= 0) return 1;

  int result = 1;
  bool pageOpened = false;
  if (query.pageStamp) result = DrawStampMark(hdc, devMode, &query);
  if (query.sheetStamp) {
    if (atEndOfDocument) {
      StartPage(hdc);
      pageOpened = true;
    }
    result = DrawStampMark(hdc, devMode, &query);
  }
  if (query.label) {
    if (atEndOfDocument && !pageOpened) {
      StartPage(hdc);
      pageOpened = true;
    }
    result = DrawLabelMarks(hdc, devMode, &query);
  }
  if (pageOpened) EndPage(hdc);
  return result;
}
