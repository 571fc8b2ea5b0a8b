// Fax jobs through the document entry points on a fax printer (the default
// model marked as a fax device) of a fresh root: the fax fields of the job,
// one spooler job per recipient with its own cover entry and the same page
// files, the head and page bytes of the later recipients' jobs, a fax whose
// pages are not sent, recipients that fail, and the fax temp file the job
// names, deleted only when the interface library made it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics_driver/job_output/fax_cover_blocks.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/temp_file.h"
#include "pipeline_fixture.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/win/win_file.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_seams.h"
#include "settings/store/settings_blob.h"

namespace {

namespace fs = std::filesystem;
using pk::test::ModelLine;
using pk::test::PipelineTest;

const ModelLine kFaxModel{"field 23 ", "field 23 1"};
constexpr const char* kUel = "\x1B%-12345X";
constexpr const char* kPageUnit = "@PJL ENTER LANGUAGE = TIFF6";

// The addressee texts of each text block the block write took, in order,
// and the sizes of the other blocks (the cover-sheet file's pieces).
std::vector<std::string> g_coverAddressees;
std::vector<uint32_t> g_otherBlocks;

void LogBlock(const PdevState*, uint32_t count, const void* bytes) {
  const auto* b = static_cast<const BYTE*>(bytes);
  if (count < 19 || std::memcmp(b, "ARAK", 4) != 0) {
    g_otherBlocks.push_back(count);
    return;
  }
  size_t at = 19;
  while (at + 2 <= count) {
    if (!std::memcmp(b + at, "DA", 2)) at += 4;
    else if (!std::memcmp(b + at, "Db", 2)) at += 26;
    else if (!std::memcmp(b + at, "Dd", 2)) {
      const size_t n = size_t(b[at + 11]) << 8 | b[at + 12];
      const size_t m = size_t(b[at + 13 + 4 * n]) << 8 | b[at + 14 + 4 * n];
      const std::string text(reinterpret_cast<const char*>(b + at + 15 + 4 * n), m);
      if (text.rfind("Recipient ", 0) == 0) g_coverAddressees.push_back(text);
      at += 15 + 4 * n + m;
    } else {
      break;
    }
  }
}

std::string HostOf(const std::u16string& windowsPath) {
  std::string host;
  PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host);
  return host;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return "popen failed";
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  const int status = pclose(p);
  return status == 0 ? "ok" : "FAILED(" + std::to_string(status) + "): " + out;
}

// A fax block with one entry per addressee ("Recipient n").
std::vector<BYTE> FaxBlock(int entries) {
  std::vector<BYTE> b(kFaxBlockHeadSize + kFaxBlockEntrySize * size_t(entries));
  std::memcpy(b.data(), u"ORVA001", 16);
  b[16] = BYTE(entries);
  std::memcpy(&b[18], u"Sender", 14);
  for (int i = 0; i < entries; ++i) {
    BYTE* e = &b[kFaxBlockHeadSize + kFaxBlockEntrySize * size_t(i)];
    e[0] = 2;
    std::memcpy(e + 2, u"0123", 10);
    const std::u16string name = u"Recipient " + std::u16string(1, char16_t(u'0' + i));
    std::memcpy(e + 262, name.c_str(), (name.size() + 1) * 2);
  }
  return b;
}

bool Registered(const std::u16string& tempFile) {
  std::u16string key = u"Software\\Caldrix\\KZ TRD Printer Driver\\TempFile\\";
  for (char16_t c : tempFile) key += c == u'\\' ? u'/' : c;
  HKEY k = nullptr;
  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, key.c_str(), &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

class FaxJobTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    g_coverAddressees.clear();
    SetBlockWriteObserver(&LogBlock);
    // The model's item 28 names a small cover-sheet file of the driver folder.
    std::ofstream(HostOf(std::u16string(PK_DRIVER_FOLDER) + u"ORVC3600.CVR"), std::ios::binary)
        << std::string(1000, 'C');
  }
  void TearDown() override {
    SetBlockWriteObserver(nullptr);
    PipelineTest::TearDown();
  }

  // The fax printer's PDEV with a cover sheet of kind `coverKind` (0 none)
  // for `recipients` recipients, and a fax temp file of the interface
  // library holding a block of `entries` entries, named by setting 375.
  PdevState* OpenFax(int coverKind, int recipients, int entries, bool fax = true) {
    if (!Open({fax ? kFaxModel : ModelLine{"field 23 ", "field 23 0"}})) return nullptr;
    SetPdev(pdev_, 376, coverKind ? 1 : 0);
    SetPdev(pdev_, 377, coverKind == 2 ? 1 : 0);
    SetPdev(pdev_, 380, recipients);
    WCHAR temp[261] = {};
    GetTempPathW(260, temp);
    faxFile_ = std::u16string(temp) + u"KZF1A.tmp";
    const std::string host = HostOf(faxFile_);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary).flush();
    if (entries > 0) WriteFaxFile(entries);
    SetPdevText(375, faxFile_);
    return pdev_;
  }
  // The fax temp file: the PDEV's extension and a block of `entries` entries.
  void WriteFaxFile(int entries) {
    const std::vector<BYTE> block = FaxBlock(entries);
    EXPECT_EQ(
        WriteSettingsBlob(nullptr, faxFile_.c_str(), 3, block.data(), DWORD(block.size()), &pdev_->devmode.extension),
        1);
  }

  // Pages with their bands, so that each makes a page file.
  bool Pages(int n) {
    for (int i = 0; i < n; ++i)
      if (!Page(true)) return false;
    return true;
  }

  // The complete jobs since the document's, in spooler order.
  std::vector<std::string> Jobs() {
    std::vector<std::string> jobs;
    for (const auto& job : pk::spooler::ListJobs())
      if (job.id >= jobId_ && job.state == pk::spooler::JobState::Complete)
        jobs.push_back(ReadAll(pk::spooler::JobHostPath(job.id)));
    return jobs;
  }

  std::string Jobcheck(const std::string& job, const std::string& options) {
    const std::string file = fs::temp_directory_path() / ("fax_job_" + std::to_string(getpid()) + ".prn");
    std::ofstream(file, std::ios::binary) << job;
    const std::string r = Shell("'" PK_JOBCHECK "' " + options + " '" + file + "'");
    fs::remove(file);
    return r;
  }

  std::u16string faxFile_;
};

TEST_F(FaxJobTest, FaxFieldsOfTheJob) {
  struct Case {
    const char* what;
    std::vector<std::pair<SettingId, int>> settings;
    uint32_t pagesOff, cover, kind, multi;
  };
  const Case cases[] = {
      {"pages off", {{381, 1}}, 1, 0, 0, 0},
      {"cover of kind 2", {{376, 1}, {377, 2}}, 0, 1, 2, 0},
      {"cover of kind 1", {{376, 1}, {377, 0}}, 0, 1, 1, 0},
      {"three recipients", {{376, 1}, {380, 3}, {379, 0}}, 0, 1, 1, 1},
      {"one recipient", {{376, 1}, {380, 1}, {379, 0}}, 0, 1, 1, 0},
      {"sent as one", {{376, 1}, {380, 3}, {379, 1}}, 0, 1, 1, 0},
      {"no cover", {{376, 0}, {380, 3}}, 0, 0, 0, 0},
      {"pages off, three recipients", {{376, 1}, {380, 3}, {381, 1}}, 1, 1, 1, 0},
  };
  for (const Case& c : cases) {
    ASSERT_NE(OpenFax(0, 1, 2), nullptr) << c.what;
    for (const auto& [id, value] : c.settings) SetPdev(pdev_, id, value);
    ASSERT_TRUE(StartDoc()) << c.what;
    const PdevFax& f = pdev_->faxState;
    EXPECT_EQ(f.faxPagesOff, c.pagesOff) << c.what;
    EXPECT_EQ(f.coverSheet, c.cover) << c.what;
    EXPECT_EQ(f.coverKind, c.kind) << c.what;
    EXPECT_EQ(f.multiRecipient, c.multi) << c.what;
    // The fax block of the blob is the job's.
    EXPECT_EQ(GetFaxBlockEntryCount(f.faxDataLink), 2u) << c.what;
    EndDoc();
  }
  // A printer that is no fax device keeps every fax field 0 and opens no fax
  // block, whatever the settings say.
  ASSERT_NE(OpenFax(1, 3, 3, false), nullptr);
  SetPdev(pdev_, 381, 1);
  ASSERT_TRUE(StartDoc());
  const PdevFax& f = pdev_->faxState;
  EXPECT_EQ(f.faxJob | f.faxPagesOff | f.coverSheet | f.coverKind | f.recipientCount | f.multiRecipient, 0u);
  EXPECT_EQ(f.faxDataLink, nullptr);
  ASSERT_TRUE(Pages(1));
  EXPECT_TRUE(EndDoc());
  EXPECT_EQ(Jobs().size(), 1u);
}

TEST_F(FaxJobTest, OneJobPerRecipientWithItsCoverAndTheSamePages) {
  struct Case {
    const char* what;
    bool pjl;
  };
  for (const Case& c : {Case{"PJL", true}, Case{"bare TIFF", false}}) {
    ASSERT_NE(OpenFax(1, 3, 3), nullptr) << c.what;
    SetPdev(pdev_, 1032, c.pjl ? 1 : 0);
    g_coverAddressees.clear();
    g_otherBlocks.clear();
    ASSERT_TRUE(StartDoc()) << c.what;
    ASSERT_TRUE(DrvStartPage(so_));
    // The kept job bytes' temp file is registered while the job runs.
    ASSERT_NE(pdev_->faxState.jobCopy, nullptr) << c.what;
    const std::u16string copy = pdev_->faxState.jobCopy->name;
    EXPECT_TRUE(Registered(copy)) << c.what;
    ASSERT_TRUE(Band() && DrvSendPage(so_));
    ASSERT_TRUE(Pages(1));
    EXPECT_TRUE(EndDoc()) << c.what;
    EXPECT_FALSE(fs::exists(HostOf(copy))) << c.what;
    EXPECT_FALSE(Registered(copy)) << c.what;

    const std::vector<std::string> jobs = Jobs();
    ASSERT_EQ(jobs.size(), 3u) << c.what;
    EXPECT_EQ(g_coverAddressees, (std::vector<std::string>{"Recipient 0", "Recipient 1", "Recipient 2"})) << c.what;
    EXPECT_EQ(g_otherBlocks, (std::vector<uint32_t>{1000, 1000, 1000})) << c.what;
    if (c.pjl) {
      // Job 1: the head first, then two page units and no second head.
      const size_t units = jobs[0].find(kPageUnit);
      ASSERT_NE(units, std::string::npos);
      const std::string head = jobs[0].substr(0, units), pages = jobs[0].substr(units);
      EXPECT_EQ(jobs[0].rfind(kUel, 0), 0u);
      EXPECT_EQ(Count(jobs[0], kPageUnit), 2u);
      EXPECT_EQ(Count(pages, "@PJL SET"), 0u);
      for (size_t k = 1; k < 3; ++k) {
        // Later jobs: a head of their own, then job 1's page units byte for byte.
        ASSERT_GE(jobs[k].size(), pages.size()) << k;
        const std::string own = jobs[k].substr(0, jobs[k].size() - pages.size());
        EXPECT_EQ(jobs[k].substr(own.size()), pages) << k;
        EXPECT_EQ(own, head) << k;
      }
      for (const std::string& job : jobs) EXPECT_EQ(Jobcheck(job, "--pages 2"), "ok");
    } else {
      // No head: every job is job 1's multi-page TIFF.
      EXPECT_EQ(jobs[0].rfind("II*", 0), 0u);
      EXPECT_EQ(jobs[1], jobs[0]);
      EXPECT_EQ(jobs[2], jobs[0]);
      for (const std::string& job : jobs) EXPECT_EQ(Jobcheck(job, "--pages 2"), "ok");
    }
  }
}

TEST_F(FaxJobTest, RecipientRunsAndFailures) {
  struct Case {
    const char* what;
    int recipients, entries;
    int oneJob;  // setting 379
    bool failSecondSink;
    size_t jobs;
    std::vector<std::string> covers;
    bool ended;
  };
  const Case cases[] = {
      // Its one cover takes the addressee of setting 526.
      {"sent as one job", 3, 3, 1, false, 1, {"Recipient all"}, true},
      {"second sink fails", 3, 3, 0, true, 2, {"Recipient 0", "Recipient 2"}, false},
      // More recipients than the block holds: the real ones go out, the job
      // ends failed.
      {"count past the block", 5, 2, 0, false, 2, {"Recipient 0", "Recipient 1"}, false},
  };
  for (const Case& c : cases) {
    ASSERT_NE(OpenFax(1, c.recipients, c.entries), nullptr) << c.what;
    SetPdev(pdev_, 379, c.oneJob);
    SetPdevText(526, u"Recipient all");
    WriteFaxFile(c.entries);
    g_coverAddressees.clear();
    ASSERT_TRUE(StartDoc()) << c.what;
    ASSERT_TRUE(Pages(1)) << c.what;
    if (c.failSecondSink) pk::seams::FailSpoolCall(pk::seams::SpoolCall::StartDoc, 1);
    EXPECT_EQ(EndDoc() != FALSE, c.ended) << c.what;
    EXPECT_EQ(Jobs().size(), c.jobs) << c.what;
    EXPECT_EQ(g_coverAddressees, c.covers) << c.what;
    for (const std::string& job : Jobs()) EXPECT_EQ(Count(job, kPageUnit), 1u) << c.what;
  }
}

TEST_F(FaxJobTest, CoverOfKindTwoCarriesTheAttachmentName) {
  // In place of the cover-sheet file, the Eg block of setting 378's base name.
  ASSERT_NE(OpenFax(2, 1, 1), nullptr);
  SetPdevText(378, u"C:\\docs\\Report.doc");
  g_otherBlocks.clear();
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Pages(1));
  EXPECT_TRUE(EndDoc());
  EXPECT_EQ(g_otherBlocks, std::vector<uint32_t>{35});
  EXPECT_EQ(g_coverAddressees, std::vector<std::string>{"Recipient 0"});
  EXPECT_EQ(Jobs().size(), 1u);
}

TEST_F(FaxJobTest, KeptBytesThatCannotBeWrittenFailTheJob) {
  ASSERT_NE(OpenFax(1, 3, 3), nullptr);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(DrvStartPage(so_));
  ASSERT_NE(pdev_->faxState.jobCopy, nullptr);
  const std::u16string copy = pdev_->faxState.jobCopy->name;
  pk::seams::FailWritesFrom(copy.c_str(), 1, true);
  EXPECT_TRUE(Band());
  EXPECT_TRUE(DrvSendPage(so_));
  pk::seams::ClearWriteFaults();
  EXPECT_FALSE(EndDoc());
  // Recipient 0 has its pages; no later recipient gets a job without them.
  EXPECT_EQ(Jobs().size(), 1u);
  EXPECT_FALSE(fs::exists(HostOf(copy)));
  EXPECT_FALSE(Registered(copy));
}

TEST_F(FaxJobTest, PagesOffSendOnlyTheCover) {
  ASSERT_NE(OpenFax(1, 1, 1), nullptr);
  SetPdev(pdev_, 381, 1);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(DrvStartPage(so_));
  // No page is open; the cover counts as the one logical page.
  EXPECT_EQ(pdev_->pipeline.pipelineFlags & (kPipelineLogicalPageOpen | kPipelinePhysicalPageOpen), 0u);
  EXPECT_EQ(pdev_->pipeline.logicalPageCount, 1);
  ASSERT_TRUE(DrvSendPage(so_));
  // A page that is banded all the same makes no page file.
  ASSERT_TRUE(Page(true));
  EXPECT_EQ(pdev_->pipeline.logicalPageCount, 1);
  EXPECT_TRUE(EndDoc());
  const std::vector<std::string> jobs = Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(Count(jobs[0], kPageUnit), 0u);
  EXPECT_EQ(Count(jobs[0], kUel), 1u) << "one head";
  EXPECT_EQ(g_coverAddressees, (std::vector<std::string>{"Recipient 0"}));
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "StartPage"), 1);

  // Without a cover the first DrvSendPage starts the output once: one head.
  ASSERT_NE(OpenFax(0, 1, 1), nullptr);
  SetPdev(pdev_, 381, 1);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  ASSERT_TRUE(Page());
  EXPECT_EQ(pdev_->pipeline.logicalPageCount, 0);
  EXPECT_TRUE(EndDoc());
  EXPECT_EQ(Count(JobBytes(), kUel), 1u);
}

TEST_F(FaxJobTest, OnlyTheInterfaceLibrarysFaxTempFileIsDeleted) {
  // Setting 375 is a text any application can fill: a file of the user's is
  // left alone, and the job is not failed for it.
  struct Case {
    const char* what;
    std::u16string path;  // empty: the temp folder's KZF1A.tmp
    bool registered;
    bool deleted;
  };
  const Case cases[] = {
      {"a document of the user", u"C:\\Users\\kato\\report.doc", false, false},
      {"a KZF file elsewhere", u"C:\\Users\\kato\\KZF1A.tmp", false, false},
      {"the temp folder's KZF file", u"", false, true},
      {"a registered fax temp file", u"C:\\Users\\kato\\faxdata.bin", true, true},
  };
  for (const Case& c : cases) {
    ASSERT_NE(OpenFax(0, 1, 0), nullptr) << c.what;
    const std::u16string path = c.path.empty() ? faxFile_ : c.path;
    const std::string host = HostOf(path);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host) << "keep me";
    SetPdevText(375, path);
    HKEY key = nullptr;
    const WCHAR* faxKey = u"Software\\Caldrix\\KZ TRD Printer Driver\\Orvanta\\TempFile";
    if (c.registered) {
      BYTE record[544] = {};
      std::memcpy(record, path.c_str(), path.size() * 2);
      ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, faxKey, &key), ERROR_SUCCESS);
      ASSERT_EQ(RegSetValueExW(key, u"OrvaInfo_1", 0, REG_BINARY, record, sizeof record), ERROR_SUCCESS);
      RegCloseKey(key);
    }
    ASSERT_TRUE(StartDoc()) << c.what;
    ASSERT_TRUE(Pages(1)) << c.what;
    EXPECT_TRUE(EndDoc()) << c.what;
    EXPECT_EQ(!fs::exists(host), c.deleted) << c.what;
    fs::remove(host);
    if (c.registered) RegDeleteKeyW(HKEY_CURRENT_USER, faxKey);
  }
}

}  // namespace
