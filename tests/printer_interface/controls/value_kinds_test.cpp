// The kind table and the kinds that show one value: check box, radio
// buttons, spin, scroll bar, trackbar, value text, choice text, icon and the
// state follower.
#include "controls_fixture.h"
#include "platform/ui/win_paint.h"

namespace pk::test {
namespace {

using pk::ui::CheckState;

TEST_F(ControlsTest, TheKindTableNamesAHandlerForEveryGenericKind) {
  const RowHandler expected[] = {nullptr,
                                 ComboBoxKindHandler,
                                 ListBoxKindHandler,
                                 nullptr,
                                 EditKindHandler,
                                 RadioKindHandler,
                                 ButtonKindHandler,
                                 CheckKindHandler,
                                 ScrollBarKindHandler,
                                 SpinKindHandler,
                                 ValueTextKindHandler,
                                 ChoiceTextKindHandler,
                                 TrackBarKindHandler,
                                 IconKindHandler,
                                 StateFollowerKindHandler};
  for (UINT kind = 0; kind < 15; ++kind) {
    EXPECT_EQ(GenericHandlerForKind(kind), expected[kind]) << kind;
    EXPECT_EQ(GetGenericRowHandler(kind), expected[kind]) << kind;
  }
  EXPECT_EQ(GenericHandlerForKind(15), nullptr);
  EXPECT_EQ(GenericHandlerForKind(0x100000007ull), nullptr);
  // The first page list installs them for every sheet.
  for (UINT kind = 0; kind < 15; ++kind) SetGenericRowHandler(kind, nullptr);
  GetPageList(nullptr);
  InstallPageRows();
  EXPECT_EQ(GetGenericRowHandler(kKindEdit), &EditKindHandler);
}

constexpr RowItem kCheckItem[] = {{kCheck, kItemEvaluateAll | kItemEvaluateCurrent}};

TEST_F(ControlsTest, ACheckBoxOnChoiceOneIsClearedAndAClickStoresChoiceZero) {
  static const ControlRow rows[] = {Row(2001, kCheckItem, kKindCheckBox, nullptr)};
  HWND page = OpenRows(rows, 1);
  HWND box = GetDlgItem(page, 2001);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(CheckState(box), BST_UNCHECKED);
  pk::ui::Click(box);
  EXPECT_EQ(Number(kCheck), 1);
  EXPECT_EQ(CheckState(box), BST_CHECKED);
  pk::ui::Click(box);
  EXPECT_EQ(Number(kCheck), 0);
  EXPECT_EQ(CheckState(box), BST_UNCHECKED);
}

constexpr RowItem kRadioItem[] = {{kRadio, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr INT kRadioIds[] = {2101, 2102, 2103};
constexpr RadioControlParams kRadioParams{3, kRadioIds};

TEST_F(ControlsTest, RadioButtonsShowTheChoiceOfTheirPositionAndAClickTakesIt) {
  static const ControlRow rows[] = {Row(2101, kRadioItem, kKindRadio, &kRadioParams),
                                    Row(2102, kRadioItem, kKindRadio, &kRadioParams),
                                    Row(2103, kRadioItem, kKindRadio, &kRadioParams)};
  HWND page = OpenRows(rows, 3);
  EXPECT_EQ(CheckState(GetDlgItem(page, 2101)), BST_CHECKED);
  EXPECT_EQ(CheckState(GetDlgItem(page, 2103)), BST_UNCHECKED);
  pk::ui::Click(GetDlgItem(page, 2103));
  EXPECT_EQ(Number(kRadio), 2);
  EXPECT_EQ(CheckState(GetDlgItem(page, 2101)), BST_UNCHECKED);
  EXPECT_EQ(CheckState(GetDlgItem(page, 2102)), BST_UNCHECKED);
  EXPECT_EQ(CheckState(GetDlgItem(page, 2103)), BST_CHECKED);
}

constexpr RowItem kSmallItem[] = {{kSmallRange, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr EditUnitRecord kWhole{0, 0};
constexpr EditControlParams kNumberEdit{kEditNumber, 5, nullptr, &kWhole, kEditCheckAtKillActive};
constexpr const EditControlParams* kNumberEditRef = &kNumberEdit;
constexpr SpinParams kSpin{0};

TEST_F(ControlsTest, ASpinStepsItsBuddyAndStopsAtTheMaximum) {
  static const ControlRow rows[] = {Row(2201, kSmallItem, kKindEdit, &kNumberEditRef),
                                    Row(2202, kSmallItem, kKindSpin, &kSpin)};
  HWND page = OpenRows(rows, 2);
  HWND edit = GetDlgItem(page, 2201), spin = GetDlgItem(page, 2202);
  EXPECT_EQ(pk::ui::Text(edit), u"0");
  EXPECT_EQ(SendMessageW(spin, UDM_GETRANGE, 0, 0), MAKELONG(50, 0));
  pk::ui::Spin(spin, 3);
  EXPECT_EQ(Number(kSmallRange), 3);
  EXPECT_EQ(pk::ui::Text(edit), u"3");
  // A typed value is where the spin goes on from.
  pk::ui::Replace(edit, u"40");
  SendMessageW(page, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 41), reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(Number(kSmallRange), 41);
  pk::ui::Spin(spin, 20);
  EXPECT_EQ(Number(kSmallRange), 50);
  // A position past the range, as a spin without its own limits sends it.
  SendMessageW(page, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 70), reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(Number(kSmallRange), 50);
  EXPECT_EQ(pk::ui::Text(edit), u"50");
}

constexpr RowItem kSignedItem[] = {{kSigned, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ScrollBarParams kBottomIsMaximum{1, 10};
constexpr ScrollBarParams kTopIsMaximum{0, 10};

TEST_F(ControlsTest, AScrollBarMovesByItsDirectionAndShiftsANegativeRange) {
  static const ControlRow rows[] = {Row(2301, kSignedItem, kKindScrollBar, &kBottomIsMaximum)};
  SetNumber(kSigned, static_cast<uint32_t>(-100));
  HWND page = OpenRows(rows, 1);
  HWND bar = GetDlgItem(page, 2301);
  int low = 0, high = 0;
  GetScrollRange(bar, SB_CTL, &low, &high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 200);
  EXPECT_EQ(Number(kSigned), -100);
  struct Step {
    UINT code;
    int thumb;
    int64_t value;
  };
  for (const Step& step : {Step{SB_PAGEDOWN, 0, -90}, Step{SB_LINEDOWN, 0, -89}, Step{SB_LINEUP, 0, -90},
                           Step{SB_BOTTOM, 0, 100}, Step{SB_PAGEDOWN, 0, 100}, Step{SB_TOP, 0, -100},
                           Step{SB_PAGEUP, 0, -100}, Step{SB_THUMBTRACK, 150, 50}, Step{SB_THUMBPOSITION, 0, -100}}) {
    SendMessageW(page, WM_VSCROLL, MAKEWPARAM(step.code, step.thumb), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(Number(kSigned), step.value) << step.code;
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), step.value + 100) << step.code;
  }
}

TEST_F(ControlsTest, AScrollBarWithTheMaximumAtTheTopSwapsTheEnds) {
  static const ControlRow rows[] = {Row(2301, kSignedItem, kKindScrollBar, &kTopIsMaximum)};
  HWND page = OpenRows(rows, 1);
  HWND bar = GetDlgItem(page, 2301);
  SendMessageW(page, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(Number(kSigned), 100);
  SendMessageW(page, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(Number(kSigned), 90);
  SendMessageW(page, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(Number(kSigned), 91);
}

constexpr TrackBarParams kTrack{5, 10, 0};

TEST_F(ControlsTest, ATrackbarTakesItsRangeAndChangesTheSettingAsTheThumbMoves) {
  static const ControlRow rows[] = {Row(2401, kSmallItem, kKindTrackBar, &kTrack)};
  HWND page = OpenRows(rows, 1);
  HWND bar = GetDlgItem(page, 2401);
  EXPECT_EQ(SendMessageW(bar, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0), 50);
  EXPECT_EQ(SendMessageW(bar, TBM_GETPAGESIZE, 0, 0), 5);
  pk::ui::Slide(bar, TB_THUMBTRACK, 30);
  EXPECT_EQ(Number(kSmallRange), 30);
  pk::ui::Slide(bar, TB_LINEDOWN);
  EXPECT_EQ(Number(kSmallRange), 31);
  // Another code changes nothing.
  SendMessageW(bar, TBM_SETPOS, TRUE, 12);
  SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_TOP, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(Number(kSmallRange), 31);
}

constexpr RowItem kOrientationItem[] = {{7, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr ValueTextParams kWholeChoice{kValueTextChoice, 0};
constexpr ValueTextParams kResourceText{kValueTextResource, 461};
constexpr ChoiceTextParams kFollowsCombo{2501};
constexpr ListControlParams kPlainCombo{kListModeChoices, 0, 0, 0, nullptr, nullptr};

TEST_F(ControlsTest, TextsShowTheChoiceAResourceStringOrTheDescriptionOfTheLeadersChoice) {
  static const ControlRow rows[] = {Row(2501, kOrientationItem, kKindComboBox, &kPlainCombo),
                                    Row(2502, kOrientationItem, kKindValueText, &kWholeChoice),
                                    Row(2503, kOrientationItem, kKindValueText, &kResourceText),
                                    Row(2504, kOrientationItem, kKindChoiceText, &kFollowsCombo)};
  HWND page = OpenRows(rows, 4);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2502)), u"Portrait\nPages stand upright");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2503)), u"in");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2504)), u"Pages stand upright");
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 2501), u"Landscape"));
  EXPECT_EQ(Number(7), 2);
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2504)), u"Pages lie sideways");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, 2502)), u"Landscape\nPages lie sideways");
}

constexpr RowItem kStatusesItem[] = {{kStatuses, kItemEvaluateAll | kItemEvaluateCurrent}};

TEST_F(ControlsTest, AStateFollowerTakesTheStatusOfItsSettingsValue) {
  static const ControlRow rows[] = {Row(2601, kStatusesItem, kKindStateFollower, nullptr),
                                    Row(2602, kCheckItem, kKindStateFollower, nullptr)};
  SetNumber(kStatuses, 1);  // a disabled choice
  HWND page = OpenRows(rows, 2);
  EXPECT_FALSE(pk::ui::Enabled(GetDlgItem(page, 2601)));
  EXPECT_TRUE(pk::ui::Visible(GetDlgItem(page, 2601)));
  EXPECT_TRUE(pk::ui::Enabled(GetDlgItem(page, 2602)));
  SetNumber(kStatuses, 2);  // a hidden one
  Notify(page, PSN_SETACTIVE);
  EXPECT_FALSE(pk::ui::Visible(GetDlgItem(page, 2601)));
}

constexpr IconParams kDrawnIcon{1, 1, 0};
constexpr IconParams kPlainStatic{0, 0, 0};

TEST_F(ControlsTest, AnIconRowIsOneIconLargeAndDrawsItsCurrentChoicesIcon) {
  static const ControlRow rows[] = {Row(2701, kOrientationItem, kKindIcon, &kDrawnIcon),
                                    Row(2702, kOrientationItem, kKindIcon, &kPlainStatic)};
  HWND page = OpenRows(rows, 2);
  HWND icon = GetDlgItem(page, 2701);
  RECT client{};
  GetClientRect(icon, &client);
  EXPECT_EQ(client.right, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(client.bottom, GetSystemMetrics(SM_CYICON));
  GetClientRect(GetDlgItem(page, 2702), &client);
  EXPECT_EQ(client.right, 120);  // mode 0 leaves its control alone
  // The parameter query answers with the block.
  HandlerContext context = Context(page);
  EXPECT_EQ(IconKindHandler(&context, kMsgRowPrivate1, 2701, 0, &rows[0], &kDrawnIcon),
            reinterpret_cast<LRESULT>(&kDrawnIcon));

  auto faceOnly = [&] {
    UpdateWindow(icon);
    pk::gdi::Pixels pixels;
    EXPECT_TRUE(pk::ui::ScreenPixels(icon, &pixels));
    for (COLORREF c : pixels.colour)
      if (c != GetSysColor(COLOR_BTNFACE)) return false;
    return !pixels.colour.empty();
  };
  EXPECT_FALSE(faceOnly());  // portrait's picture
  SetNumber(7, 2);
  Notify(page, PSN_SETACTIVE);
  EXPECT_TRUE(faceOnly());  // landscape has none
  // Apply gives the control its own procedure back.
  Notify(page, PSN_APPLY);
  EXPECT_EQ(FindSheetStoreEntry(sheet_, 2, 2701, page), nullptr);
}

}  // namespace
}  // namespace pk::test
