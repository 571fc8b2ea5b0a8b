// The TIFF-FX mixed raster content page: composed strips against libtiff's
// decode of every layer placed by hand, the default layers, the failures of
// the layer builders, hostile files, format detection and the
// mask-referenced variant.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "raster/core/rst_divide.h"
#include "raster/core/rst_image_info.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_scale_mask_ref.h"
#include "raster/mrc/rst_mrc_creators.h"
#include "raster/mrc/rst_read_and_decode_tiff_mrc.h"
#include "raster/mrc/rst_read_tiff_mrc_child.h"
#include "tiff_mrc_fuzz_target.h"
#include "tiff_mrc_support.h"

namespace {

class TiffMrcPage : public MrcTest {
 protected:
  void SetUp() override {
    MrcTest::SetUp();
    rst_register_mrc_creators();
  }
  bool reported(int32_t code, const std::string& where) const {
    for (const RstReport& r : status.messages())
      if (r.code == code && r.where == where) return true;
    return false;
  }
  // Page `page` (1-based) of the file through the TIFF page reader.
  Rows read_page(const std::vector<uint8_t>& file, uint32_t page = 1, bool mask_referenced = false,
                 RstHeader* header = nullptr) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadTIFFHeader, void (*)(RstReadTIFFHeader*)> h(
        RstReadTIFF::private_header(&in, page, 3), [](RstReadTIFFHeader* p) { rst_release(p); });
    if (!h) return {};
    RstOwner<RstRead> node(mask_referenced ? RstReadAndDecodeTIFFMRC::create(&in, h.get(), true)
                                           : RstReadTIFF::create(&in, h.get(), false));
    if (!node) return {};
    if (header) node->header(*header);
    return read_lines(node.get());
  }
};

Rows mask_rows(uint32_t width, uint32_t height, uint32_t seed) { return bilevel_rows(width, height, seed); }

MrcChild child(uint32_t layer, uint32_t width, uint32_t height, uint32_t seed) {
  MrcChild c;
  c.layer = layer;
  c.width = width;
  c.height = height;
  c.rows = lab_rows(width, height, seed);
  return c;
}

MrcChild at(MrcChild c, Ratio resolution, Ratio x, Ratio y) {
  c.x_resolution = c.y_resolution = resolution;
  c.x_position = x;
  c.y_position = y;
  return c;
}

MrcPage page_of(uint32_t width, uint32_t height, uint16_t compression, uint32_t rows_per_strip,
                std::vector<MrcChild> children, uint32_t seed = 1) {
  MrcPage p;
  p.width = width;
  p.height = height;
  p.mask_compression = compression;
  p.rows_per_strip = rows_per_strip;
  p.mask = mask_rows(width, height, seed);
  p.children = std::move(children);
  return p;
}

int max_difference(const Rows& a, const Rows& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (size_t y = 0; y < a.size(); ++y) {
    if (a[y].size() != b[y].size()) return 256;
    for (size_t i = 0; i < a[y].size(); ++i) worst = std::max(worst, std::abs(int(a[y][i]) - int(b[y][i])));
  }
  return worst;
}

}  // namespace

TEST_F(TiffMrcPage, ComposedPagesEqualTheOracle) {
  const Ratio r300{300, 1}, r150{150, 1}, r100{100, 1}, zero{0, 1};
  auto jpeg = [](MrcChild c, uint32_t rows_per_strip) {
    c.compression = COMPRESSION_JPEG;
    c.rows_per_strip = rows_per_strip;
    return c;
  };
  auto with_colour = [](MrcChild c, std::vector<uint32_t> colour) {
    c.default_color = std::move(colour);
    return c;
  };
  auto no_data = [](MrcChild c) {
    c.has_data = false;
    return c;
  };
  auto chained = [](MrcChild c) {
    c.chained = true;
    return c;
  };
  struct Case {
    const char* name;
    MrcPage page;
    int tolerance;
  } cases[] = {
      {"G4 mask, one strip, children at the page's resolution",
       page_of(40, 24, COMPRESSION_CCITTFAX4, 0,
               {at(child(1, 40, 24, 1), r300, zero, zero), at(child(3, 40, 24, 2), r300, zero, zero)}),
       0},
      {"G3 2-D mask, three strips, halved background and third foreground across strips",
       page_of(48, 30, COMPRESSION_CCITTFAX3, 10,
               {at(child(1, 24, 15, 3), r150, zero, zero), at(child(3, 6, 5, 4), r100, Ratio{1, 30}, Ratio{1, 20})}),
       0},
      {"uncompressed mask, five strips, overlapping bands with colours, no data, a chain",
       page_of(33, 25, COMPRESSION_NONE, 5,
               {at(with_colour(child(1, 20, 12, 5), {200, 140, 90}), r300, Ratio{2, 300}, Ratio{3, 300}),
                at(child(1, 10, 10, 6), r300, Ratio{10, 300}, Ratio{8, 300}),
                at(no_data(with_colour(child(3, 5, 4, 7), {20, 110, 70})), r300, zero, Ratio{20, 300}),
                chained(at(child(3, 16, 6, 8), r150, Ratio{1, 300}, Ratio{1, 100}))}),
       0},
      {"G4 mask, four strips, children without any place in some strips",
       page_of(20, 32, COMPRESSION_CCITTFAX4, 8, {at(child(3, 20, 6, 9), r300, zero, Ratio{17, 300})}), 0},
      {"JPEG children at the page's resolution and at half of it",
       page_of(48, 32, COMPRESSION_CCITTFAX4, 16,
               {jpeg(at(child(1, 48, 32, 10), r300, zero, zero), 16),
                jpeg(at(child(3, 24, 16, 11), r150, zero, zero), 8)}),
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    MrcLayout layout;
    std::vector<uint8_t> file = mrc_file({c.page}, &layout);
    Rows expected = oracle_page(file, c.page, layout, 0);
    ASSERT_EQ(expected.size(), c.page.height);
    RstHeader h;
    Rows got = read_page(file, 1, false, &h);
    EXPECT_TRUE(status.errors().empty()) << status.errors().front().where;
    EXPECT_EQ(h.width, int32_t(c.page.width));
    EXPECT_EQ(h.height, int32_t(c.page.height));
    EXPECT_EQ(h.bits_per_sample, 8);
    EXPECT_EQ(h.samples_per_pixel, 3);
    EXPECT_EQ(h.color_type, RstColorType::itu_lab());
    EXPECT_LE(max_difference(got, expected), c.tolerance);
  }
}
