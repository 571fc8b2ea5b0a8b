// The fresh root's driver folder holds the deliverables a job runs on (the
// graphics driver, the interface library, the preview program the driver
// starts as "Lindvar.exe"), and the test page prints through the real
// interface library, as `make print` does.
#include "e2e_fixture.h"

namespace e2e {
namespace {

TEST_F(E2eTest, DriverFolderHoldsTheDeliverables) {
  ASSERT_EQ(Gdihost("-o first.prn docs/three_pages.txt").exit, 0);
  std::string out;
  ASSERT_EQ(Shell("find '" + root_ + "/c' -name Pelkran.so", &out), 0);
  const std::string folder = fs::path(out.substr(0, out.find('\n'))).parent_path().string();
  ASSERT_FALSE(folder.empty());
  for (const char* name : {"Pelkran.so", "Sumbrel.so", "Movrane.so", "Velmora.so", "Tarquen.vbn", "Lindvar"})
    EXPECT_TRUE(fs::exists(folder + "/" + name)) << name;
  // The name the driver starts resolves to the program beside it.
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\Lindvar.exe", nullptr, &host), 0u);
  EXPECT_EQ(fs::path(host).parent_path(), fs::path(folder));
}

TEST_F(E2eTest, TestPagePrintsThroughTheInterfaceLibrary) {
  HostRun r = Gdihost("--test-page -o test.prn");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_FALSE(Lines(r, "DrvDocumentEvent STARTDOC").empty());
  EXPECT_FALSE(Lines(r, "DrvEscape 20482").empty());
  ASSERT_EQ(JobCheck("--pages 1 test.prn"), 0);
}

}  // namespace
}  // namespace e2e
