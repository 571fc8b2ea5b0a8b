// The conflict engine over small writer-made models: comparisons, chained
// condition groups, head value instances, type-8 constraints, modes and rule
// bits, filters, and allocation failures at every step of a check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "conflict_fixture.h"
#include "platform/win/win_seams.h"

namespace {

using ddd::Text;
using ddd::Value;
using pk::test::Chain;
using pk::test::Cond;
using pk::test::ConflictTest;
using pk::test::kOwner;
using pk::test::Poison;
using pk::test::Related;
using pk::test::Result;
using pk::test::SmallWriter;
using pk::test::TakeList;
using pk::test::TypeEight;
using pk::test::TypeSeven;

TEST(CompareConditionValue, CodesTypesAndOrder) {
  const int16_t minusOne = -1, one16 = 1, five16 = 5, three16 = 3;
  const uint16_t ffff = 0xFFFF, oneU = 1;
  const int32_t flagOn = 1, flagOff = 0;
  const uint8_t byte7 = 7;
  const int32_t big = 70000;
  struct Row {
    BYTE code;
    SettingValueType listedType;
    const void* listed;
    SettingValueType settingType;
    const void* setting;
    WORD expected;
  } rows[] = {
      // L against S by code.
      {4, 2, &five16, 2, &five16, kCompareHolds},
      {3, 2, &five16, 2, &five16, kCompareFails},
      {6, 2, &five16, 2, &five16, kCompareHolds},
      {5, 2, &three16, 2, &five16, kCompareHolds},
      {1, 2, &five16, 2, &five16, kCompareHolds},
      {2, 2, &five16, 2, &five16, kCompareFails},
      {0, 2, &five16, 2, &five16, kCompareHolds},
      {12, 2, &five16, 2, &five16, kCompareHolds},  // paper codes compare for equality first
      // Signed and unsigned 16-bit values.
      {5, 2, &minusOne, 2, &one16, kCompareHolds},  // -1 < 1
      {3, 3, &ffff, 3, &oneU, kCompareHolds},       // 0xFFFF > 1
      {1, 8, &byte7, 8, &byte7, kCompareHolds},
      {3, 10, &big, 4, &flagOn, kCompareHolds},
      // Flags and texts only know equality and difference.
      {1, 1, &flagOn, 1, &flagOn, kCompareHolds},
      {2, 1, &flagOn, 1, &flagOff, kCompareHolds},
      {3, 1, &flagOn, 1, &flagOff, kCompareCodeNotAllowed},
      {4, 1, &flagOn, 1, &flagOff, kCompareCodeNotAllowed},
      {5, 1, &flagOn, 1, &flagOff, kCompareCodeNotAllowed},
      {6, 1, &flagOn, 1, &flagOff, kCompareCodeNotAllowed},
      {3, 6, u"A", 6, u"B", kCompareCodeNotAllowed},
      {9, 2, &five16, 2, &five16, kCompareCodeNotAllowed},
      {13, 2, &five16, 2, &five16, kCompareCodeNotAllowed},
      {255, 2, &five16, 2, &five16, kCompareCodeNotAllowed},
      // Texts code unit by code unit, letter case counting.
      {1, 6, u"Tray", 6, u"Tray", kCompareHolds},
      {1, 6, u"Tray", 6, u"tray", kCompareFails},
      {2, 6, u"Tray", 6, u"Tray 2", kCompareHolds},
      // Types.
      {1, 6, u"5", 2, &five16, kCompareTypesDiffer},
      {1, 2, &five16, 6, u"5", kCompareTypesDiffer},
      {1, 7, &flagOn, 7, &flagOn, kCompareNotComparable},
      {1, 2, &five16, 9, &five16, kCompareNotComparable},
      {1, 2, nullptr, 2, &five16, kCompareMissing},
      {1, 2, &five16, 2, nullptr, kCompareMissing},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CompareConditionValue(r.code, r.listedType, r.listed, r.settingType, r.setting), r.expected)
        << "code " << int(r.code) << " types " << r.listedType << "/" << r.settingType;
  }
}

// Orientation (7) with options 1 and 2; option 2 and the feature list one
// type-7 constraint with the head 7 = 2, the given chain and status 2, or
// option 2 a type-8 constraint when asked.
ddd::ModelWriter ChainModel(const std::vector<ddd::Chained>& chain, uint16_t rule = 2, bool typeEight = false) {
  ddd::ModelWriter w = SmallWriter();
  const uint16_t seven =
      w.AddConstraint(7, Cond(7, 1, Value::I16(2)), rule, Text::Plain("Chain"), chain, {Cond(7, 1, Value::I16(1))});
  std::vector<uint16_t> eights;
  if (typeEight)
    eights.push_back(
        w.AddConstraint(8, Cond(7, 1, Value::I16(2)), 3, Text::Plain("Needs"), {Chain(15, 1, Value::I16(1), 3)}));
  const uint16_t portrait = w.AddOption(14, Text::Plain("Portrait"), 0, 0, Value::I16(1));
  const uint16_t landscape = w.AddOption(14, Text::Plain("Landscape"), 0, 0, Value::I16(2), 0,
                                         typeEight ? std::vector<uint16_t>{} : std::vector<uint16_t>{seven}, eights);
  // The feature lists it too: a check without a value reads the feature.
  w.AddFeature(4, 7, Text::Plain("Orientation"), 1, 1, {portrait, landscape}, 0,
               typeEight ? std::vector<uint16_t>{} : std::vector<uint16_t>{seven});
  return w;
}

class ChainTest : public ConflictTest {
 protected:
  void SetUp() override {
    ConflictTest::SetUp();
    Set<int16_t>(15, 2, 1);
    Set<int16_t>(16, 2, 1);
    Set<int16_t>(17, 2, 1);
  }
};

// A condition on setting `id` that holds (T), does not (F), or must not be
// evaluated (P).
ddd::Chained Item(uint16_t id, char state, uint8_t join) {
  if (state == 'P') return Poison(id, join);
  return Chain(id, 1, Value::I16(state == 'T' ? 1 : 2), join);
}

TEST_F(ChainTest, GroupsOfAlternativesAndJoins) {
  struct Row {
    const char* joins;   // one digit per item
    const char* states;  // T holds, F does not, P must not be evaluated
    bool conflict;
    std::vector<WORD> ids;  // the id list of the check
  } rows[] = {
      {"223", "TPP", true, {15, 7}},
      {"223", "FTP", true, {16, 7}},
      {"223", "FFT", true, {17, 7}},
      {"223", "FFF", false, {}},
      {"13", "TT", true, {15, 16, 7}},
      {"13", "TF", false, {}},
      {"13", "FP", false, {}},
      {"123", "TTP", true, {15, 16, 7}},
      {"123", "TFT", true, {15, 17, 7}},
      {"123", "TFF", false, {}},
      {"123", "FPP", false, {}},
      {"1313", "FPTT", true, {17, 15, 7}},
      // Every group in conflict is collected when an id list is asked for.
      {"1313", "TTTT", true, {15, 16, 17, 7}},
      {"24", "FT", true, {16, 7}},
  };
  const uint16_t ids[] = {15, 16, 17, 15};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.joins) + " " + row.states);
    std::vector<ddd::Chained> chain;
    for (size_t k = 0; row.joins[k]; ++k) chain.push_back(Item(ids[k], row.states[k], row.joins[k] - '0'));
    ASSERT_EQ(Load(ChainModel(chain)), 0);
    Result result;
    WORD* list = nullptr;
    const int16_t two = 2;
    ASSERT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &two, result.r, &list), 0);
    EXPECT_EQ(result->status, row.conflict ? 2 : 0);
    EXPECT_EQ(TypeSeven(result.r), row.conflict ? std::vector<WORD>{1} : std::vector<WORD>{});
    EXPECT_EQ(TakeList(list), row.ids);
    // Every chained setting is related to the change, in chain order.
    std::vector<WORD> related;
    for (const ddd::Chained& c : chain)
      if (std::find(related.begin(), related.end(), c.condition.setting) == related.end())
        related.push_back(c.condition.setting);
    EXPECT_EQ(Related(result.r), related);
  }
}

TEST_F(ChainTest, EvaluatingANeededPoisonedConditionFails) {
  // The control of the table above: a condition without values fails the
  // check when it is reached.
  ASSERT_EQ(Load(ChainModel({Item(15, 'F', 2), Item(16, 'P', 3)})), 0);
  Result result;
  const int16_t two = 2;
  EXPECT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &two, result.r), 1);
}

TEST_F(ChainTest, TheLongestChainWithoutAGroupEndEnds) {
  // 65535 items, none ending a group: the walk past the last one must not
  // wrap around to the first.
  std::vector<ddd::Chained> chain(65535, Item(15, 'F', 1));
  ASSERT_EQ(Load(ChainModel(chain)), 0);
  Result result;
  const int16_t two = 2;
  ASSERT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &two, result.r), 0);
  EXPECT_EQ(result->status, 0);
}

TEST_F(ChainTest, OtherValuesAndTheCurrentValue) {
  ASSERT_EQ(Load(ChainModel({Item(15, 'T', 3)})), 0);
  Result result;
  const int16_t one = 1, two = 2;
  // Option 1 lists no constraint.
  ASSERT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &one, result.r), 0);
  EXPECT_EQ(result->status, 0);
  // No value: the current one (1, then 2).
  Set<int16_t>(7, 2, 1);
  ASSERT_EQ(Check(kConflictModeCheck, 7, 0, nullptr, result.r), 0);
  EXPECT_EQ(result->status, 0);
  Set<int16_t>(7, 2, 2);
  ASSERT_EQ(Check(kConflictModeCheck, 7, 0, nullptr, result.r), 0);
  EXPECT_EQ(result->status, 2);
  ASSERT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &two, result.r), 0);
  EXPECT_EQ(result->status, 2);
}

TEST_F(ChainTest, TypeEightConstraintConflictsWhenItsHeadDoesNotHold) {
  ASSERT_EQ(Load(ChainModel({Item(15, 'T', 3)}, 2, true)), 0);
  Result result;
  const int16_t two = 2;
  Set<int16_t>(7, 2, 1);
  ASSERT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &two, result.r), 0);
  EXPECT_EQ(result->status, 3);
  EXPECT_EQ(TypeEight(result.r), std::vector<WORD>{1});
  EXPECT_TRUE(TypeSeven(result.r).empty());
  EXPECT_EQ(Related(result.r), std::vector<WORD>{7});
  Set<int16_t>(7, 2, 2);
  ASSERT_EQ(Check(kConflictModeCheck, 7, kSettingTypeInt16, &two, result.r), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_TRUE(TypeEight(result.r).empty());
}

TEST_F(ChainTest, HeadValueInstancesOfATable) {
  // Pages per sheet (295) with options 1, 2, 3 and 5, each listing one
  // constraint whose head lists 1, 2, 5 from a value table.
  ddd::ModelWriter w = SmallWriter();
  w.AddValueTable(1, 0, 3, 2, {1, 2, 5});
  const uint16_t key =
      w.AddConstraint(7, Cond(295, 1, Value::TableRef(1)), 5, Text::Plain("Pages"), {Chain(15, 1, Value::I16(1), 3)});
  std::vector<uint16_t> options;
  for (uint16_t v : {1, 2, 3, 5})
    options.push_back(w.AddOption(14, Text::Plain(std::to_string(v)), 0, 0, Value::U16(v), 0, {key}));
  w.AddFeature(4, 295, Text::Plain("Pages per sheet"), 1, 1, options);
  ASSERT_EQ(Load(w), 0);

  Result result;
  const uint16_t two = 2, three = 3, five = 5;
  ASSERT_EQ(Check(kConflictModeCheck, 295, kSettingTypeUInt16, &two, result.r), 0);
  EXPECT_EQ(result->status, 5);
  EXPECT_EQ(TypeSeven(result.r), std::vector<WORD>{1});
  // One instance was evaluated: its chain's setting is related.
  EXPECT_EQ(Related(result.r), std::vector<WORD>{15});
  ASSERT_EQ(Check(kConflictModeCheck, 295, kSettingTypeUInt16, &five, result.r), 0);
  EXPECT_EQ(result->status, 5);
  // 3 is not listed: no instance is evaluated, nothing is collected.
  ASSERT_EQ(Check(kConflictModeCheck, 295, kSettingTypeUInt16, &three, result.r), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_TRUE(Related(result.r).empty());
  EXPECT_TRUE(TypeSeven(result.r).empty());
}

// Duplex (16) 1-3; option 2 and the feature list a constraint of status 1
// on the duplex unit flag (771) with the given rule bits.
ddd::ModelWriter DuplexModel(uint16_t rule) {
  ddd::ModelWriter w = SmallWriter();
  const uint16_t key = w.AddConstraint(7, Cond(16, 1, Value::I16(2)), rule, Text::Plain("Unit"),
                                       {Chain(771, 1, Value::Flag(false), 3)}, {Cond(16, 1, Value::I16(1))});
  const uint16_t off = w.AddOption(14, Text::Plain("Off"), 0, 0, Value::I16(1));
  const uint16_t on = w.AddOption(14, Text::Plain("Long"), 0, 0, Value::I16(2), 0, {key});
  const uint16_t shortEdge = w.AddOption(14, Text::Plain("Short"), 0, 0, Value::I16(3));
  w.AddFeature(4, 16, Text::Plain("Duplex"), 1, 1, {off, on, shortEdge}, 0, {key});
  const uint16_t no = w.AddOption(13, Text::Plain("No"), 0, 0, Value::Flag(false));
  const uint16_t yes = w.AddOption(13, Text::Plain("Yes"), 0, 0, Value::Flag(true));
  w.AddFeature(3, 771, Text::Plain("Unit"), 1, 1, {no, yes});
  return w;
}

TEST_F(ConflictTest, ModeOneDoesNotBlockASettingAlreadyInConflict) {
  ASSERT_EQ(Load(DuplexModel(1)), 0);
  Set<int32_t>(771, 1, 0);
  Set<int16_t>(16, 2, 2);  // already in conflict
  Result result;
  WORD* list = nullptr;
  const int16_t three = 3, two = 2;
  ASSERT_EQ(Check(kConflictModeChange, 16, kSettingTypeInt16, &three, result.r, &list), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_EQ(TypeSeven(result.r), std::vector<WORD>{1});  // the current conflict's lists
  EXPECT_EQ(Related(result.r), std::vector<WORD>{771});
  EXPECT_EQ(list, nullptr);
  // From a free value the change is checked as it is.
  Set<int16_t>(16, 2, 1);
  ASSERT_EQ(Check(kConflictModeChange, 16, kSettingTypeInt16, &two, result.r, &list), 0);
  EXPECT_EQ(result->status, 1);
  EXPECT_EQ(TakeList(list), (std::vector<WORD>{771, 16}));
  // The unit installed: no conflict.
  Set<int32_t>(771, 1, 1);
  ASSERT_EQ(Check(kConflictModeChange, 16, kSettingTypeInt16, &two, result.r, &list), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_EQ(list, nullptr);
}

TEST_F(ConflictTest, RuleBitsHideAConstraintInOneModeOnly) {
  struct Row {
    uint16_t rule;
    int mode;
    WORD status;
  } rows[] = {
      {0x201, kConflictModeChange, 0}, {0x201, kConflictModeAvailable, 1}, {0x201, kConflictModeCheck, 1},
      {0x101, kConflictModeChange, 1}, {0x101, kConflictModeAvailable, 0}, {0x101, kConflictModeCheck, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.rule << " mode " << row.mode);
    ASSERT_EQ(Load(DuplexModel(row.rule)), 0);
    Set<int32_t>(771, 1, 0);
    Set<int16_t>(16, 2, 1);
    Result result;
    const int16_t two = 2;
    ASSERT_EQ(Check(row.mode, 16, kSettingTypeInt16, &two, result.r), 0);
    EXPECT_EQ(result->status, row.status);
  }
}

TEST_F(ConflictTest, ArgumentsFiltersAndUnknownSettings) {
  ASSERT_EQ(Load(DuplexModel(1)), 0);
  Set<int32_t>(771, 1, 0);
  Result result;
  const int16_t two = 2;
  EXPECT_EQ(CheckSettingConflicts(0, kOwner, nullptr, buffers_.devMode.data(), buffers_.settings.data(), nullptr, 16, 2,
                                  &two, result.r, nullptr),
            1);
  EXPECT_EQ(CheckSettingConflicts(0, kOwner, model_, nullptr, buffers_.settings.data(), nullptr, 16, 2, &two, result.r,
                                  nullptr),
            1);
  EXPECT_EQ(CheckSettingConflicts(0, kOwner, model_, buffers_.devMode.data(), nullptr, nullptr, 16, 2, &two, result.r,
                                  nullptr),
            1);
  EXPECT_EQ(Check(0, 16, 2, &two, nullptr), 1);
  EXPECT_EQ(Check(0, 16, 2, &two, result.r, nullptr, nullptr, nullptr), 1);  // no owner

  // A filter that names neither the setting nor a related id of the previous
  // result: the previous result stands.
  result->status = 4;
  const WORD other[] = {7, 0};
  ASSERT_EQ(Check(0, 16, 2, &two, result.r, nullptr, other), 0);
  EXPECT_EQ(result->status, 4);
  const WORD named[] = {7, 16, 0};
  ASSERT_EQ(Check(0, 16, 2, &two, result.r, nullptr, named), 0);
  EXPECT_EQ(result->status, 1);
  // Through list 3 of the previous result (771 is related to the conflict).
  const WORD related[] = {771, 0};
  ASSERT_EQ(Check(0, 16, 2, &two, result.r, nullptr, related), 0);
  EXPECT_EQ(result->status, 1);
  const WORD empty[] = {0};
  ASSERT_EQ(Check(0, 16, 2, &two, result.r, nullptr, empty), 0);
  EXPECT_EQ(result->status, 1);

  // A setting the model does not describe keeps the previous result.
  result->status = 9;
  const int16_t value = 1;
  ASSERT_EQ(Check(0, 15, 2, &value, result.r), 0);
  EXPECT_EQ(result->status, 9);
  // A value no option carries likewise.
  const int16_t nine = 9;
  ASSERT_EQ(Check(0, 16, 2, &nine, result.r), 0);
  EXPECT_EQ(result->status, 9);
}

TEST_F(ConflictTest, CompareWithCurrentAndGroupsAlreadyInConflict) {
  ASSERT_EQ(Load(DuplexModel(1)), 0);
  Set<int16_t>(16, 2, 2);
  Set<int32_t>(771, 1, 0);
  const SettingsContext context = Context();
  const int16_t two = 2, three = 3;
  const SettingValueRef same{16, 2, &two}, other{16, 2, &three}, none{16, 2, nullptr}, unknown{9999, 2, &two};
  EXPECT_EQ(CompareWithCurrent(&context, &same), kCompareHolds);
  EXPECT_EQ(CompareWithCurrent(&context, &other), kCompareFails);
  EXPECT_EQ(CompareWithCurrent(&context, &none), kCompareUnreadable);
  EXPECT_EQ(CompareWithCurrent(&context, &unknown), kCompareUnreadable);
  const WORD ids[] = {771, 16};
  EXPECT_EQ(GroupAlreadyInConflict(kOwner, &context, ids, 1), 0);
  EXPECT_EQ(GroupAlreadyInConflict(kOwner, &context, ids, 2), 1);
  EXPECT_EQ(GroupAlreadyInConflict(nullptr, &context, ids, 2), 2);
}

TEST_F(ChainTest, NoBlockIsLeftWhenAnyAllocationFails) {
  ASSERT_EQ(Load(ChainModel({Item(15, 'T', 1), Item(16, 'T', 3), Item(17, 'F', 2), Item(15, 'T', 3)})), 0);
  Set<int16_t>(7, 2, 1);
  const int16_t two = 2;
  int failed = 0;
  for (int mode : {kConflictModeCheck, kConflictModeChange}) {
    for (unsigned n = 1; n <= 120; ++n) {
      Result result;
      ASSERT_NE(result.r, nullptr);
      WORD* list = nullptr;
      const SIZE_T before = pk::seams::GlobalLiveBlocks();
      pk::seams::FailNthAllocation(n);
      const WORD answer = Check(mode, 7, kSettingTypeInt16, &two, result.r, &list);
      pk::seams::FailNthAllocation(0);
      const std::vector<WORD> ids = TakeList(list);
      ResetConstraintResult(result.r);
      EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before) << "mode " << mode << " allocation " << n;
      if (answer != 0) {
        ++failed;
        EXPECT_TRUE(ids.empty());
      } else {
        EXPECT_EQ(ids, (std::vector<WORD>{15, 16, 7})) << n;
      }
    }
  }
  EXPECT_GT(failed, 10);
}

}  // namespace
