// The stored settings fuzz entry, and the fixed-budget run of it in the test
// programs: random records and mutations of the values the writers store.
#include "stored_fuzz_target.h"

#include <cstring>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/store/printer_settings_data.h"
#include "settings/store/settings_blob.h"
#include "settings/store/user_setting_info.h"
#include "settings/store/user_store.h"

namespace {

constexpr const char16_t* kPrinter = PK_DEFAULT_PRINTER_NAME;
constexpr const char16_t* kBlobFile = u"C:\\fuzz\\settings.blob";

struct Target {
  bool user;  // per-user value, else printer data
  const char16_t* name;
};
// Printer data and per-user values the readers take; the last target is the
// blob file.
constexpr Target kTargets[] = {
    {false, u"N_DevSize"},
    {false, u"N_Dev1"},
    {false, u"N_Dev2"},
    {false, u"PrinterDataSize"},
    {false, u"PrinterData1"},
    {false, u"PrinterData4"},
    {false, u"FontSubTableSize"},
    {false, u"FontSubTable1"},
    {false, u"SysTTFontListSize"},
    {false, u"SysTTFontList1"},
    {false, u"PRNID"},
    {true, u"N_DevSize"},
    {true, u"N_Dev"},
    {true, PK_USER_SETTING_INFO_VALUE},
};
constexpr size_t kTargetCount = sizeof kTargets / sizeof kTargets[0];

HANDLE g_printer = nullptr;
DeviceModel* g_model = nullptr;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Store(size_t target, DWORD type, const BYTE* bytes, DWORD size) {
  static const BYTE kNone = 0;
  if (!bytes) bytes = &kNone;
  if (target == kTargetCount) {
    HANDLE f = CreateFileW(kBlobFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (size) WriteFile(f, bytes, size, &written, nullptr);
    CloseHandle(f);
  } else if (kTargets[target].user) {
    WriteUserValue(g_printer, bytes, size, type, nullptr, kTargets[target].name);
  } else {
    SetPrinterDataW(g_printer, kTargets[target].name, type, bytes, size);
  }
}

void ReadEverything() {
  for (int index = 0; index < 3; ++index) {
    DWORD size = 0;
    void* block = nullptr;
    if (ReadChunkedValue(g_printer, &size, index, &block, false)) {
      Check(block != nullptr && size > 0);
      GlobalFree(block);
    }
    std::vector<BYTE> buffer(300);
    void* holder = buffer.data();
    size = static_cast<DWORD>(buffer.size());
    if (ReadChunkedValue(g_printer, &size, index, &holder, true)) Check(size <= buffer.size());
  }
  void* data = nullptr;
  DWORD size = 0;
  if (ReadChunkedPrinterData(g_printer, &data, &size)) GlobalFree(data);
  WCHAR* fonts = ReadFontSubTable(g_printer);
  if (fonts) GlobalFree(fonts);
  std::vector<BYTE> settings(kPrinterSettingsBlockSize);
  LoadPrinterSettings(g_printer, settings.data(), g_model);
  std::vector<BYTE> extension(kSettingsBlobExtensionSize);
  for (WORD mode : {kBlobInPrinterData, kBlobInUserValues}) {
    void* fax = nullptr;
    if (ReadSettingsBlob(g_printer, nullptr, mode, &fax, extension.data()) && fax) GlobalFree(fax);
  }
  void* fax = nullptr;
  if (ReadSettingsBlob(g_printer, kBlobFile, 0, &fax, extension.data()) && fax) GlobalFree(fax);
  UserSettingInfo info;
  ReadUserSettingInfo(g_printer, &info);
  HasUserSettingInfo(g_printer);
}

}  // namespace

bool stored_fuzz_setup() {
  CreateDirectoryW(u"C:\\fuzz", nullptr);
  if (!OpenPrinterW(kPrinter, &g_printer, nullptr)) return false;
  g_model = OpenDeviceModel(g_printer);
  return g_model != nullptr;
}

void stored_fuzz_teardown() {
  if (g_model) CloseDeviceModel(g_model);
  if (g_printer) ClosePrinter(g_printer);
  g_model = nullptr;
  g_printer = nullptr;
}

void stored_fuzz_one(const uint8_t* data, size_t size) {
  for (size_t t = 0; t <= kTargetCount; ++t) Store(t, REG_BINARY, nullptr, 0);
  for (size_t at = 0; at + 4 <= size;) {
    size_t target = data[at] % (kTargetCount + 1);
    DWORD type = data[at + 1] % 5;  // REG_NONE to REG_DWORD
    size_t length = data[at + 2] | (size_t(data[at + 3]) << 8);
    at += 4;
    if (length > size - at) length = size - at;
    Store(target, type, data + at, static_cast<DWORD>(length));
    at += length;
  }
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T handles = pk::seams::LiveHandles();
  ReadEverything();
  Check(pk::seams::GlobalLiveBlocks() == blocks);
  Check(pk::seams::LiveHandles() == handles);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(stored_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  stored_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

// A record of the input form.
void Append(std::vector<uint8_t>* input, size_t target, DWORD type, const void* bytes, size_t size) {
  input->push_back(static_cast<uint8_t>(target));
  input->push_back(static_cast<uint8_t>(type));
  input->push_back(static_cast<uint8_t>(size));
  input->push_back(static_cast<uint8_t>(size >> 8));
  const auto* b = static_cast<const uint8_t*>(bytes);
  input->insert(input->end(), b, b + size);
}

TEST(StoredSettingsFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(stored_fuzz_setup());
  // Seeds: what the writers store, read back as records.
  std::vector<std::vector<uint8_t> > seeds(2);
  std::vector<BYTE> block(kPrinterSettingsBlockSize, 0x11);
  DWORD blockSize = static_cast<DWORD>(block.size());
  Append(&seeds[0], 3, REG_DWORD, &blockSize, 4);
  Append(&seeds[0], 4, REG_BINARY, block.data(), 768);
  const char16_t fonts[] = u"Arial\0Device Sans\0Times\0Device Serif\0";
  DWORD fontSize = sizeof fonts;
  Append(&seeds[0], 6, REG_DWORD, &fontSize, 4);
  Append(&seeds[0], 7, REG_BINARY, fonts, sizeof fonts);
  std::vector<BYTE> extension(kSettingsBlobExtensionSize, 0x22);
  ASSERT_EQ(WriteSettingsBlob(g_printer, nullptr, kBlobInUserValues, nullptr, 0, extension.data()), 1);
  std::vector<BYTE> stored(kSettingsBlobMaxSize);
  DWORD read = 0;
  ASSERT_EQ(ReadUserValueSized(g_printer, stored.data(), static_cast<DWORD>(stored.size()), nullptr, u"N_Dev", &read),
            kUserValueRead);
  DWORD blobSize = read;
  Append(&seeds[1], 11, REG_DWORD, &blobSize, 4);
  Append(&seeds[1], 12, REG_BINARY, stored.data(), read);
  Append(&seeds[1], kTargetCount, REG_BINARY, stored.data(), read);
  UserSettingInfo info;
  InitUserSettingInfo(&info);
  Append(&seeds[1], 13, REG_BINARY, &info, sizeof info);
  for (const auto& seed : seeds) stored_fuzz_one(seed.data(), seed.size());

  std::mt19937 rng(3107);
  for (int iter = 0; iter < 120; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 5 == 0) {
      input.resize(rng() % 200);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    stored_fuzz_one(input.data(), input.size());
  }
  stored_fuzz_teardown();
}

}  // namespace
#endif
