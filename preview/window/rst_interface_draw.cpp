// Painting the page bitmap of the rendering bridge into the view.
#include <memory>

#include "platform/mfc/cdc.h"
#include "preview/rst_interface.h"

bool CRstInterface::Draw(CDC* pDC) {
  if (!pDC || !GetBits()) return false;
  int width = GetDisplayWidth();
  int height = GetDisplayHeight();
  std::unique_ptr<BITMAPINFOHEADER> header(MakeBitmapInfo());
  if (!header) return false;
  BITMAPINFO info{};
  info.bmiHeader = *header;
  pDC->StretchDIBits(0, 0, width, height, 0, 0, width, height, GetBits(), &info, DIB_RGB_COLORS, SRCCOPY);
  return true;
}
