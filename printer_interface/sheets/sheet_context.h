// The object of one open document or device sheet: the settings being
// edited (working, initial and applied pairs), the keyed stores of the pages
// and the per-sheet state the property sheet, the page framework and the
// pages share.
#pragma once

#include "platform/ui/property_sheet.h"
#include "platform/win/win_types.h"
#include "printer_interface/text/keyed_list.h"
#include "settings/model/device_model.h"

struct PageControlSet;
struct FavoritesState;
struct ColourSampleData;

constexpr int kPageIdCount = 31;  // page ids 0-30
constexpr int kMaxSheetPages = 8;

// Sheet modes.
constexpr WORD kSheetModeDocument = 0x21;
constexpr WORD kSheetModePreferences = 0x11;
constexpr WORD kSheetModeDevice = 0x12;

struct SheetState {
  WCHAR* printerName;
  HANDLE printer;
  INT faxMode;
  DeviceModel* model;
  INT appliedFlag;  // the settings were applied at least once
  PFNCOMPROPSHEET pfnComPropSheet;
  HANDLE hComPropSheet;
  LONG_PTR pageHandles[kMaxSheetPages];
  INT permission;      // 1 the user may change settings
  WCHAR* warnings[2];  // texts shown when the first page paints
  WORD sheetMode;
  DWORD modelOptions;  // header value 26 of the primary model file
  WCHAR* stampsKey;
  WCHAR* helpFile;
  PageControlSet* pageIndex[kPageIdCount];
  KeyedList* choiceLists;  // ChoiceListUse by setting id
  FavoritesState* favorites;
  WORD unit;  // 0 millimetres, 1 inches
  INT activePageId;
  KeyedList* controlResources;
  INT applyDone;      // the sheet-wide part of apply / cancel ran
  INT warningPosted;  // the warning list was posted once
  INT changeBusy;     // a TryChangeSetting is running
  // The picture controls: the static class's own procedure (saved from the
  // first control subclassed) and the colour sample of the colour page.
  LRESULT (*staticProcedure)(HWND, UINT, WPARAM, LPARAM);
  ColourSampleData* colourSample;
};

// One pair of settings: a WorkingDevMode buffer and a printer settings block
// (either may be absent).
struct SettingsPair {
  void* devMode;
  void* settings;
};

struct SheetContext {
  SheetState* state;
  SettingsPair working;
  SettingsPair initial;
  SettingsPair applied;
  HWND sheetWindow;
  KeyedList* stores[3];
  KeyedList* rowCaches;          // RowValueCache by (control id, window)
  KeyedList* constraintRecords;  // ChoiceConstraintRecord by setting id
  SheetContext* owner;           // the sheet's own context of a sub-dialog copy
};

// A new sheet context on copies of the given settings (devMode a
// WorkingDevMode of 4700 bytes; settings a 2840-byte block or null), with its
// sheet state; null on failure. The model stays the caller's.
SheetContext* CreateSheetContext(HANDLE printer, DeviceModel* model, const void* devMode, const void* settings,
                                 INT permission, WORD sheetMode);
// Frees the context, its pairs, stores and state (not the model).
void FreeSheetContext(SheetContext* context);
// A copy of the working pair a sub-dialog works on, sharing the state and
// linked to the sheet's own context; null on failure.
SheetContext* CopySheetContext(SheetContext* sheet);
void FreeSheetContextCopy(SheetContext* copy);

// Copies one pair into another: each block only when both sides hold one.
// 1, 0 for missing pairs.
int CopySettingsPair(SettingsPair* destination, const SettingsPair* source);
// Makes the applied pair a copy of the working pair (creating its blocks for
// those the working pair has): 1, 0 when memory runs out.
int CommitWorkingPair(SheetContext* context);
// Copies the applied pair (the initial one without it, or when asked) back
// into the working pair. 1, 0 for a missing context.
int RestoreWorkingPair(SheetContext* context, BOOL initial);

// 1 when any bit of the mask is set in the model option word.
int TestModelOption(const SheetState* state, DWORD mask);
// The sheet's unit becomes 1 for 1, else 0.
void SetSheetUnit(SheetState* state, WORD unit);
