// The installed options dialog: its lines from the model's installable
// options, toggling, defaults, and writing only the changed settings at OK;
// two dialogs open at once each keep their own values.
#include <cstring>
#include <vector>

#include "device_page_fixture.h"

namespace pk::test {
namespace {

std::vector<BYTE> Block(const SheetContext* sheet) {
  const auto* bytes = static_cast<const BYTE*>(sheet->working.settings);
  return std::vector<BYTE>(bytes, bytes + kPrinterSettingsBlockSize);
}

// A model whose installable options carry these keys (all settings off).
ddd::ModelWriter OptionsModel(std::vector<uint16_t> keys) {
  ddd::ModelWriter w;
  w.modelName = "Options";
  std::vector<uint16_t> options;
  for (uint16_t key : keys)
    options.push_back(w.AddOption(14, ddd::Text::Plain("Option " + std::to_string(key)), 0, 0, ddd::Value::U16(key)));
  w.AddFeature(4, kInstallableOptionsUiId, ddd::Text::Plain("Installable options"), 1, 1, options);
  return w;
}

class InstalledOptionsTest : public DevicePageTest {
 protected:
  // Opens the dialog from the page's button and runs the script in it.
  void RunDialog(HWND page, pk::ui::Script script) {
    pk::ui::QueueDialogScript(kInstalledOptionsTemplate, std::move(script));
    pk::ui::ClickItem(page, kOptionsButton);
    EXPECT_TRUE(pk::ui::ScriptFailures().empty());
  }
  static std::vector<std::u16string> LineTexts(HWND dialog) {
    std::vector<std::u16string> texts;
    for (const auto& line : pk::ui::Lines(GetDlgItem(dialog, kOptionList))) texts.push_back(line.text);
    return texts;
  }
};

TEST_F(InstalledOptionsTest, LinesShowEachOptionAndItsState) {
  SetNumber(1399, kSettingTypeInt32, 1);
  HWND page = OpenDevicePage();
  RunDialog(page, [](HWND dialog) {
    EXPECT_EQ(LineTexts(dialog),
              (std::vector<std::u16string>{u"Duplex unit\tNot installed", u"Paper tray 2\tInstalled",
                                           u"Hard disk\tNot installed", u"Finisher\tNot installed"}));
    const auto lines = pk::ui::Lines(GetDlgItem(dialog, kOptionList));
    EXPECT_EQ(lines[1].data, 270);
    EXPECT_EQ(pk::ui::Text(GetDlgItem(dialog, kOptionState)), u"Not installed");
    pk::ui::Select(GetDlgItem(dialog, kOptionList), 1);
    EXPECT_EQ(pk::ui::Text(GetDlgItem(dialog, kOptionState)), u"Installed");
    // The state box sets the selected line.
    pk::ui::SelectText(GetDlgItem(dialog, kOptionState), u"Not installed");
    EXPECT_EQ(LineTexts(dialog)[1], u"Paper tray 2\tNot installed");
    EXPECT_EQ(pk::ui::Selection(GetDlgItem(dialog, kOptionList)), 1);
    pk::ui::ClickItem(dialog, kOptionsOk);
  });
  EXPECT_EQ(Number(1399), 0);
}

TEST_F(InstalledOptionsTest, OkWritesOnlyTheLinesThatChanged) {
  HWND page = OpenDevicePage();
  const std::vector<BYTE> before = Block(sheet_);
  RunDialog(page, [](HWND dialog) {
    HWND list = GetDlgItem(dialog, kOptionList);
    // Line 1 twice: back where it was.
    pk::ui::Select(list, 1);
    pk::ui::DoubleClick(list);
    EXPECT_EQ(LineTexts(dialog)[1], u"Paper tray 2\tInstalled");
    pk::ui::DoubleClick(list);
    // Line 0 (key 257) once.
    pk::ui::Select(list, 0);
    pk::ui::DoubleClick(list);
    EXPECT_EQ(pk::ui::Selection(list), 0);
    EXPECT_EQ(pk::ui::Text(GetDlgItem(dialog, kOptionState)), u"Installed");
    pk::ui::ClickItem(dialog, kOptionsOk);
  });
  std::vector<BYTE> after = Block(sheet_);
  EXPECT_EQ(Number(1398), 1);
  // Setting 1398 lies at byte 2588: nothing else of the block moved.
  std::memset(after.data() + 2588, 0, 4);
  EXPECT_EQ(after, before);
}

TEST_F(InstalledOptionsTest, DefaultsThenCancelChangesNothing) {
  SetNumber(1398, kSettingTypeInt32, 1);
  SetNumber(1456, kSettingTypeInt32, 1);
  HWND page = OpenDevicePage();
  const std::vector<BYTE> before = Block(sheet_);
  RunDialog(page, [](HWND dialog) {
    pk::ui::Select(GetDlgItem(dialog, kOptionList), 2);
    EXPECT_EQ(LineTexts(dialog)[0], u"Duplex unit\tInstalled");
    pk::ui::ClickItem(dialog, kOptionsDefaults);
    EXPECT_EQ(LineTexts(dialog)[0], u"Duplex unit\tNot installed");
    EXPECT_EQ(pk::ui::Selection(GetDlgItem(dialog, kOptionList)), 0);
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kOptionsDefaults));
    pk::ui::ClickItem(dialog, kOptionsCancel);
  });
  EXPECT_EQ(Block(sheet_), before);
  // Defaults then OK writes every setting that was not at its default.
  RunDialog(page, [](HWND dialog) {
    pk::ui::ClickItem(dialog, kOptionsDefaults);
    pk::ui::ClickItem(dialog, kOptionsOk);
  });
  EXPECT_EQ(Number(1398), 0);
  EXPECT_EQ(Number(1456), 0);
}

INT_PTR CALLBACK TemplateOnlyProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(InstalledOptionsTest, AnOptionThatIsNoKeyOfTheTableEndsTheList) {
  UseModel(OptionsModel({257, 999, 270}));
  MakeDeviceSheet();
  HWND dialog = OpenDialog(kInstalledOptionsTemplate, &TemplateOnlyProc, sheet_);
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&InstalledOptionsDialogProc));
  EXPECT_EQ(InstalledOptionsInit(dialog, 0, reinterpret_cast<LPARAM>(sheet_)), 0);
  EXPECT_EQ(LineTexts(dialog), (std::vector<std::u16string>{u"Option 257\tNot installed"}));
  DestroyWindow(dialog);
  EXPECT_EQ(GetDialogOptionTable(sheet_, dialog), nullptr);
  FreeSheetContext(sheet_);
  sheet_ = nullptr;
  // A model of known keys fills the list.
  UseModel(OptionsModel({1, 314}));
  MakeDeviceSheet();
  dialog = OpenDialog(kInstalledOptionsTemplate, &InstalledOptionsDialogProc, sheet_);
  EXPECT_EQ(LineTexts(dialog), (std::vector<std::u16string>{u"Option 1\tNot installed", u"Option 314\tNot installed"}));
  DestroyWindow(dialog);
}

TEST_F(InstalledOptionsTest, TwoDialogsOpenAtOnceKeepTheirOwnValues) {
  // Two sheets on two printers, each with its dialog open.
  DeviceModel* firstModel = OpenDeviceModel(printer_);
  ASSERT_NE(firstModel, nullptr);
  SheetContext* first =
      CreateSheetContext(printer_, firstModel, buffers_.devMode.data(), buffers_.settings.data(), 1, kSheetModeDevice);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(BuildPageControlIndex(first->state, list_, listCount_), 1);
  UseModel(OptionsModel({257, 270}));
  SheetContext* second = MakeDeviceSheet();
  HWND a = OpenDialog(kInstalledOptionsTemplate, &InstalledOptionsDialogProc, first);
  HWND b = OpenDialog(kInstalledOptionsTemplate, &InstalledOptionsDialogProc, second);
  pk::ui::Select(GetDlgItem(a, kOptionList), 0);
  pk::ui::DoubleClick(GetDlgItem(a, kOptionList));
  pk::ui::Select(GetDlgItem(b, kOptionList), 1);
  pk::ui::DoubleClick(GetDlgItem(b, kOptionList));
  EXPECT_EQ(LineTexts(a)[1], u"Paper tray 2\tNot installed");
  pk::ui::ClickItem(a, kOptionsOk);
  pk::ui::ClickItem(b, kOptionsOk);
  EXPECT_EQ(Number(1398, first), 1);
  EXPECT_EQ(Number(1399, first), 0);
  EXPECT_EQ(Number(1398, second), 0);
  EXPECT_EQ(Number(1399, second), 1);
  DestroyWindow(a);
  DestroyWindow(b);
  FreeSheetContext(first);
  CloseDeviceModel(firstModel);
}

TEST_F(InstalledOptionsTest, WithoutPermissionTheDialogOnlyShows) {
  HWND page = OpenDevicePage(ProbePermission(false));
  EXPECT_TRUE(pk::ui::Enabled(GetDlgItem(page, kOptionsButton)));
  RunDialog(page, [](HWND dialog) {
    EXPECT_TRUE(pk::ui::Enabled(GetDlgItem(dialog, kOptionList)));
    EXPECT_TRUE(pk::ui::Enabled(GetDlgItem(dialog, kOptionsCancel)));
    EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(dialog, kOptionsOk)));
    EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(dialog, kOptionsDefaults)));
    pk::ui::ClickItem(dialog, kOptionsCancel);
  });
}

}  // namespace
}  // namespace pk::test
