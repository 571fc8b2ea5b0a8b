// Raw jobs: the bytes in the spool file in order, the record of every write,
// pages and states, the refusals, and the faults the seams inject.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/platform/spooler/spooler_test_support.h"

namespace {

using pk::seams::SpoolCall;
using pk::spooler::JobRecord;
using pk::spooler::JobState;

std::vector<BYTE> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<BYTE> Bytes(size_t n, BYTE seed) {
  std::vector<BYTE> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(seed + i);
  return v;
}

class SpoolerJobs : public pk::test::SpoolerTest {
 protected:
  DWORD Start(HANDLE h, const WCHAR* document = u"doc") {
    DOC_INFO_1W info{document, nullptr, u"RAW"};
    return StartDocPrinterW(h, 1, reinterpret_cast<const BYTE*>(&info));
  }
  JobRecord Job(DWORD id) {
    JobRecord job;
    EXPECT_TRUE(pk::spooler::GetJob(id, &job)) << id;
    return job;
  }
};

TEST_F(SpoolerJobs, PageOfThreeWritesLandsInOrderAndCompletes) {
  HANDLE h = Open();
  DWORD id = Start(h);
  ASSERT_GT(id, 0u);
  ASSERT_TRUE(StartPagePrinter(h));
  std::vector<BYTE> all;
  DWORD sizes[] = {100, 1, 7};
  for (DWORD n : sizes) {
    std::vector<BYTE> part = Bytes(n, static_cast<BYTE>(all.size()));
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(h, part.data(), n, &written));
    EXPECT_EQ(written, n);
    all.insert(all.end(), part.begin(), part.end());
    // The reported bytes are in the file already.
    EXPECT_EQ(FileBytes(pk::spooler::JobHostPath(id)).size(), all.size());
  }
  EXPECT_EQ(Job(id).state, JobState::Spooling);
  ASSERT_TRUE(EndPagePrinter(h));
  ASSERT_TRUE(EndDocPrinter(h));

  JobRecord job = Job(id);
  EXPECT_EQ(job.state, JobState::Complete);
  EXPECT_EQ(job.pages, 1u);
  EXPECT_EQ(job.bytes, 108u);
  EXPECT_EQ(job.writeSizes, std::vector<DWORD>({100, 1, 7}));
  EXPECT_EQ(job.printer, PK_DEFAULT_PRINTER_NAME);
  EXPECT_EQ(job.document, u"doc");
  char name[32];
  std::snprintf(name, sizeof name, "%05u.prn", id);
  EXPECT_EQ(job.file, std::u16string(PK_SPOOL_FOLDER) + std::u16string(name, name + std::strlen(name)));
  std::string host = pk::spooler::JobHostPath(id);
  EXPECT_EQ(host, root_ + "/c/Windows/System32/spool/PRINTERS/" + name);
  EXPECT_EQ(FileBytes(host), all);
  // The handle may start the next job.
  DWORD next = Start(h);
  EXPECT_GT(next, id);
}

TEST_F(SpoolerJobs, EachHandleSpoolsItsOwnJobAndFile) {
  HANDLE a = Open(), b = Open();
  DWORD ja = Start(a, u"first"), jb = Start(b, u"second");
  ASSERT_GT(ja, 0u);
  ASSERT_GT(jb, 0u);
  EXPECT_NE(ja, jb);
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(a, "AAAA", 4, &written));
  ASSERT_TRUE(WritePrinter(b, "BB", 2, &written));
  ASSERT_TRUE(WritePrinter(a, "A", 1, &written));
  ASSERT_TRUE(EndDocPrinter(a));
  ASSERT_TRUE(EndDocPrinter(b));
  EXPECT_NE(pk::spooler::JobHostPath(ja), pk::spooler::JobHostPath(jb));
  EXPECT_EQ(FileBytes(pk::spooler::JobHostPath(ja)), std::vector<BYTE>({'A', 'A', 'A', 'A', 'A'}));
  EXPECT_EQ(FileBytes(pk::spooler::JobHostPath(jb)), std::vector<BYTE>({'B', 'B'}));
  EXPECT_EQ(Job(ja).document, u"first");
  EXPECT_EQ(Job(jb).pages, 0u);
  auto jobs = pk::spooler::ListJobs(PK_DEFAULT_PRINTER_NAME);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].id, ja);
  EXPECT_TRUE(pk::spooler::ListJobs(u"No Such Printer").empty());
}

TEST_F(SpoolerJobs, ClosingWithAJobOpenLeavesItIncompleteWithItsBytes) {
  HANDLE h = Open();
  DWORD id = Start(h);
  ASSERT_TRUE(StartPagePrinter(h));
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(h, "12345", 5, &written));
  // Another handle sees one job spooling on the printer.
  HANDLE other = Open();
  DWORD needed = 0;
  GetPrinterW(other, 2, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(GetPrinterW(other, 2, block.data(), needed, &needed));
  EXPECT_EQ(reinterpret_cast<PRINTER_INFO_2W*>(block.data())->cJobs, 1u);

  EXPECT_TRUE(Close(h));
  JobRecord job = Job(id);
  EXPECT_EQ(job.state, JobState::Incomplete);
  EXPECT_EQ(job.bytes, 5u);
  EXPECT_EQ(job.pages, 1u);
  EXPECT_EQ(FileBytes(pk::spooler::JobHostPath(id)).size(), 5u);
}

TEST_F(SpoolerJobs, ShortAndFailedWritesReportWhatReachedTheFile) {
  HANDLE h = Open();
  DWORD id = Start(h);
  std::vector<BYTE> data = Bytes(100, 0);
  pk::seams::ShortWritePrinter(1, 40);
  DWORD written = 0;
  EXPECT_TRUE(WritePrinter(h, data.data(), 100, &written));
  EXPECT_EQ(written, 40u);
  EXPECT_EQ(FileBytes(pk::spooler::JobHostPath(id)), std::vector<BYTE>(data.begin(), data.begin() + 40));

  pk::seams::FailSpoolCall(SpoolCall::Write, 1);
  written = 99;
  SetLastError(0);
  EXPECT_FALSE(WritePrinter(h, data.data(), 100, &written));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(FileBytes(pk::spooler::JobHostPath(id)).size(), 40u);
  // The fault was once: the next write goes through whole.
  EXPECT_TRUE(WritePrinter(h, data.data(), 100, &written));
  EXPECT_EQ(written, 100u);
  JobRecord job = Job(id);
  EXPECT_EQ(job.bytes, 140u);
  EXPECT_EQ(job.writeSizes, std::vector<DWORD>({40, 100}));
  // A write of nothing succeeds and writes nothing.
  EXPECT_TRUE(WritePrinter(h, nullptr, 0, &written));
  EXPECT_EQ(written, 0u);
}

TEST_F(SpoolerJobs, DocumentsThatCannotBeSpooledAreRefused) {
  HANDLE h = Open();
  struct Case {
    DOC_INFO_1W info;
    DWORD level;
    DWORD error;
  } cases[] = {
      {{u"doc", nullptr, u"EMF"}, 1, ERROR_INVALID_DATATYPE},
      {{u"doc", nullptr, u"TEXT"}, 1, ERROR_INVALID_DATATYPE},
      {{u"doc", u"C:\\out.prn", u"RAW"}, 1, ERROR_NOT_SUPPORTED},
      {{u"doc", nullptr, u"RAW"}, 2, ERROR_INVALID_LEVEL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartDocPrinterW(h, c.level, reinterpret_cast<const BYTE*>(&c.info)), 0u);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_TRUE(pk::spooler::ListJobs().empty());
  // Without a job nothing but StartDocPrinterW is accepted.
  DWORD written = 0;
  EXPECT_FALSE(WritePrinter(h, "x", 1, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  EXPECT_FALSE(StartPagePrinter(h));
  EXPECT_FALSE(EndPagePrinter(h));
  EXPECT_FALSE(EndDocPrinter(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  // A missing datatype is the handle's default, "RAW" unless it was opened
  // with another one; one job per handle.
  DOC_INFO_1W plain{u"doc", nullptr, nullptr};
  DWORD id = StartDocPrinterW(h, 1, reinterpret_cast<const BYTE*>(&plain));
  EXPECT_GT(id, 0u);
  EXPECT_EQ(StartDocPrinterW(h, 1, reinterpret_cast<const BYTE*>(&plain)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_STATE));
  PRINTER_DEFAULTSW emf{u"NT EMF 1.008", nullptr, PRINTER_ACCESS_USE};
  HANDLE e = Open(PK_DEFAULT_PRINTER_NAME, &emf);
  EXPECT_EQ(StartDocPrinterW(e, 1, reinterpret_cast<const BYTE*>(&plain)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATATYPE));
  EXPECT_EQ(StartDocPrinterW(nullptr, 1, reinterpret_cast<const BYTE*>(&plain)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerJobs, EveryJobCallCanBeMadeToFailOnceOrFromTheNthCall) {
  struct Step {
    SpoolCall call;
    BOOL (*run)(HANDLE);
  };
  const Step steps[] = {
      {SpoolCall::StartPage, StartPagePrinter},
      {SpoolCall::EndPage, EndPagePrinter},
      {SpoolCall::EndDoc, EndDocPrinter},
  };
  for (const Step& s : steps) {
    HANDLE h = Open();
    ASSERT_GT(Start(h), 0u);
    if (s.call != SpoolCall::StartPage) {
      ASSERT_TRUE(StartPagePrinter(h));
    }
    pk::seams::FailSpoolCall(s.call, 1, false, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(s.run(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(s.run(h));  // once only
    pk::seams::FailSpoolCall(s.call, 0);
  }
  // From the second StartDocPrinterW on.
  pk::seams::FailSpoolCall(SpoolCall::StartDoc, 2, true);
  HANDLE a = Open(), b = Open(), c = Open();
  EXPECT_GT(Start(a), 0u);
  EXPECT_EQ(Start(b), 0u);
  EXPECT_EQ(Start(c), 0u);
  EXPECT_NE(GetLastError(), 0u);
  size_t jobs = pk::spooler::ListJobs().size();
  EXPECT_EQ(jobs, 4u);  // three from the table, one here
}

TEST_F(SpoolerJobs, AFailedCloseStillClosesAndLeavesTheJobIncomplete) {
  HANDLE h = Open();
  DWORD id = Start(h);
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(h, "abc", 3, &written));
  pk::seams::FailSpoolCall(SpoolCall::Close, 1);
  EXPECT_FALSE(Close(h));
  EXPECT_EQ(Job(id).state, JobState::Incomplete);
  EXPECT_EQ(Job(id).bytes, 3u);
  EXPECT_FALSE(WritePrinter(h, "abc", 3, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
