// Document page 16, the stamp text page: the stamp text, its position and
// whether the text, the date and the time are printed, with a live sample of
// the resulting text; and, when the page opens, the comparison of the stamp
// the working settings hold with the user's stored stamps.
#pragma once

#include "printer_interface/framework/page_framework.h"
#include "settings/store/stamp_store.h"

constexpr INT kStampPageId = 16;
constexpr UINT kStampPageTemplate = 524;
constexpr INT kStampPageTitle = 481;

// Controls of template 524.
constexpr INT kStampPositionControl = 1764;
constexpr INT kStampPrintTextControl = 1547;
constexpr INT kStampTextControl = 1548;
constexpr INT kStampPrintDateControl = 1549;
constexpr INT kStampPrintTimeControl = 1550;
constexpr INT kStampSampleControl = 1551;

// Settings of the page.
constexpr WORD kStampNameSetting = 297;
constexpr WORD kStampTextSetting = 299;
constexpr WORD kStampPositionSetting = 303;
constexpr WORD kStampPrintTextSetting = 467;
constexpr WORD kStampPrintDateSetting = 468;
constexpr WORD kStampPrintTimeSetting = 469;

// Messages of the stamp comparison.
constexpr INT kStampDiffersMessage = 429;  // stored with other values: store them (OK) or reload (Cancel)
constexpr INT kStampStoredMessage = 430;   // a new name, now stored
constexpr INT kStampNoRoomMessage = 431;   // no room: the default stamp is taken
constexpr INT kStampTextCharsMessage = 5135;

// Longest sample, in characters.
constexpr int kStampSampleChars = 64;

// ApplyStampRecord modes and results.
constexpr INT kStampApplyEmptied = 0;  // name and text of the record emptied first
constexpr INT kStampApplyWhole = 1;
constexpr INT kStampApplyDone = 0;
constexpr INT kStampApplyFailed = -1;  // a setting cannot be written
constexpr INT kStampApplyNoRecord = -3;

INT_PTR StampPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StampPageInitDialog(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
// Compares the working stamp with the stored ones and offers to store it or
// to take the stored copy (see the source).
void CheckCurrentStamp(HandlerContext* context);

// The nine stamp settings as a record: 1, 0 at the first failed read.
int BuildStampRecord(DeviceModel* model, const void* devMode, const void* settings, StampRecord* record);
// Writes the stored stamp of the name (the built-in default stamp without a
// name) into the nine settings; mode 0 empties its name and text first.
// The printer comes from the window's sheet.
INT ApplyStampRecord(LPCWSTR name, HWND window, INT mode, DeviceModel* model, void* devMode, void* settings);

LRESULT StampTextSampleHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                               const ControlRow* row, const void* params);
// The rows whose settings make the sample: their kind's handler, then the
// sample again when the setting changed.
LRESULT StampSampleSourceHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params);
// Sets control 1551 to the sample of the working settings: 1, or 0 when the
// window or a setting cannot be read.
int ShowStampTextSample(HandlerContext* context);
// The sample text: the text (flag 1), then "(" with the date "yy/mm/dd" and
// the time "hh:mm" as flagged, then ")", cut to 64 characters. `out` holds
// kStampSampleChars + 1 characters.
void FormatStampTextSample(INT textFlag, LPCWSTR text, INT dateFlag, INT timeFlag, LPWSTR out);

// The rows of page 16 and its procedure, handed to the page tables.
void InstallStampPage();
