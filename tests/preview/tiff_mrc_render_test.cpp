// A mixed raster content page in the preview: rendered at 100 % it is the
// page composed from libtiff's decode of its layers, in sRGB by the colour
// conversion the preview's rendering uses.
#include <gtest/gtest.h>

#include "preview_test_support.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/mrc/rst_mrc_creators.h"
#include "raster/mrc/tiff_mrc_support.h"

TEST_F(PreviewTest, MrcPageAtFullSizeIsTheComposedPage) {
  rst_register_mrc_creators();
  MrcPage page;
  page.width = 40;
  page.height = 24;
  page.rows_per_strip = 8;
  page.mask = bilevel_rows(40, 24, 3);
  MrcChild background;
  background.layer = 1;
  background.width = 20;
  background.height = 12;
  background.x_resolution = background.y_resolution = Ratio{150, 1};
  background.rows = lab_rows(20, 12, 1);
  MrcChild foreground = background;
  foreground.layer = 3;
  foreground.width = 40;
  foreground.height = 10;
  foreground.x_resolution = foreground.y_resolution = Ratio{300, 1};
  foreground.y_position = Ratio{7, 300};
  foreground.rows = lab_rows(40, 10, 2);
  page.children = {background, foreground};
  MrcLayout layout;
  std::vector<uint8_t> file = mrc_file({page}, &layout);
  write_bytes(Path("mrc.tif"), file);
  Rows lab = oracle_page(file, page, layout, 0);
  ASSERT_EQ(lab.size(), 24u);

  std::vector<uint8_t> bytes;
  for (const auto& row : lab) bytes.insert(bytes.end(), row.begin(), row.end());
  RstOwner<RstRead> source(raw_source(bytes, 40, 24, 8, 3, RstColorType::itu_lab()));
  RstRead* srgb = RstTransformColorTo::create(source.get(), RstColorType::s_rgb());
  ASSERT_TRUE(srgb);
  source.release();
  RstOwner<RstRead> converted(srgb);
  RgbImage expected;
  expected.width = 40;
  expected.height = 24;
  for (const auto& row : read_lines(converted.get())) expected.rgb.insert(expected.rgb.end(), row.begin(), row.end());

  CRstInterface bridge;
  ASSERT_TRUE(bridge.OpenPage(Path("mrc.tif").c_str(), 1));
  ASSERT_TRUE(bridge.RenderPage(Path("mrc.tif").c_str(), 100, 0, 0, 1));
  EXPECT_EQ(BitmapImage(bridge), expected);
}
