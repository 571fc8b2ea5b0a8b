// The page header model: defaults, rationals, strips, data forms and coding
// options, colour types, colormaps, tile specs, resolution and equality.
#include "raster/formats/rst_tiff_header.h"

#include <gtest/gtest.h>

#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class TiffHeaderTest : public RstStatusTest {};

TEST(TiffRationalTest, FromDoubleChoosesAPowerOfTwoDenominatorAndReduces) {
  struct Case {
    double x;
    RstRational expected;
  } cases[] = {
      {0.5, {1, 2}},   {1.5, {3, 2}}, {72.0, {72, 1}}, {0.3, {322122547, 1u << 30}}, {2.54, {340913029, 1u << 27}},
      {1e-10, {0, 1}}, {0.0, {0, 1}},
  };
  for (const Case& c : cases) EXPECT_EQ(RstRational::from_double(c.x), c.expected) << c.x;
  EXPECT_EQ(RstSRational::from_double(-0.5), (RstSRational{-1, 2}));
  EXPECT_EQ(RstSRational::from_double(0.3).denominator, 1 << 30);
  EXPECT_EQ(RstSRational::from_double(2.54).denominator, 1 << 27);
  EXPECT_EQ(RstSRational::from_double(-72.0), (RstSRational{-72, 1}));
  // Values no fraction of the kind can hold stand at the range's ends.
  EXPECT_EQ(RstRational::from_double(-3.0), (RstRational{0, 1}));
  EXPECT_EQ(RstRational::from_double(1e12), (RstRational{0xFFFFFFFFu, 1}));
  EXPECT_EQ(RstRational::from_double(4294967294.5).denominator, 1u);

  RstRational r{12, 18};
  r.reduce();
  EXPECT_EQ(r, (RstRational{2, 3}));
  RstRational zero{0, 7};
  zero.reduce();
  EXPECT_EQ(zero, (RstRational{0, 1}));
}

TEST(TiffRationalTest, CompressionFamilies) {
  RstTIFFCompression c;
  EXPECT_TRUE(c.is_uncompressed());
  c.set(2);
  EXPECT_TRUE(c.is_modified_huffman() && c.is_ccitt());
  c.set(4);
  EXPECT_TRUE(c.is_ccitt() && !c.is_jpeg());
  c.set(7);
  EXPECT_TRUE(c.is_jpeg());
  c.set(9);
  EXPECT_TRUE(c.is_jbig());
  c.set(10);
  EXPECT_TRUE(c.is_jbig_color());
}

TEST_F(TiffHeaderTest, FreshHeaderIsAOneBitReversedGrayRawPage) {
  RstTIFF6Header h(0x4949);
  EXPECT_EQ(h.compression.value(), 1u);
  EXPECT_EQ(h.photometric_interpretation, 0u);
  EXPECT_EQ(h.bits_per_sample, std::vector<uint16_t>{1});
  EXPECT_EQ(h.resolution_unit, 2u);
  EXPECT_EQ(h.x_resolution, (RstRational{0, 1}));
  EXPECT_TRUE(h.is_little_endian());
  RstHeader out;
  h.rst_header(out);
  EXPECT_EQ(out.bits_per_sample, 1);
  EXPECT_EQ(out.samples_per_pixel, 1);
  EXPECT_EQ(out.data_form, RstDataForm::raw);
  EXPECT_EQ(out.color_type, RstColorType::default_gray_reverse());
  EXPECT_FALSE(out.colormap);
  EXPECT_TRUE(status.messages().empty());
  RstTIFFFXHeader fx(0x4D4D);
  EXPECT_FALSE(fx.is_little_endian());
  EXPECT_EQ(fx.bad_fax_lines, -1);
  EXPECT_EQ(fx.clean_fax_data, -1);
  RstTIFFGlobalParameters g;
  EXPECT_EQ(g.mode_number, -1);
}

TEST_F(TiffHeaderTest, StripCountsAndRows) {
  RstTIFF6Header h(0x4949);
  h.image_length = 100;
  h.strip_offsets = {8};
  EXPECT_EQ(h.strip_count(), 1u);
  EXPECT_EQ(h.rows_per_strip, 100u);

  RstTIFF6Header three(0x4949);
  three.image_length = 100;
  three.rows_per_strip = 40;
  three.strip_offsets = {8, 100, 200};
  EXPECT_EQ(three.strip_count(), 3u);
  std::vector<uint32_t> rows;
  ASSERT_TRUE(three.strip_rows(rows));
  EXPECT_EQ(rows, (std::vector<uint32_t>{40, 40, 20}));

  // More strips than the rows need: the surplus strips get no rows instead of
  // a wrapped count.
  RstTIFF6Header surplus(0x4949);
  surplus.image_length = 10;
  surplus.rows_per_strip = 8;
  surplus.strip_offsets = {8, 16, 24, 32};
  ASSERT_TRUE(surplus.strip_rows(rows));
  EXPECT_EQ(rows, (std::vector<uint32_t>{8, 2, 0, 0}));

  RstTIFF6Header unknown(0x4949);
  unknown.image_length = 0xFFFFFFFFu;
  unknown.rows_per_strip = 7;
  EXPECT_EQ(unknown.strip_count(), 1u);

  RstTIFFFXHeader fx(0x4949);
  fx.image_length = 100;
  fx.rows_per_strip = 7;
  fx.strip_row_counts = {10, 20, 30};
  EXPECT_EQ(fx.strip_count(), 3u);
}

TEST_F(TiffHeaderTest, RowSizeIsComputedInSixtyFourBits) {
  RstTIFF6Header h(0x4949);
  h.image_width = 1u << 29;
  h.samples_per_pixel = 3;
  h.bits_per_sample = {8, 8, 8};
  EXPECT_EQ(h.bytes_per_row(), uint64_t{3} << 29);
  h.image_width = 13;
  h.samples_per_pixel = 1;
  h.bits_per_sample = {1};
  EXPECT_EQ(h.bytes_per_row(), 2u);
}

TEST_F(TiffHeaderTest, DataFormsBothWays) {
  struct Case {
    uint32_t compression, t4;
    int32_t form;
  } cases[] = {{1, 0, 0}, {2, 0, 1}, {3, 0, 1}, {3, 1, 2},  {4, 0, 3},     {5, 0, 12},
               {6, 0, 4}, {7, 0, 4}, {9, 0, 6}, {10, 0, 7}, {32773, 0, 10}};
  for (const Case& c : cases) {
    RstTIFF6Header h(0x4949);
    h.set_compression(c.compression);
    h.t4_options = c.t4;
    EXPECT_EQ(h.encode_type(), c.form) << c.compression;
  }
  EXPECT_TRUE(status.messages().empty());
  RstTIFF6Header h(0x4949);
  h.set_compression(8);
  EXPECT_EQ(h.encode_type(), 0);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-305, "RstTIFFHeader::encode_type()"}}));

  struct Back {
    int32_t form;
    uint32_t compression, t4_bit;
  } back[] = {{0, 1, 0}, {1, 3, 0},  {2, 3, 1},      {3, 4, 0},  {4, 7, 0},
              {6, 9, 0}, {7, 10, 0}, {10, 32773, 0}, {11, 5, 0}, {12, 5, 0}};
  for (const Back& b : back) {
    RstTIFF6Header w(0x4949);
    w.t4_options = b.t4_bit ? 0 : 1;
    w.set_encode_type(b.form);
    EXPECT_EQ(w.compression.value(), b.compression) << b.form;
    if (b.compression == 3) {
      EXPECT_EQ(w.t4_options & 1, b.t4_bit);
    }
  }
  RstTIFF6Header mh(0x4949);
  mh.set_encode_type(1);
  EXPECT_EQ(mh.compression.value(), 3u);
  EXPECT_EQ(mh.encode_type(), 1);
  status.clear();
  mh.set_encode_type(5);
  EXPECT_EQ(mh.compression.value(), 3u);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstWriteRasterOptionTIFF"}}));
}

TEST_F(TiffHeaderTest, CodingOptionsFromCompressionAndOptions) {
  struct Case {
    uint32_t compression, t4, t6;
    RstRational y;
    uint32_t unit;
    int32_t type, k, eol, byte_align, end_code, uncompressed;
  } cases[] = {
      {3, 1, 0, {196, 1}, 2, 2, 4, 1, 0, 1, 0}, {3, 1, 0, {98, 1}, 2, 2, 2, 1, 0, 1, 0},
      {3, 1, 0, {0, 1}, 2, 2, 2, 1, 0, 1, 0},   {3, 1, 0, {77, 1}, 3, 2, 2, 1, 0, 1, 0},
      {3, 1, 0, {500, 0}, 2, 2, 2, 1, 0, 1, 0}, {3, 7, 0, {196, 1}, 2, 2, 4, 1, 1, 1, 1},
      {3, 4, 0, {196, 1}, 2, 1, 0, 1, 1, 1, 0}, {2, 0, 0, {196, 1}, 2, 1, 0, 0, 1, 0, 0},
      {4, 0, 2, {196, 1}, 2, 3, 0, 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    RstTIFF6Header h(0x4949);
    h.set_compression(c.compression);
    h.t4_options = c.t4;
    h.t6_options = c.t6;
    h.y_resolution = c.y;
    h.resolution_unit = c.unit;
    RstCountedPtr<RstCodingOption> option = h.coding_option();
    ASSERT_TRUE(option) << c.compression;
    EXPECT_EQ(option->encode_type(), c.type);
    auto* bw = dynamic_cast<RstCCITTBWOption*>(option.get());
    ASSERT_TRUE(bw);
    EXPECT_EQ(bw->end_code, c.end_code);
    EXPECT_EQ(bw->uncompressed_mode, c.uncompressed);
    if (auto* mh = dynamic_cast<RstMHOption*>(option.get())) {
      EXPECT_EQ(mh->eol, c.eol);
      EXPECT_EQ(mh->byte_align, c.byte_align);
      EXPECT_EQ(mh->reserved, 0);
    }
    if (auto* mr = dynamic_cast<RstMROption*>(option.get())) {
      EXPECT_EQ(mr->k, c.k);
    }
  }
  EXPECT_TRUE(status.messages().empty());
  for (uint32_t none : {1u, 5u, 9u, 10u, 32773u}) {
    RstTIFF6Header h(0x4949);
    h.set_compression(none);
    EXPECT_FALSE(h.coding_option()) << none;
  }
  EXPECT_TRUE(status.messages().empty());
  RstTIFF6Header bad(0x4949);
  bad.set_compression(4);
  RstCountedPtr<RstCodingOption> kept = bad.coding_option();
  bad.set_compression(8);
  EXPECT_EQ(bad.coding_option().get(), kept.get());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstTIFFHeader::coding_option()"}}));
}

TEST_F(TiffHeaderTest, JpegCodingOptionsCarryTheColourTypeAndThePageTables) {
  RstTIFF6Header old_style(0x4949);
  old_style.set_compression(6);
  old_style.photometric_interpretation = 6;
  old_style.jpeg_tables.reset(new RstJPEGTables(RstJPEGQTableArray(), RstHuffmanTableArray(), RstHuffmanTableArray()));
  RstCountedPtr<RstCodingOption> option = old_style.coding_option();
  auto* jpeg = dynamic_cast<RstJPEGOption*>(option.get());
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->encode_type(), 4);
  EXPECT_EQ(jpeg->color_type, RstColorType::default_ycbcr());
  EXPECT_FALSE(jpeg->tables);  // old-style pages carry no table set

  RstTIFF6Header new_style(0x4949);
  new_style.set_compression(7);
  new_style.photometric_interpretation = 1;
  option = new_style.coding_option();
  jpeg = dynamic_cast<RstJPEGOption*>(option.get());
  ASSERT_TRUE(jpeg);
  EXPECT_FALSE(jpeg->tables);
  EXPECT_EQ(jpeg->color_type, RstColorType::default_gray());

  RstJPEGQTableArray q;
  uint8_t values[64] = {16, 11, 10};
  q[0].reset(new RstJPEGQTable(values, false));
  new_style.jpeg_tables.reset(new RstJPEGTables(q, RstHuffmanTableArray(), RstHuffmanTableArray()));
  option = new_style.coding_option();
  jpeg = dynamic_cast<RstJPEGOption*>(option.get());
  ASSERT_TRUE(jpeg && jpeg->tables);
  EXPECT_EQ(jpeg->tables->quantization[0].get(), new_style.jpeg_tables->quantization[0].get());
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffHeaderTest, ColourTypesOfPhotometricInterpretation) {
  struct Case {
    uint32_t photometric, samples;
    bool color_map;
    RstColorType* type;
  } cases[] = {
      {0, 1, false, RstColorType::default_gray_reverse()},
      {1, 1, false, RstColorType::default_gray()},
      {4, 1, false, RstColorType::default_gray()},
      {2, 3, false, RstColorType::default_rgb()},
      {3, 1, true, RstColorType::default_rgb()},
      {5, 3, false, RstColorType::default_cmy()},
      {5, 4, false, RstColorType::default_cmyk()},
      {6, 3, false, RstColorType::default_ycbcr()},
      {8, 1, false, RstColorType::icc_lstar()},
      {8, 3, false, RstColorType::icc_lab()},
      {9, 1, true, RstColorType::icc_lab()},
      {10, 1, false, RstColorType::icc_lstar()},
      {10, 3, false, RstColorType::itu_lab()},
  };
  for (const Case& c : cases) {
    RstTIFF6Header h(0x4949);
    h.photometric_interpretation = c.photometric;
    h.samples_per_pixel = c.samples;
    if (c.color_map) h.color_map.assign(6, 0);
    EXPECT_EQ(h.rst_color_type(), c.type) << c.photometric << " " << c.samples;
  }
  EXPECT_TRUE(status.messages().empty());
  for (uint32_t bad : {7u, 11u, 32844u}) {
    RstTIFF6Header h(0x4949);
    h.photometric_interpretation = bad;
    EXPECT_EQ(h.rst_color_type(), nullptr);
  }
  EXPECT_EQ(status.errors().size(), 3u);
  EXPECT_EQ(status.errors()[0], (RstReport{-304, "RstReadTIFFHeader::rst_header()"}));
}

TEST_F(TiffHeaderTest, PhotometricOfAColourType) {
  RstHeader h;
  struct Case {
    RstColorType* type;
    bool colormap;
    uint32_t photometric;
  } cases[] = {{RstColorType::s_rgb(), false, 2},    {RstColorType::s_rgb(), true, 3},
               {RstColorType::s_cmyk(), false, 5},   {RstColorType::cmy(), false, 5},
               {RstColorType::s_ycbcr(), false, 6},  {RstColorType::icc_lstar(), false, 10},
               {RstColorType::s_gray(), false, 1},   {RstColorType::s_gray_reverse(), false, 0},
               {RstColorType::itu_lab(), false, 10}, {RstColorType::icc_lab(), false, 9}};
  for (const Case& c : cases) {
    h.color_type = c.type;
    h.colormap.reset(c.colormap ? new RstColormap(8, 3, 2) : nullptr);
    EXPECT_EQ(RstTIFF6Header::photometric(h), c.photometric);
  }
  EXPECT_TRUE(status.messages().empty());
  h.color_type = RstColorType::hsl();
  EXPECT_EQ(RstTIFF6Header::photometric(h), 2u);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-304, "RstTIFFHeader::encode_type()"}}));
}

TEST_F(TiffHeaderTest, ColormapFromColorMapAndBack) {
  RstTIFF6Header h(0x4949);
  h.photometric_interpretation = 3;
  h.bits_per_sample = {8};
  h.color_map.resize(768);
  for (size_t i = 0; i < 768; ++i) h.color_map[i] = uint16_t(i * 85);
  RstCountedPtr<RstColormap> map = h.rst_colormap();
  ASSERT_TRUE(map);
  EXPECT_EQ(map->entries(), 256);
  EXPECT_EQ(map->bits(), 8);
  EXPECT_EQ(map->channels(), 3);
  EXPECT_EQ(map->data()[0], uint8_t((0 * 85) >> 8));
  EXPECT_EQ(map->data()[1], uint8_t((256 * 85) >> 8));
  EXPECT_EQ(map->data()[2], uint8_t((512 * 85) >> 8));
  EXPECT_EQ(map->data()[3 * 7 + 1], uint8_t(((256 + 7) * 85) >> 8));
  EXPECT_EQ(h.rst_colormap().get(), map.get());  // kept once made
  RstHeader out;
  h.rst_header(out);
  EXPECT_EQ(out.colormap.get(), map.get());

  RstTIFF6Header w(0x4949);
  w.bits_per_sample = {8};
  w.rst_colormap(map);
  ASSERT_EQ(w.color_map.size(), 768u);
  for (size_t i = 0; i < 256; ++i)
    for (size_t c = 0; c < 3; ++c) ASSERT_EQ(w.color_map[c * 256 + i], map->data()[3 * i + c] * 257);
  EXPECT_TRUE(status.messages().empty());

  RstTIFF6Header no_bits(0x4949);
  no_bits.bits_per_sample.clear();
  no_bits.rst_colormap(map);
  EXPECT_TRUE(no_bits.color_map.empty());
  RstCountedPtr<RstColormap> four(new RstColormap(4, 3, 2));
  w.rst_colormap(four);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-5, "RstTIFFHeader::rst_colormap() - bits_per_sample must be set before."},
                                    {-50, "RstTIFFHeader::rst_colormap()"}}));
}

TEST_F(TiffHeaderTest, ShortColorMapGivesEveryIndexAnEntry) {
  // A 4-bit palette whose ColorMap holds only two entries per channel: the
  // map still has 16 entries, the uncovered ones black, and it is reported.
  RstTIFF6Header h(0x4949);
  h.photometric_interpretation = 3;
  h.bits_per_sample = {4};
  h.color_map = {0xFF00, 0x1000, 0x2000, 0x3000, 0x4000, 0x5000};
  RstCountedPtr<RstColormap> map = h.rst_colormap();
  ASSERT_TRUE(map);
  EXPECT_EQ(map->entries(), 16);
  EXPECT_EQ(map->data()[0], 0xFF);
  EXPECT_EQ(map->data()[1], 0x20);
  EXPECT_EQ(map->data()[2], 0x40);
  EXPECT_EQ(map->data()[3], 0x10);
  for (int i = 6; i < 48; ++i) EXPECT_EQ(map->data()[i], 0) << i;
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, "RstTIFFHeader::rst_colormap()"}}));
}

TEST_F(TiffHeaderTest, DifferingBitsPerSampleAreReportedOnce) {
  RstTIFF6Header h(0x4949);
  h.photometric_interpretation = 2;
  h.samples_per_pixel = 3;
  h.bits_per_sample = {8, 8, 16};
  RstHeader out;
  h.rst_header(out);
  EXPECT_EQ(out.bits_per_sample, 8);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-303, "RstTIFFHeader::rst_header() - can't convert TIFFHeader to RstHeader"}}));
}

TEST_F(TiffHeaderTest, TileSpecsOfStripsJpegAndTiles) {
  RstTIFF6Header strips(0x4949);
  strips.image_width = 64;
  strips.image_length = 100;
  strips.rows_per_strip = 40;
  strips.strip_offsets = {100, 200, 300};
  strips.strip_byte_counts = {10, 20, 30};
  RstCountedPtr<RstTileSpecArray> specs = strips.tile_specs();
  ASSERT_TRUE(specs);
  ASSERT_EQ(specs->size(), 3u);
  EXPECT_EQ((*specs)[0], (RstTileSpec{10, 64, 40, 100}));
  EXPECT_EQ((*specs)[2], (RstTileSpec{30, 64, 20, 300}));
  EXPECT_EQ(strips.tile_specs().get(), specs.get());

  RstTIFF6Header jpeg(0x4949);
  jpeg.set_compression(6);
  jpeg.image_width = 30;
  jpeg.image_length = 20;
  jpeg.jpeg_interchange_format = 500;
  jpeg.jpeg_interchange_format_length = 1234;
  jpeg.strip_offsets = {600, 700};
  specs = jpeg.tile_specs();
  ASSERT_TRUE(specs);
  ASSERT_EQ(specs->size(), 1u);
  EXPECT_EQ((*specs)[0], (RstTileSpec{1234, 30, 20, 500}));

  RstTIFF6Header none(0x4949);
  specs = none.tile_specs();
  ASSERT_TRUE(specs);
  EXPECT_EQ(specs->size(), 0u);
  EXPECT_TRUE(status.messages().empty());

  RstTIFF6Header tiled(0x4949);
  tiled.tile_width = 256;
  EXPECT_FALSE(tiled.tile_specs());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstTIFF6Header::tile_specs() - tiling is not supported"}}));
}

TEST_F(TiffHeaderTest, NoMemoryForDerivedViewsIsReported) {
  RstTIFF6Header h(0x4949);
  h.photometric_interpretation = 3;
  h.bits_per_sample = {8};
  h.color_map.assign(768, 0x8000);
  h.image_length = 10;
  h.strip_offsets = {8, 20};
  h.set_compression(4);
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(h.rst_colormap());
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(h.tile_specs());
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(h.coding_option());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstTIFFHeader::rst_colormap()"},
                                                     {-1, "RstReadTIFFHeader::tile_specs()"},
                                                     {-1, "RstTIFFHeader::coding_option()"}}));
  // Nothing was kept: the next calls make their views.
  EXPECT_TRUE(h.rst_colormap());
  EXPECT_TRUE(h.tile_specs());
  EXPECT_TRUE(h.coding_option());
}

TEST(TiffTileSpecTest, ConstructorsNeverReadPastTheirLists) {
  RstTileSpecArray short_lists({10, 20, 30}, {5}, 8, std::vector<uint32_t>{4, 4});
  ASSERT_EQ(short_lists.size(), 3u);
  EXPECT_EQ(short_lists[1], (RstTileSpec{0, 8, 4, 20}));
  EXPECT_EQ(short_lists[2], (RstTileSpec{0, 8, 0, 30}));
  RstTileSpecArray writer({13824, 7776}, 1728, std::vector<uint32_t>{64, 36});
  EXPECT_EQ(writer[0], (RstTileSpec{13824, 1728, 64, 0}));
  EXPECT_EQ(writer[1], (RstTileSpec{7776, 1728, 36, 0}));
  RstTileSpecArray page({999}, 40, 50u);
  EXPECT_EQ(page[0], (RstTileSpec{999, 40, 50, 0}));
  RstTileSpecArray copy(writer);
  EXPECT_EQ(copy[1], writer[1]);
  RstTileSpecArray empty(std::vector<uint32_t>{}, {}, 8, std::vector<uint32_t>{});
  EXPECT_EQ(empty.size(), 0u);
}

TEST_F(TiffHeaderTest, ResolutionInDotsPerInch) {
  struct Case {
    RstRational r;
    uint32_t unit;
    int64_t dpi;
  } cases[] = {{{200, 1}, 2, 200}, {{80, 1}, 3, 203}, {{200, 1}, 1, 0},
               {{401, 2}, 2, 201}, {{200, 0}, 2, 0},  {{0, 0}, 3, 0}};
  for (const Case& c : cases) {
    RstTIFF6Header h(0x4949);
    h.x_resolution = c.r;
    h.y_resolution = c.r;
    h.resolution_unit = c.unit;
    EXPECT_EQ(h.x_resolution_dpi(), c.dpi);
    EXPECT_EQ(h.y_resolution_dpi(), c.dpi);
  }
}

TEST_F(TiffHeaderTest, MixedRasterLayersAndProfiles) {
  RstTIFFFXHeader h(0x4949);
  h.image_layer = {2, 1};
  EXPECT_FALSE(h.is_mrc_mask());
  h.new_subfile_type = 0x10;
  EXPECT_TRUE(h.is_mrc_mask() && h.is_profile_m());
  h.image_layer = {1, 1};
  EXPECT_TRUE(h.is_mrc_background());
  h.new_subfile_type = 0;
  EXPECT_TRUE(h.is_mrc_background());
  h.image_layer = {3, 1};
  EXPECT_TRUE(h.is_mrc_foreground());
  h.image_layer.clear();
  h.set_compression(3);
  EXPECT_TRUE(h.is_profile_s());
  h.t4_options = 1;
  EXPECT_TRUE(h.is_profile_f() && !h.is_profile_s());
  h.set_compression(9);
  EXPECT_TRUE(h.is_profile_j());
  h.set_compression(10);
  EXPECT_TRUE(h.is_profile_l());
  h.set_compression(7);
  EXPECT_TRUE(h.is_profile_c());
  h.image_layer = {3, 1};
  EXPECT_FALSE(h.is_profile_c());
}

TEST_F(TiffHeaderTest, EqualityComparesTheListedFields) {
  RstTIFFFXHeader a(0x4949), b(0x4D4D);
  EXPECT_TRUE(static_cast<RstTIFF6Header&>(a) == static_cast<RstTIFF6Header&>(b));
  // TIFF-FX headers are equal only with equal global parameters.
  EXPECT_FALSE(a == b);
  a.global_parameters.reset(new RstTIFFGlobalParameters);
  b.global_parameters.reset(new RstTIFFGlobalParameters);
  EXPECT_TRUE(a == b);
  b.global_parameters->version_year = {'1', '9', '9', '8'};
  EXPECT_FALSE(a == b);
  b.global_parameters->version_year.clear();
  // Fields outside the comparison do not count, fields inside it do.
  b.strip_offsets = {1, 2};
  b.y_position = {5, 1};
  b.status = -3;
  EXPECT_TRUE(a == b);
  b.jpeg_tables_offset = 9;
  EXPECT_FALSE(a == b);
  b.jpeg_tables_offset = 0;
  b.decode = {RstDecodePair{{0, 1}, {100, 1}}};
  EXPECT_TRUE(a != b);
}

}  // namespace
