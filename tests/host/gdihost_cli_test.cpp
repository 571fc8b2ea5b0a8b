// gdihost as a program: options and exit codes, document faults, a driver
// that is not there, progress lines on a terminal only, the job file, and
// identical traces of two test-page runs.
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "host/devmode_edit.h"
#include "host_fixture.h"
#include "settings/access/setting_access.h"

namespace hosttest {
namespace {

struct Outcome {
  int exit = -1;
  std::string out, err;
};

std::string ReadAll(int fd) {
  std::string s;
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    s.append(buf, size_t(n));
  }
  return s;
}

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

class GdihostTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    root_ = PkMachineRoot();
    std::filesystem::create_directories(dir_);
  }

  void DriverConfig(const std::string& text) { WriteFile("../c/Driver/FakeDriver.cfg", text); }

  // Runs gdihost on this test's root; stderr on a pseudo-terminal when asked.
  Outcome Gdihost(std::vector<std::string> args, bool terminal = false) {
    args.insert(args.begin(), {"--root", root_});
    int outPipe[2], errPipe[2];
    EXPECT_EQ(pipe(outPipe), 0);
    int master = -1, slave = -1;
    if (terminal) {
      EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    } else {
      EXPECT_EQ(pipe(errPipe), 0);
    }
    std::string program = BuildOut() + "/gdihost";
    pid_t pid = fork();
    if (pid == 0) {
      dup2(outPipe[1], 1);
      dup2(terminal ? slave : errPipe[1], 2);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(outPipe[1]);
    Outcome o;
    if (terminal) {
      close(slave);
      int status = 0;
      o.out = ReadAll(outPipe[0]);
      waitpid(pid, &status, 0);
      // The terminal keeps what was written after the program ended.
      fcntl(master, F_SETFL, O_NONBLOCK);
      o.err = ReadAll(master);
      close(master);
      o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
      close(errPipe[1]);
      o.out = ReadAll(outPipe[0]);
      o.err = ReadAll(errPipe[0]);
      close(errPipe[0]);
      int status = 0;
      waitpid(pid, &status, 0);
      o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(outPipe[0]);
    return o;
  }

  std::vector<std::string> FakeRun(std::vector<std::string> args, bool terminal = false, Outcome* outcome = nullptr) {
    args.insert(args.begin(), {"--driver", "C:\\Driver\\FakeDriver.dll", "--no-interface"});
    Outcome o = Gdihost(args, terminal);
    if (outcome) *outcome = o;
    return Lines(o.err);
  }

  std::string root_;
};

TEST_F(GdihostTest, HelpAndUsageErrors) {
  Outcome help = Gdihost({"--help"});
  EXPECT_EQ(help.exit, 0);
  EXPECT_NE(help.out.find("Usage: gdihost"), std::string::npos);
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"}, {"-o"}, {"--set", "nonsense"}, {"--margins", "1,2,3"}, {"a.txt", "b.txt"}, {"--set", "9999=1"}};
  for (const auto& args : bad) {
    Outcome o = Gdihost(args);
    EXPECT_EQ(o.exit, 2) << args[0] << " " << o.err;
  }
}

TEST_F(GdihostTest, BadDocumentIsRefusedBeforeAnyDriverCall) {
  std::string doc = WriteFile("doc.txt", "page\nrect 0 0 10 10\n      bogus\n");
  Outcome o;
  FakeRun({doc}, false, &o);
  EXPECT_EQ(o.exit, 3);
  EXPECT_EQ(o.err, doc + ":3:7: unknown statement\n");
  std::string image = WriteFile("t.ppm", std::string("P6 3 2 255\n") + std::string(12, '\x10'));
  std::string doc2 = WriteFile("img.txt", "image 0 0 3 2 \"t.ppm\"\n");
  FakeRun({doc2}, false, &o);
  EXPECT_EQ(o.exit, 3);
  EXPECT_NE(o.err.find("t.ppm: image data ends or is bad in row 2 of 2"), std::string::npos) << o.err;
  EXPECT_TRUE(DriverTrace().empty());
}

TEST_F(GdihostTest, MissingDriverFileIsNamed) {
  Outcome o = Gdihost({"--driver", "C:\\Driver\\Nowhere.dll", "--no-interface"});
  EXPECT_EQ(o.exit, 4);
  EXPECT_NE(o.err.find("Nowhere.dll"), std::string::npos) << o.err;
  Outcome p = Gdihost({"-p", "No such printer"});
  EXPECT_EQ(p.exit, 4);
  EXPECT_NE(p.err.find("No such printer"), std::string::npos) << p.err;
}

TEST_F(GdihostTest, ProgressOnATerminalOnly) {
  std::string doc = WriteFile("two.txt", "unit dot\npage\nrect 0 0 5 5\npage\nrect 0 0 5 5\n");
  Outcome tty;
  FakeRun({doc}, true, &tty);
  EXPECT_EQ(tty.exit, 0) << tty.err;
  EXPECT_NE(tty.err.find("page 1 of 2: 2 bands"), std::string::npos) << tty.err;
  EXPECT_NE(tty.err.find("page 2 of 2: 2 bands"), std::string::npos) << tty.err;
  Outcome pipe;
  std::vector<std::string> lines = FakeRun({doc}, false, &pipe);
  EXPECT_EQ(pipe.exit, 0);
  EXPECT_EQ(lines, std::vector<std::string>{"gdihost: printed 2 pages of \"gdihost document\" on KZ TRD Printer"});
  Outcome quiet;
  FakeRun({"-q", doc}, true, &quiet);
  EXPECT_EQ(quiet.err, "");
}

TEST_F(GdihostTest, JobFileHoldsTheJobsOfTheRunInStartOrder) {
  DriverConfig("write PAGE;\nownjob OWN;\n");
  std::string doc = WriteFile("two.txt", "unit dot\npage\nrect 0 0 5 5\npage\n");
  std::string out = dir_ + "/job.bin";
  Outcome o;
  FakeRun({"-o", out, doc}, false, &o);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(Slurp(out), "PAGE;PAGE;OWN;");
  EXPECT_FALSE(std::filesystem::exists(out + ".part"));
  // A second run's file holds only its own jobs.
  FakeRun({"-o", out, doc}, false, &o);
  EXPECT_EQ(Slurp(out), "PAGE;PAGE;OWN;");
}

TEST_F(GdihostTest, FailedJobLeavesNoOutputFile) {
  DriverConfig("write PAGE;\nfail DrvStartPage 2\n");
  std::string doc = WriteFile("two.txt", "unit dot\npage\nrect 0 0 5 5\npage\n");
  std::string out = dir_ + "/job.bin";
  Outcome o;
  FakeRun({"-o", out, doc}, false, &o);
  EXPECT_EQ(o.exit, 5);
  EXPECT_NE(o.err.find("DrvStartPage failed on page 2"), std::string::npos) << o.err;
  EXPECT_FALSE(std::filesystem::exists(out));
  DriverConfig("endless\n");
  FakeRun({"-o", out, doc}, false, &o);
  EXPECT_EQ(o.exit, 5);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(GdihostTest, FailedDrawingCallsGiveExitOne) {
  DriverConfig("fail DrvBitBlt 0\n");
  std::string doc = WriteFile("one.txt", "unit dot\nrect 0 0 5 5\n");
  Outcome o;
  FakeRun({doc}, false, &o);
  EXPECT_EQ(o.exit, 1);
  EXPECT_NE(o.err.find("gdihost: DrvBitBlt failed at (0, 0, 5, 5)"), std::string::npos) << o.err;
}

TEST_F(GdihostTest, SettingsAndMarginsShapeTheApplicationsDevMode) {
  DriverConfig("trace " + dir_ + "/fake.txt\n");
  Outcome o;
  FakeRun({"-s", "8=11", "--margins", "46,46,50,60", "-q", WriteFile("p.txt", "page\n")}, false, &o);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(Matching(Lines(Slurp(dir_ + "/fake.txt")), "DrvEnablePDEV"),
            std::vector<std::string>{"DrvEnablePDEV pdev=1 extra=2418 paper=11 tail=0B002E002E0032003C00"});
}

TEST_F(GdihostTest, LibrariesByHostPathInsideTheRoot) {
  std::string trace = dir_ + "/t.txt";
  Outcome o = Gdihost({"--driver", root_ + "/c/Driver/FakeDriver.dll", "--interface",
                       root_ + "/c/Driver/FakeInterface.dll", "--trace", trace, "-q", WriteFile("p.txt", "page\n")});
  ASSERT_EQ(o.exit, 0) << o.err;
  std::vector<std::string> lines = Lines(Slurp(trace));
  EXPECT_EQ(lines.front(), "DrvEnableDriver");
  EXPECT_EQ(Matching(lines, "DrvDocumentEvent ENDDOC").size(), 1u);
  EXPECT_EQ(Matching(lines, "DrvTextOut").size(), 1u);
  // A library outside the root cannot be loaded as the platform would.
  Outcome outside = Gdihost({"--driver", "/usr/lib/FakeDriver.dll"});
  EXPECT_EQ(outside.exit, 4);
}

TEST_F(GdihostTest, TwoTestPageRunsMakeTheSameCalls) {
  DriverConfig("page 2480 3508\nsurface 2480 1200\nbands 0,0 0,1200 0,2400\n");
  std::string t1 = dir_ + "/t1.txt", t2 = dir_ + "/t2.txt";
  Outcome a, b;
  FakeRun({"--test-page", "--trace", t1}, false, &a);
  FakeRun({"--trace", t2}, false, &b);
  ASSERT_EQ(a.exit, 0) << a.err;
  ASSERT_EQ(b.exit, 0) << b.err;
  std::string first = Slurp(t1);
  EXPECT_EQ(first, Slurp(t2));
  for (const char* call :
       {"DrvBitBlt", "DrvStrokePath", "DrvTextOut", "DrvCopyBits", "DrvStretchBlt", "DrvRealizeBrush"})
    EXPECT_NE(first.find(std::string(call) + "\n"), std::string::npos) << call;
}

TEST_F(GdihostTest, TextSettingsAreWrittenAsText) {
  // Through the settings model: the text reads back; a number setting, an
  // unknown id and a text too long for its field are refused.
  std::vector<uint8_t> devMode(pkhost::kDriverDevModeSize, 0);
  std::string why;
  ASSERT_TRUE(pkhost::ApplyTextSetting(devMode, 375, "C:\\Users\\kato\\KZF1A.tmp", &why)) << why;
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  ASSERT_EQ(GetSettingValue(375, devMode.data(), nullptr, &type, &size, &value), kSettingOk);
  EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(value)), u"C:\\Users\\kato\\KZF1A.tmp");
  EXPECT_FALSE(pkhost::ApplyTextSetting(devMode, 8, "A4", &why));
  EXPECT_FALSE(pkhost::ApplyTextSetting(devMode, 9999, "x", &why));
  EXPECT_FALSE(pkhost::ApplyTextSetting(devMode, 375, std::string(200, 'x'), &why));
  // On the command line: a text for a text setting runs, a text for a number
  // setting is a usage error.
  Outcome o;
  FakeRun({"--set", "375=C:\\faxdata\\KZF1A.tmp", "-q", WriteFile("p.txt", "page\n")}, false, &o);
  EXPECT_EQ(o.exit, 0) << o.err;
  FakeRun({"--set", "8=A4", "-q", WriteFile("p.txt", "page\n")}, false, &o);
  EXPECT_EQ(o.exit, 2) << o.err;
}

}  // namespace
}  // namespace hosttest
