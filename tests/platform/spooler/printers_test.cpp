// Printers and their driver records: the fresh root's default printer, the
// levels of GetPrinterW and EnumPrintersW, the driver record, and opening.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/platform/spooler/spooler_test_support.h"

namespace {

using pk::test::FetchBlock;
using pk::test::InBlock;
using pk::test::TextInBlock;
namespace fs = std::filesystem;

class SpoolerPrinters : public pk::test::SpoolerTest {};

TEST_F(SpoolerPrinters, LevelTwoCarriesTheDefaultDevModeInsideTheBlock) {
  HANDLE h = Open();
  std::vector<BYTE> block = FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetPrinterW(h, 2, p, n, need); });
  auto info = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
  EXPECT_EQ(std::u16string(info->pPrinterName), PK_DEFAULT_PRINTER_NAME);
  EXPECT_EQ(std::u16string(info->pPortName), u"KZJOB:");
  EXPECT_EQ(std::u16string(info->pDriverName), u"KZ TRD Printer Driver");
  EXPECT_EQ(info->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT));
  for (const WCHAR* t : {info->pPrinterName, info->pPortName, info->pDriverName, info->pDatatype})
    EXPECT_TRUE(TextInBlock(block, t));
  ASSERT_TRUE(InBlock(block, info->pDevMode, sizeof(DEVMODEW)));
  const DEVMODEW& dm = *info->pDevMode;
  EXPECT_EQ(dm.dmSize, 220);
  EXPECT_EQ(dm.dmDriverExtra, 0);
  EXPECT_EQ(dm.dmSpecVersion, 0x401);
  EXPECT_NE(dm.dmDriverVersion, 0x3204);
  EXPECT_EQ(std::u16string(dm.dmDeviceName), PK_DEFAULT_PRINTER_NAME);
  EXPECT_EQ(dm.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(dm.dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(dm.dmCopies, 1);
  // Nothing follows the 220 bytes: a reader that trusts fixed offsets of a
  // larger layout reads past the block.
  EXPECT_EQ(reinterpret_cast<const BYTE*>(info->pDevMode) + 220, block.data() + block.size());
}

TEST_F(SpoolerPrinters, LevelsOneFourAndFiveNameThePrinterAndItsAttributes) {
  HANDLE h = Open();
  auto get = [&](DWORD level) {
    return FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetPrinterW(h, level, p, n, need); });
  };
  std::vector<BYTE> one = get(1), four = get(4), five = get(5);
  auto i1 = reinterpret_cast<PRINTER_INFO_1W*>(one.data());
  EXPECT_TRUE(TextInBlock(one, i1->pName));
  EXPECT_EQ(std::u16string(i1->pName), PK_DEFAULT_PRINTER_NAME);
  auto i4 = reinterpret_cast<PRINTER_INFO_4W*>(four.data());
  EXPECT_TRUE(TextInBlock(four, i4->pPrinterName));
  EXPECT_EQ(i4->Attributes & PRINTER_ATTRIBUTE_LOCAL, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
  auto i5 = reinterpret_cast<PRINTER_INFO_5W*>(five.data());
  EXPECT_EQ(std::u16string(i5->pPortName), u"KZJOB:");
  EXPECT_EQ(i5->Attributes, i4->Attributes);
}

TEST_F(SpoolerPrinters, BadLevelsHandlesAndShortBuffersAreRefused) {
  HANDLE h = Open();
  DWORD needed = 0, count = 0;
  BYTE buffer[512];
  for (DWORD level : {0u, 3u, 6u}) {
    EXPECT_FALSE(GetPrinterW(h, level, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL)) << level;
    EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, buffer, sizeof buffer, &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL)) << level;
  }
  for (DWORD level : {1u, 4u}) EXPECT_FALSE(GetPrinterDriverW(h, nullptr, level, buffer, sizeof buffer, &needed));
  // One byte short writes nothing.
  ASSERT_FALSE(GetPrinterW(h, 2, nullptr, 0, &needed));
  std::vector<BYTE> block(needed, 0x5A);
  EXPECT_FALSE(GetPrinterW(h, 2, block.data(), needed - 1, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::count(block.begin(), block.end(), 0x5A), static_cast<long>(block.size()));

  HANDLE closed = Open();
  EXPECT_TRUE(Close(closed));
  HANDLE foreign = reinterpret_cast<HANDLE>(0x1234);
  for (HANDLE bad : {closed, foreign, static_cast<HANDLE>(nullptr)}) {
    EXPECT_FALSE(GetPrinterW(bad, 2, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(GetPrinterDriverW(bad, nullptr, 2, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(ClosePrinter(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}

TEST_F(SpoolerPrinters, DriverRecordPointsIntoTheDriverFolder) {
  HANDLE h = Open();
  std::vector<BYTE> block =
      FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetPrinterDriverW(h, nullptr, 2, p, n, need); });
  ASSERT_EQ(block.size() >= sizeof(DRIVER_INFO_2W), true);
  auto d = reinterpret_cast<DRIVER_INFO_2W*>(block.data());
  EXPECT_EQ(d->cVersion, 3u);
  for (const WCHAR* t : {d->pName, d->pEnvironment, d->pDriverPath, d->pDataFile, d->pConfigFile})
    EXPECT_TRUE(TextInBlock(block, t));
  EXPECT_EQ(std::u16string(d->pName), u"KZ TRD Printer Driver");
  EXPECT_EQ(std::u16string(d->pEnvironment), u"Windows x64");
  EXPECT_EQ(std::u16string(d->pDriverPath), std::u16string(PK_DRIVER_FOLDER) + u"Pelkran.dll");
  EXPECT_EQ(std::u16string(d->pConfigFile), std::u16string(PK_DRIVER_FOLDER) + u"Sumbrel.dll");

  // Level 3 shares the first fields and adds the rest inside its own block.
  std::vector<BYTE> three =
      FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetPrinterDriverW(h, u"Windows x64", 3, p, n, need); });
  auto d3 = reinterpret_cast<DRIVER_INFO_3W*>(three.data());
  EXPECT_EQ(std::u16string(d3->pDataFile), std::u16string(d->pDataFile));
  for (const WCHAR* t : {d3->pHelpFile, d3->pDependentFiles, d3->pMonitorName, d3->pDefaultDataType})
    EXPECT_TRUE(TextInBlock(three, t));
  EXPECT_EQ(std::u16string(d3->pDefaultDataType), u"RAW");

  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverW(h, u"Windows NT x86", 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
}

TEST_F(SpoolerPrinters, EnumerationSizeQueryThenEveryLocalPrinter) {
  ASSERT_EQ(pk::spooler::AddPrinter(u"Second Printer", u"C:\\models\\SECOND.DDD"), 0u);
  EXPECT_EQ(pk::spooler::AddPrinter(u"second printer", u"C:\\x.DDD"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(pk::spooler::AddPrinter(u"", u"C:\\x.DDD"), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  for (DWORD level : {1u, 2u, 4u, 5u}) {
    DWORD count = 0;
    std::vector<BYTE> block = FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) {
      return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, p, n, need, &count);
    });
    ASSERT_EQ(count, 2u) << level;
    if (level == 4) {
      auto p = reinterpret_cast<PRINTER_INFO_4W*>(block.data());
      EXPECT_EQ(std::u16string(p[0].pPrinterName), PK_DEFAULT_PRINTER_NAME);
      EXPECT_EQ(std::u16string(p[1].pPrinterName), u"Second Printer");
      EXPECT_TRUE(TextInBlock(block, p[1].pPrinterName));
      EXPECT_EQ(p[0].Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT));
      EXPECT_EQ(p[1].Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
    }
    if (level == 2) {
      auto p = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
      EXPECT_TRUE(InBlock(block, p[1].pDevMode, 220));
      EXPECT_EQ(std::u16string(p[1].pDevMode->dmDeviceName), u"Second Printer");
    }
  }
  // The new printer has the data file it was given.
  HANDLE h = Open(u"SECOND PRINTER");
  std::vector<BYTE> block =
      FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetPrinterDriverW(h, nullptr, 2, p, n, need); });
  EXPECT_EQ(std::u16string(reinterpret_cast<DRIVER_INFO_2W*>(block.data())->pDataFile), u"C:\\models\\SECOND.DDD");
}

TEST_F(SpoolerPrinters, OpeningChecksTheNameAndTheAccessAsked) {
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinterW(u"No Such Printer", &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(h, nullptr);
  EXPECT_FALSE(OpenPrinterW(nullptr, &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));

  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
  Open(PK_DEFAULT_PRINTER_NAME, &all);  // an administrator may
  pk::seams::SetUserIsAdministrator(false);
  EXPECT_FALSE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &h, &all));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  PRINTER_DEFAULTSW administer{nullptr, nullptr, PRINTER_ACCESS_ADMINISTER};
  EXPECT_FALSE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &h, &administer));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  PRINTER_DEFAULTSW read{nullptr, nullptr, 0x00020000 | PRINTER_ACCESS_USE};
  Open(PK_DEFAULT_PRINTER_NAME, &read);
  Open(PK_DEFAULT_PRINTER_NAME, &use);
  Open(PK_DEFAULT_PRINTER_NAME, nullptr);
}

TEST_F(SpoolerPrinters, OpenFailsForTheOnePrinterTheSeamNames) {
  ASSERT_EQ(pk::spooler::AddPrinter(u"Gone", u"C:\\x.DDD"), 0u);
  pk::seams::FailOpenPrinter(u"gone", ERROR_INVALID_PRINTER_NAME);
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinterW(u"Gone", &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  Open();
  // Still listed: only opening it fails.
  DWORD needed = 0, count = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, block.data(), needed, &needed, &count));
  EXPECT_EQ(count, 2u);
}

// A driver source folder with stand-ins of the deliverables.
class SpoolerFreshRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::ResetAll();
    source_ = fs::temp_directory_path() / ("pk-driver-src-" + std::to_string(getpid()));
    fs::create_directories(source_);
    for (const char* name : {"Pelkran.so", "Sumbrel.so", "Tarquen.vbn", "KZTRD.vbn", "Lindvar", "KZTRD.DDD",
                             "KZTRD2.DDD", "unrelated.txt"})
      std::ofstream(source_ / name) << name;
    pk::spooler::SetDriverSourceFolder(source_.string());
    root_ = pk::seams::UseTemporaryMachineRoot();
  }
  void TearDown() override {
    pk::spooler::SetDriverSourceFolder(std::string());
    pk::seams::ResetAll();
    fs::remove_all(source_);
  }
  fs::path source_;
  std::string root_;
};

TEST_F(SpoolerFreshRoot, DriverFolderGetsTheListedFilesAndTheModelBecomesTheDataFile) {
  fs::path folder = fs::path(root_) / "c/Windows/System32/spool/drivers/x64/3";
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &h, nullptr));
  // The model's own string module goes with it.
  for (const char* name :
       {"Pelkran.so", "Sumbrel.so", "Tarquen.vbn", "KZTRD.vbn", "Lindvar", "KZTRD.DDD", "KZTRD2.DDD"}) {
    std::ifstream in(folder / name);
    std::string text;
    in >> text;
    EXPECT_EQ(text, name);
  }
  EXPECT_FALSE(fs::exists(folder / "unrelated.txt"));
  DWORD needed = 0;
  GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 3, block.data(), needed, &needed));
  auto d = reinterpret_cast<DRIVER_INFO_3W*>(block.data());
  EXPECT_EQ(std::u16string(d->pDataFile), std::u16string(PK_DRIVER_FOLDER) + u"KZTRD.DDD");
  // The dependent files name every file placed, as a list ended by an empty name.
  std::vector<std::u16string> files;
  for (const WCHAR* p = d->pDependentFiles; *p; p += files.back().size() + 1) files.emplace_back(p);
  EXPECT_EQ(files.size(), 7u);
  EXPECT_EQ(files.front(), std::u16string(PK_DRIVER_FOLDER) + u"Pelkran.so");
  ClosePrinter(h);
}

TEST(SpoolerDriverFiles, TheBuildsDeliverablesReachTheDriverFolder) {
  pk::seams::ResetAll();
  std::string root = pk::seams::UseTemporaryMachineRoot();
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &h, nullptr));
  ClosePrinter(h);
  fs::path source = pk::spooler::DriverSourceFolder();
  fs::path folder = fs::path(root) / "c/Windows/System32/spool/drivers/x64/3";
  int present = 0;
  for (const std::string& name : pk::spooler::DriverFileList()) {
    if (name.find('*') != std::string::npos || !fs::exists(source / name)) continue;
    ++present;
    EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_EQ(fs::file_size(folder / name), fs::file_size(source / name)) << name;
  }
  EXPECT_GT(present, 0) << "no deliverable in " << source;
  pk::seams::ResetAll();
}

}  // namespace
