// The writing of resolutions (the values a constraint's condition list
// prescribes), the related settings the user interface re-checks after a
// change, and the rules a few settings carry in the driver itself. Writes
// that fail stop with the failure; values written before stay written.
#pragma once

#include "platform/win/win_types.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/model/model_records.h"

constexpr WORD kResolutionApplied = 4;
constexpr WORD kResolutionNothing = 3;  // no condition list, or nothing to write
constexpr WORD kResolutionFailed = 1;
constexpr WORD kResolutionListFailed = 2;  // the id list could not grow
constexpr WORD kNoBuiltInRule = 6;

// Writes the value with the size of its type (1, 4, 5, 10: 4 bytes; 2, 3: 2;
// 6: characters x 2 + 2; 8: 1): 0, or 1 for a missing argument or value, a
// type not written, or a failed write.
WORD StoreSettingValue(const SettingsContext* context, const SettingValueRef* valueRef);

// Adds the settings that go with the id to list 3 of the result: 0, 1 for no
// result, 2 when memory runs out.
WORD AddRelatedSettingIds(SettingId id, ConstraintResult* result);

// Writes the constraint's condition list in order; each written id goes
// into the id list (room kIdListRoom) when one is given.
WORD ApplyResolution(const SettingsContext* context, const ConstraintRecord* constraint, WORD** ids, WORD* count);
// The resolutions of the constraints of the keys (type 7 or 8), loaded by
// key: 4 when one was applied, 3 when none, 1 on failure.
WORD ApplyConstraintResolutions(BOOL typeSeven, const SettingsContext* context, WORD** ids, WORD* count,
                                const WORD* keys, WORD n);
// Writes n values in order: 4, 3 for an empty list, 1 on failure.
WORD ApplyValueList(const SettingsContext* context, WORD** ids, WORD* count, WORD n, const SettingValueRef* values);
// The new value (when given), then the resolutions of list 1 and list 2 of
// the result, then the extra values: 4, or 1 when anything fails.
WORD ApplyChangeWithResolutions(HANDLE owner, const SettingsContext* context, const SettingValueRef* valueRef, WORD n,
                                const SettingValueRef* values, WORD** ids, WORD* count, const ConstraintResult* result);

// Pseudo-ids of the stamp settings that only the built-in rules know.
constexpr SettingId kStampAddId = 36865;
constexpr SettingId kStampEditId = 36866;
constexpr SettingId kStampDeleteId = 36867;
// The most stamps the store keeps.
constexpr DWORD kStampStoreLimit = 32;

// The built-in rule of the setting: sets the result's status directly, adds
// the rule's ids to the id list and the related ids to list 3; 0, or 2 when
// memory runs out. kNoBuiltInRule for a setting without one; 1 for a missing
// argument or a failed read. The stamp rules read the store of the printer
// the owner names.
WORD CheckSpecialSettings(HANDLE owner, const SettingsContext* context, const SettingValueRef* valueRef,
                          const ConstraintResult* previousResult, ConstraintResult* result, WORD** ids, WORD* count);
