// The Exif records, tag readers, headers and probes over Exif structures built
// here: the sentinels of fresh records, the completion of the private tags,
// the thumbnail IFD described as its JPEG stream, both containers, the JPEG
// probe's Exif attempt, format detection, and hostile layouts.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "exif_support.h"
#include "page_support.h"
#include "raster/core/rst_image_info.h"
#include "raster/formats/rst_read_exif.h"
#include "raster/formats/rst_read_jpeg.h"
#include "raster/formats/rst_read_raster.h"

namespace {

struct Release {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
  void operator()(RstReadExifHeader* h) const { rst_release(h); }
};
using HeldExif = std::unique_ptr<RstReadExifHeader, Release>;
using HeldJPEG = std::unique_ptr<RstReadJPEGHeader, Release>;

class ExifTest : public PageTest {};

TEST_F(ExifTest, FreshRecordsHoldTheirSentinels) {
  RstExif22PrivateTags t22;
  RstExif21PrivateTags t21;
  EXPECT_EQ(t22.exif_version, (std::vector<uint8_t>{0x30, 0x32, 0x32, 0x30}));
  EXPECT_EQ(t21.exif_version, (std::vector<uint8_t>{0x30, 0x32, 0x31, 0x30}));
  EXPECT_EQ(t22.color_space, 0xFF00u);
  EXPECT_EQ(t22.subject_distance, (RstRational{4294967294u, 1}));
  EXPECT_EQ(t22.shutter_speed_value, (RstSRational{-99999, 1}));
  EXPECT_EQ(t22.focal_length_in_35mm_film, 0xFFFF);
  for (const RstRational* r :
       {&t22.exposure_time, &t22.f_number, &t22.aperture_value, &t22.max_aperture_value, &t22.focal_length,
        &t22.flash_energy, &t22.focal_plane_x_resolution, &t22.focal_plane_y_resolution, &t22.exposure_index,
        &t22.compressed_bits_per_pixel, &t22.digital_zoom_ratio})
    EXPECT_EQ(*r, (RstRational{0xFFFFFFFFu, 1}));
  EXPECT_EQ(t22.brightness_value, (RstSRational{-99999, 1}));
  EXPECT_EQ(t22.exposure_bias_value, (RstSRational{-99999, 1}));
  for (uint32_t v : {t22.pixel_x_dimension, t22.pixel_y_dimension, t22.exposure_program, t22.metering_mode,
                     t22.light_source, t22.flash, t22.focal_plane_resolution_unit, t22.sensing_method, t22.file_source,
                     t22.scene_type, t22.custom_rendered, t22.exposure_mode, t22.white_balance, t22.scene_capture_type,
                     t22.gain_control, t22.contrast, t22.saturation, t22.sharpness, t22.subject_distance_range})
    EXPECT_EQ(v, 0xFFFFFFFFu);
  EXPECT_EQ(t22.interoperability_ifd, 0u);
  EXPECT_TRUE(t22.user_comment.empty() && t22.date_time_original.empty() && t22.subject_area.empty());
  RstExifTags tags;
  EXPECT_EQ(tags.exif_ifd, 0u);
  EXPECT_EQ(tags.gps_ifd, 0u);
}

TEST_F(ExifTest, PrivateTagsAreReadAndCompleted) {
  struct Case {
    const char* name;
    std::vector<TiffEntry> entries;
    std::function<void(const RstReadExifPrivateTags&)> check;
    int32_t warning;  // 0: none reported
  } cases[] = {
      {"no ColorSpace, FocalLengthIn35mmFilm or Contrast",
       {TiffEntry::shorts(37385, {16})},
       [](const RstReadExifPrivateTags& t) {
         EXPECT_EQ(t.color_space, 1u);
         EXPECT_EQ(t.focal_length_in_35mm_film, 0xFFFF);
         EXPECT_EQ(t.contrast, 0u);
         EXPECT_EQ(t.flash, 16u);
         EXPECT_EQ(t.file_source, 3u);
         EXPECT_EQ(t.scene_type, 1u);
         EXPECT_EQ(t.focal_plane_resolution_unit, 2u);
         EXPECT_EQ(t.white_balance, 0xFFFFFFFFu);
         EXPECT_EQ(t.exposure_time, (RstRational{0xFFFFFFFFu, 1}));
       },
       0},
      {"uncalibrated colour space kept",
       {TiffEntry::shorts(40961, {0xFFFF})},
       [](const RstReadExifPrivateTags& t) { EXPECT_EQ(t.color_space, 0xFFFFu); },
       0},
      {"PixelXDimension as LONG",
       {TiffEntry::longs(40962, {4000}), TiffEntry::shorts(40963, {3000})},
       [](const RstReadExifPrivateTags& t) {
         EXPECT_EQ(t.pixel_x_dimension, 4000u);
         EXPECT_EQ(t.pixel_y_dimension, 3000u);
       },
       0},
      {"ExifVersion as ASCII",
       {TiffEntry::ascii(36864, "0231")},
       [](const RstReadExifPrivateTags& t) {
         EXPECT_EQ(t.exif_version, (std::vector<uint8_t>{'0', '2', '3', '1'}));
       },
       13},
      {"rationals as the file's words, signed ones too",
       {TiffEntry::rational(33434, 1, 125), TiffEntry::rational(33437, 56, 10),
        TiffEntry::typed(37380, 10, {uint32_t(-7), 10}), TiffEntry::typed(37377, 10, {6965784, 1000000}),
        TiffEntry::shorts(34855, {200}), TiffEntry::shorts(41989, {0x12345})},
       [](const RstReadExifPrivateTags& t) {
         EXPECT_EQ(t.exposure_time, (RstRational{1, 125}));
         EXPECT_EQ(t.f_number, (RstRational{56, 10}));
         EXPECT_EQ(t.exposure_bias_value, (RstSRational{-7, 10}));
         EXPECT_EQ(t.shutter_speed_value, (RstSRational{6965784, 1000000}));
         EXPECT_EQ(t.iso_speed_ratings, (std::vector<uint16_t>{200}));
         EXPECT_EQ(t.focal_length_in_35mm_film, 0x2345);
       },
       0},
      {"Exif 2.3 tags are passed over",
       {TiffEntry::ascii(42036, "EF50mm f/1.8\0"), TiffEntry::ascii(42033, "12345"),
        TiffEntry::ascii(36867, "2024:01:02 03:04:05")},
       [](const RstReadExifPrivateTags& t) { EXPECT_EQ(t.date_time_original, "2024:01:02 03:04:05"); },
       0},
  };
  for (const Case& c : cases) {
    status.clear();
    ExifLayout layout;
    layout.private_entries = c.entries;
    Bytes tiff = exif_tiff(layout);
    ByteArrayInputStorage in(tiff.data(), int32_t(tiff.size()));
    HeldExif h(RstReadExifTIFF::private_header(&in));
    ASSERT_TRUE(h) << c.name;
    c.check(h->exif_tiff_header()->private_tags);
    EXPECT_EQ(reported(13, "RstTIFFIFDReader::check_tag_type()"), c.warning == 13) << c.name;
  }
}

TEST_F(ExifTest, PrimaryAndThumbnailIFDs) {
  ExifLayout layout;
  layout.thumbnail = true;
  layout.big_endian = true;
  Bytes tiff = exif_tiff(layout);
  ByteArrayInputStorage in(tiff.data(), int32_t(tiff.size()));
  HeldExif h(RstReadExifTIFF::private_header(&in));
  ASSERT_TRUE(h);
  RstReadExifTIFFHeader* primary = h->exif_tiff_header();
  EXPECT_TRUE(h->is_tiff_container());
  EXPECT_EQ(*h->status(), 1);
  // Kept as read: no strips, no rows per strip made up, no repairs.
  EXPECT_EQ(primary->image_width, 0u);
  EXPECT_EQ(primary->rows_per_strip, 0u);
  EXPECT_TRUE(primary->strip_offsets.empty());
  EXPECT_EQ(h->x_resolution(), 300u);
  EXPECT_EQ(h->y_resolution(), 300u);
  ASSERT_NE(primary->next_page, nullptr);
  auto* thumb = dynamic_cast<RstReadExifThumbHeader*>(primary->next_page);
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(thumb->image_width, 160u);
  EXPECT_EQ(thumb->image_length, 120u);
  EXPECT_EQ(thumb->photometric_interpretation, 6u);
  EXPECT_EQ(thumb->samples_per_pixel, 3u);
  EXPECT_EQ(thumb->bits_per_sample, (std::vector<uint16_t>{8}));
  EXPECT_EQ(thumb->compression.value(), 6u);
  EXPECT_EQ(thumb->strip_offsets, (std::vector<uint32_t>{thumb->jpeg_interchange_format}));
  EXPECT_NE(thumb->jpeg_interchange_format, 0u);
  // Each tag reader is made once.
  EXPECT_EQ(primary->reader(), primary->reader());
  EXPECT_EQ(primary->private_tags.reader(), primary->private_tags.reader());
  EXPECT_EQ(status.messages(), std::vector<RstReport>{});
}

TEST_F(ExifTest, NotExifGivesNoneSilently) {
  Bytes plain = TiffBuilder().bytes;
  TiffBuilder no_pointer;
  no_pointer.add_ifd(basic_page());
  Bytes noise(200, 0x5A);
  for (const Bytes* b : {&plain, &no_pointer.bytes, &noise}) {
    ByteArrayInputStorage in(b->data(), int32_t(b->size()));
    EXPECT_EQ(RstReadExifTIFF::private_header(&in), nullptr);
    EXPECT_EQ(RstReadExif::private_header(&in), nullptr);
    EXPECT_EQ(in.tell(), 0);
  }
  EXPECT_EQ(status.messages(), std::vector<RstReport>{});
}

TEST_F(ExifTest, ContainersAndTheirHeaders) {
  Bytes tiff = exif_tiff(ExifLayout{});
  struct Case {
    const char* name;
    Bytes file;
    bool found;
    bool tiff_container;
  } cases[] = {
      {"JFIF and Exif", exif_jpeg(tiff, true), true, false},
      {"Exif without JFIF", exif_jpeg(tiff, false), true, false},
      {"later APP1 is Exif",
       JpegBytes()
           .soi()
           .segment(0xE1, {'h', 't', 't', 'p', 0})
           .segment(0xE1, exif_payload(tiff))
           .tables()
           .frame_and_scan(16, 16, 3)
           .b,
       true, false},
      {"APP1 of the prefix only",
       JpegBytes().soi().segment(0xE1, {'E', 'x', 'i', 'f', 0, 0}).tables().frame_and_scan(16, 16, 3).b, false, false},
      {"TIFF structure", tiff, true, true},
  };
  for (const Case& c : cases) {
    status.clear();
    // A JPEG stream may start anywhere; TIFF offsets count from the start.
    int32_t start = c.tiff_container ? 0 : 3;
    Bytes file = c.tiff_container ? c.file : exif_cat({1, 2, 3}, c.file);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    in.seek(start);
    HeldExif jpeg_attempt(RstReadExifJPEG::private_header(&in));
    EXPECT_EQ(bool(jpeg_attempt), c.found && !c.tiff_container) << c.name;
    EXPECT_EQ(in.tell(), start) << c.name;
    HeldExif h(RstReadExif::private_header(&in));
    EXPECT_EQ(in.tell(), start) << c.name;
    EXPECT_EQ(status.messages(), std::vector<RstReport>{}) << c.name;
    ASSERT_EQ(bool(h), c.found) << c.name;
    if (!h) continue;
    EXPECT_EQ(h->is_tiff_container(), c.tiff_container) << c.name;
    EXPECT_EQ(bool(h->exif_jpeg_header()), !c.tiff_container) << c.name;
    EXPECT_EQ(h->x_resolution(), 300u) << c.name;
    EXPECT_EQ(h->exif_tiff_header()->private_tags.exposure_time, (RstRational{1, 125})) << c.name;
    if (!c.tiff_container) {
      EXPECT_EQ(h->rst_header()->width, 16) << c.name;
      EXPECT_EQ(h->exif_jpeg_header()->rst_color_type(), RstColorType::default_ycbcr()) << c.name;
    }
  }
  // The prefix alone: the header itself says -12.
  Bytes only = JpegBytes().soi().segment(0xE1, {'E', 'x', 'i', 'f', 0, 0}).tables().frame_and_scan(16, 16, 3).b;
  ByteArrayInputStorage in(only.data(), int32_t(only.size()));
  RstReadExifJPEGHeader bare(&in);
  EXPECT_EQ(*bare.RstReadJPEGHeader::status(), -12);
}

TEST_F(ExifTest, ClosedOrMissingStorage) {
  Bytes tiff = exif_tiff(ExifLayout{});
  ByteArrayInputStorage in(tiff.data(), int32_t(tiff.size()));
  in.close();
  struct Case {
    const char* where;
    std::function<bool()> call;
  } cases[] = {
      {"RstReadExifJPEG::private_header()", [&] { return RstReadExifJPEG::private_header(&in) == nullptr; }},
      {"RstReadExifTIFF::private_header()", [&] { return RstReadExifTIFF::private_header(&in) == nullptr; }},
      {"RstReadExif::private_header", [&] { return RstReadExif::private_header(nullptr) == nullptr; }},
      {"RstReadExif::create()", [&] { return RstReadExif::create(&in, nullptr) == nullptr; }},
  };
  for (const Case& c : cases) {
    status.clear();
    EXPECT_TRUE(c.call()) << c.where;
    EXPECT_TRUE(reported(-2, c.where)) << c.where;
  }
  status.clear();
  Bytes noise(64, 7);
  ByteArrayInputStorage none(noise.data(), int32_t(noise.size()));
  EXPECT_EQ(RstReadExif::create(&none, nullptr), nullptr);
  EXPECT_TRUE(reported(-12, "RstReadExif::create()"));
}

TEST_F(ExifTest, JpegProbeAndDetection) {
  Bytes tiff = exif_tiff(ExifLayout{});
  Bytes exif_only = exif_jpeg(tiff, false);
  Bytes with_jfif = exif_jpeg(tiff, true);
  {
    ByteArrayInputStorage in(exif_only.data(), int32_t(exif_only.size()));
    HeldJPEG h(RstReadJPEG::private_header(&in));
    ASSERT_TRUE(h);
    EXPECT_NE(dynamic_cast<RstReadExifJPEGHeader*>(h.get()), nullptr);
    EXPECT_EQ(in.tell(), 0);
  }
  struct Case {
    const char* name;
    const Bytes* file;
    int32_t format;
    int32_t dpi;
  } cases[] = {{"Exif only", &exif_only, RstImageFormat::exif, 300}, {"JFIF with Exif", &with_jfif, 1, 72}};
  for (const Case& c : cases) {
    ByteArrayInputStorage in(c.file->data(), int32_t(c.file->size()));
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    ASSERT_TRUE(info) << c.name;
    EXPECT_EQ(info->format.code, c.format) << c.name;
    EXPECT_EQ(info->x_resolution, c.dpi) << c.name;
    EXPECT_EQ(info->width, 16) << c.name;
  }
  // Switched off, the Exif row passes the file on to the plain JPEG row.
  set_enable(RstFormatEnables::exif, 0);
  ByteArrayInputStorage in(exif_only.data(), int32_t(exif_only.size()));
  std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->format.code, 1);
}

TEST_F(ExifTest, HostileLayoutsEndClearly) {
  struct Case {
    const char* name;
    ExifLayout layout;
    bool exif;  // still taken as Exif
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, std::function<void(ExifLayout&)> f, bool exif) {
    ExifLayout l;
    l.thumbnail = true;
    f(l);
    cases.push_back({name, l, exif});
  };
  add(
      "primary IFD past the payload", [](ExifLayout& l) { l.first_ifd = 0xFFFFFF00u; }, false);
  add(
      "private IFD past the payload", [](ExifLayout& l) { l.exif_ifd = 0x7FFFFFF0u; }, false);
  add(
      "private IFD is the primary", [](ExifLayout& l) { l.exif_ifd = 8; }, true);
  add(
      "GPS IFD past the payload", [](ExifLayout& l) { l.gps_ifd = 0x10000; }, true);
  add(
      "interoperability IFD past the payload", [](ExifLayout& l) { l.interop_ifd = 0xFFFFFFF0u; }, true);
  add(
      "interoperability IFD is itself", [](ExifLayout& l) { l.interop_self = true; }, true);
  add(
      "chain loops to the primary", [](ExifLayout& l) { l.thumb_next = 8; }, true);
  add(
      "entry count larger than the payload", [](ExifLayout& l) { l.private_count = 0xFFFF; }, false);
  add(
      "thumbnail stream past the end", [](ExifLayout& l) { l.thumb_offset = 0x00FFFFFF; }, true);
  for (const Case& c : cases) {
    status.clear();
    Bytes tiff = exif_tiff(c.layout);
    Bytes file = exif_jpeg(tiff, false);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    HeldExif h(RstReadExif::private_header(&in));
    EXPECT_EQ(bool(h), c.exif) << c.name;
    EXPECT_EQ(in.tell(), 0) << c.name;
    // The JPEG probe still finds the stream.
    HeldJPEG j(RstReadJPEG::private_header(&in));
    EXPECT_TRUE(j) << c.name;
    EXPECT_EQ(bool(dynamic_cast<RstReadExifJPEGHeader*>(j.get())), c.exif) << c.name;
  }
}

}  // namespace
