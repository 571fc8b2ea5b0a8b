// Faults of the routes, shown end to end through gdihost: an aborted job
// leaves nothing that stops the next; a left-over "PRV.pjl" is neither
// appended to nor printed; a save into a folder that cannot be written shows
// one box and keeps the job's TIFF in the temporary folder; a job whose
// spooler writes fail ends with DrvEndDoc FALSE and exit 5.
#include <sstream>

#include "e2e_fixture.h"
#include "host/host_cli.h"
#include "platform/spooler/spooler_seams.h"

namespace e2e {
namespace {

const char kDoc[] = "docs/three_pages.txt";

TEST_F(E2eTest, JobAfterAnAbortedOnePrints) {
  std::ofstream(root_ + "/docs/aborted.txt") << "unit dot\npage\nrect 100 100 200 200\npage\nrect 1 1 9 9\nabort\n";
  HostRun aborted = Gdihost("-o aborted.prn docs/aborted.txt");
  EXPECT_EQ(aborted.exit, 0) << aborted.err;
  EXPECT_FALSE(fs::exists(root_ + "/aborted.prn"));
  EXPECT_EQ(Lines(aborted, "DrvEndDoc abort").size(), 1u);
  ExpectClean();
  HostRun next = Gdihost(std::string("-o job.prn ") + kDoc);
  ASSERT_EQ(next.exit, 0) << next.err;
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
}

// A "PRV.pjl" left by an earlier job: the preview job writes its own file
// from the start, and the printed job is that file alone.
TEST_F(E2eTest, PreviewJobIgnoresALeftOverPreviewFile) {
  ASSERT_EQ(Gdihost(std::string("-o first.prn ") + kDoc).exit, 0);
  std::string out;
  Shell("find '" + root_ + "/c' -name Lindvar -type f -delete", &out);
  fs::create_directories(Brisca());
  const std::string stale = "\x1b%-12345X@PJL\n@PJL STALE JOB\n";
  std::ofstream(Brisca() + "/PRV.pjl", std::ios::binary) << stale;
  HostRun r = Gdihost(std::string("-o job.prn -s 475=1 ") + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(ReadAll(root_ + "/job.prn").find("STALE"), std::string::npos);
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
}

// A save folder that does not exist: one warning box, nothing saved, the
// spooler job empty, and the job's TIFF kept in the temporary folder for the
// save as TIFF (the only copy of a job the user asked to keep).
TEST_F(E2eTest, UnwritableSaveFolderShowsOneBox) {
  struct Row {
    const char* name;
    const char* options;
    bool keepsTiff;
  };
  const Row rows[] = {{"as PJL", "--printer-set 1040=1", false}, {"as TIFF", "--printer-set 1040=0", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const std::string& f : BriscaFiles()) fs::remove(Brisca() + "/" + f);
    HostRun r = Gdihost(std::string("-o job.prn --answer OK -s 471=1 --printer-set '1051=C:\\Missing\\Folder' ") +
                        row.options + " " + kDoc);
    EXPECT_EQ(Lines(r, "MessageBox").size(), 1u) << r.err;
    EXPECT_EQ(fs::file_size(root_ + "/job.prn"), 0u);
    const std::vector<std::string> left = BriscaFiles();
    if (row.keepsTiff) {
      ASSERT_EQ(left.size(), 1u);
      ASSERT_EQ(JobCheck("--pages 3 '" + Brisca() + "/" + left[0] + "'"), 0);
    } else {
      EXPECT_TRUE(left.empty());
    }
    EXPECT_TRUE(RegisteredTempFiles().empty());
    // The next job prints.
    HostRun next = Gdihost(std::string("-o next.prn ") + kDoc);
    ASSERT_EQ(next.exit, 0) << next.err;
    ASSERT_EQ(JobCheck("--pages 3 next.prn"), 0);
  }
  expectClean_ = false;
}

// Spooler writes that fail: DrvEndDoc answers FALSE and the host exits with 5
// without a job file (in-process, for the spooler's write fault).
TEST_F(E2eTest, FailingSpoolerWritesEndTheJobWithExitFive) {
  ASSERT_EQ(Gdihost(std::string("-o first.prn ") + kDoc).exit, 0);
  // Without PJL output the job's one TIFF goes out at the job end.
  pk::seams::FailSpoolCall(pk::seams::SpoolCall::Write, 1, true);
  std::ostringstream out, err;
  const std::vector<std::string> args = {"-q",
                                         "--root",
                                         root_,
                                         "--trace",
                                         root_ + "/failed.txt",
                                         "-o",
                                         root_ + "/failed.prn",
                                         "--printer-set",
                                         "1032=0",
                                         root_ + "/" + kDoc};
  EXPECT_EQ(pkhost::RunHost(args, out, err, false), pkhost::kExitJobFailed) << err.str();
  EXPECT_FALSE(fs::exists(root_ + "/failed.prn"));
  EXPECT_NE(err.str().find("DrvEndDoc failed"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace e2e
