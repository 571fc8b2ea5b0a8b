// The DrvDeviceCapabilities fuzz entry, and the fixed-budget run of it in the
// test program: mutations of the printer's own DEVMODE.
#include "device_capabilities_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/capabilities/device_capabilities.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/module_state.h"

namespace {

HANDLE g_printer = nullptr;
HMODULE g_own = nullptr;
std::vector<uint8_t> g_devMode;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Bytes of one entry of the index's output; 0 for answers without one.
size_t EntryBytes(WORD index) {
  switch (index) {
    case DC_PAPERS:
    case DC_BINS: return 2;
    case DC_PAPERSIZE:
    case DC_ENUMRESOLUTIONS: return 8;
    case DC_PAPERNAMES:
    case DC_MEDIAREADY: return kPaperNameChars * 2;
    case DC_BINNAMES: return kBinNameChars * 2;
    case DC_FILEDEPENDENCIES: return 2;
    default: return 0;
  }
}

LONG Ask(WORD index, void* output, DEVMODEW* devMode) {
  return static_cast<LONG>(DrvDeviceCapabilities(g_printer, nullptr, index, output, devMode));
}

}  // namespace

bool device_capabilities_fuzz_setup() {
  const std::u16string ownPath = std::u16string(PK_DRIVER_FOLDER) + u"CapabilitiesOwn.vbn";
  // The library's own strings name its resource module, Tarquen, which a
  // fresh root's driver folder holds.
  std::string host;
  if (PkResolveWindowsPath(ownPath.c_str(), nullptr, &host) != 0) return false;
  std::error_code error;
  std::filesystem::copy_file(PK_OWN_STRINGS, host, std::filesystem::copy_options::overwrite_existing, error);
  if (error) return false;
  g_own = LoadLibraryW(ownPath.c_str());
  if (!g_own) return false;
  InitModule(g_own, ownPath.c_str());
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_printer, nullptr)) return false;
  g_devMode.assign(kDriverDevModeSize, 0);
  LONG size = kDriverDevModeSize;
  return DrvConvertDevMode(const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), nullptr,
                           reinterpret_cast<DEVMODEW*>(g_devMode.data()), &size, CDM_DRIVER_DEFAULT);
}

void device_capabilities_fuzz_teardown() {
  if (g_printer) ClosePrinter(g_printer);
  g_printer = nullptr;
  ReleaseModule();
  if (g_own) FreeLibrary(g_own);
  g_own = nullptr;
}

void device_capabilities_fuzz_one(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const WORD index = static_cast<WORD>(data[0] % 36);
  std::vector<uint8_t> devMode = g_devMode;
  // Patches: a 16-bit offset, a length byte and that many bytes.
  for (size_t at = 1; at + 3 <= size;) {
    size_t offset = data[at] | (size_t(data[at + 1]) << 8);
    size_t length = std::min<size_t>(data[at + 2], size - at - 3);
    at += 3;
    for (size_t k = 0; k < length && offset < devMode.size(); ++k) devMode[offset++] = data[at + k];
    at += length;
  }
  // The buffer ends where the sizes the application vouches for end, never
  // before the public head.
  DEVMODEW head;
  std::memcpy(&head, devMode.data(), sizeof head);
  devMode.resize(std::max<size_t>(size_t(head.dmSize) + head.dmDriverExtra, sizeof(DEVMODEW)), 0);
  devMode.shrink_to_fit();
  auto* dm = reinterpret_cast<DEVMODEW*>(devMode.data());

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const LONG count = Ask(index, nullptr, dm);
  const size_t entry = EntryBytes(index);
  if (entry != 0 && count > 0) {
    std::vector<uint8_t> output(static_cast<size_t>(count) * entry);
    Check(Ask(index, output.data(), dm) == count);
  }
  Check(pk::seams::GlobalLiveBlocks() == blocks);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(device_capabilities_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  device_capabilities_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(DeviceCapabilitiesFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(device_capabilities_fuzz_setup());
  // The lists are reachable: the printer's own DEVMODE lists its papers.
  std::vector<uint8_t> plain = g_devMode;
  ASSERT_GT(Ask(DC_PAPERS, nullptr, reinterpret_cast<DEVMODEW*>(plain.data())), 0);
  std::vector<WORD> papers(static_cast<size_t>(Ask(DC_PAPERS, nullptr, reinterpret_cast<DEVMODEW*>(plain.data()))));
  ASSERT_EQ(Ask(DC_PAPERS, papers.data(), reinterpret_cast<DEVMODEW*>(plain.data())), static_cast<LONG>(papers.size()));
  std::mt19937 rng(6220);
  for (int iter = 0; iter < 150; ++iter) {
    std::vector<uint8_t> input{static_cast<uint8_t>(iter % 36)};
    const int patches = static_cast<int>(rng() % 4);
    for (int p = 0; p < patches; ++p) {
      // Mostly the public fields and the private head, where sizes and papers live.
      const size_t offset = rng() % 2 ? rng() % 256 : rng() % kDriverDevModeSize;
      const size_t length = 1 + rng() % 6;
      input.push_back(static_cast<uint8_t>(offset));
      input.push_back(static_cast<uint8_t>(offset >> 8));
      input.push_back(static_cast<uint8_t>(length));
      for (size_t k = 0; k < length; ++k) input.push_back(static_cast<uint8_t>(rng() % 3 ? rng() : 0xFF));
    }
    device_capabilities_fuzz_one(input.data(), input.size());
  }
  device_capabilities_fuzz_teardown();
}

}  // namespace
#endif
