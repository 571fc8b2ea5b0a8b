// Writing resolutions and value lists into the settings, the related ids of
// a change, and the rules of the few settings the driver itself knows.
#include "settings/conflicts/conflict_resolution.h"

#include <cstring>

#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/conflicts/conflict_values.h"
#include "settings/model/model_queries.h"
#include "settings/services/os_version.h"
#include "settings/store/stamp_store.h"

namespace {

struct RelatedIds {
  SettingId first;
  SettingId last;
  WORD ids[4];
  WORD count;
};
constexpr RelatedIds kRelatedIds[] = {
    {272, 272, {271, 270, 293, 482}, 4},
    {274, 277, {271, 270, 293}, 3},
    {282, 285, {271, 270, 293}, 3},
    {482, 482, {271, 270, 293}, 3},
    {278, 281, {293, 270}, 2},
    {296, 296, {297}, 1},
    {301, 301, {300}, 1},
    {303, 303, {456}, 1},
    {454, 454, {296, 297}, 2},
    {36865, 36867, {296, 297}, 2},
    {457, 457, {270}, 1},
    {1025, 1025, {1031}, 1},
};

// The current value of a setting as a number, and the current text of 297.
struct StampSettings {
  int64_t poster = 0;  // setting 321
  bool hasStampName = false;
  const WCHAR* stampName = nullptr;  // setting 297, inside the DEVMODE
};

bool ReadStampSettings(const SettingsContext* context, bool withPoster, StampSettings* out) {
  if (withPoster && ReadSettingNumber(context, nullptr, 321, &out->poster) != kSettingOk) return false;
  ConflictValue name{};
  if (ReadCurrentSettingValue(context, 297, &name) != kSettingOk || name.type != kSettingTypeText) return false;
  out->stampName = static_cast<const WCHAR*>(name.value);
  WCHAR first = 0;
  if (out->stampName != nullptr) std::memcpy(&first, out->stampName, sizeof first);
  out->hasStampName = first != 0;
  return true;
}

bool ReadGivenNumber(const SettingValueRef* valueRef, int64_t* number) {
  return valueRef->value != nullptr && ReadConflictNumber(valueRef->valueType, valueRef->value, number);
}

WORD AddIds(WORD** ids, WORD* count, const WORD* list, WORD n) {
  if (ids == nullptr || count == nullptr) return kIdListOk;
  return AddSettingIdsToList(kIdListRoom, ids, count, list, n);
}

bool IsOldPlatform(DWORD code) {
  return code == kPlatform9xOld || code == kPlatform9x40 || code == kPlatformNtOld || code == kPlatformNt4;
}

}  // namespace

WORD StoreSettingValue(const SettingsContext* context, const SettingValueRef* valueRef) {
  if (context == nullptr || valueRef == nullptr || valueRef->value == nullptr) return 1;
  // Font records are not written this way; texts go by their address.
  if (valueRef->valueType == kSettingTypeFontRecord) return 1;
  const UINT size = static_cast<UINT>(GetValueByteSize(valueRef->value, valueRef->valueType, -1));
  if (size == 0) return 1;
  const WCHAR* text = static_cast<const WCHAR*>(valueRef->value);
  const void* value = valueRef->valueType == kSettingTypeText ? static_cast<const void*>(&text) : valueRef->value;
  return SetSettingValue(valueRef->id, context->devMode, context->settings, valueRef->valueType, size, value) ==
                 kSettingOk
             ? 0
             : 1;
}

WORD AddRelatedSettingIds(SettingId id, ConstraintResult* result) {
  if (result == nullptr) return 1;
  for (const RelatedIds& entry : kRelatedIds) {
    if (id < entry.first || id > entry.last) continue;
    return AddSettingIdsToList(kRelatedIdRoom, &result->relatedIds, &result->relatedCount, entry.ids, entry.count) ==
                   kIdListOk
               ? 0
               : 2;
  }
  return 0;
}

WORD ApplyResolution(const SettingsContext* context, const ConstraintRecord* constraint, WORD** ids, WORD* count) {
  if (context == nullptr || constraint == nullptr) return kResolutionFailed;
  if (constraint->conditionCount == 0 || constraint->conditions == nullptr) return kResolutionNothing;
  for (WORD k = 0; k < constraint->conditionCount; ++k) {
    const ConditionItem& c = constraint->conditions[k];
    // A value shorter than its type's width cannot be written.
    const UINT width = ConflictNumberWidth(c.valueType);
    if (c.data == nullptr || (width != 0 && c.itemSize < width)) return kResolutionFailed;
    const SettingValueRef value{c.settingId, c.valueType, c.data};
    if (StoreSettingValue(context, &value) != 0) return kResolutionFailed;
    if (ids != nullptr && count != nullptr && AddSettingIdToList(c.settingId, kIdListRoom, ids, count) != kIdListOk)
      return kResolutionListFailed;
  }
  return kResolutionApplied;
}

WORD ApplyConstraintResolutions(BOOL typeSeven, const SettingsContext* context, WORD** ids, WORD* count,
                                const WORD* keys, WORD n) {
  if (context == nullptr || context->model == nullptr || (n > 0 && keys == nullptr)) return kResolutionFailed;
  const WORD type = typeSeven ? kRecordConstraintA : kRecordConstraintB;
  bool applied = false;
  for (WORD k = 0; k < n; ++k) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, type, keys[k], 0, &record) != 0)
      return kResolutionFailed;
    const WORD answer = ApplyResolution(context, static_cast<const ConstraintRecord*>(record), ids, count);
    FreeModelRecord(&record, -1);
    if (answer == kResolutionApplied) applied = true;
    else if (answer != kResolutionNothing) return kResolutionFailed;
  }
  return applied ? kResolutionApplied : kResolutionNothing;
}

WORD ApplyValueList(const SettingsContext* context, WORD** ids, WORD* count, WORD n, const SettingValueRef* values) {
  if (n == 0) return kResolutionNothing;
  if (context == nullptr || values == nullptr) return kResolutionFailed;
  for (WORD k = 0; k < n; ++k) {
    if (StoreSettingValue(context, &values[k]) != 0) return kResolutionFailed;
    if (ids != nullptr && count != nullptr && AddSettingIdToList(values[k].id, kIdListRoom, ids, count) != kIdListOk)
      return kResolutionFailed;
  }
  return kResolutionApplied;
}

WORD ApplyChangeWithResolutions(HANDLE owner, const SettingsContext* context, const SettingValueRef* valueRef, WORD n,
                                const SettingValueRef* values, WORD** ids, WORD* count,
                                const ConstraintResult* result) {
  (void)owner;  // nothing is shown while writing
  if (context == nullptr || valueRef == nullptr || result == nullptr) return kResolutionFailed;
  if (valueRef->value != nullptr) {
    if (StoreSettingValue(context, valueRef) != 0) return kResolutionFailed;
    if (ids != nullptr && count != nullptr && AddSettingIdToList(valueRef->id, kIdListRoom, ids, count) != kIdListOk)
      return kResolutionFailed;
  }
  if (ApplyConstraintResolutions(TRUE, context, ids, count, result->typeSevenKeys, result->typeSevenCount) ==
          kResolutionFailed ||
      ApplyConstraintResolutions(FALSE, context, ids, count, result->typeEightKeys, result->typeEightCount) ==
          kResolutionFailed ||
      ApplyValueList(context, ids, count, n, values) == kResolutionFailed)
    return kResolutionFailed;
  return kResolutionApplied;
}

WORD CheckSpecialSettings(HANDLE owner, const SettingsContext* context, const SettingValueRef* valueRef,
                          const ConstraintResult* previousResult, ConstraintResult* result, WORD** ids, WORD* count) {
  (void)previousResult;
  if (context == nullptr || valueRef == nullptr || result == nullptr) return 1;
  const SettingId id = valueRef->id;
  const bool given = valueRef->value != nullptr;
  WORD status = 0;
  WORD added[2] = {};
  WORD addedCount = 0;
  StampSettings stamp;

  switch (id) {
    case 293: {
      int64_t value = 0;
      if (given && ReadGivenNumber(valueRef, &value) && (value & 0xFFFF) == 3) {
        DWORD platform = 0;
        if (GetOsPlatformCode(&platform) != 1) return 1;
        status = IsOldPlatform(platform) ? kConflictStatusDisabled : kConflictStatusFree;
      }
      break;
    }
    case 321: {
      if (!ReadStampSettings(context, false, &stamp)) return 1;
      int64_t value = 0;
      const bool one = given && ReadGivenNumber(valueRef, &value) && value == 1;
      status = one && stamp.hasStampName ? kConflictStatusAsk : kConflictStatusFree;
      added[addedCount++] = 297;
      break;
    }
    case 1026:
    case 1042: break;
    case 454:
    case kStampEditId: {
      if (!ReadStampSettings(context, true, &stamp)) return 1;
      status = !given && (stamp.poster == 1 || !stamp.hasStampName) ? kConflictStatusDisabled : kConflictStatusFree;
      added[addedCount++] = 296;
      added[addedCount++] = 297;
      break;
    }
    case 452: status = kConflictStatusHidden; break;
    case 1035:
      if (given || !IsWindowsVistaOrLater()) return kNoBuiltInRule;
      status = kConflictStatusHidden;
      break;
    case kStampAddId: {
      DWORD stored = 0;
      if (CountStoredStamps(owner, &stored, context->model) != kStampOk) return 1;
      if (!ReadStampSettings(context, true, &stamp)) return 1;
      if (!given && stamp.poster == 1) {
        status = kConflictStatusDisabled;
        added[addedCount++] = 296;
      } else if (stored < kStampStoreLimit) {
        status = kConflictStatusFree;
      } else {
        status = kConflictStatusAskOrRefuse;
        added[addedCount++] = 297;
      }
      break;
    }
    case kStampDeleteId: {
      if (!ReadStampSettings(context, true, &stamp)) return 1;
      bool disabled = !given && (stamp.poster == 1 || !stamp.hasStampName);
      if (!given && !disabled) {
        // The built-in stamps are seeded into every store.
        const int stored = IsStampNameStored(owner, stamp.stampName, context->model);
        disabled = stored != kStampOk && stored != kStampBuiltInName;
      }
      status = disabled ? kConflictStatusDisabled : kConflictStatusFree;
      added[addedCount++] = 296;
      added[addedCount++] = 297;
      break;
    }
    case 298:
    case 301:
    case 303:
    case 1025: {
      // Their checks read these settings; a failed read is a failure.
      int64_t ignored = 0;
      ConflictValue text{};
      if (id == 298) {
        if (!ReadStampSettings(context, true, &stamp)) return 1;
      } else if (id == 301) {
        if (ReadSettingNumber(context, nullptr, 300, &ignored) != kSettingOk) return 1;
      } else if (id == 303) {
        if (ReadSettingNumber(context, nullptr, 456, &ignored) != kSettingOk) return 1;
      } else if (ReadCurrentSettingValue(context, 1031, &text) != kSettingOk) {
        return 1;
      }
      return kNoBuiltInRule;
    }
    default: return kNoBuiltInRule;
  }

  result->status = status;  // the rule's status stands as it is, not merged by priority
  if (AddIds(ids, count, added, addedCount) != kIdListOk) return 2;
  return AddRelatedSettingIds(id, result);
}
