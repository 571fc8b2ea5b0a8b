// Replay of journaled drawing into two bands of the fake driver (surface
// 800 x 500, page 800 x 1000, bands at (0, 0) and (0, 500)): target
// rectangles, clips per band, path points in 28.4, brush realisation, hooks.
#include <algorithm>

#include "host_fixture.h"

namespace hosttest {
namespace {

using BandReplayTest = HostTest;

TEST_F(BandReplayTest, FillIsSplitByTheBandsAndItsClipsJoinToTheFill) {
  RunResult r = Run("unit dot\nrect 100 450 300 550\n");
  ASSERT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(
      Matching(r.driver, "DrvBitBlt"),
      (std::vector<std::string>{"DrvBitBlt rop=F0F0 trg=(100,450,300,550) clip=DC_RECT (100,450,300,500) brush=000000",
                                "DrvBitBlt rop=F0F0 trg=(100,-50,300,50) clip=DC_RECT (100,0,300,50) brush=000000"}));
  EXPECT_TRUE(r.failures.empty());
  EXPECT_TRUE(r.warnings.empty());
}

TEST_F(BandReplayTest, FillWhollyInsideATallerBandIsTrivial) {
  Configure("surface 800 628\n");
  RunResult r = Run("unit dot\nrect 100 450 300 550\n");
  auto blts = Matching(r.driver, "DrvBitBlt");
  ASSERT_EQ(blts.size(), 2u);
  EXPECT_EQ(blts[0], "DrvBitBlt rop=F0F0 trg=(100,450,300,550) clip=DC_TRIVIAL brush=000000");
  EXPECT_EQ(blts[1], "DrvBitBlt rop=F0F0 trg=(100,-50,300,50) clip=DC_RECT (100,0,300,50) brush=000000");
}

TEST_F(BandReplayTest, OneDotLineGoesOnlyToTheBandItCrosses) {
  RunResult r = Run("unit dot\nline 100 520 300 520\n");
  EXPECT_EQ(Matching(r.driver, "DrvStrokePath"),
            (std::vector<std::string>{"DrvStrokePath pts=(1600,320)(4800,320) bounds=(1600,320,4800,320) "
                                      "clip=DC_TRIVIAL brush=000000 mix=0D0D style=0"}));
  // Between the first DrvNextBand and the second sits the stroke.
  std::vector<std::string> names;
  for (const auto& l : r.driver) names.push_back(FirstWord(l));
  auto first = std::find(names.begin(), names.end(), "DrvNextBand");
  ASSERT_NE(first, names.end());
  EXPECT_EQ(*(first + 1), "DrvStrokePath");
}

TEST_F(BandReplayTest, PolygonFillIsOneBlitClippedToItsShapePerBand) {
  RunResult r =
      Run("unit dot\npen null\n"
          "polygon 100 490 140 490 140 510 120 510 120 520 100 520\n");
  EXPECT_EQ(
      Matching(r.driver, "DrvBitBlt"),
      (std::vector<std::string>{
          "DrvBitBlt rop=F0F0 trg=(100,490,140,520) clip=DC_RECT (100,490,140,500) brush=000000",
          "DrvBitBlt rop=F0F0 trg=(100,-10,140,20) clip=DC_COMPLEX (100,0,140,10) (100,10,120,20) brush=000000"}));
}

TEST_F(BandReplayTest, HatchBrushIsRealisedOnceOverShapesAndBands) {
  RunResult r =
      Run("unit dot\npen null\nbrush hatch cross #000000\n"
          "rect 10 10 200 900\nellipse 300 300 500 700\npolygon 600 100 700 900 550 900\n");
  EXPECT_EQ(Matching(r.driver, "DrvRealizeBrush").size(), 1u);
  EXPECT_EQ(Matching(r.driver, "DrvBitBlt").size(), 6u);
  for (const auto& l : Matching(r.driver, "DrvBitBlt")) EXPECT_NE(l.find("brush=realized"), std::string::npos) << l;
}

TEST_F(BandReplayTest, StyledAndWidePens) {
  RunResult r =
      Run("unit dot\npen 1 #000000 dash\nline 10 10 200 10\n"
          "pen 9 #FF0000\nline 10 100 200 100\n");
  auto strokes = Matching(r.driver, "DrvStrokePath");
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_NE(strokes[0].find("style=2"), std::string::npos);
  // The wide pen fills its outline in the pen's colour.
  auto blts = Matching(r.driver, "DrvBitBlt");
  ASSERT_EQ(blts.size(), 1u);
  EXPECT_NE(blts[0].find("trg=(6,95,204,104)"), std::string::npos) << blts[0];
  EXPECT_NE(blts[0].find("clip=DC_COMPLEX"), std::string::npos);
  EXPECT_NE(blts[0].find("brush=FF0000"), std::string::npos);
}

TEST_F(BandReplayTest, TextWithoutTextOutHookIsSkippedWithAWarning) {
  Configure("hooks 0x423\n");
  RunResult r = Run("unit dot\nfont sans 40\ntext 10 10 \"Hello\"\nrect 0 0 10 10\n");
  EXPECT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_TRUE(Matching(r.driver, "DrvTextOut").empty());
  EXPECT_EQ(Matching(r.driver, "DrvBitBlt").size(), 1u);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("DrvTextOut"), std::string::npos);
}

TEST_F(BandReplayTest, TextCarriesOpaqueBackgroundAndUnderline) {
  RunResult r =
      Run("unit dot\nfont serif 40 underline strikeout\nbackground #FFFF00\ntextcolor #0000FF\n"
          "text 100 100 \"Hi\"\n");
  auto texts = Matching(r.driver, "DrvTextOut");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("glyphs=2"), std::string::npos) << texts[0];
  EXPECT_NE(texts[0].find("extra=2"), std::string::npos) << texts[0];
  EXPECT_EQ(texts[0].find("opaque=none"), std::string::npos) << texts[0];
  EXPECT_NE(texts[0].find("brush=0000FF"), std::string::npos) << texts[0];
}

TEST_F(BandReplayTest, RasterOperationsOfTheDocumentReachTheBlit) {
  RunResult r = Run("unit dot\nrop 0x0000\nrect 0 0 10 10\nrop 0xFFFF\nrect 0 0 10 10\nrop 0x5A5A\nrect 0 0 10 10\n");
  auto blts = Matching(r.driver, "DrvBitBlt");
  ASSERT_EQ(blts.size(), 3u);
  EXPECT_EQ(blts[0].rfind("DrvBitBlt rop=0000", 0), 0u);
  EXPECT_EQ(blts[1].rfind("DrvBitBlt rop=FFFF", 0), 0u);
  EXPECT_EQ(blts[2].rfind("DrvBitBlt rop=5A5A", 0), 0u);
}

TEST_F(BandReplayTest, ClipLimitsWhereItemsDraw) {
  RunResult r = Run("unit dot\nclip 150 0 250 1000\nrect 100 100 300 200\nclip none\nrect 100 100 300 200\n");
  EXPECT_EQ(
      Matching(r.driver, "DrvBitBlt"),
      (std::vector<std::string>{"DrvBitBlt rop=F0F0 trg=(100,100,300,200) clip=DC_RECT (150,100,250,200) brush=000000",
                                "DrvBitBlt rop=F0F0 trg=(100,100,300,200) clip=DC_TRIVIAL brush=000000"}));
}

TEST_F(BandReplayTest, PathsFillTheirShapeAndStrokeTheirFlattenedOutline) {
  RunResult r =
      Run("unit dot\nbrush solid #00FF00\n"
          "path winding move 100 100 line 200 100 bezier 250 150 250 250 200 300 line 100 300 close strokefill\n");
  auto blts = Matching(r.driver, "DrvBitBlt");
  ASSERT_EQ(blts.size(), 1u);
  EXPECT_EQ(blts[0].rfind("DrvBitBlt rop=F0F0 trg=(100,100,237,300) clip=DC_COMPLEX", 0), 0u) << blts[0];
  auto strokes = Matching(r.driver, "DrvStrokePath");
  ASSERT_EQ(strokes.size(), 1u);
  // Starts at (100, 100) and ends closed back at the start; the curve is lines.
  EXPECT_EQ(strokes[0].rfind("DrvStrokePath pts=(1600,1600)(3200,1600)", 0), 0u) << strokes[0];
  EXPECT_GT(std::count(strokes[0].begin(), strokes[0].end(), '('), 10);
}

TEST_F(BandReplayTest, HugeShapesAreBuiltWithinThePage) {
  // Kilometres of polygon and pen: the region covers the page and no more.
  RunResult r =
      Run("unit mm\npen null\npolygon -99999 -99999 99999 -99999 0 99999\n"
          "pen 99999 #000000\nline 0 0 10 10\n");
  auto blts = Matching(r.driver, "DrvBitBlt");
  ASSERT_EQ(blts.size(), 4u);
  for (size_t i : {0u, 1u})
    EXPECT_EQ(blts[i], "DrvBitBlt rop=F0F0 trg=(-1,-1,801,1001) clip=DC_RECT (0,0,800,500) brush=000000");
  EXPECT_EQ(blts[3], "DrvBitBlt rop=F0F0 trg=(-1,-501,801,501) clip=DC_RECT (0,0,800,500) brush=000000");
}

TEST_F(BandReplayTest, EngineObjectsAreFreedWithTheDc) {
  WriteFile("g.pgm", "P2 2 1 255\n0 255\n");
  size_t before = pkgdi::LiveEngineObjects();
  RunResult r =
      Run("unit dot\nbrush hatch cross #000000\nrect 0 0 50 900\nbrush pattern 8142241818244281 #FF0000\n"
          "ellipse 100 100 300 700\nfont serif 30 italic\ntext 10 480 \"Across the bands\"\n"
          "image 0 0 20 10 \"g.pgm\"\nline 0 0 700 900\n");
  EXPECT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(Matching(r.driver, "DrvTextOut").size(), 2u);
  EXPECT_EQ(pkgdi::LiveEngineObjects(), before);
}

}  // namespace
}  // namespace hosttest
