// Dropping extra samples: packed and whole-byte layouts keep each pixel's
// first samples in order; layouts with nothing to drop are refused.
#include <gtest/gtest.h>

#include "page_support.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw.h"
#include "raster/formats/rst_drop_extra_samples.h"

namespace {

RstHeader raw_header(int32_t width, int32_t bits, int32_t samples) {
  RstHeader h;
  h.width = width;
  h.height = 1;
  h.bits_per_sample = bits;
  h.samples_per_pixel = samples;
  h.color_type = samples <= 2 ? RstColorType::default_gray() : RstColorType::default_rgb();
  return h;
}

class DropExtraSamples : public PageTest {};

TEST_F(DropExtraSamples, KeepsEachPixelsFirstSamples) {
  struct Case {
    const char* name;
    int32_t width, bits, samples, keep;
    std::vector<uint8_t> stored, kept;
  } cases[] = {
      {"RGBA 8 bits", 2, 8, 4, 3, {1, 2, 3, 128, 4, 5, 6, 128}, {1, 2, 3, 4, 5, 6}},
      {"RGBA 16 bits", 1, 16, 4, 3, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6}},
      {"gray and alpha, 4 bits", 3, 4, 2, 1, {0x1F, 0x2F, 0x3F}, {0x12, 0x30}},
      {"gray and alpha, 1 bit", 5, 1, 2, 1, {0b10110011, 0b01000000}, {0b11010000}},
      {"CMYK and alpha", 1, 8, 5, 4, {9, 8, 7, 6, 255}, {9, 8, 7, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteArrayInputStorage in(c.stored.data(), int32_t(c.stored.size()));
    RstOwner<RstRead> node(
        RstReadRaw::create(&in, raw_header(c.width, c.bits, c.samples), int32_t(c.stored.size()), false, false));
    ASSERT_TRUE(node);
    RstRead* kept = RstDropExtraSamples::create(node.get(), c.keep);
    ASSERT_NE(kept, nullptr);
    node.release();
    node.attach(kept);
    EXPECT_EQ(RstHeader(node.get()).samples_per_pixel, c.keep);
    EXPECT_EQ(node->line_size(), int(c.kept.size()));
    Rows rows = read_lines(node.get());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], c.kept);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(DropExtraSamples, RefusesLayoutsWithNothingToDrop) {
  std::vector<uint8_t> data(16, 0);
  for (int32_t keep : {0, 3, 4}) {
    status.clear();
    ByteArrayInputStorage in(data.data(), int32_t(data.size()));
    RstOwner<RstRead> node(RstReadRaw::create(&in, raw_header(2, 8, 3), 6, false, false));
    ASSERT_TRUE(node);
    EXPECT_EQ(RstDropExtraSamples::create(node.get(), keep), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstDropExtraSamples::create()"}}));
  }
  status.clear();
  EXPECT_EQ(RstDropExtraSamples::create(nullptr, 1), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstDropExtraSamples::create()"}}));
}

}  // namespace
