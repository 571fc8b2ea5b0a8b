// The LZW stage on hand-made code streams and on streams of the test encoder:
// code widths, the KwKwK case, clear codes, the full table, line ranges,
// argument checks and damaged GIF framing; and the LZW reader node.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "lzw_support.h"
#include "node_support.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_lzw_decoder.h"
#include "raster/codecs/rst_read_lzw.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_alloc.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A stage over its own copy of the code, closed with the stream.
class Stage {
 public:
  Stage(const Bytes& code, int32_t first_line, int32_t count, int32_t height, int32_t line_bytes, int32_t min_bits,
        int32_t variant, int32_t lsb = 0)
      : code_(code.empty() ? Bytes{0} : code),
        storage_(code_.data(), static_cast<int32_t>(code.size())),
        stream_(rstCreateStreamByBrenvoldInputStorage(&storage_)),
        line_bytes_(line_bytes) {
    TolvaneImageInfo info = gray_info(line_bytes, height);
    stage_ = rst_lzw_create_decoder(stream_, first_line, count, &info, line_bytes, min_bits, variant, lsb);
  }
  ~Stage() {
    rst_close_instance(stage_);
    stream_->close();
  }
  RstInstanceTolvane* operator->() const { return stage_; }
  // The next line's status and bytes.
  int32_t line(Bytes& out) {
    out.assign(static_cast<size_t>(line_bytes_), 0xEE);
    return stage_->line(out.data());
  }
  // Where the stage left the stream.
  int32_t stream_position() { return stream_->tell(); }
  int32_t height() {
    TolvaneImageInfo info;
    stage_->info(&info);
    return info.height;
  }

 private:
  Bytes code_;
  ByteArrayInputStorage storage_;
  BrenvoldStream* stream_;
  RstInstanceTolvane* stage_;
  int32_t line_bytes_;
};

Bytes random_bytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng() % static_cast<uint32_t>(alphabet));
  return b;
}

// Decodes all lines of a stage over the code; the bytes of the lines that
// came whole, and the status of the first that did not.
struct Decoded {
  Bytes bytes;
  int lines = 0;
  int32_t stop = 1;
};

Decoded decode(const Bytes& code, int32_t height, int32_t line_bytes, int32_t min_bits, int32_t variant,
               int32_t lsb = 0) {
  Stage s(code, 0, height, height, line_bytes, min_bits, variant, lsb);
  Decoded d;
  Bytes line;
  for (int i = 0; i < height; ++i) {
    int32_t status = s.line(line);
    if (status != 1) {
      d.stop = status;
      break;
    }
    d.bytes.insert(d.bytes.end(), line.begin(), line.end());
    ++d.lines;
  }
  return d;
}

TEST(LzwStage, MinimumCodeSizeOneUsesThreeBitCodesAndKwKwK) {
  // clear 2, end 3, first width 3: 0, 1, then 4 = "0 1", then 6 = the
  // previous string "0 1" plus its own first byte: 0 1 0 1 0 1 0.
  CodePacker p(true);
  for (uint32_t code : {2u, 0u, 1u, 4u, 6u, 3u}) p.put(code, 3);
  Bytes code = gif_blocks(p.finish());
  Stage s(code, 0, 1, 1, 7, 1, RstLzwVariant::gif);
  ASSERT_EQ(s->status, 1);
  Bytes line;
  ASSERT_EQ(s.line(line), 1);
  EXPECT_EQ(line, (Bytes{0, 1, 0, 1, 0, 1, 0}));
}

TEST(LzwStage, KwKwKInWiderCodes) {
  // Minimum code size 2 (clear 4, end 5), TIFF bit order without early
  // change: 1, 6 = "1 1", 7 = "1 1 1".
  CodePacker p(false);
  for (uint32_t code : {4u, 1u, 6u, 7u, 5u}) p.put(code, 3);
  Decoded d = decode(p.finish(), 1, 6, 2, 0);
  EXPECT_EQ(d.lines, 1);
  EXPECT_EQ(d.bytes, (Bytes{1, 1, 1, 1, 1, 1}));
}

TEST(LzwStage, FirstCodeAfterAClearMustBeALiteral) {
  // Minimum code size 2: clear 4, end 5, next free 6; 7 right after the
  // clear names no string, nor does 6.
  for (uint32_t bad : {7u, 6u}) {
    CodePacker p(true);
    for (uint32_t code : {4u, 1u, 2u, 4u, bad, 1u, 5u}) p.put(code, 3);
    Stage s(gif_blocks(p.finish()), 0, 2, 2, 2, 2, RstLzwVariant::gif);
    Bytes line;
    EXPECT_EQ(s.line(line), 1);
    EXPECT_EQ(line, (Bytes{1, 2}));
    EXPECT_EQ(s.line(line), -3) << bad;
    EXPECT_EQ(s.line(line), -3);
  }
}

TEST(LzwStage, CodeBeyondTheNextFreeEndsTheData) {
  CodePacker p(false);
  for (uint32_t code : {4u, 1u, 7u, 5u}) p.put(code, 3);  // next free is 6 at code 7
  Decoded d = decode(p.finish(), 2, 1, 2, 0);
  EXPECT_EQ(d.lines, 1);
  EXPECT_EQ(d.stop, -3);
}

TEST(LzwStage, RoundTripsEveryVariantAndBitOrder) {
  const struct {
    int variant;
    int lsb;
    int min_bits;
    int alphabet;
  } cases[] = {
      {1, 0, 8, 256}, {1, 1, 8, 256}, {7, 0, 8, 256},  {7, 1, 2, 4}, {7, 0, 1, 2},
      {0, 0, 8, 256}, {0, 1, 4, 16},  {1, 0, 11, 256}, {7, 0, 8, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "variant " << c.variant << " lsb " << c.lsb << " bits " << c.min_bits);
    // Noise fills the table several times over; a small alphabet makes
    // long strings.
    Bytes data = random_bytes(64 * 700, 11u + static_cast<uint32_t>(c.min_bits), c.alphabet);
    LzwEncodeOptions o;
    o.min_bits = c.min_bits;
    o.variant = c.variant;
    o.lsb = c.lsb;
    Decoded d = decode(lzw_encode(data, o), 700, 64, c.min_bits, c.variant, c.lsb);
    EXPECT_EQ(d.lines, 700);
    EXPECT_TRUE(d.bytes == data);
  }
}

TEST(LzwStage, MidStreamClearRestartsTableAndWidth) {
  // Clear codes after 300 codes (width 10 by then) and after 2000 (width 12).
  Bytes data = random_bytes(32 * 400, 5);
  for (int after : {300, 2000, 1}) {
    for (int variant : {1, 7}) {
      LzwEncodeOptions o;
      o.variant = variant;
      o.clear_after = after;
      Decoded d = decode(lzw_encode(data, o), 400, 32, 8, variant);
      EXPECT_EQ(d.lines, 400) << after << " " << variant;
      EXPECT_TRUE(d.bytes == data);
    }
  }
}

TEST(LzwStage, FullTableWithoutAClearEndsTheData) {
  for (int variant : {1, 7, 0}) {
    SCOPED_TRACE(variant);
    Bytes data = random_bytes(100 * 100, 9);
    LzwEncodeOptions o;
    o.variant = variant;
    o.never_clear = true;
    Bytes code = lzw_encode(data, o);
    Decoded d = decode(code, 100, 100, 8, variant);
    // Noise adds about one entry per 1.1 bytes: the table is full well
    // before the end, and what came before it is exact.
    EXPECT_GT(d.lines, 20);
    EXPECT_LT(d.lines, 100);
    EXPECT_EQ(d.stop, -3);
    EXPECT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), data.begin()));

    // The reader node delivers every line, the missing ones with warnings.
    ReportLog log;
    ByteArrayInputStorage storage(code);
    RstHeader h = make_header(100, 100, RstDataForm::lzw, 8, 1);
    h.color_type = RstColorType::default_gray();
    if (variant == 0) continue;  // the node knows the TIFF and GIF forms only
    RstReadLZW23* node = RstReadLZW23::create(&storage, h, 100, 8, 0, variant == 1);
    ASSERT_NE(node, nullptr);
    Bytes line(100);
    int got = 0;
    while (node->read(line.data()) == 100) ++got;
    EXPECT_EQ(got, 100);
    EXPECT_EQ(log.count(4), static_cast<size_t>(100 - d.lines));
    EXPECT_TRUE(log.has(4, "RstReadTolvane::read()"));
    node->end();
  }
}

TEST(LzwStage, LineRangeSkipsAndCuts) {
  Bytes data = random_bytes(100 * 12, 4);
  Bytes code = lzw_encode(data, LzwEncodeOptions{});
  {
    Stage s(code, 5, 3, 12, 100, 8, RstLzwVariant::tiff);
    EXPECT_EQ(s.height(), 3);
    Bytes line;
    for (int i = 5; i < 8; ++i) {
      ASSERT_EQ(s.line(line), 1);
      EXPECT_TRUE(std::equal(line.begin(), line.end(), data.begin() + 100 * i)) << i;
    }
  }
  {
    Stage s(code, 5, 0x7fffffff, 12, 100, 8, RstLzwVariant::tiff);
    EXPECT_EQ(s.height(), 7);  // cut at the last line
  }
  {
    Stage s(code, 40, 5, 12, 100, 8, RstLzwVariant::tiff);
    EXPECT_EQ(s.height(), 1);  // the last line only
    Bytes line;
    ASSERT_EQ(s.line(line), 1);
    EXPECT_TRUE(std::equal(line.begin(), line.end(), data.begin() + 1100));
  }
  {
    // Line bytes that split strings: what the skip leaves goes to the line.
    Stage s(code, 3, 2, 400, 3, 8, RstLzwVariant::tiff);
    Bytes line;
    ASSERT_EQ(s.line(line), 1);
    EXPECT_TRUE(std::equal(line.begin(), line.end(), data.begin() + 9));
  }
}

TEST(LzwStage, BadArgumentsGiveErrorInstances) {
  Bytes code = lzw_encode(random_bytes(64, 1), LzwEncodeOptions{});
  const struct {
    int32_t first, count, height, line_bytes, min_bits;
  } cases[] = {
      {-1, 1, 4, 16, 8}, {0, 0, 4, 16, 8}, {0, -5, 4, 16, 8}, {0, 1, 0, 16, 8},
      {0, 1, 4, 0, 8},   {0, 1, 4, -1, 8}, {0, 1, 4, 16, 12}, {0, 1, 4, 16, 0},
  };
  for (const auto& c : cases) {
    Stage s(code, c.first, c.count, c.height, c.line_bytes, c.min_bits, RstLzwVariant::tiff);
    EXPECT_EQ(s->status, -2);
    Bytes line(16);
    EXPECT_EQ(s->line(line.data()), -2);
  }
  TolvaneImageInfo info = gray_info(16, 4);
  RstInstanceTolvane* none = rst_lzw_create_decoder(nullptr, 0, 1, &info, 16, 8, 1, 0);
  EXPECT_EQ(none->status, -2);
  rst_close_instance(none);
  // Eleven bits is the widest start that leaves the table room.
  Stage wide(code, 0, 1, 4, 16, 11, RstLzwVariant::tiff);
  EXPECT_EQ(wide->status, 1);
}

TEST(LzwStage, MissingMemoryGivesErrorInstances) {
  Bytes code = lzw_encode(random_bytes(64, 1), LzwEncodeOptions{});
  for (int nth : {1, 2}) {             // the context, then the output stack
    RstAllocFault::fail_nth(nth + 1);  // after the stream
    Stage s(code, 0, 1, 4, 16, 8, RstLzwVariant::tiff);
    RstAllocFault::clear();
    EXPECT_EQ(s->status, -1) << nth;
  }
}

TEST(LzwStage, DamagedGifFramingEndsCleanly) {
  Bytes data = random_bytes(50 * 20, 8);
  LzwEncodeOptions o;
  o.variant = 7;
  Bytes code = lzw_encode(data, o);
  ASSERT_GT(code.size(), 600u);
  // Cut inside the second sub-block.
  Bytes cut(code.begin(), code.begin() + 300);
  Decoded d = decode(cut, 20, 50, 8, 7);
  EXPECT_EQ(d.stop, -3);
  EXPECT_GT(d.lines, 0);
  EXPECT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), data.begin()));
  // A zero-length sub-block early on.
  Bytes early = code;
  early[256] = 0;
  d = decode(early, 20, 50, 8, 7);
  EXPECT_EQ(d.stop, -3);
  EXPECT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), data.begin()));
  // A size byte that promises more than is there.
  Bytes promise(code.begin(), code.begin() + 257);
  promise.push_back(200);
  promise.insert(promise.end(), 10, 0x55);
  d = decode(promise, 20, 50, 8, 7);
  EXPECT_EQ(d.stop, -3);
  // No sub-block at all.
  d = decode(Bytes{}, 20, 50, 8, 7);
  EXPECT_EQ(d.lines, 0);
  EXPECT_EQ(d.stop, -3);
}

TEST(LzwStage, ReadsNoFurtherThanItsLinesNeed) {
  // A GIF frame's data is followed by the file's next block: a stage asked
  // for the first lines of a long image must not take sub-blocks beyond
  // the ones those lines need, however far ahead it decodes short lines.
  Bytes data = random_bytes(50 * 200, 4, 4);
  LzwEncodeOptions o;
  o.variant = 7;
  Bytes code = lzw_encode(data, o);
  ASSERT_GT(code.size(), 2000u);
  Stage s(code, 0, 2, 2, 50, 8, 7);
  Bytes line;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(s.line(line), 1);
    EXPECT_TRUE(std::equal(line.begin(), line.end(), data.begin() + 50 * i));
  }
  EXPECT_LE(s.stream_position(), 2 * 256);
}

TEST(LzwStage, EndOfStreamWithoutEndCodeEndsTheData) {
  Bytes data = random_bytes(40 * 10, 6);
  LzwEncodeOptions o;
  o.end_code = false;
  Bytes code = lzw_encode(data, o);
  Decoded d = decode(code, 11, 40, 8, 1);
  EXPECT_EQ(d.lines, 10);
  EXPECT_EQ(d.stop, -3);
  EXPECT_TRUE(d.bytes == data);
}

RstHeader lzw_header(int32_t width, int32_t height, int32_t form, int32_t bits, int32_t spp) {
  RstHeader h = make_header(width, height, form, bits, spp);
  h.color_type = spp == 3 ? RstColorType::default_rgb() : RstColorType::default_gray();
  return h;
}

TEST(LzwReader, CreateChecksArgumentsAndHeader) {
  ReportLog log;
  Bytes code = lzw_encode(random_bytes(30 * 4, 2), LzwEncodeOptions{});
  ByteArrayInputStorage storage(code);
  const struct {
    RstHeader h;
    int32_t line_bytes, code_size, lsb;
    int32_t status;
  } cases[] = {
      {lzw_header(10, 4, 11, 8, 3), 30, 8, 0, 1},
      {lzw_header(10, 4, 12, 8, 3), 30, 8, 0, 1},
      {lzw_header(10, 4, 12, 8, 3), 40, 8, 0, 1},  // longer lines are fine
      {lzw_header(10, 4, 5, 8, 3), 30, 8, 0, -3},  // the TIFF number is no data form here
      {lzw_header(10, 4, 0, 8, 3), 30, 8, 0, -3},
      {lzw_header(0, 4, 11, 8, 3), 30, 8, 0, -3},
      {lzw_header(10, 0, 11, 8, 3), 30, 8, 0, -3},
      {lzw_header(10, 4, 11, 0, 3), 30, 8, 0, -3},
      {lzw_header(10, 4, 11, 8, 0), 30, 8, 0, -3},
      {lzw_header(10, 4, 11, 8, 3), 29, 8, 0, -2},  // one short of the raw line
      {lzw_header(10, 4, 11, 8, 3), 0, 8, 0, -2},
      {lzw_header(10, 4, 11, 8, 3), 30, 9, 0, -2},
      {lzw_header(10, 4, 11, 8, 3), 30, 0, 0, -2},
      {lzw_header(10, 4, 11, 8, 3), 30, 8, 2, -2},
  };
  for (const auto& c : cases) {
    log.reports.clear();
    RstReadLZW23* node = RstReadLZW23::create(&storage, c.h, c.line_bytes, c.code_size, c.lsb, 1);
    if (c.status == 1) {
      ASSERT_NE(node, nullptr);
      EXPECT_TRUE(log.reports.empty());
      node->end();
    } else {
      EXPECT_EQ(node, nullptr);
      EXPECT_TRUE(log.has(c.status, "RstReadLZW23::create()")) << c.status;
    }
  }
  RstHeader no_type = lzw_header(10, 4, 11, 8, 3);
  no_type.color_type = nullptr;
  EXPECT_EQ(RstReadLZW23::create(&storage, no_type, 30, 8, 0, 1), nullptr);
  EXPECT_TRUE(log.has(-3, "RstReadLZW23::create()"));
  EXPECT_EQ(RstReadLZW23::create(nullptr, lzw_header(10, 4, 11, 8, 3), 30, 8, 0, 1), nullptr);
  EXPECT_TRUE(log.has(-2, "RstReadLZW23::create()"));
}

TEST(LzwReader, DecodesFromTheStoragePositionAndResets) {
  ReportLog log;
  Bytes data = random_bytes(30 * 6, 3);
  Bytes code = lzw_encode(data, LzwEncodeOptions{});
  Bytes file(17, 0xAA);  // something before the code
  file.insert(file.end(), code.begin(), code.end());
  ByteArrayInputStorage storage(file);
  storage.seek(17);
  RstHeader h = lzw_header(10, 6, 12, 8, 3);
  h.colormap.reset(new RstColormap(8, 3, 2));
  RstReadLZW23* node = RstReadLZW23::create(&storage, h, 32, 8, 0, 1);
  ASSERT_NE(node, nullptr);
  RstHeader out(node);
  EXPECT_EQ(out.data_form, 0);
  EXPECT_EQ(out.width, 10);
  EXPECT_EQ(out.height, 6);
  EXPECT_EQ(out.bits_per_sample, 8);
  EXPECT_EQ(out.samples_per_pixel, 3);
  EXPECT_EQ(out.color_type, RstColorType::default_rgb());
  EXPECT_EQ(out.colormap.get(), h.colormap.get());
  EXPECT_EQ(node->line_size(), 32);
  for (int pass = 0; pass < 2; ++pass) {
    Bytes got;
    Bytes line(32);
    while (node->read(line.data()) == 32) got.insert(got.end(), line.begin(), line.end());
    // Lines of 32 bytes over data laid out in 30: the stage fills each
    // line from the decoded bytes, the last one runs out.
    EXPECT_EQ(got.size(), 6u * 32);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 160, got.begin()));
    node->reset();
  }
  EXPECT_EQ(log.count(4), 2u);  // the last line of each pass ran out of data
  node->end();
}

}  // namespace
