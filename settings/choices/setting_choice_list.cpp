// Choice lists of settings: the header and items from the feature handler or
// the device model, the stamp names of the stamp-name setting, the size texts
// of user papers and the item accessors.
#include "settings/choices/setting_choice_list.h"

#include <cstring>

#include "platform/win/win_format.h"
#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/setting_sync.h"
#include "settings/model/model_interface.h"
#include "settings/store/stamp_store.h"

namespace {

// A new copy of a text; null for no text or when memory runs out (`failed`
// tells the two apart).
WCHAR* CopyText(const WCHAR* text, bool* failed) {
  if (!text) return nullptr;
  size_t bytes = (static_cast<size_t>(lstrlenW(text)) + 1) * sizeof(WCHAR);
  auto* copy = static_cast<WCHAR*>(GlobalAlloc(GPTR, bytes));
  if (!copy) *failed = true;
  else memcpy(copy, text, bytes);
  return copy;
}

bool IsPaperList(SettingId id) { return id == 8 || id == 262 || id == 544 || (id >= 1341 && id <= 1350); }

// Stores one item's text, value and picture. `value` is the address of the
// value in its type's width (for a text, the text itself).
int FillItem(HMODULE module, SettingChoiceList* list, INT n, const WCHAR* text, const void* value,
             SettingValueType valueType, const ValueBlob* picture) {
  ChoiceItem& item = list->items[n];
  bool failed = false;
  item.text = CopyText(text, &failed);
  if (failed) return 0;
  list->valueType = valueType;
  // The third item of a free-value list has no value, and the list does not
  // own the values of a free-value list (FreeChoiceList leaves them), so it
  // keeps no text values it would leak.
  const bool freeValue = list->kind == kChoiceKindFreeValue;
  const bool hasValue = !(freeValue && (n == 2 || valueType == kSettingTypeText));
  if (hasValue && valueType == kSettingTypeText) {
    // A text value is a copy the list owns.
    WCHAR* copy = value && text ? CopyText(static_cast<const WCHAR*>(value), &failed) : nullptr;
    if (failed) return 0;
    item.value = reinterpret_cast<uintptr_t>(copy);
  } else if (hasValue && value) {
    UINT size = 0;
    if (GetValueTypeSize(list->id, valueType, &size) && size <= sizeof item.value) memcpy(&item.value, value, size);
  }
  if (picture && picture->data && picture->size) {
    if (!CreateIconFromDib(module, picture->data, picture->size, &item.icon, &item.palette)) return 0;
  }
  return 1;
}

// Choice n from the handler (operation 8).
int FillHandlerItem(DeviceModel* model, SettingId id, SettingChoiceList* list, HMODULE module, const FeatureRow* row,
                    INT n, const WCHAR* const* textTable, const FeatureTextList* textList) {
  ULONG_PTR area = 0;
  ChoiceAnswer answer{};
  answer.module = module;
  answer.value = &area;
  answer.index = n;
  answer.textTable = textTable;
  answer.textList = textList;
  if (!row->ops->handler(model, kFeatureOpGiveChoice, id, &answer)) return 0;
  const void* value = answer.value;
  if (value && answer.valueType == kSettingTypeText) {
    // The answer's value area holds the text's address.
    const WCHAR* text = nullptr;
    memcpy(&text, value, sizeof text);
    value = text;
  }
  return FillItem(module, list, n, answer.text, value, answer.valueType, nullptr);
}

// Choice n from option n + 1 of the model's feature.
int FillModelItem(DeviceModel* model, SettingId id, SettingChoiceList* list, HMODULE module, INT n) {
  ModelValue* option = nullptr;
  ModelInterfaceStatus status = kModelOk;
  if (!GetModelFeatureOption(model, id, static_cast<WORD>(n + 1), &option, &status) || !option) return 0;
  BYTE* data = nullptr;
  WCHAR* name = nullptr;
  WORD type = 0;
  ValueBlob* picture = nullptr;
  int result = UnpackModelValue(option, &data, &name, &type, &picture);
  if (result) result = FillItem(module, list, n, name, data, type, picture);
  FreeModelValue(option);
  return result;
}

}  // namespace

SettingChoiceList* BuildSettingChoiceList(HANDLE printer, DeviceModel* model, SettingId id, HMODULE module, WORD count,
                                          const WCHAR* const* textTable, void* devMode, void* settings) {
  const FeatureRow* row = FindFeatureRow(id);
  if (!row) return nullptr;
  auto* list = static_cast<SettingChoiceList*>(GlobalAlloc(GPTR, sizeof(SettingChoiceList)));
  if (!list) return nullptr;
  if (!printer) {
    FreeChoiceList(list);
    return nullptr;
  }
  WCHAR* names = nullptr;
  WORD secondCount = 0;
  bool ok = true;
  if (id == kStampNameSetting) {
    // The stored stamps' names: first the size, then the names themselves.
    DWORD stamps = 0;
    DWORD size = 0;
    ListStampNames(printer, nullptr, &stamps, &size, model);
    names = size ? static_cast<WCHAR*>(GlobalAlloc(GPTR, size)) : nullptr;
    ok = names && ListStampNames(printer, names, &stamps, &size, model) == kStampOk;
    secondCount = static_cast<WORD>(stamps);
  }
  FeatureTextList textList{0, names};
  ok = ok && FillChoiceListHeader(model, id, module, list, row, count, &secondCount) == 1 &&
       FillChoiceItems(model, id, list, module, row, textTable, &textList, devMode, settings) == 1;
  if (names) GlobalFree(names);
  if (ok) return list;
  FreeChoiceList(list);
  return nullptr;
}

int FillChoiceListHeader(DeviceModel* model, SettingId id, HMODULE module, SettingChoiceList* list,
                         const FeatureRow* row, WORD count, WORD* secondCount) {
  if (!list || !row) return 0;
  if (row->ops && (row->ops->flags & kFeatureDescribesList)) {
    if (!row->ops->handler) return 0;
    FeatureListArgs args{module, list, count, secondCount};
    if (row->ops->handler(model, kFeatureOpDescribeList, id, &args) != 1) return 0;
    list->id = id;
    return 1;
  }
  WORD kind = 0;
  WORD options = 0;
  const WCHAR* title = nullptr;
  ModelRecord* feature = nullptr;
  ModelInterfaceStatus status = kModelOk;
  if (GetModelFeature(model, id, &kind, &options, &title, &feature, &status) != 1) return 0;
  list->id = id;
  list->kind = kind;
  list->count = options;
  bool failed = false;
  list->title = CopyText(title, &failed);
  ReleaseModelRecord(feature);
  return failed ? 0 : 1;
}

int FillChoiceItems(DeviceModel* model, SettingId id, SettingChoiceList* list, HMODULE module, const FeatureRow* row,
                    const WCHAR* const* textTable, const FeatureTextList* textList, void* devMode, void* settings) {
  if (!list || !row || list->count == -1 || list->count <= 0 || list->items) return 0;
  list->items = static_cast<ChoiceItem*>(GlobalAlloc(GPTR, sizeof(ChoiceItem) * static_cast<size_t>(list->count)));
  if (!list->items) return 0;
  const bool fromHandler = row->ops && (row->ops->flags & kFeatureGivesChoices) && row->ops->handler;
  for (INT n = 0; n < list->count; ++n) {
    int filled = fromHandler ? FillHandlerItem(model, id, list, module, row, n, textTable, textList)
                             : FillModelItem(model, id, list, module, n);
    if (!filled) return 0;
  }
  if (IsPaperList(id)) return DecorateUserPaperItems(module, list->valueType, list, devMode, settings);
  return 1;
}

int DecorateUserPaperItems(HMODULE module, SettingValueType valueType, SettingChoiceList* list, const void* devMode,
                           const void* settings) {
  if (!list) return 0;
  int decorated = 0;
  for (INT n = 0; n < list->count && list->items && decorated < kDecoratedUserPapers; ++n) {
    ChoiceItem& item = list->items[n];
    WCHAR slotName[15] = {};
    UserPaperValues paper{};
    if (GetUserPaperValues(devMode, settings, &item.value, valueType, &paper, slotName) != 1) continue;
    ++decorated;
    // "(W x L mm)" from the resource string, then "name (W x L mm)".
    WCHAR format[256] = {};
    LoadStringW(module, kUserPaperSizeString, format, 256);
    WCHAR width[16] = {};
    WCHAR length[16] = {};
    wsprintfW(width, u"%u", static_cast<UINT>(paper.width / 10));
    wsprintfW(length, u"%u", static_cast<UINT>(paper.length / 10));
    WCHAR size[WSPRINTF_LIMIT + 1] = {};
    wsprintfW(size, format, width, length);
    size[kUserPaperSizeChars] = 0;
    // The name field holds at most 15 characters and need not be terminated.
    size_t nameChars = 0;
    while (paper.name && nameChars < 15 && paper.name[nameChars]) ++nameChars;
    size_t sizeChars = static_cast<size_t>(lstrlenW(size));
    auto* text = static_cast<WCHAR*>(GlobalAlloc(GPTR, (nameChars + 1 + sizeChars + 1) * sizeof(WCHAR)));
    if (!text) return 0;
    if (nameChars) memcpy(text, paper.name, nameChars * sizeof(WCHAR));
    text[nameChars] = u' ';
    memcpy(text + nameChars + 1, size, sizeChars * sizeof(WCHAR));
    if (item.text) GlobalFree(item.text);
    item.text = text;
  }
  return 1;
}

ChoiceItem* GetChoiceItem(const SettingChoiceList* list, INT n) {
  if (!list || !list->items || list->count == -1 || n < 0 || n >= list->count) return nullptr;
  return &list->items[n];
}

const WCHAR* GetChoiceItemText(const SettingChoiceList* list, INT n) {
  const ChoiceItem* item = GetChoiceItem(list, n);
  return item ? item->text : nullptr;
}

HICON GetChoiceItemIcon(const SettingChoiceList* list, INT n) {
  const ChoiceItem* item = GetChoiceItem(list, n);
  return item ? item->icon : nullptr;
}

HPALETTE GetChoiceItemPalette(const SettingChoiceList* list, INT n) {
  const ChoiceItem* item = GetChoiceItem(list, n);
  return item ? item->palette : nullptr;
}
