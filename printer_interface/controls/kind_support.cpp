// The steps the generic kinds share: the row's control and state, a change
// of the current item, numbers in a slot's type, and the list images.
#include <climits>

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/controls/kind_support.h"
#include "settings/access/setting_access.h"
#include "settings/conflicts/conflict_engine.h"

namespace controls {

namespace {

constexpr INT kImageStore = 1;
constexpr UINT kListImageIds[] = {kBitmapStateNote, kBitmapStateWarning, kIconValueZero, kIconValueSet};

bool IsIconId(UINT id) { return id == kIconValueZero || id == kIconValueSet; }

}  // namespace

HWND RowControl(const HandlerContext* context, const ControlRow* row) {
  if (!context || !row || row->controlId == kNoControl) return nullptr;
  return GetDlgItem(context->window, row->controlId);
}

INT ApplyRowControlState(HandlerContext* context, const ControlRow* row) {
  const INT status = GetCurrentItemStatus(context, row);
  if (HWND control = RowControl(context, row); control && status >= 0) SetControlState(control, status);
  return status;
}

INT PermittedStatus(const HandlerContext* context, INT status) {
  if (GetContextPermission(context) == 1 || status == 0 || status == kConflictStatusHidden) return status;
  return kConflictStatusDisabled;
}

void ReloadSlot(HandlerContext* context, ItemSlot* slot) {
  if (!context || !slot) return;
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(slot->settingId, context->devMode, context->settings, &type, &size, &value) != kSettingOk) return;
  slot->valueType = type;
  slot->size = static_cast<INT>(size);
  slot->value = value;
  const SettingChoiceList* list = slot->listHeld ? FindPageChoiceList(context->sheet, slot->settingId) : nullptr;
  if (list && (list->kind == 1 || list->kind == 2)) slot->choiceIndex = FindChoiceIndex(list, &slot->value);
}

INT ChangeSlot(HandlerContext* context, const ControlRow* row, ItemSlot* slot, const void* value) {
  WORD* ids = nullptr;
  const INT result = TryChangeSetting(context, row, slot, value, &ids);
  if (result == 1) {
    SetContextChange(context, 1, ids, row);
  } else {
    if (ids) GlobalFree(ids);
    if (result == 2) ReloadSlot(context, slot);
  }
  return result;
}

bool IsSignedType(WORD valueType) {
  return valueType == kSettingTypeInt16 || valueType == kSettingTypeSInt32 || valueType == kSettingTypeFontField;
}

LONG SlotNumber(const ItemSlot* slot) {
  if (!slot) return 0;
  switch (slot->valueType) {
    case kSettingTypeInt16: return static_cast<int16_t>(slot->value);
    case kSettingTypeUInt16: return static_cast<uint16_t>(slot->value);
    case kSettingTypeUInt8: return static_cast<uint8_t>(slot->value);
    default: return static_cast<LONG>(static_cast<uint32_t>(slot->value));
  }
}

LONG ChoiceNumber(const SettingChoiceList* list, INT index) {
  if (!list || !list->items || index < 0 || index >= list->count) return 0;
  ItemSlot slot{};
  slot.valueType = list->valueType;
  slot.value = list->items[index].value;
  return SlotNumber(&slot);
}

uint64_t NumberForType(WORD valueType, LONG value) {
  switch (valueType) {
    case kSettingTypeInt16:
    case kSettingTypeUInt16: return static_cast<uint16_t>(value);
    case kSettingTypeUInt8: return static_cast<uint8_t>(value);
    default: return static_cast<uint32_t>(value);
  }
}

uint64_t TypeMaximum(WORD valueType) {
  switch (valueType) {
    case kSettingTypeInt16: return INT16_MAX;
    case kSettingTypeUInt16: return UINT16_MAX;
    case kSettingTypeUInt8: return UINT8_MAX;
    case kSettingTypeSInt32:
    case kSettingTypeFontField: return INT32_MAX;
    default: return UINT32_MAX;
  }
}

void LoadListImages(HandlerContext* context) {
  if (!context || !context->sheet) return;
  HMODULE module = GetPagesResourceModule();
  for (UINT id : kListImageIds) {
    if (FindSheetStoreEntry(context->sheet, kImageStore, id, context->window)) continue;
    HGDIOBJ image = IsIconId(id) ? static_cast<HGDIOBJ>(LoadIconW(module, MAKEINTRESOURCEW(id)))
                                 : static_cast<HGDIOBJ>(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    if (!image) continue;
    if (AddSheetStoreEntry(context->sheet, kImageStore, id, context->window, image) != 1 && !IsIconId(id))
      DeleteObject(image);
  }
}

void ReleaseListImages(HandlerContext* context) {
  if (!context || !context->sheet) return;
  for (UINT id : kListImageIds) {
    HGDIOBJ image = FindSheetStoreEntry(context->sheet, kImageStore, id, context->window);
    if (!image) continue;
    RemoveSheetStoreEntry(context->sheet, kImageStore, id, context->window);
    // Icons of the module are shared; bitmaps are the page's own.
    if (!IsIconId(id)) DeleteObject(image);
  }
}

HGDIOBJ ListImage(const HandlerContext* context, UINT id) {
  return context ? FindSheetStoreEntry(context->sheet, kImageStore, id, context->window) : nullptr;
}

}  // namespace controls
