// The page record from the PDEV: clearing of the record unit, the logical
// and sheet paper blocks, the layout fields of the job.
#include "graphics_driver/job_output/page_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "graphics_driver/job_output/job_fixture.h"
#include "graphics_driver/job_output/page_trays.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "settings/model/model_records.h"

namespace pk::test {
namespace {

// Tenths of a millimetre in device units (1/18432 inch).
uint32_t Units(int tenths) { return static_cast<uint32_t>(tenths * 18432.0 / 254.0 + 0.5); }

void SetPaper(PaperInfo* paper, int width, int height) {
  *paper = PaperInfo{};
  paper->width = paper->right = Units(width);
  paper->height = paper->bottom = Units(height);
}

PaperRecord MakePaperRecord(WORD code, BYTE kind, PointItem low = {}, PointItem high = {}) {
  PaperRecord r{};
  r.type = 10;
  r.level = 0x300;
  r.paperCode = code;
  r.sizeKind = kind;
  r.pair4[0] = low;
  r.pair4[1] = high;
  return r;
}

class PageRecordTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    SetPaper(&pdev()->documentPaper, 2100, 2970);
    SetPaper(&pdev()->outputPaper, 2100, 2970);
    Set(7, 1);
  }
  PageLayoutRecord& page() { return pdev()->currentPage; }
};

TEST_F(PageRecordTest, ClearPageRecordAreaZeroesTheUnit) {
  auto* bytes = reinterpret_cast<unsigned char*>(&page());
  std::memset(bytes, 0xA5, kPageRecordUnitBytes + 4);
  ASSERT_EQ(ClearPageRecordArea(&page()), 0);
  for (size_t i = 0; i < kPageRecordUnitBytes; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(pdev()->paperMargins.paperCode, 0);
  EXPECT_EQ(bytes[kPageRecordUnitBytes], 0xA5);  // the field after the unit is kept
  EXPECT_EQ(ClearPageRecordArea(nullptr), -1);
}

TEST_F(PageRecordTest, ToTenthsMm) {
  EXPECT_EQ(ToTenthsMm(152390), 2100);
  EXPECT_EQ(ToTenthsMm(215523), 2970);
  EXPECT_EQ(ToTenthsMm(0), 0);
}

TEST_F(PageRecordTest, LogicalBlockMarginsFromEscape) {
  struct Case {
    int16_t left, right, top, bottom;
    bool kept;
  };
  const Case cases[] = {{120, 120, 50, 60, true}, {1100, 1000, 50, 60, false}, {10, 10, 1500, 1470, false}};
  pdev()->jobSetup.marginsFromEscape = 1;
  pdev()->paperMargins = {0, 0, 0, 0, 9};
  for (const Case& c : cases) {
    pdev()->paperMargins = {c.left, c.right, c.top, c.bottom, 9};
    ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
    const PaperBlock& b = page().logical;
    EXPECT_EQ(b.paperId, 9);
    EXPECT_EQ(b.width, 2100);
    EXPECT_EQ(b.height, 2970);
    EXPECT_EQ(b.printableWidth, 2100);
    EXPECT_EQ(b.marginX, 0);
    EXPECT_EQ(b.sizeFlag, 1);
    EXPECT_EQ(b.leftMargin, c.kept ? c.left : 0) << c.left;
    EXPECT_EQ(b.rightMargin, c.kept ? c.right : 0);
    EXPECT_EQ(b.topMargin, c.kept ? c.top : 0);
    EXPECT_EQ(b.bottomMargin, c.kept ? c.bottom : 0);
  }
  // Without the escape's margins the page has none.
  pdev()->jobSetup.marginsFromEscape = 0;
  ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
  EXPECT_EQ(page().logical.leftMargin, 0);
}

TEST_F(PageRecordTest, LogicalBlockOrientationLandscapeAndCustomPaper) {
  Set(7, 2);
  ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
  EXPECT_EQ(page().turned, 1u);
  Set(7, 3);
  EXPECT_EQ(FillLogicalBlock(pdev(), &page()), -1);
  Set(7, 1);

  // A geometry turned for landscape goes back to the paper's own axes.
  SetPaper(&pdev()->documentPaper, 2970, 2100);
  pdev()->documentPaper.rotated = 1;
  ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
  EXPECT_EQ(page().logical.width, 2100);
  EXPECT_EQ(page().logical.height, 2970);
  EXPECT_EQ(page().logical.printableHeight, 2970);
  EXPECT_EQ(page().turned, 0u);

  PaperRecord user = MakePaperRecord(256, 2);
  pdev()->documentPaper.paperRecord = &user;
  ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
  EXPECT_EQ(pdev()->pipeline.paperIsCustom, 1u);
  PaperRecord a4 = MakePaperRecord(9, 0);
  pdev()->documentPaper.paperRecord = &a4;
  ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
  EXPECT_EQ(pdev()->pipeline.paperIsCustom, 0u);
}

TEST_F(PageRecordTest, SheetBlockSizeFlag) {
  Set(262, 9);
  struct Case {
    BYTE kind;
    PointItem low, high;
    int32_t expected;
  };
  const Case cases[] = {
      {2, {519, 900, 1480}, {519, 3000, 4200}, 1},
      {2, {519, 900, 1480}, {519, 2000, 4200}, 0},
      {2, {519, 2101, 1480}, {519, 3000, 4200}, 0},
      {0, {}, {}, 0},
      {1, {}, {}, 1},
  };
  for (const Case& c : cases) {
    PaperRecord r = MakePaperRecord(9, c.kind, c.low, c.high);
    pdev()->outputPaper.paperRecord = &r;
    page().sheet.sizeFlag = 7;
    ASSERT_EQ(FillSheetBlock(pdev(), &page().sheet), 0);
    EXPECT_EQ(page().sheet.sizeFlag, c.expected) << int(c.kind) << " " << c.high.x;
    EXPECT_EQ(page().sheet.paperId, 9);
    EXPECT_EQ(page().sheet.width, 2100);
    EXPECT_EQ(page().sheet.printableHeight, 2970);
  }
  // A range that cannot be read leaves the flag as it was.
  pdev()->outputPaper.paperRecord = nullptr;
  page().sheet.sizeFlag = 7;
  ASSERT_EQ(FillSheetBlock(pdev(), &page().sheet), 0);
  EXPECT_EQ(page().sheet.sizeFlag, 7);
}

// A 15 m continuous form is longer than a block length can hold: it
// saturates instead of wrapping negative, and still places and announces.
TEST_F(PageRecordTest, ContinuousFormSaturates) {
  Set(262, 256);
  SetPaper(&pdev()->outputPaper, 2100, 150000);
  PaperRecord r = MakePaperRecord(256, 2, {519, 900, 1480}, {519, 3000, 32767});
  pdev()->outputPaper.paperRecord = &r;
  ASSERT_EQ(FillSheetBlock(pdev(), &page().sheet), 0);
  EXPECT_EQ(page().sheet.height, 32767);
  EXPECT_EQ(page().sheet.printableHeight, 32767);
  EXPECT_EQ(page().sheet.sizeFlag, 0);  // 15 m lies outside the range

  ASSERT_EQ(FillLogicalBlock(pdev(), &page()), 0);
  ASSERT_EQ(ReadPageLayoutFields(&page(), &pdev()->jobSetup, pdev()), 0);
  LayoutInput in{};
  ASSERT_EQ(BuildLayoutInput(&page(), &in), 0);
  float scale = 0;
  ASSERT_EQ(ComputeFitScale(in, &scale), 0);
  EXPECT_GT(scale, 0);
  PlacementMatrix m{};
  ASSERT_EQ(BuildCellMatrix(&page(), 0, 0, &m), 0);
  EXPECT_GT(m.m[0], 0);

  char letter = 0;
  float w = 0, h = 0;
  ASSERT_EQ(GetPaperAnnouncement(pdev(), &page().sheet, &letter, &w, &h), 0);
  EXPECT_EQ(letter, 'Q');
  EXPECT_FLOAT_EQ(w, 210.0f);
  EXPECT_FLOAT_EQ(h, 3276.7f);
}

class LayoutFieldsTest : public PageRecordTest {
 protected:
  int Read() { return ReadPageLayoutFields(&page(), &pdev()->jobSetup, pdev()); }
};

TEST_F(LayoutFieldsTest, DuplexAndBindingClasses) {
  const uint32_t duplex[] = {0, 0, 2, 1};
  for (int d = 1; d <= 3; ++d) {
    Set(16, d);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(page().duplexBinding, duplex[d]) << d;
  }
  const uint32_t edge[] = {0, 1, 2, 1, 4, 3, 3, 2, 4};
  Set(268, 120);
  Set(269, 80);
  for (int v = 0; v <= 8; ++v) {
    Set(267, v);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(page().bindingEdge, edge[v]) << v;
    EXPECT_EQ(page().bindingMarginFront, v ? 120 : 0);
    EXPECT_EQ(page().bindingMarginBack, v ? 80 : 0);
  }
  Set(16, 4);
  EXPECT_EQ(Read(), -1);
}

TEST_F(LayoutFieldsTest, PosterAndBookletFlattenTheLayout) {
  Set(16, 2);
  Set(267, 2);
  Set(264, 3);
  Set(295, 4);
  Set(382, 2);
  Set(322, 0);
  for (int mode = 0; mode < 2; ++mode) {
    pdev()->jobSetup.posterMode = mode == 0;
    pdev()->jobSetup.bookletMode = mode == 1;
    pdev()->jobSetup.posterTiles[0] = pdev()->jobSetup.posterTiles[1] = 3;
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(page().duplexBinding, 0u);
    EXPECT_EQ(page().bindingEdge, 0u);
    EXPECT_EQ(page().cellOrder, 0u);
    EXPECT_EQ(page().pagesPerSheet, 1);
    EXPECT_EQ(page().alignClass, mode == 0 ? 0u : 2u);
    EXPECT_EQ(page().tilesAcross, mode == 0 ? 3 : 1);
  }
  // Booklet binding from setting 322; a third value fails.
  const int binding[] = {1, 2, -1};
  for (int v = 0; v <= 2; ++v) {
    Set(322, v);
    if (binding[v] < 0) {
      EXPECT_EQ(Read(), -1);
    } else {
      ASSERT_EQ(Read(), 0);
      EXPECT_EQ(page().bookletBinding, uint32_t(binding[v]));
    }
  }
  pdev()->jobSetup.bookletMode = 0;
  pdev()->jobSetup.posterMode = 1;
  pdev()->jobSetup.posterTiles[0] = 5;
  EXPECT_EQ(Read(), -1);
}

TEST_F(LayoutFieldsTest, ScaleResolutionsAndPages) {
  Set(449, 1);
  Set(263, 150);
  Set(451, 1);
  Set(295, 1);
  ASSERT_EQ(Read(), 0);
  EXPECT_EQ(page().fixedScale, 1u);
  EXPECT_EQ(page().scalePercent, 150);
  EXPECT_EQ(page().bindingKeepsSize, 0u);
  Set(295, 2);
  ASSERT_EQ(Read(), 0);
  EXPECT_EQ(page().fixedScale, 0u);
  EXPECT_EQ(page().scalePercent, 100);
  EXPECT_EQ(page().bindingKeepsSize, 1u);
  EXPECT_EQ(page().pagesPerSheet, 2);
  Set(295, 3);
  EXPECT_EQ(Read(), -1);
  Set(295, 1);

  struct Res {
    int x, y, ex, ey;
  };
  for (const Res& r : {Res{300, 0, 300, 300}, Res{0, 400, 600, 400}, Res{600, 300, 600, 300}}) {
    Set(20, r.x);
    Set(21, r.y);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(page().resolutionX, r.ex);
    EXPECT_EQ(page().resolutionY, r.ey);
  }

  // Output orientation: setting 294, or the page's when 294 is 0.
  Set(294, 0);
  Set(7, 2);
  ASSERT_EQ(Read(), 0);
  EXPECT_EQ(page().landscapeOut, 1u);
  Set(294, 1);
  ASSERT_EQ(Read(), 0);
  EXPECT_EQ(page().landscapeOut, 0u);
  Set(294, 3);
  EXPECT_EQ(Read(), -1);
  Set(294, 1);
  Set(437, 5);
  EXPECT_EQ(Read(), -1);
  Set(437, 0);
  Set(264, 7);
  EXPECT_EQ(Read(), -1);
}

}  // namespace
}  // namespace pk::test
