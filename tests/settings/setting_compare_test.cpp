// Comparison of single values by type and of whole DEVMODEs by setting.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/access/setting_access.h"
#include "settings_buffers.h"

namespace {

using pk::test::SettingsBuffers;

TEST(SettingCompare, ValuesByType) {
  const struct {
    SettingValueType type;
    uint32_t a, b;
    int expected;
  } cases[] = {
      {3, 0xFFFF, 1, 1},    {2, 0xFFFF, 1, -1},     {8, 0xFF, 1, 1},
      {8, 0x1FF, 0x2FF, 0}, {1, 0xFFFFFFFF, 1, -1}, {4, 0x80000000u, 0, -1},
      {10, 5, 5, 0},        {5, 0xFFFFFFFF, 1, 1},  {5, 1, 2, -1},
      {7, 1, 1, 2},         {9, 1, 1, 2},           {0, 1, 1, 2},
      {11, 1, 1, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareSettingValues(c.type, &c.a, &c.b), c.expected)
        << "type " << c.type << ": " << c.a << " vs " << c.b;
  }
  uint32_t x = 0;
  EXPECT_EQ(CompareSettingValues(3, nullptr, &x), 2);
  EXPECT_EQ(CompareSettingValues(3, &x, nullptr), 2);
}

TEST(SettingCompare, TextsByCodeUnit) {
  const char16_t* abc = u"abc";
  const char16_t* abd = u"abd";
  const char16_t* ab = u"ab";
  const char16_t* high = u"\xFF01";
  const char16_t* empty = nullptr;
  const struct {
    const char16_t* const* a;
    const char16_t* const* b;
    int expected;
  } cases[] = {{&abc, &abc, 0},  {&abc, &abd, -1},  {&abd, &abc, 1},  {&ab, &abc, -1},
               {&high, &abc, 1}, {&empty, &abc, 2}, {&abc, &empty, 2}};
  for (const auto& c : cases) EXPECT_EQ(CompareSettingValues(6, c.a, c.b), c.expected);
}

TEST(SettingCompare, DevModesSettingBySetting) {
  SettingsBuffers first;
  SettingsBuffers second;
  EXPECT_EQ(CompareDevModeSettings(first.devMode.data(), second.devMode.data(), nullptr), 1);
  // Bytes without an id and the printer settings block do not count.
  first.Put(kSettingBlockDevMode, 2621, 0x7F, 1);
  first.Put(kSettingBlockExtension, 2050, 0x7F, 1);
  first.Put(kSettingBlockPrinter, 0, 2840, 2);
  EXPECT_EQ(CompareDevModeSettings(first.devMode.data(), second.devMode.data(), first.settings.data()), 1);
  // Font records are compared through their fields only, texts by content.
  first.PutText(kSettingBlockDevMode, 102, u"A4");
  second.PutText(kSettingBlockDevMode, 102, u"A4");
  second.Put(kSettingBlockDevMode, 108, 0x5A5A, 2);  // after the terminator
  EXPECT_EQ(CompareDevModeSettings(first.devMode.data(), second.devMode.data(), nullptr), 1);
  // Any setting of block 0 or 1 that differs.
  const struct {
    SettingBlock block;
    size_t offset;
    uint32_t value;
    size_t width;
  } differences[] = {{0, 76, 2, 2},     {0, 288, 1, 4},  {0, 1213, 'x', 2}, {0, 2620, 1, 1},
                     {0, 1136, 'F', 2}, {1, 2064, 1, 4}, {1, 4, 'p', 2}};
  for (const auto& d : differences) {
    SettingsBuffers changed = first;
    changed.Put(d.block, d.offset, d.value, d.width);
    EXPECT_EQ(CompareDevModeSettings(first.devMode.data(), changed.devMode.data(), nullptr), 0)
        << d.block << ":" << d.offset;
  }
  // A DEVMODE is unequal to itself while 311 cannot be read.
  first.Put(kSettingBlockDevMode, 1116, 900, 4);
  EXPECT_EQ(CompareDevModeSettings(first.devMode.data(), first.devMode.data(), nullptr), 0);
  first.Put(kSettingBlockDevMode, 1120, 900, 4);
  EXPECT_EQ(CompareDevModeSettings(first.devMode.data(), first.devMode.data(), nullptr), 1);
  EXPECT_EQ(CompareDevModeSettings(nullptr, first.devMode.data(), nullptr), 0);
}

}  // namespace
