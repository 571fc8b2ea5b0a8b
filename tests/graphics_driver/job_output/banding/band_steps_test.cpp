// Bands, page files and the job stream with the real Movrane and Velmora of
// the driver folder: band heights under memory limits, blank pages through
// to a PJL job or a multi-page TIFF that the peer tools accept, the files a
// job leaves, and N-up jobs on the real library.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/job_output/bands.h"
#include "graphics_driver/job_output/banding/band_steps.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/outside_raster_calls.h"
#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "job_fixture.h"
#include "pipeline_page.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

namespace fs = std::filesystem;
using pk::test::JobInError;

// A4 without margins in 1/18432 inch: 3,304 x 4,677 dots at 400 dpi.
constexpr uint32_t kA4Width = 152391, kA4Height = 215522;

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return "popen failed";
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  int status = pclose(p);
  return status == 0 ? out : "FAILED(" + std::to_string(status) + "): " + out;
}

std::string Host(const char* ansiWindowsPath) {
  std::u16string wide(ansiWindowsPath, ansiWindowsPath + std::strlen(ansiWindowsPath));
  std::string host;
  PkResolveWindowsPath(wide.c_str(), nullptr, &host);
  return host;
}

class BandStepsTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    Set(20, 400);
    Set(1032, 0);  // PJL output only where a test asks for it
    pdev()->documentPaper.left = pdev()->documentPaper.top = 0;
    pdev()->documentPaper.right = kA4Width;
    pdev()->documentPaper.bottom = kA4Height;
    char folder[260];
    ASSERT_EQ(GetBriscaTempFolder(folder), 0);
    workFolder_ = Host(folder);
  }
  void TearDown() override {
    if (pdev()->jobOutput) {
      CleanUpTiffOutput(pdev());
      DestroyPdevOutputStream(pdev());
    }
    pk::seams::FailAllocationsFrom(0);
    JobTest::TearDown();
  }
  // The document start: the stream and its record; the surface as
  // DrvEnableSurface makes it for `bandRows`.
  void StartDocument(int32_t surfaceRows) {
    ASSERT_EQ(CreatePdevOutputStream(pdev()), 0);
    ASSERT_EQ(InitTiffJobRecord(pdev(), Record()), 1);
    pk::test::OpenPipelinePage(pdev());
    surface_.dhpdev = reinterpret_cast<DHPDEV>(pdev());
    surface_.sizlBitmap = SIZEL{3304, surfaceRows + kSurfaceSpareRows};
  }
  TiffJobRecord* Record() { return GetTiffJobRecord(pdev()->jobOutput); }
  // Bands one page with nothing drawn: true when every call answered TRUE.
  bool BandBlankPage() {
    POINTL origin{};
    if (!StartBanding(&surface_, &origin)) return false;
    while (Record()->bandIndex != 0)
      if (!NextBand(&surface_, &origin)) return false;
    return origin.x == -1 && origin.y == -1;
  }
  size_t WorkFiles() {
    size_t n = 0;
    for (auto& e : fs::directory_iterator(workFolder_))
      if (e.path().filename() != "PRV.pjl") ++n;
    return n;
  }
  std::string PreviewJob() {
    std::ifstream in(workFolder_ + "/PRV.pjl", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  SURFOBJ surface_{};
  std::string workFolder_;
};

TEST_F(BandStepsTest, A4At400DpiIsOneBand) {
  StartDocument(4677);
  POINTL origin{7, 7};
  ASSERT_TRUE(StartBanding(&surface_, &origin));
  TiffJobRecord* r = Record();
  EXPECT_EQ(r->widthDots, 3304u);
  EXPECT_EQ(r->heightDots, 4677u);
  EXPECT_EQ(r->bytesPerRow, 413u);
  EXPECT_EQ(r->bandRows, 4677u);
  EXPECT_EQ(r->bandsPerPage, 1);
  EXPECT_EQ(r->bandBufferSize, 413u * 4678u);
  EXPECT_EQ(r->pageNumber, 1);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_TRUE(pdev()->pipeline.pipelineFlags & kPipelineLogicalPageOpen);
}

TEST_F(BandStepsTest, BandsFollowTheLargestBlockAndTheSurface) {
  // 11,000,000 bytes and more fail: the probe gets 10,000,000 = 24,213 rows.
  pk::seams::FailAllocationsFrom(11000000);
  pdev()->documentPaper.bottom = uint32_t(50000ull * 18432 / 400 + 1);
  StartDocument(24213);
  POINTL origin{};
  ASSERT_TRUE(StartBanding(&surface_, &origin));
  TiffJobRecord* r = Record();
  EXPECT_EQ(r->heightDots, 50000u);
  EXPECT_EQ(r->bandRows, 24213u);
  EXPECT_EQ(r->bandsPerPage, 3);
  const int32_t tops[] = {0, 24213, 48426};
  EXPECT_EQ(r->bandTop, tops[0]);
  for (int band = 1; band < 3; ++band) {
    r->bandDirty = 0;
    ASSERT_TRUE(NextBand(&surface_, &origin));
    EXPECT_EQ(origin.y, tops[band]);
  }
  EXPECT_EQ(r->bandRows, 1574u);

  // Without the limit a page band would be the whole page; the surface was
  // made under the limit, and no band holds more rows than it.
  pk::seams::FailAllocationsFrom(0);
  ASSERT_TRUE(NextBand(&surface_, &origin));
  ASSERT_TRUE(StartBanding(&surface_, &origin));
  EXPECT_EQ(Record()->bandRows, 24213u);
}

TEST_F(BandStepsTest, NoBandWhenNotOneRowCanBeHad) {
  pk::seams::FailAllocationsFrom(2000000);
  StartDocument(4677);
  POINTL origin{};
  EXPECT_FALSE(StartBanding(&surface_, &origin));
  EXPECT_EQ(Record()->bandIndex, 0);
  pk::seams::FailAllocationsFrom(0);
  EXPECT_TRUE(StartBanding(&surface_, &origin));
}

TEST_F(BandStepsTest, RasterOpsAndImageKind) {
  StartDocument(4677);
  JobOutputStream* s = pdev()->jobOutput;
  SetRasterOp(s, 'n', 'x');
  EXPECT_EQ(Record()->ropPolarity, 1u);
  EXPECT_EQ(Record()->ropOperation, 4u);
  SetRasterOp(s, 'i', 'o');
  EXPECT_EQ(Record()->ropPolarity, 2u);
  EXPECT_EQ(Record()->ropOperation, 1u);
  SetDrawImageKind(s, 7);
  EXPECT_EQ(Record()->imageKind, 7u);
}

// Two blank pages, the job ended: with PJL the job holds the header and two
// framed white pages; the work folder is left empty.
TEST_F(BandStepsTest, BlankPagesMakeAPjlJobOfWhitePages) {
  Set(1032, 1);
  Set(475, 1);  // the preview job file keeps the job's bytes for the test
  pk::seams::InstallProgramStub(u"Lindvar.exe", 0, nullptr);
  RemoveLeftoverPreviewJob();
  StartDocument(4677);
  WritePjlHeader(pdev(), nullptr);
  ASSERT_TRUE(BandBlankPage());
  ASSERT_TRUE(BandBlankPage());
  const std::string job = PreviewJob();
  ASSERT_EQ(FinishTiffOutput(pdev(), 2), 1);
  const std::string jobFile = workFolder_ + "/../job.pjl";
  std::ofstream(jobFile, std::ios::binary) << job;
  const std::string out = workFolder_ + "/../split";
  fs::create_directories(out);
  EXPECT_EQ(Shell(std::string(PK_JOBCHECK) + " --split " + out + " " + jobFile),
            jobFile + ": 2 pages, 2 TIFF files, " + std::to_string(job.size()) + " bytes\n");
  for (int unit = 1; unit <= 2; ++unit) {
    const std::string tif = out + "/unit" + std::to_string(unit) + ".tif";
    const std::string info = Shell("tiffinfo -D " + tif);
    EXPECT_NE(info.find("Image Width: 3304 Image Length: 4677"), std::string::npos) << info;
    EXPECT_NE(info.find("Resolution: 400, 400 pixels/inch"), std::string::npos) << info;
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    // White: every decoded byte of the PBM after its header is 0.
    const std::string pbm = Shell("tifftopnm " + tif + " 2>/dev/null");
    ASSERT_GT(pbm.size(), 413u * 4677u);
    EXPECT_EQ(pbm.find_first_not_of('\0', pbm.size() - 413u * 4677u), std::string::npos);
  }
  EXPECT_EQ(WorkFiles(), 0u);
}

TEST_F(BandStepsTest, WithoutPjlTheJobIsOneMultiPageTiff) {
  Set(1032, 0);
  Set(475, 0);
  Set(471, 0);
  StartDocument(4677);
  ASSERT_TRUE(BandBlankPage());
  ASSERT_TRUE(BandBlankPage());
  // The job end's page and multi-page steps, before the stream takes the file.
  TiffJobRecord* r = Record();
  r->mode = 2;
  ASSERT_EQ(MakePageTiff(r), 0);
  ASSERT_EQ(BuildMultiPageTiff(r), 0);
  ASSERT_EQ(r->outputReady, 1);
  EXPECT_EQ(r->multiPageModule, nullptr);
  const std::string mlt = Host(r->outputFile);
  const std::string dump = Shell("tiffdump " + mlt);
  size_t directories = 0;
  for (size_t at = 0; (at = dump.find("Directory ", at)) != std::string::npos; ++at) ++directories;
  EXPECT_EQ(directories, 2u) << dump;
  EXPECT_NE(dump.find("SubFileType (254) LONG (4) 1<2>"), std::string::npos) << dump;
  EXPECT_EQ(Shell("tiffinfo -D " + mlt).find("Warning"), std::string::npos);
  EXPECT_EQ(Shell("tiffcp " + mlt + " " + mlt + ".cp.tif").rfind("FAILED", 0), std::string::npos);
  fs::remove(mlt + ".cp.tif");
  CleanUpTiffOutput(pdev());
  EXPECT_EQ(WorkFiles(), 0u);
}

// The save folder is gone: the multi-page file, the job's only copy, stays
// where it was made and the one box names it.
TEST_F(BandStepsTest, UnsavedJobIsKeptAndNamed) {
  Set(1032, 0);
  Set(475, 0);
  Set(471, 1);
  Set(1040, 0);
  SetOutputAbortState(0);
  SetText(1051, u"C:\\missing");
  Set(1037, 0);
  Set(1039, 1);
  const std::u16string document = u"kept.doc";
  std::copy(document.begin(), document.end(), pdev()->jobArea.documentName);
  ASSERT_EQ(BuildSaveFileName(pdev()), 1);
  StartDocument(4677);
  ASSERT_TRUE(BandBlankPage());
  const std::string mlt = Record()->multiPageFile;
  ASSERT_FALSE(mlt.empty());
  ASSERT_EQ(FinishTiffOutput(pdev(), 2), 1);
  const auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].caption, u"Save to File");
  EXPECT_EQ(calls[0].text, u"The job could not be written to the output file.\nThe job is kept in " +
                               std::u16string(mlt.begin(), mlt.end()) + u".");
  EXPECT_TRUE(fs::exists(Host(mlt.c_str())));
  // The job's clean-up keeps it too.
  CleanUpTiffOutput(pdev());
  EXPECT_TRUE(fs::exists(Host(mlt.c_str())));
  EXPECT_EQ(WorkFiles(), 1u);
}

TEST_F(BandStepsTest, CleanUpOfAStoppedJobLeavesNothing) {
  Set(1032, 0);
  Set(475, 0);
  Set(471, 0);
  StartDocument(4677);
  // The stream sink is not open: the job gathers pages without sending any.
  ASSERT_TRUE(BandBlankPage());
  EXPECT_EQ(Record()->multiPageOpen, 1);
  EXPECT_GT(WorkFiles(), 0u);
  CleanUpTiffOutput(pdev());
  EXPECT_EQ(WorkFiles(), 0u);
  EXPECT_EQ(Record()->multiPageOpen, 0);
  EXPECT_EQ(Record()->multiPageModule, nullptr);
}

// N-up jobs on the real library: two blank pages make one 2-up sheet, and
// a landscape page among portrait ones is turned and collected; the jobs end
// without error.
TEST_F(BandStepsTest, NupSheetCompletesTheJob) {
  Set(295, 2);  // two pages per sheet
  Set(1032, 1);
  StartDocument(4677);
  ASSERT_TRUE(BandBlankPage());
  EXPECT_EQ(Record()->collectedPages, 1);
  EXPECT_TRUE(BandBlankPage());
  EXPECT_FALSE(JobInError(pdev()));
  EXPECT_EQ(Record()->collectedPages, 0);
}

TEST_F(BandStepsTest, PageTurnCompletesTheJob) {
  Set(295, 4);  // four pages per sheet
  Set(264, 3);
  Set(1032, 1);
  StartDocument(4677);
  ASSERT_TRUE(BandBlankPage());
  std::swap(pdev()->documentPaper.right, pdev()->documentPaper.bottom);
  pdev()->devmode.devMode.publicPart.dmOrientation = 2;
  EXPECT_TRUE(BandBlankPage());
  EXPECT_FALSE(JobInError(pdev()));
  EXPECT_EQ(Record()->collectedPages, 2);
}

TEST_F(BandStepsTest, InkedBandsBecomeOnePageFile) {
  Set(1032, 1);
  Set(475, 1);
  pk::seams::InstallProgramStub(u"Lindvar.exe", 0, nullptr);
  RemoveLeftoverPreviewJob();
  pk::seams::FailAllocationsFrom(0);
  StartDocument(1000);
  WritePjlHeader(pdev(), nullptr);
  POINTL origin{};
  ASSERT_TRUE(StartBanding(&surface_, &origin));
  TiffJobRecord* r = Record();
  ASSERT_EQ(r->bandRows, 1000u);
  // Band 1 inked in its first row, band 2 blank, band 3 inked: the page holds
  // the ink where it was drawn.
  std::memset(r->bandBuffer, 0xFF, r->bytesPerRow);
  r->bandDirty = 1;
  ASSERT_TRUE(NextBand(&surface_, &origin));
  ASSERT_TRUE(NextBand(&surface_, &origin));
  std::memset(r->bandBuffer, 0xFF, r->bytesPerRow);
  r->bandDirty = 1;
  while (r->bandIndex != 0) ASSERT_TRUE(NextBand(&surface_, &origin));
  const std::string job = PreviewJob();
  const std::string jobFile = workFolder_ + "/../ink.pjl";
  std::ofstream(jobFile, std::ios::binary) << job;
  const std::string out = workFolder_ + "/../ink";
  fs::create_directories(out);
  ASSERT_EQ(Shell(std::string(PK_JOBCHECK) + " --split " + out + " " + jobFile),
            jobFile + ": 1 page, 1 TIFF file, " + std::to_string(job.size()) + " bytes\n");
  const std::string tif = out + "/unit1.tif";
  std::string tags = Shell("tiffdump " + tif);
  // Sixteen entries: one line each, besides the header's line.
  size_t entries = 0;
  for (size_t at = 0; (at = tags.find('<', at)) != std::string::npos; at = tags.find('\n', at)) ++entries;
  EXPECT_EQ(entries, 17u) << tags;
  EXPECT_NE(tags.find("RowsPerStrip (278) LONG (4) 1<1000>"), std::string::npos) << tags;
  const std::string pbm = Shell("tifftopnm " + tif + " 2>/dev/null");
  const size_t body = pbm.size() - 413u * 4677u;
  auto row = [&](size_t y) { return pbm.substr(body + y * 413, 413); };
  EXPECT_EQ(row(0), std::string(413, '\xFF'));
  EXPECT_EQ(row(1), std::string(413, '\0'));
  EXPECT_EQ(row(2000), std::string(413, '\xFF'));
  EXPECT_EQ(row(4676), std::string(413, '\0'));
  // The preview gathers the page into the multi-page file; nothing else stays.
  EXPECT_EQ(WorkFiles(), 1u);
  EXPECT_EQ(Record()->multiPageOpen, 1);
  CleanUpTiffOutput(pdev());
  EXPECT_EQ(WorkFiles(), 0u);
}

}  // namespace
