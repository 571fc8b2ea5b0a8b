// The edit kind: numbers with decimals and the length-unit rules, typed
// texts checked in the OEM code page, the range warning and commits.
#include "controls_fixture.h"
#include "printer_interface/text/measurement_text.h"
#include "platform/win/win_memory.h"
#include "printer_interface/text/resource_text.h"

namespace pk::test {
namespace {

using pk::ui::Replace;
std::u16string Shown(HWND control) { return pk::ui::Text(control); }

constexpr EditUnitRecord kWhole{0, 0};
constexpr EditUnitRecord kOneDecimal{1, 0};
constexpr BYTE kAllChecks = kEditCheckAtKillActive | kEditCheckAtFocusLoss | kEditCheckAtValidate;
constexpr EditControlParams kLengthEdit{kEditNumber | kEditLengthUnit | kEditDecimals, 10, nullptr, &kWhole,
                                        kAllChecks};
constexpr const EditControlParams* kLengthEditRef = &kLengthEdit;

constexpr RowItem kWideItem[] = {{kWideRange, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kLengthItem[] = {{kLength, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kLongItem[] = {{kLong, kItemEvaluateAll | kItemEvaluateCurrent}};

TEST_F(ControlsTest, LengthsInInchesAreShownInHundredthsAndStoredInTenthsOfAMillimetre) {
  static const ControlRow rows[] = {Row(4001, kWideItem, kKindEdit, &kLengthEditRef),
                                    Row(4002, kLongItem, kKindEdit, &kLengthEditRef)};
  SetNumber(kUnit, 1);
  SetNumber(kWideRange, 254);
  HWND page = OpenRows(rows, 2);
  HWND edit = GetDlgItem(page, 4001), longEdit = GetDlgItem(page, 4002);
  EXPECT_EQ(Shown(edit), u"1.00");
  EXPECT_EQ(Shown(longEdit), u"0.0");
  HandlerContext context = Context(page);
  Replace(edit, u"1.00");
  EXPECT_EQ(CommitEditValue(&context, &rows[0], &kLengthEdit, edit, TRUE), 3);
  EXPECT_EQ(Number(kWideRange), 254);
  Replace(edit, u"2.50");
  EXPECT_EQ(CommitEditValue(&context, &rows[0], &kLengthEdit, edit, TRUE), 2);
  EXPECT_EQ(Number(kWideRange), 635);
  // 1000 is shown as 3.94, which goes back as 1001 and stays there.
  SetNumber(kWideRange, 1000);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(Shown(edit), u"3.94");
  EXPECT_EQ(CommitEditValue(&context, &rows[0], &kLengthEdit, edit, TRUE), 2);
  EXPECT_EQ(Number(kWideRange), 1001);
  EXPECT_EQ(Shown(edit), u"3.94");
  EXPECT_EQ(CommitEditValue(&context, &rows[0], &kLengthEdit, edit, TRUE), 3);
  // 373 in inches: 590.6 converts to 15001, which is stored as 15000.
  Replace(longEdit, u"590.6");
  EXPECT_EQ(CommitEditValue(&context, &rows[1], &kLengthEdit, longEdit, TRUE), 2);
  EXPECT_EQ(Number(kLong), 15000);
  // Millimetres show 351 with one decimal and 373 without.
  SetNumber(kUnit, 0);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(Shown(edit), u"100.1");
  EXPECT_EQ(Shown(longEdit), u"15000");
}

// What the box shows for a stored value and what typing it back stores.
uint32_t RoundTrip(uint32_t stored) {
  LONG shown = static_cast<LONG>(stored);
  int decimals = 0;
  EXPECT_EQ(ApplyUnitConversion(1, kWideRange, kUnitShow, &shown, &decimals), 1);
  WCHAR* text = nullptr;
  EXPECT_EQ(FormatFixedPoint(&text, decimals, FALSE, 0x40, shown), 1);
  std::string narrow;
  for (const WCHAR* p = text; p && *p; ++p) narrow += static_cast<char>(*p);
  GlobalFree(text);
  DWORD typed = 0;
  EXPECT_EQ(ParseDecimalText(narrow.c_str(), decimals, kEditNumber, &typed), 1) << narrow;
  LONG back = static_cast<LONG>(typed);
  EXPECT_EQ(ApplyUnitConversion(1, kWideRange, kUnitStore, &back, &decimals), 1);
  return static_cast<uint32_t>(back);
}

TEST_F(ControlsTest, ASecondRoundTripInInchesChangesNoLength) {
  for (uint32_t value = 0; value <= 3000; ++value) {
    const uint32_t once = RoundTrip(value);
    ASSERT_EQ(RoundTrip(once), once) << value;
  }
}

TEST_F(ControlsTest, TheLengthRulesByUnitAndSetting) {
  struct Case {
    WORD unit, id;
    int mode;
    LONG in, out;
    int decimals, known;
  };
  for (const Case& c : {Case{1, 268, kUnitShow, 254, 19, 1, 1}, Case{1, 268, kUnitStore, 100, 254, 1, 1},
                        Case{0, 269, kUnitShow, 254, 254, 0, 1}, Case{1, 354, kUnitStore, 3937, 9999, 2, 1},
                        Case{0, 353, kUnitStore, 1234, 1234, 1, 1}, Case{1, 373, kUnitStore, 5906, 15000, 1, 1},
                        Case{0, 373, kUnitShow, 42, 42, 0, 1}, Case{1, 546, kUnitShow, 254, 100, 2, 1},
                        Case{0, 548, kUnitStore, 7, 7, 1, 1}, Case{1, 400, kUnitShow, 254, 254, -1, 0}}) {
    LONG value = c.in;
    int decimals = -1;
    EXPECT_EQ(ApplyUnitConversion(c.unit, c.id, c.mode, &value, &decimals), c.known) << c.id;
    EXPECT_EQ(value, c.out) << c.id << " " << c.mode;
    EXPECT_EQ(decimals, c.decimals) << c.id;
  }
}

TEST_F(ControlsTest, DecimalTextsReadWithTheirPlacesDroppedDigitsAndHalfSteps) {
  struct Case {
    const char* text;
    int decimals;
    WORD flags;
    int valid;
    DWORD value;
  };
  for (const Case& c :
       {Case{"12.3", 1, kEditHalfSteps, 1, 120}, Case{"12.7", 1, kEditHalfSteps, 1, 125},
        Case{"12.5", 1, kEditHalfSteps, 1, 125}, Case{"12.3", 1, 0, 1, 123}, Case{"1.5", 2, 0, 1, 150},
        Case{"7", 2, 0, 1, 700}, Case{".25", 2, 0, 1, 25}, Case{"12.35", 1, 0, 0, 0},
        Case{"12.35", 1, kEditDropsDecimals, 1, 123}, Case{"", 1, 0, 0, 0}, Case{".", 1, 0, 0, 0},
        Case{"1.2.3", 2, 0, 0, 0}, Case{"12x", 0, 0, 0, 0}, Case{"-5", 0, kEditSigned, 1, static_cast<DWORD>(-5)},
        Case{"-5", 0, 0, 0, 0}, Case{"429496729.6", 1, 0, 0, 0}, Case{"4294967295", 0, 0, 1, 4294967295u},
        Case{"4294967296", 0, 0, 0, 0}}) {
    DWORD value = 0;
    const int valid = ParseDecimalText(c.text, c.decimals, c.flags, &value);
    EXPECT_EQ(valid, c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

constexpr EditControlParams kHalfSteps{kEditNumber | kEditDecimals | kEditHalfSteps, 8, nullptr, &kOneDecimal,
                                       kAllChecks};
constexpr const EditControlParams* kHalfStepsRef = &kHalfSteps;

TEST_F(ControlsTest, AHalfStepBoxStoresTheFirstDecimalAsZeroOrFive) {
  static const ControlRow rows[] = {Row(4101, kLongItem, kKindEdit, &kHalfStepsRef)};
  HWND page = OpenRows(rows, 1);
  HWND edit = GetDlgItem(page, 4101);
  HandlerContext context = Context(page);
  for (auto [typed, stored, shown] : {std::tuple{u"12.3", 120, u"12.0"}, std::tuple{u"12.7", 125, u"12.5"}}) {
    Replace(edit, typed);
    CommitEditValue(&context, &rows[0], &kHalfSteps, edit, TRUE);
    EXPECT_EQ(Number(kLong), stored);
    EXPECT_EQ(Shown(edit), shown);
  }
}

constexpr EditControlParams kWideEdit{kEditNumber, 10, nullptr, &kWhole, kAllChecks};
constexpr const EditControlParams* kWideEditRef = &kWideEdit;

TEST_F(ControlsTest, AnUnreadableNumberIsRefusedEvenWhereTheRangeEndsAtTheLargestValue) {
  static const ControlRow rows[] = {Row(4201, kWideItem, kKindEdit, &kWideEditRef),
                                    Row(4202, kLengthItem, kKindEdit, &kWideEditRef)};
  SetNumber(kWideRange, 77);
  SetNumber(kLength, 88);
  HWND page = OpenRows(rows, 2);
  HandlerContext context = Context(page);
  HWND wide = GetDlgItem(page, 4201), length = GetDlgItem(page, 4202);
  Replace(wide, u"12x");
  EXPECT_EQ(CommitEditValue(&context, &rows[0], &kWideEdit, wide, TRUE), -1);
  EXPECT_EQ(Number(kWideRange), 77);
  EXPECT_EQ(Shown(wide), u"77");
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
  // Where one past the maximum exists, the settings model refuses it.
  Replace(length, u"12x");
  EXPECT_EQ(CommitEditValue(&context, &rows[1], &kWideEdit, length, TRUE), -1);
  EXPECT_EQ(Number(kLength), 88);
  // A readable number goes through.
  Replace(wide, u"4294967295");
  EXPECT_EQ(CommitEditValue(&context, &rows[0], &kWideEdit, wide, TRUE), 2);
  EXPECT_EQ(Number(kWideRange), 4294967295);
}

constexpr BYTE kPrintable[] = {0x20, 0x7E, 0};
constexpr BYTE kDoubleBytes[] = {0x81, 0x40, 0xFC, 0xFC, 0};
constexpr BYTE kLowerCase[] = {'a', 'z', 0};
constexpr CharacterRules kMemoRules{kPrintable, kDoubleBytes, nullptr, nullptr, 425};
constexpr CharacterRules kLowerCaseRules{kLowerCase, nullptr, nullptr, nullptr, 425};
constexpr EditControlParams kMemoEdit{kEditText, 8, &kMemoRules, nullptr, kAllChecks};
constexpr const EditControlParams* kMemoEditRef = &kMemoEdit;
constexpr EditControlParams kLowerCaseEdit{kEditText, 8, &kLowerCaseRules, nullptr, kEditCheckAtKillActive};
constexpr const EditControlParams* kLowerCaseEditRef = &kLowerCaseEdit;
constexpr RowItem kTextItem[] = {{kText, kItemEvaluateAll | kItemEvaluateCurrent}};

TEST_F(ControlsTest, ATextBoxRefusesATypedByteBeyondItsMaximumByPuttingTheKeptTextBack) {
  pk::seams::SetCodePages(932, 932);
  static const ControlRow rows[] = {Row(4301, kTextItem, kKindEdit, &kMemoEditRef)};
  HWND page = OpenRows(rows, 1);
  HWND edit = GetDlgItem(page, 4301);
  EXPECT_EQ(Shown(edit), u"memo");
  Replace(edit, u"");
  pk::ui::Type(edit, u"abcdefg");
  EXPECT_EQ(Stored(kText), u"abcdefg");
  // A double-byte character counts two: the ninth byte is refused.
  pk::ui::Type(edit, u"\u3042");
  EXPECT_EQ(Shown(edit), u"abcdefg");
  EXPECT_EQ(Stored(kText), u"abcdefg");
  Replace(edit, u"abcdef\u3042");
  EXPECT_EQ(Stored(kText), u"abcdef\u3042");
}

// A stored text longer than the box takes is kept as the text to come back
// to; putting it back must not start the check again without end.
TEST_F(ControlsTest, AStoredTextLongerThanTheBoxIsShownWithoutLooping) {
  const std::u16string longText = u"abcdefghij";
  const char16_t* address = longText.c_str();
  ASSERT_EQ(SetSettingValue(kText, buffers_.devMode.data(), buffers_.settings.data(), kSettingTypeText,
                            static_cast<UINT>(longText.size() * 2 + 2), &address),
            kSettingOk);
  static const ControlRow rows[] = {Row(4302, kTextItem, kKindEdit, &kMemoEditRef)};
  HWND page = OpenRows(rows, 1);
  HWND edit = GetDlgItem(page, 4302);
  EXPECT_EQ(Shown(edit), longText);
  // A typed character makes it longer still: the kept text comes back once.
  pk::ui::Type(edit, u"k");
  EXPECT_EQ(Shown(edit), longText);
  EXPECT_EQ(Stored(kText), longText);
}

TEST_F(ControlsTest, AnInvalidTextShowsTheRangeWarningOnceAndKeepsTheUserInTheBox) {
  static const ControlRow rows[] = {Row(4401, kTextItem, kKindEdit, &kLowerCaseEditRef)};
  HWND page = OpenRows(rows, 1);
  HWND edit = GetDlgItem(page, 4401);
  Replace(edit, u"ab1");
  // A focus change while the box is up asks for the same warning again.
  struct Nested {
    HWND page, edit;
    int depth = 0;
  } nested{page, edit};
  pk::seams::SetMessageBoxHandler(
      [](const pk::seams::MessageBoxCall&, void* data) {
        auto* n = static_cast<Nested*>(data);
        if (n->depth++ == 0)
          SendMessageW(n->page, WM_COMMAND, MAKEWPARAM(4401, EN_KILLFOCUS), reinterpret_cast<LPARAM>(n->edit));
        return IDOK;
      },
      &nested);
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 1);
  pk::seams::SetMessageBoxHandler(nullptr, nullptr);
  const auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  WCHAR expected[256] = {};
  ASSERT_GT(FormatResourceString(expected, 256, 425, 0, 8, 8, 4), 0);
  EXPECT_EQ(calls[0].text, std::u16string(expected));
  EXPECT_EQ(calls[0].caption, u"Printer Settings");
  EXPECT_EQ(calls[0].style & 0xF0, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(GetFocus(), edit);
  // The box shows the stored text again.
  EXPECT_EQ(Shown(edit), Stored(kText));
}

}  // namespace
}  // namespace pk::test
