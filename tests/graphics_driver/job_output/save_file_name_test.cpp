// The save file's name: forbidden characters, free numbers, the existing-file
// questions, drive roots and names that do not fit.
#include "graphics_driver/job_output/save_file_name.h"

#include <string>

#include "job_fixture.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_msgbox.h"

namespace {

using pk::test::JobTest;

void Touch(const std::u16string& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
}

bool Exists(const std::u16string& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  CloseHandle(f);
  return true;
}

class SaveNameTest : public JobTest {
 protected:
  void Document(const std::u16string& name) {
    std::copy(name.begin(), name.end(), pdev()->jobArea.documentName);
    pdev()->jobArea.documentName[name.size()] = 0;
  }
  std::u16string Last() {
    WCHAR name[260];
    CopyLastSaveFileName(name);
    return name;
  }
};

TEST_F(SaveNameTest, ForbiddenCharactersDropTheJob) {
  Set(1037, 0);
  Document(u"Report 3/4.doc");
  SetOutputAbortState(0);
  ASSERT_EQ(BuildSaveFileName(pdev()), 1);
  EXPECT_EQ(GetOutputAbortState(), -1);
  EXPECT_EQ(Last(), u"");
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].caption, u"Save to File");
  EXPECT_EQ(calls[0].style, 0x30u);
  EXPECT_NE(calls[0].text.find(u"cannot hold"), std::u16string::npos);
}

TEST_F(SaveNameTest, NumbersAfterTheHighestInUse) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\out", nullptr));
  SetText(1051, u"C:\\out");
  Set(1037, 0);
  Set(1039, 2);
  Set(1040, 0);
  Document(u"a.doc");
  for (const char16_t* f : {u"C:\\out\\a.tif", u"C:\\out\\a-001.tif", u"C:\\out\\a-005.tif"}) Touch(f);
  ASSERT_EQ(BuildSaveFileName(pdev()), 1);
  EXPECT_EQ(Last(), u"C:\\out\\a-006.tif");
  EXPECT_EQ(GetOutputAbortState(), 1);
  Touch(u"C:\\out\\a-999.tif");
  ASSERT_EQ(BuildSaveFileName(pdev()), 1);
  EXPECT_EQ(GetOutputAbortState(), -1);
  EXPECT_NE(pk::seams::MessageBoxCalls().back().text.find(u"999"), std::u16string::npos);
}

TEST_F(SaveNameTest, AskBeforeReplacing) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\out", nullptr));
  SetText(1051, u"C:\\out");
  Set(1037, 0);
  Set(1039, 0);
  Set(1040, 1);
  Document(u"a.doc");
  struct Case {
    int answer;
    int preview;
    int32_t abort;
    bool kept;
  } cases[] = {{IDOK, 0, 1, false}, {IDCANCEL, 0, -1, true}, {IDOK, 1, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    Touch(u"C:\\out\\a.pjl");
    Set(475, c.preview);
    pk::seams::QueueMessageBoxAnswer(c.answer);
    ASSERT_EQ(BuildSaveFileName(pdev()), 1);
    EXPECT_EQ(GetOutputAbortState(), c.abort);
    EXPECT_EQ(Exists(u"C:\\out\\a.pjl"), c.kept);
    EXPECT_EQ(pk::seams::MessageBoxCalls().back().style, UINT(MB_ICONWARNING | MB_OKCANCEL));
  }
}

TEST_F(SaveNameTest, RootFoldersAndNamesThatDoNotFit) {
  SetText(1051, u"C:\\");
  Set(1037, 0);
  Set(1039, 1);
  Set(1040, 0);
  Document(u"a.doc");
  ASSERT_EQ(BuildSaveFileName(pdev()), 1);
  EXPECT_EQ(Last(), u"C:\\a.tif");
  SetText(1051, u"C:\\" + std::u16string(124, u'f'));
  Document(std::u16string(200, u'd') + u".doc");
  EXPECT_EQ(BuildSaveFileName(pdev()), 0);
  EXPECT_EQ(Last(), u"");
}

}  // namespace
