// Bitmap rows of the band engine (see band_engine.h): a 1-bit source row is
// masked with the current grey (and, for image rows, the density
// adjustment), then combined with the band. The row is composed byte by byte
// as it is written, so the caller's source is never changed and a row
// starting left of the band is cut by its exact overhang.
#include <algorithm>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/band_pattern_rows.h"
#include "graphics_driver/core/pattern_tables.h"

namespace {

// A bitmap row as it is combined with the band: source bits from a bit
// offset, masked as the mode asks. Byte j holds the bits for the columns
// origin + 8j .. origin + 8j + 7.
struct MaskedRow {
  const BYTE* source;
  int64_t sourceBytes;
  int64_t sourceBit;  // the source bit at the row's origin column
  int mode;
  uint32_t polarity;
  uint32_t grey;
  BYTE halftone[2];
  int density;  // < 0 lighten (AND), > 0 darken (OR)
  BYTE densityRow[2];

  BYTE SourceByte(int64_t i) const { return i >= 0 && i < sourceBytes ? source[i] : BYTE(0); }

  // Eight source bits from a bit offset (bits outside the source are 0).
  BYTE SourceBits(int64_t bit) const {
    const int64_t q = bit >= 0 ? bit / 8 : -((-bit + 7) / 8);
    const uint32_t shift = uint32_t(bit - q * 8);
    if (shift == 0) return SourceByte(q);
    return BYTE((SourceByte(q) << shift) | (SourceByte(q + 1) >> (8 - shift)));
  }

  BYTE Byte(int64_t j) const {
    BYTE s = SourceBits(sourceBit + 8 * j);
    const BYTE h = halftone[j & 1];
    if (mode == 1) {
      if (polarity == 2) s = BYTE(~s);
      if (grey > 0) s &= h;
      if (density < 0) s &= densityRow[j & 1];
      if (density > 0) s |= densityRow[j & 1];
    } else {
      if (grey > 0) s &= h;
      if (polarity == 2) s = BYTE(~s);
    }
    return s;
  }

  // Eight composed bits from bit offset `bit` of the row (may be negative).
  BYTE Bits(int64_t bit) const {
    const int64_t q = bit >= 0 ? bit / 8 : -((-bit + 7) / 8);
    const uint32_t shift = uint32_t(bit - q * 8);
    if (shift == 0) return Byte(q);
    return BYTE((Byte(q) << shift) | (Byte(q + 1) >> (8 - shift)));
  }
};

// Cell row of the halftone table at (x, page row), as two bytes.
void HalftoneRow(uint32_t cell, uint32_t polarity, uint32_t x, uint32_t pageRow, BYTE out[2]) {
  PatternRow row;
  GetPatternRow(HalftoneCell(cell), kHalftoneRowBytes, kHalftoneRows, polarity, x, pageRow, &row);
  out[0] = row.bytes[0];
  out[1] = row.bytes[1];
}

// Combines the row's bits for the columns [x0, x1) with band row y; the row's
// bit 0 lies at column origin. Bits outside the columns keep their value.
void CombineRow(TiffJobRecord* r, uint32_t operation, int32_t y, int64_t x0, int64_t x1, int64_t origin,
                const MaskedRow& row) {
  BYTE* line = r->bandBuffer + size_t(y) * r->bytesPerRow;
  const int64_t left = r->bandLeft;
  for (int64_t k = (x0 - left) / 8, last = (x1 - 1 - left) / 8; k <= last; ++k) {
    const int64_t start = left + 8 * k;
    BYTE mask = 0xFF;
    if (start < x0) mask &= BYTE(0xFF >> (x0 - start));
    if (start + 8 > x1) mask &= BYTE(0xFF << (start + 8 - x1));
    const BYTE v = BYTE(row.Bits(start - origin) & mask);
    BYTE& b = line[k];
    switch (operation) {
      case 1: b = BYTE(b | v); break;                   // OrBitmapRow
      case 2: b = BYTE(b & (v | BYTE(~mask))); break;   // AndBitmapRow
      case 3: b = BYTE(b ^ v); break;                   // XorBitmapRow
      default: b = BYTE((b & BYTE(~mask)) | v); break;  // CopyBitmapRow
    }
  }
}

int DrawRow(JobOutputStream* stream, int32_t x, int32_t y, int32_t width, int32_t rows, const BYTE* source, int mode,
            bool clipped, int32_t clipLeft, int32_t clipRight) {
  if (!source) return 1;
  if (!stream || width <= 0) return 0;
  TiffJobRecord* r = &stream->tiffJob;
  if (!r->bandBuffer || r->bytesPerRow == 0) return 0;
  const int64_t pageRow = int64_t(y) + r->bandTop;
  const int64_t bottom = r->bandBottom;
  if (y < 0 || pageRow > bottom || pageRow + rows < r->bandTop || pageRow + rows > bottom) return 0;
  if (uint64_t(y + 1) * r->bytesPerRow > r->bandBufferSize) return 0;
  const int64_t right = std::min<int64_t>(r->bandRight, int64_t(r->bandLeft) + int64_t(r->bytesPerRow) * 8);
  // The row's origin after the cut to the band; the columns drawn.
  const int64_t origin = std::max<int64_t>(x, r->bandLeft);
  int64_t x0 = origin, x1 = std::min<int64_t>(int64_t(x) + width, right);
  if (clipped) {
    x0 = std::max<int64_t>(x0, clipLeft);
    x1 = std::min<int64_t>(x1, clipRight);
  }
  if (x1 <= x0) return 0;
  const DrawState state = GetDrawState(r);
  if (state.operation > 4) return 0;

  MaskedRow row{};
  row.source = source;
  row.sourceBytes = (int64_t(width) + 7) / 8;
  row.sourceBit = origin - x;
  row.mode = mode;
  row.polarity = state.polarity;
  row.grey = MonochromeGrey(r, state.foreGrey);
  HalftoneRow(row.grey >= 255 ? 256 : row.grey, mode == 1 ? 1 : state.polarity, uint32_t(origin), uint32_t(pageRow),
              row.halftone);
  if (mode == 1 && r->setting285 != 0) {
    // Density: negative values take dots away, positive ones add them; the
    // cell is clamped to the table.
    const int64_t v = r->setting285;
    const int64_t cell = v < 0 ? 200 + 2 * v : 2 * v;
    row.density = v < 0 ? -1 : 1;
    HalftoneRow(uint32_t(std::clamp<int64_t>(cell, 0, 256)), 2, uint32_t(origin), uint32_t(pageRow), row.densityRow);
  }
  CombineRow(r, state.operation, y, x0, x1, origin, row);
  r->bandDirty = 1;
  return 1;
}

}  // namespace

int DrawBitmapRow(JobOutputStream* stream, int32_t x, int32_t y, int32_t width, int32_t rows, const BYTE* source,
                  uint32_t, int mode) {
  return DrawRow(stream, x, y, width, rows, source, mode, false, 0, 0);
}

int DrawBitmapRowClipped(JobOutputStream* stream, int32_t x, int32_t y, int32_t width, int32_t rows, const BYTE* source,
                         uint32_t, int32_t clipLeft, int32_t clipRight, int mode) {
  return DrawRow(stream, x, y, width, rows, source, mode, true, clipLeft, clipRight);
}
