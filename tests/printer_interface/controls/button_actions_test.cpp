// The push-button kind and its actions: sub-dialogs on a copy of the
// settings, restoring a page's defaults, help, documents and the state of a
// button.
#include <cstring>

#include "controls_fixture.h"
#include "platform/win/win_memory.h"
#include "settings/devmode/devmode_layout.h"

namespace pk::test {
namespace {

constexpr RowItem kCheckItem[] = {{kCheck, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kRadioItem[] = {{kRadio, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kStatusesItem[] = {{kStatuses, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kStatesItem[] = {{kStates, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ListControlParams kChoices{kListModeChoices, 0, 0, 0, nullptr, nullptr};

INT_PTR SubDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageProcedure(window, message, wParam, lParam, 14, kDialogModal);
}
constexpr SubDialogEntry kSubEntry[] = {{9701, &SubDialogProc, 14, 0}};
constexpr SubDialogSpec kSubDialog{kSubEntry, 1, kNoControl, 0, 0};
constexpr SubDialogSpec kCheckedSubDialog{kSubEntry, 1, kNoControl, 1, kStates};
constexpr ButtonAction kOpenSub{kActionSubDialog, &kSubDialog};
constexpr ButtonAction kOpenCheckedSub{kActionSubDialog, &kCheckedSubDialog};

class ButtonActionsTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    subSet_ = PageControlSet{kSubRows, 2, 77, kNoHelp, kNoFurther, 0};
  }
  static constexpr BYTE kLowerCase[] = {'a', 'z', 0};
  static constexpr CharacterRules kLowerCaseRules{kLowerCase, nullptr, nullptr, nullptr, 425};
  static constexpr EditControlParams kMemoEdit{kEditText, 8, &kLowerCaseRules, nullptr, kEditCheckAtValidate};
  static constexpr const EditControlParams* kMemoEditRef = &kMemoEdit;
  static constexpr RowItem kTextItem[] = {{kText, kItemEvaluateAll | kItemEvaluateCurrent}};
  static inline const ControlRow kSubRows[] = {Row(7330, kCheckItem, kKindCheckBox, nullptr),
                                               Row(7331, kTextItem, kKindEdit, &kMemoEditRef)};
};

TEST_F(ButtonActionsTest, ASubDialogClosedWithOkWritesItsCopyBackAndCancelLeavesThePage) {
  static const ControlRow rows[] = {Row(5001, nullptr, kKindPushButton, &kOpenSub, 0),
                                    Row(5002, kCheckItem, kKindCheckBox, nullptr)};
  HWND page = OpenRows(rows, 2);
  EXPECT_EQ(Number(kCheck), 0);
  bool shown = false;
  pk::ui::QueueDialogScript(9701, [&](HWND dialog) {
    // The dialog works on the page's values.
    shown = pk::ui::CheckState(GetDlgItem(dialog, 7330)) == BST_UNCHECKED;
    pk::ui::Click(GetDlgItem(dialog, 7330));
    pk::ui::ClickItem(dialog, 1091);
  });
  pk::ui::ClickItem(page, 5001);
  EXPECT_TRUE(shown);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(page, 5002)), BST_UNCHECKED);

  pk::ui::QueueDialogScript(9701, [](HWND dialog) {
    pk::ui::Click(GetDlgItem(dialog, 7330));
    pk::ui::ClickItem(dialog, 1092);
  });
  pk::ui::ClickItem(page, 5001);
  EXPECT_EQ(Number(kCheck), 1);
  // The page was activated again with the dialog's values.
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(page, 5002)), BST_CHECKED);
  EXPECT_EQ(GetFocus(), GetDlgItem(page, 5001));
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

constexpr RowItem kLengthItem[] = {{kLength, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr EditUnitRecord kWhole{0, 0};
constexpr EditControlParams kNumberEdit{kEditNumber, 5, nullptr, &kWhole, kEditCheckAtKillActive};
constexpr const EditControlParams* kNumberEditRef = &kNumberEdit;

TEST_F(ButtonActionsTest, AValueTypedBeforeASubDialogOpensSurvivesTheDialog) {
  static const ControlRow rows[] = {Row(5001, nullptr, kKindPushButton, &kOpenSub, 0),
                                    Row(5003, kLengthItem, kKindEdit, &kNumberEditRef)};
  HWND page = OpenRows(rows, 2);
  pk::ui::Replace(GetDlgItem(page, 5003), u"150");  // typed, not yet committed
  // The page gives it up as the dialog opens: written with the partner's
  // resolution, which the dialog's copy must hold.
  pk::ui::QueueDialogScript(9701, [](HWND dialog) {
    pk::ui::Click(GetDlgItem(dialog, 7330));
    pk::ui::ClickItem(dialog, 1092);
  });
  pk::ui::ClickItem(page, 5001);
  EXPECT_EQ(Number(kLength), 150);
  EXPECT_EQ(Number(kPartner), 1);
  EXPECT_EQ(Number(kCheck), 1);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 5003)), u"150");
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

TEST_F(ButtonActionsTest, OkOfASubDialogWhoseRowRefusesKeepsTheDialogOpen) {
  static const ControlRow rows[] = {Row(5001, nullptr, kKindPushButton, &kOpenSub, 0)};
  HWND page = OpenRows(rows, 1);
  bool stayed = false;
  pk::ui::QueueDialogScript(9701, [&](HWND dialog) {
    pk::ui::Click(GetDlgItem(dialog, 7330));
    pk::ui::Replace(GetDlgItem(dialog, 7331), u"ab1");
    pk::seams::QueueMessageBoxAnswer(IDOK);
    pk::ui::ClickItem(dialog, 1092);
    stayed = IsWindow(dialog) && pk::seams::MessageBoxCalls().size() == 1;
    pk::ui::ClickItem(dialog, 1091);
  });
  pk::ui::ClickItem(page, 5001);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(Stored(kText), u"memo");
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

TEST_F(ButtonActionsTest, ASubDialogWithTheCheckFlagOpensNothingWhenTheChangeIsRefused) {
  static const ControlRow rows[] = {Row(5001, nullptr, kKindPushButton, &kOpenCheckedSub, 0)};
  SetNumber(kStates, 7);  // forbidden while portrait
  HWND page = OpenRows(rows, 1);
  HandlerContext context = Context(page);
  pk::seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(OpenSubDialog(&context, &rows[0], &kCheckedSubDialog), 1);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());  // no dialog was made
  // Without the conflict the dialog opens.
  SetNumber(7, 2);
  pk::ui::QueueDialogScript(9701, [](HWND dialog) { pk::ui::ClickItem(dialog, 1092); });
  EXPECT_EQ(OpenSubDialog(&context, &rows[0], &kCheckedSubDialog), 1);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

constexpr ButtonAction kHelp{kActionHelp, nullptr};
constexpr INT kHeaderDocument = kNoControl;
constexpr INT kStringDocument = 461;
constexpr ButtonAction kOpenHeaderDocument{kActionDocument, &kHeaderDocument};
constexpr ButtonAction kOpenStringDocument{kActionDocument, &kStringDocument};

TEST_F(ButtonActionsTest, HelpAndDocumentsGoToTheShell) {
  static const ControlRow rows[] = {Row(5101, nullptr, kKindPushButton, &kHelp, 0),
                                    Row(5102, nullptr, kKindPushButton, &kOpenHeaderDocument, 0),
                                    Row(5103, nullptr, kKindPushButton, &kOpenStringDocument, 0)};
  HWND page = OpenRows(rows, 3);
  const char16_t help[] = u"C:\\Help\\driver.hlp";
  sheet_->state->helpFile = static_cast<WCHAR*>(GlobalAlloc(GPTR, sizeof help));
  std::memcpy(sheet_->state->helpFile, help, sizeof help);
  pk::ui::ClickItem(page, 5101);
  pk::ui::ClickItem(page, 5102);
  pk::ui::ClickItem(page, 5103);
  const auto calls = pk::ui::ShellCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].call, "WinHelpW");
  EXPECT_EQ(calls[0].file, help);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 4321u);
  EXPECT_EQ(calls[1].call, "ShellExecuteW");
  EXPECT_EQ(calls[1].operation, u"open");
  EXPECT_EQ(calls[1].file, u"C:\\Docs\\manual.pdf");
  EXPECT_EQ(calls[2].file, u"in");
}

TEST_F(ButtonActionsTest, RestoringDefaultsResetsThePageAndNamesTheChangedSettings) {
  static const ControlRow rows[] = {Row(5201, kCheckItem, kKindCheckBox, nullptr),
                                    Row(5202, kStatusesItem, kKindComboBox, &kChoices),
                                    Row(5203, kRadioItem, kKindStateFollower, nullptr)};
  SetNumber(kCheck, 1);
  SetNumber(kStatuses, 3);
  SetNumber(kRadio, 2);
  HWND page = OpenRows(rows, 3);
  HandlerContext context = Context(page);
  EXPECT_EQ(RestorePageDefaults(&context, &rows[0]), 1);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(Number(kStatuses), 0);
  EXPECT_EQ(Number(kRadio), 0);
  ASSERT_NE(context.changedIds, nullptr);
  for (WORD id : {kCheck, kStatuses, kRadio}) EXPECT_TRUE(IsSettingInChangedList(context.changedIds, id)) << id;
  EXPECT_EQ(context.changed, 1);
  GlobalFree(context.changedIds);
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
  // The common defaults button does the same and the page shows it.
  SetNumber(kCheck, 1);
  Notify(page, PSN_SETACTIVE);
  pk::ui::ClickItem(page, 1090);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(page, 5201)), BST_UNCHECKED);
}

TEST_F(ButtonActionsTest, DefaultsThatConflictAreConfirmedAndCancelRestoresTheSettingsByteForByte) {
  static const ControlRow rows[] = {Row(5201, kCheckItem, kKindCheckBox, nullptr)};
  SetNumber(kCheck, 1);
  SetNumber(kPartner, 1);  // B: refuses kCheck's default
  HWND page = OpenRows(rows, 1);
  const std::vector<BYTE> devMode(static_cast<BYTE*>(sheet_->working.devMode),
                                  static_cast<BYTE*>(sheet_->working.devMode) + kWorkingDevModeSize);
  const std::vector<BYTE> settings(static_cast<BYTE*>(sheet_->working.settings),
                                   static_cast<BYTE*>(sheet_->working.settings) + kPrinterSettingsBlockSize);
  HandlerContext context = Context(page);
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  RestorePageDefaults(&context, &rows[0]);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].text.find(u"Partner"), std::u16string::npos);
  EXPECT_EQ(std::memcmp(sheet_->working.devMode, devMode.data(), devMode.size()), 0);
  EXPECT_EQ(std::memcmp(sheet_->working.settings, settings.data(), settings.size()), 0);
  EXPECT_EQ(context.changedIds, nullptr);

  pk::seams::QueueMessageBoxAnswer(IDOK);
  RestorePageDefaults(&context, &rows[0]);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(Number(kPartner), 0);
  ASSERT_NE(context.changedIds, nullptr);
  EXPECT_TRUE(IsSettingInChangedList(context.changedIds, kCheck));
  EXPECT_TRUE(IsSettingInChangedList(context.changedIds, kPartner));
  GlobalFree(context.changedIds);
}

constexpr ButtonAction kNothing{kActionNothing, nullptr};

TEST_F(ButtonActionsTest, AButtonTakesTheStatusOfItsSettingAndAReadOnlySheetDisablesIt) {
  static const ControlRow rows[] = {Row(5301, kStatesItem, kKindPushButton, &kNothing)};
  SetNumber(kStates, 3);  // status 3: shown and enabled
  HWND page = OpenRows(rows, 1);
  EXPECT_TRUE(pk::ui::Enabled(GetDlgItem(page, 5301)));
  HandlerContext context = Context(page);
  context.permission = 0;
  EXPECT_EQ(UpdateButtonState(&context, PSN_SETACTIVE, nullptr, &rows[0]), 0);
  EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(page, 5301)));
  EXPECT_EQ(UpdateButtonState(&context, WM_COMMAND, nullptr, &rows[0]), 1);
  // A missing row or block answers as the action does.
  EXPECT_EQ(RunButtonAction(&context, WM_COMMAND, 0, nullptr, nullptr), 1);
  static const ControlRow bare = Row(5302, nullptr, kKindPushButton, nullptr, 0);
  EXPECT_EQ(RunButtonAction(&context, WM_COMMAND, 0, nullptr, &bare), 0);
}

}  // namespace
}  // namespace pk::test
