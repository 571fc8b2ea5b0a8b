// The fuzz entry of the PDEV's creation from an application's DEVMODE, and
// the fixed-budget run of it in the test program: random bytes and mutations
// of the driver's own DEVMODE, with and without a paper margin record, go
// through DrvEnablePDEV and, when a PDEV is made, its surface and disable.
// In a clang build configured with -DPK_LIBFUZZER=ON this file is the
// libFuzzer program `pdev_fuzz`.
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics_driver/core/driver_entry.h"
#include "platform/gdi/engine_host.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/model/device_model.h"

namespace {

struct State {
  HANDLE printer = nullptr;
  DRVENABLEDATA ded{};
  HDEV hdev = nullptr;
  std::vector<BYTE> devMode = std::vector<BYTE>(kDriverDevModeSize);
};
State* g_state = nullptr;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

WORD Word(const std::vector<BYTE>& b, size_t at) {
  WORD v = 0;
  if (at + 2 <= b.size()) std::memcpy(&v, b.data() + at, 2);
  return v;
}

bool PdevFuzzSetup() {
  g_state = new State;
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_state->printer, nullptr)) return false;
  if (!DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof g_state->ded, &g_state->ded)) return false;
  g_state->hdev = pkgdi::CreateDevice(g_state->ded.pdrvfn, g_state->ded.c, nullptr);
  DeviceModel* model = OpenDeviceModel(g_state->printer);
  if (!model) return false;
  LONG length = kDriverDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info =
      GetPrinterDefaultDevMode(g_state->printer, model, g_state->devMode.data(), &length, &converted);
  CloseDeviceModel(model);
  if (info) GlobalFree(info);
  return g_state->hdev && info;
}

void PdevFuzzTeardown() {
  if (!g_state) return;
  if (g_state->hdev) pkgdi::DeleteDevice(g_state->hdev);
  DrvDisableDriver();
  if (g_state->printer) ClosePrinter(g_state->printer);
  delete g_state;
  g_state = nullptr;
}

void PdevFuzzOne(const uint8_t* data, size_t size) {
  State& s = *g_state;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks(), heaps = pk::seams::LiveHeaps();
  // The DEVMODE holds exactly the bytes its sizes claim: the input fills them
  // and zeros the rest.
  std::vector<BYTE> head(offsetof(DEVMODEW, dmFields));
  if (size) std::memcpy(head.data(), data, std::min(size, head.size()));
  size_t claimed = size_t(Word(head, offsetof(DEVMODEW, dmSize))) + Word(head, offsetof(DEVMODEW, dmDriverExtra));
  std::vector<BYTE> source(std::max<size_t>(claimed, head.size()));
  if (size) std::memcpy(source.data(), data, std::min(size, source.size()));

  GDIINFO gdi;
  DEVINFO dev;
  DHPDEV pdev = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(source.data()), nullptr, 0, nullptr, sizeof gdi,
                              reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, s.hdev, nullptr, s.printer);
  if (pdev) {
    pkgdi::SetDevicePdev(s.hdev, pdev);
    if (DrvEnableSurface(pdev)) DrvDisableSurface(pdev);
    DrvDisablePDEV(pdev);
  }
  Check(pk::seams::GlobalLiveBlocks() == blocks && pk::seams::LiveHeaps() == heaps);
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(PdevFuzzSetup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PdevFuzzOne(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(PdevFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(PdevFuzzSetup());
  std::vector<std::vector<uint8_t> > seeds;
  seeds.push_back(g_state->devMode);
  // With the paper margin record after the private part.
  seeds.push_back(g_state->devMode);
  const uint8_t record[10] = {1, 0, 100, 0, 120, 0, 80, 0, 90, 0};
  seeds.back().insert(seeds.back().end(), record, record + 10);
  seeds.back()[offsetof(DEVMODEW, dmDriverExtra)] = uint8_t(kDevModePrivateSize + 10);
  seeds.back()[offsetof(DEVMODEW, dmDriverExtra) + 1] = uint8_t((kDevModePrivateSize + 10) >> 8);
  seeds.back()[kPublicDevModeSize + 2375] = 1;  // setting 387
  std::mt19937 rng(3036);
  for (int iter = 0; iter < 40; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 8 == 0) {
      input.resize(rng() % 300);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        // The sizes, fields, paper, scale and resolution matter most.
        size_t at = rng() % 2 ? 68 + rng() % 40 : rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input[at] = 0; break;
        }
      }
    }
    PdevFuzzOne(input.data(), input.size());
  }
  PdevFuzzTeardown();
}

}  // namespace
#endif
