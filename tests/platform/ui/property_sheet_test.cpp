// The property-sheet host: the owner's callback reasons in order, pages made
// when first shown, leaving refused, apply and reset to the made pages only,
// the result written back, and compstui.dll found by name.
#include "platform/ui/property_sheet.h"

#include "platform/ui/ui_test_support.h"

namespace {

struct PageLog {
  int template_id;
  std::vector<UINT> heard;  // WM_INITDIALOG or the PSN_ code
  LRESULT killActive = 0;   // the answer to PSN_KILLACTIVE
  LRESULT apply = PSNRET_NOERROR;
  bool setResultOnApply = false;
};

struct SheetLog {
  HMODULE module = nullptr;
  std::vector<WORD> reasons;
  std::vector<ULONG_PTR> setResults;
  PageLog pages[3] = {{300, {}}, {310, {}}, {320, {}}};
  HANDLE sheet = nullptr;
  PFNCOMPROPSHEET pfn = nullptr;
};
SheetLog* gSheet = nullptr;

INT_PTR PageProc(HWND h, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* page = reinterpret_cast<PROPSHEETPAGEW*>(lp);
    SetWindowLongPtrW(h, DWLP_USER, page->lParam);
    reinterpret_cast<PageLog*>(page->lParam)->heard.push_back(WM_INITDIALOG);
    return TRUE;
  }
  auto* log = reinterpret_cast<PageLog*>(GetWindowLongPtrW(h, DWLP_USER));
  if (msg != WM_NOTIFY || !log) return FALSE;
  UINT code = reinterpret_cast<NMHDR*>(lp)->code;
  log->heard.push_back(code);
  LRESULT answer = 0;
  if (code == PSN_KILLACTIVE) answer = log->killActive;
  if (code == PSN_APPLY) {
    answer = log->apply;
    if (log->setResultOnApply) gSheet->pfn(gSheet->sheet, CPSFUNC_SET_RESULT, reinterpret_cast<LPARAM>(h), CPSUI_OK);
  }
  SetWindowLongPtrW(h, DWLP_MSGRESULT, answer);
  return TRUE;
}

LONG SheetCallback(PPROPSHEETUI_INFO info, LPARAM lp) {
  gSheet->reasons.push_back(info->Reason);
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      gSheet->sheet = info->hComPropSheet;
      gSheet->pfn = info->pfnComPropSheet;
      for (auto& p : gSheet->pages) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.hInstance = gSheet->module;
        page.pszTemplate = MAKEINTRESOURCEW(p.template_id);
        page.pfnDlgProc = &PageProc;
        page.lParam = reinterpret_cast<LPARAM>(&p);
        HPROPSHEETPAGE h = CreatePropertySheetPageW(&page);
        if (!h ||
            !info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE, reinterpret_cast<LPARAM>(h), 0))
          return -1;
      }
      return 1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lp);
      header->pTitle = const_cast<LPWSTR>(u"Printer Properties");
      return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT:
      gSheet->setResults.push_back(static_cast<ULONG_PTR>(reinterpret_cast<PSETRESULT_INFO>(lp)->Result));
      return 1;
    default: return 1;
  }
}

class SheetTest : public pk::test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    log.module = module_;
    gSheet = &log;
  }
  void TearDown() override {
    gSheet = nullptr;
    UiTest::TearDown();
  }
  LONG Run(DWORD* result) {
    HMODULE compstui = LoadLibraryW(u"compstui.dll");
    EXPECT_NE(compstui, nullptr);
    auto entry =
        reinterpret_cast<decltype(&CommonPropertySheetUIW)>(GetProcAddress(compstui, "CommonPropertySheetUIW"));
    EXPECT_NE(entry, nullptr);
    LONG answer = entry ? entry(nullptr, &SheetCallback, 0, result) : -1;
    FreeLibrary(compstui);
    return answer;
  }
  SheetLog log;
};

TEST_F(SheetTest, OkAppliesOnlyThePagesThatWereShown) {
  std::vector<HWND> changed;
  pk::ui::QueueSheetScript([&](pk::ui::PropertySheet& sheet) {
    EXPECT_EQ(sheet.PageCount(), 3);
    EXPECT_EQ(pk::ui::Text(sheet.Frame()), u"Printer Properties");
    EXPECT_NE(sheet.Page(0), nullptr);
    EXPECT_EQ(sheet.Page(1), nullptr);  // not made until shown
    ASSERT_TRUE(sheet.ShowPage(1));
    pk::ui::Click(GetDlgItem(sheet.Page(1), 311));
    SendMessageW(GetParent(sheet.Page(1)), PSM_CHANGED, reinterpret_cast<WPARAM>(sheet.Page(1)), 0);
    changed = sheet.ChangedPages();
    pk::ui::ClickItem(sheet.Frame(), IDOK);
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
  EXPECT_EQ(log.reasons, (std::vector<WORD>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_GET_INFO_HEADER,
                                            PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(log.setResults, (std::vector<ULONG_PTR>{CPSUI_OK}));
  EXPECT_EQ(log.pages[0].heard, (std::vector<UINT>{WM_INITDIALOG, PSN_SETACTIVE, PSN_KILLACTIVE, PSN_APPLY}));
  EXPECT_EQ(log.pages[1].heard, (std::vector<UINT>{WM_INITDIALOG, PSN_SETACTIVE, PSN_KILLACTIVE, PSN_APPLY}));
  EXPECT_TRUE(log.pages[2].heard.empty());
  EXPECT_EQ(changed.size(), 1u);
}

TEST_F(SheetTest, RefusalsKeepThePageAndTheSheet) {
  log.pages[0].killActive = TRUE;
  log.pages[1].apply = PSNRET_INVALID_NOCHANGEPAGE;
  pk::ui::QueueSheetScript([&](pk::ui::PropertySheet& sheet) {
    EXPECT_FALSE(sheet.ShowPage(1));
    EXPECT_EQ(sheet.Current(), 0);
    EXPECT_EQ(sheet.Page(1), nullptr);
    log.pages[0].killActive = FALSE;
    ASSERT_TRUE(sheet.ShowPage(1));
    EXPECT_FALSE(sheet.PressOk());  // page 1 refuses to apply
    log.pages[1].apply = PSNRET_NOERROR;
    log.pages[1].setResultOnApply = true;
    EXPECT_TRUE(sheet.PressOk());
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  // CPSFUNC_SET_RESULT told the owner at once, and only once.
  EXPECT_EQ(log.setResults, (std::vector<ULONG_PTR>{CPSUI_OK}));
  EXPECT_EQ(log.reasons.back(), PROPSHEETUI_REASON_DESTROY);
}

TEST_F(SheetTest, CancelResetsTheMadePagesAndAnswersCancel) {
  pk::ui::QueueSheetScript([](pk::ui::PropertySheet& sheet) {
    sheet.ShowPage(2);
    sheet.PressCancel();
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
  EXPECT_EQ(log.setResults, (std::vector<ULONG_PTR>{CPSUI_CANCEL}));
  EXPECT_EQ(log.pages[0].heard.back(), PSN_RESET);
  EXPECT_TRUE(log.pages[1].heard.empty());
  EXPECT_EQ(log.pages[2].heard.back(), PSN_RESET);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

}  // namespace
