// The file and folder dialogs answer the queued choices, cut into the
// caller's buffers; help and launches are recorded.
#include "platform/ui/ui_test_support.h"
#include "platform/ui/win_commdlg.h"

namespace {

using pk::test::UiTest;

TEST_F(UiTest, FileDialogGivesThePathAndItsOffsets) {
  WCHAR file[MAX_PATH] = {};
  WCHAR title[8] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = 8;
  pk::ui::QueueFileChoice(u"C:\\Data\\report.tif");
  ASSERT_TRUE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(std::u16string(file), u"C:\\Data\\report.tif");
  EXPECT_EQ(ofn.nFileOffset, 8);
  EXPECT_EQ(ofn.nFileExtension, 15);
  EXPECT_EQ(std::u16string(title), u"report.");  // cut to its buffer
  EXPECT_EQ(CommDlgExtendedError(), 0u);

  pk::ui::QueueFileChoice(u"");  // the user cancels
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);

  WCHAR small[10];
  ofn.lpstrFile = small;
  ofn.nMaxFile = 10;
  pk::ui::QueueFileChoice(u"C:\\Data\\report.tif");
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  EXPECT_EQ(small[0], 19);  // the size it needs
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

TEST_F(UiTest, FolderBrowserAndShellCalls) {
  WCHAR name[MAX_PATH];
  BROWSEINFOW bi{};
  bi.pszDisplayName = name;
  pk::ui::QueueFolderChoice(u"D:\\Scans\\Out");
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  ASSERT_NE(pidl, nullptr);
  EXPECT_EQ(std::u16string(name), u"Out");
  WCHAR path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListW(pidl, path));
  EXPECT_EQ(std::u16string(path), u"D:\\Scans\\Out");
  IMalloc* malloc = nullptr;
  ASSERT_EQ(SHGetMalloc(&malloc), 0);
  malloc->Free(pidl);
  malloc->Release();
  pk::ui::QueueFolderChoice(u"");
  EXPECT_EQ(SHBrowseForFolderW(&bi), nullptr);

  EXPECT_TRUE(WinHelpW(nullptr, u"C:\\Driver\\Help.hlp", HELP_CONTEXT, 512));
  EXPECT_GT(reinterpret_cast<uintptr_t>(ShellExecuteW(nullptr, u"open", u"C:\\Out\\page.tif", nullptr, nullptr, 1)),
            32u);
  auto calls = pk::ui::ShellCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].call, "WinHelpW");
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 512u);
  EXPECT_EQ(calls[1].file, u"C:\\Out\\page.tif");
  EXPECT_EQ(calls[1].operation, u"open");
}

}  // namespace
