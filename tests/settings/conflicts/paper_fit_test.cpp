// Paper fit checks over a small model with paper sources, output ranges,
// user and model papers: paper conditions, point pairs, the paper kinds of a
// rule word, papers against their own records and the scaled paper fit.
#include <gtest/gtest.h>

#include "conflict_fixture.h"

namespace {

using ddd::Text;
using ddd::Value;
using pk::test::Cond;
using pk::test::ConflictTest;
using pk::test::kOwner;
using pk::test::Result;
using pk::test::SmallWriter;
using pk::test::TakeList;

// Sources: 4 takes user papers of 1000-3000 x 1480-4320, 1 takes no user
// paper, 7 has no points. Output range (type 6) 2 takes 1000-2000 x
// 1000-2000. Papers: A4 (9) printable 2100 x 2970, A3 (8) printable 2970 x
// 4200, user paper 262 with 42 margins and a printable range of 900-32000,
// user paper 263 whose pair 2 is a size range 900-2970 x 1480-4200.
ddd::ModelWriter PaperModel() {
  ddd::ModelWriter w = SmallWriter();
  w.AddRange(5, 4, Text::Plain("Bypass"), {{1000, 1480}, {3000, 4320}}, 4, {9, 262}, {3, 3}, 0);
  w.AddRange(5, 1, Text::Plain("Tray"), {{1000, 1480}, {3000, 4320}}, 1, {9}, {1}, 0);
  w.AddRange(5, 7, Text::Plain("Auto"), {}, 7, {262}, {1}, 0);
  w.AddRange(6, 2, Text::Plain("Finisher"), {{1000, 1000}, {2000, 2000}}, 2, {262}, {1}, 0);
  w.AddPaper(9, Text::Plain("A4"), 0, {{2100, 2970}, {2100, 2970}}, {{0, 0}, {0, 0}}, {{2100, 2970}, {2100, 2970}}, 9,
             0, 0);
  w.AddPaper(8, Text::Plain("A3"), 0, {{2970, 4200}, {2970, 4200}}, {{0, 0}, {0, 0}}, {{2970, 4200}, {2970, 4200}}, 8,
             0, 0);
  w.AddPaper(262, Text::Plain("User"), 0, {{900, 1480}, {32000, 32000}}, {{42, 42}, {42, 42}},
             {{900, 1400}, {32000, 32000}}, 262, 0, 2, ddd::Pair{{900, 1480}, {32000, 32000}});
  w.AddPaper(263, Text::Plain("User 2"), 0, {{900, 1480}, {2970, 4200}}, {{900, 1480}, {2970, 4200}},
             {{900, 1480}, {2970, 4200}}, 263, 0, 2, ddd::Pair{{900, 1480}, {2970, 4200}});
  return w;
}

class PaperFitTest : public ConflictTest {
 protected:
  void SetUp() override {
    ConflictTest::SetUp();
    ASSERT_EQ(Load(PaperModel()), 0);
    // The document paper stands for the output paper; a user paper on the bypass.
    Set<uint16_t>(262, 3, 267);
    Set<int16_t>(8, 2, 262);
    Set<uint16_t>(265, 3, 4);
    UserPaper(2100, 2970);
  }
  void UserPaper(uint16_t width, uint16_t length, int slot = 0) {
    Set<uint16_t>(static_cast<SettingId>(1311 + slot), 3, width);
    Set<uint16_t>(static_cast<SettingId>(1321 + slot), 3, length);
  }
  WORD Condition(BYTE code, WORD* bits) {
    const SettingsContext context = Context();
    ConditionItem condition{};
    condition.comparison = code;
    return CheckPaperCondition(&context, nullptr, &condition, bits);
  }
};

TEST_F(PaperFitTest, ContextReadsGivenValuesAndSetsItsBits) {
  const SettingsContext context = Context();
  PaperContext paper{};
  WORD bits = 0;
  ASSERT_EQ(ReadPaperContext(&context, nullptr, &paper, &bits), 0);
  EXPECT_EQ(paper.paper, 262u);
  EXPECT_EQ(paper.source, 4u);
  EXPECT_EQ(bits, 0x1 | 0x2 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | 0x800);
  // A value given for setting 262 takes the place of the current one.
  const uint16_t a4 = 9;
  const SettingValueRef given{262, 3, &a4};
  bits = 0;
  ASSERT_EQ(ReadPaperContext(&context, &given, &paper, &bits), 0);
  EXPECT_EQ(paper.paper, 9u);
  EXPECT_EQ(bits & 0x3, 0x2);
  // Source 258 hands over to dmDefaultSource.
  Set<uint16_t>(265, 3, 258);
  Set<int16_t>(13, 2, 1);
  bits = 0;
  ASSERT_EQ(ReadPaperContext(&context, nullptr, &paper, &bits), 0);
  EXPECT_EQ(paper.source, 1u);
  EXPECT_EQ(bits & 0xC, 0xC);
  EXPECT_EQ(ReadPaperContext(nullptr, nullptr, &paper, &bits), 1);
}

TEST_F(PaperFitTest, PaperConditionsOfUserPapersAgainstSources) {
  struct Row {
    uint16_t width, length, source, setting389;
    BYTE code;
    WORD answer, bits;
  } rows[] = {
      // 2100 x 2970 lies in 1000-3000 x 1480-4320, and turned too.
      {2100, 2970, 4, 0, 7, kCompareFails, 0},
      {2100, 2970, 4, 0, 10, kCompareFails, 0},
      {2100, 2970, 4, 0, 11, kCompareFails, 0},
      {2100, 2970, 4, 0, 12, kCompareFails, 0},
      // 2100 x 3100 fits only upright: 3100 > 3000 when turned.
      {2100, 3100, 4, 0, 7, kCompareFails, 0},
      {2100, 3100, 4, 0, 11, kCompareHolds, 0x0B},
      {2100, 3100, 4, 0, 12, kCompareFails, 0},
      // 1600 x 1200 fits only turned: 1200 < 1480.
      {1600, 1200, 4, 0, 7, kCompareHolds, 0x0B},
      {1600, 1200, 4, 0, 11, kCompareFails, 0},
      {1600, 1200, 4, 0, 12, kCompareFails, 0},
      {900, 900, 4, 0, 12, kCompareHolds, 0x0B},
      // A source without user papers counts as not fitting; one without points fails.
      {2100, 2970, 1, 0, 7, kCompareHolds, 0x0B},
      {2100, 2970, 7, 0, 7, 1, 0},
      // Code 8: the range of setting 389; the source bits go.
      {2100, 2970, 1, 4, 8, kCompareFails, 0},
      {900, 900, 1, 4, 8, kCompareHolds, 0x13},
      {2100, 2970, 4, 1, 8, kCompareHolds, 0x13},
      {2100, 2970, 4, 7, 8, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.width << " x " << row.length << " source " << row.source << " code "
                                      << int(row.code));
    UserPaper(row.width, row.length);
    Set<uint16_t>(265, 3, row.source);
    Set<uint16_t>(389, 3, row.setting389);
    WORD bits = 0;
    EXPECT_EQ(Condition(row.code, &bits), row.answer);
    EXPECT_EQ(bits, row.bits);
  }
}

TEST_F(PaperFitTest, AModelPaperNeverHoldsAPaperCondition) {
  UserPaper(100, 100);
  for (uint16_t paper : {9, 8}) {
    Set<int16_t>(8, 2, static_cast<int16_t>(paper));
    for (BYTE code : {7, 8, 10, 11, 12}) {
      WORD bits = 0;
      EXPECT_EQ(Condition(code, &bits), kCompareFails) << paper << " " << int(code);
      EXPECT_EQ(bits, 0);
    }
  }
}

TEST_F(PaperFitTest, PointPairsOfAuxiliaryKeys) {
  // Duplex option 2 and the orientation feature carry point pairs.
  ddd::ModelWriter w = PaperModel();
  const uint16_t pair = w.AddPointPair({{1000, 1000}, {3000, 3000}});
  // Option 2 lists a constraint whose condition is the user paper against
  // the option's own point pair.
  const uint16_t outside = w.AddConstraint(7, Cond(16, 1, Value::I16(2)), 3, Text::Plain("Outside"),
                                           {pk::test::Chain(16, 9, Value::I16(2), 3)});
  const uint16_t off = w.AddOption(14, Text::Plain("Off"), 0, 0, Value::I16(1));
  const uint16_t on = w.AddOption(14, Text::Plain("On"), 0, 0, Value::I16(2), pair, {outside});
  w.AddFeature(4, 16, Text::Plain("Duplex"), 1, 1, {off, on});
  const uint16_t portrait = w.AddOption(14, Text::Plain("Portrait"), 0, 0, Value::I16(1));
  w.AddFeature(4, 7, Text::Plain("Orientation"), 1, 1, {portrait}, pair);
  ASSERT_EQ(Load(w), 0);
  const SettingsContext context = Context();

  ConditionItem onCondition{};
  int16_t two = 2;
  onCondition.comparison = 9;
  onCondition.settingId = 16;
  onCondition.valueType = 2;
  onCondition.itemSize = 2;
  onCondition.data = reinterpret_cast<BYTE*>(&two);
  onCondition.count = 1;
  WORD key = 0;
  ASSERT_EQ(GetConditionPointPairKey(&context, nullptr, &onCondition, nullptr, &key), 0);
  EXPECT_EQ(key, pair);
  ConditionItem featureCondition{};
  featureCondition.comparison = 9;
  featureCondition.settingId = 7;
  ASSERT_EQ(GetConditionPointPairKey(&context, nullptr, &featureCondition, nullptr, &key), 0);
  EXPECT_EQ(key, pair);
  // The record being evaluated answers for itself.
  OptionRecord own{};
  own.type = 14;
  own.auxiliary.key = 77;
  own.valueType = 2;
  own.valueSize = 2;
  own.value = reinterpret_cast<BYTE*>(&two);
  const int16_t value = 2;
  const SettingValueRef checked{16, 2, &value};
  ASSERT_EQ(GetConditionPointPairKey(&context, &checked, &onCondition, &own, &key), 0);
  EXPECT_EQ(key, 77);
  // An option without a point pair: key 0, which does not hold.
  int16_t one = 1;
  onCondition.data = reinterpret_cast<BYTE*>(&one);
  ASSERT_EQ(GetConditionPointPairKey(&context, nullptr, &onCondition, nullptr, &key), 0);
  EXPECT_EQ(key, 0);

  struct Row {
    uint16_t width, length;
    WORD key, answer, bits;
  } rows[] = {
      {2100, 2970, pair, kCompareFails, 0},  {3100, 2970, pair, kCompareHolds, 0x2},
      {900, 2000, pair, kCompareHolds, 0x2}, {1000, 3000, pair, kCompareFails, 0},
      {3100, 2970, 0, kCompareFails, 0},     {3100, 2970, 999, 1, 0},
  };
  for (const Row& row : rows) {
    UserPaper(row.width, row.length);
    WORD bits = 0;
    EXPECT_EQ(CheckPaperAgainstPointPair(&context, nullptr, row.key, &bits), row.answer) << row.width;
    EXPECT_EQ(bits, row.bits) << row.width;
  }
  // Through the engine: the paper outside the pair is a conflict of the paper.
  Result result;
  UserPaper(3100, 2970);
  ASSERT_EQ(Check(kConflictModeCheck, 16, 2, &two, result.r), 0);
  EXPECT_EQ(result->status, 3);
  EXPECT_EQ(result->paperBits, 0x2);
  UserPaper(2100, 2970);
  ASSERT_EQ(Check(kConflictModeCheck, 16, 2, &two, result.r), 0);
  EXPECT_EQ(result->status, 0);
  // A model paper does not hold.
  Set<int16_t>(8, 2, 9);
  WORD bits = 0;
  EXPECT_EQ(CheckPaperAgainstPointPair(&context, nullptr, pair, &bits), kCompareFails);
}

TEST_F(PaperFitTest, PaperKindsOfARuleWord) {
  struct Row {
    WORD kind;
    uint16_t width, length;
    uint16_t flag481, setting332, setting266, setting389;
    uint16_t setting410, outputs;  // outputs: the value of settings 407-409
    WORD answer, bits;
  } rows[] = {
      {0x400, 2100, 2970, 0, 0, 2, 4, 9, 0, 0, 0},
      {0x400, 3100, 4300, 0, 0, 2, 4, 9, 0, 1, 0x0B},
      // Checked only with flag 481 set; the range of setting 389.
      {0x800, 3100, 4300, 0, 0, 2, 4, 9, 0, 0, 0},
      {0x800, 3100, 4300, 1, 0, 2, 4, 9, 0, 1, 0x13},
      {0x800, 2100, 2970, 1, 0, 2, 4, 9, 0, 0, 0},
      // Output range (type 6) of setting 266.
      {0xC00, 2100, 2970, 0, 0, 2, 4, 9, 0, 1, 0x23},
      {0xC00, 1500, 1500, 0, 0, 2, 4, 9, 0, 0, 0},
      // Setting 410's paper against source 4, with the outputs that name 4.
      {0x1400, 2100, 2970, 0, 0, 2, 4, 262, 4, 0, 0},
      {0x1400, 3100, 2970, 0, 0, 2, 4, 262, 4, 1, 0x40 | 0x700},
      {0x1400, 3100, 2970, 0, 0, 2, 4, 262, 1, 1, 0x40},
      {0x2000, 2100, 2970, 0, 0, 2, 4, 262, 0, 1, 0x60},
      // Checked only when setting 332 is set; a range without setting 262 is
      // not tested.
      {0x2400, 3100, 4300, 0, 0, 2, 4, 9, 0, 0, 0},
      {0x400, 3100, 4300, 0, 0, 2, 4, 9, 0, 0, 0},
  };
  const SettingsContext context = Context();
  for (size_t k = 0; k < std::size(rows); ++k) {
    const Row& row = rows[k];
    SCOPED_TRACE(::testing::Message() << "row " << k);
    UserPaper(row.width, row.length);
    Set<int32_t>(481, 1, row.flag481);
    Set<uint8_t>(332, 8, static_cast<uint8_t>(row.setting332));
    Set<uint16_t>(266, 3, row.setting266);
    Set<uint16_t>(389, 3, row.setting389);
    Set<uint16_t>(410, 3, row.setting410);
    for (SettingId id : {407, 408, 409}) Set<uint16_t>(id, 3, row.outputs);
    Set<uint16_t>(265, 3, k + 1 == std::size(rows) ? 1 : 4);
    ConstraintRecord constraint{};
    constraint.rule = static_cast<WORD>(row.kind | 2);
    WORD bits = 0xFFFF;
    EXPECT_EQ(CheckPaperRange(kConflictModeCheck, &context, nullptr, &constraint, &bits), row.answer);
    EXPECT_EQ(bits, row.answer == 1 ? (0xFFFF) : 0);
    bits = 0;
    CheckPaperRange(kConflictModeCheck, &context, nullptr, &constraint, &bits);
    EXPECT_EQ(bits, row.bits);
  }
  // The rule bits skip the check in their mode.
  UserPaper(3100, 4300);
  Set<uint16_t>(265, 3, 4);
  ConstraintRecord hidden{};
  hidden.rule = 0x400 | 0x200 | 2;
  WORD bits = 0;
  EXPECT_EQ(CheckPaperRange(kConflictModeChange, &context, nullptr, &hidden, &bits), 0);
  EXPECT_EQ(CheckPaperRange(kConflictModeAvailable, &context, nullptr, &hidden, &bits), 1);
}

TEST_F(PaperFitTest, UserPaperAgainstItsOwnRecord) {
  const SettingsContext context = Context();
  ConstraintRecord constraint{};
  constraint.rule = 0x1000 | 2;
  Set<int16_t>(8, 2, 263);  // user paper 2: its pair 2 is 900-2970 x 1480-4200
  UserPaper(2100, 2970, 1);
  EXPECT_EQ(CheckPaperInRecord(kConflictModeCheck, &context, nullptr, &constraint), 0);
  UserPaper(3000, 2970, 1);
  EXPECT_EQ(CheckPaperInRecord(kConflictModeCheck, &context, nullptr, &constraint), 1);
  constraint.rule |= 0x100;
  EXPECT_EQ(CheckPaperInRecord(kConflictModeAvailable, &context, nullptr, &constraint), 0);
  // A model paper, and a user paper without a record, never conflict.
  constraint.rule = 0x1000 | 2;
  Set<int16_t>(8, 2, 9);
  EXPECT_EQ(CheckPaperInRecord(kConflictModeCheck, &context, nullptr, &constraint), 0);
  Set<int16_t>(8, 2, 264);
  EXPECT_EQ(CheckPaperInRecord(kConflictModeCheck, &context, nullptr, &constraint), 0);
}

TEST_F(PaperFitTest, SourceConstraintOfPaperKind0x400ThroughTheEngine) {
  // The bypass option lists a constraint without conditions of paper kind
  // 0x400: the paper range decides.
  ddd::ModelWriter w = PaperModel();
  const uint16_t key = w.AddConstraint(7, Cond(265, 1, Value::U16(4)), 0x400 | 2, Text::Plain("Too large"), {});
  const uint16_t tray = w.AddOption(14, Text::Plain("Tray"), 0, 0, Value::U16(1));
  const uint16_t bypass = w.AddOption(14, Text::Plain("Bypass"), 0, 0, Value::U16(4), 0, {key});
  w.AddFeature(4, 265, Text::Plain("Source"), 1, 1, {tray, bypass});
  ASSERT_EQ(Load(w), 0);
  Set<uint16_t>(265, 3, 1);
  const uint16_t four = 4;
  Result result;
  UserPaper(2100, 2970);
  ASSERT_EQ(Check(kConflictModeAvailable, 265, 3, &four, result.r), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_EQ(result->paperBits, 0);
  UserPaper(3100, 4300);
  ASSERT_EQ(Check(kConflictModeAvailable, 265, 3, &four, result.r), 0);
  EXPECT_EQ(result->status, 2);
  EXPECT_EQ(result->paperBits, 0x0B);
  EXPECT_EQ(pk::test::TypeSeven(result.r), std::vector<WORD>{1});
  // Every allocation of the check may fail; nothing is left behind.
  const int failed = pk::test::FailEachAllocation(40, [&] {
    const bool ok = Check(kConflictModeAvailable, 265, 3, &four, result.r) == 0;
    ResetConstraintResult(result.r);
    return ok;
  });
  EXPECT_GT(failed, 3);
}

TEST_F(PaperFitTest, APaperRangeWithoutConflictKeepsTheBitsOfEarlierConflicts) {
  // The bypass lists two constraints: A, the user paper outside the
  // bypass's own point pair (bit 0x2), then B, paper kind 0x400, which the
  // same paper passes. B must not take A's bits away.
  ddd::ModelWriter w = PaperModel();
  const uint16_t pair = w.AddPointPair({{1000, 1000}, {2000, 2000}});
  const uint16_t a =
      w.AddConstraint(7, Cond(265, 1, Value::U16(4)), 2, Text::Plain("A"), {pk::test::Chain(265, 9, Value::U16(4), 3)});
  const uint16_t b = w.AddConstraint(7, Cond(265, 1, Value::U16(4)), 0x400 | 3, Text::Plain("B"), {});
  const uint16_t tray = w.AddOption(14, Text::Plain("Tray"), 0, 0, Value::U16(1));
  const uint16_t bypass = w.AddOption(14, Text::Plain("Bypass"), 0, 0, Value::U16(4), pair, {a, b});
  w.AddFeature(4, 265, Text::Plain("Source"), 1, 1, {tray, bypass});
  ASSERT_EQ(Load(w), 0);
  Set<uint16_t>(265, 3, 1);
  UserPaper(2100, 2970);
  Result result;
  const uint16_t four = 4;
  ASSERT_EQ(Check(kConflictModeAvailable, 265, 3, &four, result.r), 0);
  EXPECT_EQ(result->status, 2);
  EXPECT_EQ(pk::test::TypeSeven(result.r), std::vector<WORD>{a});
  EXPECT_EQ(result->paperBits, 0x2);
}

TEST_F(PaperFitTest, PrintableSizes) {
  const SettingsContext context = Context();
  struct Row {
    DWORD paper;
    uint16_t width, length;
    WORD answer;
    LONG printableWidth, printableLength;
  } rows[] = {
      {9, 0, 0, 0, 2100, 2970},
      {262, 2100, 2970, 0, 2016, 2886},  // less both margins
      {262, 500, 500, 0, 900, 1400},     // raised to the least printable size
      {5, 0, 0, 1, 0, 0},                // no record
  };
  for (const Row& row : rows) {
    if (row.width != 0) UserPaper(row.width, row.length);
    LONG w = 0, l = 0;
    EXPECT_EQ(GetPrintablePaperSize(&context, row.paper, &w, &l), row.answer) << row.paper;
    EXPECT_EQ(w, row.printableWidth) << row.paper;
    EXPECT_EQ(l, row.printableLength) << row.paper;
  }
  LONG w = 0, l = 0;
  EXPECT_EQ(GetPaperDimensions(&context, 8, &w, &l), 1);
  EXPECT_EQ(w, 2970);
  EXPECT_EQ(GetPaperDimensions(&context, 262, &w, &l), 1);
  EXPECT_EQ(w, 500);
  EXPECT_EQ(GetPaperDimensions(&context, 5, &w, &l), 0);
  EXPECT_EQ(GetUserPaperSize(&context, 9, &w, &l), 0);
  LONG a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(GetRangeLimits(model_, 5, 4, &a, &b, &c, &d), kRangeFound);
  EXPECT_EQ(a, 1000);
  EXPECT_EQ(d, 4320);
  EXPECT_EQ(GetRangeLimits(model_, 5, 1, &a, &b, &c, &d), kRangeWithoutPaper);
  EXPECT_EQ(GetRangeLimits(model_, 5, 7, &a, &b, &c, &d), kRangeFailed);
  EXPECT_EQ(GetRangeLimits(model_, 5, 99, &a, &b, &c, &d), kRangeFailed);
  EXPECT_EQ(GetRangeLimits(model_, 6, 2, &a, &b, &c, &d), kRangeFound);
}

class ScaledFitTest : public PaperFitTest {
 protected:
  void SetUp() override {
    PaperFitTest::SetUp();
    // Two by two sheets of A4 for an A4 document.
    Set<uint16_t>(296, 3, 0x0202);
    Set<uint8_t>(321, 8, 1);
    Set<int32_t>(449, 1, 1);
    Set<int16_t>(8, 2, 9);
    Set<uint16_t>(262, 3, 267);
    Set<uint16_t>(263, 3, 100);
  }
  WORD Fit(uint16_t scaling, std::vector<WORD>* ids) {
    const SettingsContext context = Context();
    const SettingValueRef changed{263, 3, &scaling};
    WORD* list = nullptr;
    const WORD answer = CheckScaledPaperFit(&context, &changed, &list);
    *ids = TakeList(list);
    return answer;
  }
};

TEST_F(ScaledFitTest, LargerSmallerAndFitting) {
  std::vector<WORD> ids;
  EXPECT_EQ(Fit(250, &ids), kScaledPaperTooLarge);
  EXPECT_EQ(ids, (std::vector<WORD>{8, 262, 296, 449}));
  EXPECT_EQ(Fit(100, &ids), kScaledPaperTooSmall);
  EXPECT_EQ(ids, (std::vector<WORD>{8, 262, 296, 449}));
  EXPECT_EQ(Fit(200, &ids), kScaledPaperFits);
  EXPECT_TRUE(ids.empty());
  EXPECT_EQ(Fit(150, &ids), kScaledPaperFits);
  // Without a changed setting every one is listed.
  const SettingsContext context = Context();
  WORD* list = nullptr;
  EXPECT_EQ(CheckScaledPaperFit(&context, nullptr, &list), kScaledPaperTooSmall);
  EXPECT_EQ(TakeList(list), (std::vector<WORD>{8, 262, 296, 449, 263}));
  // Poster printing off, or flag 449 clear: nothing to check.
  Set<uint8_t>(321, 8, 0);
  EXPECT_EQ(Fit(250, &ids), kScaledPaperFits);
  EXPECT_TRUE(ids.empty());
  Set<uint8_t>(321, 8, 1);
  Set<int32_t>(449, 1, 0);
  EXPECT_EQ(Fit(250, &ids), kScaledPaperFits);
  // Another output paper: A3 sheets.
  Set<int32_t>(449, 1, 1);
  Set<uint16_t>(262, 3, 8);
  EXPECT_EQ(Fit(250, &ids), kScaledPaperFits);  // 2970 x 200 - 2100 x 250 > 0
  // Failed allocations (record loads, the list) fail the check cleanly.
  EXPECT_GT(pk::test::FailEachAllocation(30, [&] { return Fit(250, &ids) == kScaledPaperTooLarge; }), 0);
  // A paper without a record fails.
  Set<int16_t>(8, 2, 5);
  EXPECT_EQ(Fit(100, &ids), kScaledPaperFailed);
}

TEST_F(ScaledFitTest, LargeSizesAndScalingDoNotWrapAround) {
  // A 3000 mm user paper enlarged 650 times onto one A3 sheet: far too
  // large, though the 32-bit difference would come out positive.
  Set<int16_t>(8, 2, 262);
  UserPaper(30000, 30000);
  Set<uint16_t>(262, 3, 8);
  Set<uint16_t>(296, 3, 0x0101);
  std::vector<WORD> ids;
  EXPECT_EQ(Fit(65000, &ids), kScaledPaperTooLarge);
  EXPECT_EQ(ids, (std::vector<WORD>{8, 262, 296, 449}));
}

}  // namespace
