// The conflict engine: evaluates the constraints (record types 7 and 8) that
// a setting's feature or the chosen option lists against the current
// settings and answers with a ConstraintResult. It shows nothing; the
// statuses are turned into messages by the conflict actions. Nothing is
// cached: every evaluation loads the records it needs and releases them.
#pragma once

#include "platform/win/win_types.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/model/model_records.h"

// ---- Modes and rule words ----------------------------------------------------------
// Mode 1 checks a change a user makes (a setting already in conflict is not
// blocked); mode 2 asks which choices are available (choice lists, device
// capabilities); mode 0 checks the current state.
constexpr int kConflictModeCheck = 0;
constexpr int kConflictModeChange = 1;
constexpr int kConflictModeAvailable = 2;

constexpr WORD kRuleStatusMask = 0x00FF;     // the status the constraint reports
constexpr WORD kRuleSkipInMode2 = 0x0100;    // not evaluated in mode 2
constexpr WORD kRuleSkipInMode1 = 0x0200;    // not evaluated in mode 1
constexpr WORD kRulePaperKindMask = 0x3C00;  // the paper check of the constraint

// Joining codes of chained conditions: 2 is an alternative to the next
// item; 3 and 4 end a group.
constexpr BYTE kJoinAlternative = 2;
constexpr BYTE kJoinEndGroup = 3;
constexpr BYTE kJoinEndGroupB = 4;

// Key lists of a feature or option record.
constexpr int kConstraintListTypeSeven = 0;
constexpr int kConstraintListTypeEight = 1;

// ---- Answers -------------------------------------------------------------------------
// CheckSettingConflicts and the evaluators.
constexpr WORD kConflictCheckOk = 0;
constexpr WORD kConflictCheckFailed = 1;
constexpr WORD kConflictCheckNoMemory = 2;
constexpr WORD kConflictNotApplicable = 6;  // neither rules nor model know the setting
// EvaluateConstraint, EvaluateConstraintChain.
constexpr WORD kConstraintNotApplied = 0;
constexpr WORD kConstraintInConflict = 1;
constexpr WORD kConstraintFailed = 2;
constexpr WORD kConstraintUnconditional = 3;  // no chained conditions: applies as it stands
// EvaluateCondition, GroupAlreadyInConflict.
constexpr WORD kConditionFalse = 0;
constexpr WORD kConditionHolds = 1;
constexpr WORD kConditionFailed = 2;
// CompareConditionValue, CompareWithCurrent.
constexpr WORD kCompareUnreadable = 1;     // CompareWithCurrent: the current value cannot be read
constexpr WORD kCompareMissing = 6;        // a value is missing
constexpr WORD kCompareTypesDiffer = 7;    // a text against a number
constexpr WORD kCompareNotComparable = 8;  // types 7 and 9
constexpr WORD kCompareHolds = 9;
constexpr WORD kCompareFails = 10;
constexpr WORD kCompareCodeNotAllowed = 11;

// Comparison codes of a condition (L listed value, S setting value).
constexpr BYTE kCompareEqual = 1;
constexpr BYTE kCompareNotEqual = 2;
constexpr BYTE kCompareGreater = 3;       // L > S
constexpr BYTE kCompareGreaterEqual = 4;  // L >= S
constexpr BYTE kCompareLess = 5;          // L < S
constexpr BYTE kCompareLessEqual = 6;     // L <= S
constexpr BYTE kComparePaperSource = 7;   // equal, then the paper fits the source
constexpr BYTE kComparePaperOutput = 8;   // equal, then the paper fits the range of setting 389
constexpr BYTE kComparePointPair = 9;     // the paper lies outside a point pair
constexpr BYTE kComparePaperSourceB = 10;
constexpr BYTE kComparePaperRotated = 11;
constexpr BYTE kComparePaperEither = 12;

// Compares a listed value with a setting's value by the code. Values point
// at their bytes in their types' widths, texts at their characters. Types 2,
// 4 and 10 compare signed, 3, 5 and 8 unsigned, 1 as 32-bit words, 6 as
// UTF-16 texts (letter case counts). Answers kCompare*.
WORD CompareConditionValue(BYTE code, SettingValueType listedType, const void* listed, SettingValueType settingType,
                           const void* setting);

// The check of one setting's value. The owner is the window messages would
// belong to, or the printer handle for callers without one; the stamp rules
// read the stamp store through it. The filter is a zero-terminated id list or
// null. With an id list pointer, a new zero-terminated block of the ids
// collected, then the setting id, then 0 (null when nothing was collected);
// the caller frees it. Answers kConflictCheck* or an evaluator's failure.
WORD CheckSettingConflicts(int mode, HANDLE owner, DeviceModel* model, void* devMode, void* settings,
                           const WORD* filter, SettingId id, SettingValueType valueType, const void* value,
                           ConstraintResult* result, WORD** idList);

// The model's constraints of the setting (its feature, or the option of the
// given value): 0, 1 failure, 6 when the filter excludes the setting or the
// model has no record of it. The id list lives in a room of kIdListRoom.
WORD EvaluateSettingConstraints(int mode, HANDLE owner, const SettingsContext* context, const SettingValueRef* valueRef,
                                const WORD* filter, const ConstraintResult* previousResult, ConstraintResult* result,
                                WORD** idList, WORD* idCount);

// The constraints of one key list of a feature or option record. Collecting
// records conflicts in the result; not collecting writes the resolution of
// every constraint in conflict and collects the written ids. 0 or 1.
WORD EvaluateOptionConstraints(int mode, int collect, int listKind, HANDLE owner, const SettingsContext* context,
                               const SettingValueRef* valueRef, ConstraintResult* result, const ModelRecord* record,
                               WORD** resolutionIds, WORD* resolutionCount, WORD** idList, WORD* idCount);

// One constraint for one instance of its head value: the head condition
// carries only that instance. kConstraint*.
WORD EvaluateConstraint(int mode, int collect, int listKind, HANDLE owner, const SettingsContext* context,
                        const SettingValueRef* valueRef, ConstraintRecord* constraint, ConstraintResult* result,
                        const ModelRecord* record, WORD** idList, WORD* idCount, WORD* bits);

// Adds the constraint's settings to list 3 of the result: the head's for a
// type-8 constraint; every chained condition's and those of the paper kind
// for a type-7 one. kIdListOk or kIdListNoMemory.
WORD CollectConstraintIds(int listKind, const ConstraintRecord* constraint, ConstraintResult* result);

// The chained conditions (type 7) or the head (type 8) against the current
// settings. Without an id list the first group in conflict answers at once.
WORD EvaluateConstraintChain(int mode, int listKind, HANDLE owner, const SettingsContext* context,
                             const SettingValueRef* valueRef, ConstraintRecord* constraint, const ModelRecord* record,
                             WORD** idList, WORD* idCount, WORD* bits);

// One condition against the current settings; its value table is resolved in
// place. kConditionHolds with its paper bits ORed into *bits, kConditionFalse
// or kConditionFailed.
WORD EvaluateCondition(const SettingsContext* context, const SettingValueRef* valueRef, ConditionItem* condition,
                       const ModelRecord* record, WORD* bits);

// The given value against the setting's current value: kCompareHolds equal,
// kCompareFails different, kCompareUnreadable.
WORD CompareWithCurrent(const SettingsContext* context, const SettingValueRef* valueRef);

// 1 when one of the settings, checked with its current value in mode 0, has
// status 1; 0 when none; 2 on failure.
WORD GroupAlreadyInConflict(HANDLE owner, const SettingsContext* context, const WORD* ids, WORD n);
