// Hostile page files: cut files, strips outside the file, byte counts that
// would wrap, surplus strips, sizes that cannot be buffered, heights far
// beyond the data, and random strip bytes. Each gives a clear status, or
// warnings and lines, and never a crash; a fixed budget of the page fuzz
// entry runs over mutations of valid pages.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <random>

#include "page_fuzz_target.h"
#include "page_support.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"

namespace {

// A baseline JPEG stream of the rows (1 or 3 samples), with or without JFIF.
std::vector<uint8_t> jpeg_stream(uint32_t width, const Rows& rows, int samples, bool jfif) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = width;
  cinfo.image_height = JDIMENSION(rows.size());
  cinfo.input_components = samples;
  cinfo.in_color_space = samples == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.write_JFIF_header = jfif ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& row : rows) {
    std::vector<uint8_t> copy = row;
    JSAMPROW r = copy.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + size);
  free(out);
  return bytes;
}

// An old-style JPEG page: its one stream is the interchange format.
std::vector<uint8_t> compression_six_page(uint32_t width, const Rows& rows) {
  std::vector<uint8_t> stream = jpeg_stream(width, rows, 1, false);
  auto file_with = [&](uint32_t offset) {
    std::vector<TiffEntry> e = page_entries(width, uint32_t(rows.size()), 8, 1, 1, 6, uint32_t(rows.size()));
    e.push_back(TiffEntry::longs(513, {offset}));
    e.push_back(TiffEntry::longs(514, {uint32_t(stream.size())}));
    return strip_file(e, {stream});
  };
  return file_with(uint32_t(file_with(0).size() - stream.size()));
}

// Small valid pages of every coding the library reads.
std::vector<std::vector<uint8_t>> corpus() {
  Rows bilevel = bilevel_rows(48, 20);
  Rows gray = byte_rows(21, 12, 1);
  Rows rgb = byte_rows(9, 7, 3);
  return {
      strip_file(page_entries(48, 20, 1, 1, 0, 4, 8),
                 coded_strips(48, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 8, bilevel)),
      strip_file(with(page_entries(48, 20, 1, 1, 0, 3, 7), {TiffEntry::longs(292, {1})}),
                 coded_strips(48, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3, 7, bilevel,
                              [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 1); })),
      strip_file(page_entries(21, 12, 8, 1, 1, 5, 5), coded_strips(21, 8, 1, 1, COMPRESSION_LZW, 5, gray)),
      strip_file(page_entries(9, 7, 8, 3, 2, 32773, 3), coded_strips(9, 8, 3, 2, COMPRESSION_PACKBITS, 3, rgb)),
      strip_file(with(page_entries(21, 12, 8, 1, 1, 5, 4), {TiffEntry::shorts(317, {2})}),
                 coded_strips(21, 8, 1, 1, COMPRESSION_LZW, 4, gray,
                              [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_PREDICTOR, 2); }),
                 {}, true),
      libtiff_file([&](TIFF* tif) {
        page_tags(tif, 21, 12, 8, 1, 1, COMPRESSION_JPEG, 8);
        write_rows(tif, gray);
      }),
      compression_six_page(21, gray),
      jpeg_stream(9, rgb, 3, true),
  };
}

// Pages whose samples need more than interleaved reading: an LZW RGB page with
// an alpha channel (read without it) and an RGB page in three planes (refused).
std::vector<uint8_t> rgba_page() {
  return strip_file(with(page_entries(9, 7, 8, 4, 2, 5, 3), {TiffEntry::shorts(338, {2})}),
                    coded_strips(9, 8, 4, 2, COMPRESSION_LZW, 3, byte_rows(9, 7, 4), [](TIFF* tif) {
                      uint16_t extra = EXTRASAMPLE_UNASSALPHA;
                      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
                    }));
}
std::vector<uint8_t> planar_page() {
  return strip_file(with(page_entries(4, 2, 8, 3, 2, 1, 2), {TiffEntry::shorts(284, {2})}),
                    {std::vector<uint8_t>(8, 10), std::vector<uint8_t>(8, 20), std::vector<uint8_t>(8, 30)});
}

// Reads page 1 to its end (at most `limit` lines); the lines read, -1 when no
// reader was made.
int read_all(const std::vector<uint8_t>& bytes, int limit = 200000) {
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
  if (!page) return -1;
  std::vector<uint8_t> line(size_t(page->line_size()));
  int n = 0;
  while (n < limit && page->read(line.data()) > 0) ++n;
  return n;
}

class HostilePages : public PageTest {};

TEST_F(HostilePages, CorpusReadsWhole) {
  const int heights[] = {20, 20, 12, 7, 12, 12, 12, 7};
  auto files = corpus();
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    status.clear();
    EXPECT_EQ(read_all(files[i]), heights[i]);
    EXPECT_TRUE(status.errors().empty());
  }
}

TEST_F(HostilePages, CutFilesNeverCrash) {
  for (const auto& file : corpus()) {
    std::vector<size_t> cuts;
    for (size_t n = 0; n < std::min<size_t>(512, file.size()); ++n) cuts.push_back(n);
    for (size_t k = 1; k < 16; ++k) cuts.push_back(file.size() * k / 16);
    for (size_t n : cuts) {
      status.clear();
      std::vector<uint8_t> cut(file.begin(), file.begin() + long(n));
      int lines = read_all(cut);
      // A cut file is never read as more lines than the page has.
      EXPECT_LE(lines, 20) << n;
    }
  }
}

TEST_F(HostilePages, StripsOutsideTheFileOrWithWrappingCounts) {
  Rows rows = bilevel_rows(48, 16);
  auto strips = coded_strips(48, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 8, rows);
  auto raw = coded_strips(48, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE, 8, rows);
  {
    SCOPED_TRACE("coded strip offset past the end");
    std::vector<uint8_t> file = strip_file(page_entries(48, 16, 1, 1, 0, 4, 8), strips);
    TiffBuilder b;
    b.add_ifd(with(page_entries(48, 16, 1, 1, 0, 4, 8),
                   {TiffEntry::longs(273, {8, 0x7FFFFFF0}), TiffEntry::longs(279, {100, 100})}));
    std::vector<uint8_t> bytes = b.bytes;
    bytes.resize(400, 0);
    status.clear();
    EXPECT_LE(read_all(bytes), 8);
    EXPECT_TRUE(reported(-11, "RstReadAndDecodeCodeTiles::next_link() - strip lies outside the file."));
  }
  for (bool coded : {true, false}) {
    SCOPED_TRACE(coded ? "StripByteCounts 0xFFFFFFFF, G4" : "StripByteCounts 0xFFFFFFFF, raw");
    std::vector<uint8_t> file =
        strip_file(page_entries(48, 16, 1, 1, 0, coded ? 4 : 1, 8), coded ? strips : raw, {0xFFFFFFFF, 0xFFFFFFFF});
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
    ASSERT_TRUE(page);
    EXPECT_TRUE(read_lines(page.get(), 6) == rows);
  }
  {
    SCOPED_TRACE("surplus StripOffsets");
    auto more = strips;
    more.push_back(std::vector<uint8_t>(10, 0xFF));
    more.push_back(std::vector<uint8_t>(10, 0x00));
    std::vector<uint8_t> file = strip_file(page_entries(48, 16, 1, 1, 0, 4, 8), more);
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
    ASSERT_TRUE(page);
    EXPECT_TRUE(read_lines(page.get(), 6) == rows);
  }
  {
    SCOPED_TRACE("RowsPerStrip 0xFFFFFFFF with three strips");
    Rows one = bilevel_rows(48, 16);
    auto whole = coded_strips(48, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 16, one);
    whole.push_back(std::vector<uint8_t>(7, 0x55));
    whole.push_back(std::vector<uint8_t>(7, 0xAA));
    std::vector<uint8_t> file = strip_file(page_entries(48, 16, 1, 1, 0, 4, 0xFFFFFFFF), whole);
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
    ASSERT_TRUE(page);
    EXPECT_TRUE(read_lines(page.get(), 6) == one);
  }
}

TEST_F(HostilePages, SizesThatCannotBeBufferedAreRefusedFirst) {
  // The tag reader refuses the widest pages itself; the page reader refuses
  // what it cannot read before it sizes a buffer. An empty where-text: any
  // error.
  struct Case {
    const char* name;
    std::vector<TiffEntry> entries;
    RstReport report;
  } cases[] = {
      {"width 2^29 at 24 bits", page_entries(1u << 29, 4, 8, 3, 2, 1, 4), {0, ""}},
      {"bilevel width 2^31", page_entries(0x80000000u, 4, 1, 1, 0, 4, 4), {0, ""}},
      {"3 bits", page_entries(8, 4, 3, 1, 1, 1, 4), {-50, "RstReadTIFFOneIFD::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    std::vector<uint8_t> file = strip_file(c.entries, {std::vector<uint8_t>(64, 0)});
    EXPECT_EQ(read_all(file), -1);
    if (c.report.where.empty()) EXPECT_FALSE(status.errors().empty());
    else EXPECT_TRUE(reported(c.report.code, c.report.where));
  }
}

TEST_F(HostilePages, HeightsFarBeyondTheData) {
  for (uint32_t compression : {1u, 4u, 32773u, 5u}) {
    SCOPED_TRACE(compression);
    status.clear();
    uint32_t bits = compression == 4 ? 1 : 8;
    std::vector<uint8_t> file =
        strip_file(page_entries(16, 100000, bits, 1, bits == 1 ? 0 : 1, compression, 100000), {{1, 2, 3, 4, 5, 6}});
    int lines = read_all(file);
    EXPECT_LE(lines, 100000);
  }
}

TEST_F(HostilePages, RandomStripBytes) {
  std::mt19937 random(11);
  for (uint32_t compression : {2u, 3u, 4u, 32773u, 5u}) {
    for (int round = 0; round < 8; ++round) {
      SCOPED_TRACE(compression);
      std::vector<std::vector<uint8_t>> strips(3, std::vector<uint8_t>(40 + random() % 200));
      for (auto& s : strips)
        for (uint8_t& b : s) b = uint8_t(random());
      uint32_t bits = compression == 32773 || compression == 5 ? 8 : 1;
      std::vector<uint8_t> file = strip_file(with(page_entries(64, 30, bits, 1, bits == 1 ? 0 : 1, compression, 10),
                                                  {TiffEntry::longs(292, {round & 1u})}),
                                             strips);
      status.clear();
      EXPECT_LE(read_all(file), 30);
    }
  }
}

TEST_F(HostilePages, ExtraSamplesAreDroppedAndPlanesRefused) {
  std::vector<uint8_t> rgba = rgba_page();
  ByteArrayInputStorage in(rgba.data(), int32_t(rgba.size()));
  RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
  ASSERT_TRUE(page);
  EXPECT_EQ(RstHeader(page.get()).samples_per_pixel, 3);
  Rows rows = read_lines(page.get());
  Rows stored = byte_rows(9, 7, 4);
  ASSERT_EQ(rows.size(), stored.size());
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < 9; ++x)
      for (size_t c = 0; c < 3; ++c) EXPECT_EQ(rows[y][3 * x + c], stored[y][4 * x + c]) << y << " " << x;
  EXPECT_TRUE(status.errors().empty());
  EXPECT_EQ(read_all(planar_page()), -1);
  EXPECT_TRUE(reported(
      -13, "RstTIFF6IFDReader::validate_consistency() - planar_configuration conflicts with other attributes."));
}

TEST_F(HostilePages, FuzzBudget) {
  std::mt19937 random(23);
  auto files = corpus();
  files.push_back(rgba_page());
  files.push_back(planar_page());
  // A Lab page with Decode values: the re-centring and range steps.
  files.push_back(
      strip_file(with(page_entries(8, 4, 8, 3, 8, 1, 2),
                      {TiffEntry::typed(433, 10, {0, 1, 100, 1, uint32_t(-100), 1, 100, 1, uint32_t(-75), 1, 125, 1})}),
                 {std::vector<uint8_t>(48, 7), std::vector<uint8_t>(48, 200)}));
  int runs = 0;
  for (const auto& file : files)
    for (int i = 0; i < 60; ++i) {
      std::vector<uint8_t> input(1, uint8_t(i & 1));
      input.insert(input.end(), file.begin(), file.end());
      int flips = 1 + int(random() % 8);
      for (int f = 0; f < flips; ++f) input[1 + random() % (input.size() - 1)] = uint8_t(random());
      page_fuzz_one(input.data(), input.size());
      ++runs;
    }
  std::vector<uint8_t> noise(300);
  for (uint8_t& b : noise) b = uint8_t(random());
  page_fuzz_one(noise.data(), noise.size());
  EXPECT_EQ(runs, 60 * int(files.size()));
}

}  // namespace
