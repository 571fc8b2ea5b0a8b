// The print host with both libraries of a fresh machine root: the document
// events of the interface library around every step of a job, its escapes to
// the graphics driver, and the user's paper margins reaching the PDEV.
#include <sys/wait.h>

#include <cstring>

#include "host/printer_link.h"
#include "host_fixture.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"

namespace hosttest {
namespace {

class SumbrelGdihostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  int Gdihost(const std::string& options) {
    const std::string command =
        "cd '" + root_ + "' && '" + BuildOut() + "/gdihost' -q --root '" + root_ + "' " + options + " 2> gdihost.err";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int JobCheck(const std::string& job) {
    const int status = std::system(("'" + BuildOut() + "/jobcheck' '" + root_ + "/" + job + "' > /dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::vector<std::string> Trace(const std::string& file) {
    std::ifstream in(root_ + "/" + file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::string Read(const std::string& file) {
    std::ifstream in(root_ + "/" + file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string root_;
};

// The events in the host's order; at every page start the DEVMODE, margins
// and page count are asked, the printer settings only at the first.
TEST_F(SumbrelGdihostTest, EventsAndEscapesOfATwoPageJob) {
  std::ofstream(root_ + "/doc.txt") << "unit dot\npage\nrect 100 100 200 200\npage\nrect 100 100 300 300\n";
  ASSERT_EQ(Gdihost("-o t.prn --trace trace.txt doc.txt"), 0) << Read("gdihost.err");
  EXPECT_EQ(JobCheck("t.prn"), 0);
  std::vector<std::string> seen;
  for (const std::string& l : Trace("trace.txt"))
    if (l.rfind("DrvDocumentEvent", 0) == 0 || l.rfind("DrvEscape", 0) == 0)
      seen.push_back(l.substr(0, l.find(" answered")));
  const std::vector<std::string> pageStart = {"DrvDocumentEvent STARTPAGE", "DrvEscape 20482", "DrvEscape 20496",
                                              "DrvEscape 20490"};
  std::vector<std::string> expected = {"DrvDocumentEvent CREATEDCPRE", "DrvDocumentEvent CREATEDCPOST",
                                       "DrvDocumentEvent STARTDOC", "DrvEscape 20482"};
  expected.insert(expected.end(), pageStart.begin(), pageStart.end());
  expected.push_back("DrvEscape 20491");
  expected.insert(expected.end(), {"DrvDocumentEvent ENDPAGE", "DrvEscape 20481"});
  expected.insert(expected.end(), pageStart.begin(), pageStart.end());
  expected.insert(expected.end(),
                  {"DrvDocumentEvent ENDPAGE", "DrvEscape 20481", "DrvDocumentEvent ENDDOC", "DrvEscape 20481"});
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Read("gdihost.err").find("failed"), std::string::npos) << Read("gdihost.err");
}

// With paper margins off the interface library changes nothing of the job.
TEST_F(SumbrelGdihostTest, TestPagePrintsAsWithoutTheLibrary) {
  const int with = Gdihost("--test-page -o with.prn");
  const int without = Gdihost("--no-interface --test-page -o without.prn");
  EXPECT_EQ(with, without) << Read("gdihost.err");
  EXPECT_EQ(JobCheck("with.prn"), 0);
  EXPECT_FALSE(Read("with.prn").empty());
  EXPECT_EQ(Read("with.prn"), Read("without.prn"));
}

// Stored A4 margins of 100 on every side take the two margins of each axis
// off the printable size when the DEVMODE asks for them.
TEST_F(SumbrelGdihostTest, StoredMarginsShrinkThePrintableArea) {
  pkhost::OpenedPrinter printer;
  std::string error;
  ASSERT_TRUE(pkhost::OpenPrinterForHost(PK_DEFAULT_PRINTER_NAME, &printer, &error)) << error;
  // The printer's id names its per-user key.
  const BYTE id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  ASSERT_EQ(SetPrinterDataW(printer.handle, u"PRNID", REG_BINARY, id, 16), 0u);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER,
                          u"Software\\Caldrix\\KZ TRD Printer Driver\\Printers\\0102030405060708090A0B0C0D0E0F10"
                          u"\\Paper Margin",
                          &key),
            ERROR_SUCCESS);
  const int32_t value[5] = {9, 100, 100, 100, 100};
  ASSERT_EQ(RegSetValueExW(key, u"9", 0, REG_BINARY, reinterpret_cast<const BYTE*>(value), 20), ERROR_SUCCESS);
  RegCloseKey(key);

  auto printable = [&](bool margins, GDIINFO* gdi) {
    pkhost::PrinterSetup setup;
    setup.printerName = printer.name;
    setup.hPrinter = printer.handle;
    setup.devMode = printer.devMode;
    setup.driverPath = printer.driverPath;
    setup.interfacePath = printer.interfacePath;
    std::string why;
    ASSERT_TRUE(pkhost::ApplySetting(setup.devMode, 387, margins ? 1 : 0, &why)) << why;
    pkhost::RunLog log;
    pkhost::PrintSession session(log, nullptr);
    ASSERT_TRUE(session.CreateDc(setup, &why)) << why;
    *gdi = session.gdiInfo();
    session.DeleteDc();
  };
  GDIINFO plain{}, narrowed{};
  printable(false, &plain);
  printable(true, &narrowed);
  // The margins are tenths of a millimetre: 20 mm an axis at the device's resolution.
  // Without them the printable size is the page inside the model's margins.
  ASSERT_LT(plain.ulHorzRes, static_cast<ULONG>(plain.szlPhysSize.cx));
  ASSERT_LT(plain.ulVertRes, static_cast<ULONG>(plain.szlPhysSize.cy));
  const double twoMargins = 200 * plain.ulLogPixelsX / 254.0;
  EXPECT_NEAR(double(narrowed.szlPhysSize.cx - LONG(narrowed.ulHorzRes)), twoMargins, 1.0);
  EXPECT_NEAR(double(narrowed.szlPhysSize.cy - LONG(narrowed.ulVertRes)), twoMargins, 1.0);
  pkhost::ClosePrinterForHost(&printer);
}

}  // namespace
}  // namespace hosttest
