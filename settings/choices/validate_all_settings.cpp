// The whole-settings conflict pass.
#include "settings/choices/validate_all_settings.h"

#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/defaults/feature_groups.h"

namespace {

constexpr int kCheckMode = 1;
// Display kinds whose values are not checked: ranges and free values.
constexpr WORD kKindRange = 4;

SettingMark* FindMark(SettingMark* table, SettingId id) {
  for (size_t n = 0; n < kSettingMarkCount; ++n)
    if (table[n].id == id) return &table[n];
  return nullptr;
}

// The entry holding the id, or the first free one; null when all are taken.
SettingMark* MarkEntry(SettingMark* table, SettingId id) {
  for (size_t n = 0; n < kSettingMarkCount; ++n)
    if (table[n].id == id || table[n].id == 0) return &table[n];
  return nullptr;
}

void FreeIdList(WORD** ids) {
  if (ids && *ids) {
    GlobalFree(*ids);
    *ids = nullptr;
  }
}

// The pass over one setting: 0 go on, else the pass's result.
int CheckOne(HMODULE module, HANDLE printer, DeviceModel* model, void* devMode, void* settings, WORD** conflictIds,
             SettingMark* markTable, SettingId* lastId, SettingId id, ConstraintResult* result, int* finalResult) {
  SettingChoiceList* list = BuildSettingChoiceList(printer, model, id, module, 0, nullptr, devMode, settings);
  if (!list) return 0;  // a setting without a list is not shown, so not checked
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  const WORD kind = GetChoiceListKind(list);
  if (GetSettingValue(id, devMode, settings, &type, &size, &value) != kSettingOk || kind == 0) {
    FreeChoiceList(list);
    return kValidationFailed;
  }
  if (kind == kKindRange || kind == kChoiceKindFreeValue) return FreeChoiceList(list) ? 0 : kValidationFailed;
  // A text is checked by its characters, any other value by its bytes.
  const void* valuePointer =
      type == kSettingTypeText ? reinterpret_cast<const void*>(static_cast<uintptr_t>(value)) : &value;
  // Each setting is judged on its own: the engine leaves the result of the
  // previous check in place for a setting that neither its rules nor the
  // model know, which after a skipped conflict would report that conflict
  // again under this setting's id.
  ResetConstraintResult(result);
  WORD answer = CheckSettingConflicts(kCheckMode, printer, model, devMode, settings, nullptr, id, type, valuePointer,
                                      result, conflictIds);
  if (answer != kConflictCheckOk) {
    FreeIdList(conflictIds);
    FreeChoiceList(list);
    return kValidationFailed;
  }
  if (result->status == kConflictStatusFree) {
    FreeIdList(conflictIds);
    return FreeChoiceList(list) ? 0 : kValidationFailed;
  }
  if (SettingMark* mark = FindMark(markTable, id)) {
    // Reported twice in a row before: marked and passed over.
    mark->mark = 1;
    FreeIdList(conflictIds);
    if (!FreeChoiceList(list)) *finalResult = kValidationFailed;
    return 0;
  }
  if (id == *lastId) {
    SettingMark* mark = MarkEntry(markTable, id);
    if (!mark) {
      FreeIdList(conflictIds);
      FreeChoiceList(list);
      return kValidationFailed;
    }
    mark->id = id;
    mark->mark = 1;
  }
  *lastId = id;
  if (!FreeChoiceList(list)) {
    FreeIdList(conflictIds);
    return kValidationFailed;
  }
  return kValidationConflict;
}

}  // namespace

int ValidateAllSettings(HMODULE module, HANDLE printer, DeviceModel* model, void* devMode, void* settings,
                        WORD** conflictIds, HWND, SettingMark* markTable, SettingId* lastId) {
  if (!markTable || !lastId) return kValidationFailed;
  if (conflictIds) *conflictIds = nullptr;
  for (size_t n = 0; n < kSettingMarkCount; ++n) markTable[n].mark = 0;
  ConstraintResult* result = AllocConstraintResult();
  if (!result) return kValidationFailed;
  int finalResult = kValidationClean;
  for (DWORD group = 0; group < kFeatureGroupCount; ++group) {
    const FeatureRow* rows = nullptr;
    WORD count = 0;
    if (!GetFeatureGroup(group, &rows, &count, nullptr)) break;
    for (WORD r = 0; r < count; ++r) {
      int stop = CheckOne(module, printer, model, devMode, settings, conflictIds, markTable, lastId, rows[r].id, result,
                          &finalResult);
      if (stop != 0) {
        FreeConstraintResult(result);
        return stop;
      }
    }
  }
  FreeConstraintResult(result);
  return finalResult;
}
