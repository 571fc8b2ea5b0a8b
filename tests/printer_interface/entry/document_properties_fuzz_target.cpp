// The document properties fuzz entry, and the fixed-budget run of it in the
// test program: random patches of an application's DEVMODE.
#include "document_properties_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/entry/document_properties.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/devmode/devmode_layout.h"

namespace {

HANDLE g_printer = nullptr;
std::vector<uint8_t> g_devMode;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr DWORD kModes[] = {DM_COPY, DM_UPDATE, DM_COPY | DM_USER_DEFAULT, DM_IN_BUFFER, DM_COPY | DM_IN_BUFFER};

}  // namespace

bool document_properties_fuzz_setup() {
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_printer, nullptr)) return false;
  g_devMode.assign(kDriverDevModeSize, 0);
  LONG size = kDriverDevModeSize;
  return DrvConvertDevMode(const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), nullptr,
                           reinterpret_cast<DEVMODEW*>(g_devMode.data()), &size, CDM_DRIVER_DEFAULT) != FALSE;
}

void document_properties_fuzz_teardown() {
  if (g_printer) ClosePrinter(g_printer);
  g_printer = nullptr;
}

void document_properties_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const DWORD mode = kModes[data[0] % std::size(kModes)];
  const WORD headerSize = data[1] % 64;
  std::vector<uint8_t> devMode = g_devMode;
  for (size_t at = 2; at + 3 <= size;) {
    size_t offset = data[at] | (size_t(data[at + 1]) << 8);
    size_t length = std::min<size_t>(data[at + 2], size - at - 3);
    at += 3;
    for (size_t i = 0; i < length && offset < devMode.size(); ++i) devMode[offset++] = data[at + i];
    at += length;
  }
  // The buffer ends exactly where the sizes the application declares say.
  DEVMODEW head;
  std::memcpy(&head, devMode.data(), sizeof head);
  devMode.resize(std::max<size_t>(size_t(head.dmSize) + head.dmDriverExtra, sizeof(DEVMODEW)), 0);
  devMode.shrink_to_fit();

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T handles = pk::seams::LiveHandles();
  std::vector<uint8_t> output(kDriverDevModeSize, 0);
  const LONG answer = DrvDocumentProperties(nullptr, g_printer, const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME),
                                            reinterpret_cast<DEVMODEW*>(output.data()),
                                            reinterpret_cast<DEVMODEW*>(devMode.data()), mode);
  Check(answer == IDOK || answer == IDCANCEL || answer == -1);

  // A header of the caller's size: only a whole one is read.
  const size_t bytes = std::max<size_t>(headerSize, 2);
  std::unique_ptr<uint8_t[]> header(new uint8_t[bytes]());
  DOCUMENTPROPERTYHEADER whole{sizeof(DOCUMENTPROPERTYHEADER),
                               0,
                               g_printer,
                               nullptr,
                               reinterpret_cast<DEVMODEW*>(devMode.data()),
                               reinterpret_cast<DEVMODEW*>(output.data()),
                               0,
                               mode};
  whole.cbSize = headerSize;
  std::memcpy(header.get(), &whole, std::min(bytes, sizeof whole));
  const LONG sheet = DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(header.get()));
  Check(sheet == 1 || sheet == -1);
  Check(headerSize >= sizeof(DOCUMENTPROPERTYHEADER) || sheet == -1);

  Check(pk::seams::GlobalLiveBlocks() == blocks);
  Check(pk::seams::LiveHandles() == handles);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(document_properties_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  document_properties_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(DocumentPropertiesFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(document_properties_fuzz_setup());
  // Seeds: the driver's DEVMODE with 3 copies, a whole header; a public-only
  // DEVMODE (no private part) with a short header.
  const uint8_t copies[] = {2, 48, offsetof(DEVMODEW, dmCopies), 0, 2, 3, 0};
  const uint8_t publicOnly[] = {0, 24, offsetof(DEVMODEW, dmDriverExtra), 0, 2, 0, 0};
  std::vector<std::vector<uint8_t> > seeds = {{std::begin(copies), std::end(copies)},
                                              {std::begin(publicOnly), std::end(publicOnly)}};
  for (const auto& seed : seeds) document_properties_fuzz_one(seed.data(), seed.size());

  std::mt19937 rng(7911);
  for (int iter = 0; iter < 40; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 5 == 0) {
      input.resize(2 + rng() % 120);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      // Patches of random places of the DEVMODE.
      for (int e = 0; e < 1 + static_cast<int>(rng() % 4); ++e) {
        const uint16_t offset = static_cast<uint16_t>(rng() % kDriverDevModeSize);
        input.insert(input.end(), {uint8_t(offset), uint8_t(offset >> 8), 2, uint8_t(rng()), uint8_t(rng())});
      }
    }
    document_properties_fuzz_one(input.data(), input.size());
  }
  document_properties_fuzz_teardown();
}

}  // namespace
#endif
