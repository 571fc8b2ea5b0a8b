// The standard controls as a user drives them: limits, undo, number-only
// edits, lists with tab stops and keys, combo selections, up-downs, check
// boxes and radio groups, and the notifications their parent hears.
#include <algorithm>

#include "platform/ui/ui_test_support.h"
#include "platform/ui/win_common_controls.h"

namespace {

using pk::test::UiTest;

bool Heard(const pk::test::DialogLog& log, int id, int code) {
  return std::find(log.commands.begin(), log.commands.end(), std::make_pair(id, code)) != log.commands.end();
}

TEST_F(UiTest, TypingHonoursLimitsAndStyles) {
  HWND dlg = Open(100);
  HWND combo = GetDlgItem(dlg, 102);
  SendMessageW(combo, CB_LIMITTEXT, 32, 0);
  pk::ui::Type(combo, std::u16string(40, u'x'));
  EXPECT_EQ(pk::ui::Text(combo).size(), 32u);
  EXPECT_TRUE(Heard(log_, 102, CBN_EDITCHANGE));

  HWND edit = GetDlgItem(dlg, 101);
  SendMessageW(edit, EM_LIMITTEXT, 6, 0);
  pk::ui::Type(edit, u"ABCD");  // "Name" is there already
  EXPECT_EQ(pk::ui::Text(edit), u"NameAB");
  EXPECT_TRUE(Heard(log_, 101, EN_MAXTEXT));

  // Number-only set later through the style refuses letters.
  SendMessageW(edit, EM_LIMITTEXT, 0, 0);
  pk::ui::Replace(edit, u"12");
  SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | ES_NUMBER);
  pk::ui::Type(edit, u"3a4");
  EXPECT_EQ(pk::ui::Text(edit), u"1234");

  // Read-only refuses everything typed; the program may still set the text.
  SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
  EXPECT_TRUE(pk::ui::Style(edit) & ES_READONLY);
  pk::ui::Type(edit, u"5");
  EXPECT_EQ(pk::ui::Text(edit), u"1234");
  SetWindowTextW(edit, u"7");
  EXPECT_EQ(pk::ui::Text(edit), u"7");
}

TEST_F(UiTest, OneStepUndo) {
  HWND dlg = Open(100);
  HWND edit = GetDlgItem(dlg, 101);
  SetWindowTextW(edit, u"Draft");
  EXPECT_EQ(SendMessageW(edit, EM_CANUNDO, 0, 0), 0);
  log_.commands.clear();
  pk::ui::Type(edit, u" two");
  EXPECT_EQ(pk::ui::Text(edit), u"Draft two");
  EXPECT_TRUE(Heard(log_, 101, EN_CHANGE));
  EXPECT_EQ(SendMessageW(edit, EM_CANUNDO, 0, 0), 1);
  EXPECT_EQ(SendMessageW(edit, EM_UNDO, 0, 0), 1);
  EXPECT_EQ(pk::ui::Text(edit), u"Draft");
  pk::ui::Replace(edit, u"Final");
  SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_EQ(SendMessageW(edit, EM_CANUNDO, 0, 0), 0);
  EXPECT_EQ(SendMessageW(edit, EM_UNDO, 0, 0), 0);
  EXPECT_EQ(pk::ui::Text(edit), u"Final");
  SendMessageW(edit, EM_SETPASSWORDCHAR, u'*', 0);
  EXPECT_EQ(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0), u'*');
}

TEST_F(UiTest, ListLinesTabStopsAndKeys) {
  HWND dlg = Open(100);
  HWND list = GetDlgItem(dlg, 104);
  INT stops[] = {40, 80};
  EXPECT_TRUE(SendMessageW(list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops)));
  const char16_t* lines[] = {u"A4\t210 x 297", u"Letter\t8.5 x 11", u"Legal\t8.5 x 14"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i])), i);
    SendMessageW(list, LB_SETITEMDATA, i, 100 + i);
  }
  auto read = pk::ui::Lines(list);
  ASSERT_EQ(read.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(read[i].text, lines[i]);
    EXPECT_EQ(read[i].data, 100 + i);
  }
  EXPECT_EQ(SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"le")), 1);
  EXPECT_EQ(SendMessageW(list, LB_FINDSTRINGEXACT, 1, reinterpret_cast<LPARAM>(u"a4\t210 x 297")), 0);

  // The owner answers WM_VKEYTOITEM: -2 handled, -1 the list moves.
  ASSERT_TRUE(pk::ui::Select(list, 0));
  EXPECT_TRUE(Heard(log_, 104, LBN_SELCHANGE));
  LRESULT answer = -2;
  log_.answer = [&](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_VKEYTOITEM ? answer : FALSE; };
  pk::ui::PressKey(list, VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  answer = -1;
  pk::ui::PressKey(list, VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  answer = 2;
  pk::ui::PressKey(list, VK_HOME);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);

  EXPECT_EQ(SendMessageW(list, LB_SETTOPINDEX, 1, 0), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 2, 0), 2);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), -1);
  EXPECT_EQ(SendMessageW(list, LB_GETTEXT, 5, 0), LB_ERR);
}

TEST_F(UiTest, ComboSelectionNotifiesAndSorts) {
  HWND dlg = Open(100);
  HWND combo = GetDlgItem(dlg, 103);  // drop-down list, sorted
  for (const char16_t* s : {u"Letter", u"A4", u"legal", u"B5"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  std::vector<std::u16string> order;
  for (const auto& l : pk::ui::Lines(combo)) order.push_back(l.text);
  EXPECT_EQ(order, (std::vector<std::u16string>{u"A4", u"B5", u"legal", u"Letter"}));
  SendMessageW(combo, CB_SETITEMDATA, 3, 0x1234);
  log_.commands.clear();
  ASSERT_TRUE(pk::ui::SelectText(combo, u"Letter"));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 3, 0), 0x1234);
  EXPECT_EQ(pk::ui::Text(combo), u"Letter");
  std::vector<int> codes;
  for (auto [id, code] : log_.commands)
    if (id == 103) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  // The program's own selection is silent; a missing line answers CB_ERR.
  log_.commands.clear();
  EXPECT_EQ(SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"b")), 1);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_TRUE(log_.commands.empty());
  EXPECT_FALSE(pk::ui::Select(combo, 4));
  WCHAR text[kPkMaxListLine + 1];
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text)), 5);
  EXPECT_EQ(std::u16string(text), u"legal");
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
}

TEST_F(UiTest, OwnerDrawnComboKeepsItemData) {
  HWND dlg = Open(100);
  HWND combo = CreateWindowExW(0, WC_COMBOBOXW, u"", WS_CHILD | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 0, 0, 50, 50,
                               dlg, reinterpret_cast<HMENU>(300), nullptr, nullptr);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, 0x55), 0);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, 0x66), 1);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 1, 0), 0x66);
  LONG_PTR data = 0;
  SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(&data));
  EXPECT_EQ(data, 0x55);
}

TEST_F(UiTest, OwnerDrawnListAsksItsOwnerToMeasureAndDraw) {
  HWND dlg = Open(100);
  HWND list = CreateWindowExW(0, WC_LISTBOXW, u"", WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, 0, 0,
                              100, 40, dlg, reinterpret_cast<HMENU>(301), nullptr, nullptr);
  std::vector<UINT> measured;
  std::vector<std::pair<UINT, RECT>> drawn;
  log_.answer = [&](HWND, UINT msg, WPARAM, LPARAM lp) -> INT_PTR {
    if (msg == WM_MEASUREITEM) measured.push_back(reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemID);
    if (msg == WM_DRAWITEM) {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      EXPECT_EQ(d->CtlType, static_cast<UINT>(ODT_LISTBOX));
      EXPECT_EQ(d->hwndItem, list);
      drawn.push_back({d->itemID, d->rcItem});
    }
    return FALSE;
  };
  for (const char16_t* s : {u"Tray 1", u"Tray 2", u"Manual", u"Envelope"})
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(measured, (std::vector<UINT>{0, 1, 2, 3}));
  EXPECT_EQ(pk::ui::Lines(list)[2].text, u"Manual");
  ShowWindow(dlg, SW_SHOW);
  UpdateWindow(dlg);
  ASSERT_EQ(drawn.size(), 3u);  // a 40-pixel list shows three 16-pixel lines
  EXPECT_EQ(drawn[1].first, 1u);
  EXPECT_EQ(drawn[1].second.top, 16);
  EXPECT_EQ(drawn[1].second.right, 100);
}

TEST_F(UiTest, UpDownStaysInItsRange) {
  HWND dlg = Open(100);
  HWND spin = GetDlgItem(dlg, 106), buddy = GetDlgItem(dlg, 105);
  SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessageW(spin, UDM_SETRANGE, 0, MAKELPARAM(9, 1));  // maximum low, minimum high
  EXPECT_EQ(SendMessageW(spin, UDM_GETRANGE, 0, 0), MAKELONG(9, 1));
  SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(8, 0));
  EXPECT_EQ(pk::ui::Text(buddy), u"8");
  log_.scrolls.clear();
  pk::ui::Spin(spin, 3);
  EXPECT_EQ(LOWORD(SendMessageW(spin, UDM_GETPOS, 0, 0)), 9);
  EXPECT_EQ(pk::ui::Text(buddy), u"9");
  std::vector<WPARAM> thumbs;
  for (auto [msg, wp] : log_.scrolls)
    if (msg == WM_VSCROLL && LOWORD(wp) == SB_THUMBPOSITION) thumbs.push_back(HIWORD(wp));
  EXPECT_EQ(thumbs, (std::vector<WPARAM>{9, 9, 9}));
  pk::ui::Spin(spin, -20);
  EXPECT_EQ(LOWORD(SendMessageW(spin, UDM_GETPOS, 0, 0)), 1);
  EXPECT_EQ(SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(50, 0)), 1);  // the previous position
  EXPECT_EQ(LOWORD(SendMessageW(spin, UDM_GETPOS, 0, 0)), 9);
}

TEST_F(UiTest, ButtonsAndStatics) {
  HWND dlg = Open(100);
  pk::ui::ClickItem(dlg, 107);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 107), static_cast<UINT>(BST_CHECKED));
  EXPECT_TRUE(Heard(log_, 107, BN_CLICKED));
  pk::ui::ClickItem(dlg, 107);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 107), static_cast<UINT>(BST_UNCHECKED));
  // Radio buttons of one group exclude each other.
  pk::ui::ClickItem(dlg, 108);
  pk::ui::ClickItem(dlg, 109);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 108), 0u);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 109), 1u);
  CheckRadioButton(dlg, 108, 109, 108);
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(dlg, 108)), 1);
  EXPECT_EQ(pk::ui::CheckState(GetDlgItem(dlg, 109)), 0);
  CheckDlgButton(dlg, 107, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 107), 1u);
  // A disabled button ignores a click.
  EnableWindow(GetDlgItem(dlg, 107), FALSE);
  EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(dlg, 107)));
  pk::ui::ClickItem(dlg, 107);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 107), 1u);
  // STM_SETICON answers the previous icon.
  HWND icon = nullptr;
  for (HWND c = GetDlgItem(dlg, -1); c; c = nullptr) icon = c;
  ASSERT_NE(icon, nullptr);
  HICON a = reinterpret_cast<HICON>(0x1000), b = reinterpret_cast<HICON>(0x2000);
  EXPECT_EQ(SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(a), 0), 0);
  EXPECT_EQ(SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(b), 0), reinterpret_cast<LRESULT>(a));
}

TEST_F(UiTest, TrackbarsAndScrollBars) {
  HWND dlg = Open(100);
  HWND track = CreateWindowExW(0, TRACKBAR_CLASSW, u"", WS_CHILD | TBS_AUTOTICKS, 0, 0, 100, 20, dlg,
                               reinterpret_cast<HMENU>(400), nullptr, nullptr);
  ASSERT_NE(track, nullptr);
  SendMessageW(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendMessageW(track, TBM_SETTICFREQ, 10, 0);
  SendMessageW(track, TBM_SETPAGESIZE, 0, 25);
  SendMessageW(track, TBM_SETPOS, TRUE, 90);
  log_.scrolls.clear();
  pk::ui::Slide(track, TB_PAGEDOWN);
  EXPECT_EQ(SendMessageW(track, TBM_GETPOS, 0, 0), 100);  // stays at the end
  ASSERT_EQ(log_.scrolls.size(), 2u);
  EXPECT_EQ(log_.scrolls[0], std::make_pair(static_cast<UINT>(WM_HSCROLL), static_cast<WPARAM>(TB_PAGEDOWN)));
  EXPECT_EQ(LOWORD(log_.scrolls[1].second), TB_ENDTRACK);
  pk::ui::Slide(track, TB_THUMBPOSITION, 40);
  EXPECT_EQ(SendMessageW(track, TBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(log_.scrolls[2].second, MAKEWPARAM(TB_THUMBPOSITION, 40));

  HWND bar = CreateWindowExW(0, WC_SCROLLBARW, u"", WS_CHILD, 0, 0, 100, 20, dlg, reinterpret_cast<HMENU>(401), nullptr,
                             nullptr);
  EXPECT_TRUE(SetScrollRange(bar, SB_CTL, 0, 10, FALSE));
  EXPECT_EQ(SetScrollPos(bar, SB_CTL, 20, TRUE), 0);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 10);
  EXPECT_FALSE(SetScrollRange(dlg, SB_CTL, 0, 5, FALSE));  // not a scroll bar
  SetScrollRange(dlg, SB_VERT, 0, 50, FALSE);
  SetScrollPos(dlg, SB_VERT, 30, FALSE);
  EXPECT_EQ(GetScrollPos(dlg, SB_VERT), 30);
  EXPECT_EQ(GetScrollPos(dlg, SB_HORZ), 0);
}

TEST_F(UiTest, TooltipsAndTreeViews) {
  HWND dlg = Open(100);
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, dlg, nullptr, nullptr, nullptr);
  ASSERT_NE(tip, nullptr);
  HWND edit = GetDlgItem(dlg, 101);
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = dlg;
  ti.uId = reinterpret_cast<UINT_PTR>(edit);
  ti.lpszText = const_cast<LPWSTR>(u"The name of the job");
  EXPECT_TRUE(SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_EQ(SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 300), -1);
  EXPECT_EQ(pk::ui::TooltipText(tip, edit), u"The name of the job");
  ti.lpszText = const_cast<LPWSTR>(u"Changed");
  SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(pk::ui::TooltipText(tip, edit), u"Changed");
  EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);

  HWND tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD, 0, 0, 100, 100, dlg, reinterpret_cast<HMENU>(402),
                              nullptr, nullptr);
  auto insert = [&](HTREEITEM parent, const char16_t* text, LPARAM data) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.itemex.mask = TVIF_TEXT | TVIF_PARAM;
    ins.itemex.pszText = const_cast<LPWSTR>(text);
    ins.itemex.lParam = data;
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  };
  HTREEITEM paper = insert(TVI_ROOT, u"Paper", 1);
  HTREEITEM finishing = insert(TVI_ROOT, u"Finishing", 2);
  insert(paper, u"Size: A4", 3);
  HTREEITEM staple = insert(finishing, u"Staple", 4);
  insert(staple, u"Top left", 5);
  insert(paper, u"Source: Tray 1", 6);
  auto lines = pk::ui::TreeItems(tree);
  std::vector<std::pair<int, std::u16string>> walk;
  for (const auto& l : lines) walk.push_back({l.depth, l.text});
  EXPECT_EQ(walk, (std::vector<std::pair<int, std::u16string>>{{0, u"Paper"},
                                                               {1, u"Size: A4"},
                                                               {1, u"Source: Tray 1"},
                                                               {0, u"Finishing"},
                                                               {1, u"Staple"},
                                                               {2, u"Top left"}}));
  EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(staple)));
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 4);
  EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
  EXPECT_TRUE(pk::ui::TreeItems(tree).empty());
}

}  // namespace
