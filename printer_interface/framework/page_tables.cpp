// The static tables of the sheets: the common push buttons matched on every
// dialog, the list of pages and sub-dialog control sets (their templates,
// titles, help contexts and read-only extras), and the accessors of tables
// and rows. The rows of each page are added by the page itself.
#include "platform/win/win_memory.h"
#include "printer_interface/framework/page_framework.h"

namespace {

constexpr PushButtonParams kOkAction{1, nullptr};
constexpr PushButtonParams kCancelAction{2, nullptr};
constexpr PushButtonParams kDefaultsAction{3, nullptr};
constexpr PushButtonParams kHelpAction{6, nullptr};

RowHandler gGenericHandlers[kControlKindCount] = {};

constexpr INT kNoFurther[] = {kNoControl};
constexpr INT kPage2Further[] = {1575, kNoControl};
constexpr INT kPage16Further[] = {1364, kNoControl};
constexpr INT kPage4Further[] = {1057, kNoControl};
constexpr INT kPage23Further[] = {1320, kNoControl};
constexpr INT kSet14Further[] = {1335, 1339, kNoControl};
constexpr INT kNoWhatsThis[] = {0, 0};

#define PK_SET(help, further) \
  PageControlSet { nullptr, 0, help, kNoWhatsThis, further, 0 }
PageControlSet gSets[] = {
    PK_SET(1000, kNoFurther),      // 0
    PK_SET(1100, kNoFurther),      // 1
    PK_SET(1200, kPage2Further),   // 2
    PK_SET(1300, kPage16Further),  // 16
    PK_SET(1400, kPage4Further),   // 4
    PK_SET(1500, kNoFurther),      // 6
    PK_SET(9999, kNoFurther),      // 8
    PK_SET(2000, kSet14Further),   // 14
    PK_SET(2300, kNoFurther),      // 7
    PK_SET(2200, kNoFurther),      // 22
    PK_SET(2100, kPage23Further),  // 23
};
#undef PK_SET
PageControlSet gSubSets[31] = {};

PageControlSet* SubSet(INT id) {
  gSubSets[id].helpContext = 9999;
  gSubSets[id].whatsThis = kNoWhatsThis;
  gSubSets[id].furtherControls = kNoFurther;
  return &gSubSets[id];
}

const PageEntry kPage0Subs[] = {{14, &gSets[7], nullptr},  {7, &gSets[8], nullptr},   {15, SubSet(15), nullptr},
                                {27, SubSet(27), nullptr}, {28, SubSet(28), nullptr}, {29, SubSet(29), nullptr},
                                {30, SubSet(30), nullptr}};
const PageEntry kPage1Subs[] = {{9, SubSet(9), nullptr},
                                {13, SubSet(13), nullptr},
                                {19, SubSet(19), nullptr},
                                {20, SubSet(20), nullptr},
                                {21, SubSet(21), nullptr}};
const PageEntry kPage2Subs[] = {
    {10, SubSet(10), nullptr}, {12, SubSet(12), nullptr}, {25, SubSet(25), nullptr}, {26, SubSet(26), nullptr}};
const PageEntry kPage16Subs[] = {{17, SubSet(17), nullptr}, {18, SubSet(18), nullptr}, {24, SubSet(24), nullptr}};
const PageEntry kPage4Subs[] = {{22, &gSets[9], nullptr}, {23, &gSets[10], nullptr}};

PageInfo gPage0Info{520, nullptr, 0, kNoControl, kPage0Subs, 7, 0};
PageInfo gPage1Info{521, nullptr, 1, kNoControl, kPage1Subs, 5, 1};
PageInfo gPage2Info{505, nullptr, 2, kNoControl, kPage2Subs, 4, 2};
PageInfo gPage16Info{524, nullptr, 16, 481, kPage16Subs, 3, 16};
PageInfo gPage16UntitledInfo{524, nullptr, 16, kNoControl, kPage16Subs, 3, 524};
PageInfo gPage4Info{501, nullptr, 4, kNoControl, kPage4Subs, 2, 4};
PageInfo gPage6Info{515, nullptr, 6, kNoControl, nullptr, 0, 6};
PageInfo gPage8Info{539, nullptr, 8, kNoControl, nullptr, 0, 8};

// Each top page followed by its sub-dialog sets. The procedures of the top
// pages come from the pages themselves (SetPageProcedure).
const PageEntry kPageList[] = {
    {0, &gSets[0], &gPage0Info},
    kPage0Subs[0],
    kPage0Subs[1],
    kPage0Subs[2],
    kPage0Subs[3],
    kPage0Subs[4],
    kPage0Subs[5],
    kPage0Subs[6],
    {1, &gSets[1], &gPage1Info},
    kPage1Subs[0],
    kPage1Subs[1],
    kPage1Subs[2],
    kPage1Subs[3],
    kPage1Subs[4],
    {2, &gSets[2], &gPage2Info},
    kPage2Subs[0],
    kPage2Subs[1],
    kPage2Subs[2],
    kPage2Subs[3],
    {16, &gSets[3], &gPage16Info},
    kPage16Subs[0],
    kPage16Subs[1],
    kPage16Subs[2],
    {16, &gSets[3], &gPage16UntitledInfo},
    {4, &gSets[4], &gPage4Info},
    kPage4Subs[0],
    kPage4Subs[1],
    {6, &gSets[5], &gPage6Info},
    {8, &gSets[6], &gPage8Info},
};

}  // namespace

const ControlRow kCommonPushButtons[5] = {
    {1092, 0, nullptr, kKindPushButton, nullptr, &kOkAction, kNoControl, kNoControl, nullptr},
    {1091, 0, nullptr, kKindPushButton, nullptr, &kCancelAction, kNoControl, kNoControl, nullptr},
    {2, 0, nullptr, kKindPushButton, nullptr, &kCancelAction, kNoControl, kNoControl, nullptr},
    {1090, 0, nullptr, kKindPushButton, nullptr, &kDefaultsAction, kNoControl, kNoControl, nullptr},
    {1341, 0, nullptr, kKindPushButton, nullptr, &kHelpAction, kNoControl, kNoControl, nullptr},
};

const PageEntry* GetPageList(INT* count) {
  static const bool installed = (InstallPageRows(), true);
  (void)installed;
  if (count) *count = static_cast<INT>(sizeof kPageList / sizeof kPageList[0]);
  return kPageList;
}

void SetPageSetRows(INT pageId, const ControlRow* rows, UINT count) {
  for (const PageEntry& entry : kPageList)
    if (entry.pageId == pageId && entry.set) {
      entry.set->rows = rows;
      entry.set->rowCount = rows ? count : 0;
    }
}

void SetPageProcedure(INT pageId, DLGPROC procedure) {
  for (const PageEntry& entry : kPageList)
    if (entry.pageId == pageId && entry.info) const_cast<PageInfo*>(entry.info)->procedure = procedure;
}

void SetGenericRowHandler(UINT kind, RowHandler handler) {
  if (kind < kControlKindCount) gGenericHandlers[kind] = handler;
}

RowHandler GetGenericRowHandler(UINT kind) { return kind < kControlKindCount ? gGenericHandlers[kind] : nullptr; }

int BuildPageControlIndex(SheetState* state, const PageEntry* entries, INT count) {
  if (!state || !entries || count <= 0) return 0;
  for (PageControlSet*& set : state->pageIndex) set = nullptr;
  // The first entry of each id wins (the titled page 16 before its variant).
  for (INT i = 0; i < count; ++i) {
    const INT id = entries[i].pageId;
    if (id >= 0 && id < kPageIdCount && !state->pageIndex[id]) state->pageIndex[id] = entries[i].set;
  }
  return 1;
}

PageControlSet* GetPageControlSet(const SheetState* state, INT pageId) {
  if (!state || pageId < 0 || pageId >= kPageIdCount) return nullptr;
  return state->pageIndex[pageId];
}

int GetPageControlRows(const SheetState* state, INT pageId, const ControlRow** rows, INT* count) {
  const PageControlSet* set = GetPageControlSet(state, pageId);
  if (!set || !rows || !count) return 0;
  *rows = set->rows;
  *count = static_cast<INT>(set->rowCount);
  return 1;
}

const ControlRow* GetPageRows(const SheetState* state, INT pageId) {
  const PageControlSet* set = GetPageControlSet(state, pageId);
  return set ? set->rows : nullptr;
}

INT GetPageRowCount(const SheetState* state, INT pageId) {
  const PageControlSet* set = GetPageControlSet(state, pageId);
  return set ? static_cast<INT>(set->rowCount) : -1;
}

const PageEntry* GetPageEntryAt(const PageEntry* entries, INT count, INT index) {
  return entries && index >= 0 && index < count ? &entries[index] : nullptr;
}

INT CollectPageInfos(const PageEntry* entries, INT count, const PageInfo** out, INT room) {
  if (!entries || !out) return 0;
  INT found = 0;
  for (INT i = 0; i < count && found < room; ++i)
    if (entries[i].info) out[found++] = entries[i].info;
  return found;
}

INT GetRowControlId(const ControlRow* row) { return row ? row->controlId : -1; }
INT GetRowItemCount(const ControlRow* row) { return row ? row->itemCount : -1; }
INT GetRowKind(const ControlRow* row) { return row ? static_cast<INT>(row->kind) : -1; }
const void* GetControlParams(const ControlRow* row) { return row ? row->params : nullptr; }

const RowItem* GetRowItem(const ControlRow* row, INT index) {
  return row && row->items && index >= 0 && index < row->itemCount ? &row->items[index] : nullptr;
}

const ControlRow* FindRowByControlId(const ControlRow* rows, INT count, INT controlId) {
  if (!rows || controlId == kNoControl) return nullptr;
  for (INT i = 0; i < count; ++i)
    if (rows[i].controlId == controlId) return &rows[i];
  return nullptr;
}

INT FindRowItemBySetting(const ControlRow* row, WORD id) {
  if (!row || !row->items) return -1;
  for (INT i = 0; i < row->itemCount; ++i)
    if (row->items[i].id == id) return i;
  return -1;
}

const ControlRow* FindSiblingRow(const HandlerContext* context, const ControlRow* row, UINT kind) {
  if (!context || !row || !context->rows) return nullptr;
  for (INT i = 0; i < context->rowCount; ++i) {
    const ControlRow* other = &context->rows[i];
    if (other != row && other->kind == kind && other->items == row->items && other->itemCount == row->itemCount)
      return other;
  }
  return nullptr;
}
