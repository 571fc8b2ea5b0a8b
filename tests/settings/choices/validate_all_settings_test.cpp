// The whole-settings conflict pass: a conflict reported in two passes is
// marked and skipped in the next, ranges and free values are not checked,
// and nothing is left allocated after any pass.
#include <vector>

#include "settings/choices/choices_fixture.h"
#include "settings/choices/validate_all_settings.h"

namespace pk::test {
namespace {

class ValidateAllTest : public ChoicesTest {
 protected:
  // Orientation (a list) whose current value conflicts with status 2 (refused),
  // and a range and a free value whose current values conflict too.
  void UseConflictingModel(bool orientationConflicts = true) {
    ddd::ModelWriter w = SmallWriter();
    const uint16_t refusedPortrait = w.AddConstraint(7, {0, 1, 7, ddd::Value::I16(1)}, 2, ddd::Text::Plain("No"));
    const uint16_t refusedScale = w.AddConstraint(7, {0, 1, 11, ddd::Value::I16(100)}, 2, ddd::Text::Plain("No"));
    const uint16_t refusedFonts = w.AddConstraint(7, {0, 1, 17, ddd::Value::I16(1)}, 2, ddd::Text::Plain("No"));
    std::vector<uint16_t> portraitConstraints;
    if (orientationConflicts) portraitConstraints.push_back(refusedPortrait);
    const uint16_t portrait =
        w.AddOption(14, ddd::Text::Plain("Portrait"), 0, 0, ddd::Value::I16(1), 0, portraitConstraints);
    const uint16_t landscape = w.AddOption(14, ddd::Text::Plain("Landscape"), 0, 0, ddd::Value::I16(2));
    w.AddFeature(4, 7, ddd::Text::Plain("Orientation"), 1, 1, {portrait, landscape});
    const uint16_t full = w.AddOption(14, ddd::Text::Plain("100"), 0, 0, ddd::Value::I16(100), 0, {refusedScale});
    const uint16_t small = w.AddOption(14, ddd::Text::Plain("25"), 0, 0, ddd::Value::I16(25));
    const uint16_t large = w.AddOption(14, ddd::Text::Plain("400"), 0, 0, ddd::Value::I16(400));
    w.AddFeature(4, 11, ddd::Text::Plain("Scale"), 6, 1, {full, small, large});
    const uint16_t graphics =
        w.AddOption(14, ddd::Text::Plain("Graphics"), 0, 0, ddd::Value::I16(1), 0, {refusedFonts});
    const uint16_t soft = w.AddOption(14, ddd::Text::Plain("Soft"), 0, 0, ddd::Value::I16(2));
    const uint16_t step = w.AddOption(14, ddd::Text::Plain("Step"), 0, 0, ddd::Value::I16(1));
    w.AddFeature(4, 17, ddd::Text::Plain("Fonts"), 4, 1, {graphics, soft, step});
    UseModel(orientationConflicts ? u"Conflicting" : u"Ranges only", w);
  }
  int Pass(WORD** ids = nullptr) {
    return ValidateAllSettings(module_, current_, model_, devMode(), settings(), ids, nullptr, marks_.data(), &lastId_);
  }

  std::vector<SettingMark> marks_ = std::vector<SettingMark>(kSettingMarkCount, SettingMark{0, 0});
  SettingId lastId_ = 0;
};

TEST_F(ValidateAllTest, AConflictReportedTwiceIsSkippedAfterwards) {
  UseConflictingModel();
  ASSERT_EQ(Value(7), 1u);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  WORD* ids = nullptr;
  EXPECT_EQ(Pass(&ids), 2);
  EXPECT_EQ(lastId_, 7);
  EXPECT_EQ(marks_[0].id, 0);  // first report: not yet marked
  if (ids) GlobalFree(ids);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  EXPECT_EQ(Pass(&ids), 2);
  EXPECT_EQ(lastId_, 7);
  EXPECT_EQ(marks_[0].id, 7);
  EXPECT_EQ(marks_[0].mark, 1u);
  if (ids) GlobalFree(ids);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  EXPECT_EQ(Pass(&ids), 1) << lastId_;
  EXPECT_EQ(ids, nullptr);
  EXPECT_EQ(marks_[0].mark, 1u);  // met again, so flagged again
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ValidateAllTest, RangesAndFreeValuesAreNotChecked) {
  UseConflictingModel(false);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(Pass(), 1);
  EXPECT_EQ(lastId_, 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ValidateAllTest, TheDefaultPrinterPassesWithoutLeaks) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  for (int pass = 0; pass < 4; ++pass) {
    WORD* ids = nullptr;
    const int result = Pass(&ids);
    EXPECT_NE(result, -1);
    if (ids) GlobalFree(ids);
    if (result == 1) break;
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ValidateAllTest, FailuresReleaseEverything) {
  UseConflictingModel();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  bool failed = false;
  for (unsigned n = 1; n <= 60; ++n) {
    lastId_ = 0;
    std::fill(marks_.begin(), marks_.end(), SettingMark{0, 0});
    WORD* ids = nullptr;
    pk::seams::FailNthAllocation(n);
    const int result = Pass(&ids);
    pk::seams::FailNthAllocation(0);
    failed = failed || result == -1;
    if (ids) GlobalFree(ids);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks) << n;
  }
  EXPECT_TRUE(failed);
  // The mark table full of other ids: the second report cannot be entered.
  for (size_t n = 0; n < kSettingMarkCount; ++n) marks_[n] = SettingMark{static_cast<SettingId>(2000 + n), 0};
  lastId_ = 7;
  EXPECT_EQ(Pass(), -1);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(ValidateAllSettings(module_, current_, model_, devMode(), settings(), nullptr, nullptr, nullptr, &lastId_),
            -1);
}

}  // namespace
}  // namespace pk::test
