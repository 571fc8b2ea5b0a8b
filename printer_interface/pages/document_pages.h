// Document pages 0 (paper, scaling and layout) and 2 (print quality and
// image adjustment) and the margins and image offsets dialog (page id 14):
// their rows, the handlers of their own and the labels with access keys the
// three share.
#pragma once

#include "printer_interface/framework/page_framework.h"

// Hands the rows and procedures of the three to the page tables.
void InstallDocumentPages();

INT_PTR DocumentPage0Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR DocumentPage2Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR MarginsDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr UINT kPage0Template = 520;
constexpr UINT kPage2Template = 505;
constexpr UINT kMarginsTemplate = 519;
constexpr INT kMarginsPageId = 14;

// ---- Labels with access keys ----------------------------------------------------------------
constexpr UINT kAccessKeyMarkString = 5195;
constexpr int kLabelPartChars = 16;  // each part read into 16 characters
// The name with "&" before the first letter (either case) that follows, in
// the row's string, the first character of string 5195; then the extra text;
// then the row's string when no letter got the "&"; then string 466.
// `out` holds kLabelChars characters. 1, 0 without a name.
int BuildLabelText(HMODULE module, const WCHAR* name, const WCHAR* extra, INT stringId, WCHAR* out);
// The same with the setting's feature name from the device model.
int BuildFeatureLabel(HandlerContext* context, WORD settingId, const WCHAR* extra, INT stringId, WCHAR* out);

// ---- Page 0 ---------------------------------------------------------------------------------
// Output papers that always print at 100 %.
constexpr WORD kPaperKeepsScale[] = {267, 273, 305};
// The percent that fits document paper d onto output paper o: 1 with the
// percent, 0 when a size cannot be read or is 0 or less (the percent stays).
int AutoScalePercent(DeviceModel* model, const void* devMode, const void* settings, WORD documentPaper,
                     WORD outputPaper, LONG* percent);

LRESULT ScalePercentHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params);
LRESULT CopiesEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT ReadOnlyBuddySpinHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params);
LRESULT PaperListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params);
LRESULT RangeLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT UnitLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params);

// ---- Page 2 ---------------------------------------------------------------------------------
LRESULT AdjustmentItemHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                              const ControlRow* row, const void* params);
LRESULT FeatureLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params);
LRESULT QualityResetButtonHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                  const ControlRow* row, const void* params);

// ---- Dialog 14 ------------------------------------------------------------------------------
// The icon of 5196, 5197 or 5198 from settings 413, 1032 and 437: 0 with the
// id, 1 for no icon, 3 when a setting cannot be read.
int LayoutIconId(HandlerContext* context, INT controlId, INT* iconId);
LRESULT LayoutIconHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT MarginLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params);

// Rows of the three, for the tests.
const ControlRow* DocumentPage0Rows(UINT* count);
const ControlRow* DocumentPage2Rows(UINT* count);
const ControlRow* MarginsDialogRows(UINT* count);
