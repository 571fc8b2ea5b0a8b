// The messages of the conflict actions: the refusal and ask messages of a
// ConstraintResult, the group warnings, the range warning, the confirmation
// of a list of settings and the scaled paper fit message. Every box has the
// caption of string 265; the texts come from the resource module and the
// device model (setting_texts.h). A message that cannot be built is not
// shown.
#pragma once

#include "platform/win/win_msgbox.h"
#include "platform/win/win_types.h"
#include "settings/conflicts/constraint_result.h"

// Message box styles of the settings model.
constexpr UINT kWarningBox = MB_ICONWARNING | MB_OK;
constexpr UINT kQuestionBox = MB_ICONINFORMATION | MB_OKCANCEL;  // OK goes on, anything else cancels
constexpr UINT kInformationBox = MB_ICONINFORMATION | MB_OK;

// Shows the text in a box with the caption of string 265; the box's answer.
int ShowSettingsMessage(HWND owner, HMODULE module, const WCHAR* text, UINT style);

// The most settings the list of conflicting settings names.
constexpr int kMaxConflictingSettings = 20;

// The message of a result: the settings in conflict (the groups of the
// chained conditions of the type-7 constraints of list 1 that hold, then the
// settings of the paper check bits), and when asking the settings the
// resolutions change; string 705, 725, 701 or 724. The first prompt text is
// added to the settings in conflict, the second to the changes. 1 with a
// new block, 0 when no message can be built.
int BuildConflictMessage(BOOL ask, HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                         const WCHAR* firstText, const WCHAR* secondText, const ConstraintResult* result,
                         WCHAR** message);
// The ask message of status 5 (string 709), when a listed type-7 constraint
// has a chained condition on setting 267 or 320 whose current value has an
// option text; 0 when there is none.
int BuildLayoutConflictMessage(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                               const ConstraintResult* result, WCHAR** message);
// The refusal of status 7 (string 710).
int BuildForbiddenMessage(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef,
                          const ConstraintResult* result, WCHAR** message);
// The group warning of status 10 (string 723 with the value text, then 720
// or 722 by model flag 0x20) or 11 (string 719, then 721 or 722 by model
// flag 0x40); the flags word is header field 26 of the model.
int BuildGroupWarning(HMODULE module, const SettingsContext* context, const SettingValueRef* valueRef, WORD status,
                      WCHAR** message);

// Conflict text kinds FormatConflictText makes.
constexpr int kConflictTextScaledTooSmall = 18;  // string 716
constexpr int kConflictTextScaledTooLarge = 19;  // string 715
// The message of a kind for the zero-terminated list of settings: the
// changed setting's name and value text (without a setting, the list's first
// one with its current value) and the lines of the other settings. 1 with a
// new block, 0 for another kind or when no text can be made.
int FormatConflictText(WCHAR** out, int kind, HMODULE module, const SettingsContext* context,
                       const SettingValueRef* valueRef, const WORD* ids);

// The out-of-range warning (string 700) with the setting's name (or the
// given name) and the bounds divided by the divisor: whole numbers for the
// settings whose range the driver itself keeps (306, 309-311, 359, 385),
// else as many decimals as the divisor needs (two for settings 351-354). The
// unit flag does not change the digits. 0 after the box, 1 when no message
// could be built (nothing shown).
int ShowConflictWarning(HWND owner, const SettingsContext* context, LONG divisor, int unitFlag, SettingId id,
                        const WCHAR* nameText, SettingValueType valueType, LONG lowest, LONG highest);

// String 712 with the settings of the list in a question box: 0 OK, 8
// cancelled, 1 when no text could be built.
WORD ConfirmSettingList(HWND owner, const SettingsContext* context, const WORD* ids, int n);
// ConfirmSettingList over the given settings; 1 when an argument is missing
// or n is 0.
WORD EvaluateConstraintNode(HWND owner, DeviceModel* model, void* devMode, void* settings, const WORD* ids, int n);

// The scaled paper fit check after a change: 4 when the scaled document
// fits; otherwise string 715 (too large) or 716 (too small) with the changed
// setting and the settings involved, in an information box when informOnly
// is set (4), else in a question box (OK 4, cancel 3); 1 on failure.
WORD ReportScaledPaperFit(int informOnly, HWND owner, const SettingsContext* context, const SettingValueRef* valueRef);
