// Drawing on memory DCs: raster operations per pixel, the monochrome and
// colour conversions of blits, pattern brushes anchored at the DC origin,
// 8-bit reads with colour tables, the magenta transparency recipe of the
// picture controls at two display depths, clipping, and text.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gdi/screen_draw.h"
#include "platform/win/win_muldiv.h"
#include "platform/win/win_seams.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// A memory DC holding a new bitmap of the given pixels (top row first).
struct MemBitmap {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  MemBitmap(int w, int h, const std::vector<COLORREF>& pixels, bool mono = false) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = mono ? CreateBitmap(w, h, 1, 1, nullptr) : CreateCompatibleBitmap(GetDC(nullptr), w, h);
    pk::gdi::Pixels p;
    pk::gdi::ReadBitmapPixels(bitmap, &p);
    if (!pixels.empty()) p.colour = pixels;
    pk::gdi::WriteBitmapPixels(bitmap, p);
    old = SelectObject(dc, bitmap);
  }
  ~MemBitmap() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::vector<COLORREF> pixels() const {
    pk::gdi::Pixels p;
    pk::gdi::ReadBitmapPixels(bitmap, &p);
    return p.colour;
  }
};

class ScreenDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmaps_ = pk::seams::LiveBitmaps();
    objects_ = pkgdi::LiveGdiObjects();
  }
  void TearDown() override {
    EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps_);
    EXPECT_EQ(pkgdi::LiveGdiObjects(), objects_);
    EXPECT_EQ(pk::seams::LiveMemoryDcs(), 0u);
  }
  SIZE_T bitmaps_ = 0;
  size_t objects_ = 0;
};

TEST_F(ScreenDraw, RasterOperationsGiveTheBitsOfTheirDefinitions) {
  const std::vector<COLORREF> S = {0x123456, 0xFF00FF, 0x000000, 0xA5A5A5};
  const std::vector<COLORREF> D = {0x0F0F0F, 0x00FF00, 0xFFFFFF, 0x5A5A5A};
  const COLORREF P = 0x336699;
  struct Case {
    const char* name;
    DWORD rop;
    COLORREF (*f)(COLORREF p, COLORREF s, COLORREF d);
  };
  const Case cases[] = {
      {"SRCCOPY", SRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return s; }},
      {"SRCAND", SRCAND, [](COLORREF, COLORREF s, COLORREF d) { return s & d; }},
      {"SRCPAINT", SRCPAINT, [](COLORREF, COLORREF s, COLORREF d) { return s | d; }},
      {"SRCINVERT", SRCINVERT, [](COLORREF, COLORREF s, COLORREF d) { return s ^ d; }},
      {"DSTINVERT", DSTINVERT, [](COLORREF, COLORREF, COLORREF d) { return ~d & 0xFFFFFF; }},
      {"PATCOPY", PATCOPY, [](COLORREF p, COLORREF, COLORREF) { return p; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemBitmap src(2, 2, S), dst(2, 2, D);
    HBRUSH brush = CreateSolidBrush(P);
    HGDIOBJ oldBrush = SelectObject(dst.dc, brush);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, c.rop));
    std::vector<COLORREF> want;
    for (int i = 0; i < 4; ++i) want.push_back(c.f(P, S[i], D[i]));
    EXPECT_EQ(dst.pixels(), want);
    SelectObject(dst.dc, oldBrush);
    DeleteObject(brush);
  }
}

TEST_F(ScreenDraw, ColourToMonochromeAndBackFollowTheDcColours) {
  const COLORREF blue = RGB(0, 0, 255);
  MemBitmap colour(2, 2, {blue, RGB(1, 2, 3), kWhite, blue});
  MemBitmap mono(2, 2, {}, true);
  // Pixels of the source DC's background colour become white, others black.
  SetBkColor(colour.dc, blue);
  ASSERT_TRUE(BitBlt(mono.dc, 0, 0, 2, 2, colour.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(mono.pixels(), (std::vector<COLORREF>{kWhite, kBlack, kBlack, kWhite}));
  // Monochrome onto colour: black takes the text colour, white the background colour.
  MemBitmap target(2, 2, {kBlack, kBlack, kBlack, kBlack});
  SetTextColor(target.dc, RGB(10, 20, 30));
  SetBkColor(target.dc, RGB(200, 100, 50));
  ASSERT_TRUE(BitBlt(target.dc, 0, 0, 2, 2, mono.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(target.pixels(),
            (std::vector<COLORREF>{RGB(200, 100, 50), RGB(10, 20, 30), RGB(10, 20, 30), RGB(200, 100, 50)}));
}

TEST_F(ScreenDraw, APatternBrushRepeatsFromTheDcOrigin) {
  std::vector<COLORREF> tile(64);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) tile[y * 8 + x] = (x + 2 * y) % 3 == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255);
  HBITMAP pattern = CreateCompatibleBitmap(GetDC(nullptr), 8, 8);
  pk::gdi::Pixels p;
  pk::gdi::ReadBitmapPixels(pattern, &p);
  p.colour = tile;
  pk::gdi::WriteBitmapPixels(pattern, p);
  HBRUSH brush = CreatePatternBrush(pattern);
  ASSERT_NE(brush, nullptr);
  EXPECT_TRUE(DeleteObject(pattern));  // the brush keeps its own copy
  MemBitmap dst(24, 24, std::vector<COLORREF>(24 * 24, kWhite));
  HGDIOBJ old = SelectObject(dst.dc, brush);
  ASSERT_TRUE(PatBlt(dst.dc, 3, 2, 20, 20, PATCOPY));
  const std::vector<COLORREF> px = dst.pixels();
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const bool inside = x >= 3 && x < 23 && y >= 2 && y < 22;
      ASSERT_EQ(px[y * 24 + x], inside ? tile[(y % 8) * 8 + x % 8] : kWhite) << x << "," << y;
    }
  SelectObject(dst.dc, old);
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(ScreenDraw, EightBitReadsHoldWhiteAndBlackAndMapBack) {
  const std::vector<COLORREF> px = {kWhite, RGB(9, 8, 7), kBlack, kWhite, RGB(255, 254, 255), RGB(9, 8, 7)};
  MemBitmap bm(3, 2, px);
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_TRUE(GetDIBits(bm.dc, bm.bitmap, 0, 2, nullptr, bi, DIB_RGB_COLORS));
  EXPECT_EQ(bi->bmiHeader.biBitCount, 32);
  bi->bmiHeader.biBitCount = 8;
  bi->bmiHeader.biCompression = BI_RGB;
  std::vector<BYTE> rows(2 * 4);
  ASSERT_EQ(GetDIBits(bm.dc, bm.bitmap, 0, 2, rows.data(), bi, DIB_RGB_COLORS), 2);
  auto entry = [&](int i) {
    const RGBQUAD& q = bi->bmiColors[i];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  };
  int white = -1, black = -1;
  for (int i = 0; i < 256; ++i) {
    if (white < 0 && entry(i) == kWhite) white = i;
    if (black < 0 && entry(i) == kBlack) black = i;
  }
  EXPECT_GE(white, 0);
  EXPECT_GE(black, 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(entry(rows[(1 - y) * 4 + x]), px[y * 3 + x]) << x << "," << y;
}

// The picture controls' transparency: a mask white where the picture is
// magenta, then SRCAND, DSTINVERT, SRCAND, SRCPAINT.
void BuildTransparencyMask(HDC maskDc, HDC pictureDc, int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC workDc = CreateCompatibleDC(screen);
  HBITMAP work = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ oldWork = SelectObject(workDc, work);
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  HGDIOBJ oldBrush = SelectObject(workDc, magenta);
  PatBlt(workDc, 0, 0, w, h, PATCOPY);
  PatBlt(workDc, 0, 0, w, h, DSTINVERT);
  BitBlt(workDc, 0, 0, w, h, pictureDc, 0, 0, SRCINVERT);
  SelectObject(workDc, oldBrush);
  DeleteObject(magenta);
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  SelectObject(workDc, oldWork);
  GetDIBits(workDc, work, 0, h, nullptr, bi, DIB_RGB_COLORS);
  if (bi->bmiHeader.biBitCount == 16 || bi->bmiHeader.biBitCount == 32) {
    bi->bmiHeader.biBitCount = 8;
    bi->bmiHeader.biCompression = BI_RGB;
    const int stride = (w + 3) / 4 * 4;
    std::vector<BYTE> rows(size_t(stride) * h);
    ASSERT_EQ(GetDIBits(workDc, work, 0, h, rows.data(), bi, DIB_RGB_COLORS), h);
    int white = -1, black = -1;
    for (int i = 0; i < 256; ++i) {
      const RGBQUAD& q = bi->bmiColors[i];
      if (white < 0 && q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255) white = i;
      if (black < 0 && q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0) black = i;
    }
    ASSERT_TRUE(white >= 0 && black >= 0);
    for (BYTE& b : rows)
      if (b != white) b = BYTE(black);
    ASSERT_EQ(SetDIBits(workDc, work, 0, h, rows.data(), bi, DIB_RGB_COLORS), h);
    oldWork = SelectObject(workDc, work);
    BitBlt(maskDc, 0, 0, w, h, workDc, 0, 0, SRCCOPY);
  } else {
    oldWork = SelectObject(workDc, work);
    HDC monoDc = CreateCompatibleDC(screen);
    HBITMAP mono = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldMono = SelectObject(monoDc, mono);
    BitBlt(monoDc, 0, 0, w, h, workDc, 0, 0, SRCCOPY);
    BitBlt(maskDc, 0, 0, w, h, monoDc, 0, 0, SRCCOPY);
    SelectObject(monoDc, oldMono);
    DeleteObject(mono);
    DeleteDC(monoDc);
  }
  SelectObject(workDc, oldWork);
  DeleteObject(work);
  DeleteDC(workDc);
}

TEST_F(ScreenDraw, MagentaIsTransparentAtEveryDisplayDepth) {
  for (int depth : {32, 8}) {
    SCOPED_TRACE(depth);
    pk::seams::SetDisplayDepth(depth);
    const COLORREF ground = RGB(10, 200, 30), nearMagenta = RGB(254, 0, 255), other = RGB(1, 2, 3);
    MemBitmap target(3, 1, {ground, ground, ground});
    MemBitmap picture(3, 1, {RGB(255, 0, 255), nearMagenta, other});
    MemBitmap mask(3, 1, {});
    BuildTransparencyMask(mask.dc, picture.dc, 3, 1);
    EXPECT_EQ(mask.pixels(), (std::vector<COLORREF>{kWhite, kBlack, kBlack}));
    BitBlt(target.dc, 0, 0, 3, 1, mask.dc, 0, 0, SRCAND);
    PatBlt(mask.dc, 0, 0, 3, 1, DSTINVERT);
    BitBlt(picture.dc, 0, 0, 3, 1, mask.dc, 0, 0, SRCAND);
    BitBlt(target.dc, 0, 0, 3, 1, picture.dc, 0, 0, SRCPAINT);
    EXPECT_EQ(target.pixels(), (std::vector<COLORREF>{ground, nearMagenta, other}));
  }
}

TEST_F(ScreenDraw, BlitsAreClippedToBothBitmaps) {
  MemBitmap src(4, 4, std::vector<COLORREF>(16, RGB(1, 1, 1)));
  MemBitmap dst(6, 6, std::vector<COLORREF>(36, kWhite));
  // The source rectangle runs past the source's right and bottom; the target's
  // past its left.
  ASSERT_TRUE(BitBlt(dst.dc, -1, 1, 10, 10, src.dc, 2, 2, SRCCOPY));
  const std::vector<COLORREF> px = dst.pixels();
  int copied = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool in = x == 0 && y >= 1 && y < 3;
      EXPECT_EQ(px[y * 6 + x], in ? RGB(1, 1, 1) : kWhite) << x << "," << y;
      copied += in;
    }
  EXPECT_EQ(copied, 2);
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 3, 3, src.dc, 100000, -100000, SRCCOPY));
  EXPECT_TRUE(BitBlt(dst.dc, INT32_MAX - 2, INT32_MIN + 2, 5, 5, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.pixels(), px);
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
}

LOGFONTW NinePoints(bool bold = false) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(9, GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  const char16_t face[] = u"Arial";
  std::copy(face, face + 6, lf.lfFaceName);
  return lf;
}

TEST_F(ScreenDraw, CalculatedTextHeightIsTheFontHeight) {
  MemBitmap bm(40, 40, {});
  for (bool bold : {false, true}) {
    LOGFONTW lf = NinePoints(bold);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(bm.dc, font);
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(bm.dc, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(tm.tmHeight, 12);
    RECT r{5, 5, 5, 5};
    EXPECT_EQ(DrawTextW(bm.dc, u"Ag", -1, &r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(r.bottom - r.top, tm.tmHeight);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(bm.dc, u"Ag", 2, &size));
    EXPECT_EQ(r.right - r.left, size.cx);
    EXPECT_EQ(size.cy, tm.tmHeight);
    // Word breaks make two lines of a text wider than the rectangle.
    RECT narrow{0, 0, size.cx + 2, 0};
    EXPECT_EQ(DrawTextW(bm.dc, u"Ag Ag", -1, &narrow, DT_CALCRECT | DT_WORDBREAK), 2 * tm.tmHeight);
    SelectObject(bm.dc, old);
    DeleteObject(font);
  }
}

TEST_F(ScreenDraw, OpaqueClippedTextStaysInItsRectangle) {
  const COLORREF ground = RGB(0, 128, 0), back = RGB(255, 255, 0), ink = RGB(0, 0, 255);
  MemBitmap bm(60, 30, std::vector<COLORREF>(60 * 30, ground));
  LOGFONTW lf = NinePoints();
  lf.lfHeight = -20;
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(bm.dc, font);
  SetBkColor(bm.dc, back);
  SetTextColor(bm.dc, ink);
  const RECT r{10, 5, 30, 15};
  ASSERT_TRUE(ExtTextOutW(bm.dc, 8, 0, ETO_OPAQUE | ETO_CLIPPED, &r, u"WWW", 3, nullptr));
  const std::vector<COLORREF> px = bm.pixels();
  int inkInside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      const COLORREF c = px[y * 60 + x];
      const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      if (inside) {
        EXPECT_TRUE(c == back || c == ink) << x << "," << y;
        inkInside += c == ink;
      } else {
        EXPECT_EQ(c, ground) << x << "," << y;
      }
    }
  EXPECT_GT(inkInside, 10);
  SelectObject(bm.dc, old);
  DeleteObject(font);
}

// The box around the pixels of one colour.
RECT InkBox(const std::vector<COLORREF>& px, int w, COLORREF ink) {
  RECT box{w, int(px.size()) / w, -1, -1};
  for (size_t i = 0; i < px.size(); ++i)
    if (px[i] == ink) {
      const LONG x = LONG(i % w), y = LONG(i / w);
      box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    }
  return box;
}

TEST_F(ScreenDraw, DrawTextPlacesAndClipsItsLines) {
  const COLORREF ground = kWhite, ink = RGB(200, 0, 0);
  LOGFONTW lf = NinePoints();
  HFONT font = CreateFontIndirectW(&lf);
  struct Case {
    const char* name;
    UINT format;
  };
  const Case cases[] = {{"left top", DT_SINGLELINE}, {"centred", DT_SINGLELINE | DT_CENTER | DT_VCENTER}};
  RECT boxes[2];
  for (int k = 0; k < 2; ++k) {
    MemBitmap bm(80, 40, std::vector<COLORREF>(80 * 40, ground));
    HGDIOBJ old = SelectObject(bm.dc, font);
    SetTextColor(bm.dc, ink);
    SetBkMode(bm.dc, TRANSPARENT);
    RECT r{0, 0, 80, 40};
    EXPECT_GT(DrawTextW(bm.dc, u"Ag", -1, &r, cases[k].format), 0) << cases[k].name;
    boxes[k] = InkBox(bm.pixels(), 80, ink);
    SelectObject(bm.dc, old);
  }
  EXPECT_LT(boxes[0].left, 3);
  EXPECT_LT(boxes[0].top, 8);
  // Centred: the ink's middle lies near the rectangle's middle.
  EXPECT_NEAR((boxes[1].left + boxes[1].right) / 2.0, 40, 3);
  EXPECT_NEAR((boxes[1].top + boxes[1].bottom) / 2.0, 20, 4);
  // A line longer than a small rectangle stays inside it, unless DT_NOCLIP.
  for (UINT noclip : {0u, UINT(DT_NOCLIP)}) {
    MemBitmap bm(80, 40, std::vector<COLORREF>(80 * 40, ground));
    HGDIOBJ old = SelectObject(bm.dc, font);
    SetTextColor(bm.dc, ink);
    SetBkMode(bm.dc, TRANSPARENT);
    RECT r{2, 2, 12, 30};
    DrawTextW(bm.dc, u"WWWWWW", -1, &r, DT_SINGLELINE | noclip);
    const RECT box = InkBox(bm.pixels(), 80, ink);
    EXPECT_EQ(box.right <= 12, noclip == 0);
    SelectObject(bm.dc, old);
  }
  DeleteObject(font);
}

TEST_F(ScreenDraw, BoldAndItalicChooseTheirFaces) {
  auto inkOf = [](LONG weight, BYTE italic, RECT* box) {
    MemBitmap bm(60, 30, std::vector<COLORREF>(60 * 30, kWhite));
    LOGFONTW lf = NinePoints();
    lf.lfHeight = -16;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(bm.dc, font);
    TextOutW(bm.dc, 2, 2, u"lll", 3);
    SelectObject(bm.dc, old);
    DeleteObject(font);
    const std::vector<COLORREF> px = bm.pixels();
    *box = InkBox(px, 60, kBlack);
    return std::count(px.begin(), px.end(), kBlack);
  };
  RECT regular, bold, italic;
  const auto plain = inkOf(FW_NORMAL, 0, &regular);
  EXPECT_GT(inkOf(FW_BOLD, 0, &bold), plain * 3 / 2);
  inkOf(FW_NORMAL, 1, &italic);
  // Slanted strokes reach further right than upright ones.
  EXPECT_GT(italic.right - italic.left, regular.right - regular.left);
}

TEST_F(ScreenDraw, LowDepthReadsCarryTheirColourTables) {
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  MemBitmap bm(3, 1, {red, blue, red});
  for (int bpp : {1, 4}) {
    SCOPED_TRACE(bpp);
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 1, 1, WORD(bpp), BI_RGB, 0, 0, 0, 0, 0};
    BYTE row[4] = {};
    ASSERT_EQ(GetDIBits(bm.dc, bm.bitmap, 0, 1, row, bi, DIB_RGB_COLORS), 1);
    auto at = [&](int x) {
      const int index = bpp == 1 ? (row[0] >> (7 - x)) & 1 : (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
      const RGBQUAD& q = bi->bmiColors[index];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    };
    EXPECT_EQ(at(0), red);
    EXPECT_EQ(at(1), blue);
    EXPECT_EQ(at(2), red);
  }
}

}  // namespace
