// JPEG data in TIFF pages and JPEG files through the reading main road:
// strips of Compression 7 pages (with and without the page's JPEGTables), the
// interchange stream of a Compression 6 page, a strip whose frame gives its
// height in a DNL segment, strips that are cut short or of another width, and
// JFIF, JPEG-fax and bare JPEG files read by RstReadRaster::create.
#include <gtest/gtest.h>

#include "../codecs/jpeg_decode_support.h"
#include "page_support.h"
#include "pnm_support.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_node_handle.h"
#include "raster/formats/rst_read_raster.h"

namespace {

class JpegPages : public PageTest {
 protected:
  void SetUp() override {
    dir = temp_dir();
    sh("convert -size 70x33 gradient:white-black -depth 8 -colorspace Gray gray.pgm && ppm2tiff -c none gray.pgm "
       "gray.tif");
    sh("convert rose: -depth 8 rose.ppm && ppm2tiff -c none rose.ppm rgb.tif");
  }
  void TearDown() override { run("rm -rf " + dir); }
  std::string at(const std::string& name) const { return dir + "/" + name; }
  void sh(const std::string& command) {
    ASSERT_TRUE(run("cd " + dir + " && " + command + " >/dev/null 2>&1")) << command;
  }

  // Every line of a page read through format detection; empty when no
  // reader was made.
  Rows page(const Bytes& file, uint32_t number = 1, RstHeader* header = nullptr) {
    ByteArrayInputStorage storage(file);
    RstNodeHandle<RstRead> node(RstReadRaster::create(&storage, number));
    if (!node) return {};
    if (header) node->header(*header);
    return read_lines(node.get());
  }
  Rows page(const std::string& name, uint32_t number = 1) { return page(file_bytes(at(name)), number); }

  static int max_difference(const Rows& a, const Rows& b) {
    if (a.size() != b.size()) return 1000;
    int d = 0;
    for (size_t y = 0; y < a.size(); ++y) {
      if (a[y].size() != b[y].size()) return 1000;
      for (size_t i = 0; i < a[y].size(); ++i) d = std::max(d, std::abs(int(a[y][i]) - int(b[y][i])));
    }
    return d;
  }
  static Rows rows_of(const Decoded& d) {
    Rows r;
    size_t row = size_t(d.width) * d.channels;
    for (int y = 0; y < d.height; ++y)
      r.emplace_back(d.samples.begin() + long(y * row), d.samples.begin() + long((y + 1) * row));
    return r;
  }

  std::string dir;
};

// Pages libtiff codes (gray, and RGB without colour conversion) and
// ImageMagick's JPEG pages equal their uncompressed copies made by tiffcp.
TEST_F(JpegPages, PagesEqualTheirUncompressedCopies) {
  const char* makes[] = {"tiffcp -c jpeg:r:60 -r 16 gray.tif j.tif", "tiffcp -c jpeg:r:60 -r 16 rgb.tif j.tif",
                         "tiffcp -c jpeg:r:90 -r 8 rgb.tif j.tif", "/usr/bin/convert rose.ppm -compress JPEG j.tif",
                         "/usr/bin/convert gray.pgm -compress JPEG j.tif"};
  for (const char* make : makes) {
    SCOPED_TRACE(make);
    sh(make);
    sh("tiffcp -c none j.tif n.tif");
    Rows got = page("j.tif"), want = page("n.tif");
    ASSERT_FALSE(want.empty());
    EXPECT_LE(max_difference(got, want), 1);
  }
}

// YCbCr 2x2 pages: every strip equals its stream, decoded after the page's
// JPEGTables by libjpeg.
TEST_F(JpegPages, SubsampledStripsEqualTheirStreamsAfterTheTables) {
  sh("tiffcp -c jpeg:60 -r 16 rgb.tif y.tif");
  TIFF* tif = TIFFOpen(at("y.tif").c_str(), "r");
  ASSERT_TRUE(tif);
  uint32_t count = 0;
  void* tables = nullptr;
  ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_JPEGTABLES, &count, &tables));
  Bytes head(static_cast<uint8_t*>(tables), static_cast<uint8_t*>(tables) + count - 2);  // without EOI
  Rows want;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
    Bytes strip(size_t(TIFFRawStripSize(tif, s)));
    TIFFReadRawStrip(tif, s, strip.data(), tmsize_t(strip.size()));
    Bytes stream = head;
    stream.insert(stream.end(), strip.begin() + 2, strip.end());  // without SOI
    Decoded d = libjpeg_decode(stream);
    ASSERT_EQ(d.status, 1);
    for (const auto& r : rows_of(d)) want.push_back(r);
  }
  TIFFClose(tif);
  RstHeader h;
  Rows got = page(file_bytes(at("y.tif")), 1, &h);
  EXPECT_EQ(h.samples_per_pixel, 3);
  EXPECT_LE(max_difference(got, want), 1);
}

// A JPEG stream of a picture by cjpeg.
Bytes cjpeg_file(const std::string& dir, const std::string& options, const std::string& source = "gray.pgm") {
  run("cd " + dir + " && cjpeg " + options + " -outfile c.jpg " + source);
  return file_bytes(dir + "/c.jpg");
}

// Offset of the first marker code m (after its 0xFF).
size_t marker_at(const Bytes& b, uint8_t m) {
  for (size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == m) return i;
  return b.size();
}

// The old-style page: Compression 6 with its whole stream as the
// interchange format, equal to the stream's own decode.
TEST_F(JpegPages, CompressionSixPageIsItsInterchangeStream) {
  Bytes stream = cjpeg_file(dir, "-quality 80");
  Decoded want = libjpeg_decode(stream);
  auto file_with = [&](uint32_t offset) {
    std::vector<TiffEntry> e = page_entries(70, 33, 8, 1, 1, 6, 33);
    e.push_back(TiffEntry::longs(513, {offset}));
    e.push_back(TiffEntry::longs(514, {uint32_t(stream.size())}));
    return strip_file(e, {stream});
  };
  Bytes first = file_with(0);
  Bytes file = file_with(uint32_t(first.size() - stream.size()));
  EXPECT_LE(max_difference(page(file), rows_of(want)), 1);
}

// A strip whose frame says height 0 has its rows from the DNL segment; its
// stream read in place of a page is the same.
TEST_F(JpegPages, StripWithDnlHasItsRows) {
  Bytes stream = cjpeg_file(dir, "-quality 80");
  Decoded want = libjpeg_decode(stream);
  Bytes dnl = stream;
  size_t sof = marker_at(dnl, 0xC0);
  dnl[sof + 5] = dnl[sof + 6] = 0;  // height 0
  size_t eoi = dnl.size() - 2;
  dnl.insert(dnl.begin() + long(eoi), {0xFF, 0xDC, 0, 4, 0, 33});
  Bytes file = strip_file(page_entries(70, 33, 8, 1, 1, 7, 33), {dnl});
  EXPECT_LE(max_difference(page(file), rows_of(want)), 1);
  EXPECT_LE(max_difference(page(dnl), rows_of(want)), 1);
}

// A byte count that cuts the first strip's coded data short never lets its
// decoder read the second strip; the second strip still decodes right.
TEST_F(JpegPages, ShortByteCountNeverReadsTheNextStrip) {
  Bytes a = cjpeg_file(dir, "-quality 80");
  Decoded want = libjpeg_decode(a);
  std::vector<TiffEntry> e = page_entries(70, 66, 8, 1, 1, 7, 33);
  Bytes file = strip_file(e, {a, a}, {uint32_t(a.size() - 24), uint32_t(a.size())});
  Rows got = page(file);
  ASSERT_EQ(got.size(), 66u);
  Rows second(got.begin() + 33, got.end());
  EXPECT_LE(max_difference(second, rows_of(want)), 1);
  EXPECT_FALSE(status.messages().empty());  // the first strip's cut is reported
}

// A strip of another width than its page is refused.
TEST_F(JpegPages, StripOfAnotherWidthIsRefused) {
  Bytes a = cjpeg_file(dir, "-quality 80");
  Bytes file = strip_file(page_entries(64, 33, 8, 1, 1, 7, 33), {a});
  Rows got = page(file);
  EXPECT_TRUE(reported(-3, "RstReadAndDecodeCodeTiles::next_link() -  header of tile or strip is invalid."));
  EXPECT_TRUE(got.empty() || got.size() == 33u);
}

// JFIF, JPEG-fax and bare files through format detection, also asked for
// as page 2 (a JPEG file has one page, which every page number reads).
TEST_F(JpegPages, JpegFilesReadThroughDetection) {
  Bytes jfif = cjpeg_file(dir, "-quality 75 -sample 2x2", "rose.ppm");
  Decoded want = libjpeg_decode(jfif);
  Bytes bare = jfif;
  size_t app0 = marker_at(bare, 0xE0);
  bare.erase(bare.begin() + long(app0), bare.begin() + long(app0 + 2 + (bare[app0 + 2] << 8 | bare[app0 + 3])));
  Bytes fax = bare;
  fax.insert(fax.begin() + 2, {0xFF, 0xE1, 0, 12, 'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCA, 0, 200});
  for (const Bytes* file : {&jfif, &bare, &fax}) {
    for (uint32_t number : {1u, 2u}) {
      RstHeader h;
      Rows got = page(*file, number, &h);
      EXPECT_EQ(h.width, 70);
      EXPECT_EQ(h.samples_per_pixel, 3);
      EXPECT_LE(max_difference(got, rows_of(want)), 1) << number;
    }
  }
}

}  // namespace

namespace {

// Gray and RGB files through the decode_page harness equal djpeg's accurate
// decode without smoothing.
TEST_F(JpegPages, HarnessEqualsDjpeg) {
  for (const char* make :
       {"cjpeg -grayscale -quality 85 -outfile c.jpg rose.ppm", "cjpeg -rgb -quality 85 -outfile c.jpg rose.ppm",
        "cjpeg -quality 70 -outfile c.jpg gray.pgm"}) {
    SCOPED_TRACE(make);
    sh(make);
    sh("djpeg -dct int -nosmooth -pnm -outfile want.pnm c.jpg");
    int rc = std::system((harness_path() + " " + at("c.jpg") + " 1 " + at("got.pnm") + " 2>/dev/null").c_str());
    ASSERT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 0);
    Pnm got, want;
    ASSERT_TRUE(read_pnm(at("got.pnm"), got));
    ASSERT_TRUE(read_pnm(at("want.pnm"), want));
    EXPECT_EQ(got.kind, want.kind);
    ASSERT_EQ(got.data.size(), want.data.size());
    int d = 0;
    for (size_t i = 0; i < got.data.size(); ++i) d = std::max(d, std::abs(int(got.data[i]) - int(want.data[i])));
    EXPECT_LE(d, 1);
  }
}

}  // namespace
