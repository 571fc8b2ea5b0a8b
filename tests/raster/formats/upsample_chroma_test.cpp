// Chroma upsampling of subsampled YCbCr data units and the raw strip reader:
// unit layouts by sampling, odd widths, the 4:2:0 line pairs, reset, data that
// ends early, refusals, and pages written with the libtiff API.
#include <gtest/gtest.h>

#include "page_support.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiles.h"
#include "raster/formats/rst_upsample_chroma.h"

namespace {

RstHeader ycbcr_header(int32_t width, int32_t height, int32_t bits = 8) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = 3;
  h.color_type = RstColorType::default_ycbcr();
  return h;
}

// An upsampler over the data bytes; each output line cut to 3 x width bytes,
// the bytes after it checked untouched.
struct Upsampled {
  Upsampled(std::vector<uint8_t> data, int32_t width, int32_t height, uint32_t sampling)
      : bytes(std::move(data)), in(bytes.data(), int32_t(bytes.size())), width(width) {
    RstOwner<RstRead> code(RstReadCode::create(&in, ycbcr_header(width, height), false));
    if (!code) return;
    RstRead* up = RstUpsampleChroma::create(code.get(), sampling);
    if (!up) return;
    code.release();
    node.attach(up);
  }
  std::vector<uint8_t> line() {
    std::vector<uint8_t> out(size_t(3 * width) + 4, 0xAB);
    EXPECT_EQ(node->read(out.data()), 3 * width);
    EXPECT_EQ(std::vector<uint8_t>(out.end() - 4, out.end()), std::vector<uint8_t>(4, 0xAB));
    out.resize(size_t(3 * width));
    return out;
  }
  std::vector<uint8_t> bytes;
  ByteArrayInputStorage in;
  int32_t width;
  RstOwner<RstRead> node;
};

class UpsampleChroma : public PageTest {};

TEST_F(UpsampleChroma, UnitsSpreadOverTheirPixels) {
  {
    SCOPED_TRACE("4:2:2 width 3 takes two units and stores three pixels");
    Upsampled u({10, 11, 100, 200, 20, 21, 101, 201}, 3, 1, RstUpsampleChroma::sampling_422);
    ASSERT_TRUE(u.node);
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{10, 100, 200, 11, 100, 200, 20, 101, 201}));
  }
  {
    SCOPED_TRACE("4:1:1 width 6: pixels 4 and 5 from the second unit");
    Upsampled u({1, 2, 3, 4, 50, 60, 5, 6, 7, 8, 70, 80}, 6, 1, RstUpsampleChroma::sampling_411);
    ASSERT_TRUE(u.node);
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{1, 50, 60, 2, 50, 60, 3, 50, 60, 4, 50, 60, 5, 70, 80, 6, 70, 80}));
  }
  {
    SCOPED_TRACE("4:2:0: lines 0 and 1 from the first row of units, line 2 from the second");
    Upsampled u({1, 2, 3, 4, 90, 91, 5, 6, 7, 8, 92, 93}, 2, 3, RstUpsampleChroma::sampling_420);
    ASSERT_TRUE(u.node);
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{1, 90, 91, 2, 90, 91}));
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{3, 90, 91, 4, 90, 91}));
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{5, 92, 93, 6, 92, 93}));
  }
  {
    SCOPED_TRACE("4:2:0 after reset decodes a new row of units");
    Upsampled u({1, 2, 3, 4, 90, 91, 5, 6, 7, 8, 92, 93}, 2, 4, RstUpsampleChroma::sampling_420);
    ASSERT_TRUE(u.node);
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{1, 90, 91, 2, 90, 91}));
    u.node->reset();
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{1, 90, 91, 2, 90, 91}));
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{3, 90, 91, 4, 90, 91}));
  }
  {
    SCOPED_TRACE("data ending mid-line reads 255");
    Upsampled u({10, 11, 100}, 2, 1, RstUpsampleChroma::sampling_422);
    ASSERT_TRUE(u.node);
    EXPECT_EQ(u.line(), (std::vector<uint8_t>{10, 100, 255, 11, 100, 255}));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(UpsampleChroma, OneByOneGivesTheSourceBack) {
  std::vector<uint8_t> data(12, 1);
  ByteArrayInputStorage in(data.data(), int32_t(data.size()));
  RstOwner<RstRead> code(RstReadCode::create(&in, ycbcr_header(2, 2), false));
  ASSERT_TRUE(code);
  EXPECT_EQ(RstUpsampleChroma::create(code.get(), RstUpsampleChroma::sampling_none), code.get());
}

TEST_F(UpsampleChroma, RefusesSourcesItCannotSpread) {
  std::vector<uint8_t> data(64, 1);
  ByteArrayInputStorage in(data.data(), int32_t(data.size()));
  RstHeader deep = ycbcr_header(2, 2, 16);
  RstHeader mapped = ycbcr_header(2, 2);
  mapped.colormap.reset(new RstColormap(8, 3, 256));
  struct Case {
    const char* name;
    RstHeader header;
    uint32_t sampling;
    RstReport report;
  } cases[] = {
      {"16-bit samples", deep, RstUpsampleChroma::sampling_420, {-3, "RstUpsampleChroma::create()"}},
      {"colormap", mapped, RstUpsampleChroma::sampling_422, {-3, "RstUpsampleChroma::create()"}},
      {"unknown sampling", ycbcr_header(2, 2), 0x12201221, {-2, "RstUpsampleChroma::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    in.rewind();
    RstOwner<RstRead> code(RstReadCode::create(&in, c.header, false));
    ASSERT_TRUE(code);
    EXPECT_EQ(RstUpsampleChroma::create(code.get(), c.sampling), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
  }
}

// A 4 x 4 uncompressed YCbCr page of data units in strips of two lines.
std::vector<uint8_t> ycbcr_page(uint16_t h, uint16_t v, const std::vector<std::vector<uint8_t>>& strips) {
  return libtiff_file([&](TIFF* tif) {
    page_tags(tif, 4, 4, 8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_NONE, 2);
    TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, h, v);
    for (size_t i = 0; i < strips.size(); ++i)
      TIFFWriteRawStrip(tif, uint32_t(i), const_cast<uint8_t*>(strips[i].data()), tmsize_t(strips[i].size()));
  });
}

TEST_F(UpsampleChroma, SubsampledPagesGoThroughTheUpsampler) {
  // Two strips, each one row of two 4:2:0 units of known Y, Cb, Cr.
  std::vector<uint8_t> bytes = ycbcr_page(
      2, 2, {{1, 2, 5, 6, 100, 150, 3, 4, 7, 8, 101, 151}, {9, 10, 13, 14, 102, 152, 11, 12, 15, 16, 103, 153}});
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
  ASSERT_TRUE(page);
  Rows expected = {
      {1, 100, 150, 2, 100, 150, 3, 101, 151, 4, 101, 151},
      {5, 100, 150, 6, 100, 150, 7, 101, 151, 8, 101, 151},
      {9, 102, 152, 10, 102, 152, 11, 103, 153, 12, 103, 153},
      {13, 102, 152, 14, 102, 152, 15, 103, 153, 16, 103, 153},
  };
  EXPECT_EQ(read_lines(page.get()), expected);

  // {1, 2} has no upsampler: the first strip fails.
  std::vector<uint8_t> odd = ycbcr_page(1, 2, {std::vector<uint8_t>(12, 1), std::vector<uint8_t>(12, 2)});
  ByteArrayInputStorage odd_in(odd.data(), int32_t(odd.size()));
  status.clear();
  RstOwner<RstRead> refused(RstReadRaster::create(&odd_in, 1));
  if (refused) {
    EXPECT_TRUE(read_lines(refused.get()).empty());
  }
  EXPECT_TRUE(reported(-50, "RstReadAndDecodeTIFFCode::next_link()"));
}

TEST_F(UpsampleChroma, RawStripPastTheEndFailsAtThatStrip) {
  RstHeader h;
  h.width = 8;
  h.height = 4;
  h.bits_per_sample = 8;
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::default_gray();
  std::vector<uint8_t> data(16);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
  ByteArrayInputStorage in(data.data(), int32_t(data.size()));
  RstCountedPtr<RstTileSpecArray> specs(
      new RstTileSpecArray(std::vector<uint32_t>{0, 4000}, std::vector<uint32_t>{16, 16}, 8, {2, 2}));
  RstOwner<RstRead> node(RstReadRawTiles::create(&in, h, specs, false));
  ASSERT_TRUE(node);
  Rows rows = read_lines(node.get());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (std::vector<uint8_t>{8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstReadRawTiles::next_link()"}}));

  status.clear();
  RstCountedPtr<RstTileSpecArray> none(new RstTileSpecArray(std::vector<uint32_t>{}, {}, 8, {}));
  EXPECT_EQ(RstReadRawTiles::create(&in, h, none, false), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadRawTiles::create()"}}));
}

}  // namespace
