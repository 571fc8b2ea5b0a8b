// Defaults and validation by setting id: the default of one feature row or
// setting (static default, feature handler or device model), a complete
// default DEVMODE, extension and printer settings block, writing and
// resetting single settings, and the checks of stored and proposed values.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"
#include "settings/model/device_model.h"
#include "settings/defaults/feature_groups.h"

// The default of one row: 1 when produced, else 0 (or the model query's
// result). `status` is 0 when a static default or the handler gave it, else
// the model query's status (2: the model has no default for the id).
// Texts and records come as the address of a new block (FreeFeatureDefault).
int GetFeatureDefault(DeviceModel* model, const void* settings, const WCHAR* printerName, const FeatureRow* row,
                      uint64_t* value, SettingValueType* type, INT* size, WORD* status);

// Clears and fills the WorkingDevMode (4700 bytes) and the printer settings
// block with the defaults of every group, group 0 to 9; a block whose buffer
// is not given is left out. 1 when every group of a given block was built
// completely; 0 when a group is missing or stopped early (a default that
// could not be produced, other than one the model has none of, or a failed
// write or release) while the other groups are still built.
int BuildDefaultSettings(DeviceModel* model, void* devMode, void* settings, const WCHAR* printerName);

// The default of a setting, without settings block or printer name: 1 found,
// 2 the model has none, -1 otherwise.
int GetSettingDefault(DeviceModel* model, SettingId id, SettingValueType* type, INT* size, uint64_t* value);
// Releases a default of GetSettingDefault / GetFeatureDefault: 1 released.
int FreeSettingDefault(SettingId id, uint64_t value, SettingValueType type);
int FreeFeatureDefault(const FeatureRow* row, uint64_t value, SettingValueType type);

// Writes a value (the address of its 8-byte variable; a text's variable holds
// the text's address) with SetSettingValue: 1 when written. Size -1 means the
// value's own size (a text's byte length with terminator).
int WriteDefaultValue(SettingId id, void* devMode, void* settings, INT size, SettingValueType type,
                      const uint64_t* value);
// Writes the setting's default: 1 when written or when the model has no
// default for it (nothing written); 0 when the default cannot be produced
// or written.
int ResetSettingToDefault(DeviceModel* model, void* devMode, SettingId id, void* settings);

// Checks the stored value of a setting (operation 2) or the value as proposed
// (operation 16): 1 valid, 0 not valid or not readable.
int ValidateSettingValue(DeviceModel* model, SettingId id, void* devMode, void* settings, int operation);
// 1 when the identity settings 2, 3, 4, 5 and 258 of the DEVMODE are valid.
int CheckCoreSettings(void* devMode);
// 1 when 2, 3, 4, 5, 258 and the model name 259 are valid for the model; 0
// without a DEVMODE.
int CheckDevModeIdentity(DeviceModel* model, void* devMode, void* settings);
