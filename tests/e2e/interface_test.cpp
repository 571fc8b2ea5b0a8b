// The interface library's document events through gdihost: the escapes of
// every document and page step with the driver's answers, stamps on every
// page, a positioned stamp in the page's corner on one and two pages per
// sheet, and the label texts at their positions. The pages of a run with
// the marks are compared with the same document printed without them.
#include <algorithm>

#include "e2e_fixture.h"
#include "host/pbm_page.h"

namespace e2e {
namespace {

using hosttest::PbmPage;

const char kDoc[] = "docs/three_pages.txt";
const char kStamp[] = "-s 297=Confidential -s 299=CONFIDENTIAL -s 302=1 -s 306=40 ";

struct Box {
  LONG left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  size_t dots = 0;
};

class InterfaceTest : public E2eTest {
 protected:
  // The pages of a job as bitmaps.
  std::vector<PbmPage> Pages(const std::string& job) {
    const std::string dir = job + ".pages";
    fs::remove_all(root_ + "/" + dir);
    fs::create_directories(root_ + "/" + dir);
    EXPECT_EQ(JobCheck("--split " + dir + " " + job), 0);
    std::vector<PbmPage> pages;
    for (int n = 1; fs::exists(root_ + "/" + dir + "/unit" + std::to_string(n) + ".tif"); ++n) {
      const std::string unit = dir + "/unit" + std::to_string(n);
      PbmPage page;
      EXPECT_EQ(Shell("tifftopnm " + unit + ".tif > " + unit + ".pbm"), 0);
      EXPECT_TRUE(hosttest::ReadPbmPage(root_ + "/" + unit + ".pbm", &page));
      pages.push_back(page);
    }
    return pages;
  }
  // The dots inked in `with` and not in `without`, within `area`.
  static Box ExtraInk(const PbmPage& with, const PbmPage& without, Box area) {
    Box b{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 0};
    for (LONG y = std::max<LONG>(area.top, 0); y < std::min(area.bottom, with.height); ++y)
      for (LONG x = std::max<LONG>(area.left, 0); x < std::min(area.right, with.width); ++x)
        if (with.Ink(x, y) && !without.Ink(x, y)) {
          ++b.dots;
          b.left = std::min(b.left, x), b.top = std::min(b.top, y);
          b.right = std::max(b.right, x + 1), b.bottom = std::max(b.bottom, y + 1);
        }
    return b;
  }
  static size_t LostInk(const PbmPage& with, const PbmPage& without) {
    size_t lost = 0;
    for (LONG y = 0; y < with.height; ++y)
      for (LONG x = 0; x < with.width; ++x) lost += without.Ink(x, y) && !with.Ink(x, y);
    return lost;
  }
  static Box Whole(const PbmPage& p) { return Box{0, 0, p.width, p.height, 0}; }
};

// Per job: 0x5002 and 0x5007 at the document start; at every page start
// 0x5002, 0x5010, 0x500A and on the first 0x500B; at every page end 0x5001
// and, with marks due, 0x5002; the driver answers each with 1.
TEST_F(InterfaceTest, EventsSendTheirEscapesAndTheDriverAnswers) {
  HostRun r = Gdihost(std::string("-o job.prn -s 464=1 ") + kStamp + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  std::vector<std::string> seen;
  std::string step;
  for (const std::string& l : r.trace) {
    if (l.rfind("DrvDocumentEvent ", 0) == 0) {
      step = l.substr(17);
      continue;
    }
    if (l.rfind("DrvEscape ", 0) != 0) continue;
    EXPECT_NE(l.find(" answered 1"), std::string::npos) << l;
    const std::string code = l.substr(10, l.find(' ', 10) - 10);
    // The brackets and offsets of the marks' drawing are the stamp tests'.
    if (code == "20483" || code == "20484" || code == "20486" || code == "20488") continue;
    seen.push_back(step + " " + code);
  }
  std::vector<std::string> expected = {"STARTDOC 20482", "STARTDOC 20487"};
  for (int page = 1; page <= 3; ++page) {
    for (const char* c : {"20482", "20496", "20490"}) expected.push_back(std::string("STARTPAGE ") + c);
    if (page == 1) expected.push_back("STARTPAGE 20491");
    expected.push_back("ENDPAGE 20481");
    expected.push_back("ENDPAGE 20482");
  }
  expected.push_back("ENDDOC 20481");
  EXPECT_EQ(seen, expected);
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
}

// Both stamp texts, a stamp per page centred: every page has the stamp's ink
// in the middle of the page and loses none of its own.
TEST_F(InterfaceTest, StampOnEveryPage) {
  ASSERT_EQ(Gdihost(std::string("-o plain.prn ") + kDoc).exit, 0);
  HostRun r = Gdihost(std::string("-o stamped.prn -s 456=0 -s 303=0x202 ") + kStamp + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto plain = Pages("plain.prn"), stamped = Pages("stamped.prn");
  ASSERT_EQ(plain.size(), 3u);
  ASSERT_EQ(stamped.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("page " + std::to_string(i + 1));
    const Box extra = ExtraInk(stamped[i], plain[i], Whole(plain[i]));
    ASSERT_GT(extra.dots, 1000u);
    const LONG cx = (extra.left + extra.right) / 2, cy = (extra.top + extra.bottom) / 2;
    EXPECT_NEAR(cx, plain[i].width / 2, plain[i].width / 20);
    EXPECT_NEAR(cy, plain[i].height / 2, plain[i].height / 20);
    EXPECT_EQ(LostInk(stamped[i], plain[i]), 0u);
  }
}

// A positioned stamp (0x303) lands in the bottom-right corner of each page:
// of the page on one page per sheet, of each page's cell on two.
TEST_F(InterfaceTest, PositionedStampInTheCornerOfEachPage) {
  for (const char* nup : {"1", "2"}) {
    SCOPED_TRACE(std::string("pages per sheet ") + nup);
    const std::string layout = std::string("-s 295=") + nup + " ";
    ASSERT_EQ(Gdihost("-o plain.prn " + layout + kDoc).exit, 0);
    HostRun r = Gdihost("-o corner.prn -s 456=0 -s 303=0x303 " + layout + kStamp + kDoc);
    ASSERT_EQ(r.exit, 0) << r.err;
    const auto plain = Pages("plain.prn"), corner = Pages("corner.prn");
    ASSERT_EQ(plain.size(), corner.size());
    ASSERT_FALSE(plain.empty());
    for (size_t i = 0; i < plain.size(); ++i) {
      const PbmPage& p = plain[i];
      if (nup[0] == '1') {
        const Box extra = ExtraInk(corner[i], p, Whole(p));
        ASSERT_GT(extra.dots, 1000u);
        EXPECT_GT(extra.right, p.width * 9 / 10);
        EXPECT_GT(extra.bottom, p.height * 9 / 10);
        EXPECT_GT(extra.top, p.height / 2);
      } else {
        // The sheet is turned: a page's bottom is the sheet's right edge and
        // its right edge the top of its half.
        for (const Box& half : {Box{0, 0, p.width, p.height / 2, 0}, Box{0, p.height / 2, p.width, p.height, 0}}) {
          const Box extra = ExtraInk(corner[i], p, half);
          if (i == 1 && half.top == 0) continue;  // the second sheet holds page 3 alone, below
          ASSERT_GT(extra.dots, 500u) << "sheet " << i + 1 << " half at " << half.top;
          EXPECT_GT(extra.left, p.width * 3 / 4);
          EXPECT_LT(extra.top - half.top, (half.bottom - half.top) / 3);
        }
      }
      EXPECT_EQ(LostInk(corner[i], p), 0u);
    }
  }
}

// The label items on: the user name's label (at the top left) is ink there
// on every page and nowhere else.
TEST_F(InterfaceTest, UserLabelAtTheTopLeft) {
  ASSERT_EQ(Gdihost(std::string("-o plain.prn ") + kDoc).exit, 0);
  HostRun r = Gdihost(std::string("-o labels.prn -s 464=1 -s 351=0x101 ") + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto plain = Pages("plain.prn"), labels = Pages("labels.prn");
  ASSERT_EQ(labels.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("page " + std::to_string(i + 1));
    const PbmPage& p = plain[i];
    const Box top = ExtraInk(labels[i], p, Box{0, 0, p.width / 2, p.height / 8, 0});
    EXPECT_GT(top.dots, 100u);
    EXPECT_LT(top.left, 40);
    EXPECT_LT(top.top, 60);
    EXPECT_EQ(ExtraInk(labels[i], p, Whole(p)).dots, top.dots);
  }
}

// Labels away from the top left and tiled stamp copies: the library draws
// each where the first goes and sends its offset; the driver moves it there
// in every band. Labels: the time bottom right, the document's name top
// right, the page number bottom left, the date in the middle (high nibble
// across, low down).
TEST_F(InterfaceTest, LabelsAndTiledCopiesLandAtTheirOffsets) {
  ASSERT_EQ(Gdihost(std::string("-o plain.prn ") + kDoc).exit, 0);
  const auto plain = Pages("plain.prn");
  ASSERT_EQ(plain.size(), 3u);
  HostRun r = Gdihost(std::string("-o labels.prn -s 466=1 -s 467=1 -s 468=1 -s 469=1 -s 353=0x301 -s 354=0x103 ") +
                      "-s 355=0x202 -s 356=0x303 " + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto labels = Pages("labels.prn");
  ASSERT_EQ(labels.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("page " + std::to_string(i + 1));
    const PbmPage& p = plain[i];
    const LONG w = p.width, h = p.height;
    const Box bottomRight = ExtraInk(labels[i], p, Box{w / 2, h * 7 / 8, w, h, 0});
    const Box topRight = ExtraInk(labels[i], p, Box{w / 2, 0, w, h / 8, 0});
    const Box bottomLeft = ExtraInk(labels[i], p, Box{0, h * 7 / 8, w / 2, h, 0});
    const Box middle = ExtraInk(labels[i], p, Box{w / 4, h * 3 / 8, w * 3 / 4, h * 5 / 8, 0});
    for (const Box* b : {&bottomRight, &topRight, &bottomLeft, &middle}) EXPECT_GT(b->dots, 20u);
    EXPECT_GT(bottomRight.right, w - 40);
    EXPECT_GT(bottomRight.bottom, h - 60);
    EXPECT_GT(topRight.right, w - 40);
    EXPECT_LT(topRight.top, 60);
    EXPECT_LT(bottomLeft.left, 40);
    EXPECT_GT(bottomLeft.bottom, h - 60);
    EXPECT_NEAR((middle.left + middle.right) / 2, w / 2, w / 20);
    EXPECT_EQ(ExtraInk(labels[i], p, Box{0, 0, w / 2, h / 8, 0}).dots, 0u);
    EXPECT_EQ(ExtraInk(labels[i], p, Whole(p)).dots, bottomRight.dots + topRight.dots + bottomLeft.dots + middle.dots);
    EXPECT_EQ(LostInk(labels[i], p), 0u);
  }

  // A tiled stamp without a frame: ink in every cell of a 3 x 3 grid.
  r = Gdihost("-o tiled.prn -s 297=Confidential -s 299=CONFIDENTIAL -s 302=0 -s 306=40 -s 456=1 " + std::string(kDoc));
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto tiled = Pages("tiled.prn");
  ASSERT_EQ(tiled.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const PbmPage& p = plain[i];
    for (LONG gy = 0; gy < 3; ++gy)
      for (LONG gx = 0; gx < 3; ++gx)
        EXPECT_GT(ExtraInk(tiled[i], p,
                           Box{gx * p.width / 3, gy * p.height / 3, (gx + 1) * p.width / 3, (gy + 1) * p.height / 3, 0})
                      .dots,
                  200u)
            << "page " << i + 1 << " cell " << gx << "," << gy;
  }
}

// A framed tiled stamp: the library draws every copy and its frame where
// the first goes, the driver moves both (the frame arrives as a fill of the
// wide pen's outline or a stroke), so every copy's frame is ink at its own
// place. Adjacent frames meet in lines across the page: in every cell of a
// 3 x 3 grid over it some rows are ink nearly all across the cell, which a
// stack of frames at the first copy would not give.
TEST_F(InterfaceTest, FramedTiledStampFramesEveryCopy) {
  ASSERT_EQ(Gdihost(std::string("-o plain.prn ") + kDoc).exit, 0);
  const auto plain = Pages("plain.prn");
  ASSERT_EQ(plain.size(), 3u);
  // A 40-point stamp's frame pen is wide (its outline filled through
  // DrvBitBlt); a 3-point one's is one dot (DrvStrokePath).
  struct Case {
    const char* points;
    const char* frameCall;
  };
  for (const Case& c : {Case{"40", "DrvBitBlt"}, Case{"3", "DrvStrokePath"}}) {
    SCOPED_TRACE(std::string("stamp font ") + c.points);
    HostRun r = Gdihost(std::string("-o framed.prn -s 297=Confidential -s 299=CONFIDENTIAL -s 302=1 -s 456=1 -s 306=") +
                        c.points + " " + kDoc);
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_GT(Lines(r, c.frameCall).size(), 50u);
    const auto framed = Pages("framed.prn");
    ASSERT_EQ(framed.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      const PbmPage& p = plain[i];
      for (LONG gy = 0; gy < 3; ++gy)
        for (LONG gx = 0; gx < 3; ++gx) {
          const LONG x0 = gx * p.width / 3, x1 = (gx + 1) * p.width / 3;
          int lines = 0;
          for (LONG y = gy * p.height / 3; y < (gy + 1) * p.height / 3; ++y) {
            LONG ink = 0;
            for (LONG x = x0; x < x1; ++x) ink += framed[i].Ink(x, y) && !p.Ink(x, y);
            lines += ink * 10 >= (x1 - x0) * 9;
          }
          EXPECT_GT(lines, 0) << "page " << i + 1 << " cell " << gx << "," << gy;
        }
      EXPECT_EQ(LostInk(framed[i], p), 0u);
    }
  }
}

// Labels and a tiled stamp on several pages per sheet belong to the sheet:
// the labels at the sheet's corners at full size, the copies over the whole
// sheet, not in the last page's cell. On two pages per sheet the marks are
// placed in the sheet turned as its pages are: a label at the top left of
// that frame is at the sheet's bottom left, one at the bottom right at the
// sheet's top right. Each sheet carries its marks once; the closing
// brackets are played in every band with the marks, ending their offsets.
TEST_F(InterfaceTest, MarksOfAnNupSheetGoOnTheWholeSheet) {
  struct Case {
    const char* pages;
    size_t sheets;
    bool turned;
  };
  for (const Case& c : {Case{"4", 1, false}, Case{"2", 2, true}}) {
    SCOPED_TRACE(std::string("pages per sheet ") + c.pages);
    const std::string layout = std::string("-s 295=") + c.pages + " ";
    ASSERT_EQ(Gdihost("-o plain.prn " + layout + kDoc).exit, 0);
    const auto plain = Pages("plain.prn");
    ASSERT_EQ(plain.size(), c.sheets);

    // The document's name at the frame's top left, the page number at its
    // bottom right.
    HostRun r = Gdihost("-o labels.prn " + layout + "-s 466=1 -s 467=1 -s 353=0x101 -s 354=0x303 " + kDoc);
    ASSERT_EQ(r.exit, 0) << r.err;
    size_t closed = 0;
    for (const std::string& l : r.trace)
      closed += l.rfind("DrvEscape 20488", 0) == 0 && l.find(" answered 1 in the band") != std::string::npos;
    EXPECT_GT(closed, 0u);
    const auto labels = Pages("labels.prn");
    ASSERT_EQ(labels.size(), c.sheets);
    for (size_t i = 0; i < c.sheets; ++i) {
      SCOPED_TRACE("sheet " + std::to_string(i + 1));
      const PbmPage& p = plain[i];
      const LONG w = p.width, h = p.height;
      // Where the frame's top-left and bottom-right corners are on the sheet.
      const Box first = c.turned ? Box{0, h * 3 / 4, w / 8, h, 0} : Box{0, 0, w / 2, h / 8, 0};
      const Box last = c.turned ? Box{w * 7 / 8, 0, w, h / 4, 0} : Box{w / 2, h * 7 / 8, w, h, 0};
      const Box a = ExtraInk(labels[i], p, first), b = ExtraInk(labels[i], p, last);
      EXPECT_GT(a.dots, 100u);
      EXPECT_GT(b.dots, 20u);
      if (c.turned) {
        EXPECT_LT(a.left, 60);
        EXPECT_GT(a.bottom, h - 40);
        EXPECT_GT(b.right, w - 60);
        EXPECT_LT(b.top, 40);
      } else {
        EXPECT_LT(a.left, 40);
        EXPECT_LT(a.top, 60);
        EXPECT_GT(b.right, w - 40);
        EXPECT_GT(b.bottom, h - 60);
      }
      // Full size: a label's text is as tall as on one page per sheet (a
      // 10-point face at 300 dpi is some 40 dots), not scaled into a cell.
      EXPECT_GT(c.turned ? a.right - a.left : a.bottom - a.top, 25);
      EXPECT_EQ(ExtraInk(labels[i], p, Whole(p)).dots, a.dots + b.dots);
      EXPECT_EQ(LostInk(labels[i], p), 0u);
    }

    // A stamp per sheet tiled over it: ink in every cell of a 3 x 3 grid
    // over each sheet.
    r = Gdihost("-o tiled.prn " + layout + "-s 297=Confidential -s 299=CONFIDENTIAL -s 302=0 -s 306=40 -s 456=1 " +
                kDoc);
    ASSERT_EQ(r.exit, 0) << r.err;
    const auto tiled = Pages("tiled.prn");
    ASSERT_EQ(tiled.size(), c.sheets);
    for (size_t i = 0; i < c.sheets; ++i) {
      const PbmPage& p = plain[i];
      for (LONG gy = 0; gy < 3; ++gy)
        for (LONG gx = 0; gx < 3; ++gx)
          EXPECT_GT(
              ExtraInk(tiled[i], p,
                       Box{gx * p.width / 3, gy * p.height / 3, (gx + 1) * p.width / 3, (gy + 1) * p.height / 3, 0})
                  .dots,
              200u)
              << "sheet " << i + 1 << " cell " << gx << "," << gy;
      EXPECT_EQ(LostInk(tiled[i], p), 0u);
    }
  }
}

}  // namespace
}  // namespace e2e
