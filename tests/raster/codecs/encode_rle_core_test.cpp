// Packed rows to run lines: the converter's word, byte and bit paths against a
// naive bit loop, with the row left unchanged.
#include "raster/codecs/rst_encode_rle_core.h"

#include <random>

#include "run_line_support.h"

namespace {

void expect_converts(std::vector<uint8_t> row, int32_t width) {
  RstEncodeRLECore core(width);
  std::vector<int32_t> out(static_cast<size_t>(core.buffer_size() / 4) + 2, 0x5a5a5a5a);
  const std::vector<uint8_t> before = row;
  int32_t n = core.encode_line(row.data(), out.data());
  EXPECT_EQ(row, before) << "width " << width;
  EXPECT_TRUE(run_line_ok(out.data(), n, width)) << "width " << width;
  EXPECT_EQ(runs_of(out.data(), n), naive_runs(row.data(), width)) << "width " << width;
  EXPECT_EQ(out[static_cast<size_t>(core.buffer_size() / 4)], 0x5a5a5a5a) << "wrote past the bound";
}

TEST(EncodeRLECore, TableOfRows) {
  struct Case {
    const char* what;
    int32_t width;
    std::vector<uint8_t> row;
    Runs runs;
  };
  const Case cases[] = {
      {"width 8, last byte unmasked", 8, {0x81}, {{0, 0}, {7, 7}}},
      {"width 13, garbage after pixel 12", 13, {0x00, 0x0F}, {{12, 12}}},
      {"all clear", 40, std::vector<uint8_t>(5, 0x00), {}},
      {"all set", 40, std::vector<uint8_t>(5, 0xFF), {{0, 39}}},
      {"all set, tail bits masked", 37, std::vector<uint8_t>(5, 0xFF), {{0, 36}}},
      {"run across byte border", 16, {0x01, 0x80}, {{7, 8}}},
      {"run across word border", 64, {0, 0, 0, 0x03, 0xFF, 0xFF, 0xFF, 0xFF}, {{30, 63}}},
      {"run across word into tail", 48, {0, 0, 0, 0x01, 0xC0, 0}, {{31, 33}}},
      {"alternating", 9, {0xAA, 0x80}, {{0, 0}, {2, 2}, {4, 4}, {6, 6}, {8, 8}}},
      {"width 0 touches nothing", 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> row = c.row;
    RstEncodeRLECore core(c.width);
    std::vector<int32_t> out(static_cast<size_t>(core.buffer_size() / 4));
    int32_t n = core.encode_line(row.empty() ? nullptr : row.data(), out.data());
    EXPECT_EQ(row, c.row);
    EXPECT_EQ(runs_of(out.data(), n), c.runs);
    EXPECT_EQ(n, static_cast<int32_t>(8 * (c.runs.size() + 1)));
    expect_converts(c.row, c.width);
  }
}

TEST(EncodeRLECore, WidthsOneToTwentyFourThroughTheTail) {
  for (int32_t width = 1; width <= 24; ++width) {
    std::vector<uint8_t> alt((static_cast<size_t>(width) + 7) / 8, 0xAA);
    expect_converts(alt, width);
    std::vector<uint8_t> full((static_cast<size_t>(width) + 7) / 8, 0xFF);
    expect_converts(full, width);
    RstEncodeRLECore core(width);
    EXPECT_EQ(core.word_bits, 0);
    // Alternating pixels from column 0 fill the bound exactly.
    std::vector<int32_t> out(static_cast<size_t>(core.buffer_size() / 4));
    EXPECT_EQ(core.encode_line(alt.data(), out.data()), core.buffer_size());
  }
}

TEST(EncodeRLECore, RandomRowsMatchNaiveLoop) {
  std::mt19937 rng(11);
  std::vector<int32_t> widths;
  for (int32_t w = 0; w <= 70; ++w) widths.push_back(w);
  widths.push_back(1728);
  widths.push_back(4960);
  for (int32_t width : widths) {
    for (int k = 0; k < 6; ++k) {
      std::vector<uint8_t> row((static_cast<size_t>(width) + 7) / 8);
      // Mix random bytes with long clear and set stretches.
      for (auto& b : row) {
        uint32_t r = rng() % 4;
        b = r == 0 ? 0x00 : r == 1 ? 0xFF : static_cast<uint8_t>(rng());
      }
      expect_converts(row, width);
    }
  }
}

}  // namespace
