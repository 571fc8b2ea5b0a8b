// The drawing state and pattern rows of the band engine (see
// band_pattern_rows.h).
#include "graphics_driver/core/band_pattern_rows.h"

#include <numeric>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/pattern_tables.h"

namespace {

// Rotates row (n bytes) left by (x / 8) mod n bytes into out, inverting
// under polarity 2.
void RotateInto(const BYTE* row, uint32_t n, uint32_t polarity, uint32_t x, BYTE* out) {
  const uint32_t shift = (x / 8) % n;
  const BYTE flip = polarity == 2 ? 0xFF : 0x00;
  for (uint32_t i = 0; i < n; ++i) out[i] = BYTE(row[(i + shift) % n] ^ flip);
}

// A brush bitmap row of w bits (w not a multiple of 8), laid end to end
// until the copies fill whole bytes, so that it tiles without a seam.
bool GetPatternRowBits(const BYTE* bitmap, uint32_t widthBits, uint32_t rows, uint32_t polarity, uint32_t x,
                       uint32_t pageRow, PatternRow* out) {
  const uint32_t rowBytes = (widthBits + 7) / 8;
  const BYTE* row = bitmap + size_t(pageRow % rows) * rowBytes;
  const uint32_t copies = 8 / std::gcd(widthBits, 8u);
  const uint32_t n = copies * widthBits / 8;
  std::vector<BYTE> built;
  try {
    built.assign(n, 0);
  } catch (...) {
    return false;
  }
  if (!out->Reserve(n)) return false;
  for (uint32_t bit = 0; bit < n * 8; ++bit) {
    const uint32_t c = bit % widthBits;
    if (row[c / 8] & (0x80 >> (c % 8))) built[bit / 8] |= BYTE(0x80 >> (bit % 8));
  }
  RotateInto(built.data(), n, polarity, x, out->bytes);
  out->length = n;
  return true;
}

}  // namespace

bool PatternRow::Reserve(uint32_t n) {
  if (n <= sizeof local) {
    bytes = local;
    return true;
  }
  try {
    heap.resize(n);
  } catch (...) {
    return false;
  }
  bytes = heap.data();
  return true;
}

DrawState GetDrawState(const TiffJobRecord* r) {
  DrawState s{};
  s.polarity = r->ropPolarity == 0 ? 1 : r->ropPolarity;
  s.operation = r->ropOperation == 0 ? 4 : r->ropOperation;
  s.foreGrey = r->penLevel;
  s.backGrey = r->brushLevel;
  s.patternIndex = r->imageKind;
  return s;
}

uint32_t MonochromeGrey(const TiffJobRecord* r, uint32_t grey) {
  if (r->flag479 != 1) return grey;
  if (r->option1042 == 1) return 0;
  return grey >= 255 ? grey : 0;
}

void GetPatternRow(const BYTE* cell, uint32_t rowBytes, uint32_t rows, uint32_t polarity, uint32_t x, uint32_t pageRow,
                   PatternRow* out) {
  out->Reserve(rowBytes);  // cells are at most 3 bytes a row: always local
  RotateInto(cell + size_t(pageRow % rows) * rowBytes, rowBytes, polarity, x, out->bytes);
  out->length = rowBytes;
}

void GetGreyRow(uint32_t grey, uint32_t polarity, uint32_t x, uint32_t pageRow, PatternRow* out) {
  if (grey == 0 || grey >= 255) {
    const BYTE solid = grey == 0 ? 0xFF : 0x00;
    out->bytes = out->local;
    out->bytes[0] = out->bytes[1] = polarity == 2 ? BYTE(~solid) : solid;
    out->length = 2;
    return;
  }
  GetPatternRow(HalftoneCell(grey), kHalftoneRowBytes, kHalftoneRows, polarity, x, pageRow, out);
}

bool GetBrushRow(const JobOutputStream* stream, uint32_t patternIndex, uint32_t polarity, uint32_t x, uint32_t pageRow,
                 PatternRow* out) {
  if (patternIndex == kPatternBrushCell) {
    GetPatternRow(stream->work.brushCell, kLargeCellRowBytes, kLargeCellRows, polarity, x, pageRow, out);
    return true;
  }
  if (patternIndex >= kPatternFirstHatch && patternIndex < kPatternFirstHatch + 6) {
    GetPatternRow(HatchCell(patternIndex), kLargeCellRowBytes, kLargeCellRows, polarity, x, pageRow, out);
    return true;
  }
  if (patternIndex != kPatternBrushBitmap) return false;
  const BYTE* bitmap = stream->work.brushBitmap;
  const uint32_t width = stream->work.brushBitmapWidthBits, rows = stream->work.brushBitmapRows;
  if (!bitmap || width == 0 || rows == 0) return false;
  if (width % 8 != 0) return GetPatternRowBits(bitmap, width, rows, polarity, x, pageRow, out);
  if (!out->Reserve(width / 8)) return false;
  RotateInto(bitmap + size_t(pageRow % rows) * (width / 8), width / 8, polarity, x, out->bytes);
  out->length = width / 8;
  return true;
}
