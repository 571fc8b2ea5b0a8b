// The constraints a user meets on the default printer: two-sided printing
// without the duplex unit, a user paper larger than the bypass tray takes,
// and booklet printing with its binding edge.
#include <gtest/gtest.h>

#include <string>

#include "conflict_fixture.h"
#include "settings/model/device_model.h"

namespace {

using pk::test::kOwner;
using pk::test::Related;
using pk::test::Result;
using pk::test::TakeList;
using pk::test::TypeEight;
using pk::test::TypeSeven;

class DefaultPrinterConflictTest : public pk::test::ConflictTest {
 protected:
  void SetUp() override {
    ConflictTest::SetUp();
    pk::test::InstallInDriverFolder(PK_DEFAULT_MODEL_STRINGS, u"ORVC3600.vbn");
    pk::test::WriteWindowsFile(u"C:\\drivers\\ORVC3600.DDD", pk::test::ReadHostFile(PK_DEFAULT_MODEL_FILE));
    ASSERT_EQ(LoadPath(u"C:\\drivers\\ORVC3600.DDD"), 0);
    Set<int16_t>(16, 2, 1);
    Set<int32_t>(771, 1, 0);
    Set<uint16_t>(265, 3, 7);
    Set<uint16_t>(262, 3, 267);
    Set<int16_t>(8, 2, 9);
  }
  std::vector<WORD> Apply(const SettingValueRef& change, const ConstraintResult* result) {
    const SettingsContext context = Context();
    WORD room[kIdListRoom] = {};
    WORD* ids = room;
    WORD count = 0;
    EXPECT_EQ(ApplyChangeWithResolutions(kOwner, &context, &change, 0, nullptr, &ids, &count, result), 4);
    std::vector<WORD> written = pk::test::Ids(ids, count);
    ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
    return written;
  }
};

TEST_F(DefaultPrinterConflictTest, TwoSidedPrintingNeedsTheDuplexUnit) {
  Result result;
  const int16_t two = 2;
  ASSERT_EQ(Check(kConflictModeAvailable, 16, 2, &two, result.r), 0);
  EXPECT_EQ(result->status, 1);
  EXPECT_EQ(TypeSeven(result.r), std::vector<WORD>{1});
  EXPECT_EQ(Related(result.r), std::vector<WORD>{771});
  // The change is written, then the resolution turns it back off.
  EXPECT_EQ(Apply(SettingValueRef{16, 2, &two}, result.r), std::vector<WORD>{16});
  EXPECT_EQ(Get(16), 1);
  // With the unit installed nothing is in the way.
  Set<int32_t>(771, 1, 1);
  ASSERT_EQ(Check(kConflictModeAvailable, 16, 2, &two, result.r), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_TRUE(TypeSeven(result.r).empty());
}

TEST_F(DefaultPrinterConflictTest, UserPaperLargerThanTheBypassTray) {
  // The document's paper is the first user paper.
  Set<int16_t>(8, 2, 262);
  Set<uint16_t>(1311, 3, 3000);
  Set<uint16_t>(1321, 3, 4300);
  Result result;
  const uint16_t bypass = 4, tray = 1;
  ASSERT_EQ(Check(kConflictModeAvailable, 265, 3, &bypass, result.r), 0);
  EXPECT_EQ(result->status, 2);
  EXPECT_EQ(TypeSeven(result.r), std::vector<WORD>{2});
  // The paper kind 0x400 bits: dmPaperSize for the paper, the paper, the source.
  EXPECT_EQ(result->paperBits, 0x1 | 0x2 | 0x8);
  // A tray that takes no user paper is not tested.
  ASSERT_EQ(Check(kConflictModeAvailable, 265, 3, &tray, result.r), 0);
  EXPECT_EQ(result->status, 0);
  // A user paper the bypass takes.
  Set<uint16_t>(1311, 3, 2100);
  Set<uint16_t>(1321, 3, 2970);
  ASSERT_EQ(Check(kConflictModeAvailable, 265, 3, &bypass, result.r), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_EQ(result->paperBits, 0);
  // Choosing the user paper while the bypass is the source.
  Set<uint16_t>(265, 3, 4);
  Set<uint16_t>(1321, 3, 3600);
  const int16_t user = 262;
  ASSERT_EQ(Check(kConflictModeChange, 8, 2, &user, result.r), 0);
  EXPECT_EQ(result->status, 2);
  EXPECT_EQ(result->paperBits, 0x1 | 0x2 | 0x8);
}

TEST_F(DefaultPrinterConflictTest, BookletPrintingSetsTheBindingEdge) {
  Set<uint8_t>(267, 8, 0);
  Set<uint8_t>(270, 8, 1);
  Result result;
  WORD* list = nullptr;
  const uint16_t on = 1;
  ASSERT_EQ(Check(kConflictModeChange, 267, 3, &on, result.r, &list), 0);
  EXPECT_EQ(result->status, 4);
  EXPECT_EQ(TypeEight(result.r), std::vector<WORD>{1});
  EXPECT_EQ(TakeList(list), (std::vector<WORD>{267}));
  EXPECT_EQ(Apply(SettingValueRef{267, 3, &on}, result.r), (std::vector<WORD>{267, 270}));
  EXPECT_EQ(Get(267), 1);
  EXPECT_EQ(Get(270), 0);
  // Booklet printing already chosen: nothing to resolve.
  ASSERT_EQ(Check(kConflictModeChange, 267, 3, &on, result.r), 0);
  EXPECT_EQ(result->status, 0);
}

TEST_F(DefaultPrinterConflictTest, EveryConstraintHasItsMessage) {
  struct Row {
    WORD type, key;
    const char16_t* message;
  } rows[] = {
      {7, 1, u"Two-sided printing needs the duplex unit."},
      {7, 2, u"The user defined paper size does not fit the bypass tray."},
      {8, 1, u"Booklet printing binds the pages at the left edge."},
  };
  for (const Row& row : rows) {
    ModelRecord* record = nullptr;
    ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), row.type, row.key, &record), 0);
    EXPECT_EQ(record->key, row.key);
    EXPECT_EQ(pk::test::Wide(static_cast<ConstraintRecord*>(record)->message), std::u16string(row.message));
    FreeModelRecord(&record, -1);
  }
}

}  // namespace
