// The stamp and favourites store fuzz entry, and the fixed-budget run of it in
// the test programs: random records and mutations of the values the writers
// store.
#include "stamp_favorite_fuzz_target.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/store/favorites_store.h"
#include "settings/store/printer_id.h"
#include "settings/store/stamp_store.h"
#include "settings/store/user_store.h"

namespace {

constexpr const char16_t* kPrinter = PK_DEFAULT_PRINTER_NAME;
// Favourite values of favourites 1 and 2, then the index and the position.
constexpr const char16_t* kFavoriteValues[] = {u"User%2dDEVMODE", u"User%2dSelName", u"User%2dSelComment",
                                               u"User%2dSelFlag"};
constexpr int kTargets = 2 + 4 + 2;
// Stamp names a record can pick: a built-in one, short ones, a long one.
const std::u16string kStampNames[] = {u"Draft", u"A", u"Office", std::u16string(40, u'L'), u""};
constexpr size_t kStampNameCount = sizeof kStampNames / sizeof kStampNames[0];

HANDLE g_printer = nullptr;
DeviceModel* g_model = nullptr;
std::vector<BYTE> g_current;
WCHAR g_stamps[kUserKeyPathChars];
WCHAR g_others[kUserKeyPathChars];
std::u16string g_favorites;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Put(const WCHAR* path, const WCHAR* name, DWORD type, const BYTE* bytes, DWORD size) {
  static const BYTE kNone = 0;
  HKEY key = nullptr;
  if (RegCreateKeyW(HKEY_CURRENT_USER, path, &key) != ERROR_SUCCESS) return;
  RegSetValueExW(key, name, 0, type, bytes ? bytes : &kNone, size);
  RegCloseKey(key);
}

void Store(int target, DWORD type, BYTE nameByte, const BYTE* bytes, DWORD size) {
  if (target == 0) {
    // A stamp named from the list, or by the value's own first characters.
    std::u16string name;
    if (nameByte < kStampNameCount) {
      name = kStampNames[nameByte];
    } else {
      for (DWORD i = 0; i + 1 < size && i < 80 && name.size() < 33; i += 2) {
        const char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (c == 0) break;
        name.push_back(c);
      }
    }
    Put(g_stamps, name.c_str(), type, bytes, size);
  } else if (target == 1) {
    Put(g_others, u"Stamp Version", type, bytes, size);
  } else if (target < 6) {
    WCHAR name[32];
    wnsprintfW(name, 32, kFavoriteValues[target - 2], 1 + nameByte % 2);
    Put(g_favorites.c_str(), name, type, bytes, size);
  } else {
    Put(g_favorites.c_str(), target == 6 ? u"UserIndex" : u"UserSelPosition", type, bytes, size);
  }
}

bool Terminated(const WCHAR* text, size_t chars) {
  for (size_t i = 0; i < chars; ++i)
    if (text[i] == 0) return true;
  return false;
}

void ReadEverything() {
  DWORD size = 0;
  DWORD count = 0;
  const int needed = ListStampNames(g_printer, nullptr, &count, &size, g_model);
  Check(needed == kStampBufferTooSmall && size >= 2 && size % 2 == 0);
  std::vector<WCHAR> names(size / 2 + 1, 0x7777);
  DWORD given = size;
  const int listed = ListStampNames(g_printer, names.data(), &count, &given, g_model);
  Check(listed == kStampOk || listed == kStampReadFailed);
  Check(given == size && count <= kMaxStoredStamps && names[size / 2 - 1] == 0 && names[size / 2] == 0x7777);
  DWORD stored = 0;
  Check(CountStoredStamps(g_printer, &stored, g_model) == kStampOk && stored >= count);
  for (size_t at = 0; at + 1 < size / 2;) {
    const WCHAR* name = names.data() + at;
    const size_t chars = std::u16string(name).size();
    StampRecord record;
    const int read = ReadStampRecord(g_printer, name, &record, FALSE, g_model);
    Check(read == kStampOk || read == kStampReadFailed);
    Check(Terminated(record.name, kStampNameChars) && Terminated(record.text, kStampTextChars) &&
          Terminated(record.font.lfFaceName, LF_FACESIZE));
    if (read == kStampOk && chars < kStampNameChars) {
      // The record's own name field need not be the name it is stored under.
      const int same = IsStampRecordStored(g_printer, &record, g_model);
      Check(same == kStampOk || same == kStampNotStored || same == kStampDiffers);
    }
    const int known = IsStampNameStored(g_printer, name, g_model);
    Check(known == kStampOk || known == kStampBuiltInName);
    Check(CanAddStamp(g_printer, name, g_model) == kStampExists);
    at += chars + 1;
  }
  for (int n = 1; n <= 2; ++n) {
    std::vector<BYTE> dm(kWorkingDevModeSize);
    WCHAR name[33];
    WCHAR comment[9];
    DWORD flag = 0;
    std::fill(std::begin(name), std::end(name), 0x7777);
    std::fill(std::begin(comment), std::end(comment), 0x7777);
    if (LoadFavorite(g_printer, g_current.data(), nullptr, n, dm.data(), name, 33, comment, 9, &flag) == 1)
      Check(Terminated(name, 33) && Terminated(comment, 9));
  }
  WORD index[kFavoriteIndexEntries];
  WORD position = 0;
  ReadFavoriteIndex(g_printer, index, &position);
}

}  // namespace

bool stamp_favorite_fuzz_setup() {
  if (!OpenPrinterW(kPrinter, &g_printer, nullptr)) return false;
  g_model = OpenDeviceModel(g_printer);
  if (g_model == nullptr) return false;
  PrinterId id;
  if (!ReadPrinterId(g_printer, &id) && (!MakePrinterId(g_printer, &id) || !WritePrinterIdIfMissing(g_printer, &id)))
    return false;
  if (!GetStampsKeyPath(g_printer, g_stamps, kUserKeyPathChars, kStampsKey) ||
      !GetStampsKeyPath(g_printer, g_others, kUserKeyPathChars, kStampsOthersKey))
    return false;
  g_favorites = g_stamps;
  g_favorites.resize(g_favorites.size() - 6);  // "Stamps"
  g_favorites += u"Favorite";
  g_current.assign(kWorkingDevModeSize, 0);
  return BuildDefaultSettings(g_model, g_current.data(), nullptr, kPrinter) == 1;
}

void stamp_favorite_fuzz_teardown() {
  if (g_model) CloseDeviceModel(g_model);
  if (g_printer) ClosePrinter(g_printer);
  g_model = nullptr;
  g_printer = nullptr;
}

void stamp_favorite_fuzz_one(const uint8_t* data, size_t size) {
  DeleteRegistryTree(HKEY_CURRENT_USER, g_stamps);
  DeleteRegistryTree(HKEY_CURRENT_USER, g_favorites.c_str());
  HKEY key = nullptr;
  if (RegCreateKeyW(HKEY_CURRENT_USER, g_stamps, &key) == ERROR_SUCCESS) RegCloseKey(key);
  for (size_t at = 0; at + 5 <= size;) {
    const int target = data[at] % kTargets;
    const DWORD type = data[at + 1] % 5;  // REG_NONE to REG_DWORD
    size_t length = data[at + 2] | (size_t(data[at + 3]) << 8);
    const BYTE nameByte = data[at + 4];
    at += 5;
    if (length > size - at) length = size - at;
    Store(target, type, nameByte, data + at, static_cast<DWORD>(length));
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
  Check(stamp_favorite_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  stamp_favorite_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

// A record of the input form.
void Append(std::vector<uint8_t>* input, int target, DWORD type, BYTE nameByte, const void* bytes, size_t size) {
  input->push_back(static_cast<uint8_t>(target));
  input->push_back(static_cast<uint8_t>(type));
  input->push_back(static_cast<uint8_t>(size));
  input->push_back(static_cast<uint8_t>(size >> 8));
  input->push_back(nameByte);
  const auto* b = static_cast<const uint8_t*>(bytes);
  input->insert(input->end(), b, b + size);
}

TEST(StampFavoriteFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(stamp_favorite_fuzz_setup());
  // Seeds: stamps and a favourite as the writers store them.
  std::vector<std::vector<uint8_t> > seeds(2);
  StampRecord stamp;
  LoadBuiltInStamp(&stamp, &kBuiltInStamps[0]);
  Append(&seeds[0], 0, REG_BINARY, 0, &stamp, sizeof stamp);
  std::memcpy(stamp.name, u"Office", 14);
  Append(&seeds[0], 0, REG_BINARY, 200, &stamp, sizeof stamp);
  Append(&seeds[0], 1, REG_SZ, 0, u"0.01", 8);
  Append(&seeds[1], 2, REG_BINARY, 0, g_current.data(), g_current.size());
  Append(&seeds[1], 3, REG_SZ, 0, u"Letters", 16);
  Append(&seeds[1], 4, REG_SZ, 0, u"A comment", 20);
  const DWORD flag = 0;
  Append(&seeds[1], 5, REG_DWORD, 0, &flag, 4);
  const WORD index[kFavoriteIndexEntries] = {1, 0};
  Append(&seeds[1], 6, REG_BINARY, 0, index, sizeof index);
  for (const auto& seed : seeds) stamp_favorite_fuzz_one(seed.data(), seed.size());

  std::mt19937 rng(8026);
  for (int iter = 0; iter < 80; ++iter) {
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
    stamp_favorite_fuzz_one(input.data(), input.size());
  }
  stamp_favorite_fuzz_teardown();
}

}  // namespace
#endif
