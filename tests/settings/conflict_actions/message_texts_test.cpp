// Resource messages and number texts: numbers of every type with divisors
// 1, 10 and 100, negative values, and messages cut to their blocks.
#include <string>

#include "actions_fixture.h"
#include "settings/conflict_actions/message_texts.h"

namespace pk::test {
namespace {

struct NumberCase {
  const char* what;
  bool scaled;  // FormatScaledNumber, else FormatNumber
  BOOL mode;    // two decimals, or whole mode
  LONG divisor;
  SettingValueType type;
  int64_t value;
  const char16_t* text;
};

// The value in its type's width.
struct Typed {
  uint64_t bytes = 0;
  explicit Typed(int64_t v) { bytes = static_cast<uint64_t>(v); }
};

TEST(NumberTextTest, FormatsByTypeAndDivisor) {
  const NumberCase cases[] = {
      {"i16 whole", true, FALSE, 1, kSettingTypeInt16, -90, u"-90"},
      {"u16 whole", true, FALSE, 1, kSettingTypeUInt16, 65535, u"65535"},
      {"u8 whole", true, FALSE, 1, kSettingTypeUInt8, 200, u"200"},
      {"i32 whole", true, FALSE, 1, kSettingTypeSInt32, -123456, u"-123456"},
      {"u32 whole", true, FALSE, 1, kSettingTypeUInt32, 4294967295, u"4294967295"},
      {"field whole", true, FALSE, 1, kSettingTypeFontField, -7, u"-7"},
      {"tenths", true, FALSE, 10, kSettingTypeUInt16, 125, u"12.5"},
      {"negative tenths", true, FALSE, 10, kSettingTypeSInt32, -35, u"-3.5"},
      {"negative hundredths", true, TRUE, 100, kSettingTypeInt16, -7, u"-0.07"},
      {"hundredths two decimals", true, TRUE, 100, kSettingTypeUInt32, 304, u"3.04"},
      {"hundredths one-decimal mode", true, FALSE, 100, kSettingTypeUInt32, 304, u"3.04"},
      {"tenths asked for two decimals", true, TRUE, 10, kSettingTypeUInt16, 35, u"3.50"},
      {"other mode hundredths", false, FALSE, 100, kSettingTypeSInt32, 304, u"3.04"},
      {"other mode negative", false, FALSE, 10, kSettingTypeInt16, -25, u"-2.5"},
      {"whole mode quotient", false, TRUE, 10, kSettingTypeSInt32, -900, u"-90"},
      {"whole mode positive", false, TRUE, 10, kSettingTypeSInt32, 240, u"24"},
      {"whole mode unsigned", false, TRUE, 10, kSettingTypeUInt16, 505, u"50"},
      {"whole mode divisor 1", false, TRUE, 1, kSettingTypeInt16, 24, u"24"},
  };
  for (const NumberCase& c : cases) {
    Typed v(c.value);
    WCHAR out[kNumberChars] = {};
    const int ok = c.scaled ? FormatScaledNumber(c.mode, c.divisor, c.type, &v.bytes, out, kNumberChars)
                            : FormatNumber(c.mode, c.divisor, c.type, &v.bytes, out, kNumberChars);
    EXPECT_EQ(ok, 1) << c.what;
    EXPECT_EQ(std::u16string(out), std::u16string(c.text)) << c.what;
  }
}

TEST(NumberTextTest, TextsTypesAndDivisorsItCannotPrint) {
  WCHAR out[kNumberChars];
  EXPECT_EQ(FormatScaledNumber(FALSE, 1, kSettingTypeText, u"Draft", out, kNumberChars), 1);
  EXPECT_EQ(std::u16string(out), u"Draft");
  const LONG v = 5;
  EXPECT_EQ(FormatScaledNumber(FALSE, 10, kSettingTypeText, u"Draft", out, kNumberChars), 0);
  EXPECT_EQ(FormatScaledNumber(FALSE, 1, kSettingTypeFontRecord, &v, out, kNumberChars), 0);
  EXPECT_EQ(FormatNumber(TRUE, 0, kSettingTypeSInt32, &v, out, kNumberChars), 0);
  EXPECT_EQ(FormatNumber(TRUE, -10, kSettingTypeSInt32, &v, out, kNumberChars), 0);
  EXPECT_EQ(FormatNumber(TRUE, 1, kSettingTypeSInt32, nullptr, out, kNumberChars), 0);
  // A buffer too small cuts the number and stays terminated.
  const LONG big = 123456;
  WCHAR small[4];
  EXPECT_EQ(FormatNumber(TRUE, 1, kSettingTypeSInt32, &big, small, 4), 1);
  EXPECT_EQ(std::u16string(small), u"123");
}

class ResourceMessageTest : public ConflictActionsTest {};

TEST_F(ResourceMessageTest, FormatsLoadedStringsIntoBlocksCutToTheirLength) {
  HMODULE module = GetResourceModule();
  ASSERT_NE(module, nullptr);
  WCHAR* text = nullptr;
  ASSERT_EQ(FormatResourceMessage(module, &text, 0, 707, u"Orientation", u"Landscape"), 1);
  EXPECT_EQ(Take(text), u"Orientation is now Landscape.");

  // A name longer than the block: the message is cut to 1023 characters.
  const std::u16string longName(3000, u'N');
  ASSERT_EQ(FormatResourceMessage(module, &text, 0, 707, longName.c_str(), u"x"), 1);
  EXPECT_EQ(Take(text), longName.substr(0, kMessageChars - 1));
  ASSERT_EQ(FormatResourceMessage(module, &text, 12, 707, u"Orientation", u"x"), 1);
  EXPECT_EQ(Take(text), u"Orientation");

  // A missing string, a missing output, a block that cannot be allocated.
  text = reinterpret_cast<WCHAR*>(1);
  EXPECT_EQ(FormatResourceMessage(module, &text, 0, 9999), 0);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(FormatResourceMessage(module, nullptr, 0, 707, u"a", u"b"), 0);
  const SIZE_T live = seams::GlobalLiveBlocks();
  seams::FailNthAllocation(1);
  EXPECT_EQ(FormatResourceMessage(module, &text, 0, 707, u"a", u"b"), 0);
  EXPECT_EQ(text, nullptr);
  seams::FailNthAllocation(0);
  EXPECT_EQ(seams::GlobalLiveBlocks(), live);
}

}  // namespace
}  // namespace pk::test
