// Windows bitmap run-length decoding: runs, absolute runs, deltas, the end
// codes, clipping at the row end, broken code and reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "node_support.h"
#include "raster/codecs/rst_decode_win_rle.h"

namespace {

using Rows = std::vector<std::vector<uint8_t>>;

struct Result {
  Rows rows;
  size_t warnings = 0;
};

// The rows of codes decoded at the given width, height and bits; the codes
// come `chunk` bytes per source read.
Result decode(const std::vector<uint8_t>& code, int32_t bits, int32_t width, int32_t height, size_t chunk = 3) {
  ReportLog log;
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t i = 0; i < code.size(); i += chunk)
    chunks.emplace_back(code.begin() + long(i), code.begin() + long(std::min(code.size(), i + chunk)));
  auto* src = new ChunkSource(make_header(width, height, RstDataForm::windows_rle, bits), chunks, int(chunk));
  RstRead* node = bits == 8 ? RstDecodeWinRLE8::create(src) : RstDecodeWinRLE4::create(src);
  Result r;
  if (!node) {
    src->end();
    return r;
  }
  std::vector<uint8_t> line(size_t(node->line_size()) + 8, 0xEE);
  while (node->read(line.data()) > 0) r.rows.emplace_back(line.begin(), line.begin() + node->line_size());
  r.warnings = log.count(RstCode::recoverable_decode);
  node->end();
  return r;
}

TEST(WinRLE, RowsOfTheCodes) {
  struct Case {
    std::string name;
    int32_t bits, width, height;
    std::vector<uint8_t> code;
    Rows rows;
    size_t warnings;
  } cases[] = {
      {"rle8 runs", 8, 8, 1, {3, 4, 5, 6, 0, 0}, {{4, 4, 4, 6, 6, 6, 6, 6}}, 0},
      {"rle8 absolute with pad", 8, 3, 1, {0, 3, 1, 2, 3, 0, 0, 0}, {{1, 2, 3}}, 0},
      {"rle8 delta to next row", 8, 6, 2, {2, 7, 0, 2, 2, 1, 2, 9, 0, 0}, {{7, 7, 0, 0, 0, 0}, {0, 0, 0, 0, 9, 9}}, 0},
      {"rle8 delta over a row",
       8,
       6,
       3,
       {2, 7, 0, 2, 2, 2, 2, 9, 0, 0},
       {{7, 7, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 9, 9}},
       0},
      {"rle8 delta within the row", 8, 5, 1, {1, 3, 0, 2, 2, 0, 2, 4, 0, 0}, {{3, 0, 0, 4, 4}}, 0},
      {"rle8 end of bitmap: zero rows", 8, 3, 3, {3, 5, 0, 1, 3, 6, 0, 0}, {{5, 5, 5}, {0, 0, 0}, {0, 0, 0}}, 0},
      {"rle8 end of bitmap at the row end", 8, 2, 2, {2, 5, 0, 1}, {{5, 5}, {0, 0}}, 0},
      {"rle8 run of 200 on 5 pixels", 8, 5, 2, {200, 8, 0, 0, 5, 1, 0, 0}, {{8, 8, 8, 8, 8}, {1, 1, 1, 1, 1}}, 0},
      {"rle8 absolute past the row", 8, 2, 1, {0, 4, 1, 2, 3, 4, 0, 0}, {{1, 2}}, 0},
      {"rle8 delta past the row", 8, 2, 2, {0, 2, 200, 0, 0, 0, 2, 1, 0, 0}, {{0, 0}, {1, 1}}, 0},
      {"rle4 run", 4, 4, 1, {4, 0x12, 0, 0}, {{0x12, 0x12}}, 0},
      {"rle4 odd runs nibble by nibble", 4, 4, 1, {3, 0x12, 1, 0x30, 0, 0}, {{0x12, 0x13}}, 0},
      {"rle4 odd absolute run", 4, 5, 1, {0, 3, 0x12, 0x30, 2, 0x45, 0, 0}, {{0x12, 0x34, 0x50}}, 0},
      {"rle4 absolute with pad", 4, 6, 1, {0, 6, 0x12, 0x34, 0x56, 0, 0, 0}, {{0x12, 0x34, 0x56}}, 0},
      {"rle4 run of 200 on 5 pixels", 4, 5, 1, {200, 0xAB, 0, 0}, {{0xAB, 0xAB, 0xA0}}, 0},
      {"code ends inside a run", 8, 3, 3, {3, 1, 0, 0, 2}, {{1, 1, 1}, {0, 0, 0}, {0, 0, 0}}, 2},
      {"code ends inside an absolute run", 8, 4, 2, {0, 4, 1, 2}, {{1, 2, 0, 0}, {0, 0, 0, 0}}, 2},
      {"no end of line after a full row", 8, 2, 2, {2, 1, 2, 2}, {{1, 1}, {0, 0}}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t chunk : {size_t(1), size_t(3), size_t(64)}) {
      Result r = decode(c.code, c.bits, c.width, c.height, chunk);
      EXPECT_EQ(r.rows, c.rows);
      EXPECT_EQ(r.warnings, c.warnings);
    }
  }
}

TEST(WinRLE, ResetDecodesAgainFromTheStart) {
  ReportLog log;
  std::vector<uint8_t> code = {2, 5, 0, 0, 2, 6, 0, 0};
  auto* src = new ChunkSource(make_header(2, 2, RstDataForm::windows_rle, 8), {code}, int(code.size()));
  RstRead* node = RstDecodeWinRLE8::create(src);
  ASSERT_NE(node, nullptr);
  RstHeader h(node);
  EXPECT_EQ(h.data_form, RstDataForm::raw);
  uint8_t line[2];
  ASSERT_EQ(node->read(line), 2);
  EXPECT_EQ(line[0], 5);
  node->reset();
  for (uint8_t want : {5, 6}) {
    ASSERT_EQ(node->read(line), 2);
    EXPECT_EQ(line[1], want);
  }
  EXPECT_EQ(node->read(line), 0);
  node->end();
}

TEST(WinRLE, MissingSourceIsRefused) {
  ReportLog log;
  EXPECT_EQ(RstDecodeWinRLE8::create(nullptr), nullptr);
  EXPECT_EQ(RstDecodeWinRLE4::create(nullptr), nullptr);
  EXPECT_TRUE(log.has(RstCode::bad_argument, "RstDecodeWinRLE8::create()"));
  EXPECT_TRUE(log.has(RstCode::bad_argument, "RstDecodeWinRLE4::create()"));
}

}  // namespace
