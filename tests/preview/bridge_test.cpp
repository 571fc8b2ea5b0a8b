// The page rendering bridge against peer tools: pages at 100 % equal libtiff's
// pixels, orientations equal ImageMagick's, sizes follow the three zoom
// modes, below half size the darkest pixels survive two stages, large sizes
// never wrap, and every failure is a false result with the bitmap kept.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "preview_test_support.h"
#include "raster/core/rst_alloc.h"

namespace {

class BridgeTest : public PreviewTest {
 protected:
  // Opens and renders page `page` of a fixture; the result of the render.
  bool Render(CRstInterface& bridge, const std::string& file, int zoom, int mode, int angle = 0, uint32_t page = 1) {
    if (!bridge.OpenPage(Path(file).c_str(), page)) return false;
    return bridge.RenderPage(Path(file).c_str(), zoom, mode, angle, page);
  }
  // A small colour picture whose every pixel differs.
  std::string Picture(const std::string& name, int width, int height) {
    return Pnm(name, width, height, true, [](int x, int y) {
      return std::vector<uint8_t>{uint8_t(x * 30), uint8_t(y * 40), uint8_t(200 - x * y)};
    });
  }
};

TEST_F(BridgeTest, BitmapHeaderAndStrides) {
  for (auto [width, stride] : {std::pair{1, 4}, std::pair{5, 16}}) {
    Pnm("w.ppm", width, 3, true, [](int, int) { return std::vector<uint8_t>{10, 20, 30}; });
    ASSERT_TRUE(Sh("pnmtotiff w.ppm > w.tif"));
    CRstInterface bridge;
    ASSERT_TRUE(Render(bridge, "w.tif", 100, 0));
    EXPECT_EQ(bridge.GetRowStride(), stride);
    std::unique_ptr<BITMAPINFOHEADER> info(bridge.MakeBitmapInfo());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->biSize, 40u);
    EXPECT_EQ(info->biWidth, width);
    EXPECT_EQ(info->biHeight, 3);
    EXPECT_EQ(info->biPlanes, 1);
    EXPECT_EQ(info->biBitCount, 24);
    EXPECT_EQ(info->biCompression, 0u);
    EXPECT_EQ(info->biSizeImage, 0u);
    EXPECT_EQ(info->biXPelsPerMeter, 3780);
    EXPECT_EQ(info->biYPelsPerMeter, 3780);
    EXPECT_EQ(info->biClrUsed, 0u);
    EXPECT_EQ(info->biClrImportant, 0u);
    // Blue, green, red in memory.
    EXPECT_EQ(bridge.GetBits()[0], 30);
    EXPECT_EQ(bridge.GetBits()[2], 10);
  }
}

TEST_F(BridgeTest, PagesAtFullSizeEqualLibtiff) {
  std::string charts;
  for (int n = 1; n <= 3; ++n) {
    std::string chart = chart_file(n);
    ASSERT_FALSE(chart.empty()) << "jbgtopbm";
    charts += " " + chart;
  }
  ASSERT_TRUE(Sh("/usr/bin/convert" + charts + " -density 200 -units PixelsPerInch -compress Group4 charts.tif"));
  CRstInterface bridge;
  ASSERT_TRUE(bridge.OpenPage(Path("charts.tif").c_str(), 1));
  EXPECT_EQ(bridge.GetPageCount(), 3);
  EXPECT_EQ(bridge.GetXResolution(), 200u);
  for (uint32_t page = 1; page <= 3; ++page) {
    SCOPED_TRACE("chart page " + std::to_string(page));
    ASSERT_TRUE(Render(bridge, "charts.tif", 100, 0, 0, page));
    EXPECT_EQ(BitmapImage(bridge),
              Peer("tiffcp charts.tif,'" + std::to_string(page - 1) + "' one.tif && tifftopnm one.tif"));
  }

  Picture("rgb.ppm", 37, 23);
  ASSERT_TRUE(Sh("pnmtotiff -lzw rgb.ppm > rgb.tif"));
  Pnm("gray.pgm", 41, 17, false, [](int x, int y) { return std::vector<uint8_t>{uint8_t(x * 6 + y)}; });
  ASSERT_TRUE(Sh("pnmtotiff -packbits gray.pgm > gray.tif"));
  Pnm("few.ppm", 19, 11, true, [](int x, int y) {
    return (x + y) % 3 == 0 ? std::vector<uint8_t>{255, 0, 0}
                            : std::vector<uint8_t>{uint8_t(x % 2 ? 0 : 40), 80, uint8_t(y % 2 ? 120 : 200)};
  });
  ASSERT_TRUE(Sh("pnmtotiff few.ppm > palette.tif && tiffinfo palette.tif | grep -q palette"));
  for (const char* file : {"rgb.tif", "gray.tif", "palette.tif"}) {
    SCOPED_TRACE(file);
    CRstInterface one;
    ASSERT_TRUE(Render(one, file, 100, 0));
    EXPECT_EQ(BitmapImage(one), Peer(std::string("tifftopnm ") + file));
  }
}

TEST_F(BridgeTest, OrientationsEqualImageMagick) {
  Picture("pic.ppm", 7, 5);
  ASSERT_TRUE(Sh("pnmtotiff pic.ppm > pic.tif"));
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    std::string file = "o" + std::to_string(orientation) + ".tif";
    ASSERT_TRUE(Sh("cp pic.tif " + file + " && tiffset -s 274 " + std::to_string(orientation) + " " + file));
    CRstInterface bridge;
    ASSERT_TRUE(Render(bridge, file, 100, 0));
    EXPECT_EQ(bridge.GetOrientation(), orientation);
    EXPECT_EQ(BitmapImage(bridge), Peer("/usr/bin/convert " + file + " -auto-orient ppm:- | pamtopnm"));
  }
  // The user's quarter turn adds to the file's.
  CRstInterface six, eight;
  ASSERT_TRUE(Render(six, "o6.tif", 100, 0, 90));
  EXPECT_EQ(BitmapImage(six), Peer("pamflip -r180 pic.ppm"));
  ASSERT_TRUE(Render(eight, "o8.tif", 100, 0, 90));
  EXPECT_EQ(BitmapImage(eight), Peer("cat pic.ppm"));
}

TEST_F(BridgeTest, ZoomModesGiveTheirSizes) {
  ASSERT_TRUE(
      Sh("/usr/bin/convert -size 1700x2200 xc:white -monochrome -density 200 -units PixelsPerInch "
         "-compress Group4 a.tif"));
  ASSERT_TRUE(
      Sh("/usr/bin/convert -size 1700x1100 xc:white -monochrome -density 200x100 -units PixelsPerInch "
         "-compress Group4 b.tif"));
  struct Case {
    const char* file;
    int zoom, mode, width, height;
  } cases[] = {
      {"a.tif", 100, 1, 612, 792},
      {"b.tif", 50, 2, 850, 1100},
      {"b.tif", 50, 0, 850, 550},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " mode " + std::to_string(c.mode));
    CRstInterface bridge;
    ASSERT_TRUE(Render(bridge, c.file, c.zoom, c.mode));
    EXPECT_EQ(bridge.GetDisplayWidth(), c.width);
    EXPECT_EQ(bridge.GetDisplayHeight(), c.height);
  }
  // Any other mode keeps the size of the last render, also across a turn.
  CRstInterface bridge;
  ASSERT_TRUE(Render(bridge, "b.tif", 10, 0, 90));
  EXPECT_EQ(bridge.GetDisplayWidth(), 110);
  ASSERT_TRUE(bridge.RenderPage(Path("b.tif").c_str(), 77, 5, 90, 1));
  EXPECT_EQ(bridge.GetDisplayWidth(), 110);
  EXPECT_EQ(bridge.GetDisplayHeight(), 170);
}

TEST_F(BridgeTest, TwoStagesKeepTheDarkestPixels) {
  // Min-is-white, only column 0 black.
  Pbm("col0.pbm", 100, 100, [](int x, int) { return x == 0; });
  ASSERT_TRUE(Sh("pnmtotiff col0.pbm > col0.tif"));
  CRstInterface half, below;
  ASSERT_TRUE(Render(half, "col0.tif", 50, 0));
  RgbImage h = BitmapImage(half);
  ASSERT_EQ(h.width, 50);
  ASSERT_EQ(h.height, 50);
  // One nearest-neighbour stage takes the odd columns: all white.
  EXPECT_EQ(h.rgb, std::vector<uint8_t>(50 * 50 * 3, 255));
  ASSERT_TRUE(Render(below, "col0.tif", 49, 0));
  RgbImage b = BitmapImage(below);
  ASSERT_EQ(b.width, 49);
  for (int y = 0; y < 49; ++y) EXPECT_EQ(b.at(0, y)[0], 0) << y;
  EXPECT_EQ(b.at(1, 0)[0], 255);

  // Min-is-black, only column 48 black: an OR stage would whiten it.
  Pbm("col48.pbm", 100, 100, [](int x, int) { return x == 48; });
  ASSERT_TRUE(Sh("pnmtotiff -minisblack col48.pbm > col48.tif && tiffinfo col48.tif | grep -q min-is-black"));
  CRstInterface black;
  ASSERT_TRUE(Render(black, "col48.tif", 49, 0));
  RgbImage k = BitmapImage(black);
  for (int y = 0; y < 49; ++y) EXPECT_EQ(k.at(24, y)[0], 0) << y;

  // A red row in white RGB at 10 %: the top row is red.
  Pnm("row.ppm", 1000, 1000, true, [](int, int y) {
    return y == 7 ? std::vector<uint8_t>{255, 0, 0} : std::vector<uint8_t>{255, 255, 255};
  });
  ASSERT_TRUE(Sh("pnmtotiff -lzw row.ppm > row.tif"));
  CRstInterface red;
  ASSERT_TRUE(Render(red, "row.tif", 10, 0));
  EXPECT_EQ(red.GetDisplayWidth(), 100);
  EXPECT_EQ(red.GetDisplayHeight(), 100);
  const uint8_t* bits = red.GetBits();
  const int stride = red.GetRowStride();
  // Bottom-up: the top row is the last in memory; blue, green, red.
  const uint8_t* top = bits + 99 * stride;
  for (int x = 0; x < 100; ++x) {
    EXPECT_EQ(top[x * 3], 0);
    EXPECT_EQ(top[x * 3 + 1], 0);
    EXPECT_EQ(top[x * 3 + 2], 255);
  }
  RgbImage all = BitmapImage(red);
  std::vector<uint8_t> rest(all.rgb.begin() + 300, all.rgb.end());
  EXPECT_EQ(rest, std::vector<uint8_t>(99 * 100 * 3, 255));
}

TEST_F(BridgeTest, SizesNeverWrapAndStayAtLeastOne) {
  // 10000 x 1 at 600 x 1200 dpi, fit mode at 400 %: 80000 wide (8417 when
  // the product wraps in 32 bits).
  ASSERT_TRUE(
      Sh("/usr/bin/convert -size 10000x1 xc:white -monochrome -density 600x1200 -units PixelsPerInch "
         "-compress Group4 wide.tif"));
  CRstInterface wide;
  ASSERT_TRUE(Render(wide, "wide.tif", 400, 2));
  EXPECT_EQ(wide.GetDisplayWidth(), 80000);
  EXPECT_EQ(wide.GetDisplayHeight(), 4);

  // 40000 x 40000 x 3 bytes is refused before anything is built.
  ASSERT_TRUE(Sh("pbmmake -white 10000 10000 | pnmtotiff -g4 -xresolution 600 -yresolution 600 > huge.tif"));
  CRstInterface huge;
  ASSERT_TRUE(huge.OpenPage(Path("huge.tif").c_str(), 1));
  RstAllocFault::clear();
  EXPECT_FALSE(huge.RenderPage(Path("huge.tif").c_str(), 400, 0, 0, 1));
  EXPECT_EQ(RstAllocFault::calls(), 0);
  EXPECT_EQ(huge.GetBits(), nullptr);

  // A half of 1 is 1 and a target never 0.
  Pbm("thin.pbm", 1, 1000, [](int, int y) { return y % 2 == 0; });
  ASSERT_TRUE(Sh("pnmtotiff thin.pbm > thin.tif"));
  CRstInterface thin;
  ASSERT_TRUE(Render(thin, "thin.tif", 10, 0));
  EXPECT_EQ(thin.GetDisplayWidth(), 1);
  EXPECT_EQ(thin.GetDisplayHeight(), 100);
  EXPECT_EQ(thin.GetRowStride(), 4);
}

TEST_F(BridgeTest, FourBitLevelsSpreadOverTheByte) {
  { std::ofstream(Path("levels.pgm")) << "P2\n4 1\n15\n0 5 10 15\n"; }
  ASSERT_TRUE(Sh("pnmtotiff levels.pgm > levels.tif && tiffinfo levels.tif | grep -q 'Bits/Sample: 4'"));
  CRstInterface bridge;
  ASSERT_TRUE(Render(bridge, "levels.tif", 100, 0));
  const uint8_t* row = bridge.GetBits();
  for (int x = 0; x < 4; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(row[x * 3 + c], x * 85) << x;
}

TEST_F(BridgeTest, EachOpenSetsOrientationAndSoftwareAfresh) {
  Picture("pic.ppm", 6, 4);
  ASSERT_TRUE(Sh("pnmtotiff pic.ppm > six.tif && tiffset -s 274 6 six.tif && tiffset -s 305 'Maker 1.0' six.tif"));
  ASSERT_TRUE(Sh("/usr/bin/convert pic.ppm -quality 100 pic.jpg"));
  CRstInterface bridge;
  ASSERT_TRUE(Render(bridge, "six.tif", 100, 0));
  EXPECT_EQ(bridge.GetSoftwareText(), "Maker 1.0");
  EXPECT_EQ(bridge.GetDisplayWidth(), 4);
  ASSERT_TRUE(Render(bridge, "pic.jpg", 100, 0));
  EXPECT_EQ(bridge.GetSoftwareText(), "");
  EXPECT_EQ(bridge.GetOrientation(), 1);
  EXPECT_EQ(bridge.GetDisplayWidth(), 6);
  EXPECT_EQ(bridge.GetDisplayHeight(), 4);
}

TEST_F(BridgeTest, FailuresAnswerFalseAndKeepWhatWasThere) {
  Picture("pic.ppm", 6, 4);
  ASSERT_TRUE(Sh("pnmtotiff pic.ppm > pic.tif"));
  ASSERT_TRUE(
      Sh("/usr/bin/convert -size 8x8 xc:black -fill white -draw 'point 1,1' -type Palette -colors 2 "
         "pal.tif && tiffinfo pal.tif | grep -q 'Bits/Sample: 1'"));
  ASSERT_TRUE(Sh("/usr/bin/convert -size 6x4 xc:red -colorspace Lab -depth 16 lab.tif"));
  CRstInterface bridge;
  ASSERT_TRUE(Render(bridge, "pic.tif", 100, 0));
  const RgbImage before = BitmapImage(bridge);

  // A 1-bit page with a colormap: refused by the bit expansion.
  CRstInterface fresh;
  EXPECT_FALSE(Render(fresh, "pal.tif", 100, 0));
  EXPECT_EQ(fresh.GetBits(), nullptr);
  EXPECT_TRUE(fresh.GetLastFailure().reported);

  // 16-bit Lab stays refused; the bitmap shown before stays.
  ASSERT_TRUE(bridge.OpenPage(Path("lab.tif").c_str(), 1));
  EXPECT_FALSE(bridge.RenderPage(Path("lab.tif").c_str(), 100, 0, 0, 1));
  EXPECT_EQ(bridge.GetLastFailure().code, -50);
  EXPECT_EQ(bridge.GetLastFailure().where, "RstReadTIFF::create()");
  EXPECT_EQ(BitmapImage(bridge), before);

  // A missing file: the description of the last open stays.
  EXPECT_FALSE(bridge.OpenPage(Path("none.tif").c_str(), 1));
  EXPECT_EQ(bridge.GetWidth(), 6u);
  EXPECT_FALSE(bridge.RenderPage(Path("none.tif").c_str(), 100, 0, 0, 1));
  EXPECT_EQ(BitmapImage(bridge), before);

  // A page of width 0 cannot be described.
  ASSERT_TRUE(Sh("cp pic.tif zero.tif && tiffset -s 256 0 zero.tif"));
  EXPECT_FALSE(bridge.OpenPage(Path("zero.tif").c_str(), 1));
  EXPECT_EQ(bridge.GetWidth(), 6u);
}

TEST_F(BridgeTest, AllocationFailuresEndCleanly) {
  Picture("pic.ppm", 40, 30);
  ASSERT_TRUE(Sh("pnmtotiff -lzw pic.ppm > pic.tif"));
  CRstInterface reference;
  ASSERT_TRUE(Render(reference, "pic.tif", 30, 0, 90));
  const RgbImage expected = BitmapImage(reference);
  int failures = 0;
  for (int64_t n = 1; n < 400; ++n) {
    CRstInterface bridge;
    ASSERT_TRUE(bridge.OpenPage(Path("pic.tif").c_str(), 1));
    RstAllocFault::fail_nth(n);
    bool ok = bridge.RenderPage(Path("pic.tif").c_str(), 30, 0, 90, 1);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (!reached) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(BitmapImage(bridge), expected);
      break;
    }
    if (!ok) {
      ++failures;
      EXPECT_EQ(bridge.GetBits(), nullptr);
    } else {
      EXPECT_EQ(BitmapImage(bridge), expected) << "allocation " << n;
    }
  }
  EXPECT_GT(failures, 5);
}

}  // namespace
