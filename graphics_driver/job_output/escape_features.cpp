// The layout feature table (see escape_features.h).
#include "graphics_driver/job_output/escape_features.h"

namespace {

// Tried in this order: a feature's rows from the highest level down.
constexpr EscapeFeatureRow kFeatureTable[] = {
    {0x1101, 0x1071, 0x01010501, 0xF, 0xFF00, 0xFF00},
    {0x1102, 0x1072, 0x01010701, 0x30, 0, 0},
    {0x1102, 0x1072, 0x01010601, 0x10, 0, 0},
    {0x1102, 0x1072, 0x01010501, 0, 0, 0},
    {0x1103, 0x1073, 0x01010601, 0x1F, 0, 0},
    {0x1104, 0x1074, 0x01010501, 0x31F, 0x8B, 0},
    {0x1105, 0x1075, 0x01010501, 0, 0, 0},
    {0x1106, 0x1077, 0x01010501, 0, 0, 0},
    {0x1107, 0x1077, 0x01010501, 0, 0, 0},
};

constexpr uint32_t kDuplexNupFlagsNeedingSwitchA = 0x4 | 0x8;

}  // namespace

int FindEscapeFeature(const PdevState* pdev, uint16_t feature, EscapeFeatureRow* out) {
  if (!pdev) return -1;
  const LayoutOverride& record = pdev->pipeline.layoutOverride;
  const uint32_t level = record.featureLevel;
  if (level < kLowestFeatureLevel || level > kHighestFeatureLevel) return -1;
  for (const EscapeFeatureRow& row : kFeatureTable) {
    if (row.feature != feature || row.minLevel > level) continue;
    if (feature == kFeaturePageCollect && !record.switchB) continue;
    if (out) {
      *out = row;
      if (feature == kFeatureDuplexNup && !record.switchA) out->flags &= ~kDuplexNupFlagsNeedingSwitchA;
    }
    return 0;
  }
  return -1;
}
