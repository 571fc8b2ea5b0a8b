// The choose-a-file action: the dialog built from its spec, the tests of
// the chosen name, folder and path, the settings that receive them, and the
// folder templates.
#include <cstring>

#include "controls_fixture.h"
#include "platform/win/win_file.h"
#include "platform/win/win_path.h"
#include "platform/win/win_memory.h"
#include "printer_interface/text/resource_text.h"

namespace pk::test {
namespace {

std::u16string SystemDirectory() {
  WCHAR buffer[MAX_PATH] = {};
  GetSystemDirectoryW(buffer, MAX_PATH);
  return buffer;
}

TEST_F(ControlsTest, FolderTemplatesNameTheSystemFolders) {
  const std::u16string system = SystemDirectory();
  ASSERT_FALSE(system.empty());
  struct Case {
    const char16_t* folderTemplate;
    std::u16string expected;
    int result;
  };
  for (const Case& c : {Case{u"%ICM%", system + u"\\Spool\\Drivers\\Color", 1},
                        Case{u"%ICM%\\sub", system + u"\\Spool\\Drivers\\Color", 1}, Case{u"%SYSTEM%", system, 1},
                        Case{u"%DRIVER%", system + u"\\Spool\\Drivers\\x64\\3", 1},
                        Case{u"D:%SYSTEM%", u"D:" + system, 1}, Case{u"%BOGUS%", u"", 0}, Case{u"%%", u"", 0},
                        Case{u"%ICM", u"", 0}, Case{u"C:\\Data", u"C:\\Data", 1}, Case{u"", u"", 1}}) {
    WCHAR out[kFileNameChars] = {u'x'};
    EXPECT_EQ(ExpandFolderTemplate(c.folderTemplate, out, kFileNameChars), c.result)
        << std::string(c.folderTemplate, c.folderTemplate + 3);
    EXPECT_EQ(std::u16string(out), c.expected);
  }
  WCHAR small[8] = {};
  EXPECT_EQ(ExpandFolderTemplate(u"%SYSTEM%", small, 8), 0);
  EXPECT_EQ(small[0], 0);
}

TEST_F(ControlsTest, AFolderExistsWhenTheCurrentDirectoryCanMoveThereAndItComesBack) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  WCHAR before[MAX_PATH] = {}, after[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);
  EXPECT_EQ(FolderExists(u"C:\\Data"), 1);
  EXPECT_EQ(FolderExists(u"C:\\Missing"), 0);
  EXPECT_EQ(FolderExists(u""), 0);
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(std::u16string(before), std::u16string(after));
}

constexpr FileDialogSpec kProfileSpec{460,
                                      461,
                                      1,
                                      8,
                                      64,
                                      80,
                                      static_cast<INT>(kFileLengthWarning),
                                      0,
                                      kText,
                                      kNoControl,
                                      kFolder,
                                      265,
                                      -1,
                                      461,
                                      nullptr,
                                      kFolder,
                                      kText,
                                      0,
                                      kFileTestNameLength | kFileTestFolderLength | kFileNameWithoutExtension,
                                      nullptr,
                                      nullptr};
constexpr ButtonAction kChooseProfile{kActionChooseFile, &kProfileSpec};

TEST_F(ControlsTest, TheFileDialogIsBuiltFromItsSpec) {
  static const ControlRow rows[] = {Row(6001, nullptr, kKindPushButton, &kChooseProfile, 0)};
  HWND page = OpenRows(rows, 1);
  HandlerContext context = Context(page);
  std::vector<BYTE> work(kFileDialogWorkBytes, 0xCC);
  ASSERT_EQ(BuildFileDialog(&context, &kProfileSpec, work.data()), 1);
  const auto* dialog = reinterpret_cast<const OPENFILENAMEW*>(work.data());
  EXPECT_EQ(dialog->lStructSize, sizeof(OPENFILENAMEW));
  EXPECT_EQ(dialog->hwndOwner, page);
  EXPECT_EQ(dialog->Flags, kFileDefaultOfnFlags);
  EXPECT_EQ(dialog->nMaxFile, static_cast<DWORD>(kFileNameChars));
  EXPECT_EQ(dialog->nFilterIndex, 1u);
  EXPECT_EQ(std::u16string(dialog->lpstrFile), u"memo");
  EXPECT_EQ(std::u16string(dialog->lpstrTitle), u"Printer Settings");
  EXPECT_EQ(std::u16string(dialog->lpstrDefExt), u"in");
  // "name\0pattern\0\0"
  EXPECT_EQ(std::u16string(dialog->lpstrFilter, 7), std::u16string(u"mm\0in\0\0", 7));
  // The folder setting names no existing folder: its model default, expanded.
  EXPECT_EQ(std::u16string(dialog->lpstrInitialDir), SystemDirectory() + u"\\Spool\\Drivers\\Color");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  const WCHAR* folder = u"C:\\Data";
  ASSERT_EQ(SetSettingValue(kFolder, sheet_->working.devMode, sheet_->working.settings, kSettingTypeText, 130, &folder),
            0);
  ASSERT_EQ(BuildFileDialog(&context, &kProfileSpec, work.data()), 1);
  EXPECT_EQ(std::u16string(dialog->lpstrInitialDir), u"C:\\Data");
}

TEST_F(ControlsTest, AChosenNameTooLongWarnsAndOpensTheDialogAgainWithNothingStored) {
  static const ControlRow rows[] = {Row(6001, nullptr, kKindPushButton, &kChooseProfile, 0)};
  HWND page = OpenRows(rows, 1);
  HandlerContext context = Context(page);
  pk::ui::QueueFileChoice(u"C:\\Data\\averylongname.icm");
  pk::ui::QueueFileChoice(u"");
  EXPECT_EQ(RunFileDialog(&context, &rows[0], &kProfileSpec), 2);
  EXPECT_EQ(GetContextAux(&context), 2u);
  EXPECT_EQ(Stored(kText), u"memo");
  const auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  WCHAR expected[256] = {};
  ASSERT_GT(FormatResourceString(expected, 256, kFileLengthWarning, 1, 64, 64, 32, 8), 0);
  EXPECT_EQ(calls[0].text, std::u16string(expected));
  EXPECT_EQ(calls[0].caption, u"Printer Settings");

  // Too long, then fitting: the second choice is stored.
  pk::ui::QueueFileChoice(u"C:\\Data\\averylongname.icm");
  pk::ui::QueueFileChoice(u"C:\\Data\\chart.tiff");
  EXPECT_EQ(RunFileDialog(&context, &rows[0], &kProfileSpec), 1);
  EXPECT_EQ(GetContextAux(&context), 1u);
  EXPECT_EQ(Stored(kText), u"chart");
  EXPECT_EQ(Stored(kFolder), u"C:\\Data\\");
  EXPECT_TRUE(IsSettingInChangedList(context.changedIds, kText));
  EXPECT_TRUE(IsSettingInChangedList(context.changedIds, kFolder));
  EXPECT_EQ(context.changed, 1);
  GlobalFree(context.changedIds);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

TEST_F(ControlsTest, ANameIsStoredWithoutItsExtensionOnlyWhenItHasOne) {
  static const ControlRow rows[] = {Row(6001, nullptr, kKindPushButton, &kChooseProfile, 0)};
  HWND page = OpenRows(rows, 1);
  for (auto [chosen, stored] : {std::pair{u"C:\\Data\\chart.tiff", u"chart"}, std::pair{u"C:\\Data\\chart", u"chart"},
                                std::pair{u"C:\\Data\\.profile", u".profile"}, std::pair{u"C:\\a.b\\name", u"name"},
                                std::pair{u"C:\\Data\\two.dots.x", u"two.dots"}}) {
    pk::ui::QueueFileChoice(chosen);
    pk::ui::ClickItem(page, 6001);
    EXPECT_EQ(Stored(kText), stored) << std::string(chosen, chosen + 10);
  }
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
  EXPECT_EQ(GetFocus(), GetDlgItem(page, 6001));
}

constexpr BYTE kLetters[] = {'.', '.', 'a', 'z', 0};
constexpr CharacterRules kLetterNames{kLetters, nullptr, nullptr, nullptr, 447};
int gChecked = 0;
int RefuseFirst(HandlerContext*, LPCWSTR path, INT nameOffset, INT extensionOffset) {
  ++gChecked;
  return path[nameOffset] != u'x' && extensionOffset > nameOffset;
}
constexpr FileDialogSpec kCheckedSpec{kNoControl,
                                      0,
                                      1,
                                      24,
                                      64,
                                      80,
                                      static_cast<INT>(kFileLengthWarning),
                                      461,
                                      0,
                                      kNoControl,
                                      0,
                                      kNoControl,
                                      0x800,
                                      kNoControl,
                                      &RefuseFirst,
                                      0,
                                      kText,
                                      0,
                                      kFileTestNameChars,
                                      nullptr,
                                      &kLetterNames};

TEST_F(ControlsTest, NameCharactersAndTheCheckCallbackRefuseWithTheirMessages) {
  static const ControlRow rows[] = {Row(6001, nullptr, kKindPushButton, nullptr, 0)};
  HWND page = OpenRows(rows, 1);
  HandlerContext context = Context(page);
  gChecked = 0;
  pk::ui::QueueFileChoice(u"C:\\Data\\Upper.txt");  // not in a-z
  pk::ui::QueueFileChoice(u"C:\\Data\\xray.txt");   // the callback refuses
  pk::ui::QueueFileChoice(u"C:\\Data\\fine.txt");
  EXPECT_EQ(RunFileDialog(&context, &rows[0], &kCheckedSpec), 1);
  EXPECT_EQ(gChecked, 2);
  EXPECT_EQ(Stored(kText), u"fine.txt");
  const auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 2u);
  WCHAR letters[256] = {};
  LoadStringW(GetPagesResourceModule(), 447, letters, 256);
  EXPECT_EQ(calls[0].text, std::u16string(letters));
  EXPECT_EQ(calls[1].text, u"in");
  GlobalFree(context.changedIds);
}

}  // namespace
}  // namespace pk::test
