// The favourites store: named, commented snapshots of a printer's whole
// working DEVMODE under the per-user key's "Favorite" subkey, an index of the
// favourite numbers in display order and the position last selected. A
// device model brings preset favourites (feature 36888): they are installed
// from the model's defaults and value lists. Every operation answers 1, or 0
// at the first failure, leaving what was written already in place.
#pragma once

#include "platform/win/win_types.h"

struct DeviceModel;

// The model feature of the presets.
constexpr WORD kFavoritesFeatureId = 36888;
// Entries of the index, its terminating 0 included, and its stored size.
constexpr int kFavoriteIndexEntries = 28;
constexpr DWORD kFavoriteIndexSize = kFavoriteIndexEntries * sizeof(WORD);
// A preset is installed with this flag; other flags are the caller's.
constexpr DWORD kFavoritePresetFlag = 0;

// Writes "User%2dDEVMODE" (4700 bytes), "User%2dSelName",
// "User%2dSelComment" and "User%2dSelFlag", each only when given.
int SaveFavorite(HANDLE printer, int n, const void* workingDevMode, LPCWSTR name, LPCWSTR comment, const DWORD* flag);
// Reads favourite n into the outputs that are given; text reads are bounded
// by the caller's character counts and always terminated. A DEVMODE stored
// for another model is loaded only when it is a preset: the presets are
// installed again first and the favourite read again.
int LoadFavorite(HANDLE printer, const void* currentDevMode, void* settingsBlock, int n, void* workingDevMode,
                 WCHAR* name, UINT nameChars, WCHAR* comment, UINT commentChars, DWORD* flag);
// "UserIndex" (28 numbers) and the low 16 bits of "UserSelPosition", each
// when asked for.
int ReadFavoriteIndex(HANDLE printer, WORD* index, WORD* position);
int WriteFavoriteIndex(HANDLE printer, const WORD* index, const WORD* position);
// Installs options 1 to N - 1 of the model's feature 36888 as favourites 1 to
// N - 1 (at most 27: the index keeps room for its terminating 0) and writes
// the index with position 0.
int InstallModelFavorites(HANDLE printer, DeviceModel* model, LPCWSTR deviceName, WORD* index, WORD* position);
