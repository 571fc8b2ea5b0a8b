// Documents printed by gdihost ink the page exactly as the same drawing calls
// replayed in-process ink one band of the driver: lines, text in every colour
// pass and clipped, and source images stretched and at their size.
#include "one_band_fixture.h"

namespace hosttest {
namespace {

using PageEqualsOneBandTest = OneBandTest;
using Kind = pkhost::JournalItem::Kind;
using Kinds = std::vector<Kind>;

TEST_F(PageEqualsOneBandTest, OutlineDashedPolylineAndDiagonal) {
  ExpectPageEqualsOneBand(
      "document \"Lines\"\nunit dot\nbrush null\n"
      "pen 1 #000000 solid\npolygon 300 300 1300 300 1300 800 300 800\n"
      "pen 1 #000000 dash\nline 300 1000 1300 1000 1300 1500\n"
      "pen 1 #000000 solid\nline 300 1600 800 2100\n",
      SIZEL{1400, 2200});
  // Every line reaches DrvStrokePath.
  EXPECT_EQ(kinds_, (Kinds{Kind::Stroke, Kind::Stroke, Kind::Stroke}));
}

TEST_F(PageEqualsOneBandTest, TextInEveryColourTurnedAndClipped) {
  ExpectPageEqualsOneBand(
      "document \"Text\"\nunit dot\npen null\n"
      "font sans 60\ntextcolor #000000\ntext 100 100 \"Black line of text\"\n"
      "brush solid #000000\nrect 100 300 1200 420\n"
      "textcolor #FFFFFF\ntext 120 320 \"White on black\"\n"
      "font serif 60\ntextcolor #808080\ntext 100 500 \"Grey serif\"\n"
      "font mono 60\ntextcolor #FF0000\ntext 100 650 \"Red mono\"\n"
      "font sans 80\ntextcolor #000000\nclip 100 1000 260 1200\ntext 100 1000 \"Halved\"\nclip none\n"
      "font sans 60 angle 90\ntext 1500 900 \"Turned\"\n",
      SIZEL{1700, 1300});
  EXPECT_EQ(kinds_, (Kinds{Kind::Text, Kind::FillRect, Kind::Text, Kind::Text, Kind::Text, Kind::Text, Kind::Text}));
}

TEST_F(PageEqualsOneBandTest, GreyStretchedAndColourAtSize) {
  ASSERT_EQ(Shell("convert -size 30x20 gradient:black-white -depth 8 grey.pgm && "
                  "convert -size 20x16 xc:'#204080' -depth 8 colour.ppm"),
            0);
  ExpectPageEqualsOneBand(
      "document \"Images\"\nunit dot\nimage 100 100 60 40 \"grey.pgm\"\nimage 300 200 20 16 \"colour.ppm\"\n",
      SIZEL{400, 300});
  // The stretched grey map reaches DrvStretchBlt, the pixmap DrvCopyBits.
  EXPECT_EQ(kinds_, (Kinds{Kind::Image, Kind::Image}));
}

}  // namespace
}  // namespace hosttest
