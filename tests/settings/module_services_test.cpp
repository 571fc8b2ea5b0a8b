// Module state and resource module, spooler records and forms, code pages,
// the operating-system tests and the user-paper slot helpers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/spooler/spooler_admin.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/services/code_pages.h"
#include "settings/services/module_state.h"
#include "settings/services/os_version.h"
#include "settings/services/spooler_records.h"
#include "settings/services/user_paper.h"

namespace {

void PutU16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void PutU32(std::string& s, uint32_t v) {
  PutU16(s, static_cast<uint16_t>(v & 0xFFFF));
  PutU16(s, static_cast<uint16_t>(v >> 16));
}

// Writes a resource-only module holding the given strings at a Windows path.
void WriteStringModule(const char16_t* windowsPath, const std::map<uint16_t, std::u16string>& strings) {
  std::string head("PKRES\0\r\n", 8);
  PutU16(head, 1);
  PutU16(head, 0);
  PutU32(head, static_cast<uint32_t>(strings.size()));
  std::string data;
  uint32_t offset = static_cast<uint32_t>(16 + 12 * strings.size());
  for (const auto& [id, text] : strings) {
    PutU16(head, 6);
    PutU16(head, id);
    PutU32(head, offset + static_cast<uint32_t>(data.size()));
    PutU32(head, static_cast<uint32_t>(text.size() * 2));
    for (char16_t c : text) PutU16(data, c);
  }
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(windowsPath, nullptr, &host), 0u);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary) << head << data;
}

class ModuleStateTest : public ::testing::Test {
 protected:
  void SetUp() override { pk::seams::UseTemporaryMachineRoot(); }
  void TearDown() override {
    ReleaseModule();
    if (own_) FreeLibrary(own_);
  }
  // Loads the library's stand-in at C:\Driver\Own.dll, whose string 32767
  // names the resource module.
  HMODULE LoadOwn(const std::u16string& resourceName) {
    WriteStringModule(u"C:\\Driver\\Own.dll", {{32767, resourceName}});
    own_ = LoadLibraryW(u"C:\\Driver\\Own.dll");
    EXPECT_NE(own_, nullptr);
    return own_;
  }
  HMODULE own_ = nullptr;
};

TEST_F(ModuleStateTest, FolderAndResourceModuleOfTheLibrary) {
  WriteStringModule(u"C:\\Driver\\Tarquen.vbn", {{426, u"(None)"}});
  HMODULE own = LoadOwn(u"Tarquen.vbn");
  EXPECT_EQ(GetResourceModule(), nullptr);         // nothing before the first reference
  InitModule(own, u"C:\\Elsewhere\\Ignored.dll");  // the first call takes the module's own name

  WCHAR folder[300];
  EXPECT_EQ(GetModuleFolder(folder, 518), 0);
  ASSERT_EQ(GetModuleFolder(folder, 520), 1);
  EXPECT_EQ(std::u16string(folder), u"C:\\Driver\\");

  HMODULE resources = GetResourceModule();
  ASSERT_NE(resources, nullptr);
  EXPECT_EQ(GetResourceModule(), resources);
  WCHAR text[32];
  EXPECT_EQ(LoadStringW(resources, 426, text, 32), 6);
  EXPECT_EQ(std::u16string(text), u"(None)");

  // Further references keep everything; the last release frees the module.
  InitModule(own, nullptr);
  ReleaseModuleRef();
  EXPECT_EQ(GetResourceModule(), resources);
  ReleaseModuleRef();
  EXPECT_EQ(GetResourceModule(), nullptr);
  EXPECT_EQ(LoadStringW(resources, 426, text, 32), 0);  // the handle is gone

  // Once the folder is known, a new first reference keeps the given path.
  InitModule(own, u"C:\\Other\\Own.dll");
  ASSERT_EQ(GetModuleFolder(folder, sizeof folder), 1);
  EXPECT_EQ(std::u16string(folder), u"C:\\Other\\");
  EXPECT_EQ(GetResourceModule(), nullptr);  // no Tarquen.vbn there
}

TEST_F(ModuleStateTest, ResourcePathLongerThanTheLimitLeavesTheModuleUnloadable) {
  std::u16string name(250, u'x');
  name += u".vbn";
  HMODULE own = LoadOwn(name);
  InitModule(own, nullptr);
  EXPECT_EQ(GetResourceModule(), nullptr);

  // A detach releases every reference at once.
  InitModule(own, nullptr);
  InitModule(own, nullptr);
  ReleaseModule();
  WCHAR folder[300];
  EXPECT_EQ(GetModuleFolder(folder, sizeof folder), 1);  // the folder stays known
  EXPECT_EQ(GetResourceModule(), nullptr);
}

TEST(ModuleServices, SmallServices) {
  EXPECT_EQ(ParseInt(u"-42x"), -42);
  EXPECT_EQ(ParseInt(nullptr), 0);
  EXPECT_EQ(GetPrinterStartupStatus(nullptr, nullptr), 0);
  EXPECT_EQ(IsFaxAvailable(), 0);
}

TEST(OsVersion, PlatformCodes) {
  struct Case {
    DWORD major, minor, platform, code;
    int newer;
  };
  const Case cases[] = {
      {6, 1, 2, 0x202, 1}, {5, 0, 2, 0x202, 1},  {4, 0, 2, 0x201, 0}, {3, 51, 2, 0x200, 0},
      {4, 0, 1, 0x101, 0}, {4, 10, 1, 0x102, 1}, {3, 0, 1, 0x100, 0}, {1, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    pk::seams::SetOsVersion(c.major, c.minor, c.platform);
    DWORD code = 0xDEAD;
    EXPECT_EQ(GetOsPlatformCode(&code), 1);
    EXPECT_EQ(code, c.code) << c.major << "." << c.minor << " platform " << c.platform;
    DWORD marker = 0;
    EXPECT_EQ(IsNewerPlatform(&marker), c.newer);
    EXPECT_EQ(marker, c.newer ? 512u : 0u);
  }
  EXPECT_EQ(GetOsPlatformCode(nullptr), -1);
}

TEST(OsVersion, VersionTestsAreComputedOnce) {
  pk::seams::SetOsVersion(5, 1);
  EXPECT_TRUE(IsOsVersionAtLeast(5, 1));
  EXPECT_TRUE(IsOsVersionAtLeast(4, 90));
  EXPECT_FALSE(IsOsVersionAtLeast(5, 2));
  EXPECT_TRUE(IsWindowsXpOrLater());
  EXPECT_FALSE(IsWindowsVistaOrLater());
  pk::seams::SetOsVersion(6, 1);
  EXPECT_FALSE(IsWindowsVistaOrLater());  // kept from the first answer
  EXPECT_TRUE(IsOsVersionAtLeast(6, 0));
}

TEST(OsVersion, Windows2000IsNotXp) {
  pk::seams::SetOsVersion(5, 0);
  EXPECT_FALSE(IsWindowsXpOrLater());
}

TEST(CodePages, MultiByteToWideIsBoundByTheCount) {
  EXPECT_EQ(ConvertMultiByteToWide(0, nullptr, "abcdefgh", 0), 8);
  WCHAR wide[8];
  std::fill(std::begin(wide), std::end(wide), u'#');
  EXPECT_EQ(ConvertMultiByteToWide(0, wide, "abcdefgh", 4), 4);
  EXPECT_EQ(std::u16string(wide), u"abcd");
  EXPECT_EQ(wide[5], u'#');  // nothing beyond the terminator
  EXPECT_EQ(ConvertMultiByteToWide(1252, wide, "\x80\xe9", 7), 2);
  EXPECT_EQ(std::u16string(wide), u"\u20ac\u00e9");

  int count = -1;
  LPWSTR copy = ConvertMultiByteToNewWide(0, "caf\xe9", &count);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(std::u16string(copy), u"caf\u00e9");
  GlobalFree(copy);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(ConvertMultiByteToNewWide(0, "abc", &count), nullptr);
}

TEST(CodePages, WideToMultiByteIsBoundByTheSize) {
  EXPECT_EQ(ConvertWideToMultiByte(0, u"hello", nullptr, 0), 6);
  char bytes[8];
  std::fill(std::begin(bytes), std::end(bytes), '#');
  EXPECT_EQ(ConvertWideToMultiByte(0, u"hello", bytes, 3), 2);
  EXPECT_EQ(std::string(bytes), "he");
  EXPECT_EQ(bytes[3], '#');
  EXPECT_EQ(ConvertWideToMultiByte(0, u"hello", bytes, 8), 5);
  EXPECT_EQ(std::string(bytes), "hello");
  EXPECT_EQ(ConvertWideToMultiByte(0, u"hello", bytes, -1), 0);
  EXPECT_EQ(ConvertWideToMultiByte(0, u"hello", nullptr, 4), 0);
}

TEST(CodePages, DoubleByteCharactersAreNeverSplit) {
  pk::seams::SetCodePages(932, 932);
  const char text[] = "\x82\xa0\x82\xa2z";  // two double-byte characters and "z"
  EXPECT_EQ(ConvertMultiByteToWide(0, nullptr, text, 0), 3);
  WCHAR wide[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(ConvertMultiByteToWide(0, wide, text, 1), 1);
  EXPECT_EQ(std::u16string(wide), u"\u3042");
  EXPECT_EQ(wide[2], u'#');

  EXPECT_EQ(ConvertWideToMultiByte(0, u"\u3042\u3044", nullptr, 0), 5);
  char bytes[6];
  std::fill(std::begin(bytes), std::end(bytes), '#');
  EXPECT_EQ(ConvertWideToMultiByte(0, u"\u3042\u3044", bytes, 4), 2);  // the second would need 2 more
  EXPECT_EQ(std::string(bytes), "\x82\xa0");
  EXPECT_EQ(bytes[3], '#');
}

TEST(UserPaper, SlotsAndCodes) {
  for (uint32_t slot = 0; slot < kUserPaperSlotCount; ++slot) {
    WORD code = GetUserPaperCode(slot);
    EXPECT_TRUE(IsUserPaperCode(code));
    EXPECT_EQ(GetUserPaperIndex(code), slot);
  }
  EXPECT_EQ(GetUserPaperCode(4), 266);
  EXPECT_EQ(GetUserPaperCode(5), 287);
  EXPECT_EQ(GetUserPaperCode(10), 0xFFFF);
  EXPECT_EQ(GetUserPaperIndex(291), 9);
  for (uint32_t code : {0u, 9u, 261u, 267u, 286u, 292u, 0x10000u + 262u}) {
    EXPECT_FALSE(IsUserPaperCode(code)) << code;
    EXPECT_EQ(GetUserPaperIndex(code), 0xFFFF);
  }
}

TEST(UserPaper, DefaultNames) {
  const std::u16string base = {0x0192, 0x2020, 0x0081, 0x005B, 0x0192, 0x0055,
                               0x0081, 0x005B, 0x2019, 0x00E8, 0x2039, 0x0060};
  WCHAR name[15];
  EXPECT_EQ(FormatUserPaperName(0, nullptr), 0);
  ASSERT_EQ(FormatUserPaperName(0, name), 1);
  EXPECT_EQ(std::u16string(name), base + u"1");
  ASSERT_EQ(FormatUserPaperName(9, name), 1);
  EXPECT_EQ(std::u16string(name), base + u"10");
  EXPECT_EQ(std::u16string(name).size(), 14u);
  // A slot beyond the ten still stays within the 30-byte buffer.
  std::fill(std::begin(name), std::end(name), u'#');
  ASSERT_EQ(FormatUserPaperName(99, name), 1);
  EXPECT_EQ(name[14], 0);
}

class SpoolerRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer_, nullptr));
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
  }
  HANDLE printer_ = nullptr;
};

TEST_F(SpoolerRecordsTest, PrinterAndDriverRecords) {
  auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer_, 2));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::u16string(info->pPrinterName), PK_DEFAULT_PRINTER_NAME);
  GlobalFree(info);
  auto* driver = static_cast<DRIVER_INFO_2W*>(GetPrinterDriverInfo(printer_, 2));
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(std::u16string(driver->pName), PK_DEFAULT_DRIVER_NAME);
  GlobalFree(driver);
  EXPECT_EQ(GetPrinterInfo(printer_, 77), nullptr);  // unknown level: the size query fails otherwise
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(GetPrinterDriverInfo(printer_, 3), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

TEST_F(SpoolerRecordsTest, FormsByNumber) {
  FORM_INFO_1W* forms = nullptr;
  DWORD needed = 0, count = 0;
  ASSERT_EQ(EnumPrinterForms(printer_, &forms, &needed, &count), 1);
  ASSERT_NE(forms, nullptr);
  EXPECT_GE(count, 118u);
  EXPECT_EQ(std::u16string(forms[8].pName), u"A4");
  GlobalFree(forms);

  EXPECT_EQ(GetFormFlags(printer_, 9), static_cast<DWORD>(FORM_BUILTIN));
  LPWSTR name = GetFormName(printer_, 9);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::u16string(name), u"A4");
  GlobalFree(name);

  DWORD flags = 7;
  EXPECT_EQ(GetFormFlagsAt(printer_, 0, &flags), 10);
  EXPECT_EQ(GetFormFlagsAt(printer_, 1, nullptr), 10);
  EXPECT_EQ(GetFormFlagsAt(printer_, count + 1, &flags), 2);
  EXPECT_EQ(GetFormFlags(printer_, 0), 0u);
  EXPECT_EQ(GetFormFlags(printer_, count + 1), 0u);
  EXPECT_EQ(GetFormName(printer_, count + 1), nullptr);

  // A form a user added is no built-in one.
  FORM_INFO_1W user = {FORM_USER, const_cast<LPWSTR>(u"Postcard Wide"), {200000, 100000}, {0, 0, 200000, 100000}};
  ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&user)));
  EXPECT_EQ(GetFormFlagsAt(printer_, count + 1, &flags), 1);
  EXPECT_EQ(flags, static_cast<DWORD>(FORM_USER));
}

TEST_F(SpoolerRecordsTest, FormListFailures) {
  FORM_INFO_1W* forms = reinterpret_cast<FORM_INFO_1W*>(1);
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(EnumPrinterForms(printer_, &forms, nullptr, nullptr), 10);
  EXPECT_EQ(forms, nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  DWORD flags = 0;
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(GetFormFlagsAt(printer_, 1, &flags), 10);

  // A closed handle: the size query fails with another error than 122.
  ClosePrinter(printer_);
  HANDLE closed = printer_;
  printer_ = nullptr;
  forms = reinterpret_cast<FORM_INFO_1W*>(1);
  EXPECT_EQ(EnumPrinterForms(closed, &forms, nullptr, nullptr), 3);
  EXPECT_EQ(forms, nullptr);
  EXPECT_EQ(GetFormFlagsAt(closed, 1, &flags), 3);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

}  // namespace
