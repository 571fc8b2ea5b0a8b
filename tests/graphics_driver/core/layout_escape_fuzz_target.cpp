// The fuzz entry of the application layout escapes, and the fixed-budget run
// of it in the test program. One PDEV of the default printer, at the top
// feature level with both switches, has its document and first page open
// and the layout mode on; each input is one escape 0x1071-0x1074 whose
// block, block presence and answer size come from the input: mostly image
// packets, whose every item is untrusted. The block is held at exactly the
// size the call states, and no block may be left allocated after a call.
// In a clang build configured with -DPK_LIBFUZZER=ON this file is the
// libFuzzer program `layout_escape_fuzz`.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/layout_escapes.h"
#include "platform/gdi/engine_host.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/model/device_model.h"
#include "settings/store/printer_settings_data.h"

namespace {

struct State {
  HANDLE printer = nullptr;
  DRVENABLEDATA ded{};
  HDEV hdev = nullptr;
  DWORD job = 0;
  std::vector<BYTE> devMode = std::vector<BYTE>(kDriverDevModeSize);
  DHPDEV pdev = nullptr;
  SURFOBJ so{};
  SIZE_T blocksAfterSetup = 0;
};
State* g_state = nullptr;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool SetStored(DeviceModel* model, SettingId id, uint64_t value, BYTE* block) {
  auto devmode = std::make_unique<WorkingDevMode>();
  uint64_t old = 0;
  SettingValueType type = 0;
  UINT size = 0;
  return GetSettingValue(id, devmode.get(), block, &type, &size, &old) == kSettingOk &&
         SetSettingValue(id, devmode.get(), block, type, size, &value) == kSettingOk && model;
}

// The printer's stored settings at the top feature level with switch A;
// the default model's header gives switch B.
bool StoreTopLevel() {
  DeviceModel* model = OpenDeviceModel(g_state->printer);
  if (!model) return false;
  std::vector<BYTE> block(kPrinterSettingsBlockSize, 0);
  bool ok = LoadPrinterSettings(g_state->printer, block.data(), model) == 1 &&
            SetStored(model, 1308, 0x01020001, block.data()) && SetStored(model, 1028, 1, block.data()) &&
            SetStored(model, 775, 1, block.data()) && SavePrinterSettings(g_state->printer, block.data(), TRUE) == 1;
  CloseDeviceModel(model);
  return ok;
}

bool LayoutEscapeFuzzSetup() {
  g_state = new State;
  State& s = *g_state;
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &s.printer, nullptr)) return false;
  if (!StoreTopLevel()) return false;
  if (!DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof s.ded, &s.ded)) return false;
  s.hdev = pkgdi::CreateDevice(s.ded.pdrvfn, s.ded.c, nullptr);
  DeviceModel* model = OpenDeviceModel(s.printer);
  if (!model || !s.hdev) return false;
  LONG length = kDriverDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(s.printer, model, s.devMode.data(), &length, &converted);
  CloseDeviceModel(model);
  if (!info) return false;
  GlobalFree(info);
  // A small page keeps the page steps quick.
  auto* dm = reinterpret_cast<DEVMODEW*>(s.devMode.data());
  dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
  dm->dmPrintQuality = dm->dmYResolution = 300;

  DOC_INFO_1W docInfo{const_cast<LPWSTR>(u"layout"), nullptr, const_cast<LPWSTR>(u"RAW")};
  s.job = StartDocPrinterW(s.printer, 1, reinterpret_cast<const BYTE*>(&docInfo));
  GDIINFO gdi;
  DEVINFO dev;
  s.pdev = DrvEnablePDEV(dm, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, s.hdev,
                         nullptr, s.printer);
  if (!s.pdev) return false;
  pkgdi::SetDevicePdev(s.hdev, s.pdev);
  DrvCompletePDEV(s.pdev, s.hdev);
  s.so.dhpdev = s.pdev;
  const uint8_t on[8] = {8, 0, 0, 0, 1, 0, 0, 0};
  const bool ready = DrvStartDoc(&s.so, const_cast<LPWSTR>(u"layout"), 1) && DrvStartPage(&s.so) &&
                     DrvEscape(&s.so, kEscLayoutMode, 8, const_cast<uint8_t*>(on), 0, nullptr) == 1;
  s.blocksAfterSetup = pk::seams::GlobalLiveBlocks();
  return ready;
}

void LayoutEscapeFuzzTeardown() {
  if (!g_state) return;
  State& s = *g_state;
  if (s.pdev) {
    DrvSendPage(&s.so);
    DrvEndDoc(&s.so, 0);
    DrvDisablePDEV(s.pdev);
  }
  if (s.job) {
    EndDocPrinter(s.printer);
    std::error_code ignored;
    std::filesystem::remove(pk::spooler::JobHostPath(s.job), ignored);
  }
  if (s.hdev) pkgdi::DeleteDevice(s.hdev);
  DrvDisableDriver();
  if (s.printer) ClosePrinter(s.printer);
  delete g_state;
  g_state = nullptr;
}

// Input: a control byte (bits 0-2 the escape, three of four inputs a
// packet; bit 3 no input block; bit 4 no answer buffer), the answer size,
// then the block. The page stays open across inputs.
void LayoutEscapeFuzzOne(const uint8_t* data, size_t size) {
  if (size < 2) return;
  State& s = *g_state;
  static constexpr ULONG kCodes[8] = {kEscImagePacket, kEscImagePacket, kEscImagePacket, kEscImagePacket,
                                      kEscImagePacket, kEscLayoutMode,  kEscPageCollect, kEscDuplexNup};
  const ULONG code = kCodes[data[0] & 7];
  std::vector<uint8_t> in(data + 2, data + size), out(data[1], 0xEE);
  DrvEscape(&s.so, code, ULONG(in.size()), (data[0] & 8) || in.empty() ? nullptr : in.data(), ULONG(out.size()),
            (data[0] & 16) || out.empty() ? nullptr : out.data());
  // The page's own blocks come and go (a collected sheet is flushed early);
  // a block left behind by every call would pile up.
  Check(pk::seams::GlobalLiveBlocks() <= s.blocksAfterSetup + 64);
  // The next input finds the mode on again.
  reinterpret_cast<PdevState*>(s.pdev)->pipeline.layoutOverride.enabled = 1;
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(LayoutEscapeFuzzSetup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LayoutEscapeFuzzOne(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

#include "layout_packet_builder.h"

namespace {

std::vector<uint8_t> Input(uint8_t control, uint8_t outSize, const std::vector<uint8_t>& block) {
  std::vector<uint8_t> v{control, outSize};
  v.insert(v.end(), block.begin(), block.end());
  return v;
}

TEST(LayoutEscapeFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks(), heaps = pk::seams::LiveHeaps();
  ASSERT_TRUE(LayoutEscapeFuzzSetup());
  std::vector<std::vector<uint8_t> > seeds;
  pk::test::PacketSpec jpeg;
  seeds.push_back(Input(0, 0, BuildPacket(jpeg)));
  pk::test::PacketSpec png;
  png.compression = kBiPng, png.bitCount = 8, png.quads = 256, png.clip = true, png.angle = 90;
  png.destWidth = 100, png.destHeight = 50;
  seeds.push_back(Input(1, 0, BuildPacket(png)));
  pk::test::PacketSpec chunk;
  chunk.chunkLength = 500;
  seeds.push_back(Input(2, 0, BuildPacket(chunk)));
  seeds.push_back(Input(5, 20, {8, 0, 0, 0, 3, 0, 0x04, 0x11}));
  seeds.push_back(Input(6, 0, {0x03, 0x12}));
  seeds.push_back(Input(7, 2, {8, 0, 0, 0, 0x03, 0x13, 0, 0}));
  for (const auto& seed : seeds) LayoutEscapeFuzzOne(seed.data(), seed.size());
  std::mt19937 rng(1072);
  for (int iter = 0; iter < 300; ++iter) {
    std::vector<uint8_t> input = seeds[rng() % seeds.size()];
    const int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % input.size();
      if (rng() % 4 == 0) input.resize(at + 1);
      else input[at] = uint8_t(rng());
    }
    LayoutEscapeFuzzOne(input.data(), input.size());
  }
  LayoutEscapeFuzzTeardown();
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(pk::seams::LiveHeaps(), heaps);
}

}  // namespace
#endif
