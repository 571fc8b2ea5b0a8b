// The library's exports: the file in the driver folder and its export table,
// loading and unloading it, DrvConvertDevMode, DevQueryPrintEx, the failure
// answers of the exports built later, and the message formatter.
#include <cstdio>
#include <set>

#include "printer_interface/interface_fixture.h"
#include "platform/win/win_error.h"
#include "printer_interface/entry/format_message_text.h"
#include "settings/services/module_state.h"

namespace pk::test {
namespace {

const std::set<std::string> kExports = {"DllInitialize",
                                        "DrvDocumentPropertySheets",
                                        "DrvDevicePropertySheets",
                                        "DrvDocumentProperties",
                                        "DrvAdvancedDocumentProperties",
                                        "PrinterProperties",
                                        "DrvConvertDevMode",
                                        "DrvDeviceCapabilities",
                                        "DrvQueryColorProfile",
                                        "DrvDocumentEvent",
                                        "DrvPrinterEvent",
                                        "DrvUpgradePrinter",
                                        "DevQueryPrintEx"};

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, p)) out += buffer;
  pclose(p);
  return out;
}

using EntryPointsTest = InterfaceTest;

// The functions the library makes visible: the thirteen exports, and besides
// them only the resource table every module of the layer carries.
TEST_F(EntryPointsTest, DriverFolderHoldsTheLibraryWithItsThirteenExports) {
  const std::string inRoot = HostPath(std::u16string(PK_DRIVER_FOLDER) + u"Sumbrel.so");
  ASSERT_FALSE(ReadHostFile(inRoot).empty());
  std::set<std::string> functions;
  std::string listing = Shell("nm -D --defined-only '" + inRoot + "'");
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    std::string line = listing.substr(start, end - start);
    start = end + 1;
    char kind = 0;
    char name[256] = {};
    if (std::sscanf(line.c_str(), "%*s %c %255s", &kind, name) == 2 && kind == 'T') functions.insert(name);
  }
  functions.erase("PkModuleResources");
  EXPECT_EQ(functions, kExports) << listing;
}

TEST_F(EntryPointsTest, LoadingRunsTheEntryAndUnloadingReleasesIt) {
  const SIZE_T blocks = seams::GlobalLiveBlocks();
  HMODULE library = LoadLibraryW((std::u16string(PK_DRIVER_FOLDER) + u"Sumbrel.dll").c_str());
  ASSERT_NE(library, nullptr);
  for (const std::string& name : kExports) EXPECT_NE(GetProcAddress(library, name.c_str()), nullptr) << name;
  // The loaded library answers from its own module state.
  auto query = reinterpret_cast<BOOL (*)(PDEVQUERYPRINT_INFO)>(GetProcAddress(library, "DevQueryPrintEx"));
  ASSERT_NE(query, nullptr);
  WCHAR text[64] = {};
  dm()->dmDriverVersion = 0x3203;
  DEVQUERYPRINT_INFO info{sizeof(DEVQUERYPRINT_INFO), 1, printer_, dm(), text, 64, 0};
  EXPECT_FALSE(query(&info));
  EXPECT_EQ(std::u16string(text), u"Invalid DEVMODE structure.");
  // That first use opened the resource module beside the library: loading it
  // again finds the same module, which stays loaded after this reference.
  WCHAR path[300] = {};
  HMODULE resources = LoadLibraryW((std::u16string(PK_DRIVER_FOLDER) + u"Tarquen.vbn").c_str());
  ASSERT_NE(resources, nullptr);
  EXPECT_TRUE(FreeLibrary(resources));
  EXPECT_GT(GetModuleFileNameW(resources, path, 300), 0u);
  // The last FreeLibrary detaches the library, which releases it.
  EXPECT_TRUE(FreeLibrary(library));
  EXPECT_EQ(GetModuleFileNameW(resources, path, 300), 0u);
  EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
}

TEST_F(EntryPointsTest, ConvertDevMode) {
  std::vector<uint8_t> out(kDriverDevModeSize + 16, 0);
  auto* output = reinterpret_cast<DEVMODEW*>(out.data());
  LPWSTR name = const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME);
  LONG size = kDriverDevModeSize;
  EXPECT_FALSE(DrvConvertDevMode(nullptr, dm(), output, &size, CDM_CONVERT));
  EXPECT_FALSE(DrvConvertDevMode(name, dm(), output, nullptr, CDM_CONVERT));
  EXPECT_TRUE(DrvConvertDevMode(name, dm(), output, &size, CDM_CONVERT));
  EXPECT_EQ(std::memcmp(out.data(), devMode_.data(), 64), 0);
  size = 100;
  SetLastError(0);
  EXPECT_FALSE(DrvConvertDevMode(name, dm(), output, &size, CDM_CONVERT));
  EXPECT_EQ(size, static_cast<LONG>(kDriverDevModeSize));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  size = kDriverDevModeSize;
  EXPECT_FALSE(DrvConvertDevMode(name, dm(), output, &size, CDM_CONVERT351));
}

TEST_F(EntryPointsTest, DevQueryPrint) {
  EXPECT_FALSE(DevQueryPrintEx(nullptr));
  DEVQUERYPRINT_INFO info{sizeof(DEVQUERYPRINT_INFO), 1, printer_, nullptr, nullptr, 0, 0};
  EXPECT_TRUE(DevQueryPrintEx(&info));
  info.pDevMode = dm();
  EXPECT_TRUE(DevQueryPrintEx(&info));

  dm()->dmDriverVersion = 0x3203;
  WCHAR text[64];
  std::fill(std::begin(text), std::end(text), u'#');
  info.pszErrorStr = text;
  info.cchErrorStr = 64;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(std::u16string(text), u"Invalid DEVMODE structure.");
  EXPECT_EQ(info.cchNeeded, 27u);

  std::fill(std::begin(text), std::end(text), u'#');
  info.cchErrorStr = 8;
  info.cchNeeded = 0;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(std::u16string(text), u"Invalid");
  EXPECT_EQ(text[8], u'#');
  EXPECT_EQ(info.cchNeeded, 27u);

  // No room: nothing is written, the count needed is still given.
  std::fill(std::begin(text), std::end(text), u'#');
  info.cchErrorStr = 0;
  info.cchNeeded = 0;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(text[0], u'#');
  EXPECT_EQ(info.cchNeeded, 27u);
  info.pszErrorStr = nullptr;
  info.cchErrorStr = 64;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(info.cchNeeded, 27u);

  // Only the public part: refused without reading past it.
  std::vector<uint8_t> shortDevMode(devMode_.begin(), devMode_.begin() + kPublicDevModeSize);
  reinterpret_cast<DEVMODEW*>(shortDevMode.data())->dmDriverExtra = 0;
  info.pDevMode = reinterpret_cast<DEVMODEW*>(shortDevMode.data());
  info.pszErrorStr = text;
  EXPECT_FALSE(DevQueryPrintEx(&info));
}

TEST_F(EntryPointsTest, ExportsOfLaterWorkAnswerTheirFailureValues) {
  EXPECT_EQ(DrvDocumentPropertySheets(nullptr, 0), -1);
  EXPECT_EQ(DrvDevicePropertySheets(nullptr, 0), -1);
  EXPECT_FALSE(PrinterProperties(nullptr, printer_));
  EXPECT_EQ(DrvDeviceCapabilities(printer_, nullptr, 33, nullptr, nullptr), static_cast<DWORD>(-1));  // DC_NUP
  EXPECT_FALSE(DrvQueryColorProfile(printer_, nullptr, 0, nullptr, nullptr, nullptr));
  EXPECT_TRUE(DrvPrinterEvent(nullptr, 1, 0, 0));
  EXPECT_FALSE(DrvUpgradePrinter(1, nullptr));
}

TEST_F(EntryPointsTest, FormatMessageText) {
  WCHAR out[64];
  DWORD needed = 0;
  EXPECT_EQ(FormatMessageText(nullptr, out, 64, &needed, u"%d-%x-%X-%u", 255, 255, 255, 255), 13);
  EXPECT_EQ(std::u16string(out), u"255-ff-FF-255");
  EXPECT_EQ(needed, 14u);
  FormatMessageText(nullptr, out, 64, &needed, u"[%s]", static_cast<const WCHAR*>(nullptr));
  EXPECT_EQ(std::u16string(out), u"[ ]");
  FormatMessageText(nullptr, out, 64, &needed, u"%s/%c", u"ab", static_cast<int>(u'z'));
  EXPECT_EQ(std::u16string(out), u"ab/z");
  FormatMessageText(GetResourceModule(), out, 64, &needed, u"%!", 265u);
  EXPECT_EQ(std::u16string(out), u"Printer Settings");
  FormatMessageText(nullptr, out, 64, &needed, u"%q%%");
  EXPECT_EQ(std::u16string(out), u"q%");
  FormatMessageText(nullptr, out, 64, &needed, u"%d", -5);
  EXPECT_EQ(std::u16string(out), u"-5");
  // Cut at the capacity, always terminated.
  EXPECT_EQ(FormatMessageText(nullptr, out, 3, &needed, u"%u", 123456u), 2);
  EXPECT_EQ(std::u16string(out), u"12");
  EXPECT_EQ(needed, 7u);
}

}  // namespace
}  // namespace pk::test
