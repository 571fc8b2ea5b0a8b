// Document page 2 from its template on the default printer: the adjustment
// rows that edit whichever adjustment 272 selects, the access-key label of
// setting 355, the buddy spin of a read-only box and the quality reset.
#include <gtest/gtest.h>

#include "document_pages_fixture.h"

namespace pk::test {
namespace {

using DocumentPage2Test = DocumentPagesTest;

TEST_F(DocumentPage2Test, AdjustmentRowsEditTheSelectedAdjustment) {
  struct Case {
    uint32_t separately, item;
    WORD edited;
  };
  // 482 off: the common adjustment whatever 272 holds; on: the one 272 names.
  for (const Case& c : {Case{0, 0, 282}, Case{0, 2, 282}, Case{1, 0, 283}, Case{1, 1, 284}, Case{1, 2, 285}}) {
    SetNumber(482, c.separately);
    SetNumber(272, c.item);
    HWND page = OpenPage2();
    ASSERT_NE(page, nullptr);
    for (INT control : {1150, 1151, 1104, 1103, 5159})
      EXPECT_EQ(CurrentSetting(page, 2, control), c.edited) << c.separately << " " << c.item << " " << control;
    DestroyWindow(page);
  }
}

TEST_F(DocumentPage2Test, AnItemOutsideTheListLeavesTheCurrentAdjustment) {
  SetNumber(482, 1);
  SetNumber(272, 1);
  HWND page = OpenPage2();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(CurrentSetting(page, 2, 1103), 284);
  SetNumber(272, 4);
  Notify(page, PSN_SETACTIVE);
  for (INT control : {1150, 1151, 1104, 1103, 5159}) EXPECT_EQ(CurrentSetting(page, 2, control), 284) << control;
  // Typing into the box edits the current adjustment only.
  pk::ui::Replace(GetDlgItem(page, 1103), u"-30");
  Notify(page, PSN_KILLACTIVE);
  EXPECT_EQ(Number(284), -30);
  EXPECT_EQ(Number(282), 0);
  EXPECT_EQ(Number(283), 0);
  Notify(page, PSN_SETACTIVE);
  Snapshot(page, "document_page2");
}

TEST_F(DocumentPage2Test, TheValueLabelPutsTheAccessKeyIntoTheFeatureName) {
  HWND page = OpenPage2();
  ASSERT_NE(page, nullptr);
  // "Sharpness" with string 402 "(&P)" and string 5214 " level".
  EXPECT_EQ(Text(page, 5163), u"Shar&pness level:");
}

TEST_F(DocumentPage2Test, TheSpinOfAReadOnlyBoxDoesNothing) {
  HWND page = OpenPage2();
  ASSERT_NE(page, nullptr);
  const int64_t before = Number(355);
  pk::ui::Spin(GetDlgItem(page, 5165), 1);
  EXPECT_EQ(Number(355), before + 1);
  SendMessageW(GetDlgItem(page, 5164), EM_SETREADONLY, TRUE, 0);
  pk::ui::Spin(GetDlgItem(page, 5165), 1);
  EXPECT_EQ(Number(355), before + 1);
}

TEST_F(DocumentPage2Test, TheResetButtonResetsTheQualityWhenTheOutputModeAsksForIt) {
  for (uint32_t mode : {1032u, 1u}) {
    buffers_ = SettingsBuffers{};
    ASSERT_EQ(BuildDefaultSettings(model_, buffers_.devMode.data(), buffers_.settings.data(), PK_DEFAULT_PRINTER_NAME),
              1);
    if (sheet_) FreeSheetContext(sheet_);
    sheet_ = nullptr;
    SetNumber(271, mode);
    HWND page = OpenPage2();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1081), u"400 x 400 dpi"));
    ASSERT_EQ(Number(14), 0x01900190);
    const size_t boxes = seams::MessageBoxCalls().size();
    for (int i = 0; i < 3; ++i) seams::QueueMessageBoxAnswer(IDOK);
    pk::ui::Click(GetDlgItem(page, 1090));
    // The page's defaults come back, 14 among them.
    EXPECT_EQ(Number(14), 0x02580258) << mode;
    const auto calls = seams::MessageBoxCalls();
    bool told = false;
    for (size_t i = boxes; i < calls.size(); ++i)
      told = told || ((calls[i].style & MB_ICONINFORMATION) == MB_ICONINFORMATION &&
                      calls[i].text.find(u"is now 600 x 600 dpi.") != std::u16string::npos);
    EXPECT_EQ(told, mode == 1032) << mode;
    DestroyWindow(page);
  }
}

}  // namespace
}  // namespace pk::test
