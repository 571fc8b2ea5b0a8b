// Brushes on a 64-dot band: mixes and raster operations, the realisation of
// pattern brushes, and solid, hatch, two-colour and colour pattern brushes
// filled through DrvBitBlt, anchored to the page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "drawing_fixture.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/pattern_tables.h"
#include "graphics_driver/core/raster_ops.h"
#include "platform/win/win_error.h"

namespace {

using pk::test::DrawingTest;

class BrushTest : public DrawingTest {
 protected:
  // A 1-bpp pattern with its rows (most significant bit leftmost) and table.
  BRUSHOBJ* OneBit(LONG width, const std::vector<BYTE>& rows, const std::vector<ULONG>& table, bool topDown = true) {
    SURFOBJ* pattern = Bitmap(width, LONG(rows.size()), BMF_1BPP, topDown);
    for (size_t y = 0; y < rows.size(); ++y) static_cast<BYTE*>(pattern->pvScan0)[LONG(y) * pattern->lDelta] = rows[y];
    return Pattern(pattern, Table(table));
  }
  std::pair<char, char> Rop() const {
    const TiffJobRecord& r = stream_->tiffJob;
    return {r.ropPolarity == 1 ? 'n' : 'i', "?oaec"[r.ropOperation]};
  }
};

bool GreyCellWhite(uint32_t index, uint32_t r, uint32_t c) {
  return (GreyCell(index)[(r % 24) * 3 + (c % 24) / 8] >> (7 - c % 8)) & 1;
}

// ---- Mixes and raster operations ---------------------------------------------

TEST_F(BrushTest, MixesAndRop4s) {
  EXPECT_EQ(RopToMix(0xAAF0), 0x0B0Du);
  EXPECT_EQ(MixToRop4(0x0B0D), 0xAAF0u);
  EXPECT_EQ(MixToRop4(0x1010), 0xFFFFu);
  EXPECT_EQ(RopToMix(0xCCCC), 0x0D0Du);
  for (uint32_t code = 1; code <= 16; ++code) {
    const ROP4 rop4 = MixToRop4(code | code << 8);
    EXPECT_EQ(RopToMix(rop4), (code | code << 8)) << code;
  }
}

TEST_F(BrushTest, MapRasterOpTable) {
  const struct {
    uint32_t type, code;
    char polarity, operation;
  } cases[] = {
      {1, 3, 'i', 'o'},    {1, 4, 'i', 'c'},        {1, 7, 'i', 'e'},    {1, 9, 'n', 'o'},
      {1, 10, 'n', 'e'},   {1, 12, 'i', 'a'},       {1, 13, 'n', 'c'},   {1, 15, 'n', 'a'},
      {2, 0x22, 'i', 'o'}, {2, 0x220326, 'i', 'o'}, {2, 0x33, 'i', 'c'}, {2, 0x330008, 'i', 'c'},
      {2, 0x44, 'i', 'a'}, {2, 0x440328, 'i', 'a'}, {2, 0xBB, 'i', 'a'}, {2, 0xBB0226, 'i', 'a'},
      {2, 0x66, 'i', 'e'}, {2, 0x660046, 'i', 'e'}, {2, 0xE2, 'i', 'e'}, {2, 0xE20746, 'i', 'e'},
      {2, 0x6A, 'n', 'a'}, {2, 0x6A01E9, 'n', 'a'}, {2, 0x9A, 'n', 'a'}, {2, 0x9A0709, 'n', 'a'},
      {2, 0xA0, 'n', 'a'}, {2, 0xA000C9, 'n', 'a'}, {2, 0xEE, 'n', 'a'}, {2, 0xEE0086, 'n', 'a'},
      {2, 0x88, 'n', 'o'}, {2, 0x8800C6, 'n', 'o'}, {2, 0xB8, 'n', 'o'}, {2, 0xB8074A, 'n', 'o'},
      {2, 0xCC, 'n', 'c'}, {2, 0xCC0020, 'n', 'c'},
  };
  for (const auto& c : cases) {
    // Start from a state no entry sets.
    Record()->ropPolarity = 7;
    Record()->ropOperation = 7;
    ASSERT_EQ(MapRasterOp(Stream(), c.type, c.code), 0);
    EXPECT_EQ(Rop(), std::make_pair(c.polarity, c.operation)) << c.type << " " << std::hex << c.code;
  }
  SetRasterOp(Stream(), 'i', 'a');
  EXPECT_EQ(MapRasterOp(Stream(), 1, 6), 0);
  EXPECT_EQ(MapRasterOp(Stream(), 2, 0x5A), 0);
  EXPECT_EQ(Rop(), std::make_pair('i', 'a'));
  EXPECT_EQ(MapRasterOp(Stream(), 3, 0xCCCC), -1);
  EXPECT_EQ(SelectRasterOp(pdev()->imageStore, 3, 0xCC), -1);
  EXPECT_EQ(SelectRasterOp(pdev()->imageStore, 2, 0xCC), 0);
  EXPECT_EQ(Rop(), std::make_pair('n', 'c'));
}

TEST_F(BrushTest, SelectBrushSetsTheRasterOperationFromTheForegroundMix) {
  BRUSHOBJ* black = Solid(0x000000);
  const struct {
    ROP4 rop4;
    char polarity, operation;
  } cases[] = {{0xF0F0, 'n', 'c'}, {0x0A0A, 'i', 'o'}, {0xAFAF, 'i', 'a'}, {0xA5A5, 'n', 'e'}, {0x5A5A, 'i', 'e'}};
  for (const auto& c : cases) {
    ASSERT_EQ(SelectBrush(pdev(), kBrushRoleFill, nullptr, black, c.rop4), 1);
    EXPECT_EQ(Rop(), std::make_pair(c.polarity, c.operation)) << std::hex << c.rop4;
  }
  // DSTINVERT (R2_NOT) and no rop4 leave it as it was.
  ASSERT_EQ(SelectBrush(pdev(), kBrushRoleFill, nullptr, black, 0x5555), 1);
  ASSERT_EQ(SelectBrush(pdev(), kBrushRoleFill, nullptr, black, kNoRop4), 1);
  EXPECT_EQ(Rop(), std::make_pair('i', 'e'));
  EXPECT_EQ(SelectBrush(pdev(), kBrushRoleFill, nullptr, nullptr, 0xF0F0), 0);
  // A solid brush sets the foreground grey.
  ASSERT_EQ(SelectBrush(pdev(), kBrushRoleFill, nullptr, Solid(0x6496C8), 0xF0F0), 1);
  EXPECT_EQ(Record()->penLevel, 140u);
}

// ---- Realisation ----------------------------------------------------------------

TEST_F(BrushTest, SixteenAndThirtyTwoBitPatternsBecomeTopDownRgbRows) {
  const struct {
    ULONG format;
    uint32_t pixelBytes, red;
    XLATEOBJ* xlate;
  } cases[] = {{BMF_16BPP, 2, 0x7C00, KeepXlate(pkgdi::CreateXlateBitfields(0x7C00, 0x03E0, 0x001F))},
               {BMF_32BPP, 4, 0xFF0000, KeepXlate(pkgdi::CreateXlateRgb(PAL_BGR))}};
  for (const auto& c : cases) {
    SURFOBJ* pattern = Bitmap(2, 2, c.format, false);
    for (LONG y = 0; y < 2; ++y)
      for (LONG x = 0; x < 2; ++x)
        std::memcpy(static_cast<BYTE*>(pattern->pvScan0) + y * pattern->lDelta + c.pixelBytes * x, &c.red,
                    c.pixelBytes);
    BRUSHOBJ* brush = Pattern(pattern, c.xlate);
    const auto* realized = static_cast<const RealizedBrush*>(BRUSHOBJ_pvGetRbrush(brush));
    ASSERT_NE(realized, nullptr);
    EXPECT_EQ(realized->width, 2);
    EXPECT_EQ(realized->rows, 2);
    EXPECT_EQ(realized->format, ULONG(BMF_24BPP));
    EXPECT_EQ(realized->flags & BMF_TOPDOWN, ULONG(BMF_TOPDOWN));
    EXPECT_EQ(realized->iHatch, 6u);
    EXPECT_EQ(realized->paletteOffset, 16u + 40u);
    const BYTE* bits = RealizedBrushBits(realized);
    for (int row = 0; row < 2; ++row) {
      const BYTE expected[8] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0};
      EXPECT_EQ(std::memcmp(bits + 8 * row, expected, 8), 0) << c.format << " row " << row;
    }
  }
}

TEST_F(BrushTest, RealisationKeepsSmallFormatsAndTheTable) {
  BRUSHOBJ* brush = OneBit(8, {0x81, 0x42}, {0x000000, 0xFFFFFF}, false);
  const auto* realized = static_cast<const RealizedBrush*>(BRUSHOBJ_pvGetRbrush(brush));
  ASSERT_NE(realized, nullptr);
  EXPECT_EQ(realized->format, ULONG(BMF_1BPP));
  EXPECT_EQ(realized->flags & BMF_TOPDOWN, 0u);
  EXPECT_EQ(realized->paletteCount, 2u);
  EXPECT_EQ(RealizedBrushColour(realized, 1), 0xFFFFFFu);
  EXPECT_EQ(RealizedBrushColour(realized, 2), 0u);
  // Bottom-up rows are kept in memory order: the last row first.
  EXPECT_EQ(RealizedBrushBits(realized)[0], 0x42);
  EXPECT_EQ(RealizedBrushBits(realized)[4], 0x81);
}

TEST_F(BrushTest, RealisationRefusesMissingObjects) {
  SURFOBJ* pattern = Bitmap(2, 2, BMF_16BPP);
  BRUSHOBJ* brush = Pattern(pattern, nullptr);
  SetLastError(0);
  EXPECT_FALSE(DrvRealizeBrush(brush, target_, pattern, nullptr, nullptr, 6));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(DrvRealizeBrush(brush, target_, nullptr, nullptr, Table({0}), 6));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(brush->pvRbrush, nullptr);
}

// ---- Hatch brushes ----------------------------------------------------------------

TEST_F(BrushTest, HatchBrushDrawsItsLinesAndResetsThePattern) {
  UseBand(0, 24);
  // A black hatch: no background pass, only the lines.
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 24}, 0xF0F0, Hatch(0, 0x000000, 0xFFFFFF)));
  for (uint32_t y = 0; y < 24; ++y) EXPECT_EQ(Row(y)[0], y == 11 || y == 12 ? 0xFF : 0x00) << y;
  EXPECT_EQ(Record()->imageKind, 0u);
  EXPECT_EQ(Record()->brushLevel, 0u);
  // A grey hatch colour is laid as the background grey, the lines over it.
  UseBand(0, 24);
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 24}, 0xF0F0, Hatch(1, 0x808080, 0xFFFFFF)));
  for (uint32_t y = 0; y < 24; ++y)
    for (uint32_t x = 0; x < 64; ++x) {
      const bool halftone = (HalftoneCell(128)[(y % 16) * 2 + (x % 16) / 8] >> (7 - x % 8)) & 1;
      EXPECT_EQ(Ink(y, x), halftone || x % 24 == 11 || x % 24 == 12) << x << "," << y;
    }
}

// ---- Two-colour pattern brushes ----------------------------------------------------

TEST_F(BrushTest, BlackAndWhitePatternInksItsZeroBits) {
  const std::vector<BYTE> rows = {0x81, 0x42, 0x24, 0x18, 0xF0, 0x0F, 0xAA, 0x55};
  for (bool topDown : {true, false}) {
    UseBand(0, 16);
    ASSERT_TRUE(Blt(RECTL{0, 0, 64, 16}, 0xF0F0, OneBit(8, rows, {0x000000, 0xFFFFFF}, topDown)));
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 64; ++x)
        EXPECT_EQ(Ink(y, x), !((rows[y % 8] >> (7 - x % 8)) & 1)) << x << "," << y << " top-down " << topDown;
  }
  EXPECT_TRUE(pkgdi::EngineCalls().empty());
}

TEST_F(BrushTest, TwoColourCellsComeFromTheGreyCells) {
  // (30, 30, 30): luminance 117, grey cell 2; (20, 20, 20): luminance 78,
  // which takes cell 0 (solid) rather than cell 1.
  const struct {
    ULONG fore;
    uint32_t cell;
  } cases[] = {{0x1E1E1E, 2}, {0x141414, 0}, {0x000000, 0}, {0xFFFFFF, 20}};
  for (const auto& c : cases) {
    UseBand(0, 16);
    ASSERT_TRUE(Blt(RECTL{0, 0, 64, 16}, 0xF0F0, OneBit(8, std::vector<BYTE>(8, 0x00), {c.fore, 0xFFFFFF})));
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 64; ++x)
        EXPECT_EQ(Ink(y, x), !GreyCellWhite(c.cell, y, x)) << std::hex << c.fore << std::dec << " " << x << "," << y;
  }
}

TEST_F(BrushTest, ShortPatternsRepeatTheirRows) {
  // Two rows: the 8-row tile repeats them instead of reading past them.
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 16}, 0xF0F0, OneBit(8, {0x00, 0xFF}, {0x000000, 0xFFFFFF})));
  for (uint32_t y = 0; y < 16; ++y) EXPECT_EQ(Row(y)[3], y % 2 == 0 ? 0xFF : 0x00) << y;
}

TEST_F(BrushTest, PatternSizesOutOfRangeFailTheSelection) {
  std::vector<BYTE> block(kRealizedBrushBitsOffset + 64 + kRealizedBrushExtraBytes + 8, 0);
  auto* brush = reinterpret_cast<RealizedBrush*>(block.data());
  brush->format = BMF_1BPP;
  brush->flags = BMF_TOPDOWN;
  brush->iHatch = 6;
  brush->paletteOffset = 64 + kRealizedBrushExtraBytes;
  const struct { int32_t width, rows; } bad[] = {{0x8000, 1}, {1, 0x8000}, {-0x8000, 1}, {1, -1}, {0, 8}};
  for (const auto& b : bad) {
    brush->width = b.width;
    brush->rows = b.rows;
    brush->format = BMF_1BPP;
    EXPECT_EQ(BuildTwoColourCell(pdev(), kBrushRoleFill, 0, 0xFFFFFF, nullptr, brush), 0) << b.width << "x" << b.rows;
    brush->format = BMF_8BPP;
    EXPECT_EQ(BuildColourPattern(pdev(), brush, kBrushRoleFill, nullptr), 0) << b.width << "x" << b.rows;
  }
  EXPECT_EQ(Stream()->work.brushBitmap, nullptr);
}

// ---- Colour pattern brushes -----------------------------------------------------------

TEST_F(BrushTest, ColourPatternInksByLuminance) {
  SURFOBJ* pattern = Bitmap(2, 1, BMF_24BPP);
  const BYTE dots[6] = {140, 140, 140, 141, 141, 141};
  std::memcpy(pattern->pvScan0, dots, 6);
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 4}, 0xF0F0, Pattern(pattern, KeepXlate(pkgdi::CreateXlateTrivial()))));
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_EQ(Ink(y, x), x % 2 == 0) << x << "," << y;
  EXPECT_EQ(Record()->imageKind, 0u);
}

TEST_F(BrushTest, ColourPatternRowsContinueInTheirSpareBits) {
  // 9 x 9 dots of 4 bits: black where (r + c) mod 3 is 0, white elsewhere,
  // and index 5, past the table, in the last column of row 4.
  SURFOBJ* pattern = Bitmap(9, 9, BMF_4BPP);
  auto dot = [](uint32_t r, uint32_t c) { return r == 4 && c == 8 ? 5u : (r + c) % 3 == 0 ? 0u : 1u; };
  for (uint32_t r = 0; r < 9; ++r) {
    BYTE* row = static_cast<BYTE*>(pattern->pvScan0) + LONG(r) * pattern->lDelta;
    for (uint32_t c = 0; c < 9; ++c) row[c / 2] |= BYTE(dot(r, c) << (c % 2 == 0 ? 4 : 0));
  }
  BRUSHOBJ* brush = Pattern(pattern, Table({0x000000, 0xFFFFFF}));
  ASSERT_EQ(SelectBrush(pdev(), kBrushRoleFill, nullptr, brush, 0xF0F0), 1);
  const StreamWorkArea& work = Stream()->work;
  ASSERT_NE(work.brushBitmap, nullptr);
  EXPECT_EQ(work.brushBitmapWidthBits, 9u);
  EXPECT_EQ(work.brushBitmapRows, 9u);
  EXPECT_EQ(Record()->imageKind, ULONG(kPatternBrushBitmap));
  for (uint32_t r = 0; r < 9; ++r) {
    const BYTE* row = work.brushBitmap + 2 * r;
    for (uint32_t c = 0; c < 16; ++c) {
      const uint32_t source = c < 9 ? c : c - 9;  // the spare bits repeat the row's first dots
      const bool ink = dot(r, source) != 1;
      EXPECT_EQ(bool((row[c / 8] >> (7 - c % 8)) & 1), ink) << r << "," << c;
    }
  }
  // Filled, the pattern tiles from the page's (0, 0) without seams.
  UseBand(0, 16);
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 16}, 0xF0F0, brush));
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_EQ(Ink(y, x), dot(y % 9, x % 9) != 1) << x << "," << y;
}

TEST_F(BrushTest, ToneCurve) {
  std::vector<int32_t> table(1001);
  MakeToneCurve(table.data(), 1001, 0);
  for (int32_t i = 0; i < 1001; ++i) ASSERT_EQ(table[i], i);
  MakeToneCurve(table.data(), 1001, 100);
  EXPECT_EQ(table[250], 500);
  EXPECT_EQ(table[1000], 1000);
  EXPECT_EQ(table[0], 0);
  MakeToneCurve(table.data(), 1001, 50);
  EXPECT_EQ(table[250], int32_t(std::trunc(500 * 0.5 + 0.5 * 250)));
}

}  // namespace
