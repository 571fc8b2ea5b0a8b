// The property-sheet host: the owner's callback reasons in order, pages made
// when first shown, leaving refused, apply and reset to the made pages only,
// the result written back, and compstui.dll found by name.
#include "platform/ui/property_sheet.h"

#include <algorithm>

#include "platform/ui/ui_test_support.h"
#include "platform/ui/win_common_controls.h"

namespace {

struct PageLog {
  int template_id;
  std::vector<UINT> heard;  // WM_INITDIALOG or the PSN_ code
  LRESULT killActive = 0;   // the answer to PSN_KILLACTIVE
  LRESULT setActive = 0;    // the answer to PSN_SETACTIVE
  LRESULT queryCancel = 0;  // the answer to PSN_QUERYCANCEL
  DWORD flags = 0;          // PROPSHEETPAGEW dwFlags
  std::u16string title{};   // with PSP_USETITLE: the page's title, in a buffer gone before the sheet shows
  HPROPSHEETPAGE handle = nullptr;
  LPARAM applyParam = -1;  // the PSHNOTIFY lParam of PSN_APPLY
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
  if (code == PSN_SETACTIVE) answer = log->setActive;
  if (code == PSN_QUERYCANCEL) answer = log->queryCancel;
  if (code == PSN_APPLY) {
    log->applyParam = reinterpret_cast<PSHNOTIFY*>(lp)->lParam;
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
        page.dwFlags = p.flags;
        std::u16string title = p.title;
        page.pszTitle = title.c_str();
        page.hInstance = gSheet->module;
        page.pszTemplate = MAKEINTRESOURCEW(p.template_id);
        page.pfnDlgProc = &PageProc;
        page.lParam = reinterpret_cast<LPARAM>(&p);
        HPROPSHEETPAGE h = CreatePropertySheetPageW(&page);
        p.handle = h;
        title.assign(title.size(), u'#');  // the caller's buffer changes at once
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
  EXPECT_EQ(log.pages[0].applyParam, TRUE);  // the apply of OK, not of an Apply button
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
  log.pages[2].queryCancel = TRUE;
  pk::ui::QueueSheetScript([&](pk::ui::PropertySheet& sheet) {
    sheet.ShowPage(2);
    // The current page may keep the sheet open; no page is reset.
    EXPECT_FALSE(sheet.PressCancel());
    EXPECT_EQ(log.pages[2].heard.back(), PSN_QUERYCANCEL);
    EXPECT_NE(log.pages[0].heard.back(), PSN_RESET);
    log.pages[2].queryCancel = FALSE;
    EXPECT_TRUE(sheet.PressCancel());
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

// The tabs of the frame's tab control, as a person reads them.
std::vector<std::u16string> TabTitles(HWND tabs) {
  std::vector<std::u16string> out;
  for (const auto& line : pk::ui::Lines(tabs)) out.push_back(line.text);
  return out;
}

TEST_F(SheetTest, TabsSwitchPagesAndEitherPageMayRefuse) {
  log.pages[1].flags = PSP_USETITLE;
  log.pages[1].title = u"Finishing Options";
  pk::ui::QueueSheetScript([&](pk::ui::PropertySheet& sheet) {
    HWND tabs = sheet.TabControl();
    ASSERT_EQ(pk::ui::ClassName(tabs), u"SysTabControl32");
    EXPECT_EQ(GetParent(tabs), sheet.Frame());
    // Titles: the template's caption, or the page's own title copied when it was made.
    EXPECT_EQ(TabTitles(tabs), (std::vector<std::u16string>{u"Paper", u"Finishing Options", u"About"}));
    WCHAR small[5];
    TCITEMW item{TCIF_TEXT | TCIF_PARAM, 0, 0, small, 5, 0, 0};
    ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::u16string(small), u"Fini");
    EXPECT_EQ(item.lParam, reinterpret_cast<LPARAM>(log.pages[1].handle));
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);

    // A click on a tab shows its page.
    ASSERT_TRUE(pk::ui::Select(tabs, 2));
    EXPECT_EQ(sheet.Current(), 2);
    EXPECT_TRUE(pk::ui::Visible(sheet.Page(2)));
    EXPECT_FALSE(pk::ui::Visible(sheet.Page(0)));

    // The page left refuses: the tab and the page stay.
    log.pages[2].killActive = TRUE;
    pk::ui::Select(tabs, 0);
    EXPECT_EQ(sheet.Current(), 2);
    EXPECT_EQ(pk::ui::Selection(tabs), 2);
    log.pages[2].killActive = FALSE;

    // The page asked for refuses activation (-1): the page left is active
    // again, and the refusing page was made but stays hidden.
    log.pages[1].setActive = -1;
    pk::ui::Select(tabs, 1);
    EXPECT_EQ(sheet.Current(), 2);
    EXPECT_EQ(pk::ui::Selection(tabs), 2);
    ASSERT_NE(sheet.Page(1), nullptr);
    EXPECT_FALSE(pk::ui::Visible(sheet.Page(1)));
    EXPECT_TRUE(pk::ui::Visible(sheet.Page(2)));
    EXPECT_FALSE(sheet.ShowPage(1));
    EXPECT_EQ(sheet.Current(), 2);
    log.pages[1].setActive = 0;
    EXPECT_TRUE(sheet.ShowPage(1));
    EXPECT_EQ(pk::ui::Selection(tabs), 1);
    sheet.PressCancel();
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  EXPECT_EQ(log.pages[1].heard, (std::vector<UINT>{WM_INITDIALOG, PSN_SETACTIVE, PSN_SETACTIVE, PSN_SETACTIVE,
                                                   PSN_QUERYCANCEL, PSN_RESET}));
  EXPECT_EQ(log.pages[2].heard,
            (std::vector<UINT>{WM_INITDIALOG, PSN_SETACTIVE, PSN_KILLACTIVE, PSN_KILLACTIVE, PSN_SETACTIVE,
                               PSN_KILLACTIVE, PSN_SETACTIVE, PSN_KILLACTIVE, PSN_RESET}));
}

TEST_F(SheetTest, FrameMessagesSelectPagesAndPressButtons) {
  log.pages[2].flags = PSP_HASHELP;
  pk::ui::QueueSheetScript([&](pk::ui::PropertySheet& sheet) {
    HWND frame = sheet.Frame();
    EXPECT_EQ(SendMessageW(frame, PSM_SETCURSEL, 1, 0), TRUE);
    EXPECT_EQ(sheet.Current(), 1);
    // The page handle wins over the index.
    EXPECT_EQ(SendMessageW(frame, PSM_SETCURSEL, 0, reinterpret_cast<LPARAM>(log.pages[2].handle)), TRUE);
    EXPECT_EQ(sheet.Current(), 2);
    EXPECT_EQ(SendMessageW(frame, PSM_SETCURSEL, 7, 0), FALSE);
    EXPECT_EQ(sheet.Current(), 2);

    // Help reaches only a page that has it.
    EXPECT_TRUE(pk::ui::Enabled(GetDlgItem(frame, IDHELP)));
    SendMessageW(frame, PSM_PRESSBUTTON, PSBTN_HELP, 0);
    EXPECT_NE(log.pages[2].heard.back(), PSN_HELP);  // a press arrives at the pump
    PumpMessages();
    EXPECT_EQ(log.pages[2].heard.back(), PSN_HELP);
    sheet.ShowPage(0);
    EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(frame, IDHELP)));
    EXPECT_FALSE(sheet.PressHelp());

    SendMessageW(frame, PSM_PRESSBUTTON, PSBTN_OK, 0);
    PumpMessages();
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  EXPECT_EQ(std::count(log.pages[0].heard.begin(), log.pages[0].heard.end(), PSN_HELP), 0);
  EXPECT_EQ(log.pages[2].heard.back(), PSN_APPLY);
}

std::vector<std::string>* gFailures = nullptr;

TEST_F(SheetTest, SheetLeftOpenEndsEvenWhenItsPageRefusesCancel) {
  std::vector<std::string> failures;
  gFailures = &failures;
  pk::ui::SetScriptFailureHandler([](const std::string& text) { gFailures->push_back(text); });
  log.pages[0].queryCancel = TRUE;
  pk::ui::QueueSheetScript([](pk::ui::PropertySheet&) {});
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  gFailures = nullptr;
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("left open"), std::string::npos);
  EXPECT_EQ(log.pages[0].heard.back(), PSN_RESET);
  EXPECT_EQ(log.reasons.back(), PROPSHEETUI_REASON_DESTROY);
}

}  // namespace
