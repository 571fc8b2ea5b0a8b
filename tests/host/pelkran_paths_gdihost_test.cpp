// Lines of a document printed by gdihost with the real graphics driver: the
// driver strokes every path call itself (no call is listed as undrawn), and
// the page's ink covers exactly the lines' extent.
#include <sys/wait.h>

#include <cstdio>

#include "host_fixture.h"

namespace hosttest {
namespace {

class PelkranPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  int Run(const std::string& command, std::string* out) {
    const std::string file = root_ + "/run.out";
    const int status = std::system(("cd '" + root_ + "' && " + command + " > '" + file + "' 2>&1").c_str());
    std::ifstream in(file);
    std::stringstream ss;
    ss << in.rdbuf();
    *out = ss.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string root_;
};

TEST_F(PelkranPathsTest, OutlineDashedPolylineAndDiagonalAreDrawnByTheDriver) {
  std::ofstream(root_ + "/lines.txt") << "document \"Lines\"\nunit dot\nbrush null\n"
                                         "pen 1 #000000 solid\npolygon 300 300 1300 300 1300 800 300 800\n"
                                         "pen 1 #000000 dash\nline 300 1000 1300 1000 1300 1500\n"
                                         "pen 1 #000000 solid\nline 300 1600 800 2100\n";
  std::string out;
  const int exit = Run("'" + BuildOut() + "/gdihost' --root '" + root_ + "' --no-interface -o '" + root_ +
                           "/lines.prn' '" + root_ + "/lines.txt'",
                       &out);
  ASSERT_EQ(exit, 0) << out;
  EXPECT_EQ(out.find("DrvStrokePath"), std::string::npos) << out;
  ASSERT_EQ(Run("'" + BuildOut() + "/jobcheck' --pages 1 --dpi 600 --ink '" + root_ + "/lines.prn'", &out), 0) << out;
  long box[4] = {};
  ASSERT_EQ(std::sscanf(out.c_str(), "page 1: ink %ld %ld %ld %ld", &box[0], &box[1], &box[2], &box[3]), 4) << out;
  // From the outline's top-left corner to the right edge and the end of the
  // diagonal, the last dots included.
  EXPECT_EQ(box[0], 300);
  EXPECT_EQ(box[1], 300);
  EXPECT_EQ(box[2], 1300);
  EXPECT_NEAR(box[3], 2100, 1);
}

}  // namespace
}  // namespace hosttest
