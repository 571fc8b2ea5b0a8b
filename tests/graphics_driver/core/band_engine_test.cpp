// The band engine on a 64-dot band: greys, the pattern tables, spans under
// each raster operation with their cut to the band, hatches, the XOR against
// the saved area, and bitmap rows with their masks and density.
#include <gtest/gtest.h>

#include "band_fixture.h"
#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/pattern_tables.h"

namespace {

using pk::test::BandFixture;

class BandEngineTest : public ::testing::Test, public BandFixture {};

bool CellDot(const BYTE* cell, uint32_t rowBytes, uint32_t r, uint32_t c) {
  return (cell[r * rowBytes + c / 8] >> (7 - c % 8)) & 1;
}

// ---- Greys and tables -------------------------------------------------------

TEST_F(BandEngineTest, GreyLevels) {
  const struct {
    BYTE r, g, b;
    uint32_t grey;
  } cases[] = {{0, 0, 0, 0},       {30, 30, 30, 30},     {100, 150, 200, 140},
               {0, 128, 255, 103}, {254, 254, 254, 254}, {255, 255, 255, 255}};
  for (const auto& c : cases) {
    Record()->imageKind = 5;
    ASSERT_EQ(SetForegroundGrey(Stream(), c.r, c.g, c.b), 1);
    EXPECT_EQ(Record()->penLevel, c.grey) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_EQ(Record()->imageKind, 0u);
    Record()->imageKind = 5;
    ASSERT_EQ(SetBackgroundGrey(Stream(), c.r, c.g, c.b), 1);
    EXPECT_EQ(Record()->brushLevel, c.grey);
    EXPECT_EQ(Record()->imageKind, 5u);
  }
  EXPECT_EQ(SetForegroundGrey(nullptr, 0, 0, 0), 0);
}

TEST_F(BandEngineTest, HalftoneCells) {
  EXPECT_EQ(HalftoneCell(30)[0], 0xFE);
  EXPECT_EQ(HalftoneCell(30)[1], 0x7E);
  for (uint32_t r = 0; r < 16; ++r)
    for (uint32_t c = 0; c < 16; ++c) {
      EXPECT_TRUE(CellDot(HalftoneCell(0), 2, r, c));
      EXPECT_FALSE(CellDot(HalftoneCell(256), 2, r, c));
      const bool only = (r == 7 && c == 3) || (r == 15 && c == 11);
      EXPECT_EQ(CellDot(HalftoneCell(254), 2, r, c), only) << r << "," << c;
    }
  // Cells only lose ink as they lighten: exactly one dot from one to the next.
  for (uint32_t g = 0; g < 256; ++g) {
    int lost = 0;
    for (uint32_t i = 0; i < 32; ++i) {
      const BYTE darker = HalftoneCell(g)[i], lighter = HalftoneCell(g + 1)[i];
      EXPECT_EQ(lighter & ~darker, 0) << "cell " << g + 1;
      lost += __builtin_popcount(darker & ~lighter);
    }
    EXPECT_EQ(lost, 1) << g;
  }
  EXPECT_EQ(HalftoneCell(1000), HalftoneCell(256));
}

TEST_F(BandEngineTest, HatchAndGreyCells) {
  for (uint32_t i = 0; i < kLargeCellBytes; ++i) {
    EXPECT_EQ(HatchCell(0)[i], HatchCell(2)[i]);
    EXPECT_EQ(HatchCell(1)[i], HatchCell(2)[i]);
    EXPECT_EQ(HatchCell(6)[i], HatchCell(2)[i] | HatchCell(3)[i]);
    EXPECT_EQ(HatchCell(7)[i], HatchCell(4)[i] | HatchCell(5)[i]);
  }
  for (uint32_t r = 0; r < 24; ++r)
    for (uint32_t c = 0; c < 24; ++c) {
      EXPECT_EQ(CellDot(HatchCell(2), 3, r, c), r == 11 || r == 12);
      EXPECT_EQ(CellDot(HatchCell(3), 3, r, c), c == 11 || c == 12);
      EXPECT_EQ(CellDot(HatchCell(4), 3, r, c), c == r);
      EXPECT_EQ(CellDot(HatchCell(5), 3, r, c), c == 23 - r);
      EXPECT_FALSE(CellDot(GreyCell(0), 3, r, c));
      const uint32_t rm = r % 6, cm = c % 6;
      EXPECT_EQ(CellDot(GreyCell(2), 3, r, c), (rm == 0 && cm == 2) || (rm == 3 && cm == 5)) << r << "," << c;
      const bool oddBlock = (r / 6 + c / 6) % 2 == 1;
      EXPECT_EQ(CellDot(GreyCell(19), 3, r, c), !(rm == 3 && cm == 2 && oddBlock)) << r << "," << c;
      EXPECT_TRUE(CellDot(GreyCell(20), 3, r, c));
    }
}

// ---- Spans ------------------------------------------------------------------

TEST_F(BandEngineTest, SolidSpanWritesWholeBytesInside) {
  Rop('n', 'c');
  Grey(0);
  EXPECT_EQ(FillSpan(Stream(), 3, 0, 10), 1);
  EXPECT_EQ(Hex(0), "1F F8 00 00 00 00 00 00");
  EXPECT_EQ(Record()->bandDirty, 1);
  EXPECT_EQ(FillSpan(Stream(), 0, 1, 64), 1);
  EXPECT_EQ(Hex(1), "FF FF FF FF FF FF FF FF");
}

TEST_F(BandEngineTest, OneDotSpanChangesOnlyItsBit) {
  const struct {
    char polarity, operation;
  } rops[] = {{'n', 'o'}, {'n', 'a'}, {'n', 'e'}, {'n', 'c'}, {'i', 'o'}, {'i', 'a'}, {'i', 'e'}, {'i', 'c'}};
  for (const auto& rop : rops)
    for (BYTE fill : {BYTE(0x00), BYTE(0xFF), BYTE(0x5A)})
      for (uint32_t grey : {0u, 128u, 255u}) {
        UseBand(0, 16);
        std::memset(Row(3), fill, 8);
        Rop(rop.polarity, rop.operation);
        Grey(grey);
        ASSERT_EQ(FillSpan(Stream(), 13, 3, 1), 1);
        for (uint32_t i = 0; i < 8; ++i)
          EXPECT_EQ((Row(3)[i] ^ fill) & (i == 1 ? ~0x04 : 0xFF), 0)
              << rop.polarity << rop.operation << " fill " << int(fill) << " grey " << grey << " byte " << i;
      }
}

TEST_F(BandEngineTest, WhiteSpanClearsUnderCopyAndLeavesUnderOr) {
  std::memset(Row(0), 0xFF, 8);
  Grey(255);
  Rop('n', 'o');
  EXPECT_EQ(FillSpan(Stream(), 0, 0, 64), 1);
  EXPECT_EQ(Hex(0), "FF FF FF FF FF FF FF FF");
  Rop('n', 'c');
  EXPECT_EQ(FillSpan(Stream(), 4, 0, 16), 1);
  EXPECT_EQ(Hex(0), "F0 00 0F FF FF FF FF FF");
}

TEST_F(BandEngineTest, HalftoneIsAnchoredToThePage) {
  Rop('n', 'c');
  Grey(30);
  EXPECT_EQ(FillSpan(Stream(), 0, 0, 16), 1);
  EXPECT_EQ(Hex(0, 2), "FE 7E");
  UseBand(0, 16);
  EXPECT_EQ(FillSpan(Stream(), 8, 0, 8), 1);
  EXPECT_EQ(Hex(0, 2), "00 7E");
  UseBand(16, 16);
  EXPECT_EQ(FillSpan(Stream(), 8, 0, 8), 1);  // page row 16 is cell row 0 again
  EXPECT_EQ(Row(0)[1], 0x7E);
  UseBand(100, 16);
  Grey(128);
  EXPECT_EQ(FillSpan(Stream(), 0, 0, 64), 1);
  EXPECT_EQ(Hex(0, 2), "C3 C3");
}

TEST_F(BandEngineTest, SpansAreCutToTheBand) {
  Rop('n', 'c');
  Grey(0);
  // The spare row (page row = band bottom) is part of the band.
  EXPECT_EQ(FillSpan(Stream(), 0, 16, 8), 1);
  EXPECT_EQ(Row(16)[0], 0xFF);
  UseBand(0, 16);
  const struct {
    int32_t x, y, width;
  } outside[] = {{-20, 0, 10}, {64, 0, 8}, {100, 0, 8}, {-8, 0, 8},         {0, 17, 8},
                 {0, -1, 8},   {0, 0, 0},  {0, 0, -5},  {INT32_MIN, 0, 10}, {INT32_MAX, 0, INT32_MAX}};
  for (const auto& s : outside) EXPECT_EQ(FillSpan(Stream(), s.x, s.y, s.width), 0) << s.x << "," << s.y;
  EXPECT_TRUE(BandBlank());
  EXPECT_EQ(Record()->bandDirty, 0);
  // Overhangs on either side are cut off.
  EXPECT_EQ(FillSpan(Stream(), -4, 0, 12), 1);
  EXPECT_EQ(FillSpan(Stream(), 60, 1, 100), 1);
  EXPECT_EQ(Hex(0), "FF 00 00 00 00 00 00 00");
  EXPECT_EQ(Hex(1), "00 00 00 00 00 00 00 0F");
  // A raster operation past COPY draws nothing; 0 reads as COPY.
  Record()->ropOperation = 5;
  EXPECT_EQ(FillSpan(Stream(), 0, 2, 8), 0);
  Record()->ropOperation = 0;
  EXPECT_EQ(FillSpan(Stream(), 0, 2, 8), 1);
  EXPECT_EQ(Row(2)[0], 0xFF);
}

TEST_F(BandEngineTest, MonochromeGreys) {
  Rop('n', 'c');
  Record()->flag479 = 1;
  Grey(254);
  FillSpan(Stream(), 0, 0, 64);
  EXPECT_EQ(Hex(0), "FF FF FF FF FF FF FF FF");
  Grey(255);
  FillSpan(Stream(), 0, 0, 64);
  EXPECT_EQ(Hex(0), "00 00 00 00 00 00 00 00");
  Record()->option1042 = 1;
  FillSpan(Stream(), 0, 0, 64);
  EXPECT_EQ(Hex(0), "FF FF FF FF FF FF FF FF");
}

// ---- Hatches ------------------------------------------------------------------

TEST_F(BandEngineTest, HorizontalHatchFollowsPageRows) {
  UseBand(20, 24);
  Rop('n', 'c');
  Record()->imageKind = kPatternFirstHatch + 0;  // HS_HORIZONTAL
  for (uint32_t y = 0; y < 24; ++y) ASSERT_EQ(FillSpan(Stream(), 0, int32_t(y), 64), 1);
  for (uint32_t y = 0; y < 24; ++y)
    EXPECT_EQ(Hex(y), y == 15 || y == 16 ? "FF FF FF FF FF FF FF FF" : "00 00 00 00 00 00 00 00") << y;
}

TEST_F(BandEngineTest, ForwardDiagonalIsAnchoredToPageDots) {
  UseBand(30, 40);
  Rop('n', 'c');
  Record()->imageKind = kPatternFirstHatch + 2;  // HS_FDIAGONAL
  for (uint32_t y = 0; y < 40; ++y) {
    // Spans starting in different bytes see the same page pattern.
    ASSERT_EQ(FillSpan(Stream(), 0, int32_t(y), 21), 1);
    ASSERT_EQ(FillSpan(Stream(), 21, int32_t(y), 43), 1);
  }
  for (uint32_t y = 0; y < 40; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_EQ(Ink(y, x), x % 24 == (y + 30) % 24) << y << "," << x;
}

TEST_F(BandEngineTest, HatchOverBackgroundGrey) {
  Rop('n', 'c');
  Record()->brushLevel = 128;
  Record()->imageKind = kPatternFirstHatch + 1;  // HS_VERTICAL
  std::memset(Row(0), 0xFF, 8);
  ASSERT_EQ(FillSpan(Stream(), 0, 0, 64), 1);
  // Cell 128 row 0 is 3C 3C; columns 11, 12 (mod 24) are ORed over it.
  for (uint32_t x = 0; x < 64; ++x) {
    const bool halftone = (HalftoneCell(128)[(x % 16) / 8] >> (7 - x % 8)) & 1;
    EXPECT_EQ(Ink(0, x), halftone || x % 24 == 11 || x % 24 == 12) << x;
  }
  // Filling twice under COPY gives the same as once.
  const std::string once = Hex(0);
  ASSERT_EQ(FillSpan(Stream(), 0, 0, 64), 1);
  EXPECT_EQ(Hex(0), once);
}

TEST_F(BandEngineTest, BrushBitmapOfThreeDotsTilesWithoutSeams) {
  BYTE bitmap[2] = {0xA0, 0x40};  // rows 101 and 010
  Stream()->work.brushBitmap = bitmap;
  Stream()->work.brushBitmapWidthBits = 3;
  Stream()->work.brushBitmapRows = 2;
  Rop('n', 'c');
  Record()->imageKind = kPatternBrushBitmap;
  for (uint32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 64; x += 5) ASSERT_EQ(FillSpan(Stream(), x, int32_t(y), 5), 1);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_EQ(Ink(y, x), y % 2 == 0 ? x % 3 != 1 : x % 3 == 1) << y << "," << x;
  Stream()->work.brushBitmap = nullptr;
}

// ---- XOR against the saved area ------------------------------------------------

TEST_F(BandEngineTest, XorSpansOfOneFillMeetInAByte) {
  Rop('i', 'e');
  Grey(255);  // white under inverted polarity: every dot flips
  ASSERT_EQ(SaveBandArea(Stream(), POINTL{0, 0}, POINTL{8, 1}), 1);
  Stream()->work.spanMode = kSpanXorSaved;
  ASSERT_EQ(FillSpan(Stream(), 0, 0, 3), 1);
  ASSERT_EQ(FillSpan(Stream(), 5, 0, 3), 1);
  EXPECT_EQ(Row(0)[0], 0xE7);
  // The same span twice stays drawn once.
  ASSERT_EQ(FillSpan(Stream(), 0, 0, 3), 1);
  EXPECT_EQ(Row(0)[0], 0xE7);
  Stream()->work.spanMode = kSpanIdle;
}

TEST_F(BandEngineTest, SavedAreaIsCutToTheBand) {
  UseBand(100, 16);
  for (uint32_t y = 0; y <= 16; ++y) std::memset(Row(y), BYTE(y + 1), 8);
  // The rectangle reaches 40 rows above and below the band and past both sides.
  ASSERT_EQ(SaveBandArea(Stream(), POINTL{-30, -40}, POINTL{200, 56}), 1);
  const StreamWorkArea& w = Stream()->work;
  EXPECT_EQ(w.capturedOriginX, 0);
  EXPECT_EQ(w.capturedOriginY, 100);
  EXPECT_EQ(w.capturedRows, 17u);
  EXPECT_EQ(w.capturedBytesPerRow, 8u);
  EXPECT_EQ(w.capturedImage[16 * 8 + 7], 17);
  ASSERT_EQ(SaveBandArea(Stream(), POINTL{13, 2}, POINTL{30, 4}), 1);
  EXPECT_EQ(w.capturedOriginX, 8);
  EXPECT_EQ(w.capturedOriginY, 102);
  EXPECT_EQ(w.capturedRows, 2u);
  EXPECT_EQ(w.capturedBytesPerRow, 3u);
  EXPECT_EQ(w.capturedImage[3], 4);
  EXPECT_EQ(SaveBandArea(Stream(), POINTL{0, 20}, POINTL{8, 30}), 0);
  EXPECT_EQ(w.capturedImage, nullptr);
  EXPECT_EQ(SaveBandArea(Stream(), POINTL{70, 0}, POINTL{80, 3}), 0);
}

// ---- Bitmap rows -----------------------------------------------------------------

TEST_F(BandEngineTest, BitmapRowMasksAndDensity) {
  const struct {
    const char* name;
    int mode;
    char polarity;
    uint32_t grey;
    int32_t density;
    BYTE source[2];
    const char* expected;
  } cases[] = {
      {"image, black, darker", 1, 'n', 0, 50, {0x00, 0x00}, "C1 C1"},
      {"image, black, lighter", 1, 'n', 0, -50, {0xFF, 0xFF}, "C1 C1"},
      {"image, lighter past the table", 1, 'n', 0, -120, {0xFF, 0xFF}, "00 00"},
      {"image, lightest in the table", 1, 'n', 0, -100, {0xFF, 0xFF}, "00 00"},
      {"image, grey", 1, 'n', 128, 0, {0xF0, 0x0F}, "30 0C"},
      {"image, inverted", 1, 'i', 0, 0, {0xF0, 0x0F}, "0F F0"},
      {"image, white", 1, 'n', 255, 0, {0xFF, 0xFF}, "00 00"},
      {"glyph, grey", 0, 'n', 128, 0, {0xF0, 0x0F}, "30 0C"},
      {"glyph, grey, inverted", 0, 'i', 128, 0, {0xF0, 0x0F}, "3F FC"},
      {"glyph ignores density", 0, 'n', 0, 50, {0xF0, 0x0F}, "F0 0F"},
  };
  for (const auto& c : cases) {
    UseBand(0, 16);
    Rop(c.polarity, 'o');
    Grey(c.grey);
    Record()->setting285 = c.density;
    BYTE source[2] = {c.source[0], c.source[1]};
    ASSERT_EQ(DrawBitmapRow(Stream(), 0, 0, 16, 1, source, 2, c.mode), 1) << c.name;
    EXPECT_EQ(Hex(0, 2), c.expected) << c.name;
    EXPECT_EQ(source[0], c.source[0]) << "the source is not changed";
  }
}

TEST_F(BandEngineTest, BitmapRowPlacementAndCuts) {
  Rop('n', 'c');
  const BYTE source[2] = {0x1F, 0xA5};
  std::memset(Row(0), 0xFF, 8);
  ASSERT_EQ(DrawBitmapRow(Stream(), 5, 0, 16, 1, source, 2, 1), 1);
  EXPECT_EQ(Hex(0, 4), "F8 FD 2F FF");
  // Exact left cut: source bit 3 lands on column 0.
  ASSERT_EQ(DrawBitmapRow(Stream(), -3, 1, 16, 1, source, 2, 1), 1);
  EXPECT_EQ(Hex(1, 2), "FD 28");
  // Right cut, rows outside the band, a source missing the band.
  ASSERT_EQ(DrawBitmapRow(Stream(), 60, 2, 16, 1, source, 2, 1), 1);
  EXPECT_EQ(Row(2)[7], 0x01);
  EXPECT_EQ(DrawBitmapRow(Stream(), 0, 16, 16, 1, source, 2, 1), 0);
  EXPECT_EQ(DrawBitmapRow(Stream(), -16, 3, 16, 1, source, 2, 1), 0);
  EXPECT_EQ(DrawBitmapRow(Stream(), 64, 3, 16, 1, source, 2, 1), 0);
  EXPECT_EQ(DrawBitmapRow(Stream(), 0, 3, 16, 1, nullptr, 2, 1), 1);
  EXPECT_EQ(Row(3)[0], 0);
  // Clipped to columns 8..12 of a row at column 4.
  ASSERT_EQ(DrawBitmapRowClipped(Stream(), 4, 4, 16, 1, source, 2, 8, 12, 1), 1);
  EXPECT_EQ(Hex(4, 3), "00 F0 00");
  EXPECT_EQ(DrawBitmapRowClipped(Stream(), 4, 5, 16, 1, source, 2, 30, 20, 1), 0);
}

TEST_F(BandEngineTest, BitmapRowOperations) {
  const BYTE source[1] = {0xF0};
  const struct {
    char op;
    const char* expected;
  } cases[] = {{'o', "F6 6F"}, {'a', "66 6F"}, {'e', "96 6F"}, {'c', "F6 6F"}};
  for (const auto& c : cases) {
    UseBand(0, 16);
    Row(0)[0] = 0x66;
    Row(0)[1] = 0x6F;
    Rop('n', c.op);
    ASSERT_EQ(DrawBitmapRow(Stream(), 0, 0, 4, 1, source, 1, 1), 1);
    EXPECT_EQ(Hex(0, 2), c.expected) << c.op;
  }
  // A one-byte source across two band bytes.
  UseBand(0, 16);
  Rop('n', 'c');
  std::memset(Row(0), 0xFF, 2);
  const BYTE eight[1] = {0x81};
  ASSERT_EQ(DrawBitmapRow(Stream(), 4, 0, 8, 1, eight, 1, 1), 1);
  EXPECT_EQ(Hex(0, 2), "F8 1F");
}

}  // namespace
