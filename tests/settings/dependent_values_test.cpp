// The settings that follow another one: layout classes, the forward tables and
// the inverse lookups.
#include <gtest/gtest.h>

#include "settings/access/dependent_values.h"

namespace {

DependentValueRecord Record(WORD orientation, WORD pages, WORD value, WORD dependent = 0) {
  return {orientation, pages, value, dependent};
}

TEST(DependentValues, LayoutClasses) {
  const struct {
    WORD orientation, pages;
    DependentLayoutClass expected;
  } cases[] = {
      {1, 1, DependentLayoutClass::kA},    {1, 4, DependentLayoutClass::kA},    {2, 2, DependentLayoutClass::kA},
      {2, 8, DependentLayoutClass::kA},    {1, 2, DependentLayoutClass::kB},    {1, 8, DependentLayoutClass::kB},
      {2, 1, DependentLayoutClass::kB},    {2, 4, DependentLayoutClass::kB},    {1, 16, DependentLayoutClass::kNone},
      {0, 1, DependentLayoutClass::kNone}, {3, 2, DependentLayoutClass::kNone}, {2, 0, DependentLayoutClass::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetDependentLayoutClass(c.orientation, c.pages), c.expected) << c.orientation << "/" << c.pages;
  }
}

TEST(DependentValues, ForwardLookups) {
  const WORD expected267[] = {0, 3, 4, 3, 2, 1, 1, 4, 2};
  for (WORD v = 0; v < 9; ++v) {
    WORD result = 0xEEEE;
    ASSERT_EQ(MapSetting267To325(v, &result), 0);
    EXPECT_EQ(result, expected267[v]);
  }
  WORD untouched = 0xEEEE;
  EXPECT_EQ(MapSetting267To325(9, &untouched), 1);
  EXPECT_EQ(untouched, 0xEEEE);

  const struct {
    SettingId id;
    WORD orientation, pages, value;
    int answer;
    WORD result;
  } cases[] = {
      {320, 1, 1, 3, 0, 0x101}, {320, 1, 2, 3, 0, 0x303}, {320, 1, 16, 3, 1, 0},    {320, 1, 16, 9, 0, 0x606},
      {320, 0, 0, 9, 0, 0x606}, {320, 7, 3, 0, 0, 0},     {320, 2, 8, 8, 0, 0x203}, {320, 2, 4, 8, 0, 0x204},
      {320, 1, 1, 10, 1, 0},    {341, 1, 1, 6, 1, 0},     {341, 1, 4, 1, 0, 0x303}, {341, 2, 1, 1, 0, 0x202},
      {341, 5, 5, 5, 0, 0x606}, {341, 5, 5, 4, 1, 0},     {342, 1, 1, 1, 1, 0},
  };
  for (const auto& c : cases) {
    const DependentValueRecord r = Record(c.orientation, c.pages, c.value);
    WORD result = 0;
    EXPECT_EQ(LookupDependentPosition(c.id, &r, &result), c.answer)
        << c.id << " " << c.orientation << "/" << c.pages << " value " << c.value;
    if (c.answer == 0) {
      EXPECT_EQ(result, c.result) << c.id << " value " << c.value;
    }
  }
}

TEST(DependentValues, InverseLookupsUndoTheForwardOnes) {
  // Every value of 320 and 341 in both classes comes back from its position.
  const DependentValueRecord layouts[] = {Record(1, 1, 0), Record(2, 2, 0), Record(1, 8, 0), Record(2, 4, 0)};
  for (SettingId id : {SettingId{320}, SettingId{341}}) {
    const WORD count = id == 320 ? 10 : 6;
    for (DependentValueRecord r : layouts) {
      for (WORD v = 0; v < count; ++v) {
        r.value = v;
        WORD position = 0;
        ASSERT_EQ(LookupDependentPosition(id, &r, &position), 0);
        r.dependentValue = position;
        WORD back = 0xEEEE;
        ASSERT_EQ(LookupDependentValueById(id, &r, &back), 0) << id << " position " << position;
        EXPECT_EQ(back, v) << id << " position " << position;
      }
    }
  }
  WORD result = 0;
  DependentValueRecord r = Record(1, 1, 0, 0x301);
  EXPECT_EQ(LookupDependentValueById(320, &r, &result), 1);
  r = Record(9, 9, 0, 0x606);
  ASSERT_EQ(LookupDependentValueById(320, &r, &result), 0);
  EXPECT_EQ(result, 9);
  ASSERT_EQ(LookupDependentValueById(341, &r, &result), 0);
  EXPECT_EQ(result, 5);
  r.dependentValue = 0x101;
  EXPECT_EQ(LookupDependentValueById(320, &r, &result), 1);  // needs a class

  // 325 back to 267, per class.
  const struct {
    WORD orientation, pages, value;
    int answer;
    WORD result;
  } back267[] = {{1, 1, 1, 0, 6}, {1, 2, 1, 0, 5}, {2, 8, 2, 0, 8}, {2, 1, 4, 0, 7},
                 {9, 9, 0, 0, 0}, {9, 9, 1, 1, 0}, {1, 1, 5, 1, 0}, {2, 4, 3, 0, 3}};
  for (const auto& c : back267) {
    r = Record(c.orientation, c.pages, 0, c.value);
    result = 0;
    EXPECT_EQ(LookupDependentValue(&r, &result), c.answer) << c.value;
    if (c.answer == 0) {
      EXPECT_EQ(result, c.result) << c.value;
    }
  }
  EXPECT_EQ(LookupDependentValue(nullptr, &result), 1);
  EXPECT_EQ(LookupDependentPosition(320, nullptr, &result), 1);
}

}  // namespace
