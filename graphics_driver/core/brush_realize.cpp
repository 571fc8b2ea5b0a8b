// The realisation of a brush (see brushes.h): 16, 24 and 32-bit patterns
// become top-down 24-bit rows through the colour translation; 1, 4 and 8-bit
// patterns are kept as they are with the translation's table.
#include <cstring>

#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/driver_entry.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_error.h"

namespace {

uint32_t BitsOfFormat(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP:
    case BMF_24BPP:
    case BMF_32BPP: return 24;
    default: return 0;
  }
}

// The most table entries a realisation takes.
constexpr ULONG kMaxPaletteEntries = 65536;

// Writes the pattern's pixels as blue, green, red rows, top row first.
bool ConvertToRgbRows(const SURFOBJ* pattern, XLATEOBJ* pxlo, BYTE* out, size_t rowBytes) {
  const int32_t width = pattern->sizlBitmap.cx, rows = pattern->sizlBitmap.cy;
  const uint32_t pixelBytes = pattern->iBitmapFormat == BMF_16BPP ? 2 : pattern->iBitmapFormat == BMF_24BPP ? 3 : 4;
  const int64_t delta = pattern->lDelta;
  if (!pattern->pvScan0 || (delta < 0 ? -delta : delta) < int64_t(width) * pixelBytes) return false;
  for (int32_t y = 0; y < rows; ++y) {
    const BYTE* src = static_cast<const BYTE*>(pattern->pvScan0) + y * delta;
    BYTE* dst = out + size_t(y) * rowBytes;
    for (int32_t x = 0; x < width; ++x, dst += 3) {
      if (pixelBytes == 3) {
        std::memcpy(dst, src + 3 * x, 3);
        continue;
      }
      ULONG pixel = 0;
      if (pixelBytes == 2) {
        uint16_t v;
        std::memcpy(&v, src + 2 * x, 2);
        pixel = v;
      } else {
        std::memcpy(&pixel, src + 4 * x, 4);
      }
      const ULONG colour = XLATEOBJ_iXlate(pxlo, pixel);
      dst[0] = BYTE(colour);
      dst[1] = BYTE(colour >> 8);
      dst[2] = BYTE(colour >> 16);
    }
  }
  return true;
}

}  // namespace

BOOL RealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ*, XLATEOBJ* pxlo, ULONG iHatch) {
  if (!pbo || !psoTarget || !psoPattern || !pxlo || !IsValidPdev(PdevOfSurface(psoTarget))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool pattern = iHatch >= kHatchStyleCount;
  uint32_t bits = 0;
  uint64_t rowBytes = 0, bitsSize = 0;
  if (pattern) {
    bits = BitsOfFormat(psoPattern->iBitmapFormat);
    const int32_t width = psoPattern->sizlBitmap.cx, rows = psoPattern->sizlBitmap.cy;
    if (bits == 0 || width <= 0 || rows <= 0 || width > kMaxPatternSide || rows > kMaxPatternSide) return FALSE;
    rowBytes = (uint64_t(width) * bits + 31) / 32 * 4;
    bitsSize = rowBytes * uint64_t(rows);
  }
  const ULONG count = (pxlo->flXlate & XO_TABLE) && pxlo->pulXlate ? pxlo->cEntries : 0;
  if (count > kMaxPaletteEntries) return FALSE;
  const uint64_t total = bitsSize + 4ull * count + kRealizedBrushExtraBytes;
  if (total > 0x7FFFFFFF) return FALSE;
  auto* block = static_cast<BYTE*>(BRUSHOBJ_pvAllocRbrush(pbo, ULONG(total)));
  if (!block) return FALSE;

  RealizedBrush header{};
  header.paletteCount = count;
  header.paletteOffset = uint32_t(bitsSize + kRealizedBrushExtraBytes);
  header.iHatch = iHatch;
  if (count) std::memcpy(block + header.paletteOffset, pxlo->pulXlate, 4ull * count);
  if (pattern) {
    header.width = psoPattern->sizlBitmap.cx;
    header.rows = psoPattern->sizlBitmap.cy;
    BYTE* out = block + kRealizedBrushBitsOffset;
    if (bits == 24) {
      if (!ConvertToRgbRows(psoPattern, pxlo, out, size_t(rowBytes))) return FALSE;
      header.format = BMF_24BPP;
      header.flags = psoPattern->fjBitmap | BMF_TOPDOWN;
    } else {
      if (!psoPattern->pvBits || psoPattern->cjBits < bitsSize) return FALSE;
      std::memcpy(out, psoPattern->pvBits, size_t(bitsSize));
      header.format = psoPattern->iBitmapFormat;
      header.flags = psoPattern->fjBitmap;
    }
  }
  std::memcpy(block, &header, sizeof header);
  pbo->pvRbrush = block;
  return TRUE;
}

const BYTE* RealizedBrushBits(const RealizedBrush* brush) {
  return reinterpret_cast<const BYTE*>(brush) + kRealizedBrushBitsOffset;
}

ULONG RealizedBrushColour(const RealizedBrush* brush, uint32_t i) {
  if (i >= brush->paletteCount) return 0;
  ULONG colour;
  std::memcpy(&colour, reinterpret_cast<const BYTE*>(brush) + brush->paletteOffset + 4ull * i, 4);
  return colour;
}
