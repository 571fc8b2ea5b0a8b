// The property-sheet host (see property_sheet.h).
#include "platform/ui/property_sheet.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "platform/ui/win_common_controls.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"
#include "platform/win/win_module.h"
#include "platform/win/win_seams.h"

struct _PSP {
  PROPSHEETPAGEW page;   // the caller's record, copied (dwSize bytes, rest zero)
  std::u16string title;  // of its tab, taken when the page is made
  bool inSheet = false;
};

namespace pk::ui {

struct SheetState {
  HWND frame = nullptr;
  HWND tabs = nullptr;
  std::vector<HPROPSHEETPAGE> pages;
  std::vector<HWND> windows;  // null until first shown
  int current = -1;
  std::vector<HWND> changed;
  bool ended = false;
  LONG result = CPSUI_CANCEL;
  bool resultSet = false;
  PFNPROPSHEETUI callback = nullptr;
  PROPSHEETUI_INFO* info = nullptr;
};

namespace {

std::deque<std::function<void(PropertySheet&)>>& Scripts() {
  static auto* q = new std::deque<std::function<void(PropertySheet&)>>;
  return *q;
}
std::map<HWND, SheetState*>& Frames() {
  static auto* m = new std::map<HWND, SheetState*>;
  return *m;
}
void Reset() { Scripts().clear(); }
const pk::seams::ResetHook gHook(&Reset);

constexpr int kTabControlId = 0x3020;

// A page's answer to a sheet notification.
LRESULT NotifyPage(SheetState* s, HWND page, UINT code, LPARAM param = 0) {
  PSHNOTIFY n{{s->frame, 0, code}, param};
  return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

HWND MadePage(SheetState* s, int index) {
  return index >= 0 && index < static_cast<int>(s->windows.size()) && IsWindow(s->windows[index]) ? s->windows[index]
                                                                                                  : nullptr;
}

// Asks the current page to let the user go; false when it keeps them.
bool LeaveCurrent(SheetState* s) {
  HWND old = MadePage(s, s->current);
  return !old || !NotifyPage(s, old, PSN_KILLACTIVE);
}

// Makes the page when first shown and activates it after the current page
// agreed to be left. A page that refuses activation (-1) stays hidden and the
// page left is activated again, as it was told it lost the user.
bool EnterPage(SheetState* s, int index) {
  int previous = s->current;
  HWND page = MadePage(s, index);
  bool accepted = true;
  if (!page) {
    PROPSHEETPAGEW& p = s->pages[index]->page;
    if ((p.dwFlags & PSP_USECALLBACK) && p.pfnCallback && !p.pfnCallback(nullptr, PSPCB_CREATE, &p)) accepted = false;
    if (accepted)
      page = MakeDialog(p.hInstance, p.pszTemplate, s->frame, p.pfnDlgProc, reinterpret_cast<LPARAM>(&p), true);
    if (!page) {
      accepted = false;
    } else {
      s->windows[index] = page;
      // The page lies over the tab control, inside its frame, below the tabs.
      SetWindowPos(page, HWND_TOP, 12, 36, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  if (accepted) accepted = NotifyPage(s, page, PSN_SETACTIVE) != -1;
  if (!accepted) {
    if (HWND p = MadePage(s, index); p && index != previous) ShowWindow(p, SW_HIDE);
    if (HWND old = MadePage(s, previous); old && index != previous) NotifyPage(s, old, PSN_SETACTIVE);
    if (previous >= 0 && IsWindow(s->tabs)) SendMessageW(s->tabs, TCM_SETCURSEL, static_cast<WPARAM>(previous), 0);
    PumpMessages();
    return false;
  }
  if (HWND old = MadePage(s, previous); old && index != previous) ShowWindow(old, SW_HIDE);
  s->current = index;
  ShowWindow(page, SW_SHOW);
  if (IsWindow(s->tabs)) SendMessageW(s->tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  EnableWindow(GetDlgItem(s->frame, IDHELP), (s->pages[index]->page.dwFlags & PSP_HASHELP) ? TRUE : FALSE);
  PumpMessages();
  return true;
}

INT_PTR FrameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = Frames().find(h);
  if (it == Frames().end()) return FALSE;
  SheetState* s = it->second;
  auto answer = [h](LONG_PTR result) {
    SetWindowLongPtrW(h, DWLP_MSGRESULT, result);
    return TRUE;
  };
  PropertySheet sheet(s);
  switch (msg) {
    case PSM_CHANGED: s->changed.push_back(reinterpret_cast<HWND>(wp)); return TRUE;
    case PSM_SETCURSEL: {
      int index = static_cast<int>(wp);
      if (lp) {
        auto at = std::find(s->pages.begin(), s->pages.end(), reinterpret_cast<HPROPSHEETPAGE>(lp));
        index = at == s->pages.end() ? -1 : static_cast<int>(at - s->pages.begin());
      }
      return answer(sheet.ShowPage(index) ? TRUE : FALSE);
    }
    case PSM_PRESSBUTTON: {
      WPARAM id = wp == PSBTN_OK ? IDOK : wp == PSBTN_CANCEL ? IDCANCEL : wp == PSBTN_HELP ? IDHELP : 0;
      if (!id) return answer(FALSE);
      PostMessageW(h, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(h, static_cast<int>(id))));
      return answer(TRUE);
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK: sheet.PressOk(); return TRUE;
        case IDCANCEL: sheet.PressCancel(); return TRUE;
        case IDHELP: sheet.PressHelp(); return TRUE;
        default: return FALSE;
      }
    case WM_NOTIFY: {
      // A person's click on a tab: leaving first (a refusal keeps the tab),
      // then the tab's page.
      auto* n = reinterpret_cast<NMHDR*>(lp);
      if (!n || n->hwndFrom != s->tabs || s->ended) return FALSE;
      if (n->code == TCN_SELCHANGING) return answer(LeaveCurrent(s) ? FALSE : TRUE);
      if (n->code == TCN_SELCHANGE) {
        int index = static_cast<int>(SendMessageW(s->tabs, TCM_GETCURSEL, 0, 0));
        if (index >= 0 && index < static_cast<int>(s->pages.size())) EnterPage(s, index);
        return TRUE;
      }
      return FALSE;
    }
    default: return FALSE;
  }
}

LONG_PTR ComPropSheet(HANDLE hComPropSheet, UINT function, LPARAM lParam1, LPARAM lParam2) {
  auto* s = static_cast<SheetState*>(hComPropSheet);
  if (!s) return 0;
  switch (function) {
    case CPSFUNC_ADD_HPROPSHEETPAGE: {
      auto page = reinterpret_cast<HPROPSHEETPAGE>(lParam1);
      if (!page || page->inSheet) return 0;
      page->inSheet = true;
      s->pages.push_back(page);
      s->windows.push_back(nullptr);
      return reinterpret_cast<LONG_PTR>(page);
    }
    case CPSFUNC_SET_RESULT: {
      // The sheet's owner hears the result at once.
      s->result = static_cast<LONG>(lParam2);
      s->resultSet = true;
      if (s->callback && s->info) {
        SETRESULT_INFO sr{sizeof(SETRESULT_INFO), 0, reinterpret_cast<HANDLE>(lParam1), lParam2};
        s->info->Reason = PROPSHEETUI_REASON_SET_RESULT;
        s->callback(s->info, reinterpret_cast<LPARAM>(&sr));
      }
      return 1;
    }
    default: return 0;
  }
}

void ReleasePage(HPROPSHEETPAGE page) {
  if ((page->page.dwFlags & PSP_USECALLBACK) && page->page.pfnCallback)
    page->page.pfnCallback(nullptr, PSPCB_RELEASE, &page->page);
  delete page;
}

}  // namespace

HWND PropertySheet::Frame() const { return state_->frame; }
HWND PropertySheet::TabControl() const { return state_->tabs; }
int PropertySheet::PageCount() const { return static_cast<int>(state_->pages.size()); }
HWND PropertySheet::Page(int index) const { return MadePage(state_, index); }
int PropertySheet::Current() const { return state_->current; }
std::vector<HWND> PropertySheet::ChangedPages() const { return state_->changed; }

bool PropertySheet::ShowPage(int index) {
  SheetState* s = state_;
  if (s->ended || index < 0 || index >= PageCount()) return false;
  if (index == s->current) return true;
  if (!LeaveCurrent(s)) return false;  // the page keeps the user
  return EnterPage(s, index);
}

bool PropertySheet::PressHelp() {
  SheetState* s = state_;
  HWND page = Page(s->current);
  if (s->ended || !page || !IsWindowEnabled(GetDlgItem(s->frame, IDHELP))) return false;
  NotifyPage(s, page, PSN_HELP);
  PumpMessages();
  return true;
}

bool PropertySheet::PressOk() {
  SheetState* s = state_;
  if (s->ended) return false;
  if (HWND cur = Page(s->current); cur && NotifyPage(s, cur, PSN_KILLACTIVE)) return false;
  for (int i = 0; i < PageCount(); ++i) {
    HWND page = Page(i);
    if (!page) continue;
    // TRUE: the apply of OK, which closes the sheet (there is no Apply button).
    LRESULT answer = NotifyPage(s, page, PSN_APPLY, TRUE);
    if (answer == PSNRET_INVALID || answer == PSNRET_INVALID_NOCHANGEPAGE) {
      if (answer == PSNRET_INVALID && i != s->current) ShowPage(i);
      PumpMessages();
      return false;
    }
  }
  s->ended = true;
  if (!s->resultSet) s->result = CPSUI_OK;
  PumpMessages();
  return true;
}

bool PropertySheet::PressCancel() {
  SheetState* s = state_;
  if (s->ended) return false;
  if (HWND cur = Page(s->current); cur && NotifyPage(s, cur, PSN_QUERYCANCEL)) {
    PumpMessages();
    return false;  // the page keeps the sheet open
  }
  Close();
  return true;
}

void PropertySheet::Close() {
  SheetState* s = state_;
  if (s->ended) return;
  for (int i = 0; i < PageCount(); ++i)
    if (HWND page = Page(i)) NotifyPage(s, page, PSN_RESET);
  s->ended = true;
  if (!s->resultSet) s->result = CPSUI_CANCEL;
  PumpMessages();
}

void QueueSheetScript(std::function<void(PropertySheet&)> script) { Scripts().push_back(std::move(script)); }

}  // namespace pk::ui

namespace {

const PkModuleExport kCompstuiExports[] = {
    {"CommonPropertySheetUIW", reinterpret_cast<FARPROC>(&CommonPropertySheetUIW)},
};
struct RegisterCompstui {
  RegisterCompstui() { PkRegisterModuleProvider(u"compstui.dll", kCompstuiExports, std::size(kCompstuiExports)); }
} gRegisterCompstui;

}  // namespace

extern "C" {

HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page) {
  if (!page || page->dwSize < PROPSHEETPAGEW_V1_SIZE || (page->dwFlags & PSP_DLGINDIRECT)) return nullptr;
  auto* psp = new _PSP{};
  std::memcpy(&psp->page, page, std::min<size_t>(page->dwSize, sizeof(PROPSHEETPAGEW)));
  psp->page.dwSize = sizeof(PROPSHEETPAGEW);
  // The title is read now: the caller's text need not outlive this call.
  if ((page->dwFlags & PSP_USETITLE) && page->pszTitle) {
    if (IS_INTRESOURCE(page->pszTitle)) {
      WCHAR text[256];
      int n = LoadStringW(page->hInstance, static_cast<UINT>(reinterpret_cast<uintptr_t>(page->pszTitle)), text, 256);
      psp->title.assign(text, n > 0 ? static_cast<size_t>(n) : 0);
    } else {
      psp->title = pk::ui::ListText(page->pszTitle);
      psp->page.pszTitle = psp->title.c_str();
    }
  } else {
    psp->title = pk::ui::TemplateCaption(page->hInstance, page->pszTemplate);
  }
  if ((page->dwFlags & PSP_USECALLBACK) && page->pfnCallback) page->pfnCallback(nullptr, PSPCB_ADDREF, &psp->page);
  return psp;
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
  if (!hPSPage || hPSPage->inSheet) return FALSE;  // a sheet's pages go with it
  pk::ui::ReleasePage(hPSPage);
  return TRUE;
}

LONG CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam, LPDWORD pResult) {
  if (!pfnPropSheetUI) return ERR_CPSUI_GETLASTERROR;
  pk::ui::SheetState s;
  s.callback = pfnPropSheetUI;
  PROPSHEETUI_INFO info{sizeof(PROPSHEETUI_INFO),
                        PROPSHEETUI_INFO_VERSION,
                        0,
                        PROPSHEETUI_REASON_INIT,
                        &s,
                        &pk::ui::ComPropSheet,
                        lParam,
                        0,
                        0};
  s.info = &info;
  auto finish = [&](LONG answer) {
    info.Reason = PROPSHEETUI_REASON_DESTROY;
    pfnPropSheetUI(&info, answer > 0 ? 1 : 0);
    for (HPROPSHEETPAGE p : s.pages) pk::ui::ReleasePage(p);
    return answer;
  };
  if (pfnPropSheetUI(&info, lParam) <= 0) return finish(ERR_CPSUI_GETLASTERROR);
  WCHAR title[256] = {};
  PROPSHEETUI_INFO_HEADER header{sizeof(PROPSHEETUI_INFO_HEADER), 0, title, hWndOwner, nullptr, 0};
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  if (pfnPropSheetUI(&info, reinterpret_cast<LPARAM>(&header)) <= 0) return finish(ERR_CPSUI_GETLASTERROR);
  title[255] = 0;

  // The frame: caption, a tab per page, OK and Cancel.
  s.frame = pk::ui::NewWindow(u"#32770", header.pTitle ? pk::WideView(header.pTitle) : u"",
                              WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, RECT{0, 0, 480, 560}, hWndOwner, 0, nullptr);
  pk::ui::Find(s.frame)->dlgProc = reinterpret_cast<LONG_PTR>(&pk::ui::FrameProc);
  pk::ui::Frames()[s.frame] = &s;
  pk::ui::OpenedDialog(s.frame);
  CreateWindowExW(0, u"Button", u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | 1, 300, 520, 80, 28, s.frame,
                  reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
  CreateWindowExW(0, u"Button", u"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 390, 520, 80, 28, s.frame,
                  reinterpret_cast<HMENU>(IDCANCEL), nullptr, nullptr);
  CreateWindowExW(0, u"Button", u"Help", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 210, 520, 80, 28, s.frame,
                  reinterpret_cast<HMENU>(IDHELP), nullptr, nullptr);
  s.tabs = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 8, 8, 464, 500, s.frame,
                           reinterpret_cast<HMENU>(pk::ui::kTabControlId), nullptr, nullptr);
  for (HPROPSHEETPAGE p : s.pages) {
    TCITEMW tab{};
    tab.mask = TCIF_TEXT | TCIF_PARAM;
    tab.pszText = p->title.data();
    tab.lParam = reinterpret_cast<LPARAM>(p);
    SendMessageW(s.tabs, TCM_INSERTITEMW, SendMessageW(s.tabs, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&tab));
  }
  bool ownerWasEnabled = IsWindowEnabled(hWndOwner);
  if (IsWindow(hWndOwner)) EnableWindow(hWndOwner, FALSE);

  pk::ui::PropertySheet sheet(&s);
  if (!s.pages.empty()) sheet.ShowPage(0);
  auto& scripts = pk::ui::Scripts();
  if (scripts.empty()) {
    pk::ui::ReportScriptFailure("no script for a property sheet");
  } else {
    auto script = std::move(scripts.front());
    scripts.pop_front();
    script(sheet);
    PumpMessages();
    if (!s.ended) pk::ui::ReportScriptFailure("property sheet left open by its script");
  }
  if (!s.ended) sheet.Close();
  if (!s.resultSet) {
    // The owner hears how the sheet ended.
    SETRESULT_INFO sr{sizeof(SETRESULT_INFO), 0, &s, s.result};
    info.Reason = PROPSHEETUI_REASON_SET_RESULT;
    pfnPropSheetUI(&info, reinterpret_cast<LPARAM>(&sr));
  }
  pk::ui::Frames().erase(s.frame);
  DestroyWindow(s.frame);
  if (IsWindow(hWndOwner) && ownerWasEnabled) EnableWindow(hWndOwner, TRUE);
  info.Result = static_cast<ULONG_PTR>(s.result);
  if (pResult) *pResult = static_cast<DWORD>(s.result);
  return finish(s.result);
}

}  // extern "C"
