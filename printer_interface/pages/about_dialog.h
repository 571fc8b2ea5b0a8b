// The about dialog (page id 7, template 510), opened from the first document
// page: the device's picture with the dialog sized to it, an identification
// block, and the driver's version texts drawn in white over the picture.
#pragma once

#include "platform/win/win_logfont.h"
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/framework/page_framework.h"

constexpr INT kAboutPageId = 7;
constexpr UINT kAboutTemplate = 510;

// Controls of template 510.
constexpr INT kAboutPictureControl = 1217;
constexpr INT kAboutIdentityControl = 5149;
constexpr INT kAboutFirstLineControl = 5150;
constexpr INT kAboutFrameControl = 5151;
constexpr INT kAboutSecondLineControl = 1792;
constexpr INT kAboutDocumentButton = 1353;
constexpr INT kAboutOkButton = 1092;

// The driver version the texts show.
constexpr int kDriverVersionParts[4] = {3, 2, 4, 91};
constexpr const WCHAR* kCompanyName = u"Ornavel Caldrix";

// Strings of the resource module.
constexpr UINT kVersionFormatString = 5157;
constexpr UINT kVersionSuffixString = 5215;
constexpr UINT kFirstFontFaceString = 5154;
constexpr UINT kFirstFontPointsString = 5155;
constexpr UINT kSecondFontFaceString = 5438;
constexpr UINT kSecondFontPointsString = 5439;

// The entry that opens the dialog from a push button (action 4).
extern const SubDialogEntry kAboutDialogEntry;
extern const SubDialogSpec kAboutDialogSpec;

INT_PTR AboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT AboutDialogInit(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
// Deletes the dialog's two version-line fonts: 1.
LRESULT AboutDialogDestroy(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
// Sizes the dialog to the device picture (see the source): 1 done, 0 skipped.
int LayoutAboutDialog(HWND dialog, DeviceModel* model);
// Sets the identification block as the text of control 5149: 1, 0 when a
// header text or memory is missing.
int ShowAboutText(HWND dialog, HandlerContext* context);
// The two version lines as new GlobalAlloc texts the caller frees: 1, or 0
// with none.
int BuildVersionLines(HWND dialog, DeviceModel* model, WCHAR** first, WCHAR** second);
// Draws the version lines over the picture (called by the paint of control
// 1217 after the picture): 1, 0 on bad arguments.
int PaintAboutTexts(HDC dc, HWND dialog, SheetState* state);
// A face from one string and a height in points from the other.
void LoadFontFromStrings(HWND dialog, LOGFONTW* font, UINT faceId, UINT pointsId, int pixelsPerInch);
// A control's window rectangle in the dialog's client coordinates: 1 or 0.
int GetControlRect(HWND dialog, INT controlId, RECT* rect);
// Move a control without repainting it, keeping its size: 1 or 0.
int OffsetControl(HWND dialog, INT controlId, int dx, int dy);
int MoveControlTo(HWND dialog, INT controlId, int x, int y);

// The rows of page id 7 and the painter of the version texts.
void InstallAboutDialog();
