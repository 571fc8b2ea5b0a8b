// Which outside-library calls the band, page and job steps make, in order,
// against recording stand-ins of Movrane and Velmora: inked and blank bands,
// every band converted on request, N-up sheets and pages turned before they
// are collected.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "graphics_driver/job_output/banding/band_steps.h"
#include "graphics_driver/job_output/bands.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "job_fixture.h"
#include "pipeline_page.h"
#include "platform/win/win_module.h"
#include "platform/win/win_seams.h"

namespace {

namespace fs = std::filesystem;
using pk::test::JobInError;

constexpr uint32_t kA4Width = 152391, kA4Height = 215522;  // 3,304 x 4,677 dots at 400 dpi

using LogFn = const char* (*)();
using ResetFn = void (*)();
using FailFn = void (*)(const char*);

class OutsideCallsTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    SetOutputAbortState(0);
    for (const char* name : {"Movrane", "Velmora"}) {
      std::u16string wide = std::u16string(PK_DRIVER_FOLDER) + std::u16string(name, name + 7) + u".so";
      std::string host;
      ASSERT_EQ(PkResolveWindowsPath(wide.c_str(), nullptr, &host), 0u);
      // The root's file may be a link to the build's library: replaced, not
      // written through.
      fs::remove(host);
      fs::copy_file(std::string(PK_FAKE_FOLDER) + "/" + name + ".so", host);
    }
    movrane_ = LoadLibraryW((std::u16string(PK_DRIVER_FOLDER) + u"Movrane.dll").c_str());
    velmora_ = LoadLibraryW((std::u16string(PK_DRIVER_FOLDER) + u"Velmora.dll").c_str());
    ASSERT_NE(movrane_, nullptr);
    ASSERT_NE(velmora_, nullptr);
    reinterpret_cast<ResetFn>(GetProcAddress(movrane_, "FakeReset"))();
    reinterpret_cast<ResetFn>(GetProcAddress(velmora_, "FakeReset"))();
    // The preview route with PJL: page files are streamed into the preview
    // job and gathered into the multi-page file.
    Set(20, 400);
    Set(1032, 1);
    Set(475, 1);
    RemoveLeftoverPreviewJob();
    ASSERT_TRUE(pk::seams::InstallProgramStub(u"Lindvar.exe", 0, nullptr));
    pdev()->documentPaper.left = pdev()->documentPaper.top = 0;
    pdev()->documentPaper.right = kA4Width;
    pdev()->documentPaper.bottom = kA4Height;
  }
  void TearDown() override {
    if (pdev()->jobOutput) {
      CleanUpTiffOutput(pdev());
      DestroyPdevOutputStream(pdev());
    }
    if (movrane_) FreeLibrary(movrane_);
    if (velmora_) FreeLibrary(velmora_);
    JobTest::TearDown();
  }
  // The document's stream and record, bands of `rows` rows (five to a page
  // of 4,677 rows at 1,000).
  void StartDocument(int32_t rows) {
    ASSERT_EQ(CreatePdevOutputStream(pdev()), 0);
    ASSERT_EQ(InitTiffJobRecord(pdev(), Record()), 1);
    pk::test::OpenPipelinePage(pdev());
    surface_.dhpdev = reinterpret_cast<DHPDEV>(pdev());
    surface_.sizlBitmap = SIZEL{3304, rows + kSurfaceSpareRows};
  }
  TiffJobRecord* Record() { return GetTiffJobRecord(pdev()->jobOutput); }
  // Bands a page, inking the bands whose bit is set in `inked` (bit 0 the
  // first band): true when every call answered TRUE.
  bool BandPage(unsigned inked) {
    POINTL origin{};
    if (!StartBanding(&surface_, &origin)) return false;
    for (int band = 0; Record()->bandIndex != 0; ++band) {
      if (inked & (1u << band)) {
        Record()->bandBuffer[0] = 0x80;
        Record()->bandDirty = 1;
      }
      if (!NextBand(&surface_, &origin)) return false;
    }
    return true;
  }
  void Fail(HMODULE library, const char* entry) {
    reinterpret_cast<FailFn>(GetProcAddress(library, "FakeFail"))(entry);
  }
  std::string Movrane() { return reinterpret_cast<LogFn>(GetProcAddress(movrane_, "FakeCallLog"))(); }
  std::string Velmora() { return reinterpret_cast<LogFn>(GetProcAddress(velmora_, "FakeCallLog"))(); }

  SURFOBJ surface_{};
  HMODULE movrane_ = nullptr;
  HMODULE velmora_ = nullptr;
};

TEST_F(OutsideCallsTest, BandsIntoOnePageFile) {
  struct Case {
    unsigned inked;  // bit n: band n inked (five bands)
    const char* calls;
  };
  const Case cases[] = {
      // Every band inked: made, then appended band by band.
      {0x1F, "Create(1000);Create(1000);Comb;Create(1000);Comb;Create(1000);Comb;Create(677);Comb;"},
      // Blank then inked: the white part is the page's first piece.
      {0x1E, "Create(1000);White(1000);CombWhite(1);Create(1000);Comb;Create(1000);Comb;Create(677);Comb;"},
      // Inked then blank: the white rows are appended at the page end.
      {0x01, "Create(1000);White(3677);CombWhite(0);"},
      // All blank: one white page file.
      {0x00, "White(4677);CombWhite(1);"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inked);
    reinterpret_cast<ResetFn>(GetProcAddress(movrane_, "FakeReset"))();
    if (!pdev()->jobOutput) StartDocument(1000);
    ASSERT_TRUE(BandPage(c.inked));
    EXPECT_EQ(Movrane(), c.calls);
    // The page went out and into the multi-page file.
    EXPECT_NE(Velmora().find("Append"), std::string::npos);
  }
  EXPECT_FALSE(JobInError(pdev()));
}

TEST_F(OutsideCallsTest, EveryBandConvertedOnRequest) {
  Set(453, 0);
  Set(373, 1);
  StartDocument(1000);
  ASSERT_TRUE(BandPage(0));
  EXPECT_EQ(Movrane(), "Create(1000);Create(1000);Comb;Create(1000);Comb;Create(1000);Comb;Create(677);Comb;");
}

TEST_F(OutsideCallsTest, TwoUpSheetsOfThreePages) {
  Set(295, 2);
  StartDocument(4677);
  ASSERT_TRUE(BandPage(1));
  EXPECT_EQ(Movrane().find("Nup"), std::string::npos);
  ASSERT_TRUE(BandPage(1));
  EXPECT_EQ(Movrane(), "Create(4677);Create(4677);Nup(2);");
  ASSERT_TRUE(BandPage(1));
  ASSERT_EQ(FinishTiffOutput(pdev(), 2), 1);
  EXPECT_EQ(Movrane(), "Create(4677);Create(4677);Nup(2);Create(4677);Nup(1);");
  EXPECT_EQ(Velmora(), "Storage;Manager;Append;Append;Close;");
}

TEST_F(OutsideCallsTest, FourUpTurnsALandscapePageBeforeCollecting) {
  Set(295, 4);
  Set(264, 3);
  StartDocument(4677);
  ASSERT_TRUE(BandPage(1));
  // Page 2 is landscape: its page file is turned to the job's orientation.
  std::swap(pdev()->documentPaper.right, pdev()->documentPaper.bottom);
  pdev()->devmode.devMode.publicPart.dmOrientation = 2;
  ASSERT_TRUE(BandPage(1));
  const std::string calls = Movrane();
  // Portrait job, landscape page (4,672 x 3,307 dots): a quarter turn back.
  EXPECT_EQ(calls, "Create(4677);Create(3307);Rotate(270);");
  ASSERT_EQ(FinishTiffOutput(pdev(), 2), 1);
  EXPECT_EQ(Movrane().substr(calls.size()), "Nup(2);");
}

// A band that cannot be converted ends the page and puts the job in error;
// its bits are not carried into another band.
TEST_F(OutsideCallsTest, FailedBandStepEndsThePageInError) {
  StartDocument(1000);
  Fail(movrane_, "CreateTIFFFileFromMemory");
  POINTL origin{};
  ASSERT_TRUE(StartBanding(&surface_, &origin));
  Record()->bandBuffer[0] = 0xFF;
  Record()->bandDirty = 1;
  EXPECT_FALSE(NextBand(&surface_, &origin));
  EXPECT_TRUE(JobInError(pdev()));
  EXPECT_EQ(Record()->bandIndex, 0);
  EXPECT_EQ(Record()->bandBuffer, nullptr);
  EXPECT_EQ(Record()->bandDirty, 0);
}

// The multi-page file cannot take a page: it is closed and deleted, Velmora
// let go, and the job put in error.
TEST_F(OutsideCallsTest, FailedAppendDropsTheMultiPageFile) {
  StartDocument(4677);
  Fail(velmora_, "CreateMultiTIFFFile");
  EXPECT_FALSE(BandPage(1));
  EXPECT_EQ(Velmora(), "Storage;Manager;Append;Close;");
  EXPECT_EQ(Record()->multiPageOpen, 0);
  EXPECT_EQ(Record()->multiPageModule, nullptr);
  EXPECT_EQ(Record()->multiPageFile[0], 0);
  EXPECT_TRUE(JobInError(pdev()));
}

}  // namespace
