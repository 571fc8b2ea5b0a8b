// The feature group tables and the feature handlers: row counts and order,
// the lookup by id, and each handler's defaults, checks and choices.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "defaults_fixture.h"
#include "settings/access/choice_list.h"
#include "settings/defaults/feature_groups.h"

namespace {

using pk::test::DefaultsTest;

std::vector<SettingId> GroupIds(DWORD group) {
  const FeatureRow* rows = nullptr;
  WORD count = 0;
  EXPECT_EQ(GetFeatureGroup(group, &rows, &count, nullptr), 1);
  std::vector<SettingId> ids;
  for (WORD i = 0; i < count; ++i) ids.push_back(rows[i].id);
  return ids;
}

TEST(FeatureGroups, TablesHoldEveryListedSettingOnce) {
  const size_t expected[10] = {32, 33, 155, 23, 47, 36, 37, 42, 64, 36};
  const SettingBlock blocks[10] = {2, 2, 2, 0, 0, 0, 0, 0, 0, 1};
  size_t total = 0;
  std::set<SettingId> seen;
  for (DWORD group = 0; group < 10; ++group) {
    SettingBlock block = 9;
    EXPECT_EQ(GetFeatureGroup(group, nullptr, nullptr, &block), 1);
    EXPECT_EQ(block, blocks[group]) << group;
    std::vector<SettingId> ids = GroupIds(group);
    EXPECT_EQ(ids.size(), expected[group]) << group;
    total += ids.size();
    for (SettingId id : ids) {
      EXPECT_TRUE(seen.insert(id).second) << id;
      EXPECT_EQ(FindFeatureRow(id)->id, id);
    }
  }
  EXPECT_EQ(total, 505u);
  // The table order is groups 4-9, 0-2, 3, then the end row.
  EXPECT_EQ(kFeatureGroups[0].group, 4u);
  EXPECT_EQ(kFeatureGroups[9].group, 3u);
  EXPECT_EQ(kFeatureGroups[10].group, 10u);
  const FeatureRow* rows = reinterpret_cast<const FeatureRow*>(1);
  WORD count = 7;
  EXPECT_EQ(GetFeatureGroup(10, &rows, &count, nullptr), 0);
  EXPECT_EQ(rows, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(GetFeatureGroup(11, nullptr, nullptr, nullptr), 0);
}

TEST(FeatureGroups, PrinterGroupOrderAndUnlistedIds) {
  std::vector<SettingId> ids = GroupIds(2);
  ASSERT_EQ(ids.size(), 155u);
  const std::vector<SettingId> head = {1281, 1297, 1298, 1300, 1306, 1307, 1308, 1309, 1310, 1341};
  EXPECT_EQ(std::vector<SettingId>(ids.begin(), ids.begin() + 10), head);
  EXPECT_EQ(ids[63], 1395);  // 1341-1395, then the user paper slots
  EXPECT_EQ(ids[64], 1311);
  EXPECT_EQ(ids[93], 1340);
  EXPECT_EQ(ids[94], 1396);
  EXPECT_EQ(ids.back(), 1456);

  for (SettingId id : {20, 21, 304, 309, 329, 362, 1282, 1296, 1299, 442, 0, 26, 1457})
    EXPECT_EQ(FindFeatureRow(id), nullptr) << id;
  const FeatureRow* row = FindFeatureRow(1306);  // listed, but no descriptor
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->ops, nullptr);
}

TEST(FeatureGroups, OperationsOfTheRows) {
  struct Case {
    SettingId id;
    bool hasOps;
    DWORD flags;
    bool handler;
    bool fixed;
  };
  const Case cases[] = {
      {1, true, 31, true, false},    {7, true, 18, true, false},    {13, true, 16, true, false},
      {24, true, 0, true, false},    {257, true, 31, false, true},  {513, true, 31, false, true},
      {1307, true, 31, false, true}, {1297, true, 31, false, true}, {439, true, 0, false, true},
      {1311, true, 31, true, false}, {1340, true, 31, true, false}, {8, false, 0, false, false},
      {345, false, 0, false, false},
  };
  for (const Case& c : cases) {
    const FeatureRow* row = FindFeatureRow(c.id);
    ASSERT_NE(row, nullptr) << c.id;
    ASSERT_EQ(row->ops != nullptr, c.hasOps) << c.id;
    if (!row->ops) continue;
    EXPECT_EQ(row->ops->flags, c.flags) << c.id;
    EXPECT_EQ(row->ops->handler != nullptr, c.handler) << c.id;
    EXPECT_EQ(row->ops->staticDefault != nullptr, c.fixed) << c.id;
  }
  EXPECT_EQ(FindFeatureRow(1297)->ops->staticDefault->value, 2840u);
  EXPECT_EQ(FindFeatureRow(257)->ops->staticDefault->value, 0x6930u);
}

class FeatureHandlerTest : public DefaultsTest {
 protected:
  int Default(SettingId id, const WCHAR* printerName, uint64_t* value, SettingValueType* type, WORD* status) {
    INT size = 0;
    return GetFeatureDefault(model_, b_.settings.data(), printerName, FindFeatureRow(id), value, type, &size, status);
  }
};

TEST_F(FeatureHandlerTest, DeviceNameDefaultIsTheCutPrinterName) {
  const WCHAR* forty = u"0123456789012345678901234567890123456789";
  uint64_t value = 0;
  SettingValueType type = 0;
  WORD status = 9;
  ASSERT_EQ(Default(1, forty, &value, &type, &status), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(type, kSettingTypeText);
  EXPECT_EQ(pk::test::TextAt(reinterpret_cast<const BYTE*>(value)), std::u16string(forty).substr(0, 31));
  EXPECT_EQ(FreeSettingDefault(1, value, type), 1);
  EXPECT_EQ(Default(1, nullptr, &value, &type, &status), 0);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(GetSettingDefault(model_, 1, &type, nullptr, &value), -1);
}

TEST_F(FeatureHandlerTest, StoredAndProposedChecks) {
  ASSERT_EQ(Build(), 1);
  struct Case {
    SettingId id;
    SettingValueType type;
    uint64_t value;
    int stored, proposed;
  };
  const Case cases[] = {
      {4, kSettingTypeUInt16, 220, 1, 0},
      {4, kSettingTypeUInt16, 2628, 1, 0},
      {4, kSettingTypeUInt16, 221, 0, 0},
      {2, kSettingTypeUInt16, 0x401, 1, 0},
      {2, kSettingTypeUInt16, 0x400, 0, 0},
      {5, kSettingTypeUInt16, 2408, 1, 0},
      {3, kSettingTypeUInt16, 0x3204, 1, 0},
      {12, kSettingTypeInt16, 0, 0, 0},
      {12, kSettingTypeInt16, 1, 1, 1},
      {12, kSettingTypeInt16, 999, 1, 1},
      {12, kSettingTypeInt16, 1000, 0, 1},
      {12, kSettingTypeInt16, 0xFFFF, 0, 0},
      {7, kSettingTypeInt16, 2, 1, 1},
      {7, kSettingTypeInt16, 3, 0, 0},
      {11, kSettingTypeInt16, 0, 0, 0},
      {11, kSettingTypeInt16, 50, 1, 1},
      {13, kSettingTypeInt16, 5, 0, 1},
      {16, kSettingTypeInt16, 3, 1, 1},
      {16, kSettingTypeInt16, 4, 0, 0},
      {17, kSettingTypeInt16, 4, 1, 1},
      {18, kSettingTypeInt16, 2, 0, 0},
      {15, kSettingTypeInt16, 1, 1, 1},
      {15, kSettingTypeInt16, 0, 0, 0},
      // Stored media types are the model's options; any proposed one is taken.
      {24, kSettingTypeUInt32, 2, 1, 1},
      {24, kSettingTypeUInt32, 7, 0, 1},
      // A setting without handler is checked against the model's options both ways.
      {271, kSettingTypeUInt16, 8, 1, 1},
      {271, kSettingTypeUInt16, 2, 0, 0},
      // Checks a handler does not make are not valid.
      {9, kSettingTypeInt16, 2970, 0, 0},
  };
  for (const Case& c : cases) {
    pk::test::SettingsBuffers saved = b_;
    Put(c.id, c.type, c.value, c.type == kSettingTypeUInt32 ? 4 : 2);
    EXPECT_EQ(Validate(c.id, 2), c.stored) << c.id << " = " << c.value;
    EXPECT_EQ(Validate(c.id, 16), c.proposed) << c.id << " = " << c.value;
    b_ = saved;
  }
  EXPECT_EQ(ValidateSettingValue(model_, 304, b_.devMode.data(), b_.settings.data(), 2), 0);  // no row
}

TEST_F(FeatureHandlerTest, IcmRuleFollowsThePlatform) {
  ASSERT_EQ(Build(), 1);
  Put(23, kSettingTypeUInt32, 5, 4);
  struct Case {
    DWORD major, minor, platform;
    int valid;
  };
  const Case cases[] = {{6, 1, 2, 0}, {4, 0, 2, 1}, {4, 0, 1, 1}, {4, 10, 1, 0}, {5, 0, 2, 0}, {1, 0, 0, 0}};
  for (const Case& c : cases) {
    pk::seams::SetOsVersion(c.major, c.minor, c.platform);
    EXPECT_EQ(Validate(23, 2), c.valid) << c.major << "." << c.minor << "/" << c.platform;
    EXPECT_EQ(Validate(23, 16), c.valid);
  }
  pk::seams::SetOsVersion(6, 1);
  Put(23, kSettingTypeUInt32, 4, 4);
  EXPECT_EQ(Validate(23, 2), 1);
  Put(22, kSettingTypeUInt32, 9, 4);
  EXPECT_EQ(Validate(22, 16), 0);
  // The stored method is brought in line with the colour matching setting.
  Put(293, kSettingTypeUInt16, 3, 2);
  EXPECT_EQ(Validate(22, 2), 1);
  EXPECT_EQ(Value(22), 2u);
}

TEST_F(FeatureHandlerTest, ChoicesOfCopiesStampsAndFaces) {
  // Copies: minimum, maximum and step.
  SettingChoiceList list = {};
  FeatureListArgs describe = {nullptr, &list, 0, nullptr};
  ASSERT_EQ(HandleFeature(model_, 4, 12, &describe), 1);
  EXPECT_EQ(list.kind, 4);
  EXPECT_EQ(list.count, 3);
  const uint16_t copies[3] = {1, 999, 1};
  for (INT n = 0; n < 3; ++n) {
    ChoiceAnswer answer = {};
    answer.index = n;
    ASSERT_EQ(HandleFeature(model_, 8, 12, &answer), 1);
    EXPECT_EQ(answer.valueType, kSettingTypeInt16);
    EXPECT_EQ(*static_cast<const uint16_t*>(answer.value), copies[n]);
  }
  ChoiceAnswer beyond = {};
  beyond.index = 3;
  EXPECT_EQ(HandleFeature(model_, 8, 12, &beyond), 0);

  // Stamps: "none" from the resource module, then the caller's names.
  pk::test::InstallInDriverFolder(PK_RESOURCE_MODULE_FILE, u"Tarquen.vbn");
  HMODULE module = LoadLibraryW((pk::test::DriverFolder() + u"Tarquen.vbn").c_str());
  ASSERT_NE(module, nullptr);
  WORD stamps = 2;
  describe = {module, &list, 0, &stamps};
  ASSERT_EQ(HandleFeature(model_, 4, 298, &describe), 1);
  EXPECT_EQ(list.kind, 2);
  EXPECT_EQ(list.count, 3);
  const WCHAR names[] = u"Draft\0Copy\0";
  FeatureTextList textList = {0, names};
  const std::u16string texts[4] = {u"(None)", u"Draft", u"Copy", u""};
  const std::u16string values[4] = {u"", u"Draft", u"Copy", u""};
  for (INT n = 0; n < 4; ++n) {
    ChoiceAnswer answer = {};
    answer.module = module;
    answer.index = n;
    answer.textList = &textList;
    ASSERT_EQ(HandleFeature(model_, 8, 298, &answer), 1) << n;
    EXPECT_EQ(answer.valueType, kSettingTypeText);
    EXPECT_EQ(pk::test::Wide(answer.text), texts[n]) << n;
    EXPECT_EQ(pk::test::Wide(*static_cast<const WCHAR* const*>(answer.value)), values[n]) << n;
  }
  FreeLibrary(module);

  // Face names: the caller's count and table.
  describe = {nullptr, &list, 0, nullptr};
  EXPECT_EQ(HandleFeature(model_, 4, 305, &describe), 0);
  describe.count = 2;
  ASSERT_EQ(HandleFeature(model_, 4, 358, &describe), 1);
  EXPECT_EQ(list.count, 2);
  const WCHAR* faces[] = {u"Orvalis Sans", u"Orvalis Mono", nullptr};
  ChoiceAnswer answer = {};
  answer.index = 1;
  EXPECT_EQ(HandleFeature(model_, 8, 305, &answer), 0);  // no table
  answer.textTable = faces;
  ASSERT_EQ(HandleFeature(model_, 8, 305, &answer), 1);
  EXPECT_EQ(pk::test::Wide(answer.text), u"Orvalis Mono");
  answer.index = 2;
  EXPECT_EQ(HandleFeature(model_, 8, 358, &answer), 0);  // no entry

  // Operations a handler lacks answer 0.
  EXPECT_EQ(HandleFeature(model_, 8, 7, &answer), 0);
  EXPECT_EQ(HandleFeature(model_, 4, 1, &describe), 0);
  EXPECT_EQ(HandleFeature(model_, 32, 12, &describe), 0);
}

}  // namespace
