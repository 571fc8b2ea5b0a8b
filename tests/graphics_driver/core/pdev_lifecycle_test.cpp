// DrvEnablePDEV on a model whose Letter record has margins of its own: the
// GDIINFO and DEVINFO GDI is told, the attached paper margin record, long
// forms, every failure and what it leaves behind; DrvResetPDEV and
// DrvDisablePDEV.
#include <chrono>
#include <future>

#include "driver_fixture.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "graphics_driver/core/device_caps.h"
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/pdev_settings.h"
#include "settings/model/model_records.h"

namespace {

using pk::test::DriverTest;
using pk::test::ModelLine;

class PdevLifecycleTest : public DriverTest {
 protected:
  // Global blocks, heaps and handles alive now.
  struct Counts {
    SIZE_T blocks, heaps, handles;
    bool operator==(const Counts&) const = default;
  };
  static Counts Now() { return {pk::seams::GlobalLiveBlocks(), pk::seams::LiveHeaps(), pk::seams::LiveHandles()}; }
  // Whether another thread can take the model lock within a few seconds.
  static bool ModelLockFree() {
    auto taken = std::async(std::launch::async, [] {
      EnterCriticalSection(GetModelLoadLock());
      LeaveCriticalSection(GetModelLoadLock());
    });
    return taken.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  }
};

TEST_F(PdevLifecycleTest, GdiInfoOfLetterPortrait) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  const GDIINFO& g = gdiInfo_;
  EXPECT_EQ(g.ulVersion, 0x400u);
  EXPECT_EQ(g.ulTechnology, 2u);
  // The printable size is the page the surface holds: the paper's printable
  // rectangle, its width cut to whole bytes, not the whole Letter paper
  // (2550 x 3300), whose edges no band holds.
  EXPECT_EQ(g.ulHorzSize, 207u);
  EXPECT_EQ(g.ulVertSize, 266u);
  EXPECT_EQ(g.ulHorzRes, 2440u);
  EXPECT_EQ(g.ulVertRes, 3146u);
  const PaperInfo& paper = pdev->documentPaper;
  EXPECT_EQ(g.ulHorzRes, ULONG(DeviceUnitsToDots(paper.right - paper.left, 300) / 8 * 8));
  EXPECT_EQ(g.ulVertRes, ULONG(DeviceUnitsToDots(paper.bottom - paper.top, 300)));
  EXPECT_EQ(g.cBitsPixel, 1u);
  EXPECT_EQ(g.cPlanes, 1u);
  EXPECT_EQ(g.ulNumColors, 2u);
  EXPECT_EQ(g.flRaster, 0x2AABu);
  EXPECT_EQ(g.ulLogPixelsX, 300u);
  EXPECT_EQ(g.ulLogPixelsY, 300u);
  EXPECT_EQ(g.flTextCaps, 0u);  // the system is 10.0
  EXPECT_EQ(g.ulAspectX, 300u);
  EXPECT_EQ(g.ulAspectY, 300u);
  EXPECT_EQ(g.ulAspectXY, 424u);
  EXPECT_EQ(g.xStyleStep, 1);
  EXPECT_EQ(g.yStyleStep, 1);
  EXPECT_EQ(g.denStyleStep, 12);
  EXPECT_EQ(g.ptlPhysOffset.x, 59);
  EXPECT_EQ(g.ptlPhysOffset.y, 83);  // from the bottom margin, 70, not the top
  EXPECT_EQ(g.szlPhysSize.cx, 2550);
  EXPECT_EQ(g.szlPhysSize.cy, 3300);
  EXPECT_EQ(g.ulNumPalReg, 0u);
  EXPECT_EQ(g.ciDevice.Red.x, 6380);
  EXPECT_EQ(g.ciDevice.Blue.y, 932);
  EXPECT_EQ(g.ciDevice.AlignmentWhite.y, 3290);
  EXPECT_EQ(g.ciDevice.BlueGamma, 12500);
  EXPECT_EQ(g.ciDevice.MagentaInCyanDye, 585);
  EXPECT_EQ(g.ciDevice.YellowInCyanDye, 120);
  EXPECT_EQ(g.ciDevice.MagentaInYellowDye, 10000);
  EXPECT_EQ(g.ulDevicePelsDPI, 0u);
  EXPECT_EQ(g.ulHTPatternSize, 5u);
  EXPECT_EQ(g.ulHTOutputFormat, 0u);
  EXPECT_EQ(g.flHTFlags, 2u);
  // Everything after the halftone flags is zero.
  const BYTE* rest = reinterpret_cast<const BYTE*>(&g.ulVRefresh);
  EXPECT_EQ(std::count(rest, reinterpret_cast<const BYTE*>(&g + 1), 0), reinterpret_cast<const BYTE*>(&g + 1) - rest);
  // The record keeps no margins for later users.
  const auto* record = static_cast<const PaperRecord*>(pdev->documentPaper.paperRecord);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->key, 1);
  EXPECT_EQ(record->pair2[0].x | record->pair2[0].y | record->pair2[1].x | record->pair2[1].y, 0);
  EXPECT_EQ(pdev->logicalDpi, 300);
  EXPECT_EQ(pdev->signature, kPdevSignature);
  EXPECT_EQ(pdev->trailerSignature, 0x54524444u);
  EXPECT_EQ(pdev->printer, printer_);
  EXPECT_EQ(pdev->engineDevice, hdev_);
}

TEST_F(PdevLifecycleTest, ScaleLandscapeAndTheSystem) {
  UseModel();
  Dm()->dmScale = 50;
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(gdiInfo_.ulHorzSize, 413u);
  EXPECT_EQ(gdiInfo_.ulVertSize, 533u);
  EXPECT_EQ(gdiInfo_.ulLogPixelsX, 150u);
  EXPECT_EQ(gdiInfo_.ulLogPixelsY, 150u);
  EXPECT_EQ(gdiInfo_.ulHorzRes, 2440u);

  Dm()->dmScale = 100;
  Dm()->dmOrientation = 2;
  pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(pdev->documentPaper.rotated, 1u);
  EXPECT_EQ(gdiInfo_.ulHorzRes, 3144u);
  EXPECT_EQ(gdiInfo_.ulVertRes, 2443u);
  EXPECT_EQ(gdiInfo_.ulHorzSize, 266u);
  EXPECT_EQ(gdiInfo_.ptlPhysOffset.x, 71);
  EXPECT_EQ(gdiInfo_.ptlPhysOffset.y, 59);
  EXPECT_EQ(gdiInfo_.szlPhysSize.cx, 3300);
}

// Raster fonts are offered to systems older than 6.0 only.
TEST_F(PdevLifecycleTest, TextCapsOfAnOlderSystem) {
  pk::seams::SetOsVersion(5, 1);
  UseModel();
  ASSERT_NE(Enable(), nullptr);
  EXPECT_EQ(gdiInfo_.flTextCaps, 0x2000u);
}

TEST_F(PdevLifecycleTest, HalftonePatternSizeByResolution) {
  const std::pair<uint32_t, ULONG> cases[] = {{2400, 15}, {1800, 13}, {1799, 11}, {1200, 11}, {900, 9},
                                              {400, 7},   {399, 5},   {180, 5},   {179, 3},   {0, 3}};
  for (auto [dpi, size] : cases) EXPECT_EQ(GetHalftonePatternSize(dpi), size) << dpi;
}

// A paper margin record after the DEVMODE replaces the offsets and the
// printable size when it names the DEVMODE's paper and setting 387 asks.
TEST_F(PdevLifecycleTest, AttachedPaperMarginRecord) {
  UseModel();
  AttachMargins(1, 100, 120, 80, 90);
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(gdiInfo_.ulHorzRes, 2290u);
  EXPECT_EQ(gdiInfo_.ulVertRes, 3099u);
  EXPECT_EQ(gdiInfo_.ulHorzSize, 194u);
  EXPECT_EQ(gdiInfo_.ulVertSize, 262u);
  EXPECT_EQ(gdiInfo_.ptlPhysOffset.x, 118);
  EXPECT_EQ(gdiInfo_.ptlPhysOffset.y, 94);
  EXPECT_EQ(gdiInfo_.szlPhysSize.cx, 2550);  // the paper stays whole
  EXPECT_EQ(Dm()->dmDriverExtra, 2408);

  // Without the record's size, or for another paper: the plain values.
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant);
    AttachMargins(variant == 0 ? 1 : 9, 100, 120, 80, 90);
    if (variant == 0) Dm()->dmDriverExtra = 2408;
    ASSERT_NE(Enable(), nullptr);
    EXPECT_EQ(gdiInfo_.ulHorzRes, 2440u);
    EXPECT_EQ(gdiInfo_.ulVertRes, 3146u);
    EXPECT_EQ(gdiInfo_.ptlPhysOffset.x, 59);
    EXPECT_EQ(gdiInfo_.ptlPhysOffset.y, 83);
  }
}

// A DEVMODE of an older, shorter public part is never read at the record's
// offsets: its block ends before them.
TEST_F(PdevLifecycleTest, ShortDevModeCarriesNoRecord) {
  UseModel();
  AttachMargins(1, 100, 120, 80, 90);
  // The first 156 public bytes, then the private part and the record.
  std::vector<uint8_t> shortDm(devmode_.begin(), devmode_.begin() + 156);
  shortDm.insert(shortDm.end(), devmode_.begin() + kPublicDevModeSize, devmode_.end());
  ASSERT_EQ(shortDm.size(), 2574u);
  auto* dm = reinterpret_cast<DEVMODEW*>(shortDm.data());
  dm->dmSize = 156;
  dm->dmDriverExtra = 2418;
  DHPDEV p = DrvEnablePDEV(dm, nullptr, 0, nullptr, sizeof gdiInfo_, reinterpret_cast<ULONG*>(&gdiInfo_),
                           sizeof devInfo_, &devInfo_, hdev_, nullptr, printer_);
  ASSERT_NE(p, nullptr);
  pdevs_.push_back(p);
  EXPECT_EQ(dm->dmDriverExtra, 2418);
  EXPECT_EQ(gdiInfo_.ptlPhysOffset.x, 59);
  EXPECT_EQ(gdiInfo_.ulHorzRes, 2440u);
}

// A form exactly 1000 mm long is a continuous form, as long as setting 373
// asks, unless its record is the one of identifier 317.
TEST_F(PdevLifecycleTest, ContinuousForms) {
  UseModel({pk::test::kLetterMargins,
            pk::test::kResolution300,
            {"paper 400 ", "paper 400 \"Endless\" 0 0 2100 10000 50 50"},
            {"paper 317 ", "paper 317 \"Endless 317\" 0 0 2000 10000 50 50"},
            {"  option \"Envelope C5\"",
             "  option \"Envelope C5\" 10 28 i16 28\n"
             "  option \"Endless\" 10 400 i16 400\n"
             "  option \"Endless 317\" 10 317 i16 317"}});
  // The forms are told apart by their widths.
  for (auto [name, width] : {std::pair{u"Endless", 210000}, std::pair{u"Endless 317", 200000}}) {
    FORM_INFO_1W form = {0, const_cast<LPWSTR>(name), {width, 1000000}, {0, 0, width, 1000000}};
    ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&form)));
  }
  struct Case {
    const char16_t* form;
    short width;
    int64_t length, scale;
    ULONG vertSize;
  } cases[] = {
      {u"Endless", 2100, 0, 100, 15000},
      {u"Endless", 2100, 2000, 80, 2500},
      {u"Endless 317", 2000, 2000, 80, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vertSize);
    Dm()->dmFields = DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PRINTQUALITY | DM_YRESOLUTION;
    Dm()->dmPaperWidth = c.width;
    Dm()->dmPaperLength = 10000;
    Set(373, c.length);
    Set(263, c.scale);
    PdevState* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    EXPECT_EQ(std::u16string(pdev->documentPaper.formName), c.form);
    // The paper found by its size makes a page 1000 mm long less its
    // margins: GDI is told that page, never more.
    EXPECT_EQ(gdiInfo_.ulVertSize, 990u);
    // On a page long enough the form's length is the printable length.
    PaperInfo& paper = pdev->documentPaper;
    paper.bottom = paper.top + MicronsToDeviceUnits(200000 * 100);
    GDIINFO info{};
    ASSERT_EQ(BuildGdiInfo(pdev, nullptr, &info), 1);
    EXPECT_EQ(info.ulVertSize, c.vertSize);
  }
}

TEST_F(PdevLifecycleTest, DevInfoAndItsPalette) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(devInfo_.flGraphicsCaps, 0x40002410u);
  EXPECT_EQ(devInfo_.cFonts, 0u);
  EXPECT_EQ(devInfo_.iDitherFormat, ULONG(BMF_24BPP));
  EXPECT_EQ(devInfo_.cxDither, 0);
  EXPECT_EQ(devInfo_.cyDither, 0);
  EXPECT_EQ(devInfo_.flGraphicsCaps2, 0u);
  // The default printer has device fonts: the three default fonts are filled
  // (a model without font records keeps them zero, see the device font tests).
  EXPECT_EQ(std::u16string(devInfo_.lfDefaultFont.lfFaceName), u"Courier");
  EXPECT_EQ(std::u16string(devInfo_.lfAnsiVarFont.lfFaceName), u"Helvetica");
  EXPECT_EQ(std::u16string(devInfo_.lfAnsiFixFont.lfFaceName), u"Courier");
  ASSERT_NE(devInfo_.hpalDefault, nullptr);
  EXPECT_EQ(devInfo_.hpalDefault, pdev->palette);
  ULONG mode = 0;
  std::vector<ULONG> colors;
  ASSERT_TRUE(pkgdi::PaletteInfo(devInfo_.hpalDefault, &mode, &colors));
  EXPECT_EQ(mode, ULONG(PAL_BGR));
  HPALETTE palette = devInfo_.hpalDefault;
  Disable(pdev);
  EXPECT_FALSE(pkgdi::PaletteInfo(palette, &mode, &colors));
}

TEST_F(PdevLifecycleTest, WhatFailsAndWhatItLeaves) {
  UseModel();
  const Counts before = Now();
  ULONG caps[80];
  DEVINFO di;
  struct Args {
    bool pdm, caps, info, hdev, printer;
  } missing[] = {{false, true, true, true, true},
                 {true, false, true, true, true},
                 {true, true, false, true, true},
                 {true, true, true, false, true},
                 {true, true, true, true, false}};
  for (const Args& a : missing)
    EXPECT_EQ(
        DrvEnablePDEV(a.pdm ? Dm() : nullptr, nullptr, 0, nullptr, sizeof caps, a.caps ? caps : nullptr, sizeof di,
                      a.info ? &di : nullptr, a.hdev ? hdev_ : nullptr, nullptr, a.printer ? printer_ : nullptr),
        nullptr);
  EXPECT_EQ(Now(), before);

  // The application's scale, taken unchecked, must be at least 1.
  Dm()->dmScale = 0;
  EXPECT_EQ(Enable(), nullptr);
  EXPECT_EQ(Now(), before);
  Dm()->dmScale = 100;

  // A paper record without its printable pair.
  UseModel({{"paper 1 \"Letter\"", "paper 1 \"Letter\" 0 0 2159 2794 42 42 noprintable"}, pk::test::kResolution300});
  EXPECT_EQ(Enable(), nullptr);
  EXPECT_EQ(Now(), before);
  EXPECT_TRUE(ModelLockFree());
}

// Every allocation the creation reaches may fail: then no PDEV, nothing left
// allocated, the model lock free.
TEST_F(PdevLifecycleTest, EveryAllocationMayFail) {
  UseModel();
  const Counts before = Now();
  int made = 0;
  for (unsigned n = 1;; ++n) {
    pk::seams::FailNthAllocation(n);
    PdevState* pdev = Enable();
    // An allocation still to come fails while the n-th was not reached.
    bool reached = true;
    std::vector<void*> probes;
    for (unsigned i = 0; i < n && reached; ++i) {
      void* p = GlobalAlloc(GPTR, 1);
      if (p) probes.push_back(p);
      else reached = false;
    }
    pk::seams::FailNthAllocation(0);
    for (void* p : probes) GlobalFree(p);
    if (pdev) {
      ++made;
      Disable(pdev);
    }
    ASSERT_EQ(Now(), before) << n;
    ASSERT_TRUE(ModelLockFree()) << n;
    if (!reached) break;
    ASSERT_LT(n, 5000u);
  }
  EXPECT_GT(made, 0);
  ASSERT_NE(Enable(), nullptr);
}

// Old A4 portrait with three copies and its job output started, a page
// open; new Letter landscape with one copy.
TEST_F(PdevLifecycleTest, ResetCarriesTheDocumentOver) {
  UseModel();
  Dm()->dmFields |= DM_COPIES;
  Dm()->dmPaperSize = 9;
  std::memcpy(Dm()->dmFormName, u"A4\0", 6);
  Dm()->dmCopies = 3;
  PdevState* old = Enable();
  ASSERT_NE(old, nullptr);
  Dm()->dmPaperSize = 1;
  std::memcpy(Dm()->dmFormName, u"Letter", sizeof u"Letter");
  Dm()->dmCopies = 1;
  Dm()->dmOrientation = 2;
  PdevState* fresh = Enable();
  ASSERT_NE(fresh, nullptr);
  ASSERT_EQ(GetCopies(old), 3);
  ASSERT_EQ(GetCopies(fresh), 1);

  SURFOBJ* oldSurface = Surface(old);
  ASSERT_TRUE(DrvStartDoc(oldSurface, nullptr, 41));
  SetPdev(old, 292, 1);
  ASSERT_TRUE(DrvStartPage(oldSurface));
  ASSERT_NE(old->memoryPool, nullptr);
  ASSERT_TRUE(IsJobOutputStarted(old));
  JobOutputStream* stream = old->jobOutput;
  void* counter = old->colorCounter;
  ASSERT_NE(stream, nullptr);
  ASSERT_NE(counter, nullptr);

  ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(old), reinterpret_cast<DHPDEV>(fresh)));
  EXPECT_EQ(GetCopies(fresh), 3);
  EXPECT_EQ(GetPdevSettingShort(fresh, 8), 1);
  EXPECT_EQ(GetPdevSettingShort(fresh, 7), 2);
  EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(GetPdevSettingPointer(fresh, 19))), u"Letter");
  EXPECT_EQ(fresh->jobOutput, stream);
  EXPECT_EQ(fresh->jobUser.jobId, 41u);  // the spooler's job goes on
  EXPECT_EQ(fresh->memoryPool, old->memoryPool);
  EXPECT_EQ(fresh->colorCounter, counter);
  EXPECT_EQ(old->colorCounter, nullptr);  // moved: only the new PDEV frees it
  EXPECT_EQ(fresh->ddiFlags, kDdiDocumentStarted | kDdiJobOutputStartedHere | kDdiContinuedAfterReset);
  EXPECT_EQ(fresh->pipeline.pipelineFlags & kPipelineRefillPageRecord, kPipelineRefillPageRecord);
  EXPECT_TRUE(old->ddiFlags & kDdiSuperseded);
  EXPECT_FALSE(old->ddiFlags & kDdiPageOpen);

  // The new PDEV's document goes on.
  SURFOBJ* freshSurface = Surface(fresh);
  const uint32_t flags = fresh->ddiFlags, pipeline = fresh->pipeline.pipelineFlags;
  EXPECT_TRUE(DrvStartDoc(freshSurface, nullptr, 2));
  EXPECT_EQ(fresh->ddiFlags, flags);
  EXPECT_EQ(fresh->pipeline.pipelineFlags, pipeline);
  EXPECT_TRUE(DrvEndDoc(freshSurface, 0));
  EXPECT_EQ(fresh->jobOutput, nullptr);
  EXPECT_EQ(fresh->memoryPool, nullptr);
  old->memoryPool = nullptr;
}

// After the job output started, a reset's new paper reaches the sheets only
// when the tray follows the page; otherwise the job's output paper moves over.
TEST_F(PdevLifecycleTest, ResetKeepsTheJobsOutputPaperUnlessTheTrayFollows) {
  UseModel();
  for (uint32_t follows : {0u, 1u}) {
    SCOPED_TRACE(follows);
    Dm()->dmPaperSize = 9;
    std::memcpy(Dm()->dmFormName, u"A4\0", 6);
    PdevState* old = Enable();
    ASSERT_NE(old, nullptr);
    Dm()->dmPaperSize = 1;
    std::memcpy(Dm()->dmFormName, u"Letter", sizeof u"Letter");
    PdevState* fresh = Enable();
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(old->outputPaper.width, fresh->outputPaper.width);

    ASSERT_TRUE(DrvStartDoc(Surface(old), nullptr, 1));
    old->pipeline.pipelineFlags |= kPipelineDocumentOpen | kPipelineJobOutputStarted;
    old->jobSetup.trayFollowsPage = follows;
    old->currentPage.currentTray = 4;
    old->currentPage.logical.width = 2100;
    const PaperInfo oldPaper = old->outputPaper, freshPaper = fresh->outputPaper;

    ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(old), reinterpret_cast<DHPDEV>(fresh)));
    EXPECT_EQ(fresh->jobSetup.trayFollowsPage, follows);
    EXPECT_EQ(fresh->currentPage.currentTray, 4);
    EXPECT_EQ(fresh->currentPage.logical.width, 2100);
    if (follows) {
      EXPECT_EQ(fresh->outputPaper.width, freshPaper.width);
      EXPECT_EQ(fresh->outputPaper.paperRecord, freshPaper.paperRecord);
      EXPECT_EQ(old->outputPaper.paperRecord, oldPaper.paperRecord);
    } else {
      EXPECT_EQ(fresh->outputPaper.width, oldPaper.width);
      EXPECT_EQ(fresh->outputPaper.paperRecord, oldPaper.paperRecord);
      EXPECT_EQ(old->outputPaper.paperRecord, nullptr);  // freed once, by the new PDEV
    }
    EXPECT_TRUE(DrvEndDoc(Surface(fresh), 0));
    old->memoryPool = nullptr;
  }
}

TEST_F(PdevLifecycleTest, ResetRefusals) {
  UseModel();
  PdevState* old = Enable();
  PdevState* fresh = Enable();
  ASSERT_TRUE(old && fresh);
  const auto oldH = reinterpret_cast<DHPDEV>(old), freshH = reinterpret_cast<DHPDEV>(fresh);

  // Without a document: nothing carries over.
  EXPECT_TRUE(DrvResetPDEV(oldH, freshH));
  EXPECT_EQ(fresh->ddiFlags, 0u);
  EXPECT_EQ(old->ddiFlags, 0u);

  // Both are checked before the old page is touched.
  old->ddiFlags = kDdiDocumentStarted | kDdiPageOpen;
  old->trailerSignature = 0;
  SetLastError(0);
  EXPECT_FALSE(DrvResetPDEV(oldH, freshH));
  EXPECT_EQ(GetLastError(), 87u);
  EXPECT_EQ(old->ddiFlags, kDdiDocumentStarted | kDdiPageOpen);
  old->trailerSignature = kPdevSignature;
  fresh->signature = 1;
  SetLastError(0);
  EXPECT_FALSE(DrvResetPDEV(oldH, freshH));
  EXPECT_EQ(GetLastError(), 87u);
  EXPECT_EQ(old->ddiFlags, kDdiDocumentStarted | kDdiPageOpen);
  fresh->signature = kPdevSignature;

  // A job in error cannot go on.
  old->pipeline.pipelineFlags = kPipelineJobInError;
  EXPECT_FALSE(DrvResetPDEV(oldH, freshH));
  old->ddiFlags = 0;
}

TEST_F(PdevLifecycleTest, ResetOfAFaxJobCarriesTheFaxSettings) {
  UseModel({pk::test::kLetterMargins, pk::test::kResolution300, {"field 23 ", "field 23 1"}});
  PdevState* old = Enable();
  PdevState* fresh = Enable();
  ASSERT_TRUE(old && fresh);
  EXPECT_EQ(old->faxState.faxJob, 1u);
  SetPdev(old, 514, 7);
  const WCHAR* number = u"0123 456";
  ASSERT_EQ(SetSettingValue(515, &old->devmode, old->printerSettings, kSettingTypeText, 18, &number), kSettingOk);
  // A fax job's document starts; before its output starts a reset carries
  // its fax settings over.
  EXPECT_TRUE(DrvStartDoc(Surface(old), nullptr, 1));
  ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(old), reinterpret_cast<DHPDEV>(fresh)));
  EXPECT_EQ(GetPdevSettingLong(fresh, 514), 7);
  EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(GetPdevSettingPointer(fresh, 515))), u"0123 456");
}

}  // namespace
