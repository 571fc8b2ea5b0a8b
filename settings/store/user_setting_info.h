// The user fields of the printer settings block kept per user and printer: the
// "UserSettingInfo" record of the printer id's key, its build from a settings
// block, its application to one, its defaults, and its reading and saving.
#pragma once

#include <cstddef>

#include "platform/win/win_types.h"

// The resource string that names the user by default.
constexpr UINT kDefaultUserNameString = 5052;

struct UserSettingInfo {
  WORD format;         // 1
  WORD driverVersion;  // setting 1298
  WORD formatVersion;  // setting 1307
  WORD setting1041;
  WCHAR modelName[32];  // the model name of the primary file's head
  WCHAR setting1054[33];
  WCHAR setting1052[13];
  WCHAR setting1033[25];
  WCHAR setting1034[5];
  WORD setting1050;
  BYTE reserved[258];
};
static_assert(sizeof(UserSettingInfo) == 484);
static_assert(offsetof(UserSettingInfo, modelName) == 8 && offsetof(UserSettingInfo, setting1054) == 72);
static_assert(offsetof(UserSettingInfo, setting1052) == 138 && offsetof(UserSettingInfo, setting1033) == 164);
static_assert(offsetof(UserSettingInfo, setting1034) == 214 && offsetof(UserSettingInfo, setting1050) == 224);

// Zeroes the record and fills it from the settings block and the printer's
// model: 1 / 0.
int BuildUserSettingInfo(HANDLE printer, const void* settings, UserSettingInfo* record);
// Writes the user texts and setting 1050 into the settings block: 1, or 0
// when a write fails or a text slot has no terminator (nothing is written).
int ApplyUserSettingInfo(void* settings, const UserSettingInfo* record);
// The defaults: slot 1054 the default user name, the other texts empty, 1050
// zero; the other bytes stay. 1.
int InitUserSettingInfo(UserSettingInfo* record);
// The stored record, or the defaults when none of the record's full size is
// stored: 1; 0 when the model cannot be read.
int ReadUserSettingInfo(HANDLE printer, UserSettingInfo* record);
// Stores the record under the printer's key: 1 / 0.
int SaveUserSettingInfo(HANDLE printer, const UserSettingInfo* record);
