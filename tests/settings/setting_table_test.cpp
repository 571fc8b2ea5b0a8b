// The id table as a file format: row counts per block, the widened one-byte
// settings, every row inside its block, the bytes no row reaches, the range
// table's order and the answers of the lookup at and between the ranges.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "settings/access/setting_access.h"
#include "settings/access/setting_table.h"
#include "settings_buffers.h"

namespace {

using pk::test::SettingsBuffers;

UINT FieldWidth(const SettingDescriptor& d) {
  if (d.maxSize != 0) return d.maxSize;
  UINT size = 0;
  GetValueTypeSize(d.id, d.valueType, &size);
  return size;
}

TEST(SettingTable, RowsPerBlockStayInsideAndLeaveExactlyTheListedGaps) {
  SettingsBuffers b;
  const UINT blockSize[3] = {kDriverDevModeSize, kDevModeExtensionSize, kPrinterSettingsBlockSize};
  std::vector<bool> reached[3] = {std::vector<bool>(blockSize[0]), std::vector<bool>(blockSize[1]),
                                  std::vector<bool>(blockSize[2])};
  size_t rows[3] = {0, 0, 0};
  size_t widenedBytes = 0;
  std::set<SettingId> ids;
  for (const SettingDescriptor& d : kSettingDescriptorTable) {
    ASSERT_NE(d.id, 0);
    EXPECT_TRUE(ids.insert(d.id).second) << "id " << d.id << " twice";
    SettingBlock block = 99;
    uint64_t offset = 0;
    ASSERT_EQ(LookupSettingField(d.id, nullptr, nullptr, nullptr, nullptr, b.devMode.data(), b.settings.data(), nullptr,
                                 &offset, &block),
              kSettingOk)
        << d.id;
    ASSERT_LT(block, 3);
    EXPECT_EQ(offset, d.offset);
    ++rows[block];
    if (d.valueType == kSettingTypeUInt8 && d.returnedType == kSettingTypeUInt16) ++widenedBytes;
    const UINT width = FieldWidth(d);
    ASSERT_GT(width, 0u) << d.id;
    ASSERT_LE(d.offset + width, blockSize[block]) << "id " << d.id << " leaves its block";
    for (UINT i = 0; i < width; ++i) reached[block][d.offset + i] = true;
  }
  EXPECT_EQ(std::size(kSettingDescriptorTable), 544u);
  EXPECT_EQ(rows[0], 274u);
  EXPECT_EQ(rows[1], 36u);
  EXPECT_EQ(rows[2], 234u);
  EXPECT_EQ(widenedBytes, 47u);

  using Gaps = std::vector<std::pair<int, int>>;
  const Gaps gaps[3] = {
      {{166, 187},   {204, 219},   {301, 301},   {309, 309},   {317, 317},   {322, 323},   {353, 355},   {375, 375},
       {897, 897},   {1097, 1099}, {1105, 1105}, {1207, 1207}, {1265, 1265}, {1271, 1271}, {1547, 1547}, {1569, 1569},
       {1630, 1631}, {1751, 1751}, {1763, 1763}, {2583, 2583}, {2589, 2589}, {2621, 2627}},
      {{2050, 2051}, {2068, 2071}},
      {{6, 7},
       {84, 485},
       {552, 879},
       {1066, 1071},
       {1076, 1097},
       {1114, 1119},
       {1128, 1131},
       {1184, 1187},
       {1190, 1195},
       {1197, 1203},
       {1238, 1243},
       {1535, 1535},
       {1603, 1607},
       {2584, 2587},
       {2824, 2827},
       {2836, 2839}},
  };
  for (int block = 0; block < 3; ++block) {
    std::vector<bool> expected(blockSize[block], true);
    for (auto [first, last] : gaps[block]) {
      for (int i = first; i <= last; ++i) expected[i] = false;
    }
    for (UINT i = 0; i < blockSize[block]; ++i) {
      EXPECT_EQ(reached[block][i], expected[i]) << "block " << block << " byte " << i;
    }
  }
}

TEST(SettingTable, RangesAreSearchedInTheirOrderAndListsKeepTableOrder) {
  const struct {
    SettingBlock block;
    SettingId first, last;
  } expected[] = {{0, 257, 303}, {0, 304, 351}, {0, 352, 399},   {0, 400, 441},   {0, 449, 512},
                  {1, 513, 548}, {2, 769, 800}, {2, 1025, 1057}, {2, 1281, 1456}, {0, 1, 25}};
  size_t listed = 0;
  for (size_t i = 0; i < std::size(expected); ++i) {
    const SettingIdRange& r = kSettingIdRanges[i];
    EXPECT_EQ(r.block, expected[i].block);
    EXPECT_EQ(r.firstId, expected[i].first);
    EXPECT_EQ(r.lastId, expected[i].last);
    ASSERT_NE(r.descriptors, nullptr);
    // The list holds the range's rows in the order of the source table.
    const SettingDescriptor* next = r.descriptors;
    for (const SettingDescriptor& d : kSettingDescriptorTable) {
      if (d.id < r.firstId || d.id > r.lastId) continue;
      ASSERT_EQ(next->id, d.id);
      ++next;
      ++listed;
    }
    EXPECT_EQ(next->id, 0);
  }
  EXPECT_EQ(kSettingIdRanges[std::size(expected)].descriptors, nullptr);
  EXPECT_EQ(listed, kSettingDescriptorCount);
  // The last range is not in id order: 1418 lies after 1453-1456.
  const SettingDescriptor* list1281 = kSettingIdRanges[8].descriptors;
  size_t pos1418 = 0, pos1456 = 0;
  for (size_t i = 0; list1281[i].id != 0; ++i) {
    if (list1281[i].id == 1418) pos1418 = i;
    if (list1281[i].id == 1456) pos1456 = i;
  }
  EXPECT_GT(pos1418, pos1456);
}

TEST(SettingTable, LookupAnswersOutsideRangesForMissingRowsAndMissingBuffers) {
  SettingsBuffers b;
  auto lookup = [](SettingId id, const void* dm, const void* ps) {
    return LookupSettingField(id, nullptr, nullptr, nullptr, nullptr, dm, ps, nullptr, nullptr, nullptr);
  };
  std::vector<std::pair<SettingId, SettingId>> outside = {{0, 0},      {26, 256},    {442, 448},   {549, 768},
                                                          {801, 1024}, {1058, 1280}, {1457, 65535}};
  for (auto [first, last] : outside) {
    for (uint32_t id = first; id <= last; ++id) {
      ASSERT_EQ(lookup(static_cast<SettingId>(id), b.devMode.data(), b.settings.data()), kSettingNoRange) << id;
    }
  }
  for (SettingId id : {1299, 1301, 1302, 1303, 1304, 1305, 1306}) {
    EXPECT_EQ(lookup(id, b.devMode.data(), b.settings.data()), kSettingNotAvailable) << id;
  }
  // A block's buffer missing: the setting is not available.
  const struct {
    SettingId id;
    bool withDevMode, withSettings;
    SettingAccessResult expected;
  } buffers[] = {
      {1297, true, false, kSettingNotAvailable}, {769, true, false, kSettingNotAvailable},
      {1297, false, true, kSettingOk},           {7, false, true, kSettingNotAvailable},
      {513, false, true, kSettingNotAvailable},  {513, true, false, kSettingOk},
  };
  for (const auto& c : buffers) {
    const void* dm = c.withDevMode ? b.devMode.data() : nullptr;
    const void* ps = c.withSettings ? b.settings.data() : nullptr;
    EXPECT_EQ(lookup(c.id, dm, ps), c.expected) << c.id;
    SettingValueType type;
    UINT size;
    uint64_t value = 0;
    EXPECT_EQ(GetSettingValue(c.id, dm, ps, &type, &size, &value), c.expected) << c.id;
  }
  // The address of a block-1 value counts from byte 2628 of the WorkingDevMode.
  const BYTE* address = nullptr;
  SettingBlock block = 0;
  ASSERT_EQ(
      LookupSettingField(515, nullptr, nullptr, nullptr, nullptr, b.devMode.data(), nullptr, &address, nullptr, &block),
      kSettingOk);
  EXPECT_EQ(block, kSettingBlockExtension);
  EXPECT_EQ(address, b.devMode.data() + 2628 + 4);
}

TEST(SettingTable, TypeSizesAndFlagMasks) {
  const struct {
    SettingValueType type;
    int known;
    UINT size;
  } sizes[] = {{0, 0, 0}, {1, 1, 4}, {2, 1, 2}, {3, 1, 2}, {4, 1, 4},  {5, 1, 4},
               {6, 1, 8}, {7, 0, 0}, {8, 1, 1}, {9, 1, 8}, {10, 1, 4}, {11, 0, 0}};
  for (const auto& c : sizes) {
    UINT size = 0;
    EXPECT_EQ(GetValueTypeSize(1, c.type, &size), c.known) << c.type;
    EXPECT_EQ(size, c.size) << c.type;
  }
  const struct {
    SettingId id;
    int found;
    uint32_t mask;
  } masks[] = {{449, 1, 1},           {452, 1, 8}, {480, 1, 0x80000000u}, {481, 1, 1},
               {512, 1, 0x80000000u}, {769, 1, 1}, {800, 1, 0x80000000u}, {448, 0, 0},
               {513, 0, 0},           {768, 0, 0}, {801, 0, 0},           {260, 0, 0}};
  for (const auto& c : masks) {
    uint32_t mask = 0;
    EXPECT_EQ(GetSettingFlagMask(c.id, &mask), c.found) << c.id;
    EXPECT_EQ(mask, c.mask) << c.id;
  }
}

}  // namespace
