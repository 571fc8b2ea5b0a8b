// The PNG and GIF rows of format detection: format codes and resolutions,
// pages above 1, the enable bytes, and data neither format takes.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "gif_support.h"
#include "png_support.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"

namespace {

class PngGifDetection : public PageTest {
 protected:
  void SetUp() override {
    png_rows = byte_rows(15, 7, 3);
    png = png_bytes(15, 7, 8, PNG_COLOR_TYPE_RGB, false, png_rows,
                    [](png_structp p, png_infop i) { png_set_pHYs(p, i, 3780, 3780, PNG_RESOLUTION_METER); });
    gif_spec.width = 11;
    gif_spec.height = 5;
    gif_spec.colors = gif_colors(16);
    gif_spec.frames = {index_rows(11, 5, 16)};
    gif = gif_bytes(gif_spec);
  }
  Rows png_rows;
  GifSpec gif_spec;
  std::vector<uint8_t> png, gif;
};

TEST_F(PngGifDetection, FormatCodesResolutionsAndPages) {
  struct Case {
    const char* name;
    const std::vector<uint8_t>* bytes;
    int32_t code, dpi, width, enable;
    const Rows* rows;
  } cases[] = {{"png", &png, RstImageFormat::png, 96, 15, RstFormatEnables::png, &png_rows},
               {"gif", &gif, RstImageFormat::gif, 0, 11, RstFormatEnables::gif, &gif_spec.frames[0]}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteArrayInputStorage in(c.bytes->data(), int32_t(c.bytes->size()));
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format.code, c.code);
    EXPECT_EQ(info->x_resolution, c.dpi);
    EXPECT_EQ(info->y_resolution, c.dpi);
    EXPECT_EQ(info->width, c.width);
    EXPECT_EQ(info->page_count(), 1u);
    EXPECT_EQ(in.tell(), 0);
    // Page 2: no info, but the reader ignores the page.
    EXPECT_EQ(RstImageInfo::create(&in, 2), nullptr);
    RstOwner<RstRead> reader(RstReadRaster::create(&in, 2));
    ASSERT_TRUE(reader);
    EXPECT_EQ(read_lines(reader.get()), *c.rows);
    EXPECT_TRUE(status.messages().empty());
    // The enable byte cleared: not recognised, without a report.
    set_enable(c.enable, 0);
    EXPECT_EQ(RstImageInfo::create(&in, 1), nullptr);
    set_enable(c.enable, 1);
    EXPECT_TRUE(status.messages().empty());
  }
}

TEST_F(PngGifDetection, RandomBytesStayUnrecognised) {
  std::mt19937 random(51);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> noise(8 + random() % 400);
    for (uint8_t& b : noise) b = uint8_t(random());
    // Half of them start as a PNG or a GIF would.
    if (round % 4 == 1) std::copy(png.begin(), png.begin() + 8, noise.begin());
    if (round % 4 == 3) std::copy(gif.begin(), gif.begin() + 6, noise.begin());
    status.clear();
    ByteArrayInputStorage in(noise.data(), int32_t(noise.size()));
    EXPECT_EQ(RstImageInfo::create(&in, 1), nullptr);
    // A broken PNG is silent; a broken GIF says what broke it.
    if (round % 4 != 3) {
      EXPECT_TRUE(status.messages().empty());
    }
    for (const RstReport& r : status.messages()) EXPECT_EQ(r.where, "RstReadGIF23::private_header()");
  }
}

}  // namespace
