// The graphics driver as GDI drives it, on the default printer of a fresh
// machine root whose model is the default model's description with lines
// changed by the test (written by dddwrite): the driver enabled, an engine
// device bound to its table, the application's DEVMODE built from the
// driver's own default, PDEVs made through DrvEnablePDEV and disabled at the
// end of the test, and a RAW job open on the printer handle, as GDI holds one
// for the document the driver's output goes into.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "graphics_driver/core/driver_entry.h"
#include "platform/gdi/engine_host.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/model/device_model.h"

namespace pk::test {

// A change of the default model's description: the line that starts with
// `start` is replaced by `line`; with no such line, `line` is added.
struct ModelLine {
  std::string start;
  std::string line;
};

// The Letter record with margins of its own: left 50, top 60, right 40,
// bottom 70 (0.1 mm).
inline const ModelLine kLetterMargins{"paper 1 \"Letter\"",
                                      "paper 1 \"Letter\" 0 0 2159 2794 42 42 margins 50 60 40 70"};

// A resolution of 300 dpi besides 600 and 400.
inline const ModelLine kResolution300{"  option \"400 x 400 dpi\"",
                                      "  option \"400 x 400 dpi\" 0 0 u32 0x01900190\n"
                                      "  option \"300 x 300 dpi\" 0 0 u32 0x012C012C"};

// The model file written from the default description with the changes.
inline std::vector<uint8_t> BuildModel(const std::vector<ModelLine>& changes) {
  static std::map<std::string, std::vector<uint8_t>> built;
  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  for (const ModelLine& c : changes) {
    bool found = false;
    for (std::string& l : lines)
      if (!found && l.rfind(c.start, 0) == 0) {
        l = c.line;
        found = true;
      }
    if (!found) lines.push_back(c.line);
  }
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  auto it = built.find(text);
  if (it != built.end()) return it->second;
  const std::string dir = std::filesystem::temp_directory_path() / ("driver_model_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string source = dir + "/model.txt", out = dir + "/model.ddd";
  std::ofstream(source) << text;
  std::filesystem::remove(out);
  const std::string command = std::string("'") + PK_DDDWRITE + "' '" + source + "' '" + out + "' > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << text;
  std::ifstream f(out, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::filesystem::remove_all(dir);
  EXPECT_FALSE(bytes.empty());
  built[text] = bytes;
  return bytes;
}

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer_, nullptr)) << GetLastError();
    ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded_, &ded_));
    hdev_ = pkgdi::CreateDevice(ded_.pdrvfn, ded_.c, nullptr);
    ASSERT_NE(hdev_, nullptr);
    StartRawJob();
  }
  void TearDown() override {
    for (DHPDEV p : pdevs_) DrvDisablePDEV(p);
    pdevs_.clear();
    EndRawJob();
    if (hdev_) pkgdi::DeleteDevice(hdev_);
    DrvDisableDriver();
    if (printer_) ClosePrinter(printer_);
  }

  // A new RAW job on the printer handle (the one open is ended first).
  void StartRawJob() {
    EndRawJob();
    DOC_INFO_1W info{u"Report", nullptr, u"RAW"};
    rawJob_ = StartDocPrinterW(printer_, 1, reinterpret_cast<const BYTE*>(&info));
  }
  void EndRawJob() {
    if (rawJob_) EndDocPrinter(printer_);
    rawJob_ = 0;
  }

  // The printer's model becomes the default description with the changes
  // (by default the Letter record's own margins and a 300-dpi resolution),
  // and the application's DEVMODE the driver's default for it: Letter (paper
  // code and form name), 300 dpi, scale 100, portrait.
  void UseModel(const std::vector<ModelLine>& changes = {kLetterMargins, kResolution300}) {
    WCHAR* dataFile = GetModelDataFileName(printer_);
    ASSERT_NE(dataFile, nullptr);
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(dataFile, nullptr, &host), 0u);
    GlobalFree(dataFile);
    // The root's file may be a link to the build's: replace it, never write
    // through it.
    std::filesystem::remove(host);
    std::vector<uint8_t> bytes = BuildModel(changes);
    std::ofstream(host, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    UseDefaultDevMode();
    DEVMODEW* dm = Dm();
    // The merge finds the form by its paper code; the name goes with it.
    dm->dmFields = DM_PAPERSIZE | DM_FORMNAME | DM_ORIENTATION | DM_PRINTQUALITY | DM_YRESOLUTION | DM_SCALE;
    dm->dmPaperSize = 1;
    std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
    std::memcpy(dm->dmFormName, u"Letter", sizeof u"Letter");
    dm->dmOrientation = 1;
    dm->dmPrintQuality = 300;
    dm->dmYResolution = 300;
    dm->dmScale = 100;
  }
  // The application's DEVMODE is the driver's default for the printer's model.
  void UseDefaultDevMode() {
    DeviceModel* model = OpenDeviceModel(printer_);
    ASSERT_NE(model, nullptr);
    devmode_.assign(kDriverDevModeSize, 0);
    LONG length = kDriverDevModeSize;
    int converted = 0;
    PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer_, model, devmode_.data(), &length, &converted);
    CloseDeviceModel(model);
    ASSERT_NE(info, nullptr);
    GlobalFree(info);
  }

  DEVMODEW* Dm() { return reinterpret_cast<DEVMODEW*>(devmode_.data()); }

  // Writes a setting of the application's DEVMODE (or of the PDEV's working
  // DEVMODE and settings block) in the type it reads as.
  static void SetIn(void* devmode, void* settings, SettingId id, int64_t value) {
    uint64_t old = 0;
    SettingValueType type = 0;
    UINT size = 0;
    ASSERT_EQ(GetSettingValue(id, devmode, settings, &type, &size, &old), kSettingOk) << id;
    uint64_t v = static_cast<uint64_t>(value);
    ASSERT_EQ(SetSettingValue(id, devmode, settings, type, size, &v), kSettingOk) << id;
  }
  void Set(SettingId id, int64_t value) { SetIn(devmode_.data(), scratchSettings_.data(), id, value); }
  static void SetPdev(PdevState* pdev, SettingId id, int64_t value) {
    SetIn(&pdev->devmode, pdev->printerSettings, id, value);
  }

  // Appends the paper margin record {paper; m1..m4}.
  void AttachMargins(int16_t paper, int16_t m1, int16_t m2, int16_t m3, int16_t m4) {
    Set(387, 1);
    int16_t record[5] = {paper, m1, m2, m3, m4};
    devmode_.resize(kDriverDevModeSize);
    devmode_.insert(devmode_.end(), reinterpret_cast<uint8_t*>(record), reinterpret_cast<uint8_t*>(record) + 10);
    Dm()->dmDriverExtra = kDevModePrivateSize + 10;
  }

  // DrvEnablePDEV with the application's DEVMODE; the PDEV is disabled at
  // the end of the test.
  PdevState* Enable() {
    std::memset(&gdiInfo_, 0xCD, sizeof gdiInfo_);
    std::memset(&devInfo_, 0xCD, sizeof devInfo_);
    DHPDEV p = DrvEnablePDEV(Dm(), nullptr, 0, nullptr, sizeof gdiInfo_, reinterpret_cast<ULONG*>(&gdiInfo_),
                             sizeof devInfo_, &devInfo_, hdev_, nullptr, printer_);
    if (p) {
      pdevs_.push_back(p);
      pkgdi::SetDevicePdev(hdev_, p);
      DrvCompletePDEV(p, hdev_);
    }
    return reinterpret_cast<PdevState*>(p);
  }
  void Disable(PdevState* pdev) {
    std::erase(pdevs_, reinterpret_cast<DHPDEV>(pdev));
    DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
  }

  // A device surface object of a PDEV, as GDI hands it to the document calls.
  SURFOBJ* Surface(PdevState* pdev) {
    surfaces_.push_back(SURFOBJ{});
    surfaces_.back().dhpdev = reinterpret_cast<DHPDEV>(pdev);
    return &surfaces_.back();
  }

  HANDLE printer_ = nullptr;
  DWORD rawJob_ = 0;
  DRVENABLEDATA ded_{};
  HDEV hdev_ = nullptr;
  std::vector<uint8_t> devmode_;
  std::vector<uint8_t> scratchSettings_ = std::vector<uint8_t>(kPrinterSettingsBlockSize, 0);
  GDIINFO gdiInfo_{};
  DEVINFO devInfo_{};
  std::vector<DHPDEV> pdevs_;
  std::deque<SURFOBJ> surfaces_;
};

}  // namespace pk::test
