// Building the default DEVMODE, extension and printer settings block over
// the default printer's model and its variants; single defaults, resets and
// the identity checks of a DEVMODE.
#include <gtest/gtest.h>

#include "defaults_fixture.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/model_interface.h"
#include "settings/services/user_paper.h"

namespace {

using pk::test::DefaultsTest;

TEST_F(DefaultsTest, DefaultPrinterModelBuildsCompletely) {
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  b_.devMode.assign(b_.devMode.size(), 0xAB);  // everything is cleared first
  b_.settings.assign(b_.settings.size(), 0xCD);
  ASSERT_EQ(Build(), 1);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);

  EXPECT_EQ(TextOf(1), u"Office");
  EXPECT_EQ(Value(2), 0x401u);
  for (SettingId id : {3, 258, 1298}) EXPECT_EQ(Value(id), 0x3204u) << id;
  EXPECT_EQ(Value(4), 220u);
  EXPECT_EQ(Value(5), 2408u);
  for (SettingId id : {257, 513, 1307}) EXPECT_EQ(Value(id), 0x6930u) << id;
  EXPECT_EQ(Value(1297), 2840u);
  DWORD fields = 0;
  ASSERT_EQ(GetSupportedFieldsMask(model_, &fields, 1), 1);
  EXPECT_EQ(Value(6), fields);
  EXPECT_EQ(Value(12), 1u);
  EXPECT_EQ(Value(22), 1u);
  EXPECT_EQ(Value(8), 9u);  // the model's default paper
  EXPECT_EQ(Value(10), 2100u);
  EXPECT_EQ(Value(9), 2970u);
  EXPECT_EQ(TextOf(19), u"A4");
  EXPECT_EQ(TextOf(259), u"Orvalis C3600 Colour");
  EXPECT_EQ(std::memcmp(Address(357), &GetDefaultSecondFontRecord(), kFontRecordSize), 0);
  EXPECT_EQ(TextOf(358), std::u16string(GetDefaultSecondFontRecord().lfFaceName));
  EXPECT_EQ(TextOf(298), u"");
  for (SettingId id = 1311; id <= 1320; ++id) EXPECT_EQ(Value(id), 2100u) << id;
  for (SettingId id = 1321; id <= 1330; ++id) EXPECT_EQ(Value(id), 2970u) << id;
  for (SettingId n = 0; n < 10; ++n) {
    WCHAR name[15];
    FormatUserPaperName(n, name);
    EXPECT_EQ(TextOf(1331 + n), std::u16string(name)) << n;
  }
  EXPECT_TRUE(TextOf(1340).ends_with(u"10"));
  // The model's colour mode default is 2 (monochrome), and 267's default 0.
  EXPECT_EQ(Value(345), 2u);
  EXPECT_EQ(Value(15), 2u);
  EXPECT_EQ(Value(325), 0u);
  EXPECT_EQ(Value(7), 1u);
  EXPECT_EQ(Value(16), 1u);
  EXPECT_EQ(Value(271), 1u);
  // Settings the model knows nothing of stay zero.
  EXPECT_EQ(Value(286), 0u);
  EXPECT_EQ(CheckDevModeIdentity(model_, b_.devMode.data(), b_.settings.data()), 1);
}

TEST_F(DefaultsTest, VariantDefaultsFollowTheModel) {
  LoadVariant("ColourVariant");
  ASSERT_EQ(Build(), 1);
  EXPECT_EQ(Value(345), 1u);
  EXPECT_EQ(Value(15), 1u);  // dmColor follows 345's default
  EXPECT_EQ(Value(267), 2u);
  EXPECT_EQ(Value(325), 4u);  // written with 267, kept since the model has no default of its own
}

TEST_F(DefaultsTest, DevModeWithoutSettingsBlock) {
  ASSERT_EQ(Build(u"Office", false), 1);
  EXPECT_EQ(b_.Get(kSettingBlockDevMode, 68, 2), 220u);                     // dmSize
  EXPECT_EQ(b_.Get(kSettingBlockDevMode, 220, 2), 0x6930u);                 // 257
  EXPECT_EQ(b_.Get(kSettingBlockExtension, 0, 2), 0x6930u);                 // 513
  EXPECT_EQ(BuildDefaultSettings(model_, nullptr, nullptr, u"Office"), 0);  // nothing to build
  // Only the settings block.
  pk::test::SettingsBuffers only;
  ASSERT_EQ(BuildDefaultSettings(model_, nullptr, only.settings.data(), nullptr), 1);
  EXPECT_EQ(only.Get(kSettingBlockPrinter, 0, 2), 2840u);
}

TEST_F(DefaultsTest, MissingModelDefaultFailsTheBuildButFillsTheOtherGroups) {
  LoadVariant("NoOrientationDefault");
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(Build(), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  // The public fields stop at dmOrientation; the later groups are built.
  EXPECT_EQ(TextOf(1), u"Office");
  EXPECT_EQ(Value(4), 220u);
  EXPECT_EQ(Value(7), 0u);
  EXPECT_EQ(Value(10), 0u);
  EXPECT_EQ(Value(12), 0u);
  EXPECT_EQ(Value(257), 0x6930u);
  EXPECT_EQ(Value(513), 0x6930u);
  EXPECT_EQ(Value(1297), 2840u);
  EXPECT_EQ(TextOf(259), u"Orvalis C3600 Colour");
}

TEST_F(DefaultsTest, FailedAllocationFailsTheBuild) {
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(Build(), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  EXPECT_EQ(Build(), 1);
}

TEST_F(DefaultsTest, FailedWriteStopsItsGroupOnly) {
  // The model name does not fit its 64-byte field: the private part stops
  // there, the other groups are built.
  LoadVariant("LongModelName");
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(Build(), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  EXPECT_EQ(Value(257), 0x6930u);
  EXPECT_EQ(Value(258), 0x3204u);
  EXPECT_EQ(TextOf(259), u"");
  EXPECT_EQ(Value(271), 0u);  // the model's default is 1
  EXPECT_EQ(Value(345), 2u);  // the next group
  EXPECT_EQ(Value(513), 0x6930u);
  EXPECT_EQ(Value(4), 220u);
}

TEST_F(DefaultsTest, SingleDefaultsAndResets) {
  SettingValueType type = 0;
  INT size = 0;
  uint64_t value = 0;
  EXPECT_EQ(GetSettingDefault(model_, 12, &type, &size, &value), 1);
  EXPECT_EQ(type, kSettingTypeInt16);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(GetSettingDefault(model_, 286, &type, &size, &value), 2);  // the model has none
  EXPECT_EQ(GetSettingDefault(model_, 1306, &type, &size, &value), 2);
  EXPECT_EQ(GetSettingDefault(model_, 304, &type, &size, &value), -1);  // no row
  ASSERT_EQ(GetSettingDefault(model_, 19, &type, &size, &value), 1);
  EXPECT_EQ(size, 6);
  EXPECT_EQ(FreeSettingDefault(19, value, type), 1);
  ASSERT_EQ(GetSettingDefault(model_, 8, &type, &size, &value), 1);  // from the model
  EXPECT_EQ(value, 9u);
  EXPECT_EQ(FreeSettingDefault(8, value, type), 1);
  EXPECT_EQ(FreeSettingDefault(304, value, type), 0);

  ASSERT_EQ(Build(), 1);
  Put(286, kSettingTypeUInt16, 3, 2);
  Put(12, kSettingTypeInt16, 7, 2);
  pk::test::SettingsBuffers before = b_;
  EXPECT_EQ(ResetSettingToDefault(model_, b_.devMode.data(), 286, b_.settings.data()), 1);
  EXPECT_EQ(b_.devMode, before.devMode);  // nothing written
  EXPECT_EQ(ResetSettingToDefault(model_, b_.devMode.data(), 12, b_.settings.data()), 1);
  EXPECT_EQ(Value(12), 1u);
  EXPECT_EQ(ResetSettingToDefault(model_, b_.devMode.data(), 259, b_.settings.data()), 1);
  EXPECT_EQ(ResetSettingToDefault(model_, b_.devMode.data(), 1, b_.settings.data()), 0);  // no printer name here

  uint64_t none = 0;
  EXPECT_EQ(WriteDefaultValue(12, b_.devMode.data(), b_.settings.data(), 2, kSettingTypeInt16, nullptr), 0);
  EXPECT_EQ(WriteDefaultValue(12, b_.devMode.data(), b_.settings.data(), 4, kSettingTypeInt16, &none), 0);
  const WCHAR* text = u"Letter";
  uint64_t address = reinterpret_cast<uintptr_t>(text);
  EXPECT_EQ(WriteDefaultValue(19, b_.devMode.data(), b_.settings.data(), -1, kSettingTypeText, &address), 1);
  EXPECT_EQ(TextOf(19), u"Letter");
}

TEST_F(DefaultsTest, CoreAndIdentityChecks) {
  ASSERT_EQ(Build(), 1);
  void* dm = b_.devMode.data();
  EXPECT_EQ(CheckCoreSettings(dm), 1);
  EXPECT_EQ(CheckCoreSettings(nullptr), 0);
  EXPECT_EQ(CheckDevModeIdentity(model_, nullptr, nullptr), 0);
  struct Case {
    SettingId id;
    uint64_t value;
    int valid;
  };
  const Case cases[] = {{3, 0x3205, 0}, {4, 2628, 1}, {4, 221, 0}, {2, 0x400, 0}, {5, 2407, 0}, {258, 0x3203, 0}};
  for (const Case& c : cases) {
    pk::test::SettingsBuffers saved = b_;
    Put(c.id, kSettingTypeUInt16, c.value, 2);
    EXPECT_EQ(CheckCoreSettings(b_.devMode.data()), c.valid) << c.id;
    EXPECT_EQ(CheckDevModeIdentity(model_, b_.devMode.data(), b_.settings.data()), c.valid) << c.id;
    b_ = saved;
  }
  // The model name only counts against a model.
  const WCHAR* other = u"Another model";
  uint64_t address = reinterpret_cast<uintptr_t>(other);
  ASSERT_EQ(WriteDefaultValue(259, b_.devMode.data(), b_.settings.data(), -1, kSettingTypeText, &address), 1);
  EXPECT_EQ(CheckCoreSettings(b_.devMode.data()), 1);
  EXPECT_EQ(CheckDevModeIdentity(model_, b_.devMode.data(), b_.settings.data()), 0);
  EXPECT_EQ(CheckDevModeIdentity(nullptr, b_.devMode.data(), b_.settings.data()), 0);
}

}  // namespace
