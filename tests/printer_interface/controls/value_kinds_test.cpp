// The kind table and the kinds that show one value: check box, radio
// buttons, spin, scroll bar, trackbar, value text, choice text, icon and the
// state follower.
#include "controls_fixture.h"

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

}  // namespace
}  // namespace pk::test
