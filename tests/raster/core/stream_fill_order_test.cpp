// Real data: a 1-bit page copied by libtiff's tiffcp once in the usual bit
// order and once least significant bit first. Read through the bit-reversing
// decorator, the strips of the second copy equal those of the first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "raster/core/bit_reverse.h"
#include "raster/core/data_input.h"
#include "raster/core/data_output.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/nested_input_storage.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

namespace {

constexpr int32_t kWidth = 72, kHeight = 24, kRowsPerStrip = 10, kStride = kWidth / 8;

std::vector<uint8_t> page_bits() {
  std::vector<uint8_t> bits(kStride * kHeight);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(i * 37 + (i >> 3) * 11 + 1);
  return bits;
}

// Writes a little-endian uncompressed bilevel TIFF, most significant bit first.
void write_tiff(const std::string& path) {
  FileOutputStorage file;
  ASSERT_TRUE(file.open(path));
  DataOutput<> out(&file, 1);
  auto u16 = [&](uint16_t v) { ASSERT_TRUE(out.write_value(&v, 2)); };
  auto u32 = [&](uint32_t v) { ASSERT_TRUE(out.write_value(&v, 4)); };
  const int strips = (kHeight + kRowsPerStrip - 1) / kRowsPerStrip;
  const uint32_t data_at = 8, offsets_at = data_at + kStride * kHeight;
  const uint32_t counts_at = offsets_at + 4 * strips, ifd_at = counts_at + 4 * strips;
  ASSERT_EQ(out.write("II", 2), 2);
  u16(42);
  u32(ifd_at);
  std::vector<uint8_t> bits = page_bits();
  ASSERT_EQ(out.write(bits.data(), static_cast<int32_t>(bits.size())), static_cast<int32_t>(bits.size()));
  for (int s = 0; s < strips; ++s) u32(data_at + s * kRowsPerStrip * kStride);
  for (int s = 0; s < strips; ++s) u32(std::min(kRowsPerStrip, kHeight - s * kRowsPerStrip) * kStride);
  const struct {
    uint16_t tag, type;
    uint32_t count, value;
  } entries[] = {{256, 3, 1, kWidth},
                 {257, 3, 1, kHeight},
                 {258, 3, 1, 1},
                 {259, 3, 1, 1},
                 {262, 3, 1, 0},
                 {273, 4, uint32_t(strips), offsets_at},
                 {277, 3, 1, 1},
                 {278, 3, 1, kRowsPerStrip},
                 {279, 4, uint32_t(strips), counts_at}};
  u16(static_cast<uint16_t>(std::size(entries)));
  for (const auto& e : entries) {
    u16(e.tag);
    u16(e.type);
    u32(e.count);
    if (e.type == 3 && e.count == 1) {
      u16(static_cast<uint16_t>(e.value));
      u16(0);
    } else {
      u32(e.value);
    }
  }
  u32(0);
}

struct Strips {
  std::map<uint16_t, std::vector<uint32_t>> tags;
  std::vector<std::vector<uint8_t>> raw;  // one entry per strip, as stored
};

// Reads the first directory and every strip's stored bytes, optionally through
// the bit-reversing decorator.
Strips read_strips(const std::string& path, bool bit_reverse) {
  Strips out;
  FileInputStorage file;
  EXPECT_TRUE(file.open(path));
  char order[2];
  EXPECT_EQ(file.read(order, 2), 2);
  DataInput<> in(&file, order[0] == 'I' ? 1 : 0);
  uint16_t magic = 0, count = 0;
  uint32_t ifd = 0;
  EXPECT_TRUE(in.read_value(&magic, 2));
  EXPECT_EQ(magic, 42);
  EXPECT_TRUE(in.read_value(&ifd, 4));
  EXPECT_EQ(in.seek(static_cast<int32_t>(ifd)), static_cast<int32_t>(ifd));
  EXPECT_TRUE(in.read_value(&count, 2));
  for (int i = 0; i < count; ++i) {
    uint16_t tag = 0, type = 0;
    uint32_t n = 0;
    EXPECT_TRUE(in.read_value(&tag, 2));
    EXPECT_TRUE(in.read_value(&type, 2));
    EXPECT_TRUE(in.read_value(&n, 4));
    const int32_t size = type == 3 ? 2 : 4;
    int32_t next = in.tell() + 4;
    if ((type == 3 || type == 4) && n > 0 && n < 1000) {
      if (n * size > 4) {
        uint32_t at = 0;
        EXPECT_TRUE(in.read_value(&at, 4));
        in.seek(static_cast<int32_t>(at));
      }
      for (uint32_t k = 0; k < n; ++k) {
        uint32_t v = 0;
        EXPECT_TRUE(in.read_value(&v, size));
        out.tags[tag].push_back(v);
      }
    }
    in.seek(next);
  }
  const auto& offsets = out.tags[273];
  const auto& counts = out.tags[279];
  EXPECT_EQ(offsets.size(), counts.size());
  for (size_t s = 0; s < offsets.size() && s < counts.size(); ++s) {
    EXPECT_EQ(file.seek(static_cast<int32_t>(offsets[s])), static_cast<int32_t>(offsets[s]));
    NestedInputStorage strip(&file, static_cast<int32_t>(counts[s]));
    BitReverseInput<> mirrored(&strip);
    InputStorage& src = bit_reverse ? static_cast<InputStorage&>(mirrored) : strip;
    std::vector<uint8_t> bytes(counts[s]);
    EXPECT_EQ(src.read(bytes.data(), static_cast<int32_t>(bytes.size())), static_cast<int32_t>(bytes.size()));
    out.raw.push_back(bytes);
  }
  return out;
}

TEST(FillOrder, LeastSignificantBitFirstStripsReadBackThroughBitReversal) {
  if (std::system("command -v tiffcp >/dev/null 2>&1") != 0) GTEST_SKIP() << "tiffcp (libtiff-tools) is not installed";
  RstStatusRecorder status;
  storage_test::TempDir dir;
  std::string page = dir.file("page.tif"), msb = dir.file("msb.tif"), lsb = dir.file("lsb.tif");
  write_tiff(page);
  ASSERT_EQ(std::system(("tiffcp -c none '" + page + "' '" + msb + "'").c_str()), 0);
  ASSERT_EQ(std::system(("tiffcp -c none -f lsb2msb '" + page + "' '" + lsb + "'").c_str()), 0);

  Strips plain = read_strips(msb, false);
  Strips stored = read_strips(lsb, false);
  Strips mirrored = read_strips(lsb, true);
  ASSERT_FALSE(plain.raw.empty());
  EXPECT_EQ(stored.tags[266], std::vector<uint32_t>{2});  // FillOrder 2
  EXPECT_NE(plain.tags[266], std::vector<uint32_t>{2});
  // libtiff reversed the bits of every stored byte...
  EXPECT_NE(stored.raw, plain.raw);
  // ...and reading through the decorator undoes it.
  EXPECT_EQ(mirrored.raw, plain.raw);
  std::vector<uint8_t> joined;
  for (const auto& s : plain.raw) joined.insert(joined.end(), s.begin(), s.end());
  EXPECT_EQ(joined, page_bits());
  EXPECT_TRUE(status.messages().empty());
}

}  // namespace
