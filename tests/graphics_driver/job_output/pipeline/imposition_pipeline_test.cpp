// Booklet and poster jobs through the document entry points: which spooled
// page is replayed into which booklet half or poster tile, in which order,
// with which record kinds and under which matrix; booklet subsets and
// reverse order; poster marks; and the sizes and counts that end the job
// in error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/job_output/imposition.h"
#include "graphics_driver/job_output/page_spool_stream.h"
#include "pipeline_fixture.h"

namespace {

using pk::test::ModelLine;

// The model that wants the booklet's inner sheet first.
const ModelLine kInnerFirstModel{"field 26 ", "field 26 0x400"};
const ModelLine kCollatingModel{"field 26 ", "field 26 0x30000"};

struct Logged {
  ImposedStep step;
  std::vector<PageTransform> sent;  // transforms sent since the previous step
  uint32_t cacheMode;
};
std::vector<Logged> g_steps;
std::vector<PageTransform> g_sent;
struct MarkCall {
  uint32_t call;
  int32_t length, width;
  uint32_t cacheMode;
  size_t sentBefore;
};
std::vector<MarkCall> g_marks;

void LogStep(const ImposedStep& step) {
  PdevState* pdev = pk::test::g_pipelineLog.pdev;
  g_steps.push_back({step, g_sent, pdev->imageStore->stateCache->cacheMode});
  g_sent.clear();
}
void LogTransform(const PageTransform* t) { g_sent.push_back(*t); }
void LogMark(uint32_t call, int32_t length, int32_t width) {
  PdevState* pdev = pk::test::g_pipelineLog.pdev;
  g_marks.push_back({call, length, width, pdev->imageStore->stateCache->cacheMode, g_sent.size()});
}

std::vector<float> Values(const PlacementMatrix& m) { return std::vector<float>(m.m, m.m + 6); }
std::vector<float> Values(const PageTransform& t) { return {t.a, t.b, t.c, t.d, t.e, t.f}; }

// "page/half/bits/other" of each booklet half, "white" for a white face,
// "range a-b" for a range.
std::vector<std::string> Halves() {
  std::vector<std::string> out;
  for (const Logged& l : g_steps) {
    const ImposedStep& s = l.step;
    switch (s.kind) {
      case ImposedKind::kRange: out.push_back("range " + std::to_string(s.page) + "-" + std::to_string(s.other)); break;
      case ImposedKind::kWhiteFace: out.push_back("white"); break;
      case ImposedKind::kHalf:
        out.push_back(std::to_string(s.page) + "/" + std::to_string(s.place) + "/" + std::to_string(s.modeBits) + "/" +
                      std::to_string(s.other));
        break;
      case ImposedKind::kTile: break;
    }
  }
  return out;
}

// "page:tile" of each poster tile.
std::vector<std::string> Tiles() {
  std::vector<std::string> out;
  for (const Logged& l : g_steps)
    if (l.step.kind == ImposedKind::kTile) {
      EXPECT_EQ(l.step.modeBits, 9u);
      EXPECT_EQ(l.step.other, kNoPage);
      out.push_back(std::to_string(l.step.page) + ":" + std::to_string(l.step.place));
    }
  return out;
}

std::vector<std::string> TileRun(int page, std::vector<int> tiles) {
  std::vector<std::string> out;
  for (int t : tiles) out.push_back(std::to_string(page) + ":" + std::to_string(t));
  return out;
}

class ImpositionTest : public pk::test::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    g_steps.clear();
    g_sent.clear();
    g_marks.clear();
    SetImpositionObserver(&LogStep);
    SetPageTransformObserver(&LogTransform);
    SetPosterMarkObserver(&LogMark);
  }
  void TearDown() override {
    SetImpositionObserver(nullptr);
    SetPageTransformObserver(nullptr);
    SetPosterMarkObserver(nullptr);
    PipelineTest::TearDown();
  }
  // A booklet (321 = 2) or poster (321 = 1, n x n) job of `pages` pages.
  bool Job(int pages) {
    if (!StartDoc()) return false;
    for (int i = 0; i < pages; ++i)
      if (!Page()) return false;
    return EndDoc();
  }
  void Booklet() { SetPdev(pdev_, 321, 2); }
  void Poster(int n) {
    SetPdev(pdev_, 321, 1);
    SetPdev(pdev_, 296, n * 0x101);
  }
};

TEST_F(ImpositionTest, EightPageBookletPutsEachPageIntoItsHalf) {
  ASSERT_NE(Open(), nullptr);
  Booklet();
  ASSERT_TRUE(StartDoc());
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(Page()) << i;
  EXPECT_EQ(pdev_->jobSetup.bookletOuterFirst, 1u);
  EXPECT_EQ(pdev_->currentPage.bookletBinding, 1u);
  // Nothing is printed before the job end.
  EXPECT_TRUE(g_steps.empty());
  EXPECT_EQ(pdev_->pipeline.spooledPageCount, 8);

  // Each half's matrix, from the page's spooled paper over the job's record.
  SetImpositionObserver([](const ImposedStep& step) {
    LogStep(step);
    PdevState* pdev = pk::test::g_pipelineLog.pdev;
    if (step.kind != ImposedKind::kHalf) return;
    SpooledPageRecord entry{};
    ASSERT_EQ(GetSpooledPage(pdev->jobOutput, uint16_t(step.page), &entry), 0);
    PageLayoutRecord record = pdev->currentPage;
    std::memcpy(&record.logical, entry.logical, sizeof record.logical);
    record.turned = entry.turned;
    HalfCellInput input{};
    PlacementMatrix m{};
    ASSERT_EQ(BuildHalfCellInput(&record, step.place, uint32_t(step.page), &input), 0);
    ASSERT_EQ(BuildCellTransform(input, &m), 0);
    EXPECT_EQ(Values(step.matrix), Values(m)) << step.page;
  });
  Events().clear();
  ASSERT_TRUE(EndDoc());
  // Sides (7, 0) (1, 6) (5, 2) (3, 4): the higher page opens the sheet (sheet
  // start and transforms), the lower one ends it, each naming the other.
  const std::vector<std::string> halves = {"range 0-7", "7/0/9/0",  "0/1/14/7", "6/1/9/1", "1/0/14/6",
                                           "5/0/9/2",   "2/1/14/5", "4/1/9/3",  "3/0/14/4"};
  EXPECT_EQ(Halves(), halves);
  // The hooks of four sheets: a sheet start from each higher page, content
  // and sheet end from each lower one.
  const std::vector<std::string> sheet = {"hook: sheet start", "hook: content end", "hook: sheet end"};
  std::vector<std::string> hooks;
  for (int i = 0; i < 4; ++i) hooks.insert(hooks.end(), sheet.begin(), sheet.end());
  EXPECT_EQ(Events(), hooks);
  EXPECT_EQ(pk::test::g_pipelineLog.replayedPages, (std::vector<uint16_t>{7, 6, 5, 4}));
  // Each page's recorded transform (the identity: placement is left to the
  // replay) is sent followed by its half's matrix.
  PlacementMatrix identity{};
  SetIdentity(&identity);
  for (size_t i = 1; i < g_steps.size(); ++i) {
    const Logged& l = g_steps[i];
    ASSERT_EQ(l.sent.size(), 1u) << i;
    EXPECT_EQ(Values(l.sent[0]), Values(CombineTransform(identity, l.step.matrix))) << i;
  }
  // The two halves of a sheet differ by a shift only.
  const PlacementMatrix& left = g_steps[1].step.matrix;
  const PlacementMatrix& right = g_steps[2].step.matrix;
  EXPECT_EQ(std::vector<float>(left.m, left.m + 4), std::vector<float>(right.m, right.m + 4));
  EXPECT_NE(Values(left), Values(right));
  // The spool is closed and the store reset after the replay.
  EXPECT_EQ(IsSpoolOpen(pdev_), 0);
}

TEST_F(ImpositionTest, SixPageBookletLeavesTwoHalvesBlank) {
  ASSERT_NE(Open(), nullptr);
  Booklet();
  ASSERT_TRUE(Job(6));
  const std::vector<std::string> halves = {"range 0-5", "0/1/15/-1", "1/0/15/-1", "5/0/9/2",
                                           "2/1/14/5",  "4/1/9/3",   "3/0/14/4"};
  EXPECT_EQ(Halves(), halves);
}

TEST_F(ImpositionTest, OnePageBooklet) {
  // Outer sheet first: page 0 on the first side, the second side empty.
  ASSERT_NE(Open(), nullptr);
  Booklet();
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  Events().clear();
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(Halves(), (std::vector<std::string>{"range 0-0", "0/1/15/-1"}));
  EXPECT_EQ(Events(), (std::vector<std::string>{"hook: sheet start", "hook: content end", "hook: sheet end"}));

  // Inner sheet first: a white face, then page 0.
  g_steps.clear();
  ASSERT_NE(Open({pk::test::kLetterMargins, kInnerFirstModel}), nullptr);
  Booklet();
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  EXPECT_EQ(pdev_->jobSetup.bookletOuterFirst, 0u);
  Events().clear();
  ASSERT_TRUE(EndDoc());
  EXPECT_EQ(Halves(), (std::vector<std::string>{"range 0-0", "white", "0/1/15/-1"}));
  EXPECT_EQ(Events(), (std::vector<std::string>{"hook: sheet start", "hook: content end", "hook: sheet end",
                                                "hook: sheet start", "hook: content end", "hook: sheet end"}));
}

TEST_F(ImpositionTest, BookletSubsets) {
  struct Case {
    const char* what;
    int64_t sheets;
    bool reverse;
    std::vector<std::string> ranges;
  };
  // A count below one sheet is no subset at all.
  const Case cases[] = {
      {"one sheet", 1, false, {"range 0-3", "range 4-7", "range 8-9"}},
      {"one sheet, reverse", 1, true, {"range 8-9", "range 4-7", "range 0-3"}},
      {"none", 0, false, {"range 0-9"}},
      {"negative", -1, false, {"range 0-9"}},
      {"negative, reverse", -1, true, {"range 0-9"}},
  };
  for (const Case& c : cases) {
    g_steps.clear();
    ASSERT_NE(Open(), nullptr);
    Booklet();
    SetPdev(pdev_, 458, 1);
    SetPdev(pdev_, 323, c.sheets < 0 ? 0 : c.sheets);
    if (c.reverse) SetPdev(pdev_, 480, 1);
    ASSERT_TRUE(StartDoc()) << c.what;
    // The settings keep the count in a byte; a negative count can only come
    // with the job's set-up, read at the first page.
    ASSERT_TRUE(DrvStartPage(so_)) << c.what;
    if (c.sheets < 0) pdev_->jobSetup.sheetsPerSubset = int16_t(c.sheets);
    ASSERT_TRUE(DrvSendPage(so_)) << c.what;
    for (int i = 1; i < 10; ++i) ASSERT_TRUE(Page()) << c.what << " " << i;
    EXPECT_EQ(pdev_->jobSetup.sheetsPerSubset, c.sheets) << c.what;
    ASSERT_TRUE(EndDoc()) << c.what;
    std::vector<std::string> ranges;
    for (const std::string& h : Halves())
      if (h.rfind("range", 0) == 0) ranges.push_back(h);
    EXPECT_EQ(ranges, c.ranges) << c.what;
    EXPECT_EQ(std::count_if(g_steps.begin(), g_steps.end(),
                            [](const Logged& l) { return l.step.kind == ImposedKind::kHalf; }),
              10)
        << c.what;
  }
  // The last subset of one sheet, 8-9, has a blank half on each side; in
  // reverse the side order flips: the outer side of the first subset comes
  // second.
  ASSERT_NE(Open(), nullptr);
  Booklet();
  SetPdev(pdev_, 458, 1);
  SetPdev(pdev_, 323, 1);
  g_steps.clear();
  ASSERT_TRUE(Job(10));
  std::vector<std::string> halves = Halves();
  EXPECT_EQ(std::vector<std::string>(halves.end() - 3, halves.end()),
            (std::vector<std::string>{"range 8-9", "8/1/15/-1", "9/0/15/-1"}));
  EXPECT_EQ(std::vector<std::string>(halves.begin(), halves.begin() + 5),
            (std::vector<std::string>{"range 0-3", "3/0/9/0", "0/1/14/3", "2/1/9/1", "1/0/14/2"}));
  ASSERT_NE(Open(), nullptr);
  Booklet();
  SetPdev(pdev_, 458, 1);
  SetPdev(pdev_, 323, 1);
  SetPdev(pdev_, 480, 1);
  g_steps.clear();
  ASSERT_TRUE(Job(10));
  halves = Halves();
  EXPECT_EQ(std::vector<std::string>(halves.begin(), halves.begin() + 3),
            (std::vector<std::string>{"range 8-9", "9/0/15/-1", "8/1/15/-1"}));
  EXPECT_EQ(std::vector<std::string>(halves.end() - 5, halves.end()),
            (std::vector<std::string>{"range 0-3", "2/1/9/1", "1/0/14/2", "3/0/9/0", "0/1/14/3"}));
}

TEST_F(ImpositionTest, BookletRangeRefusals) {
  ASSERT_NE(Open(), nullptr);
  Booklet();
  ASSERT_TRUE(StartDoc());
  // Before the job output starts.
  EXPECT_EQ(ImposeBookletRange(pdev_, 0, 0), -1);
  EXPECT_EQ(ReplayBookletIfSpooled(pdev_), -1);
  ASSERT_TRUE(Page());
  ASSERT_TRUE(Page());
  EXPECT_EQ(ImposeBookletRange(pdev_, 1, 0), -1);
  EXPECT_TRUE(g_steps.empty());
  // Outside a page, a booklet step at a page end is refused.
  EXPECT_EQ(EndBookletSheet(pdev_), -1);
  EXPECT_EQ(ReplayBookletIfSpooled(pdev_), 0);
  EXPECT_EQ(Halves(), (std::vector<std::string>{"range 0-1", "0/1/15/-1", "1/0/15/-1"}));
  ASSERT_TRUE(EndDoc());
}

TEST_F(ImpositionTest, PosterTilesPerPage) {
  // 3 x 3: nine tiles of each page, at each page end.
  ASSERT_NE(Open(), nullptr);
  Poster(3);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  EXPECT_EQ(Tiles(), TileRun(0, {0, 1, 2, 3, 4, 5, 6, 7, 8}));
  // Each tile's matrix is sent as the page's transform.
  for (const Logged& l : g_steps) {
    ASSERT_EQ(l.sent.size(), 1u);
    EXPECT_EQ(Values(l.sent[0]), Values(l.step.matrix));
  }
  EXPECT_NE(Values(g_steps[0].step.matrix), Values(g_steps[1].step.matrix));
  ASSERT_TRUE(Page());
  EXPECT_EQ(g_steps.size(), 18u);
  ASSERT_TRUE(EndDoc());

  // Reverse order: the whole job is replayed at its end, last page first,
  // each page's tiles from the last.
  g_steps.clear();
  ASSERT_NE(Open(), nullptr);
  Poster(3);
  SetPdev(pdev_, 480, 1);
  ASSERT_TRUE(StartDoc());
  ASSERT_TRUE(Page());
  ASSERT_TRUE(Page());
  EXPECT_TRUE(g_steps.empty());
  ASSERT_TRUE(EndDoc());
  std::vector<std::string> expected = TileRun(1, {8, 7, 6, 5, 4, 3, 2, 1, 0});
  const std::vector<std::string> first = TileRun(0, {8, 7, 6, 5, 4, 3, 2, 1, 0});
  expected.insert(expected.end(), first.begin(), first.end());
  EXPECT_EQ(Tiles(), expected);
}

TEST_F(ImpositionTest, CollatedPosterCopiesReplayEveryTile) {
  ASSERT_NE(Open({pk::test::kLetterMargins, kCollatingModel}), nullptr);
  Poster(2);
  SetPdev(pdev_, 12, 2);
  SetPdev(pdev_, 18, 1);
  SetPdev(pdev_, 1308, 0x01010903);
  ASSERT_TRUE(Job(2));
  ASSERT_TRUE(pdev_->jobSetup.spoolWholeJob);
  std::vector<std::string> copy = TileRun(0, {0, 1, 2, 3});
  const std::vector<std::string> second = TileRun(1, {0, 1, 2, 3});
  copy.insert(copy.end(), second.begin(), second.end());
  std::vector<std::string> expected = copy;
  expected.insert(expected.end(), copy.begin(), copy.end());
  EXPECT_EQ(Tiles(), expected);
}

TEST_F(ImpositionTest, PosterMarksAtEachPageEnd) {
  struct Case {
    int64_t dpi;
    int32_t length, width;
  };
  for (const Case& c : {Case{600, 40, 10}, Case{300, 20, 5}}) {
    g_steps.clear();
    g_marks.clear();
    g_sent.clear();
    ASSERT_NE(Open(), nullptr);
    Poster(2);
    SetPdev(pdev_, 453, 1);
    SetPdev(pdev_, 20, c.dpi);
    ASSERT_TRUE(StartDoc());
    ASSERT_TRUE(DrvStartPage(so_));
    TiffJobRecord& record = pdev_->jobOutput->tiffJob;
    record.ropPolarity = record.ropOperation = 0;
    record.penLevel = 0x77;
    const uint32_t cacheMode = pdev_->imageStore->stateCache->cacheMode;
    PlacementMatrix cell{};
    ASSERT_EQ(CellMatrixAtOffset(pdev_, 0, 0, uint32_t(IsPageTurned(pdev_)), &cell), 0);
    g_sent.clear();
    ASSERT_TRUE(DrvSendPage(so_));
    // Four calls of the mark hook with the state cache off, the last with
    // the mark's length and width in dots.
    ASSERT_EQ(g_marks.size(), 4u) << c.dpi;
    for (uint32_t i = 0; i < 4; ++i) {
      EXPECT_EQ(g_marks[i].call, i);
      EXPECT_EQ(g_marks[i].cacheMode, 0u);
    }
    EXPECT_EQ(g_marks[3].length, c.length) << c.dpi;
    EXPECT_EQ(g_marks[3].width, c.width) << c.dpi;
    // The cell's matrix is the transform of the marks; after them the
    // identity is set, before the tiles are replayed.
    ASSERT_EQ(g_marks[0].sentBefore, 1u);
    ASSERT_FALSE(g_steps.empty());
    const std::vector<PageTransform>& sent = g_steps[0].sent;
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(Values(sent[0]), Values(cell));
    EXPECT_EQ(Values(sent[1]), (std::vector<float>{1, 0, 0, 1, 0, 0}));
    // Raster operation 13 of the two-operand kind (copy) and black.
    EXPECT_EQ(record.ropPolarity, 1u);
    EXPECT_EQ(record.ropOperation, 4u);
    EXPECT_EQ(record.penLevel, 0u);
    EXPECT_EQ(pdev_->imageStore->stateCache->cacheMode, cacheMode);
    EXPECT_EQ(Tiles(), TileRun(0, {0, 1, 2, 3}));
    ASSERT_TRUE(EndDoc());
  }
}

TEST_F(ImpositionTest, PosterTooLargeForThePageRecordFailsTheJob) {
  // A custom paper of 820 mm printable width: 4 x 4 sheets of it are more
  // than the page record can hold, 3 x 3 are not.
  for (int n : {3, 4}) {
    g_steps.clear();
    ASSERT_NE(Open(), nullptr);
    Poster(n);
    ASSERT_TRUE(StartDoc());
    ASSERT_TRUE(DrvStartPage(so_));
    PaperBlock& sheet = pdev_->currentPage.sheet;
    sheet.width = 8300;
    sheet.printableWidth = 8200;
    sheet.marginX = 50;
    if (n == 3) {
      ASSERT_TRUE(DrvSendPage(so_));
      EXPECT_EQ(g_steps.size(), 9u);
      EXPECT_TRUE(EndDoc());
    } else {
      EXPECT_FALSE(DrvSendPage(so_));
      EXPECT_TRUE(g_steps.empty());
      EXPECT_TRUE(pdev_->pipeline.pipelineFlags & kPipelineJobInError);
      EXPECT_FALSE(EndDoc());
    }
  }
}

TEST_F(ImpositionTest, SixPageJobsLogTheirImposition) {
  // Booklet: one range of six pages, sides (blank, 0) (1, blank) (5, 2) (3, 4).
  ASSERT_NE(Open(), nullptr);
  Booklet();
  ASSERT_TRUE(Job(6));
  EXPECT_EQ(Halves(), (std::vector<std::string>{"range 0-5", "0/1/15/-1", "1/0/15/-1", "5/0/9/2", "2/1/14/5", "4/1/9/3",
                                                "3/0/14/4"}));
  // Poster of 2 x 2 with marks: four tiles and four marks per page.
  g_steps.clear();
  ASSERT_NE(Open(), nullptr);
  Poster(2);
  SetPdev(pdev_, 453, 1);
  ASSERT_TRUE(Job(6));
  std::vector<std::string> expected;
  for (int page = 0; page < 6; ++page) {
    const std::vector<std::string> run = TileRun(page, {0, 1, 2, 3});
    expected.insert(expected.end(), run.begin(), run.end());
  }
  EXPECT_EQ(Tiles(), expected);
  EXPECT_EQ(g_marks.size(), 24u);
}

}  // namespace
