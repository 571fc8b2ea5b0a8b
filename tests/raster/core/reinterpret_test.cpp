// Relabelling a node's lines under another header.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_reinterpret.h"
#include "tests/raster/core/rst_status_recorder.h"

namespace {

RstHeader header(int32_t width, int32_t height, int32_t bits, int32_t samples) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = samples;
  return h;
}

class Reinterpret : public RstStatusTest {};

TEST_F(Reinterpret, SameBytesUnderTheNewHeader) {
  // 100 one-bit pixels fill 13 bytes, as 13 eight-bit pixels do.
  std::vector<uint8_t> bytes(13 * 3);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 1);
  RstRead* raw = RstReadRawFromByteArray::create(bytes.data(), header(100, 3, 1, 1), 13, false, false);
  ASSERT_NE(raw, nullptr);
  RstHeader gray = header(13, 3, 8, 1);
  gray.color_type = RstColorType::s_gray();
  RstRead* node = RstReinterpret::create(raw, gray);
  ASSERT_NE(node, nullptr);
  RstHeader got(node);
  EXPECT_EQ(got.width, 13);
  EXPECT_EQ(got.bits_per_sample, 8);
  EXPECT_EQ(got.color_type, RstColorType::s_gray());
  EXPECT_EQ(node->line_size(), 13);
  std::vector<uint8_t> line(13), all;
  while (node->read(line.data()) > 0) all.insert(all.end(), line.begin(), line.end());
  EXPECT_EQ(all, bytes);
  // Skip and reset are the source's.
  node->reset();
  EXPECT_EQ(node->skip(2), 2);
  ASSERT_GT(node->read(line.data()), 0);
  EXPECT_EQ(std::vector<uint8_t>(line.begin(), line.end()), std::vector<uint8_t>(bytes.begin() + 26, bytes.end()));
  EXPECT_TRUE(status.errors().empty());
  node->end();
}

TEST_F(Reinterpret, RefusesAnotherLayout) {
  std::vector<uint8_t> bytes(13 * 3);
  struct Case {
    const char* name;
    RstHeader target;
  } cases[] = {
      {"one byte short", header(12, 3, 8, 1)},
      {"another height", header(13, 4, 8, 1)},
      {"a wider sample count", header(13, 3, 8, 3)},
      {"a width that wraps 32 bits", header(0x40000000, 3, 8, 8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    RstRead* raw = RstReadRawFromByteArray::create(bytes.data(), header(100, 3, 1, 1), 13, false, false);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(RstReinterpret::create(raw, c.target), nullptr);
    EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, "RstReinterpret::create()"}}));
    // The source is still the caller's and still reads.
    std::vector<uint8_t> line(13);
    EXPECT_GT(raw->read(line.data()), 0);
    raw->end();
  }
  RstStatusRecorder local;
  EXPECT_EQ(RstReinterpret::create(nullptr, header(1, 1, 8, 1)), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, "RstReinterpret::create()"}}));
}

}  // namespace
