// One document per drawing family (fills with every brush kind and raster
// operations; paths, dashes and polygons; text in three faces, four colours,
// turned and clipped; PBM, PGM and PPM images at their size and stretched),
// printed by gdihost through both driver libraries of the default printer:
// the page's ink equals, dot for dot, the same calls replayed in-process
// into one band of the driver.
#include <filesystem>

#include "host/one_band/one_band_fixture.h"

namespace hosttest {
namespace {

class DrawingFamilyTest : public OneBandTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // gdihost with the interface library, as an application prints.
  bool PrintThrough(const std::string& document, PageBits* page) {
    std::ofstream(root_ + "/doc.txt") << document;
    std::string out;
    EXPECT_EQ(Shell("'" + OutDir() + "/gdihost' -q --root '" + root_ + "' -o doc.prn doc.txt", &out), 0) << out;
    std::filesystem::create_directories(root_ + "/split");
    EXPECT_EQ(Shell("'" + OutDir() + "/jobcheck' --pages 1 --split split doc.prn", &out), 0) << out;
    if (Shell("tifftopnm split/unit1.tif > page.pbm", &out) != 0) {
      ADD_FAILURE() << out;
      return false;
    }
    return ReadPbmPage(root_ + "/page.pbm", page);
  }
};

TEST_P(DrawingFamilyTest, PageEqualsOneBand) {
  // The images, made by netpbm and ImageMagick.
  ASSERT_EQ(Shell("pbmmake -gray 64 48 > bits.pbm && pgmramp -lr 30 20 > grey.pgm && "
                  "convert -size 20x15 plasma:fractal -seed 7 -depth 8 colour.ppm"),
            0);
  std::ifstream in(std::string(PK_E2E_DOCS) + "/" + GetParam());
  std::stringstream text;
  text << in.rdbuf();
  const std::string document = text.str();
  ASSERT_FALSE(document.empty());
  PageBits page;
  ASSERT_TRUE(PrintThrough(document, &page));
  const SIZEL area{1600, 1700};
  ASSERT_LE(area.cx, page.width);
  ASSERT_LE(area.cy, page.height);
  const pkhost::Journal journal = JournalOf(document, SIZEL{page.width, page.height});
  ASSERT_FALSE(journal.empty());
  ReplayIntoOneBand(journal, area);
  size_t wrong = 0, ink = 0;
  for (LONG y = 0; y < page.height; ++y)
    for (LONG x = 0; x < page.width; ++x) {
      const bool inside = x < area.cx && y < area.cy;
      const bool band = inside && Ink(uint32_t(y), uint32_t(x));
      ink += band;
      if (page.Ink(x, y) != band && wrong++ < 8)
        ADD_FAILURE() << "dot " << x << "," << y << (band ? ": band inked, page blank" : ": page inked, band blank");
    }
  EXPECT_EQ(wrong, 0u);
  EXPECT_GT(ink, 1000u);
}

INSTANTIATE_TEST_SUITE_P(Families, DrawingFamilyTest,
                         ::testing::Values("fills.txt", "paths.txt", "text.txt", "images.txt"),
                         [](const ::testing::TestParamInfo<const char*>& i) {
                           std::string name = i.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace hosttest
