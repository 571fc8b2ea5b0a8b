// File, temp name and spool job wrappers of the graphics driver on a fresh
// machine root and its default printer.
#include <cstring>
#include <filesystem>

#include "graphics_driver/core/driver_files.h"
#include "pdev_fixture.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::PdevTest;

TEST_F(PdevTest, FileHandlesOpenUnsharedAndCheckTheirHandles) {
  const WCHAR* path = u"C:\\file.bin";
  EXPECT_EQ(OpenFileHandle(path, 0), INVALID_HANDLE_VALUE);  // missing
  EXPECT_EQ(OpenFileHandle(nullptr, 1), INVALID_HANDLE_VALUE);
  HANDLE f = OpenFileHandle(path, 1);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenFileHandle(path, 0), INVALID_HANDLE_VALUE);  // never shared while open
  DWORD n = 0;
  ASSERT_TRUE(WriteFileBytes(f, "abcdef", 6, &n));
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(SeekFileFromStart(f, 2), 2);
  char buffer[8] = {};
  ASSERT_TRUE(ReadFileBytes(f, buffer, 8, &n));
  EXPECT_EQ(std::string(buffer, n), "cdef");
  EXPECT_EQ(SeekFileFromEnd(f, -1), 5);
  ASSERT_TRUE(CloseFileHandle(f));
  HANDLE r = OpenFileHandle(path, 2);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFileBytes(r, "x", 1, &n));  // read-only
  EXPECT_FALSE(ReadFileBytes(r, nullptr, 1, &n));
  CloseFileHandle(r);
  EXPECT_FALSE(ReadFileBytes(INVALID_HANDLE_VALUE, buffer, 1, &n));
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(SeekFileFromStart(INVALID_HANDLE_VALUE, 0), -1);
  EXPECT_EQ(SeekFileFromEnd(INVALID_HANDLE_VALUE, 0), -1);
  EXPECT_FALSE(CloseFileHandle(INVALID_HANDLE_VALUE));
  EXPECT_TRUE(DeleteFileByName(path));
}

TEST_F(PdevTest, TempNamesFallBackFolderByFolder) {
  WCHAR name[260];
  ASSERT_EQ(MakeTempFileName(name), 1);
  std::u16string s(name);
  WCHAR temp[261];
  GetTempPathW(260, temp);
  EXPECT_EQ(s.rfind(std::u16string(temp), 0), 0u) << std::string(s.begin(), s.end());
  EXPECT_NE(s.find(u"KZP"), std::u16string::npos);
  EXPECT_EQ(s.substr(s.size() - 4), u".tmp");
  EXPECT_EQ(MakeTempFileName(nullptr), 0);

  // A temp folder that cannot be made: the Windows folder, same prefix.
  HANDLE blocker = CreateFileW(u"C:\\blocker", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(blocker);
  pk::seams::SetTempPath(u"C:\\blocker\\tmp");
  ASSERT_EQ(MakeTempFileName(name), 1);
  WCHAR windows[261];
  GetWindowsDirectoryW(windows, 260);
  s = name;
  EXPECT_EQ(s.rfind(std::u16string(windows), 0), 0u) << std::string(s.begin(), s.end());
  EXPECT_NE(s.find(u"KZP"), std::u16string::npos);

  // None of the four folders usable: the fixed name.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\cwd", nullptr));
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\cwd"));
  for (const char16_t* folder : {u"C:\\Windows", u"C:\\cwd"}) {
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(folder, nullptr, &host), 0u);
    std::filesystem::remove_all(host);
  }
  ASSERT_EQ(MakeTempFileName(name), 1);
  EXPECT_EQ(std::u16string(name), u"c:\\kztrd.tmp");
}

TEST_F(PdevTest, SpoolJobOfItsOwn) {
  HANDLE job = OpenSpoolJob(printer_, u"Report");
  ASSERT_NE(job, nullptr);
  DWORD n = 0;
  ASSERT_TRUE(WritePrinterBytes(job, std::string(100, 'a').data(), 100, &n));
  EXPECT_EQ(n, 100u);
  ASSERT_TRUE(WritePrinterBytes(job, "1234567", 7, &n));
  ASSERT_TRUE(WritePrinterBytes(job, nullptr, 0, &n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(WritePrinterBytes(job, nullptr, 5, &n));
  ASSERT_TRUE(CloseSpoolJob(job));
  std::vector<pk::spooler::JobRecord> jobs = pk::spooler::ListJobs(PK_DEFAULT_PRINTER_NAME);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].document, u"Report");
  EXPECT_EQ(jobs[0].state, pk::spooler::JobState::Complete);
  EXPECT_EQ(jobs[0].bytes, 107u);
  EXPECT_EQ(jobs[0].writeSizes, (std::vector<DWORD>{100, 7}));

  // A long document name is cut at the name buffer.
  job = OpenSpoolJob(printer_, std::u16string(300, u'd').c_str());
  ASSERT_NE(job, nullptr);
  pk::seams::FailSpoolCall(pk::seams::SpoolCall::EndDoc, 1);
  EXPECT_FALSE(CloseSpoolJob(job));
  jobs = pk::spooler::ListJobs(PK_DEFAULT_PRINTER_NAME);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[1].document, std::u16string(263, u'd'));

  EXPECT_EQ(OpenSpoolJob(nullptr, u"x"), nullptr);
  EXPECT_FALSE(CloseSpoolJob(nullptr));
  EXPECT_FALSE(WritePrinterBytes(nullptr, "x", 1, &n));
  pk::seams::FailOpenPrinter(PK_DEFAULT_PRINTER_NAME);
  EXPECT_EQ(OpenSpoolJob(printer_, u"Refused"), nullptr);
  EXPECT_EQ(pk::spooler::ListJobs(PK_DEFAULT_PRINTER_NAME).size(), 2u);  // no job started
  EXPECT_EQ(PassPrinterHandle(printer_), printer_);
  EXPECT_TRUE(CheckSpoolHandle(printer_));
  EXPECT_FALSE(CheckSpoolHandle(nullptr));
}

}  // namespace
