// The banded device surface and the document entry points: the surface's
// size, format, hooks and band rows; the state bits and the device memory
// pool through documents, pages, failures and aborts.
#include "driver_fixture.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "settings/model/device_model.h"

namespace {

using pk::test::DriverTest;
using pk::test::ModelLine;

class SurfaceDocumentTest : public DriverTest {
 protected:
  // The model with its device memory (header field 6) set.
  void UseModelWithMemory(uint32_t bytes) {
    UseModel({pk::test::kLetterMargins, pk::test::kResolution300, {"field 6 ", "field 6 " + std::to_string(bytes)}});
  }
};

TEST_F(SurfaceDocumentTest, BandedSurfaceOfThePrintableArea) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  HSURF surface = DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev));
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(pdev->surface, surface);
  SURFOBJ* so = pkgdi::SurfaceObject(surface);
  ASSERT_NE(so, nullptr);
  EXPECT_EQ(so->dhsurf, reinterpret_cast<DHSURF>(pdev));
  EXPECT_EQ(so->dhpdev, reinterpret_cast<DHPDEV>(pdev));
  EXPECT_EQ(so->iBitmapFormat, ULONG(BMF_24BPP));
  // 2069 x 2664 tenths of a millimetre at 300 dpi; the bands were computed
  // for 2440 x 3146 dots, and the page fits one.
  EXPECT_EQ(so->sizlBitmap.cx, 2443);
  EXPECT_EQ(so->sizlBitmap.cy, ComputeBandHeight(2440, 3146) + 128);
  EXPECT_EQ(so->sizlBitmap.cy, 3146 + 128);
  EXPECT_EQ(pkgdi::SurfaceHooks(surface), 0x42Bu);
  EXPECT_TRUE(pkgdi::SurfaceIsBanded(surface));
  DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
  EXPECT_EQ(pdev->surface, nullptr);
  EXPECT_EQ(pkgdi::SurfaceObject(surface), nullptr);

  // Memory for a band of rows only: still a surface; for no row: none.
  pk::seams::FailAllocationsFrom(5000000);
  surface = DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev));
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(pkgdi::SurfaceObject(surface)->sizlBitmap.cy, 3146 + 128);
  DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
  pk::seams::FailAllocationsFrom(2000000);
  EXPECT_EQ(DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev)), nullptr);
  EXPECT_EQ(pdev->surface, nullptr);
  pk::seams::FailAllocationsFrom(0);
}

TEST_F(SurfaceDocumentTest, FirstPageMakesThePool) {
  UseModelWithMemory(1000100);
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SetPdev(pdev, 292, 1);
  SURFOBJ* so = Surface(pdev);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  EXPECT_EQ(pdev->ddiFlags, kDdiDocumentStarted);
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_NE(pdev->memoryPool, nullptr);
  EXPECT_EQ(pdev->memoryPool->size, 1000064u);
  EXPECT_EQ(pdev->ddiFlags, kDdiDocumentStarted | kDdiJobOutputStartedHere | kDdiPageOpen);

  // A second start without the page sent changes nothing.
  MemoryPool* pool = pdev->memoryPool;
  EXPECT_TRUE(DrvStartPage(so));
  EXPECT_EQ(pdev->memoryPool, pool);
  EXPECT_EQ(pdev->ddiFlags, kDdiDocumentStarted | kDdiJobOutputStartedHere | kDdiPageOpen);

  EXPECT_TRUE(DrvSendPage(so));
  EXPECT_EQ(pdev->ddiFlags, kDdiDocumentStarted | kDdiJobOutputStartedHere);
  pdev->ddiFlags |= kDdiContinuedAfterReset;
  EXPECT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pdev->memoryPool, nullptr);
  EXPECT_EQ(pdev->ddiFlags, 0u);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(SurfaceDocumentTest, NoPoolWithoutMemoryOrReservation) {
  struct Case {
    uint32_t memory;
    int reserve;
    uint32_t pipeline;
  } cases[] = {{0, 1, 0}, {1000100, 0, 0}, {1000100, 1, kPipelineDocumentOpen | kPipelineJobOutputStarted}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.memory + c.reserve + c.pipeline);
    UseModelWithMemory(c.memory);
    PdevState* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    SetPdev(pdev, 292, c.reserve);
    SURFOBJ* so = Surface(pdev);
    ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
    // The job output started before this page.
    if (c.pipeline) {
      ASSERT_EQ(StartJobOutput(pdev), 0);
    }
    ASSERT_EQ(pdev->pipeline.pipelineFlags & c.pipeline, c.pipeline);
    ASSERT_TRUE(DrvStartPage(so));
    EXPECT_EQ(pdev->memoryPool, nullptr);
    // A started job output was not started here.
    EXPECT_EQ((pdev->ddiFlags & kDdiJobOutputStartedHere) != 0, c.pipeline == 0);
    EXPECT_TRUE(DrvEndDoc(so, 0));
  }
}

TEST_F(SurfaceDocumentTest, PoolThatCannotBeMadeFailsThePage) {
  UseModelWithMemory(1000100);
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SetPdev(pdev, 292, 1);
  SURFOBJ* so = Surface(pdev);
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
  pk::seams::FailNthAllocation(1);
  EXPECT_FALSE(DrvStartPage(so));
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(pdev->memoryPool, nullptr);
  EXPECT_FALSE(pdev->ddiFlags & kDdiPageOpen);
  EXPECT_TRUE(DrvEndDoc(so, 0));
}

TEST_F(SurfaceDocumentTest, FailedDocumentHasNoPagesButEnds) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
  pdev->ddiFlags |= kDdiDocumentFailed;
  EXPECT_FALSE(DrvStartPage(so));
  EXPECT_FALSE(pdev->ddiFlags & kDdiPageOpen);
  EXPECT_TRUE(DrvEndDoc(so, ED_ABORTDOC));
  EXPECT_FALSE(pdev->ddiFlags & kDdiDocumentStarted);

  // Document calls without a surface.
  EXPECT_FALSE(DrvStartDoc(nullptr, nullptr, 1));
  EXPECT_FALSE(DrvStartPage(nullptr));
  EXPECT_FALSE(DrvSendPage(nullptr));
  EXPECT_FALSE(DrvEndDoc(nullptr, 0));
}

// A pool is never freed twice, nor left behind, across documents.
TEST_F(SurfaceDocumentTest, SecondDocumentWithoutPages) {
  UseModelWithMemory(1000100);
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SetPdev(pdev, 292, 1);
  SURFOBJ* so = Surface(pdev);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pdev->memoryPool, nullptr);
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 2));
  // Each document records the spooler's job it prints for, without a name yet.
  EXPECT_EQ(pdev->jobUser.jobId, 2u);
  EXPECT_EQ(pdev->jobUser.nameHandle, nullptr);
  EXPECT_NE(InitJobUserInfo(nullptr, 2), 0);
  EXPECT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  // A pool still held when a page makes a new one is freed first.
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 3));
  ASSERT_EQ(CreateMemoryPool(&pdev->memoryPool, 4096), kPoolOk);
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

// A document started again without its end, after a page or after a failed
// start, abandons the first: nothing of it is left behind.
TEST_F(SurfaceDocumentTest, DocumentStartedAgainAbandonsTheFirst) {
  UseModelWithMemory(1000100);
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SetPdev(pdev, 292, 1);
  SURFOBJ* so = Surface(pdev);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"first"), 1));
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"second"), 2));
  EXPECT_EQ(pdev->jobUser.jobId, 2u);
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pdev->ddiFlags, 0u);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  // A start that failed, then another start.
  pk::seams::FailNthAllocation(1);
  DrvStartDoc(so, nullptr, 3);
  pk::seams::FailNthAllocation(0);
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 4));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

// An abort state left by a failed job is lifted at every job end, also an
// abandoned one.
TEST_F(SurfaceDocumentTest, EndDocLiftsAnAbort) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  for (FLONG fl : {FLONG(ED_ABORTDOC), FLONG(0)}) {
    ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
    SetOutputAbortState(-1);
    EXPECT_TRUE(DrvEndDoc(so, fl));
    EXPECT_EQ(GetOutputAbortState(), 1) << fl;
  }
  SetOutputAbortState(0);
}

class DefaultPrinterDocumentTest : public DriverTest {};

// The default printer's model reserves 64 MiB of printer memory, which the
// pool only accounts for; by default no reservation is made.
TEST_F(DefaultPrinterDocumentTest, PoolOfTheDefaultModel) {
  UseDefaultDevMode();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(ReadModelHeaderValue(pdev->primaryModelFile, 6, 4, 0), 67108864u);
  EXPECT_EQ(GetPdevSettingLong(pdev, 292), 0);
  SURFOBJ* so = Surface(pdev);
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 1));
  ASSERT_TRUE(DrvStartPage(so));
  EXPECT_EQ(pdev->memoryPool, nullptr);
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));

  SetPdev(pdev, 292, 1);
  ASSERT_TRUE(DrvStartDoc(so, nullptr, 2));
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_NE(pdev->memoryPool, nullptr);
  EXPECT_EQ(pdev->memoryPool->size, 67108864u);
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
}

}  // namespace
