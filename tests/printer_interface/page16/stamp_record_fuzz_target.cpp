// The stamp record fuzz entry (see stamp_record_fuzz_target.h), and its
// fixed-budget run in the test program.
#include "stamp_record_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/ui/win_dialog.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/pages/page16_stamp_text.h"
#include "printer_interface/sheets/sheet_context.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/services/module_state.h"
#include "settings/store/stamp_store.h"

namespace {

HANDLE g_printer = nullptr;
HMODULE g_own = nullptr;
DeviceModel* g_model = nullptr;
SheetContext* g_sheet = nullptr;
HWND g_window = nullptr;
std::vector<uint8_t> g_devMode, g_settings;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool Terminated(const WCHAR* text, size_t chars) {
  for (size_t i = 0; i < chars; ++i)
    if (text[i] == 0) return true;
  return false;
}

// The texts of a record end within their fields: 66 and 130 bytes, the
// terminator included.
void CheckRecord(const StampRecord& record) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
  WCHAR name[33], text[65];
  std::memcpy(name, bytes + offsetof(StampRecord, name), sizeof name);
  std::memcpy(text, bytes + offsetof(StampRecord, text), sizeof text);
  Check(Terminated(name, 33));
  Check(Terminated(text, 65));
  WCHAR sample[kStampSampleChars + 1];
  FormatStampTextSample(1, text, 1, 1, sample);
  Check(Terminated(sample, kStampSampleChars + 1));
}

}  // namespace

bool stamp_record_fuzz_setup() {
  const std::u16string ownPath = std::u16string(PK_DRIVER_FOLDER) + u"StampRecordOwn.vbn";
  std::string host;
  if (PkResolveWindowsPath(ownPath.c_str(), nullptr, &host) != 0) return false;
  std::error_code error;
  std::filesystem::copy_file(PK_OWN_STRINGS, host, std::filesystem::copy_options::overwrite_existing, error);
  if (error) return false;
  g_own = LoadLibraryW(ownPath.c_str());
  if (!g_own) return false;
  InitModule(g_own, ownPath.c_str());
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_printer, nullptr)) return false;
  g_model = OpenDeviceModel(g_printer);
  if (!g_model) return false;
  g_devMode.assign(kWorkingDevModeSize, 0);
  g_settings.assign(kPrinterSettingsBlockSize, 0);
  if (BuildDefaultSettings(g_model, g_devMode.data(), g_settings.data(), PK_DEFAULT_PRINTER_NAME) != 1) return false;
  g_sheet = CreateSheetContext(g_printer, g_model, g_devMode.data(), g_settings.data(), 1, kSheetModePreferences);
  if (!g_sheet) return false;
  g_window = CreateWindowExW(0, WC_DIALOGW, u"page", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!g_window) return false;
  SetWindowLongPtrW(g_window, DWLP_USER, reinterpret_cast<LONG_PTR>(g_sheet));
  return true;
}

void stamp_record_fuzz_teardown() {
  if (g_window) DestroyWindow(g_window);
  g_window = nullptr;
  FreeSheetContext(g_sheet);
  g_sheet = nullptr;
  if (g_model) CloseDeviceModel(g_model);
  g_model = nullptr;
  if (g_printer) ClosePrinter(g_printer);
  g_printer = nullptr;
  ReleaseModule();
  if (g_own) FreeLibrary(g_own);
  g_own = nullptr;
}

void stamp_record_fuzz_one(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const uint8_t control = data[0];
  ++data, --size;
  // The stored value: 308 bytes (zero-filled past the input), or as many as
  // the input has up to 308 when bit 2 asks for an odd size.
  const size_t valueSize = (control & 4) ? std::min(size, sizeof(StampRecord)) : sizeof(StampRecord);
  std::vector<uint8_t> value(valueSize, 0);
  const size_t taken = std::min(size, valueSize);
  if (taken) std::memcpy(value.data(), data, taken);
  data += taken, size -= taken;
  std::vector<uint8_t> devMode = g_devMode;
  while (size >= 3) {
    size_t offset = data[0] | (size_t(data[1]) << 8);
    const size_t n = std::min<size_t>(data[2], size - 3);
    for (size_t i = 0; i < n && offset < devMode.size(); ++i) devMode[offset++] = data[3 + i];
    data += 3 + n, size -= 3 + n;
  }
  std::vector<uint8_t> settings = g_settings;

  HKEY key = nullptr;
  Check(OpenStampKey(&key, g_printer, g_model) == kStampOk);
  Check(RegSetValueExW(key, u"Fuzz", 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size())) == ERROR_SUCCESS);
  RegCloseKey(key);

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  StampRecord record{};
  if (BuildStampRecord(g_model, devMode.data(), settings.data(), &record)) {
    CheckRecord(record);
    IsStampRecordStored(g_printer, &record, g_model);
  }
  // The stamp text as the sample reads it, straight from its field.
  SettingValueType type = 0;
  UINT bytes = 0;
  uint64_t text = 0;
  if (GetSettingValue(kStampTextSetting, devMode.data(), settings.data(), &type, &bytes, &text) == kSettingOk) {
    WCHAR sample[kStampSampleChars + 1];
    FormatStampTextSample(1, reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(text)), control & 8 ? 1 : 0,
                          control & 16 ? 1 : 0, sample);
    Check(Terminated(sample, kStampSampleChars + 1));
  }
  const INT applied = ApplyStampRecord((control & 2) ? u"Fuzz" : nullptr, g_window, (control & 1) ? 1 : 0, g_model,
                                       devMode.data(), settings.data());
  Check(applied == kStampApplyDone || applied == kStampApplyFailed || applied == kStampApplyNoRecord);
  if (applied == kStampApplyDone && BuildStampRecord(g_model, devMode.data(), settings.data(), &record)) {
    CheckRecord(record);
    if (!(control & 1)) Check(record.name[0] == 0 && record.text[0] == 0);
  }
  Check(pk::seams::GlobalLiveBlocks() == blocks);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(stamp_record_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  stamp_record_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(StampRecordFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(stamp_record_fuzz_setup());
  // Seeds: a whole stored stamp applied by name in both modes, with the
  // working stamp text and name overwritten without terminators.
  StampRecord stamp{};
  std::copy_n(u"Fuzz", 4, stamp.name);
  std::fill(std::begin(stamp.text), std::end(stamp.text), u'T');
  stamp.color = 0xFF;
  stamp.position = 0x202;
  stamp.font.lfHeight = 20;
  std::vector<std::vector<uint8_t> > seeds;
  for (uint8_t control : {uint8_t(3), uint8_t(2 | 8 | 16), uint8_t(1 | 4), uint8_t(0)}) {
    std::vector<uint8_t> s{control};
    const auto* b = reinterpret_cast<const uint8_t*>(&stamp);
    s.insert(s.end(), b, b + (control & 4 ? 200 : sizeof stamp));
    if (!(control & 4)) {
      const BYTE* field = nullptr;
      for (SettingId id : {kStampTextSetting, kStampNameSetting}) {
        LookupSettingField(id, nullptr, nullptr, nullptr, nullptr, g_devMode.data(), g_settings.data(), &field, nullptr,
                           nullptr);
        const size_t offset = size_t(field - g_devMode.data());
        s.insert(s.end(), {uint8_t(offset), uint8_t(offset >> 8), uint8_t(140)});
        s.insert(s.end(), 140, 0x41);
      }
    }
    seeds.push_back(s);
  }
  for (const auto& seed : seeds) stamp_record_fuzz_one(seed.data(), seed.size());
  std::mt19937 rng(1616);
  for (int iter = 0; iter < 200; ++iter) {
    std::vector<uint8_t> input = seeds[static_cast<size_t>(iter) % seeds.size()];
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % input.size();
      switch (rng() % 4) {
        case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
        case 1: input[at] = static_cast<uint8_t>(rng()); break;
        case 2: input[at] = 0xFF; break;
        default: input.resize(at + 1); break;
      }
    }
    stamp_record_fuzz_one(input.data(), input.size());
  }
  stamp_record_fuzz_teardown();
}

}  // namespace
#endif
