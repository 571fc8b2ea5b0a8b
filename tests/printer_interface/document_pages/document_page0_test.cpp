// Document page 0 from its template on the default printer: the automatic
// scale while scaling is off, switching scaling, the fit check when the page
// is left from the percent box, the copies box, the paper lists and labels.
#include <gtest/gtest.h>

#include "document_pages_fixture.h"
#include "printer_interface/pages/about_dialog.h"
#include "settings/conflict_actions/conflict_messages.h"

namespace pk::test {
namespace {

using DocumentPage0Test = DocumentPagesTest;

TEST_F(DocumentPage0Test, EveryRowFindsItsControlAndEveryBoundSettingHasChoices) {
  struct Dialog {
    UINT templateId;
    INT pageId;
    const ControlRow* (*rows)(UINT*);
  };
  for (const Dialog& d : {Dialog{kPage0Template, 0, &DocumentPage0Rows}, Dialog{kPage2Template, 2, &DocumentPage2Rows},
                          Dialog{kMarginsTemplate, kMarginsPageId, &MarginsDialogRows}}) {
    HWND dialog = d.pageId == kMarginsPageId ? OpenMargins() : d.pageId == 0 ? OpenPage0() : OpenPage2();
    ASSERT_NE(dialog, nullptr);
    UINT count = 0;
    const ControlRow* rows = d.rows(&count);
    EXPECT_EQ(static_cast<INT>(count), GetPageRowCount(sheet_->state, d.pageId));
    for (UINT i = 0; i < count; ++i) {
      const ControlRow& row = rows[i];
      if (row.controlId != kNoControl) {
        EXPECT_NE(GetDlgItem(dialog, row.controlId), nullptr) << d.templateId << " control " << row.controlId;
      }
      if (row.labelId != kNoControl) {
        EXPECT_NE(GetDlgItem(dialog, row.labelId), nullptr) << d.templateId << " label " << row.labelId;
      }
      if (row.controlId == kNoControl) continue;
      for (INT k = 0; k < row.itemCount; ++k) {
        EXPECT_NE(FindPageChoiceList(sheet_, row.items[k].id), nullptr)
            << d.templateId << " control " << row.controlId << " setting " << row.items[k].id;
      }
    }
  }
  for (INT id : {1335, 1339}) {
    bool listed = false;
    for (const INT* f = GetPageControlSet(sheet_->state, kMarginsPageId)->furtherControls; *f != kNoControl; ++f)
      listed = listed || *f == id;
    EXPECT_TRUE(listed) << id;
  }
}

// The about button opens the about dialog with its own procedure, which
// fills the identification block.
TEST_F(DocumentPage0Test, TheAboutButtonOpensTheAboutDialog) {
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  std::u16string shown;
  pk::ui::QueueDialogScript(kAboutTemplate, [&](HWND dialog) {
    shown = pk::ui::Text(GetDlgItem(dialog, kAboutIdentityControl));
    pk::ui::Click(GetDlgItem(dialog, kAboutOkButton));
  });
  pk::ui::Click(GetDlgItem(page, 1000));
  EXPECT_EQ(shown.substr(0, 23), u"Ornavel Caldrix\nOrvalis");
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

TEST_F(DocumentPage0Test, WithScalingOffThePercentFollowsThePapers) {
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  HWND box = GetDlgItem(page, 1010);
  EXPECT_NE(pk::ui::Style(box) & ES_READONLY, 0u);
  EXPECT_EQ(pk::ui::Text(box), u"100");  // the output paper is the document's
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1006), u"A5"));
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1008), u"A4"));
  EXPECT_EQ(Number(8), 11);
  EXPECT_EQ(Number(262), 9);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(Number(263), 141);
  EXPECT_EQ(pk::ui::Text(box), u"141");
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1006), u"B5 (JIS)"));
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(Number(263), 115);
  Snapshot(page, "document_page0");

  // Scaling on: 100 % on the document's paper, the focus in the box, which
  // takes typing.
  pk::ui::Click(GetDlgItem(page, 1184));
  EXPECT_EQ(Number(449), 1);
  EXPECT_EQ(Number(262), 267);
  EXPECT_EQ(Number(263), 100);
  EXPECT_EQ(pk::ui::Text(box), u"100");
  EXPECT_EQ(GetFocus(), box);
  EXPECT_EQ(pk::ui::Style(box) & ES_READONLY, 0u);
  // An output paper switches scaling off: read-only with the automatic percent.
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1008), u"A4"));
  EXPECT_EQ(Number(449), 0);
  EXPECT_NE(pk::ui::Style(box) & ES_READONLY, 0u);
  EXPECT_EQ(Number(263), 115);
  EXPECT_EQ(pk::ui::Text(box), u"115");
}

TEST_F(DocumentPage0Test, LeavingThePageFromAPercentThatDoesNotFitWarnsAndMovesToOk) {
  // Scaling in layout mode 1 on one sheet: the scaled page must fit it.
  SetNumber(449, 1);
  SetNumber(321, 1);
  SetNumber(296, 0x0101);
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  HWND box = GetDlgItem(page, 1010);
  for (int i = 0; i < 4; ++i) seams::QueueMessageBoxAnswer(IDOK);
  pk::ui::Replace(box, u"400");
  ASSERT_EQ(GetFocus(), box);
  const size_t before = seams::MessageBoxCalls().size();
  EXPECT_NE(Notify(page, PSN_KILLACTIVE), 0);
  const auto calls = seams::MessageBoxCalls();
  bool warned = false;
  for (size_t i = before; i < calls.size(); ++i)
    warned = warned || calls[i].text.find(u"does not fit") != std::u16string::npos;
  EXPECT_TRUE(warned);
  EXPECT_EQ(GetFocus(), GetDlgItem(frame_, 1));
  // The focus elsewhere, the page is left without another check.
  const size_t after = seams::MessageBoxCalls().size();
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
  EXPECT_EQ(seams::MessageBoxCalls().size(), after);
}

TEST_F(DocumentPage0Test, LeavingThePercentBoxChecksTheFitUnlessTheFocusGoesToScaling) {
  SetNumber(449, 1);
  SetNumber(321, 1);
  SetNumber(296, 0x0101);
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  HWND box = GetDlgItem(page, 1010);
  auto fitBoxes = [] {
    int n = 0;
    for (const auto& call : seams::MessageBoxCalls()) n += call.text.find(u"does not fit") != std::u16string::npos;
    return n;
  };
  for (int i = 0; i < 6; ++i) seams::QueueMessageBoxAnswer(IDOK);
  pk::ui::Replace(box, u"400");
  const int before = fitBoxes();
  // To the scaling check box: no check.
  pk::ui::Focus(GetDlgItem(page, 1184));
  const int afterScaling = fitBoxes();
  // To any other control: the check and its message.
  pk::ui::Focus(box);
  pk::ui::Focus(GetDlgItem(page, 1011));
  EXPECT_EQ(fitBoxes() - afterScaling, 1);
  // The change of the percent itself warned once; the focus move did not.
  EXPECT_EQ(afterScaling - before, 1);
  EXPECT_EQ(sheet_->state->changeBusy, 0);
}

TEST_F(DocumentPage0Test, CopiesBoxIsReadOnlyForAddedSheetsOfTheBypassMedia) {
  struct Case {
    uint32_t defaultSource, privateSource, media, added;
    bool readOnly;
  };
  for (const Case& c : {Case{4, 7, 3, 1, true}, Case{15, 4, 3, 1, true}, Case{4, 4, 2, 1, false},
                        Case{15, 7, 3, 1, false}, Case{4, 4, 3, 0, false}}) {
    buffers_ = SettingsBuffers{};
    ASSERT_EQ(BuildDefaultSettings(model_, buffers_.devMode.data(), buffers_.settings.data(), PK_DEFAULT_PRINTER_NAME),
              1);
    if (sheet_) FreeSheetContext(sheet_);
    sheet_ = nullptr;
    SetNumber(13, c.defaultSource);
    SetNumber(265, c.privateSource);
    SetNumber(388, c.media);
    SetNumber(481, c.added);
    HWND page = OpenPage0();
    ASSERT_NE(page, nullptr);
    HWND box = GetDlgItem(page, 1011);
    EXPECT_EQ((pk::ui::Style(box) & ES_READONLY) != 0, c.readOnly) << c.defaultSource << " " << c.privateSource;
    const int64_t copies = Number(12);
    pk::ui::Spin(GetDlgItem(page, 1029), 1);
    EXPECT_EQ(Number(12), c.readOnly ? copies : copies + 1);
    DestroyWindow(page);
  }
}

TEST_F(DocumentPage0Test, LabelsPutTheAccessKeyIntoTheName) {
  HMODULE module = GetResourceModule();
  WCHAR out[kLabelChars] = {};
  // String 5051 is "(&C)".
  ASSERT_EQ(BuildLabelText(module, u"Copies", nullptr, 5051, out), 1);
  EXPECT_EQ(std::u16string(out), u"&Copies:");
  ASSERT_EQ(BuildLabelText(module, u"Number", nullptr, 5051, out), 1);
  EXPECT_EQ(std::u16string(out), u"Number(&C):");
  ASSERT_EQ(BuildLabelText(module, u"Scale", u" (25 to 400)", 5051, out), 1);
  EXPECT_EQ(std::u16string(out), u"S&cale (25 to 400):");
  EXPECT_EQ(BuildLabelText(module, nullptr, nullptr, 5051, out), 0);

  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  // The binding margin's label carries its range, the unit box its unit.
  EXPECT_EQ(Text(page, 1328), u"Binding margin(0 to 15000 mm)(&X):");
  EXPECT_EQ(Text(page, 1330), u"mm");
}

TEST_F(DocumentPage0Test, InInchesTheRangeLabelShowsHundredthsWithADecimal) {
  SetNumber(1044, 1);
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Text(page, 1328), u"Binding margin(0.0 to 590.6 in)(&X):");
  EXPECT_EQ(Text(page, 1330), u"in");
}

// A message that reaches the percent box while another row's change is
// still running (its conflict box open) leaves that change's guard in place,
// so a second change inside it is not run.
TEST_F(DocumentPage0Test, ANestedMessageToThePercentBoxKeepsTheRunningChangesGuard) {
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  HandlerContext context = ContextOf(page, 0);
  const ControlRow* paper = FindRowByControlId(context.rows, context.rowCount, 1006);
  ItemSlot* slot = GetCurrentItemSlot(&context, paper);
  ASSERT_NE(slot, nullptr);
  // The guard as TryChangeSetting holds it while its box is answered.
  sheet_->state->changeBusy = 1;
  const size_t boxes = seams::MessageBoxCalls().size();
  HWND box = GetDlgItem(page, 1010);
  SendMessageW(page, kMsgRefresh, 0, 0);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1010, EN_KILLFOCUS), reinterpret_cast<LPARAM>(box));
  SendMessageW(page, kMsgRowPrivate1, 1010, 0);
  SetFocus(box);
  Notify(page, PSN_KILLACTIVE);
  EXPECT_EQ(sheet_->state->changeBusy, 1);
  // A nested change answers at once and writes nothing.
  const uint64_t a3 = 8;
  WORD* ids = nullptr;
  EXPECT_EQ(TryChangeSetting(&context, paper, slot, &a3, &ids), 2);
  EXPECT_EQ(ids, nullptr);
  EXPECT_EQ(Number(8), 9);
  // No fit check ran inside the change.
  EXPECT_EQ(seams::MessageBoxCalls().size(), boxes);
  sheet_->state->changeBusy = 0;
}

}  // namespace
}  // namespace pk::test
