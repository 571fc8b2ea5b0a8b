// The margins and image offsets dialog (page id 14): lengths in the sheet's
// unit, the layout icons, the labels of the offsets by their direction, and
// the dialog opened from page 0's button as a modal sub-dialog.
#include <gtest/gtest.h>

#include <algorithm>

#include "document_pages_fixture.h"

namespace pk::test {
namespace {

using MarginsDialogTest = DocumentPagesTest;

TEST_F(MarginsDialogTest, InInchesTheMarginsShowTwoDecimalsAndTheInchWord) {
  SetNumber(1044, 1);
  SetNumber(351, 100);
  SetNumber(353, 254);
  HWND dialog = OpenMargins();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog, 5170), u"0.39");
  EXPECT_EQ(Text(dialog, 5183), u"1.00");
  for (int id : {5172, 5178, 5185, 5190}) EXPECT_EQ(Text(dialog, id), u"in") << id;
  EXPECT_EQ(Text(dialog, 5169), u"Top ma&rgin (in):");
  // A typed length is stored in tenths of a millimetre.
  pk::ui::Replace(GetDlgItem(dialog, 5175), u"0.50");
  SetFocus(GetDlgItem(dialog, 5170));
  EXPECT_EQ(Number(352), 127);
}

TEST_F(MarginsDialogTest, InMillimetresTheMarginsShowOneDecimal) {
  SetNumber(351, 100);
  HWND dialog = OpenMargins();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog, 5170), u"10.0");
  for (int id : {5172, 5178, 5185, 5190}) EXPECT_EQ(Text(dialog, id), u"mm") << id;
  Snapshot(dialog, "margins_dialog");
}

TEST_F(MarginsDialogTest, LayoutIconsFollowPjlOutputRotationAndDirection) {
  HWND dialog = OpenMargins();
  ASSERT_NE(dialog, nullptr);
  HandlerContext context = ContextOf(dialog, kMarginsPageId);
  struct Case {
    uint32_t pjl, rotation;
    INT top, bottom;
  };
  for (const Case& c : {Case{1, 0, 5204, 5205}, Case{1, 1, 5204, 5205}, Case{1, 3, 5206, 5207}, Case{0, 0, 5208, 5209},
                        Case{0, 3, 5208, 5209}}) {
    SetNumber(1032, c.pjl);
    SetNumber(437, c.rotation);
    INT icon = 0;
    EXPECT_EQ(LayoutIconId(&context, 5198, &icon), 0);
    EXPECT_EQ(icon, c.top) << c.pjl << " " << c.rotation;
    EXPECT_EQ(LayoutIconId(&context, 5197, &icon), 0);
    EXPECT_EQ(icon, c.bottom) << c.pjl << " " << c.rotation;
  }
  for (uint32_t v = 0; v < 4; ++v) {
    SetNumber(413, v);
    INT icon = 0;
    EXPECT_EQ(LayoutIconId(&context, 5196, &icon), 0);
    EXPECT_EQ(icon, static_cast<INT>(5210 + v));
  }
  SetNumber(413, 4);
  INT icon = -1;
  EXPECT_EQ(LayoutIconId(&context, 5196, &icon), 1);
  EXPECT_EQ(icon, -1);
  // The icons reach the controls when the dialog is activated.
  SetNumber(413, 2);
  SetNumber(1032, 1);
  Notify(dialog, PSN_SETACTIVE);
  EXPECT_NE(SendMessageW(GetDlgItem(dialog, 5196), STM_GETICON, 0, 0), 0);
  EXPECT_NE(SendMessageW(GetDlgItem(dialog, 5198), STM_GETICON, 0, 0), 0);
}

TEST_F(MarginsDialogTest, OffsetLabelsFollowTheDirection) {
  struct Case {
    uint32_t direction;
    const char16_t* first;
    const char16_t* second;
  };
  for (const Case& c :
       {Case{0, u"Image offset 1", u"Image offset 2"}, Case{1, u"Image offset 1", u"Image offset 2 (reversed)"},
        Case{2, u"Image offset 1 (reversed)", u"Image offset 2"},
        Case{3, u"Image offset 1 (reversed)", u"Image offset 2 (reversed)"}}) {
    SetNumber(413, c.direction);
    HWND dialog = OpenMargins();
    ASSERT_NE(dialog, nullptr);
    // The labels carry the access keys 419 "(&R)" and 417 "(&P)".
    std::u16string first = Text(dialog, 5182), second = Text(dialog, 5187);
    first.erase(std::remove(first.begin(), first.end(), u'&'), first.end());
    second.erase(std::remove(second.begin(), second.end(), u'&'), second.end());
    // The name, the unit, the access key when the name has no such letter.
    EXPECT_EQ(first.rfind(std::u16string(c.first) + u" (mm)", 0), 0u) << c.direction;
    EXPECT_EQ(second, std::u16string(c.second) + u" (mm)(P):") << c.direction;
    DestroyWindow(dialog);
  }
}

TEST_F(MarginsDialogTest, OpensFromPageZeroAndWritesBackOnOk) {
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  bool ran = false;
  pk::ui::QueueDialogScript(kMarginsTemplate, [&](HWND dialog) {
    ran = true;
    EXPECT_EQ(Text(dialog, 5172), u"mm");
    pk::ui::Replace(GetDlgItem(dialog, 5170), u"12.5");
    pk::ui::ClickItem(dialog, 1092);
  });
  pk::ui::ClickItem(page, 5167);
  EXPECT_TRUE(ran);
  EXPECT_EQ(Number(351), 125);
  // Cancel keeps what the page had.
  pk::ui::QueueDialogScript(kMarginsTemplate, [&](HWND dialog) {
    pk::ui::Replace(GetDlgItem(dialog, 5170), u"3.0");
    pk::ui::ClickItem(dialog, 1091);
  });
  pk::ui::ClickItem(page, 5167);
  EXPECT_EQ(Number(351), 125);
}

}  // namespace
}  // namespace pk::test
