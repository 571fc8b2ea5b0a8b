// The operations every page shares: calling the rows, refreshing the row
// caches from the working settings, choosing each row's current item,
// evaluating the constraints of the choices, keeping labels and states in
// step, activation, read-only pages, and the change of one setting through
// the conflict engine and the conflict actions.
#include <cstdio>
#include <cstring>

#include "platform/win/win_memory.h"
#include "printer_interface/framework/page_framework.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_access.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/icm_method_sync.h"
#include "settings/devmode/setting_sync.h"
#include "settings/services/form_matching.h"

namespace {

bool IsSettingId(WORD id) { return id != 0 && id < kFirstUiId; }

RowHandler HandlerOfRow(const ControlRow* row) { return row->handler ? row->handler : GetGenericRowHandler(row->kind); }

bool IsListKind(WORD kind) { return kind != 0 && kind != 4 && kind != 6; }

// Slots and choices hold a text as its address; the engine takes the text
// itself.
const void* EngineValue(SettingValueType type, const void* value) {
  if (type != kSettingTypeText || !value) return value;
  return *static_cast<const WCHAR* const*>(value);
}

// One item's constraints: the current value into the overall result, then
// every choice (mask 1) or the current one (mask 2) of a list. False ends
// the page's evaluation.
bool EvaluateChoiceConstraints(HandlerContext* context, ItemSlot* slot, const SettingChoiceList* list, WORD mask) {
  if (list->kind == 0) return false;
  ChoiceConstraintRecord* record = FindConstraintRecord(context->sheet, slot->settingId);
  if (!record) return false;
  ResetConstraintResult(record->overall);
  const void* current = EngineValue(slot->valueType, &slot->value);
  if (CheckSettingConflicts(kConflictModeAvailable, context->window, context->model, context->devMode,
                            context->settings, nullptr, slot->settingId, slot->valueType, current, record->overall,
                            nullptr) == kConflictCheckFailed)
    return false;
  if (!IsListKind(list->kind)) return true;
  for (INT i = 0; i < list->count && i < record->count; ++i) {
    if (mask == kItemEvaluateCurrent && i != slot->choiceIndex) continue;
    ResetConstraintResult(record->choices[i]);
    if (CheckSettingConflicts(kConflictModeAvailable, context->window, context->model, context->devMode,
                              context->settings, nullptr, slot->settingId, list->valueType,
                              EngineValue(list->valueType, &list->items[i].value), record->choices[i],
                              nullptr) == kConflictCheckFailed)
      return false;
  }
  return true;
}

void ApplyStatus(HWND window, INT status) {
  if (!window) return;
  ShowWindow(window, status == kConflictStatusHidden ? SW_HIDE : SW_SHOW);
  EnableWindow(window, status == kConflictStatusHidden || status == kConflictStatusDisabled ? FALSE : TRUE);
}

}  // namespace

LRESULT CallRowHandlers(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, LRESULT defaultResult) {
  if (!context || !context->rows) return defaultResult;
  LRESULT result = defaultResult;
  for (INT i = 0; i < context->rowCount; ++i) {
    const ControlRow* row = &context->rows[i];
    RowHandler handler = HandlerOfRow(row);
    if (!handler) continue;
    context->message = message;
    context->row = row;
    context->generic = GetGenericRowHandler(row->kind);
    const LRESULT r = handler(context, message, wParam, lParam, row, row->params);
    context->generic = nullptr;
    if (r == defaultResult) continue;
    result = r;
    if (message == kMsgValidate) return r;
  }
  return result;
}

int RefreshItemValues(HandlerContext* context) {
  if (!context || !context->rows) return 0;
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    RowValueCache* cache = FindRowCache(context, row);
    if (!cache) continue;
    for (INT i = 0; i < cache->itemCount; ++i) {
      ItemSlot* slot = &cache->slots[i];
      if (!IsSettingId(slot->settingId)) continue;
      SettingValueType type = 0;
      UINT size = 0;
      uint64_t value = 0;
      if (GetSettingValue(slot->settingId, context->devMode, context->settings, &type, &size, &value) != kSettingOk)
        continue;
      slot->valueType = type;
      slot->size = static_cast<INT>(size);
      slot->value = value;
    }
  }
  return 1;
}

void SelectCurrentItems(HandlerContext* context) {
  if (!context || !context->rows) return;
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    RowValueCache* cache = FindRowCache(context, row);
    if (!cache) continue;
    if (cache->current >= 0 && cache->current < cache->itemCount) {
      const ItemSlot* slot = &cache->slots[cache->current];
      const SettingChoiceList* list = slot->listHeld ? FindPageChoiceList(context->sheet, slot->settingId) : nullptr;
      if (!list || GetConstraintStatus(context->sheet, slot->settingId) != 0) cache->current = kNoCurrentItem;
    }
    for (INT j = 0; j < cache->itemCount; ++j) {
      ItemSlot* slot = &cache->slots[j];
      const SettingChoiceList* list = slot->listHeld ? FindPageChoiceList(context->sheet, slot->settingId) : nullptr;
      if (!list) continue;
      if (cache->current == kNoCurrentItem && GetConstraintStatus(context->sheet, slot->settingId) == 0)
        cache->current = j;
      if (list->kind == 1 || list->kind == 2) slot->choiceIndex = FindChoiceIndex(list, &slot->value);
    }
    if (cache->current == kNoCurrentItem && cache->itemCount == 1) cache->current = 0;
  }
}

// The changed ids do not narrow the evaluation: a change can alter what any
// other setting of the page allows, so every item flagged for the mask is
// evaluated again, whether its own setting was written or not.
int EvaluatePageConstraints(HandlerContext* context, WORD mask, [[maybe_unused]] const WORD* changedIds) {
  if (!context || !context->rows) return 0;
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    RowValueCache* cache = FindRowCache(context, row);
    if (!cache) continue;
    for (INT i = 0; i < cache->itemCount && i < row->itemCount; ++i) {
      ItemSlot* slot = &cache->slots[i];
      const SettingChoiceList* list = slot->listHeld ? FindPageChoiceList(context->sheet, slot->settingId) : nullptr;
      if (!list || !(row->items[i].flags & mask)) continue;
      if (!EvaluateChoiceConstraints(context, slot, list, mask)) return 0;
    }
  }
  return 1;
}

void UpdateRowLabels(HandlerContext* context, BOOL onlyChanged) {
  if (!context || !context->rows) return;
  HMODULE module = GetPagesResourceModule();
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    if (row->labelId == kNoControl) continue;
    HWND label = GetDlgItem(context->window, row->labelId);
    if (!label) continue;
    const SettingChoiceList* list = GetCurrentChoiceList(context, row);
    const RowItem* item = GetCurrentRowItem(context, row);
    const INT status = item ? GetConstraintStatus(context->sheet, item->id) : -1;
    if (list) {
      const bool wanted =
          !onlyChanged || row->itemCount > 1 || (item && IsSettingInChangedList(context->changedIds, item->id));
      if (wanted && !(onlyChanged && status == kConflictStatusHidden)) {
        WCHAR part[16] = {};
        WCHAR suffix[5] = {};
        if (row->stringId != kNoControl) LoadStringW(module, static_cast<UINT>(row->stringId), part, 16);
        if (row->kind != kKindCheckBox) LoadStringW(module, kLabelSuffixString, suffix, 5);
        const WCHAR* title = list->title ? list->title : u"";
        // A model title of any length: the label keeps its text when the
        // joined text does not fit.
        size_t titleLength = 0;
        while (title[titleLength]) ++titleLength;
        size_t partLength = 0;
        while (part[partLength]) ++partLength;
        size_t suffixLength = 0;
        while (suffix[suffixLength]) ++suffixLength;
        if (titleLength + partLength <= 254 && titleLength + partLength + suffixLength < kLabelChars) {
          WCHAR text[kLabelChars] = {};
          std::memcpy(text, title, titleLength * sizeof(WCHAR));
          std::memcpy(text + titleLength, part, partLength * sizeof(WCHAR));
          std::memcpy(text + titleLength + partLength, suffix, suffixLength * sizeof(WCHAR));
          SetWindowTextW(label, text);
        }
      }
    } else if (item && item->id == kEmptyLabelUiId) {
      SetWindowTextW(label, u"");
    }
    if (context->permission) {
      ApplyStatus(label, status);
      continue;
    }
    const BYTE option = row->option ? *row->option : 0;
    if (!row->option || (option & kRowKeepOnReadOnly)) continue;
    if (option & kRowLabelFollowsControl) {
      ShowWindow(label, status == kConflictStatusHidden ? SW_HIDE : SW_SHOW);
      HWND control = GetDlgItem(context->window, row->controlId);
      EnableWindow(label, control && IsWindowEnabled(control));
    } else {
      ShowWindow(label, status == kConflictStatusHidden ? SW_HIDE : SW_SHOW);
      EnableWindow(label, FALSE);
    }
  }
}

void ReevaluatePage(HandlerContext* context, WORD* changedIds) {
  if (!context) return;
  context->message = kMsgRefresh;
  SendMessageW(GetParent(context->window), PSM_CHANGED, reinterpret_cast<WPARAM>(context->window), 0);
  RefreshItemValues(context);
  SelectCurrentItems(context);
  EvaluatePageConstraints(context, kItemEvaluateCurrent, changedIds);
  SelectCurrentItems(context);
  CallRowHandlers(context, kMsgRefresh, 0, reinterpret_cast<LPARAM>(changedIds), 0);
  WORD* kept = context->changedIds;
  context->changedIds = changedIds;
  UpdateRowLabels(context, TRUE);
  context->changedIds = kept;
}

LRESULT ActivatePage(HandlerContext* context, UINT message) {
  SheetContext* sheet = context ? context->sheet : nullptr;
  if (!sheet || !sheet->state) return FALSE;
  SheetState* state = sheet->state;
  state->activePageId = context->pageId;
  uint64_t unit = 0;
  SetSheetUnit(state, ReadPageSetting(context, 1044, &unit) && unit == 1 ? 1 : 0);
  PageControlSet* set = GetPageControlSet(state, context->pageId);
  if (context->pageId == kNoPageRows || !set) return FALSE;
  if (set->needsInit) {
    if (!InitRowCaches(context)) return FALSE;
    set->needsInit = 0;
    uint64_t paper = 0;
    WORD code = 0;
    if (ReadPageSetting(context, 8, &paper) && static_cast<int16_t>(paper) > 0 &&
        FormIndexToPaperCode(state->printer, static_cast<DWORD>(static_cast<int16_t>(paper)), &code) == kFormOk) {
      int16_t value = static_cast<int16_t>(code);
      SetSettingValue(8, context->devMode, context->settings, kSettingTypeInt16, 2, &value);
    }
  }
  state->applyDone = 0;
  RefreshItemValues(context);
  SelectCurrentItems(context);
  EvaluatePageConstraints(context, kItemEvaluateAll, nullptr);
  SelectCurrentItems(context);
  CallRowHandlers(context, message, 0, 0, 0);
  UpdateRowLabels(context, FALSE);
  if (!context->permission) DisablePageControls(context);
  return FALSE;
}

void DisablePageControls(HandlerContext* context) {
  if (!context) return;
  auto disable = [context](const ControlRow* row) {
    if (row->controlId == kNoControl) return;
    HWND control = GetDlgItem(context->window, row->controlId);
    if (!control) return;
    if (row->option && (*row->option & kRowKeepOnReadOnly)) {
      EnableWindow(control, TRUE);
      return;
    }
    if (row->option) return;
    if (!IsWindowEnabled(control)) return;
    ApplyStatus(control, GetCurrentItemStatus(context, row) == kConflictStatusHidden ? kConflictStatusHidden
                                                                                     : kConflictStatusDisabled);
  };
  for (INT i = 0; context->rows && i < context->rowCount; ++i) disable(&context->rows[i]);
  for (const ControlRow& row : kCommonPushButtons) disable(&row);
  const PageControlSet* set = GetPageControlSet(context->sheet ? context->sheet->state : nullptr, context->pageId);
  for (const INT* id = set ? set->furtherControls : nullptr; id && *id != kNoControl; ++id) {
    HWND control = GetDlgItem(context->window, *id);
    if (control && IsWindowEnabled(control)) ApplyStatus(control, kConflictStatusDisabled);
  }
}

int ReadPageSetting(const HandlerContext* context, WORD id, uint64_t* value) {
  if (!context || !value || !context->devMode) return 0;
  SettingValueType type = 0;
  UINT size = 0;
  return GetSettingValue(id, context->devMode, context->settings, &type, &size, value) == kSettingOk ? 1 : 0;
}

void SetControlState(HWND window, INT status) { ApplyStatus(window, status); }

int SyncPublicFields(SheetState* state, void* devMode, void* settings) {
  if (!state) return 0;
  return UpdateFormNameFromPaper(state->model, state->printer, devMode, settings, kSettingTypeInt16) &&
         SyncTrueTypeOption(devMode, settings, 292) && UpdateOptionGroupMask(devMode, settings) &&
         SyncPaperSourceToPublic(devMode, settings) && SyncIcmMethod(devMode, settings) &&
         SyncColorMode(devMode, settings);
}

INT TryChangeSetting(HandlerContext* context, const ControlRow* row, ItemSlot* slot, const void* value,
                     WORD** changedIds) {
  if (!context || !context->sheet || !context->sheet->state || !row || !slot || !value) return -1;
  SheetState* state = context->sheet->state;
  // A change started from inside another (a message box, a sent message)
  // goes through as free: the outer one decides.
  if (state->changeBusy) return 2;
  if (CompareSettingValues(slot->valueType, &slot->value, value) == 0) return 3;
  const SettingChoiceList* list = slot->listHeld ? FindPageChoiceList(context->sheet, slot->settingId) : nullptr;
  if (!list || !FindConstraintRecord(context->sheet, slot->settingId)) return -1;
  if (IsListKind(list->kind) && FindChoiceIndex(list, value) < 0) return -1;
  state->changeBusy = 1;
  INT answer = -1;
  ConstraintResult* result = AllocConstraintResult();
  if (result) {
    WORD* ids = nullptr;
    const WORD check = CheckSettingConflicts(kConflictModeChange, context->window, context->model, context->devMode,
                                             context->settings, nullptr, slot->settingId, slot->valueType,
                                             EngineValue(slot->valueType, value), result, nullptr);
    if (check != kConflictCheckFailed && check != kConflictCheckNoMemory) {
      const WORD action =
          ApplySettingChange(context->window, state->printer, context->model, context->devMode, context->settings,
                             slot->settingId, slot->valueType, EngineValue(slot->valueType, value), &ids, result);
      if (action == kActionWritten) {
        bool others = false;
        for (const WORD* id = ids; id && *id; ++id)
          if (*id != slot->settingId) others = true;
        if (others && changedIds) {
          *changedIds = ids;
          ids = nullptr;
          answer = 1;
        } else {
          answer = 2;
        }
      } else if (action == kActionNotWritten || action == kActionRefusedWithMessage || action == kActionFailed) {
        answer = -1;
      } else {
        answer = 2;
      }
    }
    if (ids) GlobalFree(ids);
    FreeConstraintResult(result);
  }
  state->changeBusy = 0;
  return answer;
}

int ResetPageToDefaults(HandlerContext* context, void* devMode, void* settings, INT* count, WORD** ids) {
  if (!context || !context->rows || !count || !ids) return 0;
  INT room = 1;
  for (INT r = 0; r < context->rowCount; ++r) room += context->rows[r].itemCount > 0 ? context->rows[r].itemCount : 0;
  auto* list = static_cast<WORD*>(GlobalAlloc(GPTR, sizeof(WORD) * static_cast<size_t>(room)));
  if (!list) return 0;
  INT n = 0;
  for (INT r = 0; r < context->rowCount; ++r) {
    const ControlRow* row = &context->rows[r];
    if (row->controlId == kNoControl || (row->option && (*row->option & kRowNoReset)) || row->itemCount <= 0) continue;
    for (INT i = 0; i < row->itemCount; ++i) {
      const WORD id = row->items[i].id;
      if (!IsSettingId(id)) continue;
      if (ResetSettingToDefault(context->model, devMode, id, settings)) list[n++] = id;
    }
  }
  *count = n;
  *ids = list;
  return 1;
}

int SyncRowToControl(HWND window, HandlerContext* context, const ControlRow* row, INT pageId, INT controlId) {
  (void)window;
  (void)pageId;
  if (!context || !row) return 0;
  const ControlRow* source = FindRowByControlId(context->rows, context->rowCount, controlId);
  const RowItem* item = GetCurrentRowItem(context, source);
  if (!item) return 0;
  const INT index = FindRowItemBySetting(row, item->id);
  return index >= 0 ? SetRowCurrentIndex(context, row, index) : 0;
}

int SelectTextBySize(const WCHAR* text, UINT size, const WCHAR** out, UINT expectedSize) {
  if (size > 22 || !out) return 0;
  if (size == expectedSize) *out = text;
  return 1;
}

int GetRowValueRange(const HandlerContext* context, const ControlRow* row, LONG* minimum, LONG* maximum) {
  if (!context || !row || !minimum || !maximum) return 0;
  const RowItem* item = GetCurrentRowItem(context, row);
  if (row->kind == 1 && item) {
    struct Fixed {
      WORD id;
      LONG low, high;
    };
    for (const Fixed& f : {Fixed{306, 7, 600}, Fixed{359, 5, 24}, Fixed{385, 50, 240}})
      if (item->id == f.id) {
        *minimum = f.low;
        *maximum = f.high;
        return 1;
      }
  }
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  if (!list || !list->items) return 0;
  if (list->kind == 2) {
    *minimum = 1;
    *maximum = list->count;
    return 1;
  }
  if ((list->kind == 4 || list->kind == 6) && list->count >= 2) {
    auto asLong = [list](uint64_t v) {
      switch (list->valueType) {
        case kSettingTypeInt16: return static_cast<LONG>(static_cast<int16_t>(v));
        case kSettingTypeUInt16: return static_cast<LONG>(static_cast<uint16_t>(v));
        case kSettingTypeUInt8: return static_cast<LONG>(static_cast<uint8_t>(v));
        default: return static_cast<LONG>(static_cast<int32_t>(v));
      }
    };
    *minimum = asLong(list->items[0].value);
    *maximum = asLong(list->items[1].value);
    return 1;
  }
  return 0;
}
