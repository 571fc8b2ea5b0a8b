// Document page 16: the sample text, the live sample on the page, the stamp
// comparison when the page opens, the stamp record of the nine settings, and
// the stamp text's character check.
#include "page16_fixture.h"

namespace pk::test {
namespace {

using pk::ui::Click;

std::u16string Sample(INT textFlag, const std::u16string& text, INT dateFlag, INT timeFlag) {
  WCHAR out[kStampSampleChars + 1];
  std::fill(std::begin(out), std::end(out), u'#');
  FormatStampTextSample(textFlag, text.c_str(), dateFlag, timeFlag, out);
  return out;
}

TEST_F(Page16Test, TheSampleJoinsTextDateAndTimeAndIsCutAt64Characters) {
  const std::u16string long64(64, u'A');
  const std::u16string long60(60, u'B');
  struct Case {
    INT text;
    std::u16string stamp;
    INT date, time;
    std::u16string expected;
  } cases[] = {
      {0, u"DRAFT", 1, 1, u"(25/11/03 14:05)"},
      {1, u"DRAFT", 1, 0, u"DRAFT(25/11/03)"},
      {1, u"DRAFT", 0, 1, u"DRAFT(14:05)"},
      {1, u"DRAFT", 0, 0, u"DRAFT"},
      {0, u"DRAFT", 0, 0, u""},
      {1, long64, 1, 0, long64},
      {1, long60, 1, 1, long60 + u"(25/"},
      {2, u"DRAFT", 2, 0, u""},  // only a flag of 1 counts
  };
  for (const Case& c : cases) EXPECT_EQ(Sample(c.text, c.stamp, c.date, c.time), c.expected) << c.expected.size();
  // The year is taken modulo 100, every part with two digits.
  pk::seams::SetClock(SYSTEMTIME{2104, 1, 0, 9, 7, 3, 0, 0}, 1000);
  EXPECT_EQ(Sample(0, u"", 1, 1), u"(04/01/09 07:03)");
}

TEST_F(Page16Test, ThePageShowsTheSampleAndFollowsEachChangeOfItsSettings) {
  HWND page = OpenStampPage();
  ASSERT_NE(page, nullptr);
  HWND sample = GetDlgItem(page, kStampSampleControl);
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
  EXPECT_EQ(pk::ui::Text(sample), u"");
  Click(GetDlgItem(page, kStampPrintDateControl));
  EXPECT_EQ(Number(kStampPrintDateSetting), 1u);
  EXPECT_EQ(pk::ui::Text(sample), u"(25/11/03)");
  Click(GetDlgItem(page, kStampPrintTimeControl));
  EXPECT_EQ(pk::ui::Text(sample), u"(25/11/03 14:05)");
  Click(GetDlgItem(page, kStampPrintTextControl));
  pk::ui::Replace(GetDlgItem(page, kStampTextControl), u"DRAFT");
  EXPECT_EQ(Text(kStampTextSetting), u"DRAFT");
  EXPECT_EQ(pk::ui::Text(sample), u"DRAFT(25/11/03 14:05)");
  Click(GetDlgItem(page, kStampPrintDateControl));
  EXPECT_EQ(pk::ui::Text(sample), u"DRAFT(14:05)");

  // The refresh after a change elsewhere shows the sample again; other
  // messages leave it.
  pk::seams::SetClock(SYSTEMTIME{2025, 11, 1, 3, 14, 6, 0, 0}, 2000);
  HandlerContext context = ContextOf(page, kStampPageId);
  const ControlRow* row = FindRowByControlId(context.rows, context.rowCount, kStampSampleControl);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(StampTextSampleHandler(&context, WM_COMMAND, 0, 0, row, nullptr), 0);
  EXPECT_EQ(pk::ui::Text(sample), u"DRAFT(14:05)");
  EXPECT_EQ(StampTextSampleHandler(&context, kMsgRefresh, 0, 0, row, nullptr), 0);
  EXPECT_EQ(pk::ui::Text(sample), u"DRAFT(14:06)");
  // Without the sample control there is nothing to show.
  DestroyWindow(sample);
  EXPECT_EQ(ShowStampTextSample(&context), 0);
}

TEST_F(Page16Test, RowsShowTheirSettingsAndLabels) {
  SetNumber(kStampPositionSetting, 0x301);
  SetNumber(kStampPrintTextSetting, 1);
  SetText(kStampTextSetting, u"COPY");
  HWND page = OpenStampPage();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kStampPositionControl)), u"Top right");
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(page, kStampPrintTextControl)), BST_CHECKED);
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(page, kStampPrintDateControl)), BST_UNCHECKED);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kStampTextControl)), u"COPY");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kStampSampleControl)), u"COPY");
  // Labels: the setting's title, the row's string and, but for check boxes, ":".
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 1763)), u"Stamp position" + ResourceString(402) + u":");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 5160)), u"Stamp text" + ResourceString(408) + u":");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kStampPrintTimeControl)), u"Print the time" + ResourceString(413));
  pk::ui::SelectText(GetDlgItem(page, kStampPositionControl), u"Bottom left");
  EXPECT_EQ(Number(kStampPositionSetting), 0x103u);
}

TEST_F(Page16Test, AReadOnlySheetDisablesTheRowsAndTheStampGroup) {
  HWND page = OpenStampPage(0);
  ASSERT_NE(page, nullptr);
  for (INT id : {kStampPositionControl, kStampPrintTextControl, kStampTextControl, 1364})
    EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(page, id))) << id;
}

// ---- The stamp comparison when the page opens ------------------------------------------------------

TEST_F(Page16Test, AnEmptyStampNameIsNotCompared) {
  SetText(kStampNameSetting, u"");
  SetText(kStampTextSetting, u"Unsaved");
  DWORD before = 0;
  ASSERT_EQ(CountStoredStamps(printer_, &before, model_), kStampOk);
  ASSERT_NE(OpenStampPage(), nullptr);
  EXPECT_TRUE(Boxes().empty());
  DWORD after = 0;
  CountStoredStamps(printer_, &after, model_);
  EXPECT_EQ(after, before);
  EXPECT_EQ(Text(kStampTextSetting), u"Unsaved");
}

TEST_F(Page16Test, AStampStoredWithTheSameValuesOpensWithoutAMessage) {
  const StampRecord mine = MakeStamp(u"Mine", u"MINE", RGB(0, 0, 255));
  ASSERT_EQ(SaveStampRecord(printer_, &mine, model_), kStampOk);
  PutWorking(mine);
  ASSERT_NE(OpenStampPage(), nullptr);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(SameRecord(Working(), mine));
}

TEST_F(Page16Test, AStoredStampWithOtherValuesIsReloadedOnCancelAndReplacedOnOk) {
  const StampRecord stored = MakeStamp(u"Mine", u"STORED", RGB(255, 0, 0));
  StampRecord working = MakeStamp(u"Mine", u"WORKING", RGB(0, 0, 255));
  working.position = 0x202;
  for (int answer : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(answer);
    ASSERT_EQ(SaveStampRecord(printer_, &stored, model_), kStampOk);
    PutWorking(working);
    pk::seams::QueueMessageBoxAnswer(answer);
    ASSERT_NE(OpenStampPage(), nullptr);
    ASSERT_EQ(pk::seams::MessageBoxCalls().size(), answer == IDCANCEL ? 1u : 2u);
    const auto box = pk::seams::MessageBoxCalls().back();
    EXPECT_EQ(box.text, ResourceString(kStampDiffersMessage));
    EXPECT_EQ(box.caption, ResourceString(kWarningCaptionString));
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING));
    if (answer == IDCANCEL) {
      // All nine settings, name and text included, take the stored stamp.
      EXPECT_TRUE(SameRecord(Working(), stored));
      EXPECT_EQ(Text(kStampTextSetting), u"STORED");
      EXPECT_EQ(pk::ui::Text(GetDlgItem(pages_.back(), kStampTextControl)), u"STORED");
    } else {
      EXPECT_TRUE(SameRecord(Working(), working));
      EXPECT_TRUE(SameRecord(Stored(u"Mine"), working));
    }
    // The next round starts from a fresh sheet.
    DestroyWindow(pages_.back());
    FreeSheetContext(sheet_);
    sheet_ = nullptr;
  }
}

TEST_F(Page16Test, ANewStampNameIsStoredWhileThereIsRoom) {
  const StampRecord fresh = MakeStamp(u"Fresh", u"FRESH", RGB(0, 128, 0));
  PutWorking(fresh);
  pk::seams::QueueMessageBoxAnswer(IDOK);
  ASSERT_NE(OpenStampPage(), nullptr);
  ASSERT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].text, ResourceString(kStampStoredMessage));
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(IsStampRecordStored(printer_, &fresh, model_), kStampOk);
  EXPECT_TRUE(SameRecord(Working(), fresh));
}

TEST_F(Page16Test, ANewStampNameWithThirtyTwoStoredTakesTheDefaultStampWithoutNameAndText) {
  DWORD count = 0;
  ASSERT_EQ(CountStoredStamps(printer_, &count, model_), kStampOk);
  for (DWORD n = count; n < kMaxStoredStamps; ++n) {
    const std::u16string name = u"Kept " + std::u16string(1, static_cast<char16_t>(u'A' + n));
    const StampRecord kept = MakeStamp(name, u"KEPT", RGB(1, 2, 3));
    ASSERT_EQ(SaveStampRecord(printer_, &kept, model_), kStampOk) << n;
  }
  PutWorking(MakeStamp(u"One too many", u"EXTRA", RGB(9, 9, 9)));
  pk::seams::QueueMessageBoxAnswer(IDOK);
  ASSERT_NE(OpenStampPage(), nullptr);
  ASSERT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].text, ResourceString(kStampNoRoomMessage));
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  StampRecord expected{};
  LoadBuiltInStamp(&expected, &kDefaultStamp);
  std::fill(std::begin(expected.name), std::end(expected.name), u'\0');
  std::fill(std::begin(expected.text), std::end(expected.text), u'\0');
  EXPECT_TRUE(SameRecord(Working(), expected));
  EXPECT_EQ(Text(kStampNameSetting), u"");
  EXPECT_EQ(CanAddStamp(printer_, u"One too many", model_), kStampStoreFull);
}

// ---- The stamp record ------------------------------------------------------------------------------

TEST_F(Page16Test, BuildingAndApplyingTheSameRecordLeavesTheWorkingDevModeByteForByte) {
  PutWorking(MakeStamp(u"Round", u"ROUND TRIP", RGB(12, 34, 56)));
  Sheet();
  StampRecord record = Working();
  ASSERT_EQ(SaveStampRecord(printer_, &record, model_), kStampOk);
  const std::vector<uint8_t> before(static_cast<uint8_t*>(DevMode()), static_cast<uint8_t*>(DevMode()) + 4700);
  HWND window = OpenPage(kStampPageId, kDialogTopPage);
  EXPECT_EQ(ApplyStampRecord(u"Round", window, kStampApplyWhole, model_, DevMode(), Settings()), kStampApplyDone);
  const std::vector<uint8_t> after(static_cast<uint8_t*>(DevMode()), static_cast<uint8_t*>(DevMode()) + 4700);
  EXPECT_EQ(before, after);
  // The record's fields mirror the settings.
  EXPECT_EQ(std::u16string(record.text), u"ROUND TRIP");
  EXPECT_EQ(record.color, RGB(12, 34, 56));
  EXPECT_EQ(record.position, 0x301);
  EXPECT_EQ(record.frame, 1);
  EXPECT_EQ(record.font.lfHeight, 48);
}

TEST_F(Page16Test, ApplyingAStampAnswersItsFailures) {
  Sheet();
  HWND window = OpenPage(kStampPageId, kDialogTopPage);
  // An empty name is no name: the built-in default stamp, name and text kept.
  EXPECT_EQ(ApplyStampRecord(u"", window, kStampApplyWhole, model_, DevMode(), Settings()), kStampApplyDone);
  StampRecord expected{};
  LoadBuiltInStamp(&expected, &kDefaultStamp);
  EXPECT_TRUE(SameRecord(Working(), expected));
  EXPECT_EQ(ApplyStampRecord(u"Never stored", window, kStampApplyWhole, model_, DevMode(), Settings()),
            kStampApplyNoRecord);
  EXPECT_EQ(ApplyStampRecord(nullptr, window, kStampApplyEmptied, model_, nullptr, nullptr), kStampApplyFailed);
  StampRecord record{};
  EXPECT_EQ(BuildStampRecord(model_, nullptr, Settings(), &record), 0);
  EXPECT_EQ(BuildStampRecord(model_, DevMode(), Settings(), nullptr), 0);
}

// ---- The stamp text's characters ---------------------------------------------------------------------

TEST_F(Page16Test, AStampTextWithADoubleQuoteIsRefusedAtKillActive) {
  HWND page = OpenStampPage();
  ASSERT_NE(page, nullptr);
  HWND box = GetDlgItem(page, kStampTextControl);
  std::u16string quoted(63, u'Q');
  quoted.insert(10, u"\"");
  ASSERT_EQ(quoted.size(), 64u);
  pk::ui::Replace(box, quoted);
  pk::seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_NE(Notify(page, PSN_KILLACTIVE), 0);
  ASSERT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].text, ResourceString(kStampTextCharsMessage));
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].caption, ResourceString(kWarningCaptionString));
  // 64 characters without the quote pass.
  pk::ui::Replace(box, std::u16string(64, u'Q'));
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
  EXPECT_EQ(Text(kStampTextSetting), std::u16string(64, u'Q'));
}

TEST_F(Page16Test, AStampTextOfDoubleByteCharactersPasses) {
  pk::seams::SetCodePages(932, 932);
  HWND page = OpenStampPage();
  ASSERT_NE(page, nullptr);
  HWND box = GetDlgItem(page, kStampTextControl);
  const std::u16string text = u"\u627F\u8A8D\u6E08\u307F COPY";  // four double-byte characters
  pk::ui::Replace(box, text);
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Text(kStampTextSetting), text);
  // The double quote stays refused beside them.
  pk::ui::Replace(box, u"\u627F\u8A8D\"");
  pk::seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_NE(Notify(page, PSN_KILLACTIVE), 0);
  EXPECT_EQ(Boxes(), std::vector<std::u16string>{ResourceString(kStampTextCharsMessage)});
}

}  // namespace
}  // namespace pk::test
