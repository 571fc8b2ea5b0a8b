// gdihost with the real graphics driver of a fresh machine root: the driver
// loads, enables, makes its PDEV and surface and prints the test page, band
// by band, into a job file. A missing interface library is named.
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

TEST_F(PelkranGdihostTest, TestPageIsPrintedBandByBand) {
  Outcome r = Gdihost("--no-interface --test-page -o t.prn --trace trace.txt");
  // Drawing calls the driver does not draw yet are listed (exit code 1).
  EXPECT_TRUE(r.exit == 0 || r.exit == 1) << r.err;
  EXPECT_GT(std::filesystem::file_size(root_ + "/t.prn"), 0u);
  std::ifstream in(root_ + "/trace.txt");
  std::vector<std::string> calls;
  for (std::string line; std::getline(in, line);) {
    const std::string call = line.substr(0, line.find(' '));
    // The document's calls, without the drawing calls of each band.
    if (call == "DrvStartBanding" || call == "DrvNextBand" || call.rfind("DrvEnable", 0) == 0 ||
        call.rfind("DrvDisable", 0) == 0 || call == "DrvCompletePDEV" || call == "DrvStartDoc" ||
        call == "DrvStartPage" || call == "DrvSendPage" || call == "DrvEndDoc")
      calls.push_back(call);
  }
  ASSERT_GE(calls.size(), 11u);
  const std::vector<std::string> start = {"DrvEnableDriver", "DrvEnablePDEV", "DrvCompletePDEV", "DrvEnableSurface",
                                          "DrvStartDoc",     "DrvStartPage",  "DrvStartBanding"};
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 7), start);
  const std::vector<std::string> end = {"DrvNextBand",       "DrvSendPage",    "DrvEndDoc",
                                        "DrvDisableSurface", "DrvDisablePDEV", "DrvDisableDriver"};
  EXPECT_EQ(std::vector<std::string>(calls.end() - 6, calls.end()), end);
}

TEST_F(PelkranGdihostTest, MissingInterfaceLibraryIsNamed) {
  // A root whose driver folder has lost the interface library.
  Gdihost("--no-interface --test-page -o first.prn");
  const std::string command = "find '" + root_ + "' -iname Sumbrel.so -delete";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Outcome r = Gdihost("--test-page -o t.prn");
  EXPECT_EQ(r.exit, 4) << r.err;
  EXPECT_NE(r.err.find("Sumbrel.dll"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace hosttest
