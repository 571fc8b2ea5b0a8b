// The preview document: opening with the fit percent and the display limit,
// zoom steps, page moves, rotation, the shown percent, one view update per
// success, and the containment of every failure (one message, state kept).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/mfc/cview.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview/preview_guard.h"
#include "preview_test_support.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_alloc.h"

namespace {

class CountingView : public CView {
 public:
  int updates = 0;

 protected:
  void OnUpdate(CView*, LPARAM, CObject*) override { ++updates; }
};

class DocumentTest : public PreviewTest {
 protected:
  void SetUp() override {
    PreviewTest::SetUp();
    root_ = pk::seams::UseTemporaryMachineRoot();
    theApp.m_szIniPath[0] = 0;  // no settings file: the default fit box
    PkSetHostPathMode(TRUE);    // as the preview runs: fixtures are host files
  }
  // A white bilevel page made by netpbm.
  std::string Blank(const std::string& name, int width, int height, int xdpi, int ydpi) {
    EXPECT_TRUE(Sh("pbmmake -white " + std::to_string(width) + " " + std::to_string(height) +
                   " | pnmtotiff -g4 -xresolution " + std::to_string(xdpi) + " -yresolution " + std::to_string(ydpi) +
                   " > " + name));
    return Path(name);
  }
  // Opens a file as the framework does.
  BOOL Open(CDravixDoc& doc, const std::string& path) { return doc.OpenDocumentFile(path.c_str()); }
  size_t Messages() const { return pk::seams::MessageBoxCalls().size(); }
  std::u16string LastMessage() const {
    auto calls = pk::seams::MessageBoxCalls();
    return calls.empty() ? std::u16string() : calls.back().text;
  }
  std::string root_;
};

bool Contains(const std::u16string& text, const std::string& part) {
  return text.find(std::u16string(part.begin(), part.end())) != std::u16string::npos;
}

TEST_F(DocumentTest, HostFilesOpenOnlyInHostPathMode) {
  std::string file = Blank("a.tif", 100, 100, 200, 200);
  for (BOOL on : {FALSE, TRUE}) {
    PkSetHostPathMode(on);
    FileInputStorage storage;
    EXPECT_TRUE(storage.open(file.c_str())) << on;
  }
  PkSetHostPathMode(FALSE);
  {
    CDravixDoc doc;
    EXPECT_FALSE(Open(doc, file));
    EXPECT_EQ(Messages(), 1u);  // the framework's
  }
  PkSetHostPathMode(TRUE);
  CDravixDoc doc;
  EXPECT_TRUE(Open(doc, file));
  EXPECT_EQ(doc.GetPathName(), file);
}

TEST_F(DocumentTest, OpenFitsTheFirstPageOrShowsNothingWhenTooLarge) {
  {
    CDravixDoc doc;
    CountingView view;
    doc.AddView(&view);
    EXPECT_TRUE(Open(doc, Blank("big.tif", 9921, 14031, 200, 200)));
    EXPECT_EQ(doc.GetDisplayState(), 0);
    EXPECT_EQ(doc.GetCurrentPage(), 1u);
    EXPECT_EQ(doc.GetInterface()->GetBits(), nullptr);
    EXPECT_EQ(view.updates, 0);
  }
  // The limit: 1230 mm shown, 1231 not.
  for (auto [width, state] : {std::pair{14533, 1}, std::pair{14534, 0}}) {
    CDravixDoc doc;
    EXPECT_TRUE(Open(doc, Blank("edge.tif", width, 10, 300, 300)));
    EXPECT_EQ(doc.GetDisplayState(), state) << width;
  }
  CDravixDoc doc;
  CountingView view;
  doc.AddView(&view);
  doc.SetFitWidth(700);
  doc.SetFitHeight(500);
  EXPECT_TRUE(Open(doc, Blank("letter.tif", 1700, 2200, 200, 200)));
  EXPECT_EQ(doc.GetDisplayState(), 1);
  EXPECT_EQ(doc.GetZoomPercent(), 23);
  EXPECT_EQ(doc.GetZoomMode(), 2);
  EXPECT_EQ(doc.GetInterface()->GetDisplayWidth(), 391);
  EXPECT_EQ(doc.GetInterface()->GetDisplayHeight(), 506);
  EXPECT_EQ(doc.ShownZoomPercent(), 64);
  EXPECT_EQ(view.updates, 1);

  // A colour page of 150 dpi below half size.
  Pnm("photo.ppm", 1275, 1650, true, [](int x, int) { return std::vector<uint8_t>{uint8_t(x), 90, 200}; });
  ASSERT_TRUE(Sh("pnmtotiff -lzw -xresolution 150 -yresolution 150 photo.ppm > photo.tif"));
  EXPECT_TRUE(Open(doc, Path("photo.tif")));
  EXPECT_EQ(doc.GetZoomPercent(), 30);
  EXPECT_EQ(doc.GetInterface()->GetDisplayWidth(), 383);
  EXPECT_EQ(doc.GetInterface()->GetDisplayHeight(), 495);
}

TEST_F(DocumentTest, ZoomStepsFollowTheShownPercent) {
  CDravixDoc doc;
  CountingView view;
  doc.AddView(&view);
  ASSERT_TRUE(Open(doc, Blank("p72.tif", 1000, 100, 72, 72)));
  RECT rect{0, 0, 700, 500};
  struct Case {
    int start, step, after;
  } cases[] = {{26, -1, 25}, {25, -1, 25}, {199, 1, 200}, {200, 1, 200}, {60, -1, 50}, {60, 1, 75}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " step " + std::to_string(c.step));
    ASSERT_TRUE(doc.SetZoom(c.start, 1));
    ASSERT_EQ(doc.ShownZoomPercent(), c.start);
    int before = view.updates;
    EXPECT_TRUE(doc.StepZoom(c.step, rect));
    EXPECT_EQ(doc.ShownZoomPercent(), c.after);
    EXPECT_EQ(view.updates - before, c.after != c.start ? 1 : 0);
  }
  // At 72 x 72 dpi the other of modes 0 and 1 at the same percent renders
  // nothing.
  ASSERT_TRUE(doc.SetZoom(80, 1));
  int before = view.updates;
  EXPECT_TRUE(doc.SetZoom(80, 0));
  EXPECT_EQ(doc.GetDisplayState(), 2);
  EXPECT_EQ(doc.GetZoomMode(), 1);
  EXPECT_EQ(view.updates, before);
  // Fit step: the rectangle becomes the fit box.
  EXPECT_TRUE(doc.StepZoom(0, rect));
  EXPECT_EQ(doc.GetZoomMode(), 2);
  EXPECT_EQ(doc.GetFitWidth(), 700);
}

TEST_F(DocumentTest, PageMovesRefitInFitModeAndRotationResets) {
  Blank("p1.tif", 800, 1000, 100, 100);
  Blank("p2.tif", 1600, 1000, 100, 100);
  Blank("p3.tif", 800, 1000, 100, 100);
  ASSERT_TRUE(Sh("tiffcp p1.tif p2.tif p3.tif three.tif"));
  CDravixDoc doc;
  CountingView view;
  doc.AddView(&view);
  doc.SetFitWidth(400);
  doc.SetFitHeight(400);
  ASSERT_TRUE(Open(doc, Path("three.tif")));
  EXPECT_EQ(doc.GetPageCount(), 3);
  EXPECT_EQ(doc.GetZoomPercent(), 40);
  EXPECT_TRUE(doc.MovePage(1, 0));
  EXPECT_EQ(doc.GetCurrentPage(), 2u);
  EXPECT_EQ(doc.GetZoomPercent(), 25);  // refitted
  EXPECT_EQ(doc.GetDisplayState(), 1);
  ASSERT_TRUE(doc.SetZoom(50, 1));
  EXPECT_TRUE(doc.MovePage(2, 0));
  EXPECT_EQ(doc.GetCurrentPage(), 3u);
  EXPECT_EQ(doc.GetZoomPercent(), 50);  // kept in mode 1
  int before = view.updates;
  EXPECT_TRUE(doc.MovePage(1, 0));  // already last: nothing
  EXPECT_EQ(view.updates, before);

  // Four quarter turns: 360 and four renders; a move then resets to 0.
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(doc.Rotate(90, false));
  EXPECT_EQ(doc.GetRotation(), 360);
  EXPECT_EQ(view.updates - before, 4);
  EXPECT_TRUE(doc.MovePage(-2, 0));
  EXPECT_EQ(doc.GetRotation(), 0);
  EXPECT_TRUE(doc.Rotate(90, true));
  EXPECT_TRUE(doc.MovePage(0, 2));
  EXPECT_EQ(doc.GetRotation(), 90);
  EXPECT_EQ(doc.GetInterface()->GetDisplayWidth(), 360);  // 1000 high at 100 dpi, 50 % of 72 dpi, turned
  EXPECT_TRUE(doc.Rotate(1, true));
  EXPECT_EQ(doc.GetRotation(), 0);
}

TEST_F(DocumentTest, ShownPercentAfterAQuarterTurnUsesTheBitmapHeight) {
  CDravixDoc doc;
  ASSERT_TRUE(Open(doc, Blank("tall.tif", 1000, 3000, 200, 200)));
  ASSERT_TRUE(doc.SetZoom(100, 1));
  ASSERT_TRUE(doc.Rotate(90, false));
  EXPECT_EQ(doc.GetInterface()->GetDisplayWidth(), 1080);
  EXPECT_EQ(doc.GetInterface()->GetDisplayHeight(), 360);
  EXPECT_EQ(doc.ShownZoomPercent(), 100);
}

TEST_F(DocumentTest, FailedMoveKeepsThePageAndFailedStepThePercent) {
  Blank("p1.tif", 300, 400, 100, 100);
  Blank("p2.tif", 300, 400, 100, 100);
  ASSERT_TRUE(Sh("tiffcp -c zip p2.tif z2.tif && tiffcp p1.tif z2.tif two.tif"));
  CDravixDoc doc;
  CountingView view;
  doc.AddView(&view);
  ASSERT_TRUE(Open(doc, Path("two.tif")));
  const RgbImage shown = BitmapImage(*doc.GetInterface());
  const int updates = view.updates;
  CDravixApp app;
  int code = RunPreviewGuarded(app, [&] {
    EXPECT_FALSE(doc.MovePage(1, 0));
    return app.ExitInstance();
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Messages(), 1u);
  EXPECT_TRUE(Contains(LastMessage(), "two.tif"));
  EXPECT_TRUE(Contains(LastMessage(), "-305")) << std::string(LastMessage().begin(), LastMessage().end());
  EXPECT_EQ(doc.GetCurrentPage(), 1u);
  EXPECT_EQ(BitmapImage(*doc.GetInterface()), shown);
  EXPECT_EQ(view.updates, updates);

  // The file gone: a step fails and keeps the percent.
  ASSERT_TRUE(doc.SetZoom(50, 1));
  const int updatesBefore = view.updates;
  const int percent = doc.GetZoomPercent();
  std::remove(Path("two.tif").c_str());
  EXPECT_FALSE(doc.StepZoom(1, RECT{0, 0, 10, 10}));
  EXPECT_EQ(doc.GetZoomPercent(), percent);
  EXPECT_EQ(Messages(), 2u);
  EXPECT_EQ(view.updates, updatesBefore);
}

TEST_F(DocumentTest, BadFilesFailTheOpenWithOneMessage) {
  Pnm("pic.ppm", 6, 4, true, [](int, int) { return std::vector<uint8_t>{1, 2, 3}; });
  ASSERT_TRUE(Sh("pnmtotiff pic.ppm > zero.tif && tiffset -s 256 0 zero.tif"));
  ASSERT_TRUE(Sh("/usr/bin/convert -size 6x4 xc:red -colorspace Lab -depth 16 lab.tif"));
  CDravixDoc doc;
  CountingView view;
  doc.AddView(&view);
  EXPECT_FALSE(Open(doc, Path("zero.tif")));
  EXPECT_EQ(Messages(), 1u);
  EXPECT_TRUE(doc.GetPathName().empty());

  // A file shown before stays when a 16-bit Lab page is refused.
  std::string good = Blank("good.tif", 200, 300, 100, 100);
  ASSERT_TRUE(Open(doc, good));
  const RgbImage shown = BitmapImage(*doc.GetInterface());
  const int updates = view.updates;
  CDravixApp app;
  BOOL opened = TRUE;
  EXPECT_EQ(RunPreviewGuarded(app,
                              [&] {
                                opened = Open(doc, Path("lab.tif"));
                                return app.ExitInstance();
                              }),
            0);
  EXPECT_FALSE(opened);
  EXPECT_EQ(Messages(), 2u);
  std::u16string text = LastMessage();
  EXPECT_TRUE(Contains(text, "lab.tif"));
  EXPECT_TRUE(Contains(text, "gina 1 "));
  EXPECT_TRUE(Contains(text, "-50"));
  EXPECT_TRUE(Contains(text, "RstReadTIFF::create()"));
  EXPECT_EQ(doc.GetPathName(), good);
  EXPECT_EQ(BitmapImage(*doc.GetInterface()), shown);
  EXPECT_EQ(view.updates, updates);
  EXPECT_TRUE(doc.SetZoom(50, 0));  // the page shown is still usable

  // The tool says the same and ends with 2.
  std::string tool = std::string(PK_TEST_TOOLS_DIR) + "/render_page";
  EXPECT_TRUE(Sh("'" + tool + "' lab.tif 1 100 0 0 out.ppm 2> err.txt; test $? -eq 2"));
  std::ifstream err(Path("err.txt"));
  std::string line;
  std::getline(err, line);
  EXPECT_EQ(line, "error -50: RstReadTIFF::create()");
}

TEST_F(DocumentTest, RenderFailuresShowOneMessageEach) {
  ASSERT_TRUE(
      Sh("/usr/bin/convert -size 8x8 xc:black -fill white -draw 'point 1,1' -type Palette -colors 2 "
         "pal.tif"));
  CDravixDoc doc;
  EXPECT_FALSE(Open(doc, Path("pal.tif")));
  EXPECT_EQ(Messages(), 1u);
  EXPECT_EQ(doc.GetInterface()->GetBits(), nullptr);

  // An allocation failing anywhere in a render: false and one message, or
  // the render as it should be; nothing leaks (the checked build tells).
  ASSERT_TRUE(Open(doc, Blank("a.tif", 300, 200, 100, 100)));
  size_t messages = Messages();
  int failures = 0;
  for (int64_t n = 1; n < 200; ++n) {
    ASSERT_TRUE(doc.SetZoom(100, 0));
    RstAllocFault::fail_nth(n);
    bool ok = doc.SetZoom(40, 1);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (!reached) {
      EXPECT_TRUE(ok);
      break;
    }
    if (!ok) {
      ++failures;
      EXPECT_EQ(Messages(), ++messages);
      EXPECT_EQ(doc.GetZoomPercent(), 100);
      EXPECT_EQ(doc.GetInterface()->GetDisplayWidth(), 300);
    }
  }
  EXPECT_GT(failures, 3);
}

TEST_F(DocumentTest, SmallStoredWindowStillOpens) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Temp", nullptr) || true);
  pk::seams::SetTempPath(u"C:\\Temp");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Temp\\BRISCA", nullptr));
  ASSERT_EQ(CDravixApp::BuildIniPath(theApp.m_szIniPath), 1);
  WritePrivateProfileStringA("WINDOWINFO", "YSIZE_IMAGE", "50", theApp.m_szIniPath);
  CDravixDoc doc;
  EXPECT_EQ(doc.GetFitHeight(), 1);
  EXPECT_TRUE(Open(doc, Blank("a.tif", 500, 500, 100, 100)));
  EXPECT_EQ(doc.GetZoomPercent(), 1);
  EXPECT_EQ(doc.GetDisplayState(), 1);
  theApp.m_szIniPath[0] = 0;
}

TEST_F(DocumentTest, NoFileMeansNothingToDo) {
  CDravixDoc doc;
  EXPECT_TRUE(doc.OnNewDocument());
  EXPECT_TRUE(doc.SetZoom(50, 1));
  EXPECT_TRUE(doc.StepZoom(1, RECT{0, 0, 10, 10}));
  EXPECT_TRUE(doc.MovePage(1, 0));
  EXPECT_TRUE(doc.Rotate(90, false));
  EXPECT_EQ(doc.GetDisplayState(), 0);
  EXPECT_EQ(doc.ShownZoomPercent(), 0);
  EXPECT_EQ(Messages(), 0u);
}

}  // namespace
