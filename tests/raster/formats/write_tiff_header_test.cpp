// The TIFF writer's page header: fields from an image header, which images a
// Compression takes, the strip fields' repairs, the entries built in tag
// order with each conditional entry, the change test and the strip specs.
#include "raster/formats/rst_write_tiff_header.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "raster/core/memory_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "tiff_write_support.h"

namespace {

class WriteTiffHeader : public RstStatusTest {};

RstHeader bilevel(int32_t width, int32_t height, int32_t form = RstDataForm::raw) {
  return image_header(width, height, 1, 1, RstColorType::s_gray_reverse(), form);
}

// A header of an image as the writer makes it.
void set_image(RstWriteTIFFHeader& h, const RstHeader& image) { h.rst_header(image, true); }

TEST_F(WriteTiffHeader, DefaultPageHasTheFifteenEntries) {
  RstWriteTIFFHeader h;
  EXPECT_TRUE(h.ifd_changed());
  h.x_resolution = h.y_resolution = {200, 1};
  set_image(h, bilevel(1728, 100));
  EXPECT_TRUE(h.create_ifd());
  EXPECT_EQ(entry_tags(h),
            (std::vector<uint32_t>{254, 256, 257, 258, 259, 262, 266, 273, 274, 277, 278, 279, 282, 283, 296}));
  EXPECT_FALSE(h.ifd_changed());
  EXPECT_EQ(h.ifd_size(), 15u * 12 + 6 + 16);
  // An uncompressed page gets its byte counts from the row size.
  RstWriteTIFFHeader s;
  s.rows_per_strip = 64;
  set_image(s, bilevel(1728, 100));
  EXPECT_TRUE(s.create_ifd());
  EXPECT_EQ(s.strip_byte_counts, (std::vector<uint32_t>{13824, 7776}));
  EXPECT_EQ(s.strip_offsets, (std::vector<uint32_t>{0, 0}));
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(WriteTiffHeader, ImageFields) {
  // Height 0 is an open length: one strip whose byte count stays unknown.
  RstWriteTIFFHeader open;
  set_image(open, image_header(100, 0, 8, 1, RstColorType::s_gray()));
  EXPECT_EQ(open.image_length, 0xFFFFFFFFu);
  EXPECT_TRUE(open.validate_attributes());
  EXPECT_EQ(open.strip_count(), 1u);
  EXPECT_EQ(open.strip_byte_counts, (std::vector<uint32_t>{0}));

  struct Case {
    const char* name;
    RstColorType* type;
    int32_t samples;
    uint32_t photometric;
    std::vector<uint16_t> subsampling;
  } cases[] = {
      {"gray", RstColorType::s_gray(), 1, 1, {}},
      {"gray reverse", RstColorType::s_gray_reverse(), 1, 0, {}},
      {"rgb", RstColorType::s_rgb(), 3, 2, {}},
      {"cmyk", RstColorType::s_cmyk(), 4, 5, {}},
      {"cmy", RstColorType::cmy(), 3, 5, {}},
      {"ycbcr", RstColorType::s_ycbcr(), 3, 6, {1, 1}},
      {"lstar", RstColorType::icc_lstar(), 1, 10, {}},
      {"itu lab", RstColorType::itu_lab(), 3, 10, {1, 1}},
      {"icc lab", RstColorType::icc_lab(), 3, 9, {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstWriteTIFFHeader h;
    set_image(h, image_header(30, 20, 8, c.samples, c.type));
    EXPECT_EQ(h.image_width, 30u);
    EXPECT_EQ(h.image_length, 20u);
    EXPECT_EQ(h.samples_per_pixel, uint32_t(c.samples));
    EXPECT_EQ(h.bits_per_sample, std::vector<uint16_t>(size_t(c.samples), 8));
    EXPECT_EQ(h.photometric_interpretation, c.photometric);
    EXPECT_EQ(h.ycbcr_subsampling, c.subsampling);
  }
  EXPECT_TRUE(status.messages().empty());

  // A palette image of an RGB colour type: Photometric 3 and 3 x 2^bits values v x 257.
  RstHeader palette = image_header(10, 10, 4, 1, RstColorType::s_rgb());
  RstColormap* map = new RstColormap(8, 3, 3);
  for (int i = 0; i < 9; ++i) map->data()[i] = uint8_t(10 * i + 1);
  palette.colormap.reset(map);
  RstWriteTIFFHeader h;
  set_image(h, palette);
  EXPECT_EQ(h.photometric_interpretation, 3u);
  ASSERT_EQ(h.color_map.size(), 48u);
  EXPECT_EQ(h.color_map[0], 1 * 257);        // red of entry 0
  EXPECT_EQ(h.color_map[16 + 1], 41 * 257);  // green of entry 1
  EXPECT_EQ(h.color_map[32 + 2], 81 * 257);  // blue of entry 2
  EXPECT_EQ(h.color_map[3], 0);              // entries the colormap does not cover
  EXPECT_TRUE(h.create_ifd());
  EXPECT_EQ(entry_tags(h).back(), 320u);

  // A colour type TIFF cannot declare.
  RstWriteTIFFHeader hsl;
  hsl.photometric_interpretation = 2;
  hsl.rst_header(image_header(10, 10, 8, 3, RstColorType::hsl()), true);
  EXPECT_EQ(hsl.photometric_interpretation, 2u);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-50, "RstWriteTIFFHeader::rst_header() - not supported color type."}}));
  status.clear();

  // A refused image changes nothing.
  RstWriteTIFFHeader g4;
  g4.set_compression(4);
  g4.rst_header(image_header(10, 10, 8, 1, RstColorType::s_gray()), true);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstWriteTIFFHeader::rst_header()"}}));
  EXPECT_EQ(g4.image_width, 0u);
  EXPECT_EQ(g4.bits_per_sample, (std::vector<uint16_t>{1}));
}

TEST_F(WriteTiffHeader, WhichImagesACompressionTakes) {
  using F = int32_t;
  RstColorType* gray = RstColorType::s_gray();
  struct Case {
    uint32_t compression;
    RstHeader image;
    bool ok;
  } cases[] = {
      {2, bilevel(8, 8, RstDataForm::raw), true},
      {2, bilevel(8, 8, RstDataForm::rle), true},
      {2, bilevel(8, 8, RstDataForm::mh), true},
      {2, bilevel(8, 8, RstDataForm::mr), false},
      {3, bilevel(8, 8, RstDataForm::mr), true},
      {3, bilevel(8, 8, RstDataForm::mmr), false},
      {4, bilevel(8, 8, RstDataForm::mmr), true},
      {4, bilevel(8, 8, RstDataForm::mh), false},
      {4, image_header(8, 8, 8, 1, gray), false},
      {6, image_header(8, 8, 8, 1, gray, RstDataForm::jpeg), true},
      {6, image_header(8, 8, 8, 3, RstColorType::s_rgb()), true},
      {6, image_header(8, 8, 8, 1, RstColorType::icc_lstar()), false},
      {6, image_header(8, 8, 16, 1, gray), false},
      {7, image_header(8, 8, 12, 4, RstColorType::s_cmyk()), true},
      {7, image_header(8, 8, 8, 2, gray), false},
      {9, bilevel(8, 8, RstDataForm::jbig), true},
      {9, bilevel(8, 8, RstDataForm::jpeg), false},
      {10, image_header(8, 8, 1, 3, RstColorType::s_rgb()), true},
      {10, image_header(8, 8, 8, 3, RstColorType::itu_lab(), RstDataForm::jbig_color), true},
      {10, image_header(8, 8, 12, 1, gray), true},
      {10, image_header(8, 8, 1, 1, gray), false},
      {1, image_header(8, 8, 8, 3, RstColorType::hsl(), F(RstDataForm::packbits)), true},
      {32773, image_header(8, 8, 16, 3, RstColorType::s_rgb()), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.compression << " form " << c.image.data_form << " bits "
                                      << c.image.bits_per_sample);
    RstWriteTIFFHeader h;
    h.set_compression(c.compression);
    EXPECT_EQ(h.can_write(c.image), c.ok);
  }
  // CMYK with one sample, under every Compression.
  for (uint32_t c : {1u, 2u, 3u, 4u, 6u, 7u, 9u, 10u, 32773u}) {
    RstWriteTIFFHeader h;
    h.set_compression(c);
    EXPECT_FALSE(h.can_write(image_header(8, 8, 8, 1, RstColorType::s_cmyk()))) << c;
  }
  // Sizes past the image's.
  RstWriteTIFFHeader cells;
  cells.cell_width = 9;
  EXPECT_FALSE(cells.can_write(bilevel(8, 8)));
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(WriteTiffHeader, CodedImagesInSeveralStripsNeedByteCounts) {
  struct Case {
    int32_t form;
    uint32_t rows_per_strip;
    std::vector<uint32_t> byte_counts;
    bool ok;
  } cases[] = {
      {RstDataForm::mmr, 0, {}, true},                                           // one strip
      {RstDataForm::mmr, 100, {}, true},                                         // one strip
      {RstDataForm::mmr, 64, {}, false},                                         // two strips, sizes unknown
      {RstDataForm::mmr, 1, {}, false},                                          // a hundred strips of one row
      {RstDataForm::mmr, 64, {10, 0}, false},                                    // one size unknown
      {RstDataForm::mmr, 64, {10, 12}, true}, {RstDataForm::raw, 64, {}, true},  // lines are cut into strips here
      {RstDataForm::rle, 1, {}, true},
  };
  for (const Case& c : cases) {
    RstWriteTIFFHeader h;
    h.set_compression(4);
    h.rows_per_strip = c.rows_per_strip;
    h.strip_byte_counts = c.byte_counts;
    EXPECT_EQ(h.can_write(bilevel(64, 100, c.form)), c.ok) << c.form << " " << c.rows_per_strip;
  }
}

TEST_F(WriteTiffHeader, MhAndMrSetTheTwoDimensionalBit) {
  RstWriteTIFFHeader h;
  h.set_compression(3);
  set_image(h, bilevel(64, 10, RstDataForm::mr));
  EXPECT_EQ(h.t4_options & 1, 1u);
  set_image(h, bilevel(64, 10, RstDataForm::mh));
  EXPECT_EQ(h.t4_options & 1, 0u);
  // Without the check, nothing is adjusted.
  h.rst_header(bilevel(64, 10, RstDataForm::mr), false);
  EXPECT_EQ(h.t4_options & 1, 0u);
}

TEST_F(WriteTiffHeader, StripFieldRepairs) {
  struct Case {
    uint32_t length, rows_per_strip;
    std::vector<uint32_t> row_counts;
    bool result;
    uint32_t rows_after;
    std::vector<RstReport> reports;
  } cases[] = {
      {12,
       0,
       {5, 5},
       false,
       12,
       {{202, "RstWriteTIFFHeader::validate_strip_attrs() - strip_row_counts' total != image_length."}}},
      {12, 0, {5, 7}, true, 0, {}},
      {100, 0, {}, true, 100, {}},
      {100,
       200,
       {},
       false,
       100,
       {{202, "RstWriteTIFFHeader::validate_strip_attrs() -  rows_per_strip > image_length."}}},
      {100, 30, {}, true, 30, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows_per_strip);
    RstWriteTIFFHeader h;
    set_image(h, bilevel(16, int32_t(c.length)));
    h.rows_per_strip = c.rows_per_strip;
    h.strip_row_counts = c.row_counts;
    EXPECT_EQ(h.validate_strip_attrs(), c.result);
    EXPECT_EQ(status.messages(), c.reports);
    EXPECT_EQ(h.rows_per_strip, c.rows_after);
    status.clear();
  }
  // Row counts whose total is wrong are written as RowsPerStrip instead.
  RstWriteTIFFHeader h;
  set_image(h, bilevel(16, 12));
  h.strip_row_counts = {5, 5};
  EXPECT_TRUE(h.create_ifd());
  std::vector<uint32_t> tags = entry_tags(h);
  EXPECT_NE(std::find(tags.begin(), tags.end(), 278u), tags.end());
  EXPECT_EQ(std::find(tags.begin(), tags.end(), 559u), tags.end());
}

TEST_F(WriteTiffHeader, RefusedAttributes) {
  struct Case {
    const char* name;
    void (*change)(RstWriteTIFFHeader&);
  } cases[] = {
      {"width 0", [](RstWriteTIFFHeader& h) { h.image_width = 0; }},
      {"byte counts of another number",
       [](RstWriteTIFFHeader& h) {
         h.strip_byte_counts = {1, 2, 3};
       }},
      {"tiles in several strips", [](RstWriteTIFFHeader& h) { h.tile_length = 8; }},
      {"JPEG of palette",
       [](RstWriteTIFFHeader& h) {
         h.set_compression(6);
         h.photometric_interpretation = 3;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstWriteTIFFHeader h;
    set_image(h, bilevel(16, 100));
    h.rows_per_strip = 50;
    c.change(h);
    EXPECT_FALSE(h.create_ifd());
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-13, "RstWriteTIFFHeader::create_ifd()"}}));
    status.clear();
  }
  // YCbCrSubSampling stays only on pages that use it.
  RstWriteTIFFHeader h;
  set_image(h, image_header(8, 8, 8, 3, RstColorType::s_rgb()));
  h.ycbcr_subsampling = {2, 2};
  EXPECT_TRUE(h.validate_attributes());
  EXPECT_TRUE(h.ycbcr_subsampling.empty());
}

// Each entry that depends on a field: absent by default, present when set.
TEST_F(WriteTiffHeader, ConditionalEntries) {
  struct Case {
    std::vector<uint32_t> tags;
    void (*set)(RstWriteTIFFHeader&);
  } cases[] = {
      {{263}, [](RstWriteTIFFHeader& h) { h.threshholding = 2; }},
      {{269}, [](RstWriteTIFFHeader& h) { h.document_name = "d"; }},
      {{270}, [](RstWriteTIFFHeader& h) { h.image_description = "i"; }},
      {{271}, [](RstWriteTIFFHeader& h) { h.make = "m"; }},
      {{272}, [](RstWriteTIFFHeader& h) { h.model = "m"; }},
      {{286},
       [](RstWriteTIFFHeader& h) {
         h.x_position = {0, 2};
       }},
      {{287},
       [](RstWriteTIFFHeader& h) {
         h.y_position = {3, 1};
       }},
      {{286, 287},
       [](RstWriteTIFFHeader& h) {
         h.image_layer = {1, 0};
       }},
      {{292}, [](RstWriteTIFFHeader& h) { h.set_compression(3); }},
      {{293}, [](RstWriteTIFFHeader& h) { h.set_compression(4); }},
      {{297},
       [](RstWriteTIFFHeader& h) {
         h.page_number = {0, 1};
       }},
      {{305}, [](RstWriteTIFFHeader& h) { h.software = "s"; }},
      {{306}, [](RstWriteTIFFHeader& h) { h.date_time = "2026:12:11 00:00:00"; }},
      {{315}, [](RstWriteTIFFHeader& h) { h.artist = "a"; }},
      {{316}, [](RstWriteTIFFHeader& h) { h.host_computer = "h"; }},
      {{326}, [](RstWriteTIFFHeader& h) { h.bad_fax_lines = 0; }},
      {{327}, [](RstWriteTIFFHeader& h) { h.clean_fax_data = 0; }},
      {{328}, [](RstWriteTIFFHeader& h) { h.consecutive_bad_fax_lines = 0; }},
      {{330}, [](RstWriteTIFFHeader& h) { h.add_child(bilevel(16, 16), RstWriteTIFFHeader()); }},
      {{337}, [](RstWriteTIFFHeader& h) { h.target_printer = "p"; }},
      {{346}, [](RstWriteTIFFHeader& h) { h.indexed = 1; }},
      {{400}, [](RstWriteTIFFHeader& h) { h.set_global_parameters(RstTIFFGlobalParameters()); }},
      {{433},
       [](RstWriteTIFFHeader& h) {
         h.decode = {RstDecodePair{{0, 1}, {1, 1}}};
       }},
      {{434}, [](RstWriteTIFFHeader& h) { h.default_image_color = {0}; }},
      {{512, 513, 514, 515},
       [](RstWriteTIFFHeader& h) {
         h.set_compression(6);
         h.photometric_interpretation = 1;
       }},
      {{529},
       [](RstWriteTIFFHeader& h) {
         h.ycbcr_coefficients = {{299, 1000}, {587, 1000}, {114, 1000}};
       }},
      {{530},
       [](RstWriteTIFFHeader& h) {
         h.photometric_interpretation = 6;
         h.ycbcr_subsampling = {2, 1};
       }},
      {{531}, [](RstWriteTIFFHeader& h) { h.ycbcr_positioning = 2; }},
      {{559},
       [](RstWriteTIFFHeader& h) {
         h.strip_row_counts = {6, 10};
       }},
      {{33432}, [](RstWriteTIFFHeader& h) { h.copyright = "c"; }},
      {{34675},
       [](RstWriteTIFFHeader& h) {
         h.icc_profile = {1, 2, 3};
       }},
      {{34732},
       [](RstWriteTIFFHeader& h) {
         h.image_layer = {2, 0};
       }},
  };
  RstWriteTIFFHeader plain;
  set_image(plain, bilevel(16, 16));
  ASSERT_TRUE(plain.create_ifd());
  std::vector<uint32_t> base = entry_tags(plain);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tags[0]);
    RstWriteTIFFHeader h;
    set_image(h, bilevel(16, 16));
    c.set(h);
    ASSERT_TRUE(h.create_ifd());
    std::vector<uint32_t> tags = entry_tags(h);
    for (uint32_t t : c.tags) {
      EXPECT_EQ(std::find(base.begin(), base.end(), t), base.end());
      EXPECT_NE(std::find(tags.begin(), tags.end(), t), tags.end());
    }
    EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(WriteTiffHeader, ChangeTestCoversEveryFieldOfTheEntries) {
  struct Case {
    const char* name;
    void (*change)(RstWriteTIFFHeader&);
  } cases[] = {
      {"y position",
       [](RstWriteTIFFHeader& h) {
         h.y_position = {1, 1};
       }},
      {"target printer", [](RstWriteTIFFHeader& h) { h.target_printer = "x"; }},
      {"icc profile", [](RstWriteTIFFHeader& h) { h.icc_profile = {1}; }},
      {"child", [](RstWriteTIFFHeader& h) { h.add_child(bilevel(16, 16), RstWriteTIFFHeader()); }},
      {"global parameters", [](RstWriteTIFFHeader& h) { h.set_global_parameters(RstTIFFGlobalParameters()); }},
      {"software", [](RstWriteTIFFHeader& h) { h.software = "s"; }},
      {"strip row counts", [](RstWriteTIFFHeader& h) { h.strip_row_counts = {16}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstWriteTIFFHeader h;
    set_image(h, bilevel(16, 16));
    h.ifd_size();
    EXPECT_FALSE(h.ifd_changed());
    c.change(h);
    EXPECT_TRUE(h.ifd_changed());
  }
  // A copy builds its own entries, even when its fields are the defaults.
  RstWriteTIFFHeader defaults;
  RstWriteTIFFHeader copy(defaults);
  EXPECT_TRUE(copy.ifd_changed());
}

TEST_F(WriteTiffHeader, StripSpecs) {
  RstWriteTIFFHeader h;
  h.rows_per_strip = 64;
  set_image(h, bilevel(1728, 100));
  RstCountedPtr<RstTileSpecArray>& specs = h.tile_specs();
  ASSERT_TRUE(specs);
  ASSERT_EQ(specs->size(), 2u);
  EXPECT_EQ((*specs)[0], (RstTileSpec{13824, 1728, 64, 0}));
  EXPECT_EQ((*specs)[1], (RstTileSpec{7776, 1728, 36, 0}));
  EXPECT_EQ(&h.tile_specs(), &specs);

  RstWriteTIFFHeader rows;
  set_image(rows, bilevel(16, 16));
  rows.set_compression(4);
  rows.strip_row_counts = {6, 10};
  ASSERT_TRUE(rows.tile_specs());
  EXPECT_EQ((*rows.tile_specs())[1], (RstTileSpec{0, 16, 10, 0}));

  RstWriteTIFFHeader jpeg;
  set_image(jpeg, image_header(40, 30, 8, 1, RstColorType::s_gray()));
  jpeg.set_compression(6);
  jpeg.jpeg_interchange_format_length = 777;
  ASSERT_TRUE(jpeg.tile_specs());
  ASSERT_EQ(jpeg.tile_specs()->size(), 1u);
  EXPECT_EQ((*jpeg.tile_specs())[0], (RstTileSpec{777, 40, 30, 0}));
  EXPECT_TRUE(status.messages().empty());

  RstWriteTIFFHeader tiled;
  set_image(tiled, bilevel(300, 10));
  tiled.tile_width = 256;
  EXPECT_FALSE(tiled.tile_specs());
  EXPECT_EQ(
      status.errors(),
      (std::vector<RstReport>{{-50, "RstWriteTIFFHeader::tile_specs() - writing tiled image is not supported."}}));
  status.clear();
  RstWriteTIFFHeader empty;
  EXPECT_FALSE(empty.tile_specs());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-13, "RstWriteTIFFHeader::tile_specs()"}}));
}

TEST_F(WriteTiffHeader, CopiesAndChildren) {
  RstWriteTIFFHeader pattern;
  pattern.set_compression(4);
  pattern.software = "pattern";
  RstWriteTIFFHeader parent;
  set_image(parent, bilevel(32, 32));
  parent.byte_order = 0x4D4D;
  parent.add_child(bilevel(16, 8, RstDataForm::mmr), pattern);
  ASSERT_EQ(parent.children.size(), 1u);
  const RstWriteTIFFHeader& child = *parent.children[0];
  EXPECT_EQ(child.byte_order, 0x4D4Du);
  EXPECT_EQ(child.image_width, 16u);
  EXPECT_EQ(child.software, "pattern");
  EXPECT_EQ(child.compression.value(), 4u);

  // From a page read from a file: the global parameters become a writable record.
  RstTIFFFXHeader read(0x4949);
  read.software = "read";
  read.global_parameters.reset(new RstTIFFGlobalParameters());
  read.global_parameters->profile_type = 1;
  RstWriteTIFFHeader from(read);
  EXPECT_EQ(from.software, "read");
  ASSERT_TRUE(from.write_global_parameters());
  EXPECT_NE(from.global_parameters.get(), read.global_parameters.get());
  EXPECT_NE(dynamic_cast<RstWriteTIFFGlobalParameters*>(from.global_parameters.get()), nullptr);
  EXPECT_EQ(from.write_global_parameters()->profile_type, 1u);

  // Assignment shares children and the record, copies the strip specs.
  RstWriteTIFFHeader a;
  a.rows_per_strip = 4;
  set_image(a, bilevel(16, 16));
  a.tile_specs();
  a.set_global_parameters(RstTIFFGlobalParameters());
  a.add_child(bilevel(8, 8), RstWriteTIFFHeader());
  RstWriteTIFFHeader b;
  b = a;
  EXPECT_EQ(b.children[0].get(), a.children[0].get());
  EXPECT_EQ(b.global_parameters.get(), a.global_parameters.get());
  ASSERT_TRUE(b.strip_specs);
  EXPECT_NE(b.strip_specs.get(), a.strip_specs.get());
  EXPECT_EQ(b.strip_specs->size(), 4u);
  EXPECT_TRUE(status.errors().empty());
}

// A copy or assignment whose strips could not be copied, and entries that
// could not be built while a page's offsets were planned (a child's IFD
// size), leave the failure in the header's status word: such a page is not
// written as if it were whole.
TEST_F(WriteTiffHeader, FailuresReachTheStatusWord) {
  RstWriteTIFFHeader a;
  a.rows_per_strip = 4;
  set_image(a, bilevel(16, 16));
  ASSERT_TRUE(a.tile_specs());
  a.add_child(bilevel(8, 8), RstWriteTIFFHeader());
  ASSERT_EQ(a.children.size(), 1u);
  struct Case {
    const char* name;
    // Makes the header with the n-th allocation failing; the header whose
    // status word must tell.
    std::function<RstWriteTIFFHeader*(std::unique_ptr<RstWriteTIFFHeader>&, int64_t)> make;
  } cases[] = {
      {"copy",
       [&](std::unique_ptr<RstWriteTIFFHeader>& page, int64_t n) {
         RstAllocFault::fail_nth(n);
         page.reset(new RstWriteTIFFHeader(a));
         return page.get();
       }},
      {"assignment",
       [&](std::unique_ptr<RstWriteTIFFHeader>& page, int64_t n) {
         page.reset(new RstWriteTIFFHeader());
         RstAllocFault::fail_nth(n);
         *page = a;
         return page.get();
       }},
      {"child IFD size",
       [&](std::unique_ptr<RstWriteTIFFHeader>& page, int64_t n) {
         page.reset(new RstWriteTIFFHeader(a));
         page->children[0].reset(new RstWriteTIFFHeader(*a.children[0]));
         RstAllocFault::fail_nth(n);
         page->children[0]->ifd_size();
         return page->children[0].get();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool failed = false;
    for (int64_t n = 1; n < 64; ++n) {
      SCOPED_TRACE(n);
      status.clear();
      std::unique_ptr<RstWriteTIFFHeader> page;
      RstWriteTIFFHeader* told = c.make(page, n);
      bool reached = RstAllocFault::calls() >= n;
      RstAllocFault::clear();
      if (!reached) break;
      if (status.errors().empty()) {
        EXPECT_EQ(told->status, 1);
        continue;
      }
      failed = true;
      EXPECT_LT(told->status, 1);
      MemoryOutputStorage out;
      EXPECT_EQ(page->write(&out), 0u);
    }
    EXPECT_TRUE(failed);
  }
}

}  // namespace
