// gdihost with the real graphics driver of a fresh machine root: the driver
// loads, enables, makes its PDEV and surface and starts the document; the
// run stops at the first band, which the page pipeline does not give yet,
// and writes no job file. Without the interface library the host says so.
#include <sys/wait.h>

#include "host_fixture.h"

namespace hosttest {
namespace {

struct Outcome {
  int exit = -1;
  std::string err;
};

class PelkranGdihostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  Outcome Gdihost(const std::string& args) {
    const std::string err = root_ + "/gdihost.err";
    const std::string command =
        "cd '" + root_ + "' && '" + BuildOut() + "/gdihost' --root '" + root_ + "' " + args + " 2> '" + err + "'";
    int status = std::system(command.c_str());
    Outcome r;
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    std::stringstream ss;
    ss << in.rdbuf();
    r.err = ss.str();
    return r;
  }
  std::string root_;
};

TEST_F(PelkranGdihostTest, TestPageStopsAtTheFirstBand) {
  Outcome r = Gdihost("--no-interface --test-page -o t.prn --trace trace.txt");
  EXPECT_EQ(r.exit, 5) << r.err;
  EXPECT_NE(r.err.find("DrvStartBanding"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(root_ + "/t.prn"));
  std::ifstream in(root_ + "/trace.txt");
  std::vector<std::string> calls;
  for (std::string line; std::getline(in, line);) calls.push_back(line.substr(0, line.find(' ')));
  const std::vector<std::string> expected = {
      "DrvEnableDriver", "DrvEnablePDEV", "DrvCompletePDEV",   "DrvEnableSurface", "DrvStartDoc",     "DrvStartPage",
      "DrvStartBanding", "DrvEndDoc",     "DrvDisableSurface", "DrvDisablePDEV",   "DrvDisableDriver"};
  EXPECT_EQ(calls, expected);
}

TEST_F(PelkranGdihostTest, MissingInterfaceLibraryIsNamed) {
  Outcome r = Gdihost("--test-page -o t.prn");
  EXPECT_EQ(r.exit, 4) << r.err;
  EXPECT_NE(r.err.find("Sumbrel.dll"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace hosttest
