// The wx back end in a real window: the probe program under Xvfb paints its
// bitmap where the paint trace says, takes a key of its accelerator table,
// and ends with the exit code its program chose. Without a display it says
// so in one line and ends with 0.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

class WxWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("wx_probe_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(WxWindowTest, NoDisplayIsOneLineAndExitZero) {
  std::string err = (dir_ / "err.txt").string();
  int code = Shell("env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(PK_WX_PROBE) + " 2>" + err);
  EXPECT_EQ(code, 0);
  std::ifstream in(err);
  std::string line, rest;
  std::getline(in, line);
  EXPECT_NE(line.find("no display"), std::string::npos);
  EXPECT_FALSE(std::getline(in, rest));
}

TEST_F(WxWindowTest, PaintsWhereTheTraceSaysAndEndsByItsKey) {
  if (!Have("xvfb-run") || !Have("xdotool") || !Have("import")) GTEST_SKIP() << "xvfb-run, xdotool or import missing";
  std::string trace = (dir_ / "trace.txt").string();
  std::string shot = (dir_ / "shot.ppm").string();
  std::string script = (dir_ / "run.sh").string();
  std::ofstream(script) << "export GDK_BACKEND=x11 NO_AT_BRIDGE=1 PK_PAINT_TRACE=" << trace << "\n"
                        << "export LSAN_OPTIONS=suppressions=" << PK_TEST_DATA_DIR << "/../support/lsan_gui.supp\n"
                        << "timeout 50 " << PK_WX_PROBE << " & pid=$!\n"
                        << "for i in $(seq 100); do [ -s " << trace << " ] && break; sleep 0.1; done\n"
                        << "sleep 1\n"
                        << "import -window root " << shot << "\n"
                        << "w=$(xdotool search --sync --name Sonda | head -1)\n"
                        << "xdotool windowfocus --sync $w key ctrl+q\n"
                        << "wait $pid\n";
  int code = Shell("timeout 60 " + XvfbRun() + "sh " + script);
  EXPECT_EQ(code, 3);
  // The last trace line: description, screen x, y, width, height, offset.
  std::ifstream in(trace);
  std::string line, last;
  while (std::getline(in, line)) last = line;
  std::istringstream fields(last);
  std::string what;
  int x = 0, y = 0, w = 0, h = 0, ox = -1, oy = -1;
  fields >> what >> x >> y >> w >> h >> ox >> oy;
  ASSERT_EQ(what, "probe") << last;
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  EXPECT_EQ(ox, 0);
  EXPECT_EQ(oy, 0);
  // The screenshot at the traced place holds the bitmap: red top row, blue below.
  std::string crop = (dir_ / "crop.ppm").string();
  char geometry[64];
  std::snprintf(geometry, sizeof geometry, "%dx%d+%d+%d", w, h, x, y);
  ASSERT_EQ(Shell("convert " + shot + " -crop " + geometry + " -depth 8 -compress none " + crop), 0);
  std::ifstream ppm(crop);
  std::string magic;
  int pw = 0, ph = 0, maxval = 0;
  ppm >> magic >> pw >> ph >> maxval;
  ASSERT_EQ(pw, 64);
  ASSERT_EQ(ph, 48);
  int mismatches = 0;
  for (int row = 0; row < ph; ++row)
    for (int col = 0; col < pw; ++col) {
      int r = 0, g = 0, b = 0;
      ppm >> r >> g >> b;
      bool red = row == 0;
      if (r != (red ? 255 : 0) || g != 0 || b != (red ? 0 : 255)) ++mismatches;
    }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
