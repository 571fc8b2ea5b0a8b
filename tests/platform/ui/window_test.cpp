// Windows and messages: the procedure chain, the dialog procedure's result
// rule, posting and pumping, destruction, focus order and the cut of texts
// copied into callers' buffers.
#include <algorithm>
#include <set>

#include "platform/ui/ui_test_support.h"

namespace {

using pk::test::UiTest;

WNDPROC gOldProc = nullptr;
int gSubclassCalls = 0;
LRESULT CountingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  ++gSubclassCalls;
  return CallWindowProcW(gOldProc, h, msg, wp, lp);
}

TEST_F(UiTest, SubclassingChainsToThePreviousProcedure) {
  HWND dlg = Open(100);
  HWND edit = GetDlgItem(dlg, 101);
  ASSERT_NE(edit, nullptr);
  WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC));
  ASSERT_NE(own, nullptr);
  gSubclassCalls = 0;
  gOldProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  EXPECT_EQ(gOldProc, own);
  EXPECT_TRUE(SetWindowTextW(edit, u"Letter"));
  EXPECT_EQ(pk::ui::Text(edit), u"Letter");  // the edit's own procedure was reached
  EXPECT_EQ(gSubclassCalls, 1);
  EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CountingProc));
}

TEST_F(UiTest, DialogProcedureResultRule) {
  HWND dlg = Open(100);
  NMHDR hdr{GetDlgItem(dlg, 101), 101, 0xFFFFFED8u};
  struct Case {
    INT_PTR answer;
    LONG_PTR msgResult;
    LRESULT expected;
  } cases[] = {{TRUE, 1, 1}, {FALSE, 1, 0}, {TRUE, 0, 0}, {TRUE, 7, 7}};
  for (const auto& c : cases) {
    log_.answer = [&](HWND h, UINT msg, WPARAM, LPARAM) -> INT_PTR {
      if (msg != WM_NOTIFY) return FALSE;
      SetWindowLongPtrW(h, DWLP_MSGRESULT, c.msgResult);
      return c.answer;
    };
    EXPECT_EQ(SendMessageW(dlg, WM_NOTIFY, 101, reinterpret_cast<LPARAM>(&hdr)), c.expected)
        << c.answer << " " << c.msgResult;
  }
  // WM_VKEYTOITEM takes the procedure's answer itself.
  log_.answer = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_VKEYTOITEM ? -2 : FALSE; };
  EXPECT_EQ(SendMessageW(dlg, WM_VKEYTOITEM, VK_DOWN, 0), -2);
  log_.answer = nullptr;
  EXPECT_EQ(SendMessageW(dlg, WM_VKEYTOITEM, VK_DOWN, 0), -1);
}

TEST_F(UiTest, PostedMessagesArriveAtThePump) {
  HWND dlg = Open(100);
  log_.messages.clear();
  EXPECT_TRUE(PostMessageW(dlg, WM_USER + 5, 1, 2));
  EXPECT_TRUE(PostMessageW(dlg, WM_USER + 6, 3, 4));
  EXPECT_TRUE(log_.messages.empty());
  EXPECT_EQ(PumpMessages(), 2);
  EXPECT_EQ(log_.messages, (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));
  EXPECT_EQ(PumpMessages(), 0);
  // A message posted to a window destroyed before the pump is dropped.
  EXPECT_TRUE(PostMessageW(dlg, WM_USER + 7, 0, 0));
  DestroyWindow(dlg);
  log_.messages.clear();
  PumpMessages();
  EXPECT_TRUE(log_.messages.empty());
}

TEST_F(UiTest, DestroyedWindowsStayInvalid) {
  HWND dlg = Open(100);
  HWND edit = GetDlgItem(dlg, 101);
  pk::ui::Record(dlg);
  pk::ui::Record(edit);
  EXPECT_TRUE(DestroyWindow(dlg));
  // The dialog hears WM_DESTROY before its children go.
  auto parent = pk::ui::Recorded(dlg), child = pk::ui::Recorded(edit);
  ASSERT_FALSE(parent.empty());
  EXPECT_EQ(parent.front().message, static_cast<UINT>(WM_DESTROY));
  EXPECT_TRUE(std::any_of(child.begin(), child.end(), [](const auto& m) { return m.message == WM_DESTROY; }));
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_FALSE(DestroyWindow(dlg));
  EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(SendMessageW(dlg, WM_NOTIFY, 0, 0), 0);
  EXPECT_FALSE(PostMessageW(dlg, WM_USER, 0, 0));
  EXPECT_EQ(GetDlgItem(dlg, 101), nullptr);
  // Handles are never handed out again.
  std::set<HWND> fresh;
  for (int i = 0; i < 50; ++i) {
    HWND h = CreateWindowExW(0, u"Static", u"x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    fresh.insert(h);
    DestroyWindow(h);
  }
  EXPECT_EQ(fresh.count(dlg), 0u);
  EXPECT_EQ(fresh.count(edit), 0u);
  EXPECT_EQ(fresh.size(), 50u);
}

std::vector<std::string>* gOrder = nullptr;
WNDPROC gListProc = nullptr;
LRESULT OrderProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETFOCUS && gOrder) gOrder->push_back("list focused");
  return CallWindowProcW(gListProc, h, msg, wp, lp);
}

TEST_F(UiTest, FocusMoveTellsTheOldControlsParentFirst) {
  HWND dlg = Open(100);
  HWND edit = GetDlgItem(dlg, 101), list = GetDlgItem(dlg, 104);
  std::vector<std::string> order;
  gOrder = &order;
  gListProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OrderProc)));
  log_.answer = [&](HWND, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wp) == 101 && HIWORD(wp) == EN_KILLFOCUS) order.push_back("edit lost");
    return FALSE;
  };
  pk::ui::Focus(edit);
  EXPECT_EQ(GetFocus(), edit);
  pk::ui::Focus(list);
  gOrder = nullptr;
  EXPECT_EQ(GetFocus(), list);
  EXPECT_EQ(order, (std::vector<std::string>{"edit lost", "list focused"}));
  // A disabled control cannot take the focus from a user.
  EnableWindow(edit, FALSE);
  pk::ui::Focus(edit);
  EXPECT_EQ(GetFocus(), list);
}

TEST_F(UiTest, TextsAreCutToTheCallersBuffer) {
  HWND dlg = Open(100);
  HWND label = GetDlgItem(dlg, 109);
  std::u16string long300(300, u'a');
  long300[127] = u'Z';
  ASSERT_TRUE(SetWindowTextW(label, long300.c_str()));
  EXPECT_EQ(GetWindowTextLengthW(label), 300);
  std::vector<WCHAR> buf(128, u'#');
  EXPECT_EQ(GetWindowTextW(label, buf.data(), 128), 127);
  EXPECT_EQ(buf[126], u'a');
  EXPECT_EQ(buf[127], 0);
  WCHAR small[4];
  EXPECT_EQ(GetDlgItemTextW(dlg, 109, small, 4), 3u);
  EXPECT_EQ(std::u16string(small), u"aaa");
  EXPECT_EQ(GetWindowTextW(label, small, 0), 0);
  EXPECT_EQ(SendMessageW(label, WM_GETTEXT, 1, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(small[0], 0);
  // A line longer than any list keeps is kept as its first kPkMaxListLine units.
  HWND list = GetDlgItem(dlg, 104);
  std::u16string long2000(2000, u'b');
  ASSERT_EQ(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(long2000.c_str())), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 0, 0), 1024);
  std::vector<WCHAR> line(1025, u'#');
  EXPECT_EQ(SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line.data())), 1024);
  EXPECT_EQ(line[1024], 0);
  HWND combo = GetDlgItem(dlg, 102);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(long2000.c_str()));
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, 0, 0), 1024);
}

TEST_F(UiTest, GeometryAndZOrder) {
  HWND dlg = Open(100);
  SetWindowPos(dlg, nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT r;
  ASSERT_TRUE(GetClientRect(dlg, &r));
  EXPECT_EQ(r.right, 400);   // 200 dialog units at 8 / 4
  EXPECT_EQ(r.bottom, 300);  // 150 at 16 / 8
  HWND edit = GetDlgItem(dlg, 101);
  ASSERT_TRUE(GetWindowRect(edit, &r));
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.top, 70);
  POINT p{r.left, r.top};
  ScreenToClient(dlg, &p);
  EXPECT_EQ(p.x, 20);
  EXPECT_EQ(p.y, 20);
  EXPECT_EQ(ChildWindowFromPoint(dlg, p), edit);
  MapWindowPoints(dlg, edit, &p, 1);
  EXPECT_EQ(p.x, 0);
  // z-order: the edit goes to the bottom; its position stays.
  ASSERT_TRUE(SetWindowPos(edit, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  ASSERT_TRUE(GetWindowRect(edit, &r));
  EXPECT_EQ(r.left, 120);
  POINT q{25, 25};
  EXPECT_EQ(ChildWindowFromPoint(dlg, q), edit);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  ASSERT_TRUE(GetWindowPlacement(dlg, &wp));
  EXPECT_EQ(wp.rcNormalPosition.left, 100);
  pk::ui::SetSystemMetric(SM_CXSCREEN, 800);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0xFFFFFFu);
}

}  // namespace
