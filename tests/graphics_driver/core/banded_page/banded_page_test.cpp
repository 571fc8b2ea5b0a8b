// DrvBitBlt with engine brushes on a page drawn band by band, each band's
// rectangle moved by the band's origin as the engine does, and the page file
// the real Movrane makes of it read back by tifftopnm.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/job_output/banding/band_steps.h"
#include "graphics_driver/job_output/bands.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/outside_raster_calls.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "job_fixture.h"
#include "pipeline_page.h"
#include "platform/gdi/engine_host.h"
#include "platform/win/win_path.h"

namespace {

// A page of 1,200 x 300 dots at 400 dpi, in bands of 64 rows.
constexpr uint32_t kPageWidth = 55296, kPageHeight = 13824;
constexpr int32_t kBandRows = 64;
constexpr size_t kRowBytes = 150;

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return "popen failed";
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  return pclose(p) == 0 ? out : "FAILED";
}

class BandedPageTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    live_ = pkgdi::LiveEngineObjects();
    Set(20, 400);
    Set(1032, 0);
    Set(475, 0);
    Set(471, 0);
    pdev()->documentPaper.left = pdev()->documentPaper.top = 0;
    pdev()->documentPaper.right = kPageWidth;
    pdev()->documentPaper.bottom = kPageHeight;
    // The document's drawing records, as the document start makes them.
    ASSERT_EQ(CreatePdevOutputStream(pdev()), 0);
    ASSERT_EQ(InitTiffJobRecord(pdev(), &pdev()->jobOutput->tiffJob), 1);
    pk::test::OpenPipelinePage(pdev());
    pdev()->imageStore = CreateImageStore(pdev(), 0);
    ASSERT_NE(pdev()->imageStore, nullptr);
    ASSERT_EQ(CreateColorConverter(&pdev()->colorConverter, &pdev()->devmode, nullptr, nullptr), 0);
    ColorCounter* counter = nullptr;
    ASSERT_EQ(CreateColorCounter(&counter), 0);
    pdev()->colorCounter = counter;
    surface_.dhpdev = reinterpret_cast<DHPDEV>(pdev());
    surface_.iType = STYPE_DEVICE;
    surface_.sizlBitmap = SIZEL{1200, kBandRows + kSurfaceSpareRows};
  }
  void TearDown() override {
    CleanUpTiffOutput(pdev());
    FreeImageStore(pdev()->imageStore);
    FreeColorConverter(&pdev()->colorConverter);
    ColorCounter* counter = static_cast<ColorCounter*>(pdev()->colorCounter);
    FreeColorCounter(&counter);
    DestroyPdevOutputStream(pdev());
    EXPECT_EQ(pkgdi::LiveEngineObjects(), live_);
    JobTest::TearDown();
  }

  // Bands one page, filling the page rectangle with the brush in every band,
  // then makes the job's file: the page's rows as tifftopnm reads them.
  std::string PrintFill(RECTL page, ULONG colour) {
    BRUSHOBJ* brush = pkgdi::CreateSolidBrush(colour);
    POINTL origin{};
    bool drawn = StartBanding(&surface_, &origin);
    while (drawn) {
      RECTL band{page.left - origin.x, page.top - origin.y, page.right - origin.x, page.bottom - origin.y};
      EXPECT_TRUE(
          DrvBitBlt(&surface_, nullptr, nullptr, nullptr, nullptr, &band, nullptr, nullptr, brush, nullptr, 0xF0F0));
      EXPECT_TRUE(NextBand(&surface_, &origin));
      drawn = pdev()->jobOutput->tiffJob.bandIndex != 0;
    }
    pkgdi::DeleteBrush(brush);
    EXPECT_TRUE(pkgdi::EngineCalls().empty());
    TiffJobRecord* r = &pdev()->jobOutput->tiffJob;
    r->mode = 2;
    EXPECT_EQ(MakePageTiff(r), 0);
    EXPECT_EQ(BuildMultiPageTiff(r), 0);
    std::string host;
    const std::u16string wide(r->outputFile, r->outputFile + std::strlen(r->outputFile));
    PkResolveWindowsPath(wide.c_str(), nullptr, &host);
    const std::string pbm = Shell("tifftopnm " + host);
    const size_t body = kRowBytes * 300;
    return pbm.size() >= body ? pbm.substr(pbm.size() - body) : std::string();
  }
  bool Black(const std::string& rows, size_t y, size_t x) {
    return (BYTE(rows[y * kRowBytes + x / 8]) >> (7 - x % 8)) & 1;
  }

  SURFOBJ surface_{};
  size_t live_ = 0;
};

TEST_F(BandedPageTest, BlackSquareAcrossTwoBands) {
  const std::string rows = PrintFill(RECTL{10, 10, 110, 110}, 0x000000);
  ASSERT_EQ(rows.size(), kRowBytes * 300);
  for (size_t y = 0; y < 300; ++y)
    for (size_t x = 0; x < 1200; ++x)
      ASSERT_EQ(Black(rows, y, x), x >= 10 && x < 110 && y >= 10 && y < 110) << x << "," << y;
  EXPECT_TRUE(pdev()->pipeline.pipelineFlags & kPipelineLogicalPageOpen);
}

TEST_F(BandedPageTest, GreyFillCarriesThePageHalftone) {
  const std::string rows = PrintFill(RECTL{0, 0, 1200, 300}, 0x808080);
  ASSERT_EQ(rows.size(), kRowBytes * 300);
  EXPECT_EQ(rows.substr(0, kRowBytes), std::string(kRowBytes, '\x3C'));
  EXPECT_EQ(rows.substr(4 * kRowBytes, kRowBytes), std::string(kRowBytes, '\xC3'));
  // The cell repeats every 16 rows, across the band boundaries at 64 and 128.
  for (size_t y = 16; y < 300; ++y)
    ASSERT_EQ(rows.substr(y * kRowBytes, kRowBytes), rows.substr((y % 16) * kRowBytes, kRowBytes)) << y;
}

}  // namespace
