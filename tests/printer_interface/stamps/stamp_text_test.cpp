// One stamp or label text drawn over the recording DC: sizes of italic texts,
// frames and pens, tiled copies with their mark offsets, positioned copies,
// frame corners, and the DC left as it was on every way out.
#include <gtest/gtest.h>

#include <cmath>

#include "printer_interface/stamps/stamp_drawing.h"
#include "stamp_dc.h"

namespace pk::test {
namespace {

LOGFONTW Font(LONG points, LONG weight = FW_NORMAL, bool italic = false, LONG escapement = 0) {
  LOGFONTW lf{};
  lf.lfHeight = points;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfEscapement = escapement;
  std::memcpy(lf.lfFaceName, u"Sans", 10);
  return lf;
}

PageMarkQuery Query(float x0, float y0, float x1, float y1, float sx1 = 0, float sy1 = 0) {
  PageMarkQuery q{};
  q.stampArea[0] = x0, q.stampArea[1] = y0, q.stampArea[2] = x1, q.stampArea[3] = y1;
  q.sheetArea[2] = sx1, q.sheetArea[3] = sy1;
  return q;
}

const std::u16string k20 = u"ABCDEFGHIJKLMNOPQRST";  // 200 x 40

// Everything a stamp could leave behind: the DC's state as a drawing call
// sees it, and the live GDI objects.
struct DcSnapshot {
  pkgdi::DcState state;
  size_t objects;
};

DcSnapshot Snapshot(StampDc& dc) {
  const size_t before = dc.calls().size();
  EXPECT_TRUE(TextOutW(dc.hdc(), 0, 0, u"x", 1));
  DcSnapshot s{dc.calls().back().state, pkgdi::LiveGdiObjects()};
  EXPECT_EQ(dc.calls().size(), before + 1);
  return s;
}

void ExpectSameDc(const DcSnapshot& a, const DcSnapshot& b) {
  EXPECT_EQ(std::memcmp(&a.state.font, &b.state.font, sizeof(LOGFONTW)), 0);
  EXPECT_EQ(std::memcmp(&a.state.pen, &b.state.pen, sizeof(LOGPEN)), 0);
  EXPECT_EQ(std::memcmp(&a.state.brush, &b.state.brush, sizeof(LOGBRUSH)), 0);
  EXPECT_EQ(a.state.textColor, b.state.textColor);
  EXPECT_EQ(a.state.bkColor, b.state.bkColor);
  EXPECT_EQ(a.state.bkMode, b.state.bkMode);
  EXPECT_EQ(a.state.textAlign, b.state.textAlign);
  EXPECT_EQ(a.state.rop2, b.state.rop2);
  EXPECT_EQ(a.state.viewportOrg.x, b.state.viewportOrg.x);
  EXPECT_EQ(a.state.viewportOrg.y, b.state.viewportOrg.y);
  EXPECT_EQ(a.state.windowOrg.x, b.state.windowOrg.x);
  EXPECT_EQ(a.state.windowOrg.y, b.state.windowOrg.y);
  EXPECT_EQ(a.objects, b.objects);
}

// A far-corner placement shows the measured size: the text's right and
// bottom edges meet the area's.
TEST(StampText, ItalicTextLeansOutByTheSlant) {
  StampDc dc;
  const PageMarkQuery q = Query(100, 50, 1100, 850);
  const LOGFONTW italic = Font(12, FW_NORMAL, true), upright = Font(12);
  ASSERT_EQ(DrawStampText(dc.hdc(), &q, 600, 0x303, &upright, k20, 0, kStampFrameNone, true), 1);
  ASSERT_EQ(DrawStampText(dc.hdc(), &q, 600, 0x303, &italic, k20, 0, kStampFrameNone, true), 1);
  const auto texts = dc.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].at.x, 800);
  EXPECT_EQ(texts[0].at.y, 760);
  EXPECT_EQ(texts[1].at.x, LONG(1000 - 210.717968f));  // 200 + 40 x 0.2679492
  EXPECT_EQ(texts[1].at.y, 760);
  // The font is converted to dots at the resolution.
  EXPECT_EQ(texts[0].state.font.lfHeight, -100);
  EXPECT_TRUE(dc.Of("esc", ESC_SET_MARK_OFFSET).empty());
}

TEST(StampText, FramePenWidths) {
  const struct {
    LONG points, weight, resolution;
    int frame;
    LONG pen;
  } cases[] = {
      {36, FW_BOLD, 600, kStampFrameRectangle, 21},   {36, FW_NORMAL, 600, kStampFrameRectangle, 18},
      {36, FW_BOLD, 600, kStampFrameEllipse, 21},     {-36, FW_NORMAL, 600, kStampFrameRectangle, 18},
      {167, FW_NORMAL, 72, kStampFrameRectangle, 10},
  };
  for (const auto& c : cases) {
    StampDc dc;
    const PageMarkQuery q = Query(0, 0, 5000, 5000);
    const LOGFONTW lf = Font(c.points, c.weight);
    ASSERT_EQ(DrawStampText(dc.hdc(), &q, c.resolution, 0x101, &lf, k20, 0x0000FF, c.frame, true), 1);
    const auto frames = dc.Of(c.frame == kStampFrameRectangle ? "polygon" : "ellipse");
    ASSERT_EQ(frames.size(), 1u) << c.points;
    EXPECT_EQ(frames[0].state.pen.lopnWidth.x, c.pen) << c.points << " " << c.weight;
    EXPECT_EQ(frames[0].state.pen.lopnStyle, UINT(PS_SOLID));
    EXPECT_EQ(frames[0].state.pen.lopnColor, COLORREF(0x0000FF));
    EXPECT_EQ(frames[0].state.brush.lbStyle, UINT(BS_NULL));
  }
}

// Text 200 x 40 with a 10-dot pen: the rectangle box is 250 x 58, the
// ellipse's a circle of sqrt(41600) + 20; both put at the far corner of a
// 1000 x 800 area with the text centred in them.
TEST(StampText, FrameBoxes) {
  const PageMarkQuery q = Query(100, 50, 1100, 850);
  const LOGFONTW lf = Font(167);
  {
    StampDc dc;
    ASSERT_EQ(DrawStampText(dc.hdc(), &q, 72, 0x303, &lf, k20, 0, kStampFrameRectangle, true), 1);
    const auto polygon = dc.Of("polygon");
    ASSERT_EQ(polygon.size(), 1u);
    const std::vector<std::pair<LONG, LONG>> expected = {{755, 747}, {995, 747}, {995, 795}, {755, 795}};
    ASSERT_EQ(polygon[0].points.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_NEAR(polygon[0].points[i].x, expected[i].first, 1) << i;
      EXPECT_NEAR(polygon[0].points[i].y, expected[i].second, 1) << i;
    }
    const auto text = dc.Of("text");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_NEAR(text[0].at.x, 750 + 25, 1);
    EXPECT_NEAR(text[0].at.y, 742 + 9, 1);
  }
  {
    StampDc dc;
    ASSERT_EQ(DrawStampText(dc.hdc(), &q, 72, 0x303, &lf, k20, 0, kStampFrameEllipse, true), 1);
    const auto ellipse = dc.Of("ellipse");
    ASSERT_EQ(ellipse.size(), 1u);
    const double side = std::sqrt(41600.0) + 20;
    EXPECT_NEAR(ellipse[0].box.left, 1000 - side + 5, 1);
    EXPECT_NEAR(ellipse[0].box.top, 800 - side + 5, 1);
    EXPECT_NEAR(ellipse[0].box.right, 995, 1);
    EXPECT_NEAR(ellipse[0].box.bottom, 795, 1);
    const auto text = dc.Of("text");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_NEAR(text[0].at.x, 1000 - side / 2 - 100, 1);
    EXPECT_NEAR(text[0].at.y, 800 - side / 2 - 20, 1);
  }
}

// A 200 x 250 item tiles 900 x 600 in 5 x 3 copies: each copy's offset goes
// to the driver, every text at copy 0's place.
TEST(StampText, TiledCopiesAnnounceTheirOffsets) {
  StampDc dc;
  dc.Answer(ESC_SET_MARK_OFFSET);
  dc.SetTextHeight(250);
  const PageMarkQuery q = Query(0, 0, 10, 10, 900, 600);
  const LOGFONTW lf = Font(12);
  ASSERT_EQ(DrawStampText(dc.hdc(), &q, 600, kStampTile, &lf, k20, 0, kStampFrameNone, false), 1);
  const auto seq = dc.Sequence();
  ASSERT_EQ(seq.size(), 1u + 2 * 15);
  EXPECT_EQ(seq[0], "measure");
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(seq[1 + 2 * i], "esc" + std::to_string(ESC_SET_MARK_OFFSET)) << i;
    EXPECT_EQ(seq[2 + 2 * i], "text") << i;
  }
  const auto offsets = dc.Of("esc", ESC_SET_MARK_OFFSET);
  const auto texts = dc.Of("text");
  for (int i = 0; i < 15; ++i) {
    ASSERT_EQ(offsets[i].in.size(), 8u);
    EXPECT_EQ(offsets[i].InWord(0), 200 * (i % 5)) << i;
    EXPECT_EQ(offsets[i].InWord(1), 250 * (i / 5)) << i;
    EXPECT_EQ(texts[i].at.x, 0);
    EXPECT_EQ(texts[i].at.y, 0);
    EXPECT_EQ(texts[i].text, k20);
  }
}

// Tiled over the first rectangle (a stamp placed by position code 0) the
// copies are moved by the driver alone, as over the sheet.
TEST(StampText, TiledOverTheFirstRectangleMovesOnce) {
  StampDc dc;
  dc.Answer(ESC_SET_MARK_OFFSET);
  const PageMarkQuery q = Query(0, 0, 400, 80, 5000, 5000);
  const LOGFONTW lf = Font(12);
  ASSERT_EQ(DrawStampText(dc.hdc(), &q, 600, kStampTile, &lf, k20, 0, kStampFrameNone, true), 1);
  const auto offsets = dc.Of("esc", ESC_SET_MARK_OFFSET);
  const auto texts = dc.Of("text");
  ASSERT_EQ(texts.size(), 4u);  // 2 x 2 copies of 200 x 40
  ASSERT_EQ(offsets.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(offsets[i].InWord(0), 200 * (i % 2)) << i;
    EXPECT_EQ(offsets[i].InWord(1), 40 * (i / 2)) << i;
    EXPECT_EQ(texts[i].at.x, 0) << i;
    EXPECT_EQ(texts[i].at.y, 0) << i;
  }
}

// Tiled framed copies: the frame is drawn where copy 0's goes, like the text.
TEST(StampText, TiledFramesFollowCopyZero) {
  StampDc dc;
  dc.Answer(ESC_SET_MARK_OFFSET);
  const PageMarkQuery q = Query(0, 0, 10, 10, 1000, 1000);
  const LOGFONTW lf = Font(167);
  ASSERT_EQ(DrawStampText(dc.hdc(), &q, 72, kStampTile, &lf, k20, 0, kStampFrameRectangle, false), 1);
  const auto polygons = dc.Of("polygon");
  ASSERT_EQ(polygons.size(), 4u * 18);  // 250 x 58 cells: 4 columns, 18 rows
  for (const auto& p : polygons) {
    EXPECT_NEAR(p.points[0].x, 5, 1);
    EXPECT_NEAR(p.points[0].y, 5, 1);
    EXPECT_NEAR(p.points[2].x, 245, 1);
    EXPECT_NEAR(p.points[2].y, 53, 1);
  }
}

// The drawing is measured from the window origin, not the rectangle's corner.
TEST(StampText, PlacesFromTheWindowOrigin) {
  StampDc dc;
  ASSERT_TRUE(SetWindowOrgEx(dc.hdc(), 30, 40, nullptr));
  const PageMarkQuery q = Query(500, 500, 1500, 1300);
  const LOGFONTW lf = Font(12);
  ASSERT_EQ(DrawStampText(dc.hdc(), &q, 600, 0x202, &lf, k20, 0, kStampFrameNone, true), 1);
  const auto text = dc.Of("text");
  ASSERT_EQ(text.size(), 1u);
  // Logical (30 + 400, 40 + 380) is device (400, 380).
  EXPECT_EQ(text[0].at.x, 400);
  EXPECT_EQ(text[0].at.y, 380);
}

// A positioned stamp goes into the logical page the application draws, the
// DC's printable area: on two pages per sheet the driver's cell is half a
// sheet and on one page the paper reaches past the printable area, so a
// corner stamp placed in either would land mid-page or off the page.
TEST(StampText, PositionedStampFillsThePrintableArea) {
  StampDc dc;
  dc.SetPrintableSize(4760, 6817);
  const LOGFONTW lf = Font(12);
  for (const PageMarkQuery& q : {Query(0, 3507, 4960, 7015), Query(0, 0, 4960, 7015)}) {
    dc.Clear();
    ASSERT_EQ(DrawStampText(dc.hdc(), &q, 600, 0x303, &lf, k20, 0, kStampFrameNone, true), 1);
    const auto text = dc.Of("text");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].at.x, 4760 - 200);
    EXPECT_EQ(text[0].at.y, 6817 - 40);
  }
  // A label too: the driver moves it within the page, where a corner of the
  // paper would lie past the page's edges.
  dc.Clear();
  dc.Answer(ESC_SET_MARK_OFFSET);
  const PageMarkQuery labels = Query(0, 0, 0, 0, 4960, 7015);
  ASSERT_EQ(DrawStampText(dc.hdc(), &labels, 600, 0x303, &lf, k20, 0, kStampFrameNone, false), 1);
  const auto offset = dc.Of("esc", ESC_SET_MARK_OFFSET);
  ASSERT_EQ(offset.size(), 1u);
  int32_t d[2] = {};
  ASSERT_EQ(offset[0].in.size(), sizeof d);
  std::memcpy(d, offset[0].in.data(), sizeof d);
  EXPECT_EQ(d[0], 4760 - 200);
  EXPECT_EQ(d[1], 6817 - 40);
  // Tiles keep the sheet's rectangle: 25 x 176 tiles of 200 x 40 over it.
  dc.Clear();
  ASSERT_EQ(DrawStampText(dc.hdc(), &labels, 600, 0, &lf, k20, 0, kStampFrameNone, false), 1);
  EXPECT_EQ(dc.Of("esc", ESC_SET_MARK_OFFSET).size(), size_t(25 * 176));
  // On two pages per sheet the sheet rectangle is turned against the page:
  // a label's printable area is turned with it.
  dc.Clear();
  const PageMarkQuery turned = Query(0, 0, 0, 0, 7015, 4960);
  ASSERT_EQ(DrawStampText(dc.hdc(), &turned, 600, 0x303, &lf, k20, 0, kStampFrameNone, false), 1);
  const auto turnedOffset = dc.Of("esc", ESC_SET_MARK_OFFSET);
  ASSERT_EQ(turnedOffset.size(), 1u);
  EXPECT_EQ(turnedOffset[0].InWord(0), 6817 - 200);
  EXPECT_EQ(turnedOffset[0].InWord(1), 4760 - 40);
}

TEST(StampText, FrameCorners) {
  const float area[2] = {2000, 2000}, box[2] = {250, 58}, origin[2] = {0, 0};
  StampPlacement p{};
  POINT corners[4];
  ASSERT_EQ(ComputeStampPlacement(area, box, 0, 0, 0x101, &p), 1);
  ASSERT_EQ(ComputeStampFrame(&p, kStampFrameRectangle, origin, box, 10, 0, corners), 1);
  const std::vector<std::pair<LONG, LONG>> straight = {{5, 5}, {245, 5}, {245, 53}, {5, 53}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(corners[i].x, straight[i].first) << i;
    EXPECT_EQ(corners[i].y, straight[i].second) << i;
  }
  // Turned by 30 degrees the edges follow the rotation.
  ASSERT_EQ(ComputeStampPlacement(area, box, 30, 0, 0x101, &p), 1);
  ASSERT_EQ(ComputeStampFrame(&p, kStampFrameRectangle, origin, box, 10, 0, corners), 1);
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  EXPECT_NEAR(corners[1].x - corners[0].x, 240 * c, 1);
  EXPECT_NEAR(corners[1].y - corners[0].y, -240 * s, 1);
  EXPECT_NEAR(corners[3].x - corners[0].x, 48 * s, 1);
  EXPECT_NEAR(corners[3].y - corners[0].y, 48 * c, 1);
  // No frame, an unknown kind or a missing argument: 0.
  EXPECT_EQ(ComputeStampFrame(&p, kStampFrameNone, origin, box, 10, 0, corners), 0);
  EXPECT_EQ(ComputeStampFrame(&p, 3, origin, box, 10, 0, corners), 0);
  EXPECT_EQ(ComputeStampFrame(nullptr, kStampFrameRectangle, origin, box, 10, 0, corners), 0);
  EXPECT_EQ(ComputeStampFrame(&p, kStampFrameRectangle, origin, box, 10, 0, nullptr), 0);
}

// An empty text has no size to place or tile: nothing is drawn, and that is
// no failure.
TEST(StampText, EmptyTextDrawsNothing) {
  StampDc dc;
  const PageMarkQuery q = Query(0, 0, 1000, 1000, 1000, 1000);
  const LOGFONTW lf = Font(12);
  EXPECT_EQ(DrawStampText(dc.hdc(), &q, 600, kStampTile, &lf, u"", 0, kStampFrameRectangle, false), 1);
  EXPECT_EQ(dc.Sequence(), std::vector<std::string>({"measure"}));
}

// Every way out leaves the DC's state and the live GDI objects as they were.
TEST(StampText, DcComesBackAfterEveryOutcome) {
  const struct {
    const char* fail;  // call that fails, or none
    int nth;
    bool unanswerOffset;
    int frame;
    WORD position;
    int result;
  } cases[] = {
      {nullptr, 0, false, kStampFrameRectangle, kStampTile, 1},
      {nullptr, 0, false, kStampFrameEllipse, 0x202, 1},
      {nullptr, 0, true, kStampFrameRectangle, kStampTile, -1},
      {"text", 2, false, kStampFrameRectangle, kStampTile, -1},
      {"polygon", 1, false, kStampFrameRectangle, kStampTile, -1},
      {"ellipse", 1, false, kStampFrameEllipse, kStampTile, -1},
      {"measure", 1, false, kStampFrameEllipse, kStampTile, -1},
  };
  for (const auto& c : cases) {
    StampDc dc;
    dc.Answer(ESC_SET_MARK_OFFSET);
    if (c.unanswerOffset) dc.Unanswer(ESC_SET_MARK_OFFSET);
    // An application's own state.
    const LOGFONTW appLf = Font(-50);
    HFONT appFont = CreateFontIndirectW(&appLf);
    HPEN appPen = CreatePen(PS_DASH, 3, 0x123456);
    HBRUSH appBrush = CreateSolidBrush(0x654321);
    SelectObject(dc.hdc(), appFont);
    SelectObject(dc.hdc(), appPen);
    SelectObject(dc.hdc(), appBrush);
    SetTextColor(dc.hdc(), 0x00FF00);
    SetBkMode(dc.hdc(), OPAQUE);
    SetTextAlign(dc.hdc(), TA_BASELINE);
    SetViewportOrgEx(dc.hdc(), 7, 9, nullptr);
    SetROP2(dc.hdc(), R2_BLACK);
    const DcSnapshot before = Snapshot(dc);
    if (c.fail) dc.FailNth(c.fail, c.nth);
    const PageMarkQuery q = Query(0, 0, 1000, 1000, 1000, 1000);
    const LOGFONTW lf = Font(100, FW_BOLD);
    EXPECT_EQ(DrawStampText(dc.hdc(), &q, 72, c.position, &lf, k20, 0xFF, c.frame, false), c.result)
        << (c.fail ? c.fail : "none");
    if (c.result == 1) {
      // Drawn in a plain DC with copy-pen ink.
      const auto texts = dc.Of("text");
      ASSERT_GE(texts.size(), 2u);
      const pkgdi::DcState& s = texts[1].state;
      EXPECT_EQ(s.rop2, R2_COPYPEN);
      EXPECT_EQ(s.textColor, COLORREF(0xFF));
      EXPECT_EQ(s.bkMode, TRANSPARENT);
      EXPECT_EQ(s.textAlign, UINT(TA_LEFT | TA_TOP));
      EXPECT_EQ(s.viewportOrg.x, 0);
      EXPECT_EQ(s.viewportOrg.y, 0);
      EXPECT_EQ(s.font.lfHeight, -100);
    }
    dc.FailNth("none", 0);
    const DcSnapshot after = Snapshot(dc);
    ExpectSameDc(before, after);
    SelectObject(dc.hdc(), GetStockObject(SYSTEM_FONT));
    SelectObject(dc.hdc(), GetStockObject(BLACK_PEN));
    SelectObject(dc.hdc(), GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(appFont) && DeleteObject(appPen) && DeleteObject(appBrush));
  }
}

}  // namespace
}  // namespace pk::test
