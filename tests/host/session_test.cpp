// The order of driver calls and document events over a document's life, with
// and without the interface library; ResetDC; the paper margin record; failing
// driver calls and bands that never end.
#include <cstring>

#include "host_fixture.h"

namespace hosttest {
namespace {

using SessionTest = HostTest;

std::vector<std::string> Names(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(FirstWord(l));
  return out;
}

const char* kTwoPages = "unit dot\npage\nrect 100 100 200 200\npage\nrect 100 600 200 700\n";

TEST_F(SessionTest, TwoPagesGiveExactlyTheDriverCallsInGdiOrder) {
  RunResult r = Run(kTwoPages);
  ASSERT_EQ(r.result, pkhost::PlayResult::Printed) << r.createError;
  EXPECT_EQ(
      Names(r.driver),
      (std::vector<std::string>{
          "DrvEnableDriver",   "DrvEnablePDEV",  "DrvCompletePDEV", "DrvEnableSurface", "DrvStartDoc", "DrvStartPage",
          "DrvStartBanding",   "DrvBitBlt",      "DrvNextBand",     "DrvNextBand",      "DrvSendPage", "DrvStartPage",
          "DrvStartBanding",   "DrvNextBand",    "DrvBitBlt",       "DrvNextBand",      "DrvSendPage", "DrvEndDoc",
          "DrvDisableSurface", "DrvDisablePDEV", "DrvDisableDriver"}));
  EXPECT_EQ(r.driver.back(), "DrvDisableDriver");
  EXPECT_EQ(Matching(r.driver, "DrvEndDoc"), std::vector<std::string>{"DrvEndDoc 0"});
  EXPECT_EQ(Matching(r.driver, "DrvStartDoc")[0], "DrvStartDoc job=7 surface=800x500");
  EXPECT_EQ(Matching(r.driver, "DrvNextBand")[1], "DrvNextBand (-1,-1)");
  EXPECT_EQ(r.job, (std::vector<std::string>{"start", "end"}));
  // The host's trace names the same calls.
  EXPECT_EQ(Names(r.host), Names(r.driver));
}

TEST_F(SessionTest, InterfaceEventsComeAtTheirPlacesAndItsEndDocPageIsBanded) {
  RunResult r = Run(kTwoPages, true);
  ASSERT_EQ(r.result, pkhost::PlayResult::Printed) << r.createError;
  std::vector<std::string> expected = {"DrvEnableDriver",
                                       "DrvDocumentEvent CREATEDCPRE",
                                       "DrvEnablePDEV",
                                       "DrvCompletePDEV",
                                       "DrvEnableSurface",
                                       "DrvDocumentEvent CREATEDCPOST",
                                       "DrvDocumentEvent STARTDOC",
                                       "DrvStartDoc"};
  for (int page = 0; page < 2; ++page) {
    for (const char* l : {"DrvDocumentEvent STARTPAGE", "DrvEscape 28673", "DrvStartPage", "DrvDocumentEvent ENDPAGE",
                          "DrvStartBanding"})
      expected.push_back(l);
    if (page == 0) expected.push_back("DrvBitBlt");
    expected.push_back("DrvNextBand");
    if (page == 1) expected.push_back("DrvBitBlt");
    expected.push_back("DrvNextBand");
    expected.push_back("DrvSendPage");
  }
  for (const char* l : {"DrvDocumentEvent ENDDOC", "DrvDocumentEvent STARTPAGE", "DrvEscape 28673", "DrvStartPage",
                        "DrvDocumentEvent ENDPAGE", "DrvStartBanding", "DrvTextOut", "DrvNextBand", "DrvNextBand",
                        "DrvSendPage", "DrvEndDoc", "DrvDisableSurface", "DrvDisablePDEV", "DrvDisableDriver"})
    expected.push_back(l);
  EXPECT_EQ(r.host, expected);
  EXPECT_EQ(InterfaceEvents(), "1 2 5 6 7 6 7 8 6 7 ");
  EXPECT_EQ(Matching(r.driver, "DrvEscape 7001 in=4 out=0").size(), 3u);
  // The extra page's text sits at the library's position in the first band.
  auto texts = Matching(r.driver, "DrvTextOut");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("glyphs=3"), std::string::npos) << texts[0];
}

// An escape without output that the library sends between its drawing calls
// is sent at once for its answer and again in every band, in its place; what
// follows it goes to every band, since the driver may move it (the mark
// offset). An escape with output is sent once.
TEST_F(SessionTest, LibraryEscapesWithoutOutputAreReplayedInEveryBand) {
  Call<void (*)(int)>(interface_, "FakeInterfaceMarks")(1);
  RunResult r = Run("unit dot\npage\nrect 100 100 200 200\n", true);
  ASSERT_EQ(r.result, pkhost::PlayResult::Printed) << r.createError;
  EXPECT_EQ(Matching(r.driver, "DrvEscape 7003").size(), 2u);  // the end-document page too
  std::vector<std::string> page;
  for (auto it = std::find(r.driver.begin(), r.driver.end(), std::string("DrvEscape 7002 in=8 out=0"));
       it != r.driver.end(); ++it) {
    const std::string word = it->substr(0, it->find(' '));
    const std::string name = word == "DrvEscape" ? it->substr(0, 14) : word;
    if (name == "DrvSendPage") break;
    if (name != "DrvRealizeBrush") page.push_back(name);
  }
  EXPECT_EQ(page, (std::vector<std::string>{"DrvEscape 7002", "DrvEscape 7003", "DrvStartBanding", "DrvBitBlt",
                                            "DrvEscape 7002", "DrvTextOut", "DrvNextBand", "DrvEscape 7002",
                                            "DrvTextOut", "DrvNextBand"}));
}

TEST_F(SessionTest, NoInterfaceMeansNoEvents) {
  RunResult r = Run(kTwoPages, false);
  EXPECT_TRUE(Matching(r.host, "DrvDocumentEvent").empty());
  EXPECT_EQ(InterfaceEvents(), "");
}

TEST_F(SessionTest, PaperMarginRecordReachesEnablePdev) {
  std::vector<uint8_t> dm = pkhost::BareDevMode();
  const int margins[4] = {46, 46, 50, 60};
  std::string error;
  ASSERT_TRUE(pkhost::AppendPaperMargins(dm, margins, &error)) << error;
  RunResult with = Run("page\n", false, dm);
  EXPECT_EQ(Matching(with.driver, "DrvEnablePDEV")[0],
            "DrvEnablePDEV pdev=1 extra=2418 paper=9 tail=09002E002E0032003C00");
  Call<void (*)()>(driver_, "FakeDriverReset")();
  RunResult without = Run("page\n");
  EXPECT_EQ(Matching(without.driver, "DrvEnablePDEV")[0], "DrvEnablePDEV pdev=1 extra=2408 paper=9");
}

TEST_F(SessionTest, DevModeThatClaimsMoreThanItHoldsIsPaddedForTheDriver) {
  std::vector<uint8_t> dm = pkhost::BareDevMode();
  DEVMODEW head;
  std::memcpy(&head, dm.data(), sizeof head);
  head.dmDriverExtra = 5000;
  std::memcpy(dm.data(), &head, sizeof head);
  RunResult r = Run("page\n", false, dm);
  EXPECT_EQ(Matching(r.driver, "DrvEnablePDEV")[0],
            "DrvEnablePDEV pdev=1 extra=5000 paper=9 tail=00000000000000000000");
  RunResult shortOne = Run("page\n", false, std::vector<uint8_t>(100, 0));
  EXPECT_EQ(shortOne.createError, "the DEVMODE is shorter than its public part");
}

TEST_F(SessionTest, CreateDcEventDevModeReplacesTheApplications) {
  Call<void (*)(int)>(interface_, "FakeInterfaceReset")(1);
  RunResult r = Run("page\n", true);
  EXPECT_EQ(Matching(r.driver, "DrvEnablePDEV")[0],
            "DrvEnablePDEV pdev=1 extra=2418 paper=9 tail=09000100020003000400");
}

TEST_F(SessionTest, ResetDcBetweenPagesSwapsThePdevInOrder) {
  RunResult r = Run("unit dot\nrect 0 0 10 10\nresetdc\nrect 0 0 10 10\n", true);
  ASSERT_EQ(r.result, pkhost::PlayResult::Printed) << (r.failures.empty() ? "" : r.failures[0]);
  auto sendPage = std::find(r.host.begin(), r.host.end(), "DrvSendPage");
  ASSERT_NE(sendPage, r.host.end());
  std::vector<std::string> after(sendPage + 1, sendPage + 11);
  EXPECT_EQ(after,
            (std::vector<std::string>{"DrvDocumentEvent RESETDCPRE", "DrvEnablePDEV", "DrvCompletePDEV", "DrvResetPDEV",
                                      "DrvEnableSurface", "DrvDisableSurface", "DrvDisablePDEV",
                                      "DrvDocumentEvent RESETDCPOST", "DrvStartDoc", "DrvDocumentEvent STARTPAGE"}));
  EXPECT_EQ(Matching(r.driver, "DrvStartPage"),
            (std::vector<std::string>{"DrvStartPage pdev=1", "DrvStartPage pdev=2", "DrvStartPage pdev=2"}));
  EXPECT_EQ(Matching(r.driver, "DrvStartDoc").size(), 2u);
}

TEST_F(SessionTest, ResetDcAppliesItsSettings) {
  RunResult r = Run("page\nresetdc set 8=11\npage\n");
  auto pdevs = Matching(r.driver, "DrvEnablePDEV");
  ASSERT_EQ(pdevs.size(), 2u);
  EXPECT_NE(pdevs[0].find("paper=9"), std::string::npos);
  EXPECT_NE(pdevs[1].find("paper=11"), std::string::npos) << pdevs[1];
}

struct FailCase {
  const char* config;
  const char* why;
};

TEST_F(SessionTest, DriverFailuresAbortTheJob) {
  const FailCase cases[] = {
      {"fail DrvStartPage 2\n", "DrvStartPage failed on page 2"},
      {"endless\n", "the driver's bands do not end on page 1"},
      {"fail DrvNextBand 1\n", "DrvNextBand failed on page 1"},
      {"fail DrvStartBanding 1\n", "DrvStartBanding failed on page 1"},
      {"fail DrvSendPage 1\n", "DrvSendPage failed on page 1"},
      {"fail DrvStartDoc 1\n", "DrvStartDoc failed"},
  };
  for (const FailCase& c : cases) {
    SCOPED_TRACE(c.config);
    Call<void (*)()>(driver_, "FakeDriverReset")();
    Configure(c.config);
    RunResult r = Run(kTwoPages);
    EXPECT_EQ(r.result, pkhost::PlayResult::Failed);
    EXPECT_EQ(Matching(r.driver, "DrvEndDoc"), std::vector<std::string>{"DrvEndDoc 1"});
    EXPECT_EQ(r.job, (std::vector<std::string>{"start", "abort"}));
    ASSERT_FALSE(r.failures.empty());
    EXPECT_EQ(r.failures[0], c.why);
    // The DC is still deleted in order.
    EXPECT_EQ(Names(r.driver).back(), "DrvDisableDriver");
  }
}

TEST_F(SessionTest, FailedDrawingCallIsListedAndTheJobCompletes) {
  Configure("fail DrvBitBlt 0\n");
  RunResult r = Run("unit dot\nrect 100 450 300 550\n");
  EXPECT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(r.failures, (std::vector<std::string>{"DrvBitBlt failed at (100, 450, 300, 550)",
                                                  "DrvBitBlt failed at (100, 450, 300, 550)"}));
  EXPECT_EQ(r.job, (std::vector<std::string>{"start", "end"}));
}

TEST_F(SessionTest, RowsNoBandCoversAreReportedWhenTheyHeldDrawing) {
  // One band of 500 rows: the rectangle's rows 500-549 are lost.
  Configure("bands 0,0\n");
  RunResult r = Run("unit dot\nrect 100 450 300 550\n");
  EXPECT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(r.warnings, std::vector<std::string>{"page 1: 50 rows with drawing were in no band (first 500)"});
  // Drawing inside the band, or none, loses nothing.
  Configure("bands 0,0\n");
  EXPECT_TRUE(Run("unit dot\nrect 100 100 300 200\n").warnings.empty());
  Configure("bands 0,0\n");
  EXPECT_TRUE(Run("page\n").warnings.empty());
}

TEST_F(SessionTest, UnbandedSurfaceGetsEachCallOnce) {
  Configure("bands none\nsurface 800 1000\n");
  RunResult r = Run("unit dot\nrect 100 450 300 550\n");
  EXPECT_TRUE(Matching(r.driver, "DrvStartBanding").empty());
  EXPECT_EQ(Matching(r.driver, "DrvBitBlt"),
            std::vector<std::string>{"DrvBitBlt rop=F0F0 trg=(100,450,300,550) clip=DC_TRIVIAL brush=000000"});
  EXPECT_TRUE(r.warnings.empty());
}

TEST_F(SessionTest, AbortStatementEndsTheDocumentWithAbort) {
  RunResult r = Run("unit dot\nrect 0 0 10 10\nabort\nrect 0 0 10 10\n");
  EXPECT_EQ(r.result, pkhost::PlayResult::AbortedByDocument);
  EXPECT_EQ(Matching(r.driver, "DrvEndDoc"), std::vector<std::string>{"DrvEndDoc 1"});
  EXPECT_TRUE(Matching(r.driver, "DrvSendPage").empty());
  EXPECT_EQ(r.job, (std::vector<std::string>{"start", "abort"}));
}

TEST_F(SessionTest, EscapeReachesTheDriverWithItsBlocks) {
  RunResult r = Run("escape 0x5002 in 0102 out 16\n");
  EXPECT_EQ(Matching(r.host, "DrvEscape"), std::vector<std::string>{"DrvEscape 20482"});
  EXPECT_EQ(Matching(r.driver, "DrvEscape"), std::vector<std::string>{"DrvEscape 5002 in=2 out=16"});
}

TEST_F(SessionTest, EngineFallbackIsListed) {
  Configure("fallback\n");
  RunResult r = Run("unit dot\nrect 10 10 20 20\n");
  EXPECT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(r.failures, std::vector<std::string>{"DrvBitBlt fell back to the engine at (10, 10, 20, 20)"});
}

TEST_F(SessionTest, MissingRequiredEntryRefusesTheDriverNamingIt) {
  Configure("drop 32\n");
  RunResult r = Run("page\n");
  EXPECT_EQ(r.createError, "C:\\Driver\\FakeDriver.dll lacks DrvSendPage");
  // Without the banding entries a banded surface cannot be printed.
  Call<void (*)()>(driver_, "FakeDriverReset")();
  Configure("drop 58\n");
  RunResult b = Run("page\n");
  EXPECT_EQ(b.result, pkhost::PlayResult::Failed);
  EXPECT_EQ(b.failures[0], "the surface is banded but the driver lacks DrvStartBanding or DrvNextBand");

  pkhost::RunLog log;
  pkhost::DriverTable table;
  std::string error;
  EXPECT_FALSE(table.Load(u"C:\\Driver\\Missing.dll", log, &error));
  EXPECT_NE(error.find("Missing.dll"), std::string::npos) << error;
  // The fake interface library has no DrvEnableDriver.
  EXPECT_FALSE(table.Load(kInterface, log, &error));
  EXPECT_NE(error.find("DrvEnableDriver"), std::string::npos) << error;
}

}  // namespace
}  // namespace hosttest
