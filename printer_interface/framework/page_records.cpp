// The run-time records of the framework: per-row value caches keyed by
// (control, dialog window), the choice lists shared by setting id across the
// sheet, one constraint result per choice, the pages' general stores, the
// handler context and the accessors of the sheet state.
#include <cstring>

#include "platform/win/win_memory.h"
#include "printer_interface/framework/page_framework.h"
#include "platform/spooler/winspool.h"
#include "settings/access/setting_access.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/services/module_state.h"

namespace {

// Rows without a control are keyed by their own address, so that two of
// them on one page keep separate caches.
uint64_t RowKey(const ControlRow* row) {
  return row->controlId == kNoControl ? reinterpret_cast<uintptr_t>(row) : static_cast<uint32_t>(row->controlId);
}

uint64_t WindowKey(HWND window) { return reinterpret_cast<uintptr_t>(window); }

bool IsSettingId(WORD id) { return id != 0 && id < kFirstUiId; }

}  // namespace

// ---- Row caches ---------------------------------------------------------------------------

RowValueCache* CreateRowCache(HandlerContext* context, const ControlRow* row) {
  if (!context || !context->sheet || !row || row->itemCount < 0) return nullptr;
  if (RowValueCache* existing = FindRowCache(context, row)) return existing;
  const INT slots = row->itemCount > 0 ? row->itemCount : 1;
  auto* cache = static_cast<RowValueCache*>(
      GlobalAlloc(GPTR, sizeof(RowValueCache) + sizeof(ItemSlot) * static_cast<size_t>(slots - 1)));
  if (!cache) return nullptr;
  cache->controlId = row->controlId;
  cache->current = kNoCurrentItem;
  cache->itemCount = row->itemCount;
  for (INT i = 0; i < row->itemCount; ++i) {
    cache->slots[i].choiceIndex = -1;
    cache->slots[i].settingId = row->items[i].id;
  }
  if (!KeyedListPush(context->sheet->rowCaches, RowKey(row), WindowKey(context->window), cache)) {
    GlobalFree(cache);
    return nullptr;
  }
  return cache;
}

RowValueCache* FindRowCache(const HandlerContext* context, const ControlRow* row) {
  if (!context || !context->sheet || !row) return nullptr;
  return static_cast<RowValueCache*>(
      KeyedListFindData(context->sheet->rowCaches, RowKey(row), WindowKey(context->window)));
}

int RemoveRowCache(HandlerContext* context, const ControlRow* row) {
  RowValueCache* cache = FindRowCache(context, row);
  if (!cache) return 0;
  KeyedListRemove(context->sheet->rowCaches, RowKey(row), WindowKey(context->window));
  GlobalFree(cache);
  return 1;
}

INT GetRowCurrentIndex(const HandlerContext* context, const ControlRow* row) {
  if (row && row->itemCount == 1) return 0;
  const RowValueCache* cache = FindRowCache(context, row);
  return cache ? cache->current : -1;
}

int SetRowCurrentIndex(HandlerContext* context, const ControlRow* row, INT index) {
  RowValueCache* cache = FindRowCache(context, row);
  if (!cache || (index != kNoCurrentItem && (index < 0 || index >= cache->itemCount))) return 0;
  cache->current = index;
  return 1;
}

ItemSlot* GetItemSlot(const HandlerContext* context, const ControlRow* row, INT index) {
  RowValueCache* cache = FindRowCache(context, row);
  if (!cache || index < 0 || index >= cache->itemCount) return nullptr;
  return &cache->slots[index];
}

ItemSlot* GetCurrentItemSlot(const HandlerContext* context, const ControlRow* row) {
  return GetItemSlot(context, row, GetRowCurrentIndex(context, row));
}

const RowItem* GetCurrentRowItem(const HandlerContext* context, const ControlRow* row) {
  return GetRowItem(row, GetRowCurrentIndex(context, row));
}

INT GetItemChoiceIndex(const HandlerContext* context, const ControlRow* row, INT index) {
  const ItemSlot* slot = GetItemSlot(context, row, index);
  return slot ? slot->choiceIndex : -1;
}

INT GetCurrentChoiceIndex(const HandlerContext* context, const ControlRow* row) {
  return GetItemChoiceIndex(context, row, GetRowCurrentIndex(context, row));
}

int InitRowCaches(HandlerContext* context) {
  if (!context || !context->sheet) return 0;
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    RowValueCache* cache = FindRowCache(context, row);
    if (cache) continue;
    if (!(cache = CreateRowCache(context, row))) {
      FreeRowCaches(context);
      return 0;
    }
    for (INT i = 0; i < row->itemCount; ++i) {
      const WORD id = row->items[i].id;
      if (!IsSettingId(id)) continue;
      SettingChoiceList* list = AcquireChoiceList(context->sheet, id);
      if (!list) continue;  // a setting without choices
      cache->slots[i].listHeld = 1;
      if (list->count > 0 && !CreateConstraintRecord(context->sheet, id, list->count)) {
        FreeRowCaches(context);
        return 0;
      }
    }
  }
  return 1;
}

void FreeRowCaches(HandlerContext* context) {
  if (!context || !context->sheet) return;
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    RowValueCache* cache = FindRowCache(context, row);
    if (!cache) continue;
    for (INT i = 0; i < cache->itemCount; ++i) {
      if (!cache->slots[i].listHeld) continue;
      DropConstraintRecord(context->sheet, cache->slots[i].settingId);
      ReleaseChoiceList(context->sheet, cache->slots[i].settingId);
    }
    RemoveRowCache(context, row);
  }
}

// ---- Choice lists -------------------------------------------------------------------------

SettingChoiceList* AcquireChoiceList(SheetContext* sheet, WORD id) {
  if (!sheet || !sheet->state || !sheet->state->choiceLists || !IsSettingId(id)) return nullptr;
  SheetState* state = sheet->state;
  auto* use = static_cast<ChoiceListUse*>(KeyedListFindData(state->choiceLists, id, 0));
  if (!use) {
    SettingChoiceList* list = BuildSettingChoiceList(state->printer, state->model, id, GetResourceModule(), 0, nullptr,
                                                     sheet->working.devMode, sheet->working.settings);
    if (!list) return nullptr;
    use = static_cast<ChoiceListUse*>(GlobalAlloc(GPTR, sizeof(ChoiceListUse)));
    if (!use || !KeyedListPush(state->choiceLists, id, 0, use)) {
      if (use) GlobalFree(use);
      FreeChoiceList(list);
      return nullptr;
    }
    use->list = list;
  }
  ++use->uses;
  return use->list;
}

int ReleaseChoiceList(SheetContext* sheet, WORD id) {
  if (!sheet || !sheet->state) return 0;
  auto* use = static_cast<ChoiceListUse*>(KeyedListFindData(sheet->state->choiceLists, id, 0));
  if (!use) return 0;
  if (--use->uses <= 0) {
    KeyedListRemove(sheet->state->choiceLists, id, 0);
    FreeChoiceList(use->list);
    GlobalFree(use);
  }
  return 1;
}

SettingChoiceList* FindPageChoiceList(const SheetContext* sheet, WORD id) {
  if (!sheet || !sheet->state) return nullptr;
  auto* use = static_cast<ChoiceListUse*>(KeyedListFindData(sheet->state->choiceLists, id, 0));
  return use ? use->list : nullptr;
}

INT FindChoiceListUses(const SheetContext* sheet, WORD id) {
  if (!sheet || !sheet->state) return 0;
  auto* use = static_cast<ChoiceListUse*>(KeyedListFindData(sheet->state->choiceLists, id, 0));
  return use ? use->uses : 0;
}

SettingChoiceList* GetItemChoiceList(const HandlerContext* context, const ControlRow* row, INT index) {
  const ItemSlot* slot = GetItemSlot(context, row, index);
  return slot && slot->listHeld ? FindPageChoiceList(context->sheet, slot->settingId) : nullptr;
}

SettingChoiceList* GetCurrentChoiceList(const HandlerContext* context, const ControlRow* row) {
  return GetItemChoiceList(context, row, GetRowCurrentIndex(context, row));
}

const WCHAR* GetItemChoiceTitle(const HandlerContext* context, const ControlRow* row, INT index) {
  return GetChoiceListTitle(GetItemChoiceList(context, row, index));
}

INT FindChoiceIndex(const SettingChoiceList* list, const void* value) {
  if (!list || !list->items || !value) return -1;
  for (INT i = 0; i < list->count; ++i)
    if (CompareSettingValues(list->valueType, &list->items[i].value, value) == 0) return i;
  return -1;
}

// ---- Constraint records -------------------------------------------------------------------

ChoiceConstraintRecord* CreateConstraintRecord(SheetContext* sheet, WORD id, INT count) {
  if (!sheet || count < 0) return nullptr;
  if (ChoiceConstraintRecord* existing = FindConstraintRecord(sheet, id)) {
    ++existing->uses;
    return existing;
  }
  auto* record = static_cast<ChoiceConstraintRecord*>(GlobalAlloc(GPTR, sizeof(ChoiceConstraintRecord)));
  if (!record) return nullptr;
  record->settingId = id;
  record->count = count;
  record->uses = 1;
  record->overall = AllocConstraintResult();
  record->choices = static_cast<ConstraintResult**>(GlobalAlloc(GPTR, sizeof(ConstraintResult*) * (count + 1)));
  bool ok = record->overall && record->choices;
  for (INT i = 0; ok && i < count; ++i) ok = (record->choices[i] = AllocConstraintResult()) != nullptr;
  if (!ok || !KeyedListPush(sheet->constraintRecords, id, 0, record)) {
    FreeConstraintRecord(record);
    return nullptr;
  }
  return record;
}

ChoiceConstraintRecord* FindConstraintRecord(const SheetContext* sheet, WORD id) {
  if (!sheet) return nullptr;
  return static_cast<ChoiceConstraintRecord*>(KeyedListFindData(sheet->constraintRecords, id, 0));
}

void FreeConstraintRecord(ChoiceConstraintRecord* record) {
  if (!record) return;
  if (record->overall) FreeConstraintResult(record->overall);
  if (record->choices) {
    for (INT i = 0; i < record->count; ++i)
      if (record->choices[i]) FreeConstraintResult(record->choices[i]);
    GlobalFree(record->choices);
  }
  GlobalFree(record);
}

int DropConstraintRecord(SheetContext* sheet, WORD id) {
  ChoiceConstraintRecord* record = FindConstraintRecord(sheet, id);
  if (!record) return 0;
  if (--record->uses <= 0) {
    KeyedListRemove(sheet->constraintRecords, id, 0);
    FreeConstraintRecord(record);
  }
  return 1;
}

ConstraintResult* GetChoiceConstraint(const SheetContext* sheet, WORD id) {
  ChoiceConstraintRecord* record = FindConstraintRecord(sheet, id);
  return record ? record->overall : nullptr;
}

ConstraintResult* GetChoiceConstraintAt(const SheetContext* sheet, WORD id, INT index) {
  ChoiceConstraintRecord* record = FindConstraintRecord(sheet, id);
  return record && index >= 0 && index < record->count ? record->choices[index] : nullptr;
}

INT GetConstraintStatus(const SheetContext* sheet, WORD id) {
  const ConstraintResult* result = GetChoiceConstraint(sheet, id);
  return result ? result->status : -1;
}

int SetConstraintStatus(SheetContext* sheet, WORD id, WORD status) {
  ConstraintResult* result = GetChoiceConstraint(sheet, id);
  if (!result) return 0;
  result->status = status;
  return 1;
}

INT GetChoiceStatus(const SheetContext* sheet, WORD id, INT index) {
  const ConstraintResult* result = GetChoiceConstraintAt(sheet, id, index);
  return result ? result->status : -1;
}

int SetChoiceStatus(SheetContext* sheet, WORD id, INT index, WORD status) {
  ConstraintResult* result = GetChoiceConstraintAt(sheet, id, index);
  if (!result) return 0;
  result->status = status;
  return 1;
}

INT GetCurrentItemStatus(const HandlerContext* context, const ControlRow* row) {
  const RowItem* item = GetCurrentRowItem(context, row);
  return item && context ? GetConstraintStatus(context->sheet, item->id) : -1;
}

ConstraintResult* GetCurrentItemConstraintList(const HandlerContext* context, const ControlRow* row) {
  const RowItem* item = GetCurrentRowItem(context, row);
  return item && context ? GetChoiceConstraint(context->sheet, item->id) : nullptr;
}

// ---- Sheet stores -------------------------------------------------------------------------

KeyedList* GetSheetStore(const SheetContext* sheet, INT store) {
  return sheet && store >= 0 && store < 3 ? sheet->stores[store] : nullptr;
}

void* FindSheetStoreEntry(const SheetContext* sheet, INT store, uint64_t key, HWND window) {
  return KeyedListFindData(GetSheetStore(sheet, store), key, WindowKey(window));
}

int AddSheetStoreEntry(SheetContext* sheet, INT store, uint64_t key, HWND window, void* data) {
  KeyedList* list = GetSheetStore(sheet, store);
  if (!list || !data) return 0;
  if (KeyedListFindNode(list, key, WindowKey(window), nullptr)) return 2;
  return KeyedListPush(list, key, WindowKey(window), data);
}

int RemoveSheetStoreEntry(SheetContext* sheet, INT store, uint64_t key, HWND window) {
  return KeyedListRemove(GetSheetStore(sheet, store), key, WindowKey(window));
}

// ---- Handler context ----------------------------------------------------------------------

SheetContext* GetWindowSheet(HWND window) {
  return window ? reinterpret_cast<SheetContext*>(GetWindowLongPtrW(window, DWLP_USER)) : nullptr;
}

SheetState* GetWindowSheetState(HWND window) {
  SheetContext* sheet = GetWindowSheet(window);
  return sheet ? sheet->state : nullptr;
}

int InitHandlerContext(HandlerContext* context, HWND window, HWND owner, INT pageId, UINT message) {
  if (!context) return 0;
  context->window = window;
  context->owner = owner;
  context->pageId = pageId;
  context->message = message;
  context->value = -1;
  SheetContext* sheet = GetWindowSheet(window);
  context->sheet = sheet;
  if (sheet && sheet->state) {
    context->permission = sheet->state->permission;
    context->model = sheet->state->model;
    context->devMode = sheet->working.devMode;
    context->settings = sheet->working.settings;
  } else {
    context->permission = 0;
  }
  return 1;
}

HWND GetContextWindow(const HandlerContext* context) { return context ? context->window : nullptr; }
UINT GetContextMessage(const HandlerContext* context) { return context ? context->message : 0; }
void SetContextMessage(HandlerContext* context, UINT message) {
  if (context) context->message = message;
}
UINT GetContextAux(const HandlerContext* context) { return context ? context->aux : 0; }
void SetContextAux(HandlerContext* context, UINT aux) {
  if (context) context->aux = aux;
}
HWND GetContextOwner(const HandlerContext* context) { return context ? context->owner : nullptr; }
INT GetContextPageId(const HandlerContext* context) { return context ? context->pageId : -1; }
INT GetContextPermission(const HandlerContext* context) { return context ? context->permission : 0; }
void SetContextChangedFlag(HandlerContext* context, INT changed) {
  if (context) context->changed = changed;
}
void SetContextChange(HandlerContext* context, INT changed, WORD* ids, const ControlRow* row) {
  if (!context) return;
  context->changed = changed;
  if (context->changedIds && context->changedIds != ids) GlobalFree(context->changedIds);
  context->changedIds = ids;
  context->row = row;
}
WORD* GetChangedIdList(const HandlerContext* context) { return context ? context->changedIds : nullptr; }
void SetChangedIdList(HandlerContext* context, WORD* ids) {
  if (context) context->changedIds = ids;
}
int IsSettingInChangedList(const WORD* ids, WORD id) {
  for (; ids && *ids; ++ids)
    if (*ids == id) return 1;
  return 0;
}
RowHandler GetContextGenericHandler(const HandlerContext* context) { return context ? context->generic : nullptr; }
const ControlRow* GetContextRow(const HandlerContext* context) { return context ? context->row : nullptr; }
INT GetContextValue(const HandlerContext* context) { return context ? context->value : -1; }
void SetContextValue(HandlerContext* context, INT value) {
  if (context) context->value = value;
}
DeviceModel* GetContextModel(const HandlerContext* context) { return context ? context->model : nullptr; }
int GetContextBuffers(const HandlerContext* context, void** devMode, void** settings) {
  if (!context || !devMode || !settings) return 0;
  *devMode = context->devMode;
  *settings = context->settings;
  return 1;
}
int CopyContextBuffers(const HandlerContext* from, HandlerContext* to) {
  if (!from || !to) return 0;
  to->model = from->model;
  to->devMode = from->devMode;
  to->settings = from->settings;
  return 1;
}

// ---- Sheet state --------------------------------------------------------------------------

DeviceModel* GetSheetModel(const SheetState* state) { return state ? state->model : nullptr; }
const WCHAR* GetHelpFilePath(const SheetState* state) { return state ? state->helpFile : nullptr; }
INT GetActivePageId(const SheetState* state) { return state ? state->activePageId : -1; }
INT GetApplyDoneFlag(const SheetState* state) { return state ? state->applyDone : 0; }
void SetApplyDoneFlag(SheetState* state, INT flag) {
  if (state) state->applyDone = flag;
}
HMODULE GetPagesResourceModule() { return GetResourceModule(); }

// ---- Control resources ----------------------------------------------------------------------

int AddControlResource(SheetState* state, INT controlId, HGDIOBJ first, HGDIOBJ second) {
  if (!state || !state->controlResources) return 0;
  auto* resource = static_cast<ControlResource*>(GlobalAlloc(GPTR, sizeof(ControlResource)));
  if (!resource) return 0;
  resource->controlId = controlId;
  resource->objects[0] = first;
  resource->objects[1] = second;
  if (!KeyedListPush(state->controlResources, static_cast<uint32_t>(controlId), 0, resource)) {
    GlobalFree(resource);
    return 0;
  }
  return 1;
}

ControlResource* FindControlResource(const SheetState* state, INT controlId) {
  if (!state) return nullptr;
  return static_cast<ControlResource*>(KeyedListFindData(state->controlResources, static_cast<uint32_t>(controlId), 0));
}

int RemoveControlResource(SheetState* state, INT controlId) {
  ControlResource* resource = FindControlResource(state, controlId);
  if (!resource) return 0;
  for (HGDIOBJ object : resource->objects)
    if (object) DeleteObject(object);
  KeyedListRemove(state->controlResources, static_cast<uint32_t>(controlId), 0);
  GlobalFree(resource);
  return 1;
}

void FreeSheetRecords(SheetContext* sheet) {
  if (!sheet) return;
  KeyedListNode* next = nullptr;
  for (void* data = KeyedListFirst(sheet->rowCaches, &next); data; data = KeyedListNext(next, &next)) GlobalFree(data);
  for (void* data = KeyedListFirst(sheet->constraintRecords, &next); data; data = KeyedListNext(next, &next))
    FreeConstraintRecord(static_cast<ChoiceConstraintRecord*>(data));
  FreeKeyedList(&sheet->rowCaches);
  FreeKeyedList(&sheet->constraintRecords);
  // The state's lists belong to the sheet's own context, not to a copy.
  if (sheet->owner || !sheet->state) return;
  FreePageControlIndex(sheet->state);
  for (void* data = KeyedListFirst(sheet->state->controlResources, &next); data; data = KeyedListNext(next, &next)) {
    auto* resource = static_cast<ControlResource*>(data);
    for (HGDIOBJ object : resource->objects)
      if (object) DeleteObject(object);
    GlobalFree(resource);
  }
  FreeKeyedList(&sheet->state->controlResources);
}

// ---- Index, slots and help file ---------------------------------------------------------------

int CreatePageControlIndex(SheetState* state) {
  if (!state) return 0;
  if (!state->choiceLists) state->choiceLists = CreateKeyedList();
  return state->choiceLists ? 1 : 0;
}

PageControlSet* const* GetPageControlTable(const SheetState* state) { return state ? state->pageIndex : nullptr; }

void FreePageIndexTable(SheetState* state) {
  if (!state) return;
  for (PageControlSet*& set : state->pageIndex) set = nullptr;
}

void FreePageControlIndex(SheetState* state) {
  if (!state) return;
  KeyedListNode* next = nullptr;
  for (void* data = KeyedListFirst(state->choiceLists, &next); data; data = KeyedListNext(next, &next)) {
    auto* use = static_cast<ChoiceListUse*>(data);
    FreeChoiceList(use->list);
    GlobalFree(use);
  }
  FreeKeyedList(&state->choiceLists);
  FreePageIndexTable(state);
}

int ReadItemSlot(const HandlerContext* context, const ControlRow* row, INT index, ItemSlot* out) {
  const ItemSlot* slot = GetItemSlot(context, row, index);
  if (!slot || !out) return 0;
  *out = *slot;
  return 1;
}

INT GetItemSlotType(const ItemSlot* slot) { return slot ? slot->valueType : -1; }
uint64_t GetItemSlotValue(const ItemSlot* slot) { return slot ? slot->value : 0; }
INT GetItemSlotSettingId(const ItemSlot* slot) { return slot ? slot->settingId : -1; }

int ReadContextMessage(const HandlerContext* context, UINT* message, UINT* aux) {
  if (!context || !message || !aux) return 0;
  *message = context->message;
  *aux = context->aux;
  return 1;
}

WCHAR* GetDriverHelpFilePath(HANDLE printer) {
  if (!printer) return nullptr;
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_3W)) return nullptr;
  auto* buffer = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
  if (!buffer) return nullptr;
  WCHAR* path = nullptr;
  if (GetPrinterDriverW(printer, nullptr, 3, buffer, needed, &needed)) {
    const WCHAR* help = reinterpret_cast<DRIVER_INFO_3W*>(buffer)->pHelpFile;
    size_t n = 0;
    while (help && help[n]) ++n;
    if (help && n && (path = static_cast<WCHAR*>(GlobalAlloc(GPTR, (n + 1) * sizeof(WCHAR)))))
      std::memcpy(path, help, n * sizeof(WCHAR));
  }
  GlobalFree(buffer);
  return path;
}

int ReadDriverHelpFile(SheetState* state) {
  if (!state) return 0;
  WCHAR* path = GetDriverHelpFilePath(state->printer);
  if (!path) return 0;
  if (state->helpFile) GlobalFree(state->helpFile);
  state->helpFile = path;
  return 1;
}
