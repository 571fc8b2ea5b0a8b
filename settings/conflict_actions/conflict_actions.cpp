// The actions on a changed setting (see conflict_actions.h).
#include "settings/conflict_actions/conflict_actions.h"

#include <cstring>

#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "settings/access/dependent_values.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/conflict_actions/message_texts.h"
#include "settings/conflict_actions/setting_texts.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/conflict_resolution.h"
#include "settings/model/model_format.h"
#include "settings/services/module_state.h"
#include "settings/store/stamp_store.h"

namespace {

PageConstraintPass g_pageConstraintPass = nullptr;

constexpr SettingId kOrientationId = 7;
constexpr SettingId kPagesPerSheetId = 295;
constexpr SettingId kStampNameId = 297;
constexpr SettingId kStampTextId = 299;
constexpr SettingId kFitToSheetsId = 321;
constexpr SettingId kTextSettingId = 1033;
constexpr SettingId kTextSettingPartId = 1034;
constexpr SettingId kTextUseId = 334;
constexpr WORD kResolutionStatusInform = 9;
constexpr WCHAR kEmptyText[] = u"";

bool HasValue(const SettingValueRef* valueRef) { return valueRef->value != nullptr; }

WORD AddId(SettingId id, WORD** ids, WORD* count) {
  return AddSettingIdToList(id, kIdListRoom, ids, count) == kIdListOk ? kActionWritten : kActionFailed;
}

// Writes the value and lists its id: 4, 3 without a value, 1 on failure.
WORD WriteAndList(const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids, WORD* count) {
  if (!HasValue(valueRef)) return kActionNotWritten;
  if (StoreSettingValue(context, valueRef) != 0) return kActionFailed;
  return AddId(valueRef->id, ids, count);
}

WORD ApplyWithResolutions(HWND owner, const SettingsContext* context, const SettingValueRef* valueRef, WORD n,
                          const SettingValueRef* values, WORD** ids, WORD* count, const ConstraintResult* result) {
  return ApplyChangeWithResolutions(reinterpret_cast<HANDLE>(owner), context, valueRef, n, values, ids, count,
                                    result) == kResolutionApplied
             ? kActionWritten
             : kActionFailed;
}

// Shows a built message in a box; false when there was none to show.
bool ShowBuilt(HWND owner, HMODULE module, int built, WCHAR* text, UINT style, int* answer) {
  if (!built || text == nullptr) return false;
  *answer = ShowSettingsMessage(owner, module, text, style);
  GlobalFree(text);
  return true;
}

// The first resolution setting of the first listed type-7 constraint whose
// rule reports status 9; 0 when there is none.
SettingId FirstInformedSetting(const SettingsContext* context, const ConstraintResult* result) {
  for (WORD k = 0; k < result->typeSevenCount; ++k) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, kRecordConstraintA,
                             result->typeSevenKeys[k], 0, &record) != 0) {
      continue;
    }
    const auto* constraint = static_cast<const ConstraintRecord*>(record);
    SettingId id = 0;
    if (record->type == kRecordConstraintA && (constraint->rule & kRuleStatusMask) == kResolutionStatusInform &&
        constraint->conditionCount > 0 && constraint->conditions != nullptr) {
      id = constraint->conditions[0].settingId;
    }
    ReleaseModelRecord(record);
    if (id != 0) return id;
  }
  return 0;
}

// The question box of statuses 3, 5 and 8: OK writes the change with the
// resolutions; cancel, or no message, answers `refused`.
WORD AskThenApply(HWND owner, HMODULE module, int built, WCHAR* text, WORD refused, const SettingsContext* context,
                  const SettingValueRef* valueRef, WORD n, const SettingValueRef* values, WORD** ids, WORD* count,
                  const ConstraintResult* result) {
  int answer = 0;
  if (!ShowBuilt(owner, module, built, text, kQuestionBox, &answer) || answer != IDOK) return refused;
  return ApplyWithResolutions(owner, context, valueRef, n, values, ids, count, result);
}

// A value read into a variable of its own, kept to be written back.
struct KeptValue {
  SettingValueSlot slot;
  SettingValueRef Ref(SettingId id) const {
    return SettingValueRef{id, slot.type, slot.type == kSettingTypeText ? slot.value : &slot.bytes};
  }
};

WORD RunPageConstraintPass(HWND owner, const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids,
                           WORD* count, ConstraintResult* result) {
  if (g_pageConstraintPass == nullptr) return kActionFailed;
  return g_pageConstraintPass(0, owner, context, valueRef, ids, count, result);
}

// Setting 267 from orientation, pages per sheet and setting 325, and
// settings 320 and 341 from settings 326 and 344, each written and listed
// when its lookup has a binding.
WORD UpdateLayoutSettings(const SettingsContext* context, WORD** ids, WORD* count) {
  SettingValueSlot orientation, pages, follower;
  if (!ReadSettingValueSlot(context, kOrientationId, &orientation) ||
      !ReadSettingValueSlot(context, kPagesPerSheetId, &pages)) {
    return kActionFailed;
  }
  DependentValueRecord record{};
  record.orientation = static_cast<WORD>(orientation.bytes);
  record.pagesPerSheet = static_cast<WORD>(pages.bytes);
  struct Dependent {
    SettingId id;
    SettingId follower;
  };
  static constexpr Dependent kDependents[] = {{267, 325}, {320, 326}, {341, 344}};
  for (const Dependent& d : kDependents) {
    if (!ReadSettingValueSlot(context, d.follower, &follower)) return kActionFailed;
    record.dependentValue = static_cast<WORD>(follower.bytes);
    WORD value = 0;
    const int found =
        d.id == 267 ? LookupDependentValue(&record, &value) : LookupDependentValueById(d.id, &record, &value);
    if (found != 0) continue;
    const SettingValueRef ref{d.id, kSettingTypeUInt16, &value};
    if (StoreSettingValue(context, &ref) != 0 || AddId(d.id, ids, count) != kActionWritten) return kActionFailed;
  }
  return kActionWritten;
}

// The settings the page's own range check handles; the first group is
// checked again against the model after it wrote the value.
bool IsRecheckedAfterPass(SettingId id) {
  return id == 11 || id == 12 || id == 268 || (id >= 351 && id <= 355) || id == 373 || id == 521 || id == 522 ||
         id == 532 || id == 534;
}
bool IsPassOnly(SettingId id) { return id == 269 || (id >= 274 && id <= 285) || id == 323 || id == 324; }
bool IsRangeChecked(SettingId id) {
  return id == 306 || (id >= 309 && id <= 311) || id == 359 || id == 385 || id == 1033 || id == kStampAddId;
}

// A pass, then the model's check of the value it wrote; a refusal writes
// the kept value back.
WORD PassThenRecheck(HWND owner, const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids,
                     WORD* count, ConstraintResult* result) {
  KeptValue kept;
  if (!ReadSettingValueSlot(context, valueRef->id, &kept.slot)) return kActionFailed;
  WORD answer = RunPageConstraintPass(owner, context, valueRef, ids, count, result);
  if (answer != kActionWritten) return answer;
  ResetConstraintResult(result);
  if (CheckSettingConflicts(kConflictModeCheck, reinterpret_cast<HANDLE>(owner), context->model, context->devMode,
                            context->settings, nullptr, valueRef->id, 0, nullptr, result,
                            nullptr) != kConflictCheckOk) {
    answer = kActionFailed;
  } else {
    const SettingValueRef current{valueRef->id, valueRef->valueType, nullptr};
    answer = ActOnConflict(owner, context, &current, nullptr, nullptr, 0, nullptr, ids, count, result);
  }
  // A value the model refuses does not stay written, whether the refusal
  // came silently (3), with a message (10) or from a failure.
  if (answer != kActionWritten) {
    const SettingValueRef back = kept.Ref(valueRef->id);
    StoreSettingValue(context, &back);
  }
  return answer;
}

WORD ApplyByRow(HWND owner, HANDLE printer, const SettingsContext* context, const SettingValueRef* ref, WORD** ids,
                WORD* count, ConstraintResult* result) {
  const SettingId id = ref->id;
  SettingValueSlot current;
  if (id == kOrientationId || id == kPagesPerSheetId) {
    if (!HasValue(ref)) return kActionNotWritten;
    WORD answer = ActOnConflict(owner, context, ref, nullptr, nullptr, 0, nullptr, ids, count, result);
    if (answer == kActionWritten) answer = UpdateLayoutSettings(context, ids, count);
    return answer;
  }
  if (id == 8 || id == 262) {
    if (!ReadSettingValueSlot(context, id, &current)) return kActionFailed;
    WORD answer = ActOnConflict(owner, context, ref, nullptr, nullptr, 0, nullptr, ids, count, result);
    if (answer == kActionWritten) answer = ReportScaledPaperFit(1, owner, context, ref);
    return answer;
  }
  if (id == 263) {
    if (!ReadSettingValueSlot(context, id, &current)) return kActionFailed;
    WORD answer = RunPageConstraintPass(owner, context, ref, ids, count, result);
    if (answer == kActionWritten) answer = ReportScaledPaperFit(1, owner, context, ref);
    return answer;
  }
  if (IsRecheckedAfterPass(id)) return PassThenRecheck(owner, context, ref, ids, count, result);
  if (IsPassOnly(id)) return RunPageConstraintPass(owner, context, ref, ids, count, result);
  if ((id == 296 && !HasValue(ref)) || id == kFitToSheetsId) {
    WCHAR *first = nullptr, *second = nullptr;
    WORD n = 0;
    SettingValueRef* values = nullptr;
    WORD answer =
        CheckValueRangeAndPrompt(FALSE, owner, printer, context, ref, &first, &second, &n, &values, ids, count);
    if (answer != kActionFailed) {
      answer = ActOnConflict(owner, context, ref, first, second, n, values, ids, count, result);
    }
    FreeClearPrompt(&first, &second, &n, &values);
    if (answer == kActionWritten && id == kFitToSheetsId) answer = ReportScaledPaperFit(1, owner, context, ref);
    return answer;
  }
  if (IsRangeChecked(id)) {
    return CheckValueRangeAndPrompt(TRUE, owner, printer, context, ref, nullptr, nullptr, nullptr, nullptr, ids, count);
  }
  return ActOnConflict(owner, context, ref, nullptr, nullptr, 0, nullptr, ids, count, result);
}

// The range of a setting the driver itself keeps.
struct DriverRange {
  SettingId id;
  LONG lowest, highest, divisor;
  UINT nameString;
};
constexpr DriverRange kDriverRanges[] = {
    {306, 7, 600, 1, kStringFontSize},      {359, 5, 24, 1, kStringFontSize},
    {385, 50, 240, 10, kStringFontSize},    {309, -900, 900, 10, kStringTextAngle},
    {310, -900, 900, 10, kStringTextAngle}, {311, -900, 900, 10, kStringTextAngle},
};

// The accepted value: written and listed with `apply`, else only accepted.
WORD Accept(BOOL apply, const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids, WORD* count) {
  if (!apply) return kActionWritten;
  if (ids == nullptr || count == nullptr) return kActionFailed;
  return WriteAndList(context, valueRef, ids, count);
}

WORD CheckDriverRange(BOOL apply, HWND owner, const SettingsContext* context, const SettingValueRef* valueRef,
                      const DriverRange& range, WORD** ids, WORD* count) {
  if (!HasValue(valueRef)) return kActionNotWritten;
  const LONG value = ReadValueAsInt32(valueRef->valueType, valueRef->value);
  if (value < range.lowest || value > range.highest) {
    WCHAR name[kResourceStringChars];
    if (LoadStringW(GetResourceModule(), range.nameString, name, kResourceStringChars) <= 0) name[0] = 0;
    ShowConflictWarning(owner, context, range.divisor, 0, valueRef->id, name, kSettingTypeSInt32, range.lowest,
                        range.highest);
    return kActionNotWritten;
  }
  return Accept(apply, context, valueRef, ids, count);
}

// Settings 296 and 321 (value 1): a stamp named in setting 297 is cleared
// together with the change, after the user agreed.
WORD CheckStampPrompt(BOOL apply, const SettingsContext* context, const SettingValueRef* valueRef, WCHAR** firstText,
                      WCHAR** secondText, WORD* n, SettingValueRef** values, WORD** ids, WORD* count) {
  SettingValueSlot stamp;
  if (!ReadSettingValueSlot(context, kStampNameId, &stamp)) return kActionFailed;
  const auto* name = static_cast<const WCHAR*>(stamp.value);
  if (name != nullptr && name[0] != 0 && firstText != nullptr && secondText != nullptr && n != nullptr &&
      values != nullptr) {
    return PrepareClearPrompt(GetResourceModule(), name, firstText, secondText, n, values);
  }
  return Accept(apply, context, valueRef, ids, count);
}

// Setting 1033: an empty text also empties setting 1034 and turns setting
// 334 off when it uses the text.
WORD CheckTextSetting(BOOL apply, const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids,
                      WORD* count) {
  const auto* text = static_cast<const WCHAR*>(valueRef->value);
  if (apply && text != nullptr && text[0] == 0) {
    if (ids == nullptr || count == nullptr) return kActionFailed;
    const SettingValueRef part{kTextSettingPartId, kSettingTypeText, kEmptyText};
    if (StoreSettingValue(context, &part) != 0 || AddId(kTextSettingPartId, ids, count) != kActionWritten) {
      return kActionFailed;
    }
    SettingValueSlot use;
    if (!ReadSettingValueSlot(context, kTextUseId, &use)) return kActionFailed;
    if (use.bytes == 1 || use.bytes == 2) {
      const WORD off = 0;
      const SettingValueRef useOff{kTextUseId, kSettingTypeUInt16, &off};
      if (StoreSettingValue(context, &useOff) != 0 || AddId(kTextUseId, ids, count) != kActionWritten) {
        return kActionFailed;
      }
    }
  }
  return Accept(apply, context, valueRef, ids, count);
}

// Adding a stamp: the store keeps at most 32.
WORD CheckStampStore(HWND owner, HANDLE printer, const SettingsContext* context) {
  if (printer == nullptr) return kActionFailed;
  DWORD stored = 0;
  if (CountStoredStamps(printer, &stored, context->model) != kStampOk) return kActionFailed;
  if (stored < kStampStoreLimit) return kActionNotWritten;
  HMODULE module = GetResourceModule();
  WCHAR text[kResourceStringChars];
  if (LoadStringW(module, kStringStampStoreFull, text, kResourceStringChars) > 0) {
    ShowSettingsMessage(owner, module, text, kWarningBox);
  }
  return kActionRefusedWithMessage;
}

}  // namespace

void SetPageConstraintPass(PageConstraintPass pass) { g_pageConstraintPass = pass; }

WORD ActOnConflict(HWND owner, const SettingsContext* context, const SettingValueRef* valueRef, const WCHAR* firstText,
                   const WCHAR* secondText, WORD n, const SettingValueRef* values, WORD** ids, WORD* count,
                   const ConstraintResult* result) {
  if (context == nullptr || valueRef == nullptr || ids == nullptr || count == nullptr || result == nullptr) {
    return kActionFailed;
  }
  HMODULE module = GetResourceModule();
  WCHAR* text = nullptr;
  int answer = 0;
  switch (result->status) {
    case kConflictStatusFree:
      if (!HasValue(valueRef)) return kActionWritten;
      return WriteAndList(context, valueRef, ids, count);
    case kConflictStatusResolve: return ApplyWithResolutions(owner, context, valueRef, n, values, ids, count, result);
    case kConflictStatusRefuse: {
      const int built = BuildConflictMessage(FALSE, module, context, valueRef, nullptr, nullptr, result, &text);
      ShowBuilt(owner, module, built, text, kWarningBox, &answer);
      return kActionNotWritten;
    }
    case kConflictStatusAsk:
    case kConflictStatusAskOrRefuse: {
      const int built = BuildConflictMessage(TRUE, module, context, valueRef, firstText, secondText, result, &text);
      const WORD refused = result->status == kConflictStatusAsk ? kActionNotWritten : kActionRefusedWithMessage;
      return AskThenApply(owner, module, built, text, refused, context, valueRef, n, values, ids, count, result);
    }
    case kConflictStatusAskLayout: {
      const int built = BuildLayoutConflictMessage(module, context, valueRef, result, &text);
      return AskThenApply(owner, module, built, text, kActionNotWritten, context, valueRef, n, values, ids, count,
                          result);
    }
    case kConflictStatusForbidden: {
      const int built = BuildForbiddenMessage(module, context, valueRef, result, &text);
      ShowBuilt(owner, module, built, text, kWarningBox, &answer);
      return kActionRefusedWithMessage;
    }
    case kConflictStatusResolveInform: {
      const WORD written = ApplyWithResolutions(owner, context, valueRef, n, values, ids, count, result);
      if (written != kActionWritten) return written;
      const SettingId informed = FirstInformedSetting(context, result);
      if (informed != 0) {
        const int built = FormatSettingNameAndValue(&text, module, context, informed);
        ShowBuilt(owner, module, built, text, kInformationBox, &answer);
      }
      return kActionWritten;
    }
    case kConflictStatusGroupValue:
    case kConflictStatusGroup: {
      const int built = BuildGroupWarning(module, context, valueRef, result->status, &text);
      ShowBuilt(owner, module, built, text, kWarningBox, &answer);
      return kActionNotWritten;
    }
    default: return kActionFailed;
  }
}

WORD ApplySettingChange(HWND owner, HANDLE printer, DeviceModel* model, void* devMode, void* settings, SettingId id,
                        SettingValueType valueType, const void* value, WORD** idList, ConstraintResult* result) {
  if (idList == nullptr) return kActionFailed;
  *idList = nullptr;
  if (model == nullptr || devMode == nullptr || settings == nullptr || result == nullptr || owner == nullptr) {
    return kActionFailed;
  }
  const SettingsContext context{model, devMode, settings};
  const SettingValueRef ref{id, valueType, value};
  if (value != nullptr && id != 263) {
    const WORD same = CompareWithCurrent(&context, &ref);
    if (same == kCompareHolds) return kActionNotWritten;
    if (same != kCompareFails) return kActionFailed;
  }
  WORD room[kIdListRoom] = {};
  WORD* ids = room;
  WORD count = 0;
  WORD answer = ApplyByRow(owner, printer, &context, &ref, &ids, &count, result);
  if (answer == kActionWritten) {
    *idList = CopySettingIdList(ids, count, 0);
    if (*idList == nullptr) answer = kActionFailed;
  }
  ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
  return answer;
}

WORD CheckValueRangeAndPrompt(BOOL apply, HWND owner, HANDLE printer, const SettingsContext* context,
                              const SettingValueRef* valueRef, WCHAR** firstText, WCHAR** secondText, WORD* n,
                              SettingValueRef** values, WORD** ids, WORD* count) {
  if (context == nullptr || valueRef == nullptr) return kActionFailed;
  const SettingId id = valueRef->id;
  for (const DriverRange& range : kDriverRanges) {
    if (range.id == id) return CheckDriverRange(apply, owner, context, valueRef, range, ids, count);
  }
  switch (id) {
    case 296: return CheckStampPrompt(apply, context, valueRef, firstText, secondText, n, values, ids, count);
    case kFitToSheetsId:
      if (HasValue(valueRef) && ReadValueAsUInt32(valueRef->valueType, valueRef->value) == 1) {
        return CheckStampPrompt(apply, context, valueRef, firstText, secondText, n, values, ids, count);
      }
      return Accept(apply, context, valueRef, ids, count);
    case 272: return Accept(apply, context, valueRef, ids, count);
    case kTextSettingId: return CheckTextSetting(apply, context, valueRef, ids, count);
    case kStampAddId: return CheckStampStore(owner, printer, context);
    default: return kActionNoRangeRule;
  }
}

WORD PrepareClearPrompt(HMODULE module, const WCHAR* stampName, WCHAR** firstText, WCHAR** secondText, WORD* n,
                        SettingValueRef** values) {
  if (firstText == nullptr || secondText == nullptr || n == nullptr || values == nullptr) return kActionFailed;
  *firstText = *secondText = nullptr;
  *n = 0;
  *values = nullptr;
  WCHAR stamp[kResourceStringChars], none[kResourceStringChars];
  if (LoadStringW(module, kStringStamp, stamp, kResourceStringChars) <= 0) stamp[0] = 0;
  if (LoadStringW(module, kStringNone, none, kResourceStringChars) <= 0) none[0] = 0;
  auto* first = static_cast<WCHAR*>(GlobalAlloc(GPTR, kMessageChars * sizeof(WCHAR)));
  auto* second = static_cast<WCHAR*>(GlobalAlloc(GPTR, kMessageChars * sizeof(WCHAR)));
  auto* list = static_cast<SettingValueRef*>(GlobalAlloc(GPTR, 2 * sizeof(SettingValueRef)));
  if (first == nullptr || second == nullptr || list == nullptr) {
    if (first != nullptr) GlobalFree(first);
    if (second != nullptr) GlobalFree(second);
    if (list != nullptr) GlobalFree(list);
    return kActionFailed;
  }
  wnsprintfW(first, kMessageChars, u"\n\t%s : %s", stamp, stampName);
  wnsprintfW(second, kMessageChars, u"\n\t%s : %s", stamp, none);
  list[0] = SettingValueRef{kStampNameId, kSettingTypeText, kEmptyText};
  list[1] = SettingValueRef{kStampTextId, kSettingTypeText, kEmptyText};
  *firstText = first;
  *secondText = second;
  *n = 2;
  *values = list;
  return kActionNotWritten;
}

void FreeClearPrompt(WCHAR** firstText, WCHAR** secondText, WORD* n, SettingValueRef** values) {
  if (firstText != nullptr && *firstText != nullptr) GlobalFree(*firstText);
  if (secondText != nullptr && *secondText != nullptr) GlobalFree(*secondText);
  if (values != nullptr && *values != nullptr) GlobalFree(*values);
  if (firstText != nullptr) *firstText = nullptr;
  if (secondText != nullptr) *secondText = nullptr;
  if (n != nullptr) *n = 0;
  if (values != nullptr) *values = nullptr;
}
