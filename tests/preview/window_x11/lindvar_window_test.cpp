// Lindvar in a real window (Xvfb, xdotool, import): after each step the
// screen under the paint trace's rectangle equals that part of render_page's
// image of the traced page, percent, mode and angle (the headless back end's
// paints after the same steps equal render_page's image too); Ctrl+P ends with 1
// and the settings written, the exit command with 0; started by _spawnlp
// with a job at a Windows path, the exit code comes back to the caller;
// under a window manager a maximised close is kept for the next start; the
// context menu's profile M export writes the shown file with the defaults.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/name_text.h"
#include "platform/win/win_path.h"
#include "platform/win/win_process.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "raster/geometry/charts.h"

namespace {

int Shell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// xvfb-run with a server number of this process, so that window tests run
// side by side do not race for the same display.
std::string XvfbRun() {
  static int next = 0;
  return "xvfb-run -a -n " + std::to_string(100 + (getpid() % 400) * 8 + (next++ % 8)) +
         " -s '-screen 0 1280x1024x24' ";
}

bool Have(const char* tool) { return Shell(std::string("command -v ") + tool + " >/dev/null 2>&1") == 0; }

struct Trace {
  uint32_t page = 0;
  int percent = 0, mode = 0, angle = 0;
  int x = 0, y = 0, w = 0, h = 0, ox = 0, oy = 0;
};

// The samples of a binary 8-bit PPM, top row first; empty when it is none.
std::vector<unsigned char> ReadPpm(const std::string& path, int* width, int* height) {
  std::ifstream ppm(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  ppm >> magic >> *width >> *height >> maxval;
  ppm.get();
  if (magic != "P6" || maxval != 255 || *width <= 0 || *height <= 0) return {};
  std::vector<unsigned char> data(static_cast<size_t>(*width) * static_cast<size_t>(*height) * 3);
  ppm.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return ppm ? data : std::vector<unsigned char>{};
}

bool ReadTrace(const std::string& path, Trace* t) {
  std::ifstream in(path);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  std::istringstream f(last);
  return bool(f >> t->page >> t->percent >> t->mode >> t->angle >> t->x >> t->y >> t->w >> t->h >> t->ox >> t->oy);
}

class LindvarWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Have("xvfb-run") || !Have("xdotool") || !Have("import")) GTEST_SKIP() << "xvfb-run, xdotool or import missing";
    root_ = pk::seams::UseTemporaryMachineRoot();
    dir_ = ::testing::TempDir() + "lindvar-XXXXXX";
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
    // The settings folder, as the driver makes it, in the root's temp folder.
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(pk::Utf8ToUtf16(temp).c_str(), nullptr, &host), 0u);
    brisca_ = host + "/Brisca";
    std::filesystem::create_directories(brisca_);
    std::string files;
    for (int n = 1; n <= 3; ++n) files += " " + chart_file(n);
    charts_ = dir_ + "/charts.tif";
    ASSERT_EQ(Shell("/usr/bin/convert" + files + " -density 200 -units PixelsPerInch -compress Group4 " + charts_), 0);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // The environment lines every script starts with, and started(): waits
  // (bounded) for the program's first paint and finds its window in $w.
  std::string Env() const {
    return "export GDK_BACKEND=x11 NO_AT_BRIDGE=1 PK_MACHINE_ROOT='" + root_ + "' LINDVAR_PAINT_TRACE='" + dir_ +
           "/trace.txt' LSAN_OPTIONS=suppressions=" PK_LSAN_GUI
           "\n"
           "started() { for i in $(seq 600); do [ -s \"$1\" ] && break; kill -0 $pid 2>/dev/null || return 1; "
           "sleep 0.1; done; for i in $(seq 100); do w=$(xdotool search --name Visualiza | head -1); "
           "[ -n \"$w\" ] && return 0; sleep 0.1; done; return 1; }\n";
  }
  // Runs a script under a fresh Xvfb; its exit code.
  int RunX(const std::string& body) const {
    std::string script = dir_ + "/run.sh";
    std::ofstream(script) << "set -u\n" << Env() << body;
    return Shell("timeout 120 " + XvfbRun() + "sh " + script + " 2>" + dir_ + "/x.err");
  }
  std::string Settings() const {
    std::ifstream in(brisca_ + "/Brisca.ini");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string root_, dir_, brisca_, charts_;
};

// Shell steps: run an action, wait until it has painted (a new trace line)
// and settled, then keep the screen and the trace line as step N.
std::string Step(const std::string& dir, int n, const std::string& action) {
  std::string t = dir + "/trace.txt";
  std::string k = std::to_string(n);
  return "lines=$(wc -l < " + t + ")\n" + action + "\nfor i in $(seq 300); do [ $(wc -l < " + t +
         ") -gt $lines ] && break; sleep 0.1; done\nsleep 0.8\nimport -window root " + dir + "/shot" + k +
         ".png\ntail -n 1 " + t + " > " + dir + "/step" + k + ".txt\n";
}

TEST_F(LindvarWindowTest, StepsShowRenderPagesImageAndStartPrintingEndsWithOne) {
  std::string d = dir_;
  std::string body = "timeout 100 " PK_LINDVAR " '" + charts_ + "' > " + d + "/out.txt 2> " + d +
                     "/err.txt & pid=$!\n" + "started " + d + "/trace.txt\nxdotool windowfocus --sync $w\nsleep 0.8\n" +
                     "tail -n 1 " + d + "/trace.txt > " + d + "/step0.txt\nimport -window root " + d + "/shot0.png\n" +
                     Step(d, 1, "xdotool key Next") + Step(d, 2, "xdotool key End") + Step(d, 3, "xdotool key Home") +
                     // The zoom dialog: 50 % by its mnemonic, then OK.
                     Step(d, 4, "xdotool key ctrl+m\nsleep 1.5\nxdotool key alt+2\nsleep 0.3\nxdotool key Return") +
                     // The context menu: the thirteenth item turns right by 90.
                     Step(d, 5,
                          "xdotool mousemove --window $w 200 300 click 3\nsleep 1\n"
                          "for i in $(seq 13); do xdotool key Down; done\nxdotool key Return") +
                     "xdotool key ctrl+p\nwait $pid\n";
  int code = RunX(body);
  EXPECT_EQ(code, 1);
  struct Expect {
    uint32_t page;
    int mode;
    int angle;
  };
  const Expect expected[] = {{1, 2, 0}, {2, 2, 0}, {3, 2, 0}, {1, 2, 0}, {1, 1, 0}, {1, 1, 90}};
  for (int n = 0; n < 6; ++n) {
    SCOPED_TRACE("step " + std::to_string(n));
    Trace t;
    ASSERT_TRUE(ReadTrace(dir_ + "/step" + std::to_string(n) + ".txt", &t));
    EXPECT_EQ(t.page, expected[n].page);
    EXPECT_EQ(t.mode, expected[n].mode);
    EXPECT_EQ(t.angle, expected[n].angle);
    if (n == 4) {
      EXPECT_EQ(t.percent, 50);
    }
    ASSERT_GT(t.w, 0);
    ASSERT_GT(t.h, 0);
    // render_page's image of the traced state, cut to the visible part.
    std::string page = dir_ + "/page" + std::to_string(n) + ".ppm";
    ASSERT_EQ(
        Shell(std::string(PK_TEST_TOOLS_DIR) + "/render_page '" + charts_ + "' " + std::to_string(t.page) + " " +
              std::to_string(t.percent) + " " + std::to_string(t.mode) + " " + std::to_string(t.angle) + " " + page),
        0);
    int rw = 0, rh = 0;
    std::vector<unsigned char> rendered = ReadPpm(page, &rw, &rh);
    ASSERT_FALSE(rendered.empty());
    ASSERT_LE(t.ox + t.w, rw);
    ASSERT_LE(t.oy + t.h, rh);
    std::string crop = dir_ + "/crop" + std::to_string(n) + ".ppm";
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%dx%d+%d+%d", t.w, t.h, t.x, t.y);
    ASSERT_EQ(Shell("convert " + dir_ + "/shot" + std::to_string(n) + ".png -crop " + geometry + " -depth 8 " + crop),
              0);
    int pw = 0, ph = 0;
    std::vector<unsigned char> shot = ReadPpm(crop, &pw, &ph);
    ASSERT_EQ(pw, t.w);
    ASSERT_EQ(ph, t.h);
    int mismatches = 0;
    for (int y = 0; y < ph; ++y)
      if (std::memcmp(&shot[static_cast<size_t>(y) * pw * 3],
                      &rendered[(static_cast<size_t>(t.oy + y) * rw + t.ox) * 3], static_cast<size_t>(pw) * 3) != 0)
        ++mismatches;
    EXPECT_EQ(mismatches, 0);
  }
  std::string settings = Settings();
  EXPECT_NE(settings.find("WINDOWFLAG=5"), std::string::npos) << settings;
  EXPECT_NE(settings.find("XSIZE_IMAGE="), std::string::npos) << settings;
}

TEST_F(LindvarWindowTest, ExitCommandEndsWithZeroAndSpawnedStartPrintingWithOne) {
  // The exit command of the menu, by its mnemonics.
  std::string d = dir_;
  std::string body =
      "timeout 100 " PK_LINDVAR " '" + charts_ + "' 2> " + d + "/err.txt & pid=$!\n" + "started " + d + "/trace.txt\n" +
      "xdotool windowfocus --sync $w\nsleep 0.5\nxdotool key alt+v\nsleep 0.7\nxdotool key x\n" + "wait $pid\n";
  EXPECT_EQ(RunX(body), 0);
  EXPECT_NE(Settings().find("WINDOWFLAG="), std::string::npos);

  // Started by _spawnlp: the program in the root's driver folder, the job at
  // a Windows path; a display of its own and a key press from beside.
  std::string drv = root_ + "/c/Drivers";
  std::filesystem::create_directories(drv);
  std::filesystem::copy_file(PK_LINDVAR, drv + "/Lindvar");
  std::filesystem::create_directories(root_ + "/c/Jobs");
  std::filesystem::copy_file(charts_, root_ + "/c/Jobs/job.tif");
  std::filesystem::remove(brisca_ + "/Brisca.ini");
  std::string displayFile = dir_ + "/display.txt";
  std::string xscript = dir_ + "/x.sh";
  std::string doneFile = dir_ + "/done";
  // The display lives until the test says it is done (at most a minute).
  std::ofstream(xscript) << "echo $DISPLAY $XAUTHORITY > " << displayFile << ".part && mv " << displayFile << ".part "
                         << displayFile << "\nfor i in $(seq 300); do [ -e " << doneFile
                         << " ] && break; sleep 0.2; done\n";
  Shell("(timeout 70 " + XvfbRun() + "sh " + xscript + " >/dev/null 2>&1 &)");
  std::string display, xauthority;
  for (int i = 0; i < 100 && display.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::ifstream(displayFile) >> display >> xauthority;
  }
  ASSERT_FALSE(display.empty());
  setenv("DISPLAY", display.c_str(), 1);
  setenv("XAUTHORITY", xauthority.c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("LSAN_OPTIONS", "suppressions=" PK_LSAN_GUI, 1);
  std::string trace = dir_ + "/spawn_trace.txt";
  setenv("LINDVAR_PAINT_TRACE", trace.c_str(), 1);
  std::thread keys([&] {
    Shell("for i in $(seq 600); do [ -s " + trace +
          " ] && break; sleep 0.1; done; for i in $(seq 100); do w=$(xdotool search --name Visualiza | head -1); "
          "[ -n \"$w\" ] && break; sleep 0.1; done; xdotool windowfocus --sync $w key ctrl+p");
  });
  INT_PTR code = _spawnlp(_P_WAIT, "C:\\Drivers\\Lindvar.exe", "Lindvar.exe", "C:\\Jobs\\job.tif", nullptr);
  keys.join();
  unsetenv("LINDVAR_PAINT_TRACE");
  EXPECT_EQ(code, 1);
  Trace t;
  EXPECT_TRUE(ReadTrace(trace, &t));
  EXPECT_EQ(t.page, 1u);
  EXPECT_NE(Settings().find("WINDOWFLAG=5"), std::string::npos);
  std::ofstream(doneFile) << "done";
  unsetenv("DISPLAY");
  unsetenv("XAUTHORITY");
}

TEST_F(LindvarWindowTest, ContextMenuExportWritesAProfileMFileWithTheDefaults) {
  if (!Have("tiffinfo")) GTEST_SKIP() << "tiffinfo missing";
  std::string d = dir_;
  // The typed path runs past the field's 256 characters; the field stops
  // taking them there, so the file is written under the first 256.
  const std::string typed = d + "/exported.tif" + std::string(300, 'x');
  const std::string out = typed.substr(0, 256);
  ASSERT_LT(d.size() + 20, out.size());
  // The export is the context menu's last item (Up from none selected); the
  // dialog has no window manager's caption, so it is found by its name
  // among the program's windows. The path edit is clicked at its place in
  // the template (centre of 70,260 245x12 in a 322x301 dialog).
  std::string body =
      "timeout 100 " PK_LINDVAR " '" + charts_ + "' 2> " + d + "/err.txt & pid=$!\n" + "started " + d +
      "/trace.txt\nxdotool windowfocus --sync $w\nsleep 0.8\n"
      "xdotool mousemove --window $w 200 300 click 3\nsleep 1\nxdotool key Up\nsleep 0.3\nxdotool key Return\n"
      "d=\nfor i in $(seq 300); do for x in $(xdotool search --onlyvisible --class Lindvar); do "
      "xdotool getwindowname $x | grep -q Profile-M && d=$x; done; [ -n \"$d\" ] && break; sleep 0.1; done\n"
      "[ -n \"$d\" ] || { kill $pid; exit 3; }\n"
      "sleep 0.5\nxdotool windowfocus --sync $d\neval $(xdotool getwindowgeometry --shell $d)\n"
      "xdotool mousemove --window $d $((WIDTH * 385 / 644)) $((HEIGHT * 266 / 301)) click 1\nsleep 0.3\n"
      "xdotool key ctrl+a\nxdotool type --delay 5 '" +
      typed +
      "'\nsleep 0.3\nxdotool key Return\n"
      // Start printing is taken once the export has returned.
      "for i in $(seq 600); do [ -s '" +
      out + "' ] && break; sleep 0.1; done\nsleep 0.5\nxdotool windowfocus --sync $w key ctrl+p\nwait $pid\n";
  EXPECT_EQ(RunX(body), 1);
  std::string info = dir_ + "/info.txt";
  EXPECT_EQ(Shell("tiffinfo '" + out + "' > " + info + " 2>&1"), 0);
  std::ifstream in(info);
  std::stringstream text;
  text << in.rdbuf();
  size_t pages = 0;
  for (size_t at = text.str().find("Subfile Type: multi-page document (18 = 0x12)"); at != std::string::npos;
       at = text.str().find("Subfile Type: multi-page document (18 = 0x12)", at + 1))
    ++pages;
  EXPECT_EQ(pages, 3u) << text.str();
  EXPECT_EQ(text.str().find("rror"), std::string::npos) << text.str();
  // The export's choices are not among the settings written at the close.
  std::string settings = Settings();
  EXPECT_NE(settings.find("WINDOWFLAG="), std::string::npos) << settings;
  for (const char* key : {"out.tif", "exported", "TFXPM", "MRC", "QUALITY"})
    EXPECT_EQ(settings.find(key), std::string::npos) << key << "\n" << settings;
}

TEST_F(LindvarWindowTest, MaximisedCloseIsStoredAndTheNextStartIsMaximised) {
  if (!Have("openbox") || !Have("wmctrl") || !Have("xprop")) GTEST_SKIP() << "openbox, wmctrl or xprop missing";
  std::string d = dir_;
  auto start = [&](const std::string& after) {
    return "rm -f " + d + "/trace.txt\ntimeout 60 " PK_LINDVAR " '" + charts_ + "' 2>> " + d + "/err.txt & pid=$!\n" +
           "started " + d + "/trace.txt\nsleep 1\n" + after +
           "xdotool windowfocus --sync $w\nsleep 0.3\nxdotool key alt+v\nsleep 0.7\nxdotool key x\nwait $pid\n";
  };
  std::string body = "openbox & wm=$!\nsleep 1.5\n" +
                     start("wmctrl -i -r $w -b add,maximized_vert,maximized_horz\nsleep 1\n") + "cp " + brisca_ +
                     "/Brisca.ini " + d + "/after_first.ini\n" +
                     start("xprop -id $w _NET_WM_STATE > " + d + "/state.txt\n") + "kill $wm\n";
  RunX(body);
  std::ifstream first(d + "/after_first.ini");
  std::stringstream text;
  text << first.rdbuf();
  EXPECT_NE(text.str().find("WINDOWFLAG=3"), std::string::npos) << text.str();
  std::ifstream state(d + "/state.txt");
  std::stringstream st;
  st << state.rdbuf();
  EXPECT_NE(st.str().find("_NET_WM_STATE_MAXIMIZED_HORZ"), std::string::npos) << st.str();
}

}  // namespace
