// The spooler's state is the machine's: another process on the same root sees
// printers and jobs at once, and a job whose process ends is incomplete.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "tests/platform/spooler/spooler_test_support.h"

namespace {

using pk::spooler::JobState;

class SpoolerProcesses : public pk::test::SpoolerTest {
 protected:
  // Runs spoolctl on the test's root; its standard output.
  std::string Spoolctl(const std::string& args, int* status = nullptr) {
    std::string command = std::string(PK_SPOOLCTL_PATH) + " --root '" + root_ + "' " + args;
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 512> buffer;
    while (p && fgets(buffer.data(), buffer.size(), p)) out += buffer.data();
    int rc = p ? pclose(p) : -1;
    if (status) *status = rc;
    return out;
  }
};

TEST_F(SpoolerProcesses, APrinterAddedByAnotherProcessIsListedAtOnce) {
  DWORD needed = 0, count = 0;
  EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_GT(needed, 0u);
  int status = -1;
  Spoolctl("add-printer 'Office Copier' --data-file 'C:\\models\\COPIER.DDD'", &status);
  EXPECT_EQ(status, 0);
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(std::u16string(reinterpret_cast<PRINTER_INFO_4W*>(block.data())[1].pPrinterName), u"Office Copier");
  Spoolctl("add-printer 'Office Copier' --data-file 'C:\\x.DDD'", &status);
  EXPECT_NE(status, 0);
}

TEST_F(SpoolerProcesses, AnotherProcessListsThePrintersJobsAndDataOfThisOne) {
  ASSERT_EQ(pk::spooler::AddPrinter(u"Back Office", u"C:\\models\\BACK.DDD"), 0u);
  HANDLE h = Open(u"Back Office");
  DOC_INFO_1W info{u"report", nullptr, u"RAW"};
  DWORD id = StartDocPrinterW(h, 1, reinterpret_cast<const BYTE*>(&info));
  ASSERT_GT(id, 0u);
  DWORD written = 0;
  ASSERT_TRUE(StartPagePrinter(h));
  ASSERT_TRUE(WritePrinter(h, "0123456789", 10, &written));
  ASSERT_TRUE(WritePrinter(h, "ab", 2, &written));
  ASSERT_TRUE(EndPagePrinter(h));
  ASSERT_TRUE(EndDocPrinter(h));
  DWORD size = 2840;
  ASSERT_EQ(SetPrinterDataW(h, u"PrinterDataSize", REG_DWORD, reinterpret_cast<BYTE*>(&size), 4), 0u);

  std::string printers = Spoolctl("printers");
  EXPECT_NE(printers.find("KZ TRD Printer\tlocal,default\tport=KZJOB:"), std::string::npos) << printers;
  EXPECT_NE(printers.find("Back Office\tlocal\t"), std::string::npos) << printers;
  EXPECT_NE(printers.find("data-file=C:\\models\\BACK.DDD"), std::string::npos) << printers;
  std::string jobs = Spoolctl("jobs 'Back Office'");
  EXPECT_NE(jobs.find(std::to_string(id) + "\tBack Office\treport\tcomplete\tpages=1\tbytes=12\twrites=10,2"),
            std::string::npos)
      << jobs;
  EXPECT_EQ(Spoolctl("jobs 'KZ TRD Printer'"), "");
  EXPECT_EQ(Spoolctl("job-file " + std::to_string(id)), pk::spooler::JobHostPath(id) + "\n");
  EXPECT_NE(Spoolctl("data 'Back Office'").find("PrinterDataSize\tREG_DWORD\t4 bytes\t2840"), std::string::npos);
  std::string forms = Spoolctl("forms");
  EXPECT_NE(forms.find("9\tbuiltin\tA4\t210000 x 297000"), std::string::npos);
  int status = 0;
  Spoolctl("job-file 999", &status);
  EXPECT_NE(status, 0);
  Spoolctl("no-such-command", &status);
  EXPECT_NE(status, 0);
}

TEST_F(SpoolerProcesses, AJobWhoseProcessEndsIsIncompleteWithItsBytes) {
  // Open the root's database here first, so the child inherits a used one.
  HANDLE h = Open();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE job = nullptr;
    DOC_INFO_1W info{u"crashing", nullptr, u"RAW"};
    DWORD written = 0;
    bool ok = OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &job, nullptr) &&
              StartDocPrinterW(job, 1, reinterpret_cast<const BYTE*>(&info)) > 0 &&
              WritePrinter(job, "partial", 7, &written);
    _exit(ok ? 0 : 1);  // ends without closing anything
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto jobs = pk::spooler::ListJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].document, u"crashing");
  EXPECT_EQ(jobs[0].state, JobState::Incomplete);
  EXPECT_EQ(jobs[0].bytes, 7u);
  EXPECT_EQ(Spoolctl("jobs").find("\tincomplete\t") != std::string::npos, true);
  (void)h;
}

TEST_F(SpoolerProcesses, AFreshRootShowsItsDefaultPrinterToSpoolctl) {
  std::string printers = Spoolctl("printers");
  EXPECT_EQ(printers.rfind("KZ TRD Printer\tlocal,default\tport=KZJOB:\tdriver=KZ TRD Printer Driver", 0), 0u)
      << printers;
  EXPECT_EQ(Spoolctl("jobs"), "");
}

}  // namespace
