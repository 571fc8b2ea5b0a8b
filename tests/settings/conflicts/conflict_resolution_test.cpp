// Resolutions written into the settings, value lists, related ids, and the
// built-in rules of single settings, the stamp rules over the default
// printer's stamp store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "conflict_fixture.h"
#include "platform/win/win_seams.h"
#include "settings/model/device_model.h"
#include "settings/model/model_queries.h"
#include "settings/settings_buffers.h"
#include "settings/store/stamp_store.h"
#include "settings/stored_settings/stored_fixture.h"

namespace {

using ddd::Text;
using ddd::Value;
using pk::test::Chain;
using pk::test::Cond;
using pk::test::ConflictTest;
using pk::test::kOwner;
using pk::test::Related;
using pk::test::Result;
using pk::test::SmallWriter;
using pk::test::TakeList;

TEST_F(ConflictTest, StoreSettingValueWritesEachTypeInItsSize) {
  ASSERT_EQ(Load(SmallWriter()), 0);
  const SettingsContext context = Context();
  const int32_t flag = 1;
  const int16_t orientation = 2;
  const uint16_t scaling = 250;
  const uint8_t poster = 1;
  const uint32_t media = 3;
  struct Row {
    SettingValueRef ref;
    WORD answer;
    int64_t stored;
  } rows[] = {
      {{771, 1, &flag}, 0, 1},   {{7, 2, &orientation}, 0, 2}, {{263, 3, &scaling}, 0, 250},
      {{321, 8, &poster}, 0, 1}, {{24, 5, &media}, 0, 3},      {{16, 7, &flag}, 1, 0},
      {{16, 9, &flag}, 1, 0},    {{16, 2, nullptr}, 1, 0},     {{9999, 2, &orientation}, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ref.id);
    EXPECT_EQ(StoreSettingValue(&context, &row.ref), row.answer);
    if (row.answer == 0) {
      EXPECT_EQ(Get(row.ref.id), row.stored);
    }
  }
  const SettingValueRef text{297, 6, u"Draft"};
  ASSERT_EQ(StoreSettingValue(&context, &text), 0);
  EXPECT_EQ(buffers_.GetText(kSettingBlockDevMode, 900, 33), u"Draft");
  EXPECT_EQ(StoreSettingValue(nullptr, &text), 1);
}

TEST(RelatedSettingIds, TableAndRepeats) {
  struct Row {
    SettingId id;
    std::vector<WORD> related;
  } rows[] = {
      {272, {271, 270, 293, 482}},
      {274, {271, 270, 293}},
      {285, {271, 270, 293}},
      {482, {271, 270, 293}},
      {278, {293, 270}},
      {281, {293, 270}},
      {296, {297}},
      {301, {300}},
      {303, {456}},
      {454, {296, 297}},
      {36866, {296, 297}},
      {457, {270}},
      {1025, {1031}},
      {273, {}},
      {286, {}},
      {7, {}},
  };
  for (const Row& row : rows) {
    Result result;
    EXPECT_EQ(AddRelatedSettingIds(row.id, result.r), 0);
    EXPECT_EQ(Related(result.r), row.related) << row.id;
  }
  Result result;
  ASSERT_EQ(AddRelatedSettingIds(296, result.r), 0);
  ASSERT_EQ(AddRelatedSettingIds(296, result.r), 0);
  EXPECT_EQ(Related(result.r), std::vector<WORD>{297});
  EXPECT_EQ(AddRelatedSettingIds(296, nullptr), 1);
}

// Duplex (16): option 2 lists constraint 1 (resolution: orientation 2 and
// scaling 90, in that order), option 3 lists constraint 2 without a
// resolution; a type-8 constraint 1 resolves colour to 2.
ddd::ModelWriter ResolutionModel() {
  ddd::ModelWriter w = SmallWriter();
  const uint16_t first =
      w.AddConstraint(7, Cond(16, 1, Value::I16(2)), 4, Text::Plain("First"), {Chain(15, 1, Value::I16(1), 3)},
                      {Cond(7, 1, Value::I16(2)), Cond(263, 1, Value::U16(90))});
  const uint16_t second =
      w.AddConstraint(7, Cond(16, 1, Value::I16(3)), 4, Text::Plain("Second"), {Chain(15, 1, Value::I16(1), 3)});
  const uint16_t eight = w.AddConstraint(8, Cond(16, 1, Value::I16(2)), 3, Text::Plain("Eight"),
                                         {Chain(15, 1, Value::I16(1), 3)}, {Cond(15, 1, Value::I16(2))});
  const uint16_t off = w.AddOption(14, Text::Plain("Off"), 0, 0, Value::I16(1));
  const uint16_t on = w.AddOption(14, Text::Plain("On"), 0, 0, Value::I16(2), 0, {first}, {eight});
  const uint16_t other = w.AddOption(14, Text::Plain("Short"), 0, 0, Value::I16(3), 0, {second});
  w.AddFeature(4, 16, Text::Plain("Duplex"), 1, 1, {off, on, other});
  return w;
}

TEST_F(ConflictTest, ResolutionsAreWrittenInListOrder) {
  ASSERT_EQ(Load(ResolutionModel()), 0);
  Set<int16_t>(15, 2, 1);
  Set<int16_t>(16, 2, 1);
  Set<int16_t>(7, 2, 1);
  Result result;
  const int16_t two = 2;
  ASSERT_EQ(Check(kConflictModeChange, 16, 2, &two, result.r), 0);
  EXPECT_EQ(result->status, 3);  // the type-8 constraint's 3 outranks 4
  EXPECT_EQ(pk::test::TypeSeven(result.r), std::vector<WORD>{1});
  EXPECT_EQ(pk::test::TypeEight(result.r), std::vector<WORD>{1});

  const SettingsContext context = Context();
  const SettingValueRef change{16, 2, &two};
  const uint16_t pages = 4;
  const SettingValueRef extra[] = {{295, 3, &pages}};
  WORD room[kIdListRoom] = {};
  WORD* ids = room;
  WORD count = 0;
  ASSERT_EQ(ApplyChangeWithResolutions(kOwner, &context, &change, 1, extra, &ids, &count, result.r), 4);
  EXPECT_EQ(pk::test::Ids(ids, count), (std::vector<WORD>{16, 7, 263, 15, 295}));
  ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
  EXPECT_EQ(Get(16), 2);
  EXPECT_EQ(Get(7), 2);
  EXPECT_EQ(Get(263), 90);
  EXPECT_EQ(Get(15), 2);
  EXPECT_EQ(Get(295), 4);

  // A failed allocation (a record load, the id list) fails the change cleanly.
  EXPECT_GT(pk::test::FailEachAllocation(40,
                                         [&] {
                                           WORD r[kIdListRoom] = {};
                                           WORD* list = r;
                                           WORD n = 0;
                                           const WORD answer = ApplyChangeWithResolutions(kOwner, &context, &change, 1,
                                                                                          extra, &list, &n, result.r);
                                           ReleaseSettingIdList(kIdListRoom, r, &list, &n);
                                           return answer == 4;
                                         }),
            0);

  // The constraint without a condition list writes nothing.
  const std::vector<BYTE> devMode = buffers_.devMode, settings = buffers_.settings;
  const WORD keys[] = {2};
  EXPECT_EQ(ApplyConstraintResolutions(TRUE, &context, &ids, &count, keys, 1), 3);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(buffers_.devMode, devMode);
  EXPECT_EQ(buffers_.settings, settings);
  EXPECT_EQ(ApplyConstraintResolutions(TRUE, &context, &ids, &count, nullptr, 0), 3);
  const WORD missing[] = {9};
  EXPECT_EQ(ApplyConstraintResolutions(TRUE, &context, &ids, &count, missing, 1), 1);
  EXPECT_EQ(ApplyValueList(&context, &ids, &count, 0, nullptr), 3);
  const SettingValueRef bad[] = {{295, 3, &pages}, {16, 7, &pages}};
  EXPECT_EQ(ApplyValueList(&context, &ids, &count, 2, bad), 1);
  EXPECT_EQ(pk::test::Ids(ids, count), std::vector<WORD>{295});  // written before the failure
  ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
}

TEST_F(ConflictTest, ResolutionsThroughTheEngineWhenNotCollecting) {
  ASSERT_EQ(Load(ResolutionModel()), 0);
  Set<int16_t>(15, 2, 1);
  Set<int16_t>(7, 2, 1);
  const SettingsContext context = Context();
  const int16_t two = 2;
  const SettingValueRef change{16, 2, &two};
  ModelRecord* option = nullptr;
  WORD type = 0;
  ASSERT_EQ(FindSettingModelRecord(true, model_->primary, model_->secondary, 16, &two, &type, &option), 0);
  WORD room[kIdListRoom] = {}, chainRoom[kIdListRoom] = {};
  WORD *ids = room, *chainIds = chainRoom;
  WORD count = 0, chainCount = 0;
  EXPECT_EQ(EvaluateOptionConstraints(kConflictModeCheck, 0, kConstraintListTypeSeven, kOwner, &context, &change,
                                      nullptr, option, &ids, &count, &chainIds, &chainCount),
            0);
  EXPECT_EQ(pk::test::Ids(ids, count), (std::vector<WORD>{7, 263}));
  EXPECT_EQ(Get(263), 90);
  // Required arguments.
  EXPECT_EQ(EvaluateOptionConstraints(kConflictModeCheck, 0, kConstraintListTypeSeven, kOwner, &context, &change,
                                      nullptr, option, nullptr, nullptr, &chainIds, &chainCount),
            1);
  EXPECT_EQ(EvaluateOptionConstraints(kConflictModeCheck, 1, kConstraintListTypeSeven, kOwner, &context, &change,
                                      nullptr, option, &ids, &count, &chainIds, &chainCount),
            1);
  FreeModelRecord(&option, -1);
  ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
  ReleaseSettingIdList(kIdListRoom, chainRoom, &chainIds, &chainCount);
}

TEST_F(ConflictTest, RulesThatNeedNoStore) {
  ASSERT_EQ(Load(SmallWriter()), 0);
  const uint16_t three = 3, two = 2, one = 1;
  const SettingsContext context = Context();
  struct Row {
    SettingId id;
    const void* value;
    DWORD major, minor;
    WORD answer, status;
    std::vector<WORD> ids;
  } rows[] = {
      {452, &one, 10, 0, 0, 6, {}},    {452, nullptr, 10, 0, 0, 6, {}}, {293, &three, 4, 0, 0, 1, {}},
      {293, &three, 5, 0, 0, 0, {}},   {293, &three, 6, 1, 0, 0, {}},   {293, &two, 4, 0, 0, 0, {}},
      {293, nullptr, 4, 0, 0, 0, {}},  {1026, &one, 10, 0, 0, 0, {}},   {1042, nullptr, 10, 0, 0, 0, {}},
      {321, &one, 10, 0, 0, 0, {297}}, {321, &two, 10, 0, 0, 0, {297}}, {298, nullptr, 10, 0, 6, 9, {}},
      {7, &one, 10, 0, 6, 9, {}},      {1035, &one, 10, 0, 6, 9, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.id << " on " << row.major << "." << row.minor);
    pk::seams::SetOsVersion(row.major, row.minor);
    Result result;
    result->status = 9;
    WORD room[kIdListRoom] = {};
    WORD* ids = room;
    WORD count = 0;
    const SettingValueRef ref{row.id, 3, row.value};
    EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &ref, nullptr, result.r, &ids, &count), row.answer);
    EXPECT_EQ(result->status, row.status);
    EXPECT_EQ(pk::test::Ids(ids, count), row.ids);
    ReleaseSettingIdList(kIdListRoom, room, &ids, &count);
  }
  pk::seams::SetOsVersion(10, 0);
  // 321 given 1 while 297 holds a stamp name: asked.
  SetText(297, u"Draft");
  Result result;
  const SettingValueRef on{321, 3, &one};
  EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &on, nullptr, result.r, nullptr, nullptr), 0);
  EXPECT_EQ(result->status, 3);
  // 1035 without a value on a current system: hidden.
  const SettingValueRef current{1035, 3, nullptr};
  EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &current, nullptr, result.r, nullptr, nullptr), 0);
  EXPECT_EQ(result->status, 6);
  // 454 and 36866 without a value, by 321 and 297.
  for (SettingId id : {454, 36866}) {
    const SettingValueRef ref{id, 3, nullptr}, given{id, 3, &one};
    Set<uint8_t>(321, 8, 0);
    EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &ref, nullptr, result.r, nullptr, nullptr), 0);
    EXPECT_EQ(result->status, 0) << id;
    EXPECT_EQ(Related(result.r), (std::vector<WORD>{296, 297}));
    Set<uint8_t>(321, 8, 1);
    EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &ref, nullptr, result.r, nullptr, nullptr), 0);
    EXPECT_EQ(result->status, 1) << id;
    EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &given, nullptr, result.r, nullptr, nullptr), 0);
    EXPECT_EQ(result->status, 0) << id;
    Set<uint8_t>(321, 8, 0);
    SetText(297, u"");
    EXPECT_EQ(CheckSpecialSettings(kOwner, &context, &ref, nullptr, result.r, nullptr, nullptr), 0);
    EXPECT_EQ(result->status, 1) << id;
    SetText(297, u"Draft");
  }
  // A built-in status stands through the engine; the model does not know 452.
  const uint16_t value = 1;
  ASSERT_EQ(Check(kConflictModeCheck, 452, 3, &value, result.r), 0);
  EXPECT_EQ(result->status, 6);
  EXPECT_EQ(CheckSpecialSettings(kOwner, nullptr, &on, nullptr, result.r, nullptr, nullptr), 1);
}

// The stamp rules read the per-user stamp store of the default printer.
class StampRuleTest : public pk::test::StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
  }
  void TearDown() override {
    if (model_) CloseDeviceModel(model_);
    StoredSettingsTest::TearDown();
  }
  SettingsContext Context() { return SettingsContext{model_, buffers_.devMode.data(), buffers_.settings.data()}; }
  void SetPoster(uint8_t value) {
    ASSERT_EQ(SetSettingValue(321, buffers_.devMode.data(), buffers_.settings.data(), 8, 1, &value), 0);
  }
  void SetStampName(const std::u16string& name) {
    const WCHAR* address = name.c_str();
    ASSERT_EQ(SetSettingValue(297, buffers_.devMode.data(), buffers_.settings.data(), 6,
                              static_cast<UINT>(name.size() * 2 + 2), &address),
              0);
  }
  void SaveStamp(const std::u16string& name) {
    StampRecord r{};
    std::memcpy(r.name, name.c_str(), std::min<size_t>(name.size(), 31) * 2);
    std::memcpy(r.text, u"Text", 8);
    std::memcpy(r.font.lfFaceName, u"DejaVu Sans", 22);
    r.font.lfHeight = 60;
    ASSERT_EQ(SaveStampRecord(printer_, &r, model_), kStampOk);
  }
  WORD Rule(SettingId id, const void* value, ConstraintResult* result, std::vector<WORD>* ids) {
    const SettingsContext context = Context();
    const SettingValueRef ref{id, 3, value};
    WORD room[kIdListRoom] = {};
    WORD* list = room;
    WORD count = 0;
    const WORD answer = CheckSpecialSettings(printer_, &context, &ref, nullptr, result, &list, &count);
    *ids = pk::test::Ids(list, count);
    ReleaseSettingIdList(kIdListRoom, room, &list, &count);
    return answer;
  }

  DeviceModel* model_ = nullptr;
  pk::test::SettingsBuffers buffers_;
};

TEST_F(StampRuleTest, AddingAStampToAFullStore) {
  Result result;
  std::vector<WORD> ids;
  const uint16_t one = 1;
  SetPoster(0);
  // The six built-in stamps only.
  ASSERT_EQ(Rule(36865, &one, result.r, &ids), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_TRUE(ids.empty());
  for (int i = 0; i < 26; ++i) SaveStamp(u"Stamp " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
  ASSERT_EQ(Rule(36865, &one, result.r, &ids), 0);
  EXPECT_EQ(result->status, 8);
  EXPECT_EQ(ids, std::vector<WORD>{297});
  EXPECT_EQ(Related(result.r), (std::vector<WORD>{296, 297}));
  ASSERT_EQ(Rule(36865, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 8);
  // Poster printing on, no value: not available.
  SetPoster(1);
  ASSERT_EQ(Rule(36865, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 1);
  EXPECT_EQ(ids, std::vector<WORD>{296});
  // Through the engine with the printer as the owner.
  SetPoster(0);
  ASSERT_EQ(CheckSettingConflicts(kConflictModeCheck, printer_, model_, buffers_.devMode.data(),
                                  buffers_.settings.data(), nullptr, 36865, 3, &one, result.r, nullptr),
            0);
  EXPECT_EQ(result->status, 8);
}

TEST_F(StampRuleTest, StampsThatCanBeChosenByName) {
  Result result;
  std::vector<WORD> ids;
  SetPoster(0);
  SaveStamp(u"Office");
  SetStampName(u"Office");
  ASSERT_EQ(Rule(36867, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 0);
  EXPECT_EQ(ids, (std::vector<WORD>{296, 297}));
  SetStampName(u"Draft");  // a built-in stamp, seeded into the store
  ASSERT_EQ(Rule(36867, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 0);
  SetStampName(u"Nowhere");
  ASSERT_EQ(Rule(36867, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 1);
  SetStampName(u"");
  ASSERT_EQ(Rule(36867, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 1);
  SetStampName(u"Office");
  SetPoster(1);
  ASSERT_EQ(Rule(36867, nullptr, result.r, &ids), 0);
  EXPECT_EQ(result->status, 1);
  const uint16_t one = 1;
  ASSERT_EQ(Rule(36867, &one, result.r, &ids), 0);
  EXPECT_EQ(result->status, 0);
}

}  // namespace
