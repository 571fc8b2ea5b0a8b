// Colour detection (see colour_detection.h).
#include "graphics_driver/core/colour_detection.h"

#include <algorithm>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "platform/win/win_memory.h"

namespace {

bool IsGrey(const BYTE* p) { return p[0] == p[1] && p[1] == p[2]; }

bool PixelPasses(const BYTE* p, int mode) { return mode == kScanExact ? IsGrey(p) : IsNearGrey(p[2], p[1], p[0]); }

int AllPass(int mode) { return mode == kScanExact ? int(kColourAllGrey) : int(kColourNearGrey); }

}  // namespace

int CreateColorCounter(ColorCounter** counter) {
  if (!counter) return -1;
  *counter = static_cast<ColorCounter*>(GlobalAlloc(GPTR, sizeof(ColorCounter)));
  return *counter ? 0 : -2;
}

int FreeColorCounter(ColorCounter** counter) {
  if (!counter) return -1;
  if (*counter) GlobalFree(*counter);
  *counter = nullptr;
  return 0;
}

bool IsNearGrey(int r, int g, int b) {
  if (r == g && g == b) return true;
  const float mean = float(r + g + b) / 3.0f;
  static const int kTolerance[4] = {5, 5, 5, 2};
  const int tolerance = kTolerance[(static_cast<int>(mean) >> 6) & 3];
  return float(std::min({r, g, b})) >= mean - tolerance && float(std::max({r, g, b})) <= mean + tolerance;
}

int ScanRgbGrey(const BYTE* data, uint32_t width, uint32_t rows, int mode) {
  if (mode != kScanExact && mode != kScanNear) return kColourNotTested;
  if (!data) return rows == 0 || width == 0 ? AllPass(mode) : int(kColourNotTested);
  const size_t pixels = size_t(width) * rows;
  for (size_t i = 0; i < pixels; ++i)
    if (!PixelPasses(data + 3 * i, mode)) return kColourFound;
  return AllPass(mode);
}

int ScanIndexedGrey(const BYTE* data, uint32_t width, uint32_t rows, const BYTE* palette, uint32_t paletteCount,
                    uint32_t bits, int mode) {
  if (bits != 1 && bits != 4 && bits != 8) return kColourNotTested;
  if (mode != kScanExact && mode != kScanNear) return kColourNotTested;
  if (!palette) paletteCount = 0;
  paletteCount = std::min(paletteCount, 1u << bits);
  bool paletteGrey = true;
  for (uint32_t i = 0; i < paletteCount && paletteGrey; ++i) paletteGrey = PixelPasses(palette + 3 * size_t(i), mode);
  if (paletteGrey || rows == 0 || width == 0) return AllPass(mode);
  if (!data) return kColourNotTested;
  const size_t rowBytes = bits == 1 ? (size_t(width) + 7) / 8 : bits == 4 ? (size_t(width) + 1) / 2 : width;
  static const BYTE kBlack[3] = {0, 0, 0};
  for (uint32_t y = 0; y < rows; ++y) {
    const BYTE* row = data + rowBytes * y;
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t index = bits == 8   ? row[x]
                       : bits == 4 ? (x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4)
                                   : (row[x / 8] >> (7 - x % 8)) & 1;
      const BYTE* entry = index < paletteCount ? palette + 3 * size_t(index) : kBlack;
      if (!PixelPasses(entry, mode)) return kColourFound;
    }
  }
  return AllPass(mode);
}

int CheckColourCounter(const ColorCounter* counter, const BYTE* data, uint32_t width, uint32_t rows, uint32_t kind,
                       uint32_t bits, int useCounter) {
  if (counter && useCounter == 1 && counter->result == kColourFound) return kColourFound;
  if (counter && counter->result == kColourAllGrey) return kColourAllGrey;
  if (kind == kImageKindRgb && bits == 24) return ScanRgbGrey(data, width, rows, kScanExact);
  return -1;
}

int DetectColourContent(ColorCounter* counter, PageColorSet* pageColours, PdevState* pdev, const BYTE* data,
                        uint32_t width, uint32_t rows, const BYTE* palette, uint32_t paletteCount, uint32_t kind,
                        uint32_t bits) {
  if (!counter) return -1;
  if (IsPageCollectIdle(pdev)) {
    counter->result = kColourNotTested;
    return 0;
  }
  // A page flushed before its layout is known must be decided exactly.
  const int mode = PageCollectNeedsFlush(pdev) ? kScanExact : kScanNear;
  int result;
  if (kind == kImageKindRgb && bits == 24) {
    result = ScanRgbGrey(data, width, rows, mode);
  } else if (kind == kImageKindIndexed && (bits == 1 || bits == 4 || bits == 8) && palette) {
    result = ScanIndexedGrey(data, width, rows, palette, paletteCount, bits, mode);
  } else {
    counter->result = kColourNotTested;
    return -1;
  }
  counter->result = static_cast<uint32_t>(result);
  if (result == int(kColourFound) && SetPageCollectMode2(pdev) != 0) return -1;
  if (pageColours && pageColours->on == 1 &&
      CollectDistinctColors(pageColours, data, width, rows, bits, 1, palette, paletteCount) != 0) {
    return -1;
  }
  return 0;
}
