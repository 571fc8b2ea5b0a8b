// Names and value texts of settings: user papers with their sizes, numbers
// and tenths, paper sources with the sizes of their ranges, the image
// offsets, the free text, texts cut at their line feed and to their
// buffers, and lists of settings with their current values.
#include <string>

#include "actions_fixture.h"
#include "settings/conflict_actions/message_texts.h"
#include "settings/conflict_actions/setting_texts.h"

namespace pk::test {
namespace {

using ddd::Pair;
using ddd::Text;
using ddd::Value;

class SettingTextsTest : public ConflictActionsTest {
 protected:
  // The text of a value (none: the name) in the setting's own type.
  template <typename T>
  std::u16string ValueText(SettingId id, SettingValueType type, T value, BOOL withDimensions = TRUE) {
    WCHAR* out = nullptr;
    const int ok = FormatSettingValueText(withDimensions, GetResourceModule(), &context_, &out, id, type, &value);
    EXPECT_EQ(ok, 1) << id;
    return Take(out);
  }
  std::u16string Name(SettingId id) {
    WCHAR* out = nullptr;
    EXPECT_EQ(FormatSettingValueText(FALSE, GetResourceModule(), &context_, &out, id, 0, nullptr), 1) << id;
    return Take(out);
  }
  void SetUp() override {
    ConflictActionsTest::SetUp();
    context_ = Context();
  }
  void Use(const ddd::ModelWriter& writer) {
    UseModel(writer);
    context_ = Context();
  }
  SettingsContext context_{};
};

// A model with a paper source whose option texts carry a description after
// a line feed, its ranges, and a feature name of 1,000 characters.
ddd::ModelWriter SourceWriter() {
  ddd::ModelWriter w;
  w.modelName = "Sources";
  w.AddRange(5, 1, Text::Plain("Tray 1"), Pair{{900, 1480}, {2970, 4200}}, 1, {262}, {}, 1);
  w.AddRange(5, 15, Text::Plain("Automatic"), Pair{{1000, 1000}, {2000, 2000}}, 1, {262}, {}, 1);
  w.AddRange(6, 2, Text::Plain("Finisher"), Pair{{1820, 2570}, {2970, 4200}}, 1, {262}, {}, 1);
  const uint16_t tray = w.AddOption(14, Text::Plain("Tray 1\nupper drawer"), 0, 0, Value::I16(1));
  const uint16_t automatic = w.AddOption(14, Text::Plain("Automatic"), 0, 0, Value::I16(15));
  w.AddFeature(4, 13, Text::Plain("Paper source"), 1, 1, {tray, automatic});
  const uint16_t finisher = w.AddOption(14, Text::Plain("Finisher"), 0, 0, Value::U16(2));
  w.AddFeature(4, 266, Text::Plain("Output option"), 1, 1, {finisher});
  const uint16_t off = w.AddOption(14, Text::Plain("Off"), 0, 0, Value::U16(0));
  w.AddFeature(4, 327, Text::Plain(std::string(1000, 'L')), 1, 1, {off});
  w.AddFeature(4, 328, Text::Plain("Gutter"), 1, 1, {off});
  return w;
}

TEST_F(SettingTextsTest, UserPaperShowsItsNameAndSizeInWholeMillimetres) {
  SetText(1331, u"Folio");
  Set<WORD>(1311, kSettingTypeUInt16, 2100);
  Set<WORD>(1321, kSettingTypeUInt16, 2970);
  EXPECT_EQ(ValueText<SHORT>(8, kSettingTypeInt16, 262), u"Folio (210 x 297 mm)");
  EXPECT_EQ(ValueText<WORD>(262, kSettingTypeUInt16, 262), u"Folio (210 x 297 mm)");
  // Slot 5 (code 287) and model papers.
  SetText(1336, u"Banner");
  Set<WORD>(1316, kSettingTypeUInt16, 900);
  Set<WORD>(1326, kSettingTypeUInt16, 12005);
  EXPECT_EQ(ValueText<SHORT>(8, kSettingTypeInt16, 287), u"Banner (90 x 1200 mm)");
  EXPECT_EQ(ValueText<SHORT>(8, kSettingTypeInt16, 9), u"A4");
  EXPECT_EQ(ValueText<WORD>(262, kSettingTypeUInt16, 267), u"Same as document");
}

TEST_F(SettingTextsTest, NumbersTenthsNamesAndOptionTexts) {
  EXPECT_EQ(ValueText<WORD>(268, kSettingTypeUInt16, 125), u"12.5");
  EXPECT_EQ(ValueText<WORD>(269, kSettingTypeUInt16, 7), u"0.7");
  EXPECT_EQ(ValueText<SHORT>(12, kSettingTypeInt16, 3), u"3");
  EXPECT_EQ(ValueText<WORD>(263, kSettingTypeUInt16, 250), u"250");
  EXPECT_EQ(ValueText<SHORT>(274, kSettingTypeInt16, -12), u"-12");
  EXPECT_EQ(ValueText<SHORT>(7, kSettingTypeInt16, 2), u"Landscape");
  // A value given in another width reaches the option of the setting's type.
  EXPECT_EQ(ValueText<LONG>(7, kSettingTypeSInt32, 2), u"Landscape");
  EXPECT_EQ(Name(7), u"Orientation");
  EXPECT_EQ(Name(8), u"Paper size");
  // A value the model has no option for is shown as its number.
  EXPECT_EQ(ValueText<SHORT>(7, kSettingTypeInt16, 9), u"9");
}

TEST_F(SettingTextsTest, ImageOffsetsFollowSetting413) {
  struct Case {
    SettingId id;
    WORD mode;
    const char16_t* text;
  } cases[] = {
      {353, 0, u"Image offset 1"}, {353, 1, u"Image offset 1"}, {353, 2, u"Image offset 1 (reversed)"},
      {354, 0, u"Image offset 2"}, {354, 2, u"Image offset 2"}, {354, 1, u"Image offset 2 (reversed)"},
  };
  for (const Case& c : cases) {
    Set<WORD>(413, kSettingTypeUInt16, c.mode);
    EXPECT_EQ(ValueText<DWORD>(c.id, kSettingTypeUInt32, 40), c.text) << c.id << " " << c.mode;
  }
}

TEST_F(SettingTextsTest, FreeTextOrItsPlaceholder) {
  WCHAR* out = nullptr;
  ASSERT_EQ(FormatSettingValueText(FALSE, GetResourceModule(), &context_, &out, 1033, 6, u""), 1);
  EXPECT_EQ(Take(out), u"(none)");
  ASSERT_EQ(FormatSettingValueText(FALSE, GetResourceModule(), &context_, &out, 1033, 6, u"Line one\nline two"), 1);
  EXPECT_EQ(Take(out), u"Line one");
}

TEST_F(SettingTextsTest, SourcesAddTheirRangeSizesWhenAsked) {
  Use(SourceWriter());
  EXPECT_EQ(ValueText<SHORT>(13, kSettingTypeInt16, 1), u"Tray 1 (width 90-297 mm, length 148-420 mm)");
  EXPECT_EQ(ValueText<SHORT>(13, kSettingTypeInt16, 1, FALSE), u"Tray 1");
  // Value 15 of setting 13 has a range but never shows it.
  EXPECT_EQ(ValueText<SHORT>(13, kSettingTypeInt16, 15), u"Automatic");
  EXPECT_EQ(ValueText<WORD>(266, kSettingTypeUInt16, 2), u"Finisher (width 182-297 mm, length 257-420 mm)");
}

TEST_F(SettingTextsTest, LongNamesAreCutAndSettings327And328SayNotSet) {
  Use(SourceWriter());
  const std::u16string name = Name(327);
  EXPECT_EQ(name.size(), static_cast<size_t>(kSettingTextChars - 1));
  EXPECT_EQ(name.substr(0, 5), u"LLLLL");
  // The "not set" mark does not fit after a name of the whole buffer.
  EXPECT_EQ(name.find(u"not set"), std::u16string::npos);
  EXPECT_EQ(Name(328), u"Gutter (not set)");
  EXPECT_EQ(ValueText<WORD>(328, kSettingTypeUInt16, 0), u"Off");
}

TEST_F(SettingTextsTest, NameWithValueAndListsOfSettings) {
  Set<SHORT>(7, kSettingTypeInt16, 2);
  WCHAR* out = nullptr;
  ASSERT_EQ(FormatSettingNameAndValue(&out, GetResourceModule(), &context_, 7), 1);
  EXPECT_EQ(Take(out), u"Orientation is now Landscape.");

  // 346 and the repeated 8 are left out: two lines.
  Set<SHORT>(8, kSettingTypeInt16, 9);
  Set<SHORT>(16, kSettingTypeInt16, 1);
  const WORD ids[] = {8, 346, 8, 16};
  ASSERT_EQ(FormatSettingListText(&out, GetResourceModule(), &context_, ids, 4, kPlainListText), 1);
  EXPECT_EQ(Take(out), u"\n\tPaper size: A4\n\tTwo-sided printing: Off");
  // A list without a count ends at its 0; another string id wraps the lines.
  const WORD listed[] = {16, 1308, 0, 8};
  ASSERT_EQ(FormatSettingListText(&out, GetResourceModule(), &context_, listed, 0, 712), 1);
  EXPECT_EQ(Take(out), u"These settings will change:\n\tTwo-sided printing: Off\n\nContinue?");
  // Nothing to list.
  const WORD none[] = {346, 348, 0};
  EXPECT_EQ(FormatSettingListText(&out, GetResourceModule(), &context_, none, 0, kPlainListText), 0);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace pk::test
