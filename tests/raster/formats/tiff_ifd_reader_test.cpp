// The TIFF 6.0 tag reader: the tag table, type checks, ReferenceBlackWhite and
// the consistency step's checks with their texts, codes and repairs.
#include "raster/formats/rst_tiff_ifd_reader.h"

#include <gtest/gtest.h>

#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_tiff_jpeg_stream.h"
#include "tiff_reader_support.h"

namespace {

class TiffIFDReaderTest : public RstStatusTest {};

const char* const rows_text = "RstTIFF6IFDReader::validate_consistency() - rows_per_strip conflicts with image_length.";
const char* const photometric_text =
    "RstTIFF6IFDReader::validate_consistency() - photometric_interpretation conflicts with the nested image's one.";

TEST_F(TiffIFDReaderTest, EveryTagOfTheTableLandsInItsField) {
  auto h = read_ifd({TiffEntry::longs(254, {2}),
                     TiffEntry::shorts(255, {3}),
                     TiffEntry::shorts(256, {40}),
                     TiffEntry::longs(257, {30}),
                     TiffEntry::shorts(258, {8, 8, 8}),
                     TiffEntry::shorts(259, {32773}),
                     TiffEntry::shorts(262, {2}),
                     TiffEntry::shorts(263, {2}),
                     TiffEntry::shorts(264, {4}),
                     TiffEntry::shorts(265, {5}),
                     TiffEntry::shorts(266, {2}),
                     TiffEntry::ascii(269, std::string("doc\0", 4)),
                     TiffEntry::ascii(270, std::string("description\0", 12)),
                     TiffEntry::ascii(271, "mk"),
                     TiffEntry::ascii(272, "model", 1),
                     TiffEntry::longs(273, {100, 200}),
                     TiffEntry::shorts(274, {3}),
                     TiffEntry::shorts(277, {3}),
                     TiffEntry::shorts(278, {15}),
                     TiffEntry::longs(279, {1800, 1800}),
                     TiffEntry::shorts(280, {1, 2, 3}),
                     TiffEntry::shorts(281, {250, 251, 252}),
                     TiffEntry::rational(282, 300, 1),
                     TiffEntry::rational(283, 600, 2),
                     TiffEntry::shorts(284, {1}),
                     TiffEntry::ascii(285, "page"),
                     TiffEntry::rational(286, 1, 2),
                     TiffEntry::rational(287, 3, 4),
                     TiffEntry::longs(288, {77, 78}),
                     TiffEntry::longs(289, {99}),
                     TiffEntry::shorts(290, {3}),
                     TiffEntry::shorts(291, {9, 10}),
                     TiffEntry::longs(292, {5}),
                     TiffEntry::longs(293, {2}),
                     TiffEntry::shorts(296, {3}),
                     TiffEntry::shorts(297, {1, 4}),
                     TiffEntry::shorts(301, {11, 12, 13}),
                     TiffEntry::ascii(305, "sw"),
                     TiffEntry::ascii(306, "2026:01:02 03:04:05"),
                     TiffEntry::ascii(315, "me"),
                     TiffEntry::ascii(316, "host"),
                     TiffEntry::shorts(317, {2}),
                     TiffEntry::typed(318, 5, {313, 1000, 329, 1000}),
                     TiffEntry::typed(319, 5, {64, 100, 33, 100}),
                     TiffEntry::shorts(321, {1, 254}),
                     TiffEntry::longs(330, {0}),
                     TiffEntry::shorts(332, {1}),
                     TiffEntry::ascii(333, "cyan"),
                     TiffEntry::shorts(334, {4}),
                     TiffEntry::typed(336, 1, {0, 255}),
                     TiffEntry::ascii(337, "printer"),
                     TiffEntry::shorts(338, {2}),
                     TiffEntry::shorts(339, {1, 1, 1}),
                     TiffEntry::longs(340, {0, 1, 2}),
                     TiffEntry::longs(341, {9, 9, 9}),
                     TiffEntry::shorts(342, {0, 1, 2, 3, 4, 5}),
                     TiffEntry::shorts(512, {14}),
                     TiffEntry::longs(513, {0}),
                     TiffEntry::longs(514, {0}),
                     TiffEntry::shorts(515, {8}),
                     TiffEntry::shorts(517, {1}),
                     TiffEntry::shorts(518, {0}),
                     TiffEntry::longs(519, {1000}),
                     TiffEntry::longs(520, {2000}),
                     TiffEntry::longs(521, {3000}),
                     TiffEntry::typed(529, 5, {299, 1000, 587, 1000, 114, 1000}),
                     TiffEntry::shorts(530, {2, 1}),
                     TiffEntry::shorts(531, {2}),
                     TiffEntry::ascii(33432, "(c)"),
                     TiffEntry::ascii(34675, std::string("icc\0data", 8), 7)},
                    2);
  EXPECT_EQ(h->new_subfile_type, 2u);
  EXPECT_EQ(h->subfile_type, 3u);
  EXPECT_EQ(h->image_width, 40u);
  EXPECT_EQ(h->image_length, 30u);
  EXPECT_EQ(h->bits_per_sample, (std::vector<uint16_t>{8, 8, 8}));
  EXPECT_EQ(h->compression.value(), 32773u);
  EXPECT_EQ(h->threshholding, 2u);
  EXPECT_EQ(h->cell_width, 4u);
  EXPECT_EQ(h->cell_length, 5u);
  EXPECT_EQ(h->fill_order, 2u);
  EXPECT_EQ(h->document_name, "doc");
  EXPECT_EQ(h->image_description, "description");
  EXPECT_EQ(h->make, "mk");
  EXPECT_EQ(h->model, "model");
  EXPECT_EQ(h->strip_offsets, (std::vector<uint32_t>{100, 200}));
  EXPECT_EQ(h->orientation, 3u);
  EXPECT_EQ(h->rows_per_strip, 15u);
  EXPECT_EQ(h->min_sample_value, (std::vector<uint16_t>{1, 2, 3}));
  EXPECT_EQ(h->max_sample_value, (std::vector<uint16_t>{250, 251, 252}));
  EXPECT_EQ(h->x_resolution, (RstRational{300, 1}));
  EXPECT_EQ(h->y_resolution, (RstRational{600, 2}));
  EXPECT_EQ(h->page_name, "page");
  EXPECT_EQ(h->x_position, (RstRational{1, 2}));
  EXPECT_EQ(h->y_position, (RstRational{3, 4}));
  EXPECT_EQ(h->free_offsets, 77u);
  EXPECT_EQ(h->free_byte_counts, 99u);
  EXPECT_EQ(h->gray_response_unit, 3u);
  EXPECT_EQ(h->gray_response_curve, (std::vector<uint16_t>{9, 10}));
  EXPECT_EQ(h->t4_options, 5u);
  EXPECT_EQ(h->t6_options, 2u);
  EXPECT_EQ(h->resolution_unit, 3u);
  EXPECT_EQ(h->page_number, (std::vector<uint16_t>{1, 4}));
  EXPECT_EQ(h->transfer_function, (std::vector<uint16_t>{11, 12, 13}));
  EXPECT_EQ(h->software, "sw");
  EXPECT_EQ(h->date_time, "2026:01:02 03:04:05");
  EXPECT_EQ(h->artist, "me");
  EXPECT_EQ(h->host_computer, "host");
  EXPECT_EQ(h->predictor, 2);
  EXPECT_EQ(h->white_point, (std::vector<RstRational>{{313, 1000}, {329, 1000}}));
  EXPECT_EQ(h->primary_chromaticities, (std::vector<RstRational>{{64, 100}, {33, 100}}));
  EXPECT_EQ(h->halftone_hints, (std::vector<uint16_t>{1, 254}));
  EXPECT_EQ(h->sub_ifds, std::vector<uint32_t>{0});
  EXPECT_EQ(h->ink_set, 1);
  EXPECT_EQ(h->ink_names, "cyan");
  EXPECT_EQ(h->number_of_inks, 4u);
  EXPECT_EQ(h->dot_range, (std::vector<uint16_t>{0, 255}));
  EXPECT_EQ(h->target_printer, "printer");
  EXPECT_EQ(h->extra_samples, std::vector<uint16_t>{2});
  EXPECT_EQ(h->sample_format, (std::vector<uint16_t>{1, 1, 1}));
  EXPECT_EQ(h->s_min_sample_value, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(h->s_max_sample_value, (std::vector<uint32_t>{9, 9, 9}));
  EXPECT_EQ(h->transfer_range, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(h->jpeg_proc, 14u);
  EXPECT_EQ(h->jpeg_restart_interval, 8u);
  EXPECT_EQ(h->jpeg_lossless_predictors, std::vector<uint16_t>{1});
  EXPECT_EQ(h->jpeg_point_transforms, std::vector<uint16_t>{0});
  EXPECT_EQ(h->jpeg_q_tables, std::vector<uint32_t>{1000});
  EXPECT_EQ(h->jpeg_dc_tables, std::vector<uint32_t>{2000});
  EXPECT_EQ(h->jpeg_ac_tables, std::vector<uint32_t>{3000});
  EXPECT_EQ(h->ycbcr_coefficients, (std::vector<RstRational>{{299, 1000}, {587, 1000}, {114, 1000}}));
  EXPECT_EQ(h->ycbcr_subsampling, (std::vector<uint16_t>{2, 1}));
  EXPECT_EQ(h->ycbcr_positioning, 2u);
  EXPECT_EQ(h->copyright, "(c)");
  EXPECT_EQ(h->icc_profile, (std::vector<uint8_t>{'i', 'c', 'c', 0, 'd', 'a', 't', 'a'}));
  // Only the tolerated BYTE type of Model was reported.
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, "RstTIFFIFDReader::check_tag_type()"}}));
}

TEST_F(TiffIFDReaderTest, TypeChecksWarnOrFailButStoreTheValue) {
  auto h = read_ifd(with(basic_page(), {TiffEntry::shorts(254, {1})}), 2);
  EXPECT_EQ(h->new_subfile_type, 1u);
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, "RstTIFFIFDReader::check_tag_type()"}}));
  status.clear();
  h = read_ifd(with(basic_page(), {TiffEntry::ascii(256, std::string("\x09\0\0\0", 4), 1)}), 2);
  EXPECT_EQ(h->image_width, 9u);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-13, "RstTIFFIFDReader::check_tag_type()"}}));
  // Unknown field types pass where LONG does.
  status.clear();
  h = read_ifd(with(basic_page(), {TiffEntry::raw_entry(256, 99, 1, 21)}), 2);
  EXPECT_EQ(h->image_width, 21u);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffIFDReaderTest, PrivateTagsArePassedOver) {
  uint32_t result = 0;
  auto h = read_ifd(with(basic_page(), {TiffEntry::longs(50000, {1}), TiffEntry::ascii(65000, "x")}), 3, &result);
  EXPECT_NE(result, 0u);
  EXPECT_EQ(h->image_width, 16u);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffIFDReaderTest, ReferenceBlackWhiteKeepsBothFormsInStep) {
  auto h = read_ifd(with(basic_page(), {TiffEntry::typed(532, 5, {0, 1, 255, 1, 128, 1, 511, 2, 3, 2, 7, 0})}), 2);
  EXPECT_EQ(h->reference_black_white, (std::vector<RstRational>{{0, 1}, {255, 1}, {128, 1}, {511, 2}, {3, 2}, {7, 0}}));
  EXPECT_EQ(h->reference_black_white_rounded, (std::vector<uint32_t>{0, 255, 128, 256, 2, 0}));
  h = read_ifd(with(basic_page(), {TiffEntry::longs(532, {0, 255, 128})}), 2);
  EXPECT_EQ(h->reference_black_white_rounded, (std::vector<uint32_t>{0, 255, 128}));
  EXPECT_EQ(h->reference_black_white, (std::vector<RstRational>{{0, 1}, {255, 1}, {128, 1}}));
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffIFDReaderTest, LevelsChooseHowMuchIsChecked) {
  std::vector<TiffEntry> page = without(basic_page(), {282, 283});
  page.push_back(TiffEntry::shorts(258, {}));
  auto h = read_ifd(page, -1);
  EXPECT_TRUE(h->bits_per_sample.empty());
  h = read_ifd(page, 0);
  EXPECT_EQ(h->bits_per_sample, std::vector<uint16_t>{1});
  EXPECT_TRUE(status.messages().empty());
  h = read_ifd(page, 2);
  EXPECT_EQ(status.messages(),
            (std::vector<RstReport>{{100, "RstTIFF6IFDReader::validate_consistency() - no x_resolution."},
                                    {100, "RstTIFF6IFDReader::validate_consistency() - no y_resolution."}}));
}

struct CheckCase {
  const char* name;
  std::vector<TiffEntry> extra;
  std::vector<uint16_t> dropped;
  int32_t level;
  std::vector<RstReport> reports;
  bool read_ok;
};

TEST_F(TiffIFDReaderTest, ConsistencyChecksReportTheirTextsAtTheirLevels) {
  const char* no_x = "RstTIFF6IFDReader::validate_consistency() - no x_resolution.";
  const char* samples =
      "RstTIFF6IFDReader::validate_consistency() - samples_per_pixel doesn't exist or conflicts with "
      "photometric_interpretation.";
  const char* bits =
      "RstTIFF6IFDReader::validate_consistency() - bits_per_sample doesn't exist or conflicts with samples_per_pixel.";
  const char* bits_compression =
      "RstTIFF6IFDReader::validate_consistency() - bits_per_sample conflicts with compression.";
  const char* planar =
      "RstTIFF6IFDReader::validate_consistency() - planar_configuration conflicts with other attributes.";
  const char* counts = "RstTIFF6IFDReader::validate_consistency() - invalid strip_byte_counts.";
  const char* wrong =
      "RstTIFF6IFDReader::validate_consistency() - jpeg_interchange_format_length is too small or something wrong.";
  const char* plain = "RstTIFF6IFDReader::validate_consistency()";
  std::vector<CheckCase> cases = {
      {"clean page", {}, {}, 3, {}, true},
      {"RowsPerStrip absent, one strip", {}, {278}, 3, {}, true},
      {"RowsPerStrip 2^32-1, three strips",
       {TiffEntry::longs(278, {0xFFFFFFFFu}), TiffEntry::longs(273, {8, 9, 10}), TiffEntry::longs(279, {1, 1, 1})},
       {},
       2,
       {{13, rows_text}},
       true},
      {"RowsPerStrip 2^32-1 at level 1",
       {TiffEntry::longs(278, {0xFFFFFFFFu}), TiffEntry::longs(273, {8, 9, 10}), TiffEntry::longs(279, {1, 1, 1})},
       {},
       1,
       {{-13, rows_text}},
       false},
      {"CCITT page with BlackIsZero",
       {TiffEntry::shorts(259, {4}), TiffEntry::shorts(262, {1})},
       {},
       3,
       {{204, photometric_text}},
       true},
      {"XResolution 0/0", {TiffEntry::rational(282, 0, 0)}, {}, 3, {{100, no_x}}, true},
      // Check 7 records a fresh 1 before it tests, so an earlier error does not
      // decide the result.
      {"XResolution 0/0 at level 1", {TiffEntry::rational(282, 0, 0)}, {}, 1, {{-100, no_x}}, true},
      {"XResolution over a zero denominator", {TiffEntry::rational(282, 300, 0)}, {}, 3, {{100, no_x}}, true},
      {"no strips",
       {},
       {273},
       3,
       {{-13, "RstTIFF6IFDReader::validate_consistency() - strip_offsets doesn't exist."}},
       false},
      {"no width, no length",
       {TiffEntry::longs(256, {0}), TiffEntry::longs(257, {0})},
       {},
       2,
       {{-201, plain}, {-202, plain}},
       true},
      {"Separated with two samples",
       {TiffEntry::shorts(262, {5}), TiffEntry::shorts(277, {2}), TiffEntry::shorts(258, {8, 8, 8, 8})},
       {},
       2,
       {{203, samples}},
       true},
      {"CCITT page of 8 bits",
       {TiffEntry::shorts(259, {3}), TiffEntry::shorts(258, {8})},
       {},
       2,
       {{203, bits_compression}},
       true},
      // Samples stored plane by plane are refused at every level.
      {"planar RGB",
       {TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {3}), TiffEntry::shorts(258, {8, 8, 8}),
        TiffEntry::shorts(284, {2})},
       {},
       2,
       {{-13, planar}},
       false},
      {"planar RGB at level 1",
       {TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {3}), TiffEntry::shorts(258, {8, 8, 8}),
        TiffEntry::shorts(284, {2})},
       {},
       1,
       {{-13, planar}},
       false},
      // Data that holds more samples than the interpretation needs keeps them.
      {"RGB with ExtraSamples",
       {TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {4}), TiffEntry::shorts(258, {8, 8, 8, 8}),
        TiffEntry::shorts(338, {2}), TiffEntry::longs(279, {512})},
       {},
       2,
       {},
       true},
      {"gray with ExtraSamples",
       {TiffEntry::shorts(262, {1}), TiffEntry::shorts(277, {2}), TiffEntry::shorts(258, {8, 8}),
        TiffEntry::shorts(338, {1})},
       {},
       2,
       {},
       true},
      {"RGBA shown by the strip's size",
       {TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {4}), TiffEntry::shorts(258, {8, 8, 8, 8}),
        TiffEntry::longs(279, {512})},
       {},
       2,
       {},
       true},
      {"four samples that nothing shows",
       {TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {4}), TiffEntry::shorts(258, {8, 8, 8, 8}),
        TiffEntry::longs(279, {384})},
       {},
       2,
       {{203, samples}, {203, bits}},
       true},
      {"planar gray stays", {TiffEntry::shorts(284, {2})}, {}, 2, {}, true},
      {"two byte counts for one strip", {TiffEntry::longs(279, {16, 16})}, {}, 2, {{13, counts}}, true},
      {"old-style JPEG stream overlapping the strip",
       {TiffEntry::shorts(259, {6}), TiffEntry::longs(513, {4}), TiffEntry::longs(514, {2})},
       {},
       2,
       {{-13, wrong}},
       false},
      {"RGB without samples per pixel",
       {TiffEntry::shorts(262, {2}), TiffEntry::shorts(258, {8})},
       {},
       3,
       {{203, samples}, {203, bits}},
       true},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    uint32_t result = 0;
    read_ifd(with(without(basic_page(), c.dropped), c.extra), c.level, &result);
    EXPECT_EQ(status.messages(), c.reports);
    EXPECT_EQ(result != 0, c.read_ok);
  }
}

TEST_F(TiffIFDReaderTest, RepairsOfTheConsistencyStep) {
  auto h = read_ifd(without(basic_page(), {278}), 3);
  EXPECT_EQ(h->rows_per_strip, 8u);
  h = read_ifd(with(basic_page(), {TiffEntry::longs(278, {0xFFFFFFFFu}), TiffEntry::longs(273, {8, 9, 10}),
                                   TiffEntry::longs(279, {1, 1, 1})}),
               2);
  EXPECT_EQ(h->rows_per_strip, 8u);
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(259, {4}), TiffEntry::shorts(262, {1})}), 3);
  EXPECT_EQ(h->photometric_interpretation, 0u);
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(262, {2}), TiffEntry::shorts(258, {8})}), 3);
  EXPECT_EQ(h->samples_per_pixel, 3u);
  EXPECT_EQ(h->bits_per_sample, (std::vector<uint16_t>{8, 8, 8}));
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(259, {3}), TiffEntry::shorts(258, {8})}), 2);
  EXPECT_EQ(h->bits_per_sample, std::vector<uint16_t>{1});
  h = read_ifd(with(basic_page(), {TiffEntry::longs(279, {16, 16})}), 2);
  EXPECT_EQ(h->strip_byte_counts, std::vector<uint32_t>{16});
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(284, {2}), TiffEntry::shorts(262, {2})}), 2);
  EXPECT_EQ(h->status, -13);
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {4}),
                                   TiffEntry::shorts(258, {8, 8, 8, 8}), TiffEntry::shorts(338, {2})}),
               2);
  EXPECT_EQ(h->samples_per_pixel, 4u);
  EXPECT_TRUE(h->stores_extra_samples());
  EXPECT_EQ(h->samples_needed(), 3u);
}

TEST_F(TiffIFDReaderTest, YCbCrSubsamplingDefaults) {
  // 16 x 8 pixels of 3 x 8 bits in one strip: 384 bytes at full resolution.
  std::vector<TiffEntry> ycbcr = {TiffEntry::shorts(262, {6}), TiffEntry::shorts(277, {3}),
                                  TiffEntry::shorts(258, {8, 8, 8}), TiffEntry::longs(279, {384})};
  auto h = read_ifd(with(basic_page(), ycbcr), 2);
  EXPECT_EQ(h->ycbcr_subsampling, (std::vector<uint16_t>{1, 1}));
  ycbcr.push_back(TiffEntry::shorts(259, {7}));
  h = read_ifd(with(basic_page(), ycbcr), 2);
  EXPECT_EQ(h->ycbcr_subsampling, (std::vector<uint16_t>{2, 2}));
  ycbcr.back() = TiffEntry::longs(279, {192});
  h = read_ifd(with(basic_page(), ycbcr), 2);
  EXPECT_EQ(h->ycbcr_subsampling, (std::vector<uint16_t>{2, 2}));
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffIFDReaderTest, OldStyleJpegInterchangeStream) {
  const char* small = "RstTIFF6IFDReader::validate_consistency() - jpeg_interchange_format_length is too small.";
  const char* missing =
      "RstTIFF6IFDReader::create_nested_info()- jpeg_interchange_format doesn't exist or conflicts with "
      "strip_offsets.";
  // The interchange stream ends where the first strip begins: the strip's
  // bytes belong to it.
  auto h = read_ifd(with(basic_page(), {TiffEntry::shorts(259, {6}), TiffEntry::longs(513, {4}),
                                        TiffEntry::longs(514, {4}), TiffEntry::longs(279, {500})}),
                    3);
  EXPECT_EQ(h->jpeg_interchange_format_length, 504u);
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, small}}));
  status.clear();
  // No interchange format: the first strip stands in for it.
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(259, {6})}), 3);
  EXPECT_EQ(h->jpeg_interchange_format, 8u);
  EXPECT_EQ(h->jpeg_interchange_format_length, 16u);
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, missing}, {13, small}}));
  // Below level 3 the stream is not looked for, and a page without an
  // interchange format skips the length checks.
  status.clear();
  h = read_ifd(with(basic_page(), {TiffEntry::shorts(259, {6})}), 1);
  EXPECT_EQ(h->jpeg_interchange_format, 0u);
  EXPECT_TRUE(status.messages().empty());
}

// A parsed stream that stands for what the JPEG readers would find.
RstTIFFJPEGStream* fake_stream(InputStorage* window) {
  uint8_t marker[2] = {0, 0};
  if (window->read(marker, 2) != 2 || marker[0] != 0xFF || marker[1] != 0xD8) return nullptr;
  auto* s = new RstTIFFJPEGStream;
  s->header.width = 640;
  s->header.height = 480;
  s->header.bits_per_sample = 8;
  s->header.samples_per_pixel = 3;
  s->header.color_type = RstColorType::s_ycbcr();
  s->x_resolution = 72;
  s->y_resolution = 72;
  RstJPEGQTableArray q;
  uint8_t values[64] = {3, 5, 7};
  q[1].reset(new RstJPEGQTable(values, true));
  s->tables.reset(new RstJPEGTables(q, RstHuffmanTableArray(), RstHuffmanTableArray()));
  return s;
}

class TiffNestedStreamTest : public TiffIFDReaderTest {
 protected:
  TiffNestedStreamTest() { old_ = rst_tiff_set_jpeg_stream_parser(fake_stream); }
  ~TiffNestedStreamTest() override { rst_tiff_set_jpeg_stream_parser(old_); }
  RstTIFFJPEGStreamParser old_;
};

TEST_F(TiffNestedStreamTest, NestedImageOverridesThePageFields) {
  TiffBuilder b;
  b.add_ifd({TiffEntry::shorts(259, {6}), TiffEntry::longs(256, {100}), TiffEntry::longs(257, {50}),
             TiffEntry::shorts(262, {2}), TiffEntry::shorts(277, {1}), TiffEntry::shorts(258, {4}),
             TiffEntry::rational(282, 300, 1), TiffEntry::rational(283, 0, 1), TiffEntry::longs(513, {0}),
             TiffEntry::longs(273, {0}), TiffEntry::longs(279, {4}), TiffEntry::shorts(284, {2})});
  uint32_t stream = b.add_bytes({0xFF, 0xD8, 0xFF, 0xD9});
  b.patch32(8 + 2 + 12 * 8 + 8, stream);  // JPEGInterchangeFormat
  b.patch32(8 + 2 + 12 * 9 + 8, stream);  // StripOffsets
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader h(&in, 0x4949, 8, false, 3);
  ASSERT_TRUE(h.reader()->nested_info());
  EXPECT_EQ(h.photometric_interpretation, 6u);
  EXPECT_EQ(h.x_resolution, (RstRational{72, 1}));
  EXPECT_EQ(h.y_resolution, (RstRational{72, 1}));
  EXPECT_EQ(h.image_width, 640u);
  EXPECT_EQ(h.image_length, 480u);
  EXPECT_EQ(h.rows_per_strip, 480u);
  EXPECT_EQ(h.samples_per_pixel, 3u);
  EXPECT_EQ(h.bits_per_sample, (std::vector<uint16_t>{8, 8, 8}));
  EXPECT_EQ(h.planar_configuration, 1u);
  const std::string v = "RstTIFF6IFDReader::validate_consistency() - ";
  EXPECT_EQ(status.messages(),
            (std::vector<RstReport>{
                {204, v + "photometric_interpretation conflicts with the nested image's one."},
                {200, v + "x_resolution conflicts with the nested image's one."},
                {100, v + "y_resolution doesn't exist or conflicts with the nested image's one."},
                {201, v + "width doesn't exist or conflicts with the nested image's one."},
                {202, v + "height doesn't exist or conflicts with the nested image's one."},
                {203, v + "samples_per_pixel doesn't exist or conflicts with the nested image's one."},
                {203, v + "bits_per_sample doesn't exist or conflicts with samples_per_pixel."},
                {203, v + "bits_per_sample conflicts with the nested image's one."},
                {13, v + "planar_configuration conflicts with other attributes."},
                {13, v + "jpeg_interchange_format_length is too small."},
            }));
  // Below level 3 the stream is not looked at.
  status.clear();
  in.seek(0);
  RstReadTIFFHeader two(&in, 0x4949, 8, false, 2);
  EXPECT_FALSE(two.reader()->nested_info());
  EXPECT_EQ(two.image_width, 100u);
}

TEST_F(TiffNestedStreamTest, JpegTablesAreParsedIntoASetOfThePage) {
  TiffBuilder b;
  b.add_ifd(with(basic_page(), {TiffEntry::shorts(259, {7}), TiffEntry::ascii(347, "\xFF\xD8\xFF\xC4\xFF\xD9", 7)}));
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader h(&in, 3);
  EXPECT_NE(h.jpeg_tables_offset, 0u);
  ASSERT_TRUE(h.jpeg_tables);
  ASSERT_TRUE(h.jpeg_tables->quantization[1]);
  EXPECT_EQ(h.jpeg_tables->quantization[1]->at(0, 1), 5u);
  RstCountedPtr<RstCodingOption> option = h.coding_option();
  auto* jpeg = dynamic_cast<RstJPEGOption*>(option.get());
  ASSERT_TRUE(jpeg && jpeg->tables);
  EXPECT_EQ(jpeg->tables->quantization[1].get(), h.jpeg_tables->quantization[1].get());
  // Tables that do not parse leave the page without a set, quietly.
  TiffBuilder c;
  c.add_ifd(with(basic_page(), {TiffEntry::shorts(259, {7}), TiffEntry::ascii(347, "no tables", 7)}));
  ByteArrayInputStorage in_c(c.bytes.data(), int32_t(c.bytes.size()));
  RstReadTIFFHeader unparsed(&in_c, 3);
  EXPECT_FALSE(unparsed.jpeg_tables);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffIFDReaderTest, HostileSizesAreRefused) {
  // 2^29 pixels of 24 bits: a row of 1.5 GB does not fit 32-bit sizes.
  auto h = read_ifd(with(basic_page(), {TiffEntry::longs(256, {1u << 29}), TiffEntry::shorts(262, {2}),
                                        TiffEntry::shorts(277, {3}), TiffEntry::shorts(258, {8, 8, 8})}),
                    3);
  EXPECT_EQ(h->status, -13);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-13, "RstTIFF6IFDReader::validate_consistency() - image_width is too large."}}));
  status.clear();
  h = read_ifd(with(basic_page(), {TiffEntry::longs(277, {100000}), TiffEntry::shorts(262, {6})}), 3);
  EXPECT_EQ(h->status, -13);
  const char* too_many = "RstTIFF6IFDReader::validate_consistency() - samples_per_pixel is too large.";
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-13, too_many}}));
  // With the default observer the report ends the read by an exception.
  status.clear();
  RstStatusContext* context = RstStatusContext::instance();
  RstObserver thrower;
  RstObserver* recording = context->set_observer(&thrower);
  EXPECT_THROW(read_ifd(with(basic_page(), {TiffEntry::longs(256, {1u << 29}), TiffEntry::shorts(262, {2}),
                                            TiffEntry::shorts(277, {3}), TiffEntry::shorts(258, {8, 8, 8})}),
                        3),
               RstStatus);
  context->set_observer(recording);
}

}  // namespace
