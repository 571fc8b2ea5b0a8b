// The page pipeline through the document entry points: the job set-up and
// its refusals, logical and physical pages, N-up cells left empty, white back
// faces, whole-job spools replayed in reverse and per collated copy, the
// stamp bracket, the trace log, PDEV resets between pages, and jobs that end
// in error.
#include <gtest/gtest.h>

#include "graphics_driver/core/font_alias_table.h"
#include "graphics_driver/job_output/feature_level.h"
#include "graphics_driver/job_output/job_setup.h"
#include "pipeline_fixture.h"

namespace {

using pk::test::ModelLine;
using pk::test::PipelineTest;
using EventList = std::vector<std::string>;

// The model with the capability bits of driver-side collation.
const ModelLine kCollatingModel{"field 26 ", "field 26 0x30000"};

TEST_F(PipelineTest, FeatureLevelIsBroughtIntoRange) {
  ASSERT_NE(Open(), nullptr);
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0x01030000, 0x01020001}, {0x01020001, 0x01020001}, {0x01010903, 0x01010903},
      {0x01010501, 0x01010501}, {0x01010500, 0x01010501}, {0x01010400, 0x01010501},
  };
  for (auto [stored, level] : cases) {
    SetPdev(pdev_, 1308, stored);
    EXPECT_EQ(GetFeatureLevel(pdev_), level) << std::hex << stored;
  }
}

TEST_F(PipelineTest, SettingsTheJobCannotRunWithFailTheDocument) {
  struct Case {
    const char* what;
    std::vector<std::pair<SettingId, int64_t>> settings;
  };
  const Case cases[] = {
      {"three pages per sheet", {{295, 3}}},
      {"duplex 4", {{16, 4}}},
      {"poster of 5 x 5 tiles", {{321, 1}, {296, 0x0505}}},
      {"layout kind 3", {{321, 3}}},
      {"white counted as 2", {{1030, 0x0200}}},
      {"colour tracking 2", {{1030, 0x2000}}},
      {"page mode 4", {{270, 4}}},
  };
  for (const Case& c : cases) {
    ASSERT_NE(Open(), nullptr);
    for (auto [id, value] : c.settings) SetPdev(pdev_, id, value);
    EXPECT_FALSE(StartDoc()) << c.what;
    // A failed document has no pages, opens no sink and still ends.
    EXPECT_FALSE(DrvStartPage(so_)) << c.what;
    EXPECT_TRUE(EndDoc()) << c.what;
    DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev_));
    Disable(pdev_);
    pdev_ = nullptr;
  }
}

TEST_F(PipelineTest, JobSetupReadsTheLayout) {
  ASSERT_NE(Open(), nullptr);
  // A stored job spools the whole job in page mode 2.
  SetPdev(pdev_, 336, 1);
  SetPdev(pdev_, 270, 0);
  SetPdev(pdev_, 457, 1);
  ASSERT_EQ(ReadJobSetup(pdev_), 0);
  EXPECT_EQ(pdev_->jobSetup.pageMode, 2u);
  EXPECT_EQ(pdev_->jobSetup.pageModeVariant, 0u);
  EXPECT_EQ(pdev_->jobSetup.storedJob, 1u);
  // Page mode 3 is 0 with the variant flag.
  SetPdev(pdev_, 336, 0);
  SetPdev(pdev_, 270, 3);
  ASSERT_EQ(ReadJobSetup(pdev_), 0);
  EXPECT_EQ(pdev_->jobSetup.pageMode, 0u);
  EXPECT_EQ(pdev_->jobSetup.pageModeVariant, 1u);
  // Two pages per sheet: the sheets keep the job's paper and tray.
  SetPdev(pdev_, 262, 267);
  ASSERT_EQ(ReadJobSetup(pdev_), 0);
  EXPECT_EQ(pdev_->jobSetup.samePaperOut, 1u);
  EXPECT_EQ(pdev_->jobSetup.trayFollowsPage, 1u);
  SetPdev(pdev_, 295, 2);
  ASSERT_EQ(ReadJobSetup(pdev_), 0);
  EXPECT_EQ(pdev_->jobSetup.samePaperOut, 0u);
  EXPECT_EQ(pdev_->jobSetup.trayFollowsPage, 0u);
  // Poster tiles.
  SetPdev(pdev_, 295, 1);
  SetPdev(pdev_, 321, 1);
  SetPdev(pdev_, 296, 0x0303);
  ASSERT_EQ(ReadJobSetup(pdev_), 0);
  EXPECT_EQ(pdev_->jobSetup.posterMode, 1u);
  EXPECT_EQ(pdev_->jobSetup.posterTiles[0], 3);
  EXPECT_EQ(pdev_->jobSetup.posterTiles[1], 3);
}

TEST_F(PipelineTest, DriverCollatesOnlyWithAllFiveConditions) {
  ASSERT_NE(Open({pk::test::kLetterMargins, kCollatingModel}), nullptr);
  auto collate = [&]() {
    EXPECT_EQ(ReadJobSetup(pdev_), 0);
    return pdev_->jobSetup.collateCopies;
  };
  SetPdev(pdev_, 12, 2);
  SetPdev(pdev_, 18, 1);
  SetPdev(pdev_, 771, 0);
  SetPdev(pdev_, 1308, 0x01010903);
  EXPECT_EQ(collate(), 1u);
  EXPECT_EQ(pdev_->jobSetup.spoolWholeJob, 1u);
  SetPdev(pdev_, 12, 1);
  EXPECT_EQ(collate(), 0u);
  SetPdev(pdev_, 12, 2);
  SetPdev(pdev_, 18, 0);
  EXPECT_EQ(collate(), 0u);
  SetPdev(pdev_, 18, 1);
  SetPdev(pdev_, 771, 1);
  EXPECT_EQ(collate(), 0u);
  SetPdev(pdev_, 771, 0);
  SetPdev(pdev_, 1308, 0x01010902);
  EXPECT_EQ(collate(), 0u);
  // Without the model's capability bits.
  ASSERT_NE(Open({pk::test::kLetterMargins}), nullptr);
  SetPdev(pdev_, 12, 2);
  SetPdev(pdev_, 18, 1);
  SetPdev(pdev_, 1308, 0x01010903);
  EXPECT_EQ(collate(), 0u);
}

TEST_F(PipelineTest, DocumentStartChoosesTheFontAliasTable) {
  // Table 1 unless the model has capability 0x1000 without 0x800.
  const std::pair<const char*, int> cases[] = {{"0", 1}, {"0x1000", 0}, {"0x1800", 1}, {"0x800", 1}};
  for (auto [caps, table] : cases) {
    ASSERT_NE(Open({pk::test::kLetterMargins, {"field 26 ", std::string("field 26 ") + caps}}), nullptr);
    ASSERT_TRUE(StartDoc()) << caps;
    EXPECT_EQ(GetFontAliasTableKind(), table) << caps;
    EXPECT_EQ(GetAliasGroupCount(), table ? 15 : 7) << caps;
    ASSERT_TRUE(EndDoc());
  }
  // Another kind changes nothing.
  EXPECT_EQ(SelectJapaneseFontAliasTable(2), 0);
  EXPECT_EQ(GetFontAliasTableKind(), 1);
  EXPECT_EQ(SelectJapaneseFontAliasTable(0), 1);
  EXPECT_EQ(GetFontAliasTableKind(), 0);
  SelectJapaneseFontAliasTable(1);
}

TEST_F(PipelineTest, PageWithoutDrawingStillCounts) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  ASSERT_TRUE(Page());
  EXPECT_EQ(pdev_->pipeline.logicalPageCount, 2);
  EXPECT_EQ(pdev_->pipeline.pageCount, 2);
  // A page step with no logical page open opens one at its end.
  EXPECT_EQ(SendPageStep(pdev_), 0);
  EXPECT_EQ(pdev_->pipeline.logicalPageCount, 3);
  ASSERT_TRUE(EndDoc());
  // The sheet start goes to the spool and reaches its hook when the sheet
  // is flushed.
  const EventList expected = {"StartPage",       "EndPage of Logical",  "hook: content end",
                              "hook: sheet end", "EndPage of Physical", "hook: sheet start"};
  ASSERT_GE(Events().size(), 3 * expected.size());
  for (size_t page = 0; page < 3; ++page)
    for (size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(Events()[page * expected.size() + i], expected[i]) << page << " " << i;
}

TEST_F(PipelineTest, FourUpJobEndsWithEmptyCells) {
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 295, 4);
  SetPdev(pdev_, 264, 3);
  ASSERT_TRUE(StartDoc());
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(Page()) << i;
  EXPECT_EQ(pdev_->pipeline.pageCount, 1);
  EXPECT_EQ(pdev_->pipeline.cellIndex, 2);
  ASSERT_TRUE(EndDoc());
  // The sheet with two cells left ends at the job end.
  ASSERT_GE(Events().size(), 3u);
  EXPECT_EQ(Events()[Events().size() - 3], "EndPage of Physical");
  EXPECT_EQ(Events()[Events().size() - 2], "hook: sheet start");
  EXPECT_EQ(Events().back(), "EndJob with left Nup");
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "StartPage"), 6);
  EXPECT_EQ(std::count(Events().begin(), Events().end(), "hook: sheet start"), 2);
}

TEST_F(PipelineTest, ReverseDuplexJobEndsWithAWhiteBackFace) {
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 16, 2);
  SetPdev(pdev_, 480, 1);
  ASSERT_TRUE(StartDoc());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Page()) << i;
  Events().clear();
  ASSERT_TRUE(EndDoc());
  // The white face of the second sheet, then the whole job replayed last to
  // first: the sheet starts of pages 2, 1, 0 from a spool of 4 pages.
  const EventList expected = {"hook: sheet start", "hook: content end", "hook: sheet end",  "skip backface of duplex",
                              "hook: sheet start", "hook: sheet start", "hook: sheet start"};
  EXPECT_EQ(Events(), expected);
  EXPECT_EQ(pk::test::g_pipelineLog.replayedPages, (std::vector<uint16_t>{2, 1, 0}));
  EXPECT_EQ(pk::test::g_pipelineLog.spooledAtPlacement.back(), 4);

  // Without reverse order nor driver collation: no white face.
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 16, 2);
  ASSERT_TRUE(StartDoc());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Page()) << i;
  Events().clear();
  ASSERT_TRUE(EndDoc());
  EXPECT_TRUE(Events().empty());
}

TEST_F(PipelineTest, CollatedCopiesReplayTheJobPerCopy) {
  ASSERT_NE(Open({pk::test::kLetterMargins, kCollatingModel}), nullptr);
  SetPdev(pdev_, 12, 2);
  SetPdev(pdev_, 18, 1);
  SetPdev(pdev_, 1308, 0x01010903);
  SetPdev(pdev_, 480, 1);
  ASSERT_TRUE(StartDoc());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Page()) << i;
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(pk::test::g_pipelineLog.replayedPages, (std::vector<uint16_t>{2, 1, 0, 2, 1, 0}));
}

TEST_F(PipelineTest, JobWithoutPagesReplaysNothing) {
  ASSERT_NE(Open(), nullptr);
  SetPdev(pdev_, 480, 1);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(EndDoc());
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(pdev_->pipeline.pipelineFlags, 0u);
  EXPECT_EQ(pdev_->jobOutput, nullptr);
}

TEST_F(PipelineTest, StampBracket) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(StartDoc());
  // Before the first page the bracket cannot be set.
  EXPECT_EQ(SetMarkBracketState(pdev_, 1, 0), -1);
  ASSERT_TRUE(DrvStartPage(so_));
  // No stamp configured: refused, but the bracket is left set; the drawing
  // is no stamp.
  EXPECT_EQ(SetMarkBracketState(pdev_, 1, 1), -1);
  EXPECT_EQ(pdev_->pipeline.stampBracket, 1u);
  EXPECT_EQ(pdev_->pipeline.labelBracket, 1u);
  EXPECT_EQ(IsStampDrawingOn(pdev_), 0);
  EXPECT_EQ(SetMarkBracketState(pdev_, 0, 0), 0);
  ASSERT_TRUE(DrvSendPage(so_));
  ASSERT_TRUE(EndDoc());

  // A stamp on every page.
  ASSERT_NE(Open(), nullptr);
  SetPdevText(297, u"Draft");
  SetPdevText(299, u"Internal");
  SetPdev(pdev_, 456, 0);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(DrvStartPage(so_));
  EXPECT_EQ(pdev_->jobSetup.stampPerPage, 1u);
  EXPECT_EQ(IsStampDrawingOn(pdev_), 0);
  EXPECT_EQ(SetMarkBracketState(pdev_, 1, 0), 0);
  EXPECT_EQ(IsStampDrawingOn(pdev_), 1);
  EXPECT_EQ(SetMarkBracketState(pdev_, 0, 0), 0);
  EXPECT_EQ(IsStampDrawingOn(pdev_), 0);
  ASSERT_TRUE(DrvSendPage(so_));
  ASSERT_TRUE(EndDoc());
}

TEST_F(PipelineTest, TraceLineOfTimeNamesAndElapsedMilliseconds) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(StartDoc());
  std::vector<std::string> pieces;
  static std::vector<std::string>* s_pieces = nullptr;
  s_pieces = &pieces;
  SetTracePieceCapture([](const char* p, size_t n) { s_pieces->emplace_back(p, n); });
  SYSTEMTIME when{2025, 11, 0, 30, 23, 59, 58, 0};
  pk::seams::SetClock(when, 100000);
  LogPipelineEvent(pdev_, nullptr, kTraceStart);
  EXPECT_TRUE(pieces.empty());
  pk::seams::SetClock(when, 101500);
  LogPipelineEvent(pdev_, u"StartPage", kTraceElapsed | kTraceTimeAndNames);
  EXPECT_EQ(pieces, std::vector<std::string>{"\"[2025,11/30,23:59:58][Report][KZ TRD Printer][1500ms]StartPage\""});
  // A line over 255 bytes comes in two pieces.
  pieces.clear();
  const std::u16string text(300, u'x');
  LogPipelineEvent(pdev_, text.c_str(), kTraceElapsed);
  const std::string line = "\"[1500ms]" + std::string(261, 'x') + "\"";
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], line.substr(0, 255));
  EXPECT_EQ(pieces[1], line.substr(255));
  SetTracePieceCapture(nullptr);
  ASSERT_TRUE(EndDoc());
}

TEST_F(PipelineTest, ResetBetweenPagesCarriesTheJob) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page(true));
  PdevState* old = pdev_;
  JobOutputStream* stream = old->jobOutput;
  // A landscape PDEV takes over the document.
  Dm()->dmFields |= DM_ORIENTATION;
  Dm()->dmOrientation = 2;
  PdevState* fresh = Enable();
  ASSERT_NE(fresh, nullptr);
  HSURF surface = DrvEnableSurface(reinterpret_cast<DHPDEV>(fresh));
  ASSERT_NE(surface, nullptr);
  ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(old), reinterpret_cast<DHPDEV>(fresh)));
  DrvDisableSurface(reinterpret_cast<DHPDEV>(old));
  Disable(old);
  pdev_ = fresh;
  pk::test::g_pipelineLog.pdev = fresh;
  so_ = pkgdi::SurfaceObject(surface);
  EXPECT_EQ(fresh->jobOutput, stream);
  EXPECT_EQ(fresh->pipeline.pageCount, 1);
  EXPECT_TRUE(fresh->pipeline.pipelineFlags & kPipelineRefillPageRecord);
  ASSERT_TRUE(DrvStartDoc(so_, const_cast<LPWSTR>(u"Report"), jobId_));
  EXPECT_EQ(fresh->currentPage.turned, 0u);
  ASSERT_TRUE(DrvStartPage(so_));
  // The page record was refilled for the landscape page.
  EXPECT_EQ(fresh->currentPage.turned, 1u);
  ASSERT_TRUE(Band());
  ASSERT_TRUE(DrvSendPage(so_));
  EXPECT_FALSE(fresh->pipeline.pipelineFlags & kPipelineRefillPageRecord);
  EXPECT_EQ(fresh->pipeline.pageCount, 2);
  ASSERT_TRUE(EndDoc());
}

TEST_F(PipelineTest, FailedPageStepPutsTheJobInError) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  ASSERT_EQ(AbortJobPipeline(pdev_), 0);
  EXPECT_EQ(AbortJobPipeline(pdev_), -1);  // once
  EXPECT_TRUE(pdev_->pipeline.pipelineFlags & kPipelineJobInError);
  EXPECT_EQ(pdev_->imageStore, nullptr);
  EXPECT_FALSE(DrvStartPage(so_));
  EXPECT_EQ(SendPageStep(pdev_), -1);
  // The job ended in error is not reported as printed.
  EXPECT_FALSE(EndDoc());
}

}  // namespace
