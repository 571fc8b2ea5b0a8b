// Bitmaps and icons from the bytes of a module's resources. Every count and
// size of the header is checked against the resource's own size before a
// pixel is read.
#include <cstring>
#include <vector>

#include "platform/gdi/screen_bitmaps.h"

namespace pk::gdi {
namespace {

// The layout of a DIB whose header, colour table and `rows` rows of bits
// (the header's height when negative) fit `size` bytes.
bool FitDib(const void* data, size_t size, int rows, DibLayout* dib) {
  if (!ParseDib(data, size, DIB_RGB_COLORS, nullptr, dib)) return false;
  const size_t need = dib->stride * size_t(rows < 0 ? dib->height : rows);
  return dib->headerBytes <= size && need <= size - dib->headerBytes;
}

}  // namespace

HBITMAP BitmapFromPackedDib(const void* data, size_t size) {
  DibLayout dib;
  if (!data || !FitDib(data, size, -1, &dib)) return nullptr;
  const BYTE* bits = static_cast<const BYTE*>(data) + dib.headerBytes;
  Pixels p;
  p.width = dib.width;
  p.height = dib.height;
  const bool blackWhite = dib.bitsPerPixel == 1 && dib.colours.size() == 2 &&
                          ((dib.colours[0] == RGB(0, 0, 0) && dib.colours[1] == RGB(255, 255, 255)) ||
                           (dib.colours[1] == RGB(0, 0, 0) && dib.colours[0] == RGB(255, 255, 255)));
  p.bitsPerPixel = blackWhite ? 1 : DisplayDepth();
  try {
    p.colour.resize(size_t(p.width) * p.height);
  } catch (...) {
    return nullptr;
  }
  for (int y = 0; y < p.height; ++y) {
    const BYTE* row = bits + size_t(dib.topDown ? y : p.height - 1 - y) * dib.stride;
    for (int x = 0; x < p.width; ++x) p.colour[size_t(y) * p.width + x] = DibPixel(dib, row, x);
  }
  return NewBitmap(p);
}

HICON IconFromImage(const void* data, size_t size) {
  DibLayout dib;
  if (!data || !FitDib(data, size, 0, &dib) || dib.topDown || dib.height % 2 || dib.width > 256 || dib.height > 512)
    return nullptr;
  // The header's height counts the colour image and the mask.
  const int w = dib.width, h = dib.height / 2;
  const size_t maskStride = ((size_t(w) + 31) / 32) * 4;
  const size_t colourBytes = dib.stride * size_t(h), maskBytes = maskStride * size_t(h);
  if (colourBytes > size - dib.headerBytes || maskBytes > size - dib.headerBytes - colourBytes) return nullptr;
  const BYTE* colour = static_cast<const BYTE*>(data) + dib.headerBytes;
  const BYTE* mask = colour + colourBytes;
  // CreateIcon takes top-down rows padded to 16 bits: 32-bit colour, 1-bit mask.
  const size_t andRow = ((size_t(w) + 15) / 16) * 2;
  std::vector<BYTE> andBits(andRow * h, 0), xorBits(size_t(w) * 4 * h, 0);
  for (int y = 0; y < h; ++y) {
    const int from = h - 1 - y;
    const BYTE* crow = colour + size_t(from) * dib.stride;
    const BYTE* mrow = mask + size_t(from) * maskStride;
    for (int x = 0; x < w; ++x) {
      const COLORREF c = DibPixel(dib, crow, x);
      BYTE* px = &xorBits[(size_t(y) * w + x) * 4];
      px[0] = GetBValue(c);
      px[1] = GetGValue(c);
      px[2] = GetRValue(c);
      if ((mrow[x / 8] >> (7 - x % 8)) & 1) andBits[size_t(y) * andRow + x / 8] |= BYTE(0x80 >> (x % 8));
    }
  }
  return CreateIcon(nullptr, w, h, 1, 32, andBits.data(), xorBits.data());
}

}  // namespace pk::gdi
