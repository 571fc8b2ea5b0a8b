// Every page kind the preview meets, read through format detection and
// converted to s_rgb by the dispatcher, against libtiff's tools where they
// convert too: gray and reversed gray, cmy, CMYK, YCbCr, L*, s_rgb itself,
// 16-bit gray, and the refused 16-bit Lab.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../geometry/charts.h"
#include "page_support.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/formats/rst_read_raster.h"

namespace {

class PageToSRGB : public PageTest {
 protected:
  // The page converted to s_rgb, its header in h; none when refused.
  Rows to_srgb(const std::vector<uint8_t>& file, RstHeader* h = nullptr, bool* same = nullptr) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstRead* page = RstReadRaster::create(&in, 1);
    if (!page) return {};
    RstRead* rgb = RstTransformColorTo::create(page, RstColorType::s_rgb());
    if (!rgb) {
      page->end();
      return {};
    }
    RstOwner<RstRead> node(rgb);
    if (same) *same = rgb == page;
    if (h) *h = RstHeader(rgb);
    return read_lines(rgb);
  }
};

std::vector<uint8_t> page_file(uint32_t width, uint16_t bits, uint16_t samples, uint16_t photometric, const Rows& rows,
                               const std::function<void(TIFF*)>& more = nullptr) {
  return libtiff_file([&](TIFF* tif) {
    page_tags(tif, width, uint32_t(rows.size()), bits, samples, photometric, COMPRESSION_NONE, uint32_t(rows.size()));
    if (more) more(tif);
    write_rows(tif, rows);
  });
}

// A tool's netpbm or raw output of the file.
bool tool_output(const std::vector<uint8_t>& file, const std::string& command, PnmImage& image) {
  std::string dir = temp_dir();
  std::string tif = dir + "/in.tif", out = dir + "/out.pnm";
  write_bytes(tif, file);
  bool ok = run_to_pnm(command + " " + tif + " > " + out, out, image);
  std::remove(tif.c_str());
  rmdir(dir.c_str());
  return ok;
}

TEST_F(PageToSRGB, GrayPagesMatchTifftopnm) {
  Rows rows = byte_rows(37, 5, 1);
  for (uint16_t photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
    SCOPED_TRACE(photometric);
    std::vector<uint8_t> file = page_file(37, 8, 1, photometric, rows);
    PnmImage theirs;
    ASSERT_TRUE(tool_output(file, "tifftopnm", theirs));
    ASSERT_EQ(theirs.magic, "P5");
    RstHeader h;
    Rows ours = to_srgb(file, &h);
    ASSERT_EQ(ours.size(), rows.size());
    EXPECT_EQ(h.color_type, RstColorType::s_rgb());
    for (size_t y = 0; y < ours.size(); ++y)
      for (size_t x = 0; x < 37; ++x)
        for (size_t c = 0; c < 3; ++c) ASSERT_EQ(ours[y][3 * x + c], theirs.rows[y * 37 + x]) << x << "," << y;
  }
}

TEST_F(PageToSRGB, InkPagesAreSubtracted) {
  // cmy (separated, three inks): 255 - each.
  Rows cmy{{0, 100, 255, 7, 8, 9}};
  EXPECT_EQ(to_srgb(page_file(2, 8, 3, PHOTOMETRIC_SEPARATED, cmy)), (Rows{{255, 155, 0, 248, 247, 246}}));
  // CMYK: R = max(0, 255 - C - K), likewise G, B, over a spread of values.
  Rows cmyk = byte_rows(64, 4, 4, 11);
  Rows ours = to_srgb(page_file(64, 8, 4, PHOTOMETRIC_SEPARATED, cmyk));
  ASSERT_EQ(ours.size(), cmyk.size());
  for (size_t y = 0; y < ours.size(); ++y)
    for (size_t x = 0; x < 64; ++x)
      for (size_t c = 0; c < 3; ++c) {
        int want = std::max(0, 255 - int(cmyk[y][4 * x + c]) - int(cmyk[y][4 * x + 3]));
        ASSERT_EQ(int(ours[y][3 * x + c]), want) << x << "," << y << "," << c;
      }
}

TEST_F(PageToSRGB, YCbCrGridMatchesTiff2rgba) {
  // A 16^3 grid of YCbCr colours, one row per Y.
  Rows rows;
  for (int yv = 0; yv < 16; ++yv) {
    std::vector<uint8_t> row;
    for (int cb = 0; cb < 16; ++cb)
      for (int cr = 0; cr < 16; ++cr) row.insert(row.end(), {uint8_t(yv * 17), uint8_t(cb * 17), uint8_t(cr * 17)});
    rows.push_back(row);
  }
  std::vector<uint8_t> file = page_file(256, 8, 3, PHOTOMETRIC_YCBCR, rows, [](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    float reference[6] = {0, 255, 128, 255, 128, 255};
    TIFFSetField(tif, TIFFTAG_REFERENCEBLACKWHITE, reference);
  });
  // tiff2rgba writes an RGBA TIFF; tifftopnm turns it into a PAM or PPM.
  std::string dir = temp_dir();
  write_bytes(dir + "/in.tif", file);
  ASSERT_TRUE(run("tiff2rgba -n " + dir + "/in.tif " + dir + "/rgb.tif"));
  PnmImage theirs;
  ASSERT_TRUE(run_to_pnm("tifftopnm " + dir + "/rgb.tif > " + dir + "/rgb.ppm 2>/dev/null", dir + "/rgb.ppm", theirs));
  std::remove((dir + "/in.tif").c_str());
  std::remove((dir + "/rgb.tif").c_str());
  rmdir(dir.c_str());
  ASSERT_EQ(theirs.magic, "P6");
  Rows ours = to_srgb(file);
  ASSERT_EQ(ours.size(), 16u);
  int worst = 0;
  for (size_t y = 0; y < 16; ++y)
    for (size_t i = 0; i < 256 * 3; ++i)
      worst = std::max(worst, std::abs(int(ours[y][i]) - int(theirs.rows[y * 256 * 3 + i])));
  EXPECT_LE(worst, 1);
}

TEST_F(PageToSRGB, LightnessSrgbAndWideGray) {
  // L* (CIE Lab of one sample): R = G = B.
  Rows lstar{{0, 50, 100, 200, 255}};
  Rows ours = to_srgb(page_file(5, 8, 1, PHOTOMETRIC_CIELAB, lstar));
  ASSERT_EQ(ours.size(), 1u);
  for (size_t x = 0; x < 5; ++x) {
    EXPECT_EQ(ours[0][3 * x], ours[0][3 * x + 1]);
    EXPECT_EQ(ours[0][3 * x], ours[0][3 * x + 2]);
  }
  EXPECT_EQ(ours[0][0], 0);
  EXPECT_EQ(ours[0][12], 255);
  // s_rgb: the page itself.
  bool same = false;
  Rows rgb{{1, 2, 3, 4, 5, 6}};
  EXPECT_EQ(to_srgb(page_file(2, 8, 3, PHOTOMETRIC_RGB, rgb), nullptr, &same), rgb);
  EXPECT_TRUE(same);
  // 16-bit gray: 16-bit (v, v, v).
  Rows wide{{0x34, 0x12, 0xFF, 0xFF}};
  RstHeader h;
  Rows out = to_srgb(page_file(2, 16, 1, PHOTOMETRIC_MINISBLACK, wide), &h);
  EXPECT_EQ(h.bits_per_sample, 16);
  EXPECT_EQ(out, (Rows{{0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}));
  EXPECT_TRUE(status.errors().empty());
}

// 16-bit Lab has no path to s_rgb: the dispatcher refuses it and the
// caller's page stays readable.
TEST_F(PageToSRGB, SixteenBitLabIsRefused) {
  for (RstColorType* type : {RstColorType::icc_lab(), RstColorType::itu_lab()}) {
    status.clear();
    RstHeader h;
    h.width = 1;
    h.height = 1;
    h.bits_per_sample = 16;
    h.samples_per_pixel = 3;
    h.color_type = type;
    std::vector<uint8_t> samples(6, 0x40);
    RstRead* page = RstReadRawFromByteArray::create(samples.data(), h, 6, false, false);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(RstTransformColorTo::create(page, RstColorType::s_rgb()), nullptr);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().front(),
              (RstReport{-50, type == RstColorType::icc_lab() ? "RstTransformColorITULABToSRGB::create()"
                                                              : "RstTransformColorByMDLUT<T,MDLUT>::create()"}));
    EXPECT_EQ(read_lines(page), (Rows{samples}));
    page->end();
  }
}

}  // namespace
