// gdihost with the real driver and Movrane of a fresh machine root: a
// document of five framed and marked pages printed 2-up and 4-up, as PJL
// units and as one bare TIFF, at the output resolution of the printer's
// stored settings, and with an image offset. jobcheck checks every TIFF file
// (tiffinfo, tiffcp), the page count, size and resolution, and gives each
// sheet's ink box, which shows where the pages were placed.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "host_fixture.h"

namespace hosttest {
namespace {

// The default printer's A4 printable area at 600 dpi, in dots.
constexpr int kWidth = 4760, kRows = 6817;

struct Outcome {
  int exit = -1;
  std::string out;
};

Outcome Shell(const std::string& command) {
  Outcome r;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) r.out.append(buffer, n);
  const int status = pclose(p);
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

struct Ink {
  long left = -1, top = -1, right = -1, bottom = -1;
};

class PelkranNupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
    // Five pages, each a 12-dot frame around the printable area and a
    // square mark in its top-left corner.
    std::string doc = "document \"Framed\"\nunit dot\npen null\nbrush solid #000000\n";
    for (int page = 0; page < 5; ++page) {
      if (page) doc += "page\n";
      doc += "rect 0 0 " + std::to_string(kWidth) + " 12\n";
      doc += "rect 0 " + std::to_string(kRows - 12) + " " + std::to_string(kWidth) + " " + std::to_string(kRows) + "\n";
      doc += "rect 0 0 12 " + std::to_string(kRows) + "\n";
      doc +=
          "rect " + std::to_string(kWidth - 12) + " 0 " + std::to_string(kWidth) + " " + std::to_string(kRows) + "\n";
      doc += "rect 0 0 400 400\n";
    }
    std::ofstream(root_ + "/framed.txt") << doc;
  }
  // Prints the document with the options; gdihost's exit code.
  Outcome Print(const std::string& options) {
    std::filesystem::remove(root_ + "/framed.prn");
    return Shell("'" + BuildOut() + "/gdihost' -q --root '" + root_ + "' --no-interface " + options + " -o '" + root_ +
                 "/framed.prn' '" + root_ + "/framed.txt'");
  }
  // jobcheck on the job with the options and --ink: its summary line and the
  // ink box of each page.
  Outcome Check(const std::string& options, std::vector<Ink>* inks) {
    const Outcome r = Shell("'" + BuildOut() + "/jobcheck' --ink " + options + " '" + root_ + "/framed.prn'");
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      Ink ink;
      int page = 0;
      if (std::sscanf(line.c_str(), "page %d: ink %ld %ld %ld %ld", &page, &ink.left, &ink.top, &ink.right,
                      &ink.bottom) == 5)
        inks->push_back(ink);
      else if (line.find(": no ink") != std::string::npos) inks->push_back(Ink{});
    }
    return r;
  }
  std::string root_;
};

// 2-up: the pages turned into the halves, reduced to the half's width and
// centred in it; the third sheet holds page 5 alone, in the lower half where
// the first page of a sheet goes. 4-up: quadrants.
TEST_F(PelkranNupTest, TwoUpAndFourUpSheets) {
  // A page turned and fitted across a half: kRows -> kWidth dots wide.
  const long half = kRows / 2, placed = long(kWidth) * kWidth / kRows, gap = (half - placed) / 2;
  struct Case {
    const char* options;
    int sheets;
    std::vector<Ink> expected;
  } cases[] = {
      {"-s 295=2",
       3,
       {{0, gap, kWidth - 1, half + gap + placed - 1},
        {0, gap, kWidth - 1, half + gap + placed - 1},
        {0, half + gap, kWidth - 1, half + gap + placed - 1}}},
      {"-s 295=4", 2, {{0, 0, kWidth - 1, kRows - 1}, {0, 0, kWidth / 2 - 1, kRows / 2 - 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const Outcome printed = Print(c.options);
    ASSERT_EQ(printed.exit, 0) << printed.out;
    std::vector<Ink> inks;
    const Outcome check = Check("--pages " + std::to_string(c.sheets) + " --dpi 600 --size " + std::to_string(kWidth) +
                                    "x" + std::to_string(kRows),
                                &inks);
    ASSERT_EQ(check.exit, 0) << check.out;
    EXPECT_NE(check.out.find(": " + std::to_string(c.sheets) + " pages, " + std::to_string(c.sheets) + " TIFF files,"),
              std::string::npos)
        << check.out;
    ASSERT_EQ(inks.size(), c.expected.size()) << check.out;
    for (size_t i = 0; i < inks.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(inks[i].left, c.expected[i].left, 2);
      EXPECT_NEAR(inks[i].top, c.expected[i].top, 2);
      EXPECT_NEAR(inks[i].right, c.expected[i].right, 2);
      EXPECT_NEAR(inks[i].bottom, c.expected[i].bottom, 2);
    }
  }
}

// Printer settings stored before the run: PJL output off gives one bare TIFF
// of the sheets; output at 400 dpi gives 400-dpi sheets.
TEST_F(PelkranNupTest, StoredPrinterSettings) {
  struct Case {
    const char* options;
    const char* check;
    const char* summary;
  } cases[] = {
      {"-s 295=2 --printer-set 1032=0", "--pages 3 --dpi 600", ": 3 pages, 1 TIFF file,"},
      {"-s 295=2 --printer-set 1032=1 --printer-set 1043=1", "--pages 3 --dpi 400 --size 3173x4544",
       ": 3 pages, 3 TIFF files,"},
      {"--printer-set 1043=1", "--pages 5 --dpi 400 --size 3173x4544", ": 5 pages, 5 TIFF files,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
    SetUp();
    const Outcome printed = Print(c.options);
    ASSERT_EQ(printed.exit, 0) << printed.out;
    std::vector<Ink> inks;
    const Outcome check = Check(c.check, &inks);
    ASSERT_EQ(check.exit, 0) << check.out;
    EXPECT_NE(check.out.find(c.summary), std::string::npos) << check.out;
  }
  // A setting that is not one of the printer's is refused before the run.
  EXPECT_EQ(Print("--printer-set 295=2").exit, 2);
  EXPECT_EQ(Print("--printer-set 1043").exit, 2);
}

// The image offset (setting 478 on, 353 = 100: 10 mm) moves every page's ink
// across by 100 / 254 inch. Offsets apply without page handling, which
// setting 373 at 0 (the default) would switch on.
TEST_F(PelkranNupTest, ImageOffsetMovesTheInk) {
  std::vector<Ink> plain, moved;
  ASSERT_EQ(Print("-s 373=1").exit, 0);
  ASSERT_EQ(Check("--pages 5", &plain).exit, 0);
  const Outcome printed = Print("-s 373=1 -s 478=1 -s 353=100");
  ASSERT_EQ(printed.exit, 0) << printed.out;
  const Outcome check = Check("--pages 5 --dpi 600", &moved);
  ASSERT_EQ(check.exit, 0) << check.out;
  ASSERT_EQ(plain.size(), 5u);
  ASSERT_EQ(moved.size(), 5u);
  const long shift = 600 * 100 / 254;
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(moved[i].left, plain[i].left + shift);
    EXPECT_EQ(moved[i].top, plain[i].top);
  }
}

}  // namespace
}  // namespace hosttest
