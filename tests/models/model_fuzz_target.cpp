// The device description fuzz entry, and the fixed-budget run of it in the
// test program: random bytes and mutations of the default printer's model and
// of writer-made models.
#include "model_fuzz_target.h"

#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/access/setting_table.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/model/model_interface.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"

namespace {

constexpr const char16_t* kPath = u"C:\\models\\fuzz.ddd";
// Bounds of the walk over one model, so that a large count costs no more
// than a small one.
constexpr DWORD kRecordsPerType = 24;
constexpr WORD kOptionsPerFeature = 8;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool WriteModelFile(const uint8_t* data, size_t size) {
  CreateDirectoryW(u"C:\\models", nullptr);
  HANDLE f = CreateFileW(kPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = size == 0 || WriteFile(f, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(f);
  return ok && written == size;
}

void WalkRecords(ModelFile* primary, ModelFile* secondary) {
  for (WORD type = 1; type <= 23; ++type) {
    DWORD count = CountModelRecords(primary, type);
    for (DWORD n = 1; n <= count && n <= kRecordsPerType; ++n) {
      ModelRecord* record = nullptr;
      if (LoadModelRecordByIndex(true, primary, secondary, type, n, &record) != 0) continue;
      Check(record != nullptr);
      GetModelRecordText(record);
      WORD x = 0, y = 0;
      BYTE* bitmap = nullptr;
      if (LoadRecordPicture(primary, secondary, record, &x, &y, &bitmap) == 0 && bitmap) GlobalFree(bitmap);
      ReleaseModelRecord(record);
    }
  }
}

void WalkHeader(ModelFile* primary) {
  for (WORD field = 0; field <= 40; ++field) {
    for (WORD size : {1, 2, 4}) ReadModelHeaderValue(primary, field, size, 0);
    for (WORD index = 0; index < 3; ++index) {
      WCHAR* text = GetModelHeaderText(primary, field, index);
      if (text) GlobalFree(text);
    }
  }
  LoadModelResourceModule(primary);
}

void WalkSettings(DeviceModel* model) {
  for (const SettingDescriptor& d : kSettingDescriptorTable) {
    ModelInterfaceStatus status = 0;
    ULONG_PTR value = 0;
    WORD valueType = 0;
    if (GetModelDefaultValue(model, d.id, &value, &valueType, &status)) FreeModelValue(value, valueType);
    WORD kind = 0, count = 0;
    const WCHAR* name = nullptr;
    ModelRecord* feature = nullptr;
    if (!GetModelFeature(model, d.id, &kind, &count, &name, &feature, &status)) continue;
    ReleaseModelRecord(feature);
    for (WORD n = 1; n <= count && n <= kOptionsPerFeature; ++n) {
      ModelValue* option = nullptr;
      if (!GetModelFeatureOption(model, d.id, n, &option, &status)) break;
      BYTE* data = nullptr;
      UnpackModelValue(option, &data, nullptr, nullptr, nullptr);
      // Options are read with the value's own width: only an option of the
      // setting's kind may be compared.
      WORD type = 0;
      if (data) {
        ModelRecord* target = LoadValueTarget(model, d.id, data, &type, &status);
        if (target) ReleaseModelRecord(target);
      }
      FreeModelValue(option);
    }
  }
}

}  // namespace

int model_fuzz_one(const uint8_t* data, size_t size) {
  if (!WriteModelFile(data, size)) return 0;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T handles = pk::seams::LiveHandles();
  DeviceModel* model = AllocDeviceModelHandle();
  if (!model) return 0;
  int loaded = LoadModelFiles(kPath, model->primary, model->secondary) == 0;
  if (loaded) {
    WalkHeader(model->primary);
    WalkRecords(model->primary, model->secondary);
    WalkSettings(model);
    ModelInterfaceStatus status = 0;
    WCHAR* name = GetModelNameText(model, &status);
    if (name) GlobalFree(name);
    GetModelMaxCopies(model);
    GetModelColorKind(model);
    GetModelColorCapability(model);
    DWORD mask = 0;
    GetSupportedFieldsMask(model, &mask, 0xFFFFFFFF);
    WORD width = 0, height = 0;
    BYTE* picture = LoadDevicePicture(model->primary, model->secondary, &width, &height);
    if (picture) GlobalFree(picture);
    std::vector<BYTE> devMode(kWorkingDevModeSize), settings(kPrinterSettingsBlockSize);
    BuildDefaultSettings(model, devMode.data(), settings.data(), u"Fuzz printer");
  }
  CloseDeviceModel(model);
  Check(pk::seams::GlobalLiveBlocks() == blocks);
  Check(pk::seams::LiveHandles() == handles);
  return loaded;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  model_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "models/writer/ddd_writer.h"

namespace {

std::vector<uint8_t> ReadHostFile(const char* path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The fixed budget: the default model and a small writer-made one, each read
// whole, then random bytes and byte-level mutations of both.
TEST(ModelFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  std::vector<std::vector<uint8_t> > seeds;
  seeds.push_back(ReadHostFile(PK_DEFAULT_MODEL_FILE));
  ASSERT_GT(seeds[0].size(), 1000u);
  ddd::ModelWriter w;
  w.modelName = "Fuzz";
  w.SetTextField(36, {ddd::Text::Plain("Fuzz.vbn")});
  uint16_t a = w.AddOption(14, ddd::Text::Plain("A"), 0, 0, ddd::Value::I16(1));
  uint16_t b = w.AddOption(14, ddd::Text::Plain("B"), 0, 0, ddd::Value::I32(2));
  w.AddFeature(4, 8, ddd::Text::Plain("Paper"), 1, 1, {a, b});
  std::vector<uint8_t> secondary;
  seeds.emplace_back();
  w.Build(&seeds.back(), &secondary);
  for (const auto& seed : seeds) EXPECT_EQ(model_fuzz_one(seed.data(), seed.size()), 1);

  std::mt19937 rng(1107);
  for (int iter = 0; iter < 400; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 6 == 0) {
      input.resize(rng() % 600);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 8);
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
    model_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
