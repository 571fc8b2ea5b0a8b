// Exif files written by exiftool on JPEGs of cjpeg and ImageMagick (with and
// without JFIF, in both byte orders) and on a tiffcp page: every private tag
// written reads as exiftool reads it, the resolution, the thumbnail's size,
// the Exif 2.3 and GPS tags passed over, the format code, and the pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "page_support.h"
#include "raster/codecs/jpeg_stream_builder.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_exif.h"
#include "raster/formats/rst_read_jpeg.h"
#include "raster/formats/rst_read_raster.h"

namespace {

struct Release {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

class ExifRealFilesTest : public PageTest {
 protected:
  void SetUp() override {
    if (!shell("command -v exiftool") || !shell("command -v cjpeg") || !shell("command -v convert") ||
        !shell("command -v tiffcp"))
      GTEST_SKIP() << "exiftool, cjpeg, convert or tiffcp missing";
    dir_ = jpeg_temp_dir();
    ASSERT_TRUE(shell("convert -size 160x120 gradient:yellow-navy " + dir_ + "/thumb.jpg"));
    ASSERT_TRUE(shell("convert -size 64x48 plasma:fractal -seed 3 " + dir_ + "/image.ppm"));
  }
  void TearDown() override {
    if (!dir_.empty()) shell("rm -rf " + dir_);
  }

  // Writes the camera tags, the resolution and the thumbnail into `file`.
  bool tag(const std::string& file, const std::string& order, bool keep_jfif) {
    std::string t = dir_ + "/thumb.jpg";
    return shell("exiftool -q -overwrite_original -ExifByteOrder=" + order +
                 " -ExposureTime=1/125 -FNumber=5.6 -ISO=200 -ExposureCompensation=-0.7"
                 " -ShutterSpeedValue=1/125 -EXIF:Flash#=16 -FocalLength=50 '-DateTimeOriginal=2024:01:02 03:04:05'"
                 " -ColorSpace#=65535 -UserComment=hello -XResolution=300 -YResolution=300 -ResolutionUnit=inches"
                 " -LensModel=EF50 -SerialNumber=12345 -GPSLatitude=48.5 -GPSLatitudeRef=N -InteropIndex=R98"
                 " '-ThumbnailImage<=" +
                 t + "'" + (keep_jfif ? "" : " -JFIF:all=") + " " + file);
  }

  // exiftool's numeric values of the tags, in order ("-" when missing).
  static std::vector<std::string> values(const std::string& file, const std::string& tags) {
    std::istringstream in(shell_output("exiftool -n -f -s3 " + tags + " " + file));
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }

  // Every tag written reads as exiftool reads it.
  void expect_tags(RstReadExifHeader& h, const std::string& file, const std::string& name) {
    const RstReadExifPrivateTags& t = h.exif_tiff_header()->private_tags;
    std::vector<std::string> v =
        values(file,
               "-ExposureTime -FNumber -ISO -ExposureCompensation -ShutterSpeedValue -EXIF:Flash "
               "-FocalLength -DateTimeOriginal -ColorSpace -UserComment");
    ASSERT_EQ(v.size(), 10u) << name;
    auto near = [&](double ours, const std::string& theirs, const char* what) {
      EXPECT_NEAR(ours, std::stod(theirs), 1e-3 * std::max(1.0, std::fabs(ours))) << name << " " << what;
    };
    near(t.exposure_time.to_double(), v[0], "ExposureTime");
    near(t.f_number.to_double(), v[1], "FNumber");
    ASSERT_EQ(t.iso_speed_ratings.size(), 1u) << name;
    EXPECT_EQ(std::to_string(t.iso_speed_ratings[0]), v[2]) << name;
    near(double(t.exposure_bias_value.numerator) / t.exposure_bias_value.denominator, v[3], "ExposureBias");
    // exiftool gives the shutter speed as seconds, 2^-value.
    near(std::pow(2.0, -double(t.shutter_speed_value.numerator) / t.shutter_speed_value.denominator), v[4],
         "ShutterSpeedValue");
    EXPECT_EQ(std::to_string(t.flash), v[5]) << name;
    near(t.focal_length.to_double(), v[6], "FocalLength");
    EXPECT_EQ(t.date_time_original, v[7]) << name;
    EXPECT_EQ(std::to_string(t.color_space), v[8]) << name;
    std::string comment(t.user_comment.begin(), t.user_comment.end());
    EXPECT_NE(comment.find(v[9]), std::string::npos) << name;
    EXPECT_EQ(h.x_resolution(), 300u) << name;
    EXPECT_NE(h.exif_tiff_header()->gps_ifd, 0u) << name;
    EXPECT_NE(t.interoperability_ifd, 0u) << name;
  }

  std::string dir_;
};

TEST_F(ExifRealFilesTest, ExifJpegFilesOfBothMakers) {
  struct Case {
    const char* maker;
    const char* order;
    bool jfif;
  } cases[] = {{"cjpeg", "II", false},  {"cjpeg", "MM", true},    {"cjpeg", "MM", false},
               {"convert", "II", true}, {"convert", "MM", false}, {"convert", "II", false}};
  int n = 0;
  for (const Case& c : cases) {
    std::string name = std::string(c.maker) + " " + c.order + (c.jfif ? " JFIF" : "");
    std::string file = dir_ + "/f" + std::to_string(n++) + ".jpg";
    std::string make = std::string(c.maker) == "cjpeg" ? "cjpeg -outfile " + file + " " + dir_ + "/image.ppm"
                                                       : "convert " + dir_ + "/image.ppm " + file;
    ASSERT_TRUE(shell(make)) << name;
    ASSERT_TRUE(tag(file, c.order, c.jfif)) << name;
    Bytes bytes = file_bytes_of(file);
    ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
    std::unique_ptr<RstReadExifHeader, Release> h(RstReadExif::private_header(&in));
    ASSERT_TRUE(h) << name;
    EXPECT_FALSE(h->is_tiff_container()) << name;
    expect_tags(*h, file, name);
    RstReadTIFFHeaderBase* thumb = h->exif_tiff_header()->next_page;
    ASSERT_NE(dynamic_cast<RstReadExifThumbHeader*>(thumb), nullptr) << name;
    EXPECT_EQ(thumb->tiff6_header()->image_width, 160u) << name;
    EXPECT_EQ(thumb->tiff6_header()->image_length, 120u) << name;

    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    ASSERT_TRUE(info) << name;
    EXPECT_EQ(info->format.code, c.jfif ? RstImageFormat::jfif : RstImageFormat::exif) << name;
    if (!c.jfif) {
      EXPECT_EQ(info->x_resolution, 300) << name;
      std::unique_ptr<RstReadJPEGHeader, Release> jpeg(RstReadJPEG::private_header(&in));
      EXPECT_NE(dynamic_cast<RstReadExifJPEGHeader*>(jpeg.get()), nullptr) << name;
      RstOwner<RstRead> raster(RstReadRaster::create(&in, 1));
      ASSERT_TRUE(raster) << name;
      Rows got = read_lines(raster.get());
      in.seek(0);
      RstOwner<RstRead> plain(RstReadJPEG::create(&in, nullptr, nullptr));
      ASSERT_TRUE(plain) << name;
      EXPECT_EQ(got.size(), 48u) << name;
      EXPECT_EQ(got, read_lines(plain.get())) << name;
      // The Exif header's own reader and the JPEG overload read the same.
      in.seek(0);
      RstOwner<RstRead> own(h->create_reader(&in));
      ASSERT_TRUE(own) << name;
      EXPECT_EQ(got, read_lines(own.get())) << name;
      in.seek(0);
      RstOwner<RstRead> overload(RstReadJPEG::create(&in, h->exif_jpeg_header()));
      ASSERT_TRUE(overload) << name;
      EXPECT_EQ(got, read_lines(overload.get())) << name;
    }
  }
}

TEST_F(ExifRealFilesTest, TiffPageWithExifStaysTiff) {
  std::string tif = dir_ + "/page.tif", page = dir_ + "/copy.tif";
  ASSERT_TRUE(shell("convert " + dir_ + "/image.ppm -compress none " + tif));
  ASSERT_TRUE(shell("tiffcp " + tif + " " + page));
  ASSERT_TRUE(
      shell("exiftool -q -overwrite_original -ExposureTime=1/125 -FNumber=5.6 -ISO=200 "
            "-ExposureCompensation=-0.7 -ShutterSpeedValue=1/125 -EXIF:Flash#=16 -FocalLength=50 "
            "'-DateTimeOriginal=2024:01:02 03:04:05' -ColorSpace#=65535 -UserComment=hello "
            "-XResolution=300 -YResolution=300 -ResolutionUnit=inches -LensModel=EF50 -SerialNumber=12345 "
            "-GPSLatitude=48.5 -GPSLatitudeRef=N -InteropIndex=R98 " +
            page));
  Bytes bytes = file_bytes_of(page);
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  std::unique_ptr<RstReadExifHeader, Release> h(RstReadExif::private_header(&in));
  ASSERT_TRUE(h);
  EXPECT_TRUE(h->is_tiff_container());
  expect_tags(*h, page, "tiffcp page");
  RstOwner<RstRead> pixels(h->create_reader(&in));
  ASSERT_TRUE(pixels);
  EXPECT_EQ(read_lines(pixels.get()).size(), 48u);
  in.seek(0);
  std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->format.code, RstImageFormat::tiff);
}

}  // namespace
