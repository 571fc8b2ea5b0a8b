// The list kinds: choices with their statuses, one line per setting, the
// images and owner drawing of lines, keys, double clicks and drop-downs.
#include "controls_fixture.h"
#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_paint.h"

namespace pk::test {
namespace {

using pk::ui::Lines;
using pk::ui::Selection;

constexpr UINT VK_SPACE_KEY = 0x20;

COLORREF At(const pk::gdi::Pixels& p, int x, int y) { return p.colour[static_cast<size_t>(y) * p.width + x]; }

std::vector<std::u16string> Texts(HWND control) {
  std::vector<std::u16string> texts;
  for (const auto& line : Lines(control)) texts.push_back(line.text);
  return texts;
}
std::vector<UINT> Images(HWND control) {
  std::vector<UINT> images;
  for (const auto& line : Lines(control)) images.push_back(static_cast<UINT>(line.data & 0xFFFF));
  return images;
}

constexpr RowItem kStatusesItem[] = {{kStatuses, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ListControlParams kChoices{kListModeChoices, 0, 0, 0, nullptr, nullptr};

TEST_F(ControlsTest, AChoiceComboSkipsDisabledAndHiddenChoices) {
  static const ControlRow rows[] = {Row(3001, kStatusesItem, kKindComboBox, &kChoices)};
  HWND page = OpenRows(rows, 1);
  HWND combo = GetDlgItem(page, 3001);
  EXPECT_EQ(Texts(combo), (std::vector<std::u16string>{u"Plain", u"Other"}));
  EXPECT_EQ(Selection(combo), 0);
  ASSERT_TRUE(pk::ui::SelectText(combo, u"Other"));
  EXPECT_EQ(Number(kStatuses), 3);
}

TEST_F(ControlsTest, AChoiceComboWhoseCurrentChoiceIsSkippedSelectsNoLine) {
  static const ControlRow rows[] = {Row(3001, kStatusesItem, kKindComboBox, &kChoices)};
  for (uint32_t skipped : {1u, 2u}) {
    SetNumber(kStatuses, skipped);
    HWND page = OpenRows(rows, 1);
    EXPECT_EQ(Texts(GetDlgItem(page, 3001)), (std::vector<std::u16string>{u"Plain", u"Other"}));
    EXPECT_EQ(Selection(GetDlgItem(page, 3001)), -1) << skipped;
  }
}

constexpr RowItem kHiddenItems[] = {{kHiddenA, kItemEvaluateAll | kItemEvaluateCurrent},
                                    {kHiddenB, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ListControlParams kSettingsList{kListModeSettings, kListTextName | kListTextTab, 60, 0, nullptr, nullptr};

TEST_F(ControlsTest, ASettingsListThatShowsNoSettingHasTheNoSettingsLine) {
  static const ControlRow rows[] = {Row(3101, kHiddenItems, kKindListBox, &kSettingsList, 2)};
  HWND page = OpenRows(rows, 1);
  WCHAR none[128] = {};
  ASSERT_GT(LoadStringW(GetPagesResourceModule(), 391, none, 128), 0);
  EXPECT_EQ(Texts(GetDlgItem(page, 3101)), std::vector<std::u16string>{std::u16string(none)});
}

constexpr RowItem kDeviceItems[] = {{kCheck, kItemEvaluateAll | kItemEvaluateCurrent},
                                    {kHiddenA, kItemEvaluateAll | kItemEvaluateCurrent},
                                    {kToggle, kItemEvaluateAll | kItemEvaluateCurrent},
                                    {kStatuses, kItemEvaluateAll | kItemEvaluateCurrent}};

TEST_F(ControlsTest, ASettingsListShowsTitleTabValueWithItsTabStop) {
  static const ControlRow rows[] = {Row(3101, kDeviceItems, kKindListBox, &kSettingsList, 4)};
  SetNumber(kHiddenA, 1);  // shown
  MakeSheet(entries_, 2);
  HWND page = OpenRows(rows, 1);
  HWND list = GetDlgItem(page, 3101);
  EXPECT_EQ(Texts(list),
            (std::vector<std::u16string>{u"Checked\tOff", u"Hidden A\tHere", u"Toggle\tOff", u"Statuses\tPlain"}));
  pk::ui::Record(list);
  Notify(page, PSN_SETACTIVE);
  bool tabStop = false;
  for (const auto& m : pk::ui::Recorded(list))
    if (m.message == LB_SETTABSTOPS && m.wParam == 1 && m.lParam && *reinterpret_cast<const INT*>(m.lParam) == 60)
      tabStop = true;
  EXPECT_TRUE(tabStop);
  // Without the tab flag the line is the title alone.
  static const ListControlParams titles{kListModeSettings, kListTextName, 0, 0, nullptr, nullptr};
  static const ControlRow titleRows[] = {Row(3102, kDeviceItems, kKindListBox, &titles, 4)};
  HWND other = OpenRows(titleRows, 1);
  EXPECT_EQ(Texts(GetDlgItem(other, 3102)).front(), u"Checked");
}

// A device-style list: one line per setting, refreshed in place, a double
// click steps the current setting's choice.
constexpr ListControlParams kDeviceList{
    kListModeSettings, kListTextName | kListTextTab, 60, kListStepOnDoubleClick | kListKeepLines, nullptr, nullptr};

TEST_F(ControlsTest, ADoubleClickOnAKeptSettingsListLeavesOneLinePerShownSetting) {
  static const ControlRow rows[] = {Row(3101, kDeviceItems, kKindListBox, &kDeviceList, 4),
                                    Row(3102, kStatusesItem, kKindComboBox, &kChoices)};
  HWND page = OpenRows(rows, 2);
  HWND list = GetDlgItem(page, 3101);
  const std::vector<std::u16string> shown{u"Checked\tOff", u"Toggle\tOff", u"Statuses\tPlain"};
  EXPECT_EQ(Texts(list), shown);
  for (int i = 0; i < 3; ++i) pk::ui::DoubleClick(list);
  EXPECT_EQ(Number(kCheck), 1);  // On, Off, On
  EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"Checked\tOn", u"Toggle\tOff", u"Statuses\tPlain"}));
  // A change another row made is replaced in place.
  SetNumber(kStatuses, 3);
  HandlerContext context = Context(page);
  context.row = &rows[1];
  WORD changed[] = {kStatuses, 0};
  ReevaluatePage(&context, changed);
  EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"Checked\tOn", u"Toggle\tOff", u"Statuses\tOther"}));
  // A line selected makes its setting current; a double click steps it.
  ASSERT_TRUE(pk::ui::Select(list, 1));
  pk::ui::DoubleClick(list);
  EXPECT_EQ(Number(kToggle), 1);
  EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"Checked\tOn", u"Toggle\tOn", u"Statuses\tOther"}));
  EXPECT_EQ(Selection(list), 1);
}

constexpr RowItem kToggleItem[] = {{kToggle, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ListControlParams kCheckIcons{kListModeChoices, 0, 0, kListCheckIcons, nullptr, nullptr};

TEST_F(ControlsTest, ListKeysMoveToTheirLineSpaceTogglesAndOtherKeysAreLeftToTheList) {
  static const ControlRow rows[] = {Row(3201, kStatusesItem, kKindListBox, &kChoices),
                                    Row(3202, kToggleItem, kKindListBox, &kCheckIcons)};
  HWND page = OpenRows(rows, 2);
  HWND list = GetDlgItem(page, 3201), toggles = GetDlgItem(page, 3202);
  pk::ui::PressKey(list, VK_NEXT);
  EXPECT_EQ(Selection(list), 1);
  EXPECT_EQ(Number(kStatuses), 3);
  pk::ui::PressKey(list, VK_HOME);
  EXPECT_EQ(Selection(list), 0);
  EXPECT_EQ(Number(kStatuses), 0);
  pk::ui::PressKey(list, VK_UP);  // before the first line: nothing
  EXPECT_EQ(Selection(list), 0);
  EXPECT_EQ(SendMessageW(page, WM_VKEYTOITEM, MAKEWPARAM('A', 0), reinterpret_cast<LPARAM>(list)), -1);
  EXPECT_EQ(SendMessageW(page, WM_VKEYTOITEM, MAKEWPARAM(VK_END, 0), reinterpret_cast<LPARAM>(list)), -2);

  EXPECT_EQ(Number(kToggle), 0);
  pk::ui::PressKey(toggles, VK_SPACE_KEY);
  EXPECT_EQ(Number(kToggle), 1);
  pk::ui::PressKey(toggles, VK_SPACE_KEY);
  EXPECT_EQ(Number(kToggle), 0);
}

constexpr RowItem kStatesItem[] = {{kStates, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ListControlParams kStateBitmaps{kListModeChoices, 0, 0, kListStateBitmaps, nullptr, nullptr};

TEST_F(ControlsTest, LinesCarryTheStateBitmapOfTheirStatusOrTheCheckIconOfTheirValue) {
  static const ControlRow rows[] = {Row(3301, kStatesItem, kKindListBox, &kStateBitmaps),
                                    Row(3302, kToggleItem, kKindListBox, &kCheckIcons)};
  HWND page = OpenRows(rows, 2);
  EXPECT_EQ(Texts(GetDlgItem(page, 3301)), (std::vector<std::u16string>{u"None", u"Refused", u"Asked", u"Layout",
                                                                        u"Group value", u"Group", u"Forbidden"}));
  EXPECT_EQ(Images(GetDlgItem(page, 3301)), (std::vector<UINT>{0, 224, 223, 223, 224, 224, 0}));
  EXPECT_EQ(Images(GetDlgItem(page, 3302)), (std::vector<UINT>{252, 253}));
}

// Draws line 0 of the row's control on a fresh bitmap and gives its pixels.
pk::gdi::Pixels DrawLine(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL combo,
                         UINT state) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 120, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HWND control = GetDlgItem(context->window, row->controlId);
  DRAWITEMSTRUCT item{};
  item.CtlType = combo ? ODT_COMBOBOX : ODT_LISTBOX;
  item.CtlID = static_cast<UINT>(row->controlId);
  item.itemID = 0;
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = state;
  item.hwndItem = control;
  item.hDC = dc;
  item.rcItem = RECT{0, 0, 120, 16};
  item.itemData = static_cast<ULONG_PTR>(SendMessageW(control, combo ? CB_GETITEMDATA : LB_GETITEMDATA, 0, 0));
  EXPECT_EQ(DrawListItem(context, row, params, combo, &item), 1);
  SelectObject(dc, old);
  pk::gdi::Pixels pixels;
  pk::gdi::ReadBitmapPixels(bitmap, &pixels);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool Has(const pk::gdi::Pixels& pixels, COLORREF colour, int fromX, int toX) {
  for (int y = 0; y < pixels.height; ++y)
    for (int x = fromX; x < toX && x < pixels.width; ++x)
      if (At(pixels, x, y) == colour) return true;
  return false;
}

TEST_F(ControlsTest, OwnerDrawnLinesTakeTheColoursOfTheirStateAndTheImageAtTheLeft) {
  static const ControlRow rows[] = {Row(3301, kStatesItem, kKindListBox, &kStateBitmaps),
                                    Row(3302, kStatesItem, kKindComboBox, &kChoices)};
  HWND page = OpenRows(rows, 2,
                       {{3301, LBS_NOTIFY | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED},
                        {3302, CBS_DROPDOWNLIST | CBS_HASSTRINGS | CBS_OWNERDRAWFIXED}});
  HandlerContext context = Context(page);
  const COLORREF window = GetSysColor(COLOR_WINDOW), gray = GetSysColor(COLOR_GRAYTEXT);
  pk::gdi::Pixels disabled = DrawLine(&context, &rows[0], &kStateBitmaps, FALSE, ODS_DISABLED);
  EXPECT_EQ(At(disabled, 118, 1), window);
  EXPECT_TRUE(Has(disabled, gray, 19, 120));
  EXPECT_FALSE(Has(disabled, gray, 0, 19));
  pk::gdi::Pixels comboLine = DrawLine(&context, &rows[1], &kChoices, TRUE, ODS_DISABLED);
  EXPECT_EQ(At(comboLine, 118, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(Has(comboLine, gray, 3, 19));  // no image: the text starts at 3
  pk::gdi::Pixels selected = DrawLine(&context, &rows[1], &kChoices, TRUE, ODS_SELECTED);
  EXPECT_EQ(At(selected, 118, 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_TRUE(Has(selected, GetSysColor(COLOR_HIGHLIGHTTEXT), 3, 120));

  // Line 1 (status 2) carries bitmap 224, drawn at the left edge.
  SendMessageW(GetDlgItem(page, 3301), LB_SETITEMDATA, 0, SendMessageW(GetDlgItem(page, 3301), LB_GETITEMDATA, 1, 0));
  pk::gdi::Pixels marked = DrawLine(&context, &rows[0], &kStateBitmaps, FALSE, 0);
  EXPECT_TRUE(Has(marked, RGB(208, 32, 32), 0, 19));
}

constexpr ListControlParams kDropDownCombo{kListModeChoices, 0, 0, kListStepOnDoubleClick, nullptr, nullptr};

TEST_F(ControlsTest, AComboDropDownShowsTheChoicesAsEvaluatedNowAndASelectionChangesTheSetting) {
  static const ControlRow rows[] = {Row(3401, kStatusesItem, kKindComboBox, &kDropDownCombo)};
  HWND page = OpenRows(rows, 1);
  HWND combo = GetDlgItem(page, 3401);
  // Portrait made choices 1 and 2 unavailable; landscape frees them.
  SetNumber(7, 2);
  pk::ui::DropDown(combo);
  EXPECT_EQ(Texts(combo), (std::vector<std::u16string>{u"Plain", u"Disabled", u"Hidden", u"Other"}));
  EXPECT_EQ(Selection(combo), 0);
  ASSERT_TRUE(pk::ui::SelectText(combo, u"Hidden"));
  EXPECT_EQ(Number(kStatuses), 2);
  pk::ui::CloseUp(combo);
  EXPECT_EQ(Selection(combo), 2);
}

constexpr RowItem kLongItem[] = {{kLong, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr EditUnitRecord kWhole{0, 0};
constexpr EditControlParams kComboEdit{kEditNumber, 5, nullptr, &kWhole, kEditCheckAtKillActive};
constexpr ListControlParams kEditCombo{kListModeChoices, 0, 0, kListEditPart, &kComboEdit, nullptr};

TEST_F(ControlsTest, AComboWithAnEditPartTakesATypedValueOutsideItsChoices) {
  static const ControlRow rows[] = {Row(3501, kLongItem, kKindComboBox, &kEditCombo)};
  SetNumber(kLong, 15000);
  HWND page = OpenRows(rows, 1, {{3501, CBS_DROPDOWN | CBS_HASSTRINGS}});
  HWND combo = GetDlgItem(page, 3501);
  EXPECT_EQ(pk::ui::Text(combo), u"15000");
  pk::ui::Replace(combo, u"150");
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(3501, CBN_KILLFOCUS), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(Number(kLong), 150);
  HandlerContext context = Context(page);
  EXPECT_EQ(GetCurrentChoiceList(&context, &rows[0])->kind, 4);  // given back after the commit
  pk::ui::Replace(combo, u"1234");
  // A value that still changes at kill-active keeps the user on the page.
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 1);
  EXPECT_EQ(Number(kLong), 1234);
  EXPECT_EQ(Notify(page, PSN_KILLACTIVE), 0);
}

int gFills = 0;
BOOL gRebuilt = FALSE;
int FillByCallback(HandlerContext*, const ControlRow*, const ListControlParams*, HWND control, BOOL rebuild) {
  ++gFills;
  gRebuilt = rebuild;
  SendMessageW(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"own line"));
  return 1;
}
constexpr ListControlParams kCallbackList{kListModeChoices, 0, 0, kListFillCallback, nullptr, &FillByCallback};

TEST_F(ControlsTest, AListWithAFillCallbackIsFilledByIt) {
  static const ControlRow rows[] = {Row(3601, kStatusesItem, kKindListBox, &kCallbackList)};
  gFills = 0;
  HWND page = OpenRows(rows, 1);
  EXPECT_EQ(gFills, 1);
  EXPECT_TRUE(gRebuilt);
  EXPECT_EQ(Texts(GetDlgItem(page, 3601)), std::vector<std::u16string>{u"own line"});
  HandlerContext context = Context(page);
  EXPECT_EQ(ListBoxKindHandler(&context, kMsgRefill, 0, 0, &rows[0], &kCallbackList), 0);
  EXPECT_EQ(gFills, 2);
  EXPECT_FALSE(gRebuilt);
}

}  // namespace
}  // namespace pk::test
