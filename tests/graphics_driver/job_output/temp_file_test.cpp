// Temp files: names and their register entries, reads and seeks within what
// was written, the retry box of a failed write, and the clean-up of files an
// earlier job left.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics_driver/job_output/temp_file.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_module.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_seams.h"

namespace {

std::u16string RegisteredTime(const std::u16string& path) {
  std::u16string key = u"Software\\Caldrix\\KZ TRD Printer Driver\\TempFile\\" + path;
  for (size_t i = key.find(u"TempFile\\") + 9; i < key.size(); ++i)
    if (key[i] == u'\\') key[i] = u'/';
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return u"<none>";
  WCHAR value[64] = {};
  DWORD size = sizeof value, type = 0;
  RegQueryValueExW(h, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(h);
  return value;
}

bool Exists(const WCHAR* path) {
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  CloseHandle(f);
  return true;
}

class TempFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    module_ = LoadLibraryExW(PK_DRIVER_FOLDER u"Tarquen.vbn", nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module_, nullptr);
    ResetTempFile(&temp_, 0, module_);
  }
  void TearDown() override {
    DeleteTempFile(&temp_);
    FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
  TempFile temp_{};
};

TEST_F(TempFileTest, NameAndRegisterEntry) {
  pk::seams::SetTempPath(u"d:\\temp\\");
  SYSTEMTIME t = {2024, 3, 4, 7, 9, 5, 30, 0};
  pk::seams::SetClock(t, 1000);
  ASSERT_EQ(CreateTempFile(&temp_), 0);
  std::u16string name(temp_.name);
  WCHAR folder[261];
  ASSERT_GT(GetTempPathW(260, folder), 0u);
  EXPECT_EQ(std::u16string(folder).substr(1), u":\\temp\\");  // the layer may write the drive upper-case
  EXPECT_EQ(name.rfind(std::u16string(folder) + u"KZP", 0), 0u) << std::string(name.begin(), name.end());
  EXPECT_EQ(name.substr(name.size() - 4), u".tmp");
  EXPECT_EQ(RegisteredTime(name), u"[2024,03/07,09:05:30]");
  EXPECT_EQ(HasTempFileData(&temp_), 1);
  ASSERT_EQ(DeleteTempFile(&temp_), 0);
  EXPECT_FALSE(Exists(name.c_str()));
  EXPECT_EQ(RegisteredTime(name), u"<none>");
  EXPECT_EQ(HasTempFileData(&temp_), -1);
}

TEST_F(TempFileTest, ReadsAndSeeksWithinWhatWasWritten) {
  ASSERT_EQ(CreateTempFile(&temp_), 0);
  std::vector<BYTE> data(120);
  for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i);
  ASSERT_EQ(WriteTempFile(&temp_, data.data(), 120), 120);
  EXPECT_EQ(GetTempFileSize(&temp_), 120);
  ASSERT_EQ(SeekTempFile(&temp_, 100), 100);
  BYTE buffer[30];
  EXPECT_EQ(ReadTempFile(&temp_, buffer, 30), -1);
  ASSERT_EQ(ReadTempFile(&temp_, buffer, 20), 20);
  EXPECT_EQ(buffer[0], 100);
  EXPECT_EQ(buffer[19], 119);
  EXPECT_EQ(SeekTempFile(&temp_, 120), 120);
  EXPECT_EQ(SeekTempFile(&temp_, 121), -1);
  EXPECT_EQ(SeekTempFile(&temp_, -1), -1);
  EXPECT_EQ(SeekTempFileEnd(&temp_), 120);
  EXPECT_EQ(WriteTempFile(&temp_, nullptr, 0), 0);
  EXPECT_EQ(WriteTempFile(&temp_, nullptr, 5), -1);
}

TEST_F(TempFileTest, FailedWritesAskToRetry) {
  std::vector<BYTE> data(100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i + 1);
  ASSERT_EQ(CreateTempFile(&temp_), 0);
  // OK retries the rest at the same position.
  pk::seams::FailWritesAfter(u"KZP", 10, false);
  pk::seams::QueueMessageBoxAnswer(IDOK);
  ASSERT_EQ(WriteTempFile(&temp_, data.data(), 100), 100);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].caption, u"Write Error");
  EXPECT_EQ(calls[0].text, u"Writing to drive C: failed. Make room and choose OK to try again, or Cancel to stop.");
  EXPECT_EQ(calls[0].style, 0x10041u);
  ASSERT_EQ(SeekTempFile(&temp_, 0), 0);
  std::vector<BYTE> back(100);
  ASSERT_EQ(ReadTempFile(&temp_, back.data(), 100), 100);
  EXPECT_EQ(back, data);
  // Cancel gives the file up until it is made again.
  pk::seams::FailWritesAfter(u"KZP", 10, false);
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(WriteTempFile(&temp_, data.data(), 100), -1);
  EXPECT_EQ(WriteTempFile(&temp_, data.data(), 1), -1);
  EXPECT_EQ(SeekTempFile(&temp_, 0), -1);
  ASSERT_EQ(CreateTempFile(&temp_), 0);
  EXPECT_EQ(WriteTempFile(&temp_, data.data(), 1), 1);

  // A name without a drive and no module: a space and the fixed text.
  TempFile bare{};
  ResetTempFile(&bare, 0, nullptr);
  std::char_traits<char16_t>::copy(bare.name, u"relative.tmp", 13);
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  ShowTempFileWriteError(&bare);
  calls = pk::seams::MessageBoxCalls();
  EXPECT_EQ(calls.back().text, u"delele Text");
  bare.module = module_;
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  ShowTempFileWriteError(&bare);
  EXPECT_NE(pk::seams::MessageBoxCalls().back().text.find(u"drive  :"), std::u16string::npos);
}

// Three registered files: one gone, one left behind, one held by a running
// job. The clean-up unregisters all three and deletes only the one left.
TEST_F(TempFileTest, CleanUpOfLeftOvers) {
  TempFile held{}, left{};
  ResetTempFile(&held, 0, module_);
  ResetTempFile(&left, 0, module_);
  ASSERT_EQ(CreateTempFile(&held), 0);
  ASSERT_EQ(CreateTempFile(&left), 0);
  std::u16string leftName = left.name;
  CloseHandle(left.file);  // its job ended without deleting it
  ASSERT_EQ(RegisterTempFile(u"C:\\gone\\KZP1.tmp"), 0);
  TempFile fresh{};
  ASSERT_EQ(ResetTempFile(&fresh, 1, module_), 0);
  EXPECT_EQ(RegisteredTime(u"C:\\gone\\KZP1.tmp"), u"<none>");
  EXPECT_EQ(RegisteredTime(leftName), u"<none>");
  EXPECT_EQ(RegisteredTime(held.name), u"<none>");
  EXPECT_FALSE(Exists(leftName.c_str()));
  EXPECT_EQ(WriteTempFile(&held, "still here", 10), 10);  // the running job's file stays
  DeleteTempFile(&held);
}

}  // namespace
