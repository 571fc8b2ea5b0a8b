// Painting of the headless windows. Every window has a backing bitmap of its
// client size (32-bit colour) that its DC draws on; the standard controls
// paint a plain fixed look into it on WM_PAINT, after WM_ERASEBKGND, and
// owner-drawn lines go to the owner as WM_DRAWITEM with a DC on the control's
// bitmap. A window's screen content is its bitmap with its visible children
// composed over it in z-order; RenderToPng writes it to a PNG file.
// Painting happens when UpdateWindow or RenderToPng asks, and at once again
// for a window already painted whose state changes.
#pragma once

#include <string>

#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_window.h"

#define WM_ERASEBKGND 0x0014
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_DISABLED 0x0004
#define ODS_FOCUS 0x0010
#define ODS_COMBOBOXEDIT 0x1000
#define ODT_STATIC 5
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
static_assert(sizeof(PAINTSTRUCT) == 72);

extern "C" {
// A DC on the window's backing bitmap with the update rectangle (empty when
// nothing waits to be painted); WM_ERASEBKGND is sent first when an erase
// waits. The window is valid afterwards.
PKAPI HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint);
PKAPI BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
// Adds the rectangle (the whole client area when null) to what waits to be
// painted; bErase asks for WM_ERASEBKGND before the next WM_PAINT.
PKAPI BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
PKAPI BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
// Fills with a brush, or with a system colour given as COLOR_x + 1.
PKAPI int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
// The brush of a system colour: owned by the system, DeleteObject leaves it.
PKAPI HBRUSH GetSysColorBrush(int nIndex);
// An icon of the module's icon group `lpIconName` (the 32 x 32 image), shared:
// DestroyIcon leaves it. Null for a missing or damaged icon.
PKAPI HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
// A device bitmap (display depth; monochrome for a black-and-white DIB) from
// the module's packed DIB; null for a missing one or one whose header, colour
// table or bits do not fit the resource.
PKAPI HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);
}

namespace pk::ui {

// The pixels of a window's screen content (backing bitmap and visible
// children); false for no window.
PKAPI bool ScreenPixels(HWND window, pk::gdi::Pixels* out);
// Paints the window and its visible children that wait to be painted, then
// writes the window's screen content as an 8-bit RGB PNG of its size. False
// when the window is missing or the file cannot be written.
PKAPI bool RenderToPng(HWND window, const std::string& path);

// Inside the layer: the default procedure's painting and erasing, and the
// state change of a control that was painted before.
LRESULT DefaultPaint(HWND h);
LRESULT DefaultErase(HWND h, HDC dc);
void StateChanged(HWND h, UINT msg);
void PaintPending();
void ReleaseBacking(HWND h);
// A control of a dialog template shows until it is hidden.
void NoteTemplateControl(HWND h);
void NoteShow(HWND h, bool show);
// The window and its parents show (WS_VISIBLE, or a dialog's control not hidden).
bool ShowsOnScreen(HWND h);

}  // namespace pk::ui
