// Line readers and writers against files made by ImageMagick and libtiff's
// tools in the test run: a 24-bit bottom-up BMP read and written back byte for
// byte, and a FillOrder 2 TIFF strip read with the bit-reverse flag.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "lines_test_nodes.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_node_handle.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_write_raw.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

using namespace lines_test;

namespace {

class LinesRealData : public RstStatusTest {
 protected:
  void SetUp() override {
    for (const char* tool : {"/usr/bin/convert", "/usr/bin/tiffcp"})
      if (!std::filesystem::exists(tool)) GTEST_SKIP() << tool << " is missing (scripts/deps.sh installs it)";
  }
  // Runs a command line; true when it succeeded.
  static bool run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }
  storage_test::TempDir dir;
};

uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Offset and byte count of the single strip of a little-endian TIFF's first
// page (what tiffcp writes on this machine).
struct Strip {
  uint32_t offset = 0, bytes = 0;
};
Strip single_strip(const Bytes& tiff) {
  Strip s;
  if (tiff.size() < 8 || tiff[0] != 'I') return s;
  size_t ifd = le32(tiff, 4);
  size_t entries = tiff[ifd] | tiff[ifd + 1] << 8;
  for (size_t i = 0; i < entries; ++i) {
    size_t e = ifd + 2 + 12 * i;
    int tag = tiff[e] | tiff[e + 1] << 8, type = tiff[e + 2] | tiff[e + 3] << 8;
    uint32_t value = type == 3 ? static_cast<uint32_t>(tiff[e + 8] | tiff[e + 9] << 8) : le32(tiff, e + 8);
    if (tag == 273) s.offset = value;
    if (tag == 279) s.bytes = value;
  }
  return s;
}

uint8_t mirror(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r |= static_cast<uint8_t>(((b >> i) & 1) << (7 - i));
  return r;
}

}  // namespace

TEST_F(LinesRealData, BottomUpBmpReadsAsImageMagickSeesItAndWritesBackUnchanged) {
  std::string head = "P6\n7 5\n255\n";
  Bytes ppm(head.begin(), head.end());
  std::mt19937 random(7);
  for (int i = 0; i < 7 * 5 * 3; ++i) ppm.push_back(static_cast<uint8_t>(random()));
  std::string source = dir.write("g.ppm", ppm), bmp = dir.file("g.bmp"), bgr = dir.file("g.bgr");
  ASSERT_TRUE(run("/usr/bin/convert " + source + " -type TrueColor BMP3:" + bmp));
  ASSERT_TRUE(run("/usr/bin/convert " + bmp + " -depth 8 bgr:" + bgr));
  Bytes file = storage_test::read_file(bmp), pixels = storage_test::read_file(bgr);
  ASSERT_GE(file.size(), 54u);
  const uint32_t offset = le32(file, 10);
  ASSERT_EQ(le32(file, 18), 7u);
  ASSERT_EQ(le32(file, 22), 5u);  // positive height: stored bottom-up
  ASSERT_EQ(file[28], 24);
  ASSERT_EQ(file.size(), offset + 5 * 24u);
  ASSERT_EQ(pixels.size(), 5 * 21u);
  // ImageMagick pads every stored row with zeros.
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(Bytes(file.begin() + offset + k * 24 + 21, file.begin() + offset + (k + 1) * 24), Bytes(3, 0));

  FileInputStorage in;
  ASSERT_TRUE(in.open(bmp));
  ASSERT_EQ(in.seek(static_cast<int32_t>(offset)), static_cast<int32_t>(offset));
  std::vector<Bytes> lines;
  {
    RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&in, raw_header(7, 5, 8, 3), 24, true, false));
    ASSERT_TRUE(reader);
    lines = pull(reader.get());
  }
  ASSERT_EQ(lines.size(), 5u);
  for (size_t y = 0; y < 5; ++y)
    EXPECT_EQ(lines[y], Bytes(pixels.begin() + y * 21, pixels.begin() + (y + 1) * 21)) << "line " << y;

  MemoryOutputStorage out;
  RstNodeHandle<RstWriteRaw> writer(
      RstWriteRaw::create(new LineSource(raw_header(7, 5, 8, 3), lines, nullptr), &out, 24, true, false));
  ASSERT_TRUE(writer);
  while (writer->write() != 0) {
  }
  writer.reset();
  std::unique_ptr<InputStorage> written(out.to_input_storage());
  Bytes got(static_cast<size_t>(written->size()));
  written->read(got.data(), static_cast<int32_t>(got.size()));
  EXPECT_EQ(got, Bytes(file.begin() + offset, file.end()));
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(LinesRealData, FillOrder2StripReadsWithTheBitReverseFlag) {
  const int32_t width = 37, height = 9, row = (width + 7) / 8;
  Bytes bits(static_cast<size_t>(row * height));
  std::mt19937 random(37);
  for (uint8_t& b : bits) b = static_cast<uint8_t>(random());
  std::string pbm = dir.write("p.pbm", [&] {
    std::string head = "P4\n37 9\n";
    Bytes b(head.begin(), head.end());
    b.insert(b.end(), bits.begin(), bits.end());
    return b;
  }());
  std::string page = dir.file("p.tif"), msb = dir.file("msb.tif"), lsb = dir.file("lsb.tif");
  ASSERT_TRUE(run("/usr/bin/convert " + pbm + " -compress none " + page));
  ASSERT_TRUE(run("/usr/bin/tiffcp -c none -r 100 " + page + " " + msb));
  ASSERT_TRUE(run("/usr/bin/tiffcp -c none -f lsb2msb -r 100 " + page + " " + lsb));

  auto read_strip = [&](const std::string& path, bool bit_reverse) {
    Bytes tiff = storage_test::read_file(path);
    Strip strip = single_strip(tiff);
    EXPECT_EQ(strip.bytes, static_cast<uint32_t>(row * height)) << path;
    FileInputStorage in;
    EXPECT_TRUE(in.open(path));
    in.seek(static_cast<int32_t>(strip.offset));
    RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&in, raw_header(width, height, 1), row, false, bit_reverse));
    EXPECT_TRUE(reader);
    std::vector<Bytes> lines = reader ? pull(reader.get()) : std::vector<Bytes>{};
    Bytes raw(tiff.begin() + strip.offset, tiff.begin() + strip.offset + strip.bytes);
    return std::make_pair(lines, raw);
  };
  auto [msb_lines, msb_raw] = read_strip(msb, false);
  auto [lsb_lines, lsb_raw] = read_strip(lsb, true);
  ASSERT_EQ(msb_lines.size(), static_cast<size_t>(height));
  // libtiff stores the FillOrder 2 strip with every byte mirrored.
  ASSERT_EQ(lsb_raw.size(), msb_raw.size());
  for (size_t i = 0; i < msb_raw.size(); ++i) ASSERT_EQ(lsb_raw[i], mirror(msb_raw[i])) << i;
  ASSERT_NE(lsb_raw, msb_raw);
  EXPECT_EQ(lsb_lines, msb_lines);
}
