// The line coder: the bits of its codes for hand-made rows, and a decoder
// written here from the same tables that must give every coded image back.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "graphics_driver/job_output/line_coder.h"
#include "graphics_driver/job_output/compression/line_decoder.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::BitsOf;
using pk::test::Bytes;
using pk::test::Code;
using pk::test::LineDecoder;

class LineCoderTest : public ::testing::Test {
 protected:
  void SetUp() override { blocks_ = pk::seams::GlobalLiveBlocks(); }
  void TearDown() override { EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks_); }
  SIZE_T blocks_ = 0;
};

TEST_F(LineCoderTest, ConstantRowStaysPendingUntilTheEnd) {
  LineCoder* c = CreateLineCoder(10, 1, 8);
  ASSERT_NE(c, nullptr);
  const Bytes row(10, 0);
  BYTE out[8];
  EXPECT_EQ(CodeLineCoderRow(c, row.data(), out, sizeof out), 0);
  ASSERT_EQ(FinishLineCoder(c, out, sizeof out), 2);
  EXPECT_EQ(out[0], 0x60);
  EXPECT_EQ(out[1], 0xFF);
}

// Rows of 8-bit pixels and the bits they code to (before the end code).
TEST_F(LineCoderTest, CodesFromTheTables) {
  struct Case {
    const char* what;
    Bytes row;
    std::string bits;
  };
  auto zeros = [](size_t n, BYTE last) {
    Bytes r(n, 0);
    r.push_back(last);
    return r;
  };
  const Case cases[] = {
      // A run of one (left), then a literal +1: symbol 10 at flag 0, 001.
      {"literal +1",
       {0, 1},
       "0"
       "00"
       "10"
       "001"},
      {"difference -3",
       {5, 2},
       "10"
       "100001"
       "10"
       "01111"},
      {"difference +20",
       {10, 30},
       "10"
       "1010010"
       "10"
       "110000100"},
      {"difference +130",
       {10, 140},
       "10"
       "1010010"
       "10"
       "11111101110"},
      {"difference +200",
       {10, 210},
       "10"
       "1010010"
       "10"
       "1110101000"},
      {"run 5", zeros(5, 7),
       "0"
       "1001"
       "10"
       "100011"},
      {"run 30", zeros(30, 7),
       "0"
       "111000100"
       "10"
       "100011"},
      {"run 700", zeros(700, 7),
       "0"
       "11111100000000011010"
       "10"
       "100011"},
      // One run of 17,057, then symbol 1 with length 1.
      {"run 17058", zeros(17058, 7),
       "0"
       "111111"
       "11111111111111"
       "0"
       "00"
       "10"
       "100011"},
  };
  for (const Case& k : cases) {
    const Bytes code = Code(k.row, uint32_t(k.row.size()), 1, 8);
    const std::string bits = BitsOf(code);
    EXPECT_EQ(bits.substr(0, k.bits.size()), k.bits) << k.what;
    EXPECT_EQ(bits.substr(k.bits.size(), 8), "11111111") << k.what;  // escape, 111
  }
}

TEST_F(LineCoderTest, EightLiteralsSwitchTheFlagAtTheRowEnd) {
  Bytes image = {1, 2, 3, 4, 5, 6, 7, 8, 9, 30, 31, 32, 33, 34, 35, 36};
  const std::string bits = BitsOf(Code(image, 8, 2, 8));
  std::string expected;
  for (int i = 0; i < 8; ++i)
    expected +=
        "10"
        "001";
  expected +=
      "11111"
      "0";  // escape and 0: the flag is 1
  expected +=
      "0"
      "1010001";  // a literal is now 0 (+9)
  EXPECT_EQ(bits.substr(0, expected.size()), expected);
}

TEST_F(LineCoderTest, RunMovesItsPredictionToTheFront) {
  LineCoder* c = CreateLineCoder(10, 2, 8);
  ASSERT_NE(c, nullptr);
  const Bytes first = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const Bytes second = {0, 1, 2, 3, 4, 5, 6, 7, 8, 42};  // above-left for nine pixels
  BYTE out[64];
  ASSERT_GE(CodeLineCoderRow(c, first.data(), out, sizeof out), 0);
  EXPECT_EQ(Bytes(c->list, c->list + 5), Bytes({1, 2, 3, 4, 5}));
  ASSERT_GE(CodeLineCoderRow(c, second.data(), out, sizeof out), 0);
  EXPECT_EQ(Bytes(c->list, c->list + 5), Bytes({3, 1, 2, 4, 5}));
  FinishLineCoder(c, out, sizeof out);
}

TEST_F(LineCoderTest, RefusesDepthsWidthsAndRowsBeyondTheLimit) {
  EXPECT_EQ(CreateLineCoder(100, 10, 16), nullptr);
  EXPECT_EQ(CreateLineCoder(100, 10, 1), nullptr);
  EXPECT_EQ(CreateLineCoder(0, 10, 8), nullptr);
  EXPECT_EQ(CreateLineCoder(16379, 1, 24), nullptr);
  EXPECT_EQ(CreateLineCoder(65516, 1, 8), nullptr);
  for (auto [width, bits] : {std::pair{16378u, 24u}, std::pair{16378u, 32u}, std::pair{65515u, 8u}}) {
    LineCoder* c = CreateLineCoder(width, 1, bits);
    ASSERT_NE(c, nullptr) << width;
    FinishLineCoder(c, nullptr, 0);
  }
  EXPECT_EQ(FinishLineCoder(nullptr, nullptr, 0), -1);
}

TEST_F(LineCoderTest, MoreRowsThanTheImageHasAreRefused) {
  LineCoder* c = CreateLineCoder(4, 1, 8);
  const Bytes row = {1, 2, 3, 4};
  BYTE out[64];
  ASSERT_GE(CodeLineCoderRow(c, row.data(), out, sizeof out), 0);
  EXPECT_EQ(CodeLineCoderRow(c, row.data(), out, sizeof out), -1);
  EXPECT_EQ(c->status, 0);
  EXPECT_GT(FinishLineCoder(c, out, sizeof out), 0);
}

Bytes MakeImage(const std::string& kind, uint32_t width, uint32_t height, uint32_t bpp, uint32_t seed) {
  Bytes image(size_t(width) * height * bpp);
  std::mt19937 random(seed);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      for (uint32_t k = 0; k < bpp; ++k) {
        BYTE& v = image[(size_t(y) * width + x) * bpp + k];
        if (kind == "random") v = BYTE(random());
        if (kind == "constant") v = BYTE(bpp == 1 ? 0 : 0xFF);
        if (kind == "striped") v = BYTE(((x / 3 + y / 2) % 2) ? 200 + k : 17 * k);
        if (kind == "photo") v = BYTE((x * 255 / width + y * 2 + k * 40 + random() % 5) & 0xFF);
      }
  return image;
}

TEST_F(LineCoderTest, DecoderGivesEveryImageBack) {
  for (uint32_t bits : {8u, 24u})
    for (const char* kind : {"random", "constant", "striped", "photo"})
      for (uint32_t width : {1u, 7u, 8u, 100u, 1001u}) {
        const uint32_t height = width == 1001 ? 40 : 13;  // constant 1,001 x 40 runs past 17,057
        const Bytes image = MakeImage(kind, width, height, bits / 8, width + bits);
        const Bytes code = Code(image, width, height, bits);
        Bytes decoded;
        EXPECT_TRUE(LineDecoder(code, width, height, bits).Decode(&decoded)) << kind << " " << width << " " << bits;
        EXPECT_EQ(decoded, image) << kind << " " << width << " " << bits;
        // The same bytes into exact capacities; one byte less for a row fails.
        LineCoder* c = CreateLineCoder(width, height, bits);
        LineCoder* d = CreateLineCoder(width, height, bits);
        const size_t rowSize = size_t(width) * bits / 8;
        Bytes again(code.size() + 8);
        size_t total = 0;
        bool failed = false;
        for (uint32_t y = 0; y < height; ++y) {
          BYTE probe[1 << 14];
          const int need = CodeLineCoderRow(d, image.data() + y * rowSize, probe, sizeof probe);
          ASSERT_GE(need, 0);
          const int n = CodeLineCoderRow(c, image.data() + y * rowSize, again.data() + total, uint32_t(need));
          ASSERT_EQ(n, need);
          total += size_t(n);
          if (!failed && need > 0) {
            // A fresh coder given one byte too few for this row fails.
            LineCoder* e = CreateLineCoder(width, height, bits);
            int r = 0;
            for (uint32_t z = 0; z <= y && r >= 0; ++z)
              r = CodeLineCoderRow(e, image.data() + z * rowSize, probe, z == y ? uint32_t(need - 1) : sizeof probe);
            EXPECT_EQ(r, -1);
            EXPECT_EQ(e->status, -4);
            EXPECT_EQ(CodeLineCoderRow(e, image.data(), probe, sizeof probe), -1);
            FinishLineCoder(e, probe, sizeof probe);
            failed = true;
          }
        }
        const int end = FinishLineCoder(c, again.data() + total, uint32_t(again.size() - total));
        ASSERT_GE(end, 0);
        again.resize(total + size_t(end));
        EXPECT_EQ(again, code);
        BYTE probe[64];
        FinishLineCoder(d, probe, sizeof probe);
      }
}

}  // namespace
