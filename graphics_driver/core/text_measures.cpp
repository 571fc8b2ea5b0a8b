// Measures of text output (see text_output.h): normalised rectangles, the
// rounded-up length of a vector, and a font's em height in points. The font
// queries and the font substitution measure with the same two functions.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics_driver/core/text_output.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_muldiv.h"

void MakeRectangle(RECTL* out, LONG x0, LONG y0, LONG x1, LONG y1) {
  if (!out) return;
  *out = RECTL{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

LONG CeilHypot(LONG a, LONG b) {
  const int64_t x = a < 0 ? -int64_t(a) : int64_t(a);
  const int64_t y = b < 0 ? -int64_t(b) : int64_t(b);
  if (x == 0 || y == 0) return LONG(std::min<int64_t>(x + y, INT32_MAX));
  const int64_t target = x * x + y * y;
  // Start close below the answer and count up: (r + 1)^2 = r^2 + 2r + 1.
  int64_t r = std::max<int64_t>(std::max(x, y), int64_t(std::sqrt(double(target))) - 2);
  int64_t square = r * r;
  while (square < target) {
    square += 2 * r + 1;
    ++r;
  }
  return LONG(std::min<int64_t>(r, INT32_MAX));
}

int GetFontEmHeightDots(FONTOBJ* pfo, LONG* out) {
  if (!pfo || !out) return 0;
  XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
  const IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  if (!pxo || !ifi) return 0;
  POINTL em{0, ifi->fwdUnitsPerEm};
  POINTL fix{0, 0};
  if (!XFORMOBJ_bApplyXform(pxo, XF_LTOFX, 1, &em, &fix)) return 0;
  *out = CeilHypot(fix.x, fix.y) >> 4;
  return 1;
}

int GetFontEmHeightPoints(PdevState* pdev, FONTOBJ* pfo, LONG* out) {
  if (!pdev || !pfo || !out) return 0;
  LONG dots = 0;
  if (!GetFontEmHeightDots(pfo, &dots)) return 0;
  const int resolution = pdev->devmode.devMode.publicPart.dmYResolution;
  if (resolution <= 0) return 0;
  *out = MulDiv(dots, 72, resolution);
  return 1;
}
