// Dialogs from compiled templates, modal dialogs run by scripts (nesting,
// message boxes, a dialog left open) and the compiler's checks of dialog
// sources.
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/ui/ui_test_support.h"

namespace {

using pk::test::UiTest;

TEST_F(UiTest, TemplateMakesItsControls) {
  // TRUE to WM_INITDIALOG lets the dialog manager focus the first tab stop.
  log_.answer = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_INITDIALOG; };
  HWND dlg = Open(100, 0x5151);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(pk::ui::ClassName(dlg), u"#32770");
  EXPECT_EQ(pk::ui::Text(dlg), u"Test Settings");
  EXPECT_EQ(log_.initParam, 0x5151);
  ASSERT_FALSE(log_.messages.empty());
  EXPECT_EQ(log_.messages.front(), static_cast<UINT>(WM_INITDIALOG));
  struct Case {
    int id;
    const char16_t* className;
    const char16_t* text;
    DWORD style;
  } cases[] = {
      {101, u"Edit", u"Name", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL},
      {102, u"ComboBox", u"", WS_CHILD | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL},
      {104, u"ListBox", u"", WS_CHILD | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS | LBS_WANTKEYBOARDINPUT},
      {106, u"msctls_updown32", u"", WS_CHILD | UDS_SETBUDDYINT | UDS_ALIGNRIGHT},
      {108, u"Button", u"Portrait", WS_CHILD | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON},
      {-1, u"Static", u"Copies:", WS_CHILD},
      {1, u"Button", u"OK", WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON},
  };
  for (const auto& c : cases) {
    HWND h = GetDlgItem(dlg, c.id);
    ASSERT_NE(h, nullptr) << c.id;
    EXPECT_EQ(GetDlgCtrlID(h), c.id);
    EXPECT_EQ(GetParent(h), dlg);
    EXPECT_EQ(pk::ui::ClassName(h), c.className) << c.id;
    EXPECT_EQ(pk::ui::Text(h), c.text) << c.id;
    EXPECT_EQ(pk::ui::Style(h), static_cast<DWORD>(c.style)) << c.id;
  }
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 101));  // the first tab stop
  SetFocus(nullptr);
  log_.answer = nullptr;
  HWND second = Open(200);
  EXPECT_EQ(GetFocus(), nullptr);  // FALSE: the procedure keeps the focus to itself
  DestroyWindow(second);
  EXPECT_EQ(GetActiveWindow(), dlg);
  DestroyWindow(dlg);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(CreateDialogParamW(module_, MAKEINTRESOURCEW(999), nullptr, &pk::test::LoggingDialogProc, 0), nullptr);
}

TEST_F(UiTest, ModalDialogAnswersWhatItsScriptEnds) {
  HWND owner = Open(100);
  log_.answer = [](HWND h, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK && GetDlgItem(h, 201)) {
      EndDialog(h, 42);
      return TRUE;
    }
    return FALSE;
  };
  HWND seen = nullptr;
  pk::ui::QueueDialogScript(200, [&](HWND dlg) {
    seen = dlg;
    EXPECT_EQ(GetActiveWindow(), dlg);
    EXPECT_FALSE(IsWindowEnabled(owner));  // modal: the owner waits
    EXPECT_EQ(pk::ui::Text(GetDlgItem(dlg, 201)), u"Replace the file?");
    pk::seams::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxW(GetActiveWindow(), u"Sure?", u"Confirm", MB_YESNO), IDYES);
    pk::ui::ClickItem(dlg, IDOK);
  });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(200), owner, &pk::test::LoggingDialogProc, 0), 42);
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  auto boxes = pk::seams::MessageBoxCalls();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, seen);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

TEST_F(UiTest, ModalScriptsNest) {
  std::vector<int> order;
  pk::ui::QueueDialogScript(100, [&](HWND outer) {
    order.push_back(1);
    pk::ui::QueueDialogScript(200, [&](HWND inner) {
      order.push_back(2);
      EXPECT_EQ(GetActiveWindow(), inner);
      EndDialog(inner, 7);
    });
    EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(200), outer, &pk::test::LoggingDialogProc, 0), 7);
    order.push_back(3);
    EXPECT_EQ(GetActiveWindow(), outer);
    EndDialog(outer, IDOK);
  });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(100), nullptr, &pk::test::LoggingDialogProc, 0), IDOK);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

// Each call takes its turn of the template's scripts, so a dialog that never
// waits for its script cannot hand it to a later dialog of that template.
TEST_F(UiTest, DialogThatNeverWaitsDropsItsScript) {
  int runs = 0;
  pk::ui::QueueDialogScript(200, [&](HWND) { runs += 100; });
  pk::ui::QueueDialogScript(200, [&](HWND dlg) {
    ++runs;
    EndDialog(dlg, 9);
  });
  log_.answer = [](HWND h, UINT msg, WPARAM, LPARAM) -> INT_PTR {
    if (msg != WM_INITDIALOG) return FALSE;
    EndDialog(h, 5);
    return TRUE;
  };
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(200), nullptr, &pk::test::LoggingDialogProc, 0), 5);
  log_.answer = nullptr;
  // A template the module lacks: no dialog, and the script's turn is gone.
  pk::ui::QueueDialogScript(999, [&](HWND) { runs += 1000; });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(999), nullptr, &pk::test::LoggingDialogProc, 0), -1);
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(200), nullptr, &pk::test::LoggingDialogProc, 0), 9);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
}

std::vector<std::string>* gFailures = nullptr;

TEST_F(UiTest, DialogLeftOpenEndsWithCancelAndFails) {
  std::vector<std::string> failures;
  gFailures = &failures;
  pk::ui::SetScriptFailureHandler([](const std::string& text) { gFailures->push_back(text); });
  pk::ui::QueueDialogScript(200, [](HWND dlg) { SetDlgItemTextW(dlg, 201, u"still open"); });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(200), nullptr, &pk::test::LoggingDialogProc, 0), IDCANCEL);
  // No script at all: the same.
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(200), nullptr, &pk::test::LoggingDialogProc, 0), IDCANCEL);
  gFailures = nullptr;
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("left open"), std::string::npos);
  EXPECT_NE(failures[1].find("no script"), std::string::npos);
  EXPECT_EQ(pk::ui::ScriptFailures().size(), 2u);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

std::string RunCompiler(const std::string& source, int* status) {
  std::string dir = std::filesystem::temp_directory_path().string() + "/pkrc-dlg-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::string src = dir + "/page.dlg";
  std::ofstream(src) << source;
  std::string cmd = pk::test::BuildOut() + "/pkrc --module " + dir + "/out.vbn " + src + " 2>&1";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  char buf[256];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  int st = p ? pclose(p) : -1;
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  if (*status == 0 && !std::filesystem::exists(dir + "/out.vbn")) *status = -1;
  std::filesystem::remove_all(dir);
  return out;
}

TEST(DialogCompilerTest, RefusesBadSourcesWithFileAndLine) {
  const std::string head = "dialog 300 100 50 \"Page\"\n";
  struct Case {
    std::string source;
    const char* message;  // null: accepted
  } cases[] = {
      {head + "button 1 \"OK\" 10 10 40 14 WS_TABSTOP|0x1\nstatic -1 \"a\" 0 0 5 5\nstatic -1 \"b\" 0 8 5 5\n",
       nullptr},
      {head + "edit 5 \"\" 0 0 20 10\n\nbutton 5 \"x\" 0 20 20 10\n",
       "page.dlg:4: duplicate control id 5 (first at line 2)"},
      {head + "gadget 6 \"\" 0 0 10 10\n", "page.dlg:2: unknown control class 'gadget'"},
      {head + "edit 7 \"\" 90 0 20 10\n", "page.dlg:2: control 7 lies outside its dialog"},
      {head + "edit 8 \"\" 0 0 20 10 WS_SPARKLE\n", "page.dlg:2: unknown style 'WS_SPARKLE'"},
      {"button 1 \"OK\" 0 0 5 5\n", "page.dlg:1: a control before any dialog line"},
      {head + head, "page.dlg:2: duplicate dialog 300"},
      {"dialog 301 10 \"x\"\n", "page.dlg:1: expected: dialog"},
  };
  for (const auto& c : cases) {
    int status = 0;
    std::string out = RunCompiler(c.source, &status);
    if (!c.message) {
      EXPECT_EQ(status, 0) << out;
    } else {
      EXPECT_NE(status, 0) << c.message;
      EXPECT_NE(out.find(c.message), std::string::npos) << out;
    }
  }
}

TEST(DialogTemplateTest, DamagedTemplatesAreRefused) {
  pk::resources::DialogTemplate t;
  t.cx = 10;
  t.cy = 10;
  t.caption = u"Cap";
  t.controls.push_back({3, u"Edit", u"abc", 1, 2, 3, 4, 0x10});
  auto bytes = pk::resources::WriteDialogTemplate(t);
  pk::resources::DialogTemplate back;
  ASSERT_TRUE(pk::resources::ReadDialogTemplate(bytes.data(), bytes.size(), &back));
  EXPECT_EQ(back.controls.at(0).text, u"abc");
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(pk::resources::ReadDialogTemplate(bytes.data(), n, &back)) << n;
  bytes[12] = 0xFF;  // caption count far past the end
  EXPECT_FALSE(pk::resources::ReadDialogTemplate(bytes.data(), bytes.size(), &back));
}

}  // namespace
