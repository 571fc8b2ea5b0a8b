// The marks of an N-up sheet: while a mark offset is in force the band engine
// draws into a sheet-sized image in the sheet's frame (turned on two pages
// per sheet), the band keeps its place and its ink, and one page per sheet
// draws its marks into the band.
#include <gtest/gtest.h>

#include "drawing_fixture.h"
#include "graphics_driver/core/escapes.h"
#include "graphics_driver/core/sheet_marks.h"
#include "graphics_driver/job_output/job_output_stream.h"

namespace {

using pk::test::DrawingTest;

class SheetMarksTest : public DrawingTest {
 protected:
  void TearDown() override {
    ReleaseSheetMarks(Stream());
    DrawingTest::TearDown();
  }
  // A page of 96 x 200 dots banded 16 rows at a time, this band at row top.
  void Page(uint32_t pagesPerSheet, int32_t top) {
    Set(295, pagesPerSheet);
    pdev()->currentPage.pagesPerSheet = int16_t(pagesPerSheet);
    Record()->widthDots = 96;
    Record()->heightDots = 200;
    UseBand(top, 16, 96);
  }
  bool MarkInk(uint32_t y, uint32_t x) {
    const SheetMarks& m = Stream()->sheetMarks;
    return (m.bits[size_t(y) * m.rowBytes + x / 8] >> (7 - x % 8)) & 1;
  }
  size_t MarkInkCount() {
    const SheetMarks& m = Stream()->sheetMarks;
    size_t n = 0;
    for (uint32_t i = 0; i < m.rowBytes * (m.rows + 1); ++i) n += __builtin_popcount(m.bits[i]);
    return n;
  }
};

TEST_F(SheetMarksTest, MarksOfAnNupSheetGoToTheSheetInItsFrame) {
  struct Case {
    uint32_t pagesPerSheet;
    uint32_t width, rows;  // the marks' frame
  };
  for (const Case& c : {Case{4, 96, 200}, Case{2, 200, 96}}) {
    SCOPED_TRACE(c.pagesPerSheet);
    // The band at page row 32; the mark goes 50 dots across and 40 down.
    Page(c.pagesPerSheet, 32);
    pdev()->pipeline.markOffset = POINTL{50, 40};
    ASSERT_TRUE(BeginSheetMarks(pdev()));
    const SheetMarks& m = Stream()->sheetMarks;
    ASSERT_NE(m.bits, nullptr);
    EXPECT_EQ(m.width, c.width);
    EXPECT_EQ(m.rows, c.rows);
    // Band dots are page dots less the band's origin; the marks are in sheet
    // dots: the band row 0 is page row 32.
    EXPECT_EQ(MarkShift(pdev()).x, 50);
    EXPECT_EQ(MarkShift(pdev()).y, 72);
    EXPECT_TRUE(BeginSheetMarks(pdev()));  // a second offset keeps drawing there
    ASSERT_TRUE(Blt(RECTL{2, -30, 10, -26}, 0x0000));
    ClearMarkOffset(pdev());
    EXPECT_EQ(m.drawing, 0u);
    EXPECT_EQ(m.inked, 1u);
    // The band is back, blank, at its place.
    EXPECT_TRUE(BandBlank());
    EXPECT_EQ(Record()->bandTop, 32);
    EXPECT_EQ(Record()->bandRows, 16u);
    EXPECT_EQ(Record()->bytesPerRow, 12u);
    EXPECT_EQ(Record()->bandDirty, 0u);
    // The fill landed at sheet dots (52, 42) .. (60, 46), whatever the band.
    EXPECT_EQ(MarkInkCount(), size_t(8 * 4));
    EXPECT_TRUE(MarkInk(42, 52) && MarkInk(45, 59) && !MarkInk(41, 52) && !MarkInk(42, 60));
    // Drawn again from another band, the same dots: nothing more.
    Page(c.pagesPerSheet, 96);
    pdev()->pipeline.markOffset = POINTL{50, 40};
    ASSERT_TRUE(BeginSheetMarks(pdev()));
    ASSERT_TRUE(Blt(RECTL{2, -94, 10, -90}, 0x0000));
    EndSheetMarks(pdev());
    EXPECT_EQ(MarkInkCount(), size_t(8 * 4));
    // After the mark the band takes the drawing again.
    pdev()->pipeline.markOffset = POINTL{0, 0};
    ASSERT_TRUE(Blt(RECTL{2, 3, 10, 5}, 0x0000));
    EXPECT_TRUE(InkedExactly(RECTL{2, 3, 10, 5}, 16, 96));
    ReleaseSheetMarks(Stream());
  }
}

TEST_F(SheetMarksTest, OnePagePerSheetDrawsItsMarksIntoTheBand) {
  Page(1, 0);
  pdev()->pipeline.markOffset = POINTL{20, 4};
  EXPECT_FALSE(BeginSheetMarks(pdev()));
  EXPECT_EQ(Stream()->sheetMarks.bits, nullptr);
  ASSERT_TRUE(Blt(RECTL{0, 0, 8, 2}, 0x0000));
  EXPECT_TRUE(InkedExactly(RECTL{20, 4, 28, 6}, 16, 96));
  // A booklet places its pages itself, and a page not sized yet has no sheet.
  Page(2, 0);
  pdev()->jobSetup.bookletMode = 1;
  EXPECT_FALSE(BeginSheetMarks(pdev()));
  pdev()->jobSetup.bookletMode = 0;
  Record()->widthDots = 0;
  EXPECT_FALSE(BeginSheetMarks(pdev()));
  pdev()->pipeline.markOffset = POINTL{0, 0};
}

}  // namespace
