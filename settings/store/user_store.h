// The per-user settings store: values under the current user's key of one
// printer installation, HKEY_CURRENT_USER\<header field 34><printer id>, with
// optional subkeys ("Favorite", "Paper Margin", "Stamps", "Stamps\Others").
// The key of a printer id holds the printer's Attributes as its default value;
// the clean-up of keys whose local printers are gone reads it. Also the
// deletion and copy of registry trees.
#pragma once

#include "platform/win/win_registry.h"
#include "platform/win/win_types.h"

struct DeviceModel;

// Results of ReadUserValue.
constexpr int kUserValueRead = 0;
constexpr int kUserValueAbsent = 1;  // no printer id, key or value, or larger than the buffer
// The model or its per-user base cannot be read, or the path does not fit.
constexpr int kUserValueNoModel = -1;

// The value of the user fields of the printer settings block.
#define PK_USER_SETTING_INFO_VALUE u"UserSettingInfo"

constexpr int kStampsKey = 0;        // "Stamps"
constexpr int kStampsOthersKey = 1;  // "Stamps\Others"

// Writes one value (any registry type) under the printer's key or its
// subkey, making and storing the printer id when the printer has none and
// creating the key (then clearing the keys of printers that are gone). The
// first use of a key stores the printer's Attributes as its default value.
// 1 / 0; a path that does not fit writes nothing.
int WriteUserValue(HANDLE printer, const void* data, DWORD size, DWORD type, LPCWSTR subkey, LPCWSTR valueName);
// Reads one value into the buffer; an id is never made here.
int ReadUserValue(HANDLE printer, void* buffer, DWORD size, LPCWSTR subkey, LPCWSTR valueName);
// ReadUserValue that also gives the stored size of a value read (`read` may
// be null), so that a caller can refuse a value of the wrong size.
int ReadUserValueSized(HANDLE printer, void* buffer, DWORD size, LPCWSTR subkey, LPCWSTR valueName, DWORD* read);
// 1 when the printer has an id and its key holds "UserSettingInfo".
int HasUserSettingInfo(HANDLE printer);
// The full key paths (below HKEY_CURRENT_USER) of the stamp and paper margin
// stores: 1, or 0 for another selector, a printer without id or an
// unreadable model.
int GetStampsKeyPath(HANDLE printer, WCHAR* path, UINT length, int which);
int GetPaperMarginKeyPath(HANDLE printer, WCHAR* path, UINT length);
// With a printer: 1 when its key was deleted. Without: the number of keys of
// local printers that no longer exist deleted now. 0 when the model's
// per-user base cannot be read, and nothing is deleted while any local printer
// cannot be opened or its id cannot be read.
int CleanUserSettingKeys(HANDLE printer, DeviceModel* model);
// Deletes HKEY_CURRENT_USER\base\name with its whole tree, when `mask` is 0
// or the key's 4-byte default value has a bit of it: 1 when deleted.
int DeleteUserKeyIfLocal(LPCWSTR name, LPCWSTR base, DWORD mask);
// Deletes key\subkey and every key below it: 1, or 0 when any deletion fails.
int DeleteRegistryTree(HKEY key, LPCWSTR subkey);
// Copies every value (name, type, data) and every subkey of the source into
// the destination, recursively: 1 / 0.
int CopyRegistryTree(HKEY destination, HKEY source);
// Reads a text value of any stored size into `chars` characters: the stored
// characters up to their first NUL, cut to chars - 1 and always terminated,
// whether or not the stored bytes hold a terminator. kUserValueRead, or
// kUserValueAbsent (no id, key or value, or no room for a character).
int ReadUserText(HANDLE printer, WCHAR* buffer, UINT chars, LPCWSTR subkey, LPCWSTR valueName);
