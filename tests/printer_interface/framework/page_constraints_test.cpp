// Pages over a writer-made model with real constraints: what the statuses
// the engine gives make of controls and labels after activation, which items
// a re-evaluation touches, and changes that go through the conflict actions
// with the layer's scripted message boxes.
#include <string>

#include "page_harness.h"
#include "platform/ui/user.h"
#include "platform/win/win_seams.h"

namespace pk::test {
namespace {

// Gives its control the state of the current item, as a control kind does.
LRESULT StateRow(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row, const void*) {
  if (message == PSN_SETACTIVE || message == kMsgRefresh)
    SetControlState(GetDlgItem(context->window, row->controlId), GetCurrentItemStatus(context, row));
  return 0;
}

constexpr RowItem kDuplex[] = {{16, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kPagesPerSheet[] = {{295, kItemEvaluateAll | kItemEvaluateCurrent}};
constexpr RowItem kOrientation[] = {{7, kItemEvaluateAll}};
const ControlRow kRows[] = {
    {1101, 1, kDuplex, 1, StateRow, nullptr, 2101, kNoControl, nullptr},
    {1102, 1, kPagesPerSheet, 1, StateRow, nullptr, 2102, kNoControl, nullptr},
    {1103, 1, kOrientation, 1, StateRow, nullptr, 2103, kNoControl, nullptr},
};
constexpr INT kNoFurther[] = {kNoControl};
constexpr INT kNoHelp[] = {0, 0};
PageControlSet gSet{kRows, 3, 1100, kNoHelp, kNoFurther, 0};
const PageInfo kInfo{521, nullptr, 1, kNoControl, nullptr, 0, 1};
const PageEntry kPages[] = {{1, &gSet, &kInfo}};

ddd::Condition Is(uint16_t id, int16_t value) {
  return ddd::Condition{0, 1, id, id == 295 ? ddd::Value::U16(static_cast<uint16_t>(value)) : ddd::Value::I16(value)};
}

// Duplex short edge is hidden in landscape and shown disabled in portrait;
// long edge with two pages per sheet asks and then prints one.
ddd::ModelWriter ConstrainedWriter() {
  using ddd::Text;
  using ddd::Value;
  ddd::ModelWriter w;
  w.modelName = "Constrained pages";
  const uint16_t hidden = w.AddConstraint(7, Is(16, 3), kConflictStatusHidden, Text::Plain("Short edge landscape"),
                                          {ddd::Chained{Is(7, 2), 3}}, {Is(16, 1)});
  const uint16_t disabled = w.AddConstraint(7, Is(16, 3), kConflictStatusDisabled, Text::Plain("Short edge portrait"),
                                            {ddd::Chained{Is(7, 1), 3}}, {Is(16, 1)});
  const uint16_t asks = w.AddConstraint(7, Is(16, 2), kConflictStatusAsk, Text::Plain("Long edge"),
                                        {ddd::Chained{Is(295, 2), 3}}, {Is(295, 1)});
  const uint16_t portrait = w.AddOption(14, Text::Plain("Portrait"), 0, 0, Value::I16(1));
  const uint16_t landscape = w.AddOption(14, Text::Plain("Landscape"), 0, 0, Value::I16(2));
  w.AddFeature(4, 7, Text::Plain("Orientation"), 1, 1, {portrait, landscape});
  const uint16_t one = w.AddOption(14, Text::Plain("1"), 0, 0, Value::U16(1));
  const uint16_t two = w.AddOption(14, Text::Plain("2"), 0, 0, Value::U16(2));
  w.AddFeature(4, 295, Text::Plain("Pages per sheet"), 1, 1, {one, two});
  const uint16_t off = w.AddOption(14, Text::Plain("Off"), 0, 0, Value::I16(1));
  const uint16_t longEdge = w.AddOption(14, Text::Plain("Long edge"), 0, 0, Value::I16(2), 0, {asks});
  const uint16_t shortEdge = w.AddOption(14, Text::Plain("Short edge"), 0, 0, Value::I16(3), 0, {hidden, disabled});
  w.AddFeature(4, 16, Text::Plain("Two-sided"), 1, 1, {off, longEdge, shortEdge}, 0, {asks, hidden, disabled});
  return w;
}

class PageConstraintsTest : public PageHarness {
 protected:
  void SetUp() override {
    PageHarness::SetUp();
    UseModel(ConstrainedWriter());
    gSet.needsInit = 0;
  }
  void Write(WORD id, int16_t value) {
    ASSERT_EQ(SetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, kSettingTypeInt16, 2, &value), 0);
  }
  void WriteU16(WORD id, uint16_t value) {
    ASSERT_EQ(SetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, kSettingTypeUInt16, 2, &value), 0);
  }
  HWND Open() {
    MakeSheet(kPages, 1);
    return OpenPage(1, kDialogTopPage);
  }
};

TEST_F(PageConstraintsTest, StatusesOfTheEngineHideOrDisableControlsAndLabelsAtActivation) {
  HWND page = Open();
  HWND control = GetDlgItem(page, 1101);
  HWND label = GetDlgItem(page, 2101);
  struct Case {
    int16_t orientation, duplex;
    INT status;
    bool visible, enabled;
  };
  for (const Case& c :
       {Case{2, 3, kConflictStatusHidden, false, false}, Case{1, 3, kConflictStatusDisabled, true, false},
        Case{2, 1, kConflictStatusFree, true, true}}) {
    Write(7, c.orientation);
    Write(16, c.duplex);
    Notify(page, PSN_SETACTIVE);
    EXPECT_EQ(GetConstraintStatus(sheet_, 16), c.status) << c.orientation << " " << c.duplex;
    EXPECT_EQ(IsWindowVisible(control) != FALSE, c.visible) << c.orientation << " " << c.duplex;
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, c.enabled) << c.orientation << " " << c.duplex;
    EXPECT_EQ(IsWindowVisible(label) != FALSE, c.visible) << c.orientation << " " << c.duplex;
    EXPECT_EQ(IsWindowEnabled(label) != FALSE, c.enabled) << c.orientation << " " << c.duplex;
  }
  // The label names the feature whatever its state.
  EXPECT_EQ(pk::ui::Text(label), u"Two-sided:");
}

TEST_F(PageConstraintsTest, AReevaluationTakesEveryItemFlaggedForItNotOnlyTheChangedOnes) {
  HWND page = Open();
  Write(7, 2);
  Write(16, 1);
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 1);
  constexpr WORD kStale = 0x77;
  auto markStale = [this](WORD id) {
    SetConstraintStatus(sheet_, id, kStale);
    for (INT i = 0; i < FindConstraintRecord(sheet_, id)->count; ++i) SetChoiceStatus(sheet_, id, i, kStale);
  };
  for (WORD id : {7, 295, 16}) markStale(id);
  // Short edge is now current; the change list names pages per sheet only.
  Write(16, 3);
  RefreshItemValues(&context);
  SelectCurrentItems(&context);
  const WORD changed[] = {295, 0};
  ASSERT_EQ(EvaluatePageConstraints(&context, kItemEvaluateCurrent, changed), 1);
  // Duplex is evaluated although it is not listed: its current choice only.
  EXPECT_EQ(GetConstraintStatus(sheet_, 16), kConflictStatusHidden);
  EXPECT_EQ(GetChoiceStatus(sheet_, 16, 2), kConflictStatusHidden);
  EXPECT_EQ(GetChoiceStatus(sheet_, 16, 0), kStale);
  EXPECT_EQ(GetChoiceStatus(sheet_, 16, 1), kStale);
  EXPECT_EQ(GetConstraintStatus(sheet_, 295), kConflictStatusFree);
  // Orientation asks for evaluation at activation only.
  EXPECT_EQ(GetConstraintStatus(sheet_, 7), kStale);

  // An item whose value is none of its choices has only its overall result.
  markStale(16);
  GetCurrentItemSlot(&context, &kRows[0])->choiceIndex = -1;
  ASSERT_EQ(EvaluatePageConstraints(&context, kItemEvaluateCurrent, nullptr), 1);
  EXPECT_EQ(GetConstraintStatus(sheet_, 16), kConflictStatusHidden);
  for (INT i = 0; i < 3; ++i) EXPECT_EQ(GetChoiceStatus(sheet_, 16, i), kStale) << i;

  // Activation takes every choice of every item flagged for it.
  for (WORD id : {7, 295, 16}) markStale(id);
  ASSERT_EQ(EvaluatePageConstraints(&context, kItemEvaluateAll, nullptr), 1);
  for (WORD id : {7, 295, 16})
    for (INT i = 0; i < FindConstraintRecord(sheet_, id)->count; ++i) EXPECT_NE(GetChoiceStatus(sheet_, id, i), kStale);
  EXPECT_EQ(GetChoiceStatus(sheet_, 16, 2), kConflictStatusHidden);
}

TEST_F(PageConstraintsTest, AChangeThatAsksFollowsTheAnswerOfTheMessageBox) {
  HWND page = Open();
  WriteU16(295, 2);
  Write(16, 1);
  Notify(page, PSN_SETACTIVE);
  HandlerContext context = ContextOf(page, 1);
  ItemSlot* slot = GetCurrentItemSlot(&context, &kRows[0]);
  ASSERT_NE(slot, nullptr);
  const int16_t longEdge = 2;
  WORD* list = nullptr;

  const size_t before = pk::seams::MessageBoxCalls().size();
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(TryChangeSetting(&context, &kRows[0], slot, &longEdge, &list), -1);
  EXPECT_EQ(list, nullptr);
  ASSERT_EQ(pk::seams::MessageBoxCalls().size(), before + 1);
  EXPECT_EQ(Read16(context.devMode, context.settings, 16), 1);
  EXPECT_EQ(Read16(context.devMode, context.settings, 295), 2);

  pk::seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(TryChangeSetting(&context, &kRows[0], slot, &longEdge, &list), 1);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsSettingInChangedList(list, 16));
  EXPECT_TRUE(IsSettingInChangedList(list, 295));
  GlobalFree(list);
  EXPECT_EQ(Read16(context.devMode, context.settings, 16), 2);
  EXPECT_EQ(Read16(context.devMode, context.settings, 295), 1);
  EXPECT_EQ(sheet_->state->changeBusy, 0);
}

}  // namespace
}  // namespace pk::test
