// The icon of a choice: an icon image (a packed DIB whose colour rows are
// followed by one 32-bit mask word per row) turned into a device bitmap on
// the display and from there into an icon with the bitmap's colour format.
#include <cstring>
#include <vector>

#include "platform/gdi/display_dc.h"
#include "platform/gdi/screen_bitmaps.h"
#include "platform/win/windows.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/model/model_queries.h"

namespace {

constexpr DWORD kCoreHeaderBytes = 12;
constexpr DWORD kInfoHeaderBytes = 40;
constexpr LONG kLargestIcon = 32;
constexpr DWORD kMaskWordBytes = 4;

// The picture as the calls take it: an information header (the icon's
// height, not the image's) with a colour table of RGBQUADs.
struct IconImage {
  std::vector<BYTE> info;  // BITMAPINFOHEADER and colour table
  const BYTE* colourRows = nullptr;
  const BYTE* maskRows = nullptr;  // bottom-up, one word per row
  LONG width = 0;
  LONG height = 0;
};

// Reads and checks the DIB: every part must lie within its bytes.
bool ReadIconImage(const BYTE* dib, DWORD dibSize, IconImage* image) {
  if (!dib || dibSize < kCoreHeaderBytes) return false;
  DWORD headerBytes = 0;
  memcpy(&headerBytes, dib, sizeof headerBytes);
  LONG width = 0, height = 0;
  WORD bits = 0;
  DWORD colours = 0;
  DWORD entryBytes = 0;
  if (headerBytes == kCoreHeaderBytes) {
    WORD w = 0, h = 0;
    memcpy(&w, dib + 4, 2);
    memcpy(&h, dib + 6, 2);
    memcpy(&bits, dib + 10, 2);
    width = w;
    height = h;
    entryBytes = 3;
  } else if (headerBytes >= kInfoHeaderBytes && headerBytes <= dibSize) {
    BITMAPINFOHEADER header;
    memcpy(&header, dib, sizeof header);
    if (header.biCompression != 0) return false;
    width = header.biWidth;
    height = header.biHeight;
    bits = header.biBitCount;
    colours = header.biClrUsed;
    entryBytes = 4;
  } else {
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  if (colours == 0 && bits <= 8) colours = 1u << bits;
  if (colours > 256) return false;
  // The header's height counts the colour image and the mask.
  const LONG iconHeight = height / 2;
  if (width < 1 || width > kLargestIcon || iconHeight < 1 || iconHeight > kLargestIcon) return false;
  const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
  const uint64_t tableEnd = headerBytes + static_cast<uint64_t>(colours) * entryBytes;
  const uint64_t colourEnd = tableEnd + stride * iconHeight;
  const uint64_t maskEnd = colourEnd + static_cast<uint64_t>(kMaskWordBytes) * iconHeight;
  if (maskEnd > dibSize) return false;

  image->info.assign(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD), 0);
  BITMAPINFOHEADER header{};
  header.biSize = kInfoHeaderBytes;
  header.biWidth = width;
  header.biHeight = iconHeight;
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biClrUsed = colours;
  memcpy(image->info.data(), &header, sizeof header);
  for (DWORD c = 0; c < colours; ++c) {
    RGBQUAD q{};
    memcpy(&q, dib + headerBytes + c * entryBytes, 3);
    memcpy(image->info.data() + sizeof header + c * sizeof q, &q, sizeof q);
  }
  image->colourRows = dib + tableEnd;
  image->maskRows = dib + colourEnd;
  image->width = width;
  image->height = iconHeight;
  return true;
}

}  // namespace

int CreateIconFromDib(HMODULE module, const BYTE* dib, DWORD dibSize, HICON* icon, HPALETTE* palette) {
  if (!icon || !palette) return 0;
  *icon = nullptr;
  *palette = nullptr;
  IconImage image;
  if (!ReadIconImage(dib, dibSize, &image)) return 0;
  auto* info = reinterpret_cast<BITMAPINFO*>(image.info.data());
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.info.data());

  HDC dc = GetDC(nullptr);
  if (!dc) return 0;
  HPALETTE colours = CreateBitmapPalette(header, static_cast<DWORD>(image.info.size()));
  HPALETTE previous = nullptr;
  if (colours) {
    previous = SelectPalette(dc, colours, FALSE);
    RealizePalette(dc);
  }
  HICON made = nullptr;
  HBITMAP bitmap = CreateDIBitmap(dc, header, CBM_INIT, image.colourRows, info, DIB_RGB_COLORS);
  BITMAP shape{};
  if (bitmap && GetObjectW(bitmap, sizeof shape, &shape) == sizeof shape && shape.bmWidth == image.width &&
      shape.bmHeight == image.height) {
    std::vector<BYTE> colourBits(static_cast<size_t>(shape.bmWidthBytes) * shape.bmHeight);
    // The mask top-down in the icon's rows of 16-bit units, from the image's
    // bottom-up rows of one 32-bit word.
    const size_t maskRow = ((static_cast<size_t>(image.width) + 15) / 16) * 2;
    std::vector<BYTE> mask(maskRow * image.height);
    for (LONG row = 0; row < image.height; ++row)
      memcpy(mask.data() + row * maskRow, image.maskRows + (image.height - 1 - row) * kMaskWordBytes, maskRow);
    if (GetBitmapBits(bitmap, static_cast<LONG>(colourBits.size()), colourBits.data()) ==
        static_cast<LONG>(colourBits.size()))
      made = CreateIcon(module, shape.bmWidth, shape.bmHeight, static_cast<BYTE>(shape.bmPlanes),
                        static_cast<BYTE>(shape.bmBitsPixel), mask.data(), colourBits.data());
  }
  if (bitmap) DeleteObject(bitmap);
  if (colours) SelectPalette(dc, previous, FALSE);
  ReleaseDC(nullptr, dc);
  if (!made) {
    if (colours) DeleteObject(colours);
    return 0;
  }
  *icon = made;
  *palette = colours;
  return 1;
}
