// Predictor 2 undo: the row cases of 1-bit and 8-bit layouts, refusals, short
// rows, and a libtiff-written LZW page with the predictor read through the
// page chain.
#include <gtest/gtest.h>

#include "page_support.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_undiff_horizontal.h"

namespace {

RstHeader raw_header(int32_t width, int32_t height, int32_t bits, int32_t samples) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = samples;
  h.color_type = samples == 1 ? RstColorType::default_gray() : RstColorType::default_rgb();
  return h;
}

struct UndiffCase {
  const char* name;
  int32_t width, bits, samples;
  std::vector<uint8_t> stored, decoded;
};

class UndiffHorizontal : public PageTest {};

TEST_F(UndiffHorizontal, RowsDecodeAsDocumented) {
  const UndiffCase cases[] = {
      {"gray wraps modulo 256", 3, 8, 1, {10, 5, 251}, {10, 15, 10}},
      {"rgb adds per sample", 3, 8, 3, {10, 20, 30, 1, 1, 1, 255, 0, 2}, {10, 20, 30, 11, 21, 31, 10, 21, 33}},
      {"four samples", 2, 8, 4, {200, 100, 50, 0, 100, 200, 250, 1}, {200, 100, 50, 0, 44, 44, 44, 1}},
      {"one pixel unchanged", 1, 8, 3, {9, 8, 7}, {9, 8, 7}},
      {"1-bit parity across bytes", 16, 1, 1, {0x40, 0x01}, {0x7F, 0xFE}},
      {"1-bit first pixel set", 16, 1, 1, {0x80, 0x00}, {0xFF, 0xFF}},
      {"1-bit one pixel", 1, 1, 1, {0x80}, {0x80}},
  };
  for (const UndiffCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Two equal rows: nothing carries over from one row to the next.
    std::vector<uint8_t> data = c.stored;
    data.insert(data.end(), c.stored.begin(), c.stored.end());
    ByteArrayInputStorage in(data.data(), int32_t(data.size()));
    RstOwner<RstRead> node(
        RstReadRaw::create(&in, raw_header(c.width, 2, c.bits, c.samples), int32_t(c.stored.size()), false, false));
    ASSERT_TRUE(node);
    RstRead* undone = RstUndiffHorizontal::create(node.get());
    ASSERT_NE(undone, nullptr);
    node.release();
    node.attach(undone);
    Rows rows = read_lines(node.get());
    ASSERT_EQ(rows.size(), 2u);
    if (c.bits == 1 && c.width % 8) {
      rows[0].back() &= uint8_t(0xFF << (8 - c.width % 8));
      rows[1].back() &= uint8_t(0xFF << (8 - c.width % 8));
    }
    EXPECT_EQ(rows[0], c.decoded);
    EXPECT_EQ(rows[1], c.decoded);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(UndiffHorizontal, RefusesOtherLayouts) {
  struct Layout {
    int32_t bits, samples;
  };
  for (Layout l : {Layout{16, 1}, Layout{8, 2}, Layout{4, 1}, Layout{1, 3}}) {
    status.clear();
    std::vector<uint8_t> data(64, 0);
    ByteArrayInputStorage in(data.data(), int32_t(data.size()));
    RstOwner<RstRead> node(RstReadRaw::create(&in, raw_header(4, 1, l.bits, l.samples), 16, false, false));
    ASSERT_TRUE(node);
    EXPECT_EQ(RstUndiffHorizontal::create(node.get()), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstUndiffHorizontal::create()"}}));
  }
  status.clear();
  EXPECT_EQ(RstUndiffHorizontal::create(nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstUndiffHorizontal::create()"}}));
}

// A source whose rows come short.
class ShortRows : public RstRead {
 public:
  void header(RstHeader& h) override { h = raw_header(4, 2, 8, 1); }
  int read(uint8_t* line) override {
    line[0] = 1;
    return 2;
  }
  void reset() override {}
  int line_size() override { return 4; }
};

TEST_F(UndiffHorizontal, ShortSourceRowEndsThePage) {
  RstOwner<RstRead> node(new ShortRows);
  RstRead* undone = RstUndiffHorizontal::create(node.get());
  ASSERT_NE(undone, nullptr);
  node.release();
  node.attach(undone);
  uint8_t line[4] = {};
  EXPECT_EQ(node->read(line), 0);
}

TEST_F(UndiffHorizontal, PredictorPagesReadThroughThePageChain) {
  Rows gray = byte_rows(37, 20, 1);
  std::vector<uint8_t> bytes = libtiff_file([&](TIFF* tif) {
    page_tags(tif, 37, 20, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, 8);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, 2);
    write_rows(tif, gray);
  });
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  RstOwner<RstRead> page(RstReadRaster::create(&in, 1));
  ASSERT_TRUE(page);
  EXPECT_TRUE(read_lines(page.get()) == gray);

  // 16-bit samples with the predictor: refused, no page.
  std::vector<uint8_t> deep = libtiff_file([&](TIFF* tif) {
    page_tags(tif, 4, 2, 16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, 2);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, 2);
    write_rows(tif, Rows(2, std::vector<uint8_t>(8, 1)));
  });
  ByteArrayInputStorage deep_in(deep.data(), int32_t(deep.size()));
  status.clear();
  EXPECT_EQ(RstReadRaster::create(&deep_in, 1), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstUndiffHorizontal::create()"}}));
}

}  // namespace
