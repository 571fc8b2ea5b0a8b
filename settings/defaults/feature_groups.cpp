// The feature group tables: which settings get a default of their own, in
// which order, and the operations of the settings with rules of their own.
#include "settings/defaults/feature_groups.h"

#include <array>
#include <initializer_list>
#include <utility>

#include "settings/devmode/devmode_layout.h"

namespace {

constexpr StaticDefault kFormatVersionDefault = {1, kSettingTypeUInt16, -1, kSettingsFormatVersion};
constexpr StaticDefault kSettingsSizeDefault = {1, kSettingTypeUInt16, -1, kPrinterSettingsBlockSize};
// Held but not used (flags 0): this setting's default comes from the model.
constexpr StaticDefault kZeroByteDefault = {1, kSettingTypeUInt8, -1, 0};

constexpr DWORD kAllOps =
    kFeatureOwnDefault | kFeatureChecksStored | kFeatureDescribesList | kFeatureGivesChoices | kFeatureChecksProposed;
constexpr DWORD kCheckOps = kFeatureChecksStored | kFeatureChecksProposed;

constexpr FeatureOps kHandlerAll = {nullptr, &HandleFeature, kAllOps};
constexpr FeatureOps kHandlerChecks = {nullptr, &HandleFeature, kCheckOps};
constexpr FeatureOps kHandlerProposed = {nullptr, &HandleFeature, kFeatureChecksProposed};
constexpr FeatureOps kHandlerNoFlags = {nullptr, &HandleFeature, 0};
constexpr FeatureOps kFormatVersion = {&kFormatVersionDefault, nullptr, kAllOps};
constexpr FeatureOps kSettingsSize = {&kSettingsSizeDefault, nullptr, kAllOps};
constexpr FeatureOps kModelDefault = {&kZeroByteDefault, nullptr, 0};

constexpr const FeatureOps* OpsOf(SettingId id) {
  if (id >= 1311 && id <= 1340) return &kHandlerAll;  // user paper slots
  switch (id) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 9:
    case 10:
    case 12:
    case 15:
    case 19:
    case 22:
    case 258:
    case 259:
    case 298:
    case 305:
    case 357:
    case 358:
    case 1298: return &kHandlerAll;
    case 7:
    case 11:
    case 17:
    case 18:
    case 23: return &kHandlerChecks;
    case 13:
    case 16: return &kHandlerProposed;
    case 24:
    case 25: return &kHandlerNoFlags;
    case 257:
    case 513:
    case 1307: return &kFormatVersion;
    case 1297: return &kSettingsSize;
    case 439: return &kModelDefault;
    default: return nullptr;
  }
}

// The rows of a group: the id ranges in the order given.
template <size_t N>
constexpr std::array<FeatureRow, N> Rows(std::initializer_list<std::pair<int, int>> ranges) {
  std::array<FeatureRow, N> rows{};
  size_t n = 0;
  for (auto [first, last] : ranges)
    for (int id = first; id <= last; ++id)
      rows[n++] = FeatureRow{static_cast<SettingId>(id), OpsOf(static_cast<SettingId>(id))};
  if (n != N) throw "row count";  // not a constant expression: stops the build
  return rows;
}

constexpr auto kGroup4 = Rows<47>({{257, 303}});
constexpr auto kGroup5 = Rows<36>({{305, 308}, {311, 311}, {320, 328}, {330, 351}});
constexpr auto kGroup6 = Rows<37>({{352, 361}, {373, 399}});
constexpr auto kGroup7 = Rows<42>({{400, 441}});
constexpr auto kGroup8 = Rows<64>({{449, 512}});
constexpr auto kGroup9 = Rows<36>({{513, 548}});
constexpr auto kGroup0 = Rows<32>({{769, 800}});
constexpr auto kGroup1 = Rows<33>({{1025, 1057}});
// 1306 has no descriptor: its default is never found and it is skipped.
constexpr auto kGroup2 =
    Rows<155>({{1281, 1281}, {1297, 1298}, {1300, 1300}, {1306, 1310}, {1341, 1395}, {1311, 1340}, {1396, 1456}});
constexpr auto kGroup3 = Rows<23>({{1, 19}, {22, 25}});

template <size_t N>
constexpr FeatureGroup Group(DWORD group, const std::array<FeatureRow, N>& rows, SettingBlock block) {
  return FeatureGroup{group, rows.data(), static_cast<WORD>(N), block};
}

}  // namespace

const FeatureGroup kFeatureGroups[kFeatureGroupCount + 1] = {
    Group(4, kGroup4, kSettingBlockDevMode), Group(5, kGroup5, kSettingBlockDevMode),
    Group(6, kGroup6, kSettingBlockDevMode), Group(7, kGroup7, kSettingBlockDevMode),
    Group(8, kGroup8, kSettingBlockDevMode), Group(9, kGroup9, kSettingBlockExtension),
    Group(0, kGroup0, kSettingBlockPrinter), Group(1, kGroup1, kSettingBlockPrinter),
    Group(2, kGroup2, kSettingBlockPrinter), Group(3, kGroup3, kSettingBlockDevMode),
    {kFeatureGroupEnd, nullptr, 0, 0},
};

const FeatureGroupRange kFeatureGroupRanges[kFeatureGroupCount + 1] = {
    {4, 257, 303},
    {5, 304, 351},
    {6, 352, 399},
    {7, 400, 441},
    {8, 449, 512},
    {9, 513, 548},
    {0, 769, 800},
    {1, 1025, 1057},
    {2, 1281, 1456},
    {3, 1, 25},
    {kFeatureGroupEnd, 0, 0},
};

int GetFeatureGroup(DWORD group, const FeatureRow** rows, WORD* count, SettingBlock* block) {
  const FeatureGroup* row = kFeatureGroups;
  while (row->group != kFeatureGroupEnd && row->group != group) ++row;
  if (rows) *rows = row->rows;
  if (count) *count = row->count;
  if (block) *block = row->block;
  return row->group != kFeatureGroupEnd ? 1 : 0;
}

const FeatureRow* FindFeatureRow(SettingId id) {
  for (const FeatureGroupRange* range = kFeatureGroupRanges; range->group != kFeatureGroupEnd; ++range) {
    if (id < range->firstId || id > range->lastId) continue;
    const FeatureRow* rows = nullptr;
    WORD count = 0;
    if (!GetFeatureGroup(range->group, &rows, &count, nullptr)) continue;
    for (WORD i = 0; i < count; ++i)
      if (rows[i].id == id) return &rows[i];
  }
  return nullptr;
}
