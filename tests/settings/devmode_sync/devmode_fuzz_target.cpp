// The incoming DEVMODE fuzz entry, and the fixed-budget run of it in the test
// programs: random bytes and mutations of the model's own DEVMODE, of a bare
// public DEVMODE and of a printer settings block.
#include "devmode_fuzz_target.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/machine_db.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_conversion.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/devmode_merge.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/model/device_model.h"

namespace {

constexpr const char16_t* kPrinter = PK_DEFAULT_PRINTER_NAME;

struct State {
  HANDLE printer = nullptr;
  DeviceModel* model = nullptr;
  std::vector<BYTE> devMode = std::vector<BYTE>(kWorkingDevModeSize);
  std::vector<BYTE> settings = std::vector<BYTE>(kPrinterSettingsBlockSize);
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

// The spooler's stored DEVMODE of the printer, as the spooler keeps it.
bool StoreSpoolerDevMode(const uint8_t* data, size_t size) {
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return false;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(tx.db(), "UPDATE spl_printers SET devmode = ?1 WHERE name = ?2", -1, &st, nullptr) !=
      SQLITE_OK)
    return false;
  sqlite3_bind_blob(st, 1, size ? data : reinterpret_cast<const uint8_t*>(""), static_cast<int>(size),
                    SQLITE_TRANSIENT);
  sqlite3_bind_text16(st, 2, kPrinter, static_cast<int>(std::char_traits<char16_t>::length(kPrinter) * 2),
                      SQLITE_TRANSIENT);
  bool ok = sqlite3_step(st) == SQLITE_DONE;
  sqlite3_finalize(st);
  return ok && tx.commit();
}

}  // namespace

bool devmode_fuzz_setup() {
  g_state = new State;
  if (!OpenPrinterW(kPrinter, &g_state->printer, nullptr)) return false;
  g_state->model = OpenDeviceModel(g_state->printer);
  return g_state->model &&
         BuildDefaultSettings(g_state->model, g_state->devMode.data(), g_state->settings.data(), kPrinter) == 1;
}

void devmode_fuzz_teardown() {
  if (!g_state) return;
  if (g_state->model) CloseDeviceModel(g_state->model);
  if (g_state->printer) ClosePrinter(g_state->printer);
  delete g_state;
  g_state = nullptr;
}

void devmode_fuzz_one(const uint8_t* data, size_t size) {
  State& s = *g_state;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();

  // An application's DEVMODE holds the bytes its sizes claim, whatever they
  // are: the input fills them and zeros the rest.
  std::vector<BYTE> head(offsetof(DEVMODEW, dmFields));
  if (size) std::memcpy(head.data(), data, std::min(size, head.size()));
  size_t claimed = size_t(Word(head, offsetof(DEVMODEW, dmSize))) + Word(head, offsetof(DEVMODEW, dmDriverExtra));
  std::vector<BYTE> source(std::max<size_t>(claimed, head.size()));
  if (size) std::memcpy(source.data(), data, std::min(size, source.size()));

  std::vector<BYTE> target = s.devMode, settings = s.settings;
  for (int operation : {2, 16}) {
    int merged = MergeDevModeFields(s.model, target.data(), source.data(), settings.data(), s.printer, operation);
    Check(merged == 0 || merged == 1);
  }
  std::vector<BYTE> converted(kWorkingDevModeSize);
  int c = ConvertIncomingDevMode(source.data(), converted.data(), kPrinter, s.model);
  Check(c >= -1 && c <= 2);

  // The same bytes as a printer settings block.
  std::vector<BYTE> block(kPrinterSettingsBlockSize);
  if (size) std::memcpy(block.data(), data, std::min<size_t>(size, block.size()));
  std::vector<BYTE> blockOut(kPrinterSettingsBlockSize);
  ConvertIncomingSettingsBlock(block.data(), blockOut.data(), s.model);

  // The raw bytes as the spooler's stored DEVMODE, through the default road.
  if (StoreSpoolerDevMode(data, size)) {
    for (LONG length : {LONG(kDriverDevModeSize), LONG(kWorkingDevModeSize), LONG(300)}) {
      std::vector<BYTE> destination(static_cast<size_t>(length));
      LONG l = length;
      int ok = 0;
      PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(s.printer, s.model, destination.data(), &l, &ok);
      Check((info != nullptr) == (ok == 1));
      if (info) GlobalFree(info);
    }
  }
  Check(pk::seams::GlobalLiveBlocks() == blocks);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(devmode_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  devmode_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(DevModeFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(devmode_fuzz_setup());
  std::vector<std::vector<uint8_t> > seeds;
  seeds.emplace_back(g_state->devMode.begin(), g_state->devMode.begin() + kDriverDevModeSize);
  seeds.emplace_back(g_state->devMode.begin(), g_state->devMode.begin() + kPublicDevModeSize);
  seeds.back()[offsetof(DEVMODEW, dmDriverExtra)] = 0;
  seeds.back()[offsetof(DEVMODEW, dmDriverExtra) + 1] = 0;
  seeds.emplace_back(g_state->settings.begin(), g_state->settings.end());
  std::mt19937 rng(2107);
  for (int iter = 0; iter < 150; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 5 == 0) {
      input.resize(rng() % 300);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        // The sizes, the identity and the fields near them matter most.
        size_t at = rng() % 2 ? rng() % std::min<size_t>(input.size(), 260) : rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    devmode_fuzz_one(input.data(), input.size());
  }
  devmode_fuzz_teardown();
}

}  // namespace
#endif
