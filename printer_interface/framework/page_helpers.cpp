// Small operations the handlers of several pages share: growing the list of
// changed settings a handler reports, building one setting's choice list and
// constraint record anew, joining three resource strings, and the sheet's
// favourites state.
#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/framework/page_framework.h"

int AppendChangedIds(HandlerContext* context, const WORD* ids, INT n) {
  if (!context || n < 0 || (n > 0 && !ids)) return 0;
  INT old = 0;
  while (context->changedIds && context->changedIds[old]) ++old;
  auto* list = static_cast<WORD*>(GlobalAlloc(GPTR, sizeof(WORD) * static_cast<size_t>(old + n + 1)));
  if (!list) return 0;
  if (old) std::memcpy(list, context->changedIds, sizeof(WORD) * static_cast<size_t>(old));
  if (n) std::memcpy(list + old, ids, sizeof(WORD) * static_cast<size_t>(n));
  if (context->changedIds) GlobalFree(context->changedIds);
  context->changedIds = list;
  return 1;
}

int RebuildChoiceList(HWND dialog, INT pageId, WORD id) {
  SheetContext* sheet = GetWindowSheet(dialog);
  SheetState* state = sheet ? sheet->state : nullptr;
  if (!state || !GetPageRows(state, pageId) || !GetPagesResourceModule() || !state->model || !state->choiceLists)
    return 0;
  if (!ReleaseChoiceList(sheet, id) || !DropConstraintRecord(sheet, id)) return 0;
  SettingChoiceList* list = AcquireChoiceList(sheet, id);
  if (!list) return 0;
  if (list->count == -1 || !CreateConstraintRecord(sheet, id, list->count)) {
    ReleaseChoiceList(sheet, id);
    return 0;
  }
  return 1;
}

int JoinResourceStrings(HMODULE module, WCHAR* out, INT id1, INT id2, INT id3) {
  if (!out) return 0;
  WCHAR first[128] = {};
  WCHAR second[16] = {};
  WCHAR third[128] = {};
  LoadStringW(module, static_cast<UINT>(id1), first, 128);
  if (id2 != kNoControl) LoadStringW(module, static_cast<UINT>(id2), second, 16);
  if (id3 != kNoControl) LoadStringW(module, static_cast<UINT>(id3), third, 128);
  WCHAR* p = out;
  for (const WCHAR* part : {first, second, third})
    for (const WCHAR* c = part; *c; ++c) *p++ = *c;
  *p = 0;
  return 1;
}

int SetSheetFavoritesState(SheetState* state, FavoritesState* record) {
  if (!state || !record) return 0;
  state->favorites = record;
  return 1;
}

FavoritesState* GetSheetFavoritesState(const SheetState* state) { return state ? state->favorites : nullptr; }

FavoritesState* GetWindowFavoritesState(HWND dialog) { return GetSheetFavoritesState(GetWindowSheetState(dialog)); }
