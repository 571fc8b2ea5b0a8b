// The property-page framework on headless dialogs: dispatch of messages to
// page operations and rows, the row caches and constraint records through a
// page's life, labels and read-only pages, changes through the conflict
// engine, and the shared page helpers.
#include <cstring>
#include <string>
#include <tuple>

#include "page_harness.h"
#include "platform/gdi/screen_bitmaps.h"
#include "platform/ui/user.h"
#include "platform/ui/win_commdlg.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_seams.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/services/form_matching.h"

namespace pk::test {
namespace {

// What the test rows saw, and what they answer.
struct RowLog {
  std::vector<std::pair<INT, UINT>> calls;  // (control id, message)
  LRESULT killActiveAnswer[2] = {0, 0};
  LRESULT validateAnswer[3] = {0, 0, 0};  // rows 1001-1003
  bool changeOnCommand = false;           // a command reports a change of 12
  std::vector<WORD> refreshIds;           // the list the last refresh named
  int count(UINT message) const {
    int n = 0;
    for (const auto& c : calls) n += c.second == message;
    return n;
  }
};
RowLog gLog;

LRESULT LoggingRow(HandlerContext* context, UINT message, WPARAM, LPARAM lParam, const ControlRow* row, const void*) {
  gLog.calls.emplace_back(row->controlId, message);
  if (message == PSN_KILLACTIVE) return gLog.killActiveAnswer[row->controlId == 1001 ? 0 : 1];
  if (message == kMsgValidate) return gLog.validateAnswer[row->controlId - 1001];
  if (message == WM_COMMAND && gLog.changeOnCommand) {
    const WORD copies = 12;
    AppendChangedIds(context, &copies, 1);
    SetContextChangedFlag(context, 1);
  }
  if (message == kMsgRefresh) {
    gLog.refreshIds.clear();
    for (const WORD* id = reinterpret_cast<const WORD*>(lParam); id && *id; ++id) gLog.refreshIds.push_back(*id);
  }
  // The state a generic kind would give its control.
  if (message == PSN_SETACTIVE || message == kMsgRefresh)
    SetControlState(GetDlgItem(context->window, row->controlId), GetCurrentItemStatus(context, row));
  return 0;
}

constexpr RowItem kOrientation[] = {{7, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kCopies[] = {{12, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kTwoItems[] = {{7, kItemEvaluateAll}, {16, kItemEvaluateAll}};
constexpr RowItem kQuality[] = {{306, 0}};
constexpr BYTE kKeep = kRowKeepOnReadOnly;

const ControlRow kTestRows[] = {
    {1001, 1, kOrientation, 2, LoggingRow, nullptr, 2001, 460, nullptr},
    {1002, 1, kCopies, 4, LoggingRow, nullptr, 2002, kNoControl, nullptr},
    {1003, 2, kTwoItems, 2, LoggingRow, nullptr, 2003, kNoControl, nullptr},
    {1004, 1, kQuality, 1, nullptr, nullptr, kNoControl, kNoControl, &kKeep},
};
constexpr INT kFurther[] = {1575, kNoControl};
constexpr INT kNoHelp[] = {0, 0};
PageControlSet gTestSet{kTestRows, 4, 1234, kNoHelp, kFurther, 0};
PageControlSet gSubSet{kTestRows, 2, 9999, kNoHelp, kFurther, 0};
const PageInfo kTestInfo{520, nullptr, 0, kNoControl, nullptr, 0, 0};
const PageEntry kTestPages[] = {{0, &gTestSet, &kTestInfo}, {14, &gSubSet, nullptr}};

class PageFrameworkTest : public PageHarness {
 protected:
  void SetUp() override {
    PageHarness::SetUp();
    gLog = RowLog{};
    gTestSet.needsInit = 0;
    gTestSet.whatsThis = kNoHelp;
    gSubSet.needsInit = 0;
  }
  HWND OpenTestSheet(INT permission = 1) {
    MakeSheet(kTestPages, 2, permission);
    return OpenPage(0, kDialogTopPage);
  }
  void GiveHelpFile() {
    if (ReadDriverHelpFile(sheet_->state)) return;
    const std::u16string path = u"C:\\help\\driver.hlp";
    sheet_->state->helpFile = static_cast<WCHAR*>(GlobalAlloc(GPTR, (path.size() + 1) * 2));
    std::memcpy(sheet_->state->helpFile, path.c_str(), path.size() * 2);
  }
  // Writes a number in the setting's own type and size.
  void WriteNumber(WORD id, int64_t value) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t current = 0;
    ASSERT_EQ(GetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, &type, &size, &current), 0) << id;
    uint64_t bytes = static_cast<uint64_t>(value);
    ASSERT_EQ(SetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, type, size, &bytes), 0) << id;
  }
  int64_t ReadNumber(WORD id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, &type, &size, &v);
    return type == kSettingTypeInt16 ? static_cast<int16_t>(v) : static_cast<int64_t>(v);
  }
};

TEST_F(PageFrameworkTest, MessagesReachTheirOperationsOrAreNotHandled) {
  NMHDR header{};
  struct Case {
    UINT message;
    UINT code;
    INT operation;
  };
  for (const Case& c : {Case{WM_COMMAND, 0, 0}, Case{WM_NOTIFY, PSN_SETACTIVE, 2},
                        Case{WM_NOTIFY, 0xABCD0000u | (PSN_SETACTIVE & 0xFFFF), 2}, Case{WM_NOTIFY, PSN_APPLY, 5},
                        Case{WM_NOTIFY, PSN_QUERYCANCEL, -1}, Case{WM_NOTIFY, 0, -1}, Case{WM_SETFONT, 0, -1},
                        Case{kMsgShowWarnings, 0, 22}, Case{kMsgRowPrivate2, 0, 21}}) {
    header.code = c.code;
    EXPECT_EQ(TranslatePageMessage(c.message, 0, reinterpret_cast<LPARAM>(&header)), c.operation)
        << c.message << " " << c.code;
  }
  EXPECT_EQ(GetPageMessageHandler(WM_COMMAND, 0, 0, 2), nullptr);
  EXPECT_EQ(GetPageMessageHandler(WM_INITDIALOG, 0, 0, kDialogModal), &ModalDialogInitDialog);

  HWND page = OpenTestSheet();
  EXPECT_EQ(Notify(page, PSN_QUERYCANCEL), FALSE);
  EXPECT_EQ(SendMessageW(page, WM_SETFONT, 0, 0), FALSE);
  EXPECT_EQ(GetActivePageId(sheet_->state), -1);
  Notify(page, 0x7F000000u | (PSN_SETACTIVE & 0xFFFF));
  EXPECT_EQ(GetActivePageId(sheet_->state), 0);
  EXPECT_EQ(gLog.count(PSN_SETACTIVE), 3);

  // A child dialog takes the sheet from its creation parameter and builds
  // its caches without being activated.
  HWND child = OpenPage(14, kDialogChild);
  EXPECT_EQ(GetWindowSheet(child), sheet_);
  HandlerContext context = ContextOf(child, 14);
  EXPECT_NE(FindRowCache(&context, &kTestRows[0]), nullptr);
  EXPECT_EQ(gLog.count(PSN_SETACTIVE), 3);
}

LRESULT gButtonRow = 0;
LRESULT PushButtonKind(HandlerContext*, UINT message, WPARAM, LPARAM, const ControlRow* row, const void* params) {
  if (message == WM_COMMAND) gButtonRow = row->controlId * 10 + static_cast<const PushButtonParams*>(params)->action;
  return 0;
}

TEST_F(PageFrameworkTest, ActivationTakesTheUnitFromPrinterSetting1044) {
  HWND page = OpenTestSheet();
  for (uint16_t unit : {1, 0, 1}) {
    ASSERT_EQ(SetSettingValue(1044, sheet_->working.devMode, sheet_->working.settings, kSettingTypeUInt16, 2, &unit),
              0);
    Notify(page, PSN_SETACTIVE);
    EXPECT_EQ(sheet_->state->unit, unit);
  }
  UINT id = 99;
  SendMessageW(page, kMsgPageIdQuery, 0, reinterpret_cast<LPARAM>(&id));
  EXPECT_EQ(id, 0u);
}

TEST_F(PageFrameworkTest, CommandsFindTheirRowThenTheCommonPushButtons) {
  HWND page = OpenTestSheet();
  SetGenericRowHandler(kKindPushButton, PushButtonKind);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1092, BN_CLICKED), 0);
  EXPECT_EQ(gButtonRow, 10921);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1090, BN_CLICKED), 0);
  EXPECT_EQ(gButtonRow, 10903);
  SetGenericRowHandler(kKindPushButton, nullptr);
  gLog.calls.clear();
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1002, 0), 0);
  ASSERT_EQ(gLog.calls.size(), 1u);
  EXPECT_EQ(gLog.calls[0].first, 1002);
  // A control of no row is not handled.
  HandlerContext context = ContextOf(page, 0);
  EXPECT_EQ(RowMessageHandler(&context, WM_COMMAND, 4711, 0), 1);
}

// The calls a page makes to compstui.
struct SheetCall {
  UINT function;
  LPARAM first, second;
};
std::vector<SheetCall> gSheetCalls;
LONG_PTR RecordSheetCall(HANDLE, UINT function, LPARAM first, LPARAM second) {
  gSheetCalls.push_back({function, first, second});
  return 1;
}

// The sheet frame's procedure: counts PSM_CHANGED from the pages.
int gSheetChanged = 0;
INT_PTR SheetFrameProc(HWND, UINT message, WPARAM, LPARAM) {
  if (message == PSM_CHANGED) ++gSheetChanged;
  return FALSE;
}

TEST_F(PageFrameworkTest, ARowReportingAChangeGetsThePageReevaluated) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  SetWindowLongPtrW(frame_, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&SheetFrameProc));
  gSheetChanged = 0;
  gLog.calls.clear();
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1002, 0), 0);
  EXPECT_EQ(gLog.count(kMsgRefresh), 0);
  EXPECT_EQ(gSheetChanged, 0);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  gLog.changeOnCommand = true;
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1002, 0), 0);
  EXPECT_EQ(gLog.count(kMsgRefresh), 3);
  EXPECT_EQ(gLog.refreshIds, std::vector<WORD>{12});
  EXPECT_EQ(gSheetChanged, 1);
  // The list went with the message.
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  SetWindowLongPtrW(frame_, DWLP_DLGPROC, 0);
}

TEST_F(PageFrameworkTest, RowsAnswerInTurnAndValidationStopsAtTheFirstObjection) {
  HWND page = OpenTestSheet();
  HandlerContext context = ContextOf(page, 0);
  gLog.validateAnswer[1] = 5;
  gLog.validateAnswer[2] = 7;
  gLog.calls.clear();
  EXPECT_EQ(CallRowHandlers(&context, kMsgValidate, 0, 0, 0), 5);
  EXPECT_EQ(gLog.calls.size(), 2u);
  gLog.killActiveAnswer[0] = 1;
  gLog.killActiveAnswer[1] = 4;
  EXPECT_EQ(CallRowHandlers(&context, PSN_KILLACTIVE, 0, 0, 0), 4);  // the last that differs
  EXPECT_EQ(CallRowHandlers(&context, PSN_KILLACTIVE, 0, 0, 4), 1);
  // The broadcasts reach every row with a handler.
  gLog.calls.clear();
  SendMessageW(page, WM_PAINT, 0, 0);
  SendMessageW(page, WM_PALETTECHANGED, 0, 0);
  EXPECT_EQ(gLog.count(WM_PAINT), 3);
  EXPECT_EQ(gLog.count(WM_PALETTECHANGED), 3);
}

TEST_F(PageFrameworkTest, CancelRefillsTheRowsAndTellsTheSheetOnlyAfterAnApply) {
  HWND page = OpenTestSheet();
  gSheetCalls.clear();
  sheet_->state->pfnComPropSheet = RecordSheetCall;
  Notify(page, PSN_SETACTIVE);
  gLog.calls.clear();
  Notify(page, PSN_RESET);
  EXPECT_TRUE(gSheetCalls.empty());
  ASSERT_EQ(gLog.calls.size(), 6u);
  EXPECT_EQ(gLog.calls[0].second, kMsgRefill);
  EXPECT_EQ(gLog.calls[3].second, static_cast<UINT>(PSN_RESET));
  HandlerContext context = ContextOf(page, 0);
  EXPECT_EQ(FindRowCache(&context, &kTestRows[0]), nullptr);

  Notify(page, PSN_SETACTIVE);
  Notify(page, PSN_APPLY);
  ASSERT_EQ(gSheetCalls.size(), 1u);
  Notify(page, PSN_SETACTIVE);
  Notify(page, PSN_RESET);
  ASSERT_EQ(gSheetCalls.size(), 2u);
  EXPECT_EQ(gSheetCalls[1].function, static_cast<UINT>(CPSFUNC_SET_RESULT));
  EXPECT_EQ(gSheetCalls[1].second, CPSUI_OK);
}

TEST_F(PageFrameworkTest, AKillActiveRefusalKeepsThePageAndActivatesItAgain) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  gLog.calls.clear();
  gLog.killActiveAnswer[0] = 1;  // the first row refuses, the later ones accept
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 1);
  EXPECT_EQ(gLog.count(PSN_SETACTIVE), 3);
  gLog.calls.clear();
  gLog.killActiveAnswer[0] = 0;
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
  EXPECT_EQ(gLog.count(PSN_SETACTIVE), 0);
}

TEST_F(PageFrameworkTest, ApplyFreesTheCachesAndTheNextActivationBuildsThemAnew) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  ASSERT_NE(FindRowCache(&context, &kTestRows[0]), nullptr);
  EXPECT_EQ(FindChoiceListUses(sheet_, 7), 2);  // rows 1001 and 1003
  Notify(page, PSN_APPLY);
  EXPECT_EQ(FindRowCache(&context, &kTestRows[0]), nullptr);
  EXPECT_EQ(FindChoiceListUses(sheet_, 7), 0);
  EXPECT_EQ(FindConstraintRecord(sheet_, 7), nullptr);
  EXPECT_EQ(gTestSet.needsInit, 1u);
  EXPECT_EQ(sheet_->state->appliedFlag, 1);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(gTestSet.needsInit, 0u);
  EXPECT_NE(FindRowCache(&context, &kTestRows[0]), nullptr);
  EXPECT_EQ(FindChoiceListUses(sheet_, 7), 2);
  EXPECT_EQ(GetCurrentChoiceIndex(&context, &kTestRows[0]),
            FindChoiceIndex(FindPageChoiceList(sheet_, 7), &GetCurrentItemSlot(&context, &kTestRows[0])->value));
}

TEST_F(PageFrameworkTest, CancelAfterAConfirmedSubDialogRestoresItsValues) {
  OpenTestSheet();
  const int16_t initial = Read16(sheet_->working.devMode, sheet_->working.settings, 7);
  const int16_t confirmed = initial == 1 ? 2 : 1;
  SheetContext* copy = CopyFor(sheet_);
  HWND dialog = OpenPage(14, kDialogModal, copy);
  ASSERT_EQ(SetSettingValue(7, copy->working.devMode, copy->working.settings, kSettingTypeInt16, 2, &confirmed), 0);
  Notify(dialog, PSN_APPLY);
  EXPECT_EQ(Read16(sheet_->applied.devMode, sheet_->applied.settings, 7), confirmed);
  // The user changes the page once more, then cancels the sheet.
  const int16_t later = initial;
  SetSettingValue(7, sheet_->working.devMode, sheet_->working.settings, kSettingTypeInt16, 2, &later);
  sheet_->state->applyDone = 0;
  Notify(pages_[0], PSN_RESET);
  EXPECT_EQ(Read16(sheet_->working.devMode, sheet_->working.settings, 7), confirmed);
}

TEST_F(PageFrameworkTest, ASheetWithoutPrinterSettingsAppliesAndCancels) {
  MakeSheet(kTestPages, 2, 1, false);
  HWND page = OpenPage(0, kDialogTopPage);
  Notify(page, PSN_SETACTIVE);
  Notify(page, PSN_APPLY);
  EXPECT_NE(sheet_->applied.devMode, nullptr);
  EXPECT_EQ(sheet_->applied.settings, nullptr);
  sheet_->state->applyDone = 0;
  Notify(page, PSN_RESET);
  EXPECT_EQ(sheet_->working.settings, nullptr);
}

TEST_F(PageFrameworkTest, AReadOnlySheetKeepsOptionRowsAndDisablesTheRest) {
  HWND page = OpenTestSheet(0);
  Notify(page, PSN_SETACTIVE);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1004)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1001)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1092)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1575)));
}

TEST_F(PageFrameworkTest, TheFurtherControlOfPageTwoIsDisabledOnAReadOnlySheet) {
  INT count = 0;
  const PageEntry* list = GetPageList(&count);
  MakeSheet(list, count, 0);
  HWND page = OpenPage(2, kDialogTopPage);
  Notify(page, PSN_SETACTIVE);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1575)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1091)));
  EXPECT_EQ(GetPageControlSet(sheet_->state, 2)->helpContext, 1200u);
  EXPECT_EQ(GetPageControlSet(sheet_->state, 14)->helpContext, 2000u);
  EXPECT_EQ(GetPageControlSet(sheet_->state, 17)->helpContext, 9999u);
}

// The top pages of the list: template, title, sub-dialog sets, help context
// and the further controls of a read-only page.
TEST_F(PageFrameworkTest, ThePageListNamesEveryPageAndItsSubDialogSets) {
  struct Case {
    INT page;
    UINT templateId;
    INT title;
    std::vector<INT> subs;
    UINT help;
    INT further;
    WORD number;
  };
  const Case cases[] = {
      {0, 520, kNoControl, {14, 7, 15, 27, 28, 29, 30}, 1000, kNoControl, 0},
      {1, 521, kNoControl, {9, 13, 19, 20, 21}, 1100, kNoControl, 1},
      {2, 505, kNoControl, {10, 12, 25, 26}, 1200, 1575, 2},
      {16, 524, 481, {17, 18, 24}, 1300, 1364, 16},
      {16, 524, kNoControl, {17, 18, 24}, 1300, 1364, 524},  // the untitled variant
      {4, 501, kNoControl, {22, 23}, 1400, 1057, 4},
      {6, 515, kNoControl, {}, 1500, kNoControl, 6},
      {8, 539, kNoControl, {}, 9999, kNoControl, 8},
  };
  INT count = 0;
  const PageEntry* list = GetPageList(&count);
  const PageInfo* infos[16] = {};
  ASSERT_EQ(CollectPageInfos(list, count, infos, 16), 8);
  const PageControlSet* page16 = nullptr;
  for (size_t i = 0; i < 8; ++i) {
    const Case& c = cases[i];
    const PageInfo* info = infos[i];
    EXPECT_EQ(info->pageId, static_cast<UINT>(c.page)) << i;
    EXPECT_EQ(info->templateId, c.templateId) << i;
    EXPECT_EQ(info->titleId, c.title) << i;
    EXPECT_EQ(info->further, c.number) << i;
    std::vector<INT> subs;
    for (WORD s = 0; s < info->subDialogCount; ++s) {
      subs.push_back(info->subDialogs[s].pageId);
      EXPECT_EQ(info->subDialogs[s].info, nullptr);
    }
    EXPECT_EQ(subs, c.subs) << i;
    const PageEntry* entry = nullptr;
    for (INT e = 0; e < count; ++e)
      if (list[e].info == info) entry = &list[e];
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->set->helpContext, c.help) << i;
    EXPECT_EQ(entry->set->furtherControls[0], c.further) << i;
    if (c.page == 16) {
      // Both forms of page 16 drive the one control set.
      if (page16) {
        EXPECT_EQ(entry->set, page16);
      }
      page16 = entry->set;
    }
  }
  // A page's procedure reaches every form of it.
  const DLGPROC procedure = &PageHarness::PageProc;
  SetPageProcedure(16, procedure);
  CollectPageInfos(list, count, infos, 16);
  EXPECT_EQ(infos[3]->procedure, procedure);
  EXPECT_EQ(infos[4]->procedure, procedure);
  EXPECT_NE(infos[2]->procedure, procedure);  // page 2 keeps its own
  SetPageProcedure(16, nullptr);

  MakeSheet(list, count);
  EXPECT_EQ(GetPageControlSet(sheet_->state, 16), page16);
  for (INT id : {3, 5, 11, 31, -1}) EXPECT_EQ(GetPageControlSet(sheet_->state, id), nullptr) << id;
}

TEST_F(PageFrameworkTest, ConstraintStatusesDecideControlsAndLabels) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  const SettingChoiceList* list = FindPageChoiceList(sheet_, 7);
  ASSERT_NE(list, nullptr);
  WCHAR part[16] = {};
  LoadStringW(GetPagesResourceModule(), 460, part, 16);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2001)), std::u16string(list->title) + part + u":");

  SetConstraintStatus(sheet_, 7, kConflictStatusDisabled);
  CallRowHandlers(&context, kMsgRefresh, 0, 0, 0);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 1001)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1001)));
  SetConstraintStatus(sheet_, 7, kConflictStatusHidden);
  CallRowHandlers(&context, kMsgRefresh, 0, 0, 0);
  UpdateRowLabels(&context, FALSE);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 1001)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 2001)));
}

TEST_F(PageFrameworkTest, ATwoItemRowMovesToTheItemWhoseSettingIsFree) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  ASSERT_NE(FindConstraintRecord(sheet_, 16), nullptr);
  SetRowCurrentIndex(&context, &kTestRows[2], 0);
  SetConstraintStatus(sheet_, 7, kConflictStatusDisabled);
  SetConstraintStatus(sheet_, 16, kConflictStatusFree);
  SelectCurrentItems(&context);
  EXPECT_EQ(GetRowCurrentIndex(&context, &kTestRows[2]), 1);
}

// A model whose orientation feature has a name of 300 characters.
ddd::ModelWriter LongTitleWriter() {
  ddd::ModelWriter w;
  w.modelName = "Long title";
  const uint16_t portrait = w.AddOption(14, ddd::Text::Plain("Portrait"), 0, 0, ddd::Value::I16(1));
  const uint16_t landscape = w.AddOption(14, ddd::Text::Plain("Landscape"), 0, 0, ddd::Value::I16(2));
  w.AddFeature(4, 7, ddd::Text::Plain(std::string(300, 'T')), 1, 1, {portrait, landscape});
  w.AddFeature(4, 16, ddd::Text::Plain("Duplex"), 1, 1, {portrait, landscape});
  return w;
}

TEST_F(PageFrameworkTest, ALabelOfAnOverlongTitleKeepsItsText) {
  UseModel(LongTitleWriter());
  HWND page = OpenTestSheet();
  const SettingChoiceList* list = FindPageChoiceList(sheet_, 7);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(std::u16string(list->title).size(), 300u);
  SetWindowTextW(GetDlgItem(page, 2001), u"before");
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2001)), u"before");
}

TEST_F(PageFrameworkTest, ResetToDefaultsListsEveryBoundItemAndRowsFollowEachOther) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  INT count = 0;
  WORD* ids = nullptr;
  ASSERT_EQ(ResetPageToDefaults(&context, context.devMode, context.settings, &count, &ids), 1);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(ids)), std::u16string(u"\x7\xC\x7\x10\x132"));
  GlobalFree(ids);

  SetRowCurrentIndex(&context, &kTestRows[2], 1);
  EXPECT_EQ(SyncRowToControl(page, &context, &kTestRows[2], 0, 1001), 1);
  EXPECT_EQ(GetRowCurrentIndex(&context, &kTestRows[2]), 0);
  EXPECT_EQ(SyncRowToControl(page, &context, &kTestRows[2], 0, 1002), 0);
}

TEST_F(PageFrameworkTest, RowsWithoutAControlKeepCachesOfTheirOwn) {
  HWND page = OpenTestSheet();
  HandlerContext context = ContextOf(page, 0);
  const RowItem first{7, 0};
  const RowItem second{16, 0};
  const ControlRow rows[] = {{kNoControl, 1, &first, 0, nullptr, nullptr, kNoControl, kNoControl, nullptr},
                             {kNoControl, 1, &second, 0, nullptr, nullptr, kNoControl, kNoControl, nullptr}};
  RowValueCache* a = CreateRowCache(&context, &rows[0]);
  RowValueCache* b = CreateRowCache(&context, &rows[1]);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(b->slots[0].settingId, 16);
  RemoveRowCache(&context, &rows[0]);
  RemoveRowCache(&context, &rows[1]);
}

TEST_F(PageFrameworkTest, RowValueRanges) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  struct Case {
    WORD id;
    LONG low, high;
  };
  for (const Case& c : {Case{306, 7, 600}, Case{359, 5, 24}, Case{385, 50, 240}}) {
    const RowItem item{c.id, 0};
    const ControlRow row{1004, 1, &item, 1, nullptr, nullptr, kNoControl, kNoControl, nullptr};
    CreateRowCache(&context, &row);
    LONG low = 0, high = 0;
    EXPECT_EQ(GetRowValueRange(&context, &row, &low, &high), 1) << c.id;
    EXPECT_EQ(low, c.low);
    EXPECT_EQ(high, c.high);
    RemoveRowCache(&context, &row);
  }
  // Copies are a kind-4 list on the default model: its first two choices.
  const SettingChoiceList* copies = FindPageChoiceList(sheet_, 12);
  ASSERT_NE(copies, nullptr);
  ASSERT_EQ(copies->kind, 4);
  ASSERT_GE(copies->count, 2);
  LONG low = 0, high = 0;
  EXPECT_EQ(GetRowValueRange(&context, &kTestRows[1], &low, &high), 1);
  EXPECT_EQ(low, static_cast<LONG>(static_cast<int16_t>(copies->items[0].value)));
  EXPECT_EQ(high, static_cast<LONG>(static_cast<int16_t>(copies->items[1].value)));
}

// The OS version is taken once per process run of the library, so each
// version has a case of its own.
class MeasureItemTest : public PageFrameworkTest,
                        public ::testing::WithParamInterface<std::tuple<int, int, int, int>> {};

TEST_P(MeasureItemTest, MeasuredItemsAreFifteenScaledToTheScreen) {
  const auto [major, minor, dpi, height] = GetParam();
  pk::seams::SetOsVersion(major, minor);
  pk::seams::SetScreenResolution(dpi);
  HWND page = OpenTestSheet();
  MEASUREITEMSTRUCT measure{};
  EXPECT_EQ(SendMessageW(page, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), FALSE);
  EXPECT_EQ(measure.itemHeight, static_cast<UINT>(height));
  pk::seams::SetScreenResolution(96);
}
INSTANTIATE_TEST_SUITE_P(Versions, MeasureItemTest,
                         ::testing::Values(std::make_tuple(6, 0, 96, 15), std::make_tuple(6, 0, 144, 22),
                                           std::make_tuple(5, 1, 144, 15)));

TEST_F(PageFrameworkTest, TheWarningListIsShownOnceAtTheFirstErase) {
  HWND page = OpenTestSheet();
  for (int i = 0; i < 2; ++i) {
    const std::u16string text = i ? u"second" : u"first";
    sheet_->state->warnings[i] = static_cast<WCHAR*>(GlobalAlloc(GPTR, (text.size() + 1) * 2));
    std::memcpy(sheet_->state->warnings[i], text.c_str(), text.size() * 2);
  }
  const size_t before = pk::seams::MessageBoxCalls().size();
  SendMessageW(page, WM_ERASEBKGND, 0, 0);
  SendMessageW(page, WM_ERASEBKGND, 0, 0);
  PumpMessages();
  const auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), before + 2);
  for (size_t i = before; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].caption, u"Printer Settings");
    EXPECT_EQ(calls[i].style, static_cast<UINT>(MB_ICONWARNING));
  }
  EXPECT_EQ(calls[before].text, u"first");
  SendMessageW(page, WM_ERASEBKGND, 0, 0);
  PumpMessages();
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), before + 2);
}

TEST_F(PageFrameworkTest, HelpOpensTheSetsContextAndNothingForUnlistedControls) {
  HWND page = OpenTestSheet();
  GiveHelpFile();
  const size_t before = pk::ui::ShellCalls().size();
  Notify(page, PSN_HELP);
  auto calls = pk::ui::ShellCalls();
  ASSERT_EQ(calls.size(), before + 1);
  EXPECT_EQ(calls.back().call, "WinHelpW");
  EXPECT_EQ(calls.back().command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls.back().data, 1234u);
  EXPECT_EQ(calls.back().file, std::u16string(sheet_->state->helpFile));
  // The what's-this tables are empty: F1 on a control asks for nothing.
  HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, 1001, GetDlgItem(page, 1001), 0, {}};
  SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(pk::ui::ShellCalls().size(), before + 1);
}

TEST_F(PageFrameworkTest, ContextMenuAndF1OnAListedControlAskForTheWhatsThisTable) {
  static constexpr INT kWhatsThis[] = {1001, 7001, 0, 0};
  gTestSet.whatsThis = kWhatsThis;
  HWND page = OpenTestSheet();
  GiveHelpFile();
  HWND listed = GetDlgItem(page, 1001);
  HWND unlisted = GetDlgItem(page, 1002);
  MoveWindow(listed, 100, 100, 20, 20, FALSE);
  MoveWindow(unlisted, 150, 100, 20, 20, FALSE);
  // A right click: wParam the window clicked, lParam the point on the screen.
  // The page's procedure answers TRUE whether or not help was asked for.
  auto rightClick = [page](HWND control, LONG x) {
    POINT point{x, 105};
    ClientToScreen(page, &point);
    return RunPageProcedure(page, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(point.x, point.y), 0,
                            kDialogTopPage);
  };
  const size_t before = pk::ui::ShellCalls().size();
  EXPECT_EQ(rightClick(unlisted, 155), TRUE);
  EXPECT_EQ(rightClick(page, 5), TRUE);
  EXPECT_EQ(pk::ui::ShellCalls().size(), before);

  EXPECT_EQ(rightClick(listed, 105), TRUE);
  auto calls = pk::ui::ShellCalls();
  ASSERT_EQ(calls.size(), before + 1);
  EXPECT_EQ(calls.back().call, "WinHelpW");
  EXPECT_EQ(calls.back().owner, listed);
  EXPECT_EQ(calls.back().command, static_cast<UINT>(HELP_CONTEXTMENU));
  EXPECT_EQ(calls.back().data, reinterpret_cast<ULONG_PTR>(kWhatsThis));
  EXPECT_EQ(calls.back().file, std::u16string(sheet_->state->helpFile));

  HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, 1001, listed, 0, {}};
  EXPECT_EQ(RunPageProcedure(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), 0, kDialogTopPage), TRUE);
  calls = pk::ui::ShellCalls();
  ASSERT_EQ(calls.size(), before + 2);
  EXPECT_EQ(calls.back().owner, listed);
  EXPECT_EQ(calls.back().command, static_cast<UINT>(HELP_WM_HELP));
  EXPECT_EQ(calls.back().data, reinterpret_cast<ULONG_PTR>(kWhatsThis));

  // Without a help file nothing is asked.
  GlobalFree(sheet_->state->helpFile);
  sheet_->state->helpFile = nullptr;
  EXPECT_EQ(rightClick(listed, 105), TRUE);
  EXPECT_EQ(pk::ui::ShellCalls().size(), before + 2);
}

// ---- Changes ---------------------------------------------------------------------------------

INT gInner = 0;
HandlerContext* gChangeContext = nullptr;
WORD NestedPass(DWORD, HWND, const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids, WORD* count,
                ConstraintResult*) {
  ItemSlot slot = *GetCurrentItemSlot(gChangeContext, &kTestRows[1]);
  const int16_t other = 3;
  gInner = TryChangeSetting(gChangeContext, &kTestRows[1], &slot, &other, nullptr);
  SetSettingValue(valueRef->id, context->devMode, context->settings, valueRef->valueType, 2, valueRef->value);
  AddSettingIdToList(valueRef->id, kIdListRoom, ids, count);
  return kActionWritten;
}

TEST_F(PageFrameworkTest, ANestedChangeAnswersTwoAtOnceAndTheBusyFlagClears) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  gChangeContext = &context;
  ItemSlot* slot = GetCurrentItemSlot(&context, &kTestRows[1]);
  ASSERT_NE(slot, nullptr);
  if (!FindPageChoiceList(sheet_, 12)) GTEST_SKIP() << "copies have no choice list on this model";
  SetPageConstraintPass(NestedPass);
  const int16_t same = static_cast<int16_t>(slot->value);
  EXPECT_EQ(TryChangeSetting(&context, &kTestRows[1], slot, &same, nullptr), 3);
  const int16_t two = same == 2 ? 4 : 2;
  gInner = 0;
  EXPECT_EQ(TryChangeSetting(&context, &kTestRows[1], slot, &two, nullptr), 2);
  EXPECT_EQ(gInner, 2);
  EXPECT_EQ(sheet_->state->changeBusy, 0);
  EXPECT_EQ(Read16(context.devMode, context.settings, 12), two);
  SetPageConstraintPass(nullptr);
}

WORD ListingPass(DWORD, HWND, const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids, WORD* count,
                 ConstraintResult*) {
  SetSettingValue(valueRef->id, context->devMode, context->settings, valueRef->valueType, 2, valueRef->value);
  AddSettingIdToList(valueRef->id, kIdListRoom, ids, count);
  if (*static_cast<const int16_t*>(valueRef->value) == 5) AddSettingIdToList(11, kIdListRoom, ids, count);
  return kActionWritten;
}

TEST_F(PageFrameworkTest, AChangeThatTouchedOtherSettingsAnswersOneWithItsList) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  if (!FindPageChoiceList(sheet_, 12)) GTEST_SKIP() << "copies have no choice list on this model";
  SetPageConstraintPass(ListingPass);
  ItemSlot* slot = GetCurrentItemSlot(&context, &kTestRows[1]);
  ASSERT_NE(slot, nullptr);
  WORD* list = nullptr;
  const int16_t five = 5;
  EXPECT_EQ(TryChangeSetting(&context, &kTestRows[1], slot, &five, &list), 1);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsSettingInChangedList(list, 11));
  GlobalFree(list);
  list = nullptr;
  RefreshItemValues(&context);
  const int16_t four = 4;
  EXPECT_EQ(TryChangeSetting(&context, &kTestRows[1], slot, &four, &list), 2);
  EXPECT_EQ(list, nullptr);
  SetPageConstraintPass(nullptr);
}

TEST_F(PageFrameworkTest, ApplyOnATopPageSetsTheSheetResultOnce) {
  HWND page = OpenTestSheet();
  gSheetCalls.clear();
  sheet_->state->pfnComPropSheet = RecordSheetCall;
  sheet_->state->pageHandles[0] = 0x55;
  Notify(page, PSN_SETACTIVE);
  Notify(page, PSN_APPLY);
  Notify(page, PSN_APPLY);  // a second page of the same notification
  ASSERT_EQ(gSheetCalls.size(), 1u);
  EXPECT_EQ(gSheetCalls[0].function, static_cast<UINT>(CPSFUNC_SET_RESULT));
  EXPECT_EQ(gSheetCalls[0].first, 0x55);
  EXPECT_EQ(gSheetCalls[0].second, CPSUI_OK);
  EXPECT_EQ(sheet_->state->applyDone, 1);
  EXPECT_EQ(GetWindowLongPtrW(page, DWLP_MSGRESULT), 1);
}

// Each public field that apply brings in line with its private twin, alone:
// the writes before the apply, then the field and the value it must hold.
TEST_F(PageFrameworkTest, ApplyBringsEachPublicFieldInLineWithItsPrivateSetting) {
  struct Case {
    const char* what;
    std::vector<std::pair<WORD, int64_t>> writes;
    WORD field;
    int64_t expected;
  };
  const Case cases[] = {
      {"TrueType option follows 292", {{292, 1}, {17, 3}}, 17, 1},
      {"TrueType option follows 292 off", {{292, 0}, {17, 1}}, 17, 3},
      {"option mask of the first values", {{482, 0}, {274, 1}}, 273, 7},
      {"option mask by group", {{482, 1}, {280, 1}}, 273, 2},
      {"option mask of nothing", {{482, 1}}, 273, 0},
      {"paper source to dmDefaultSource", {{1055, 1}, {265, 7}, {13, 1}}, 13, 7},
      {"paper source 0x102 is not copied", {{1055, 1}, {265, 0x102}, {13, 1}}, 13, 1},
      {"paper source copy not allowed", {{1055, 0}, {265, 7}, {13, 1}}, 13, 1},
      {"ICM method of matching 3", {{293, 3}, {22, 1}}, 22, 2},
      {"ICM method otherwise", {{293, 1}, {22, 2}}, 22, 1},
      {"colour of 345 = 1", {{345, 1}, {15, 2}}, 15, 1},
      {"colour otherwise", {{345, 2}, {15, 1}}, 15, 2},
  };
  HWND page = OpenTestSheet();
  for (const Case& c : cases) {
    for (WORD group = 274; group <= 285; ++group) WriteNumber(group, 0);
    for (const auto& [id, value] : c.writes) WriteNumber(id, value);
    sheet_->state->applyDone = 0;
    Notify(page, PSN_APPLY);
    EXPECT_EQ(ReadNumber(c.field), c.expected) << c.what;
    EXPECT_EQ(Read16(sheet_->applied.devMode, sheet_->applied.settings, c.field), static_cast<int16_t>(c.expected))
        << c.what;
  }
  // The form name follows a built-in paper.
  WriteNumber(8, 9);
  const WCHAR* letter = u"Letter";
  ASSERT_EQ(SetSettingValue(19, sheet_->working.devMode, sheet_->working.settings, kSettingTypeText, 14, &letter), 0);
  sheet_->state->applyDone = 0;
  Notify(page, PSN_APPLY);
  WCHAR* formName = GetFormName(printer_, 9);
  ASSERT_NE(formName, nullptr);
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t address = 0;
  ASSERT_EQ(GetSettingValue(19, sheet_->working.devMode, sheet_->working.settings, &type, &size, &address), 0);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(address)), std::u16string(formName));
  GlobalFree(formName);
}

TEST_F(PageFrameworkTest, APageSetUpAgainAfterApplyTakesThePaperCodeOfItsForm) {
  FORM_INFO_1W* forms = nullptr;
  DWORD builtIn = 0;
  ASSERT_EQ(EnumPrinterForms(printer_, &forms, nullptr, &builtIn), kFormOk);
  GlobalFree(forms);
  // A user form named like a paper of the model.
  FORM_INFO_1W form{FORM_USER, const_cast<LPWSTR>(u"User defined size 2"), {100000, 150000}, {0, 0, 100000, 150000}};
  ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&form)));
  const int16_t number = static_cast<int16_t>(builtIn + 1);
  WORD code = 0;
  ASSERT_EQ(FormIndexToPaperCode(printer_, static_cast<DWORD>(number), &code), kFormOk);
  ASSERT_NE(code, static_cast<WORD>(number));

  HWND page = OpenTestSheet();
  // Set up at its dialog's start: the number stays as it is.
  WriteNumber(8, number);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(ReadNumber(8), number);
  Notify(page, PSN_APPLY);
  WriteNumber(8, number);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(ReadNumber(8), static_cast<int16_t>(code));
  // A built-in form's number is its code; a number of no form stays.
  for (int16_t other : {int16_t{9}, static_cast<int16_t>(builtIn + 40)}) {
    Notify(page, PSN_APPLY);
    WriteNumber(8, other);
    Notify(page, PSN_SETACTIVE);
    EXPECT_EQ(ReadNumber(8), other);
  }
}

TEST_F(PageFrameworkTest, AValueOutsideAListsChoicesIsRefusedWithoutAsking) {
  HWND page = OpenTestSheet();
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 0);
  ItemSlot* slot = GetCurrentItemSlot(&context, &kTestRows[0]);
  ASSERT_NE(slot, nullptr);
  const int16_t foreign = 77;
  const size_t boxes = pk::seams::MessageBoxCalls().size();
  EXPECT_EQ(TryChangeSetting(&context, &kTestRows[0], slot, &foreign, nullptr), -1);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), boxes);
  EXPECT_EQ(TryChangeSetting(nullptr, &kTestRows[0], slot, &foreign, nullptr), -1);
}

// ---- Shared helpers -------------------------------------------------------------------------

TEST_F(PageFrameworkTest, AppendedIdsKeepDuplicatesAndAnEmptyAppendCopiesTheList) {
  HandlerContext context{};
  const WORD ids[] = {7, 8};
  ASSERT_EQ(AppendChangedIds(&context, ids, 2), 1);
  ASSERT_EQ(AppendChangedIds(&context, ids, 1), 1);
  const WORD* before = context.changedIds;
  ASSERT_EQ(AppendChangedIds(&context, ids, 0), 1);
  EXPECT_NE(context.changedIds, before);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(context.changedIds)), std::u16string(u"\x7\x8\x7"));
  GlobalFree(context.changedIds);
  pk::seams::FailNthAllocation(1);
  context.changedIds = nullptr;
  EXPECT_EQ(AppendChangedIds(&context, ids, 1), 0);
  EXPECT_EQ(context.changedIds, nullptr);
}

TEST_F(PageFrameworkTest, JoinedResourceStrings) {
  WCHAR out[kJoinedTextChars] = {};
  WCHAR first[128] = {};
  LoadStringW(GetPagesResourceModule(), 265, first, 128);
  ASSERT_EQ(JoinResourceStrings(GetPagesResourceModule(), out, 265, kNoControl, kNoControl), 1);
  EXPECT_EQ(std::u16string(out), std::u16string(first));
  ASSERT_EQ(JoinResourceStrings(GetPagesResourceModule(), out, 265, 466, 466), 1);
  EXPECT_EQ(std::u16string(out), std::u16string(first) + u"::");
  // The name of the mode entry stands alone; a second part keeps 15 characters.
  ASSERT_EQ(JoinResourceStrings(GetPagesResourceModule(), out, 474, kNoControl, kNoControl), 1);
  EXPECT_EQ(std::u16string(out), u"Mode Entry");
  WCHAR margins[128] = {};
  ASSERT_GT(LoadStringW(GetPagesResourceModule(), 711, margins, 128), 15);
  ASSERT_EQ(JoinResourceStrings(GetPagesResourceModule(), out, 474, 711, 4711), 1);
  EXPECT_EQ(std::u16string(out), u"Mode Entry" + std::u16string(margins, 15));
}

TEST_F(PageFrameworkTest, ARebuiltChoiceListIsFreshWithOneUse) {
  HWND page = OpenTestSheet();
  // Only row 1001 keeps its use of setting 7.
  HandlerContext context = ContextOf(page, 0);
  ReleaseChoiceList(sheet_, 7);
  DropConstraintRecord(sheet_, 7);
  GetItemSlot(&context, &kTestRows[2], 0)->listHeld = 0;
  ASSERT_EQ(FindChoiceListUses(sheet_, 7), 1);
  ASSERT_EQ(RebuildChoiceList(page, 0, 7), 1);
  EXPECT_EQ(FindChoiceListUses(sheet_, 7), 1);
  ASSERT_NE(FindConstraintRecord(sheet_, 7), nullptr);
  EXPECT_EQ(FindConstraintRecord(sheet_, 7)->count, FindPageChoiceList(sheet_, 7)->count);
  EXPECT_EQ(RebuildChoiceList(page, 3, 7), 0);
}

TEST_F(PageFrameworkTest, FavouritesStateAccessors) {
  HWND page = OpenTestSheet();
  auto* record = reinterpret_cast<FavoritesState*>(&gLog);
  EXPECT_EQ(SetSheetFavoritesState(nullptr, record), 0);
  EXPECT_EQ(SetSheetFavoritesState(sheet_->state, nullptr), 0);
  EXPECT_EQ(SetSheetFavoritesState(sheet_->state, record), 1);
  EXPECT_EQ(GetSheetFavoritesState(sheet_->state), record);
  EXPECT_EQ(GetWindowFavoritesState(page), record);
  EXPECT_EQ(GetWindowFavoritesState(frame_), nullptr);
}

TEST_F(PageFrameworkTest, NothingIsLeftAfterApplyAndDestroy) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T bitmaps = pk::seams::LiveBitmaps();
  {
    HWND page = OpenTestSheet();
    Notify(page, PSN_SETACTIVE);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
    MEASUREITEMSTRUCT measure{};
    SendMessageW(page, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    // A sub-dialog on its copy, confirmed, and a picture control's bitmaps.
    SheetContext* copy = CopyFor(sheet_);
    HWND dialog = OpenPage(14, kDialogModal, copy);
    Notify(dialog, PSN_APPLY);
    DestroyWindow(dialog);
    ASSERT_EQ(
        AddControlResource(sheet_->state, 1001, CreateBitmap(8, 8, 1, 1, nullptr), CreateBitmap(8, 8, 1, 32, nullptr)),
        1);
    sheet_->state->applyDone = 0;
    Notify(page, PSN_APPLY);
    HWND control = GetDlgItem(page, 1001);
    DestroyWindow(page);
    EXPECT_FALSE(IsWindow(page));
    EXPECT_FALSE(IsWindow(control));
    EXPECT_FALSE(IsWindow(dialog));
    FreeSheetContextCopy(copy);
    copies_.clear();
    FreeSheetContext(sheet_);
    sheet_ = nullptr;
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps);
  EXPECT_EQ(pk::seams::LiveWindowDcs(), 0u);
  EXPECT_EQ(pk::seams::LiveMemoryDcs(), 0u);
}

TEST(SheetStateTest, ModelOptionsAndUnit) {
  SheetState state{};
  state.modelOptions = 0x280;
  EXPECT_EQ(TestModelOption(&state, 0x200), 1);
  EXPECT_EQ(TestModelOption(&state, 0x100), 0);
  EXPECT_EQ(TestModelOption(nullptr, 0x200), 0);
  SetSheetUnit(&state, 1);
  EXPECT_EQ(state.unit, 1);
  SetSheetUnit(&state, 7);
  EXPECT_EQ(state.unit, 0);
  EXPECT_EQ(SelectTextBySize(u"x", 23, nullptr, 23), 0);
  const WCHAR* out = nullptr;
  EXPECT_EQ(SelectTextBySize(u"x", 4, &out, 4), 1);
  EXPECT_NE(out, nullptr);
}

}  // namespace
}  // namespace pk::test
