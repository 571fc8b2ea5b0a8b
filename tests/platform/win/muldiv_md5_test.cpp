// MulDiv rounding and limits, and the MD5 digest against the RFC vectors and
// the system's md5sum.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win/windows.h"

namespace {

std::string Hex(const uint8_t digest[16]) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 16; ++i) {
    s.push_back(kDigits[digest[i] >> 4]);
    s.push_back(kDigits[digest[i] & 15]);
  }
  return s;
}

std::string Md5Hex(const std::string& text) {
  uint8_t digest[16];
  Md5Digest(text.data(), text.size(), digest);
  return Hex(digest);
}

}  // namespace

TEST(WinMulDiv, RoundsToNearestAndRejectsOverflow) {
  struct Case {
    int a, b, c, expected;
  };
  const Case cases[] = {
      {36, 600, 72, 300},   {83, 72, 600, 10},
      {9, 96, 72, 12},      {1, 2, 0, -1},
      {1, 1, 2, 1},         {-1, 1, 2, -1},
      {1, -1, 2, -1},       {-3, 1, -2, 2},
      {5, 1, 4, 1},         {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MAX, 2, 1, -1},  {INT_MIN, 1, 1, INT_MIN},
      {INT_MIN, -1, 1, -1}, {0, 5, 7, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(WinMd5, RfcVectors) {
  struct Case {
    std::string text, digest;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Md5Hex(c.text), c.digest) << c.text;
}

// A 1 MiB buffer fed in uneven pieces digests to what md5sum prints for the
// same bytes.
TEST(WinMd5, PiecesAgreeWithMd5sum) {
  std::vector<uint8_t> data(1 << 20);
  uint32_t x = 12345;
  for (uint8_t& b : data) {
    x = x * 1103515245 + 12345;
    b = static_cast<uint8_t>(x >> 16);
  }
  Md5Context context;
  Md5Init(&context);
  size_t offset = 0;
  for (size_t piece = 1; offset < data.size(); piece = piece * 7 % 1000 + 1) {
    size_t n = std::min(piece, data.size() - offset);
    Md5Update(&context, data.data() + offset, n);
    offset += n;
  }
  uint8_t digest[16];
  Md5Final(&context, digest);

  std::string path = testing::TempDir() + "md5_input.bin";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fwrite(data.data(), 1, data.size(), f), data.size());
  fclose(f);
  FILE* p = popen(("md5sum '" + path + "'").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char line[128] = {};
  ASSERT_NE(fgets(line, sizeof line, p), nullptr);
  pclose(p);
  remove(path.c_str());
  EXPECT_EQ(Hex(digest), std::string(line, 32));
}
