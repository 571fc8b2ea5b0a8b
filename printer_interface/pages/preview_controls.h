// The picture controls of the pages: plain statics of the page templates
// that a row handler subclasses and paints at every WM_PAINT from a picture
// list built fresh from the settings being edited (row bitmaps, the layout
// picture, the model's conditional pictures, the device picture and the
// colour sample), composed offscreen over a background with magenta as the
// transparent colour of every sprite; and the state icons of the pages.
#pragma once

#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_paint.h"
#include "printer_interface/framework/page_framework.h"

// Results of the picture sources and the paint.
constexpr int kPictureOk = 0;
constexpr int kPictureBadArguments = 1;
constexpr int kPictureNoMemory = 2;
constexpr int kPictureSettingUnreadable = 3;
constexpr int kPictureModelReadFailed = 4;
constexpr int kPictureMissing = 5;
constexpr int kPictureGdiFailed = 6;
constexpr int kPictureOther = 6;

// Backgrounds of a picture control.
constexpr INT kBackgroundPattern = 1;   // pattern brush of bitmap 374
constexpr INT kBackgroundSnapshot = 2;  // what lay under the control
constexpr INT kBackgroundFace = 3;      // COLOR_BTNFACE

constexpr UINT kPatternBitmap = 374;
constexpr UINT kColourSampleBitmap = 373;
constexpr COLORREF kTransparentColour = 0x00FF00FF;  // magenta

// Controls served.
constexpr INT kRowPictureControl = 1105;
constexpr INT kLayoutControl = 1186;
constexpr INT kModelPictureControl = 1187;
constexpr INT kSubDialogLayoutControl = 1212;
constexpr INT kDevicePictureControl = 1217;
constexpr INT kColourSampleControl = 1282;
constexpr INT kPlainStaticControl = 1527;
constexpr INT kModeLayoutControl = 1556;
constexpr INT kRowPictureControl1 = 1761;
constexpr INT kRowPictureControl2 = 1762;
constexpr INT kRowPictureControl3 = 1763;
constexpr INT kStateIconControlA = 1199;
constexpr INT kStateIconControlB = 1205;

// One bitmap of a picture, its top-left corner in client coordinates.
struct PictureEntry {
  HBITMAP bitmap;
  INT x;
  INT y;
};
// A picture list is a GlobalAlloc'd array of entries ended by a null bitmap.
// Deletes every bitmap up to the terminator and frees the array.
void FreePictureList(PictureEntry* list);

// The parameter block of a row-bitmap control (1105, 1761-1763): the id of
// the bitmap it shows.
struct RowPictureParams {
  DWORD bitmapId;
};

// The colour sample of the colour page, held by the sheet while that page is
// active: the locked bitmap 373 and a copy of its header and colour table.
struct ColourSampleData {
  HGLOBAL resource;
  BITMAPINFOHEADER* copy;          // header and colour table (GlobalAlloc)
  const BITMAPINFOHEADER* header;  // the resource's; its bits follow its table
  DWORD colours;                   // entries of the copy's table
  DWORD resourceBytes;
};

// ---- The row handler and the subclass -----------------------------------------------------------
// The handler of every picture row; answers 0.
LRESULT PreviewControlHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                              const ControlRow* row, const void* params);
LRESULT PreviewControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The about dialog draws its version texts over control 1217 after the
// picture: (device context, dialog, sheet state) -> 1 or 0.
using AboutTextsPainter = int (*)(HDC dc, HWND dialog, SheetState* state);
void SetAboutTextsPainter(AboutTextsPainter painter);

// ---- Painting -----------------------------------------------------------------------------------
int PaintPictureControl(HMODULE module, HWND window, const PictureEntry* list, HPALETTE palette, BOOL transparent,
                        INT backgroundMode);
int DrawPictureList(HMODULE module, HWND window, HDC dc, const RECT* rect, const PictureEntry* list, HPALETTE palette,
                    BOOL offscreen, BOOL fill, INT backgroundMode);
int FillPictureBackground(HMODULE module, HWND window, HDC dc, const RECT* rect, INT mode, HPALETTE palette);
int DrawPictureEntry(HMODULE module, HDC dc, const PictureEntry* entry, HPALETTE palette, BOOL transparent);
// Draws into `dc` (size.cx x size.cy) the mask of the bitmap: white where it
// is magenta, black elsewhere. 0, or 6 on a failure.
int BuildTransparencyMask(HDC dc, HBITMAP bitmap, SIZE size);
// Keeps what lies under the control now as its background snapshot (OS 5.1
// or later): 0, or 6.
int CaptureControlBackground(HWND window);

// ---- Picture sources (0 and a new list, or a result code above) ------------------------------------
int LoadRowPicture(HMODULE module, HWND page, INT controlId, PictureEntry** list);
int BuildModelPictureList(HWND window, HWND page, INT controlId, const void* devMode, const void* settings,
                          PictureEntry** list);
int LoadDevicePictureList(HMODULE module, HWND page, HWND window, SheetState* state, PictureEntry** list);
// Also hands out the palette of the picture, which the caller deletes.
int LoadColourSamplePicture(HMODULE module, HWND window, HWND page, const void* devMode, PictureEntry** list,
                            HPALETTE* palette);
int LoadColourSampleData(HMODULE module, SheetState* state);
void FreeColourSampleData(SheetState* state);
ColourSampleData* GetColourSampleData(const SheetState* state);

// ---- Bitmap helpers -----------------------------------------------------------------------------
HGLOBAL LockBitmapResource(HMODULE module, UINT id, const BITMAPINFOHEADER** header, DWORD* bytes);
void ReleaseBitmapResource(HGLOBAL resource);
// A palette of at most 256 colours, only those of the table within `bytes`
// (header and table); none for a header without a table.
HPALETTE CreateDibPalette(const BITMAPINFOHEADER* header, DWORD bytes);
HBITMAP CreatePaletteBitmap(HWND window, const BITMAPINFOHEADER* header, const void* bits, HPALETTE palette);
HBITMAP LoadPaletteBitmap(HMODULE module, HWND window, UINT id, HPALETTE* palette);
// A bitmap of a packed DIB of `bytes` bytes; null when the header, colour
// table or bits do not lie within them, or for a depth other than 1, 4, 8, 24.
HBITMAP CreateBitmapFromPackedDib(HWND window, const BITMAPINFOHEADER* header, DWORD bytes, HPALETTE* palette);

// ---- Icons --------------------------------------------------------------------------------------
// The icon of 1199 or 1205 from settings 267 and 437: 0, 3 (a setting
// cannot be read), 1 (no icon for the value), 5 (the icon is missing).
int SetStateIcon(HMODULE module, HWND page, const void* devMode, INT controlId);
// The icon id of a row: 0 with *iconId set, else no icon.
using RowIconCallback = int (*)(HandlerContext* context, INT rowIndex, INT controlId, INT* iconId);
// At PSN_SETACTIVE and refresh: sets the icon the callback gives on the row's
// control. Answers 0.
LRESULT SetRowIcon(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                   RowIconCallback callback);
