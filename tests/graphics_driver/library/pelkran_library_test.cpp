// Pelkran.so loaded as GDI loads it: exactly the driver's exported names, and
// the library entry, driver, PDEV, surface and document calls succeeding on
// the default printer of a fresh machine root.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/gdi/engine_host.h"
#include "platform/gdi/eng_services.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_module.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

std::string BuildOut() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

TEST(PelkranLibrary, ExportsExactlyTheDriverNames) {
  const std::string command = "nm -D --defined-only '" + BuildOut() + "/Pelkran.so'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  std::array<char, 512> line;
  while (fgets(line.data(), int(line.size()), pipe.get())) {
    std::string s(line.data());
    std::string name = s.substr(s.find_last_of(' ') + 1);
    name.erase(name.find_last_not_of("\n\r") + 1);
    if (name.rfind("Drv", 0) == 0) names.insert(name);
  }
  const std::set<std::string> expected = {"DrvBitBlt",          "DrvCompletePDEV",
                                          "DrvCopyBits",        "DrvDisableDriver",
                                          "DrvDisablePDEV",     "DrvDisableSurface",
                                          "DrvEnableDriver",    "DrvEnablePDEV",
                                          "DrvEnableSurface",   "DrvEndDoc",
                                          "DrvEscape",          "DrvFillPath",
                                          "DrvGetGlyphMode",    "DrvQueryAdvanceWidths",
                                          "DrvQueryDriverInfo", "DrvQueryFont",
                                          "DrvQueryFontData",   "DrvQueryFontTree",
                                          "DrvRealizeBrush",    "DrvResetPDEV",
                                          "DrvSendPage",        "DrvStartDoc",
                                          "DrvStartPage",       "DrvStretchBlt",
                                          "DrvStretchBltROP",   "DrvStrokeAndFillPath",
                                          "DrvStrokePath",      "DrvTextOut"};
  EXPECT_EQ(names, expected);
}

template <typename F>
F Bind(HMODULE module, const char* name) {
  return reinterpret_cast<F>(GetProcAddress(module, name));
}

TEST(PelkranLibrary, DocumentOnTheDefaultPrinter) {
  pk::seams::UseTemporaryMachineRoot();
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer, nullptr));
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  std::vector<uint64_t> driver(needed / 8 + 1);
  ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, 2, reinterpret_cast<LPBYTE>(driver.data()), needed, &needed));
  const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(driver.data());

  // Attach: the library's entry finds its resource module by its own strings.
  HMODULE module = LoadLibraryW(info->pDriverPath);
  ASSERT_NE(module, nullptr) << GetLastError();
  auto enableDriver = Bind<PFN_DrvEnableDriver>(module, "DrvEnableDriver");
  auto disableDriver = Bind<PFN_DrvDisableDriver>(module, "DrvDisableDriver");
  ASSERT_TRUE(enableDriver && disableDriver);
  EXPECT_EQ(GetProcAddress(module, "DrvStartBanding"), nullptr);
  DRVENABLEDATA ded{};
  ASSERT_TRUE(enableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded));
  ASSERT_EQ(ded.c, 24u);
  HDEV hdev = pkgdi::CreateDevice(ded.pdrvfn, ded.c, nullptr);
  auto fn = [&](ULONG index) { return pkgdi::DeviceFunction(hdev, index); };

  // The printer's own DEVMODE.
  std::vector<uint64_t> p2(1);
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  p2.resize(needed / 8 + 1);
  ASSERT_TRUE(GetPrinterW(printer, 2, reinterpret_cast<LPBYTE>(p2.data()), needed, &needed));
  DEVMODEW* pdm = reinterpret_cast<PRINTER_INFO_2W*>(p2.data())->pDevMode;
  ASSERT_NE(pdm, nullptr);

  GDIINFO gdi{};
  DEVINFO dev{};
  DHPDEV pdev = reinterpret_cast<PFN_DrvEnablePDEV>(fn(INDEX_DrvEnablePDEV))(
      pdm, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, hdev, nullptr, printer);
  ASSERT_NE(pdev, nullptr);
  pkgdi::SetDevicePdev(hdev, pdev);
  reinterpret_cast<PFN_DrvCompletePDEV>(fn(INDEX_DrvCompletePDEV))(pdev, hdev);
  EXPECT_GT(gdi.ulHorzRes, 0u);
  HSURF surface = reinterpret_cast<PFN_DrvEnableSurface>(fn(INDEX_DrvEnableSurface))(pdev);
  ASSERT_NE(surface, nullptr);
  SURFOBJ* so = pkgdi::SurfaceObject(surface);
  // The RAW job GDI holds on the printer for the document.
  DOC_INFO_1W document{u"Test", nullptr, u"RAW"};
  const DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<const BYTE*>(&document));
  ASSERT_NE(job, 0u);
  EXPECT_TRUE(reinterpret_cast<PFN_DrvStartDoc>(fn(INDEX_DrvStartDoc))(so, const_cast<LPWSTR>(u"Test"), job));
  EXPECT_TRUE(reinterpret_cast<PFN_DrvStartPage>(fn(INDEX_DrvStartPage))(so));
  EXPECT_TRUE(reinterpret_cast<PFN_DrvSendPage>(fn(INDEX_DrvSendPage))(so));
  EXPECT_TRUE(reinterpret_cast<PFN_DrvEndDoc>(fn(INDEX_DrvEndDoc))(so, 0));
  EXPECT_TRUE(EndDocPrinter(printer));
  reinterpret_cast<PFN_DrvDisableSurface>(fn(INDEX_DrvDisableSurface))(pdev);
  reinterpret_cast<PFN_DrvDisablePDEV>(fn(INDEX_DrvDisablePDEV))(pdev);
  pkgdi::DeleteDevice(hdev);
  disableDriver();
  EXPECT_TRUE(FreeLibrary(module));  // detach
  ClosePrinter(printer);
}

}  // namespace
