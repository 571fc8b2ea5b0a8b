// Colour-type objects (identity, second names, tests) and the colormap record.
#include <gtest/gtest.h>

#include <cstring>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_colormap.h"
#include "rst_status_recorder.h"

TEST(RstColorTypeTest, SecondNamesAreTheSameObjects) {
  EXPECT_EQ(RstColorType::default_gray(), RstColorType::s_gray());
  EXPECT_EQ(RstColorType::default_gray_reverse(), RstColorType::s_gray_reverse());
  EXPECT_EQ(RstColorType::default_rgb(), RstColorType::s_rgb());
  EXPECT_EQ(RstColorType::default_cmy(), RstColorType::cmy());
  EXPECT_EQ(RstColorType::default_cmyk(), RstColorType::s_cmyk());
  EXPECT_EQ(RstColorType::default_ycbcr(), RstColorType::s_ycbcr());
  EXPECT_EQ(RstColorType::default_lstar(), RstColorType::icc_lstar());
  EXPECT_EQ(RstColorType::s_rgb(), RstColorType::s_rgb());
}

TEST(RstColorTypeTest, TwelveDistinctObjectsAnsweringTheirTests) {
  // Tests in order: gray, gray_reverse, rgb, cmy, cmyk, lab, ycbcr, hsl, lstar.
  const struct {
    const char* name;
    RstColorType* type;
    const char* tests;
    int channels;
  } cases[] = {
      {"none", RstColorType::none(), "---------", 0},
      {"s_rgb", RstColorType::s_rgb(), "--R------", 3},
      {"ntsc_rgb", RstColorType::ntsc_rgb(), "--R------", 3},
      {"s_gray", RstColorType::s_gray(), "G--------", 1},
      {"s_gray_reverse", RstColorType::s_gray_reverse(), "-V-------", 1},
      {"s_ycbcr", RstColorType::s_ycbcr(), "------Y--", 3},
      {"hsl", RstColorType::hsl(), "-------H-", 3},
      {"cmy", RstColorType::cmy(), "---C-----", 3},
      {"s_cmyk", RstColorType::s_cmyk(), "----K----", 4},
      {"icc_lab", RstColorType::icc_lab(), "-----L---", 3},
      {"itu_lab", RstColorType::itu_lab(), "-----L---", 3},
      {"icc_lstar", RstColorType::icc_lstar(), "G-------S", 1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.type, nullptr);
    bool got[] = {c.type->is_gray(), c.type->is_gray_reverse(), c.type->is_rgb(), c.type->is_cmy(),  c.type->is_cmyk(),
                  c.type->is_lab(),  c.type->is_ycbcr(),        c.type->is_hsl(), c.type->is_lstar()};
    for (int t = 0; t < 9; ++t) EXPECT_EQ(got[t], c.tests[t] != '-') << "test " << t;
    EXPECT_EQ(c.type->channels(), c.channels);
    for (size_t j = 0; j < i; ++j) EXPECT_NE(c.type, cases[j].type) << cases[j].name;
  }
}

using RstColormapTest = RstStatusTest;

TEST_F(RstColormapTest, CountsZeroedDataAndCopy) {
  RstColormap zero(8, 3, 256);
  EXPECT_EQ(zero.size(), 768);
  for (int i = 0; i < zero.size(); ++i) ASSERT_EQ(zero.data()[i], 0);
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0xFF};
  RstColormap copied(1, 3, 10, bytes);  // 30 bits: 4 bytes
  EXPECT_EQ(copied.bits(), 1);
  EXPECT_EQ(copied.channels(), 3);
  EXPECT_EQ(copied.entries(), 10);
  ASSERT_EQ(copied.size(), 4);
  EXPECT_EQ(std::memcmp(copied.data(), bytes, 4), 0);
  RstColormap empty(8, 3, 0);
  EXPECT_EQ(empty.size(), 0);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(RstColormapTest, EqualityIgnoresUnusedLowBitsOfTheLastByte) {
  const uint8_t a[] = {0xA5, 0xF0};
  const uint8_t b[] = {0xA5, 0xF3};  // differs only below the 12th bit
  const uint8_t c[] = {0xA5, 0xE0};  // differs in a sample bit
  RstColormap ma(1, 3, 4, a), mb(1, 3, 4, b), mc(1, 3, 4, c);
  EXPECT_TRUE(ma == ma);
  EXPECT_TRUE(ma == mb);
  EXPECT_FALSE(ma == mc);
  EXPECT_FALSE(ma == RstColormap(1, 4, 3, a));  // same bits, other counts
  const uint8_t whole1[] = {1, 2, 3}, whole2[] = {1, 2, 4};
  EXPECT_FALSE(RstColormap(8, 3, 1, whole1) == RstColormap(8, 3, 1, whole2));
  EXPECT_TRUE(RstColormap(8, 3, 1, whole1) == RstColormap(8, 3, 1, whole1));
}

TEST_F(RstColormapTest, AllocationFailureLeavesTheDataEmpty) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  RstAllocFault::fail_nth(1);
  RstColormap map(8, 3, 2, bytes);
  EXPECT_EQ(map.data(), nullptr);
  EXPECT_EQ(map.size(), 0);
  RstColormap negative(8, 3, -1);
  RstColormap huge(16, 4, 0x7fffffff);
  EXPECT_EQ(huge.data(), nullptr);
  EXPECT_EQ(
      status.errors(),
      (std::vector<RstReport>{{-1, "RstColormap::init()"}, {-1, "RstColormap::init()"}, {-1, "RstColormap::init()"}}));
  EXPECT_TRUE(map.init(8, 3, 2));
  EXPECT_EQ(map.size(), 6);
}
