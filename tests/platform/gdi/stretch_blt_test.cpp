// EngStretchBlt on a device surface: halftoning into 1 bit with the page-anchored
// Bayer matrix, nearest-centre scaling and mirroring, the bitmap handed back to
// DrvCopyBits, and the cases it refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_driver.h"

using namespace pkgdi;

namespace {

// A bitmap of one colour (device colour 0x00RRGGBB) in the given format.
SURFOBJ* Filled(SIZEL size, ULONG format, ULONG value, bool topDown = true) {
  SURFOBJ* so = CreateBitmap(size, format, topDown);
  for (LONG y = 0; y < size.cy; ++y) {
    auto* row = static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
    for (LONG x = 0; x < size.cx; ++x) {
      if (format == BMF_24BPP) {
        row[3 * x] = value & 0xFF;
        row[3 * x + 1] = (value >> 8) & 0xFF;
        row[3 * x + 2] = (value >> 16) & 0xFF;
      } else if (format == BMF_1BPP && value) {
        row[x >> 3] |= 0x80 >> (x & 7);
      } else if (format == BMF_8BPP) {
        row[x] = static_cast<uint8_t>(value);
      }
    }
  }
  return so;
}

void Set24(SURFOBJ* so, LONG x, LONG y, ULONG c) {
  auto* row = static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
  row[3 * x] = c & 0xFF;
  row[3 * x + 1] = (c >> 8) & 0xFF;
  row[3 * x + 2] = (c >> 16) & 0xFF;
}

BOOL Stretch(fake::Device& dev, SURFOBJ* src, RECTL dst, RECTL srcRect, ULONG mode = HALFTONE, XLATEOBJ* pxlo = nullptr,
             CLIPOBJ* pco = nullptr, SURFOBJ* mask = nullptr) {
  return EngStretchBlt(dev.surface(), src, mask, pco, pxlo, nullptr, nullptr, &dst, &srcRect, nullptr, mode);
}

}  // namespace

TEST(StretchBlt, HalftoneOfBlackWhiteAndGrey) {
  struct Case {
    ULONG colour;
    int whitePerCell;
  };
  // Grey 128 (0x808080): white where 64 * 128 > 255 * B + 127, B = 0..31.
  for (Case c : {Case{0x000000, 0}, Case{0xFFFFFF, 64}, Case{0x808080, 32}}) {
    fake::Device dev({64, 32});
    SURFOBJ* src = Filled({16, 16}, BMF_24BPP, c.colour);
    ASSERT_TRUE(Stretch(dev, src, {0, 0, 32, 16}, {0, 0, 16, 16}));
    ASSERT_EQ(fake::state().copies.size(), 1u);
    const fake::CopyCall& call = fake::state().copies[0];
    EXPECT_EQ(call.format, ULONG(BMF_1BPP));
    EXPECT_EQ(call.iType, ULONG(STYPE_BITMAP));
    EXPECT_EQ(call.size.cx, 32);
    EXPECT_EQ(call.size.cy, 16);
    EXPECT_EQ(call.dest.right, 32);
    EXPECT_EQ(call.flXlate & XO_TABLE, ULONG(XO_TABLE));
    EXPECT_EQ(call.table, (std::vector<ULONG>{0x000000, 0xFFFFFF}));
    for (LONG cy = 0; cy < 16; cy += 8)
      for (LONG cx = 0; cx < 32; cx += 8) {
        int white = 0;
        for (LONG y = 0; y < 8; ++y)
          for (LONG x = 0; x < 8; ++x) white += call.bit(cx + x, cy + y);
        EXPECT_EQ(white, c.whitePerCell) << std::hex << c.colour;
      }
    DeleteBitmap(src);
  }
}

TEST(StretchBlt, ScalesByNearestCentresAndMirrors) {
  fake::Device dev({64, 64});
  // Black and white columns and rows: (x + y) odd is white.
  SURFOBJ* src = Filled({2, 2}, BMF_24BPP, 0);
  Set24(src, 1, 0, 0xFFFFFF);
  Set24(src, 0, 1, 0xFFFFFF);
  ASSERT_TRUE(Stretch(dev, src, {0, 0, 4, 4}, {0, 0, 2, 2}));
  // Mirrored both ways by inverted destination edges.
  ASSERT_TRUE(Stretch(dev, src, {4, 4, 0, 0}, {0, 0, 2, 2}));
  ASSERT_EQ(fake::state().copies.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    const fake::CopyCall& c = fake::state().copies[k];
    ASSERT_EQ(c.size.cx, 4);
    for (LONG y = 0; y < 4; ++y)
      for (LONG x = 0; x < 4; ++x) {
        int sx = k ? 1 - x / 2 : x / 2, sy = k ? 1 - y / 2 : y / 2;
        EXPECT_EQ(c.bit(x, y), (sx + sy) & 1) << k << " " << x << "," << y;
      }
  }
  // Shrinking 8 -> 3 takes source columns 1, 4, 6 (under the centres).
  fake::state().copies.clear();
  SURFOBJ* wide = Filled({8, 1}, BMF_24BPP, 0);
  for (LONG x : {1, 4, 6}) Set24(wide, x, 0, 0xFFFFFF);
  ASSERT_TRUE(Stretch(dev, wide, {0, 0, 3, 1}, {0, 0, 8, 1}, COLORONCOLOR));
  const fake::CopyCall& c = fake::state().copies[0];
  EXPECT_EQ(c.format, ULONG(BMF_24BPP));
  EXPECT_EQ(c.rows[0], std::vector<uint8_t>(9, 0xFF));
  DeleteBitmap(wide);
  DeleteBitmap(src);
}

TEST(StretchBlt, BandsJoinWithoutSeamsAndRowOrderDoesNotMatter) {
  // A grey ramp 1000 rows high, once in one band, once in a band at (0, 500).
  auto ramp = [](bool topDown) {
    SURFOBJ* so = CreateBitmap({40, 1000}, BMF_24BPP, topDown);
    for (LONG y = 0; y < 1000; ++y)
      for (LONG x = 0; x < 40; ++x) Set24(so, x, y, ((x * 6 + y) % 256) * 0x010101);
    return so;
  };
  SURFOBJ* td = ramp(true);
  SURFOBJ* bu = ramp(false);
  fake::Device whole({40, 1000});
  ASSERT_TRUE(Stretch(whole, td, {0, 0, 40, 1000}, {0, 0, 40, 1000}));
  ASSERT_TRUE(Stretch(whole, bu, {0, 0, 40, 1000}, {0, 0, 40, 1000}));
  auto one = fake::state().copies;
  ASSERT_EQ(one.size(), 2u);
  EXPECT_EQ(one[0].rows, one[1].rows);  // bottom-up equals top-down

  fake::Device band({40, 500});
  SetBandOrigin(band.surface(), {0, 500});
  ASSERT_TRUE(Stretch(band, td, {0, -500, 40, 500}, {0, 0, 40, 1000}));
  const fake::CopyCall& c = fake::state().copies.at(0);
  EXPECT_EQ(c.dest.top, 0);
  EXPECT_EQ(c.dest.bottom, 500);
  ASSERT_EQ(c.rows.size(), 500u);
  for (size_t r = 0; r < 500; ++r) ASSERT_EQ(c.rows[r], one[0].rows[500 + r]) << r;
  DeleteBitmap(td);
  DeleteBitmap(bu);
}

TEST(StretchBlt, OneBitSourcesTranslationsAndClipBounds) {
  fake::Device dev({100, 100});
  // A 1-bpp source through the table {white, black}: bit 1 is black.
  SURFOBJ* src = Filled({8, 8}, BMF_1BPP, 1);
  ULONG wb[2] = {0xFFFFFF, 0x000000};
  XLATEOBJ* pxlo = CreateXlateTable(wb, 2);
  CLIPOBJ* pco = CreateClip(Region::FromRect({2, 3, 6, 7}));
  ASSERT_TRUE(Stretch(dev, src, {0, 0, 8, 8}, {0, 0, 8, 8}, HALFTONE, pxlo, pco));
  ASSERT_EQ(fake::state().copies.size(), 1u);
  const fake::CopyCall& c = fake::state().copies[0];
  EXPECT_EQ(c.format, ULONG(BMF_1BPP));
  EXPECT_EQ(c.size.cx, 4);
  EXPECT_EQ(c.size.cy, 4);
  EXPECT_EQ(c.dest.left, 2);
  EXPECT_EQ(c.dest.top, 3);
  for (auto& row : c.rows) EXPECT_EQ(row[0] & 0xF0, 0);

  // Scaling only keeps the format and hands the caller's translation on.
  fake::state().copies.clear();
  ASSERT_TRUE(Stretch(dev, src, {0, 0, 16, 16}, {0, 0, 8, 8}, BLACKONWHITE, pxlo));
  EXPECT_EQ(fake::state().copies[0].format, ULONG(BMF_1BPP));
  EXPECT_EQ(fake::state().copies[0].pxlo, pxlo);
  EXPECT_EQ(fake::state().copies[0].rows[15][1], 0xFF);

  // A source rectangle reaching past the bitmap is cut to it.
  fake::state().copies.clear();
  ASSERT_TRUE(Stretch(dev, src, {0, 0, 8, 8}, {-4, -4, 400, 400}, COLORONCOLOR, pxlo));
  EXPECT_EQ(fake::state().copies.size(), 1u);

  // The driver's answer is the engine's.
  fake::state().copyResult = FALSE;
  EXPECT_FALSE(Stretch(dev, src, {0, 0, 8, 8}, {0, 0, 8, 8}));
  DeleteClip(pco);
  DeleteXlate(pxlo);
  DeleteBitmap(src);
}

TEST(StretchBlt, RefusesMasksBadArgumentsAndDeepNesting) {
  fake::Device dev({100, 100});
  SURFOBJ* src = Filled({8, 8}, BMF_24BPP, 0x123456);
  SURFOBJ* mask = Filled({8, 8}, BMF_1BPP, 1);
  EXPECT_FALSE(Stretch(dev, src, {0, 0, 8, 8}, {0, 0, 8, 8}, HALFTONE, nullptr, nullptr, mask));
  EXPECT_FALSE(Stretch(dev, dev.surface(), {0, 0, 8, 8}, {0, 0, 8, 8}));  // not a bitmap
  EXPECT_FALSE(Stretch(dev, src, {0, 0, 8, 8}, {20, 20, 30, 30}));        // nothing of the bitmap
  EXPECT_FALSE(Stretch(dev, src, {0, 0, 8, 8}, {0, 0, 8, 8}, 9));
  EXPECT_FALSE(EngStretchBlt(dev.surface(), src, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             HALFTONE));
  EXPECT_TRUE(fake::state().copies.empty());

  // A driver that hands every bitmap back: two levels are served, the third
  // EngStretchBlt answers FALSE.
  fake::state().copyRecurses = true;
  EXPECT_TRUE(Stretch(dev, src, {0, 0, 8, 8}, {0, 0, 8, 8}, COLORONCOLOR));
  EXPECT_EQ(fake::state().copies.size(), 2u);
  EXPECT_EQ(fake::state().recursiveResults, 1);
  DeleteBitmap(mask);
  DeleteBitmap(src);
}

TEST(StretchBlt, ScalingKeepsPixelsOfEveryFormat) {
  struct Case {
    ULONG format;
    ULONG values[4];  // raw pixels of a 2 x 2 source, row by row
  };
  for (Case c :
       {Case{BMF_1BPP, {1, 0, 0, 1}}, Case{BMF_4BPP, {0x3, 0xC, 0xF, 0x1}}, Case{BMF_8BPP, {7, 200, 13, 255}},
        Case{BMF_16BPP, {0x7C00, 0x03E0, 0x001F, 0x7FFF}}, Case{BMF_24BPP, {0x123456, 0xABCDEF, 0xFF0000, 0x000001}},
        Case{BMF_32BPP, {0x01020304, 0xFFFFFFFF, 0x80000000, 0x7F}}}) {
    fake::Device dev({16, 16});
    for (bool topDown : {true, false}) {
      fake::state().copies.clear();
      SURFOBJ* src = CreateBitmap({2, 2}, c.format, topDown);
      ULONG bpp = BitsPerPixelOfFormat(c.format);
      for (LONG y = 0; y < 2; ++y) {
        auto* row = static_cast<uint8_t*>(src->pvScan0) + static_cast<ptrdiff_t>(y) * src->lDelta;
        for (LONG x = 0; x < 2; ++x) {
          ULONG v = c.values[2 * y + x];
          if (bpp < 8) row[0] |= static_cast<uint8_t>(v << (8 - bpp * (x + 1)));
          else std::memcpy(row + x * bpp / 8, &v, bpp / 8);
        }
      }
      ASSERT_TRUE(Stretch(dev, src, {0, 0, 4, 4}, {0, 0, 2, 2}, COLORONCOLOR));
      const fake::CopyCall& call = fake::state().copies.at(0);
      EXPECT_EQ(call.format, c.format);
      for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 4; ++x) {
          ULONG v = 0;
          const auto& row = call.rows[y];
          if (bpp < 8) v = (row[x * bpp / 8] >> (8 - bpp * (x % (8 / bpp) + 1))) & ((1u << bpp) - 1);
          else std::memcpy(&v, row.data() + x * bpp / 8, bpp / 8);
          EXPECT_EQ(v, c.values[2 * (y / 2) + x / 2]) << c.format << " " << x << "," << y;
        }
      DeleteBitmap(src);
    }
  }
}
