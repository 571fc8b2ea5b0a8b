// The strip chain of ordinary TIFF pages: one decoder per strip over that
// strip's bytes, byte counts as windows, FillOrder 2, skipping and reset
// across strips, the header the chain announces, and codings without decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "page_support.h"
#include "raster/codecs/rst_decode_ccitt.h"
#include "raster/core/bit_reverse.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/formats/rst_read_tiff_strips.h"

namespace {

struct HeaderRelease {
  void operator()(RstReadTIFFHeader* h) const { rst_release(h); }
};
using Header = std::unique_ptr<RstReadTIFFHeader, HeaderRelease>;

// A file in memory with its first page's header.
struct PageFile {
  explicit PageFile(std::vector<uint8_t> data)
      : bytes(std::move(data)),
        in(bytes.data(), int32_t(bytes.size())),
        header(RstReadTIFF::private_header(&in, 1, 3)) {}
  std::vector<uint8_t> bytes;
  ByteArrayInputStorage in;
  Header header;
};

// Every row of a node, each line filled with 0xEE before it is read, so that
// bytes a reader leaves alone show.
Rows read_marked(RstRead* node, size_t bytes) {
  Rows rows;
  std::vector<uint8_t> line(size_t(node->line_size()) + 16);
  for (int i = 0; i < 100000; ++i) {
    std::fill(line.begin(), line.end(), 0xEE);
    if (node->read(line.data()) == 0) break;
    rows.emplace_back(line.begin(), line.begin() + long(bytes));
  }
  return rows;
}

Rows slice(const Rows& rows, size_t from, size_t to) {
  return Rows(rows.begin() + long(from), rows.begin() + long(to));
}

class StripChain : public PageTest {};

TEST_F(StripChain, OneMMRDecoderPerStripOneAfterAnother) {
  Rows rows = bilevel_rows(64, 20);
  auto strips = coded_strips(64, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 8, rows);
  ASSERT_EQ(strips.size(), 3u);
  PageFile f(strip_file(page_entries(64, 20, 1, 1, 0, 4, 8), strips));
  ASSERT_TRUE(f.header);
  RstOwner<RstRead> page(RstReadTIFFOneIFD::create(&f.in, f.header.get()));
  ASSERT_TRUE(page);
  auto* chain = dynamic_cast<RstReadAndDecodeCodeTiles*>(page.get());
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(RstHeader(page.get()).data_form, RstDataForm::rle);
  // Each strip's decoder is an MMR decoder of that strip's rows, made when
  // its first row is read.
  std::vector<uint8_t> line(size_t(page->line_size()));
  const int32_t strip_rows[] = {8, 8, 4};
  for (int s = 0, y = 0; s < 3; ++s)
    for (int r = 0; r < strip_rows[s]; ++r, ++y) {
      ASSERT_GT(page->read(line.data()), 0) << y;
      RstRead* link = chain->current_link();
      ASSERT_NE(dynamic_cast<RstDecodeMMR*>(link), nullptr);
      EXPECT_EQ(RstHeader(link).height, strip_rows[s]);
    }
  EXPECT_EQ(page->read(line.data()), 0);

  // Painted through the page reader the rows are the page's.
  f.in.rewind();
  RstOwner<RstRead> painted(RstReadTIFF::create(&f.in, f.header.get(), false));
  ASSERT_TRUE(painted);
  EXPECT_TRUE(read_lines(painted.get(), 8) == rows);
  EXPECT_TRUE(status.errors().empty());
}

struct WindowCase {
  const char* name;
  uint16_t compression;  // libtiff's
  uint32_t tiff_compression;
  uint32_t bits, photometric;
};

// A byte count short of the strip's code: the strip's decoder never reaches
// its neighbour's bytes (which follow at once), so its last rows are lost,
// while the strips before it and after it read whole.
TEST_F(StripChain, ShortByteCountsNeverReachTheNeighbourStrip) {
  const WindowCase cases[] = {
      {"raw", COMPRESSION_NONE, 1, 8, 1},
      {"LZW", COMPRESSION_LZW, 5, 8, 1},
      {"PackBits", COMPRESSION_PACKBITS, 32773, 8, 1},
      {"MMR", COMPRESSION_CCITTFAX4, 4, 1, 0},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    uint32_t width = 64;
    Rows rows = c.bits == 1 ? bilevel_rows(width, 24) : byte_rows(width, 24, 1);
    auto strips = coded_strips(width, uint16_t(c.bits), 1, uint16_t(c.photometric), c.compression, 8, rows);
    ASSERT_EQ(strips.size(), 3u);
    std::vector<uint32_t> counts = {uint32_t(strips[0].size()), uint32_t(strips[1].size() / 2),
                                    uint32_t(strips[2].size())};
    PageFile f(strip_file(page_entries(width, 24, c.bits, 1, c.photometric, c.tiff_compression, 8), strips, counts));
    ASSERT_TRUE(f.header);
    RstOwner<RstRead> page(RstReadTIFF::create(&f.in, f.header.get(), false));
    ASSERT_TRUE(page);
    size_t row_bytes = c.bits == 1 ? width / 8 : width;
    Rows got = read_marked(page.get(), row_bytes);
    ASSERT_GE(got.size(), 8u);
    EXPECT_TRUE(slice(got, 0, 8) == slice(rows, 0, 8));
    size_t middle_end = std::min<size_t>(got.size(), 16);
    EXPECT_FALSE(slice(got, 8, middle_end) == slice(rows, 8, middle_end));
    if (got.size() == 24) {
      EXPECT_TRUE(slice(got, 16, 24) == slice(rows, 16, 24));
    }
  }
}

TEST_F(StripChain, ByteCountZeroReadsToTheEndOfTheInput) {
  for (uint32_t compression : {1u, 4u, 5u}) {
    SCOPED_TRACE(compression);
    bool bilevel = compression == 4;
    Rows rows = bilevel ? bilevel_rows(48, 16) : byte_rows(48, 16, 1);
    uint16_t lib = compression == 1 ? COMPRESSION_NONE : compression == 4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW;
    auto strips = coded_strips(48, bilevel ? 1 : 8, 1, bilevel ? 0 : 1, lib, 8, rows);
    ASSERT_EQ(strips.size(), 2u);
    PageFile f(strip_file(page_entries(48, 16, bilevel ? 1 : 8, 1, bilevel ? 0 : 1, compression, 8), strips,
                          {uint32_t(strips[0].size()), 0}));
    ASSERT_TRUE(f.header);
    RstOwner<RstRead> page(RstReadTIFF::create(&f.in, f.header.get(), false));
    ASSERT_TRUE(page);
    EXPECT_TRUE(read_lines(page.get(), bilevel ? 6 : 48) == rows);
  }
}

TEST_F(StripChain, FillOrderTwoReversesTheBitsOfEveryStripByte) {
  // Raw bytes are delivered bit-reversed.
  std::vector<uint8_t> stored = {0x01, 0x02, 0x80, 0xF0, 0x0F, 0x55};
  PageFile raw(strip_file(with(page_entries(16, 3, 1, 1, 0, 1, 3), {TiffEntry::shorts(266, {2})}), {stored}));
  ASSERT_TRUE(raw.header);
  RstOwner<RstRead> page(RstReadTIFF::create(&raw.in, raw.header.get(), false));
  ASSERT_TRUE(page);
  Rows expected = {{kBitReverseTable[0x01], kBitReverseTable[0x02]},
                   {kBitReverseTable[0x80], kBitReverseTable[0xF0]},
                   {kBitReverseTable[0x0F], kBitReverseTable[0x55]}};
  EXPECT_EQ(read_lines(page.get(), 2), expected);

  // Coded strips written least significant bit first by libtiff: the T.4
  // decoders see the code the right way round.
  Rows rows = bilevel_rows(40, 12);
  for (uint32_t t4 : {0u, 1u}) {
    SCOPED_TRACE(t4);
    std::vector<uint8_t> bytes = libtiff_file([&](TIFF* tif) {
      page_tags(tif, 40, 12, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3, 5);
      TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, t4);
      TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
      write_rows(tif, rows);
    });
    PageFile f(bytes);
    ASSERT_TRUE(f.header);
    EXPECT_EQ(f.header->fill_order, 2u);
    RstOwner<RstRead> fax(RstReadTIFF::create(&f.in, f.header.get(), false));
    ASSERT_TRUE(fax);
    EXPECT_TRUE(read_lines(fax.get(), 5) == rows);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(StripChain, SkipAndResetCrossStrips) {
  Rows rows = bilevel_rows(64, 20);
  auto strips = coded_strips(64, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 8, rows);
  PageFile f(strip_file(page_entries(64, 20, 1, 1, 0, 4, 8), strips));
  ASSERT_TRUE(f.header);
  RstOwner<RstRead> page(RstReadTIFF::create(&f.in, f.header.get(), false));
  ASSERT_TRUE(page);
  auto* chain = dynamic_cast<RstReadAndDecodeCodeTiles*>(page->source());
  ASSERT_NE(chain, nullptr);
  // Ten rows skipped over 8-row strips land in the second strip's decoder.
  EXPECT_EQ(page->skip(10), 10);
  std::vector<uint8_t> line(size_t(page->line_size()));
  ASSERT_GT(page->read(line.data()), 0);
  EXPECT_EQ(std::vector<uint8_t>(line.begin(), line.begin() + 8), rows[10]);
  EXPECT_EQ(RstHeader(chain->current_link()).height, 8);
  // Reset after half the page starts again with a fresh first-strip decoder.
  page->reset();
  EXPECT_TRUE(read_lines(page.get(), 8) == rows);
  // Skipping past the end stops at the last row.
  page->reset();
  EXPECT_EQ(page->skip(25), 20);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(StripChain, HeaderSaysWhatTheChainDelivers) {
  struct Case {
    uint32_t compression, t4_options;
    int32_t coding, delivered;
  } cases[] = {
      {1, 0, RstDataForm::raw, RstDataForm::raw},          {2, 0, RstDataForm::mh, RstDataForm::rle},
      {3, 0, RstDataForm::mh, RstDataForm::rle},           {3, 1, RstDataForm::mr, RstDataForm::rle},
      {4, 0, RstDataForm::mmr, RstDataForm::rle},          {5, 0, RstDataForm::lzw_2, RstDataForm::raw},
      {32773, 0, RstDataForm::packbits, RstDataForm::raw},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.compression);
    PageFile f(strip_file(with(page_entries(16, 2, 1, 1, 0, c.compression, 2), {TiffEntry::longs(292, {c.t4_options})}),
                          {std::vector<uint8_t>(8, 0)}));
    ASSERT_TRUE(f.header);
    EXPECT_EQ(f.header->rst_header_ptr()->data_form, c.coding);
    RstOwner<RstRead> chain(RstReadAndDecodeTIFFCode::create(&f.in, f.header.get()));
    ASSERT_TRUE(chain);
    EXPECT_EQ(RstHeader(chain.get()).data_form, c.delivered);
  }
}

TEST_F(StripChain, CodingWithoutDecoderHasNoStrip) {
  // A JPEG (7) or JBIG (9) strip that is no such stream is refused by its
  // decoder.
  const struct {
    uint32_t compression;
    int32_t code;
    const char* where;
  } cases[] = {{7, -12, "RstReadRasterTolvane::init()"}, {9, -12, "RstReadJBIGT85::create()"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.compression);
    status.clear();
    uint32_t photometric = c.compression == 7 ? 1 : 0;
    uint32_t bits = c.compression == 7 ? 8 : 1;
    PageFile f(strip_file(page_entries(16, 2, bits, 1, photometric, c.compression, 2), {std::vector<uint8_t>(32, 0)}));
    ASSERT_TRUE(f.header);
    RstOwner<RstRead> page(RstReadTIFFOneIFD::create(&f.in, f.header.get()));
    ASSERT_TRUE(page);
    EXPECT_EQ(RstHeader(page.get()).data_form, RstDataForm::raw);
    std::vector<uint8_t> line(64);
    EXPECT_EQ(page->read(line.data()), 0);
    EXPECT_TRUE(reported(c.code, c.where));
  }
}

}  // namespace
