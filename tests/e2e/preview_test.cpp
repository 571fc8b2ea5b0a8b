// The preview route with the real preview program of the driver folder in a
// window under Xvfb: Ctrl+P prints what the preview held, closing the window
// prints nothing, a preview with save to file saves the TIFF it showed, and a
// driver folder without the program prints the job (a failed start asks for
// printing). Every run leaves the temporary folder empty.
#include "e2e_fixture.h"

namespace e2e {
namespace {

const char kDoc[] = "docs/three_pages.txt";

enum class Answer { Print, Close };

class PreviewTest : public E2eTest {
 protected:
  // gdihost under a fresh Xvfb: once the preview has painted, the files of
  // the temporary folder are copied to held/, then Ctrl+P or the exit
  // command ends the preview, and the test waits for gdihost.
  HostRun PreviewRun(const std::string& options, Answer answer) {
    if (!HaveTool("xvfb-run") || !HaveTool("xdotool")) {
      ADD_FAILURE() << "xvfb-run or xdotool missing";
      return {};
    }
    const std::string trace = root_ + "/trace" + std::to_string(++runs_) + ".txt";
    const std::string paint = root_ + "/paint.txt", held = root_ + "/held";
    fs::create_directories(held);
    const std::string keys =
        answer == Answer::Print ? "xdotool key ctrl+p\n" : "xdotool key alt+v\nsleep 0.7\nxdotool key x\n";
    std::ofstream(root_ + "/preview.sh")
        << "export GDK_BACKEND=x11 NO_AT_BRIDGE=1 LSAN_OPTIONS=suppressions=" PK_LSAN_GUI " LINDVAR_PAINT_TRACE='"
        << paint << "'\n"
        << GdihostCommand(options, trace) << " 2> gdihost.err & pid=$!\n"
        << "for i in $(seq 900); do [ -s '" << paint
        << "' ] && break; kill -0 $pid 2>/dev/null || exit 9; sleep 0.1; done\n"
        << "w=''\nfor i in $(seq 100); do w=$(xdotool search --name Visualiza | head -1); [ -n \"$w\" ] && break; "
           "sleep 0.1; done\n"
        << "cp '" << Brisca() << "'/* '" << held << "'/ 2>/dev/null\n"
        << "xdotool windowfocus --sync $w\nsleep 0.5\n"
        << keys << "wait $pid\necho $? > exit.txt\n";
    static int display = 0;
    const std::string xvfb = "xvfb-run -a -n " + std::to_string(500 + (getpid() % 300) * 4 + (display++ % 4)) +
                             " -s '-screen 0 1280x1024x24' ";
    HostRun r;
    const int script = Shell("timeout 150 " + xvfb + "sh preview.sh", &r.err);
    r.err += ReadAll(root_ + "/gdihost.err");
    EXPECT_EQ(script, 0) << r.err;
    std::ifstream(root_ + "/exit.txt") >> r.exit;
    r.trace = SplitLines(ReadAll(trace));
    return r;
  }
  std::string Held(const std::string& suffix) const {
    std::error_code ec;
    for (fs::directory_iterator it(root_ + "/held", ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        return it->path().string();
    }
    return std::string();
  }
  // The preview program of the driver folder.
  std::string Lindvar() const {
    std::string out;
    Shell("find '" + root_ + "/c' -name Lindvar -type f", &out);
    return out.substr(0, out.find('\n'));
  }
};

// Ctrl+P: the spooler job is the PJL job "PRV.pjl" held while the preview ran.
TEST_F(PreviewTest, StartPrintingSendsThePreviewJob) {
  HostRun r = PreviewRun(std::string("-o job.prn -s 475=1 ") + kDoc, Answer::Print);
  ASSERT_EQ(r.exit, 0) << r.err;
  const std::string held = Held("PRV.pjl");
  ASSERT_FALSE(held.empty()) << ReadAll(root_ + "/preview.sh");
  EXPECT_EQ(ReadAll(root_ + "/job.prn"), ReadAll(held));
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
}

// Without PJL output the spooler job is the multi-page TIFF the preview showed.
TEST_F(PreviewTest, StartPrintingWithoutPjlSendsTheTiff) {
  HostRun r = PreviewRun(std::string("-o job.prn -s 475=1 --printer-set 1032=0 ") + kDoc, Answer::Print);
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Held("PRV.pjl").empty());
  const std::string shown = Held(".tmp");
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(ReadAll(root_ + "/job.prn"), ReadAll(shown));
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
}

// Closed without printing: an empty spooler job.
TEST_F(PreviewTest, ClosedPreviewPrintsNothing) {
  HostRun r = PreviewRun(std::string("-o job.prn -s 475=1 ") + kDoc, Answer::Close);
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_FALSE(Held("PRV.pjl").empty());
  EXPECT_EQ(fs::file_size(root_ + "/job.prn"), 0u);
}

// Preview with save as TIFF: the save file is the TIFF the preview showed.
TEST_F(PreviewTest, StartPrintingSavesTheShownTiff) {
  fs::create_directories(Host(u"C:\\Out"));
  HostRun r =
      PreviewRun(std::string("-o job.prn -s 475=1 -s 471=1 --printer-set 1040=0 --printer-set '1051=C:\\Out' ") + kDoc,
                 Answer::Print);
  ASSERT_EQ(r.exit, 0) << r.err;
  const std::string shown = Held(".tmp");
  ASSERT_FALSE(shown.empty());
  const std::string saved = Host(u"C:\\Out\\Three pages.tif");
  EXPECT_EQ(ReadAll(saved), ReadAll(shown));
  ASSERT_EQ(JobCheck("--pages 3 '" + saved + "'"), 0);
  EXPECT_EQ(fs::file_size(root_ + "/job.prn"), 0u);
}

// A driver folder without the preview program: the failed start counts as a
// request to print, with PJL output on and off.
TEST_F(PreviewTest, MissingPreviewProgramPrintsTheJob) {
  Gdihost("-o first.prn docs/three_pages.txt");  // sets the root up
  const std::string program = Lindvar();
  ASSERT_FALSE(program.empty());
  fs::remove(program);
  for (const char* pjl : {"1", "0"}) {
    SCOPED_TRACE(std::string("PJL output ") + pjl);
    HostRun r = Gdihost(std::string("-o job.prn -s 475=1 --printer-set 1032=") + pjl + " " + kDoc);
    ASSERT_EQ(r.exit, 0) << r.err;
    std::string out;
    ASSERT_EQ(JobCheck("--pages 3 job.prn", &out), 0);
    EXPECT_NE(out.find(pjl[0] == '1' ? "3 TIFF files" : "1 TIFF file,"), std::string::npos) << out;
  }
}

// Preview with save as PJL but no PJL output: no "PRV.pjl" is written, so the
// copy at the print request fails; one box says where the job is kept, and
// the kept TIFF is the one file left in the temporary folder.
TEST_F(PreviewTest, SaveAsPjlWithoutPjlKeepsTheTiff) {
  Gdihost("-o first.prn docs/three_pages.txt");
  fs::remove(Lindvar());
  fs::create_directories(Host(u"C:\\Out"));
  HostRun r =
      Gdihost(std::string("-o job.prn -s 475=1 -s 471=1 --printer-set 1040=1 --printer-set 1032=0 --printer-set "
                          "'1051=C:\\Out' --answer OK ") +
              kDoc);
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(Lines(r, "MessageBox").size(), 1u);
  EXPECT_TRUE(fs::is_empty(Host(u"C:\\Out")));
  const std::vector<std::string> left = BriscaFiles();
  ASSERT_EQ(left.size(), 1u);
  ASSERT_EQ(JobCheck("--pages 3 '" + Brisca() + "/" + left[0] + "'"), 0);
  expectClean_ = false;
  EXPECT_TRUE(RegisteredTempFiles().empty());
}

}  // namespace
}  // namespace e2e
