// The conflict texts fuzz entry, and the fixed-budget run of it in the test
// program: random patches and mutations of the default settings.
#include "conflict_texts_fuzz_target.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/conflict_actions/message_texts.h"
#include "settings/conflict_actions/setting_texts.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"

namespace {

// Settings whose texts the messages show, the user papers and the settings
// of the paper checks among them.
constexpr WORD kIds[] = {7,   8,   12,  13,  15,  16,   262,  263,  265,  266,  267,  268,  269,  274,
                         285, 295, 297, 306, 320, 327,  328,  333,  341,  346,  353,  354,  389,  407,
                         410, 411, 413, 449, 771, 1033, 1308, 1311, 1316, 1321, 1326, 1331, 1336, 0};
constexpr size_t kBufferSize = kWorkingDevModeSize + kPrinterSettingsBlockSize;

HANDLE g_printer = nullptr;
DeviceModel* g_model = nullptr;
HMODULE g_strings = nullptr;
std::vector<BYTE> g_defaults;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// A text a builder handed out: terminated within its block, then freed.
void CheckText(WCHAR* text, int chars) {
  if (text == nullptr) return;
  Check(lstrlenW(text) < chars);
  GlobalFree(text);
}

void BuildEverything(const SettingsContext* context, const WORD* keys, WORD keyCount, WORD paperBits,
                     const BYTE* value) {
  WCHAR* text = nullptr;
  for (const WORD* id = kIds; *id != 0; ++id) {
    FormatSettingValueText(FALSE, g_strings, context, &text, *id, 0, nullptr);
    CheckText(text, kSettingTextChars);
    FormatSettingValueText(TRUE, g_strings, context, &text, *id, kSettingTypeSInt32, value);
    CheckText(text, kSettingTextChars);
    // The current value, with the sizes of its range.
    FormatSettingNameAndValue(&text, g_strings, context, *id);
    CheckText(text, kMessageChars);
  }
  FormatSettingListText(&text, g_strings, context, kIds, 0, kPlainListText);
  CheckText(text, kMessageChars);

  ConstraintResult* result = AllocConstraintResult();
  Check(result != nullptr);
  for (WORD k = 0; k < keyCount; ++k) {
    AddSettingIdToList(keys[k], kConstraintKeyRoom, &result->typeSevenKeys, &result->typeSevenCount);
  }
  result->paperBits = paperBits;
  // The messages of a paper, a layout and a text setting, with and without a value.
  for (WORD head : {WORD{8}, WORD{295}, WORD{1033}}) {
    for (const void* v : {static_cast<const void*>(value), static_cast<const void*>(nullptr)}) {
      const SettingValueRef ref{head, head == 1033 ? kSettingTypeText : kSettingTypeSInt32, v};
      for (BOOL ask : {FALSE, TRUE}) {
        BuildConflictMessage(ask, g_strings, context, &ref, u"\n\tfirst", u"\n\tsecond", result, &text);
        CheckText(text, kMessageChars);
      }
      BuildLayoutConflictMessage(g_strings, context, &ref, result, &text);
      CheckText(text, kMessageChars);
      BuildGroupWarning(g_strings, context, &ref, 10, &text);
      CheckText(text, kMessageChars);
      FormatConflictText(&text, kConflictTextScaledTooLarge, g_strings, context, &ref, kIds + 1);
      CheckText(text, kMessageChars);
    }
  }
  FreeConstraintResult(result);
}

}  // namespace

bool conflict_texts_fuzz_setup() {
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_printer, nullptr)) return false;
  g_model = OpenDeviceModel(g_printer);
  g_strings = LoadLibraryW((std::u16string(PK_DRIVER_FOLDER) + u"Tarquen.vbn").c_str());
  if (g_model == nullptr || g_strings == nullptr) return false;
  g_defaults.assign(kBufferSize, 0);
  BuildDefaultSettings(g_model, g_defaults.data(), g_defaults.data() + kWorkingDevModeSize, PK_DEFAULT_PRINTER_NAME);
  return true;
}

void conflict_texts_fuzz_teardown() {
  if (g_model) CloseDeviceModel(g_model);
  if (g_printer) ClosePrinter(g_printer);
  if (g_strings) FreeLibrary(g_strings);
  g_model = nullptr;
  g_printer = nullptr;
  g_strings = nullptr;
}

void conflict_texts_fuzz_one(const uint8_t* data, size_t size) {
  // Buffers of exactly their sizes, so that a read past either is caught.
  std::vector<BYTE> devMode(g_defaults.begin(), g_defaults.begin() + kWorkingDevModeSize);
  std::vector<BYTE> settings(g_defaults.begin() + kWorkingDevModeSize, g_defaults.end());
  // The last 8 bytes (when there are enough) name the conflict; the value is
  // a number or, for the text setting, a short text.
  WORD keys[2] = {1, 0};
  WORD paperBits = 0;
  BYTE value[8] = {};
  if (size >= 8) {
    size -= 8;
    const uint8_t* tail = data + size;
    keys[1] = static_cast<WORD>(tail[0] | (tail[1] << 8));
    paperBits = static_cast<WORD>(tail[2] | (tail[3] << 8));
    std::memcpy(value, tail + 4, 4);
  }
  for (size_t at = 0; at + 3 <= size;) {
    size_t offset = (data[at] | (size_t(data[at + 1]) << 8)) % kBufferSize;
    size_t length = data[at + 2];
    at += 3;
    if (length > size - at) length = size - at;
    for (size_t k = 0; k < length && offset + k < kBufferSize; ++k) {
      BYTE& target =
          offset + k < kWorkingDevModeSize ? devMode[offset + k] : settings[offset + k - kWorkingDevModeSize];
      target = data[at + k];
    }
    at += length;
  }
  const SettingsContext context{g_model, devMode.data(), settings.data()};
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  BuildEverything(&context, keys, 2, paperBits, value);
  Check(pk::seams::GlobalLiveBlocks() == blocks);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(conflict_texts_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  conflict_texts_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

// A patch record of the input form.
void Patch(std::vector<uint8_t>* input, size_t offset, const void* bytes, size_t size) {
  input->push_back(static_cast<uint8_t>(offset));
  input->push_back(static_cast<uint8_t>(offset >> 8));
  input->push_back(static_cast<uint8_t>(size));
  const auto* b = static_cast<const uint8_t*>(bytes);
  input->insert(input->end(), b, b + size);
}

TEST(ConflictTextsFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(conflict_texts_fuzz_setup());
  // Seeds: a user paper name without its terminator, a free text filling its
  // field, and the paper and source settings at their extremes.
  std::vector<std::vector<uint8_t> > seeds(3);
  const std::u16string full(40, u'W');
  Patch(&seeds[0], kWorkingDevModeSize + 1702, full.data(), 30);
  Patch(&seeds[1], kWorkingDevModeSize + 1134, full.data(), 50);
  const uint8_t extremes[] = {0xFF, 0xFF, 0x06, 0x01, 0xFF, 0x7F};
  Patch(&seeds[2], 78, extremes, sizeof extremes);
  for (auto& seed : seeds) {
    const uint8_t tail[8] = {1, 0, 0xFF, 0x0F, 0x06, 0x01, 0, 0};
    seed.insert(seed.end(), tail, tail + 8);
    conflict_texts_fuzz_one(seed.data(), seed.size());
  }

  std::mt19937 rng(9107);
  for (int iter = 0; iter < 40; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 4 == 0) {
      input.resize(rng() % 300);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      const int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits && !input.empty(); ++e) input[rng() % input.size()] = static_cast<uint8_t>(rng());
    }
    conflict_texts_fuzz_one(input.data(), input.size());
  }
  conflict_texts_fuzz_teardown();
}

}  // namespace
#endif
