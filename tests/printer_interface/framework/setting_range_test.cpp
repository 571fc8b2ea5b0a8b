// The range check the settings model runs as the pages' constraint pass:
// bounds from the model's first two options, warnings with the bounds as the
// active page shows them, check-only and storing modes.
#include <string>

#include "page_harness.h"
#include "platform/win/win_module.h"
#include "platform/win/win_seams.h"
#include "printer_interface/entry/interface_exports.h"
#include "printer_interface/text/measurement_text.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/model/model_queries.h"

namespace pk::test {
namespace {

class SettingRangeTest : public PageHarness {
 protected:
  SettingsContext Context() { return SettingsContext{model_, buffers_.devMode.data(), buffers_.settings.data()}; }
  // The bounds the model gives the setting, as its first two options.
  bool Bounds(WORD id, int64_t* low, int64_t* high) {
    int64_t b[2] = {};
    for (WORD n = 1; n <= 2; ++n) {
      BYTE* value = nullptr;
      WORD type = 0;
      if (LoadSettingOptionValue(model_->primary, model_->secondary, id, n, nullptr, &value, &type) != 0 || !value)
        return false;
      uint32_t v = 0;
      std::memcpy(&v, value, type == kSettingTypeInt16 || type == kSettingTypeUInt16 ? 2 : 4);
      b[n - 1] = (type == kSettingTypeInt16) ? static_cast<int16_t>(v) : static_cast<int64_t>(v);
      GlobalFree(value);
    }
    *low = b[0];
    *high = b[1];
    return true;
  }
  WORD room_[kIdListRoom] = {};
  WORD* ids_ = room_;
  WORD count_ = 0;
};

TEST_F(SettingRangeTest, ArgumentsAndSettingsWithoutARange) {
  const SettingsContext context = Context();
  const int16_t v = 1;
  const SettingValueRef ref{12, kSettingTypeInt16, &v};
  EXPECT_EQ(CheckSettingRange(0, nullptr, nullptr, &ref, &ids_, &count_), kRangeFailed);
  EXPECT_EQ(CheckSettingRange(0, nullptr, &context, nullptr, &ids_, &count_), kRangeFailed);
  const SettingValueRef none{12, kSettingTypeInt16, nullptr};
  EXPECT_EQ(CheckSettingRange(0, nullptr, &context, &none, &ids_, &count_), kRangeRefused);
  const SettingValueRef other{7, kSettingTypeInt16, &v};
  EXPECT_EQ(CheckSettingRange(0, nullptr, &context, &other, &ids_, &count_), kRangeNone);
}

TEST_F(SettingRangeTest, Setting263IsStoredUncheckedWhileFlag449IsOff) {
  SettingsContext context = Context();
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t flag = 1;
  ASSERT_EQ(GetSettingValue(449, context.devMode, context.settings, &type, &size, &flag), 0);
  flag = 0;
  ASSERT_EQ(SetSettingValue(449, context.devMode, context.settings, type, size, &flag), 0);
  const uint16_t value = 32000;
  const SettingValueRef ref{263, kSettingTypeUInt16, &value};
  EXPECT_EQ(CheckSettingRange(1, nullptr, &context, &ref, &ids_, &count_), kRangeStored);
  ASSERT_EQ(count_, 1);
  EXPECT_EQ(ids_[0], 263);
  EXPECT_EQ(Read16(context.devMode, context.settings, 263), 32000);
}

TEST_F(SettingRangeTest, ValuesInAndOutOfRangeByMode) {
  SettingsContext context = Context();
  int64_t low = 0, high = 0;
  ASSERT_TRUE(Bounds(12, &low, &high));
  const int16_t before = Read16(context.devMode, context.settings, 12);
  const int16_t inside = static_cast<int16_t>(before == high ? low : high);
  const SettingValueRef ref{12, kSettingTypeInt16, &inside};
  EXPECT_EQ(CheckSettingRange(1, nullptr, &context, &ref, &ids_, &count_), kRangeInRange);
  EXPECT_EQ(count_, 0);
  EXPECT_EQ(Read16(context.devMode, context.settings, 12), before);
  EXPECT_EQ(CheckSettingRange(0, nullptr, &context, &ref, &ids_, &count_), kRangeStored);
  EXPECT_EQ(count_, 1);
  EXPECT_EQ(Read16(context.devMode, context.settings, 12), inside);

  const size_t boxes = pk::seams::MessageBoxCalls().size();
  const int16_t outside = static_cast<int16_t>(high + 1);
  const SettingValueRef bad{12, kSettingTypeInt16, &outside};
  EXPECT_EQ(CheckSettingRange(0, nullptr, &context, &bad, &ids_, &count_), kRangeRefused);
  EXPECT_EQ(Read16(context.devMode, context.settings, 12), inside);
  ASSERT_EQ(pk::seams::MessageBoxCalls().size(), boxes + 1);
  EXPECT_EQ(pk::seams::MessageBoxCalls().back().caption, u"Printer Settings");
}

// A model whose lengths 351 and 373 range from 0 to 1000.
ddd::ModelWriter LengthsWriter() {
  ddd::ModelWriter w;
  w.modelName = "Lengths";
  for (uint16_t id : {351, 373}) {
    const uint16_t low = w.AddOption(14, ddd::Text::Plain("Minimum"), 0, 0, ddd::Value::U32(0));
    const uint16_t high = w.AddOption(14, ddd::Text::Plain("Maximum"), 0, 0, ddd::Value::U32(1000));
    w.AddFeature(4, id, ddd::Text::Plain("Length"), 4, 1, {low, high});
  }
  return w;
}

TEST_F(SettingRangeTest, TheLargestUnsignedValueIsOutOfRange) {
  UseModel(LengthsWriter());
  SettingsContext context = Context();
  int64_t low = 0, high = 0;
  ASSERT_TRUE(Bounds(351, &low, &high));
  ASSERT_EQ(high, 1000);
  const uint32_t before = static_cast<uint32_t>(GetSettingInt(context.devMode, context.settings, 351));
  const uint32_t huge = 4294967295u;
  const SettingValueRef ref{351, kSettingTypeUInt32, &huge};
  const size_t boxes = pk::seams::MessageBoxCalls().size();
  EXPECT_EQ(CheckSettingRange(0, nullptr, &context, &ref, &ids_, &count_), kRangeRefused);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), boxes + 1);
  EXPECT_EQ(static_cast<uint32_t>(GetSettingInt(context.devMode, context.settings, 351)), before);
  EXPECT_EQ(count_, 0);
}

// An active page whose edit row of 373 follows the length unit.
constexpr EditUnitRecord kWholeUnits{0, 0};
constexpr EditControlParams kLengthEdit{kEditLengthUnit | 1, 8, nullptr, &kWholeUnits, 0};
constexpr const EditControlParams* kLengthEditRef = &kLengthEdit;
constexpr RowItem kLength[] = {{373, 0}};
const ControlRow kLengthRows[] = {
    {1204, 1, kLength, kKindEdit, nullptr, &kLengthEditRef, kNoControl, kNoControl, nullptr}};
constexpr INT kNone[] = {kNoControl};
constexpr INT kNoHelp[] = {0, 0};
PageControlSet gLengthSet{kLengthRows, 1, 2000, kNoHelp, kNone, 0};
const PageEntry kLengthPages[] = {{14, &gLengthSet, nullptr}};

TEST_F(SettingRangeTest, BoundsOfALengthShownInInchesAreConverted) {
  UseModel(LengthsWriter());
  int64_t low = 0, high = 0;
  ASSERT_TRUE(Bounds(373, &low, &high));
  MakeSheet(kLengthPages, 1);
  HWND dialog = OpenPage(14, kDialogModal);
  ASSERT_EQ(GetActivePageId(sheet_->state), 14);
  SetSheetUnit(sheet_->state, 1);
  SettingsContext context{model_, sheet_->working.devMode, sheet_->working.settings};
  const uint32_t huge = static_cast<uint32_t>(high) + 1;
  const SettingValueRef ref{373, kSettingTypeUInt32, &huge};
  EXPECT_EQ(CheckSettingRange(0, dialog, &context, &ref, &ids_, &count_), kRangeRefused);
  const std::u16string text = pk::seams::MessageBoxCalls().back().text;
  const std::string upper = std::to_string(TenthMmToHundredthInch(static_cast<LONG>(high)));
  EXPECT_NE(text.find(std::u16string(upper.begin(), upper.end())), std::u16string::npos) << upper;
}

TEST_F(SettingRangeTest, TheSettingsModelReachesItAsThePagePass) {
  // Attaching the library registers the pass.
  SetPageConstraintPass(nullptr);
  ASSERT_TRUE(DllInitialize(own_, DLL_PROCESS_ATTACH, nullptr));
  int64_t low = 0, high = 0;
  ASSERT_TRUE(Bounds(12, &low, &high));
  const int16_t outside = static_cast<int16_t>(high + 1);
  ConstraintResult* result = AllocConstraintResult();
  WORD* list = nullptr;
  const size_t boxes = pk::seams::MessageBoxCalls().size();
  const WORD answer = ApplySettingChange(frame_, printer_, model_, buffers_.devMode.data(), buffers_.settings.data(),
                                         12, kSettingTypeInt16, &outside, &list, result);
  EXPECT_EQ(answer, kActionNotWritten);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), boxes + 1);
  if (list) GlobalFree(list);
  FreeConstraintResult(result);
  DllInitialize(own_, DLL_PROCESS_DETACH, nullptr);
  SetPageConstraintPass(nullptr);
}

}  // namespace
}  // namespace pk::test
