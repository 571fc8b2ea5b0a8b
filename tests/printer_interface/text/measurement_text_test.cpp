// Lengths between tenths of a millimetre and hundredths of an inch, the unit
// conversions of the length settings, fixed-point number texts and the range
// text beside an entry field.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/win_seams.h"
#include "printer_interface/interface_fixture.h"
#include "printer_interface/text/measurement_text.h"
#include "settings/services/module_state.h"

namespace pk::test {
namespace {

TEST(Lengths, ConvertBetweenTenthsOfAMillimetreAndHundredthsOfAnInch) {
  EXPECT_EQ(TenthMmToHundredthInch(254), 100);
  EXPECT_EQ(HundredthInchToTenthMm(100), 254);
  EXPECT_EQ(TenthMmToHundredthInch(2970), 1169);
  EXPECT_EQ(TenthMmToHundredthInch(-254), -99);  // truncation toward zero before the rounding step
  // Far lengths neither overflow nor wrap.
  EXPECT_EQ(TenthMmToHundredthInch(2000000000), 787401575);
  EXPECT_EQ(HundredthInchToTenthMm(800000000), 2032000000);
}

TEST(ConvertSettingUnits, ScalesTheLowHalfOfLengthSettings) {
  const struct {
    int direction;
    SettingId id;
    DWORD value, out;
    int result;
  } cases[] = {
      {1, 268, 0x00010019, 0x000100FA, 1}, {2, 268, 0x000100FA, 0x00010019, 1},
      {2, 324, 0x0000FFF6, 0x0000FFFF, 1},  // -10 / 10 as a signed 16-bit number
      {1, 351, 0x00000007, 0x00000046, 1}, {2, 373, 0x00000046, 0x00000046, 1},
      {1, 12, 0x00010019, 0x00010019, 0},
  };
  for (const auto& c : cases) {
    DWORD out = 0;
    EXPECT_EQ(ConvertSettingUnits(c.direction, c.id, kSettingTypeUInt32, &c.value, &out), c.result) << c.id;
    EXPECT_EQ(out, c.out) << c.id << " direction " << c.direction;
  }
  int decimals = -1;
  EXPECT_EQ(DecimalsForUnit(352, 1, &decimals), 1);
  EXPECT_EQ(decimals, 2);
  EXPECT_EQ(DecimalsForUnit(352, 0, &decimals), 1);
  EXPECT_EQ(decimals, 1);
  EXPECT_EQ(DecimalsForUnit(373, 1, &decimals), 1);
  EXPECT_EQ(decimals, 1);
  EXPECT_EQ(DecimalsForUnit(373, 0, &decimals), 1);
  EXPECT_EQ(decimals, 0);
  EXPECT_EQ(DecimalsForUnit(268, 0, &decimals), 0);
}

TEST(FormatFixedPoint, PlacesThePointAndTheSign) {
  const struct {
    LONG value;
    int decimals;
    BOOL isSigned;
    DWORD flags;
    const char16_t* text;
  } cases[] = {
      {7, 3, FALSE, 0x40, u"0.007"},
      {1234, 2, FALSE, 0x40, u"12.34"},
      {-5, 1, TRUE, 0x40, u"-0.5"},
      {200, 2, FALSE, 0x140, u"2"},
      {5, 2, FALSE, 0x40, u"0.05"},
      {100, 1, FALSE, 0x140, u"10"},
      {100, 1, FALSE, 0x40, u"10.0"},
      {-25, 1, TRUE, 0x40, u"-2.5"},
      {7, 0, FALSE, 0x40, u"7.0"},
      {-1, 1, FALSE, 0x40, u"429496729.5"},
      {INT32_MIN, 2, TRUE, 0x40, u"-21474836.48"},
  };
  for (const auto& c : cases) {
    WCHAR* text = nullptr;
    ASSERT_EQ(FormatFixedPoint(&text, c.decimals, c.isSigned, c.flags, c.value), 1) << c.value;
    EXPECT_EQ(std::u16string(text), c.text);
    GlobalFree(text);
  }
  WCHAR* text = nullptr;
  EXPECT_EQ(FormatFixedPoint(&text, 1, FALSE, 0x100, 5), 0);  // needs 0x40
  EXPECT_EQ(text, nullptr);
  const int16_t value = -12;
  ASSERT_EQ(FormatNumberText(&text, 0, TRUE, kSettingTypeInt16, &value), 1);
  EXPECT_EQ(std::u16string(text), u"-12");
  GlobalFree(text);
  ASSERT_EQ(FormatNumberText(&text, 1, TRUE, kSettingTypeInt16, &value), 1);
  EXPECT_EQ(std::u16string(text), u"-1.2");
  GlobalFree(text);
}

class MeasurementTextTest : public InterfaceTest {};

TEST_F(MeasurementTextTest, RangeTextFillsStringSevenThirty) {
  WCHAR unitName[32], format[256], expected[256];
  ASSERT_GT(LoadStringW(GetResourceModule(), 460, unitName, 32), 0);
  ASSERT_GT(LoadStringW(GetResourceModule(), 730, format, 256), 0);
  wsprintfW(expected, format, u"25", u"400", unitName);
  WCHAR out[kRangeTextChars];
  ASSERT_EQ(RangeText(GetResourceModule(), 25, 400, 0, 0, out), 1);
  EXPECT_EQ(std::u16string(out), expected);
  ASSERT_EQ(RangeText(GetResourceModule(), 98, 1575, 2, 1, out), 1);
  EXPECT_EQ(std::u16string(out), u"(0.98 to 15.75 in)");
}

}  // namespace
}  // namespace pk::test

namespace pk::test {
namespace {

TEST(FormatFixedPoint, NoMemoryGivesNoText) {
  const SIZE_T before = pk::seams::GlobalLiveBlocks();
  pk::seams::FailNthAllocation(1);
  WCHAR* text = reinterpret_cast<WCHAR*>(1);
  EXPECT_EQ(FormatFixedPoint(&text, 2, FALSE, 0x40, 5), 0);
  EXPECT_EQ(text, nullptr);
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

}  // namespace
}  // namespace pk::test
