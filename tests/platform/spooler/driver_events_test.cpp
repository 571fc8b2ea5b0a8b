// The spooler's calls into the driver's configuration module: an added
// printer (and a fresh root's default printer) is set up by its driver, a
// deleted one is cleaned up before it goes, an upgrade reaches every printer
// of the driver, and a missing module or the seam leave printers as the
// spooler alone makes them.
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/platform/spooler/spooler_test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kModel = "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\ORVC3600.DDD";

class SpoolerDriverEvents : public pk::test::SpoolerTest {
 protected:
  // A fresh root whose spooler calls the driver.
  void SetUp() override {
    SpoolerTest::SetUp();
    pk::seams::SetPrinterEventCalls(true);
    root_ = pk::seams::UseTemporaryMachineRoot();
  }
  std::string Spoolctl(const std::string& args, int* status = nullptr) {
    std::string command = std::string(PK_SPOOLCTL_PATH) + " --root '" + root_ + "' " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 512> buffer;
    while (p && fgets(buffer.data(), buffer.size(), p)) out += buffer.data();
    int rc = p ? pclose(p) : -1;
    if (status) *status = WEXITSTATUS(rc);
    return out;
  }
  // Whether the printer has the value (false for an unknown printer).
  static bool HasValue(const std::u16string& printer, const std::u16string& name) {
    std::vector<pk::spooler::PrinterDataRecord> values;
    if (!pk::spooler::ListPrinterData(printer, &values)) return false;
    for (const auto& v : values)
      if (v.key.empty() && v.name == name) return true;
    return false;
  }
  // The number of user forms of the machine.
  DWORD UserForms() {
    HANDLE h = Open();
    DWORD needed = 0, count = 0;
    EnumFormsW(h, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> block(needed);
    EXPECT_TRUE(EnumFormsW(h, 1, block.data(), needed, &needed, &count));
    Close(h);
    DWORD user = 0;
    auto forms = reinterpret_cast<const FORM_INFO_1W*>(block.data());
    for (DWORD i = 0; i < count; ++i) user += forms[i].Flags == FORM_USER;
    return user;
  }
};

TEST_F(SpoolerDriverEvents, FreshRootsDefaultPrinterIsSetUpByItsDriver) {
  EXPECT_TRUE(HasValue(PK_DEFAULT_PRINTER_NAME, u"PRNID"));
  EXPECT_TRUE(HasValue(PK_DEFAULT_PRINTER_NAME, u"FontSubTableSize"));
  // The default model's ten user paper slots.
  EXPECT_EQ(UserForms(), 10u);
}

TEST_F(SpoolerDriverEvents, AddedPrinterGetsItsIdAndFormsUnlessTheSeamIsOff) {
  // Forms are the machine's: start from none of the driver's.
  pk::seams::SetPrinterEventCalls(false);
  root_ = pk::seams::UseTemporaryMachineRoot();
  EXPECT_FALSE(HasValue(PK_DEFAULT_PRINTER_NAME, u"PRNID"));
  EXPECT_EQ(pk::spooler::AddPrinter(u"Bare", std::u16string(kModel.begin(), kModel.end())), 0u);
  EXPECT_FALSE(HasValue(u"Bare", u"PRNID"));
  EXPECT_EQ(UserForms(), 0u);

  int status = -1;
  EXPECT_EQ(Spoolctl("add-printer Office2 --data-file '" + kModel + "'", &status), "");
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(HasValue(u"Office2", u"PRNID"));
  EXPECT_TRUE(HasValue(u"Office2", u"PrinterDataSize"));
  EXPECT_EQ(UserForms(), 10u);

  // The upgrade reaches every printer of the driver.
  EXPECT_EQ(Spoolctl("upgrade-driver", &status), "KZ TRD Printer\tupgraded\nBare\tupgraded\nOffice2\tupgraded\n");
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(HasValue(u"Bare", u"PRNID"));
  Spoolctl("upgrade-driver 'No such driver'", &status);
  EXPECT_EQ(status, 1);
}

TEST_F(SpoolerDriverEvents, DeletedPrinterGoesWithItsData) {
  int status = -1;
  Spoolctl("add-printer Office2 --data-file '" + kModel + "'", &status);
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(HasValue(u"Office2", u"PRNID"));
  EXPECT_EQ(Spoolctl("delete-printer Office2", &status), "");
  EXPECT_EQ(status, 0);
  std::vector<pk::spooler::PrinterDataRecord> values;
  EXPECT_FALSE(pk::spooler::ListPrinterData(u"Office2", &values));
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinterW(u"Office2", &h, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
  // The name is free again.
  EXPECT_EQ(pk::spooler::AddPrinter(u"Office2", std::u16string(kModel.begin(), kModel.end())), 0u);

  EXPECT_EQ(pk::spooler::DeletePrinter(u"No such printer"), DWORD(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(pk::spooler::DeletePrinter(u""), DWORD(ERROR_INVALID_PARAMETER));
  pk::seams::SetUserIsAdministrator(false);
  EXPECT_EQ(pk::spooler::DeletePrinter(u"Office2"), DWORD(ERROR_ACCESS_DENIED));
}

// A configuration module that is missing is skipped: a root whose driver
// folder got the model but no Sumbrel.
TEST_F(SpoolerDriverEvents, MissingConfigurationModuleIsSkipped) {
  const fs::path source = fs::path(root_ + "-source");
  fs::create_directories(source);
  fs::copy_file(fs::path(pk::spooler::DriverSourceFolder()) / "ORVC3600.DDD", source / "ORVC3600.DDD");
  pk::spooler::SetDriverSourceFolder(source.string());
  root_ = pk::seams::UseTemporaryMachineRoot();
  EXPECT_FALSE(HasValue(PK_DEFAULT_PRINTER_NAME, u"PRNID"));
  EXPECT_EQ(pk::spooler::AddPrinter(u"Office2", std::u16string(kModel.begin(), kModel.end())), 0u);
  EXPECT_FALSE(HasValue(u"Office2", u"PRNID"));
  EXPECT_EQ(pk::spooler::DeletePrinter(u"Office2"), 0u);
  EXPECT_EQ(pk::spooler::UpgradeDriver(PK_DEFAULT_DRIVER_NAME), 0u);
  pk::spooler::SetDriverSourceFolder(std::string());
  fs::remove_all(source);
}

}  // namespace
