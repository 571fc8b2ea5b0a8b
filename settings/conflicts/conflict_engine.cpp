// The conflict engine: comparisons of condition values, the walk over the
// chained conditions of a constraint, the constraints of a feature or option
// record, and the check of one setting's value with the built-in rules.
#include "settings/conflicts/conflict_engine.h"

#include <cstring>
#include <string>

#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/conflicts/conflict_resolution.h"
#include "settings/conflicts/conflict_values.h"
#include "settings/conflicts/paper_fit.h"
#include "settings/model/model_queries.h"

namespace {

bool IsTextType(SettingValueType type) { return type == kSettingTypeText; }

int CompareTexts(const void* first, const void* second) {
  const BYTE* a = static_cast<const BYTE*>(first);
  const BYTE* b = static_cast<const BYTE*>(second);
  for (;; a += 2, b += 2) {
    char16_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

bool IsPaperComparison(BYTE code) {
  return code == kComparePaperSource || code == kComparePaperOutput || code == kComparePaperSourceB ||
         code == kComparePaperRotated || code == kComparePaperEither;
}

// Compares listed value `k` of the condition with the setting's value.
WORD CompareListedValue(const ConditionItem* condition, WORD k, const ConflictValue& setting) {
  const BYTE* item = condition->data + static_cast<size_t>(condition->itemSize) * k;
  if (IsTextType(condition->valueType)) {
    const std::u16string text = ConditionItemText(item, condition->itemSize);
    return CompareConditionValue(condition->comparison, condition->valueType, text.c_str(), setting.type,
                                 setting.value);
  }
  const UINT width = ConflictNumberWidth(condition->valueType);
  if (width != 0 && condition->itemSize < width) return kCompareMissing;
  return CompareConditionValue(condition->comparison, condition->valueType, item, setting.type, setting.value);
}

bool IsFeatureOrOption(WORD type) {
  return type == kRecordFlagFeature || type == kRecordSettingFeature || type == kRecordFlagOption ||
         type == kRecordSettingOption;
}

// A chain group's ids: a room of five and its growth.
struct IdRoom {
  WORD room[kIdListRoom] = {};
  WORD* list = room;
  WORD count = 0;
  ~IdRoom() { ReleaseSettingIdList(kIdListRoom, room, &list, &count); }
  WORD Add(WORD id) { return AddSettingIdToList(id, kIdListRoom, &list, &count); }
  void Clear() { ReleaseSettingIdList(kIdListRoom, room, &list, &count); }
};

// Result blocks of the engine's own that always go back.
struct OwnedResult {
  ConstraintResult* result = AllocConstraintResult();
  ~OwnedResult() { FreeConstraintResult(result); }
};

struct OwnedRecord {
  ModelRecord* record = nullptr;
  WORD type = 0;
  ~OwnedRecord() {
    if (record == nullptr) return;
    if (type == kRecordFileInfo) GlobalFree(record);  // a copy of the model name
    else FreeModelRecord(&record, -1);
  }
};

bool ListContains(const WORD* filter, WORD id) {
  for (const WORD* p = filter; *p != 0; ++p) {
    if (*p == id) return true;
  }
  return false;
}

// The setting ids that a paper kind adds to list 3.
struct PaperKindIds {
  WORD kind;
  WORD ids[4];
  WORD count;
};
constexpr PaperKindIds kPaperKindIds[] = {
    {kPaperKindSource, {262, 8, 265, 13}, 4},
    {kPaperKindOutput389, {262, 8, 389}, 3},
    {kPaperKindOutput266, {262, 8, 266}, 3},
    {kPaperKind410, {410}, 1},
    {kPaperKind411, {411}, 1},
    {kPaperKind411On266, {411, 266}, 2},
    {kPaperKind410On266, {410, 266}, 2},
    {kPaperKind333, {262, 8, 333}, 3},
};

bool IsRangePaperKind(WORD kind) {
  for (const PaperKindIds& entry : kPaperKindIds) {
    if (entry.kind == kind) return true;
  }
  return false;
}

}  // namespace

WORD CompareConditionValue(BYTE code, SettingValueType listedType, const void* listed, SettingValueType settingType,
                           const void* setting) {
  if (listed == nullptr || setting == nullptr) return kCompareMissing;
  const bool listedText = IsTextType(listedType);
  const bool settingText = IsTextType(settingType);
  const bool listedNumber = ConflictNumberWidth(listedType) != 0;
  const bool settingNumber = ConflictNumberWidth(settingType) != 0;
  if ((!listedText && !listedNumber) || (!settingText && !settingNumber)) return kCompareNotComparable;
  if (listedText != settingText) return kCompareTypesDiffer;
  // Flags and texts only know equality and difference.
  const bool equalityOnly = listedText || listedType == kSettingTypeInt32 || settingType == kSettingTypeInt32;
  if (code == kComparePointPair || code > kComparePaperEither) return kCompareCodeNotAllowed;
  if (equalityOnly && code >= kCompareGreater && code <= kCompareLessEqual) return kCompareCodeNotAllowed;

  int order = 0;
  if (listedText) {
    order = CompareTexts(listed, setting);
  } else {
    int64_t l = 0, s = 0;
    ReadConflictNumber(listedType, listed, &l);
    ReadConflictNumber(settingType, setting, &s);
    order = l < s ? -1 : (l > s ? 1 : 0);
  }
  bool holds = false;
  switch (code) {
    case kCompareNotEqual: holds = order != 0; break;
    case kCompareGreater: holds = order > 0; break;
    case kCompareGreaterEqual: holds = order >= 0; break;
    case kCompareLess: holds = order < 0; break;
    case kCompareLessEqual: holds = order <= 0; break;
    default: holds = order == 0; break;  // 0, 1 and the paper codes compare for equality
  }
  return holds ? kCompareHolds : kCompareFails;
}

WORD CompareWithCurrent(const SettingsContext* context, const SettingValueRef* valueRef) {
  if (context == nullptr || valueRef == nullptr || valueRef->value == nullptr) return kCompareUnreadable;
  ConflictValue current{};
  if (ReadCurrentSettingValue(context, valueRef->id, &current) != kSettingOk) return kCompareUnreadable;
  ConflictValue given{};
  ReadReferencedValue(context, valueRef, valueRef->id, &given);
  const WORD compared = CompareConditionValue(kCompareEqual, given.type, given.value, current.type, current.value);
  return compared == kCompareHolds || compared == kCompareFails ? compared : kCompareUnreadable;
}

WORD EvaluateCondition(const SettingsContext* context, const SettingValueRef* valueRef, ConditionItem* condition,
                       const ModelRecord* record, WORD* bits) {
  if (context == nullptr || context->model == nullptr || condition == nullptr) return kConditionFailed;
  if (condition->comparison == kComparePointPair) {
    // The condition's value (a table position too) names the record whose
    // point pair counts; a condition without a value names the feature.
    if (ResolveConditionValueTable(context->model->primary, condition) != 0) return kConditionFailed;
    WORD key = 0;
    if (GetConditionPointPairKey(context, valueRef, condition, record, &key) != 0) return kConditionFailed;
    WORD pointBits = 0;
    const WORD checked = CheckPaperAgainstPointPair(context, valueRef, key, &pointBits);
    if (checked == kCompareFails) return kConditionFalse;
    if (checked != kCompareHolds) return kConditionFailed;
    if (bits != nullptr) *bits |= pointBits;
    return kConditionHolds;
  }

  ConflictValue setting{};
  const WORD read = ReadCurrentSettingValue(context, condition->settingId, &setting);
  if (read == kSettingNoRange) return kConditionFalse;  // no such setting
  if (read != kSettingOk) return kConditionFailed;
  if (ResolveConditionValueTable(context->model->primary, condition) != 0) return kConditionFailed;
  if (condition->data == nullptr || condition->count == 0) return kConditionFailed;

  bool holds = false;
  if (condition->comparison == kCompareNotEqual) {
    holds = true;
    for (WORD k = 0; k < condition->count && holds; ++k) {
      const WORD compared = CompareListedValue(condition, k, setting);
      if (compared != kCompareHolds && compared != kCompareFails) return kConditionFailed;
      holds = compared == kCompareHolds;
    }
  } else {
    for (WORD k = 0; k < condition->count && !holds; ++k) {
      const WORD compared = CompareListedValue(condition, k, setting);
      if (compared != kCompareHolds && compared != kCompareFails) return kConditionFailed;
      holds = compared == kCompareHolds;
    }
  }
  if (!holds) return kConditionFalse;
  if (IsPaperComparison(condition->comparison)) {
    WORD paperBits = 0;
    const WORD checked = CheckPaperCondition(context, valueRef, condition, &paperBits);
    if (checked == kCompareFails) return kConditionFalse;
    if (checked != kCompareHolds) return kConditionFailed;
    if (bits != nullptr) *bits |= paperBits;
  }
  return kConditionHolds;
}

WORD GroupAlreadyInConflict(HANDLE owner, const SettingsContext* context, const WORD* ids, WORD n) {
  if (context == nullptr || (n > 0 && ids == nullptr)) return kConditionFailed;
  OwnedResult check;
  if (check.result == nullptr) return kConditionFailed;
  for (WORD k = 0; k < n; ++k) {
    const WORD checked = CheckSettingConflicts(kConflictModeCheck, owner, context->model, context->devMode,
                                               context->settings, nullptr, ids[k], 0, nullptr, check.result, nullptr);
    if (checked != kConflictCheckOk) return kConditionFailed;
    if (check.result->status == kConflictStatusDisabled) return kConditionHolds;
    ResetConstraintResult(check.result);
  }
  return kConditionFalse;
}

WORD EvaluateConstraintChain(int mode, int listKind, HANDLE owner, const SettingsContext* context,
                             const SettingValueRef* valueRef, ConstraintRecord* constraint, const ModelRecord* record,
                             WORD** idList, WORD* idCount, WORD* bits) {
  if (constraint == nullptr) return kConstraintFailed;
  if (IsRuleHiddenInMode(mode, constraint->rule)) return kConstraintNotApplied;
  const bool listing = idList != nullptr && idCount != nullptr;

  if (listKind == kConstraintListTypeEight) {
    // A type-8 constraint asks for its head to hold in the current settings.
    WORD headBits = 0;
    const WORD held = EvaluateCondition(context, valueRef, &constraint->condition, record, &headBits);
    if (held == kConditionFailed) return kConstraintFailed;
    if (listing && AddSettingIdToList(constraint->condition.settingId, kIdListRoom, idList, idCount) != kIdListOk)
      return kConstraintFailed;
    return held == kConditionHolds ? kConstraintNotApplied : kConstraintInConflict;
  }

  // Positions are wider than the count so that stepping past the last item
  // of the longest list cannot wrap around.
  const size_t n = constraint->chainedCount;
  const ChainedConditionItem* items = constraint->chained;
  if (n > 0 && items == nullptr) return kConstraintFailed;
  auto endsGroup = [](BYTE join) { return join == kJoinEndGroup || join == kJoinEndGroupB; };

  IdRoom group;
  WORD groupBits = 0;
  bool conflict = false;
  size_t i = 0;
  while (i < n) {
    bool complete = false;
    size_t next = i + 1;
    WORD itemBits = 0;
    const WORD held = EvaluateCondition(context, valueRef, &constraint->chained[i].condition, record, &itemBits);
    if (held == kConditionFailed) return kConstraintFailed;
    const BYTE join = items[i].join;
    if (held == kConditionHolds) {
      groupBits |= itemBits;
      if (group.Add(items[i].condition.settingId) != kIdListOk) return kConstraintFailed;
      if (endsGroup(join)) {
        complete = true;
      } else if (join == kJoinAlternative) {
        // The other alternatives need not be evaluated.
        size_t j = next;
        while (j < n && items[j].join == kJoinAlternative) ++j;
        if (j < n && endsGroup(items[j].join)) {
          complete = true;
          next = j + 1;
        } else {
          next = j;
        }
      }
      // The end of the chain also ends its last group.
      if (!complete && next >= n) complete = true;
    } else if (join != kJoinAlternative) {
      // The group fails: drop it and go on after its end.
      size_t j = i;
      while (j < n && !endsGroup(items[j].join)) ++j;
      next = j + 1;
      group.Clear();
      groupBits = 0;
    } else if (next >= n) {
      group.Clear();  // the last alternative of an unended group failed
      groupBits = 0;
    }

    if (complete) {
      bool counts = true;
      if (mode == kConflictModeChange) {
        const WORD already = GroupAlreadyInConflict(owner, context, group.list, group.count);
        if (already == kConditionFailed) return kConstraintFailed;
        counts = already != kConditionHolds;
      }
      if (counts) {
        if (bits != nullptr) *bits |= groupBits;
        conflict = true;
        if (!listing) return kConstraintInConflict;
        if (AddSettingIdsToList(kIdListRoom, idList, idCount, group.list, group.count) != kIdListOk)
          return kConstraintFailed;
      }
      group.Clear();
      groupBits = 0;
    }
    i = next;
  }
  return conflict ? kConstraintInConflict : kConstraintNotApplied;
}

WORD CollectConstraintIds(int listKind, const ConstraintRecord* constraint, ConstraintResult* result) {
  if (constraint == nullptr || result == nullptr) return kIdListMissing;
  WORD** list = &result->relatedIds;
  WORD* count = &result->relatedCount;
  if (listKind == kConstraintListTypeEight)
    return AddSettingIdToList(constraint->condition.settingId, kRelatedIdRoom, list, count);
  for (WORD k = 0; k < constraint->chainedCount && constraint->chained != nullptr; ++k) {
    const WORD added = AddSettingIdToList(constraint->chained[k].condition.settingId, kRelatedIdRoom, list, count);
    if (added != kIdListOk) return added;
  }
  const WORD kind = constraint->rule & kRulePaperKindMask;
  for (const PaperKindIds& entry : kPaperKindIds) {
    if (entry.kind == kind) return AddSettingIdsToList(kRelatedIdRoom, list, count, entry.ids, entry.count);
  }
  return kIdListOk;
}

WORD EvaluateConstraint(int mode, int collect, int listKind, HANDLE owner, const SettingsContext* context,
                        const SettingValueRef* valueRef, ConstraintRecord* constraint, ConstraintResult* result,
                        const ModelRecord* record, WORD** idList, WORD* idCount, WORD* bits) {
  if (context == nullptr || valueRef == nullptr || constraint == nullptr) return kConstraintFailed;
  if (constraint->chainedCount == 0) return kConstraintUnconditional;
  if (collect != 0) {
    if (result == nullptr || CollectConstraintIds(listKind, constraint, result) != kIdListOk) return kConstraintFailed;
  }
  const ConditionItem& head = constraint->condition;
  if (head.data != nullptr && head.count > 0) {
    if (head.settingId != valueRef->id) return kConstraintFailed;
    ConflictValue value{};
    if (ReadReferencedValue(context, valueRef, valueRef->id, &value) != kSettingOk) return kConstraintFailed;
    const WORD compared = CompareListedValue(&head, 0, value);
    if (compared == kCompareFails) return kConstraintNotApplied;
    if (compared != kCompareHolds) return kConstraintFailed;
  }
  return EvaluateConstraintChain(mode, listKind, owner, context, valueRef, constraint, record, idList, idCount, bits);
}

WORD EvaluateOptionConstraints(int mode, int collect, int listKind, HANDLE owner, const SettingsContext* context,
                               const SettingValueRef* valueRef, ConstraintResult* result, const ModelRecord* record,
                               WORD** resolutionIds, WORD* resolutionCount, WORD** idList, WORD* idCount) {
  if (context == nullptr || context->model == nullptr || valueRef == nullptr || record == nullptr ||
      idList == nullptr || idCount == nullptr)
    return 1;
  if (collect != 0 ? result == nullptr : (resolutionIds == nullptr || resolutionCount == nullptr)) return 1;
  if (!IsFeatureOrOption(record->type)) return 1;
  WORD localWord = 0;
  WORD* statusWord = result != nullptr ? &result->paperBits : &localWord;

  const auto* owned = static_cast<const ConstrainedRecord*>(record);
  const bool typeSeven = listKind == kConstraintListTypeSeven;
  const WORD keyCount = typeSeven ? owned->constraintACount : owned->constraintBCount;
  const KeyItem* keys = typeSeven ? owned->constraintAKeys : owned->constraintBKeys;
  if (keyCount > 0 && keys == nullptr) return 1;
  const WORD constraintType = typeSeven ? kRecordConstraintA : kRecordConstraintB;
  ModelFile* primary = context->model->primary;
  ModelFile* secondary = context->model->secondary;

  for (WORD k = 0; k < keyCount; ++k) {
    OwnedRecord loaded;
    loaded.type = constraintType;
    // Constraint keys are their positions in the index.
    if (LoadModelRecordByIndex(true, primary, secondary, constraintType, keys[k].key, &loaded.record) != 0) return 1;
    auto* constraint = static_cast<ConstraintRecord*>(loaded.record);
    ConditionItem& head = constraint->condition;
    if (ResolveConditionValueTable(primary, &head) != 0) continue;

    // Which instances of the head value to evaluate.
    WORD first = 0;
    WORD instances = head.count > 0 ? head.count : 1;
    if (head.count > 1 && head.itemSize == 2 && head.comparison == kCompareEqual) {
      ConflictValue value{};
      if (ReadReferencedValue(context, valueRef, valueRef->id, &value) != kSettingOk) return 1;
      WORD match = head.count;
      for (WORD v = 0; v < head.count && match == head.count; ++v) {
        if (CompareListedValue(&head, v, value) == kCompareHolds) match = v;
      }
      first = match;
      instances = match < head.count ? static_cast<WORD>(match + 1) : match;
    }

    bool inConflict = false;
    for (WORD v = first; v < instances && !inConflict; ++v) {
      // The head carries only this instance; the rest of the record is shared.
      ConstraintRecord instance = *constraint;
      if (head.data != nullptr && head.count > 0) {
        instance.condition.data = head.data + static_cast<size_t>(head.itemSize) * v;
        instance.condition.count = 1;
      }
      // Bits reach the result only with a conflict, so an instance or a
      // paper range without one leaves the bits of earlier conflicts alone.
      WORD instanceBits = 0;
      WORD answer = EvaluateConstraint(mode, collect, listKind, owner, context, valueRef, &instance, result, record,
                                       idList, idCount, &instanceBits);
      if (answer == kConstraintFailed) return 1;
      if (answer != kConstraintInConflict && answer != kConstraintUnconditional) continue;
      const WORD kind = constraint->rule & kRulePaperKindMask;
      if (IsRangePaperKind(kind)) {
        WORD rangeBits = 0;
        const WORD ranged = CheckPaperRange(mode, context, valueRef, constraint, &rangeBits);
        if (ranged == 2) return 1;
        if (ranged != 1) continue;
        instanceBits |= rangeBits;
      } else if (kind == kPaperKindInRecord) {
        const WORD inRecord = CheckPaperInRecord(mode, context, valueRef, constraint);
        if (inRecord == 2) return 1;
        if (inRecord != 1) continue;
      }
      *statusWord |= instanceBits;
      inConflict = true;
    }
    if (!inConflict) continue;

    if (collect != 0) {
      WORD** list = typeSeven ? &result->typeSevenKeys : &result->typeEightKeys;
      WORD* count = typeSeven ? &result->typeSevenCount : &result->typeEightCount;
      if (AddSettingIdToList(keys[k].key, kConstraintKeyRoom, list, count) != kIdListOk) return 1;
      RaiseConstraintStatus(&result->status, static_cast<WORD>(constraint->rule & kRuleStatusMask));
    } else {
      const WORD applied = ApplyResolution(context, constraint, resolutionIds, resolutionCount);
      if (applied != kResolutionApplied && applied != kResolutionNothing) return 1;
    }
  }
  return 0;
}

WORD EvaluateSettingConstraints(int mode, HANDLE owner, const SettingsContext* context, const SettingValueRef* valueRef,
                                const WORD* filter, const ConstraintResult* previousResult, ConstraintResult* result,
                                WORD** idList, WORD* idCount) {
  if (context == nullptr || context->model == nullptr || valueRef == nullptr || result == nullptr) return 1;
  if (filter != nullptr && filter[0] != 0) {
    bool listed = ListContains(filter, valueRef->id);
    if (!listed && previousResult != nullptr) {
      for (WORD k = 0; k < previousResult->relatedCount && !listed; ++k)
        listed = ListContains(filter, previousResult->relatedIds[k]);
    }
    if (!listed) return kConflictNotApplicable;
  }

  // The model lookup reads a value in the width of the setting's type, which
  // may be wider than the caller's: give it a zero-extended copy.
  uint64_t widened = 0;
  const void* value = valueRef->value;
  const UINT width = ConflictNumberWidth(valueRef->valueType);
  if (value != nullptr && width != 0) {
    std::memcpy(&widened, value, width);
    value = &widened;
  }
  WORD type = 0, key = 0;
  MapSettingToModelKey(valueRef->id, value, &type, &key);
  if (key == 0) return kConflictNotApplicable;
  OwnedRecord found;
  const ModelStatus status = FindSettingModelRecord(true, context->model->primary, context->model->secondary,
                                                    valueRef->id, value, &found.type, &found.record);
  if (status == 2) return kConflictNotApplicable;
  if (status != 0) return 1;
  if (!IsFeatureOrOption(found.type)) return 0;
  WORD answer = EvaluateOptionConstraints(mode, 1, kConstraintListTypeSeven, owner, context, valueRef, result,
                                          found.record, nullptr, nullptr, idList, idCount);
  if (answer == 0)
    answer = EvaluateOptionConstraints(mode, 1, kConstraintListTypeEight, owner, context, valueRef, result,
                                       found.record, nullptr, nullptr, idList, idCount);
  return answer;
}

WORD CheckSettingConflicts(int mode, HANDLE owner, DeviceModel* model, void* devMode, void* settings,
                           const WORD* filter, SettingId id, SettingValueType valueType, const void* value,
                           ConstraintResult* result, WORD** idList) {
  if (idList != nullptr) *idList = nullptr;
  if (devMode == nullptr || model == nullptr || settings == nullptr || result == nullptr) return kConflictCheckFailed;
  const SettingsContext context{model, devMode, settings};
  const SettingValueRef valueRef{id, valueType, value};

  // A setting that already conflicts is not blocked from changing.
  if (mode == kConflictModeChange && value != nullptr) {
    OwnedResult work;
    if (work.result == nullptr) return kConflictCheckNoMemory;
    if (CopyConstraintResult(work.result, result) != 0) return kConflictCheckNoMemory;
    const WORD current = CheckSettingConflicts(mode, owner, model, devMode, settings, filter, id, valueType, nullptr,
                                               work.result, nullptr);
    if (current == kConflictCheckOk && IsExistingConflictStatus(work.result->status)) {
      work.result->status = kConflictStatusFree;
      if (CopyConstraintResult(result, work.result) != 0) return kConflictCheckNoMemory;
      return kConflictCheckOk;
    }
  }

  OwnedResult previous;
  if (previous.result == nullptr) return kConflictCheckNoMemory;
  if (CopyConstraintResult(previous.result, result) != 0) return kConflictCheckNoMemory;
  ResetConstraintResult(result);
  if (owner == nullptr) return kConflictCheckFailed;

  IdRoom ids;
  const WORD special = CheckSpecialSettings(owner, &context, &valueRef, previous.result, result, &ids.list, &ids.count);
  if (special != 0 && special != kNoBuiltInRule) return special;

  WORD answer = EvaluateSettingConstraints(mode, owner, &context, &valueRef, filter, previous.result, result, &ids.list,
                                           &ids.count);
  if (answer == kConflictNotApplicable) {
    answer = kConflictCheckOk;
    // Neither the built-in rules nor the model know the setting.
    if (special == kNoBuiltInRule && CopyConstraintResult(result, previous.result) != 0) return kConflictCheckNoMemory;
  }

  // A failed check hands out no list: callers free it only after success.
  if (idList != nullptr && ids.count > 0 && answer == kConflictCheckOk) {
    if (ids.Add(id) != kIdListOk) return kConflictCheckNoMemory;
    *idList = CopySettingIdList(ids.list, ids.count, 0);
    if (*idList == nullptr) return kConflictCheckNoMemory;
  }
  return answer;
}
