// Device font metrics: the parsed view of a metrics block and the width
// lookup through its four tables, on blocks the model writer lays out and on
// blocks cut or pointing past their end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics_driver/job_output/device_font_metrics.h"
#include "models/writer/ddd_writer.h"

namespace {

// The block as the width lookup sees it: from byte 6 of the record's data.
struct ParsedBlock {
  std::vector<uint8_t> raw;
  DeviceFontRecord font{};
  explicit ParsedBlock(const ddd::FontMetrics& m) : raw(ddd::BuildFontMetricsBlock(m)) {
    EXPECT_EQ(ParseDeviceFontBlock(raw.data() + 6, &font, uint32_t(raw.size() - 6)), 0);
  }
};

ddd::FontMetrics Swiss() {
  ddd::FontMetrics m;
  m.face = "Orvalis Sans";
  m.family = "Orvalis";
  m.id = "1a";
  m.first = 32;
  m.last = 40;
  m.widths = {250, 300, 350, 400, 450, 500, 550, 600, 650};
  return m;
}

TEST(DeviceFontMetrics, ParsesNamesIdAndStoredValues) {
  ddd::FontMetrics m = Swiss();
  ParsedBlock b(m);
  EXPECT_EQ(b.font.valid, 1);
  EXPECT_EQ(std::string(b.font.name1, b.font.name1Length), "Orvalis Sans");
  EXPECT_EQ(std::string(b.font.name2, b.font.name2Length), "Orvalis");
  EXPECT_EQ(b.font.id, 0x1A);
  EXPECT_EQ(b.font.first, 32);
  EXPECT_EQ(b.font.last, 40);
  EXPECT_NE(b.font.directOffset, 0);
  EXPECT_EQ(b.font.extOffset, 0);

  m.id = "1g";
  ParsedBlock bad(m);
  EXPECT_EQ(bad.font.id, 0xFFFF);  // a character that is no hexadecimal digit
}

TEST(DeviceFontMetrics, DirectTableOverFirstToLast) {
  ParsedBlock b(Swiss());
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 32), 250);
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 40), 650);
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 41), -1);  // no extended tables
  EXPECT_EQ(GetDeviceFontCharWidth(nullptr, 32), -1);
}

TEST(DeviceFontMetrics, CodeInsideTheRangeWithoutDirectTableTriesNoOtherTable) {
  ddd::FontMetrics m = Swiss();
  m.widths.clear();
  m.pairs = {{35, 777}};
  m.ranges = {{32, 40, 888}};
  ParsedBlock b(m);
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 35), -1);
}

TEST(DeviceFontMetrics, ExtendedTablesInTheirOrder) {
  ddd::FontMetrics m = Swiss();
  m.pairs = {{0x100, 510}, {0x120, 520}, {0x140, 0x8001}, {0x160, 540}};
  m.ranges = {{0x100, 0x1FF, 900}, {0x140, 0x140, 910}};
  m.arrays = {{0x300, {11, 12, 13, 14}}, {0x302, {99}}};
  ParsedBlock b(m);
  struct Case {
    uint32_t code;
    int32_t width;
  };
  const Case cases[] = {
      {0x100, 510},                              // the pair table before the range table
      {0x120, 520}, {0x160, 540}, {0x140, 900},  // a pair width with bit 15 counts as none: the first range
      {0x130, 900},                              // no pair
      {0x300, 11},  {0x303, 14},  {0x302, 13},   // the first array entry that holds the code
      {0x304, -1},  {0x20, 250},
  };
  for (const Case& c : cases) EXPECT_EQ(GetDeviceFontCharWidth(&b.font, c.code), c.width) << std::hex << c.code;
  EXPECT_EQ(GetRangeArrayWidth(&b.font, 0x301), 12);
  EXPECT_EQ(GetRangeArrayWidth(&b.font, 0x100), -1);
}

TEST(DeviceFontMetrics, OnePairTableFindsItsCode) {
  ddd::FontMetrics m = Swiss();
  m.pairs = {{0x2022, 350}};
  ParsedBlock b(m);
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 0x2022), 350);
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 0x2021), -1);
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 0x2023), -1);
}

TEST(DeviceFontMetrics, DirectTablePastTheBlockReadsZeroAndClearsValid) {
  ParsedBlock b(Swiss());
  // The direct table offset (block 57) moved past the end.
  const uint16_t past = uint16_t(b.raw.size());
  std::memcpy(b.raw.data() + 6 + 57, &past, 2);
  ASSERT_EQ(ParseDeviceFontBlock(b.raw.data() + 6, &b.font, uint32_t(b.raw.size() - 6)), 0);
  for (uint32_t code = 32; code <= 40; ++code) {
    EXPECT_EQ(GetDeviceFontCharWidth(&b.font, code), 0) << code;
    EXPECT_EQ(b.font.valid, 0);
  }
  // The next lookup starts valid again.
  EXPECT_EQ(GetDeviceFontCharWidth(&b.font, 50), -1);
  EXPECT_EQ(b.font.valid, 1);
}

TEST(DeviceFontMetrics, BoundedReads) {
  const uint8_t bytes[4] = {1, 2, 3, 4};
  DeviceFontRecord font{};
  font.block = bytes;
  font.blockSize = 4;
  font.valid = 1;
  EXPECT_EQ(ReadFontU16(&font, 2), 0x0403);
  EXPECT_EQ(font.valid, 1);
  EXPECT_EQ(ReadFontU16(&font, 3), 0);  // one byte inside, one past
  EXPECT_EQ(font.valid, 0);
  font.valid = 1;
  font.cursor = 2;
  EXPECT_EQ(ReadFontU16(&font, 2), 0);
  EXPECT_EQ(font.valid, 0);
  font.cursor = 0xFFFFFFFF;  // no wrap-around
  EXPECT_EQ(ReadFontU16(&font, 2), 0);
}

TEST(DeviceFontMetrics, MissingOrEmptyBlock) {
  DeviceFontRecord font{};
  const uint8_t byte = 0;
  EXPECT_EQ(ParseDeviceFontBlock(nullptr, &font, 10), -1);
  EXPECT_EQ(ParseDeviceFontBlock(&byte, nullptr, 1), -1);
  // A size of 0 is an empty block, never an unbounded one.
  EXPECT_EQ(ParseDeviceFontBlock(&byte, &font, 0), -1);
}

TEST(DeviceFontMetrics, NamesEndAtTheBlockEnd) {
  // The names offset (block 39) points at the last 5 bytes, which hold
  // "Sans!" without a terminator.
  std::vector<uint8_t> block(90, 0);
  const uint16_t names = 85;
  std::memcpy(block.data() + 39, &names, 2);
  std::memcpy(block.data() + 85, "Sans!", 5);
  std::vector<uint8_t> exact(block);  // ASan sees a read past the vector
  DeviceFontRecord font{};
  ASSERT_EQ(ParseDeviceFontBlock(exact.data(), &font, uint32_t(exact.size())), 0);
  EXPECT_EQ(std::string(font.name1, font.name1Length), "Sans!");
  EXPECT_EQ(font.name2, nullptr);
  EXPECT_EQ(font.name2Length, 0);
  // At or past the size: no names.
  const uint16_t past = 90;
  std::memcpy(exact.data() + 39, &past, 2);
  ASSERT_EQ(ParseDeviceFontBlock(exact.data(), &font, uint32_t(exact.size())), 0);
  EXPECT_EQ(font.name1, nullptr);
}

TEST(DeviceFontMetrics, StoredValues) {
  std::vector<uint8_t> block(90, 0);
  block[24] = 0x31;  // only bit 0 is kept
  const uint16_t v25 = 0xFFFE, height = 500, v53 = 0;
  std::memcpy(block.data() + 25, &v25, 2);
  std::memcpy(block.data() + 35, &height, 2);
  std::memcpy(block.data() + 53, &v53, 2);
  DeviceFontRecord font{};
  ASSERT_EQ(ParseDeviceFontBlock(block.data(), &font, uint32_t(block.size())), 0);
  EXPECT_EQ(font.flag, 1);
  EXPECT_EQ(font.value25, -2);
  EXPECT_EQ(font.value53, 81);  // 0 stands for 81
  EXPECT_EQ(font.height, 500);
}

}  // namespace
