// The line coder: the bits of its codes for hand-made rows, and a decoder
// written here from the same tables that must give every coded image back.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "graphics_driver/job_output/line_coder.h"
#include "platform/win/win_seams.h"

namespace {

using Bytes = std::vector<BYTE>;

std::string BitsOf(const Bytes& bytes) {
  std::string s;
  for (BYTE b : bytes)
    for (int i = 7; i >= 0; --i) s += (b >> i) & 1 ? '1' : '0';
  return s;
}

// Codes the rows (each width * bytesPerPixel bytes) with room enough; the
// whole stream.
Bytes Code(const Bytes& image, uint32_t width, uint32_t height, uint32_t bits) {
  LineCoder* c = CreateLineCoder(width, height, bits);
  EXPECT_NE(c, nullptr);
  if (!c) return {};
  const size_t rowSize = size_t(width) * bits / 8;
  Bytes out(image.size() * 2 + 4096);
  size_t total = 0;
  for (uint32_t y = 0; y < height; ++y) {
    const int n = CodeLineCoderRow(c, image.data() + y * rowSize, out.data() + total, uint32_t(out.size() - total));
    EXPECT_GE(n, 0);
    total += size_t(n);
  }
  const int end = FinishLineCoder(c, out.data() + total, uint32_t(out.size() - total));
  EXPECT_GE(end, 0);
  out.resize(total + size_t(end));
  return out;
}

// The decoder, from the code tables alone.
class Decoder {
 public:
  Decoder(const Bytes& code, uint32_t width, uint32_t height, uint32_t bits)
      : code_(code), width_(width), height_(height), bpp_(bits / 8), step_(bits == 8 ? 1 : 4),
        fill_(bits == 8 ? 0x00 : 0xFF) {}

  // The image, or empty on a code that does not decode to the end code.
  bool Decode(Bytes* image) {
    const size_t rowBytes = size_t(width_) * step_;
    Bytes a(rowBytes + 20, fill_), b(rowBytes + 20, fill_);
    BYTE* prev = a.data() + 8;
    BYTE* cur = b.data() + 8;
    uint32_t runLeft = 0, runEntry = 0;
    for (uint32_t y = 0; y < height_; ++y) {
      for (uint32_t x = 0; x < width_; ++x) {
        while (runLeft == 0) {
          int s = Symbol();
          if (s < 0) return false;
          if (s == 6) {
            if (Bit() != 0) return false;  // the end code in the middle of the image
            flag_ ^= 1;
            continue;
          }
          if (s == 0) {
            BYTE* p = cur + int64_t(x) * step_;
            for (uint32_t k = 0; k < bpp_; ++k) {
              int d;
              if (!Difference(&d)) return false;
              p[k] = BYTE(p[int64_t(k) - int64_t(step_)] + d);
            }
            continuation_ = 0;
            goto next_pixel;
          }
          const uint32_t position = uint32_t(s) + continuation_;
          if (position < 1 || position > 5) return false;
          int length = RunLength();
          if (length <= 0) return false;
          runEntry = list_[position - 1];
          std::memmove(list_ + 1, list_, position - 1);
          list_[0] = BYTE(runEntry);
          continuation_ = uint32_t(length) % kLineCoderMaxRun != 0;
          runLeft = uint32_t(length);
        }
        Predict(cur, prev, x, runEntry);
        --runLeft;
      next_pixel:;
      }
      for (uint32_t x = 0; x < width_; ++x)
        for (uint32_t k = 0; k < bpp_; ++k) image->push_back(cur[x * step_ + k]);
      std::swap(prev, cur);
      prev[rowBytes] = fill_;
    }
    if (runLeft) return false;
    int s = Symbol();
    while (s == 6 && Peek() == 0) {
      Bit();
      flag_ ^= 1;
      s = Symbol();
    }
    if (s != 6 || Bit() != 1 || Bit() != 1 || Bit() != 1) return false;
    // Only 1 bits fill the last byte, and nothing follows it.
    while (pos_ % 8)
      if (Bit() != 1) return false;
    return pos_ == code_.size() * 8;
  }

 private:
  int Peek() const { return pos_ < code_.size() * 8 ? (code_[pos_ / 8] >> (7 - pos_ % 8)) & 1 : -1; }
  int Bit() {
    const int b = Peek();
    if (b >= 0) ++pos_;
    return b;
  }
  int Bits(int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
      const int b = Bit();
      if (b < 0) return -1;
      v = v << 1 | b;
    }
    return v;
  }
  int Symbol() {
    const int b0 = Bit();
    if (b0 == 0) return flag_ ? 0 : 1;
    const int b1 = Bit();
    if (b1 == 0) return flag_ ? 1 : 0;
    if (b1 < 0) return -1;
    if (Bit() == 0) return 2;
    const int rest = Bits(2);
    return rest < 0 ? -1 : 3 + rest;
  }
  int RunLength() {
    struct Class {
      const char* prefix;
      int extra, base;
    };
    static const Class kClasses[] = {{"00", 0, 1},     {"010", 0, 2},      {"011", 0, 3},     {"100", 1, 4},
                                     {"101", 2, 6},    {"110", 4, 10},     {"111000", 3, 26}, {"111001", 3, 34},
                                     {"111010", 3, 42}, {"111011", 4, 50}, {"111100", 5, 66}, {"111101", 6, 98},
                                     {"111110", 9, 162}, {"111111", 14, 674}};
    std::string read;
    for (int i = 0; i < 6; ++i) {
      const int b = Bit();
      if (b < 0) return -1;
      read += char('0' + b);
      for (const Class& c : kClasses)
        if (read == c.prefix) {
          const int extra = Bits(c.extra);
          return extra < 0 ? -1 : c.base + extra;
        }
    }
    return -1;
  }
  bool Difference(int* d) {
    const int head = Bits(3);
    if (head < 0) return false;
    if (head == 0) *d = 0;
    if (head == 1) *d = 1;
    if (head == 2) *d = -1;
    if (head <= 2) return true;
    int extra = 0, base = 0;
    switch (head) {
      case 3: extra = 1, base = 2; break;
      case 4: extra = 2, base = 4; break;
      case 5: extra = 3, base = 8; break;
      case 6: extra = 5, base = 16; break;
      default: {
        const int b = Bit();
        if (b < 0) return false;
        extra = b ? 6 : 5;
        base = b ? 80 : 48;
      }
    }
    const int sign = Bit();
    const int m = Bits(extra);
    if (sign < 0 || m < 0) return false;
    *d = sign ? -(base + m) : base + m;
    return true;
  }
  void Predict(BYTE* cur, const BYTE* prev, uint32_t x, uint32_t entry) {
    const int64_t s = step_;
    BYTE* p = cur + x * s;
    const BYTE* from = nullptr;
    switch (entry) {
      case 1: from = p - s; break;
      case 2: from = prev + x * s; break;
      case 3: from = prev + (int64_t(x) - 1) * s; break;
      case 4: from = prev + (x + 1) * s; break;
      default: from = step_ == 1 ? p - 8 : prev + (x + 2) * s; break;
    }
    std::memcpy(p, from, step_ == 1 ? 1 : 3);
  }

  const Bytes& code_;
  uint32_t width_, height_, bpp_, step_;
  BYTE fill_;
  size_t pos_ = 0;
  uint32_t flag_ = 0, continuation_ = 0;
  BYTE list_[5] = {1, 2, 3, 4, 5};
};

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
      {"literal +1", {0, 1}, "0" "00" "10" "001"},
      {"difference -3", {5, 2}, "10" "100001" "10" "01111"},
      {"difference +20", {10, 30}, "10" "1010010" "10" "110000100"},
      {"difference +130", {10, 140}, "10" "1010010" "10" "11111101110"},
      {"difference +200", {10, 210}, "10" "1010010" "10" "1110101000"},
      {"run 5", zeros(5, 7), "0" "1001" "10" "100011"},
      {"run 30", zeros(30, 7), "0" "111000100" "10" "100011"},
      {"run 700", zeros(700, 7), "0" "11111100000000011010" "10" "100011"},
      // One run of 17,057, then symbol 1 with length 1.
      {"run 17058", zeros(17058, 7), "0" "111111" "11111111111111" "0" "00" "10" "100011"},
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
  for (int i = 0; i < 8; ++i) expected += "10" "001";
  expected += "11111" "0";  // escape and 0: the flag is 1
  expected += "0" "1010001";  // a literal is now 0 (+9)
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
        EXPECT_TRUE(Decoder(code, width, height, bits).Decode(&decoded)) << kind << " " << width << " " << bits;
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
