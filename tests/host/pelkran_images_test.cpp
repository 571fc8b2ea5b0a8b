// Images printed by gdihost through the real graphics driver on a fresh
// machine root: a bitmap made by ImageMagick at its own size comes out bit
// for bit at its place in the page TIFF; a grey map stretched to twice its
// size and a pixmap at its own size ink their place and nothing else.
#include <sys/wait.h>

#include <cstdio>

#include "host_fixture.h"

namespace hosttest {
namespace {

struct Outcome {
  int exit = -1;
  std::string out;
};

Outcome Shell(const std::string& command) {
  Outcome r;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) r.out.append(buffer, n);
  const int status = pclose(p);
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class PelkranImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  // Prints the document and splits the job: the page TIFF's path.
  std::string Print(const std::string& document) {
    std::ofstream(root_ + "/doc.txt") << document;
    const std::string job = root_ + "/doc.prn";
    const Outcome r = Shell("'" + BuildOut() + "/gdihost' -q --root '" + root_ + "' --no-interface -o '" + job + "' '" +
                            root_ + "/doc.txt'");
    EXPECT_EQ(r.exit, 0) << r.out;
    std::filesystem::create_directories(root_ + "/split");
    const Outcome check =
        Shell("'" + BuildOut() + "/jobcheck' --pages 1 --dpi 600 --split '" + root_ + "/split' '" + job + "'");
    EXPECT_EQ(check.exit, 0) << check.out;
    return root_ + "/split/unit1.tif";
  }
  // The page's dots in the rectangle as a plain PBM.
  std::string Cut(const std::string& page, int left, int top, int width, int height) {
    const Outcome r = Shell("tifftopnm '" + page + "' 2>/dev/null | pamcut -left " + std::to_string(left) + " -top " +
                            std::to_string(top) + " -width " + std::to_string(width) + " -height " +
                            std::to_string(height) + " | pnmtopnm -plain");
    EXPECT_EQ(r.exit, 0) << r.out;
    return r.out;
  }
  // The inked dots of the page, or of a part cut by a pamcut stage.
  double Ink(const std::string& page, const std::string& cut = "") {
    const Outcome r = Shell("tifftopnm '" + page + "' 2>/dev/null " + cut + " | pnminvert | pamsumm -sum -brief");
    EXPECT_EQ(r.exit, 0) << r.out;
    return std::stod(r.out);
  }
  std::string root_;
};

TEST_F(PelkranImagesTest, BitmapAtItsOwnSizeLandsBitForBit) {
  // A dithered ramp: every kind of bit neighbourhood.
  ASSERT_EQ(Shell("cd '" + root_ + "' && convert -size 45x29 gradient:black-white -rotate 90 -monochrome img.pbm").exit,
            0);
  const std::string page = Print("document \"Bitmap\"\nunit dot\nimage 123 77 29 45 \"img.pbm\"\n");
  const Outcome plain = Shell("pnmtopnm -plain '" + root_ + "/img.pbm'");
  ASSERT_EQ(plain.exit, 0);
  EXPECT_EQ(Cut(page, 123, 77, 29, 45), plain.out);
  // Nothing is inked around it.
  const double inside = Ink(page, "| pamcut -left 123 -top 77 -width 29 -height 45");
  EXPECT_GT(inside, 0);
  EXPECT_EQ(Ink(page), inside);
}

TEST_F(PelkranImagesTest, GreyStretchedAndColourAtSizeInkTheirPlaces) {
  ASSERT_EQ(Shell("cd '" + root_ +
                  "' && convert -size 30x20 gradient:black-white -depth 8 grey.pgm && "
                  "convert -size 20x16 xc:'#204080' -depth 8 colour.ppm")
                .exit,
            0);
  const std::string page =
      Print("document \"Images\"\nunit dot\nimage 100 100 60 40 \"grey.pgm\"\nimage 300 200 20 16 \"colour.ppm\"\n");
  // All ink lies in the two images' rectangles, and each holds some.
  const double whole = Ink(page);
  const double grey = Ink(page, "| pamcut -left 100 -top 100 -width 60 -height 40");
  const double colour = Ink(page, "| pamcut -left 300 -top 200 -width 20 -height 16");
  EXPECT_GT(grey, 0);
  EXPECT_GT(colour, 0);
  EXPECT_LT(colour, 20 * 16);  // a mid colour is halftoned, not solid
  EXPECT_EQ(whole, grey + colour);
}

}  // namespace
}  // namespace hosttest
