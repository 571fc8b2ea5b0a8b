// The "UserSettingInfo" record: the user's texts of the printer settings block
// and the versions of the block they came from.
#include "settings/store/user_setting_info.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_text.h"
#include "settings/model/device_model.h"
#include "settings/model/model_records.h"
#include "settings/services/module_state.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_value_io.h"
#include "settings/store/user_store.h"

namespace {

struct TextSlot {
  SettingId id;
  size_t offset;
  UINT bytes;
};
constexpr TextSlot kTextSlots[] = {
    {1054, offsetof(UserSettingInfo, setting1054), sizeof(UserSettingInfo::setting1054)},
    {1052, offsetof(UserSettingInfo, setting1052), sizeof(UserSettingInfo::setting1052)},
    {1033, offsetof(UserSettingInfo, setting1033), sizeof(UserSettingInfo::setting1033)},
    {1034, offsetof(UserSettingInfo, setting1034), sizeof(UserSettingInfo::setting1034)},
};

// Copies a text of the settings block into a slot, cut to the slot.
bool ReadText(SettingId id, const void* settings, WCHAR* slot, UINT bytes) {
  const WCHAR* text = nullptr;
  static_assert(sizeof text <= sizeof(uint64_t));
  uint64_t value = 0;
  if (!ReadSettingInto(id, nullptr, settings, &value)) return false;
  std::memcpy(&text, &value, sizeof text);
  if (text == nullptr) return false;
  lstrcpynW(slot, text, static_cast<int>(bytes / sizeof(WCHAR)));
  return true;
}

bool HasTerminator(const WCHAR* slot, UINT bytes) {
  for (UINT i = 0; i < bytes / sizeof(WCHAR); ++i)
    if (slot[i] == 0) return true;
  return false;
}

// The model name of the printer's primary file, as a new text.
WCHAR* CopyModelName(HANDLE printer) {
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) return nullptr;
  WCHAR* name = nullptr;
  ModelRecord* record = nullptr;
  if (ReadFileInfoRecord(model->primary, &record) == 0) {
    const WCHAR* modelName = static_cast<FileInfoRecord*>(record)->modelName;
    if (modelName != nullptr) {
      const size_t bytes = (static_cast<size_t>(lstrlenW(modelName)) + 1) * sizeof(WCHAR);
      name = static_cast<WCHAR*>(GlobalAlloc(GPTR, bytes));
      if (name != nullptr) std::memcpy(name, modelName, bytes);
    }
  }
  ReleaseModelRecord(record);
  CloseDeviceModel(model);
  return name;
}

}  // namespace

int BuildUserSettingInfo(HANDLE printer, const void* settings, UserSettingInfo* record) {
  if (record == nullptr) return 0;
  std::memset(record, 0, sizeof *record);
  record->format = 1;
  if (!ReadSettingWord(1298, nullptr, settings, &record->driverVersion) ||
      !ReadSettingWord(1307, nullptr, settings, &record->formatVersion) ||
      !ReadSettingWord(1041, nullptr, settings, &record->setting1041))
    return 0;
  auto* bytes = reinterpret_cast<BYTE*>(record);
  for (const TextSlot& slot : kTextSlots)
    if (!ReadText(slot.id, settings, reinterpret_cast<WCHAR*>(bytes + slot.offset), slot.bytes)) return 0;
  if (!ReadSettingWord(1050, nullptr, settings, &record->setting1050)) return 0;
  WCHAR* name = CopyModelName(printer);
  if (name == nullptr) return 0;
  lstrcpynW(record->modelName, name, static_cast<int>(std::size(record->modelName)));
  GlobalFree(name);
  return 1;
}

int ApplyUserSettingInfo(void* settings, const UserSettingInfo* record) {
  if (settings == nullptr || record == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const BYTE*>(record);
  // A stored record is untrusted: every slot must end inside itself before
  // anything is written.
  for (const TextSlot& slot : kTextSlots)
    if (!HasTerminator(reinterpret_cast<const WCHAR*>(bytes + slot.offset), slot.bytes)) return 0;
  for (const TextSlot& slot : kTextSlots) {
    const BYTE* text = bytes + slot.offset;
    if (SetSettingValue(slot.id, nullptr, settings, kSettingTypeText, slot.bytes, &text) != kSettingOk) return 0;
  }
  const WORD value = record->setting1050;
  return SetSettingValue(1050, nullptr, settings, kSettingTypeUInt16, sizeof value, &value) == kSettingOk;
}

int InitUserSettingInfo(UserSettingInfo* record) {
  if (record == nullptr) return 0;
  std::memset(record->setting1054, 0, sizeof record->setting1054);
  if (HMODULE module = GetResourceModule())
    LoadStringW(module, kDefaultUserNameString, record->setting1054, static_cast<int>(std::size(record->setting1054)));
  record->setting1052[0] = 0;
  record->setting1033[0] = 0;
  record->setting1034[0] = 0;
  record->setting1050 = 0;
  return 1;
}

int ReadUserSettingInfo(HANDLE printer, UserSettingInfo* record) {
  if (record == nullptr) return 0;
  // The stored value is read into a zeroed record and taken only at the
  // record's full size; anything else counts as not stored.
  UserSettingInfo stored{};
  DWORD read = 0;
  const int result = ReadUserValueSized(printer, &stored, sizeof stored, nullptr, PK_USER_SETTING_INFO_VALUE, &read);
  if (result == kUserValueNoModel) return 0;
  if (result == kUserValueRead && read == sizeof stored) {
    *record = stored;
    return 1;
  }
  return InitUserSettingInfo(record);
}

int SaveUserSettingInfo(HANDLE printer, const UserSettingInfo* record) {
  if (record == nullptr) return 0;
  return WriteUserValue(printer, record, sizeof *record, REG_BINARY, nullptr, PK_USER_SETTING_INFO_VALUE);
}
