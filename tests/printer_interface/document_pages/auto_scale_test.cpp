// The automatic percent of page 0: the fixed table of the A and B papers, the
// papers that keep 100 %, and the printable sizes of a writer-made model.
#include <gtest/gtest.h>

#include "document_pages_fixture.h"
#include "models/model_fixture.h"

namespace pk::test {
namespace {

using AutoScaleTest = DocumentPagesTest;

TEST_F(AutoScaleTest, FixedPapersTakeTheTableAndSomeOutputsKeepTheSize) {
  struct Case {
    WORD document, output;
    LONG percent;
  };
  for (const Case& c : {Case{11, 12, 173}, Case{13, 9, 115}, Case{8, 11, 50}, Case{9, 8, 141}, Case{9, 11, 70},
                        Case{12, 13, 70}, Case{9, 267, 100}, Case{9, 273, 100}, Case{9, 305, 100}, Case{1, 267, 100}}) {
    LONG percent = -1;
    EXPECT_EQ(
        AutoScalePercent(model_, buffers_.devMode.data(), buffers_.settings.data(), c.document, c.output, &percent), 1)
        << c.document << " " << c.output;
    EXPECT_EQ(percent, c.percent) << c.document << " " << c.output;
  }
}

// Papers outside the table scale by their printable sizes (the third pair);
// a user paper by its own size less its unprintable margins.
ddd::ModelWriter PaperWriter() {
  ddd::ModelWriter w = SmallWriter();
  w.modelName = "Papers";
  auto paper = [&](uint16_t code, int16_t width, int16_t length, ddd::Pair margins, ddd::Pair printable) {
    w.AddPaper(code, ddd::Text::Plain("Paper"), 0, ddd::Pair{{width, length}, {width, length}}, margins, printable,
               code, 0, 0);
  };
  const ddd::Pair none{{0, 0}, {0, 0}};
  paper(1, 2100, 2970, none, ddd::Pair{{2000, 2800}, {2000, 2800}});
  paper(5, 3100, 4100, none, ddd::Pair{{3000, 4000}, {3000, 4000}});
  paper(70, 3100, 10000, none, ddd::Pair{{3000, 10000}, {3000, 10000}});
  // A user paper whose unprintable margins sum to 84 on each axis.
  paper(262, 80, 80, ddd::Pair{{40, 40}, {44, 44}}, ddd::Pair{{10, 10}, {3000, 4000}});
  return w;
}

TEST_F(AutoScaleTest, OtherPapersScaleByTheirPrintableSizes) {
  UseModel(PaperWriter());
  void* dm = buffers_.devMode.data();
  void* ps = buffers_.settings.data();
  LONG percent = -1;
  ASSERT_EQ(AutoScalePercent(model_, dm, ps, 1, 5, &percent), 1);
  EXPECT_EQ(percent, 143);  // 150 by the widths, 143 by the lengths
  // An output length of 10000 leaves the lengths out.
  ASSERT_EQ(AutoScalePercent(model_, dm, ps, 1, 70, &percent), 1);
  EXPECT_EQ(percent, 150);
  // A paper the model does not know leaves the percent alone.
  percent = -1;
  EXPECT_EQ(AutoScalePercent(model_, dm, ps, 1, 71, &percent), 0);
  EXPECT_EQ(percent, -1);
}

TEST_F(AutoScaleTest, AUserPaperSmallerThanItsMarginsLeavesThePercent) {
  UseModel(PaperWriter());
  void* dm = buffers_.devMode.data();
  void* ps = buffers_.settings.data();
  // User slot 0 (paper 262): 80 x 80, its margins 84 on each axis.
  SetNumber(1311, 80);
  SetNumber(1321, 80);
  LONG percent = -1;
  EXPECT_EQ(AutoScalePercent(model_, dm, ps, 262, 1, &percent), 0);
  EXPECT_EQ(AutoScalePercent(model_, dm, ps, 1, 262, &percent), 0);
  EXPECT_EQ(percent, -1);
  // 1084 x 1484 prints 1000 x 1400 of it: 1000 / 2000 by the widths.
  SetNumber(1311, 1084);
  SetNumber(1321, 1484);
  ASSERT_EQ(AutoScalePercent(model_, dm, ps, 1, 262, &percent), 1);
  EXPECT_EQ(percent, 50);
  // The size is capped by the second point of the third pair.
  SetNumber(1311, 9084);
  SetNumber(1321, 9084);
  ASSERT_EQ(AutoScalePercent(model_, dm, ps, 1, 262, &percent), 1);
  EXPECT_EQ(percent, 143);
}

}  // namespace
}  // namespace pk::test
