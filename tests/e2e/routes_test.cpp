// The output routes of a three-page document, each with PJL output on and
// off: the spooler, save to file as PJL and as TIFF with the save folder and
// its numbered names, and the job copy file. Every job and save file passes
// jobcheck; the temporary folder and the temp-file register end empty.
#include "e2e_fixture.h"

namespace e2e {
namespace {

const char kDoc[] = "docs/three_pages.txt";
const char kSaveFolder[] = " --printer-set '1051=C:\\Out'";

struct RouteRow {
  friend void PrintTo(const RouteRow& r, std::ostream* os) { *os << r.name; }
  const char* name;
  std::string options;
  // jobcheck's line for the spooler job (its arguments before the job); an
  // empty `spooled` wants an empty spooler job.
  std::string spoolCheck, spooled;
  // The save file in C:\Out, jobcheck's arguments for it and its line.
  std::string saveFile, saveCheck, saved;
};

const RouteRow kRoutes[] = {
    {"SpoolerWithPjl", "", "--pages 3", "3 pages, 3 TIFF files", "", "", ""},
    {"SpoolerWithoutPjl", "--printer-set 1032=0", "--pages 3", "3 pages, 1 TIFF file,", "", "", ""},
    {"SaveAsPjl", "-s 471=1 --printer-set 1040=1", "", "", "Three pages.pjl", "--pages 3", "3 pages, 3 TIFF files"},
    {"SaveAsPjlWithoutPjl", "-s 471=1 --printer-set 1040=1 --printer-set 1032=0", "", "", "Three pages.pjl",
     "--concat --pages 3", "3 pages, 3 TIFF files"},
    {"SaveAsTiff", "-s 471=1 --printer-set 1040=0", "", "", "Three pages.tif", "--pages 3", "3 pages, 1 TIFF file,"},
    {"SaveAsTiffWithoutPjl", "-s 471=1 --printer-set 1040=0 --printer-set 1032=0", "", "", "Three pages.tif",
     "--pages 3", "3 pages, 1 TIFF file,"},
};

class RouteTest : public E2eTest, public ::testing::WithParamInterface<RouteRow> {};

TEST_P(RouteTest, ThreePageDocument) {
  const RouteRow& row = GetParam();
  fs::create_directories(Host(u"C:\\Out"));
  HostRun r = Gdihost("-o job.prn" + std::string(kSaveFolder) + " " + row.options + " " + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  std::string out;
  if (row.spooled.empty()) {
    EXPECT_EQ(fs::file_size(root_ + "/job.prn"), 0u);
  } else {
    ASSERT_EQ(JobCheck(row.spoolCheck + " job.prn", &out), 0);
    EXPECT_NE(out.find(row.spooled), std::string::npos) << out;
  }
  const std::string folder = Host(u"C:\\Out");
  if (row.saveFile.empty()) {
    EXPECT_TRUE(fs::is_empty(folder));
    return;
  }
  ASSERT_TRUE(fs::exists(folder + "/" + row.saveFile)) << row.saveFile;
  ASSERT_EQ(JobCheck(row.saveCheck + " '" + folder + "/" + row.saveFile + "'", &out), 0);
  EXPECT_NE(out.find(row.saved), std::string::npos) << out;
  ASSERT_EQ(JobCheck("--save '" + folder + "'", &out), 0);
  EXPECT_NE(out.find(": 1 file"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Routes, RouteTest, ::testing::ValuesIn(kRoutes),
                         [](const ::testing::TestParamInfo<RouteRow>& i) { return std::string(i.param.name); });

// With the numbered action a second save beside the first takes "-001".
TEST_F(E2eTest, SecondSaveTakesTheNextNumberedName) {
  fs::create_directories(Host(u"C:\\Out"));
  const std::string options =
      std::string("-s 471=1 --printer-set 1040=0 --printer-set 1039=2") + kSaveFolder + " " + kDoc;
  ASSERT_EQ(Gdihost(options).exit, 0);
  ASSERT_EQ(Gdihost(options).exit, 0);
  const std::string folder = Host(u"C:\\Out");
  EXPECT_TRUE(fs::exists(folder + "/Three pages.tif"));
  EXPECT_TRUE(fs::exists(folder + "/Three pages-001.tif"));
  std::string out;
  ASSERT_EQ(JobCheck("--save '" + folder + "' --pages 3", &out), 0);
  EXPECT_NE(out.find(": 2 files"), std::string::npos) << out;
}

// The ask action (1039 = 0) over an existing save file: the box's OK
// overwrites it, Cancel drops the job and keeps the old file.
TEST_F(E2eTest, ExistingSaveFileAsksFirst) {
  fs::create_directories(Host(u"C:\\Out"));
  const std::string saved = Host(u"C:\\Out") + "/Three pages.tif";
  const std::string options =
      std::string("-o job.prn -s 471=1 --printer-set 1040=0 --printer-set 1039=0") + kSaveFolder + " " + kDoc;
  std::ofstream(saved) << "old";
  HostRun cancel = Gdihost("--answer CANCEL " + options);
  EXPECT_EQ(cancel.exit, 0) << cancel.err;
  EXPECT_EQ(Lines(cancel, "MessageBox").size(), 1u);
  EXPECT_EQ(ReadAll(saved), "old");
  HostRun ok = Gdihost("--answer OK " + options);
  EXPECT_EQ(ok.exit, 0) << ok.err;
  EXPECT_EQ(Lines(ok, "MessageBox").size(), 1u);
  ASSERT_EQ(JobCheck("--pages 3 '" + saved + "'"), 0);
}

// A stored job (336 = 1) with its copy file (337, 338): the spooler job
// passes with the document's pages and the job head at its start; the copy
// file "C:\Copies\job1.kwv" is a job of its own that opens with the same head
// and holds the same bytes as the spooler job.
TEST_F(E2eTest, StoredJobAndItsCopyFile) {
  for (const char* pjl : {"1", "0"}) {
    SCOPED_TRACE(std::string("PJL output ") + pjl);
    HostRun r = Gdihost(std::string("-o job.prn -s 336=1 -s '337=C:\\Copies' -s 338=job1 --printer-set 1032=") + pjl +
                        " " + kDoc);
    ASSERT_EQ(r.exit, 0) << r.err;
    std::string out;
    ASSERT_EQ(JobCheck("--pages 3 job.prn", &out), 0);
    const std::string copy = Host(u"C:\\Copies\\job1.kwv");
    ASSERT_TRUE(fs::exists(copy));
    const std::string job = ReadAll(root_ + "/job.prn"), kept = ReadAll(copy);
    if (pjl[0] == '1') {
      EXPECT_EQ(job.rfind("\x1b%-12345X@PJL\n", 0), 0u);
      ASSERT_EQ(JobCheck("'" + copy + "'"), 0);
      const size_t head = job.find("@PJL ENTER LANGUAGE");
      ASSERT_NE(head, std::string::npos);
      EXPECT_EQ(kept.substr(0, head), job.substr(0, head));
    }
    EXPECT_EQ(kept.size(), job.size());
    EXPECT_TRUE(kept == job);
  }
}

}  // namespace
}  // namespace e2e
