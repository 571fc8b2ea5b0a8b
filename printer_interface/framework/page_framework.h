// The table-driven framework every page, child dialog and modal sub-dialog
// of the sheets runs on: the static tables that describe a dialog's controls,
// the per-sheet run-time records (row caches, shared choice lists, one
// constraint result per choice), the dispatch of window messages to page
// operations and row handlers, and the operations every page shares.
#pragma once

#include <cstdint>

#include "platform/ui/property_sheet.h"
#include "platform/ui/win_window.h"
#include "platform/win/win_types.h"
#include "printer_interface/sheets/sheet_context.h"
#include "settings/access/choice_list.h"
#include "settings/conflicts/constraint_result.h"

struct HandlerContext;
struct ControlRow;

// A row handler (own or generic): 0 when the message is handled or needs
// nothing more, non-zero otherwise.
using RowHandler = LRESULT (*)(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                               const ControlRow* row, const void* params);

constexpr INT kNoControl = -3;      // a row without a control; no label; no string
constexpr INT kNoPageRows = -4;     // a dialog without rows
constexpr INT kNoCurrentItem = -6;  // a row cache before its first selection
constexpr WORD kFirstUiId = 0x9000;
constexpr WORD kEmptyLabelUiId = 0x901F;
constexpr UINT kControlKindCount = 15;
constexpr UINT kKindPushButton = 6;
constexpr UINT kKindCheckBox = 7;

// Item flags.
constexpr WORD kItemEvaluateAll = 0x1;      // every choice at activation
constexpr WORD kItemEvaluateCurrent = 0x2;  // the current choice after a change
// Row option bits.
constexpr BYTE kRowKeepOnReadOnly = 0x1;
constexpr BYTE kRowNoReset = 0x2;
constexpr BYTE kRowLabelFollowsControl = 0x4;

// Private messages.
constexpr UINT kMsgRefresh = 2524;
constexpr UINT kMsgValidate = 2526;
constexpr UINT kMsgRefill = 2527;
constexpr UINT kMsgShowWarnings = 2528;
constexpr UINT kMsgPageIdQuery = 2529;
constexpr UINT kMsgRowPrivate1 = 2530;
constexpr UINT kMsgRowPrivate2 = 2531;

// Dialog kinds.
constexpr INT kDialogTopPage = 1;
constexpr INT kDialogChild = 3;
constexpr INT kDialogModal = 4;

constexpr UINT kWarningCaptionString = 265;
constexpr UINT kLabelSuffixString = 466;
constexpr int kLabelChars = 255;  // with the terminator

struct RowItem {
  WORD id;  // setting id, or a UI id from 0x9000
  WORD flags;
};

struct ControlRow {
  INT controlId;
  INT itemCount;
  const RowItem* items;
  UINT kind;
  RowHandler handler;
  const void* params;
  INT labelId;
  INT stringId;
  const BYTE* option;
};

struct PageControlSet {
  const ControlRow* rows;
  UINT rowCount;
  UINT helpContext;
  const INT* whatsThis;        // pairs ended by control id 0
  const INT* furtherControls;  // disabled on a read-only page; ended by -3
  UINT needsInit;
};

struct PageEntry;
struct PageInfo {
  UINT templateId;
  DLGPROC procedure;
  UINT pageId;
  INT titleId;
  const PageEntry* subDialogs;
  WORD subDialogCount;
  WORD further;
};

struct PageEntry {
  INT pageId;
  PageControlSet* set;
  const PageInfo* info;
};

// ---- Run-time records ----------------------------------------------------------------------

struct ItemSlot {
  INT choiceIndex;
  WORD settingId;
  WORD valueType;
  INT size;
  uint64_t value;  // a number, or an address inside the working pair
  INT listHeld;    // this slot holds one use of the setting's choice list
};

struct RowValueCache {
  INT controlId;
  INT current;
  INT itemCount;
  ItemSlot slots[1];  // itemCount of them
};

// One shared choice list and its uses.
struct ChoiceListUse {
  SettingChoiceList* list;
  INT uses;
};

struct ChoiceConstraintRecord {
  INT settingId;
  INT count;
  ConstraintResult* overall;
  ConstraintResult** choices;
  INT uses;
};

struct HandlerContext {
  UINT message;
  UINT aux;
  HWND window;
  HWND owner;
  INT permission;
  INT pageId;
  INT changed;
  WORD* changedIds;  // ended by 0; GlobalAlloc
  RowHandler generic;
  const ControlRow* row;
  INT value;  // spare value, -1 none
  DeviceModel* model;
  void* devMode;
  void* settings;
  // The page frame the handler works on.
  SheetContext* sheet;
  const ControlRow* rows;
  INT rowCount;
  INT kind;
};

struct ControlResource {
  INT controlId;
  HGDIOBJ objects[2];
  DWORD values[2];
};

using PageHandler = LRESULT (*)(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Static tables -----------------------------------------------------------------------

extern const ControlRow kCommonPushButtons[5];
// A push button's parameter block: its action and the action's parameters.
struct PushButtonParams {
  INT action;
  const void* parameters;  // null for the common buttons
};
// The list of every page and sub-dialog control set. The first call
// installs the pages' rows (InstallPageRows).
const PageEntry* GetPageList(INT* count);
// Gives the set of that page or sub-dialog id its rows.
void SetPageSetRows(INT pageId, const ControlRow* rows, UINT count);
// Hands every page's rows to its set; each page's source adds its own call.
void InstallPageRows();
// Gives the top pages of that id (both forms of page 16) their dialog
// procedure; a page's source calls it next to its rows.
void SetPageProcedure(INT pageId, DLGPROC procedure);
// The generic handlers of the control kinds, filled by the kinds themselves.
void SetGenericRowHandler(UINT kind, RowHandler handler);
RowHandler GetGenericRowHandler(UINT kind);

// ---- Page tables --------------------------------------------------------------------------
// The index of a sheet: its store of choice lists (made here) and the table
// of page ids (BuildPageControlIndex fills it from a page list).
int CreatePageControlIndex(SheetState* state);
int BuildPageControlIndex(SheetState* state, const PageEntry* entries, INT count);
// The table of 31 sets, or null.
PageControlSet* const* GetPageControlTable(const SheetState* state);
// Clears the table; the sets are static.
void FreePageIndexTable(SheetState* state);
// Frees the store of choice lists with what it still holds, and clears the table.
void FreePageControlIndex(SheetState* state);
PageControlSet* GetPageControlSet(const SheetState* state, INT pageId);
int GetPageControlRows(const SheetState* state, INT pageId, const ControlRow** rows, INT* count);
const ControlRow* GetPageRows(const SheetState* state, INT pageId);
INT GetPageRowCount(const SheetState* state, INT pageId);
const PageEntry* GetPageEntryAt(const PageEntry* entries, INT count, INT index);
// The PageInfo of each top page of the list, at most `room`: the number found.
INT CollectPageInfos(const PageEntry* entries, INT count, const PageInfo** out, INT room);

// ---- Rows ---------------------------------------------------------------------------------
INT GetRowControlId(const ControlRow* row);
INT GetRowItemCount(const ControlRow* row);
INT GetRowKind(const ControlRow* row);
const void* GetControlParams(const ControlRow* row);
const RowItem* GetRowItem(const ControlRow* row, INT index);
const ControlRow* FindRowByControlId(const ControlRow* rows, INT count, INT controlId);
// The index of the item of that setting, -1 when none.
INT FindRowItemBySetting(const ControlRow* row, WORD id);
const ControlRow* FindSiblingRow(const HandlerContext* context, const ControlRow* row, UINT kind);

// ---- Row caches ---------------------------------------------------------------------------
RowValueCache* CreateRowCache(HandlerContext* context, const ControlRow* row);
RowValueCache* FindRowCache(const HandlerContext* context, const ControlRow* row);
int RemoveRowCache(HandlerContext* context, const ControlRow* row);
INT GetRowCurrentIndex(const HandlerContext* context, const ControlRow* row);
int SetRowCurrentIndex(HandlerContext* context, const ControlRow* row, INT index);
ItemSlot* GetItemSlot(const HandlerContext* context, const ControlRow* row, INT index);
ItemSlot* GetCurrentItemSlot(const HandlerContext* context, const ControlRow* row);
const RowItem* GetCurrentRowItem(const HandlerContext* context, const ControlRow* row);
// Copies item slot `index` of the row: 1, 0 when there is none.
int ReadItemSlot(const HandlerContext* context, const ControlRow* row, INT index, ItemSlot* out);
INT GetItemSlotType(const ItemSlot* slot);
uint64_t GetItemSlotValue(const ItemSlot* slot);
INT GetItemSlotSettingId(const ItemSlot* slot);
INT GetItemChoiceIndex(const HandlerContext* context, const ControlRow* row, INT index);
INT GetCurrentChoiceIndex(const HandlerContext* context, const ControlRow* row);
int InitRowCaches(HandlerContext* context);
void FreeRowCaches(HandlerContext* context);

// ---- Choice lists -------------------------------------------------------------------------
SettingChoiceList* AcquireChoiceList(SheetContext* sheet, WORD id);
int ReleaseChoiceList(SheetContext* sheet, WORD id);
SettingChoiceList* FindPageChoiceList(const SheetContext* sheet, WORD id);
INT FindChoiceListUses(const SheetContext* sheet, WORD id);
SettingChoiceList* GetItemChoiceList(const HandlerContext* context, const ControlRow* row, INT index);
SettingChoiceList* GetCurrentChoiceList(const HandlerContext* context, const ControlRow* row);
const WCHAR* GetItemChoiceTitle(const HandlerContext* context, const ControlRow* row, INT index);
// The position of the value among the list's choices, -1 when none.
INT FindChoiceIndex(const SettingChoiceList* list, const void* value);
int GetRowValueRange(const HandlerContext* context, const ControlRow* row, LONG* minimum, LONG* maximum);

// ---- Constraint records ---------------------------------------------------------------------
ChoiceConstraintRecord* CreateConstraintRecord(SheetContext* sheet, WORD id, INT count);
ChoiceConstraintRecord* FindConstraintRecord(const SheetContext* sheet, WORD id);
void FreeConstraintRecord(ChoiceConstraintRecord* record);
// Drops one use of the setting's record, freeing it with the last: 1, 0 when none.
int DropConstraintRecord(SheetContext* sheet, WORD id);
ConstraintResult* GetChoiceConstraint(const SheetContext* sheet, WORD id);
ConstraintResult* GetChoiceConstraintAt(const SheetContext* sheet, WORD id, INT index);
// The overall status of the setting; -1 without a record.
INT GetConstraintStatus(const SheetContext* sheet, WORD id);
int SetConstraintStatus(SheetContext* sheet, WORD id, WORD status);
INT GetChoiceStatus(const SheetContext* sheet, WORD id, INT index);
int SetChoiceStatus(SheetContext* sheet, WORD id, INT index, WORD status);
INT GetCurrentItemStatus(const HandlerContext* context, const ControlRow* row);
ConstraintResult* GetCurrentItemConstraintList(const HandlerContext* context, const ControlRow* row);

// ---- Sheet stores ---------------------------------------------------------------------------
KeyedList* GetSheetStore(const SheetContext* sheet, INT store);
void* FindSheetStoreEntry(const SheetContext* sheet, INT store, uint64_t key, HWND window);
// 1 added, 2 when the key pair exists, 0 on failure.
int AddSheetStoreEntry(SheetContext* sheet, INT store, uint64_t key, HWND window, void* data);
int RemoveSheetStoreEntry(SheetContext* sheet, INT store, uint64_t key, HWND window);

// ---- Handler context --------------------------------------------------------------------------
SheetContext* GetWindowSheet(HWND window);
SheetState* GetWindowSheetState(HWND window);
int InitHandlerContext(HandlerContext* context, HWND window, HWND owner, INT pageId, UINT message);
HWND GetContextWindow(const HandlerContext* context);
UINT GetContextMessage(const HandlerContext* context);
// The message and aux value: 1, 0 for a missing context or output.
int ReadContextMessage(const HandlerContext* context, UINT* message, UINT* aux);
void SetContextMessage(HandlerContext* context, UINT message);
UINT GetContextAux(const HandlerContext* context);
void SetContextAux(HandlerContext* context, UINT aux);
HWND GetContextOwner(const HandlerContext* context);
INT GetContextPageId(const HandlerContext* context);
INT GetContextPermission(const HandlerContext* context);
void SetContextChangedFlag(HandlerContext* context, INT changed);
void SetContextChange(HandlerContext* context, INT changed, WORD* ids, const ControlRow* row);
WORD* GetChangedIdList(const HandlerContext* context);
void SetChangedIdList(HandlerContext* context, WORD* ids);
int IsSettingInChangedList(const WORD* ids, WORD id);
RowHandler GetContextGenericHandler(const HandlerContext* context);
const ControlRow* GetContextRow(const HandlerContext* context);
INT GetContextValue(const HandlerContext* context);
void SetContextValue(HandlerContext* context, INT value);
DeviceModel* GetContextModel(const HandlerContext* context);
int GetContextBuffers(const HandlerContext* context, void** devMode, void** settings);
int CopyContextBuffers(const HandlerContext* from, HandlerContext* to);

// ---- Sheet state ------------------------------------------------------------------------------
DeviceModel* GetSheetModel(const SheetState* state);
const WCHAR* GetHelpFilePath(const SheetState* state);
INT GetActivePageId(const SheetState* state);
INT GetApplyDoneFlag(const SheetState* state);
void SetApplyDoneFlag(SheetState* state, INT flag);
HMODULE GetPagesResourceModule();
// The printer driver's help file (pHelpFile of DRIVER_INFO_3) as a new
// GlobalAlloc text, or null.
WCHAR* GetDriverHelpFilePath(HANDLE printer);
// Copies it into the sheet state at sheet start: 1, 0 when there is none.
int ReadDriverHelpFile(SheetState* state);

// ---- Control resources ----------------------------------------------------------------------
int AddControlResource(SheetState* state, INT controlId, HGDIOBJ first, HGDIOBJ second);
ControlResource* FindControlResource(const SheetState* state, INT controlId);
int RemoveControlResource(SheetState* state, INT controlId);
// Frees whatever caches, records, lists and resources the sheet still holds.
void FreeSheetRecords(SheetContext* sheet);

// ---- Dispatch ---------------------------------------------------------------------------------
// The operation of a message (0-22), -1 when the framework does not handle it.
INT TranslatePageMessage(UINT message, WPARAM wParam, LPARAM lParam);
PageHandler GetPageMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, INT kind);
LRESULT DispatchPageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT pageId, INT kind,
                            PageHandler handler);
// The whole dialog procedure of a (kind, page id).
INT_PTR RunPageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT pageId, INT kind);

LRESULT RowMessageHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT TopPageInitDialog(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ChildDialogInitDialog(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ModalDialogInitDialog(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SetActiveHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT KillActiveHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ResetHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ApplyHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HelpMessageHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT MeasureItemHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT EraseBackgroundHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT BroadcastRowsHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT PageIdQueryHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ShowWarningListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Page operations ---------------------------------------------------------------------------
LRESULT CallRowHandlers(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, LRESULT defaultResult);
int RefreshItemValues(HandlerContext* context);
void SelectCurrentItems(HandlerContext* context);
int EvaluatePageConstraints(HandlerContext* context, WORD mask, const WORD* changedIds);
void UpdateRowLabels(HandlerContext* context, BOOL onlyChanged);
void ReevaluatePage(HandlerContext* context, WORD* changedIds);
LRESULT ActivatePage(HandlerContext* context, UINT message);
// The public DEVMODE fields brought in line with the private ones: 1 when
// every step succeeded.
int SyncPublicFields(SheetState* state, void* devMode, void* settings);
void DisablePageControls(HandlerContext* context);
int ReadPageSetting(const HandlerContext* context, WORD id, uint64_t* value);
void SetControlState(HWND window, INT status);
// -1, 1, 2 or 3 (see the settings model's change workflow). The value is in
// the slot's form: a number in its type's width, a text as the address of a
// variable holding the text's address.
INT TryChangeSetting(HandlerContext* context, const ControlRow* row, ItemSlot* slot, const void* value,
                     WORD** changedIds);
int ResetPageToDefaults(HandlerContext* context, void* devMode, void* settings, INT* count, WORD** ids);
int SyncRowToControl(HWND window, HandlerContext* context, const ControlRow* row, INT pageId, INT controlId);
int SelectTextBySize(const WCHAR* text, UINT size, const WCHAR** out, UINT expectedSize);

// ---- Shared page helpers ---------------------------------------------------------------------
int AppendChangedIds(HandlerContext* context, const WORD* ids, INT n);
int RebuildChoiceList(HWND dialog, INT pageId, WORD id);
int JoinResourceStrings(HMODULE module, WCHAR* out, INT id1, INT id2, INT id3);
constexpr int kJoinedTextChars = 270;
int SetSheetFavoritesState(SheetState* state, FavoritesState* record);
FavoritesState* GetSheetFavoritesState(const SheetState* state);
FavoritesState* GetWindowFavoritesState(HWND dialog);

// ---- Edit rows (the parameter block of kind 4) ------------------------------------------------
constexpr UINT kKindEdit = 4;
constexpr WORD kEditLengthUnit = 0x400;  // the value takes the length-unit rules
struct EditUnitRecord {
  WORD decimals;
  DWORD conversion;  // non-zero: ConvertSettingUnits applies
};
struct EditControlParams {
  WORD flags;
  DWORD maxLength;
  const void* check;
  const EditUnitRecord* unit;
  BYTE checkMask;
};

// ---- The range check of the page constraint pass ---------------------------------------------
constexpr WORD kRangeFailed = 1;
constexpr WORD kRangeRefused = 3;
constexpr WORD kRangeStored = 4;
constexpr WORD kRangeNone = 6;
constexpr WORD kRangeInRange = 9;
// Mode 1 checks only. The ids written go into the list (room kIdListRoom).
WORD CheckSettingRange(DWORD mode, HWND dialog, const SettingsContext* context, const SettingValueRef* value,
                       WORD** ids, WORD* count);
// CheckSettingRange in the form the settings model calls its page pass.
WORD RunSheetRangePass(DWORD flags, HWND owner, const SettingsContext* context, const SettingValueRef* valueRef,
                       WORD** ids, WORD* count, ConstraintResult* result);
