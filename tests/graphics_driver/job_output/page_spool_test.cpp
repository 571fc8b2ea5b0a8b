// The page spool: records chained in the spool file, the page and extent
// tables, replay through the sheet hooks and the image store, colour kinds of
// spooled sheets, and the spool's limits.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "graphics_driver/job_output/page_spool.h"
#include "graphics_driver/job_output/page_spool_stream.h"
#include "job_fixture.h"

namespace {

std::vector<std::string> g_hooks;
std::vector<uint32_t> g_colourKinds;

void LogHook(int hook, uint32_t colourKind, const SheetStart*) {
  static const char* kNames[] = {"placement", "content end", "sheet end"};
  g_hooks.push_back(kNames[hook]);
  if (hook == 0) g_colourKinds.push_back(colourKind);
}

PlacementMatrix Matrix(float a, float b, float c, float d, float e, float f) {
  return PlacementMatrix{{a, b, c, d, e, f}};
}

class PageSpoolTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    g_hooks.clear();
    g_colourKinds.clear();
    SetSheetHookObserver(&LogHook);
    ASSERT_EQ(CreatePdevOutputStream(pdev()), 0);
    // A sink is open on the printer; the spool writes nothing to it.
    ASSERT_EQ(OpenPassThroughSink(pdev()->jobOutput, printer_), 0);
    pdev()->imageStore = CreateImageStore(pdev(), 0);
    ASSERT_NE(pdev()->imageStore, nullptr);
    pdev()->pipeline.pipelineFlags = kPipelineDocumentOpen | kPipelineJobOutputStarted | kPipelinePhysicalPageOpen;
  }
  void TearDown() override {
    SetSheetHookObserver(nullptr);
    if (IsSpoolOpen(pdev())) {
      pdev()->pipeline.spoolState = kSpoolOpen;
      CloseSpool(pdev());
    }
    FreeImageStore(pdev()->imageStore);
    DestroyPdevOutputStream(pdev());
    JobTest::TearDown();
  }
  JobOutputStream* Stream() { return pdev()->jobOutput; }
  // The spooled page `page` with `bits`, in mode `mode`.
  void Begin(uint16_t page, uint32_t bits, uint32_t mode = 0, uint32_t tracking = 0, int16_t limit = 0) {
    ASSERT_EQ(BeginSpoolPage(pdev(), page, mode, bits, tracking, limit, 0), 0);
  }
  PageTransform Transform() {
    PageTransform t{};
    GetPageTransform(pdev()->imageStore, &t);
    return t;
  }
};

TEST_F(PageSpoolTest, RecordsOfAPageChainForward) {
  ASSERT_EQ(StartSpool(pdev(), 0, 1), 0);
  Begin(0, 0x3C);
  const int start = GetTempFileSize(&Stream()->tempFile);
  ASSERT_EQ(RecordSheetStart(pdev(), 1, 2, 'A', 0, 0), 0);
  ASSERT_EQ(RecordPageTransform(pdev(), Matrix(1, 0, 0, 1, 5, 6)), 0);
  ASSERT_EQ(RecordContentEnd(pdev()), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 0), 0);
  EXPECT_TRUE(g_hooks.empty());
  EXPECT_EQ(pdev()->pipeline.spoolState, kSpoolOpen);
  EXPECT_EQ(pdev()->pipeline.spooledPageCount, 1);

  // Kinds 0, 3, 1: next = 8 + 12, 8 + 24, 0.
  SpooledPageExtent extent{};
  ASSERT_EQ(GetSpooledExtent(Stream(), 0, &extent), 0);
  EXPECT_EQ(extent.start, uint32_t(start));
  EXPECT_EQ(extent.firstRecord, start);
  EXPECT_EQ(extent.end, uint32_t(start + 20 + 32 + 8));
  ASSERT_EQ(OpenSpoolReader(Stream(), 0), 0);
  std::vector<std::pair<uint16_t, int32_t>> chain;
  SpoolRecordHeader h{};
  while (ReadSpoolRecordHeader(Stream(), &h) == 1) chain.emplace_back(h.kind, h.next);
  EXPECT_EQ(chain, (std::vector<std::pair<uint16_t, int32_t>>{{0, 20}, {3, 32}, {1, 0}}));

  // Replayed: the placement hook with the sheet start, then the content end.
  ASSERT_EQ(ReplayPage(pdev(), 0, kReplaySheetStart | kReplayContentEnd, nullptr, kNoPage, 0), 0);
  EXPECT_EQ(g_hooks, (std::vector<std::string>{"placement", "content end"}));
}

TEST_F(PageSpoolTest, KeptPageHasNoRecordsAndReplaysWithoutHooks) {
  ASSERT_EQ(StartSpool(pdev(), 3, 80), 0);
  ASSERT_EQ(RecordSheetStart(pdev(), 1, 0, 'A', 0, 0), 0);  // no page: the hook
  Begin(3, kSpoolBitKeep);
  const int s = GetTempFileSize(&Stream()->tempFile);
  ASSERT_EQ(RecordSheetStart(pdev(), 1, 0, 'A', 0, 0), 0);
  ASSERT_EQ(RecordContentEnd(pdev()), 0);
  ASSERT_EQ(RecordSheetEnd(pdev()), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 3), 0);
  SpooledPageExtent extent{};
  ASSERT_EQ(GetSpooledExtent(Stream(), 3, &extent), 0);
  EXPECT_EQ(extent.start, uint32_t(s));
  EXPECT_EQ(extent.end, uint32_t(s));
  EXPECT_EQ(extent.firstRecord, -1);
  g_hooks.clear();
  EXPECT_EQ(ReplayPage(pdev(), 3, 15, nullptr, kNoPage, 0), 0);
  EXPECT_TRUE(g_hooks.empty());
}

TEST_F(PageSpoolTest, PageOutOfTurnIsRefused) {
  ASSERT_EQ(StartSpool(pdev(), 5, 1), 0);
  // The next page must be 5 + 0.
  EXPECT_EQ(BeginSpoolPage(pdev(), 6, 0, 0x06, 0, 0, 0), -1);
  EXPECT_EQ(pdev()->pipeline.spoolState, 0x06u | 0x8001u);
  // Bits outside 0x3E, or none, are refused before anything changes.
  pdev()->pipeline.spoolState = kSpoolOpen;
  EXPECT_EQ(BeginSpoolPage(pdev(), 5, 0, 0x40, 0, 0, 0), -1);
  EXPECT_EQ(BeginSpoolPage(pdev(), 5, 0, 0, 0, 0, 0), -1);
  EXPECT_EQ(pdev()->pipeline.spoolState, kSpoolOpen);
  // A spool that is open is not opened again; one not open is not closed twice.
  EXPECT_EQ(StartSpool(pdev(), 5, 1), -1);
  EXPECT_EQ(CloseSpool(pdev()), 0);
  EXPECT_EQ(CloseSpool(pdev()), 0);
  EXPECT_EQ(pdev()->pipeline.spoolState, 0u);
}

TEST_F(PageSpoolTest, ReplayRefusesThePageAsItsOwnPartner) {
  ASSERT_EQ(StartSpool(pdev(), 0, 80), 0);
  Begin(0, 0x04);
  ASSERT_EQ(RecordSheetStart(pdev(), 1, 0, 'A', 0, 0), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 0), 0);
  EXPECT_EQ(ReplayPage(pdev(), 0, 1, nullptr, 0, 0), -1);
  // A page the tables do not hold cannot be replayed.
  EXPECT_EQ(ReplayPage(pdev(), 1, 1, nullptr, kNoPage, 0), -1);
  EXPECT_EQ(ReplayPage(pdev(), 0, 1, nullptr, kNoPage, 0), 0);
}

TEST_F(PageSpoolTest, ReplayedTransformIsTheRecordsThenTheReplays) {
  ASSERT_EQ(StartSpool(pdev(), 0, 1), 0);
  Begin(0, 0x3E);
  const PlacementMatrix recorded = Matrix(2, 0, 0, 3, 10, 20);
  ASSERT_EQ(RecordPageTransform(pdev(), recorded), 0);
  // Spooled transforms are cached by the store, not handed on.
  EXPECT_EQ(Transform().a, 2.0f);
  ASSERT_EQ(RecordContentEnd(pdev()), 0);
  ASSERT_EQ(RecordSheetEnd(pdev()), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 0), 0);

  const PlacementMatrix replay = Matrix(0, 1, -1, 0, 100, 200);  // a quarter turn, then moved
  ASSERT_EQ(ReplayPage(pdev(), 0, 14, &replay, kNoPage, 0), 0);
  const PlacementMatrix expected = CombineTransform(recorded, replay);
  const PageTransform t = Transform();
  EXPECT_EQ(std::vector<float>({t.a, t.b, t.c, t.d, t.e, t.f}), std::vector<float>(expected.m, expected.m + 6));
  // (x, y) -> record (2x + 10, 3y + 20) -> replay (-(3y + 20) + 100, 2x + 10 + 200).
  EXPECT_EQ(std::vector<float>(expected.m, expected.m + 6), std::vector<float>({0, 2, -3, 0, 80, 210}));
  // Mode 14: content end and sheet end, no placement.
  EXPECT_EQ(g_hooks, (std::vector<std::string>{"content end", "sheet end"}));
}

TEST_F(PageSpoolTest, ReplayStopsAtARecordThatLeavesItsPage) {
  ASSERT_EQ(StartSpool(pdev(), 0, 80), 0);
  Begin(0, 0x3C);
  ASSERT_EQ(RecordSheetStart(pdev(), 1, 0, 'A', 0, 0), 0);
  ASSERT_EQ(RecordContentEnd(pdev()), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 0), 0);
  Begin(1, 0x3C);
  ASSERT_EQ(RecordSheetEnd(pdev()), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 1), 0);
  SpooledPageExtent first{};
  ASSERT_EQ(GetSpooledExtent(Stream(), 0, &first), 0);
  // The first record's next is bent to point backward, then past the page.
  for (int32_t next : {-8, 100, 4}) {
    TempFile* f = &Stream()->tempFile;
    ASSERT_GE(SeekTempFile(f, first.firstRecord + 4), 0);
    ASSERT_EQ(WriteTempFile(f, &next, 4), 4);
    g_hooks.clear();
    EXPECT_EQ(ReplayPage(pdev(), 0, 15, nullptr, kNoPage, 0), -1) << next;
    EXPECT_TRUE(g_hooks.empty()) << next;
  }
}

TEST_F(PageSpoolTest, ColourSetsGiveTheSheetColourKind) {
  // Limit 2 without white: red, white, green, blue turns the set off at blue.
  ASSERT_EQ(StartSpool(pdev(), 0, 80), 0);
  Begin(0, 0x06, 2, 1, 2);
  for (uint32_t c : {0xFF0000u, 0xFFFFFFu, 0x00FF00u, 0x0000FFu}) AddPageColor(&pdev()->pipeline.pageColorSet, c);
  EXPECT_EQ(pdev()->pipeline.pageColorSet.on, 0u);
  ASSERT_EQ(EndSpoolPage(pdev(), 0), 0);
  uint32_t kind = 0;
  ASSERT_EQ(GetSheetColorKind(pdev(), 0, kNoPage, 0, &kind), 0);
  EXPECT_EQ(kind, 2u);

  // Two pages in modes 2 and 1 holding red and green, limit 15: 2 + 16 x 2.
  Begin(1, 0x06, 2, 1, 15);
  AddPageColor(&pdev()->pipeline.pageColorSet, 0xFF0000);
  ASSERT_EQ(EndSpoolPage(pdev(), 1), 0);
  Begin(2, 0x06, 1, 1, 15);
  AddPageColor(&pdev()->pipeline.pageColorSet, 0x00FF00);
  AddPageColor(&pdev()->pipeline.pageColorSet, 0xFF0000);
  ASSERT_EQ(EndSpoolPage(pdev(), 2), 0);
  ASSERT_EQ(GetSheetColorKind(pdev(), 1, 2, 0, &kind), 0);
  EXPECT_EQ(kind, 34u);
  // A nonzero page mode, one page in mode 1, and no page at all.
  ASSERT_EQ(GetSheetColorKind(pdev(), 1, 2, 1, &kind), 0);
  EXPECT_EQ(kind, 3u);
  ASSERT_EQ(GetSheetColorKind(pdev(), 2, kNoPage, 0, &kind), 0);
  EXPECT_EQ(kind, 1u);
  ASSERT_EQ(GetSheetColorKind(pdev(), kNoPage, kNoPage, 0, &kind), 0);
  EXPECT_EQ(kind, 1u);
  // The placement hook gets the kind at replay.
  ASSERT_EQ(RecordSheetStart(pdev(), 1, 0, 'A', 0, 0), 0);  // spool idle: to the hook with kind 0
  g_colourKinds.clear();
  Begin(3, 0x06, 2, 1, 15);
  AddPageColor(&pdev()->pipeline.pageColorSet, 0x0000FF);
  ASSERT_EQ(RecordSheetStart(pdev(), 2, 0, 'A', 0, 0), 0);
  ASSERT_EQ(EndSpoolPage(pdev(), 3), 0);
  ASSERT_EQ(ReplayPage(pdev(), 3, 1, nullptr, kNoPage, 0), 0);
  EXPECT_EQ(g_colourKinds, std::vector<uint32_t>{18});
}

TEST_F(PageSpoolTest, TablesRefuseThePageTheyCannotIndex) {
  // A whole-job spool of 65,535 pages: the next one would share page 0's
  // entries.
  ASSERT_EQ(StartSpool(pdev(), 0, 80), 0);
  Stream()->spooledPageCount = 0xFFFF;
  pdev()->pipeline.spooledPageCount = 0xFFFF;
  EXPECT_EQ(BeginSpoolPage(pdev(), 0xFFFF, 0, 0x06, 0, 0, 0), -1);
  SpooledPageRecord entry{};
  EXPECT_EQ(GetSpooledPage(Stream(), 0xFFFF, &entry), -1);
  Stream()->spooledPageCount = 0;
  pdev()->pipeline.spoolState = kSpoolOpen;
}

TEST_F(PageSpoolTest, ClosedSpoolLeavesNoFile) {
  ASSERT_EQ(StartSpool(pdev(), 0, 1), 0);
  const std::u16string name(Stream()->tempFile.name);
  ASSERT_FALSE(name.empty());
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(name.c_str(), nullptr, &host), 0u);
  EXPECT_TRUE(std::filesystem::exists(host));
  Begin(0, 0x04);
  EXPECT_EQ(CloseSpool(pdev()), -1);  // a page is still recorded
  ASSERT_EQ(EndSpoolPage(pdev(), 0), 0);
  ASSERT_EQ(CloseSpool(pdev()), 0);
  EXPECT_FALSE(std::filesystem::exists(host));
  EXPECT_EQ(Stream()->pageTable.block, nullptr);
}

}  // namespace
