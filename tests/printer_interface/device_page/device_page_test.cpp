// The device page on the default printer: the list of printer settings, the
// editors it switches, the empty-folder warning, what a user without
// permission may change, and the rows of all three tables in their templates.
#include <tuple>
#include <vector>

#include "device_page_fixture.h"

namespace pk::test {
namespace {

INT_PTR CALLBACK NothingProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The tab stops a list is given, seen on their way in.
WNDPROC gListProc = nullptr;
std::vector<INT> gTabStops;
LRESULT CALLBACK TabStopSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == LB_SETTABSTOPS && lParam)
    gTabStops.assign(reinterpret_cast<const INT*>(lParam), reinterpret_cast<const INT*>(lParam) + wParam);
  return CallWindowProcW(gListProc, window, message, wParam, lParam);
}

TEST_F(DevicePageTest, EveryRowFindsItsControlInItsTemplate) {
  MakeDeviceSheet();
  for (auto [pageId, templateId] : {std::pair{4, 501u}, std::pair{22, 513u}, std::pair{23, 514u}}) {
    HWND dialog = CreateDialogParamW(GetPagesResourceModule(), MAKEINTRESOURCEW(templateId), frame_, &NothingProc, 0);
    ASSERT_NE(dialog, nullptr) << templateId;
    pages_.push_back(dialog);
    const PageControlSet* set = GetPageControlSet(sheet_->state, pageId);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->rowCount, pageId == 4 ? 11u : pageId == 22 ? 5u : 6u);
    for (UINT r = 0; r < set->rowCount; ++r) {
      EXPECT_NE(GetDlgItem(dialog, set->rows[r].controlId), nullptr) << templateId << " " << set->rows[r].controlId;
      if (set->rows[r].labelId != kNoControl) {
        EXPECT_NE(GetDlgItem(dialog, set->rows[r].labelId), nullptr) << templateId << " " << set->rows[r].labelId;
      }
    }
    for (const INT* id = set->furtherControls; id && *id != kNoControl; ++id)
      EXPECT_NE(GetDlgItem(dialog, *id), nullptr) << templateId << " " << *id;
  }
  // Page 23's range controls and its OK and Cancel.
  HWND folder = pages_.back();
  for (int id : {kWidthRange, kHeightRange, kWidthUnit, kHeightUnit, 1092, 1091})
    EXPECT_NE(GetDlgItem(folder, id), nullptr) << id;
  EXPECT_EQ(GetPageControlSet(sheet_->state, 4)->helpContext, 1400u);
  EXPECT_EQ(GetPageControlSet(sheet_->state, 22)->helpContext, 2200u);
  EXPECT_EQ(GetPageControlSet(sheet_->state, 23)->helpContext, 2100u);
}

TEST_F(DevicePageTest, ListShowsNameTabValueLinesAndTheValueRowsFollowIt) {
  SetNumber(1044, kSettingTypeUInt16, 1);
  HWND page = OpenDevicePage();
  HWND list = GetDlgItem(page, kDeviceList);
  const auto lines = pk::ui::Lines(list);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0].text, u"Owner name\tLogon user name");
  EXPECT_EQ(lines[3].text, u"Unit\tInches");
  EXPECT_EQ(lines[16].text, u"Save to file\tOff");
  EXPECT_EQ(pk::ui::Selection(list), 0);
  gTabStops.clear();
  gListProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TabStopSpy)));
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(gTabStops, std::vector<INT>{150});
  EXPECT_EQ(pk::ui::Lines(list).size(), 18u);

  // The combo box offers the choices of the selected setting; choosing one
  // changes the setting and its line.
  SelectSetting(page, 1044);
  HWND combo = GetDlgItem(page, kDeviceValueCombo);
  EXPECT_TRUE(pk::ui::Visible(combo));
  ASSERT_EQ(pk::ui::Lines(combo).size(), 2u);
  EXPECT_TRUE(pk::ui::SelectText(combo, u"Millimetres"));
  EXPECT_EQ(Number(1044), 0);
  EXPECT_EQ(pk::ui::Lines(list)[3].text, u"Unit\tMillimetres");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kDeviceValueText)), u"Unit" + ResourceText(408) + u":");
}

TEST_F(DevicePageTest, TheTextBoxTurnsIntoTheEditorOfTheSelectedSetting) {
  SetNumber(1050, kSettingTypeUInt16, 1);
  SetText(1051, u"C:\\Out");
  HWND page = OpenDevicePage();
  HWND box = GetDlgItem(page, kDeviceTextBox);
  struct Case {
    WORD selected;
    bool number;
    WCHAR password;
    LRESULT limit;
  };
  for (const Case& c : {Case{1033, true, u'*', 4}, Case{1050, false, 0, 128}, Case{1033, true, u'*', 4}}) {
    SelectSetting(page, c.selected);
    EXPECT_TRUE(pk::ui::Visible(box)) << c.selected;
    EXPECT_EQ((pk::ui::Style(box) & ES_NUMBER) != 0, c.number) << c.selected;
    EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), c.password) << c.selected;
    EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), c.limit) << c.selected;
  }
  // Digits only, four of them, into the password of the user code.
  pk::ui::Focus(box);
  pk::ui::Type(box, u"12a345");
  pk::ui::Focus(GetDlgItem(page, kDeviceList));
  EXPECT_EQ(Text(1034), u"1234");
  // Another setting hides the box; its label is emptied.
  SelectSetting(page, 1027);
  EXPECT_FALSE(pk::ui::Visible(box));
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kDeviceTextLabel)), u"");
  EXPECT_FALSE(pk::ui::Visible(GetDlgItem(page, kDeviceIcon)));
  SelectSetting(page, 1036);
  EXPECT_TRUE(pk::ui::Visible(GetDlgItem(page, kDeviceIcon)));
}

TEST_F(DevicePageTest, FolderTypedWhileSavingIsSelectedIsStored) {
  SetNumber(1050, kSettingTypeUInt16, 1);
  HWND page = OpenDevicePage();
  SelectSetting(page, 1050);
  HWND box = GetDlgItem(page, kDeviceTextBox);
  pk::ui::Focus(box);
  pk::ui::Type(box, u"C:\\Out");
  pk::ui::Focus(GetDlgItem(page, kDeviceList));
  EXPECT_EQ(Text(1051), u"C:\\Out");
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
}

TEST_F(DevicePageTest, AnEmptyFolderWhileSavingKeepsTheUserOnThePage) {
  SetNumber(1050, kSettingTypeUInt16, 1);
  HWND page = OpenDevicePage();
  SelectSetting(page, 1050);
  const std::u16string warning =
      u"Save to file is on, but Save folder is empty. Enter the folder, or switch saving "
      u"to a file off.";
  // Leaving the page.
  EXPECT_NE(Notify(page, PSN_KILLACTIVE), 0);
  ASSERT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].text, warning);
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].caption, ResourceText(265));
  EXPECT_EQ(GetFocus(), GetDlgItem(page, kDeviceTextBox));
  // Choosing another line of the list.
  HWND list = GetDlgItem(page, kDeviceList);
  pk::ui::Select(list, 0);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 2u);
  EXPECT_EQ(pk::ui::Selection(list), 16);
  // Opening a dialog: the warning instead.
  pk::ui::ClickItem(page, kOutputFolderButton);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 3u);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
  // With saving switched off the box is gone and nothing is asked.
  pk::ui::SelectText(GetDlgItem(page, kDeviceValueCombo), u"Off");
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 3u);
}

TEST_F(DevicePageTest, OwnerNameEditorFollowsTheNameSource) {
  pk::seams::SetUserName(u"kato");
  pk::seams::SetComputerName(u"WS-7");
  struct Case {
    int source;
    bool shown;
    bool readOnly;
    WORD edited;
  };
  for (const Case& c : {Case{0, true, true, kLogonNameUiId}, Case{1, true, false, 1025}, Case{5, true, false, 1054},
                        Case{3, false, false, kLogonNameUiId}}) {
    SetNumber(1031, kSettingTypeUInt16, c.source);
    HWND page = OpenDevicePage();
    HWND box = GetDlgItem(page, kDeviceTextBox);
    EXPECT_EQ(pk::ui::Visible(box), c.shown) << c.source;
    EXPECT_EQ(pk::ui::Visible(GetDlgItem(page, kOwnerNumberBox)), c.shown) << c.source;
    if (c.shown) {
      EXPECT_EQ((pk::ui::Style(box) & ES_READONLY) != 0, c.readOnly) << c.source;
    }
    if (c.source == 0) {
      EXPECT_EQ(pk::ui::Text(box), u"kato\\WS-7");
      EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kDeviceTextLabel)), u"Logon user name(&T):");
    }
    if (c.source == 5) {
      pk::ui::Replace(box, u"Mori");
      EXPECT_EQ(Text(1054), u"Mori");
      EXPECT_EQ(Text(1025), u"");
    }
    CloseDevicePage(page);
  }
}

TEST_F(DevicePageTest, UserCodeTakesEightCharactersUnlessTheModelAllowsTwentyFour) {
  SetText(1033, u"ABCDEFGHI");
  HWND page = OpenDevicePage();
  SelectSetting(page, 1033);
  HWND code = GetDlgItem(page, kUserCodeBox);
  EXPECT_TRUE(pk::ui::Visible(code));
  EXPECT_FALSE(pk::ui::Visible(GetDlgItem(page, kDeviceValueCombo)));
  EXPECT_EQ(SendMessageW(code, EM_GETLIMITTEXT, 0, 0), 8);
  // A ninth character is a text out of range: the page is kept.
  EXPECT_NE(Notify(page, PSN_KILLACTIVE), 0);
  ASSERT_FALSE(pk::seams::MessageBoxCalls().empty());
  EXPECT_EQ(pk::seams::MessageBoxCalls()[0].text, u"Enter a user code of 0 to 24 characters.");
  SelectSetting(page, 1027);
  EXPECT_FALSE(pk::ui::Visible(code));
  CloseDevicePage(page);

  // Option bit 1 of a writer-made model.
  ddd::ModelWriter w;
  w.modelName = "Long codes";
  w.SetField(26, {2});
  const uint16_t low = w.AddOption(14, ddd::Text::Plain("0"), 0, 0, ddd::Value::U16(0));
  const uint16_t high = w.AddOption(14, ddd::Text::Plain("24"), 0, 0, ddd::Value::U16(24));
  const uint16_t none =
      w.AddOption(14, ddd::Text::Plain(""), 0, 0, ddd::Value::Str(ddd::Text::Plain(std::string(1, '\0'))));
  w.AddFeature(4, 1033, ddd::Text::Plain("Code"), 6, 3, {low, high, none});
  UseModel(w);
  page = OpenDevicePage();
  // Only the model's own settings have lines.
  ASSERT_EQ(pk::ui::Lines(GetDlgItem(page, kDeviceList)).size(), 1u);
  EXPECT_EQ(pk::ui::Lines(GetDlgItem(page, kDeviceList))[0].text, u"Code\t");
  code = GetDlgItem(page, kUserCodeBox);
  EXPECT_EQ(SendMessageW(code, EM_GETLIMITTEXT, 0, 0), 24);
  pk::ui::Focus(code);
  pk::ui::Type(code, u"ABCDEFGHIJKL");
  pk::ui::Focus(GetDlgItem(page, kDeviceList));
  EXPECT_EQ(Text(1033), u"ABCDEFGHIJKL");
}

TEST_F(DevicePageTest, WithoutPermissionOnlyTheUsersOwnEntriesCanBeEdited) {
  SetNumber(1050, kSettingTypeUInt16, 1);
  SetText(1051, u"C:\\Out");
  SetNumber(1031, kSettingTypeUInt16, 5);
  HWND page = OpenDevicePage(ProbePermission(false));
  ASSERT_EQ(sheet_->state->permission, 0);
  HWND box = GetDlgItem(page, kDeviceTextBox);
  HWND combo = GetDlgItem(page, kDeviceValueCombo);
  for (WORD id : kDeviceListOrder) {
    SelectSetting(page, id);
    const bool own = id == 1031 || id == 1033 || id == 1050;
    const bool boxUsable = pk::ui::Visible(box) && pk::ui::Enabled(box);
    const bool codeUsable =
        pk::ui::Visible(GetDlgItem(page, kUserCodeBox)) && pk::ui::Enabled(GetDlgItem(page, kUserCodeBox));
    const bool comboUsable = pk::ui::Visible(combo) && pk::ui::Enabled(combo);
    EXPECT_EQ(boxUsable || codeUsable || comboUsable, own) << id;
    if (id != 1033 && id != 1050) {
      EXPECT_FALSE(comboUsable) << id;
    }
  }
  // The printer's own owner name is not the user's.
  CloseDevicePage(page);
  SetNumber(1031, kSettingTypeUInt16, 1);
  page = OpenDevicePage(0);
  box = GetDlgItem(page, kDeviceTextBox);
  EXPECT_TRUE(pk::ui::Visible(box));
  EXPECT_FALSE(pk::ui::Enabled(box));
  EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(page, kDeviceTextLabel)));
  EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(page, kOwnerNumberBox)));

  // A double click changes nothing.
  const int32_t before = Number(1031);
  pk::ui::DoubleClick(GetDlgItem(page, kDeviceList));
  EXPECT_EQ(Number(1031), before);
}

TEST_F(DevicePageTest, ResetWithoutPermissionTouchesOnlyTheUsersSettings) {
  SetText(1054, u"Mori");
  SetText(1052, u"42");
  SetText(1033, u"CODE");
  SetText(1034, u"1234");
  SetNumber(1050, kSettingTypeUInt16, 1);
  SetText(1051, u"C:\\Out");
  SetText(1025, u"Owner");
  SetNumber(1042, kSettingTypeUInt8, 1);
  HWND page = OpenDevicePage(0);
  pk::ui::ClickItem(page, kDeviceResetButton);
  for (WORD id : {1054, 1052, 1033, 1034, 1051}) EXPECT_EQ(Text(id), u"") << id;
  EXPECT_EQ(Number(1050), 0);
  EXPECT_EQ(Text(1025), u"Owner");
  EXPECT_EQ(Number(1042) & 0xFF, 1);
  EXPECT_EQ(GetFocus(), GetDlgItem(page, kDeviceResetButton));
  EXPECT_EQ(pk::ui::Lines(GetDlgItem(page, kDeviceList))[16].text, u"Save to file\tOff");
}

}  // namespace
}  // namespace pk::test
