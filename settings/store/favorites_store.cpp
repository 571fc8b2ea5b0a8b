// The favourites store (see favorites_store.h).
#include "settings/store/favorites_store.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_registry.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/model/model_format.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"
#include "settings/store/user_store.h"

namespace {

constexpr const char16_t* kFavoriteKey = u"Favorite";
constexpr const char16_t* kIndexValue = u"UserIndex";
constexpr const char16_t* kPositionValue = u"UserSelPosition";
// The model name (setting 259) is a text of at most 32 characters.
constexpr size_t kModelNameChars = 32;

// "User%2d<part>": favourites 1 to 9 carry a space before the digit.
struct ValueName {
  WCHAR text[40];
  ValueName(int n, const char16_t* part) { wnsprintfW(text, 40, u"User%2d%s", n, part); }
};

DWORD TextBytes(LPCWSTR text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return static_cast<DWORD>((n + 1) * sizeof(WCHAR));
}

bool WriteText(HANDLE printer, int n, const char16_t* part, LPCWSTR text) {
  return WriteUserValue(printer, text, TextBytes(text), REG_SZ, kFavoriteKey, ValueName(n, part).text) != 0;
}

bool WriteFlag(HANDLE printer, int n, DWORD flag) {
  return WriteUserValue(printer, &flag, sizeof flag, REG_DWORD, kFavoriteKey, ValueName(n, u"SelFlag").text) != 0;
}

bool WriteDevMode(HANDLE printer, int n, const void* devMode) {
  return WriteUserValue(printer, devMode, kWorkingDevModeSize, REG_BINARY, kFavoriteKey,
                        ValueName(n, u"DEVMODE").text) != 0;
}

// A value of exactly `size` bytes; any other size counts as none.
bool ReadExact(HANDLE printer, void* buffer, DWORD size, LPCWSTR valueName) {
  DWORD read = 0;
  return ReadUserValueSized(printer, buffer, size, kFavoriteKey, valueName, &read) == kUserValueRead && read == size;
}

bool ReadDevMode(HANDLE printer, int n, void* devMode) {
  return ReadExact(printer, devMode, kWorkingDevModeSize, ValueName(n, u"DEVMODE").text);
}

bool ReadFlag(HANDLE printer, int n, DWORD* flag) {
  return ReadExact(printer, flag, sizeof *flag, ValueName(n, u"SelFlag").text);
}

// The model name of a DEVMODE, cut to its field.
bool ReadModelName(const void* devMode, const void* settings, WCHAR name[kModelNameChars + 1]) {
  SettingValueType type = 0;
  UINT size = 0;
  const WCHAR* text = nullptr;
  if (devMode == nullptr || GetSettingValue(259, devMode, settings, &type, &size, &text) != kSettingOk ||
      text == nullptr)
    return false;
  size_t n = 0;
  for (; n < kModelNameChars; ++n) {
    WCHAR c;
    std::memcpy(&c, text + n, sizeof c);
    if (c == 0) break;
    name[n] = c;
  }
  name[n] = 0;
  return true;
}

// 1 same model, 0 another model, -1 when a name cannot be read.
int SameModel(const void* first, const void* second, const void* settings) {
  WCHAR a[kModelNameChars + 1];
  WCHAR b[kModelNameChars + 1];
  if (!ReadModelName(first, settings, a) || !ReadModelName(second, settings, b)) return -1;
  return std::u16string_view(a) == std::u16string_view(b);
}

// The value list accessors: the graphics driver's build reads the same record
// fields with the same format-level gate.
ModelStatus ValueListCount(const ModelRecord* list, WORD* count) {
#if !PK_SETTINGS_GRAPHICS_DRIVER
  return GetType21Count(list, count);
#else
  if (list == nullptr || list->type != kRecordValueList || list->level < kModelLevelValueLists) return 1;
  *count = static_cast<const ValueListRecord*>(list)->entryCount;
  return 0;
#endif
}

ModelStatus ValueListEntry(const ModelRecord* list, WORD n, WORD* id, WORD* size, WORD* type, const BYTE** value) {
#if !PK_SETTINGS_GRAPHICS_DRIVER
  return GetType21Entry(list, n, id, size, type, value);
#else
  if (list == nullptr || list->type != kRecordValueList || n == 0 || list->level < kModelLevelValueLists) return 1;
  const auto* r = static_cast<const ValueListRecord*>(list);
  if (n > r->entryCount) return 2;
  *id = r->ids[n - 1];
  *size = r->valueSizes[n - 1];
  *type = r->valueTypes[n - 1];
  *value = r->values[n - 1];
  return 0;
#endif
}

// Applies every entry of the value list, in list order: false at the first
// entry that cannot be read or written.
bool ApplyValueList(const ModelRecord* list, void* devMode) {
  WORD count = 0;
  if (ValueListCount(list, &count) != 0) return false;
  for (WORD n = 1; n <= count; ++n) {
    WORD id = 0, size = 0, type = 0;
    const BYTE* value = nullptr;
    if (ValueListEntry(list, n, &id, &size, &type, &value) != 0) return false;
    if (SetSettingValue(id, devMode, nullptr, type, size, value) != kSettingOk) return false;
  }
  return true;
}

// Installs option i of the feature as favourite i over a copy of the
// defaults.
bool InstallPreset(HANDLE printer, DeviceModel* model, WORD i, const BYTE* defaults, BYTE* work) {
  ModelValue* option = nullptr;
  if (LoadModelValue(model->primary, model->secondary, kFavoritesFeatureId, i, &option) != 0 || option == nullptr)
    return false;
  // The value's first u16 is the key of the preset's value list.
  WORD key = 0;
  const bool keyed = option->data != nullptr && GlobalSize(option->data) >= sizeof key;
  if (keyed) std::memcpy(&key, option->data, sizeof key);
  // Name and comment are split at the last line feed.
  std::u16string name = option->name != nullptr ? std::u16string(option->name) : std::u16string();
  std::u16string comment;
  const size_t feed = name.rfind(u'\n');
  if (feed != std::u16string::npos) {
    comment = name.substr(feed + 1);
    name.resize(feed);
  }
  FreeModelValue(option);
  if (!keyed) return false;
  ModelRecord* list = nullptr;
  if (LoadModelRecordByKey(true, model->primary, model->secondary, kRecordValueList, key, 0, &list) != 0 ||
      list == nullptr)
    return false;
  std::memcpy(work, defaults, kWorkingDevModeSize);
  const bool applied = ApplyValueList(list, work);
  FreeModelRecord(&list, -1);
  return applied && WriteText(printer, i, u"SelName", name.c_str()) &&
         WriteText(printer, i, u"SelComment", comment.c_str()) && WriteDevMode(printer, i, work) &&
         WriteFlag(printer, i, kFavoritePresetFlag);
}

}  // namespace

int SaveFavorite(HANDLE printer, int n, const void* workingDevMode, LPCWSTR name, LPCWSTR comment, const DWORD* flag) {
  if (workingDevMode != nullptr && !WriteDevMode(printer, n, workingDevMode)) return 0;
  if (name != nullptr && !WriteText(printer, n, u"SelName", name)) return 0;
  if (comment != nullptr && !WriteText(printer, n, u"SelComment", comment)) return 0;
  if (flag != nullptr && !WriteFlag(printer, n, *flag)) return 0;
  return 1;
}

int LoadFavorite(HANDLE printer, const void* currentDevMode, void* settingsBlock, int n, void* workingDevMode,
                 WCHAR* name, UINT nameChars, WCHAR* comment, UINT commentChars, DWORD* flag) {
  if (workingDevMode != nullptr) {
    if (!ReadDevMode(printer, n, workingDevMode)) return 0;
    int same = SameModel(currentDevMode, workingDevMode, settingsBlock);
    if (same < 0) return 0;
    if (same == 0) {
      // Only a preset of another model is replaced: a user's own favourite
      // of another printer is not loaded.
      DWORD stored = 0;
      if (!ReadFlag(printer, n, &stored) || stored != kFavoritePresetFlag) return 0;
      WCHAR current[kModelNameChars + 1];
      if (!ReadModelName(currentDevMode, settingsBlock, current)) return 0;
      DeviceModel* model = OpenDeviceModel(printer);
      if (model == nullptr) return 0;
      WORD index[kFavoriteIndexEntries];
      WORD position = 0;
      InstallModelFavorites(printer, model, current, index, &position);
      CloseDeviceModel(model);
      // The preset as installed now; when the model has no preset of this
      // number the old DEVMODE is still there and is not handed out.
      if (!ReadDevMode(printer, n, workingDevMode) || SameModel(currentDevMode, workingDevMode, settingsBlock) != 1)
        return 0;
    }
  }
  if (name != nullptr &&
      ReadUserText(printer, name, nameChars, kFavoriteKey, ValueName(n, u"SelName").text) != kUserValueRead)
    return 0;
  if (comment != nullptr &&
      ReadUserText(printer, comment, commentChars, kFavoriteKey, ValueName(n, u"SelComment").text) != kUserValueRead)
    return 0;
  if (flag != nullptr && !ReadFlag(printer, n, flag)) return 0;
  return 1;
}

int ReadFavoriteIndex(HANDLE printer, WORD* index, WORD* position) {
  if (index != nullptr && !ReadExact(printer, index, kFavoriteIndexSize, kIndexValue)) return 0;
  if (position != nullptr) {
    DWORD stored = 0;
    if (!ReadExact(printer, &stored, sizeof stored, kPositionValue)) return 0;
    *position = static_cast<WORD>(stored);
  }
  return 1;
}

int WriteFavoriteIndex(HANDLE printer, const WORD* index, const WORD* position) {
  if (index != nullptr && !WriteUserValue(printer, index, kFavoriteIndexSize, REG_BINARY, kFavoriteKey, kIndexValue))
    return 0;
  if (position != nullptr) {
    const DWORD stored = *position;
    if (!WriteUserValue(printer, &stored, sizeof stored, REG_DWORD, kFavoriteKey, kPositionValue)) return 0;
  }
  return 1;
}

int InstallModelFavorites(HANDLE printer, DeviceModel* model, LPCWSTR deviceName, WORD* index, WORD* position) {
  if (model == nullptr || index == nullptr || position == nullptr) return 0;
  std::vector<BYTE> defaults(kWorkingDevModeSize);
  std::vector<BYTE> work(kWorkingDevModeSize);
  if (!BuildDefaultSettings(model, defaults.data(), nullptr, deviceName)) return 0;
  WORD type = 0;
  ModelRecord* feature = nullptr;
  if (FindSettingModelRecord(true, model->primary, model->secondary, kFavoritesFeatureId, nullptr, &type, &feature) !=
          0 ||
      feature == nullptr)
    return 0;
  const bool isFeature = type == kRecordSettingFeature || type == kRecordFlagFeature;
  const WORD options = isFeature ? static_cast<const FeatureRecord*>(feature)->optionCount : 0;
  FreeModelRecord(&feature, -1);
  if (!isFeature) return 0;
  // The index keeps its last entry for the terminating 0; presets beyond
  // that are left out.
  WORD presets = options > 0 ? static_cast<WORD>(options - 1) : 0;
  if (presets > kFavoriteIndexEntries - 1) presets = kFavoriteIndexEntries - 1;
  std::memset(index, 0, kFavoriteIndexSize);
  for (WORD i = 1; i <= presets; ++i) {
    if (!InstallPreset(printer, model, i, defaults.data(), work.data())) return 0;
    index[i - 1] = i;
  }
  *position = 0;
  return WriteFavoriteIndex(printer, index, position);
}
