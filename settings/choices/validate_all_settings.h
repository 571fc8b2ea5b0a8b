// The whole-settings conflict pass the user interface repeats until every
// setting is free of conflicts: each setting's choice list and current value
// go through the conflict engine, and a conflict reported twice in a row is
// marked and skipped afterwards.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/choice_list.h"
#include "settings/model/device_model.h"

// Results of a pass.
constexpr int kValidationClean = 1;
constexpr int kValidationConflict = 2;
constexpr int kValidationFailed = -1;

// One pass over the settings of groups 0 to 9. 1 when no conflict is left;
// 2 when the setting now in `lastId` conflicts (with the engine's id list in
// `conflictIds` when asked for, which the caller frees); -1 on a failure.
// `markTable` (AllocSettingMarkList) and `lastId` are the caller's, kept from
// pass to pass. The window is not used by the pass. Every block the pass
// makes for itself is released on every exit.
int ValidateAllSettings(HMODULE module, HANDLE printer, DeviceModel* model, void* devMode, void* settings,
                        WORD** conflictIds, HWND window, SettingMark* markTable, SettingId* lastId);
