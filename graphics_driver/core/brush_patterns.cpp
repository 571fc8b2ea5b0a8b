// Pattern brushes as band patterns (see brushes.h): a two-colour pattern
// becomes the 24 x 24 brush cell from the grey cells of its two colours, a
// colour pattern a 1-bit brush bitmap by the luminance of each dot.
#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/pattern_tables.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kToneSteps = 1001;

// Luminance 0..1000.
uint32_t Luminance(uint32_t red, uint32_t green, uint32_t blue) { return (300 * red + 590 * green + 110 * blue) / 255; }

// The stored row that is row r of the pattern counted from the top.
uint32_t StoredRow(const RealizedBrush* brush, uint32_t r) {
  return (brush->flags & BMF_TOPDOWN) ? r : uint32_t(brush->rows) - 1 - r;
}

bool SizeOk(const RealizedBrush* brush) {
  return brush->width >= 1 && brush->rows >= 1 && brush->width <= kMaxPatternSide && brush->rows <= kMaxPatternSide;
}

// Grey cell of a colour (red | green << 8 | blue << 16): a luminance step of
// 50 each; the step of 50..99 is taken as solid.
const BYTE* GreyCellOf(uint32_t colour, const int32_t* tone) {
  uint32_t index = uint32_t(tone[Luminance(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)]) / 50;
  if (index == 1) index = 0;
  return GreyCell(index);
}

}  // namespace

void MakeToneCurve(int32_t* table, uint32_t n, int32_t strength) {
  if (!table || n == 0) return;
  const double top = double(n - 1), s = strength / 100.0;
  for (uint32_t i = 0; i < n; ++i) {
    const double v = n == 1 ? 0 : top * s * std::sqrt(i / top) + (1 - s) * i;
    table[i] = int32_t(std::min(top, std::max(0.0, std::trunc(v))));
  }
}

int BuildTwoColourCell(PdevState* pdev, uint32_t, uint32_t fore, uint32_t back, const POINTL*,
                       const RealizedBrush* brush) {
  if (!pdev || !pdev->jobOutput || !brush) return 0;
  BYTE first[3], converted[3];
  const ULONG entry = RealizedBrushColour(brush, 0);
  first[0] = BYTE(entry);
  first[1] = BYTE(entry >> 8);
  first[2] = BYTE(entry >> 16);
  if (ConvertBrushColours(pdev, static_cast<ColorCounter*>(pdev->colorCounter), pdev->colorConverter, first, 1, 1,
                          converted) == 0) {
    return 0;
  }
  if (!SizeOk(brush)) return 0;

  // The 8 x 8 tile: dot c of tile row r is dot c mod width of pattern row
  // r mod rows, so smaller patterns repeat and larger ones give their top
  // left corner.
  const uint32_t width = uint32_t(brush->width), rows = uint32_t(brush->rows);
  const size_t stride = (size_t(width) + 31) / 32 * 4;
  const BYTE* bits = RealizedBrushBits(brush);
  BYTE tile[8] = {};
  for (uint32_t r = 0; r < 8; ++r) {
    const BYTE* row = bits + StoredRow(brush, r % rows) * stride;
    for (uint32_t c = 0; c < 8; ++c) {
      const uint32_t dot = c % width;
      if (row[dot / 8] & (0x80 >> (dot % 8))) tile[r] |= BYTE(0x80 >> c);
    }
  }
  int32_t tone[kToneSteps];
  MakeToneCurve(tone, kToneSteps, 0);
  const BYTE* foreCell = GreyCellOf(fore, tone);
  const BYTE* backCell = GreyCellOf(back, tone);
  // Tile bit 1 takes the background colour's cell, 0 the foreground's; the
  // grey cells mark white, the brush cell ink.
  BYTE* cell = pdev->jobOutput->work.brushCell;
  for (uint32_t i = 0; i < kLargeCellBytes; ++i) {
    const BYTE t = tile[(i / kLargeCellRowBytes) % 8];
    cell[i] = BYTE(~((backCell[i] & t) | (foreCell[i] & BYTE(~t))));
  }
  SetDrawImageKind(pdev->jobOutput, kPatternBrushCell);
  return 1;
}

int BuildColourPattern(PdevState* pdev, const RealizedBrush* brush, uint32_t, const POINTL*) {
  if (!pdev || !pdev->jobOutput || !brush) return 0;
  uint32_t bits;
  switch (brush->format) {
    case BMF_4BPP: bits = 4; break;
    case BMF_8BPP: bits = 8; break;
    case BMF_24BPP: bits = 24; break;
    default: return 0;
  }
  // The sizes are checked before anything is sized by them.
  if (!SizeOk(brush)) return 0;
  const uint32_t width = uint32_t(brush->width), rows = uint32_t(brush->rows);
  const size_t count = size_t(width) * rows;
  const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
  const BYTE* patternBits = RealizedBrushBits(brush);
  std::vector<BYTE> colours, converted;
  try {
    colours.resize(count * 3);
    converted.resize(count * 3);
  } catch (...) {
    return 0;
  }
  for (uint32_t r = 0; r < rows; ++r) {
    const BYTE* row = patternBits + StoredRow(brush, r) * stride;
    for (uint32_t c = 0; c < width; ++c) {
      BYTE* out = &colours[(size_t(r) * width + c) * 3];
      if (bits == 24) {
        std::copy(row + 3 * c, row + 3 * c + 3, out);
        continue;
      }
      const uint32_t index = bits == 8 ? row[c] : (c % 2 == 0 ? row[c / 2] >> 4 : row[c / 2] & 0xF);
      const ULONG colour = RealizedBrushColour(brush, index);  // black past the table
      out[0] = BYTE(colour);
      out[1] = BYTE(colour >> 8);
      out[2] = BYTE(colour >> 16);
    }
  }
  const int kind = ConvertBrushColours(pdev, static_cast<ColorCounter*>(pdev->colorCounter), pdev->colorConverter,
                                       colours.data(), width, rows, converted.data());
  if (kind == 0) return 0;

  StreamWorkArea& work = pdev->jobOutput->work;
  if (work.brushBitmap) GlobalFree(work.brushBitmap);
  work.brushBitmapWidthBits = work.brushBitmapRows = 0;
  const uint32_t rowBytes = (width + 7) / 8;
  work.brushBitmap = static_cast<BYTE*>(GlobalAlloc(GPTR, SIZE_T(rowBytes) * rows));
  if (!work.brushBitmap) return 0;
  work.brushBitmapWidthBits = width;
  work.brushBitmapRows = rows;
  int32_t tone[kToneSteps];
  MakeToneCurve(tone, kToneSteps, 0);
  for (uint32_t r = 0; r < rows; ++r) {
    BYTE* out = work.brushBitmap + size_t(r) * rowBytes;
    for (uint32_t c = 0; c < width; ++c) {
      const size_t i = size_t(r) * width + c;
      const uint32_t l = kind == 2 ? uint32_t(converted[i]) * 1000 / 255
                                   : Luminance(converted[3 * i + 2], converted[3 * i + 1], converted[3 * i]);
      if (tone[l] / 50 <= 10) out[c / 8] |= BYTE(0x80 >> (c % 8));
    }
    // The spare low bits of the last byte continue the row from its start.
    const uint32_t used = width % 8;
    if (used != 0) out[rowBytes - 1] |= BYTE(out[0] >> used);
  }
  SetDrawImageKind(pdev->jobOutput, kPatternBrushBitmap);
  return 1;
}
