// Memory DCs and device bitmaps of the screen: formats follow the display's
// depth, packed DIBs of every depth become device bitmaps with their colours,
// bitmaps are selected into one DC at a time and every object is released.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/display_dc.h"
#include "platform/gdi/printer_dc.h"
#include "platform/gdi/screen_bitmaps.h"
#include "platform/win/win_seams.h"

namespace {

// A packed DIB: header, colour table and rows.
struct Dib {
  std::vector<BYTE> bytes;
  const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(bytes.data()); }
  const BITMAPINFOHEADER* header() const { return reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data()); }
  size_t bitsAt = 0;
  const BYTE* bits() const { return bytes.data() + bitsAt; }
};

Dib MakeDib(int w, int h, int bpp, const std::vector<COLORREF>& table, const std::vector<BYTE>& rows,
            DWORD compression = BI_RGB, const std::vector<DWORD>& masks = {}) {
  BITMAPINFOHEADER hd{};
  hd.biSize = sizeof hd;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = WORD(bpp);
  hd.biCompression = compression;
  hd.biClrUsed = DWORD(table.size());
  Dib d;
  d.bytes.resize(sizeof hd);
  std::memcpy(d.bytes.data(), &hd, sizeof hd);
  for (DWORD m : masks) {
    const BYTE* b = reinterpret_cast<const BYTE*>(&m);
    d.bytes.insert(d.bytes.end(), b, b + 4);
  }
  for (COLORREF c : table) d.bytes.insert(d.bytes.end(), {GetBValue(c), GetGValue(c), GetRValue(c), 0});
  d.bitsAt = d.bytes.size();
  d.bytes.insert(d.bytes.end(), rows.begin(), rows.end());
  return d;
}

// The pixels of a bitmap, top row first.
std::vector<COLORREF> PixelsOf(HBITMAP hbm) {
  pk::gdi::Pixels p;
  EXPECT_TRUE(pk::gdi::ReadBitmapPixels(hbm, &p));
  return p.colour;
}

class ScreenBitmaps : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmaps_ = pk::seams::LiveBitmaps();
    dcs_ = pk::seams::LiveMemoryDcs();
    screen_ = GetDC(nullptr);
  }
  void TearDown() override {
    ReleaseDC(nullptr, screen_);
    EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps_);
    EXPECT_EQ(pk::seams::LiveMemoryDcs(), dcs_);
  }
  SIZE_T bitmaps_ = 0, dcs_ = 0;
  HDC screen_ = nullptr;
};

TEST_F(ScreenBitmaps, DepthAndResolutionComeFromTheDisplaySeams) {
  HDC mem = CreateCompatibleDC(screen_);
  ASSERT_NE(mem, nullptr);
  EXPECT_EQ(GetDeviceCaps(screen_, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSX), 96);
  for (int depth : {8, 16, 24, 32}) {
    pk::seams::SetDisplayDepth(depth);
    EXPECT_EQ(GetDeviceCaps(screen_, BITSPIXEL), depth);
    EXPECT_EQ(GetDeviceCaps(mem, BITSPIXEL), depth);
    HBITMAP bm = CreateCompatibleBitmap(screen_, 3, 2);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bm, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmBitsPixel, depth);
    EXPECT_EQ(info.bmWidthBytes, (3 * depth + 15) / 16 * 2);
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_TRUE(DeleteObject(bm));
  }
  pk::seams::SetDisplayDepth(12);  // ignored
  EXPECT_EQ(GetDeviceCaps(mem, BITSPIXEL), 32);
  pk::seams::SetScreenResolution(120);
  EXPECT_EQ(GetDeviceCaps(screen_, LOGPIXELSY), 120);
  EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSX), 120);
  EXPECT_TRUE(DeleteDC(mem));
}

TEST_F(ScreenBitmaps, AMemoryDcIsMonochromeUntilAColourBitmapIsSelected) {
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(mem, 4, 4);
  BITMAP info{};
  GetObjectW(mono, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  HBITMAP colour = CreateCompatibleBitmap(screen_, 4, 4);
  HGDIOBJ stock = SelectObject(mem, colour);
  ASSERT_NE(stock, nullptr);
  HBITMAP again = CreateCompatibleBitmap(mem, 4, 4);
  GetObjectW(again, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(pk::gdi::SelectedBitmap(mem), colour);
  EXPECT_EQ(SelectObject(mem, stock), colour);
  for (HBITMAP b : {mono, colour, again}) EXPECT_TRUE(DeleteObject(b));
  EXPECT_TRUE(DeleteDC(mem));
}

TEST_F(ScreenBitmaps, ABitmapLivesInOneDcAndIsDeletedOnlyWhenFree) {
  HDC a = CreateCompatibleDC(screen_), b = CreateCompatibleDC(screen_);
  HBITMAP bm = CreateCompatibleBitmap(screen_, 2, 2);
  HGDIOBJ old = SelectObject(a, bm);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(SelectObject(b, bm), nullptr);
  EXPECT_FALSE(DeleteObject(bm));
  EXPECT_EQ(SelectObject(a, old), bm);
  EXPECT_NE(SelectObject(b, bm), nullptr);
  // Deleting the DC frees what it held.
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_TRUE(DeleteObject(bm));
  EXPECT_FALSE(DeleteObject(bm));
  EXPECT_FALSE(DeleteDC(b));
  EXPECT_TRUE(DeleteDC(a));
  EXPECT_EQ(CreateCompatibleBitmap(screen_, 0, 2), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(reinterpret_cast<HDC>(uintptr_t(0x12345)), 2, 2), nullptr);
}

TEST_F(ScreenBitmaps, CreateBitmapReadsAndGivesBackDeviceBits) {
  // 1 bpp, 10 wide: rows of two bytes; set bits are white.
  const BYTE bits[] = {0xA0, 0x40, 0x00, 0x00};
  HBITMAP bm = CreateBitmap(10, 2, 1, 1, bits);
  ASSERT_NE(bm, nullptr);
  std::vector<COLORREF> px = PixelsOf(bm);
  const COLORREF W = RGB(255, 255, 255), K = RGB(0, 0, 0);
  EXPECT_EQ(px, (std::vector<COLORREF>{W, K, W, K, K, K, K, K, K, W, K, K, K, K, K, K, K, K, K, K}));
  BYTE back[4] = {};
  EXPECT_EQ(GetBitmapBits(bm, sizeof back, back), 4);
  EXPECT_EQ(std::memcmp(back, bits, 4), 0);
  EXPECT_TRUE(DeleteObject(bm));
  // 32 bpp device bits are B, G, R, 0.
  const BYTE rgb[] = {1, 2, 3, 0, 4, 5, 6, 0};
  bm = CreateBitmap(2, 1, 1, 32, rgb);
  EXPECT_EQ(PixelsOf(bm), (std::vector<COLORREF>{RGB(3, 2, 1), RGB(6, 5, 4)}));
  EXPECT_TRUE(DeleteObject(bm));
  EXPECT_EQ(CreateBitmap(2, 2, 2, 1, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(2, 2, 1, 3, nullptr), nullptr);
}

// Each depth of packed DIB, bottom-up, gives a device bitmap of its colours.
TEST_F(ScreenBitmaps, PackedDibsOfEveryDepthBecomeDeviceBitmaps) {
  const COLORREF R = RGB(255, 0, 0), G = RGB(0, 255, 0), B = RGB(0, 0, 255), M = RGB(255, 0, 255);
  struct Case {
    const char* name;
    Dib dib;
    std::vector<COLORREF> topFirst;  // 2 x 2
  };
  const Case cases[] = {
      {"1 bit", MakeDib(2, 2, 1, {R, B}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}), {B, R, R, B}},
      {"4 bit", MakeDib(2, 2, 4, {R, G, B, M}, {0x01, 0, 0, 0, 0x23, 0, 0, 0}), {B, M, R, G}},
      {"8 bit", MakeDib(2, 2, 8, {R, G, B, M}, {3, 2, 0, 0, 1, 0, 0, 0}), {G, R, M, B}},
      {"16 bit 5-5-5", MakeDib(2, 2, 16, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x1F, 0x7C}), {B, M, R, G}},
      {"16 bit 5-6-5",
       MakeDib(2, 2, 16, {}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x1F, 0xF8}, BI_BITFIELDS, {0xF800, 0x07E0, 0x1F}),
       {B, M, R, G}},
      {"24 bit", MakeDib(2, 2, 24, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0}), {B, R, R, G}},
      {"32 bit", MakeDib(2, 2, 32, {}, {255, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0}), {B, R, M, G}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HBITMAP bm = CreateDIBitmap(screen_, c.dib.header(), CBM_INIT, c.dib.bits(), c.dib.info(), DIB_RGB_COLORS);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(PixelsOf(bm), c.topFirst);
    EXPECT_TRUE(DeleteObject(bm));
  }
  // A top-down DIB starts with its top row.
  Dib top = MakeDib(2, 2, 8, {R, G, B, M}, {3, 2, 0, 0, 1, 0, 0, 0});
  reinterpret_cast<BITMAPINFOHEADER*>(top.bytes.data())->biHeight = -2;
  HBITMAP bm = CreateDIBitmap(screen_, top.header(), CBM_INIT, top.bits(), top.info(), DIB_RGB_COLORS);
  EXPECT_EQ(PixelsOf(bm), (std::vector<COLORREF>{M, B, G, R}));
  EXPECT_TRUE(DeleteObject(bm));
  // Without CBM_INIT the bitmap is black; an unknown depth makes none.
  bm = CreateDIBitmap(screen_, top.header(), 0, nullptr, nullptr, 0);
  EXPECT_EQ(PixelsOf(bm), std::vector<COLORREF>(4, RGB(0, 0, 0)));
  EXPECT_TRUE(DeleteObject(bm));
  reinterpret_cast<BITMAPINFOHEADER*>(top.bytes.data())->biBitCount = 7;
  EXPECT_EQ(CreateDIBitmap(screen_, top.header(), CBM_INIT, top.bits(), top.info(), DIB_RGB_COLORS), nullptr);
}

TEST_F(ScreenBitmaps, PaletteIndexTablesUseThePaletteOfTheDc) {
  LOGPALETTE* lp = static_cast<LOGPALETTE*>(::operator new(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY)));
  lp->palVersion = 0x300;
  lp->palNumEntries = 2;
  lp->palPalEntry[0] = PALETTEENTRY{10, 20, 30, 0};
  reinterpret_cast<PALETTEENTRY*>(lp->palPalEntry)[1] = PALETTEENTRY{40, 50, 60, 0};
  HPALETTE pal = CreatePalette(lp);
  ::operator delete(lp);
  HDC mem = CreateCompatibleDC(screen_);
  HPALETTE old = SelectPalette(mem, pal, FALSE);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(RealizePalette(mem), 2u);
  // A 1-bit DIB whose table holds palette indices 1 and 0.
  std::vector<BYTE> bytes(sizeof(BITMAPINFOHEADER) + 4 + 4);
  BITMAPINFOHEADER hd{sizeof hd, 2, 1, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
  std::memcpy(bytes.data(), &hd, sizeof hd);
  bytes[40] = 1;
  bytes[42] = 0;
  bytes[44] = 0x40;
  HBITMAP bm = CreateCompatibleBitmap(screen_, 2, 1);
  EXPECT_EQ(SetDIBits(mem, bm, 0, 1, bytes.data() + 44, reinterpret_cast<BITMAPINFO*>(bytes.data()), DIB_PAL_COLORS),
            1);
  EXPECT_EQ(PixelsOf(bm), (std::vector<COLORREF>{RGB(40, 50, 60), RGB(10, 20, 30)}));
  // At 8 bits the device bits index the system palette, which holds the realised colours.
  pk::seams::SetDisplayDepth(8);
  HBITMAP eight = CreateCompatibleBitmap(screen_, 2, 1);
  pk::gdi::Pixels p;
  pk::gdi::ReadBitmapPixels(bm, &p);
  p.bitsPerPixel = 8;
  ASSERT_TRUE(pk::gdi::WriteBitmapPixels(eight, p));
  BYTE idx[2] = {};
  EXPECT_EQ(GetBitmapBits(eight, 2, idx), 2);
  HBITMAP copy = CreateBitmap(2, 1, 1, 8, idx);
  EXPECT_EQ(PixelsOf(copy), PixelsOf(bm));
  EXPECT_EQ(SelectPalette(mem, old, FALSE), pal);
  EXPECT_TRUE(DeleteDC(mem));
  for (HGDIOBJ o : {HGDIOBJ(bm), HGDIOBJ(eight), HGDIOBJ(copy), HGDIOBJ(pal)}) EXPECT_TRUE(DeleteObject(o));
  WORD entries = 0;
  EXPECT_EQ(GetObjectW(pal, sizeof entries, &entries), 0);
}

TEST_F(ScreenBitmaps, GetDIBitsReportsTheFormatAndReadsRowsBack) {
  HBITMAP bm = CreateCompatibleBitmap(screen_, 3, 2);
  pk::gdi::Pixels p;
  pk::gdi::ReadBitmapPixels(bm, &p);
  p.colour = {RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), RGB(10, 11, 12), RGB(13, 14, 15), RGB(16, 17, 18)};
  pk::gdi::WriteBitmapPixels(bm, p);
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * 4);
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_EQ(GetDIBits(screen_, bm, 0, 2, nullptr, bi, DIB_RGB_COLORS), 1);
  EXPECT_EQ(bi->bmiHeader.biWidth, 3);
  EXPECT_EQ(bi->bmiHeader.biHeight, 2);
  EXPECT_EQ(bi->bmiHeader.biBitCount, 32);
  EXPECT_EQ(bi->bmiHeader.biSizeImage, 24u);
  bi->bmiHeader.biBitCount = 24;
  std::vector<BYTE> rows(2 * 12);
  ASSERT_EQ(GetDIBits(screen_, bm, 0, 2, rows.data(), bi, DIB_RGB_COLORS), 2);
  // Bottom-up: the first row read is the bitmap's last.
  EXPECT_EQ(rows[0], 12);
  EXPECT_EQ(rows[2], 10);
  EXPECT_EQ(rows[12], 3);
  EXPECT_TRUE(DeleteObject(bm));
}

}  // namespace

namespace {

TEST(ScreenWindowDcs, AWindowlessDcTakesNoBitmapAndTheDisplayDcStays) {
  HDC screen = GetDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(screen, 2, 2);
  // The display's DC is no memory DC: it selects no bitmap and is not deleted.
  EXPECT_EQ(SelectObject(screen, bm), nullptr);
  EXPECT_FALSE(DeleteDC(screen));
  EXPECT_EQ(pk::gdi::OpenWindowDc(nullptr), nullptr);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_TRUE(DeleteObject(bm));
}

}  // namespace
