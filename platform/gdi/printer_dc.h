// Printer device contexts whose drawing goes to a back end (the print host):
// the DC state (colours, background mode, text alignment, selected font, pen
// and brush, saved states), the GDI objects an application makes, the calls
// that pass straight to the driver (ExtEscape) or drive the page machine
// (StartPage, EndPage), and the drawing calls handed to the back end in device
// units. Also the document events the host sends a printer interface library.
#pragma once

#include <string>
#include <vector>

#include "platform/win/win_devmode.h"
#include "platform/win/win_logfont.h"
#include "platform/win/win_types.h"

// Background modes, text alignment, mapping mode.
#define TRANSPARENT 1
#define OPAQUE 2
#define TA_LEFT 0
#define TA_TOP 0
#define TA_UPDATECP 1
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define MM_TEXT 1

// Raster operations of pens.
#define R2_BLACK 1
#define R2_COPYPEN 13
#define R2_WHITE 16

// Pens and brushes.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_NULL 5
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5
#define ALTERNATE 1
#define WINDING 2

// Stock objects.
#define WHITE_BRUSH 0
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13

// DrawTextW formats.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400

// Device capabilities.
#define HORZRES 8
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113

// Document events sent to a printer interface library.
#define DOCUMENTEVENT_CREATEDCPRE 1
#define DOCUMENTEVENT_CREATEDCPOST 2
#define DOCUMENTEVENT_RESETDCPRE 3
#define DOCUMENTEVENT_RESETDCPOST 4
#define DOCUMENTEVENT_STARTDOC 5
#define DOCUMENTEVENT_STARTPAGE 6
#define DOCUMENTEVENT_ENDPAGE 7
#define DOCUMENTEVENT_ENDDOC 8
#define DOCUMENTEVENT_SUCCESS 1
#define DOCUMENTEVENT_UNSUPPORTED 0
#define DOCUMENTEVENT_FAILURE (-1)

#pragma pack(push, 8)
struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};
struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};
// Input of DOCUMENTEVENT_CREATEDCPRE.
struct DOCEVENT_CREATEDCPRE {
  LPWSTR pszDriver;
  LPWSTR pszDevice;
  DEVMODEW* pdm;
  BOOL bIC;
};
#pragma pack(pop)
static_assert(sizeof(LOGPEN) == 16 && sizeof(LOGBRUSH) == 16 && sizeof(DOCEVENT_CREATEDCPRE) == 32);

using PFN_DrvDocumentEvent = int (*)(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                     PVOID pvOut);

namespace pkgdi {

// The state a printer DC hands to its back end with every drawing call.
struct DcState {
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT viewportOrg{0, 0};
  LOGFONTW font{};   // the selected font (the system font when none is)
  LOGPEN pen{};      // the selected pen
  LOGBRUSH brush{};  // the selected brush
  // Kept for the application; the host draws copy-pen.
  int rop2 = R2_COPYPEN;
  // The logical point drawn at the viewport origin.
  POINT windowOrg{0, 0};
};

// What a printer DC does with the calls that reach its device. Coordinates are
// device dots with the viewport origin already applied. Results follow the
// GDI calls: ExtEscape's value, StartPage/EndPage > 0 on success.
class PKAPI PrinterDcBackEnd {
 public:
  virtual ~PrinterDcBackEnd();
  virtual int Escape(int code, int cjIn, const void* in, int cjOut, void* out) = 0;
  virtual int StartPage() = 0;
  virtual int EndPage() = 0;
  virtual bool TextOut(const DcState& dc, POINT at, const std::u16string& text) = 0;
  // The size of a one-line text in the state's font.
  virtual bool MeasureText(const DcState& dc, const std::u16string& text, SIZE* size) = 0;
  virtual bool Polygon(const DcState& dc, const std::vector<POINT>& points) = 0;
  virtual bool Ellipse(const DcState& dc, const RECT& box) = 0;
  virtual bool Rectangle(const DcState& dc, const RECT& box) = 0;
  virtual int DeviceCaps(int index) = 0;
};

// A DC over the back end (not owned); DeletePrinterDc releases it.
PKAPI HDC CreatePrinterDc(PrinterDcBackEnd* backEnd);
PKAPI void DeletePrinterDc(HDC hdc);
// The GDI objects made and not deleted (for leak checks in tests).
PKAPI size_t LiveGdiObjects();
// The state and back end of a live DC (either may be null); false for a handle
// that is no DC.
PKAPI bool GetDcState(HDC hdc, DcState* state, PrinterDcBackEnd** backEnd);
// A brush of any style the screen knows (BS_PATTERN); `stock` brushes are
// never deleted.
PKAPI HBRUSH NewBrushObject(const LOGBRUSH& brush, bool stock);
// The object a handle names, when it is a brush or a font.
PKAPI bool BrushOf(HGDIOBJ h, LOGBRUSH* brush);
PKAPI bool FontOf(HGDIOBJ h, LOGFONTW* font);

}  // namespace pkgdi

extern "C" {
PKAPI int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData);
PKAPI int StartPage(HDC hdc);
PKAPI int EndPage(HDC hdc);
PKAPI int GetDeviceCaps(HDC hdc, int index);

PKAPI int SaveDC(HDC hdc);
PKAPI BOOL RestoreDC(HDC hdc, int nSavedDC);
PKAPI int SetMapMode(HDC hdc, int iMode);
PKAPI UINT SetTextAlign(HDC hdc, UINT align);
PKAPI BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* lppt);
PKAPI int SetBkMode(HDC hdc, int mode);
PKAPI COLORREF SetBkColor(HDC hdc, COLORREF color);
PKAPI COLORREF SetTextColor(HDC hdc, COLORREF color);
PKAPI int SelectClipRgn(HDC hdc, HRGN hrgn);
PKAPI int SetROP2(HDC hdc, int rop2);
PKAPI BOOL GetWindowOrgEx(HDC hdc, POINT* lppoint);
PKAPI BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* lppt);

PKAPI HFONT CreateFontIndirectW(const LOGFONTW* lplf);
PKAPI HPEN CreatePenIndirect(const LOGPEN* plpen);
PKAPI HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
PKAPI HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
PKAPI HBRUSH CreateSolidBrush(COLORREF color);
PKAPI HGDIOBJ GetStockObject(int i);
PKAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
PKAPI BOOL DeleteObject(HGDIOBJ ho);

PKAPI BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
PKAPI int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, RECT* lprc, UINT format);
PKAPI BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
PKAPI BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
PKAPI BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
}
