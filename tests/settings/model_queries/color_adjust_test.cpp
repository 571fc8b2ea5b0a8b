// The colour adjustment matrix, its application to blue-green-red pixels,
// and the header check of colour profile files.
#include <array>
#include <cstring>

#include "query_fixture.h"
#include "settings/model/color_adjust.h"

namespace {

using Values = std::array<LONG, 12>;

Values Build(SHORT brightness, SHORT saturation, SHORT contrast) {
  ColorAdjustMatrix m{};
  EXPECT_EQ(BuildColorAdjustMatrix(&m, brightness, saturation, contrast), 0);
  Values v;
  memcpy(v.data(), m.values, sizeof m.values);
  return v;
}

TEST(ColorAdjust, BuildsTheMatrix) {
  EXPECT_EQ(Build(0, 0, 0), (Values{65536, 0, 0, 0, 65536, 0, 0, 0, 65536, 0, 0, 0}));
  // Saturation -100 halves the colourfulness: S = 0.5.
  Values half = Build(0, -100, 0);
  EXPECT_EQ(half[0], 42598);
  EXPECT_EQ(half[1], 19333);
  EXPECT_EQ(half[2], 3604);
  EXPECT_EQ(half[4], static_cast<LONG>((0.41 * 0.5 + 0.59) * 65536));
  // Saturation 100 gives S = 2; anything beyond is taken as 100.
  Values two = Build(0, 100, 0);
  EXPECT_EQ(two[0], static_cast<LONG>(1.7 * 65536));
  EXPECT_EQ(two[1], static_cast<LONG>((0.59 - 1.18) * 65536));
  EXPECT_EQ(Build(0, 150, 0), two);
  EXPECT_EQ(Build(-300, -150, 999), Build(-100, -100, 100));
  // Contrast 100: K = 1.3 and an offset of -76.5, truncated toward zero.
  Values contrast = Build(0, 0, 100);
  EXPECT_EQ(contrast[9], -5013504);
  EXPECT_EQ(contrast[11], -5013504);
  EXPECT_EQ(contrast[0], static_cast<LONG>(1.09 * 65536));
  Values bright = Build(100, 0, 0);
  EXPECT_EQ(bright[9], 3276800);
  EXPECT_EQ(bright[10], 3276800);
  EXPECT_EQ(bright[11], 3276800);
  EXPECT_EQ(BuildColorAdjustMatrix(nullptr, 0, 0, 0), -1);
}

TEST(ColorAdjust, AppliesToBlueGreenRedTriplets) {
  ColorAdjustMatrix bright{};
  BuildColorAdjustMatrix(&bright, 100, 0, 0);
  // (blue, green, red): 0 + 50, 100 + 50, 250 + 50 clamped.
  const BYTE in[] = {0, 100, 250, 255, 255, 255, 10, 20, 30};
  BYTE out[9] = {};
  ApplyColorAdjustMatrix(&bright, in, out, 3);
  const BYTE expected[] = {50, 150, 255, 255, 255, 255, 60, 70, 80};
  EXPECT_EQ(std::vector<BYTE>(out, out + 9), std::vector<BYTE>(expected, expected + 9));

  ColorAdjustMatrix dark{};
  BuildColorAdjustMatrix(&dark, -100, 0, 0);
  const BYTE dim[] = {0, 50, 51};
  ApplyColorAdjustMatrix(&dark, dim, out, 1);
  EXPECT_EQ(out[0], 0);  // below zero
  EXPECT_EQ(out[1], 0);  // exactly zero
  EXPECT_EQ(out[2], 1);

  // Full saturation moves channels apart; the identity keeps them.
  ColorAdjustMatrix identity{};
  BuildColorAdjustMatrix(&identity, 0, 0, 0);
  const BYTE colour[] = {40, 120, 200};
  ApplyColorAdjustMatrix(&identity, colour, out, 1);
  EXPECT_EQ(std::vector<BYTE>(out, out + 3), std::vector<BYTE>(colour, colour + 3));

  // Without a matrix the pixels are copied; without buffers nothing happens.
  BYTE copy[3] = {};
  ApplyColorAdjustMatrix(nullptr, colour, copy, 1);
  EXPECT_EQ(std::vector<BYTE>(copy, copy + 3), std::vector<BYTE>(colour, colour + 3));
  ApplyColorAdjustMatrix(&identity, nullptr, copy, 1);
  ApplyColorAdjustMatrix(&identity, colour, nullptr, 1);
}

class IccProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { pk::seams::UseTemporaryMachineRoot(); }

  // A profile header of 132 bytes (or `size`) with the given fields.
  static std::vector<uint8_t> Header(const char* deviceClass, const char* colourSpace, const char* connection,
                                     const char* signature, size_t size = 132) {
    std::vector<uint8_t> b(size, 0);
    auto put = [&](size_t at, const char* text) {
      if (at + 4 <= b.size()) memcpy(b.data() + at, text, 4);
    };
    put(12, deviceClass);
    put(16, colourSpace);
    put(20, connection);
    put(36, signature);
    return b;
  }
  int Check(const std::vector<uint8_t>& bytes) {
    pk::test::WriteWindowsFile(u"C:\\profiles\\test.icm", bytes);
    return CheckIccProfileFile("C:\\profiles\\test.icm");
  }
};

TEST_F(IccProfileTest, ChecksTheHeader) {
  struct Row {
    const char *deviceClass, *colourSpace, *connection, *signature;
    size_t size;
    int result;
  } rows[] = {
      {"mntr", "RGB ", "XYZ ", "acsp", 132, 0},  {"scnr", "RGB ", "Lab ", "acsp", 4000, 0},
      {"prtr", "RGB ", "XYZ ", "acsp", 132, -6}, {"mntr", "CMYK", "XYZ ", "acsp", 132, -6},
      {"mntr", "RGB ", "ABCD", "acsp", 132, -7}, {"prtr", "RGB ", "ABCD", "acsp", 132, -7},
      {"mntr", "RGB ", "XYZ ", "ascp", 132, -5}, {"mntr", "RGB ", "XYZ ", "acsp", 100, -3},
      {"mntr", "RGB ", "XYZ ", "acsp", 131, -3}, {"mntr", "rgb ", "XYZ ", "acsp", 132, -6},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Check(Header(row.deviceClass, row.colourSpace, row.connection, row.signature, row.size)), row.result)
        << row.deviceClass << " " << row.colourSpace << " " << row.connection << " " << row.size;
  EXPECT_EQ(CheckIccProfileFile("C:\\profiles\\absent.icm"), -2);
  EXPECT_EQ(CheckIccProfileFile(nullptr), -1);
}

}  // namespace
