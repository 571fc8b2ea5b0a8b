// Device contexts (see cdc.h).
#include "platform/mfc/cdc.h"

#include <cstdlib>

int CDC::StretchDIBits(int x, int y, int w, int h, int xSrc, int ySrc, int wSrc, int hSrc, const void* bits,
                       const BITMAPINFO* info, UINT usage, DWORD rop) {
  if (!m_surface || !bits || !info || usage != DIB_RGB_COLORS || rop != SRCCOPY) return 0;
  const BITMAPINFOHEADER& h0 = info->bmiHeader;
  // Only what the preview paints: a bottom-up 24-bit DIB copied 1:1 whole.
  if (h0.biSize < 40 || h0.biBitCount != 24 || h0.biCompression != 0 || h0.biPlanes != 1 || h0.biWidth <= 0 ||
      h0.biHeight <= 0)
    return 0;
  if (w != wSrc || h != hSrc || xSrc != 0 || ySrc != 0 || w != h0.biWidth || h != h0.biHeight) return 0;
  int stride = static_cast<int>(((static_cast<int64_t>(h0.biWidth) * 24 + 31) / 32) * 4);
  m_surface->DrawDib(x + m_org.x, y + m_org.y, w, h, static_cast<const BYTE*>(bits), stride);
  return h;
}

BOOL CDC::PatBlt(int x, int y, int w, int h, DWORD rop) {
  if (!m_surface || rop != PATCOPY) return FALSE;
  RECT r{x + m_org.x, y + m_org.y, x + w + m_org.x, y + h + m_org.y};
  m_surface->FillRect(r, m_brush ? m_brush->m_colour : RGB(255, 255, 255));
  return TRUE;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
  if (!m_surface || !rect) return;
  RECT r{rect->left + m_org.x, rect->top + m_org.y, rect->right + m_org.x, rect->bottom + m_org.y};
  m_surface->FillRect(r, colour);
}

int CDC::GetClipBox(LPRECT rect) const {
  RECT r = m_surface ? m_surface->ClipBox() : RECT{0, 0, 0, 0};
  rect->left = r.left - m_org.x;
  rect->top = r.top - m_org.y;
  rect->right = r.right - m_org.x;
  rect->bottom = r.bottom - m_org.y;
  return 1;
}
