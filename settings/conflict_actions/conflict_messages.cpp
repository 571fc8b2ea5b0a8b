// The messages of the conflict actions (see conflict_messages.h).
#include "settings/conflict_actions/conflict_messages.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "settings/access/setting_values.h"
#include "settings/conflict_actions/message_texts.h"
#include "settings/conflict_actions/setting_texts.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/paper_fit.h"
#include "settings/model/device_model.h"
#include "settings/model/model_format.h"
#include "settings/model/model_queries.h"
#include "settings/services/module_state.h"

namespace {

constexpr WORD kModelFlagsField = 26;
constexpr DWORD kModelFlagGroupValueOption = 0x20;
constexpr DWORD kModelFlagGroupOption = 0x40;
// The rule word that only forces values: its conditions name no conflict.
constexpr WORD kRuleOnlyResolves = 4;

// The setting each paper check bit stands for, in bit order.
constexpr SettingId kPaperBitSettings[] = {8, 262, 13, 265, 389, 266, 410, 411, 407, 408, 409, 333};

bool HasModel(const SettingsContext* context) {
  return context != nullptr && context->model != nullptr && context->model->primary != nullptr;
}

// The settings already named in a message.
struct SettingSet {
  SettingId ids[kMaxConflictingSettings + 16];
  int count = 0;
  bool Has(SettingId id) const {
    for (int i = 0; i < count; ++i) {
      if (ids[i] == id) return true;
    }
    return false;
  }
};

// The constraint of type 7 with the key; null when it cannot be loaded.
ConstraintRecord* LoadTypeSevenConstraint(const SettingsContext* context, WORD key) {
  ModelRecord* record = nullptr;
  if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, kRecordConstraintA, key, 0,
                           &record) != 0) {
    return nullptr;
  }
  if (record->type != kRecordConstraintA) {
    ReleaseModelRecord(record);
    return nullptr;
  }
  return static_cast<ConstraintRecord*>(record);
}

// The model record of the changed setting's value (the feature without one),
// which the point-pair conditions take their key from; null when there is none.
ModelRecord* LoadEvaluatedRecord(const SettingsContext* context, const SettingValueRef* valueRef) {
  WORD type = 0;
  ModelRecord* record = nullptr;
  if (FindSettingModelRecord(false, context->model->primary, context->model->secondary, valueRef->id, valueRef->value,
                             &type, &record) != 0) {
    return nullptr;
  }
  if (type == kRecordFileInfo) {  // a copy of the model name, not a record
    GlobalFree(record);
    return nullptr;
  }
  return record;
}

// Adds to `found` the settings of the groups of the constraint's chained
// conditions that hold, walked as the engine walks them: a group ends at an
// item joined by code 3 or 4; an item that holds with code 2 makes the
// following alternatives unneeded; an item that does not hold (other than an
// alternative) drops its group. Conditions on the paper ranges (code 9) and
// on the changed setting are not named.
void CollectHoldingGroups(const SettingsContext* context, const SettingValueRef* valueRef, ConstraintRecord* constraint,
                          const ModelRecord* evaluated, SettingSet* found) {
  SettingId group[kMaxConflictingSettings];
  int groupCount = 0;
  // Indices are wider than the count, so that stepping past a full list of
  // 65535 items ends the walk instead of wrapping to its start.
  const DWORD n = constraint->chainedCount;
  auto ends = [&](DWORD i) {
    const BYTE join = constraint->chained[i].join;
    return join == kJoinEndGroup || join == kJoinEndGroupB;
  };
  auto complete = [&] {
    for (int k = 0; k < groupCount && found->count < kMaxConflictingSettings; ++k) {
      if (!found->Has(group[k])) found->ids[found->count++] = group[k];
    }
    groupCount = 0;
  };
  DWORD i = 0;
  while (i < n && constraint->chained != nullptr) {
    ChainedConditionItem& item = constraint->chained[i];
    WORD bits = 0;
    const WORD holds = EvaluateCondition(context, valueRef, &item.condition, evaluated, &bits);
    if (holds == kConditionFailed) return;
    if (holds == kConditionHolds) {
      const SettingId id = item.condition.settingId;
      if (item.condition.comparison != kComparePointPair && id != valueRef->id &&
          groupCount < kMaxConflictingSettings) {
        group[groupCount++] = id;
      }
      if (ends(i)) {
        complete();
        ++i;
      } else if (item.join == kJoinAlternative) {
        DWORD j = i + 1;
        while (j < n && constraint->chained[j].join == kJoinAlternative) ++j;
        if (j < n && ends(j)) {
          complete();
          i = j + 1;
        } else {
          i = j;
        }
      } else {
        ++i;
      }
    } else if (item.join == kJoinAlternative) {
      ++i;
    } else {
      while (i < n && !ends(i)) ++i;
      groupCount = 0;
      ++i;
    }
  }
}

// The settings in conflict: those of the holding groups, then those of the
// paper check bits, each at most once.
void CollectConflictingSettings(const SettingsContext* context, const SettingValueRef* valueRef,
                                const ConstraintResult* result, SettingSet* found) {
  ModelRecord* evaluated = LoadEvaluatedRecord(context, valueRef);
  for (WORD k = 0; k < result->typeSevenCount && found->count < kMaxConflictingSettings; ++k) {
    ConstraintRecord* constraint = LoadTypeSevenConstraint(context, result->typeSevenKeys[k]);
    if (constraint == nullptr) continue;
    if (constraint->rule != kRuleOnlyResolves) CollectHoldingGroups(context, valueRef, constraint, evaluated, found);
    ReleaseModelRecord(constraint);
  }
  if (evaluated != nullptr) ReleaseModelRecord(evaluated);
  for (size_t bit = 0; bit < std::size(kPaperBitSettings); ++bit) {
    const SettingId id = kPaperBitSettings[bit];
    if ((result->paperBits & (1u << bit)) != 0 && id != valueRef->id && !found->Has(id))
      found->ids[found->count++] = id;
  }
}

// String-706 lines of the settings with their current values.
void AppendSettingLines(HMODULE module, const SettingsContext* context, const SettingSet& settings, BoundedText* text) {
  for (int i = 0; i < settings.count; ++i) AppendSettingLine(module, context, settings.ids[i], 0, nullptr, text);
}

bool IsLeftOutOfChanges(SettingId id) { return IsSettingLeftOutOfLists(id) || id == 391; }

// The settings the resolutions of the type-7 constraints of list 1 write,
// with the values they write.
void AppendResolutionLines(HMODULE module, const SettingsContext* context, const ConstraintResult* result,
                           BoundedText* text) {
  for (WORD k = 0; k < result->typeSevenCount; ++k) {
    ConstraintRecord* constraint = LoadTypeSevenConstraint(context, result->typeSevenKeys[k]);
    if (constraint == nullptr) continue;
    for (WORD c = 0; c < constraint->conditionCount && constraint->conditions != nullptr; ++c) {
      const ConditionItem& condition = constraint->conditions[c];
      if (IsLeftOutOfChanges(condition.settingId) || condition.data == nullptr) continue;
      // A value is read from its item only: a number whatever width its type
      // has, a text up to its terminator or the item's end.
      uint64_t number = 0;
      WCHAR itemText[kSettingTextChars] = {};
      const void* value = &number;
      if (condition.valueType == kSettingTypeText) {
        for (DWORD k = 0; k + 1 < condition.itemSize && k / 2 < kSettingTextChars - 1; k += 2) {
          std::memcpy(&itemText[k / 2], condition.data + k, sizeof(WCHAR));
          if (itemText[k / 2] == 0) break;
        }
        value = itemText;
      } else {
        std::memcpy(&number, condition.data, condition.itemSize < sizeof number ? condition.itemSize : sizeof number);
      }
      AppendSettingLine(module, context, condition.settingId, condition.valueType, value, text);
    }
    ReleaseModelRecord(constraint);
  }
}

// The changed setting's name and the text of its value (none without a value).
bool WriteChangedSetting(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef, WCHAR* name,
                         WCHAR* value) {
  value[0] = 0;
  if (!WriteSettingValueText(TRUE, module, context, valueRef->id, 0, nullptr, name)) return false;
  if (valueRef->value == nullptr) return true;
  return WriteSettingValueText(TRUE, module, context, valueRef->id, valueRef->valueType, valueRef->value, value) != 0;
}

// What every conflict message starts from: the changed setting's name and
// value text, and the lines of the settings in conflict followed by the
// prompt's text (when there is one).
bool WriteConflictParts(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                        const ConstraintResult* result, const WCHAR* promptText, WCHAR* name, WCHAR* value,
                        WCHAR* conflicts) {
  if (!WriteChangedSetting(module, context, valueRef, name, value)) return false;
  SettingSet conflicting;
  CollectConflictingSettings(context, valueRef, result, &conflicting);
  BoundedText conflictText;
  InitBoundedText(&conflictText, conflicts, kMessageChars);
  AppendSettingLines(module, context, conflicting, &conflictText);
  AppendBoundedText(&conflictText, promptText);
  return true;
}

bool MessageArgumentsOk(const SettingsContext* context, const SettingValueRef* valueRef, const ConstraintResult* result,
                        WCHAR** message) {
  if (message == nullptr) return false;
  *message = nullptr;
  return HasModel(context) && valueRef != nullptr && result != nullptr;
}

DWORD ModelFlags(const SettingsContext* context) {
  return ReadModelHeaderValue(context->model->primary, kModelFlagsField, 4, 0);
}

// The option text of the current value of a chained condition's setting 267
// or 320 in the listed type-7 constraints; 1 when one was found.
int FindLayoutSettingText(const SettingsContext* context, const ConstraintResult* result, WCHAR* out) {
  for (WORD k = 0; k < result->typeSevenCount; ++k) {
    ConstraintRecord* constraint = LoadTypeSevenConstraint(context, result->typeSevenKeys[k]);
    if (constraint == nullptr) continue;
    int found = 0;
    for (WORD c = 0; c < constraint->chainedCount && constraint->chained != nullptr && !found; ++c) {
      const SettingId id = constraint->chained[c].condition.settingId;
      if (id != 267 && id != 320) continue;
      SettingValueSlot current;
      if (!ReadSettingValueSlot(context, id, &current)) continue;
      WCHAR* text = nullptr;
      if (GetSettingOptionText(context->model->primary, context->model->secondary, id, &current.bytes, &text) == 0) {
        BoundedText b;
        InitBoundedText(&b, out, kSettingTextChars);
        AppendBoundedText(&b, text);
        CutAtLineFeed(out);
        GlobalFree(text);
        found = 1;
      }
    }
    ReleaseModelRecord(constraint);
    if (found) return 1;
  }
  return 0;
}

}  // namespace

int ShowSettingsMessage(HWND owner, HMODULE module, const WCHAR* text, UINT style) {
  WCHAR caption[kResourceStringChars];
  if (LoadStringW(module, kStringCaption, caption, kResourceStringChars) <= 0) caption[0] = 0;
  return MessageBoxW(owner, text, caption, style);
}

int BuildConflictMessage(BOOL ask, HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                         const WCHAR* firstText, const WCHAR* secondText, const ConstraintResult* result,
                         WCHAR** message) {
  if (!MessageArgumentsOk(context, valueRef, result, message)) return 0;
  WCHAR name[kSettingTextChars], value[kSettingTextChars], conflicts[kMessageChars];
  if (!WriteConflictParts(module, context, valueRef, result, firstText, name, value, conflicts)) return 0;

  const bool withValue = valueRef->value != nullptr;
  if (!ask) {
    return withValue
               ? FormatResourceMessage(module, message, kMessageChars, kStringConflictRefused, name, value, conflicts)
               : FormatResourceMessage(module, message, kMessageChars, kStringConflictRefusedNoValue, name, conflicts);
  }
  WCHAR changes[kMessageChars];
  BoundedText changeText;
  InitBoundedText(&changeText, changes, kMessageChars);
  AppendResolutionLines(module, context, result, &changeText);
  AppendBoundedText(&changeText, secondText);
  return withValue ? FormatResourceMessage(module, message, kMessageChars, kStringConflictAsk, name, value, conflicts,
                                           changes)
                   : FormatResourceMessage(module, message, kMessageChars, kStringConflictAskNoValue, name, conflicts,
                                           changes);
}

int BuildLayoutConflictMessage(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                               const ConstraintResult* result, WCHAR** message) {
  if (!MessageArgumentsOk(context, valueRef, result, message)) return 0;
  WCHAR layout[kSettingTextChars];
  if (!FindLayoutSettingText(context, result, layout)) return 0;
  WCHAR name[kSettingTextChars], value[kSettingTextChars], conflicts[kMessageChars];
  if (!WriteConflictParts(module, context, valueRef, result, nullptr, name, value, conflicts)) return 0;
  return FormatResourceMessage(module, message, kMessageChars, kStringLayoutAsk, name, value, layout, conflicts);
}

int BuildForbiddenMessage(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                          const ConstraintResult* result, WCHAR** message) {
  if (!MessageArgumentsOk(context, valueRef, result, message)) return 0;
  WCHAR name[kSettingTextChars], value[kSettingTextChars], conflicts[kMessageChars];
  if (!WriteConflictParts(module, context, valueRef, result, nullptr, name, value, conflicts)) return 0;
  return FormatResourceMessage(module, message, kMessageChars, kStringForbidden, name, conflicts);
}

int BuildGroupWarning(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef, WORD status,
                      WCHAR** message) {
  if (message == nullptr) return 0;
  *message = nullptr;
  if (!HasModel(context) || valueRef == nullptr) return 0;
  const DWORD flags = ModelFlags(context);
  WCHAR text[kMessageChars];
  UINT second = kStringGroupChoose;
  if (status == kConflictStatusGroupValue) {
    SettingValueSlot current;
    SettingValueType type = valueRef->valueType;
    const void* v = valueRef->value;
    if (v == nullptr) {
      if (!ReadSettingValueSlot(context, valueRef->id, &current)) return 0;
      type = current.type;
      v = current.type == kSettingTypeText ? current.value : &current.bytes;
    }
    WCHAR value[kSettingTextChars];
    if (!WriteSettingValueText(FALSE, module, context, valueRef->id, type, v, value) ||
        !WriteResourceMessage(module, text, kMessageChars, kStringGroupValueWarning, value)) {
      return 0;
    }
    if (flags & kModelFlagGroupValueOption) second = kStringGroupInstallB;
  } else if (status == kConflictStatusGroup) {
    if (!WriteResourceMessage(module, text, kMessageChars, kStringGroupWarning)) return 0;
    if (flags & kModelFlagGroupOption) second = kStringGroupInstallA;
  } else {
    return 0;
  }
  WCHAR part[kResourceStringChars];
  BoundedText b{text, kMessageChars, static_cast<int>(std::char_traits<WCHAR>::length(text))};
  if (LoadStringW(module, second, part, kResourceStringChars) > 0) AppendBoundedText(&b, part);
  *message = CopyTextToBlock(text, kMessageChars);
  return *message != nullptr ? 1 : 0;
}

int FormatConflictText(WCHAR** out, int kind, HMODULE module, const SettingsContext* context,
                       const SettingValueRef* valueRef, const WORD* ids) {
  if (out == nullptr) return 0;
  *out = nullptr;
  if (context == nullptr || ids == nullptr) return 0;
  UINT stringId = 0;
  if (kind == kConflictTextScaledTooLarge) stringId = kStringScaledTooLarge;
  else if (kind == kConflictTextScaledTooSmall) stringId = kStringScaledTooSmall;
  else return 0;

  // Without a changed setting the list's first setting heads the message.
  SettingValueRef named{};
  const WORD* rest = ids;
  if (valueRef != nullptr) {
    named = *valueRef;
  } else {
    if (ids[0] == 0) return 0;
    named = SettingValueRef{ids[0], 0, nullptr};
    rest = ids + 1;
  }
  SettingValueSlot current;
  if (named.value == nullptr) {
    if (!ReadSettingValueSlot(context, named.id, &current)) return 0;
    named.valueType = current.type;
    named.value = current.type == kSettingTypeText ? current.value : &current.bytes;
  }
  WCHAR name[kSettingTextChars], value[kSettingTextChars];
  if (!WriteChangedSetting(module, context, &named, name, value)) return 0;
  WCHAR* list = nullptr;
  FormatSettingListText(&list, module, context, rest, 0, kPlainListText);
  const int ok = FormatResourceMessage(module, out, kMessageChars, stringId, name, value, list ? list : u"");
  if (list != nullptr) GlobalFree(list);
  return ok;
}

int ShowConflictWarning(HWND owner, const SettingsContext* context, LONG divisor, int /*unitFlag*/, SettingId id,
                        const WCHAR* nameText, SettingValueType valueType, LONG lowest, LONG highest) {
  HMODULE module = GetResourceModule();
  WCHAR name[kSettingTextChars];
  if (nameText != nullptr) {
    BoundedText b;
    InitBoundedText(&b, name, kSettingTextChars);
    AppendBoundedText(&b, nameText);
  } else if (!WriteSettingValueText(FALSE, module, context, id, 0, nullptr, name)) {
    return 1;
  }
  // The bounds are given as 32-bit numbers; they are printed in the given
  // type's sign.
  const SettingValueType boundType =
      valueType == kSettingTypeUInt16 || valueType == kSettingTypeUInt32 || valueType == kSettingTypeUInt8
          ? kSettingTypeUInt32
          : kSettingTypeSInt32;
  const bool whole = id == 306 || id == 359 || id == 385 || (id >= 309 && id <= 311);
  const BOOL twoDecimals = id >= 351 && id <= 354;
  WCHAR low[kNumberChars], high[kNumberChars];
  const int ok = whole ? FormatNumber(TRUE, divisor, boundType, &lowest, low, kNumberChars) &&
                             FormatNumber(TRUE, divisor, boundType, &highest, high, kNumberChars)
                       : FormatScaledNumber(twoDecimals, divisor, boundType, &lowest, low, kNumberChars) &&
                             FormatScaledNumber(twoDecimals, divisor, boundType, &highest, high, kNumberChars);
  if (!ok) return 1;
  WCHAR* text = nullptr;
  if (!FormatResourceMessage(module, &text, kMessageChars, kStringOutOfRange, name, low, high)) return 1;
  ShowSettingsMessage(owner, module, text, kWarningBox);
  GlobalFree(text);
  return 0;
}

WORD ConfirmSettingList(HWND owner, const SettingsContext* context, const WORD* ids, int n) {
  HMODULE module = GetResourceModule();
  WCHAR* text = nullptr;
  if (!FormatSettingListText(&text, module, context, ids, n, kStringChangesAsk)) return 1;
  const int answer = ShowSettingsMessage(owner, module, text, kQuestionBox);
  GlobalFree(text);
  return answer == IDOK ? 0 : 8;
}

WORD EvaluateConstraintNode(HWND owner, DeviceModel* model, void* devMode, void* settings, const WORD* ids, int n) {
  if (model == nullptr || devMode == nullptr || settings == nullptr || ids == nullptr || n <= 0) return 1;
  const SettingsContext context{model, devMode, settings};
  return ConfirmSettingList(owner, &context, ids, n);
}

WORD ReportScaledPaperFit(int informOnly, HWND owner, const SettingsContext* context, const SettingValueRef* valueRef) {
  WORD* ids = nullptr;
  const WORD fit = CheckScaledPaperFit(context, valueRef, &ids);
  if (fit == kScaledPaperFits) return 4;
  if (fit != kScaledPaperTooLarge && fit != kScaledPaperTooSmall) {
    if (ids != nullptr) GlobalFree(ids);
    return 1;
  }
  HMODULE module = GetResourceModule();
  WCHAR* text = nullptr;
  const int kind = fit == kScaledPaperTooLarge ? kConflictTextScaledTooLarge : kConflictTextScaledTooSmall;
  const int built = ids != nullptr && FormatConflictText(&text, kind, module, context, valueRef, ids);
  if (ids != nullptr) GlobalFree(ids);
  // The inform-only box follows a change already written: it cannot undo it.
  WORD answer = informOnly ? 4 : 3;
  if (built) {
    const int box = ShowSettingsMessage(owner, module, text, informOnly ? kInformationBox : kQuestionBox);
    if (!informOnly && box == IDOK) answer = 4;
    GlobalFree(text);
  }
  return answer;
}
