// CIE L*a*b* pages: the signed a* and b* bytes re-centred at 128, the page
// kinds that skip or refuse the step, ImageMagick's Lab pages, and the Decode
// values re-encoded to the default range by format detection.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "page_support.h"
#include "raster/color/rst_transform_color_lut.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/formats/rst_tiff_header.h"

namespace {

class TiffLab : public PageTest {
 protected:
  // The pixels of the page through format detection, or none.
  Rows read_raster(const std::vector<uint8_t>& file, RstHeader* header = nullptr) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(RstReadRaster::create(&in, 1));
    if (!node) return {};
    if (header) *header = RstHeader(node.get());
    return read_lines(node.get());
  }
};

// One strip of uncompressed rows.
std::vector<uint8_t> page(uint32_t width, uint32_t bits, uint32_t samples, uint32_t photometric, const Rows& rows,
                          std::vector<TiffEntry> extra = {}) {
  std::vector<uint8_t> strip;
  for (const auto& r : rows) strip.insert(strip.end(), r.begin(), r.end());
  std::vector<TiffEntry> entries = page_entries(width, uint32_t(rows.size()), bits, samples, photometric, 1, 1000);
  entries.insert(entries.end(), extra.begin(), extra.end());
  return strip_file(entries, {strip});
}

// Decode (tag 433) of signed rationals, given as numerator, denominator pairs.
TiffEntry decode(std::vector<int32_t> values) {
  std::vector<uint32_t> words(values.begin(), values.end());
  return TiffEntry::typed(433, 10, words);
}

TEST_F(TiffLab, SignedABytesAreRecentred) {
  struct Case {
    const char* name;
    uint32_t samples;
    Rows in, out;
  } cases[] = {
      {"L*a*b*", 3, {{200, 0xF0, 0x10, 0, 0x80, 0x7F}}, {{200, 0x70, 0x90, 0, 0x00, 0xFF}}},
      {"with an extra sample", 4, {{200, 0xF0, 0x10, 77}}, {{200, 0x70, 0x90, 77}}},
      {"L* only", 1, {{200, 0xF0}}, {{200, 0xF0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t width = uint32_t(c.in[0].size()) / c.samples;
    RstHeader h;
    EXPECT_EQ(read_raster(page(width, 8, c.samples, 8, c.in), &h), c.out);
    EXPECT_EQ(h.color_type, c.samples == 1 ? RstColorType::icc_lstar() : RstColorType::icc_lab());
    EXPECT_TRUE(status.errors().empty());
    status.clear();
  }
}

TEST_F(TiffLab, OtherDepthsAndMissingCreatorsAreRefused) {
  Rows words{{1, 2, 3, 4, 5, 6}};
  std::vector<uint8_t> sixteen = page(1, 16, 3, 8, words);
  EXPECT_TRUE(read_raster(sixteen).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstReadTIFF::create()"}}));
  status.clear();
  // Without the table creator the page is not delivered with signed a, b.
  rst_format_creators().transform_color_lut = nullptr;
  EXPECT_TRUE(read_raster(page(1, 8, 3, 8, {{1, 2, 3}})).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstReadTIFF::create()"}}));
  rst_register_color_creators();
}

// The step's create with its n-th allocation failing.
int64_t step_fault = 0;
RstRead* failing_lut(RstRead* source, const void* table) {
  RstAllocFault::fail_nth(step_fault);
  RstRead* made = RstTransformColorLUT::create(source, table, nullptr);
  RstAllocFault::clear();
  return made;
}

TEST_F(TiffLab, FailedStepEndsThePageWithoutLeak) {
  std::vector<uint8_t> file = page(2, 8, 3, 8, {{200, 0xF0, 0x10, 0, 0x80, 0x7F}});
  rst_format_creators().transform_color_lut = &failing_lut;
  bool made = false;
  for (step_fault = 1; step_fault < 64 && !made; ++step_fault) {
    SCOPED_TRACE(step_fault);
    status.clear();
    Rows rows = read_raster(file);
    made = !rows.empty();
    if (made) {
      EXPECT_EQ(rows, (Rows{{200, 0x70, 0x90, 0, 0x00, 0xFF}}));
    } else {
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
    }
  }
  EXPECT_TRUE(made);
  EXPECT_GT(step_fault, 2);
  rst_register_color_creators();
}

// A Lab page written by ImageMagick: a and b are libtiff's raw bytes + 128.
TEST_F(TiffLab, ImageMagickPagesReadAsIccLab) {
  std::string dir = temp_dir();
  std::string ppm = dir + "/in.ppm", tif8 = dir + "/lab8.tif", tif16 = dir + "/lab16.tif";
  std::string cmd = "/usr/bin/convert -size 16x4 gradient:red-blue " + ppm;
  ASSERT_TRUE(run(cmd));
  ASSERT_TRUE(run("/usr/bin/convert " + ppm + " -colorspace Lab -depth 8 -compress none " + tif8));
  ASSERT_TRUE(run("/usr/bin/convert " + ppm + " -colorspace Lab -depth 16 -compress none " + tif16));
  // libtiff's raw bytes.
  Rows raw;
  TIFF* tif = TIFFOpen(tif8.c_str(), "r");
  ASSERT_NE(tif, nullptr);
  uint32_t width = 0, length = 0;
  uint16_t photometric = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  EXPECT_EQ(photometric, PHOTOMETRIC_CIELAB);
  std::vector<uint8_t> line(size_t(TIFFScanlineSize(tif)));
  for (uint32_t y = 0; y < length; ++y) {
    ASSERT_EQ(TIFFReadScanline(tif, line.data(), y, 0), 1);
    raw.push_back(line);
  }
  TIFFClose(tif);
  for (auto& r : raw)
    for (size_t i = 0; i < r.size(); ++i)
      if (i % 3 != 0) r[i] = uint8_t(r[i] + 128);
  RstHeader h;
  EXPECT_EQ(read_raster(file_bytes(tif8), &h), raw);
  EXPECT_EQ(h.color_type, RstColorType::icc_lab());
  EXPECT_EQ(uint32_t(h.width), width);
  EXPECT_TRUE(status.errors().empty());
  // 16-bit Lab has no path: refused, nothing left behind.
  EXPECT_TRUE(read_raster(file_bytes(tif16)).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstReadTIFF::create()"}}));
  status.clear();
  // The harness names the failure and exits 2.
  std::string out = dir + "/out.txt";
  int rc = std::system((harness_path() + " " + tif16 + " 1 " + dir + "/o.pnm > " + out + " 2>&1").c_str());
  EXPECT_EQ(WEXITSTATUS(rc), 2);
  std::vector<uint8_t> said = file_bytes(out);
  std::string text(said.begin(), said.end());
  EXPECT_NE(text.find("error -50: RstReadTIFF::create()"), std::string::npos) << text;
  for (const std::string& f : {ppm, tif8, tif16, out}) std::remove(f.c_str());
  rmdir(dir.c_str());
}

TEST_F(TiffLab, DecodeValuesAreReencodedToTheDefaultRange) {
  Rows lab{{100, 0, 10, 100, 60, 20, 100, 128, 30, 100, 200, 40, 100, 255, 50}};
  struct Case {
    const char* name;
    std::vector<int32_t> values;
    Rows out;
  } cases[] = {
      {"the default range: unchanged", {0, 1, 100, 1, -85, 1, 85, 1, -75, 1, 125, 1}, lab},
      {"a from -100 to 100",
       {0, 1, 100, 1, -100, 1, 100, 1, -75, 1, 125, 1},
       {{100, 0, 10, 100, 48, 20, 100, 128, 30, 100, 213, 40, 100, 255, 50}}},
      {"a zero denominator counts as absent", {0, 1, 100, 1, -100, 0, 100, 1, -75, 1, 125, 1}, lab},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(read_raster(page(5, 8, 3, 8, {{100, 128, 138, 100, 188, 148, 100, 0, 158, 100, 72, 168, 100, 127, 178}},
                               {decode(c.values)})),
              c.out);
    EXPECT_TRUE(status.errors().empty());
    status.clear();
  }
  // The default range gives the page reader itself.
  std::vector<uint8_t> file = page(1, 8, 3, 8, {{1, 2, 3}}, {decode({0, 1, 100, 1, -85, 1, 85, 1, -75, 1, 125, 1})});
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadRaster::create(&in, 1));
  ASSERT_TRUE(node);
  ByteArrayInputStorage again(file.data(), int32_t(file.size()));
  RstOwner<RstRead> plain(RstReadTIFF::create(&again, nullptr, false));
  EXPECT_EQ(typeid(*node.get()), typeid(*plain.get()));
  // An L* page of (0 50): 255 is L* 50, encoded 128; 100 is L* 19.6.
  EXPECT_EQ(read_raster(page(2, 8, 1, 8, {{255, 100}}, {decode({0, 1, 50, 1})})), (Rows{{128, 50}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TiffLab, EmptyDecodeRangeIsRefusedAndTheReaderEnded) {
  std::vector<uint8_t> file = page(1, 8, 3, 8, {{1, 2, 3}}, {decode({0, 1, 100, 1, 50, 1, 50, 1, -75, 1, 125, 1})});
  EXPECT_TRUE(read_raster(file).empty());
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(),
            (RstReport{-2, "RstConvertColorRange::create()\nInput matrix must be inversible."}));
}

TEST_F(TiffLab, DecodeRangeOfTheHeader) {
  using Pair = RstDecodePair;
  auto pair = [](int32_t lo_n, int32_t lo_d, int32_t hi_n, int32_t hi_d) {
    return Pair{RstSRational{lo_n, lo_d}, RstSRational{hi_n, hi_d}};
  };
  struct Case {
    const char* name;
    uint16_t bits;
    uint16_t samples;
    std::vector<Pair> decode;
    uint32_t range[3];
    int32_t offset[3];
    int32_t result_bits;
  } cases[] = {
      {"none", 8, 3, {}, {100, 170, 200}, {0, 128, 96}, 8},
      {"a from -100 to 100", 8, 3, {pair(0, 1, 100, 1), pair(-100, 1, 100, 1)}, {100, 200, 200}, {0, 128, 96}, 8},
      {"zero denominator", 8, 3, {pair(0, 1, 100, 1), pair(-100, 0, 100, 1)}, {100, 170, 200}, {0, 128, 96}, 8},
      {"pairs beyond the samples",
       8,
       1,
       {pair(0, 1, 50, 1), pair(-1, 1, 1, 1), pair(-1, 1, 1, 1)},
       {50, 170, 200},
       {0, 128, 96},
       8},
      {"empty and reversed spans",
       8,
       3,
       {pair(0, 1, 100, 1), pair(50, 1, 50, 1), pair(10, 1, -10, 1)},
       {100, 0, 0},
       {0, 0, 0},
       8},
      {"an offset outside 32 bits", 8, 3, {pair(-2147483647 - 1, 1, -2147483647, 1)}, {0, 170, 200}, {0, 128, 96}, 8},
      {"16 bits", 16, 3, {pair(0, 1, 100, 1)}, {100, 170, 200}, {0, 32896, 24672}, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstTIFFFXHeader h(0x4949);
    h.bits_per_sample.assign(c.samples, c.bits);
    h.samples_per_pixel = c.samples;
    h.decode = c.decode;
    RstTIFFFXHeader::DecodeRange r = h.decode_range();
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(r.range[i], c.range[i]) << i;
      EXPECT_EQ(r.offset[i], c.offset[i]) << i;
    }
    EXPECT_EQ(r.bits, c.result_bits);
  }
}

}  // namespace
