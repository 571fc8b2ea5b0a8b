// Dialogs from templates, the dialog procedure's result rule and modal
// dialogs driven by scripts (see win_dialog.h and user.h).
#include <cstdio>
#include <deque>

#include "platform/ui/dialog_template.h"
#include "platform/ui/user.h"
#include "platform/ui/win_paint.h"
#include "platform/ui/win_dialog.h"
#include "platform/ui/window_internal.h"
#include "platform/win/name_text.h"
#include "platform/win/win_seams.h"

namespace pk::ui {
namespace {

std::map<int, std::deque<Script>>& Scripts() {
  static auto* s = new std::map<int, std::deque<Script>>;
  return *s;
}
std::vector<std::string>& Failures() {
  static auto* f = new std::vector<std::string>;
  return *f;
}
void (*gFailureHandler)(const std::string&) = nullptr;
std::vector<HWND>& OpenDialogs() {  // modal and modeless, newest last
  static auto* d = new std::vector<HWND>;
  return *d;
}

void Reset() {
  Scripts().clear();
  Failures().clear();
  gFailureHandler = nullptr;
  OpenDialogs().clear();
}
const pk::seams::ResetHook gHook(&Reset);

void Fail(const std::string& text) {
  Failures().push_back(text);
  std::fprintf(stderr, "dialog script: %s\n", text.c_str());
  if (gFailureHandler) gFailureHandler(text);
}

// Messages whose dialog procedure answer is the result itself; for all
// others a TRUE answer makes DWLP_MSGRESULT the result.
bool AnswersDirectly(UINT msg) {
  switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG: return true;
    default: return false;
  }
}

int TemplateId(LPCWSTR name) { return IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<uintptr_t>(name)) : -1; }

bool LoadTemplate(HINSTANCE module, LPCWSTR name, pk::resources::DialogTemplate* t) {
  HRSRC r = FindResourceW(module, name, RT_DIALOG);
  if (!r) return false;
  auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, r)));
  return data && pk::resources::ReadDialogTemplate(data, SizeofResource(module, r), t);
}

LONG ToPixelsX(int units) { return units * pk::resources::kDialogBaseX / 4; }
LONG ToPixelsY(int units) { return units * pk::resources::kDialogBaseY / 8; }

}  // namespace

std::u16string TemplateCaption(HINSTANCE module, LPCWSTR name) {
  pk::resources::DialogTemplate t;
  return LoadTemplate(module, name, &t) ? t.caption : std::u16string();
}

HWND MakeDialog(HINSTANCE module, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param, bool child) {
  pk::resources::DialogTemplate t;
  if (!LoadTemplate(module, name, &t)) return nullptr;
  if (child) t.style = (t.style & ~static_cast<uint32_t>(WS_POPUP | WS_CAPTION)) | DS_CONTROL;
  RECT r{0, 0, ToPixelsX(t.cx), ToPixelsY(t.cy)};
  DWORD style = t.style | ((t.style & DS_CONTROL) ? WS_CHILD : WS_POPUP);
  if ((style & WS_CHILD) && !Find(parent)) return nullptr;
  HWND dlg = NewWindow(u"#32770", t.caption, style, 0, r, parent, 0, module);
  // A top-level dialog keeps its owner as parent link for messages and
  // GetParent, but is not one of the owner's children.
  if (!(style & WS_CHILD)) {
    if (Window* p = Find(parent)) {
      auto& c = p->children;
      c.erase(std::remove(c.begin(), c.end(), dlg), c.end());
    }
  }
  Find(dlg)->dlgProc = reinterpret_cast<LONG_PTR>(proc);
  for (const auto& c : t.controls) {
    RECT cr{ToPixelsX(c.x), ToPixelsY(c.y), ToPixelsX(c.x + c.cx), ToPixelsY(c.y + c.cy)};
    int id = c.id == 0xFFFF ? -1 : c.id;  // plain labels
    HWND h = NewWindow(c.className, c.text, c.style | WS_CHILD, 0, cr, dlg, id, module);
    NoteTemplateControl(h);
    SendMessageW(h, WM_CREATE, 0, 0);
  }
  if (!(style & WS_CHILD)) OpenDialogs().push_back(dlg);
  // The first enabled tab stop gets the focus unless the procedure sets it.
  HWND first = nullptr;
  for (HWND c : Find(dlg)->children)
    if (Window* cw = Find(c); cw && (cw->style & WS_TABSTOP) && !(cw->style & WS_DISABLED)) {
      first = c;
      break;
    }
  if (SendMessageW(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && first && Find(first)) SetFocus(first);
  if (Window* w = Find(dlg); w && (t.style & WS_VISIBLE)) w->style |= WS_VISIBLE;
  return Find(dlg) ? dlg : nullptr;
}

namespace {

void Forget(HWND dlg) {
  auto& d = OpenDialogs();
  d.erase(std::remove(d.begin(), d.end(), dlg), d.end());
}

}  // namespace

void ReportScriptFailure(const std::string& text) { Fail(text); }
void OpenedDialog(HWND dialog) { OpenDialogs().push_back(dialog); }

void QueueDialogScript(int templateId, Script script) { Scripts()[templateId].push_back(std::move(script)); }
std::vector<std::string> ScriptFailures() { return Failures(); }
void SetScriptFailureHandler(void (*handler)(const std::string&)) { gFailureHandler = handler; }

LRESULT DialogWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = Find(h);
  if (!w) return 0;
  auto proc = reinterpret_cast<DLGPROC>(w->dlgProc);
  if (msg == WM_NCDESTROY) Forget(h);
  if (proc) {
    INT_PTR answer = proc(h, msg, wp, lp);
    if (answer) {
      if (AnswersDirectly(msg)) return answer;
      w = Find(h);
      return w ? w->dlgResult : 0;
    }
  }
  return DefDlgProcW(h, msg, wp, lp);
}

}  // namespace pk::ui

using pk::ui::Find;

extern "C" {

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_CLOSE:
      PostMessageW(hDlg, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
      return 0;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: return -1;
    case WM_INITDIALOG:
    case WM_NOTIFY:
    case WM_COMMAND: return 0;
    default: return DefWindowProcW(hDlg, Msg, wParam, lParam);
  }
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) {
  return pk::ui::MakeDialog(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam, false);
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) {
  // Each call takes its turn of the template's scripts: a dialog that is not
  // made, or that ends during WM_INITDIALOG, drops its script rather than
  // leave it to a later dialog of the same template.
  int id = pk::ui::TemplateId(lpTemplateName);
  pk::ui::Script script;
  {
    auto& queue = pk::ui::Scripts()[id];
    if (!queue.empty()) {
      script = std::move(queue.front());
      queue.pop_front();
    }
  }
  HWND dlg = pk::ui::MakeDialog(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam, false);
  if (!dlg) return -1;
  pk::ui::Window* w = Find(dlg);
  w->modal = true;
  w->style |= WS_VISIBLE;
  bool ownerWasEnabled = IsWindowEnabled(hWndParent);
  if (Find(hWndParent)) EnableWindow(hWndParent, FALSE);
  PumpMessages();
  if ((w = Find(dlg)) && !w->ended) {
    if (!script) {
      pk::ui::Fail("no script for dialog " + std::to_string(id));
    } else {
      script(dlg);
      PumpMessages();
      if ((w = Find(dlg)) && !w->ended) pk::ui::Fail("dialog " + std::to_string(id) + " left open by its script");
    }
  }
  INT_PTR result = IDCANCEL;
  if ((w = Find(dlg))) {
    if (w->ended) result = w->endResult;
    DestroyWindow(dlg);
  }
  if (Find(hWndParent) && ownerWasEnabled) EnableWindow(hWndParent, TRUE);
  return result;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  pk::ui::Window* w = Find(hDlg);
  if (!w || w->kind != pk::ui::kDialog) return FALSE;
  w->ended = true;
  w->endResult = nResult;
  w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  return TRUE;
}

// The topmost open dialog.
HWND GetActiveWindow(void) {
  auto& d = pk::ui::OpenDialogs();
  for (auto it = d.rbegin(); it != d.rend(); ++it)
    if (pk::ui::Window* w = Find(*it); w && !w->ended) return *it;
  return nullptr;
}

}  // extern "C"
