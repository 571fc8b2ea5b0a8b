// Defaults and validation by setting id (see setting_defaults.h).
#include "settings/defaults/setting_defaults.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/model_interface.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"

namespace {

constexpr WORD kDefaultStatusUnset = 1;

bool OwnsDefault(const FeatureRow* row) { return row->ops && (row->ops->flags & kFeatureOwnDefault); }

// A default held in a block of its own (a text or a record).
bool IsBlockValue(SettingValueType type) { return type == kSettingTypeText || type == kSettingTypeFontRecord; }

// Builds one group into its block: 1 when every row was handled, 0 when the
// group stopped early.
int BuildGroup(DeviceModel* model, void* devMode, void* settings, const WCHAR* printerName, const FeatureRow* rows,
               WORD count) {
  for (WORD i = 0; i < count; ++i) {
    uint64_t value = 0;
    SettingValueType type = 0;
    INT size = 0;
    WORD status = kDefaultStatusUnset;
    if (!GetFeatureDefault(model, settings, printerName, &rows[i], &value, &type, &size, &status)) {
      if (status == kModelNotFound) continue;  // the model has none: the setting stays zero
      return 0;
    }
    int written = WriteDefaultValue(rows[i].id, devMode, settings, size, type, &value);
    int released = FreeFeatureDefault(&rows[i], value, type);
    if (!written || !released) return 0;
  }
  return 1;
}

}  // namespace

int GetFeatureDefault(DeviceModel* model, const void* settings, const WCHAR* printerName, const FeatureRow* row,
                      uint64_t* value, SettingValueType* type, INT* size, WORD* status) {
  if (status) *status = kDefaultStatusUnset;
  if (row == nullptr || value == nullptr || type == nullptr || size == nullptr) return 0;
  *value = 0;
  *type = 0;
  *size = 0;
  if (!OwnsDefault(row)) {
    // The device model's default option.
    ULONG_PTR modelValue = 0;
    WORD modelType = 0;
    ModelInterfaceStatus modelStatus = kModelFailed;
    int result = GetModelDefaultValue(model, row->id, &modelValue, &modelType, &modelStatus);
    if (status) *status = modelStatus;
    if (result != 1) return result;
    *value = modelValue;
    *type = modelType;
    *size = modelType == kSettingTypeText ? GetValueByteSize(reinterpret_cast<const void*>(modelValue), modelType, -1)
                                          : GetValueByteSize(value, modelType, -1);
    return 1;
  }
  const StaticDefault* fixed = row->ops->staticDefault;
  if (fixed && (fixed->flags & 1)) {
    *type = fixed->valueType;
    *value = fixed->value;
    *size = fixed->length == -1 ? GetValueByteSize(value, fixed->valueType, -1) : fixed->length;
    if (status) *status = 0;
    return 1;
  }
  if (row->ops->handler == nullptr) return 0;
  FeatureDefaultArgs args = {settings, printerName, 0, 0, 0};
  int result = row->ops->handler(model, kFeatureOpDefault, row->id, &args);
  if (result) {
    *type = args.valueType;
    *value = args.value;
    *size = args.size;
    if (status) *status = 0;
  }
  return result;
}

int BuildDefaultSettings(DeviceModel* model, void* devMode, void* settings, const WCHAR* printerName) {
  if (devMode) std::memset(devMode, 0, kWorkingDevModeSize);
  if (settings) std::memset(settings, 0, kPrinterSettingsBlockSize);
  // Group number order: the printer settings, the public fields, the
  // private part and last the extension.
  bool built = false;
  bool complete = true;
  for (DWORD group = 0; group < kFeatureGroupCount; ++group) {
    const FeatureRow* rows = nullptr;
    WORD count = 0;
    SettingBlock block = 0;
    if (!GetFeatureGroup(group, &rows, &count, &block)) {
      complete = false;
      continue;
    }
    if ((block == kSettingBlockPrinter ? settings : devMode) == nullptr) continue;
    built = true;
    if (!BuildGroup(model, devMode, settings, printerName, rows, count)) complete = false;
  }
  return built && complete ? 1 : 0;
}

int GetSettingDefault(DeviceModel* model, SettingId id, SettingValueType* type, INT* size, uint64_t* value) {
  const FeatureRow* row = FindFeatureRow(id);
  if (row == nullptr) return -1;
  WORD status = kDefaultStatusUnset;
  if (GetFeatureDefault(model, nullptr, nullptr, row, value, type, size, &status) == 1) return 1;
  return status == kModelNotFound ? 2 : -1;
}

int FreeSettingDefault(SettingId id, uint64_t value, SettingValueType type) {
  const FeatureRow* row = FindFeatureRow(id);
  return row ? FreeFeatureDefault(row, value, type) : 0;
}

int FreeFeatureDefault(const FeatureRow* row, uint64_t value, SettingValueType type) {
  if (row == nullptr) return 0;
  if (OwnsDefault(row)) {
    if (!IsBlockValue(type)) return 1;
    return value != 0 && GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(value))) == nullptr;
  }
  // The model takes a text back by its address, any other value by the
  // address of the value.
  ULONG_PTR handed = type == kSettingTypeText ? static_cast<ULONG_PTR>(value) : reinterpret_cast<ULONG_PTR>(&value);
  return FreeModelValue(handed, type) ? 1 : 0;
}

int WriteDefaultValue(SettingId id, void* devMode, void* settings, INT size, SettingValueType type,
                      const uint64_t* value) {
  if (value == nullptr) return 0;
  if (size == -1) {
    const void* of = value;
    if (type == kSettingTypeText) of = reinterpret_cast<const void*>(static_cast<uintptr_t>(*value));
    size = GetValueByteSize(of, type, -1);
  }
  if (size < 0) return 0;
  return SetSettingValue(id, devMode, settings, type, static_cast<UINT>(size), value) == kSettingOk ? 1 : 0;
}

int ResetSettingToDefault(DeviceModel* model, void* devMode, SettingId id, void* settings) {
  SettingValueType type = 0;
  INT size = 0;
  uint64_t value = 0;
  int found = GetSettingDefault(model, id, &type, &size, &value);
  if (found == 2) return 1;
  if (found != 1) return 0;
  int written = WriteDefaultValue(id, devMode, settings, -1, type, &value);
  FreeSettingDefault(id, value, type);
  return written;
}

int ValidateSettingValue(DeviceModel* model, SettingId id, void* devMode, void* settings, int operation) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(id, devMode, settings, &type, &size, &value) != kSettingOk) return 0;
  const FeatureRow* row = FindFeatureRow(id);
  if (row == nullptr) return 0;
  const FeatureOps* ops = row->ops;
  if (ops == nullptr || (operation == kFeatureOpCheckStored && !(ops->flags & kFeatureChecksStored)) ||
      ops->handler == nullptr) {
    const void* known = &value;
    if (type == kSettingTypeText || type == kSettingTypeFontRecord)
      known = reinterpret_cast<const void*>(static_cast<uintptr_t>(value));
    return IsModelValueKnown(model, id, known) ? 1 : 0;
  }
  FeatureCheckArgs args = {&value, devMode, settings};
  return ops->handler(model, operation, id, &args) ? 1 : 0;
}

int CheckCoreSettings(void* devMode) {
  if (devMode == nullptr) return 0;
  for (SettingId id : {2, 3, 4, 5, 258})
    if (!ValidateSettingValue(nullptr, id, devMode, nullptr, kFeatureOpCheckStored)) return 0;
  return 1;
}

int CheckDevModeIdentity(DeviceModel* model, void* devMode, void* settings) {
  if (devMode == nullptr) return 0;
  for (SettingId id : {2, 3, 4, 5, 258, 259})
    if (!ValidateSettingValue(model, id, devMode, settings, kFeatureOpCheckStored)) return 0;
  return 1;
}
