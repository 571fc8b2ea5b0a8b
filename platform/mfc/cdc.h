// Device contexts: what a view paints with. The back end hands over a
// surface; the context adds the logical origin a scrolling view sets and a
// selected brush.
#pragma once

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/mfc/cwnd.h"

using COLORREF = DWORD;
#ifndef RGB
#define RGB(r, g, b)                                                                               \
  (static_cast<COLORREF>((static_cast<BYTE>(r)) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                         ((static_cast<DWORD>(static_cast<BYTE>(b))) << 16)))
#endif
#ifndef GetRValue
#define GetRValue(c) (static_cast<BYTE>((c)&0xFF))
#define GetGValue(c) (static_cast<BYTE>(((c) >> 8) & 0xFF))
#define GetBValue(c) (static_cast<BYTE>(((c) >> 16) & 0xFF))
#endif

// Where a context's drawing lands, in device pixels.
class AfxSurface {
 public:
  virtual ~AfxSurface() = default;
  // A bottom-up 24-bit DIB, 1:1, its top-left at (x, y).
  virtual void DrawDib(int x, int y, int width, int height, const BYTE* bits, int stride) = 0;
  virtual void FillRect(const RECT& rect, COLORREF colour) = 0;
  // The part that needs painting.
  virtual RECT ClipBox() const = 0;
};

class CBrush {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) : m_colour(colour) {}
  BOOL CreateSolidBrush(COLORREF colour) {
    m_colour = colour;
    return TRUE;
  }
  COLORREF m_colour = 0;
};

class CDC {
 public:
  explicit CDC(AfxSurface* surface) : m_surface(surface) {}
  virtual ~CDC() = default;

  // Logical (0, 0) lies at this device point.
  void SetViewportOrg(int x, int y) {
    m_org.x = x;
    m_org.y = y;
  }
  POINT GetViewportOrg() const { return m_org; }

  // Copies a DIB; only 1:1 copies of bottom-up 24-bit DIBs are supported,
  // anything else draws nothing and answers 0. The answer is the rows drawn.
  int StretchDIBits(int x, int y, int w, int h, int xSrc, int ySrc, int wSrc, int hSrc, const void* bits,
                    const BITMAPINFO* info, UINT usage, DWORD rop);
  // PATCOPY with the selected brush.
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop);
  void FillSolidRect(const RECT* rect, COLORREF colour);
  CBrush* SelectObject(CBrush* brush) {
    CBrush* old = m_brush;
    m_brush = brush;
    return old;
  }
  // The clip box in logical coordinates.
  int GetClipBox(LPRECT rect) const;

 private:
  AfxSurface* m_surface;
  POINT m_org{0, 0};
  CBrush* m_brush = nullptr;
};
