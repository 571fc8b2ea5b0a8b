// Pages made by libtiff's tools, ImageMagick, netpbm and jbigkit, decoded by
// the decode_page harness and compared pixel for pixel with tifftopnm: every
// coding, strip size, byte order and fill order, bilevel, gray, palette and
// RGB pages, multi-page files, fax2tiff output; pages the library does not
// read give a clear status; and the main road: a five-page file read page by
// page through format detection over the file storage.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "page_support.h"
#include "pnm_support.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"

namespace {

// Bit-inverted PBM data (for CCITT pages whose PhotometricInterpretation 1
// the library reads as 0: their bits must equal libtiff's, not their look).
Pnm inverted(Pnm p) {
  for (uint8_t& b : p.data) b = uint8_t(~b);
  if (p.width % 8) {
    size_t row = size_t((p.width + 7) / 8);
    for (size_t i = row - 1; i < p.data.size(); i += row) p.data[i] &= uint8_t(0xFF << (8 - p.width % 8));
  }
  return p;
}

class PagePeer : public PageTest {
 protected:
  void SetUp() override { dir = temp_dir(); }
  void TearDown() override { run("rm -rf " + dir); }

  std::string at(const std::string& name) const { return dir + "/" + name; }
  void sh(const std::string& command) { ASSERT_TRUE(run("cd " + dir + " && " + command + " 2>/dev/null")) << command; }
  // The chart N of the ITU set as cN.pbm.
  void chart(int n) {
    sh("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + std::to_string(n) + ".jbg c" + std::to_string(n) + ".pbm");
  }

  // Exit code of the harness on page `page` of `file`, its image in `out`.
  int decode(const std::string& file, int page, Pnm& out) {
    std::string target = at("decoded.pnm");
    std::remove(target.c_str());
    int rc = std::system(
        (harness_path() + " " + at(file) + " " + std::to_string(page) + " " + target + " 2>" + at("stderr.txt"))
            .c_str());
    rc = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    if (rc == 0 && !read_pnm(target, out)) return -1;
    return rc;
  }
  std::string stderr_text() const {
    std::vector<uint8_t> b = file_bytes(at("stderr.txt"));
    return std::string(b.begin(), b.end());
  }
  // tifftopnm of page `page`, cut out with tiffcp first (tifftopnm writes
  // every page of a file).
  Pnm reference(const std::string& file, int page = 1) {
    sh("tiffcp " + file + "," + std::to_string(page - 1) + " page_ref.tif");
    sh("tifftopnm page_ref.tif > ref.pnm");
    Pnm p;
    EXPECT_TRUE(read_pnm(at("ref.pnm"), p));
    return p;
  }
  // The harness's page equals tifftopnm's (inverted when `bits_only`).
  void expect_same(const std::string& file, int page = 1, bool bits_only = false) {
    SCOPED_TRACE(file + " page " + std::to_string(page));
    Pnm got;
    ASSERT_EQ(decode(file, page, got), 0) << stderr_text();
    Pnm want = reference(file, page);
    ASSERT_GT(want.width, 0);
    EXPECT_TRUE(got == (bits_only ? inverted(want) : want)) << got.kind << " " << got.width << "x" << got.height;
  }

  // The sources of the coding tests: a cut of chart 1, a gray and an RGB page.
  void make_sources() {
    chart(1);
    sh("convert c1.pbm -crop 400x300+600+800 +repage cut.pbm && ppm2tiff -c none cut.pbm bilevel.tif");
    sh("convert -size 70x33 gradient:white-black -depth 8 -colorspace Gray gray.pgm && "
       "ppm2tiff -c none gray.pgm gray.tif");
    sh("convert rose: -depth 8 rose.ppm && ppm2tiff -c none rose.ppm rgb.tif");
  }

  std::string dir;
};

// The sources of the coding tests: a cut of chart 1, a gray and an RGB page.
struct CodingCase {
  const char* source;
  const char* coding;
};

void PrintTo(const CodingCase& c, std::ostream* os) { *os << c.source << " " << c.coding; }

class PageCodings : public PagePeer, public ::testing::WithParamInterface<CodingCase> {};

// One coding of one source in every strip size and both byte orders.
TEST_P(PageCodings, StripSizesAndByteOrders) {
  const CodingCase& c = GetParam();
  make_sources();
  for (const char* strips : {"-r 1", "-r 8", "-r 64", "-s -r 100000"})
    for (const char* order : {"-B", "-L"}) {
      std::string options = std::string("-c ") + c.coding + " " + strips + " " + order;
      SCOPED_TRACE(options);
      sh("tiffcp " + options + " " + c.source + " t.tif");
      expect_same("t.tif");
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, PageCodings,
                         ::testing::Values(CodingCase{"bilevel.tif", "none"}, CodingCase{"bilevel.tif", "g3:1d"},
                                           CodingCase{"bilevel.tif", "g3:2d"}, CodingCase{"bilevel.tif", "g4"},
                                           CodingCase{"bilevel.tif", "packbits"}, CodingCase{"bilevel.tif", "lzw"},
                                           CodingCase{"gray.tif", "none"}, CodingCase{"gray.tif", "packbits"},
                                           CodingCase{"gray.tif", "lzw"}, CodingCase{"gray.tif", "lzw:2"},
                                           CodingCase{"rgb.tif", "none"}, CodingCase{"rgb.tif", "packbits"},
                                           CodingCase{"rgb.tif", "lzw"}, CodingCase{"rgb.tif", "lzw:2"}),
                         [](const ::testing::TestParamInfo<CodingCase>& info) {
                           std::string name = std::string(info.param.source) + "_" + info.param.coding;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST_F(PagePeer, FillOrderTwo) {
  make_sources();
  for (const char* coding : {"none", "g3:1d", "g3:2d", "g4", "lzw"}) {
    SCOPED_TRACE(coding);
    sh(std::string("tiffcp -f lsb2msb -c ") + coding + " bilevel.tif lsb.tif");
    expect_same("lsb.tif");
  }
}

// The eight ITU charts in multi-page files made by ImageMagick, and single
// uncompressed and G3 chart pages.
class ChartFiles : public PagePeer, public ::testing::WithParamInterface<const char*> {};

TEST_P(ChartFiles, EveryPageAndTheCount) {
  std::string all;
  for (int n = 1; n <= 8; ++n) {
    chart(n);
    all += " c" + std::to_string(n) + ".pbm";
  }
  sh("convert" + all + " -compress " + GetParam() + " pages.tif");
  // tifftopnm writes every page, one PBM after another.
  sh("tifftopnm pages.tif > all.pbm");
  std::vector<uint8_t> stream = file_bytes(at("all.pbm"));
  std::vector<Pnm> references;
  for (size_t at = 0; at < stream.size() && references.size() < 8;) {
    Pnm p;
    std::istringstream in(
        std::string(stream.begin() + long(at), stream.begin() + long(std::min(stream.size(), at + 64))));
    in >> p.kind >> p.width >> p.height;
    size_t start = at + size_t(in.tellg()) + 1;
    size_t size = size_t((p.width + 7) / 8) * size_t(p.height);
    ASSERT_TRUE(p.kind == "P4" && start + size <= stream.size());
    p.data.assign(stream.begin() + long(start), stream.begin() + long(start + size));
    references.push_back(p);
    at = start + size;
  }
  ASSERT_EQ(references.size(), 8u);
  sh(harness_path() + " --count pages.tif > count.txt");
  std::vector<uint8_t> count = file_bytes(at("count.txt"));
  EXPECT_EQ(std::string(count.begin(), count.end()), "8\n");
  for (int page = 1; page <= 8; ++page) {
    SCOPED_TRACE(page);
    Pnm got, source;
    ASSERT_EQ(decode("pages.tif", page, got), 0) << stderr_text();
    EXPECT_TRUE(got == references[size_t(page - 1)]);
    // The tools keep the charts' look: the page is the chart itself.
    ASSERT_TRUE(read_pnm(at("c" + std::to_string(page) + ".pbm"), source));
    EXPECT_TRUE(got == source);
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, ChartFiles, ::testing::Values("Group4", "Fax"));

TEST_F(PagePeer, SingleChartPages) {
  chart(2);
  sh("ppm2tiff -c none c2.pbm c2.tif && tiffcp -c g3:2d c2.tif c2g3.tif");
  expect_same("c2.tif");
  expect_same("c2g3.tif");
}

// ImageMagick and fax tool variants: min-is-black and min-is-white, palette,
// LZW with the predictor, 1-bit LZW, big-endian, FillOrder 2 with one strip.
TEST_F(PagePeer, ToolVariants) {
  chart(3);
  sh("convert -size 90x41 gradient:black-white -depth 8 -colorspace Gray g.pgm && convert rose: -depth 8 rose.ppm");
  sh("ppm2tiff -c none c3.pbm raw.tif && cp raw.tif mib.tif && tiffset -s 262 1 mib.tif");
  sh("convert g.pgm -depth 8 gray_black.tif && convert g.pgm -depth 8 -define quantum:polarity=min-is-white "
     "gray_white.tif");
  sh("convert rose.ppm -depth 8 rgb.tif && convert rose.ppm -type Palette -compress RLE palette.tif");
  sh("convert rose.ppm -depth 8 -compress LZW rgb_lzw.tif && convert c3.pbm -compress LZW bilevel_lzw.tif");
  sh("convert rose.ppm -depth 8 -define tiff:endian=msb rgb_msb.tif");
  sh("pbmtog3 c3.pbm > c3.g3 && fax2tiff -o fax2tiff.tif c3.g3");
  for (const char* file : {"raw.tif", "mib.tif", "gray_black.tif", "gray_white.tif", "rgb.tif", "palette.tif",
                           "rgb_lzw.tif", "bilevel_lzw.tif", "rgb_msb.tif", "fax2tiff.tif"})
    expect_same(file);
  // A G4 page with PhotometricInterpretation 1 is read as 0: same bits.
  sh("tiffcp -c g4 mib.tif mib_g4.tif");
  expect_same("mib_g4.tif", 1, true);
}

TEST_F(PagePeer, UnreadablePagesGiveAClearStatus) {
  sh("convert rose: -depth 8 rose.ppm && ppm2tiff -c none rose.ppm rgb.tif");
  sh("convert -size 40x20 gradient:black-white -depth 16 -colorspace Gray -compress LZW -define tiff:predictor=2 "
     "deep.tif");
  sh("tiffcp -c zip rgb.tif zip.tif && tiffcp -t rgb.tif tiled.tif");
  sh("tiffcp -p separate rgb.tif separate.tif");
  struct Case {
    const char* file;
    const char* error;  // empty: any error
  } cases[] = {
      {"zip.tif", "error -305"},
      {"deep.tif", "error -3: RstUndiffHorizontal::create()"},
      {"tiled.tif", "error -"},
      // Samples stored plane by plane would read as scrambled pixels.
      {"separate.tif",
       "error -13: RstTIFF6IFDReader::validate_consistency() - planar_configuration conflicts with other "
       "attributes."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Pnm out;
    EXPECT_EQ(decode(c.file, 1, out), 2);
    EXPECT_NE(stderr_text().find(c.error), std::string::npos) << stderr_text();
    EXPECT_FALSE(std::ifstream(at("decoded.pnm")).good()) << "nothing is written";
  }
}

// Pages with an alpha channel read as their picture: the extra samples are
// dropped, as tifftopnm drops them, uncompressed and LZW, 8 and 16 bits, gray
// and RGB.
TEST_F(PagePeer, ExtraSamplesAreDropped) {
  sh("convert rose: -depth 8 rose.ppm && convert rose: -depth 16 rose16.ppm");
  sh("convert rose.ppm -alpha set -compress lzw a_lzw.tif && convert rose.ppm -alpha set -compress None a_raw.tif");
  sh("convert rose16.ppm -alpha set -compress None a16.tif");
  for (const char* file : {"a_lzw.tif", "a_raw.tif", "a16.tif"}) {
    expect_same(file);
    EXPECT_EQ(stderr_text().find("203"), std::string::npos) << file << ": " << stderr_text();
  }
  // tifftopnm reads no gray page with alpha: the same page without it is the
  // reference.
  sh("convert rose.ppm -colorspace Gray -alpha set -compress None ga.tif && "
     "convert rose.ppm -colorspace Gray -compress None g.tif");
  Pnm with_alpha, without;
  ASSERT_EQ(decode("ga.tif", 1, with_alpha), 0) << stderr_text();
  ASSERT_EQ(decode("g.tif", 1, without), 0) << stderr_text();
  EXPECT_EQ(with_alpha.kind, "P5");
  EXPECT_TRUE(with_alpha == without);
}

// 16-bit pages of either byte order give the same samples as their source.
TEST_F(PagePeer, SixteenBitSamplesOfBothByteOrders) {
  sh("convert rose: -depth 16 rose16.ppm");
  // ImageMagick writes its TIFF files little-endian whatever -endian says:
  // tiffcp -B makes the big-endian one.
  sh("convert rose16.ppm -compress None lsb.tif && tiffcp -B lsb.tif msb.tif");
  std::vector<uint8_t> source = file_bytes(at("rose16.ppm"));
  Pnm want;
  ASSERT_TRUE(read_pnm(at("rose16.ppm"), want));
  for (const char* file : {"msb.tif", "lsb.tif"}) {
    SCOPED_TRACE(file);
    Pnm got;
    ASSERT_EQ(decode(file, 1, got), 0) << stderr_text();
    EXPECT_EQ(got.maxval, 65535);
    EXPECT_TRUE(got == want);
  }
}

TEST_F(PagePeer, MainRoadFivePagesThroughDetection) {
  chart(4);
  sh("convert c4.pbm -crop 800x600+400+400 +repage cut.pbm && ppm2tiff -c none cut.pbm bilevel.tif");
  sh("convert rose: -depth 8 rose.ppm && ppm2tiff -c none rose.ppm rgb.tif");
  sh("convert -size 64x50 gradient:white-black -depth 8 -colorspace Gray g.pgm && ppm2tiff -c none g.pgm gray.tif");
  sh("tiffcp -c g4 bilevel.tif p1.tif && tiffcp -c g3:2d bilevel.tif p2.tif && tiffcp -c packbits bilevel.tif p3.tif");
  sh("tiffcp -c none rgb.tif p4.tif && tiffcp -c lzw:2 gray.tif p5.tif");
  for (const char* order : {"-B", "-L"}) {
    SCOPED_TRACE(order);
    sh(std::string("tiffcp ") + order + " p1.tif p2.tif p3.tif p4.tif p5.tif all.tif");
    FileInputStorage storage;
    ASSERT_TRUE(storage.open(at("all.tif")));
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&storage, 1));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->page_count(), 5u);
    for (int page = 1; page <= 5; ++page) {
      SCOPED_TRACE(page);
      // The reader probes from the storage's position: the file's start.
      storage.rewind();
      RstOwner<RstRead> reader(RstReadRaster::create(&storage, uint32_t(page)));
      ASSERT_TRUE(reader);
      RstHeader h(reader.get());
      Pnm want = reference("all.tif", page);
      ASSERT_EQ(h.width, want.width);
      ASSERT_EQ(h.height, want.height);
      size_t row = size_t((int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample + 7) / 8);
      std::vector<uint8_t> got;
      for (const auto& line : read_lines(reader.get(), row)) got.insert(got.end(), line.begin(), line.end());
      Pnm mine = want;
      mine.data = got;
      // Bilevel rows: PBM has 1 for black, as reverse gray has; the double
      // inversion clears the padding bits.
      if (h.bits_per_sample == 1)
        mine = h.color_type == RstColorType::default_gray_reverse() ? inverted(inverted(mine)) : inverted(mine);
      EXPECT_TRUE(mine == want);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
