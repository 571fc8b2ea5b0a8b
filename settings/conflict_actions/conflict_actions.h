// What a change of a setting on a property page does: by the status of the
// ConstraintResult the page got from the conflict engine the new value is
// written, written with the resolutions of the constraints in conflict,
// refused, or first put to the user in a message box; the ranges a few
// settings carry in the driver itself are checked here, and the settings
// that follow orientation and pages per sheet are recomputed.
#pragma once

#include "platform/win/win_types.h"
#include "settings/conflicts/constraint_result.h"

// Action results.
constexpr WORD kActionWritten = 4;
constexpr WORD kActionNotWritten = 3;  // refused, cancelled or nothing to do
constexpr WORD kActionRefusedWithMessage = 10;
constexpr WORD kActionFailed = 1;       // or a status without an action
constexpr WORD kActionNoRangeRule = 6;  // CheckValueRangeAndPrompt only

// The property-page range check of the printer interface library, which the
// settings model reaches only through this callback: (flags, owner, context,
// the changed setting with its proposed value, in/out id list and count of
// room kIdListRoom, result). It writes an accepted value and lists its id;
// its answer is an action result (4 when the change went through).
using PageConstraintPass = WORD (*)(DWORD flags, HWND owner, const SettingsContext* context,
                                    const SettingValueRef* valueRef, WORD** ids, WORD* count, ConstraintResult* result);
// Registers the pass (null removes it). Without one, the settings that need
// it answer 1 and nothing is written.
void SetPageConstraintPass(PageConstraintPass pass);

// Acts on the result's status. The texts are a prepared prompt (or none),
// the values an extra list of n settings written with the change; the ids
// written go into the id list (room kIdListRoom).
WORD ActOnConflict(HWND owner, const SettingsContext* context, const SettingValueRef* valueRef, const WCHAR* firstText,
                   const WCHAR* secondText, WORD n, const SettingValueRef* values, WORD** ids, WORD* count,
                   const ConstraintResult* result);

// The workflow of one changed setting. When the answer is 4, *idList is a
// new zero-terminated block of the ids written, which the caller frees; else
// none.
WORD ApplySettingChange(HWND owner, HANDLE printer, DeviceModel* model, void* devMode, void* settings, SettingId id,
                        SettingValueType valueType, const void* value, WORD** idList, ConstraintResult* result);

// The ranges and prompts the driver itself keeps for settings 272, 296, 306,
// 309-311, 321, 359, 385, 1033 and 36865. With `apply` an accepted value is
// written and its id listed (4); without it nothing is written and an
// accepted value answers 4 as well. A prompt (settings 296 and 321) is
// returned in the outputs (the caller frees the texts and the value list)
// with the answer 3. 6 for any other setting.
WORD CheckValueRangeAndPrompt(BOOL apply, HWND owner, HANDLE printer, const SettingsContext* context,
                              const SettingValueRef* valueRef, WCHAR** firstText, WCHAR** secondText, WORD* n,
                              SettingValueRef** values, WORD** ids, WORD* count);

// The prompt that clears the stamp of setting 297: "\n\t%s : %s" with string
// 302 and the stamp's name, the same with strings 302 and 426, and the
// values that empty settings 297 and 299. 3, or 1 when a block cannot be made.
WORD PrepareClearPrompt(HMODULE module, const WCHAR* stampName, WCHAR** firstText, WCHAR** secondText, WORD* n,
                        SettingValueRef** values);
// Frees what PrepareClearPrompt handed out and clears the outputs.
void FreeClearPrompt(WCHAR** firstText, WCHAR** secondText, WORD* n, SettingValueRef** values);
