// Run lines painted into raw bilevel lines: the run shapes, malformed lines
// that must stay inside the line, the protocol, and the ITU charts round
// tripped through the run-line encoder.
#include "raster/geometry/rst_decode_rle.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "line_source.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_recorder.h"

namespace {

Bytes decode_one(int32_t width, const Bytes& line) {
  Held<> node(RstDecodeRLE::create(rle_source(width, {line})));
  EXPECT_NE(node, nullptr);
  if (!node) return {};
  return first_line(node.get());
}

struct Case {
  const char* name;
  int32_t width;
  Pairs runs;
  Bytes expected;
};

class DecodeRLE : public RstStatusTest {};

TEST_F(DecodeRLE, PaintsRunsMostSignificantBitFirst) {
  const Case cases[] = {
      {"no runs", 20, {}, {0x00, 0x00, 0x00}},
      {"whole byte", 8, {{0, 7}}, {0xFF}},
      {"one pixel", 8, {{3, 3}}, {0x10}},
      {"across a byte edge", 16, {{6, 9}}, {0x03, 0xC0}},
      {"head, fill and tail", 24, {{5, 20}}, {0x07, 0xFF, 0xF8}},
      {"two runs in one byte", 8, {{0, 1}, {4, 5}}, {0xCC}},
      {"spare bits stay 0", 10, {{0, 9}}, {0xFF, 0xC0}},
      {"long fill", 40, {{0, 39}}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode_one(c.width, run_line(c.runs)), c.expected);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(DecodeRLE, MalformedRunsStayInsideTheLine) {
  const Case cases[] = {
      // A run past the width is cut at the last pixel; nothing after byte 2.
      {"last past the width", 20, {{18, 40}}, {0x00, 0x00, 0x30}},
      {"first past the width", 20, {{25, 30}}, {0x00, 0x00, 0x00}},
      // Overlapping runs keep each other's bits.
      {"overlap", 16, {{0, 14}, {2, 9}}, {0xFF, 0xFE}},
      // Runs out of order: a run behind the last one, and one reaching past it.
      {"run behind", 24, {{16, 20}, {0, 3}}, {0xF0, 0x00, 0xF8}},
      {"run reaching past", 24, {{8, 9}, {2, 20}}, {0x3F, 0xFF, 0xF8}},
      {"shared byte", 16, {{0, 3}, {6, 9}}, {0xF3, 0xC0}},
      {"negative first", 8, {{-5, 3}}, {0xF0}},
      {"reversed run", 16, {{9, 2}}, {0x00, 0x00}},
      {"huge negative", 16, {{INT32_MIN, -2}}, {0x00, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode_one(c.width, run_line(c.runs)), c.expected);
  }
  // A line without its ending pair: only the pairs delivered are walked,
  // even where the run buffer holds more from an earlier line.
  Held<> node(RstDecodeRLE::create(rle_source(16, {run_line({{0, 15}, {0, 15}}), run_line({{4, 7}}, false)})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0xFF, 0xFF}, {0x0F, 0x00}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(DecodeRLE, HeaderProtocolAndErrors) {
  auto* src = rle_source(13, {run_line({{0, 12}}), run_line({}), run_line({{1, 1}})});
  auto* lines = static_cast<LineSource*>(src);
  Held<> node(RstDecodeRLE::create(src));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.data_form, RstDataForm::raw);
  EXPECT_EQ(h.width, 13);
  EXPECT_EQ(h.height, 3);
  EXPECT_EQ(h.bits_per_sample, 1);
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.color_type, RstColorType::s_gray_reverse());
  EXPECT_EQ(node->line_size(), 2);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(lines->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0x00, 0x00}, {0x40, 0x00}}));
  node->reset();
  EXPECT_EQ(lines->resets, 1);
  EXPECT_EQ(first_line(node.get()), (Bytes{0xFF, 0xF8}));

  EXPECT_EQ(RstDecodeRLE::create(nullptr), nullptr);
  const RstHeader wrong[] = {image_header(8, 1, 1, 1), image_header(8, 1, 8, 1, nullptr, RstDataForm::rle),
                             image_header(8, 1, 1, 3, nullptr, RstDataForm::rle),
                             image_header(8, 1, 1, 1, nullptr, RstDataForm::mmr)};
  for (const RstHeader& wh : wrong) {
    auto* s = new LineSource(wh, {});
    EXPECT_EQ(RstDecodeRLE::create(s), nullptr);
    s->end();
  }
  std::vector<RstReport> expected{{-2, "RstDecodeRLE::create()"}};
  for (int i = 0; i < 4; ++i) expected.push_back({-3, "RstDecodeRLE::create()"});
  EXPECT_EQ(status.errors(), expected);
}

TEST_F(DecodeRLE, AllocationFailures) {
  std::vector<Bytes> lines{run_line({{0, 3}, {9, 20}}), run_line({})};
  check_allocation_failures([&] { return rle_source(21, lines); },
                            [](RstRead* s) { return static_cast<RstRead*>(RstDecodeRLE::create(s)); },
                            {{0xF0, 0x7F, 0xF8}, {0x00, 0x00, 0x00}}, {"RstDecodeRLE::initiate()", "rst_create_end()"});
}

// The eight ITU charts: packed rows -> run lines (the encoder) -> packed rows.
class ChartRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(ChartRoundTrip, DecodesWhatTheEncoderMade) {
  std::string n = std::to_string(GetParam());
  std::string pbm = ::testing::TempDir() + "decode_rle_ccitt" + n + ".pbm";
  ASSERT_EQ(std::system(("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + n + ".jbg " + pbm).c_str()), 0);
  std::ifstream f(pbm, std::ios::binary);
  std::string magic;
  int32_t width = 0, height = 0;
  f >> magic >> width >> height;
  f.get();
  ASSERT_EQ(magic, "P4");
  size_t stride = size_t(width + 7) / 8;
  Bytes page(stride * size_t(height));
  f.read(reinterpret_cast<char*>(page.data()), std::streamsize(page.size()));
  ASSERT_EQ(size_t(f.gcount()), page.size());
  std::remove(pbm.c_str());

  RstHeader h = image_header(width, height, 1, 1, RstColorType::s_gray_reverse());
  RstRead* raw = RstReadRawFromByteArray::create(page.data(), h, int32_t(stride), false, false);
  ASSERT_NE(raw, nullptr);
  RstRead* runs = RstEncodeRLE::create(raw);
  ASSERT_NE(runs, nullptr);
  Held<> node(RstDecodeRLE::create(runs));
  ASSERT_NE(node, nullptr);
  Bytes rows;
  for (const Bytes& line : pull(node.get())) rows.insert(rows.end(), line.begin(), line.end());
  EXPECT_EQ(rows.size(), page.size());
  EXPECT_TRUE(rows == page);
}

INSTANTIATE_TEST_SUITE_P(Charts, ChartRoundTrip, ::testing::Range(1, 9));

}  // namespace
