// Path stroking and filling drawn into the band through the DDI entries:
// solid, wide and dashed lines, the style state along a path, thin-line
// emphasis, even-odd fills, clipping, and the segment helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "drawing_fixture.h"
#include "graphics_driver/core/path_drawing.h"
#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::DrawingTest;

constexpr MIX kCopyPen = 0x0D0D;

class PathDrawingTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    globalBlocks_ = pk::seams::GlobalLiveBlocks();
  }
  void TearDown() override {
    for (PATHOBJ* p : paths_) EngDeletePath(p);
    // Nothing of a drawing outlives it.
    EXPECT_EQ(Stream()->work.fillOutline, nullptr);
    EXPECT_EQ(Stream()->work.clipPoints, nullptr);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), globalBlocks_);
    DrawingTest::TearDown();
  }

  // Figures of dots; closed ones get a close-figure flag.
  PATHOBJ* Path(const std::vector<std::vector<POINTL>>& figures, bool closed = false, ULONG recordLimit = 0) {
    PATHOBJ* p = pkgdi::CreatePath();
    for (const auto& figure : figures) {
      for (size_t i = 0; i < figure.size(); ++i) {
        const POINTFIX pt{figure[i].x * 16, figure[i].y * 16};
        if (i == 0) pkgdi::PathMoveTo(p, pt);
        else pkgdi::PathLineTo(p, pt);
      }
      if (closed) pkgdi::PathCloseFigure(p);
    }
    if (recordLimit) pkgdi::SetPathRecordLimit(p, recordLimit);
    paths_.push_back(p);
    return p;
  }
  static LINEATTRS Cosmetic(LONG width = 1, std::vector<FLOAT_LONG>* style = nullptr, FLONG flags = 0) {
    LINEATTRS la{};
    la.fl = flags | (style ? LA_STYLED : 0);
    la.elWidth.l = width;
    la.cstyle = style ? ULONG(style->size()) : 0;
    la.pstyle = style ? style->data() : nullptr;
    return la;
  }
  static std::vector<FLOAT_LONG> Style(std::initializer_list<LONG> entries) {
    std::vector<FLOAT_LONG> out;
    for (LONG e : entries) {
      FLOAT_LONG f;
      f.l = e;
      out.push_back(f);
    }
    return out;
  }
  BOOL Stroke(PATHOBJ* path, LINEATTRS la, CLIPOBJ* clip = nullptr, BRUSHOBJ* brush = nullptr, MIX mix = kCopyPen) {
    return DrvStrokePath(target_, path, clip, nullptr, brush ? brush : Solid(0x000000), nullptr, &la, mix);
  }
  BOOL Fill(PATHOBJ* path, FLONG mode, CLIPOBJ* clip = nullptr) {
    return DrvFillPath(target_, path, clip, Solid(0x000000), nullptr, kCopyPen, mode);
  }
  std::vector<BYTE> Band() { return band_; }
  int InkCount() {
    int n = 0;
    for (BYTE b : band_) n += __builtin_popcount(b);
    return n;
  }
  // Ink of band row y over columns [0, width) as '#' and '.'.
  std::string RowText(uint32_t y, uint32_t width) {
    std::string s;
    for (uint32_t x = 0; x < width; ++x) s += Ink(y, x) ? '#' : '.';
    return s;
  }
  std::string ColumnText(uint32_t x, uint32_t rows) {
    std::string s;
    for (uint32_t y = 0; y < rows; ++y) s += Ink(y, x) ? '#' : '.';
    return s;
  }
  // Runs of '#' of `dash` and '.' of `gap` from `from` for `length` dots.
  static std::string Dashes(int dash, int gap, int length, int from = 0) {
    std::string s;
    for (int i = 0; i < length; ++i) s += ((i + from) % (dash + gap)) < dash ? '#' : '.';
    return s;
  }

  std::vector<PATHOBJ*> paths_;
  SIZE_T globalBlocks_ = 0;
};

TEST_F(PathDrawingTest, EntriesCheckTheirArguments) {
  PATHOBJ* path = Path({{{0, 5}, {30, 5}}});
  LINEATTRS la = Cosmetic();
  BRUSHOBJ* black = Solid(0x000000);
  struct Case {
    const char* what;
    BOOL result;
  };
  LINEATTRS geometric = la;
  geometric.fl = LA_GEOMETRIC;
  geometric.elWidth.e = 1.0f;
  const Case cases[] = {
      {"stroke without surface", DrvStrokePath(nullptr, path, nullptr, nullptr, black, nullptr, &la, kCopyPen)},
      {"stroke without path", DrvStrokePath(target_, nullptr, nullptr, nullptr, black, nullptr, &la, kCopyPen)},
      {"stroke without line", DrvStrokePath(target_, path, nullptr, nullptr, black, nullptr, nullptr, kCopyPen)},
      {"geometric without transform",
       DrvStrokePath(target_, path, nullptr, nullptr, black, nullptr, &geometric, kCopyPen)},
      {"fill without path", DrvFillPath(target_, nullptr, nullptr, black, nullptr, kCopyPen, FP_ALTERNATEMODE)},
      {"fill without surface", DrvFillPath(nullptr, path, nullptr, black, nullptr, kCopyPen, FP_ALTERNATEMODE)},
      {"stroke and fill without line", DrvStrokeAndFillPath(target_, path, nullptr, nullptr, black, nullptr, black,
                                                            nullptr, kCopyPen, FP_ALTERNATEMODE)},
  };
  for (const Case& c : cases) EXPECT_FALSE(c.result) << c.what;
  // The missing argument is named by the last error.
  SetLastError(0);
  EXPECT_FALSE(DrvStrokePath(target_, path, nullptr, nullptr, black, nullptr, nullptr, kCopyPen));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(DrvFillPath(target_, nullptr, nullptr, black, nullptr, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(DrvStrokeAndFillPath(target_, path, nullptr, nullptr, black, nullptr, black, nullptr, kCopyPen, 1));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(BandBlank());

  // R2_NOP for both mixes succeeds without drawing.
  EXPECT_TRUE(Stroke(path, la, nullptr, black, kMixNop));
  EXPECT_TRUE(BandBlank());
  // A failed document draws nothing and fails.
  pdev()->ddiFlags |= kDdiDocumentFailed;
  EXPECT_FALSE(Stroke(path, la));
  pdev()->ddiFlags &= ~kDdiDocumentFailed;
  EXPECT_TRUE(BandBlank());
  EXPECT_TRUE(Stroke(path, la));
  EXPECT_EQ(RowText(5, 64), std::string(30, '#') + std::string(34, '.'));
}

TEST_F(PathDrawingTest, SolidHorizontalAndVerticalLines) {
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({{{10, 20}, {15, 20}}}), Cosmetic(3)));
  EXPECT_TRUE(InkedExactly(RECTL{10, 19, 15, 22}, 32));
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({{{5, 0}, {5, 4}}}), Cosmetic(1)));
  EXPECT_TRUE(InkedExactly(RECTL{5, 0, 6, 4}, 32));
  // Drawn the other way round, the same dots.
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({{{5, 4}, {5, 0}}}), Cosmetic(1)));
  EXPECT_TRUE(InkedExactly(RECTL{5, 0, 6, 4}, 32));
  // A segment wholly above the band is skipped; one reaching into it is not.
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({{{0, -8}, {40, -2}}}), Cosmetic(1)));
  EXPECT_TRUE(BandBlank());
  ASSERT_TRUE(Stroke(Path({{{3, -8}, {3, 6}}}), Cosmetic(1)));
  EXPECT_TRUE(InkedExactly(RECTL{3, 0, 4, 6}, 32));
}

TEST_F(PathDrawingTest, SlantedWideLineIsTheQuadrilateralBetweenItsOffsets) {
  UseBand(0, 48);
  const PolySegment s{10, 10, 60, 35};
  ASSERT_EQ(ClassifySegment(s), 24);
  LINEATTRS la = Cosmetic(5);
  ASSERT_TRUE(Stroke(Path({{{10, 10}, {60, 35}}}), la));
  const std::vector<BYTE> stroked = Band();
  EXPECT_GT(InkCount(), 0);

  UseBand(0, 48);
  const PolySegment a = OffsetSegment(s, 3), b = OffsetSegment(s, -2);
  const POINTL quad[4] = {{a.x0, a.y0}, {a.x1, a.y1}, {b.x1, b.y1}, {b.x0, b.y0}};
  // The drawing bounds reach the width past the path's points.
  const RECTL bounds{5, 5, 65, 40};
  ASSERT_EQ(FillPolygon(Stream(), quad, 4, &bounds, 5), 1);
  EXPECT_EQ(Band(), stroked);
  // The larger half lies on the left of travel: above and right of the line.
  EXPECT_LT(a.y0, s.y0);
  EXPECT_GT(a.x0, s.x0);

  // Drawn the other way, the larger half goes to the other side.
  UseBand(0, 48);
  ASSERT_TRUE(Stroke(Path({{{60, 35}, {10, 10}}}), la));
  EXPECT_NE(Band(), stroked);
}

TEST_F(PathDrawingTest, CosmeticShallowLineInksOneDotPerColumn) {
  UseBand(0, 16);
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {40, 12}}}), Cosmetic(1)));
  for (uint32_t x = 0; x < 40; ++x) {
    int dots = 0;
    for (uint32_t y = 0; y < 16; ++y) dots += Ink(y, x);
    EXPECT_EQ(dots, 1) << "column " << x;
  }
  for (uint32_t y = 0; y < 16; ++y) EXPECT_FALSE(Ink(y, 40)) << y;
}

TEST_F(PathDrawingTest, DashedPolylineRunsItsPatternOnAcrossCorners) {
  Set(21, 600);
  UseBand(0, 200, 128);
  std::vector<FLOAT_LONG> style = Style({2, 1});
  // Right 100 dots, then down 150 dots.
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {100, 2}, {100, 152}}}), Cosmetic(1, &style)));
  EXPECT_EQ(RowText(2, 100), Dashes(48, 24, 100));
  // The dash reaching the corner goes on down the next segment: 20 dots are
  // left of it.
  EXPECT_EQ(ColumnText(100, 152).substr(2), Dashes(48, 24, 150, 28));
  EXPECT_EQ(ColumnText(100, 200).substr(152), std::string(48, '.'));
}

TEST_F(PathDrawingTest, StyleEntriesAndFlags) {
  Set(21, 600);
  UseBand(0, 8, 512);
  std::vector<FLOAT_LONG> odd = Style({3});
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {400, 2}}}), Cosmetic(1, &odd)));
  // The gap after the last entry of an odd array is entry 0.
  EXPECT_EQ(RowText(2, 400), Dashes(72, 72, 400));

  // Entries of three: dash a, gap b, dash c, gap a, dash b, gap c.
  UseBand(0, 8, 512);
  std::vector<FLOAT_LONG> three = Style({1, 2, 3});
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {288, 2}}}), Cosmetic(1, &three)));
  EXPECT_EQ(RowText(2, 288), std::string(24, '#') + std::string(48, '.') + std::string(72, '#') + std::string(24, '.') +
                                 std::string(48, '#') + std::string(72, '.'));

  // An alternate line without a style array is solid; LA_STARTGAP changes
  // nothing; an alternate style is taken in dots as it stands.
  UseBand(0, 8, 512);
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {100, 2}}}), Cosmetic(1, nullptr, LA_ALTERNATE)));
  EXPECT_EQ(RowText(2, 101), std::string(100, '#') + ".");
  UseBand(0, 8, 512);
  std::vector<FLOAT_LONG> dashes = Style({2, 1});
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {200, 2}}}), Cosmetic(1, &dashes, LA_STARTGAP)));
  EXPECT_EQ(RowText(2, 200), Dashes(48, 24, 200));
  UseBand(0, 8, 512);
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {20, 2}}}), Cosmetic(1, &dashes, LA_ALTERNATE)));
  EXPECT_EQ(RowText(2, 20), Dashes(2, 1, 20));
  EXPECT_EQ(dashes[0].l, 2);  // the engine's array is not written

  // A geometric style is in dots, truncated.
  UseBand(0, 8, 512);
  std::vector<FLOAT_LONG> geometric(2);
  geometric[0].e = 5.9f;
  geometric[1].e = 3.2f;
  LINEATTRS la = Cosmetic(1, &geometric, LA_GEOMETRIC);
  la.elWidth.e = 1.0f;
  XFORMOBJ* identity = pkgdi::CreateXform(XFORML{1, 0, 0, 1, 0, 0});
  ASSERT_TRUE(DrvStrokePath(target_, Path({{{0, 2}, {40, 2}}}), nullptr, identity, Solid(0), nullptr, &la, kCopyPen));
  pkgdi::DeleteXform(identity);
  EXPECT_EQ(RowText(2, 40), Dashes(5, 3, 40));
}

TEST_F(PathDrawingTest, EntriesBelowOneDotStillMoveOn) {
  // A negative resolution from an application's DEVMODE scales every entry
  // below zero: each counts as the line width.
  Set(21, -600);
  UseBand(0, 8, 128);
  std::vector<FLOAT_LONG> style = Style({2, 1});
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {100, 2}}}), Cosmetic(1, &style)));
  EXPECT_EQ(RowText(2, 100), Dashes(1, 1, 100));
  // One-dot steps on a 45-degree line, where a step truncates to nothing.
  UseBand(0, 64, 128);
  std::vector<FLOAT_LONG> dots = Style({1, 1});
  ASSERT_TRUE(Stroke(Path({{{0, 0}, {60, 60}}}), Cosmetic(1, &dots, LA_ALTERNATE)));
  EXPECT_GT(InkCount(), 10);
  EXPECT_LT(InkCount(), 61);
  // Negative and zero geometric entries likewise.
  UseBand(0, 8, 128);
  std::vector<FLOAT_LONG> geometric(2);
  geometric[0].e = -4.0f;
  geometric[1].e = 0.0f;
  LINEATTRS la = Cosmetic(1, &geometric, LA_GEOMETRIC);
  la.elWidth.e = 1.0f;
  XFORMOBJ* identity = pkgdi::CreateXform(XFORML{1, 0, 0, 1, 0, 0});
  ASSERT_TRUE(DrvStrokePath(target_, Path({{{0, 2}, {20, 2}}}), nullptr, identity, Solid(0), nullptr, &la, kCopyPen));
  pkgdi::DeleteXform(identity);
  EXPECT_EQ(RowText(2, 20), Dashes(1, 1, 20));
}

TEST_F(PathDrawingTest, SkippedSegmentKeepsTheStyleState) {
  Set(21, 600);
  UseBand(0, 64, 128);
  // The clip keeps rows 0-9: the horizontal segment at row 20 is outside and
  // leaves the state alone, so the vertical one starts with a fresh dash.
  CLIPOBJ* clip = Clip({RECTL{0, 0, 128, 10}});
  std::vector<FLOAT_LONG> style = Style({2, 1});
  ASSERT_TRUE(Stroke(Path({{{0, 20}, {60, 20}, {60, 0}}}), Cosmetic(1, &style), clip));
  EXPECT_EQ(ColumnText(60, 12), std::string(10, '#') + "..");
  EXPECT_EQ(RowText(20, 128), std::string(128, '.'));
}

TEST_F(PathDrawingTest, DashedVerticalLineKeepsItsPhaseAcrossBands) {
  Set(21, 600);
  std::vector<FLOAT_LONG> style = Style({2, 1});
  UseBand(0, 300, 64);
  ASSERT_TRUE(Stroke(Path({{{7, 5}, {7, 290}}}), Cosmetic(1, &style)));
  const std::string whole = ColumnText(7, 300);
  std::string banded;
  for (int top = 0; top < 300; top += 50) {
    UseBand(top, 50, 64);
    ASSERT_TRUE(Stroke(Path({{{7, 5 - top}, {7, 290 - top}}}), Cosmetic(1, &style)));
    banded += ColumnText(7, 50);
  }
  EXPECT_EQ(banded, whole);
}

TEST_F(PathDrawingTest, SolidLinesJoinAcrossBands) {
  struct Case {
    POINTL a, b;
  } cases[] = {{{2, 3}, {60, 61}}, {{1, 1}, {63, 30}}, {{60, 2}, {4, 62}}, {{9, 0}, {9, 63}}, {{3, 5}, {20, 60}}};
  for (const Case& c : cases) {
    UseBand(0, 64, 64);
    ASSERT_TRUE(Stroke(Path({{c.a, c.b}}), Cosmetic(1)));
    std::vector<std::string> whole;
    for (uint32_t y = 0; y < 64; ++y) whole.push_back(RowText(y, 64));
    std::vector<std::string> banded;
    for (int top = 0; top < 64; top += 16) {
      UseBand(top, 16, 64);
      ASSERT_TRUE(Stroke(Path({{{c.a.x, c.a.y - top}, {c.b.x, c.b.y - top}}}), Cosmetic(1)));
      for (uint32_t y = 0; y < 16; ++y) banded.push_back(RowText(y, 64));
    }
    EXPECT_EQ(banded, whole) << c.a.x << "," << c.a.y << " - " << c.b.x << "," << c.b.y;
  }
}

TEST_F(PathDrawingTest, ThinLineEmphasis) {
  struct Case {
    int64_t width, mode355, mode356, mono;
    const char* expected;  // "base", "black" or "half"
  } cases[] = {
      {1, 2, 0, 0, "base"}, {1, 2, 1, 0, "black"}, {1, 2, 2, 0, "half"},
      {3, 2, 2, 0, "base"}, {1, 2, 1, 1, "base"},  {2, 2, 2, 0, "half"},
  };
  Set(355, 2);
  Set(356, 0);
  ASSERT_TRUE(Stroke(Path({{{0, 2}, {10, 2}}}), Cosmetic(1), nullptr, Solid(0x808080)));
  const uint32_t base = Record()->penLevel;
  ASSERT_GT(base, 100u);
  for (const Case& c : cases) {
    Set(355, c.mode355);
    Set(356, c.mode356);
    Set(479, c.mono);
    ASSERT_TRUE(Stroke(Path({{{0, 2}, {10, 2}}}), Cosmetic(LONG(c.width)), nullptr, Solid(0x808080)));
    const uint32_t expected = std::string(c.expected) == "base"    ? base
                              : std::string(c.expected) == "black" ? 0
                                                                   : base / 2;
    EXPECT_EQ(Record()->penLevel, expected) << c.width << " " << c.mode356 << " " << c.mono;
  }
}

TEST_F(PathDrawingTest, FilledStarLeavesItsCentreBlank) {
  std::vector<POINTL> star;
  for (int i = 0; i < 5; ++i) {
    const double angle = (-90.0 + 144.0 * i) * M_PI / 180.0;
    star.push_back(POINTL{LONG(std::lround(32 + 30 * std::cos(angle))), LONG(std::lround(33 + 30 * std::sin(angle)))});
  }
  for (FLONG mode : {FLONG(FP_ALTERNATEMODE), FLONG(FP_WINDINGMODE)}) {
    UseBand(0, 64);
    ASSERT_TRUE(Fill(Path({star}, true), mode)) << mode;
    EXPECT_FALSE(Ink(33, 32)) << mode;  // the centre pentagon
    EXPECT_TRUE(Ink(10, 32)) << mode;   // the top point
    EXPECT_TRUE(Ink(25, 10)) << mode;   // the left point
  }
  UseBand(0, 64);
  EXPECT_FALSE(Fill(Path({star}, true), 4));
  EXPECT_TRUE(BandBlank());
}

TEST_F(PathDrawingTest, FillOfARectangleAndAClipThatMissesIt) {
  UseBand(0, 32);
  ASSERT_TRUE(Fill(Path({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, true), FP_ALTERNATEMODE));
  // The outline strokes reach the right column and the bottom row.
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      EXPECT_EQ(Ink(y, x), x >= 10 && x <= 20 && y >= 10 && y <= 20 && !(x == 20 && y == 20)) << x << "," << y;
  UseBand(0, 32);
  EXPECT_TRUE(
      Fill(Path({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, true), FP_ALTERNATEMODE, Clip({RECTL{40, 0, 60, 8}})));
  EXPECT_TRUE(BandBlank());
}

TEST_F(PathDrawingTest, StrokeAndFillStrokesWithTheFillBrush) {
  UseBand(0, 32);
  LINEATTRS la = Cosmetic(1);
  ASSERT_TRUE(DrvStrokeAndFillPath(target_, Path({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, true), nullptr, nullptr,
                                   Solid(0xFFFFFF), &la, Solid(0x000000), nullptr, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_TRUE(Ink(15, 20));  // right edge, drawn by the stroke
  EXPECT_TRUE(Ink(20, 15));  // bottom edge
  EXPECT_TRUE(Ink(15, 15));  // inside
  EXPECT_FALSE(Ink(21, 15));
}

TEST_F(PathDrawingTest, ComplexClipKeepsTheFirstInsidePieceOfEachSegment) {
  // A U of two arms joined at the bottom rows.
  CLIPOBJ* clip = Clip({RECTL{0, 0, 10, 16}, RECTL{0, 10, 50, 16}, RECTL{40, 0, 50, 16}});
  ASSERT_EQ(clip->iDComplexity, DC_COMPLEX);
  ASSERT_TRUE(Stroke(Path({{{2, 5}, {48, 5}}, {{48, 3}, {2, 3}}, {{5, 12}, {45, 12}}}), Cosmetic(1), clip));
  // Across both arms the first piece along the line (left to right, either
  // way the segment runs) is kept.
  for (uint32_t y : {3u, 5u}) EXPECT_EQ(RowText(y, 64), ".." + std::string(8, '#') + std::string(54, '.')) << y;
  // Along the joined rows the segment is whole.
  EXPECT_TRUE(Ink(12, 5) && Ink(12, 25) && Ink(12, 44));
}

TEST_F(PathDrawingTest, EveryRecordIsDrawn) {
  // One record: the engine answers FALSE with it.
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, true), Cosmetic(1)));
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 64; ++x) {
      // Each edge inks from its start up to its end dot; the bottom edge,
      // running leftwards, spans from its left end.
      const bool edge = ((y == 10 || y == 20) && x >= 10 && x < 20) || ((x == 10 || x == 20) && y >= 10 && y < 20);
      EXPECT_EQ(Ink(y, x), edge) << x << "," << y;
    }
  const std::vector<BYTE> rectangle = Band();
  // The same polyline in records of three points, and in one.
  const std::vector<POINTL> zigzag = {{2, 2}, {30, 2}, {30, 12}, {50, 12}, {50, 4}, {60, 4}, {60, 14}};
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({zigzag}), Cosmetic(1)));
  const std::vector<BYTE> whole = Band();
  UseBand(0, 32);
  ASSERT_TRUE(Stroke(Path({zigzag}, false, 3), Cosmetic(1)));
  EXPECT_EQ(Band(), whole);
  EXPECT_TRUE(Ink(14, 60) == false && Ink(13, 60));  // the last segment is there
  EXPECT_NE(rectangle, whole);
}

TEST_F(PathDrawingTest, OutlineThatCannotBeHadFailsTheFill) {
  UseBand(0, 32);
  std::vector<POINTL> ring;
  for (LONG x = 10; x <= 50; ++x) ring.push_back(POINTL{x, 5});
  ring.push_back(POINTL{50, 20});
  ring.push_back(POINTL{10, 20});
  PATHOBJ* path = Path({ring}, true);
  const SIZE_T outlineBytes = SIZE_T(path->cCurves) * 3 * sizeof(POINTL);
  pk::seams::FailAllocationsFrom(outlineBytes);
  EXPECT_FALSE(Fill(path, FP_ALTERNATEMODE));
  EXPECT_TRUE(BandBlank());
  LINEATTRS la = Cosmetic(1);
  EXPECT_FALSE(DrvStrokeAndFillPath(target_, path, nullptr, nullptr, Solid(0), &la, Solid(0), nullptr, kCopyPen,
                                    FP_ALTERNATEMODE));
  // The strokes are there, the inside is not.
  EXPECT_TRUE(Ink(5, 30));
  EXPECT_TRUE(Ink(12, 50));
  EXPECT_FALSE(Ink(12, 30));
  pk::seams::FailAllocationsFrom(0);
  EXPECT_TRUE(Fill(path, FP_ALTERNATEMODE));
  EXPECT_TRUE(Ink(12, 30));
}

TEST(PathSegmentHelpers, ClassifyAndOffset) {
  const struct {
    PolySegment s;
    int code;
  } classes[] = {{{0, 0, 10, 0}, 1},   {{10, 0, 0, 0}, 3},  {{0, 0, 0, 10}, 4},   {{0, 10, 0, 0}, 2},
                 {{0, 0, 10, 10}, 14}, {{0, 0, 10, 5}, 24}, {{10, 10, 0, 0}, 12}, {{0, 10, 5, 0}, 31}};
  for (const auto& c : classes) EXPECT_EQ(ClassifySegment(c.s), c.code) << c.s.x0 << "," << c.s.y0;
  const PolySegment o = OffsetSegment(PolySegment{0, 0, 10, 10}, 2);
  EXPECT_EQ((std::vector<int32_t>{o.x0, o.y0, o.x1, o.y1}), (std::vector<int32_t>{1, -1, 11, 9}));
  const PolySegment h = OffsetSegment(PolySegment{0, 4, 9, 4}, -3);
  EXPECT_EQ(h.y0, 1);
  EXPECT_EQ(h.y1, 1);
  const PolySegment v = OffsetSegment(PolySegment{4, 0, 4, 9}, 2);
  EXPECT_EQ(v.x0, 6);
  EXPECT_EQ(Distance(POINTL{0, 0}, POINTL{3, 4}), 5);
  const POINTL p = AdvancePointAlongSegment(POINTL{0, 0}, PolySegment{0, 0, 40, 30}, 10);
  EXPECT_EQ(p.x, 8);
  EXPECT_EQ(p.y, 6);
  const POINTL back = AdvancePointAlongSegment(POINTL{40, 30}, PolySegment{40, 30, 0, 0}, 10);
  EXPECT_EQ(back.x, 32);
  EXPECT_EQ(back.y, 24);
}

TEST(PathSegmentHelpers, AppendOutlineSegment) {
  POINTL outline[5]{};
  EXPECT_EQ(AppendOutlineSegment(PolySegment{0, 0, 10, 0}, nullptr, 0, 5), -1);
  EXPECT_EQ(AppendOutlineSegment(PolySegment{0, 0, 10, 0}, outline, 0, 5), 2);
  // A start equal to the last point is not added.
  EXPECT_EQ(AppendOutlineSegment(PolySegment{10, 0, 10, 10}, outline, 2, 5), 3);
  // An end equal to the first point is not added.
  EXPECT_EQ(AppendOutlineSegment(PolySegment{10, 10, 0, 0}, outline, 3, 5), 3);
  // A disjoint segment adds both ends while there is room.
  EXPECT_EQ(AppendOutlineSegment(PolySegment{20, 20, 30, 30}, outline, 3, 5), 5);
  EXPECT_EQ(outline[4].x, 30);
  // Full: -1, and the count is kept by the caller.
  EXPECT_EQ(AppendOutlineSegment(PolySegment{40, 40, 50, 50}, outline, 5, 5), -1);
  EXPECT_EQ(outline[4].x, 30);
}

}  // namespace

// A tiled stamp frame or a label drawn where the first copy goes lands its
// mark offset away: the stroke or fill and its clip move together, so the
// band holds what the moved path through the moved clip would give.
TEST_F(PathDrawingTest, MarkOffsetMovesThePathWithItsClip) {
  using Figure = std::vector<POINTL>;
  const auto moved = [](const Figure& f, POINTL by) {
    Figure out;
    for (const POINTL& p : f) out.push_back(POINTL{p.x + by.x, p.y + by.y});
    return out;
  };
  const auto movedRects = [](std::vector<RECTL> rects, POINTL by) {
    for (RECTL& r : rects) r = RECTL{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
    return rects;
  };
  const Figure frame = {{4, 4}, {30, 4}, {30, 20}, {4, 20}};
  struct Case {
    const char* name;
    Figure figure;
    bool fill;
    LONG width;
    std::vector<RECTL> clip;  // none: no clip
    POINTL shift;
  };
  const Case cases[] = {
      {"thin frame", frame, false, 1, {}, {40, 9}},
      {"wide frame", frame, false, 5, {}, {-2, 30}},
      {"frame cut to a rectangle", frame, false, 1, {RECTL{0, 0, 20, 64}}, {50, 20}},
      {"frame cut to a region", frame, false, 3, {RECTL{0, 0, 12, 64}, RECTL{0, 15, 40, 64}}, {60, 11}},
      {"filled frame", frame, true, 1, {}, {33, 25}},
      {"filled frame cut to a rectangle", frame, true, 1, {RECTL{10, 0, 64, 64}}, {20, 30}},
      {"frame above the band moved into it", moved(frame, {0, -30}), false, 1, {}, {10, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LINEATTRS la = Cosmetic(c.width);
    const auto draw = [&](const Figure& f, const std::vector<RECTL>& clip) {
      CLIPOBJ* pco = clip.empty() ? nullptr : Clip(clip);
      return c.fill ? Fill(Path({f}, true), FP_ALTERNATEMODE, pco) : Stroke(Path({f}, true), la, pco);
    };
    UseBand(0, 64, 128);
    pdev()->pipeline.markOffset = c.shift;
    ASSERT_TRUE(draw(c.figure, c.clip));
    const std::vector<BYTE> shifted = Band();
    UseBand(0, 64, 128);
    pdev()->pipeline.markOffset = POINTL{0, 0};
    ASSERT_TRUE(draw(moved(c.figure, c.shift), movedRects(c.clip, c.shift)));
    EXPECT_GT(InkCount(), 20);
    EXPECT_EQ(shifted, Band());
  }

  // An offset far off the page draws nothing and fails nothing.
  UseBand(0, 64, 128);
  pdev()->pipeline.markOffset = POINTL{INT32_MIN, INT32_MAX};
  LINEATTRS la = Cosmetic(3);
  EXPECT_TRUE(Stroke(Path({frame}, true), la));
  EXPECT_TRUE(Fill(Path({frame}, true), FP_ALTERNATEMODE));
  EXPECT_TRUE(BandBlank());
  pdev()->pipeline.markOffset = POINTL{0, 0};
}
