// The conflict engine fuzz entry, and the fixed-budget run of it in the test
// program: the default printer's model and a writer-made model with every
// kind of constraint, each with settings taken from the input, then random
// bytes and mutations of them.
#include "conflict_fuzz_target.h"

#include <cstring>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/conflict_resolution.h"
#include "settings/conflicts/paper_fit.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"

namespace {

constexpr const char16_t* kPath = u"C:\\models\\conflict_fuzz.ddd";
constexpr size_t kSettingBytes = 48;
HANDLE const kOwner = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5150));

// The settings the input sets (16-bit values), then the flags it sets from
// its last word's bits.
constexpr SettingId kValueIds[] = {7,   8,   13,  15,  16,  262, 263,  265,  266, 296, 321, 389,
                                   410, 411, 333, 332, 295, 267, 1311, 1321, 407, 408, 409};
constexpr SettingId kFlagIds[] = {449, 481, 771, 454};
// Settings checked: the ones above and the built-in rules that need no store.
constexpr SettingId kCheckedIds[] = {7,   8,   13,  15,  16,  262, 263, 265, 266, 296, 321,  389,  410,  411,
                                     333, 332, 295, 267, 293, 452, 454, 298, 301, 303, 1025, 1026, 1035, 1042};

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

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Writes a setting in the width its table type asks for; values the access
// layer refuses are left out.
void SetNumber(void* devMode, void* settings, SettingId id, uint32_t value) {
  SettingValueType type = 0, returned = 0;
  if (LookupSettingField(id, &type, &returned, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != 0)
    return;
  const SettingValueType t = returned != 0 ? returned : type;
  UINT size = 0;
  if (!GetValueTypeSize(id, t, &size) || size > 4) return;
  SetSettingValue(id, devMode, settings, t, size, &value);
}

void CheckOne(DeviceModel* model, std::vector<BYTE>& devMode, std::vector<BYTE>& settings, int mode, SettingId id,
              const uint16_t* value) {
  ConstraintResult* result = AllocConstraintResult();
  if (result == nullptr) return;
  WORD* list = nullptr;
  const WORD answer = CheckSettingConflicts(mode, kOwner, model, devMode.data(), settings.data(), nullptr, id,
                                            kSettingTypeUInt16, value, result, &list);
  if (answer == 0) {
    Check(result->typeSevenCount == 0 || result->typeSevenKeys != nullptr);
    Check(result->relatedCount == 0 || result->relatedIds != nullptr);
    // The resolutions are written into the settings, as a change would.
    const SettingsContext context{model, devMode.data(), settings.data()};
    const SettingValueRef ref{id, kSettingTypeUInt16, value};
    WORD room[kIdListRoom] = {};
    WORD* ids = room;
    WORD count = 0;
    ApplyChangeWithResolutions(kOwner, &context, &ref, 0, nullptr, &ids, &count, result);
    ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
  } else {
    Check(list == nullptr);
  }
  if (list != nullptr) GlobalFree(list);
  FreeConstraintResult(result);
}

}  // namespace

int conflict_fuzz_one(const uint8_t* data, size_t size) {
  const uint8_t* model = data;
  size_t modelSize = size;
  std::vector<BYTE> devMode(kWorkingDevModeSize), settings(kPrinterSettingsBlockSize);
  uint16_t given = 2;
  if (size >= kSettingBytes) {
    for (size_t k = 0; k < std::size(kValueIds); ++k)
      SetNumber(devMode.data(), settings.data(), kValueIds[k], Word(data + 2 * k));
    const uint16_t flags = Word(data + kSettingBytes - 2);
    for (size_t k = 0; k < std::size(kFlagIds); ++k)
      SetNumber(devMode.data(), settings.data(), kFlagIds[k], (flags >> k) & 1);
    given = static_cast<uint16_t>(flags >> 8);
    model += kSettingBytes;
    modelSize -= kSettingBytes;
  }
  if (!WriteModelFile(model, modelSize)) return 0;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T handles = pk::seams::LiveHandles();
  DeviceModel* handle = AllocDeviceModelHandle();
  if (handle == nullptr) return 0;
  const int loaded = LoadModelFiles(kPath, handle->primary, handle->secondary) == 0;
  if (loaded) {
    for (int mode : {kConflictModeCheck, kConflictModeChange, kConflictModeAvailable}) {
      for (SettingId id : kCheckedIds) {
        CheckOne(handle, devMode, settings, mode, id, nullptr);
        CheckOne(handle, devMode, settings, mode, id, &given);
      }
    }
    const SettingsContext context{handle, devMode.data(), settings.data()};
    const SettingValueRef ref{263, kSettingTypeUInt16, &given};
    WORD* ids = nullptr;
    const WORD fit = CheckScaledPaperFit(&context, &ref, &ids);
    Check(fit == kScaledPaperFits || fit == kScaledPaperFailed || fit == kScaledPaperTooLarge ||
          fit == kScaledPaperTooSmall);
    Check((ids != nullptr) == (fit == kScaledPaperTooLarge || fit == kScaledPaperTooSmall));
    if (ids != nullptr) GlobalFree(ids);
  }
  CloseDeviceModel(handle);
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
  conflict_fuzz_one(data, size);
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

// A model with constraints of both types on features and options: chains
// with every joining code, a value table head, paper conditions, a point
// pair condition, range records and a user paper.
std::vector<uint8_t> ConstraintModel() {
  using ddd::Value;
  ddd::ModelWriter w;
  w.modelName = "Fuzz";
  w.SetTextField(36, {ddd::Text::Plain("Fuzz.vbn")});
  auto cond = [](uint16_t s, uint8_t c, const Value& v) { return ddd::Condition{0, c, s, v}; };
  auto chain = [&](uint16_t s, uint8_t c, const Value& v, uint8_t j) { return ddd::Chained{cond(s, c, v), j}; };
  w.AddValueTable(1, 0, 3, 2, {1, 2, 4});
  const uint16_t pair = w.AddPointPair({{1000, 1000}, {3000, 4000}});
  const uint16_t a = w.AddConstraint(7, cond(16, 1, Value::I16(2)), 0x0401, ddd::Text::Plain("A"),
                                     {chain(771, 1, Value::Flag(false), 2), chain(15, 2, Value::I16(1), 3),
                                      chain(262, 7, Value::U16(262), 1), chain(262, 11, Value::U16(262), 4)},
                                     {cond(16, 1, Value::I16(1))});
  const uint16_t b = w.AddConstraint(7, cond(295, 1, Value::TableRef(1)), 0x1003, ddd::Text::Plain("B"),
                                     {chain(262, 9, Value::U16(262), 3), chain(7, 1, Value::I16(2), 3)},
                                     {cond(295, 1, Value::U16(1)), cond(263, 1, Value::U16(100))});
  const uint16_t c = w.AddConstraint(8, cond(265, 1, Value::U16(4)), 0x2208, ddd::Text::Plain("C"),
                                     {chain(262, 8, Value::U16(262), 3)}, {cond(265, 1, Value::U16(1))});
  const uint16_t d = w.AddConstraint(7, cond(265, 1, Value::U16(4)), 0x0C04, ddd::Text::Plain("D"), {});
  uint16_t o1 = w.AddOption(14, ddd::Text::Plain("Off"), 0, 0, Value::I16(1));
  uint16_t o2 = w.AddOption(14, ddd::Text::Plain("On"), 0, 0, Value::I16(2), pair, {a});
  w.AddFeature(4, 16, ddd::Text::Plain("Duplex"), 1, 1, {o1, o2}, pair, {a});
  std::vector<uint16_t> pages;
  for (uint16_t v : {1, 2, 4}) pages.push_back(w.AddOption(14, ddd::Text::Plain("P"), 0, 0, Value::U16(v), 0, {b}));
  w.AddFeature(4, 295, ddd::Text::Plain("Pages"), 1, 1, pages);
  uint16_t s1 = w.AddOption(14, ddd::Text::Plain("Tray"), 0, 0, Value::U16(1));
  uint16_t s4 = w.AddOption(14, ddd::Text::Plain("Bypass"), 0, 0, Value::U16(4), 0, {d}, {c});
  w.AddFeature(4, 265, ddd::Text::Plain("Source"), 1, 1, {s1, s4});
  w.AddRange(5, 4, ddd::Text::Plain("Bypass"), {{900, 1480}, {2970, 4200}}, 4, {262, 9}, {3, 3}, 0);
  w.AddRange(6, 1, ddd::Text::Plain("Output"), {{900, 1480}, {2970, 4200}}, 1, {262}, {1}, 0);
  w.AddPaper(9, ddd::Text::Plain("A4"), 0, {{2100, 2970}, {2100, 2970}}, {{42, 42}, {42, 42}},
             {{2016, 2886}, {2016, 2886}}, 9, 0, 0);
  w.AddPaper(262, ddd::Text::Plain("User"), 0, {{900, 1480}, {2970, 4200}}, {{42, 42}, {42, 42}},
             {{816, 1396}, {2886, 4116}}, 262, 0, 2, ddd::Pair{{900, 1480}, {2970, 4200}});
  std::vector<uint8_t> primary, secondary;
  w.Build(&primary, &secondary);
  return primary;
}

// Settings bytes: a user paper as the document, the bypass tray, duplex on,
// four sheets at 250 %, and every flag set.
std::vector<uint8_t> SettingBytes() {
  std::vector<uint8_t> bytes(kSettingBytes, 0);
  const uint16_t values[] = {1, 262, 4, 1, 2, 267, 250, 4, 1, 0x0202, 1, 4, 9, 9, 4, 1, 2, 0, 3000, 4300, 4, 264, 0};
  for (size_t k = 0; k < std::size(values); ++k) {
    bytes[2 * k] = static_cast<uint8_t>(values[k]);
    bytes[2 * k + 1] = static_cast<uint8_t>(values[k] >> 8);
  }
  bytes[kSettingBytes - 2] = 0x0F;
  bytes[kSettingBytes - 1] = 2;
  return bytes;
}

TEST(ConflictFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  std::vector<std::vector<uint8_t> > seeds;
  for (const std::vector<uint8_t>& model : {ReadHostFile(PK_DEFAULT_MODEL_FILE), ConstraintModel()}) {
    std::vector<uint8_t> seed = SettingBytes();
    seed.insert(seed.end(), model.begin(), model.end());
    seeds.push_back(seed);
  }
  ASSERT_GT(seeds[0].size(), 1000u);
  for (const auto& seed : seeds) EXPECT_EQ(conflict_fuzz_one(seed.data(), seed.size()), 1);

  std::mt19937 rng(8519);
  for (int iter = 0; iter < 120; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 10 == 0) {
      input.resize(rng() % 400);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        // The settings part half of the time, the model the other half.
        size_t at = rng() % 2 ? rng() % kSettingBytes : rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default:
            if (at > kSettingBytes) input.resize(at + 1);
            break;
        }
      }
    }
    conflict_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
