// The job's output objects and the job's ends: objects that cannot be made,
// the compression library's binding, what a finished or abandoned job leaves,
// the stored job's own file, the layout override's save and restore, and a
// job whose last bytes do not reach the spooler.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/temp_file.h"
#include "pipeline_fixture.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_seams.h"

namespace {

namespace fs = std::filesystem;
using pk::test::ModelLine;
using pk::test::PipelineTest;

struct FakeCompressCounts {
  int loads;
  int frees;
};

std::string HostPath(const std::u16string& windowsPath) {
  std::string host;
  PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host);
  return host;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return "popen failed";
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  const int status = pclose(p);
  return status == 0 ? out : "FAILED(" + std::to_string(status) + "): " + out;
}

std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (fs::exists(folder))
    for (auto& e : fs::recursive_directory_iterator(folder)) names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

class JobOutputObjectsTest : public PipelineTest {
 protected:
  std::string TempFolder() {
    char folder[260] = {};
    if (GetBriscaTempFolder(folder) != 0) return {};
    std::u16string wide(folder, folder + std::strlen(folder));
    return HostPath(wide);
  }
};

TEST_F(JobOutputObjectsTest, ObjectThatCannotBeMadeFailsTheDocument) {
  int failures = 0;
  for (unsigned n = 1; n < 200; ++n) {
    ASSERT_NE(Open(), nullptr);
    pk::seams::FailNthAllocation(n);
    const bool started = StartDoc();
    pk::seams::FailNthAllocation(0);
    if (started) {
      ASSERT_TRUE(Page()) << n;
      ASSERT_TRUE(EndDoc()) << n;
      // Past the document start's allocations: every one was tried.
      if (n > 40) break;
    } else {
      ++failures;
      // No sink was opened, and the document has no pages.
      EXPECT_TRUE(pdev_->jobOutput == nullptr || pdev_->jobOutput->printer == nullptr) << n;
      EXPECT_FALSE(DrvStartPage(so_)) << n;
      EXPECT_TRUE(EndDoc()) << n;
    }
    DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev_));
    Disable(pdev_);
    pdev_ = nullptr;
  }
  // At least the stream, the image store, the colour converter, its counter
  // and the spool-file state.
  EXPECT_GE(failures, 5);
}

TEST_F(JobOutputObjectsTest, FinishedJobLeavesNothingBehind) {
  ASSERT_NE(Open(), nullptr);
  const std::vector<std::string> tempBefore = FolderFiles(TempFolder());
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SetPdev(pdev_, 480, 1);  // a whole-job spool too
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page(true));
  ASSERT_TRUE(Page(true));
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(FolderFiles(TempFolder()), tempBefore);
  EXPECT_EQ(pdev_->imageStore, nullptr);
  EXPECT_EQ(pdev_->colorConverter, nullptr);
  EXPECT_EQ(pdev_->spoolFile, nullptr);
  EXPECT_EQ(pdev_->rotationBuffer, nullptr);
  EXPECT_EQ(pdev_->jobOutput, nullptr);
}

TEST_F(JobOutputObjectsTest, CompressionLibraryIsBoundOnceForBothSlots) {
  // The default model names "Orvcomp.dll" as its file 5.
  const std::string host = HostPath(std::u16string(PK_DRIVER_FOLDER) + u"Orvcomp.so");
  fs::remove(host);
  fs::copy_file(PK_FAKE_ORVCOMP, host);
  HMODULE fake = LoadLibraryW((std::u16string(PK_DRIVER_FOLDER) + u"Orvcomp.dll").c_str());
  ASSERT_NE(fake, nullptr);
  auto counts = reinterpret_cast<FakeCompressCounts* (*)()>(GetProcAddress(fake, "fake_compress_counts"))();
  *counts = {};

  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 1308, 0x01010901);
  ASSERT_TRUE(StartDoc());
  EXPECT_NE(pdev_->compressionDll, nullptr);
  EXPECT_EQ(pdev_->compressionState, pdev_->compressionDll);
  EXPECT_EQ(counts->loads, 1);
  ASSERT_TRUE(Page());
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(counts->frees, 1);
  EXPECT_EQ(pdev_->compressionDll, nullptr);

  // Slot A only.
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 1308, 0x01010801);
  ASSERT_TRUE(StartDoc());
  EXPECT_NE(pdev_->compressionDll, nullptr);
  EXPECT_EQ(pdev_->compressionState, nullptr);
  ASSERT_TRUE(EndDoc(ED_ABORTDOC));
  EXPECT_EQ(counts->loads, 2);
  EXPECT_EQ(counts->frees, 2);

  // Below the level: not loaded at all.
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 1308, 0x01010800);
  ASSERT_TRUE(StartDoc());
  EXPECT_EQ(pdev_->compressionDll, nullptr);
  EXPECT_EQ(pdev_->compressionState, nullptr);
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(counts->loads, 2);
  FreeLibrary(fake);

  // Without the library the job prints.
  fs::remove(host);
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 1308, 0x01010901);
  ASSERT_TRUE(StartDoc());
  EXPECT_EQ(pdev_->compressionDll, nullptr);
  ASSERT_TRUE(Page());
  ASSERT_TRUE(EndDoc());
}

// A stored job's own file is open beside the spooler from the head on: it
// holds the whole job, pages included, not a head alone.
TEST_F(JobOutputObjectsTest, StoredJobWritesItsHeadFirstAndItsOwnFileHoldsTheWholeJob) {
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 336, 1);
  SetPdevText(337, u"C:\\Kept");
  SetPdevText(338, u"job");
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page(true));
  ASSERT_TRUE(Page(true));
  ASSERT_TRUE(EndDoc());
  const std::string job = JobBytes();
  const std::string jobFile = ::testing::TempDir() + "/stored_job.prn";
  std::ofstream(jobFile, std::ios::binary) << job;
  const std::string dir = ::testing::TempDir() + "/stored_job";
  fs::remove_all(dir);
  fs::create_directories(dir);
  // The header first, two files.
  EXPECT_EQ(Shell(std::string(PK_JOBCHECK) + " --split " + dir + " " + jobFile),
            jobFile + ": 2 pages, 2 TIFF files, " + std::to_string(job.size()) + " bytes\n");
  EXPECT_EQ(ReadAll(dir + "/units.txt"), "- 0\n- 0\n");
  EXPECT_EQ(job.rfind("\x1b%-12345X@PJL\n" + ReadAll(dir + "/header.txt"), 0), 0u);
  // One head only.
  const size_t owner = job.find("@PJL DEFAULT OWNER");
  ASSERT_NE(owner, std::string::npos);
  EXPECT_EQ(job.find("@PJL DEFAULT OWNER", owner + 1), std::string::npos);
  // The stored job's file: the same bytes.
  const std::string kept = ReadAll(HostPath(u"C:\\Kept\\job.kwv"));
  EXPECT_EQ(kept.size(), job.size());
  EXPECT_TRUE(kept == job);
}

// The copy folder is made at the stored job's start: a folder that cannot
// be made asks there; Cancel stops the job before its first page, OK prints
// it without a copy.
TEST_F(JobOutputObjectsTest, StoredJobAsksForItsCopyFolderAtTheStart) {
  HANDLE blocker = CreateFileW(u"C:\\blocker", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(blocker);
  for (int answer : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(answer);
    ASSERT_NE(Open(), nullptr);
    SetPdev(pdev_, 336, 1);
    SetPdevText(337, u"C:\\blocker\\sub");
    SetPdevText(338, u"job");
    ASSERT_TRUE(StartDoc());
    const size_t boxes = pk::seams::MessageBoxCalls().size();
    pk::seams::QueueMessageBoxAnswer(answer);
    EXPECT_EQ(Page(true), answer == IDOK);
    EXPECT_EQ(pk::seams::MessageBoxCalls().size(), boxes + 1);
    EndDoc();
    if (answer == IDOK) {
      EXPECT_NE(JobBytes().find("@PJL DEFAULT OWNER"), std::string::npos);
    }
    DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev_));
    Disable(pdev_);
    pdev_ = nullptr;
  }
}

TEST_F(JobOutputObjectsTest, LayoutOverrideAppliesAtTheFirstPageAndIsRestored) {
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 270, 2);
  LayoutOverride& o = pdev_->pipeline.layoutOverride;
  o.nupOverride = 4;
  o.override264 = 3;
  o.collectControl = 1;
  o.collectMode = 1;
  ASSERT_TRUE(StartDoc());
  EXPECT_EQ(GetPdevSettingLong(pdev_, 295), 1);
  ASSERT_TRUE(DrvStartPage(so_));
  EXPECT_EQ(GetPdevSettingLong(pdev_, 295), 4);
  EXPECT_EQ(GetPdevSettingLong(pdev_, 270), 0);
  EXPECT_EQ(pdev_->jobSetup.pagesPerSheet, 4);
  EXPECT_EQ(pdev_->pipeline.spoolMode, 1u);
  ASSERT_TRUE(DrvSendPage(so_));
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(GetPdevSettingLong(pdev_, 295), 1);
  EXPECT_EQ(GetPdevSettingLong(pdev_, 270), 2);
  EXPECT_EQ(o.saved, 0u);
}

TEST_F(JobOutputObjectsTest, ModelOfAnUnknownColourKindHasNoPdev) {
  UseModel({pk::test::kLetterMargins, {"field 5 ", "field 5 255"}});
  EXPECT_EQ(Enable(), nullptr);
  UseModel({pk::test::kLetterMargins, {"field 5 ", "field 5 2"}});
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(pdev->pipeline.layoutOverride.switchB, 1u);
  EXPECT_EQ(pdev->pipeline.layoutOverride.nupOverride, -1);
  EXPECT_EQ(pdev->pipeline.layoutOverride.featureLevel, 0x01010501u);
}

TEST_F(JobOutputObjectsTest, LastWriteThatFailsIsNotReportedAsPrinted) {
  // Without PJL output the job's TIFF file goes to the spooler at the job
  // end; with it, bytes still buffered go when the sink closes.
  for (bool pjl : {false, true}) {
    ASSERT_NE(Open(), nullptr);
    SetPdev(pdev_, 1032, pjl ? 1 : 0);
    ASSERT_TRUE(StartDoc());
    ASSERT_TRUE(Page(true));
    if (pjl) {
      ASSERT_EQ(pdev_->jobOutput->buffered, 0u);
      ASSERT_EQ(WriteTextToJob(pdev_, "\n"), 0);
    }
    pk::seams::FailSpoolCall(pk::seams::SpoolCall::Write, 1, true);
    EXPECT_FALSE(DrvEndDoc(so_, 0)) << pjl;
    pk::seams::FailSpoolCall(pk::seams::SpoolCall::Write, 0);
    EXPECT_EQ(pdev_->imageStore, nullptr) << pjl;
    EXPECT_EQ(pdev_->colorConverter, nullptr) << pjl;
    EXPECT_EQ(pdev_->jobOutput, nullptr) << pjl;
    EXPECT_EQ(pdev_->pipeline.pipelineFlags, 0u) << pjl;
    EndDoc();
  }
}

TEST_F(JobOutputObjectsTest, AbandonedWholeJobSpoolLeavesNoFile) {
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 480, 1);
  const SIZE_T handles = pk::seams::LiveHandles();
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  ASSERT_TRUE(Page());
  ASSERT_TRUE(IsSpoolOpen(pdev_));
  std::u16string name(pdev_->jobOutput->tempFile.name);
  ASSERT_FALSE(name.empty());
  const std::string host = HostPath(name);
  EXPECT_TRUE(fs::exists(host));
  EXPECT_TRUE(EndDoc(ED_ABORTDOC));
  EXPECT_FALSE(fs::exists(host));
  WCHAR slashed[260] = {};
  std::copy(name.begin(), name.end(), slashed);
  SlashPath(slashed);
  HKEY key = nullptr;
  const std::u16string path = std::u16string(u"Software\\Caldrix\\KZ TRD Printer Driver\\TempFile\\") + slashed;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), LSTATUS(ERROR_SUCCESS));
  if (key) RegCloseKey(key);
  EXPECT_EQ(pk::seams::LiveHandles(), handles);
}

}  // namespace
